// The multi-file search: which files, rows and offsets against the text the
// editor opens, rows that never pass their size, long matches, the raw-byte
// look before decoding, stopping, and what Copy puts.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/framework/framework_classes.h"
#include "platform/host/headless.h"
#include "platform/script.h"
#include "text/find/find.h"
#include "tools/file_search.h"
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
