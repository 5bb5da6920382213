// A child program talked to through pipes: started without a shell, its
// input and output ours, its errors thrown away. Every wait has a time-out,
// so that a child that hangs or dies never hangs the editor; ending it
// signals only the child's own process id and always reaps it.
#pragma once

#include <string>
#include <vector>

class KxChildProcess {
 public:
  KxChildProcess() = default;
  ~KxChildProcess();   // ends the child
  KxChildProcess(const KxChildProcess&) = delete;
  KxChildProcess& operator=(const KxChildProcess&) = delete;

  // Starts `path` (absolute) with `args`, in the program's environment with
  // LC_ALL=C.UTF-8. False, with `error` saying why, when it cannot start.
  bool Start(const std::string& path, const std::vector<std::string>& args, std::string& error);
  bool IsRunning() const { return mPid > 0; }
  int Pid() const { return mPid; }

  enum class Status { kOk, kTimeout, kClosed };
  // Writes every byte within `timeoutMs`, reading what the child answers
  // meanwhile (a child blocked on a full output pipe never reads on).
  Status Write(const std::string& bytes, int timeoutMs);
  // The next line of the child's output, without its line end. kClosed at
  // the end of its output (also when a line grows past kMaxLine).
  Status ReadLine(std::string& line, int timeoutMs);
  // Closes the child's input, gives it a moment to leave, then kills it
  // and waits for it.
  void End();

  // The longest line taken from a child: past it, the output is garbage.
  static constexpr std::size_t kMaxLine = 1 << 20;

 private:
  // Reads what is there into mPending; false at the end of the output.
  bool Fill();

  int mPid = -1;
  int mIn = -1;    // the child's input (our writing end)
  int mOut = -1;   // the child's output (our reading end)
  std::string mPending;
  bool mOutClosed = false;
};
