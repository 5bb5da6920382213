// Flavors and desktop targets: names both ways, text converted with its
// line ends, damaged text made safe, file lists reduced to regular files.
#include "platform/gtk/gtk_flavors.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/host/drag_data.h"

namespace {

std::vector<std::uint8_t> Utf16(const std::u16string& s) {
  std::vector<std::uint8_t> out;
  for (char16_t c : s) {
    out.push_back(static_cast<std::uint8_t>(c));
    out.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return out;
}

TEST(GtkFlavors, TargetNamesBothWays) {
  for (OSType type : {FourCC("TEXT"), FourCC("styl"), FourCC("RTF "), FourCC("hfs "), FourCC("PICU"), 0x01FF2025u}) {
    const std::vector<std::string> targets = KxGtkTargetsOf(type);
    ASSERT_FALSE(targets.empty());
    for (const std::string& t : targets) {
      bool isPrivate = false;
      EXPECT_EQ(KxGtkFlavorOfTarget(t, &isPrivate), type) << t;
      EXPECT_EQ(isPrivate, &t == &targets.front()) << t;
    }
  }
  EXPECT_EQ(KxGtkTargetsOf(FourCC("RTF ")).front(), "application/x-kxtext-RTF%20");
  EXPECT_EQ(KxGtkFlavorOfTarget("UTF8_STRING"), FourCC("utxt"));
  EXPECT_EQ(KxGtkFlavorOfTarget("text/uri-list"), FourCC("hfs "));
  // Names that are not four characters, or not escaped right, are nothing.
  for (const char* bad : {"application/x-kxtext-", "application/x-kxtext-TEX", "application/x-kxtext-TEXTS",
                          "application/x-kxtext-RTF ", "application/x-kxtext-RTF%2", "application/x-kxtext-RTF%zz",
                          "text/html", ""})
    EXPECT_EQ(KxGtkFlavorOfTarget(bad), 0u) << bad;
}

TEST(GtkFlavors, TextBothWays) {
  struct Case {
    std::string utf8;
    std::u16string inside;
  };
  const Case cases[] = {
      {"a\r\nb\nc\rd", u"a\rb\rc\rd"},
      {"\xE3\x81\x82\xF0\x9F\x98\x80", u"\u3042\U0001F600"},
      {"bad \xFF\xC0\xAF end", u"bad \uFFFD\uFFFD\uFFFD end"},
      // A NUL is kept, as an opened file keeps it; line ends on either side
      // of it stay two.
      {std::string("kept\0here", 9), std::u16string(u"kept\0here", 9)},
      {std::string("\0a\r\0\nb\xFF\0", 8), std::u16string(u"\0a\r\0\rb\uFFFD\0", 8)},
      {"", u""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(KxGtkUtf8ToUtxt(reinterpret_cast<const std::uint8_t*>(c.utf8.data()), c.utf8.size()), Utf16(c.inside))
        << c.utf8;
  }
  EXPECT_EQ(KxGtkUtxtToUtf8(Utf16(u"x\ry\U0001F600")), "x\ny\xF0\x9F\x98\x80");
  EXPECT_EQ(KxGtkUtxtToUtf8(Utf16(std::u16string(u"\0a\0\0\u00E9\r\0", 7))), std::string("\0a\0\0\xC3\xA9\n\0", 8));
  // Lone surrogates and an odd last byte.
  std::vector<std::uint8_t> odd = Utf16(u"a\xD800" u"b\xDC00");
  odd.push_back(0x41);
  EXPECT_EQ(KxGtkUtxtToUtf8(odd), "a\xEF\xBF\xBD" "b\xEF\xBF\xBD");
  // Private targets carry the bytes as they are.
  std::vector<std::uint8_t> out;
  const std::vector<std::uint8_t> raw = Utf16(u"a\rb");
  ASSERT_TRUE(KxGtkExport("application/x-kxtext-utxt", FourCC("utxt"), raw, out));
  EXPECT_EQ(out, raw);
  ASSERT_TRUE(KxGtkExport("UTF8_STRING", FourCC("utxt"), raw, out));
  EXPECT_EQ(std::string(out.begin(), out.end()), "a\nb");
  EXPECT_FALSE(KxGtkExport("UTF8_STRING", FourCC("TEXT"), raw, out));
}

TEST(GtkFlavors, FileListsNameRegularFilesOnly) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / "kx_gtk_flavors_test";
  fs::create_directories(dir);
  const fs::path file = dir / "a b.txt";
  std::FILE* f = std::fopen(file.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  const std::string list = "# a comment\r\nfile://" + dir.string() + "/a%20b.txt\r\nfile://" + dir.string() +
                           "\r\nfile:///no/such/file\r\nhttp://example.com/x\r\nfile://elsewhere" + file.string() + "\r\n";
  std::vector<std::vector<std::uint8_t>> records;
  ASSERT_TRUE(KxGtkImport("text/uri-list", reinterpret_cast<const std::uint8_t*>(list.data()), list.size(), records));
  ASSERT_EQ(records.size(), 1u);
  OSType type = 1;
  std::string path;
  ASSERT_TRUE(KxReadHFSFlavor(records[0].data(), long(records[0].size()), type, path));
  EXPECT_EQ(path, file.string());
  EXPECT_EQ(type, 0u);
  // And back to a list for other programs.
  std::vector<std::uint8_t> out;
  ASSERT_TRUE(KxGtkExport("text/uri-list", FourCC("hfs "), records[0], out));
  EXPECT_EQ(std::string(out.begin(), out.end()), "file://" + dir.string() + "/a%20b.txt\r\n");
  const std::string none = "file:///dev/null\r\n";
  EXPECT_FALSE(KxGtkImport("text/uri-list", reinterpret_cast<const std::uint8_t*>(none.data()), none.size(), records));
  fs::remove_all(dir);
}

}  // namespace

// Text offered by other programs under the older targets: plain text as
// UTF-8, STRING and TEXT as UTF-8 when they are valid UTF-8, else as
// Latin-1; the UTF-8 forms are read first; none of them is offered by us.
TEST(GtkFlavors, TextFromOtherProgramsInEveryTarget) {
  const std::string japanese = "\xE6\x9C\xAB\xE5\xB0\xBE\r\n";   // 末尾 CR LF
  const std::string latin1 = "caf\xE9\n";
  struct Case {
    const char* target;
    std::string bytes;
    std::u16string inside;
  };
  const Case cases[] = {
      {"UTF8_STRING", japanese, u"\u672B\u5C3E\r"},
      {"text/plain;charset=utf-8", japanese, u"\u672B\u5C3E\r"},
      {"text/plain;charset=UTF-8", japanese, u"\u672B\u5C3E\r"},
      {"text/plain", japanese, u"\u672B\u5C3E\r"},
      {"TEXT", japanese, u"\u672B\u5C3E\r"},
      {"TEXT", latin1, u"caf\u00E9\r"},
      {"STRING", latin1, u"caf\u00E9\r"},
      {"STRING", japanese, u"\u672B\u5C3E\r"},
      {"STRING", std::string("ab\0cd", 5), std::u16string(u"ab\0cd", 5)},
      // UTF-8 on both sides of the NUL, else Latin-1 throughout.
      {"STRING", std::string("\xE6\x9C\xAB\0\xE5\xB0\xBE", 7), std::u16string(u"\u672B\0\u5C3E", 3)},
      {"TEXT", std::string("\xE9\0\xE6\x9C\xAB", 5), std::u16string(u"\u00E9\0\u00E6\u009C\u00AB", 5)},
      {"UTF8_STRING", std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
      {"TEXT", "", u""},
  };
  for (const Case& c : cases) {
    std::vector<std::vector<std::uint8_t>> records;
    ASSERT_TRUE(KxGtkImport(c.target, reinterpret_cast<const std::uint8_t*>(c.bytes.data()), c.bytes.size(), records))
        << c.target;
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0], Utf16(c.inside)) << c.target << " " << c.bytes;
    std::vector<std::uint8_t> out;
    if (std::string(c.target).rfind("text/plain;", 0) != 0 && std::string(c.target) != "UTF8_STRING") {
      EXPECT_FALSE(KxGtkExport(c.target, FourCC("utxt"), records[0], out)) << c.target;
    }
  }
  EXPECT_LT(KxGtkTargetRank("application/x-kxtext-utxt"), KxGtkTargetRank("UTF8_STRING"));
  EXPECT_LT(KxGtkTargetRank("UTF8_STRING"), KxGtkTargetRank("text/plain"));
  EXPECT_LT(KxGtkTargetRank("text/plain;charset=utf-8"), KxGtkTargetRank("text/plain"));
  EXPECT_LT(KxGtkTargetRank("text/plain"), KxGtkTargetRank("TEXT"));
  EXPECT_LT(KxGtkTargetRank("TEXT"), KxGtkTargetRank("STRING"));
  EXPECT_LT(KxGtkTargetRank("STRING"), KxGtkTargetRank("text/html"));
}
