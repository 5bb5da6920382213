// The named macro list with its preference blob, the edit lines with
// renumbering and checking, and macro files.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "macro_builder.h"
#include "macros/macro_file.h"
#include "macros/macro_list.h"
#include "platform/files.h"
#include "text/base/memory.h"

namespace {

SKXTMacro MakeMacro(const std::string& name, const std::vector<char>& code) {
  SKXTMacro m{};
  m.name[0] = std::uint8_t(name.size());
  std::memcpy(m.name + 1, name.data(), name.size());
  m.size = std::int32_t(code.size());
  m.code = KxMemHAlloc(long(code.size()), true);
  if (!code.empty()) std::memcpy(*m.code, code.data(), code.size());
  return m;
}

std::string Name(const unsigned char* field) { return std::string(reinterpret_cast<const char*>(field + 1), field[0]); }

std::string LineText(const CKXTMacroEditArray& lines, long n, int which = 0) {
  SKXTMacroEdit line;
  lines.GetAt(n, line);
  const char* t = which == 0 ? line.text : which == 1 ? line.target1Text : line.target2Text;
  short len = which == 0 ? line.textLength : which == 1 ? line.target1Length : line.target2Length;
  return t ? std::string(t, std::size_t(len)) : std::string();
}

}  // namespace

TEST(MacroList, BlobRoundTripAndFunctionKeys) {
  CKXTMacroArray list;
  MacroBuilder a, b, c;
  a.Text("hello");
  b.Header(1, 1, 3, 4).Command(2);  // hidden, bound to option-F3
  c.Header(0, 1, 5, 0).Key(29);
  list.InsertAt(CKXTMacroArray::kAppend, MakeMacro("one", a.code));
  list.InsertAt(CKXTMacroArray::kAppend, MakeMacro("two", b.code));
  SKXTMacro empty{};
  empty.name[0] = 1;
  empty.name[1] = 'e';
  list.InsertAt(99, empty);  // no code: not stored
  list.InsertAt(1, MakeMacro("zero", c.code));
  ASSERT_EQ(list.GetCount(), 4);

  unsigned char name[32];
  EXPECT_TRUE(list.GetNameAt(1, name));
  EXPECT_EQ(Name(name), "zero");
  EXPECT_FALSE(list.GetNameAt(3, name));  // its header hides it from the menu
  EXPECT_TRUE(list.GetNameAt(4, name));
  EXPECT_EQ(list.FindFunction(3, 4), 3);
  EXPECT_EQ(list.FindFunction(5, 0), 1);
  EXPECT_EQ(list.FindFunction(3, 0), 0);

  long size = list.GetDataSize();
  EXPECT_EQ(size, 3 * 36 + long(a.code.size() + b.code.size() + c.code.size()));
  std::vector<char> blob(static_cast<std::size_t>(size));
  EXPECT_EQ(list.GetData(blob.data(), size), size);

  CKXTMacroArray back;
  EXPECT_EQ(back.SetData(blob.data(), size), noErr);
  ASSERT_EQ(back.GetCount(), 3);
  SKXTMacro m;
  back.GetAt(2, m);
  EXPECT_EQ(Name(m.name), "one");
  EXPECT_EQ(std::vector<char>(*m.code, *m.code + m.size), a.code);
  EXPECT_EQ(back.FindFunction(3, 4), 3);

  // A buffer too small for the third macro gets the first two and zeros.
  long twoOnly = size - 1;
  std::vector<char> small(std::size_t(twoOnly), 'x');
  long written = list.GetData(small.data(), twoOnly);
  EXPECT_EQ(written, 2 * 36 + long(c.code.size() + a.code.size()));
  for (long i = written; i < twoOnly; ++i) ASSERT_EQ(small[std::size_t(i)], 0);
}

TEST(MacroList, BlobThatRunsPastItsEndIsReadNoFurther) {
  CKXTMacroArray list;
  MacroBuilder a;
  a.Text("abc");
  list.InsertAt(1, MakeMacro("a", a.code));
  list.InsertAt(2, MakeMacro("b", a.code));
  std::vector<char> blob(std::size_t(list.GetDataSize()));
  list.GetData(blob.data(), long(blob.size()));
  // The second record claims more bytes than there are.
  blob[36 + 6 + 35] = char(0x7F);
  CKXTMacroArray back;
  EXPECT_EQ(back.SetData(blob.data(), long(blob.size())), kMacroBadCodeErr);
  EXPECT_EQ(back.GetCount(), 1);
  // A size with the top bit set, a cut record head, an overlong name byte.
  std::vector<char> odd(blob.begin(), blob.begin() + 42);
  odd[32] = char(0x80);
  EXPECT_EQ(back.SetData(odd.data(), long(odd.size())), kMacroBadCodeErr);
  EXPECT_EQ(back.GetCount(), 0);
  EXPECT_EQ(back.SetData(blob.data(), 20), kMacroBadCodeErr);
  std::vector<char> named(blob.begin(), blob.begin() + 42);
  named[0] = char(200);
  EXPECT_EQ(back.SetData(named.data(), long(named.size())), noErr);
  unsigned char name[32];
  back.GetNameAt(1, name);
  EXPECT_EQ(name[0], 31);
  // Fifteen kanji and a lead byte whose trail is cut off: the lead goes.
  for (int i = 1; i <= 31; ++i) named[std::size_t(i)] = char(i % 2 ? 0x8A : 0xBF);
  EXPECT_EQ(back.SetData(named.data(), long(named.size())), noErr);
  back.GetNameAt(1, name);
  EXPECT_EQ(name[0], 30);
}

TEST(MacroEditLines, DecodeAndEncodeAMacro) {
  MacroBuilder b;
  b.Raw({21, 0, 2, 0, 9})  // a repeat that follows no key is dropped
      .Header(1, 0, 0, 0)
      .Text("abc")
      .Key(28, 1, 4)
      .Raw({15, 0, 2, 7, 7})
      .Goto(1, "2");
  CKXTMacroEditArray lines;
  ASSERT_EQ(lines.AnalyzeMacro(b.data(), b.size()), noErr);
  EXPECT_EQ(lines.GetCount(), 4);
  EXPECT_EQ(lines.mHeader[0], 1);
  std::vector<char> out(std::size_t(lines.GetMacroSize()));
  EXPECT_EQ(lines.CreateMacro(out.data(), long(out.size())), long(out.size()));
  MacroBuilder expect;
  expect.Header(1, 0, 0, 0).Text("abc").Key(28, 1, 4).Raw({15, 0, 0}).Goto(1, "2");
  EXPECT_EQ(out, expect.code);

  // All header bytes 0: no header statement.
  lines.mHeader[0] = 0;
  EXPECT_EQ(lines.GetMacroSize(), long(expect.code.size()) - 7);
  // Too little room: only whole statements are written.
  EXPECT_EQ(lines.CreateMacro(out.data(), 8), 6);

  // Bad code leaves an empty list.
  MacroBuilder bad;
  bad.Text("x").Raw({5, 0, 3, 9});
  EXPECT_EQ(lines.AnalyzeMacro(bad.data(), bad.size()), kMacroBadCodeErr);
  EXPECT_EQ(lines.GetCount(), 0);
}

TEST(MacroEditLines, RenumberingMovesLineNumbersOnly) {
  MacroBuilder b;
  b.Label("top")
      .Goto(1, "3")
      .Goto(0, "1")
      .Compare(61, 0, 1, "5", 1, "4", 2, "top")
      .Find(1, 0, "x", 1, " 2", 1, "junk")
      .Dialog(0, 51, "?", 2, "4", 1, "-1")
      .Goto(2, "3");
  CKXTMacroEditArray lines;
  ASSERT_EQ(lines.AnalyzeMacro(b.data(), b.size()), noErr);
  lines.RenumMacro(3, 2);  // two lines inserted before line 3
  EXPECT_EQ(LineText(lines, 2), "5");
  EXPECT_EQ(LineText(lines, 3), "1");
  EXPECT_EQ(LineText(lines, 4, 1), "6");
  EXPECT_EQ(LineText(lines, 4, 2), "top");  // labels are never renumbered
  EXPECT_EQ(LineText(lines, 5, 1), " 2");   // below `from`: untouched
  EXPECT_EQ(LineText(lines, 5, 2), "junk");
  EXPECT_EQ(LineText(lines, 6, 1), "4");    // a label target named "4"
  EXPECT_EQ(LineText(lines, 6, 2), "-1");
  EXPECT_EQ(LineText(lines, 7), "3");       // goto by label
  lines.RenumMacro(1, -1);
  EXPECT_EQ(LineText(lines, 3), "0");
  EXPECT_EQ(LineText(lines, 5, 1), "1");
}

TEST(MacroEditLines, CheckingFindsTheFirstBadLine) {
  auto check = [](MacroBuilder& b) {
    CKXTMacroEditArray lines;
    EXPECT_EQ(lines.AnalyzeMacro(b.data(), b.size()), noErr);
    return lines.CheckMacro();
  };
  MacroBuilder good;
  good.Label("L").Goto(1, "1").Goto(2, "L").Compare(61, 0, 1, "1", 0, "", 3, "").Find(1, 0, "", 2, "L", 1, "2");
  EXPECT_EQ(check(good), 0);
  MacroBuilder noText;
  noText.Label("L").Goto(0);
  EXPECT_EQ(check(noText), 2);
  MacroBuilder pastEnd;
  pastEnd.Label("L").Goto(1, "3");
  EXPECT_EQ(check(pastEnd), 2);
  MacroBuilder zero;
  zero.Goto(1, "0");
  EXPECT_EQ(check(zero), 1);
  MacroBuilder missingLabel;
  missingLabel.Label("L").Dialog(1, 51, "", 0, "", 2, "M");
  EXPECT_EQ(check(missingLabel), 2);
  MacroBuilder emptyTarget;
  emptyTarget.Label("L").Label("M").Find(1, 0, "x", 1, "", 0, "");
  EXPECT_EQ(check(emptyTarget), 3);
  CKXTMacroEditArray lines;
  EXPECT_EQ(lines.FindLabel("L", 1), 0);
  ASSERT_EQ(lines.AnalyzeMacro(good.data(), good.size()), noErr);
  EXPECT_EQ(lines.FindLabel("L", 1), 1);
  EXPECT_EQ(lines.FindLabel("", 0), 0);
}

TEST(MacroFile, WriteAndReadBack) {
  std::string folder = ::testing::TempDir() + "kxmacro-" + std::to_string(::getpid());
  std::filesystem::create_directories(folder);
  MacroBuilder b;
  b.Text("abc").Key(29, 0, 3);
  SKXTMacro macro = MakeMacro("a/b", b.code);
  std::string path;
  ASSERT_EQ(KxWriteMacroFile(folder, macro, &path), noErr);
  EXPECT_EQ(path, folder + "/a:b");
  EXPECT_EQ(std::filesystem::file_size(path), b.code.size());

  SKXTMacro back;
  ASSERT_EQ(KxReadMacroFile(path, back), noErr);
  EXPECT_EQ(Name(back.name), "a/b");
  EXPECT_EQ(std::vector<char>(*back.code, *back.code + back.size), b.code);
  KxMemHFree(back.code);

  // Names that are no file names are refused.
  for (const char* bad : {"", ".", ".."}) {
    SKXTMacro named = macro;
    named.name[0] = std::uint8_t(std::strlen(bad));
    std::memcpy(named.name + 1, bad, named.name[0]);
    EXPECT_EQ(KxWriteMacroFile(folder, named), paramErr) << bad;
  }

  // A file that is no macro is refused and nothing is handed out.
  std::string junk = folder + "/junk";
  std::ofstream(junk, std::ios::binary) << std::string("\x02\x00\x09" "ab", 5);
  EXPECT_EQ(KxReadMacroFile(junk, back), kMacroBadCodeErr);
  EXPECT_EQ(back.code, nullptr);
  EXPECT_EQ(KxReadMacroFile(folder + "/missing", back), fnfErr);
  EXPECT_EQ(KxReadMacroFile(folder, back), ioErr);  // a folder is no macro file

  // A write that fails leaves the macro that was there and says so.
  kx_filetest::FailStep(kx_filetest::kStepSync, EIO);
  SKXTMacro other = MakeMacro("a/b", {});
  EXPECT_EQ(KxWriteMacroFile(folder, other), ioErr);
  EXPECT_EQ(std::filesystem::file_size(path), b.code.size());
  // No temporary left (the sidecar that holds the file's kind aside).
  long files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    files += entry.path().filename().string().rfind("._", 0) != 0;
  EXPECT_EQ(files, 2);
  ASSERT_EQ(KxWriteMacroFile(folder, other), noErr);
  EXPECT_EQ(std::filesystem::file_size(path), 0u);
  kx_filetest::Reset();
  KxMemHFree(other.code);
  KxMemHFree(macro.code);
  std::filesystem::remove_all(folder);
}

// A stored name is read up to 31 bytes on whole characters; a lead byte in
// the 31st place has its second byte outside the field and goes.
TEST(MacroList, StoredNamesAreCutOnWholeCharacters) {
  const std::string leadAtEnd = std::string(30, 'a') + "\x88";
  std::string wholeAtEnd = "a";
  for (int i = 0; i < 15; ++i) wholeAtEnd += "\x88\x9f";
  const std::string shortLead = "ab\x88";
  std::vector<char> blob;
  for (const std::string& name : {leadAtEnd, wholeAtEnd, shortLead}) {
    char field[36] = {};
    field[0] = char(name.size());
    std::memcpy(field + 1, name.data(), name.size());
    field[35] = 1;   // one byte of code
    blob.insert(blob.end(), field, field + 36);
    blob.push_back(char(kMacroEnd));
  }
  CKXTMacroArray list;
  ASSERT_EQ(list.SetData(blob.data(), long(blob.size())), noErr);
  ASSERT_EQ(list.GetCount(), 3);
  unsigned char name[32];
  list.GetNameAt(1, name);
  EXPECT_EQ(Name(name), std::string(30, 'a'));
  list.GetNameAt(2, name);
  EXPECT_EQ(Name(name), wholeAtEnd);
  list.GetNameAt(3, name);
  EXPECT_EQ(Name(name), shortLead);   // shorter names are kept as stored
}
