// The find dialogs of a document driven as their controls drive them:
// what each button stores, where the pop-ups' texts land, the palette's
// buttons, the find-assist palette and find-and-mark.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "app/find_strings.h"
#include "app/globals.h"
#include "app/histories.h"
#include "doc_app_fixture.h"
#include "document/find_assist.h"
#include "engine/macro_recorder.h"
#include "engine/text_engine.h"
#include "platform/keys.h"
#include "layout/kxte_api.h"
#include "platform/framework/control.h"
#include "views/edit_field.h"

namespace {

class FindDialogTest : public kxtest::DocAppTest {
 protected:
  void SetUp() override {
    DocAppTest::SetUp();
    gPreference.findOptions = {0, 0, 0, 1, 0, 0};
    gFindHistHandle.clear();
    gReplHistHandle.clear();
    KxSetFindString("");
    KxSetReplString("");
  }
  void TearDown() override {
    LWindow::DeleteClosedWindows();
    if (CKXTextFindAssist* p = CKXTextFindAssist::Get()) delete p;
    DocAppTest::TearDown();
  }
  CKXTextDocument* OpenText(const std::string& text) {
    std::ofstream(dir / "a.txt") << text;
    return Open(dir / "a.txt");
  }
  static void SetText(LWindow* d, PaneIDT id, const std::string& text) {
    auto* f = dynamic_cast<KXEditField*>(d->FindPaneByID(id));
    ASSERT_NE(f, nullptr) << id;
    f->SetText(text.data(), text.size());
    f->SelectAll();
  }
  static void CaretAtEnd(LWindow* d, PaneIDT id) {
    auto* f = dynamic_cast<KXEditField*>(d->FindPaneByID(id));
    ASSERT_NE(f, nullptr) << id;
    f->SetSelection(f->GetText().size(), f->GetText().size());
  }
  static std::string Text(LWindow* d, PaneIDT id) {
    auto* f = dynamic_cast<KXEditField*>(d->FindPaneByID(id));
    return f ? f->GetText() : "?";
  }
  static void Choose(LWindow* d, PaneIDT id, std::int32_t value) {
    auto* c = dynamic_cast<LControl*>(d->FindPaneByID(id));
    ASSERT_NE(c, nullptr) << id;
    c->SetValue(value);   // broadcasts as a user's choice does
  }
  static void Press(LWindow* d, PaneIDT id) {
    d->ProcessCommand(-MessageT(id), nullptr);
    LWindow::DeleteClosedWindows();
  }
  SKXRange Selection(CKXTextDocument* doc) { return doc->GetEngine()->GetSelectionRange(); }
};

TEST_F(FindDialogTest, OnlyFindStoreAndAssistStoreTheFlags) {
  CKXTextDocument* doc = OpenText("one two one");
  ASSERT_NE(doc, nullptr);
  for (PaneIDT button : {2102, 2101, 2103, 2117}) {
    gPreference.findOptions = {0, 0, 0, 0, 0, 0};
    Command(1201);
    LWindow* d = doc->FindDocDialog(2100);
    ASSERT_NE(d, nullptr) << button;
    EXPECT_TRUE(gDialogOpen);
    SetText(d, 2106, "one");
    SetText(d, 2107, "1");
    Choose(d, 2112, 1);
    Choose(d, 2114, 1);
    Press(d, button);
    EXPECT_EQ(doc->FindDocDialog(2100), nullptr);
    EXPECT_FALSE(gDialogOpen);
    const bool stored = button != 2102;
    EXPECT_EQ(gPreference.findOptions[2], stored ? 1 : 0) << button;
    EXPECT_EQ(gPreference.findOptions[5], stored ? 1 : 0) << button;
    EXPECT_EQ(KxGetFindString(), stored ? "one" : "") << button;
    EXPECT_EQ(UFindReplMenu::CountHistHandle(gReplHistHandle), stored ? 1 : 0) << button;
    if (!stored) continue;
    KxSetFindString("");
    gFindHistHandle.clear();
    gReplHistHandle.clear();
  }
  // Only Find searched; only Find Assist opened its palette.
  EXPECT_NE(CKXTextFindAssist::Get(), nullptr);
}

TEST_F(FindDialogTest, FindSelectsTheMatchAndOpensThePalette) {
  CKXTextDocument* doc = OpenText("one two one");
  ASSERT_NE(doc, nullptr);
  doc->GetEngine()->SetSelectionRange(SKXRange{1, 0}, false);
  Command(1201);
  LWindow* d = doc->FindDocDialog(2100);
  ASSERT_NE(d, nullptr);
  SetText(d, 2106, "one");
  Press(d, 2101);
  EXPECT_EQ(Selection(doc).start, 8);
  EXPECT_EQ(Selection(doc).length, 3);
  EXPECT_NE(doc->FindDocDialog(2150), nullptr);
  // An empty find text closes without searching.
  Command(1201);
  d = doc->FindDocDialog(2100);
  SetText(d, 2106, "");
  Press(d, 2101);
  EXPECT_EQ(Selection(doc).start, 8);
}

// Tab moves between the find and replace fields and types nothing into
// either; Shift-Tab goes back.
TEST_F(FindDialogTest, TabMovesBetweenTheFields) {
  CKXTextDocument* doc = OpenText("abc");
  ASSERT_NE(doc, nullptr);
  Command(1201);
  LWindow* d = doc->FindDocDialog(2100);
  ASSERT_NE(d, nullptr);
  SetText(d, 2106, "find");
  SetText(d, 2107, "repl");
  LCommander* findField = dynamic_cast<LCommander*>(d->FindPaneByID(2106));
  LCommander* replField = dynamic_cast<LCommander*>(d->FindPaneByID(2107));
  ASSERT_EQ(LCommander::GetTarget(), findField);
  host.PostKey('\t', kKxKeyTab);
  Drain();
  EXPECT_EQ(LCommander::GetTarget(), replField);
  host.PostKey('\t', kKxKeyTab, kKxEventShiftKey);
  Drain();
  EXPECT_EQ(LCommander::GetTarget(), findField);
  host.PostKey('\t', kKxKeyTab);
  host.PostKey('x', 0);
  Drain();
  EXPECT_EQ(Text(d, 2106), "find");
  EXPECT_EQ(Text(d, 2107), "x");   // the whole text was selected on arrival
  Press(d, 2102);
}

TEST_F(FindDialogTest, PopUpTextsLandInTheirFields) {
  CKXTextDocument* doc = OpenText("abc");
  ASSERT_NE(doc, nullptr);
  gPreference.findOptions[5] = 1;
  Command(1209);
  LWindow* d = doc->FindDocDialog(2100);
  ASSERT_NE(d, nullptr);
  SetText(d, 2106, "x");
  SetText(d, 2107, "y");
  CaretAtEnd(d, 2106);
  CaretAtEnd(d, 2107);
  Choose(d, 2115, 19);   // \1
  Choose(d, 2115, 28);   // &
  Choose(d, 2115, 18);   // \0
  Choose(d, 2115, 15);   // \a
  EXPECT_EQ(Text(d, 2107), "y\\1&");
  EXPECT_EQ(Text(d, 2106), "x\\0\\a");
  EXPECT_EQ(dynamic_cast<LControl*>(d->FindPaneByID(2115))->GetValue(), 0);
  // The regular-expression box hides its pop-up.
  Choose(d, 2114, 0);
  EXPECT_FALSE(d->FindPaneByID(2115)->IsVisible());
  // History: the fixed items follow; Tab goes into the field, clearing
  // empties the history.
  Press(d, 2103);
  UFindReplMenu::InsertHistHandle(reinterpret_cast<const unsigned char*>("\x03old"), gFindHistHandle);
  Command(1201);
  d = doc->FindDocDialog(2100);
  auto* hist = dynamic_cast<LStdPopupMenu*>(d->FindPaneByID(2108));
  ASSERT_EQ(hist->GetItems().size(), 3u + 1 + 2);   // old, x\0\a, separator, 3 fixed
  Choose(d, 2108, 2);
  EXPECT_EQ(Text(d, 2106), "x\\0\\a");
  Choose(d, 2108, 1);   // the entry chosen moved to the front
  EXPECT_EQ(Text(d, 2106), "x\\0\\a");
  Choose(d, 2108, 2);
  EXPECT_EQ(Text(d, 2106), "old");
  EXPECT_EQ(UFindReplMenu::CountHistHandle(gFindHistHandle), 2);
  Choose(d, 2108, 6);   // Tab
  EXPECT_EQ(Text(d, 2106), "\t");
  Choose(d, 2108, 4);   // clear
  EXPECT_EQ(UFindReplMenu::CountHistHandle(gFindHistHandle), 0);
  EXPECT_EQ(hist->GetItems().size(), 3u);
  Press(d, 2102);
}

TEST_F(FindDialogTest, PaletteButtons) {
  CKXTextDocument* doc = OpenText("ab ab ab");
  ASSERT_NE(doc, nullptr);
  KxSetFindString("ab");
  KxSetReplString("X");
  doc->OpenFindPalette();
  LWindow* p = doc->FindDocDialog(2150);
  ASSERT_NE(p, nullptr);
  EXPECT_FALSE(gDialogOpen);   // a palette is no modal dialog
  const int beeps = host.Beeps();
  Press(p, 2155);   // replace: no match selected yet
  EXPECT_EQ(host.Beeps(), beeps + 1);
  Press(p, 2153);
  EXPECT_EQ(Selection(doc).start, 0);
  Press(p, 2154);   // replace, then find next
  EXPECT_EQ(doc->TextBytes(), "X ab ab");
  EXPECT_EQ(Selection(doc).start, 2);
  EXPECT_NE(doc->FindDocDialog(2150), nullptr);
  Press(p, 2156);   // replace all closes the palette first
  EXPECT_EQ(doc->FindDocDialog(2150), nullptr);
  EXPECT_EQ(doc->TextBytes(), "X X X");
  Command(11);
  EXPECT_EQ(doc->TextBytes(), "X ab ab");
  // The palette comes back where it was.
  doc->OpenFindPalette();
  p = doc->FindDocDialog(2150);
  const Rect r = p->GetGlobalBounds();
  p->DoSetBounds(Rect{300, 310, std::int16_t(300 + r.bottom - r.top), std::int16_t(310 + r.right - r.left)});
  Press(p, 2151);
  doc->OpenFindPalette();
  p = doc->FindDocDialog(2150);
  EXPECT_EQ(p->GetGlobalBounds().top, 300);
  EXPECT_EQ(p->GetGlobalBounds().left, 310);
  // The find button reopens the dialog.
  Press(p, 2152);
  EXPECT_EQ(doc->FindDocDialog(2150), nullptr);
  EXPECT_NE(doc->FindDocDialog(2100), nullptr);
}

TEST_F(FindDialogTest, FindAssistSlotsAndEntryDialog) {
  CKXTextDocument* doc = OpenText("cat dog cat");
  ASSERT_NE(doc, nullptr);
  // Histories: a too-long entry is skipped.
  std::string longEntry(1, char(127));
  longEntry += std::string(127, 'L');
  UFindReplMenu::InsertHistHandle(reinterpret_cast<const unsigned char*>(longEntry.data()), gFindHistHandle);
  UFindReplMenu::InsertHistHandle(reinterpret_cast<const unsigned char*>("\x03" "dog"), gFindHistHandle);
  UFindReplMenu::InsertHistHandle(reinterpret_cast<const unsigned char*>("\x01" "Z"), gReplHistHandle);
  CKXTextFindAssist::ShowFindAssist(doc->CurrentTextView());
  CKXTextFindAssist* fa = CKXTextFindAssist::Get();
  ASSERT_NE(fa, nullptr);
  EXPECT_EQ(fa->Slot(0), "dog");
  EXPECT_EQ(fa->Slot(1), "");
  EXPECT_EQ(fa->Slot(5), "Z");
  // A filled find slot searches at once.
  fa->ListenToMessage(3401, nullptr);
  EXPECT_EQ(Selection(doc).start, 4);
  // An empty slot opens the entry dialog; its OK fills the slot and runs it.
  fa->ListenToMessage(3402, nullptr);
  LWindow* e = doc->FindDocDialog(2160);
  ASSERT_NE(e, nullptr);
  std::string big;
  for (int i = 0; i < 70; ++i) big += "\x82\xA0";   // 140 bytes of double-byte characters
  SetText(e, 2163, big);
  Press(e, 2161);
  EXPECT_EQ(fa->Slot(1).size(), 126u);   // cut on a character boundary
  // The entry dialog's OK after the palette went stores nothing.
  fa->ListenToMessage(3403, nullptr);
  e = doc->FindDocDialog(2160);
  ASSERT_NE(e, nullptr);
  delete fa;
  EXPECT_EQ(CKXTextFindAssist::Get(), nullptr);
  SetText(e, 2163, "cat");
  const std::string before = KxGetFindString();
  Press(e, 2161);
  EXPECT_EQ(KxGetFindString(), before);
}

struct RecordingRecorder : CKXMacroRecorder {
  bool IsRecording() const override { return true; }
  void AddMacroCommand(long command) override { commands.push_back(command); }
  std::vector<long> commands;
};

TEST_F(FindDialogTest, FindAssistClicksAreRecordedAndOptionTakesTheMatch) {
  CKXTextDocument* doc = OpenText("cat dog cat");
  ASSERT_NE(doc, nullptr);
  UFindReplMenu::InsertHistHandle(reinterpret_cast<const unsigned char*>("\x03" "cat"), gFindHistHandle);
  CKXTextFindAssist::ShowFindAssist(doc->CurrentTextView());
  CKXTextFindAssist* fa = CKXTextFindAssist::Get();
  ASSERT_NE(fa, nullptr);
  RecordingRecorder recorder;
  CKXMacroRecorder::Install(&recorder);
  fa->ListenToMessage(3401, nullptr);
  fa->ListenToMessage(3401, nullptr);
  CKXMacroRecorder::Install(nullptr);
  EXPECT_EQ(recorder.commands, (std::vector<long>{1202, 1202}));
  EXPECT_EQ(Selection(doc).start, 8);
  // Option-click takes the find match into the slot; without one it beeps.
  EventRecord option{};
  option.what = mouseDown;
  option.modifiers = kKxEventOptionKey;
  option.where = Point{-1000, -1000};
  fa->HostMouseDown(option);
  fa->ListenToMessage(3404, nullptr);
  EXPECT_EQ(fa->Slot(3), "cat");
  doc->GetEngine()->SetSelectionRange(SKXRange{1, 0}, false);
  const int beeps = host.Beeps();
  fa->ListenToMessage(3405, nullptr);
  EXPECT_EQ(host.Beeps(), beeps + 1);
  EXPECT_EQ(fa->Slot(4), "");
}

TEST_F(FindDialogTest, FindAssistOutlivesItsDocument) {
  CKXTextDocument* doc = OpenText("x");
  ASSERT_NE(doc, nullptr);
  CKXTextFindAssist::ShowFindAssist(doc->CurrentTextView());
  CKXTextFindAssist* fa = CKXTextFindAssist::Get();
  ASSERT_NE(fa, nullptr);
  delete doc;
  LWindow::DeleteClosedWindows();
  EXPECT_EQ(fa->GetSuperCommander(), app.get());
  // No text document: an empty slot beeps instead of opening a dialog.
  const int beeps = host.Beeps();
  fa->ListenToMessage(3404, nullptr);
  EXPECT_EQ(host.Beeps(), beeps + 1);
}

// The palette floats: clicks on its buttons leave the document active,
// with the target and the highlight of each match, and the document comes
// back to its own view after another window had the front.
TEST_F(FindDialogTest, FindAssistLeavesTheDocumentActive) {
  std::ofstream(dir / "b.txt") << "other";
  CKXTextDocument* other = Open(dir / "b.txt");
  CKXTextDocument* doc = OpenText("cat dog cat");
  ASSERT_TRUE(doc && other);
  UFindReplMenu::InsertHistHandle(reinterpret_cast<const unsigned char*>("\x03" "cat"), gFindHistHandle);
  CKXTextFindAssist::ShowFindAssist(doc->CurrentTextView());
  Drain();
  CKXTextFindAssist* fa = CKXTextFindAssist::Get();
  ASSERT_NE(fa, nullptr);
  const auto windows = host.WindowList();
  EXPECT_EQ(std::count(windows.begin(), windows.end(), fa->GetHostWindow()), 0);
  EXPECT_TRUE(fa->IsWindowShown());
  auto documentActive = [&] {
    return host.FrontWindow() == doc->GetWindow()->GetHostWindow() && doc->GetWindow()->IsActive() &&
           LCommander::GetTarget() == doc->CurrentTextView() && KXTE_GetHilite(doc->GetEngine()->GetEdit()) != 0;
  };
  EXPECT_TRUE(documentActive());
  const Rect b = fa->GetGlobalBounds();
  for (std::int32_t found : {0, 8}) {
    const Point on{std::int16_t(b.top + 10), std::int16_t(b.left + 20)};   // button 3401
    host.PostMouse(true, on);
    host.PostMouse(false, on);
    Drain();
    EXPECT_EQ(Selection(doc).start, found);
    EXPECT_TRUE(documentActive()) << found;
  }
  host.SelectWindow(other->GetWindow()->GetHostWindow());
  Drain();
  host.SelectWindow(doc->GetWindow()->GetHostWindow());
  Drain();
  EXPECT_TRUE(documentActive());
}

TEST_F(FindDialogTest, FindAndMarkMarksEveryMatch) {
  CKXTextDocument* doc = OpenText("Ab ab aB\rxx ab");
  ASSERT_NE(doc, nullptr);
  Command(1257);
  LWindow* d = doc->FindDocDialog(2180);
  ASSERT_NE(d, nullptr);
  SetText(d, 2183, "ab");
  CaretAtEnd(d, 2183);
  Choose(d, 2185, 1);
  Choose(d, 2186, 1);
  Choose(d, 2187, 19);   // \1 goes to the find field here
  EXPECT_EQ(Text(d, 2183), "ab\\1");
  SetText(d, 2183, "a[bB]");
  Press(d, 2181);
  const KXEditHandle edit = doc->GetEngine()->GetEdit();
  EXPECT_EQ(KXTE_GetMarkupCount(edit), 4);
  long s = 0, e = 0;
  ASSERT_TRUE(KXTE_GetMarkup(edit, 12, s, e));
  EXPECT_EQ(s, 12);
  EXPECT_EQ(e, 14);
  EXPECT_EQ(gPreference.findOptions[2], 1);
  // Opening again on a find match takes it as the find string.
  doc->GetEngine()->SetSelectionRange(SKXRange{0, 2}, false);
  Command(1202);
  Command(1257);
  d = doc->FindDocDialog(2180);
  ASSERT_NE(d, nullptr);
  EXPECT_TRUE(d->FindPaneByID(2188)->IsEnabled());
  Press(d, 2188);
  EXPECT_EQ(KXTE_GetMarkupCount(edit), 0);
}

}  // namespace
