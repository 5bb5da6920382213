// The multi-file search: which files, rows and offsets against the text the
// editor opens, rows that never pass their size, long matches, the raw-byte
// look before decoding (and that it never passes over a file the full
// search finds), stopping, what Copy puts, big files' encoding, names that
// are no UTF-8 and expressions that can find nothing.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "common/test_main.h"
#include "document/doc_file.h"
#include "platform/framework/framework_classes.h"
#include "platform/host/headless.h"
#include "platform/script.h"
#include "platform/textconv.h"
#include "platform/toolbox/pict.h"
#include "text/base/memory.h"
#include "text/codes/jcode.h"
#include "text/find/find.h"
#include "text/runs/runs.h"
#include "tools/file_search.h"
#include "tools/file_text.h"
#include "tools/sed_textfile.h"
#include "views/view_classes.h"

namespace fs = std::filesystem;

namespace {

const std::string kNihon = "\x93\xFA\x96\x7B";   // 日本 in Shift_JIS

std::string TempDir(const std::string& name) {
  const std::string dir = (fs::temp_directory_path() / (name + "_" + std::to_string(getpid()))).string();
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}
void Write(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::vector<SKXSearchRow> Search(const std::string& folder, SKXSearchQuery query, long* decoded = nullptr) {
  std::vector<SKXSearchRow> rows;
  CKXFileSearcher s(query, nullptr, [&](SKXSearchRow&& r) {
    rows.push_back(std::move(r));
    return true;
  });
  EXPECT_TRUE(s.Run(folder));
  if (decoded) *decoded = s.FilesDecoded();
  return rows;
}

// The offset of the first `pattern` in the text a document of the file holds.
long DocumentOffset(const std::string& path, const std::string& pattern) {
  SKXSedText text;
  SKXSedFormat format;
  std::string message;
  EXPECT_EQ(KxSedReadFile(path, -1, text, format, message), 0) << path << ": " << message;
  const long size = text.text->GetTextSize();
  std::string bytes(std::size_t(size), '\0');
  text.text->CopyBytes(0, size, bytes.data(), size);
  const std::size_t at = bytes.find(pattern);
  return at == std::string::npos ? -1 : long(at);
}

bool EndsOnCharacter(const std::string& s) {
  std::size_t k = 0;
  while (k < s.size()) k += (k + 1 < s.size() && CharacterByteType(s.data(), std::int32_t(k), 1) < 0) ? 2 : 1;
  return k == s.size() && !(s.size() == 1 && CharacterByteType(s.data(), 0, 1) < 0);
}

}  // namespace

TEST(FileSearch, RowsAndOffsetsOfTheOpenedText) {
  const std::string d = TempDir("kx_fsearch");
  fs::create_directories(d + "/sub/deep");
  fs::create_directories(d + "/.dot");
  Write(d + "/u.txt", "abc\n\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\n");            // UTF-8
  Write(d + "/sub/e.txt", "x\r\n\xC6\xFC\xCB\xDC\r\n");                             // EUC-JP, CR LF
  Write(d + "/sub/deep/s.txt", "1\r\n2\r\n" + kNihon + "\r\n");                    // Shift_JIS, CR LF
  Write(d + "/r.rtf", "{\\rtf1 see \\u26085?\\u26412?}");                          // only through escapes
  Write(d + "/.dot/h.txt", kNihon);
  Write(d + "/plain.dat", kNihon);                                                // no text type
  std::string longName;
  for (int i = 0; i < 83; ++i) longName += "\xE6\xBC\xA2";
  longName += "ab.txt";
  Write(d + "/sub/" + longName, kNihon);
  mkfifo((d + "/sub/pipe.txt").c_str(), 0600);
  fs::create_directory_symlink("..", d + "/sub/up");
  const auto rows = Search(d, SKXSearchQuery{kNihon, 0, true, false});
  std::vector<std::string> paths;
  for (const SKXSearchRow& r : rows) paths.push_back(r.path.substr(d.size()));
  EXPECT_EQ(paths, (std::vector<std::string>{"/r.rtf", "/u.txt", "/sub/e.txt", "/sub/" + longName,
                                             "/sub/deep/s.txt"}));
  for (const SKXSearchRow& r : rows) {
    EXPECT_EQ(r.offset, DocumentOffset(r.path, kNihon)) << r.path;
    EXPECT_EQ(r.length, 4);
    EXPECT_LE(r.cell.size(), kKxSearchRowMax);
  }
  // The place before the name: nothing, the folder, "...: " and the folder.
  EXPECT_EQ(rows[1].cell, std::string("\x05u.txt  ") + '\0' + "\x93\xFA\x96\x7B\x8C\xEA");
  EXPECT_EQ(rows[2].cell.substr(0, 12), "\x05sub: e.txt ");
  EXPECT_EQ(rows[4].cell.substr(0, 19), "\x05...: deep: s.txt  ");
  // Folder only; every match, one row per line.
  EXPECT_EQ(Search(d, SKXSearchQuery{kNihon, 0, false, false}).size(), 2u);
  Write(d + "/two.txt", kNihon + kNihon + "\n" + kNihon + "\n");
  EXPECT_EQ(Search(d, SKXSearchQuery{kNihon, 0, false, true}).size(), 4u);
  fs::remove_all(d);
}

TEST(FileSearch, PlainPatternLooksAtTheBytesFirst) {
  const std::string d = TempDir("kx_fsearch_raw");
  for (int i = 0; i < 5; ++i) Write(d + "/n" + std::to_string(i) + ".txt", "nothing here\n");
  Write(d + "/jis.txt", "\x1B$BF|K\\\x1B(B\n");   // 日本 in JIS
  Write(d + "/le.txt", std::string("\xFF\xFE\xE5\x65\x2C\x67", 6));   // 日本 in UTF-16LE
  long decoded = 0;
  const auto rows = Search(d, SKXSearchQuery{kNihon, 0, true, false}, &decoded);
  EXPECT_EQ(rows.size(), 2u);
  EXPECT_EQ(decoded, 2);   // the five without it are never decoded
  // With case folding every file is decoded.
  Search(d, SKXSearchQuery{kNihon, kKXFindIgnoreCase, true, false}, &decoded);
  EXPECT_EQ(decoded, 7);
  fs::remove_all(d);
}

TEST(FileSearch, LongMatchesAndMaximalRows) {
  const std::string d = TempDir("kx_fsearch_long");
  Write(d + "/log.txt", "start " + std::string(40000, 'x') + " end\nnext\n");
  const auto rows = Search(d, SKXSearchQuery{"start.*end", kKXFindRegexp, true, false});
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].offset, 0);
  EXPECT_EQ(rows[0].length, 40010);   // 32 bits: no wrap
  EXPECT_LE(rows[0].cell.size(), kKxSearchRowMax);
  // Names and lines of any length: the row stays within its size and never
  // ends inside a double-byte character.
  std::string name, line;
  for (int i = 0; i < 200; ++i) name += kNihon;
  for (std::size_t extra : {0u, 1u}) {
    const std::string row = CKXFileSearcher::RowText(5, "a" + name, std::string(extra, 'b') + name,
                                                     std::string(extra, 'c') + name + name);
    EXPECT_LE(row.size(), kKxSearchRowMax);
    const std::size_t nul = row.find('\0');
    ASSERT_NE(nul, std::string::npos);
    EXPECT_TRUE(EndsOnCharacter(row.substr(nul + 1)));
    EXPECT_TRUE(EndsOnCharacter(row.substr(6, row.find(": ", 6) - 6)));
  }
  fs::remove_all(d);
}

TEST(FileSearch, StopsWithTheRowsFound) {
  const std::string d = TempDir("kx_fsearch_stop");
  for (int i = 0; i < 5; ++i) Write(d + "/f" + std::to_string(i) + ".txt", kNihon);
  std::vector<SKXSearchRow> rows;
  // The user's stop arrives after the first row.
  CKXFileSearcher s(SKXSearchQuery{kNihon, 0, true, false}, [&] { return !rows.empty(); },
                    [&](SKXSearchRow&& r) {
                      rows.push_back(std::move(r));
                      return true;
                    });
  EXPECT_TRUE(s.Run(d));
  EXPECT_TRUE(s.Stopped());
  EXPECT_EQ(rows.size(), 1u);
  // Escape in the window: the search ends at once, the window stays.
  KxHeadlessHost host(false);
  KxSetHost(&host);
  KxRegisterFrameworkClasses();
  KxRegisterViewClasses();
  KxRegisterToolClasses();
  auto* window = dynamic_cast<CKXTextFileSearch*>(LWindow::CreateWindow(kKxFileSearchLayout, nullptr));
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(window->GoToFolder(d));
  dynamic_cast<LEditField*>(window->FindPaneByID(3205))->SetText(kNihon);
  window->DoFileSearch();
  EXPECT_EQ(window->GetRows().size(), 5u);
  host.PostKey(0x1B, 0x35);
  window->DoFileSearch();
  EXPECT_LT(window->GetRows().size(), 5u);
  window->DoClose();
  KxSetHost(nullptr);
  fs::remove_all(d);
  // Copy: without the icon, the note after a tab, a row a line.
  EXPECT_EQ(KXFileResult::CopyText({std::string("\x05" "a.txt  ") + '\0' + "line", "\x05" "b.txt"}),
            "a.txt  \tline\rb.txt\r");
}

// A file bigger than a piece is searched piece by piece, each cut after a
// line end (or on a character) and decoded alone; the offsets are those of
// the whole text, and a piece without any line end still moves on.
TEST(FileSearch, BigFilesInPieces) {
  const std::string d = TempDir("kx_fsearch_pieces");
  std::string utf8, sjisText;
  for (int i = 0; i < 300; ++i) {
    utf8 += "line " + std::to_string(i) + " \xE3\x81\x82\xE3\x81\x84\r\n";   // あい
    if (i % 97 == 5) utf8 += "\xE6\x97\xA5\xE6\x9C\xAC here\r\n";
  }
  utf8 += std::string(3000, 'z') + "\xE6\x97\xA5\xE6\x9C\xAC" + std::string(3000, 'y');   // one long line
  Write(d + "/big.txt", utf8);
  for (short options : {short(0), kKXFindRegexp}) {
    SKXSearchQuery whole{kNihon, options, true, true};
    SKXSearchQuery pieces = whole;
    pieces.wholeMax = 1000;
    const auto a = Search(d, whole), b = Search(d, pieces);
    ASSERT_EQ(a.size(), 5u);
    ASSERT_EQ(b.size(), a.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
      EXPECT_EQ(b[i].offset, a[i].offset) << i;
      EXPECT_EQ(b[i].length, a[i].length);
    }
    EXPECT_EQ(a[0].offset, DocumentOffset(d + "/big.txt", kNihon));
    // First match only: the first piece with one ends the file.
    pieces.allMatches = false;
    const auto first = Search(d, pieces);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].offset, a[0].offset);
  }
  fs::remove_all(d);
}

namespace {

std::string UTF16Of(const std::u16string& text, bool little) {
  std::string out = little ? "\xFF\xFE" : "\xFE\xFF";
  for (char16_t u : text) {
    out += char(little ? u & 0xFF : u >> 8);
    out += char(little ? u >> 8 : u & 0xFF);
  }
  return out;
}

std::string SJISOf(const std::string& utf8) {
  std::string sjis;
  EXPECT_TRUE(KxDecodePlainTextAs(kKxCodeUTF8, reinterpret_cast<const std::uint8_t*>(utf8.data()), utf8.size(), sjis));
  return sjis;
}

using Hits = std::vector<std::tuple<std::string, std::int64_t, std::int32_t>>;
Hits HitsOf(const std::vector<SKXSearchRow>& rows) {
  Hits hits;
  for (const SKXSearchRow& r : rows) hits.emplace_back(r.path, r.offset, r.length);
  return hits;
}

}  // namespace

// The look at a file's bytes before it is decoded is only a shortcut: over
// random texts in every encoding (with the characters Unicode spells more
// than one way, combining marks, compatibility characters, characters
// Shift_JIS has no code for, and bytes that are no text at all), the search
// with it finds exactly what the search that decodes every file finds.
TEST(FileSearch, LookBeforeDecodingAgreesWithTheFullSearch) {
  const std::u16string pool[] = {
      u"a", u"K", u";", u"`", u" ", u"=", u"e", u"A", u"\u65E5", u"\u672C", u"\u6B04", u"\uF91D",
      u"\u304B", u"\u304C", u"\u3099", u"\u309A", u"\u306F", u"\u3071", u"\u30A2", u"\uFF71", u"\u301C", u"\uFF5E",
      u"\u2212", u"\uFF0D", u"\u2016", u"\u2225", u"\u00A2", u"\uFFE0", u"\u00A3", u"\uFFE1", u"\u00AC", u"\uFFE2",
      u"\u2014", u"\u2015", u"\u212A", u"\u2126", u"\u03A9", u"\u037E", u"\u2329", u"\u3008", u"\u0415", u"\u0308",
      u"\u0401", u"\u0338", u"\u2260", u"\u0301", u"\u00E9", u"\U0001F600", u"\u25EF", u"\U0001F100", u"\u7E8A",
      u"\n", u"\r\n", u"\uFEFF", u"\u00A0", u"\u00C5", u"\u212B", u"\u030A", u"\u00A5", u"\\"};
  const std::uint8_t junk[] = {0x80, 0x81, 0x8E, 0x8F, 0xA0, 0xA4, 0xC6, 0xE3, 0xFC, 0xFD, 0xFF,
                               0x1B, '$', 'B', '(', 'a', '\n', 0x82, 0xA0, 0xB1};
  const unsigned seed = 20240611;
  std::mt19937 rng(seed);
  auto pick = [&](std::size_t n) { return std::size_t(rng() % n); };
  const std::string d = TempDir("kx_fsearch_look");
  int compared = 0, found = 0;
  for (int round = 0; round < 40; ++round) {
    fs::remove_all(d);
    fs::create_directories(d);
    std::vector<std::string> decoded;
    for (int f = 0; f < 16; ++f) {
      std::u16string text;
      for (std::size_t n = 1 + pick(24); n > 0; --n) text += pool[pick(std::size(pool))];
      const std::string utf8 = KxUTF16ToUTF8(text);
      std::string bytes;
      CKXJCode conv;
      switch (pick(7)) {
        case 0: bytes = utf8; break;
        case 1: bytes = UTF16Of(text, true); break;
        case 2: bytes = UTF16Of(text, false); break;
        case 3: bytes = SJISOf(utf8); break;
        case 4: {
          const std::string sjis = SJISOf(utf8);
          conv.SJIStoEUC(reinterpret_cast<const unsigned char*>(sjis.data()), long(sjis.size()));
          bytes.assign(reinterpret_cast<const char*>(conv.GetTextPtr()), std::size_t(conv.GetTextSize()));
          break;
        }
        case 5: {
          const std::string sjis = SJISOf(utf8);
          conv.SJIStoJIS(reinterpret_cast<const unsigned char*>(sjis.data()), long(sjis.size()));
          bytes.assign(reinterpret_cast<const char*>(conv.GetTextPtr()), std::size_t(conv.GetTextSize()));
          break;
        }
        default:
          for (std::size_t n = 1 + pick(30); n > 0; --n) bytes += char(junk[pick(std::size(junk))]);
      }
      Write(d + "/f" + std::to_string(f) + ".txt", bytes);
      std::string sjis;
      KxDecodePlainText(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), sjis);
      decoded.push_back(sjis);
    }
    for (int k = 0; k < 6; ++k) {
      // A few characters of one file's text as opened, or of the pool.
      std::string pattern;
      if (k % 3 != 2) {
        const std::string& text = decoded[pick(decoded.size())];
        if (text.empty()) continue;
        const std::size_t from = KxSJISBoundary(text, 0, pick(text.size()));
        const std::size_t to = KxSJISBoundary(text, from, from + 1 + pick(6));
        pattern = text.substr(from, to - from);
      } else {
        pattern = SJISOf(KxUTF16ToUTF8(pool[pick(std::size(pool))] + pool[pick(std::size(pool))]));
      }
      if (pattern.empty() || pattern.find_first_of("\r\n") != std::string::npos) continue;
      SKXSearchQuery query{pattern, 0, true, true};
      const Hits quick = HitsOf(Search(d, query));
      query.precheck = false;
      const Hits full = HitsOf(Search(d, query));
      EXPECT_EQ(quick, full) << "seed " << seed << " round " << round << " pattern " << KxScriptTextToUTF8(pattern);
      ++compared;
      found += full.empty() ? 0 : 1;
    }
  }
  EXPECT_GT(compared, 150);
  EXPECT_GT(found, 100);   // most patterns are found somewhere: the comparison means something
  fs::remove_all(d);
}

// The same over real texts in every Japanese encoding (with their dashes,
// wave dashes and minus signs as each encoding spells them).
TEST(FileSearch, LookBeforeDecodingAgreesOverRealTexts) {
  std::vector<std::string> folders, texts;
  for (const char* sub : {"/realdata/encodings/native", "/realdata/encodings/utf8-sources"}) {
    const std::string dir = KxSharedDir() + sub;
    if (!fs::is_directory(dir)) continue;
    folders.push_back(dir);
    for (const auto& entry : fs::directory_iterator(dir)) {
      std::ifstream in(entry.path(), std::ios::binary);
      const std::string bytes((std::istreambuf_iterator<char>(in)), {});
      std::string sjis;
      KxDecodePlainText(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), sjis);
      texts.push_back(sjis);
    }
  }
  if (texts.empty()) GTEST_SKIP() << "no real texts";
  std::mt19937 rng(7);
  std::vector<std::string> patterns{"\x81\x5C", "\x81\x60", "\x81\x7C", "\x81\x61"};   // ―, ～, －, ∥
  while (patterns.size() < 16) {
    const std::string& text = texts[rng() % texts.size()];
    if (text.empty()) continue;
    const std::size_t from = KxSJISBoundary(text, 0, rng() % text.size());
    const std::string p = text.substr(from, KxSJISBoundary(text, from, from + 2 + rng() % 5) - from);
    if (!p.empty() && p.find_first_of("\r\n") == std::string::npos) patterns.push_back(p);
  }
  for (const std::string& folder : folders)
    for (const std::string& pattern : patterns) {
      SKXSearchQuery query{pattern, 0, true, false};
      const Hits quick = HitsOf(Search(folder, query));
      query.precheck = false;
      EXPECT_EQ(quick, HitsOf(Search(folder, query))) << folder << " " << KxScriptTextToUTF8(pattern);
    }
}

// A file bigger than a piece takes the encoding the whole file has, as
// opening finds it: its first piece may end inside a character, or hold
// only ASCII with the UTF-8 text further on.
TEST(FileSearch, BigFilesTakeTheEncodingOfTheWholeFile) {
  const std::string d = TempDir("kx_fsearch_code");
  const std::string mark = "\xE7\x9B\xAE\xE5\x8D\xB0";   // 目印 in UTF-8
  const std::string sjisMark = "\x96\xDA\x88\xF3";
  std::string line;
  for (int i = 0; i < 99; ++i) line += "\xE3\x81\x82";   // あ
  line += "\n";
  std::string cut, later;
  for (int i = 0; i < 20; ++i) cut += line;
  Write(d + "/cut.txt", cut + mark + "\n");
  for (int i = 0; i < 40; ++i) later += std::string(99, 'a') + "\n";
  Write(d + "/later.txt", later + line + mark + "\n");
  SKXSearchQuery query{sjisMark, 0, true, true};
  query.wholeMax = 1000;   // 1000 bytes of あ lines end inside one
  for (short options : {short(0), kKXFindRegexp}) {
    query.options = options;
    const auto rows = Search(d, query);
    ASSERT_EQ(rows.size(), 2u) << options;
    for (const SKXSearchRow& r : rows) EXPECT_EQ(r.offset, DocumentOffset(r.path, sjisMark)) << r.path;
  }
  fs::remove_all(d);
}

// A regular expression with nothing in it that takes a character finds
// nothing anywhere: the search says so instead of listing no rows.
TEST(FileSearch, ExpressionsThatCanFindNothing) {
  const std::string d = TempDir("kx_fsearch_empty");
  Write(d + "/p.txt", "x (y) z\n");
  for (const char* pattern : {"(", "()", "^$", "^", "(|)"}) {
    CKXFileSearcher s(SKXSearchQuery{pattern, kKXFindRegexp, true, true}, nullptr, [](SKXSearchRow&&) { return true; });
    EXPECT_FALSE(s.Run(d)) << pattern;
  }
  for (const char* pattern : {"(y", "y)", "\\(", "z*", "[xy]"})
    EXPECT_EQ(Search(d, SKXSearchQuery{pattern, kKXFindRegexp, true, true}).size(), 1u) << pattern;
  fs::remove_all(d);
}

// A file whose name is no UTF-8 (or holds characters Shift_JIS has no code
// for) shows a readable name in its row and opens by its real path.
TEST(FileSearch, NamesThatAreNoUTF8) {
  const std::string d = TempDir("kx_fsearch_names");
  const std::string bad = "a\xFF" "b.txt", cafe = "caf\xC3\xA9.txt";
  Write(d + "/" + bad, kNihon);
  Write(d + "/" + cafe, kNihon);
  const auto rows = Search(d, SKXSearchQuery{kNihon, 0, true, false});
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].path, d + "/" + bad);
  EXPECT_EQ(rows[0].cell.substr(0, 9), "\x05" "a\x81\xAC" "b.txt");
  EXPECT_EQ(rows[1].path, d + "/" + cafe);
  EXPECT_EQ(rows[1].cell.substr(0, 10), "\x05" "caf\x81\xAC.txt");
  fs::remove_all(d);
}

// The user's stop reaches into the text being searched, however long it
// takes, and ends the whole walk with the rows found so far (the check says
// stop once, as a key taken from the queue does). The check the steps ask
// is put back afterwards.
TEST(FileSearch, AStopInsideOneTextEndsTheWalk) {
  const std::string d = TempDir("kx_fsearch_stop_long");
  Write(d + "/a1.txt", std::string(300000, 'a') + "ab\n");
  Write(d + "/a2.txt", "ab\n");
  std::vector<SKXSearchRow> rows;
  int asked = 0;
  const auto row = [&](SKXSearchRow&& r) {
    rows.push_back(std::move(r));
    return true;
  };
  static bool (*const never)() = [] { return false; };
  KxSetFindCancelCheck(never);
  CKXFileSearcher s(SKXSearchQuery{"AB", kKXFindIgnoreCase, true, false}, [&] { return ++asked == 2; }, row);
  EXPECT_TRUE(s.Run(d));
  EXPECT_TRUE(s.Stopped());
  EXPECT_FALSE(s.TooComplex());
  EXPECT_TRUE(rows.empty()) << rows.size();
  EXPECT_EQ(KxSetFindCancelCheck(nullptr), never);
  // Asked only between files, the search finds both.
  EXPECT_EQ(Search(d, SKXSearchQuery{"AB", kKXFindIgnoreCase, true, false}).size(), 2u);
  fs::remove_all(d);
}

// An expression that takes long over each file has one allowance of steps
// for the whole search (and what each file's bytes earn), not one per file:
// the search stops, says why and keeps the rows found before.
TEST(FileSearch, OneAllowanceOfStepsForTheWholeSearch) {
  const std::string d = TempDir("kx_fsearch_steps");
  const std::string line = std::string(18, 'a') + "-\n";   // half a million steps to find
  Write(d + "/f0.txt", line);
  std::vector<SKXSearchRow> rows;
  const SKXSearchQuery query{"(a*)*c|a+-", kKXFindRegexp, true, false};
  const auto run = [&](CKXFileSearcher& s) {
    rows.clear();
    EXPECT_TRUE(s.Run(d));
  };
  const auto take = [&](SKXSearchRow&& r) {
    rows.push_back(std::move(r));
    return true;
  };
  CKXFileSearcher one(query, nullptr, take);
  run(one);
  EXPECT_EQ(rows.size(), 1u);
  EXPECT_FALSE(one.TooComplex());
  for (int i = 1; i < 8; ++i) Write(d + "/f" + std::to_string(i) + ".txt", line);
  CKXFileSearcher eight(query, nullptr, take);
  run(eight);
  EXPECT_TRUE(eight.TooComplex());
  EXPECT_TRUE(eight.Stopped());
  EXPECT_GE(rows.size(), 1u);
  EXPECT_LT(rows.size(), 8u);
  // The next search has its own allowance: it gets as far again.
  const std::size_t found = rows.size();
  run(eight);
  EXPECT_EQ(rows.size(), found);
  fs::remove_all(d);
}

// A document of ours is searched in the text it opens as, with its runs:
// an inline picture (the byte of ﾊ) is matched by no pattern, in either
// layout.
TEST(FileSearch, PicturesInDocumentsMatchNothing) {
  const std::string d = TempDir("kx_fsearch_pictures");
  const auto picture = [] {
    std::vector<std::uint32_t> px(6, 0xFF0000u);
    const std::vector<std::uint8_t> pict = KxPictFromPixels(2, 3, px.data());
    PicHandle h = KxMemHAlloc(long(pict.size()), true);
    std::memcpy(*h, pict.data(), pict.size());
    return CKXDecoArray::SetPicture(h);
  };
  // Pictures at 1 and 6; the ﾊ at 3 is a character.
  const std::string text = "a\xCA" "b\xCA" "c\r\xCA";
  const std::vector<std::pair<EKXLayout, std::string>> files{{EKXLayout::kClassic, "p.txt"},
                                                            {EKXLayout::kContainer, "q.KXT"}};
  for (const auto& [layout, name] : files) {
    SKXDocument doc;
    std::vector<SKXDeco> runs{{0, {}, 0}, {1, {}, 0}, {2, {}, 0}, {6, {}, 0}};
    runs[1].deco.pictID = picture();
    runs[3].deco.pictID = picture();
    doc.text->InsertText(0, text.data(), long(text.size()), nullptr, 0, runs.data(), long(runs.size()), nullptr, 0,
                         nullptr, 0);
    std::string message;
    ASSERT_EQ(KxWriteDocument(d + "/" + name, doc, layout, message), 0) << message;
  }
  const std::string kHa = "\xCA", kHaWide = "\x83\x6E";   // ﾊ, ハ
  for (const auto& [pattern, options] : std::vector<std::pair<std::string, short>>{
           {kHa, 0}, {kHaWide, kKXFindIgnoreWidth}, {"[\xB1-\xDD]", kKXFindRegexp}, {kHa + "c", 0}}) {
    const auto rows = Search(d, SKXSearchQuery{pattern, options, true, true});
    ASSERT_EQ(rows.size(), 2u) << pattern;
    for (const SKXSearchRow& r : rows) {
      EXPECT_EQ(r.offset, 3) << r.path << " " << pattern;
      EXPECT_EQ(r.offset, DocumentOffset(r.path, "\xCA" "c"));
    }
  }
  EXPECT_TRUE(Search(d, SKXSearchQuery{"a.b", kKXFindRegexp, true, true}).empty());
  fs::remove_all(d);
}
