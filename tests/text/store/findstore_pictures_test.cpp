// What the store's find does around inline pictures, with width folding
// over half-width kana and their voiced marks, and when the user stops it.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/exception.h"
#include "platform/script.h"
#include "text/base/posarray.h"
#include "text/find/find.h"
#include "text/find/regexp.h"
#include "text/runs/runs.h"
#include "text/store/findstore.h"
#include "text/store/strarray.h"

namespace {

using Matches = std::vector<std::pair<long, long>>;

const std::string kHa = "\xCA";         // ﾊ, the byte a picture stands on
const std::string kShi = "\xBC";        // ｼ
const std::string kMark = "\xDE";       // ﾞ
const std::string kJiWide = "\x83\x57"; // ジ
const std::string kHaWide = "\x83\x6E"; // ハ

// Decoration runs with a picture on each of the given offsets.
std::unique_ptr<CKXPosArray> PictureRuns(const std::vector<long>& at) {
  std::vector<SKXDeco> runs{SKXDeco{0, {}, 0}};
  for (long p : at) {
    SKXDeco picture{std::int32_t(p), {}, 0};
    picture.deco.pictID = 1;
    if (p == 0) runs.clear();
    runs.push_back(picture);
    runs.push_back(SKXDeco{std::int32_t(p + 1), {}, 0});
  }
  auto decos = std::make_unique<CKXPosArray>(sizeof(SKXDeco));
  decos->SetItems(runs.data(), long(runs.size()));
  return decos;
}

std::string Hex(const std::string& s) {
  static const char* const kDigits = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : s) out += std::string{kDigits[c >> 4], kDigits[c & 15], ' '};
  return out;
}

Matches FindAll(const std::string& text, const std::string& pattern, short options, CKXArrayL* decos) {
  CKXStrArray store;
  store.SetText(text.data(), long(text.size()));
  Matches out;
  const bool back = options & kKXFindBackward;
  for (long pos = back ? long(text.size()) : 0;;) {
    long found = -1;
    const std::int32_t r =
        KxStrFind(store, pos, pattern.data(), long(pattern.size()), found, options, kScriptJapanese, nullptr, decos);
    if (r <= 0) break;
    out.emplace_back(found, r);
    pos = back ? found : found + r;
  }
  return out;
}

TEST(FindStorePictures, APictureIsNoCharacter) {
  const std::string text = "a" + kHa + "b" + kHa + kMark + "c" + kHa + kHa;   // pictures at 1, 3 and 6
  const auto runs = PictureRuns({1, 3, 6});
  CKXArrayL* decos = runs.get();
  EXPECT_EQ((Matches{{7, 1}}), FindAll(text, kHa, 0, decos));
  EXPECT_EQ((Matches{{7, 1}}), FindAll(text, kHaWide, 4, decos));
  EXPECT_EQ((Matches{{7, 1}}), FindAll(text, kHa, 1, decos));
  EXPECT_EQ((Matches{{4, 1}, {7, 1}}), FindAll(text, "[\xB1-\xDD\xDE]", 16, decos));
  EXPECT_EQ(Matches{}, FindAll(text, "a.b", 16, decos));
  EXPECT_EQ((Matches{{2, 1}, {4, 2}}), FindAll(text, "[^" + kHa + "a]+", 16, decos));
  EXPECT_EQ(Matches{}, FindAll(text, "(" + kHa + ")\\1", 16, decos));
  // ﾊﾞ is バ under width folding, but the picture takes no mark.
  EXPECT_EQ(Matches{}, FindAll(text, "\x83\x6F", 4, decos));
  // Without the runs the same bytes are text.
  EXPECT_EQ((Matches{{1, 1}, {3, 1}, {6, 1}, {7, 1}}), FindAll(text, kHa, 0, nullptr));
  // Checking a selection that holds a picture.
  CKXStrArray store;
  store.SetText(text.data(), long(text.size()));
  EXPECT_EQ(0, KxStrCheckFind(store, 6, 8, (kHa + kHa).data(), 2, 0, kScriptJapanese, nullptr, decos));
  EXPECT_EQ(2, KxStrCheckFind(store, 6, 8, (kHa + kHa).data(), 2, 0, kScriptJapanese, nullptr, nullptr));
}

// A picture is found by no pattern that cannot take a byte no text holds:
// the search over the text with pictures finds what it finds with each
// picture's byte turned into such a byte.
TEST(FindStorePictures, RandomPatternsFindWhatAnUnmatchableByteLeaves) {
  std::mt19937 rng(17);
  const std::vector<std::string> atoms = {kHa, kShi, kMark, "a", kHaWide, kJiWide, "[\xB1-\xDD]", "[" + kHa + "a]",
                                          "(" + kHa + "|a)", "\\w", kShi + kMark};
  const std::vector<std::string> quantifiers = {"", "", "+", "*", "?"};
  const std::vector<std::string> pieces = {kHa, kHa, kHa, kShi, kMark, "a", "\r", kHaWide, kJiWide};
  for (int n = 0; n < 400 && !HasFailure(); ++n) {
    std::string pattern, plain;
    for (unsigned k = 1 + rng() % 3; k > 0; --k) {
      const std::string& atom = atoms[rng() % atoms.size()];
      pattern += atom + quantifiers[rng() % quantifiers.size()];
      if (atom.find_first_of("[(\\") == std::string::npos) plain += atom;
    }
    std::string text, stand;
    std::vector<long> pictures;
    for (unsigned k = rng() % 30; k > 0; --k) {
      const std::string piece = pieces[rng() % pieces.size()];
      if (piece == kHa && rng() % 2) {
        pictures.push_back(long(text.size()));
        stand += '\x01';
      } else {
        stand += piece;
      }
      text += piece;
    }
    const auto runs = PictureRuns(pictures);
    CKXArrayL* decos = runs.get();
    for (short options : {0, 1, 4, 12}) {
      EXPECT_EQ(FindAll(stand, pattern, short(options | kKXFindRegexp), nullptr),
                FindAll(text, pattern, short(options | kKXFindRegexp), decos))
          << "pattern " << Hex(pattern) << " options " << options << " text " << Hex(text);
      if (!plain.empty()) {
        EXPECT_EQ(FindAll(stand, plain, options, nullptr), FindAll(text, plain, options, decos)) << plain;
      }
    }
  }
}

// Width folding reads a half-width kana and its voiced mark as one
// character in the text; a regular expression reads its pattern so too, and
// finds what the plain find of the same characters finds.
TEST(FindStoreMarks, ExpressionsJoinMarksAsTheTextDoes) {
  const std::string roja = "\xDB\xB0" + kShi + kMark + "\xAC";   // ﾛｰｼﾞｬ
  EXPECT_EQ((Matches{{2, 2}}), FindAll(roja, kShi + kMark, 4 | kKXFindRegexp, nullptr));
  EXPECT_EQ((Matches{{2, 2}}), FindAll(roja, kShi + kMark, kKXFindRegexp, nullptr));
  EXPECT_EQ((Matches{{0, 2}}), FindAll(kJiWide, kShi + kMark, 4 | kKXFindRegexp, nullptr));
  EXPECT_EQ(Matches{}, FindAll(kJiWide, kShi + kMark, kKXFindRegexp, nullptr));
  EXPECT_EQ((Matches{{2, 3}}), FindAll(roja, "[\xBB\xDE-\xBF\xDE]\xAC", 4 | kKXFindRegexp, nullptr));
  EXPECT_EQ((Matches{{0, 4}}), FindAll(kShi + kMark + kJiWide, kShi + kMark + "+", 4 | kKXFindRegexp, nullptr));
  EXPECT_EQ((Matches{{2, 2}}), FindAll(roja, "\\" + kShi + kMark, 4 | kKXFindRegexp, nullptr));

  std::mt19937 rng(23);
  const std::vector<std::string> pieces = {kShi, kMark, "\xDF", kHa, "a", "A", kJiWide, kHaWide, "\x83\x70"};
  for (int n = 0; n < 2000 && !HasFailure(); ++n) {
    std::string pattern, text;
    // A mark that begins a pattern is no character of its own where it
    // follows a kana that it joins; the plain find looks for it there too.
    for (unsigned k = 1 + rng() % 3; k > 0; --k) pattern += pieces[rng() % pieces.size()];
    if (pattern[0] == kMark[0] || pattern[0] == '\xDF') continue;
    for (unsigned k = rng() % 20; k > 0; --k) text += pieces[rng() % pieces.size()];
    const short options = short(rng() % 16) & ~kKXFindBackward;
    EXPECT_EQ(FindAll(text, pattern, options, nullptr), FindAll(text, pattern, short(options | kKXFindRegexp), nullptr))
        << "options " << options << " pattern " << Hex(pattern) << " text " << Hex(text);
  }
}

int gAsked = 0;
bool StopAtTheThirdQuestion() { return ++gAsked >= 3; }

TEST(FindStoreCancel, TheUserStopsALongSearch) {
  std::string text;
  for (int k = 0; k < 400; ++k) text += std::string(200, 'a') + "\r";
  CKXStrArray store;
  store.SetText(text.data(), long(text.size()));
  long found = -1;
  struct Check {
    KxFindCancelCheck was = KxSetFindCancelCheck(&StopAtTheThirdQuestion);
    ~Check() { KxSetFindCancelCheck(was); }
  };
  // Candidates everywhere: an expression that no automaton rules out, and
  // a folded pattern that no byte search skips.
  for (const std::string& pattern : {std::string("(a)\\1?b"), std::string("ab")}) {
    const short options = pattern == "ab" ? kKXFindIgnoreCase : kKXFindRegexp;
    gAsked = 0;
    {
      Check check;
      try {
        KxStrFind(store, 0, pattern.data(), long(pattern.size()), found, options, kScriptJapanese, nullptr);
        ADD_FAILURE() << pattern << ": not stopped";
      } catch (const LException& e) {
        EXPECT_EQ(kKXFindCancelled, e.GetErrorCode());
      }
      EXPECT_EQ(3, gAsked);
    }
    // Without the check the same search ends, finding nothing.
    EXPECT_EQ(0, KxStrFind(store, 0, pattern.data(), long(pattern.size()), found, options, kScriptJapanese, nullptr));
  }
}

}  // namespace
