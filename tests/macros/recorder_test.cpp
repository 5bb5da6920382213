// The recorder: key classification, merged text, repeat counts.
#include <gtest/gtest.h>

#include <string>

#include "fake_target.h"
#include "macro_builder.h"
#include "macros/macro.h"
#include "text/codes/unicode.h"
#include "platform/memory.h"
#include "text/codes/unichar.h"
#include "text/base/memory.h"

namespace {

class Recorder : public ::testing::Test {
 protected:
  void SetUp() override {
    host.view = &view;
    KxMacroSetHost(&host);
  }
  void TearDown() override {
    if (UKXTextMacro::mMacroRecording) UKXTextMacro::StopRecording();
    KxMacroSetHost(nullptr);
    kx_memtest::Reset();
  }
  void Type(const std::string& s) {
    for (char c : s) UKXTextMacro::AddMacroKeyCode(std::uint8_t(c), 0);
  }
  std::vector<char> Recorded() {
    return std::vector<char>(*UKXTextMacro::mMacroData, *UKXTextMacro::mMacroData + UKXTextMacro::mMacroSize);
  }
  FakeTarget view;
  FakeHost host;
};

}  // namespace

TEST_F(Recorder, TextMergesAroundCommandsAndReturns) {
  UKXTextMacro::StartRecording();
  EXPECT_EQ(view.calls, std::vector<std::string>{"mark 1"});
  Type("abc");
  UKXTextMacro::AddMacroCommand(33);
  Type("d\rx");
  UKXTextMacro::AddMacroKeyCode(27, 0);   // Escape leaves no trace
  UKXTextMacro::AddMacroCommand(1146);    // nor does the record command
  char inserted[] = "yz";
  UKXTextMacro::AddMacroString(inserted, 2);
  UKXTextMacro::StopRecording();
  EXPECT_EQ(view.calls.back(), "mark 0");
  MacroBuilder expect;
  expect.Text("abc").Command(33).Text("d\rxyz");
  EXPECT_EQ(Recorded(), expect.code);
  // The buffer beyond the recording is zero: it reads as an end statement.
  long capacity = KxMemHSize(UKXTextMacro::mMacroData);
  for (long i = UKXTextMacro::mMacroSize; i < capacity; ++i) ASSERT_EQ((*UKXTextMacro::mMacroData)[i], 0);
}

TEST_F(Recorder, KeysRepeatUpToAThousand) {
  UKXTextMacro::StartRecording();
  for (int i = 0; i < 1205; ++i) UKXTextMacro::AddMacroKeyCode(29, 0);
  UKXTextMacro::AddMacroKeyCode(28, 0);
  UKXTextMacro::AddMacroKeyCode(28, 1);  // shift makes it another key
  UKXTextMacro::AddMacroKeyCode(9, 4);   // tab is text, its modifiers dropped
  UKXTextMacro::StopRecording();
  MacroBuilder expect;
  expect.Key(29, 0, 1000).Key(29, 0, 205).Key(28, 0).Key(28, 1).Text("\t");
  EXPECT_EQ(Recorded(), expect.code);
}

TEST_F(Recorder, SyntheticCommandsAndLongTexts) {
  UKXTextMacro::StartRecording();
  UKXTextMacro::AddMacroCommand(-(239L * 65536 + 5));
  std::string big(70000, 'q');
  UKXTextMacro::AddMacroString(big.data(), long(big.size()));
  UKXTextMacro::StopRecording();
  std::vector<char> code = Recorded();
  ASSERT_EQ(UKXTextMacro::CheckMacroCode(code.data(), long(code.size())), noErr);
  long pos = 0, total = 0;
  SKXTMacroEdit r;
  ASSERT_EQ(UKXTextMacro::AnalyzeMacro(code.data(), long(code.size()), pos, r, false), 1);
  EXPECT_EQ(UKXTextMacro::DecodeCommand(r.value), -(239L * 65536 + 5));
  while (UKXTextMacro::AnalyzeMacro(code.data(), long(code.size()), pos, r, false) > 0) {
    EXPECT_EQ(r.opcode, kMacroText);
    EXPECT_LT(r.textLength, 32767);
    total += r.textLength;
  }
  EXPECT_EQ(total, 70000);
}

TEST_F(Recorder, StartingFreesThePreviousRecording) {
  UKXTextMacro::StartRecording();
  Type("abc");
  UKXTextMacro::StopRecording();
  EXPECT_EQ(UKXTextMacro::mMacroSize, 6);
  UKXTextMacro::StartRecording();
  UKXTextMacro::StopRecording();
  EXPECT_EQ(UKXTextMacro::mMacroSize, 0);
  EXPECT_EQ(UKXTextMacro::mMacroData, nullptr);
}

TEST_F(Recorder, AFirstBufferThatCannotBeHadLosesOnlyThatStatement) {
  UKXTextMacro::StartRecording();
  kx_memtest::FailAll(true);
  Type("a");
  kx_memtest::FailAll(false);
  EXPECT_EQ(UKXTextMacro::mMacroRecording, 1);
  Type("b");
  UKXTextMacro::StopRecording();
  MacroBuilder expect;
  expect.Text("b");
  EXPECT_EQ(Recorded(), expect.code);
}

// Typed characters the script bytes hold only as placeholders are recorded
// with their Unicode values, merged while they follow one another; typed
// text without such characters is recorded as before.
TEST_F(Recorder, CharactersWithoutScriptCodesKeepTheirUnicode) {
  auto bytesOf = [](const std::string& utf8, std::vector<SKXUniChar>& uni) {
    std::string bytes;
    EXPECT_TRUE(KxUTF8ToHeldText(utf8.data(), long(utf8.size()), bytes, uni));
    return bytes;
  };
  auto commit = [](const std::string& bytes, const std::vector<SKXUniChar>& uni) {
    UKXTextMacro::AddMacroUnicodeString(bytes.data(), long(bytes.size()), uni.empty() ? nullptr : uni.data(),
                                        long(uni.size()));
  };
  std::vector<SKXUniChar> e, euro, plain, rest, glyph{{0, 0x100005}}, outside;
  const std::string eBytes = bytesOf("é", e), euroBytes = bytesOf("€", euro), plainBytes = bytesOf("日本", plain),
                    restBytes = bytesOf("ß😀𠮷", rest);
  ASSERT_EQ(e.size(), 1u);
  ASSERT_EQ(rest.size(), 3u);
  ASSERT_TRUE(plain.empty());
  outside = {{std::int32_t(eBytes.size()), e[0].value}};

  UKXTextMacro::StartRecording();
  Type("a");
  commit(eBytes, e);
  commit(euroBytes, euro);
  commit(plainBytes, plain);
  commit(eBytes, glyph);     // an entry naming no character: plain bytes
  commit(eBytes, outside);   // an entry past the text: plain bytes
  commit(restBytes, rest);
  Type("z");
  UKXTextMacro::StopRecording();
  MacroBuilder expect;
  expect.Text("a").UnicodeText("é€").Text(plainBytes + eBytes + eBytes).UnicodeText("ß😀𠮷").Text("z");
  EXPECT_EQ(Recorded(), expect.code);
}

// Long Unicode text is split into statements between characters.
TEST_F(Recorder, LongUnicodeTextSplitsBetweenCharacters) {
  std::string utf8 = "x";
  for (int i = 0; i < 12000; ++i) utf8 += "€";   // three bytes each
  std::string bytes;
  std::vector<SKXUniChar> uni;
  ASSERT_TRUE(KxUTF8ToHeldText(utf8.data(), long(utf8.size()), bytes, uni));
  UKXTextMacro::StartRecording();
  UKXTextMacro::AddMacroUnicodeString(bytes.data(), long(bytes.size()), uni.data(), long(uni.size()));
  UKXTextMacro::StopRecording();
  std::vector<char> code = Recorded();
  std::string joined;
  long pos = 0, statements = 0;
  SKXTMacroEdit r;
  while (UKXTextMacro::AnalyzeMacro(code.data(), long(code.size()), pos, r, false) > 0 && ++statements) {
    ASSERT_EQ(r.opcode, kMacroUnicodeText);
    ASSERT_NE(std::uint8_t(r.text[0]) & 0xC0, 0x80) << "a statement starts inside a character";
    joined.append(r.text, std::size_t(r.textLength));
  }
  EXPECT_EQ(statements, 2);
  EXPECT_EQ(joined, utf8);
}
