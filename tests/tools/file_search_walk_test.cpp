// The multi-file search against the opened text and the whole tree: offsets
// past a byte-order mark (also in pieces), invisible files but not
// invisible folders, folders of any depth; and a name
// edited in the information dialog keeping what its field could not show.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/appledouble.h"
#include "platform/files.h"
#include "text/store/text.h"
#include "tools/file_search.h"
#include "tools/file_search_engine.h"
#include "tools/file_text.h"
#include "tools/sed_textfile.h"

namespace fs = std::filesystem;

namespace {

std::string TempDir(const std::string& name) {
  const std::string dir = (fs::temp_directory_path() / (name + "_" + std::to_string(getpid()))).string();
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}
void Write(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::vector<SKXSearchRow> Search(const std::string& folder, SKXSearchQuery query) {
  std::vector<SKXSearchRow> rows;
  CKXFileSearcher s(query, nullptr, [&](SKXSearchRow&& r) {
    rows.push_back(std::move(r));
    return true;
  });
  EXPECT_TRUE(s.Run(folder));
  return rows;
}

// Every offset of `pattern` in the text a document of the file opens with.
std::vector<std::int64_t> DocumentOffsets(const std::string& path, const std::string& pattern) {
  SKXSedText text;
  SKXSedFormat format;
  std::string message;
  EXPECT_EQ(KxSedReadFile(path, -1, text, format, message), 0) << path << ": " << message;
  const long size = text.text->GetTextSize();
  std::string bytes(std::size_t(size), '\0');
  if (size > 0) text.text->CopyBytes(0, size, bytes.data(), size);
  std::vector<std::int64_t> at;
  for (std::size_t k = bytes.find(pattern); k != std::string::npos; k = bytes.find(pattern, k + 1))
    at.push_back(std::int64_t(k));
  return at;
}

std::string UTF16(const std::u16string& s, bool little) {
  std::string out;
  for (char16_t u : s) {
    out += char(little ? u & 0xFF : u >> 8);
    out += char(little ? u >> 8 : u & 0xFF);
  }
  return out;
}

}  // namespace

TEST(FileSearchWalk, OffsetsPastAByteOrderMarkAreTheOpenedText) {
  const std::string d = TempDir("kx_fsearch_bom");
  std::u16string body;
  for (int i = 0; i < 40; ++i) body += u"line of text\n";
  body += u"\uFEFFneedle \u65E5 needle\n";   // a mark inside the text is a character of it
  const std::u16string all = body + u"needle";
  std::string utf8;
  for (char16_t u : all) {
    if (u < 0x80) utf8 += char(u);
    else if (u < 0x800) utf8 += {char(0xC0 | u >> 6), char(0x80 | (u & 0x3F))};
    else utf8 += {char(0xE0 | u >> 12), char(0x80 | ((u >> 6) & 0x3F)), char(0x80 | (u & 0x3F))};
  }
  Write(d + "/u8.txt", "\xEF\xBB\xBF" + utf8);
  Write(d + "/le.txt", "\xFF\xFE" + UTF16(all, true));
  Write(d + "/be.txt", "\xFE\xFF" + UTF16(all, false));
  Write(d + "/start.txt", "\xEF\xBB\xBFneedle\n");
  // Whole files, and files cut into pieces (the later pieces have no mark
  // of their own, and keep a mark that starts a line).
  for (std::size_t wholeMax : {std::size_t(64) << 20, std::size_t(64)}) {
    SKXSearchQuery query{"needle", 0, true, true};
    query.wholeMax = wholeMax;
    const auto rows = Search(d, query);
    for (const std::string name : {"/u8.txt", "/le.txt", "/be.txt", "/start.txt"}) {
      std::vector<std::int64_t> found;
      for (const SKXSearchRow& r : rows)
        if (r.path == d + name) found.push_back(r.offset);
      const std::vector<std::int64_t> want = DocumentOffsets(d + name, "needle");
      ASSERT_FALSE(want.empty());
      // One row a line: the first match of each line.
      std::vector<std::int64_t> firsts{want[0]};
      if (want.size() > 2) firsts.push_back(want[2]);
      EXPECT_EQ(found, firsts) << name << " in pieces of " << wholeMax;
    }
    // The row shows the line from its start, no mark before it.
    for (const SKXSearchRow& r : rows) {
      if (r.path == d + "/start.txt") {
        EXPECT_EQ(r.cell, std::string("\x05start.txt  ") + '\0' + "needle");
      }
    }
  }
  // The preview holds the text as opened.
  OSType type = 0;
  std::vector<std::uint8_t> data;
  KxLoadPreview(d + "/start.txt", "start.txt", FourCC("TEXT"), type, data);
  EXPECT_EQ(std::string(data.begin(), data.end()), "needle\r");
  fs::remove_all(d);
}

TEST(FileSearchWalk, InvisibleFilesAndDeepFolders) {
  const std::string d = TempDir("kx_fsearch_tree");
  Write(d + "/.hidden.txt", "needle\n");
  Write(d + "/seen.txt", "needle\n");
  Write(d + "/._gone.txt", "needle\n");   // a sidecar's name: never a text of its own
  fs::create_directories(d + "/.git");
  Write(d + "/.git/in.txt", "needle\n");  // an invisible folder is not entered
  // Folders whose sidecar flags them invisible or name-locked are not
  // entered either; other flags leave a folder searched.
  for (const auto& [name, flags] : {std::pair<std::string, int>{"inv", 0x4000}, {"locked", 0x1000}, {"plain", 0x0100}}) {
    fs::create_directories(d + "/" + name);
    Write(d + "/" + name + "/in.txt", "needle\n");
    std::vector<std::uint8_t> info(32, 0);
    info[8] = std::uint8_t(flags >> 8);
    KxAppleDouble sidecar;
    sidecar.Set(KxAppleDouble::kFinderInfoID, info);
    ASSERT_EQ(KxWriteSidecar(d + "/" + name, sidecar), 0) << name;
  }
  std::string deep = d;
  for (int i = 0; i < 100; ++i) deep += "/f";
  fs::create_directories(deep);
  Write(deep + "/deep.txt", "needle\n");
  const auto rows = Search(d, SKXSearchQuery{"needle", 0, true, false});
  std::vector<std::string> paths;
  for (const SKXSearchRow& r : rows) paths.push_back(r.path.substr(d.size()));
  EXPECT_EQ(paths, (std::vector<std::string>{"/.hidden.txt", "/seen.txt", deep.substr(d.size()) + "/deep.txt",
                                             "/plain/in.txt"}));
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[2].cell.substr(0, 8), "\x05...: f:");
  fs::remove_all(d);
}

TEST(FileNames, EditedNamesKeepWhatTheFieldCouldNotShow) {
  const std::string cafe = "caf\xC3\xA9.txt", geta = "\x81\xAC";
  std::string out;
  // The mark left where it was keeps é; what was typed is converted.
  ASSERT_EQ(KxNameToScriptText(cafe), "caf" + geta + ".txt");
  EXPECT_TRUE(KxEditedName(cafe, "caf" + geta + "2.txt", out));
  EXPECT_EQ(out, "caf\xC3\xA9" "2.txt");
  EXPECT_TRUE(KxEditedName(cafe, "new " + std::string("caf") + geta + ".txt", out));
  EXPECT_EQ(out, "new caf\xC3\xA9.txt");
  EXPECT_TRUE(KxEditedName(cafe, "caf" + geta, out));   // the ending deleted
  EXPECT_EQ(out, "caf\xC3\xA9");
  // Replaced outright: the new text alone.
  EXPECT_TRUE(KxEditedName(cafe, "cafe.txt", out));
  EXPECT_EQ(out, "cafe.txt");
  EXPECT_TRUE(KxEditedName(cafe, "\x93\xFA\x96\x7B.txt", out));   // 日本.txt
  EXPECT_EQ(out, "\xE6\x97\xA5\xE6\x9C\xAC.txt");
  // A mark moved elsewhere could be é or a geta mark of its own: refused.
  EXPECT_FALSE(KxEditedName(cafe, geta + "caf.txt", out));
  // Bytes that are no UTF-8, each its own mark, and a decomposed が (shown
  // composed) keep their bytes where the edit left them.
  const std::string bad = "x\xFF\xFEy.txt";
  EXPECT_TRUE(KxEditedName(bad, "x" + geta + geta + "z.txt", out));
  EXPECT_EQ(out, "x\xFF\xFEz.txt");
  EXPECT_TRUE(KxEditedName(bad, "x" + geta + "y.txt", out));   // one deleted where it was
  EXPECT_EQ(out, "x\xFFy.txt");
  const std::string nfd = "\xE3\x81\x8B\xE3\x82\x99.txt";
  EXPECT_TRUE(KxEditedName(nfd, "\x82\xAA" "2.txt", out));
  EXPECT_EQ(out, "\xE3\x81\x8B\xE3\x82\x99" "2.txt");
  // A name the field shows exactly converts as typed, a typed geta mark
  // being one.
  EXPECT_TRUE(KxEditedName("\xE3\x80\x93.txt", geta + geta + ".txt", out));
  EXPECT_EQ(out, "\xE3\x80\x93\xE3\x80\x93.txt");
  // A double-byte character whose second byte matches the shown text's
  // end does not split.
  const std::string wide = "\xC3\xA9" "A";   // éA
  EXPECT_TRUE(KxEditedName(wide, geta + "\x83" "A", out));   // 〓 then a lead byte 0x83 and 'A' (ア in Shift_JIS: 0x8341)
  EXPECT_EQ(out, "\xC3\xA9\xE3\x82\xA2");
}
