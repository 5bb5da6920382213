// Line ends of plain text, the deleted-text buffer, type-ahead and the
// memory purge of the editing layer.
#include <gtest/gtest.h>

#include <string>

#include "layer_fixture.h"
#include "platform/keys.h"

namespace {
using kxtest::TestLayer;

std::string Check(std::string s, short& type) {
  long removed = 0;
  type = CKXTextLayer::CheckTextType(s.data(), long(s.size()), removed);
  s.resize(s.size() - std::size_t(removed));
  return s;
}

TEST(TextLayer, CheckTextTypeMakesCROnly) {
  const struct {
    const char* in;
    const char* out;
    short type;
  } kCases[] = {{"a\r\nb\r\n", "a\rb\r", 1}, {"a\nb\n\nc", "a\rb\r\rc", 2}, {"a\rb\x1a", "a\rb", 1},
                {"a\r\nb\nc", "a\rb\nc", 1},  {"", "", 0},                 {"\n\r\n", "\r\r", 1}};
  for (const auto& c : kCases) {
    short type = -1;
    EXPECT_EQ(Check(c.in, type), c.out) << c.in;
    EXPECT_EQ(type, c.type) << c.in;
  }
}

TEST(TextLayer, ChangeTextTypeUndoesCheckForUniformLineEnds) {
  const char* kTexts[] = {"", "plain", "\r", "a\rb\r", "\r\r\rx", "one\rtwo\r\rthree"};
  for (const char* cr : kTexts)
    for (short want : {short(0), short(1), short(2)}) {
      std::string file = cr;
      long added = 0;
      CKXTextLayer::ChangeTextType(file, want, added);
      EXPECT_EQ(long(file.size()), long(std::string(cr).size()) + added);
      short type = -1;
      EXPECT_EQ(Check(file, type), cr) << want;
      std::string back = Check(file, type);
      CKXTextLayer::ChangeTextType(back, type == 0 ? want : type, added);
      if (std::string(cr).find('\r') != std::string::npos) {
        EXPECT_EQ(back, file) << want;
      }
    }
}

TEST(TextLayer, CommandDeleteFillsTheBufferAndCommandOptionEnterPutsItBack) {
  TestLayer layer;
  KXText_SetText(layer.GetEdit(), "one two", 7, nullptr, 0, nullptr, 0, nullptr, 0);
  KXTE_CalcText(layer.GetEdit());
  layer.SetSelectionRange({7, 0}, false);
  layer.DoKey(8, 4);  // backspace a word with option
  layer.DoKey(8, 2);  // and the rest of the line with command
  EXPECT_FALSE(layer.GetDeletedText().empty());
  const std::string deleted = layer.GetDeletedText();
  layer.DoKey(3, 6);
  char buf[16] = {};
  const long n = KXText_GetText(layer.GetEdit(), buf, 16, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  EXPECT_EQ(std::string(buf, std::size_t(n)), deleted);
}

TEST(TextLayer, AControlKeyAfterHeldKeysIsNotLost) {
  TestLayer layer;
  KxFakeKeys keys;
  KxSetKeySource(&keys);
  keys.PushKeyDown('b', 0);
  layer.DoKey('a', 0);  // held back: another key waits
  keys.PopKeyDown();
  layer.DoKey(13, 0);  // return: the held key goes in first, then the return
  KxSetKeySource(nullptr);
  char buf[8] = {};
  const long n = KXText_GetText(layer.GetEdit(), buf, 8, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
  EXPECT_EQ(std::string(buf, std::size_t(n)), "a\r");
}

TEST(TextLayer, APurgeDuringACommandWaitsForItToReturn) {
  TestLayer layer;
  KXText_SetText(layer.GetEdit(), "abc def", 7, nullptr, 0, nullptr, 0, nullptr, 0);
  layer.SetSelectionRange({0, 3}, false);
  layer.DoCut();
  ASSERT_NE(layer.GetAction(), nullptr);
  // A shortage inside the next command's edit would free the action the
  // command is building on.
  layer.SetSelectionRange({1, 2}, false);
  layer.onResult = [](std::uint16_t) { CKXTextLayer::PurgeUndoStates(); };
  layer.DoDelete();
  layer.onResult = nullptr;
  EXPECT_EQ(layer.GetAction(), nullptr);
  EXPECT_TRUE(CKXTextLayer::PurgeUndoStates() == false);
}

}  // namespace
