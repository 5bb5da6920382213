// Child programs through pipes: lines both ways, a child that hangs or
// dies never hangs or kills the caller, and ending one leaves no process.
#include "platform/child_process.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <cerrno>
#include <string>

namespace {

bool Gone(int pid) { return pid > 0 && kill(pid, 0) != 0 && errno == ESRCH; }

TEST(ChildProcess, LinesGoBothWaysAndLongWritesDoNotDeadlock) {
  KxChildProcess cat;
  std::string error;
  ASSERT_TRUE(cat.Start("/bin/cat", {}, error)) << error;
  ASSERT_EQ(cat.Write("one\ntwo\r\n", 1000), KxChildProcess::Status::kOk);
  std::string line;
  ASSERT_EQ(cat.ReadLine(line, 1000), KxChildProcess::Status::kOk);
  EXPECT_EQ(line, "one");
  ASSERT_EQ(cat.ReadLine(line, 1000), KxChildProcess::Status::kOk);
  EXPECT_EQ(line, "two");
  // Far more than a pipe holds while cat writes it back: the writer has to
  // read meanwhile.
  const std::string big(3 << 20, 'x');
  ASSERT_EQ(cat.Write(big + "\n", 20000), KxChildProcess::Status::kOk);
  // Past the longest line taken from a child: it counts as closed.
  EXPECT_EQ(cat.ReadLine(line, 5000), KxChildProcess::Status::kClosed);
  const int pid = cat.Pid();
  cat.End();
  EXPECT_FALSE(cat.IsRunning());
  EXPECT_TRUE(Gone(pid));
}

TEST(ChildProcess, HangingAndDyingChildrenAreBounded) {
  KxChildProcess sleeper;
  std::string error;
  ASSERT_TRUE(sleeper.Start("/bin/sleep", {"60"}, error)) << error;
  std::string line;
  EXPECT_EQ(sleeper.ReadLine(line, 100), KxChildProcess::Status::kTimeout);
  const int pid = sleeper.Pid();
  sleeper.End();   // it ignores its closed input: killed
  EXPECT_TRUE(Gone(pid));

  KxChildProcess quitter;
  ASSERT_TRUE(quitter.Start("/bin/true", {}, error)) << error;
  EXPECT_EQ(quitter.ReadLine(line, 5000), KxChildProcess::Status::kClosed);
  // Writing to a child that left answers, and no SIGPIPE ends the caller.
  KxChildProcess::Status s = KxChildProcess::Status::kOk;
  for (int i = 0; i < 50 && s == KxChildProcess::Status::kOk; ++i) s = quitter.Write(std::string(70000, 'a'), 1000);
  EXPECT_EQ(s, KxChildProcess::Status::kClosed);
}

TEST(ChildProcess, StartsOnlyAbsoluteProgramsWithoutAShellInAUtf8Locale) {
  KxChildProcess p;
  std::string error;
  EXPECT_FALSE(p.Start("cat", {}, error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(p.Start("/nonexistent/checker", {}, error));
  EXPECT_FALSE(p.IsRunning());
  // Arguments reach the program as they are: no shell reads them.
  ASSERT_TRUE(p.Start("/bin/echo", {"$HOME;", "*"}, error)) << error;
  std::string line;
  ASSERT_EQ(p.ReadLine(line, 2000), KxChildProcess::Status::kOk);
  EXPECT_EQ(line, "$HOME; *");
  ASSERT_TRUE(p.Start("/usr/bin/env", {}, error)) << error;
  int locales = 0;
  while (p.ReadLine(line, 2000) == KxChildProcess::Status::kOk)
    if (line.rfind("LC_ALL=", 0) == 0) {
      ++locales;
      EXPECT_EQ(line, "LC_ALL=C.UTF-8");
    }
  EXPECT_EQ(locales, 1);
}

}  // namespace
