// The text event handler: keys through the arrow, control and function-key
// tables in both writings, two-stroke control keys as a pending state,
// Escape while recording, and links found under the caret.
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/macro_recorder.h"
#include "engine/text_event.h"
#include "engine_fixture.h"
#include "platform/framework/commander.h"
#include "platform/draw/port.h"
#include "platform/exception.h"
#include "platform/url_open.h"

namespace {

using kxtest::EngineTest;
using kxtest::EngineWindow;

constexpr std::uint16_t kCmd = kKxEventCommandKey, kShift = kKxEventShiftKey, kOpt = kKxEventOptionKey,
                        kCtrl = kKxEventControlKey;

// A handler bound to an engine in a window; both live as long as the test.
class Bound {
 public:
  Bound() : handler(new CKXTextEvent) {
    handler->AddUser(this);
    w.engine->AddUser(this);   // the window's engine is owned by the test
    handler->SetTextEngine(w.engine.get());
  }
  ~Bound() {
    handler->SetTextEngine(nullptr);
    handler->RemoveUser(this);
  }
  Bound(const Bound&) = delete;
  Bound& operator=(const Bound&) = delete;

  void SetVertical(bool on) { KXTE_SetVertical(w.engine->GetEdit(), on ? 1 : 0); }
  static EventRecord Key(std::uint8_t ch, std::uint8_t keyCode, std::uint16_t mods) {
    EventRecord e;
    e.what = keyDown;
    e.message = KxKeyMessage(ch, keyCode);
    e.modifiers = mods;
    e.when = 1;
    return e;
  }
  // Through the handler's full event path.
  void Press(std::uint8_t ch, std::uint16_t mods = 0, std::uint8_t keyCode = 0) {
    handler->DoEvent(Key(ch, keyCode, mods));
  }

  EngineWindow w;
  CKXTextEvent* handler;
};

class TextEventTest : public EngineTest {
 protected:
  void SetUp() override { KxResetKeyTables(); }
  void TearDown() override { KxResetKeyTables(); }
};

struct KeyCase {
  const char* what;
  bool vertical;
  bool editable;
  std::uint8_t ch;
  std::uint16_t mods;
  bool passes;
  std::uint8_t outCh;
  std::uint16_t outMods;
};

TEST_F(TextEventTest, SingleKeysMapThroughTheTablesInBothWritings) {
  const KeyCase cases[] = {
      {"home becomes line start", false, true, 1, 0, true, 28, kCmd},
      {"end becomes line end", false, true, 4, 0, true, 29, kCmd},
      {"home with option passes as home", false, true, 1, kOpt, true, 1, kOpt},
      {"home in vertical writing", true, true, 1, 0, true, 30, kCmd},
      {"end in vertical writing", true, true, 4, 0, true, 31, kCmd},
      {"plain arrow passes", false, true, 28, kShift, true, 28, kShift},
      {"command-up pages", false, true, 30, kCmd, true, 11, 0},
      {"command-down pages", false, true, 31, kCmd | kShift, true, 12, kShift},
      {"command-option-up goes home", false, true, 30, kCmd | kOpt, true, 1, 0},
      {"option-up gains command", false, true, 30, kOpt, true, 30, kCmd | kOpt},
      {"option-left stays", false, true, 28, kOpt, true, 28, kOpt},
      {"vertical command-up is line start", true, true, 30, kCmd, true, 30, kCmd},
      {"vertical command-right pages up", true, true, 29, kCmd, true, 11, 0},
      {"vertical option-right", true, true, 29, kOpt, true, 31, kCmd | kOpt},
      {"vertical option-left", true, true, 28, kOpt, true, 30, kCmd | kOpt},
      {"shift-backspace deletes forward", false, true, 8, kShift, true, 127, 0},
      {"option-delete loses option", false, true, 127, kOpt, true, 127, 0},
      {"command-letter is not for the text", false, true, 'a', kCmd, false, 'a', kCmd},
      {"letter", false, true, 'a', kShift, true, 'a', kShift},
      {"read-only refuses letters", false, false, 'a', 0, false, 'a', 0},
      {"read-only refuses return", false, false, 13, 0, false, 13, 0},
      {"read-only arrows move", false, false, 29, 0, true, 29, 0},
      {"read-only page down moves", false, false, 12, 0, true, 12, 0},
      {"read-only page up moves", false, false, 11, 0, true, 11, 0},
  };
  for (const KeyCase& c : cases) {
    Bound b;
    b.SetVertical(c.vertical);
    b.w.engine->SetAttributes(c.editable ? kKxEngineEditable : 0);
    EventRecord e = Bound::Key(c.ch, 0, c.mods);
    EXPECT_EQ(b.handler->GetKeyEvent(e), c.passes) << c.what;
    if (!c.passes) continue;
    EXPECT_EQ(KxEventChar(e), c.outCh) << c.what;
    EXPECT_EQ(e.modifiers, c.outMods) << c.what;
  }
}

TEST_F(TextEventTest, ControlKeysOneAndTwoStrokes) {
  struct Case {
    const char* what;
    bool vertical;
    std::vector<std::pair<std::uint8_t, std::uint16_t>> strokes;
    bool passes;
    std::uint8_t outCh;
    std::uint16_t outMods;
    int beeps;
  };
  const Case cases[] = {
      {"ctrl-S left", false, {{19, kCtrl}}, true, 28, 0, 0},
      {"ctrl-A word left", false, {{1, kCtrl}}, true, 28, kOpt, 0},
      {"ctrl-A in vertical writing goes up", true, {{1, kCtrl}}, true, 30, kOpt, 0},
      {"ctrl-L enter with command and option", false, {{12, kCtrl}}, true, 3, kCmd | kOpt, 0},
      {"ctrl-Q R text start", false, {{17, kCtrl}, {18, kCtrl}}, true, 1, 0, 0},
      {"ctrl-Q then a plain r", false, {{17, kCtrl}, {'r', 0}}, true, 1, 0, 0},
      {"ctrl-Q S line start in vertical writing", true, {{17, kCtrl}, {19, kCtrl}}, true, 30, kCmd, 0},
      {"ctrl-Q then a key no entry pairs", false, {{17, kCtrl}, {'x', 0}}, false, 0, 0, 1},
      {"ctrl-Q then a double-byte lead byte", false, {{17, kCtrl}, {0x82, 0}}, false, 0, 0, 1},
      {"ctrl-B is unbound", false, {{2, kCtrl}}, false, 0, 0, 0},
  };
  for (const Case& c : cases) {
    Bound b;
    b.SetVertical(c.vertical);
    const int beeps = host.Beeps();
    EventRecord e{};
    bool passes = false;
    for (std::size_t k = 0; k < c.strokes.size(); ++k) {
      e = Bound::Key(c.strokes[k].first, 0, c.strokes[k].second);
      passes = b.handler->GetKeyEvent(e);
      if (k + 1 < c.strokes.size()) {
        EXPECT_FALSE(passes) << c.what << ": the first stroke waits";
        EXPECT_TRUE(b.handler->IsSecondStrokePending()) << c.what;
      }
    }
    EXPECT_FALSE(b.handler->IsSecondStrokePending()) << c.what;
    EXPECT_EQ(passes, c.passes) << c.what;
    EXPECT_EQ(host.Beeps() - beeps, c.beeps) << c.what;
    if (!passes) continue;
    EXPECT_EQ(KxEventChar(e), c.outCh) << c.what;
    EXPECT_EQ(e.modifiers, c.outMods) << c.what;
  }
}

TEST_F(TextEventTest, ABadSecondStrokeIsDroppedAndTypingGoesOn) {
  Bound b;
  b.w.engine->SetText("ab");
  b.w.engine->Select(1, 1);
  b.Press(17, kCtrl);   // ctrl-Q
  EXPECT_EQ(b.w.engine->Text(), "ab");
  b.Press('x');         // no pair: beeped and dropped
  EXPECT_EQ(b.w.engine->Text(), "ab");
  b.Press('y');
  EXPECT_EQ(b.w.engine->Text(), "ayb");
  b.Press(4, kCtrl);    // ctrl-D: right
  b.Press('z');
  EXPECT_EQ(b.w.engine->Text(), "aybz");
  // A pending first stroke is forgotten when the text loses the focus.
  b.Press(17, kCtrl);
  b.handler->Deactivate();
  b.handler->Activate();
  EXPECT_FALSE(b.handler->IsSecondStrokePending());
  b.Press('w');
  EXPECT_EQ(b.w.engine->Text(), "aybzw");
}

// Records the commands obeyed and answers every one enabled.
class CommandLog : public LCommander {
 public:
  explicit CommandLog(LCommander* super) : LCommander(super) {}
  bool ObeyCommand(CommandT command, void*) override {
    obeyed.push_back(command);
    return true;
  }
  void FindCommandStatus(CommandT command, Boolean& enabled, Boolean&, std::uint16_t&, Str255) override {
    enabled = command != 999;
  }
  std::vector<CommandT> obeyed;
};

class HookLog : public CKXMacroRecorder {
 public:
  bool IsRecording() const override { return recording; }
  void StopRecording() override { recording = false; }
  void AddMacroCommand(long command) override { recorded.push_back(command); }
  void RunFunctionMacro(short key, char mods) override { macros.push_back(key * 10 + mods); }
  bool recording = false;
  std::vector<long> recorded;
  std::vector<int> macros;
};

// Four planes of F1-F12, all unbound until a test binds them.
class FunctionKeyTable : public CKXFunctionKeys {
 public:
  std::int16_t Command(int plane, int key) const override { return commands[std::size_t(plane * 12 + key - 1)]; }
  std::array<std::int16_t, 48> commands{};
};

TEST_F(TextEventTest, FunctionKeysRunTheCommandOfTheirPlaneOrAMacro) {
  Bound b;
  CommandLog target(b.w.window);
  LCommander::SwitchTarget(&target);
  HookLog hooks;
  CKXMacroRecorder::Install(&hooks);
  FunctionKeyTable table;
  CKXFunctionKeys::Install(&table);
  for (int plane = 0; plane < 4; ++plane) table.commands[std::size_t(plane * 12 + 4)] = std::int16_t(500 + plane);
  table.commands[5] = 999;   // F6: bound, but disabled now
  const struct {
    std::uint16_t mods;
    CommandT command;
  } planes[] = {{0, 500}, {kShift, 501}, {kOpt, 502}, {kShift | kOpt, 503}};
  for (const auto& p : planes) {
    target.obeyed.clear();
    EventRecord e = Bound::Key(16, kKxKeyF5, p.mods);
    EXPECT_FALSE(b.handler->GetKeyEvent(e));
    ASSERT_EQ(target.obeyed.size(), 1u) << p.mods;
    EXPECT_EQ(target.obeyed[0], p.command);
  }
  hooks.recording = true;
  EventRecord f5 = Bound::Key(16, kKxKeyF5, 0);
  b.handler->GetKeyEvent(f5);
  EXPECT_EQ(hooks.recorded, std::vector<long>{500});
  hooks.recording = false;
  // Disabled: consumed, nothing obeyed, no macro.
  target.obeyed.clear();
  EventRecord f6 = Bound::Key(16, kKxKeyF6, 0);
  EXPECT_FALSE(b.handler->GetKeyEvent(f6));
  EXPECT_TRUE(target.obeyed.empty());
  EXPECT_TRUE(hooks.macros.empty());
  // Unbound keys and F13 and above run the macro of their number.
  EventRecord f7 = Bound::Key(16, kKxKeyF7, kCmd);
  EventRecord f13 = Bound::Key(16, kKxKeyF13, kShift);
  b.handler->GetKeyEvent(f7);
  b.handler->GetKeyEvent(f13);
  EXPECT_EQ(hooks.macros, (std::vector<int>{72, 131}));
  // An unknown key code under the function-key character is refused.
  EventRecord bad = Bound::Key(16, 0x10, 0);
  EXPECT_FALSE(b.handler->GetKeyEvent(bad));
  EXPECT_EQ(hooks.macros.size(), 2u);
  EXPECT_EQ(b.w.engine->Text(), "");
  CKXMacroRecorder::Install(nullptr);
  CKXFunctionKeys::Install(nullptr);
  LCommander::SwitchTarget(nullptr);
}

TEST_F(TextEventTest, EscapeWhileRecordingStopsAndInsertsNothing) {
  Bound b;
  HookLog hooks;
  CKXMacroRecorder::Install(&hooks);
  hooks.recording = true;
  b.Press(kKxCharEscape, 0, kKxKeyEscape);
  EXPECT_FALSE(hooks.recording);
  EXPECT_EQ(b.w.engine->Text(), "");
  b.Press('a');
  EXPECT_EQ(b.w.engine->Text(), "a");
  CKXMacroRecorder::Install(nullptr);
}

TEST_F(TextEventTest, LinksAreFoundOnlyUnderTheCaretAndOnlyInThreeSchemes) {
  const struct {
    const char* text;
    long caret;
    const char* url;   // null: none
    long from, to;
  } cases[] = {
      {"see http://ex.com/a here", 8, "http://ex.com/a", 4, 19},
      {"see HTTPS://ex.com here", 10, "HTTPS://ex.com", 4, 18},
      {"mail bob@ex.com now", 7, "mailto:bob@ex.com", 5, 15},
      {"mailto:bob@ex.com", 3, "mailto:bob@ex.com", 0, 17},
      {"ftp://ex.com", 4, nullptr, 0, 0},
      {"javascript:alert(1).x", 4, nullptr, 0, 0},
      {"file:///etc/passwd.x", 4, nullptr, 0, 0},
      {"nodothere", 3, nullptr, 0, 0},
      {"a@b@c.com", 3, nullptr, 0, 0},
      {"http://ex.com", 0, nullptr, 0, 0},    // the caret must lie inside the run
      {"http://ex.com", 13, nullptr, 0, 0},
      {"http:// x.com", 3, nullptr, 0, 0},
      {"x http://ex.com \x82\xA0http://b.com", 20, "http://b.com", 18, 30},
  };
  for (const auto& c : cases) {
    Bound b;
    b.w.engine->SetText(c.text);
    b.w.engine->Select(c.caret, c.caret);
    SKXRange range{};
    std::string url;
    const bool found = b.handler->FindClickURL(range, url);
    EXPECT_EQ(found, c.url != nullptr) << c.text;
    if (!found || !c.url) continue;
    EXPECT_EQ(url, c.url) << c.text;
    EXPECT_EQ(range.start, c.from) << c.text;
    EXPECT_EQ(range.start + range.length, c.to) << c.text;
  }
}

TEST_F(TextEventTest, ClickingALinkOpensItThroughTheLauncherAndSelectsIt) {
  std::vector<std::string> opened;
  bool succeed = true;
  KxSetURLOpener([&](const std::string& url) {
    opened.push_back(url);
    return succeed;
  });
  Bound b;
  b.w.engine->SetText("go http://ex.com/x?q=1 or ftp://ex.com");
  b.w.engine->Select(10, 10);
  EXPECT_TRUE(b.handler->DoClickURL(kCmd));
  EXPECT_EQ(opened, std::vector<std::string>{"http://ex.com/x?q=1"});
  EXPECT_EQ(b.w.engine->GetSelectionRange().start, 3);
  EXPECT_EQ(b.w.engine->GetSelectionRange().length, 19);
  // With option the link is only selected.
  b.w.engine->Select(12, 12);
  EXPECT_TRUE(b.handler->DoClickURL(kCmd | kOpt));
  EXPECT_EQ(opened.size(), 1u);
  EXPECT_EQ(b.w.engine->GetSelectionRange().length, 19);
  // Another scheme elsewhere in the paragraph is never opened.
  b.w.engine->Select(30, 30);
  EXPECT_FALSE(b.handler->DoClickURL(kCmd));
  EXPECT_EQ(opened.size(), 1u);
  // A failing launcher is reported.
  succeed = false;
  b.w.engine->Select(10, 10);
  EXPECT_FALSE(b.handler->DoClickURL(kCmd));
  KxSetURLOpener(nullptr);
  b.w.engine->Select(10, 10);
  EXPECT_FALSE(b.handler->DoClickURL(kCmd));
}

TEST_F(TextEventTest, EventsReachTheHooksWithTheButtonStateTheyImply) {
  // A handler that logs its hooks.
  class Log : public CKXEventHandler {
   public:
    void Idle() override { log += 'i'; }
    void MouseMove() override { log += 'm'; }
    void MouseDown() override { log += 'd'; }
    void MouseUp() override { log += 'u'; }
    void KeyDown() override { log += 'k'; }
    void KeyUp() override { log += 'K'; }
    std::string log;
  };
  Log* h = new Log;
  h->AddUser();
  auto ev = [&](std::int16_t what, std::int16_t x, std::int16_t y, std::uint32_t message = 0) {
    EventRecord e;
    e.what = what;
    e.where = Point{y, x};
    e.when = 5;
    e.message = message;
    return h->DoEvent(e);
  };
  EXPECT_TRUE(ev(nullEvent, 3, 3));
  EXPECT_TRUE(ev(mouseDown, 3, 3));
  EXPECT_TRUE(ev(nullEvent, 3, 3));    // held, not moved: idle
  EXPECT_TRUE(ev(nullEvent, 4, 3));    // held and moved
  EXPECT_TRUE(ev(keyDown, 4, 3));      // moved? no: same point, then the key
  EXPECT_TRUE(ev(mouseUp, 4, 3));
  EXPECT_TRUE(ev(osEvt, 9, 9, 0xFA000000u));   // mouse moved: idle
  EXPECT_FALSE(ev(updateEvt, 9, 9));
  EXPECT_TRUE(ev(keyUp, 9, 9));
  EXPECT_EQ(h->log, "idimkuiK");
  EXPECT_EQ(h->GetEvtRecord()->what, keyUp);
  EXPECT_EQ(h->GetLastEvent().what, nullEvent);
  h->RemoveUser();
}

}  // namespace

namespace {

// A view scrolled past 32767 pixels: the mouse reaches the hooks in the
// view's 32-bit coordinates, and a move that the narrowed 16-bit points
// could not tell apart is still a move.
TEST(EventHandlerTest, MousePointsPast16BitsReachTheHooksWhole) {
  class Log : public CKXEventHandler {
   public:
    void MouseDown() override { Note('d'); }
    void MouseMove() override { Note('m'); }
    void MouseUp() override { Note('u'); }
    void Idle() override { Note('i'); }
    void Note(char c) {
      log += c;
      points.push_back(GetEvtMouseL());
    }
    std::string log;
    std::vector<SPoint32> points;
  };
  std::unique_ptr<KxPort> port = KxPort::NewImage(16, 16);
  StKxPortSaver saver(port.get());
  SetOrigin(-4, 40000);   // the view's image scrolled down 40000 pixels
  Log* h = new Log;
  h->AddUser();
  auto ev = [&](std::int16_t what, std::int16_t x, std::int16_t y) {
    EventRecord e;
    e.what = what;
    e.where = Point{y, x};
    e.when = 5;
    return h->DoEvent(e);
  };
  EXPECT_TRUE(ev(mouseDown, 3, 10));
  EXPECT_EQ(h->GetEvtMouse()->v, 32767);   // the 16-bit form is held, as ever
  EXPECT_TRUE(ev(nullEvent, 3, 11));
  EXPECT_TRUE(ev(mouseUp, 3, 11));
  EXPECT_EQ(h->log, "dmu");
  ASSERT_EQ(h->points.size(), 3u);
  EXPECT_EQ(h->points[0].v, 40010);
  EXPECT_EQ(h->points[0].h, -1);
  EXPECT_EQ(h->points[1].v, 40011);
  EXPECT_EQ(h->points[2].v, 40011);
  EXPECT_EQ(h->GetLastMouseL().v, 40011);
  h->RemoveUser();
}

TEST(EventHandlerTest, AFailingHookLeavesTheHandlerReset) {
  class Failing : public CKXEventHandler {
   public:
    void KeyDown() override { throw LException(-108); }
    void KeyUp() override { throw std::runtime_error("no"); }
    void MouseDown() override { CKXEventHandler::MouseDown(); }
  };
  Failing* h = new Failing;
  h->AddUser();
  EventRecord down;
  down.what = mouseDown;
  down.when = 7;
  down.where = Point{5, 5};
  EXPECT_TRUE(h->DoEvent(down));
  EXPECT_NE(h->GetEvtRecord()->modifiers & kKxHandlerButtonHeld, 0);
  EventRecord key = down;
  key.what = keyDown;
  EXPECT_THROW(h->DoEvent(key), LException);
  // Reset: the button is no longer taken as held, nothing is remembered.
  EXPECT_EQ(h->GetEvtRecord()->when, 0u);
  EXPECT_EQ(h->GetEvtRecord()->modifiers, 0);
  EXPECT_EQ(h->GetLastEvent().when, 0u);
  key.what = keyUp;
  EXPECT_FALSE(h->DoEvent(key));
  EXPECT_EQ(h->GetEvtRecord()->when, 0u);
  h->RemoveUser();
}

}  // namespace

// The handler is the scripting model of its text: it counts and finds the
// parts of the engine it is bound to, and forgets both with the engine.
TEST_F(TextEventTest, TheHandlerIsTheScriptingModelOfItsText) {
  Bound b;
  KXText_SetText(b.w.engine->GetEdit(), "one two\rthree", 13, nullptr, 0, nullptr, 0, nullptr, 0);
  EXPECT_EQ(b.handler->CountSubModels(kKxClassWord), 3);
  EXPECT_EQ(b.handler->CountSubModels(kKxClassPara), 2);
  LModelToken token;
  b.handler->GetSubModelByPosition(kKxClassWord, 2, token);
  auto* word = dynamic_cast<CKXTextAEOM*>(token.Get(0));
  ASSERT_NE(word, nullptr);
  EXPECT_EQ(word->CroppedRange().start, 4);
  b.handler->SetTextEngine(nullptr);
  EXPECT_THROW(b.handler->CountSubModels(kKxClassWord), LException);
}
