// The application on the headless host with window, document and view
// stand-ins: scripted keys and menu choices through the target chain,
// activation moving the target, idlers on the virtual clock, the event
// wait, and windows closing with undo history.
#include "platform/framework/application.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/framework/action.h"
#include "platform/framework/multi_level_undoer.h"
#include "platform/framework/periodical.h"
#include "platform/host/headless.h"

namespace {

constexpr CommandT kCmdNew = 2;
constexpr CommandT kCmdCopy = 13;
constexpr CommandT kCmdSelectAll = 16;
constexpr std::int16_t kSizeMenu = 251;

struct Log {
  std::vector<std::string> lines;
} gLog;

class TestApp : public LApplication {
 public:
  bool dialogOpen = false;
  bool ObeyCommand(CommandT command, void* param) override {
    if (command == kCmdNew) {
      gLog.lines.push_back("app new");
      return true;
    }
    return LApplication::ObeyCommand(command, param);
  }
  void FindCommandStatus(CommandT command, Boolean& enabled, Boolean& usesMark, std::uint16_t& mark,
                         Str255 name) override {
    if (dialogOpen) {
      enabled = false;
      return;
    }
    if (command == kCmdNew) {
      enabled = true;
      return;
    }
    LApplication::FindCommandStatus(command, enabled, usesMark, mark, name);
  }
};

// Appends a character to the view's text; undo removes it.
class TypeAction : public LAction {
 public:
  TypeAction(std::string& text, char c) : LAction(0, 0, true), mText(text), mChar(c) {}

 protected:
  void UndoSelf() override { mText.pop_back(); }
  void RedoSelf() override { mText.push_back(mChar); }

 private:
  std::string& mText;
  char mChar;
};

class View : public LCommander, public LPeriodical {
 public:
  View(LCommander* window, TestApp& app) : LCommander(window), mApp(app) {}
  std::string text;
  int idleTurns = 0;
  std::vector<std::uint32_t> idleTicks;

  bool HandleKeyPress(const EventRecord& event) override {
    const char c = char(KxEventChar(event));
    text.push_back(c);
    PostAction(new TypeAction(text, c));
    return true;
  }
  bool ObeyCommand(CommandT command, void* param) override {
    std::int16_t menu, item;
    if (mApp.dialogOpen) return LCommander::ObeyCommand(command, param);
    if (LCommander::IsSyntheticCommand(command, menu, item) && menu == kSizeMenu) {
      gLog.lines.push_back("view size item " + std::to_string(item));
      return true;
    }
    if (command == kCmdCopy || command == kCmdSelectAll) {
      gLog.lines.push_back("view " + std::to_string(command));
      return true;
    }
    return LCommander::ObeyCommand(command, param);
  }
  void FindCommandStatus(CommandT command, Boolean& enabled, Boolean& usesMark, std::uint16_t& mark,
                         Str255 name) override {
    std::int16_t menu, item;
    if (!mApp.dialogOpen && (command == kCmdCopy || command == kCmdSelectAll ||
                             (LCommander::IsSyntheticCommand(command, menu, item) && menu == kSizeMenu))) {
      enabled = true;
      return;
    }
    LCommander::FindCommandStatus(command, enabled, usesMark, mark, name);
  }
  void SpendTime(const EventRecord& event) override {
    ++idleTurns;
    idleTicks.push_back(event.when);
  }
  void Activate(bool active) {
    if (active)
      StartIdling();
    else
      StopIdling();
  }

 private:
  TestApp& mApp;
};

class Document : public LCommander {
 public:
  using LCommander::LCommander;
};

// A window: a host window, a commander under its document, the view inside.
class Window : public LCommander, public KxWindowClient {
 public:
  Window(Document* doc, TestApp& app, std::int16_t top) : LCommander(doc) {
    undoer = new CKXUndoer;
    AddAttachment(undoer);
    view = std::make_unique<View>(this, app);
    SetLatentSub(view.get());
    const unsigned char title[] = "\x03" "doc";
    id = KxCurrentHost().CreateWindow(this, Rect{top, 0, std::int16_t(top + 100), 200}, title);
  }
  ~Window() override {
    KxCurrentHost().DestroyWindow(id);
    view.reset();
  }
  void HostActivate(bool active) override {
    view->Activate(active);
    if (active) RestoreTarget();
  }
  bool HostMouseDown(const EventRecord&) override { return true; }
  void HostWheel(const EventRecord& e) override { wheels.push_back(e); }

  KxWindowID id;
  std::vector<EventRecord> wheels;
  CKXUndoer* undoer;
  std::unique_ptr<View> view;
};

struct AppTest : ::testing::Test {
  void SetUp() override {
    gLog.lines.clear();
    host = std::make_unique<KxHeadlessHost>();
    app = std::make_unique<TestApp>();
    doc = std::make_unique<Document>(app.get());
  }
  void TearDown() override {
    doc.reset();
    app.reset();
    host.reset();
  }
  // Runs the loop until the script is used up.
  void RunScript() {
    host->SetIdleLimit(1);
    if (!app->GetMenuBar())
      app->Run();
    else
      while (!host->ShouldStop()) app->ProcessNextEvent();
  }
  std::unique_ptr<KxHeadlessHost> host;
  std::unique_ptr<TestApp> app;
  std::unique_ptr<Document> doc;
};

TEST_F(AppTest, KeysAndMenuChoicesTravelTheTargetChain) {
  Window win(doc.get(), *app, 0);
  host->PostKey('a', 0);
  host->PostKey('b', 0);
  host->PostKey('c', 8, kKxEventCommandKey);                      // copy: the view's own
  host->PostKey('n', 45, kKxEventCommandKey);                     // new: only the application knows it
  host->PostKey('z', 6, kKxEventCommandKey);                      // undo: the window's undoer
  host->PostMenuChoice(kSizeMenu, 4);                             // a synthetic command
  RunScript();
  EXPECT_EQ(LCommander::GetTarget(), win.view.get());
  EXPECT_EQ(win.view->text, "a");
  EXPECT_EQ(gLog.lines, (std::vector<std::string>{"view 13", "app new", "view size item 4"}));
  EXPECT_EQ(win.undoer->CountUndo(), 1u);
  EXPECT_EQ(win.undoer->CountRedo(), 1u);

  // The menus show the undoer's texts after the commands ran.
  LMenu* edit = app->GetMenuBar()->FetchMenu(130);
  EXPECT_TRUE(edit->IsItemEnabled(1));
  EXPECT_TRUE(edit->IsItemEnabled(2));
  Str255 text;
  edit->GetItemText(2, text);
  EXPECT_EQ(text[text[0]], '1');   // the redo name ends with the count

  // While a program dialog is open (and the target) every command is
  // disabled; their keys are swallowed, not typed.
  struct Dialog : LCommander {
    using LCommander::LCommander;
    std::string keys;
    bool HandleKeyPress(const EventRecord& e) override {
      keys.push_back(char(KxEventChar(e)));
      return true;
    }
  } dialog(app.get());
  app->dialogOpen = true;
  ASSERT_TRUE(LCommander::SwitchTarget(&dialog));
  app->UpdateMenus();
  for (LMenu* m : app->GetMenuBar()->GetBarMenus())
    for (std::int16_t i = 1; i <= m->CountItems(); ++i) EXPECT_FALSE(m->IsItemEnabled(i)) << m->GetMenuID() << "/" << i;
  gLog.lines.clear();
  host->PostKey('c', 8, kKxEventCommandKey);
  host->PostKey('n', 45, kKxEventCommandKey);
  host->PostKey('!', 18, kKxEventCommandKey);   // no menu's key: goes to the target
  host->PostKey('r', 15);
  RunScript();
  EXPECT_TRUE(gLog.lines.empty());
  EXPECT_EQ(dialog.keys, "!r");
  EXPECT_EQ(win.view->text, "a");
  LCommander::SwitchTarget(win.view.get());
}

TEST_F(AppTest, TheWheelScrollsTheWindowUnderThePointerFrontOrNot) {
  Window back(doc.get(), *app, 0);
  Document doc2(app.get());
  Window front(&doc2, *app, 200);
  const struct {
    Point where;
    std::int16_t down, right;
  } turns[] = {
      {{50, 10}, 3, 0},     // the back window: scrolled, not brought forward
      {{250, 10}, -6, 2},   // the front window
      {{150, 10}, 1, 0},    // between them: nobody
  };
  for (const auto& t : turns) {
    EventRecord e;
    e.what = kKxWheelEvt;
    e.message = KxWheelMessage(t.down, t.right);
    e.where = t.where;
    host->PostEvent(e);
  }
  RunScript();
  ASSERT_EQ(back.wheels.size(), 1u);
  EXPECT_EQ(KxWheelLinesDown(back.wheels[0]), 3);
  ASSERT_EQ(front.wheels.size(), 1u);
  EXPECT_EQ(KxWheelLinesDown(front.wheels[0]), -6);
  EXPECT_EQ(KxWheelLinesRight(front.wheels[0]), 2);
  EXPECT_EQ(host->FrontWindow(), front.id);
}

TEST_F(AppTest, ActivationMovesTheTargetAndOnlyActiveViewsIdle) {
  auto first = std::make_unique<Window>(doc.get(), *app, 0);
  RunScript();
  EXPECT_EQ(LCommander::GetTarget(), first->view.get());
  Document doc2(app.get());
  Window second(&doc2, *app, 200);
  RunScript();
  EXPECT_EQ(LCommander::GetTarget(), second.view.get());
  EXPECT_EQ(host->WindowList(), (std::vector<KxWindowID>{second.id, first->id}));

  const int firstTurns = first->view->idleTurns;
  const int secondTurns = second.view->idleTurns;
  const std::uint32_t start = host->Clock().ticks;
  for (int i = 0; i < 5; ++i) app->ProcessNextEvent();
  EXPECT_EQ(first->view->idleTurns, firstTurns);
  EXPECT_EQ(second.view->idleTurns, secondTurns + 5);
  EXPECT_EQ(host->Clock().ticks, start + 5 * kKxNormalSleepTicks);
  EXPECT_EQ(second.view->idleTicks.back(), host->Clock().ticks);

  // A click in the back window brings it forward; its view is the target again.
  host->PostMouse(true, Point{50, 50});
  host->PostMouse(false, Point{50, 50});
  RunScript();
  EXPECT_EQ(host->FrontWindow(), first->id);
  EXPECT_EQ(LCommander::GetTarget(), first->view.get());
  EXPECT_FALSE(second.view->IsIdling());
  EXPECT_TRUE(first->view->IsIdling());

  // The mouse held in a program view asks for the fast wait until it is up.
  host->PostMouse(true, Point{50, 50});
  app->ProcessNextEvent();
  app->ProcessNextEvent();
  EXPECT_EQ(host->LastSleep(), kKxFastSleepTicks);
  host->PostMouse(false, Point{50, 50});
  app->ProcessNextEvent();
  app->ProcessNextEvent();
  EXPECT_EQ(host->LastSleep(), kKxNormalSleepTicks);
  app->SetFastWait(true);   // a dialog of the program is open
  app->ProcessNextEvent();
  EXPECT_EQ(host->LastSleep(), kKxFastSleepTicks);
  app->SetFastWait(false);

  // Closing the front window with history frees it all and the other
  // window's view becomes the target.
  host->PostKey('x', 7);
  host->PostKey('y', 16);
  host->PostKey('z', 6, kKxEventCommandKey);
  RunScript();
  EXPECT_EQ(first->undoer->CountUndo(), 1u);
  EXPECT_EQ(first->undoer->CountRedo(), 1u);
  first.reset();
  RunScript();
  EXPECT_EQ(host->WindowList(), std::vector<KxWindowID>{second.id});
  EXPECT_EQ(LCommander::GetTarget(), second.view.get());
}

TEST_F(AppTest, ActionsPostedWithoutAnUndoerRunOnceAndAreFreed) {
  std::string text;
  LCommander::PostAnAction(new TypeAction(text, 'q'));   // done already: only deleted
  class Pending : public TypeAction {
   public:
    Pending(std::string& t) : TypeAction(t, 'p') { mIsDone = false; }
  };
  LCommander::PostAnAction(new Pending(text));           // not done: performed first
  EXPECT_EQ(text, "p");
  LCommander::SwitchTarget(nullptr);
  LCommander::PostAnAction(new Pending(text));
  EXPECT_EQ(text, "pp");
  LCommander::PostAnAction(nullptr);
}

}  // namespace
