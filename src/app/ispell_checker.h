// A registered spelling checker at work: the program started as
// PROGRAM -a ARG..., its banner read, and lines checked one at a time
// through the Ispell pipe protocol. Every wait is bounded, so a checker
// that hangs, dies or answers garbage ends with an error text instead of
// hanging the editor.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "app/ispell_protocol.h"
#include "app/word_services.h"
#include "platform/child_process.h"

// How long a checker may take: to show its banner when it is registered,
// and to answer one line (600 ticks).
constexpr int kKxCheckerBannerMs = 5000;
constexpr int kKxCheckerAnswerMs = 10000;

// One misspelled word of a checked line: its byte range in the line.
struct KxCheckerMiss {
  long start = 0;
  long end = 0;
  std::string word;
  std::vector<std::string> guesses;
};

// What went wrong with a checker; each has its text in string list 213.
enum class KxCheckerError { kNone = 0, kStart = 1, kTimeout = 2, kDied = 3, kGarbage = 4 };
// "NAME: REASON" in UTF-8, for the one alert a failed run shows.
std::string KxCheckerErrorText(const std::string& nameUtf8, KxCheckerError error);

class KxIspellChecker {
 public:
  // Starts the checker and reads its banner.
  KxCheckerError Start(const std::string& program, const std::vector<std::string>& args, int bannerMs);
  const std::string& Banner() const { return mBanner; }
  // Checks one line (UTF-8; line ends and control characters are sent as
  // spaces). A reported word not found at or near its offset is skipped.
  KxCheckerError CheckLine(const std::string& line, std::vector<KxCheckerMiss>& misses);
  // The checker's guesses for one word (none when it is right).
  KxCheckerError Guesses(const std::string& word, std::vector<std::string>& guesses);
  void End() { mChild.End(); }
  bool IsRunning() const { return mChild.IsRunning(); }

  // How long one answer may take (tests make it short).
  static void SetAnswerTimeout(int ms);

 private:
  KxChildProcess mChild;
  std::string mBanner;
};

// Registering: runs PROGRAM -a, reads its banner and builds the checker's
// record (its menu name, the family's UTF-8 arguments and icon).
KxCheckerError KxProbeChecker(const std::string& program, KxWordService& out, int bannerMs = kKxCheckerBannerMs);

// The built-in 16 x 16 one-bit icon of a family (resources/checker_icons.txt);
// all zero for other programs.
std::array<std::uint8_t, 32> KxCheckerFamilyIcon(KxCheckerFamily family);
// Reads an icon file: "NAME" lines each followed by 16 rows of 16 '#' or
// '.'; false on anything else.
bool KxParseCheckerIcons(const std::string& text, std::vector<std::pair<std::string, std::array<std::uint8_t, 32>>>& out);
