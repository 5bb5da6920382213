#include "platform/child_process.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstring>

extern char** environ;

namespace {

// How long a child whose input closed may take to leave before it is
// killed.
constexpr int kLeaveMs = 200;

long NowMs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return long(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

void CloseFd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

// The program's environment with the locale forced to UTF-8.
std::vector<std::string> ChildEnvironment() {
  std::vector<std::string> env;
  for (char** e = environ; e && *e; ++e)
    if (std::strncmp(*e, "LC_ALL=", 7) != 0) env.emplace_back(*e);
  env.emplace_back("LC_ALL=C.UTF-8");
  return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> out;
  for (std::string& s : strings) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

}  // namespace

KxChildProcess::~KxChildProcess() { End(); }

bool KxChildProcess::Start(const std::string& path, const std::vector<std::string>& args, std::string& error) {
  End();
  mPending.clear();
  mOutClosed = false;
  if (path.empty() || path[0] != '/') {
    error = "not an absolute path";
    return false;
  }
  // The input is a socket so that writing to a child that died answers
  // EPIPE (MSG_NOSIGNAL) instead of killing the editor with SIGPIPE.
  int in[2] = {-1, -1}, out[2] = {-1, -1};
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, in) != 0 || pipe2(out, O_CLOEXEC) != 0) {
    error = std::strerror(errno);
    for (int fd : {in[0], in[1], out[0], out[1]})
      if (fd >= 0) close(fd);
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<std::string> argv{path};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<std::string> env = ChildEnvironment();
  std::vector<char*> argp = Pointers(argv), envp = Pointers(env);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, path.c_str(), &actions, nullptr, argp.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(in[0]);
  close(out[1]);
  if (rc != 0) {
    close(in[1]);
    close(out[0]);
    error = std::strerror(rc);
    return false;
  }
  mPid = pid;
  mIn = in[1];
  mOut = out[0];
  fcntl(mIn, F_SETFL, fcntl(mIn, F_GETFL) | O_NONBLOCK);
  fcntl(mOut, F_SETFL, fcntl(mOut, F_GETFL) | O_NONBLOCK);
  return true;
}

bool KxChildProcess::Fill() {
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(mOut, buffer, sizeof buffer);
    if (n > 0) {
      mPending.append(buffer, std::size_t(n));
      if (mPending.size() > kMaxLine * 2) return true;   // the caller sees the long line
      continue;
    }
    if (n == 0) {
      mOutClosed = true;
      return false;
    }
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return true;
    mOutClosed = true;
    return false;
  }
}

KxChildProcess::Status KxChildProcess::Write(const std::string& bytes, int timeoutMs) {
  if (mPid <= 0 || mIn < 0) return Status::kClosed;
  const long deadline = NowMs() + timeoutMs;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const long left = deadline - NowMs();
    if (left <= 0) return Status::kTimeout;
    pollfd fds[2] = {{mIn, POLLOUT, 0}, {mOutClosed ? -1 : mOut, POLLIN, 0}};
    const int ready = poll(fds, 2, int(left));
    if (ready < 0 && errno != EINTR) return Status::kClosed;
    if (ready <= 0) continue;
    if (fds[1].revents & (POLLIN | POLLHUP)) Fill();
    if (fds[0].revents & (POLLERR | POLLHUP)) return Status::kClosed;
    if (fds[0].revents & POLLOUT) {
      const ssize_t n = send(mIn, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n > 0) {
        done += std::size_t(n);
      } else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
        return Status::kClosed;
      }
    }
  }
  return Status::kOk;
}

KxChildProcess::Status KxChildProcess::ReadLine(std::string& line, int timeoutMs) {
  line.clear();
  if (mOut < 0) return Status::kClosed;
  const long deadline = NowMs() + timeoutMs;
  for (;;) {
    const std::size_t nl = mPending.find('\n');
    if (nl != std::string::npos && nl <= kMaxLine) {
      line = mPending.substr(0, nl);
      mPending.erase(0, nl + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return Status::kOk;
    }
    if (mPending.size() > kMaxLine) return Status::kClosed;
    if (mOutClosed) return Status::kClosed;
    const long left = deadline - NowMs();
    if (left <= 0) return Status::kTimeout;
    pollfd fd{mOut, POLLIN, 0};
    const int ready = poll(&fd, 1, int(left));
    if (ready < 0 && errno != EINTR) return Status::kClosed;
    if (ready > 0) Fill();
  }
}

void KxChildProcess::End() {
  CloseFd(mIn);
  if (mPid > 0) {
    // A checker leaves when its input ends; one that does not is killed.
    const long deadline = NowMs() + kLeaveMs;
    int status = 0;
    pid_t got = 0;
    while ((got = waitpid(mPid, &status, WNOHANG)) == 0 && NowMs() < deadline) {
      timespec nap{0, 5 * 1000000};
      nanosleep(&nap, nullptr);
    }
    if (got == 0) {
      kill(mPid, SIGKILL);
      while (waitpid(mPid, &status, 0) < 0 && errno == EINTR) {
      }
    }
    mPid = -1;
  }
  CloseFd(mOut);
}
