// A macro's keys replay as they were typed: the recorder keeps a key after
// the key tables mapped it, so the view's replay must not map it again.
#include <string>
#include <utility>
#include <vector>

#include "engine/keytables.h"
#include "engine/macro_recorder.h"
#include "engine/text_event.h"
#include "platform/keys.h"
#include "text_view_fixture.h"

namespace {
using kxtest::TextPaneTest;

constexpr std::uint16_t kCmd = kKxEventCommandKey, kShift = kKxEventShiftKey, kOpt = kKxEventOptionKey,
                        kCtrl = kKxEventControlKey;

class KeyRecorder : public CKXMacroRecorder {
 public:
  bool IsRecording() const override { return on; }
  void AddMacroKeyCode(unsigned char key, char modifiers) override { keys.emplace_back(key, modifiers); }
  bool on = false;
  std::vector<std::pair<unsigned char, char>> keys;
};

struct Stroke {
  std::uint8_t ch;
  std::uint16_t mods;
};

class TextViewMacroKeysTest : public TextPaneTest {
 protected:
  void SetUp() override {
    TextPaneTest::SetUp();
    KxResetKeyTables();
    CKXMacroRecorder::Install(&recorder);
  }
  void TearDown() override {
    CKXMacroRecorder::Install(nullptr);
    if (handler) handler->SetTextEngine(nullptr);
    TextPaneTest::TearDown();
    if (handler) handler->RemoveUser(this);
    handler = nullptr;
  }
  // A text view whose keys go through a key handler, as in a window.
  void OpenWithHandler(const std::string& text, bool vertical) {
    Open(text, 400, 300, 0, vertical);
    handler = new CKXTextEvent;
    handler->AddUser(this);
    handler->SetTextEngine(engine);
    panes.view[0]->SetEventHandler(handler);
  }
  void Reset(const std::string& text, long caret) {
    engine->SetText(text);
    engine->Select(caret, caret);
  }
  void Press(const Stroke& s) {
    EventRecord e;
    e.what = keyDown;
    e.message = KxKeyMessage(s.ch, 0);
    e.modifiers = s.mods;
    e.when = 1;
    handler->DoEvent(e);
  }
  std::string State() {
    const SKXRange sel = engine->GetSelectionRange();
    return engine->Text() + "|" + std::to_string(sel.start) + "," + std::to_string(sel.length);
  }

  KeyRecorder recorder;
  CKXTextEvent* handler = nullptr;
};

TEST_F(TextViewMacroKeysTest, RecordedKeysReplayAsTypedInBothWritings) {
  struct Case {
    const char* what;
    std::vector<Stroke> before;   // typed live, not recorded, before both runs
    std::vector<Stroke> keys;
  };
  const Case cases[] = {
      {"command-option-down: end of text", {}, {{kKxCharDownArrow, kCmd | kOpt}}},
      {"command-option-up: start of text", {}, {{kKxCharUpArrow, kCmd | kOpt}}},
      {"option-up", {}, {{kKxCharUpArrow, kOpt}}},
      {"option-down", {}, {{kKxCharDownArrow, kOpt}}},
      {"option-right", {}, {{kKxCharRightArrow, kOpt}}},
      {"command-left", {}, {{kKxCharLeftArrow, kCmd}}},
      {"command-down pages", {}, {{kKxCharDownArrow, kCmd}}},
      {"home", {}, {{kKxCharHome, 0}}},
      {"end", {}, {{kKxCharEnd, 0}}},
      {"control-J: word backwards", {}, {{10, kCtrl}}},
      {"control-T: word forwards", {}, {{20, kCtrl}}},
      {"control-U: line start backwards", {}, {{21, kCtrl}}},
      {"control-K: to line end", {}, {{11, kCtrl}}},
      {"control-Y: the display line", {}, {{25, kCtrl}}},
      {"control-L puts the deleted text back", {{11, kCtrl}}, {{12, kCtrl}}},
      {"control-Q R: start of text", {}, {{17, kCtrl}, {18, kCtrl}}},
      {"control-Q C: end of text", {}, {{17, kCtrl}, {3, kCtrl}}},
      {"control-E", {}, {{5, kCtrl}}},
      {"shift-backspace deletes forward", {}, {{kKxCharBackspace, kShift}}},
      {"option-backspace", {}, {{kKxCharBackspace, kOpt}}},
      {"letters", {}, {{'a', 0}, {'B', kShift}}},
  };
  const std::string text = "one two three\rfour five six\rseven eight\rnine\r";
  const long caret = 19;   // inside "five"
  for (bool vertical : {false, true}) {
    OpenWithHandler(text, vertical);
    for (const Case& c : cases) {
      const std::string name = std::string(c.what) + (vertical ? " (vertical)" : "");
      Reset(text, caret);
      for (const Stroke& s : c.before) Press(s);
      recorder.keys.clear();
      recorder.on = true;
      for (const Stroke& s : c.keys) Press(s);
      recorder.on = false;
      const std::string live = State();
      ASSERT_FALSE(recorder.keys.empty()) << name;

      Reset(text, caret);
      for (const Stroke& s : c.before) Press(s);
      const auto recorded = recorder.keys;
      for (const auto& [key, mods] : recorded) panes.view[0]->KeyEvent(key, mods);
      EXPECT_EQ(State(), live) << name;
    }
    TearDown();
    SetUp();
  }
}

// Text from a macro file or the preferences may end in a lead byte without
// its second byte: it is left out rather than joined to the next character.
TEST_F(TextViewMacroKeysTest, InsertedTextKeepsCharacterBoundaries) {
  const struct {
    std::string insert, expect;
  } cases[] = {
      {"\x82", "hello"},
      {"ab\x82", "abhello"},
      {"\x82\xa0", "\x82\xa0hello"},
      {"a\x82\xa0\x82", "a\x82\xa0hello"},
  };
  for (const auto& c : cases) {
    Open("hello", 400, 200);
    std::string bytes = c.insert;
    panes.view[0]->InsertString(bytes.data(), long(bytes.size()));
    EXPECT_EQ(engine->Text(), c.expect);
    TearDown();
    SetUp();
  }
}

}  // namespace
