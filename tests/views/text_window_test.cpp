// The document window: close-all with scripted save answers, the split
// joined at 63 pixels and kept at 64, zoom bounds that leave room for the
// palettes, and the information menu's items and choices.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/framework/layout.h"
#include "views/split_view.h"
#include "views/text_info_view.h"
#include "views/text_scroller.h"
#include "views/text_view.h"
#include "platform/textconv.h"
#include "views/text_window.h"
#include "views_fixture.h"

namespace {

// Documents in window order; each answers the close question from a script.
struct Docs;
class ScriptedDoc : public CKXTextWindowDoc {
 public:
  ScriptedDoc(Docs& all, bool agrees) : mAll(all), mAgrees(agrees) {}
  bool IsModified() const override { return modified; }
  bool IsReadOnly() const override { return readOnly; }
  std::string GetFilePath() const override { return path; }
  bool GetOwnFormat() const override { return own; }
  void SetOwnFormat(bool on) override { own = on; }
  short GetLineEnd() const override { return lineEnd; }
  void SetLineEnd(short k) override { lineEnd = k; }
  short GetEncoding() const override { return encoding; }
  void SetEncoding(short k) override { encoding = k; }
  bool AttemptCloseSelf() override {
    ++asked;
    return mAgrees;
  }
  void Close() override;

  bool modified = false, readOnly = false, own = false, closed = false, stays = false;
  short lineEnd = 0, encoding = 0;
  int asked = 0;
  std::string path;

 private:
  Docs& mAll;
  bool mAgrees;
};
struct Docs {
  std::vector<std::unique_ptr<ScriptedDoc>> list;
  CKXTextWindowDoc* Front() {
    for (auto& d : list)
      if (!d->closed) return d.get();
    return nullptr;
  }
};
void ScriptedDoc::Close() { closed = !stays; }

class RecordingDoc : public CKXTextDoc {
 public:
  void SplitWindow(SPoint32 at, bool) override { splits.push_back(at); }
  std::vector<SPoint32> splits;
};

class TextWindowTest : public ViewsTest {
 public:
  void TearDown() override {
    KxSetTextWindowHooks({});
    ViewsTest::TearDown();
  }
};

TEST_F(TextWindowTest, CloseAllStopsAtTheFirstRefusal) {
  // Each row: which documents agree to close; how many end closed and asked.
  struct Case {
    std::vector<bool> agree;
    int closed;
    int asked;
    bool all;
  } cases[] = {
      {{true, false, true}, 1, 2, false},   // the second is answered cancel
      {{true, true, true}, 3, 3, true},
      {{false, true}, 0, 1, false},
      {{true}, 1, 1, true},
  };
  for (const Case& c : cases) {
    Docs docs;
    for (bool a : c.agree) docs.list.push_back(std::make_unique<ScriptedDoc>(docs, a));
    KxTextWindowHooks hooks;
    hooks.firstDocument = [&docs] { return docs.Front(); };
    KxSetTextWindowHooks(hooks);
    CKXTextWindow w(Rect{40, 40, 200, 300}, reinterpret_cast<ConstStringPtr>("\x01w"), nullptr);
    w.SetWindowDoc(docs.list[0].get());
    EXPECT_EQ(w.CloseAll(), c.all);
    int closed = 0, asked = 0;
    for (auto& d : docs.list) {
      closed += d->closed;
      asked += d->asked;
    }
    EXPECT_EQ(closed, c.closed);
    EXPECT_EQ(asked, c.asked);
  }
}

TEST_F(TextWindowTest, CloseAllEndsWhenADocumentDoesNotGo) {
  Docs docs;
  docs.list.push_back(std::make_unique<ScriptedDoc>(docs, true));
  docs.list[0]->stays = true;   // agrees, yet stays open
  KxTextWindowHooks hooks;
  hooks.firstDocument = [&docs] { return docs.Front(); };
  KxSetTextWindowHooks(hooks);
  CKXTextWindow w(Rect{40, 40, 200, 300}, reinterpret_cast<ConstStringPtr>("\x01w"), nullptr);
  w.SetWindowDoc(docs.list[0].get());
  EXPECT_FALSE(w.CloseAll());
  EXPECT_EQ(docs.list[0]->asked, 1);
}

TEST_F(TextWindowTest, SplitIsJoinedAt63PixelsAndKeptAt64) {
  for (bool vertical : {false, true}) {
    auto* w = new CKXTextWindow(Rect{40, 40, 440, 640}, reinterpret_cast<ConstStringPtr>("\x01w"), nullptr);
    KxLayout layout(kKxTextWindowLayout);
    const KxLayoutPaneRecord* rec = layout.FindPaneByID(kKxTextScrollerID);
    ASSERT_NE(rec, nullptr);
    auto* scroller = new CKXTextScroller(*rec);
    scroller->PutInside(w, 0, 0);
    scroller->ResizeFrameTo(560, 360, false);
    scroller->SetVertical(vertical);
    CKXTextView twin;
    scroller->SetTwinView(&twin);
    RecordingDoc doc;
    w->SetDocument(&doc);
    // The scroller is bound to all four sides: 40 pixels
    // less than the window across the split.
    auto setAcross = [&](int across) {
      const Rect b = w->GetGlobalBounds();
      if (vertical)
        w->DoSetBounds(Rect{b.top, b.left, b.bottom, std::int16_t(b.left + across + 40)});
      else
        w->DoSetBounds(Rect{b.top, b.left, std::int16_t(b.top + across + 40), b.right});
    };
    setAcross(64);
    SDimension32 size;
    scroller->GetFrameSize(size);
    EXPECT_EQ(vertical ? size.width : size.height, 64);
    EXPECT_TRUE(doc.splits.empty()) << "vertical " << vertical;
    setAcross(63);
    EXPECT_EQ(doc.splits.size(), 1u) << "vertical " << vertical;
    scroller->SetTwinView(nullptr);   // one pane: nothing to join
    setAcross(50);
    EXPECT_EQ(doc.splits.size(), 1u);
    delete w;
  }
}

TEST_F(TextWindowTest, ZoomLeavesRoomForPaletteAndFunctionBar) {
  const Rect screen{0, 0, 768, 1024};
  struct Case {
    SDimension32 palette;
    bool bar;
    Rect barBounds;
    Rect want;
  } cases[] = {
      {{0, 0}, false, {}, screen},
      {{120, 0}, false, {}, {0, 120, 768, 1024}},
      {{0, 40}, false, {}, {40, 0, 768, 1024}},
      // The bar at the bottom: the window ends 2 pixels above it.
      {{0, 0}, true, {740, 0, 768, 1024}, {0, 0, 738, 1024}},
      // The bar above the area: its height stays free at the top.
      {{0, 0}, true, {-30, 0, -2, 1024}, {28, 0, 768, 1024}},
      // The bar far away from the bottom: nothing to keep.
      {{0, 0}, true, {300, 0, 330, 1024}, screen},
      {{100, 30}, true, {300, 0, 330, 1024}, {30, 100, 768, 1024}},
  };
  for (const Case& c : cases) {
    const Rect got = KxLeaveRoomForPalettes(screen, c.palette, c.bar, c.barBounds);
    EXPECT_EQ(got.top, c.want.top);
    EXPECT_EQ(got.left, c.want.left);
    EXPECT_EQ(got.bottom, c.want.bottom);
    EXPECT_EQ(got.right, c.want.right);
  }
  KxTextWindowHooks hooks;
  hooks.paletteExtent = [] { return SDimension32{120, 0}; };
  KxSetTextWindowHooks(hooks);
  CKXTextWindow w(Rect{40, 40, 200, 300}, reinterpret_cast<ConstStringPtr>("\x01w"), nullptr);
  Rect zoom;
  EXPECT_FALSE(w.CalcStandardBounds(zoom));
  EXPECT_GE(zoom.left, 120);
  w.DoSetBounds(zoom);
  EXPECT_TRUE(w.CalcStandardBounds(zoom));
}

TEST_F(TextWindowTest, InformationMenuListsFoldersAndCopiesTheWholePath) {
  Docs docs;
  docs.list.push_back(std::make_unique<ScriptedDoc>(docs, true));
  ScriptedDoc& doc = *docs.list[0];
  // A path far beyond 1,024 bytes, with folder names in Japanese.
  std::string path;
  for (int k = 0; k < 60; ++k) path += "/フォルダ" + std::to_string(k) + "_abcdefghij";
  path += "/文書.txt";
  ASSERT_GT(path.size(), 1024u);
  doc.path = path;
  doc.modified = true;
  doc.lineEnd = 1;
  std::string clip;
  KxTextWindowHooks hooks;
  hooks.putClipboardText = [&clip](const std::string& s) { clip = s; };
  hooks.codeConversion = true;
  KxSetTextWindowHooks(hooks);
  CKXTextWindow w(Rect{40, 40, 200, 300}, reinterpret_cast<ConstStringPtr>("\x05title"), nullptr);
  w.SetWindowDoc(&doc);
  const auto items = w.InfoMenuItems();
  ASSERT_FALSE(items.empty());
  EXPECT_EQ(items[0].text, "title");
  EXPECT_EQ(items[0].icon, kKxIconModified);
  int folders = 0;
  for (const auto& i : items) folders += i.kind == KxInfoItem::kFolder;
  EXPECT_EQ(folders, 61);   // 60 folders and the root
  EXPECT_EQ(items[1].text, "フォルダ59_abcdefghij");
  EXPECT_EQ(items[61].icon, kKxIconVolume);
  const KxInfoItem* copy = nullptr;
  int checkedLineEnds = 0;
  for (const auto& i : items) {
    if (i.kind == KxInfoItem::kCopyPath) copy = &i;
    if (i.kind == KxInfoItem::kLineEnd && i.checked) checkedLineEnds += 1 + i.value * 10;
  }
  EXPECT_EQ(checkedLineEnds, 11);   // only the item of line-end type 1
  ASSERT_NE(copy, nullptr);
  w.ChooseInfoItem(*copy);
  EXPECT_EQ(clip, path);
  // Choices through the pop-up: the own-format item toggles, an encoding sets.
  w.InfoMenus(Point{50, 50});
  EXPECT_EQ(host.Popups(), 1);
  // The pop-up shows script text: the Japanese folder names as Shift_JIS.
  EXPECT_EQ(host.LastPopup()[1].text, KxUTF8ToScriptText("フォルダ59_abcdefghij"));
  EXPECT_NE(host.LastPopup()[1].text, items[1].text);
  for (std::size_t k = 0; k < items.size(); ++k) {
    if (items[k].kind == KxInfoItem::kOwnFormat) {
      EXPECT_TRUE(CKXTextWindow::ChooseInfoMenu(std::int16_t(k)));
    }
  }
  EXPECT_TRUE(doc.own);
  EXPECT_FALSE(CKXTextWindow::ChooseInfoMenu(0));   // no menu open any more
  w.InfoMenus(Point{50, 50});
  EXPECT_TRUE(CKXTextWindow::ChooseInfoMenu(std::int16_t(items.size() - 1)));
  EXPECT_EQ(doc.encoding, 2);
  w.InfoMenus(Point{50, 50});
  EXPECT_FALSE(CKXTextWindow::ChooseInfoMenu(std::int16_t(items.size())));

  // Without a file: the title, then straight to the own-format item.
  doc.path.clear();
  const auto bare = w.InfoMenuItems();
  ASSERT_GE(bare.size(), 3u);
  EXPECT_EQ(bare[1].kind, KxInfoItem::kSeparator);
  EXPECT_EQ(bare[2].kind, KxInfoItem::kOwnFormat);
}

TEST_F(TextWindowTest, TheStatusBarMarkOffersTheInformationMenu) {
  CKXTextWindow w(Rect{40, 40, 200, 300}, reinterpret_cast<ConstStringPtr>("\x04memo"), nullptr);
  auto* bar = new CKXTextInfoView;
  bar->PutInside(&w, 0, 100);
  bar->ResizeFrameTo(170, 15, false);
  SMouseDownEvent click{};
  click.macEvent.what = mouseDown;
  for (std::int32_t h : {3, 25, 60}) {   // zoom button, mark, page field
    const int before = host.Popups();
    click.whereLocal = SPoint32{h, 5};
    bar->ClickSelf(click);
    if (h == 25) {
      ASSERT_EQ(host.Popups(), before + 1);
      EXPECT_EQ(host.LastPopup()[0].text, "memo");
    } else {
      EXPECT_EQ(host.Popups(), before);   // no engine: no scale menu, no page jump
    }
  }
}

TEST_F(TextWindowTest, TheWindowOwnsAnUndoerForItsLife) {
  auto* w = new CKXTextWindow(Rect{40, 40, 200, 300}, reinterpret_cast<ConstStringPtr>("\x01w"), nullptr);
  EXPECT_EQ(w->CountAttachments(), 1u);
  delete w;   // the sanitizer build checks the undoer went with it
}

}  // namespace
