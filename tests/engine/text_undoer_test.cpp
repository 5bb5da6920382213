// Multi-level undo of text engines through their window's undoer: a random
// walk undone to the exact original and redone to the exact final, redo
// cleared by every new edit, typing that never joins a reopened action,
// windows that keep their histories apart, viewless engines that keep their
// own, and closing in either order.
#include <cstdlib>
#include <cstring>
#include <random>

#include "common/test_main.h"
#include "engine_fixture.h"
#include "platform/framework/menu.h"
#include "platform/resources.h"

namespace {
using kxtest::EngineTest;
using kxtest::EngineWindow;
using kxtest::TestEngine;

// Everything an edit may touch.
struct State {
  std::string bytes;
  std::vector<SKXStyl> styls;
  std::vector<SKXDeco> decos;
  std::vector<SKXPara> paras;
  std::vector<SKXUniChar> uni;
  bool operator==(const State& o) const {
    auto same = [](const auto& a, const auto& b) {
      return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof a[0]) == 0);
    };
    return bytes == o.bytes && same(styls, o.styls) && same(decos, o.decos) && same(paras, o.paras) &&
           same(uni, o.uni);
  }
};

State Take(const CKXTextLayer& layer) {
  const KXTextHandle t = layer.GetEdit();
  State s;
  s.bytes.resize(std::size_t(KXText_GetLength(t)));
  s.styls.resize(std::size_t(KXText_GetStylCount(t)));
  s.decos.resize(std::size_t(KXText_GetDecoCount(t)));
  s.paras.resize(std::size_t(KXText_GetParaCount(t)));
  s.uni.resize(std::size_t(KXText_GetUniCharsCount(t)));
  KXText_GetText(t, s.bytes.data(), long(s.bytes.size()), s.styls.data(), std::int32_t(s.styls.size()),
                 s.decos.data(), std::int32_t(s.decos.size()), s.paras.data(), std::int32_t(s.paras.size()),
                 s.uni.data(), std::int32_t(s.uni.size()));
  return s;
}

class EngineUndoTest : public EngineTest {};

TEST_F(EngineUndoTest, ARandomWalkUndoesToTheOriginalAndRedoesToTheFinal) {
  EngineWindow w;
  TestEngine& e = *w.engine;
  std::mt19937 rng(20261207u);
  auto pick = [&](long lo, long hi) { return std::uniform_int_distribution<long>(lo, hi)(rng); };
  e.SetText("The quick brown fox\rjumps over\r\x82\xA0\x82\xA2\x82\xA4 the lazy dog.\r");
  const State original = Take(e);
  const long steps = KxRandomSteps(1000);
  long posted = 0;
  for (long i = 0; i < steps; ++i) {
    const long len = KXText_GetLength(e.GetEdit());
    const long a = pick(0, len), b = std::min(len, a + pick(0, 6));
    // Keep the caret on character boundaries.
    const long from = KXText_GetPrevCharPos(e.GetEdit(), KXText_GetNextCharPos(e.GetEdit(), a));
    const std::size_t before = w.undoer->CountUndo();
    switch (pick(0, 6)) {
      case 0:
      case 1: {
        e.Select(from, from);
        for (long k = pick(1, 5); k-- > 0;) {
          const long key = pick(0, 5);
          if (key == 0)
            e.DoKey(8, 0);
          else if (key == 1)
            e.DoKey(0x82, 0), e.DoKey(std::uint16_t(0xA0 + pick(0, 40)), 0);
          else
            e.DoKey(std::uint16_t('a' + pick(0, 25)), 0);
        }
        break;
      }
      case 2:
        e.Select(from, std::max(from, b));
        e.DoCut();
        break;
      case 3:
        e.Select(from, from);
        e.DoPaste(0);
        break;
      case 4:
        e.Select(from, std::max(from, b));
        e.DoDelete();
        break;
      case 5: {
        // An input method's commit with no composition before it (a dead
        // key): its handler puts the caret at the range's start and the
        // engine replaces the range, often right after a run of typing.
        const long to = std::max(from, KXText_GetPrevCharPos(e.GetEdit(), KXText_GetNextCharPos(e.GetEdit(), b)));
        e.Select(from, from);
        e.FixInline("\x82\xA0", 2, {std::int32_t(from), std::int32_t(to - from)}, nullptr, 0);
        break;
      }
      default: {
        e.Select(from, from);
        e.DoString("xy", 2);
      }
    }
    if (w.undoer->CountUndo() > before) {
      ++posted;
      ASSERT_EQ(w.undoer->CountRedo(), 0u) << "a new edit left redo steps, step " << i;
    }
    // Now and then an undo followed by a new edit: redo must be gone.
    if (i % 37 == 36 && w.undoer->CountUndo() > 0) {
      e.Undo();
      ASSERT_GT(w.undoer->CountRedo(), 0u);
      e.Select(0, 0);
      e.DoString("#", 1);
      ASSERT_EQ(w.undoer->CountRedo(), 0u) << "an edit after an undo left redo steps, step " << i;
    }
  }
  ASSERT_GT(posted, steps / 4);
  const State final = Take(e);
  const std::size_t depth = w.undoer->CountUndo();
  for (std::size_t k = 0; k < depth; ++k) e.Undo();
  EXPECT_EQ(w.undoer->CountUndo(), 0u);
  EXPECT_TRUE(Take(e) == original) << "undo of every step did not give the original back";
  for (std::size_t k = 0; k < depth; ++k) e.Redo();
  EXPECT_EQ(w.undoer->CountRedo(), 0u);
  EXPECT_TRUE(Take(e) == final) << "redo of every step did not give the final text back";
}

TEST_F(EngineUndoTest, TypingAfterPasteAndUndoStartsANewStepAndClearsRedo) {
  EngineWindow w;
  TestEngine& e = *w.engine;
  e.SetText("abc");
  e.Select(3, 3);
  e.Type("de");                       // one typing step
  e.Select(0, 1);
  e.DoCopy();
  e.Select(5, 5);
  e.DoPaste(0);                       // "abcdea"
  ASSERT_EQ(e.Text(), "abcdea");
  e.Undo();                           // the paste
  ASSERT_EQ(e.Text(), "abcde");
  ASSERT_EQ(w.undoer->CountRedo(), 1u);
  e.Type("f");                        // must not join the reopened typing step
  EXPECT_EQ(e.Text(), "abcdef");
  EXPECT_EQ(w.undoer->CountRedo(), 0u);
  EXPECT_EQ(w.undoer->CountUndo(), 2u);
  e.Undo();
  EXPECT_EQ(e.Text(), "abcde");
  e.Undo();
  EXPECT_EQ(e.Text(), "abc");
}

TEST_F(EngineUndoTest, TypingJoinsOnlyAtTheEndOfTheNewestStep) {
  EngineWindow w;
  TestEngine& e = *w.engine;
  e.SetText("0123456789");
  e.Select(2, 2);
  e.Type("ab");
  e.Type("cd");                       // same run
  EXPECT_EQ(w.undoer->CountUndo(), 1u);
  e.Select(0, 0);
  e.Type("x");                        // elsewhere: a step of its own
  EXPECT_EQ(w.undoer->CountUndo(), 2u);
  e.Undo();
  e.Undo();
  EXPECT_EQ(e.Text(), "0123456789");
  e.Redo();                           // the run comes back selected
  EXPECT_EQ(e.Text(), "01abcd23456789");
  e.Select(6, 6);                     // the caret where the run ended
  e.Type("z");
  EXPECT_EQ(e.Text(), "01abcdz23456789");
  EXPECT_EQ(w.undoer->CountUndo(), 2u) << "a key after a redo joined the redone step";
  EXPECT_EQ(w.undoer->CountRedo(), 0u);
}

TEST_F(EngineUndoTest, TwoWindowsKeepTheirHistoriesApart) {
  EngineWindow a(Rect{40, 40, 340, 440}), b(Rect{60, 500, 360, 900});
  a.engine->SetText("left");
  b.engine->SetText("right");
  a.engine->Select(4, 4);
  a.engine->Type("!!");
  b.engine->Select(0, 5);
  b.engine->DoDelete();
  EXPECT_EQ(a.undoer->CountUndo(), 1u);
  EXPECT_EQ(b.undoer->CountUndo(), 1u);
  a.engine->Undo();
  EXPECT_EQ(a.engine->Text(), "left");
  EXPECT_EQ(b.engine->Text(), "");
  b.engine->Undo();
  EXPECT_EQ(b.engine->Text(), "right");
  EXPECT_EQ(a.undoer->CountRedo(), 1u);
  EXPECT_EQ(b.undoer->CountRedo(), 1u);
}

TEST_F(EngineUndoTest, AViewlessEngineKeepsItsOwnActionAndLeavesTheFrontWindowAlone) {
  EngineWindow front;
  LCommander::SwitchTarget(front.view);
  TestEngine loose;
  loose.SetText("stream");
  loose.Select(6, 6);
  loose.Type("ed");
  loose.Select(0, 1);
  loose.DoDelete();
  EXPECT_EQ(front.undoer->CountUndo(), 0u) << "a viewless engine posted into the front window";
  EXPECT_EQ(loose.Text(), "treamed");
  loose.Undo();
  EXPECT_EQ(loose.Text(), "streamed");
  loose.Redo();
  EXPECT_EQ(loose.Text(), "treamed");
  LCommander::SwitchTarget(nullptr);
}

TEST_F(EngineUndoTest, APostThatNobodyKeepsLeavesNoDanglingAction) {
  // No undoer: the top commander runs and deletes what is posted.
  EngineWindow w(Rect{40, 40, 440, 640}, false);
  TestEngine& e = *w.engine;
  e.SetText("abc");
  e.Select(3, 3);
  e.Type("def");
  EXPECT_EQ(e.GetAction(), nullptr);
  EXPECT_EQ(e.Text(), "abcdef");
  e.Select(0, 2);
  e.DoCut();
  EXPECT_EQ(e.GetAction(), nullptr);
  e.Undo();   // nothing to undo, nothing freed twice
  EXPECT_EQ(e.Text(), "cdef");
}

TEST_F(EngineUndoTest, ClosingInEitherOrderWithHistoryIsClean) {
  for (const bool windowFirst : {true, false}) {
    auto w = std::make_unique<EngineWindow>();
    w->engine->SetText("history");
    w->engine->Select(7, 7);
    w->engine->Type(" kept");
    w->engine->Select(0, 1);
    w->engine->DoCut();
    w->engine->Undo();
    ASSERT_EQ(w->undoer->CountUndo(), 1u);
    ASSERT_EQ(w->undoer->CountRedo(), 1u);
    if (windowFirst) {
      w.reset();
    } else {
      // The engine goes while the window keeps its steps: they do nothing.
      delete w->view;
      w->view = nullptr;
      w->engine.reset();
      w->undoer->UndoAction();
      w->undoer->RedoAction();
      w.reset();
    }
  }
}

TEST_F(EngineUndoTest, StepsAreNamedByTheirActionType) {
  struct Case {
    short type;
    std::int16_t list, index;
  } cases[] = {{1, 150, 3},  {2, 150, 3},   {11, 150, 7},  {14, 150, 7},  {19, 152, 2},  {27, 156, 3},
               {40, 156, 3}, {55, 156, 11}, {75, 160, 8},  {76, 160, 8},  {53, 162, 7},  {0, 150, 2},
               {57, 150, 2}, {60, 150, 2},  {77, 150, 2},  {-3, 150, 2}};
  for (const Case& c : cases) {
    std::int16_t list = 0, index = 0;
    KxActionName(c.type, list, index);
    EXPECT_EQ(list, c.list) << "type " << c.type;
    EXPECT_EQ(index, c.index) << "type " << c.type;
  }
  EngineWindow w;
  w.engine->SetText("abc");
  w.engine->Select(0, 1);
  w.engine->DoCut();
  Boolean enabled = false, usesMark = false;
  std::uint16_t mark = 0;
  Str255 name{};
  w.view->ProcessCommandStatus(kKxCmdUndo, enabled, usesMark, mark, name);
  EXPECT_TRUE(enabled);
  Str255 cut{};
  GetIndString(cut, 150, 3);
  ASSERT_GT(cut[0], 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(name + 1), name[0]),
            std::string(reinterpret_cast<char*>(cut + 1), cut[0]) + "1");
}

}  // namespace

namespace {
TEST_F(EngineUndoTest, TheRedoItemHasItsKeyOnlyWhileRedoIsPossible) {
  LMenuBar bar(129);
  LMenu* edit = bar.FetchMenu(130);
  ASSERT_NE(edit, nullptr);
  const KxMenuItem original = *edit->GetItem(2);
  ASSERT_NE(original.key, 0);
  EngineWindow w;
  auto status = [&] {
    Boolean enabled = false, usesMark = false;
    std::uint16_t mark = 0;
    Str255 name{};
    w.view->ProcessCommandStatus(kKxCmdRedo, enabled, usesMark, mark, name);
    return bool(enabled);
  };
  EXPECT_FALSE(status());
  EXPECT_EQ(edit->GetItem(2)->key, 0) << "a redo key with nothing to redo";
  w.engine->SetText("abc");
  w.engine->Select(3, 3);
  w.engine->Type("d");
  w.engine->Undo();
  EXPECT_TRUE(status());
  EXPECT_EQ(edit->GetItem(2)->key, original.key);
  EXPECT_EQ(edit->GetItem(2)->modifiers, original.modifiers);
}
}  // namespace
