// Plain-text files through the styled stream editor: a Unicode file is
// written back in its own byte order, and a file is never written with
// characters its encoding cannot hold.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/files.h"
#include "text/codes/jcode.h"
#include "tools/sed_text.h"
#include "tool_test_files.h"

namespace {

constexpr char kPH[] = "\x81\xFC";  // the placeholder of a character outside Shift_JIS

using tooltest::QuietRunSED;
using tooltest::ReadBytes;
using tooltest::TempDir;
using tooltest::WriteBytes;

SKXSedText ScriptText(const std::string& bytes, const std::vector<SKXUniChar>& sides = {}) {
  SKXSedText t;
  t.text->SetText(bytes.data(), long(bytes.size()), nullptr, 0, nullptr, 0, nullptr, 0, sides.data(),
                  long(sides.size()));
  return t;
}

// "cat" becomes the units of `units` (UTF-16, big-endian pairs).
std::string UTF16BE(const std::u16string& units) {
  std::string out;
  for (char16_t u : units) {
    out += char(u >> 8);
    out += char(u & 0xFF);
  }
  return out;
}

std::string Swapped(std::string s) {
  for (size_t k = 0; k + 1 < s.size(); k += 2) std::swap(s[k], s[k + 1]);
  return s;
}

}  // namespace

// Overwritten, a UTF-16 file keeps its byte order and its mark: big-endian
// stays big-endian, with or without a mark; little-endian stays so.
TEST(SedTextFile, UnicodeFilesKeepTheirByteOrder) {
  const std::string dir = TempDir("kx_sed_textfile_order");
  const std::string before = UTF16BE(u"cat one\ncat two\n"), after = UTF16BE(u"dog one\ndog two\n");
  struct Case {
    const char* name;
    std::string bytes, want;
  };
  // Without a mark the units are big-endian.
  const Case cases[] = {
      {"be_mark.txt", "\xFE\xFF" + before, "\xFE\xFF" + after},
      {"le_mark.txt", "\xFF\xFE" + Swapped(before), "\xFF\xFE" + Swapped(after)},
      {"be_bare.txt", before, after},
  };
  SKXSedText script = ScriptText("s/cat/dog/");
  for (const Case& c : cases) {
    const std::string path = dir + "/" + c.name;
    WriteBytes(path, c.bytes);
    QuietRunSED sed;
    sed.SetEncoding(kKxCodeUTF16);
    ASSERT_TRUE(sed.DoStreamEdit({SKXSedStream::Text(&script)},
                                 {SKXSedStream::File(path)}, SKXSedStream::File(path), false, false))
        << c.name;
    EXPECT_EQ(ReadBytes(path), c.want) << c.name;
  }
  std::filesystem::remove_all(dir);
}

// A Shift_JIS or EUC-JP file that the script gives characters its encoding
// lacks is not written: the file stays as it was (a copy is not made), the
// note names the file and the count, and Unwritable() tells the caller. The
// same run into a UTF-8 file writes them. EUC-JP holds JIS X 0212 (é).
TEST(SedTextFile, CharactersTheEncodingLacksAreNeverLost) {
  const std::string dir = TempDir("kx_sed_textfile_lost");
  // € 😀 é after "s/cat/": placeholders with their characters beside them.
  const std::string bytes = std::string("s/cat/") + kPH + kPH + kPH + "/";
  const std::vector<SKXUniChar> sides = {{6, 0x20ACu << 16}, {8, 0xD83DDE00u}, {10, 0xE9u << 16}};
  SKXSedText script = ScriptText(bytes, sides);
  struct Case {
    const char* name;
    std::string bytes;
    short encoding;
    long lost;
  };
  const Case cases[] = {
      {"sjis.txt", "cat \x93\xFA\x96\x7B\n", kKxCodeSJIS, 3},
      {"euc.txt", "cat \xC6\xFC\xCB\xDC\n", kKxCodeEUC, 2},
      {"utf8.txt", "cat \xE6\x97\xA5\xE6\x9C\xAC\n", kKxCodeUTF8, 0},
  };
  for (const Case& c : cases) {
    const std::string path = dir + "/" + c.name;
    WriteBytes(path, c.bytes);
    for (const bool overwrite : {true, false}) {
      const std::string out = overwrite ? path : path + ".copy";
      QuietRunSED sed;
      sed.SetMessageList(210, 11);
      sed.SetEncoding(c.encoding);
      const bool ok = sed.DoStreamEdit({SKXSedStream::Text(&script)}, {SKXSedStream::File(path)},
                                       SKXSedStream::File(out), false, false);
      EXPECT_EQ(sed.Unwritable(), c.lost) << c.name;
      if (c.lost > 0) {
        EXPECT_FALSE(ok) << c.name;
        EXPECT_EQ(ReadBytes(path), c.bytes) << c.name;
        EXPECT_FALSE(std::filesystem::exists(path + ".copy")) << c.name;
        ASSERT_EQ(sed.notes.size(), 1u) << c.name;
        EXPECT_NE(sed.notes[0].find(c.name), std::string::npos) << sed.notes[0];
        EXPECT_NE(sed.notes[0].find(" " + std::to_string(c.lost) + " "), std::string::npos) << sed.notes[0];
      } else {
        EXPECT_TRUE(ok);
        EXPECT_EQ(ReadBytes(out), "\xE2\x82\xAC\xF0\x9F\x98\x80\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC\n");
      }
    }
  }
  std::filesystem::remove_all(dir);
}
