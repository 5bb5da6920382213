// The mark list with the program's documents: command 1229, the record a
// document keeps (placement, open or closed, buttons), rebinding as
// documents come forward, read-only text, and marks past the menu's range.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "doc_app_fixture.h"
#include "document/text_doc.h"
#include "engine/text_engine.h"
#include "layout/kxte_api.h"
#include "views/dialog_box.h"
#include "views/mark_list.h"
#include "views/message_box.h"

namespace {
namespace fs = std::filesystem;

constexpr CommandT kMarkList = 1229, kSave = 5, kClose = 4;

class MarkListDocTest : public kxtest::DocAppTest {
 protected:
  CKXTextDocument* OpenText(const std::string& name, const std::string& text) {
    std::ofstream(dir / name, std::ios::binary) << text;
    return Open(dir / name);
  }
  static SKXMarkListRecord Record(CKXTextDocument* d) {
    SKXMarkListRecord r;
    d->GetMarkListRecord(r);
    return r;
  }
  static CKXTextMarkList* List() { return CKXTextMarkList::Get(); }
  static void AddMarks(CKXTextDocument* d, long count, long width) {
    KXEditHandle e = d->GetEngine()->GetEdit();
    const unsigned char name[] = "\x02" "mk";
    for (long i = 0; i < count; ++i) KXTE_InsertMark(e, i * width, i * width + width - 1, name);
  }
};

TEST_F(MarkListDocTest, CommandShowsBesideTheDocumentAndClosesIt) {
  CKXTextDocument* d = OpenText("a.txt", "one\rtwo\r");
  ASSERT_NE(d, nullptr);
  Command(kMarkList);
  ASSERT_NE(List(), nullptr);
  EXPECT_TRUE(CKXTextMarkList::IsShowMarkList());
  EXPECT_EQ(List()->GetTextDoc(), static_cast<CKXTextDoc*>(d));
  // Floating: the document stays the front window and the target's owner.
  EXPECT_EQ(LWindow::FetchFrontWindow(), d->GetWindow());
  // Saved bounds off every screen: beside the document, or inside its
  // right edge when the screen ends there.
  Command(kMarkList);
  EXPECT_EQ(List(), nullptr);
  SKXMarkListRecord far = Record(d);
  far.bounds = RectL{5000, 5000, 5200, 5200};
  d->SetMarkListRecord(far);
  Command(kMarkList);
  ASSERT_NE(List(), nullptr);
  const Rect b = List()->GetGlobalBounds(), doc = d->GetWindow()->GetGlobalBounds();
  const Rect screen = host.GetScreenBounds();
  EXPECT_EQ(b.top, doc.top);
  const bool beside = b.left == doc.right + 10, within = b.right == doc.right - 10;
  EXPECT_TRUE(beside || within) << b.left << " " << b.right << " doc " << doc.right;
  EXPECT_LE(b.right, screen.right);
  // Bounds on the screen are kept.
  Command(kMarkList);
  SKXMarkListRecord near = Record(d);
  near.bounds = RectL{100, 120, 380, 320};
  d->SetMarkListRecord(near);
  Command(kMarkList);
  ASSERT_NE(List(), nullptr);
  EXPECT_EQ(List()->GetGlobalBounds().left, 120);
  EXPECT_EQ(List()->GetGlobalBounds().top, 100);
}

TEST_F(MarkListDocTest, ClosingRecordsOpenAndDestroyingRecordsClosed) {
  CKXTextDocument* a = OpenText("a.txt", "alpha\r");
  Command(kMarkList);
  ASSERT_NE(List(), nullptr);
  CKXTextMarkList::CloseMarkList(false);   // as the document leaves the front
  EXPECT_EQ(List(), nullptr);
  EXPECT_TRUE(Record(a).open);
  CKXTextMarkList::ShowMarkList(a);
  Command(kMarkList);   // the user closes it
  EXPECT_EQ(List(), nullptr);
  EXPECT_FALSE(Record(a).open);
}

TEST_F(MarkListDocTest, TheListFollowsTheDocumentsThatHadItOpen) {
  CKXTextDocument* a = OpenText("a.txt", "alpha\r");
  Command(kMarkList);
  CKXTextDocument* b = OpenText("b.txt", "beta\r");
  ASSERT_NE(b, a);
  // b never had it open: it goes, a remembers it.
  EXPECT_EQ(List(), nullptr);
  EXPECT_TRUE(Record(a).open);
  Command(kMarkList);
  ASSERT_NE(List(), nullptr);
  EXPECT_EQ(List()->GetTextDoc(), static_cast<CKXTextDoc*>(b));
  // Back to a: the list is a's again; back to b: b's.
  a->GetWindow()->Select();
  Drain();
  ASSERT_NE(List(), nullptr);
  EXPECT_EQ(List()->GetTextDoc(), static_cast<CKXTextDoc*>(a));
  b->GetWindow()->Select();
  Drain();
  ASSERT_NE(List(), nullptr);
  EXPECT_EQ(List()->GetTextDoc(), static_cast<CKXTextDoc*>(b));
  // Closing the bound document takes the list with it.
  Command(kClose);
  EXPECT_TRUE(List() == nullptr || List()->GetTextDoc() != static_cast<CKXTextDoc*>(b));
}

TEST_F(MarkListDocTest, ReadOnlyTextHidesTheButtons) {
  CKXTextDocument* d = OpenText("a.txt", "alpha beta\r");
  CKXTextEngine& e = *d->GetEngine();
  e.SetAttributes(e.GetAttributes() & ~kKxEngineEditable);
  Command(kMarkList);
  ASSERT_NE(List(), nullptr);
  EXPECT_TRUE(List()->AreButtonsHidden());
  EXPECT_FALSE(List()->FindPaneByID(kKxMarkListToggle)->IsEnabled());
  e.SetSelectionRange(SKXRange{0, 5}, false);
  List()->GetMarkView()->AddMark();
  EXPECT_EQ(KXTE_GetMarkCount(e.GetEdit()), 0);
  // Editable again, with the buttons hidden by the user: they stay hidden.
  Command(kMarkList);
  e.SetAttributes(e.GetAttributes() | kKxEngineEditable);
  SKXMarkListRecord r = Record(d);
  r.buttonsHidden = false;
  d->SetMarkListRecord(r);
  Command(kMarkList);
  EXPECT_FALSE(List()->AreButtonsHidden());
  EXPECT_TRUE(List()->FindPaneByID(kKxMarkListToggle)->IsEnabled());
  List()->ListenToMessage(kKxMarkListToggle, nullptr);
  EXPECT_TRUE(List()->AreButtonsHidden());
  Command(kMarkList);
  EXPECT_TRUE(Record(d).buttonsHidden);
}

TEST_F(MarkListDocTest, MarksPastTheMenuRangeAreSelectedDirectly) {
  CKXTextDocument* d = OpenText("a.txt", std::string(1600 * 4, 'x'));
  AddMarks(d, 1600, 4);
  Command(kMarkList);
  CKXTextMarkView& v = *List()->GetMarkView();
  ASSERT_EQ(v.CountRows(), 1600);
  CKXTextEngine& e = *d->GetEngine();
  for (long mark : {5L, 1000L, 1001L, 1500L, 1600L}) {
    e.SetSelectionRange(SKXRange{0, 0}, false);
    const long row = v.FindRowOfMark(mark);
    v.ClickMark(PointL{std::int32_t((row - 1) * v.GetRowHeight() + 3), kKxMarkIconWidth + 2}, 0);
    const SKXRange sel = e.GetSelectionRange();
    EXPECT_EQ(sel.start, (mark - 1) * 4) << mark;
    EXPECT_EQ(sel.length, 3) << mark;
  }
  EXPECT_EQ(host.Alerts().size(), 0u);   // no help file was asked for
}

TEST_F(MarkListDocTest, TheRecordTravelsWithTheFile) {
  const fs::path p = dir / "k.KXT";
  {
    std::ofstream(p, std::ios::binary) << "";
  }
  CKXTextDocument* d = Open(p);
  ASSERT_NE(d, nullptr);
  d->SetFormat(SKXSaveFormat{true, 0});
  Command(kMarkList);
  ASSERT_NE(List(), nullptr);
  List()->DoSetBounds(Rect{150, 160, 400, 360});
  host.PostKey('a', 0);
  Drain();
  Command(kSave);
  Command(kClose);
  Drain();
  EXPECT_EQ(List(), nullptr);
  CKXTextDocument* again = Open(p);
  ASSERT_NE(again, nullptr);
  ASSERT_NE(List(), nullptr);
  EXPECT_EQ(List()->GetTextDoc(), static_cast<CKXTextDoc*>(again));
  EXPECT_EQ(List()->GetGlobalBounds().left, 160);
  EXPECT_EQ(List()->GetGlobalBounds().top, 150);
}

// A list of some two thousand marks scrolls past what the file's 16-bit
// fields hold: the save keeps as much of the scroll as they hold, and
// every mark. A save that is refused says why in the writer's words.
TEST_F(MarkListDocTest, ALongListsScrollNeverStopsASaveAndARefusalSaysWhy) {
  constexpr long kMarks = 2100, kWidth = 8;
  CKXTextDocument* d = OpenText("m.txt", std::string(kMarks * kWidth, 'x'));
  ASSERT_NE(d, nullptr);
  AddMarks(d, kMarks, kWidth);
  SKXMarkListRecord r = Record(d);
  r.scroll = PointL{40000, 0};   // the list scrolled to its end
  d->SetMarkListRecord(r);
  Command(kSave);
  EXPECT_EQ(host.Alerts().size(), 0u) << host.Alerts().back().text;
  Command(kClose);
  CKXTextDocument* again = Open(dir / "m.txt");
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(KXTE_GetMarkCount(again->GetEngine()->GetEdit()), kMarks);
  EXPECT_EQ(Record(again).scroll.v, 32767);
  // The list's window where no 16-bit field reaches.
  r = Record(again);
  r.bounds = RectL{40000, 40000, 40200, 40200};
  again->SetMarkListRecord(r);
  const std::size_t before = host.Alerts().size();
  Command(kSave);
  ASSERT_EQ(host.Alerts().size(), before + 1);
  const std::string& said = host.Alerts().back().text;
  EXPECT_NE(said.find("\u300Cm.txt\u300Dを保存できませんでした"), std::string::npos) << said;
  EXPECT_NE(said.find("マークリストの位置が、ファイルに書ける座標の範囲外です。"), std::string::npos) << said;
}

TEST_F(MarkListDocTest, DialogsKeepTheListHiddenUntilTheOutermostEnds) {
  CKXTextDocument* d = OpenText("a.txt", "alpha\r");
  Command(kMarkList);
  CKXTextMarkList* list = List();
  ASSERT_NE(list, nullptr);
  {
    StKXTextToolbarHide outer;
    EXPECT_TRUE(CKXTextMarkList::IsHideMarkList());
    EXPECT_TRUE(CKXTextMarkList::IsKeptHidden());
    EXPECT_TRUE(Record(d).open);
    {
      StKXTextToolbarHide inner;   // an alert over the dialog
    }
    EXPECT_TRUE(CKXTextMarkList::IsHideMarkList());   // the outer dialog is still up
    CKXTextMarkList::ShowMarkList(d);
    EXPECT_TRUE(CKXTextMarkList::IsHideMarkList());
  }
  EXPECT_FALSE(CKXTextMarkList::IsKeptHidden());
  EXPECT_TRUE(CKXTextMarkList::IsShowMarkList());
  EXPECT_EQ(List(), list);
  // A modal dialog takes the target: the list waits hidden, the same window.
  {
    KXModalDialog dialog(3990, app.get());
    for (int guard = 0; guard < 100 && host.PendingEvents() > 0; ++guard) dialog.DoDialog();
    EXPECT_EQ(List(), list);
    EXPECT_TRUE(CKXTextMarkList::IsHideMarkList());
  }
  Drain();
  EXPECT_EQ(List(), list);
  EXPECT_TRUE(CKXTextMarkList::IsShowMarkList());
}

}  // namespace
