// CSEDHost: the stream editor with its buffers from the memory layer, line
// buffers that grow up to a limit, errors collected (and echoed to standard
// error when asked), and an optional step budget that ends looping scripts.
#pragma once

#include <string>

#include "platform/types.h"
#include "tools/sed.h"

class CSEDHost : public CSED {
 public:
  CSEDHost();
  ~CSEDHost() override;

  void initialize() override;
  bool EnlargeLineBuf(long more) override;
  void printerror(int code, const char* text) override;
  void check_break() override;

  // Line buffers never grow past this many units (the run then ends with
  // code 22).
  void SetMaxLine(long units) { mMaxLine = units; }
  long MaxLine() const { return mMaxLine; }
  // Steps allowed in one whole run before it ends with code 1 (0: no
  // limit). A step is an input line, a jump, or kSedMatchQuantum attempts
  // of the matcher, so the budget bounds loops and costly searches alike.
  void SetStepBudget(long steps) { mBudget = steps; }
  void SetEcho(const char* prefix) { mEcho = prefix; }
  int FirstError() const { return mFirstError; }
  // The first error that fails a run: a full append queue (23, 24) is
  // reported but the run goes on.
  int FirstFailure() const { return mFirstFailure; }
  const std::string& Messages() const { return mMessages; }
  bool BudgetSpent() const { return mBudgetSpent; }

 private:
  void Release();

  Handle mLineH[3] = {};
  long mMaxLine = 1L << 24;
  long mBudget = 0;
  long mSteps = 0;
  bool mBudgetSpent = false;
  const char* mEcho = nullptr;
  int mFirstError = 0;
  int mFirstFailure = 0;
  std::string mMessages;
};

// CSEDHost over the C library's files (the command-line driver): reads and
// writes whole lines straight through the FILE buffers.
class CSEDFiles : public CSEDHost {
 public:
  void initialize() override;
  long fgetwsr(int dst, long at, long file, bool dropLF) override;
  void fputwsr(const SEDunit* from, const SEDunit* to, long file, bool newline) override;
  int fgetc(long file) override;
  long freopen(const char* name, const char* mode, long file) override;

 private:
  // The input (file 1) is read through a block of its own, so that a line
  // is found with memchr and widened to units in runs.
  bool FillInput();
  static constexpr long kInputBlock = 1 << 16;
  unsigned char mIn[kInputBlock + 1];   // one spare byte for a byte given back
  long mInPos = 0, mInEnd = 0;
  void* mInFile = nullptr;   // the FILE the block was read from
};
