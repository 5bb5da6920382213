// The clipboard window over the scrap book: what it offers to store, its
// list keeping row n on clip n, the display's text kept inside its margins,
// and the window's place remembered between openings.
#include <filesystem>
#include <string>
#include <vector>

#include "app/app_commands.h"
#include "doc_app_fixture.h"
#include "document/clipboard_window.h"
#include "document/doc_file.h"
#include "engine/text_engine.h"
#include "layout/kxte_api.h"
#include "platform/framework/edit_field.h"
#include "platform/framework/layout.h"
#include "platform/framework/list_box.h"

namespace {

namespace fs = std::filesystem;

class ClipboardWindow : public kxtest::DocAppTest {
 protected:
  void SetUp() override {
    kxtest::DocAppTest::SetUp();
    CKXTextClipboard::TerminateScrap();
    fs::create_directories(dir / "prefs");
    fs::create_directories(dir / "data");
    CKXTextClipboard::SetFolders((dir / "prefs").string(), (dir / "data").string());
  }
  void TearDown() override {
    CKXTextClipboard::CloseClipboard();
    CKXTextClipboard::TerminateScrap();
    kxtest::DocAppTest::TearDown();
  }
  // As another program's copy: UTF-16 in host order, ASCII only here.
  void Copy(const std::string& text) {
    std::vector<std::uint8_t> bytes;
    for (char c : text) bytes.insert(bytes.end(), {std::uint8_t(c), 0});
    host.ClearClipboard();
    host.PutClipboard(FourCC("utxt"), bytes.data(), bytes.size());
    CKXTextClipboard::UpdateClipboard();
  }
  LWindow* Window() {
    CKXTextClipboard* view = CKXTextClipboard::GetTextClipboard();
    return view ? LWindow::FetchWindowOf(view) : nullptr;
  }
  template <typename T>
  T* Pane(PaneIDT id) {
    return Window() ? dynamic_cast<T*>(Window()->FindPaneByID(id)) : nullptr;
  }
  bool Enabled(PaneIDT id) { return Pane<LPane>(id) && Pane<LPane>(id)->IsEnabled(); }
  void Store(const std::string& name) {
    Pane<LEditField>(kKxClipName)->SetText(name);
    // Straight to the view, as a click would, even past a disabled button.
    CKXTextClipboard::GetTextClipboard()->ListenToMessage(kKxClipStore, nullptr);
  }
  // The list's rows, which must name the clips one for one.
  std::vector<std::string> Rows() {
    std::vector<std::string> rows;
    auto* list = Pane<LListBox>(kKxClipList);
    for (std::int32_t r = 0; list && r < list->CountRows(); ++r) rows.push_back(list->GetCell(r));
    return rows;
  }
  static std::vector<std::string> Clips() {
    std::vector<std::string> names;
    for (long k = 1; k <= CKXTextClipboard::CountClips(); ++k) names.push_back(CKXTextClipboard::ClipName(k));
    return names;
  }
};

// ---- storing --------------------------------------------------------------------------------------

TEST_F(ClipboardWindow, AnEmptyClipboardOffersNothingToStoreAndStoresNothing) {
  Copy("first");
  Command(kKxCmdShowClipboard);
  ASSERT_NE(Window(), nullptr);
  EXPECT_TRUE(Enabled(kKxClipStore));
  const std::string proposed = Pane<LEditField>(kKxClipName)->GetText();
  EXPECT_FALSE(proposed.empty());
  // Another program copied nothing: Unicode text of no bytes.
  Copy("");
  EXPECT_EQ(CKXTextClipboard::GetClipboardType(), kKxClipNone);
  EXPECT_FALSE(Enabled(kKxClipStore));
  EXPECT_EQ(Pane<LEditField>(kKxClipName)->GetText(), "") << "no name left from the text before";
  const long before = CKXTextClipboard::CountClips();
  const int beeps = host.Beeps();
  Store("emptyclip");
  EXPECT_EQ(CKXTextClipboard::CountClips(), before);
  EXPECT_EQ(host.Beeps(), beeps + 1);
  // Nothing on the clipboard at all.
  host.ClearClipboard();
  CKXTextClipboard::UpdateClipboard();
  EXPECT_FALSE(Enabled(kKxClipStore));
  CKXText none;
  EXPECT_FALSE(CKXTextClipboard::AddClip("x", KXHandleAccess::Wrap(&none))) << "an empty text is no clip";
}

// A book may already hold an empty clip at its end (written before empty
// clips were refused); storing after it must leave rows and clips agreeing,
// so that deleting a row deletes the clip it names.
TEST_F(ClipboardWindow, TheListFollowsTheClipsAfterEveryStore) {
  Command(kKxCmdShowClipboard);
  ASSERT_NE(Window(), nullptr);
  Copy("one");
  Store("one");
  CKXTextEngine* scrap = CKXTextClipboard::GetScrapEngine();
  ASSERT_NE(scrap, nullptr);
  const long end = scrap->GetTotalRange().length;
  const unsigned char empty[] = "\x05" "empty";
  KXTE_InsertMark(scrap->GetEdit(), end, end, empty);
  CKXTextClipboard::CloseClipboard();
  Command(kKxCmdShowClipboard);
  EXPECT_EQ(Rows(), Clips());
  Copy("SECOND");
  Store("second");
  EXPECT_EQ(Rows(), Clips());
  const std::vector<std::string> rows = Rows();
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows.back(), "second");
  auto* list = Pane<LListBox>(kKxClipList);
  ASSERT_TRUE(list->IsSelected(list->CountRows() - 1)) << "the stored clip is the row selected";
  // Choose the row before "second" and delete it: "second" stays.
  list->SetValue(list->CountRows() - 2);
  CKXTextClipboard::GetTextClipboard()->ListenToMessage(kKxClipList, nullptr);
  const std::string chosen = rows[rows.size() - 2];
  EXPECT_EQ(Pane<LEditField>(kKxClipName)->GetText(), chosen);
  CKXTextClipboard::GetTextClipboard()->ListenToMessage(kKxClipDelete, nullptr);
  EXPECT_EQ(Rows(), Clips());
  ASSERT_FALSE(Clips().empty());
  EXPECT_EQ(Clips().back(), "second");
  for (const std::string& name : Clips()) EXPECT_NE(name, chosen);
}

// Store and Delete write the scrap book at once: a crash, a kill or a
// logout after them loses nothing.
TEST_F(ClipboardWindow, StoreAndDeleteWriteTheScrapBookAtOnce) {
  const std::string path = CKXTextClipboard::ScrapPath();
  auto stored = [&path] {
    std::vector<std::string> names;
    SKXDocument doc;
    std::string message;
    if (KxReadDocument(path, doc, message) == 0)
      for (const SKXMarkRec& m : doc.settings.marks) names.push_back(m.name);
    return names;
  };
  Command(kKxCmdShowClipboard);
  ASSERT_NE(Window(), nullptr);
  Copy("one");
  Store("one");
  Copy("two");
  Store("two");
  EXPECT_FALSE(CKXTextClipboard::IsScrapChanged());
  EXPECT_EQ(stored(), (std::vector<std::string>{"one", "two"}));
  auto* list = Pane<LListBox>(kKxClipList);
  list->SetValue(0);
  CKXTextClipboard::GetTextClipboard()->ListenToMessage(kKxClipList, nullptr);
  CKXTextClipboard::GetTextClipboard()->ListenToMessage(kKxClipDelete, nullptr);
  EXPECT_EQ(stored(), (std::vector<std::string>{"two"}));
  // The last clip's delete removes the file; the list stays empty till
  // the window closes, and a store meanwhile writes the file again.
  list->SetValue(0);
  CKXTextClipboard::GetTextClipboard()->ListenToMessage(kKxClipList, nullptr);
  CKXTextClipboard::GetTextClipboard()->ListenToMessage(kKxClipDelete, nullptr);
  EXPECT_FALSE(fs::exists(path));
  EXPECT_TRUE(Rows().empty());
  EXPECT_TRUE(Clips().empty());
  Copy("three");
  Store("three");
  EXPECT_EQ(stored(), (std::vector<std::string>{"three"}));
}

// ---- the display ----------------------------------------------------------------------------------

// The lines wrap inside both side margins, and the view scrolls far enough
// to show the bottom margin under the last line.
void ExpectInsideMargins(LView& view, CKXTextEngine& engine) {
  SDimension32 frame{}, image{};
  view.GetFrameSize(frame);
  view.GetImageSize(image);
  SPoint32 at{};
  SDimension32 dest{};
  engine.GetDestRect(at, dest);
  Rect margins{};
  engine.GetTextMargins(margins);
  EXPECT_EQ(at.h, margins.left);
  EXPECT_EQ(at.h + dest.width, frame.width - margins.right) << "the right margin is inside the frame";
  EXPECT_EQ(image.width, frame.width);
  EXPECT_EQ(image.height, std::max(frame.height, at.v + dest.height + margins.bottom));
  EXPECT_GT(dest.height, frame.height) << "the sample runs past the frame";
}

std::string ManyWords() {
  std::string words;
  for (int k = 0; k < 2000; ++k) words += "word" + std::to_string(k) + " ";
  return words;
}

TEST_F(ClipboardWindow, TheDisplayKeepsItsTextInsideTheMargins) {
  Copy(ManyWords());
  Command(kKxCmdShowClipboard);
  ASSERT_NE(Window(), nullptr);
  CKXTextClipboard& view = *CKXTextClipboard::GetTextClipboard();
  ExpectInsideMargins(view, view.GetDisplayEngine());
  // And again after the window grows.
  const Rect b = Window()->GetGlobalBounds();
  Window()->DoSetBounds(Rect{b.top, b.left, std::int16_t(b.bottom + 40), std::int16_t(b.right + 120)});
  ExpectInsideMargins(view, view.GetDisplayEngine());
  // The other tool windows' list-less view shares the display.
  KxLayout layout(3900);
  const KxLayoutPaneRecord* record = nullptr;
  for (int i = 0; i < layout.CountPanes(); ++i)
    if (layout.GetPane(i)->classID == CKXTextClipboardView::kClassID) record = layout.GetPane(i);
  ASSERT_NE(record, nullptr);
  CKXTextClipboardView listless(*record);
  ExpectInsideMargins(listless, listless.GetDisplayEngine());
}

// ---- the window's place ---------------------------------------------------------------------------

TEST_F(ClipboardWindow, TheWindowOpensAgainWhereItWasClosed) {
  Command(kKxCmdShowClipboard);
  ASSERT_NE(Window(), nullptr);
  const Rect moved{113, 127, 513, 707};
  Window()->DoSetBounds(moved);
  for (int round = 0; round < 2; ++round) {
    Command(kKxCmdClose);
    ASSERT_EQ(Window(), nullptr);
    Command(kKxCmdShowClipboard);
    ASSERT_NE(Window(), nullptr);
    const Rect now = Window()->GetGlobalBounds();
    EXPECT_EQ(now.top, moved.top);
    EXPECT_EQ(now.left, moved.left);
    EXPECT_EQ(now.bottom, moved.bottom);
    EXPECT_EQ(now.right, moved.right);
  }
}

}  // namespace
