// The multi-level undoer through the messages a window's commander sends it:
// menu texts, the order of the stacks, ownership, failures, and a random
// walk against a list model.
#include "platform/framework/multi_level_undoer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/framework/action.h"
#include "platform/framework/action_group.h"
#include "platform/resources.h"

namespace {

std::string Text(const unsigned char* s) { return std::string(reinterpret_cast<const char*>(s + 1), s[0]); }
std::string ListItem(short list, short index) {
  Str255 s;
  GetIndString(s, list, index);
  return Text(s);
}

int gLiving = 0;
int gFinalized = 0;

// Appends a value to a list when done, removes it when undone.
class AppendAction : public LAction {
 public:
  AppendAction(std::vector<int>& list, int value, std::string name = "Append", bool postable = true)
      : LAction(0, 0, false), mList(list), mValue(value), mName(std::move(name)), mPostable(postable) {
    ++gLiving;
    Redo();
  }
  ~AppendAction() override { --gLiving; }
  bool IsPostable() const override { return mPostable; }
  void Finalize() override { ++gFinalized; }
  void GetDescription(Str255 redo, Str255 undo) const override {
    undo[0] = static_cast<unsigned char>(mName.size());
    std::memcpy(undo + 1, mName.data(), mName.size());
    std::memcpy(redo, undo, mName.size() + 1);
  }
  bool failUndo = false;

 protected:
  void RedoSelf() override { mList.push_back(mValue); }
  void UndoSelf() override {
    if (failUndo) throw std::runtime_error("undo failed");
    mList.pop_back();
  }

 private:
  std::vector<int>& mList;
  int mValue;
  std::string mName;
  bool mPostable;
};

struct Window : LCommander {
  Window() { AddAttachment(undoer); }
  CKXUndoer* undoer = new CKXUndoer;   // owned by the attachment list
};

struct Status {
  bool enabled;
  std::string text;
};
Status Ask(LCommander& c, CommandT command) {
  Boolean enabled = false, usesMark = false;
  std::uint16_t mark = 0;
  Str255 name{};
  c.ProcessCommandStatus(command, enabled, usesMark, mark, name);
  return {bool(enabled), Text(name)};
}

struct Undo : ::testing::Test {
  void SetUp() override {
    gLiving = 0;
    gFinalized = 0;
  }
  void TearDown() override { EXPECT_EQ(gLiving, 0) << "actions leaked"; }
};

TEST_F(Undo, MessagesDriveBothStacksWithCountedMenuTexts) {
  std::vector<int> list;
  Window w;
  const std::string nothingToUndo = ListItem(kKxUndoStringsID, 1);
  const std::string nothingToRedo = ListItem(kKxRedoStringsID, 1);
  ASSERT_FALSE(nothingToUndo.empty());
  ASSERT_FALSE(nothingToRedo.empty());
  EXPECT_EQ(Ask(w, kKxCmdUndo).text, nothingToUndo);
  EXPECT_FALSE(Ask(w, kKxCmdUndo).enabled);

  for (int i = 1; i <= 3; ++i) w.PostAction(new AppendAction(list, i, "Type"));
  EXPECT_EQ(list, (std::vector<int>{1, 2, 3}));
  EXPECT_TRUE(Ask(w, kKxCmdUndo).enabled);
  EXPECT_EQ(Ask(w, kKxCmdUndo).text, "Type3");
  EXPECT_FALSE(Ask(w, kKxCmdRedo).enabled);

  // Undoing everything: the undo item is disabled with the list text, the
  // redo item shows all undone actions.
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(w.ProcessCommand(kKxCmdUndo));
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(Ask(w, kKxCmdUndo).text, nothingToUndo);
  EXPECT_FALSE(Ask(w, kKxCmdUndo).enabled);
  EXPECT_EQ(Ask(w, kKxCmdRedo).text, "Type3");
  EXPECT_EQ(Ask(w, kKxCmdRedoAlias).text, "Type3");
  EXPECT_TRUE(w.ProcessCommand(kKxCmdRedoAlias));
  EXPECT_TRUE(w.ProcessCommand(kKxCmdRedo));
  EXPECT_EQ(list, (std::vector<int>{1, 2}));
  EXPECT_EQ(Ask(w, kKxCmdUndo).text, "Type2");
  EXPECT_EQ(Ask(w, kKxCmdRedo).text, "Type1");

  // Posting after undoing leaves nothing to redo; the undone action is
  // finalised and deleted.
  const int finalizedBefore = gFinalized;
  w.PostAction(new AppendAction(list, 9, "Paste"));
  EXPECT_EQ(gFinalized, finalizedBefore + 1);
  EXPECT_FALSE(Ask(w, kKxCmdRedo).enabled);
  EXPECT_EQ(Ask(w, kKxCmdRedo).text, nothingToRedo);
  EXPECT_EQ(Ask(w, kKxCmdUndo).text, "Paste3");

  // Posting none clears the whole history.
  w.PostAction(nullptr);
  EXPECT_EQ(w.undoer->CountUndo() + w.undoer->CountRedo(), 0u);
  EXPECT_EQ(gLiving, 0);
  EXPECT_FALSE(w.ProcessCommand(12));   // other commands pass through
}

TEST_F(Undo, NonPostableActionRunsOnceAndLeavesTheHistory) {
  std::vector<int> list;
  Window w;
  w.PostAction(new AppendAction(list, 1));
  w.PostAction(new AppendAction(list, 2));
  w.ProcessCommand(kKxCmdUndo);
  ASSERT_EQ(w.undoer->CountRedo(), 1u);
  w.PostAction(new AppendAction(list, 7, "Once", false));
  EXPECT_EQ(list, (std::vector<int>{1, 7}));
  EXPECT_EQ(w.undoer->CountUndo(), 1u);
  EXPECT_EQ(w.undoer->CountRedo(), 1u);   // the redo side too
  EXPECT_EQ(gLiving, 3 - 1);
}

TEST_F(Undo, AnActionHasOneOwnerEvenWhenPostedTwice) {
  std::vector<int> list;
  {
    Window w;
    auto* a = new AppendAction(list, 1);
    w.PostAction(a);
    w.PostAction(a);
    EXPECT_EQ(w.undoer->CountUndo(), 1u);
    w.ProcessCommand(kKxCmdUndo);
    w.PostAction(a);   // held on the redo stack now: still not taken twice
    EXPECT_EQ(w.undoer->CountRedo(), 1u);
    EXPECT_EQ(w.undoer->CountUndo(), 0u);
  }
  EXPECT_EQ(gFinalized, 1);
}

TEST_F(Undo, FailedUndoLeavesTheActionOnItsStack) {
  std::vector<int> list;
  Window w;
  w.PostAction(new AppendAction(list, 1));
  auto* a = new AppendAction(list, 2);
  w.PostAction(a);
  a->failUndo = true;
  EXPECT_THROW(w.ProcessCommand(kKxCmdUndo), std::runtime_error);
  EXPECT_EQ(w.undoer->GetUndoAction(), a);
  EXPECT_EQ(w.undoer->CountUndo(), 2u);
  EXPECT_EQ(w.undoer->CountRedo(), 0u);
  EXPECT_TRUE(Ask(w, kKxCmdUndo).enabled);
  a->failUndo = false;
  w.ProcessCommand(kKxCmdUndo);
  EXPECT_EQ(w.undoer->GetRedoAction(), a);
  EXPECT_EQ(list, std::vector<int>{1});
}

TEST_F(Undo, MenuTextIsCutToFitWithItsCount) {
  struct Case {
    std::string description;
    std::size_t count;
    std::string expected;
  };
  const std::string a255(255, 'a');
  // 253 ASCII bytes then one double-byte character: a cut after 254 bytes
  // would split it.
  const std::string kanji = "\x88\x9F";
  const std::string split = std::string(253, 'b') + kanji;
  const std::vector<Case> cases = {
      {"Typing", 3, "Typing3"},
      {"", 12, "12"},
      {a255, 1, std::string(254, 'a') + "1"},
      {a255, 1000, std::string(251, 'a') + "1000"},
      {split, 7, std::string(253, 'b') + "7"},
      {split, 10, std::string(253, 'b') + "10"},
      {std::string(252, 'c') + kanji, 5, std::string(252, 'c') + kanji + "5"},
  };
  for (const Case& c : cases) {
    Str255 in, out;
    in[0] = static_cast<unsigned char>(c.description.size());
    std::memcpy(in + 1, c.description.data(), c.description.size());
    KxUndoMenuText(in, c.count, out);
    EXPECT_EQ(Text(out), c.expected) << c.description.size() << " " << c.count;
  }
}

// Every instance lives in one slot, so a new action has the address of the
// one deleted just before it.
alignas(AppendAction) unsigned char gSlot[sizeof(AppendAction)];
bool gSlotUsed = false;
class SameAddressAction : public AppendAction {
 public:
  using AppendAction::AppendAction;
  static void* operator new(std::size_t size) {
    if (gSlotUsed || size > sizeof(gSlot)) throw std::bad_alloc();
    gSlotUsed = true;
    return gSlot;
  }
  static void operator delete(void*) { gSlotUsed = false; }
};
static_assert(sizeof(SameAddressAction) == sizeof(AppendAction));

TEST_F(Undo, ANewActionAtAFreedAddressNeverShowsTheOldName) {
  std::vector<int> list;
  Window w;
  auto* first = new SameAddressAction(list, 1, "Cut");
  w.PostAction(first);
  EXPECT_EQ(Ask(w, kKxCmdUndo).text, "Cut1");
  w.PostAction(nullptr);
  auto* second = new SameAddressAction(list, 2, "Font");
  ASSERT_EQ(static_cast<void*>(first), static_cast<void*>(second));
  w.PostAction(second);
  EXPECT_EQ(Ask(w, kKxCmdUndo).text, "Font1");
  w.PostAction(nullptr);
}

TEST_F(Undo, ClosingAWindowWithHistoryFreesEveryAction) {
  std::vector<int> list;
  auto* w = new Window;
  for (int i = 0; i < 5; ++i) w->PostAction(new AppendAction(list, i));
  w->ProcessCommand(kKxCmdUndo);
  w->ProcessCommand(kKxCmdUndo);
  delete w;
  EXPECT_EQ(gLiving, 0);
  EXPECT_EQ(gFinalized, 5);
}

TEST_F(Undo, RandomPostUndoRedoAgreesWithAListModel) {
  long steps = 1000;
  if (const char* env = std::getenv("KX_RANDOM_STEPS")) steps = std::max(1L, std::atol(env));
  const unsigned seed = 20240611;
  std::mt19937 rng(seed);
  std::vector<int> list;
  // The model: the values in effect, and the values waiting to be redone.
  std::vector<int> done, undone;
  Window w;
  int next = 0;
  for (long step = 0; step < steps; ++step) {
    const int op = int(rng() % 10);
    if (op < 4) {
      w.PostAction(new AppendAction(list, ++next));
      done.push_back(next);
      undone.clear();
    } else if (op < 7) {
      w.ProcessCommand(kKxCmdUndo);
      if (!done.empty()) {
        undone.push_back(done.back());
        done.pop_back();
      }
    } else if (op < 9) {
      w.ProcessCommand(rng() % 2 ? kKxCmdRedo : kKxCmdRedoAlias);
      if (!undone.empty()) {
        done.push_back(undone.back());
        undone.pop_back();
      }
    } else if (rng() % 8 == 0) {
      w.PostAction(nullptr);
      done.clear();
      undone.clear();
      list.clear();   // a cleared history leaves the list as the app left it
    } else {
      w.PostAction(new AppendAction(list, -1, "Once", false));
      list.pop_back();   // the model keeps only undoable values
    }
    ASSERT_EQ(list, done) << "seed " << seed << " step " << step;
    ASSERT_EQ(w.undoer->CountUndo(), done.size()) << "step " << step;
    ASSERT_EQ(w.undoer->CountRedo(), undone.size()) << "step " << step;
    ASSERT_EQ(Ask(w, kKxCmdUndo).enabled, !done.empty());
    ASSERT_EQ(Ask(w, kKxCmdRedo).text,
              undone.empty() ? ListItem(kKxRedoStringsID, 1) : "Append" + std::to_string(undone.size()));
    ASSERT_EQ(gLiving, int(done.size() + undone.size()));
  }
}

}  // namespace

namespace {
TEST_F(Undo, SingleStepUndoerTogglesItsOneAction) {
  std::vector<int> list;
  LCommander dialog;
  dialog.AddAttachment(new LUndoer);
  dialog.PostAction(new AppendAction(list, 1, "Typing"));
  dialog.PostAction(new AppendAction(list, 2, "Typing"));   // replaces the first
  EXPECT_EQ(gLiving, 1);
  EXPECT_EQ(Ask(dialog, kKxCmdUndo).text, "Typing");
  dialog.ProcessCommand(kKxCmdUndo);
  EXPECT_EQ(list, std::vector<int>{1});
  dialog.ProcessCommand(kKxCmdUndo);   // the same command redoes
  EXPECT_EQ(list, (std::vector<int>{1, 2}));
  dialog.PostAction(new AppendAction(list, 3, "Once", false));
  EXPECT_EQ(gLiving, 1);
  EXPECT_TRUE(Ask(dialog, kKxCmdUndo).enabled);
}
}  // namespace

namespace {

// An open group on top gathers what is posted; closed, it takes nothing,
// and undo and redo take back and do again all of its actions at once.
TEST_F(Undo, AnOpenGroupOnTopGathersPostedActionsIntoOneStep) {
  std::vector<int> list;
  std::weak_ptr<void> life;
  {
    Window w;
    w.PostAction(new AppendAction(list, 1, "Type"));
    auto* group = new LActionGroup(0, 0);
    life = group->Life();
    w.PostAction(group);
    for (int i = 2; i <= 4; ++i) w.PostAction(new AppendAction(list, i));
    EXPECT_EQ(group->Count(), 3u);
    EXPECT_EQ(w.undoer->CountUndo(), 2u);
    group->SetOpen(false);
    w.PostAction(new AppendAction(list, 5));
    EXPECT_EQ(group->Count(), 3u);
    EXPECT_EQ(w.undoer->CountUndo(), 3u);
    ASSERT_TRUE(w.ProcessCommand(kKxCmdUndo));
    ASSERT_TRUE(w.ProcessCommand(kKxCmdUndo));
    EXPECT_EQ(list, (std::vector<int>{1}));
    // An open group that is no longer on top (undone) takes nothing.
    group->SetOpen(true);
    ASSERT_TRUE(w.ProcessCommand(kKxCmdRedo));
    EXPECT_EQ(list, (std::vector<int>{1, 2, 3, 4}));
    ASSERT_TRUE(w.ProcessCommand(kKxCmdUndo));
    w.PostAction(new AppendAction(list, 6));   // clears the redo side: the group goes
    EXPECT_TRUE(life.expired());
    EXPECT_EQ(list, (std::vector<int>{1, 6}));
  }
  EXPECT_TRUE(life.expired());
}

}  // namespace
