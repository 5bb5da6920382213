// Edit fields: values in hundredths, change broadcasts, typing undone in
// whole double-byte characters, answers that rewrite fields while the user
// types, the locked field, inline input through the key filter.
#include "views/edit_field.h"

#include <cstdlib>
#include <random>

#include "platform/framework/input_method.h"
#include "views_fixture.h"

namespace {

constexpr PaneIDT kValueField = 3962, kDigitsField = 3963, kLockedField = 3964;
const std::string kKanji = "\x8A\xBF";   // a two-byte character (Shift_JIS)

TEST(Value100, TextToHundredthsAndBack) {
  struct Case {
    const char* text;
    std::int32_t value;
  } cases[] = {
      {"12.34", 1234}, {"7.5", 750},      {"7.", 700},        {"-3.25", -325},   {"123456", 1234500},
      {"-0.05", -5},   {"-12345", -1234500}, {"+2.5", 250},   {"", 0},           {".75", 75},
      {"12a.5", 1200}, {"-", 0},          {"0.999", 99},      {"99999.99", 9999999},
  };
  for (const Case& c : cases) EXPECT_EQ(KXEditField::ParseValue100(c.text), c.value) << c.text;
  EXPECT_EQ(KXEditField::FormatValue100(1250), "12.5");
  EXPECT_EQ(KXEditField::FormatValue100(1205), "12.05");
  EXPECT_EQ(KXEditField::FormatValue100(1200), "12");
  EXPECT_EQ(KXEditField::FormatValue100(-325), "-3.25");
  EXPECT_EQ(KXEditField::FormatValue100(-5), "-0.05");
  EXPECT_EQ(KXEditField::FormatValue100(INT32_MIN), "-21474836.48");
}

TEST(Value100, RoundTripsEveryValueWithinFiveDigits) {
  const char* env = std::getenv("KX_RANDOM_STEPS");
  const int steps = env ? std::atoi(env) : 20000;
  std::mt19937 rng(43);
  std::uniform_int_distribution<std::int32_t> any(-9999999, 9999999);
  for (int i = 0; i < steps; ++i) {
    const std::int32_t v = i < 200 ? i - 100 : any(rng);
    ASSERT_EQ(KXEditField::ParseValue100(KXEditField::FormatValue100(v)), v) << v;
  }
}

class EditFieldTest : public ViewsTest {};

TEST_F(EditFieldTest, UserChangesBroadcastMinusThePaneIDAndTextCopiesUpToMax) {
  KXModalDialog h(kProgramControls, nullptr);
  auto& field = Pane<KXEditField>(h, kValueField);
  EXPECT_EQ(field.GetValue100(), 1250);
  struct Ear : LListener {
    std::vector<MessageT> heard;
    void ListenToMessage(MessageT m, void*) override { heard.push_back(m); }
  } ear;
  field.AddListener(&ear);
  LCommander::SwitchTarget(&field);
  host.PostKey('7', 0);
  Drain(h);
  EXPECT_EQ(field.GetText(), "12.57");
  field.SetValue100(-5);   // the program's change is not the user's
  EXPECT_EQ(ear.heard, std::vector<MessageT>{-kValueField});
  char buffer[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(field.GetText(buffer, 0), 5u);
  EXPECT_EQ(buffer[0], 'x');
  EXPECT_EQ(field.GetText(buffer, 2), 5u);
  EXPECT_EQ(std::string(buffer, 2), "-0");
  EXPECT_EQ(field.GetText(nullptr, 10), 5u);
}

TEST_F(EditFieldTest, DeletingAKanjiTakesBothBytesAndUndoPutsItBack) {
  struct Case {
    std::uint8_t keyCode, ch;
    std::size_t caret;   // where the caret stands before the key
  } cases[] = {{kKxKeyForwardDelete, 127, 1}, {kKxKeyBackspace, 8, 3}};
  for (const Case& c : cases) {
    KXModalDialog h(kProgramControls, nullptr);
    Dialog(h).UndoSupport();
    Drain(h);
    auto& field = Pane<KXEditJField>(h, kDigitsField);
    field.SetText(("a" + kKanji + "b").data(), 4);
    LCommander::SwitchTarget(&field);
    field.SetSelection(c.caret, c.caret);
    host.PostKey(c.ch, c.keyCode);
    Drain(h);
    EXPECT_EQ(field.GetText(), "ab") << int(c.keyCode);
    field.ProcessCommand(kKxCmdUndo);
    EXPECT_EQ(field.GetText(), "a" + kKanji + "b") << int(c.keyCode);
    field.ProcessCommand(kKxCmdUndo);   // redo
    EXPECT_EQ(field.GetText(), "ab");
  }
}

TEST_F(EditFieldTest, TypingIsOneUndoStepUntilTheCaretMoves) {
  KXModalDialog h(kProgramControls, nullptr);
  Dialog(h).UndoSupport();
  auto& field = Pane<KXEditField>(h, kValueField);
  LCommander::SwitchTarget(&field);
  for (char c : std::string("34")) host.PostKey(std::uint8_t(c), 0);
  Drain(h);
  EXPECT_EQ(field.GetText(), "12.534");
  field.ProcessCommand(kKxCmdUndo);
  EXPECT_EQ(field.GetText(), "12.5");
  // A field that dies leaves its posted action inert.
  host.PostKey('9', 0);
  Drain(h);
}

// A dialog that answers each change by rewriting a field: the typed
// field's own value kept at most 20, or the other field showing the value
// (from the first key, or only from the undo on). Typing, undo and redo go
// on with the history the answers leave.
TEST_F(EditFieldTest, AnAnswerThatRewritesAFieldKeepsTheTypingAndItsUndo) {
  enum Kind { kCap, kOther, kOtherFromUndo };
  struct Answer : LListener {
    KXEditField* other = nullptr;
    Kind kind = kCap;
    void ListenToMessage(MessageT, void* param) override {
      auto* typed = static_cast<KXEditField*>(param);
      if (kind != kCap) other->SetValue100(typed->GetValue100());
      else if (typed->GetValue100() > 2000) typed->SetValue100(2000);
    }
  };
  for (Kind kind : {kCap, kOther, kOtherFromUndo}) {
    KXModalDialog h(kProgramControls, nullptr);
    Dialog(h).UndoSupport();
    Drain(h);
    auto& field = Pane<KXEditField>(h, kValueField);
    auto& other = Pane<KXEditJField>(h, kDigitsField);
    Answer answer;
    answer.other = &other;
    answer.kind = kind;
    if (kind != kOtherFromUndo) field.AddListener(&answer);
    LCommander::SwitchTarget(&field);
    field.SelectAll();
    for (char c : std::string("345")) host.PostKey(std::uint8_t(c), 0);
    Drain(h);
    if (kind == kOtherFromUndo) field.AddListener(&answer);
    const bool cap = kind == kCap;
    const std::string typed = cap ? "20" : "345";
    EXPECT_EQ(field.GetText(), typed) << kind;
    field.ProcessCommand(kKxCmdUndo);
    EXPECT_EQ(field.GetText(), "12.5") << kind;
    EXPECT_EQ(other.GetText(), cap ? "" : "12.5") << kind;
    field.ProcessCommand(kKxCmdUndo);   // redo
    EXPECT_EQ(field.GetText(), typed) << kind;
    host.PostKey('1', 0);
    Drain(h);
    EXPECT_EQ(field.GetText(), cap ? "20" : "3451") << kind;
    EXPECT_EQ(other.GetText(), cap ? "" : "3451") << kind;
    // The program's own change, answering nothing, still ends the history.
    field.SetValue100(700);
    field.ProcessCommand(kKxCmdUndo);
    EXPECT_EQ(field.GetText(), "7") << kind;
  }
}

// The program's text replaces a composition: what is committed after it
// goes in at the caret, and undo gives the program's text back.
TEST_F(EditFieldTest, TheProgramsTextEndsAComposition) {
  KXModalDialog h(kProgramControls, nullptr);
  Dialog(h).UndoSupport();
  Drain(h);
  auto& field = Pane<KXEditJField>(h, kDigitsField);
  LCommander::SwitchTarget(&field);
  host.PostKey('1', 0);   // the composition joins this typing
  Drain(h);
  KxDeliverInputMethodPreedit("2");
  EXPECT_EQ(field.GetText(), "12");
  field.SetText("7", 1);
  EXPECT_FALSE(field.InputMethodComposing());
  EXPECT_TRUE(KxDeliverInputMethodCommit("5"));
  EXPECT_EQ(field.GetText(), "75");
  field.ProcessCommand(kKxCmdUndo);
  EXPECT_EQ(field.GetText(), "7");
}

TEST_F(EditFieldTest, ALockedFieldPassesKeysAndCommandsUp) {
  KXModalDialog h(kProgramControls, nullptr);
  auto& field = Pane<KXEditSField>(h, kLockedField);
  struct Catcher : LAttachment {
    std::vector<MessageT> seen;
    Catcher() : LAttachment(kKxMsgAnyMessage, true) {}
    void ExecuteSelf(MessageT m, void*) override {
      if (m == kKxCmdCut || m == kKxCmdCopy || m == kKxCmdPaste) seen.push_back(m);
    }
  };
  auto* catcher = new Catcher;
  h.GetDialog()->AddAttachment(catcher);
  Click(h, kLockedField);
  EXPECT_EQ(LCommander::GetTarget(), &field);
  host.PostKey('x', 0);
  Drain(h);
  field.ProcessCommand(kKxCmdCut);
  field.ProcessCommand(kKxCmdPaste);
  EXPECT_EQ(field.GetText(), "Read only");
  EXPECT_EQ(catcher->seen, (std::vector<MessageT>{kKxCmdCut, kKxCmdPaste}));
  field.SetLocked(false);
  field.SetSelection(0, 4);
  field.ProcessCommand(kKxCmdCut);
  EXPECT_EQ(field.GetText(), " only");
}

TEST_F(EditFieldTest, AGreyedFieldTakesNoKeys) {
  KXModalDialog h(kProgramControls, nullptr);
  auto& field = Pane<KXEditField>(h, kValueField);
  LCommander::SwitchTarget(&field);
  field.Disable();
  host.PostKey('7', 0);
  host.PostKey(8, kKxKeyBackspace);
  Drain(h);
  EXPECT_EQ(field.GetText(), "12.5");
  field.Enable();
  host.PostKey('7', 0);
  Drain(h);
  EXPECT_EQ(field.GetText(), "12.57");
}

TEST_F(EditFieldTest, InputMethodTextPassesTheDigitsFilter) {
  struct Case {
    const char* preedit;   // composition before the commit (empty: none)
    const char* commit;
    const char* want;
    int beeps;
  } cases[] = {
      {"", "12", "12", 0},
      {"", "1a2", "12", 1},                   // a letter is refused, the rest goes in
      {"にほん", "3\xE6\xBC\xA2" "4", "34", 1},  // kanji refused whole, digits kept
      {"", "1\t2", "", 1},                    // a key for the dialog: the whole commit is refused
      {"", "123456789", "", 1},               // more than the field's 8 bytes
      {"12", "5", "5", 0},                    // the commit replaces the composition
  };
  for (const Case& c : cases) {
    KXModalDialog h(kProgramControls, nullptr);
    Dialog(h).UndoSupport();
    auto& field = Pane<KXEditJField>(h, kDigitsField);
    LCommander::SwitchTarget(&field);
    const int beeps = host.Beeps();
    if (*c.preedit) {
      KxDeliverInputMethodPreedit(c.preedit);
      EXPECT_TRUE(field.InputMethodComposing());
    }
    EXPECT_TRUE(KxDeliverInputMethodCommit(c.commit));
    EXPECT_FALSE(field.InputMethodComposing());
    EXPECT_EQ(field.GetText(), c.want) << c.commit;
    EXPECT_EQ(host.Beeps() - beeps, c.beeps) << c.commit;
    field.ProcessCommand(kKxCmdUndo);
    EXPECT_EQ(field.GetText(), "") << c.commit;
  }
}

TEST_F(EditFieldTest, LeavingTheFieldConfirmsTheComposition) {
  KXModalDialog h(kProgramControls, nullptr);
  auto& jfield = Pane<KXEditJField>(h, kDigitsField);
  auto& other = Pane<KXEditField>(h, kValueField);
  LCommander::SwitchTarget(&jfield);
  KxDeliverInputMethodPreedit("42");
  EXPECT_EQ(jfield.GetSelStart(), 0u);
  EXPECT_EQ(jfield.GetSelEnd(), 2u);
  LCommander::SwitchTarget(&other);
  EXPECT_FALSE(jfield.InputMethodComposing());
  EXPECT_EQ(jfield.GetText(), "42");
  // A target without inline input gets the text as keys.
  KxDeliverInputMethodCommit("9");
  EXPECT_EQ(other.GetText(), "12.59");
}

}  // namespace
