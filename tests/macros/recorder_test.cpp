// The recorder: key classification, merged text, repeat counts.
#include <gtest/gtest.h>

#include <string>

#include "fake_target.h"
#include "macro_builder.h"
#include "macros/macro.h"
#include "platform/memory.h"
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
