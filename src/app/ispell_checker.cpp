#include "app/ispell_checker.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "app/prefs_file.h"
#include "platform/resources.h"
#include "platform/textconv.h"

namespace {

constexpr short kCheckerStrings = 213;   // 1-4: the reasons of KxCheckerError
int gAnswerMs = kKxCheckerAnswerMs;

// Sent as one line: line ends and other control characters become spaces,
// so the checker sees the same byte offsets.
std::string AsOneLine(const std::string& line) {
  std::string out = line;
  for (char& c : out)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  return out;
}

// Enchant picks its dictionary from the locale, and the children run in
// C.UTF-8, which names none: it is told the user's language ($LANG's
// "ll_CC", else en_US).
std::string EnchantLanguage() {
  const char* lang = std::getenv("LANG");
  std::string l = lang ? lang : "";
  l = l.substr(0, l.find_first_of(".@"));
  const bool usable = l.size() >= 2 && l.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_") ==
                                           std::string::npos && l != "C" && l != "POSIX";
  return usable ? l : "en_US";
}

KxCheckerError FromStatus(KxChildProcess::Status s) {
  return s == KxChildProcess::Status::kTimeout ? KxCheckerError::kTimeout : KxCheckerError::kDied;
}

}  // namespace

std::string KxCheckerErrorText(const std::string& nameUtf8, KxCheckerError error) {
  Str255 reason;
  GetIndString(reason, kCheckerStrings, std::int16_t(error));
  return nameUtf8 + ": " + KxScriptTextToUTF8(std::string(reinterpret_cast<const char*>(reason + 1), reason[0]));
}

void KxIspellChecker::SetAnswerTimeout(int ms) { gAnswerMs = ms; }

KxCheckerError KxIspellChecker::Start(const std::string& program, const std::vector<std::string>& args,
                                      int bannerMs) {
  mBanner.clear();
  std::vector<std::string> argv{"-a"};
  argv.insert(argv.end(), args.begin(), args.end());
  std::string why;
  if (!mChild.Start(program, argv, why)) return KxCheckerError::kStart;
  std::string banner;
  const KxChildProcess::Status s = mChild.ReadLine(banner, bannerMs);
  if (s != KxChildProcess::Status::kOk) {
    mChild.End();
    // A program that cannot run at all leaves at once.
    return s == KxChildProcess::Status::kTimeout ? KxCheckerError::kTimeout : KxCheckerError::kStart;
  }
  if (KxIspellMenuName(banner).empty()) {
    mChild.End();
    return KxCheckerError::kGarbage;
  }
  mBanner = banner;
  return KxCheckerError::kNone;
}

KxCheckerError KxIspellChecker::CheckLine(const std::string& rawLine, std::vector<KxCheckerMiss>& misses) {
  misses.clear();
  if (!mChild.IsRunning()) return KxCheckerError::kDied;
  const std::string line = AsOneLine(rawLine);
  // "^" keeps a line that starts with a protocol character from being read
  // as a command.
  KxChildProcess::Status s = mChild.Write("^" + line + "\n", gAnswerMs);
  if (s != KxChildProcess::Status::kOk) return FromStatus(s);
  for (;;) {
    std::string answer;
    s = mChild.ReadLine(answer, gAnswerMs);
    if (s != KxChildProcess::Status::kOk) return FromStatus(s);
    if (answer.empty()) return KxCheckerError::kNone;
    KxIspellMiss miss;
    bool misspelled = false;
    if (!KxIspellParseAnswer(answer, miss, misspelled)) return KxCheckerError::kGarbage;
    if (!misspelled) continue;
    const long at = KxIspellLocate(line, miss.word, miss.offset);
    if (at < 0) continue;
    // Answers come in line order; one that goes back is the same word
    // found again at another offset: take the next occurrence instead.
    long where = at;
    if (!misses.empty() && where < misses.back().end) {
      const std::size_t again = line.find(miss.word, std::size_t(misses.back().end));
      const long next = again == std::string::npos ? -1 : KxIspellLocate(line, miss.word, long(again));
      if (next < misses.back().end) continue;
      where = next;
    }
    misses.push_back({where, where + long(miss.word.size()), miss.word, miss.guesses});
  }
}

KxCheckerError KxIspellChecker::Guesses(const std::string& word, std::vector<std::string>& guesses) {
  guesses.clear();
  std::vector<KxCheckerMiss> misses;
  const KxCheckerError e = CheckLine(word, misses);
  if (e == KxCheckerError::kNone && !misses.empty()) guesses = misses.front().guesses;
  return e;
}

KxCheckerError KxProbeChecker(const std::string& program, KxWordService& out, int bannerMs) {
  KxIspellChecker checker;
  const KxCheckerError e = checker.Start(program, {}, bannerMs);
  if (e != KxCheckerError::kNone) return e;
  const std::string banner = checker.Banner();
  checker.End();
  const KxCheckerFamily family = KxIspellFamily(banner);
  out = KxWordService{};
  out.kind = 1;
  out.name = KxUTF8ToScriptText(KxIspellMenuName(banner));
  out.icon = KxCheckerFamilyIcon(family);
  out.program = program;
  out.args = KxIspellUtf8Args(family);
  if (family == KxCheckerFamily::kEnchant) out.args.insert(out.args.end(), {"-d", EnchantLanguage()});
  return KxCheckerError::kNone;
}

bool KxParseCheckerIcons(const std::string& text,
                         std::vector<std::pair<std::string, std::array<std::uint8_t, 32>>>& out) {
  out.clear();
  std::istringstream in(text);
  std::string line;
  std::vector<std::string> lines;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // Comments start with '#' but, unlike icon rows, hold other characters.
    if (line.empty() || (line[0] == '#' && line.find_first_not_of("#.") != std::string::npos)) continue;
    lines.push_back(line);
  }
  for (std::size_t i = 0; i < lines.size();) {
    if (lines.size() - i < 17) return false;
    std::array<std::uint8_t, 32> icon{};
    for (int row = 0; row < 16; ++row) {
      const std::string& r = lines[i + 1 + std::size_t(row)];
      if (r.size() != 16) return false;
      for (int col = 0; col < 16; ++col) {
        if (r[std::size_t(col)] != '#' && r[std::size_t(col)] != '.') return false;
        if (r[std::size_t(col)] == '#') icon[std::size_t(row * 2 + col / 8)] |= std::uint8_t(0x80 >> (col % 8));
      }
    }
    out.emplace_back(lines[i], icon);
    i += 17;
  }
  return true;
}

std::array<std::uint8_t, 32> KxCheckerFamilyIcon(KxCheckerFamily family) {
  const char* name = family == KxCheckerFamily::kHunspell ? "hunspell"
                     : family == KxCheckerFamily::kAspell ? "aspell"
                     : family == KxCheckerFamily::kEnchant ? "enchant"
                                                           : nullptr;
  if (!name) return {};
  std::ifstream file(KxDataFolder() + "/checker_icons.txt", std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  std::vector<std::pair<std::string, std::array<std::uint8_t, 32>>> icons;
  if (!KxParseCheckerIcons(text.str(), icons)) return {};
  for (const auto& [n, icon] : icons)
    if (n == name) return icon;
  return {};
}
