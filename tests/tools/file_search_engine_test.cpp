// The multi-file search of files bigger than a piece: a match across a cut
// between pieces is found whole and once, at the offset of the opened text,
// and each line still gives one row, as when the file is searched whole.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "platform/textconv.h"
#include "text/codes/jcode.h"
#include "text/find/find.h"
#include "tools/file_search_engine.h"
#include "tools/file_text.h"
#include "tool_test_files.h"

namespace fs = std::filesystem;

namespace {

using tooltest::TempDir;
const auto& Write = tooltest::WriteBytes;

using Hits = std::vector<std::tuple<std::string, std::int64_t, std::int32_t>>;
Hits Search(const std::string& folder, const SKXSearchQuery& query) {
  Hits hits;
  CKXFileSearcher s(query, nullptr, [&](SKXSearchRow&& r) {
    hits.emplace_back(r.path, r.offset, r.length);
    return true;
  });
  EXPECT_TRUE(s.Run(folder));
  return hits;
}

std::string SJISOf(const std::string& utf8) {
  std::string sjis;
  EXPECT_TRUE(KxDecodePlainTextAs(kKxCodeUTF8, reinterpret_cast<const std::uint8_t*>(utf8.data()), utf8.size(), sjis));
  return sjis;
}

std::string UTF16LE(const std::u16string& text) {
  std::string out = "\xFF\xFE";
  for (char16_t u : text) out += {char(u & 0xFF), char(u >> 8)};
  return out;
}

}  // namespace

// The cut of a line without line ends, and a find string holding a line
// end, each met at every place around the cut.
TEST(FileSearchPieces, MatchesAcrossACut) {
  const std::string d = TempDir("kx_fsearch_cut");
  constexpr std::size_t kPiece = 640;
  for (std::size_t at = kPiece - 8; at <= kPiece + 2; ++at) {
    std::string flat(2 * kPiece, 'x');
    flat.replace(at, 6, "NEEDLE");
    Write(d + "/flat.txt", flat);
    std::string lines;
    while (lines.size() < at) lines += "line\r\n";
    lines.resize(at);
    lines += "abc\r\ndef\r\n" + std::string(kPiece, 'y');
    Write(d + "/lines.txt", lines);
    const std::string multi = "abc\rdef";   // the text as opened has CR line ends
    for (const auto& [pattern, options, path] :
         {std::tuple<std::string, short, std::string>{"NEEDLE", 0, "/flat.txt"},
          {"needle", kKXFindIgnoreCase, "/flat.txt"},
          {"NE+DLE", kKXFindRegexp, "/flat.txt"},
          {multi, 0, "/lines.txt"}}) {
      SKXSearchQuery query{pattern, options, true, true};
      query.wholeMax = kPiece;
      const Hits whole = Search(d, SKXSearchQuery{pattern, options, true, true});
      const Hits pieces = Search(d, query);
      ASSERT_EQ(whole.size(), 1u) << pattern << " at " << at;
      EXPECT_EQ(std::get<0>(whole[0]), d + path);
      EXPECT_EQ(pieces, whole) << pattern << " at " << at;
    }
  }
  fs::remove_all(d);
}

// Random texts in UTF-8, Shift_JIS and UTF-16 cut into random pieces: the
// rows (first match or every line's) are those of the whole file, for plain
// and folded find strings (some holding line ends) and expressions.
TEST(FileSearchPieces, PiecesAgreeWithTheWholeFile) {
  const char* pool[] = {"a", "N", "E", "E", "D", "L", " ", "\n", "\r\n", "\r", "\xE3\x81\x82", "\xE6\x97\xA5",
                        "\xEF\xBD\xB6", "\xEF\xBE\x9E", "A", "n"};   // あ 日 ｶ ﾞ
  const char* expressions[] = {"NE+D", "N[^L]{0,3}L", "^a", "L$", "E\\r", "\x82\xA0.\x93\xFA", "\x83\x4B"};
  const unsigned seed = 20240612;
  std::mt19937 rng(seed);
  auto pick = [&](std::size_t n) { return std::size_t(rng() % n); };
  const std::string d = TempDir("kx_fsearch_pieces_model");
  int compared = 0, found = 0;
  for (int round = 0; round < 60; ++round) {
    fs::remove_all(d);
    fs::create_directories(d);
    // A start that tells the encoding from the first piece on.
    std::string utf8 = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE6\x96\x87";   // 日本語の文
    // Some texts have long lines: a cut must fall inside them.
    const std::size_t lineOdds = round % 3 == 0 ? 40 : 1;
    for (std::size_t n = 100 + pick(500); n > 0; --n) {
      const char* token = pool[pick(std::size(pool))];
      if (token[0] == '\n' || token[0] == '\r') {
        if (pick(lineOdds) != 0) continue;
      }
      utf8 += token;
    }
    std::u16string u16;
    for (std::size_t i = 0; i < utf8.size();) {
      char16_t units[4];
      const long len = std::max(1L, CKXJCode::IsUTF8Char(reinterpret_cast<const std::uint8_t*>(utf8.data()) + i,
                                                         long(utf8.size() - i)));
      const long count = CKXJCode::UTF8toUnits(reinterpret_cast<const std::uint8_t*>(utf8.data()) + i, len, units);
      u16.append(units, std::size_t(count));
      i += std::size_t(len);
    }
    const std::string bytes[] = {utf8, SJISOf(utf8), UTF16LE(u16)};
    const std::size_t which = pick(3);
    Write(d + "/t.txt", bytes[which]);
    const std::string text = SJISOf(utf8);   // as opened, for the find strings
    for (int k = 0; k < 8; ++k) {
      std::string pattern;
      short options = 0;
      if (k < 5) {
        const std::size_t from = pick(text.size());
        pattern = text.substr(from, 1 + pick(k == 4 ? 24 : 6));
        options = std::array<short, 3>{0, kKXFindIgnoreCase, kKXFindIgnoreWidth}[pick(3)];
      } else {
        pattern = expressions[pick(std::size(expressions))];
        options = kKXFindRegexp;
      }
      const bool all = pick(4) != 0;
      const Hits whole = Search(d, SKXSearchQuery{pattern, options, true, all});
      SKXSearchQuery query{pattern, options, true, all};
      query.wholeMax = 64 + pick(160);
      const Hits pieces = Search(d, query);
      EXPECT_EQ(pieces, whole) << "seed " << seed << " round " << round << " encoding " << which << " piece "
                               << query.wholeMax << " pattern " << KxScriptTextToUTF8(pattern);
      ++compared;
      found += whole.empty() ? 0 : 1;
    }
  }
  EXPECT_GT(compared, 400);
  EXPECT_GT(found, 250);   // most find strings are in the text: the comparison means something
  fs::remove_all(d);
}

// A cut between a CR and its LF, or inside a surrogate pair, would make two
// line ends of one, or two characters of one: the offsets after it would
// move.
TEST(FileSearchPieces, CutsKeepLineEndsAndPairsWhole) {
  const std::string d = TempDir("kx_fsearch_pairs");
  constexpr std::size_t kPiece = 64;
  std::string crlf(kPiece - 1, 'x');
  crlf += "\r\nNEEDLE\r\n";
  Write(d + "/crlf.txt", crlf);
  std::u16string u16(kPiece / 2 - 2, u'x');
  u16 += u"\U0001F600NEEDLE";   // the pair's high half ends the first piece
  Write(d + "/pair.txt", UTF16LE(u16));
  SKXSearchQuery query{"NEEDLE", 0, true, true};
  const Hits whole = Search(d, query);
  query.wholeMax = kPiece;
  ASSERT_EQ(whole.size(), 2u);
  EXPECT_EQ(Search(d, query), whole);
  fs::remove_all(d);
}
