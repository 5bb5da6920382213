// A full edit field takes a double-byte character whole or not at all,
// whether it is pasted or typed a byte at a time.
#include "views/edit_field.h"

#include <string>
#include <tuple>
#include <vector>

#include "views_fixture.h"

namespace {

constexpr PaneIDT kField = 3962;          // at most 255 bytes
const std::string kKanji = "\x8A\xBF";    // a two-byte character (Shift_JIS)

class EditFieldCharactersTest : public ViewsTest {
 protected:
  void Paste(KXEditField& field, const std::string& text) {
    host.ClearClipboard();
    host.PutClipboard(FourCC("TEXT"), text.data(), text.size());
    field.ProcessCommand(kKxCmdPaste);
  }
  void Type(StDialogHandler& h, const std::string& bytes) {
    for (char c : bytes) host.PostKey(std::uint8_t(c), 0);
    Drain(h);
  }
};

TEST_F(EditFieldCharactersTest, APasteIsCutBetweenCharacters) {
  KXModalDialog h(kProgramControls, nullptr);
  auto& field = Pane<KXEditField>(h, kField);
  LCommander::SwitchTarget(&field);
  const std::string a253(253, 'a');
  const std::vector<std::tuple<std::string, std::string, std::string>> cases = {
      {a253, kKanji + kKanji, a253 + kKanji},       // one fits, the next is cut off whole
      {a253 + "a", kKanji + "b", a253 + "a"},       // the cut comes before the character
      {"", "x" + kKanji + "y", "x" + kKanji + "y"}, // a paste that fits goes in as it is
  };
  for (const auto& [before, paste, after] : cases) {
    field.SetText(before.data(), before.size());
    Paste(field, paste);
    EXPECT_EQ(field.GetText(), after) << before.size();
  }
  // 127 characters of two bytes fill 254 bytes; the 128th stays out.
  std::string many;
  for (int k = 0; k < 130; ++k) many += kKanji;
  field.SetText("", 0);
  Paste(field, many);
  EXPECT_EQ(field.GetText(), many.substr(0, 254));
}

TEST_F(EditFieldCharactersTest, TypingRefusesACharacterWithoutRoomForBothBytes) {
  KXModalDialog h(kProgramControls, nullptr);
  auto& field = Pane<KXEditField>(h, kField);
  LCommander::SwitchTarget(&field);
  const std::string a254(254, 'a');
  field.SetText(a254.data(), a254.size());
  const int beeps = host.Beeps();
  Type(h, kKanji);
  EXPECT_EQ(field.GetText(), a254);
  EXPECT_EQ(host.Beeps(), beeps + 1);
  // The next key is a key again.
  Type(h, "b");
  EXPECT_EQ(field.GetText(), a254 + "b");
  field.SetText(a254.data(), 253);
  Type(h, kKanji);
  EXPECT_EQ(field.GetText(), a254.substr(0, 253) + kKanji);
}

}  // namespace
