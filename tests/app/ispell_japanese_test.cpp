// English words inside Japanese text reach the checker's answer whole: the
// stand-in checker (tests/data/checkers) in both offset counts, and aspell
// itself when it is installed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "app/ispell_checker.h"
#include "app/ispell_protocol.h"

namespace {

// "これはwrodです。「teh」と書く。": wrod at bytes 9-13, teh at 25-28.
const std::string kLine =
    "\xE3\x81\x93\xE3\x82\x8C\xE3\x81\xAF" "wrod" "\xE3\x81\xA7\xE3\x81\x99\xE3\x80\x82\xE3\x80\x8C" "teh"
    "\xE3\x80\x8D\xE3\x81\xA8\xE6\x9B\xB8\xE3\x81\x8F\xE3\x80\x82";

std::string Ranges(const std::string& program, const std::vector<std::string>& args) {
  KxIspellChecker c;
  if (c.Start(program, args, 5000) != KxCheckerError::kNone) return "no start";
  std::vector<KxCheckerMiss> misses;
  if (c.CheckLine(kLine, misses) != KxCheckerError::kNone) return "no answer";
  std::string out;
  for (const KxCheckerMiss& m : misses) out += m.word + " " + std::to_string(m.start) + "-" + std::to_string(m.end) + " ";
  return out;
}

TEST(IspellJapanese, WordsTouchingJapaneseAreFound) {
  const char* src = std::getenv("KX_SOURCE_DIR");
  const std::string dir = std::string(src ? src : ".") + "/tests/data/checkers/fake_";
  EXPECT_EQ(Ranges(dir + "bytes", {}), "wrod 9-13 teh 25-28 ");
  EXPECT_EQ(Ranges(dir + "chars", {}), "wrod 9-13 teh 25-28 ");
  if (::access("/usr/bin/aspell", X_OK) != 0) GTEST_SKIP() << "no aspell";
  const std::string got = Ranges("/usr/bin/aspell", KxIspellUtf8Args(KxCheckerFamily::kAspell));
  if (got == "no start") GTEST_SKIP() << "aspell has no dictionary";
  EXPECT_EQ(got, "wrod 9-13 teh 25-28 ");
}

}  // namespace
