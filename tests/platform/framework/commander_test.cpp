// The target chain: switching order, latent sub-commanders (never into
// another window), commands and statuses climbing, attachments answering
// in the host's place, and commanders dying while on duty.
#include "platform/framework/commander.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> gLog;

class Cmdr : public LCommander {
 public:
  Cmdr(std::string name, LCommander* super, std::vector<CommandT> owns = {})
      : LCommander(super), mName(std::move(name)), mOwns(std::move(owns)) {}
  ~Cmdr() override = default;
  bool ObeyCommand(CommandT command, void* param) override {
    for (CommandT c : mOwns)
      if (c == command) {
        gLog.push_back(mName + " obeys " + std::to_string(command));
        return true;
      }
    return LCommander::ObeyCommand(command, param);
  }
  void FindCommandStatus(CommandT command, Boolean& enabled, Boolean& usesMark, std::uint16_t& mark,
                         Str255 name) override {
    for (CommandT c : mOwns)
      if (c == command) {
        enabled = true;
        usesMark = true;
        mark = kKxCheckMark;
        name[0] = static_cast<unsigned char>(mName.size());
        std::copy(mName.begin(), mName.end(), name + 1);
        return;
      }
    LCommander::FindCommandStatus(command, enabled, usesMark, mark, name);
  }
  bool AllowSubRemoval(LCommander* sub) override { return sub != mKeep; }
  LCommander* mKeep = nullptr;

 protected:
  void BeTarget() override { gLog.push_back("be " + mName); }
  void DontBeTarget() override { gLog.push_back("dont " + mName); }

 private:
  std::string mName;
  std::vector<CommandT> mOwns;
};

struct Chain : ::testing::Test {
  void SetUp() override {
    gLog.clear();
    LCommander::SwitchTarget(nullptr);
  }
  void TearDown() override { LCommander::SwitchTarget(nullptr); }
};

TEST_F(Chain, SwitchTargetTellsTheOldTargetFirstAndMovesDuty) {
  Cmdr app("app", nullptr, {1});
  Cmdr doc1("doc1", &app), doc2("doc2", &app);
  Cmdr win1("win1", &doc1), win2("win2", &doc2);
  Cmdr view1("view1", &win1), view2("view2", &win2);

  ASSERT_TRUE(LCommander::SwitchTarget(&view1));
  EXPECT_TRUE(view1.IsOnDuty() && win1.IsOnDuty() && doc1.IsOnDuty() && app.IsOnDuty());
  gLog.clear();
  ASSERT_TRUE(LCommander::SwitchTarget(&view2));
  EXPECT_EQ(gLog, (std::vector<std::string>{"dont view1", "be view2"}));
  EXPECT_FALSE(view1.IsOnDuty() || win1.IsOnDuty() || doc1.IsOnDuty());
  EXPECT_TRUE(view2.IsOnDuty() && win2.IsOnDuty() && doc2.IsOnDuty() && app.IsOnDuty());
  EXPECT_EQ(LCommander::GetTarget(), &view2);

  // Going back to the window restores the view that was on duty below it.
  gLog.clear();
  ASSERT_TRUE(win1.RestoreTarget());
  EXPECT_EQ(LCommander::GetTarget(), &view1);
  EXPECT_EQ(gLog, (std::vector<std::string>{"dont view2", "be view1"}));
  // Switching to the same target does nothing.
  gLog.clear();
  EXPECT_TRUE(LCommander::SwitchTarget(&view1));
  EXPECT_TRUE(gLog.empty());
}

TEST_F(Chain, LatentSubBecomesTargetWhenItsWindowIsActivated) {
  Cmdr app("app", nullptr);
  Cmdr win("win", &app), other("other", &app);
  Cmdr pane("pane", &win), field("field", &pane);
  ASSERT_TRUE(LCommander::SwitchTarget(&other));
  // A view clicked in an inactive window waits as the latent sub.
  win.SetLatentSub(&field);
  EXPECT_EQ(LCommander::GetTarget(), &other);
  gLog.clear();
  ASSERT_TRUE(win.RestoreTarget());
  EXPECT_EQ(LCommander::GetTarget(), &field);
  EXPECT_TRUE(pane.IsOnDuty());
  // A commander outside the window's subtree is refused as latent.
  win.SetLatentSub(&other);
  EXPECT_EQ(win.GetLatentSub(), &pane);
  // Without a latent sub the window itself becomes the target.
  Cmdr bare("bare", &app);
  ASSERT_TRUE(bare.RestoreTarget());
  EXPECT_EQ(LCommander::GetTarget(), &bare);
}

// A window of its own (a palette made under a view) that was the target
// last: the window of that view, activated again, keeps the target in
// itself and never hands it to the palette, which is not active.
TEST_F(Chain, ActivationStopsAboveAWindowMadeUnderAView) {
  struct Window : Cmdr {
    using Cmdr::Cmdr;
    bool IsWindowCommander() const override { return true; }
  };
  Cmdr app("app", nullptr);
  Window win("win", &app), other("other", &app);
  Cmdr view("view", &win);
  Window palette("palette", &view);
  Cmdr button("button", &palette);
  ASSERT_TRUE(LCommander::SwitchTarget(&button));
  // The target leaves for another window straight from the palette: the
  // links down to it stay behind as latent subs.
  ASSERT_TRUE(LCommander::SwitchTarget(&other));
  EXPECT_EQ(view.GetLatentSub(), &palette);
  ASSERT_TRUE(win.RestoreTarget());
  EXPECT_EQ(LCommander::GetTarget(), &view);
  EXPECT_FALSE(palette.IsOnDuty());
  // Activated itself, the palette restores its own latent sub.
  ASSERT_TRUE(palette.RestoreTarget());
  EXPECT_EQ(LCommander::GetTarget(), &button);
}

TEST_F(Chain, RefusedSubRemovalLeavesEverythingAsItWas) {
  Cmdr app("app", nullptr);
  Cmdr dialog("dialog", &app), doc("doc", &app);
  Cmdr field("field", &dialog);
  ASSERT_TRUE(LCommander::SwitchTarget(&field));
  dialog.mKeep = &field;
  gLog.clear();
  EXPECT_FALSE(LCommander::SwitchTarget(&doc));
  EXPECT_TRUE(gLog.empty());
  EXPECT_EQ(LCommander::GetTarget(), &field);
  EXPECT_TRUE(field.IsOnDuty() && dialog.IsOnDuty());
  EXPECT_FALSE(doc.IsOnDuty());
}

TEST_F(Chain, CommandsAndStatusesClimbToTheirOwner) {
  Cmdr app("app", nullptr, {2, 27});
  Cmdr doc("doc", &app, {5});
  Cmdr win("win", &doc);
  Cmdr view("view", &win, {12});
  ASSERT_TRUE(LCommander::SwitchTarget(&view));
  struct Case {
    CommandT command;
    bool handled;
    const char* owner;
  };
  for (const Case& c : {Case{12, true, "view"}, Case{5, true, "doc"}, Case{27, true, "app"},
                        Case{999, false, ""}}) {
    gLog.clear();
    EXPECT_EQ(LCommander::GetTarget()->ProcessCommand(c.command), c.handled) << c.command;
    Boolean enabled = true, usesMark = false;
    std::uint16_t mark = 0;
    Str255 name{};
    LCommander::GetTarget()->ProcessCommandStatus(c.command, enabled, usesMark, mark, name);
    EXPECT_EQ(bool(enabled), c.handled) << c.command;
    EXPECT_EQ(std::string(reinterpret_cast<char*>(name + 1), name[0]), c.owner);
    if (c.handled) {
      EXPECT_EQ(gLog.size(), 1u);
    }
  }
}

class Interceptor : public LAttachment {
 public:
  explicit Interceptor(MessageT m) : LAttachment(m, true) {}
  int seen = 0;
  bool answer = false;

 protected:
  void ExecuteSelf(MessageT, void*) override {
    ++seen;
    if (answer) SetExecuteHost(false);
  }
};

TEST_F(Chain, AttachmentsOfEachCommanderSeeCommandsOnTheWayUp) {
  Cmdr app("app", nullptr, {40});
  Cmdr win("win", &app);
  Cmdr view("view", &win);
  auto* onWin = new Interceptor(40);
  win.AddAttachment(onWin);
  auto* other = new Interceptor(41);
  win.AddAttachment(other, onWin);   // goes first
  ASSERT_TRUE(LCommander::SwitchTarget(&view));
  gLog.clear();
  EXPECT_TRUE(view.ProcessCommand(40));
  EXPECT_EQ(onWin->seen, 1);
  EXPECT_EQ(other->seen, 0);
  EXPECT_EQ(gLog, std::vector<std::string>{"app obeys 40"});
  gLog.clear();
  onWin->answer = true;   // now the attachment handles it in the window's place
  EXPECT_TRUE(view.ProcessCommand(40));
  EXPECT_TRUE(gLog.empty());
  EXPECT_EQ(win.CountAttachments(), 2u);
  delete other;   // an attachment deleted by someone else leaves its host
  EXPECT_EQ(win.CountAttachments(), 1u);
}

TEST_F(Chain, DyingCommandersHandTheTargetUp) {
  Cmdr app("app", nullptr);
  auto* win = new Cmdr("win", &app);
  Cmdr view("view", win);
  ASSERT_TRUE(LCommander::SwitchTarget(&view));
  gLog.clear();
  delete win;   // the view outlives its window: orphaned, off duty
  EXPECT_EQ(LCommander::GetTarget(), &app);
  EXPECT_FALSE(view.IsOnDuty());
  EXPECT_EQ(view.GetSuperCommander(), nullptr);
  EXPECT_TRUE(app.GetSubCommanders().empty());
  EXPECT_EQ(gLog, (std::vector<std::string>{"dont view", "be app"}));
  {
    Cmdr temp("temp", &app);
    ASSERT_TRUE(LCommander::SwitchTarget(&temp));
  }
  EXPECT_EQ(LCommander::GetTarget(), &app);
}

TEST_F(Chain, SyntheticCommandsRoundTripAndRejectOthers) {
  struct Case {
    std::int16_t menu, item;
  };
  for (Case c : {Case{250, 1}, Case{251, 0}, Case{1, 32767}, Case{32767, 200}, Case{220, 5}}) {
    CommandT cmd = LCommander::SyntheticCommandForMenuItem(c.menu, c.item);
    EXPECT_LT(cmd, 0);
    std::int16_t menu = 0, item = -1;
    ASSERT_TRUE(LCommander::IsSyntheticCommand(cmd, menu, item)) << c.menu << "/" << c.item;
    EXPECT_EQ(menu, c.menu);
    EXPECT_EQ(item, c.item);
  }
  EXPECT_EQ(LCommander::SyntheticCommandForMenuItem(250, 3), -(250 * 65536 + 3));
  std::int16_t menu, item;
  // Plain commands, dialog messages and values beyond any menu are not synthetic.
  for (CommandT cmd : {CommandT(0), CommandT(11), CommandT(-2001), CommandT(-3999), CommandT(-65535),
                       INT32_MIN, CommandT(-(32768 * 65536LL))})
    EXPECT_FALSE(LCommander::IsSyntheticCommand(cmd, menu, item)) << cmd;
  EXPECT_EQ(LCommander::SyntheticCommandForMenuItem(0, 1), kKxCmdNothing);
  EXPECT_EQ(LCommander::SyntheticCommandForMenuItem(-5, 1), kKxCmdNothing);
}

}  // namespace
