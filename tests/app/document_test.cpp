// The document base: the close and quit matrix with failing saves, Save As
// over an existing file, the dialog guard, lookups, and the arrangement
// algorithms.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "app/document.h"
#include "platform/ae/specifier.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "platform/fonts.h"
#include "platform/framework/framework_classes.h"
#include "platform/framework/window.h"
#include "platform/host/headless.h"
#include "views/text_window.h"

namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}
void Spit(const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }

std::set<std::string> Listing(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
  return names;
}

// A document whose text is a string, saved through the safe writer.
class TestDoc : public CKXDocument {
 public:
  explicit TestDoc(const std::string& title, Rect bounds = Rect{40, 40, 240, 340}) : CKXDocument(nullptr) {
    Str255 t;
    t[0] = std::uint8_t(std::min<std::size_t>(title.size(), 255));
    std::copy_n(title.data(), t[0], t + 1);
    SetWindow(new LWindow(bounds, t, this));
  }
  std::string text;
  int saves = 0;
  void DoSave() override {
    ++saves;
    const int err = KxWriteFileSafely(mFile->GetFileSpec().Path(), text.data(), text.size());
    if (err) throw LException(err);
    SetModified(false);
  }
  // Opens an existing file as this document's.
  void Specify(const fs::path& p) {
    SetFile(std::make_unique<LFile>(UFSSpec::MakeFSSpec(p.string())));
    SetSpecified(true);
  }
};

bool Alive(const LDocument* d) {
  const auto& list = LDocument::GetDocumentList();
  return std::find(list.begin(), list.end(), d) != list.end();
}

class DocumentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KxFontInstallBackend(KxSyntheticFontBackend());
    KxRegisterFrameworkClasses();
    dir = fs::temp_directory_path() / ("kx_doc_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override {
    kx_filetest::Reset();
    for (LDocument* d : std::vector<LDocument*>(LDocument::GetDocumentList())) delete d;
    fs::remove_all(dir);
  }
  KxHeadlessHost host;
  fs::path dir;
};

// ---- The close and quit matrix

enum class Op { kClose, kQuit };
enum class Kind { kSpecified, kUntitled };
enum class Outcome { kSucceeds, kFails };

struct MatrixCase {
  Op op;
  Kind kind;
  KxAnswer answer;
  Outcome outcome;
};

std::string Name(const MatrixCase& c) {
  std::string s = c.op == Op::kClose ? "close" : "quit";
  s += c.kind == Kind::kSpecified ? "/specified" : "/untitled";
  s += c.answer == KxAnswer::kSave ? "/save" : c.answer == KxAnswer::kDontSave ? "/dont-save" : "/cancel";
  s += c.outcome == Outcome::kSucceeds ? "/ok" : "/fails";
  return s;
}

TEST_F(DocumentTest, CloseAndQuitMatrixNeverLosesTextAfterAFailedSave) {
  const std::string oldBytes = "old contents\r";
  // Each failing step of the writer: before anything is written, and at the
  // rename that would replace the old file.
  const kx_filetest::KxSafeStep failures[] = {kx_filetest::kStepWrite, kx_filetest::kStepRename};
  int n = 0;
  for (Op op : {Op::kClose, Op::kQuit})
    for (Kind kind : {Kind::kSpecified, Kind::kUntitled})
      for (KxAnswer answer : {KxAnswer::kSave, KxAnswer::kDontSave, KxAnswer::kCancel})
        for (Outcome outcome : {Outcome::kSucceeds, Outcome::kFails})
          for (kx_filetest::KxSafeStep step : failures) {
            if (outcome == Outcome::kSucceeds && step != failures[0]) continue;
            const MatrixCase c{op, kind, answer, outcome};
            SCOPED_TRACE(Name(c) + " step " + std::to_string(int(step)));
            const fs::path folder = dir / std::to_string(n++);
            fs::create_directories(folder);
            const fs::path file = folder / "doc.txt";
            const fs::path saveAs = folder / "new.txt";
            auto* doc = new TestDoc("doc.txt");
            doc->text = "new text\r";
            doc->SetModified(true);
            if (kind == Kind::kSpecified) {
              Spit(file, oldBytes);
              doc->Specify(file);
            }
            const std::set<std::string> before = Listing(folder);
            const std::size_t alerts = host.Alerts().size();
            host.QueueAnswer(answer);
            // An untitled document asks where; a failed save offers Save As
            // too, which the user cancels here.
            if (kind == Kind::kUntitled) host.QueueAnswer(KxAnswer::kOK, saveAs.string());
            if (outcome == Outcome::kFails) kx_filetest::FailStep(step, ENOSPC);

            const bool gone = op == Op::kClose ? (doc->AttemptClose(), !Alive(doc)) : doc->AttemptQuitSelf(kKxSaveAsk);
            EXPECT_EQ(gone, !Alive(doc));

            const bool saving = answer == KxAnswer::kSave;
            const bool expectGone = answer == KxAnswer::kDontSave || (saving && outcome == Outcome::kSucceeds);
            EXPECT_EQ(gone, expectGone);
            if (!gone) {
              EXPECT_TRUE(doc->IsModified());
              EXPECT_FALSE(doc->IsDialogOpen());
            }
            if (saving && outcome == Outcome::kFails) {
              ASSERT_EQ(host.Alerts().size(), alerts + 1);
              EXPECT_EQ(host.Alerts().back().kind, KxAlertKind::kStop);
              EXPECT_NE(host.Alerts().back().text.find("を保存できませんでした"), std::string::npos);
              // Nothing new or missing in the folder, no temporary left.
              EXPECT_EQ(Listing(folder), before);
            } else {
              EXPECT_EQ(host.Alerts().size(), alerts);
            }
            if (kind == Kind::kSpecified)
              EXPECT_EQ(Slurp(file), saving && outcome == Outcome::kSucceeds ? std::string("new text\r") : oldBytes);
            else
              EXPECT_EQ(fs::exists(saveAs), saving && outcome == Outcome::kSucceeds);
            if (!gone) delete doc;
            while (host.PendingAnswers()) host.AskSaveChanges("");   // drop what was not asked
            kx_filetest::Reset();
          }
}

TEST_F(DocumentTest, AFailedSaveFallsBackToSaveAsWhichCanSucceed) {
  const fs::path file = dir / "a.txt", other = dir / "b.txt";
  Spit(file, "old");
  auto* doc = new TestDoc("a.txt");
  doc->Specify(file);
  doc->text = "changed";
  doc->SetModified(true);
  host.QueueAnswer(KxAnswer::kSave);
  host.QueueAnswer(KxAnswer::kOK);   // the failure report
  host.QueueAnswer(KxAnswer::kOK, other.string());
  kx_filetest::FailStep(kx_filetest::kStepSync, EIO);
  doc->AttemptClose();
  EXPECT_FALSE(Alive(doc));
  EXPECT_EQ(Slurp(file), "old");
  EXPECT_EQ(Slurp(other), "changed");
  EXPECT_EQ(host.Alerts().size(), 1u);
}

TEST_F(DocumentTest, QuitOptionsNoAndYes) {
  auto* keep = new TestDoc("k");
  keep->SetModified(true);
  EXPECT_TRUE(keep->AttemptQuitSelf(kKxSaveNo));   // unasked, unsaved
  EXPECT_FALSE(Alive(keep));
  EXPECT_EQ(host.DialogRequests().size(), 0u);

  auto* untitled = new TestDoc("u");
  untitled->SetModified(true);
  EXPECT_FALSE(untitled->AttemptQuitSelf(kKxSaveYes));   // Save As cancelled: the quit stops
  EXPECT_TRUE(Alive(untitled));
  ASSERT_EQ(host.DialogRequests().size(), 1u);
  EXPECT_EQ(host.DialogRequests()[0].kind, KxDialogKind::kSave);
  EXPECT_EQ(host.DialogRequests()[0].name, "u");
  EXPECT_EQ(host.DialogRequests()[0].parent, untitled->GetWindow()->GetHostWindow());
}

TEST_F(DocumentTest, SaveAsOverAnExistingFileKeepsItWhenTheSaveFails) {
  const fs::path target = dir / "existing.txt";
  Spit(target, "precious");
  auto* doc = new TestDoc("untitled");
  doc->text = "replacement";
  doc->SetModified(true);
  for (kx_filetest::KxSafeStep step : {kx_filetest::kStepCreate, kx_filetest::kStepWrite, kx_filetest::kStepRename}) {
    host.QueueAnswer(KxAnswer::kOK, target.string());
    kx_filetest::FailStep(step, EIO);
    FSSpec fileSpec;
    EXPECT_FALSE(doc->AskSaveAs(fileSpec, false));
    EXPECT_EQ(Slurp(target), "precious");
    EXPECT_EQ(Listing(dir), std::set<std::string>{"existing.txt"});
    EXPECT_FALSE(doc->IsSpecified());   // still untitled
    EXPECT_EQ(doc->GetFile(), nullptr);
    EXPECT_TRUE(doc->IsModified());
  }
  host.QueueAnswer(KxAnswer::kOK, target.string());
  FSSpec fileSpec;
  ASSERT_TRUE(doc->AskSaveAs(fileSpec, false));
  EXPECT_EQ(Slurp(target), "replacement");
  EXPECT_TRUE(doc->IsSpecified());
  EXPECT_EQ(CKXDocument::FindFSSpecDocument(fileSpec), doc);
}

TEST_F(DocumentTest, SaveAsFailureKeepsTheOldFileOfASpecifiedDocument) {
  const fs::path file = dir / "a.txt", other = dir / "b.txt";
  Spit(file, "old");
  auto* doc = new TestDoc("a.txt");
  doc->Specify(file);
  doc->text = "new";
  host.QueueAnswer(KxAnswer::kOK, other.string());
  kx_filetest::FailStep(kx_filetest::kStepWrite, ENOSPC);
  FSSpec fileSpec;
  EXPECT_FALSE(doc->AskSaveAs(fileSpec, false));
  FSSpec now;
  ASSERT_TRUE(doc->GetFileSpec(now));
  EXPECT_EQ(now.Path(), file.string());   // still on its own file
  EXPECT_TRUE(doc->IsSpecified());
  EXPECT_FALSE(fs::exists(other));
}

// A host whose dialogs ask the same document again while showing, as a
// second close request arriving through the nested loop would.
class ReentrantHost : public KxHeadlessHost {
 public:
  CKXDocument* doc = nullptr;
  std::vector<int> inner;
  std::vector<bool> targetWasHandler;
  std::uint32_t BeginDialog(const KxDialogRequest& request) override {
    if (doc) {
      targetWasHandler.push_back(dynamic_cast<CKXNavDialogHandler*>(LCommander::GetTarget()) != nullptr);
      inner.push_back(doc->AskSaveChanges(false));
      inner.push_back(doc->AskConfirmRevert() ? 1 : 0);
      FSSpec fileSpec;
      inner.push_back(doc->AskSaveAs(fileSpec, false) ? 1 : 0);
    }
    return KxHeadlessHost::BeginDialog(request);
  }
};

TEST_F(DocumentTest, ASecondDialogWhileOneShowsIsRefused) {
  ReentrantHost reentrant;   // installs itself over the fixture's host
  auto* doc = new TestDoc("d");
  doc->SetModified(true);
  reentrant.doc = doc;
  reentrant.QueueAnswer(KxAnswer::kDontSave);
  EXPECT_EQ(doc->AskSaveChanges(true), kKxSaveChangesDontSave);
  EXPECT_EQ(reentrant.inner, (std::vector<int>{kKxSaveChangesCancel, 0, 0}));
  EXPECT_EQ(reentrant.targetWasHandler, std::vector<bool>{true});
  EXPECT_FALSE(doc->IsDialogOpen());
  // Behind the dialog no command is enabled but the dialog's own.
  CKXNavDialogHandler handler(doc);
  Boolean enabled = true, usesMark = false;
  std::uint16_t mark = 0;
  Str255 name{};
  handler.FindCommandStatus(3, enabled, usesMark, mark, name);
  EXPECT_FALSE(enabled);
  KxSetHost(&host);
}

// A quit that reaches a document while one of its dialogs shows is
// refused: the dialog's handler, on the stack of the asking operation,
// would outlive a document deleted under it.
TEST_F(DocumentTest, AQuitWhileADialogShowsIsRefused) {
  auto* doc = new TestDoc("q");
  {
    CKXNavDialogHandler handler(doc);
    EXPECT_FALSE(doc->AttemptQuitSelf(kKxSaveNo));
    EXPECT_TRUE(doc->IsDialogOpen());
  }
  EXPECT_TRUE(doc->AttemptQuitSelf(kKxSaveNo));   // deleted now
}

TEST_F(DocumentTest, RevertAsksTheDiscardQuestion) {
  auto* doc = new TestDoc("r");
  host.QueueAnswer(KxAnswer::kOK);
  EXPECT_TRUE(doc->AskConfirmRevert());
  host.QueueAnswer(KxAnswer::kCancel);
  EXPECT_FALSE(doc->AskConfirmRevert());
  EXPECT_FALSE(doc->AskConfirmRevert());   // nothing answered: not reverted
  ASSERT_EQ(host.DialogRequests().size(), 3u);
  EXPECT_EQ(host.DialogRequests()[0].kind, KxDialogKind::kDiscardChanges);
  EXPECT_EQ(host.DialogRequests()[0].name, "r");
}

// ---- Lookups

TEST_F(DocumentTest, LookupsByWindowOrderListOrderAndFile) {
  auto* a = new TestDoc("a");
  auto* b = new TestDoc("b");
  auto* c = new TestDoc("c");
  const fs::path file = dir / "b.txt";
  Spit(file, "");
  b->Specify(file);
  // Windows front to back: c b a (the newest in front); then b to the front.
  b->MakeCurrent();
  EXPECT_EQ(CKXDocument::FindWindowDocument(1), b);
  EXPECT_EQ(CKXDocument::FindWindowDocument(2), c);
  EXPECT_EQ(CKXDocument::FindWindowDocument(3), a);
  EXPECT_EQ(CKXDocument::FindWindowDocument(4), nullptr);
  EXPECT_EQ(CKXDocument::FindWindowDocument(0), nullptr);
  EXPECT_EQ(CKXDocument::FindWindowIndex(a->GetWindow()), 3);
  EXPECT_EQ(CKXDocument::FindWindowIndex(nullptr), 0);
  EXPECT_EQ(CKXDocument::FindWindowDocument(c->GetWindow()), c);
  EXPECT_EQ(CKXDocument::FindIndexDocument(1), a);
  EXPECT_EQ(CKXDocument::FindIndexDocument(3), c);
  EXPECT_EQ(CKXDocument::FindIndexDocument(-1), nullptr);
  EXPECT_EQ(CKXDocument::FindFSSpecDocument(UFSSpec::MakeFSSpec(file.string())), b);
  EXPECT_EQ(CKXDocument::FindFSSpecDocument(UFSSpec::MakeFSSpec((dir / "x").string())), nullptr);
  // The next document wraps at both ends of the list.
  EXPECT_EQ(a->FindNextDocument(false), b);
  EXPECT_EQ(c->FindNextDocument(false), a);
  EXPECT_EQ(a->FindNextDocument(true), c);
  EXPECT_EQ(b->CopyCFDescriptor(), "b.txt");
  EXPECT_EQ(a->CopyCFDescriptor(), "a");
}

TEST_F(DocumentTest, FileTypesAndFormatItems) {
  TestDoc* d = new TestDoc("t");
  EXPECT_EQ(d->GetFileType(), FourCC("TEXT"));
  EXPECT_EQ(d->GetFileTypeAs(1), FourCC("sEXT"));
  EXPECT_EQ(d->GetFileTypeAs(2), FourCC("ttro"));
  const std::vector<NavMenuItemSpec> items = {{0, 0, FourCC(".KXT"), "Text"}, {0, 0, FourCC("RTF "), "RTF"}};
  EXPECT_EQ(CKXDocument::GetFileTypeFrom(items, 2), FourCC("RTF "));
  for (int bad : {0, 3, -1}) EXPECT_EQ(CKXDocument::GetFileTypeFrom(items, bad), FourCC("TEXT")) << bad;
  EXPECT_EQ(CKXDocument::GetFileTypeFrom({}, 1), FourCC("TEXT"));
}

// ---- Arrangement

constexpr Rect kScreen{0, 0, 700, 1000};   // top, left, bottom, right

int W(const Rect& r) { return r.right - r.left; }
int H(const Rect& r) { return r.bottom - r.top; }

TEST(Arrangement, StackingSevenStartsAgainAfterFive) {
  const std::vector<Rect> r = KxStackLayout(kScreen, 7);
  ASSERT_EQ(r.size(), 7u);
  for (int k = 0; k < 5; ++k) {
    EXPECT_EQ(r[k].left, 4 * k);
    EXPECT_EQ(r[k].top, 20 * k);
    EXPECT_EQ(W(r[k]), 1000 - 16);
    EXPECT_EQ(H(r[k]), 700 - 80);
  }
  EXPECT_EQ(r[5].top, r[0].top);
  EXPECT_EQ(r[5].left, r[0].left);
  EXPECT_EQ(r[6].top, r[1].top);
  EXPECT_EQ(r[6].left, r[1].left);
}

TEST(Arrangement, TilingFollowsTheGridRule) {
  // Minimum sizes chosen so that the area (700 + 21 high, 1000 wide) holds
  // exactly 3 rows (240 each with the frame) and 4 columns (250 with it).
  const int minW = 247, minH = 219;
  struct Case {
    int count;
    bool shift;
    int cols, rows;
  } cases[] = {
      {1, false, 1, 1}, {2, false, 2, 1}, {6, false, 2, 3}, {7, false, 3, 3}, {9, false, 3, 3},
      {10, false, 4, 3}, {12, false, 4, 3}, {13, false, 4, 3}, {7, true, 1, 3}, {1, true, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.count) + (c.shift ? " shift" : ""));
    const KxTileGrid g = KxTileGridFor(kScreen, minW, minH, c.count, c.shift);
    EXPECT_EQ(g.columns, c.cols);
    EXPECT_EQ(g.rows, c.rows);
  }
  // Wider areas allow five columns, never more.
  EXPECT_EQ(KxTileGridFor(Rect{0, 0, 700, 2000}, 100, minH, 40, false).columns, 5);
  // A tiny area still has one row and one column.
  const KxTileGrid tiny = KxTileGridFor(Rect{0, 0, 10, 10}, 300, 300, 3, false);
  EXPECT_EQ(tiny.columns, 1);
  EXPECT_EQ(tiny.rows, 1);
}

TEST(Arrangement, TiledWindowsFillCellsRowByRowAndWrap) {
  // One window: the whole area less the frame.
  const std::vector<Rect> one = KxTileLayout(kScreen, 247, 219, 1, false);
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].top, 0);
  EXPECT_EQ(one[0].left, 0);
  EXPECT_EQ(one[0].bottom, 700);   // the area is 21 taller; the frame takes it back
  EXPECT_EQ(one[0].right, 1000 - 3);
  // Seven in three columns and three rows: the seventh opens the third row.
  const std::vector<Rect> seven = KxTileLayout(kScreen, 247, 219, 7, false);
  const int cellW = 1000 / 3, cellH = 721 / 3;
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(seven[i].top, (i / 3) * cellH) << i;
    EXPECT_EQ(seven[i].left, (i % 3) * cellW) << i;
    EXPECT_EQ(W(seven[i]), cellW - 3);
    EXPECT_EQ(H(seven[i]), cellH - 21);
  }
  // With shift: one column of three rows; the fourth window is back on top.
  const std::vector<Rect> column = KxTileLayout(kScreen, 247, 219, 7, true);
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(column[i].left, 0);
    EXPECT_EQ(column[i].top, column[i % 3].top) << i;
    EXPECT_EQ(W(column[i]), 997);
  }
  // Property: for any count, the first cells hold windows inside the area
  // that do not overlap.
  for (int n = 1; n <= 30; ++n)
    for (bool shift : {false, true}) {
      const KxTileGrid g = KxTileGridFor(kScreen, 247, 219, n, shift);
      const std::vector<Rect> r = KxTileLayout(kScreen, 247, 219, n, shift);
      const int cells = std::min(n, g.columns * g.rows);
      for (int i = 0; i < cells; ++i) {
        EXPECT_GE(r[i].left, kScreen.left);
        EXPECT_LE(r[i].right, kScreen.right);
        EXPECT_GE(r[i].top, kScreen.top);
        EXPECT_LE(r[i].bottom, kScreen.bottom + 21);
        for (int j = 0; j < i; ++j) {
          const bool apart = r[i].left >= r[j].right || r[j].left >= r[i].right || r[i].top >= r[j].bottom ||
                             r[j].top >= r[i].bottom;
          EXPECT_TRUE(apart) << n << ": " << i << " and " << j;
        }
      }
    }
}

TEST(Arrangement, TilingLeavesRoomForATallerFrame) {
  // Windows with a menu bar of their own: 60 pixels outside the content.
  // Fewer rows fit (700 + 60 high holds two of 219 + 60), each window's
  // frame ends above the next one's, and the last row ends in the area.
  constexpr int kTall = 60;
  EXPECT_EQ(KxTileGridFor(kScreen, 247, 219, 6, false, kTall).rows, 2);
  for (int n = 1; n <= 12; ++n) {
    const KxTileGrid g = KxTileGridFor(kScreen, 247, 219, n, false, kTall);
    const std::vector<Rect> r = KxTileLayout(kScreen, 247, 219, n, false, kTall);
    const int cells = std::min(n, g.columns * g.rows);
    for (int i = 0; i < cells; ++i) {
      EXPECT_LE(r[i].bottom, kScreen.bottom) << n << ": " << i;
      if (i + g.columns < cells) {
        EXPECT_GE(r[i + g.columns].top - r[i].bottom, kTall) << n << ": " << i;
      }
    }
  }
}

TEST(Arrangement, BoundsAreHeldInsideTheAreaGrownByThree) {
  struct Case {
    Rect in, out;
  } cases[] = {
      {{10, 10, 100, 100}, {10, 10, 100, 100}},           // inside: unchanged
      {{-50, -50, 40, 40}, {-3, -3, 87, 87}},             // moved down and right
      {{650, 950, 750, 1050}, {603, 903, 703, 1003}},     // moved up and left
      {{-100, -100, 900, 1200}, {-3, -3, 703, 1003}},     // cut to the area, then moved
  };
  for (const Case& c : cases) {
    const Rect r = KxHoldInside(c.in, kScreen);
    EXPECT_EQ(r.top, c.out.top);
    EXPECT_EQ(r.left, c.out.left);
    EXPECT_EQ(r.bottom, c.out.bottom);
    EXPECT_EQ(r.right, c.out.right);
  }
}

TEST_F(DocumentTest, StackingAndTilingMoveEveryDocumentWindow) {
  std::vector<TestDoc*> docs;
  for (int i = 0; i < 7; ++i) docs.push_back(new TestDoc("w" + std::to_string(i)));
  const Rect area = docs[0]->GetStandardArea();
  docs[3]->StackWindow();
  const std::vector<Rect> stacked = KxStackLayout(area, 7);
  for (int i = 0; i < 7; ++i) {
    const Rect b = docs[i]->GetWindow()->GetGlobalBounds();
    EXPECT_EQ(b.top, stacked[i].top) << i;
    EXPECT_EQ(b.left, stacked[i].left) << i;
  }
  EXPECT_TRUE(docs[3]->GetWindow()->IsFront());
  docs[0]->TileWindow(false);
  Rect minMax;
  docs[0]->GetWindow()->GetMinMaxSize(minMax);
  const std::vector<Rect> tiled = KxTileLayout(area, minMax.left, minMax.top, 7, false);
  for (int i = 0; i < 7; ++i) {
    const Rect b = docs[i]->GetWindow()->GetGlobalBounds();
    EXPECT_EQ(b.top, tiled[i].top) << i;
    EXPECT_EQ(b.right, tiled[i].right) << i;
  }
  EXPECT_TRUE(docs[0]->GetWindow()->IsFront());
}

TEST_F(DocumentTest, StackingAndTilingStayClearOfTheFunctionKeyBar) {
  // The bar along the screen's bottom, as the zoomed window sees it.
  const Rect screen = KxCurrentHost().GetScreenBounds();
  const Rect bar{std::int16_t(screen.bottom - 40), std::int16_t(screen.left + 10), std::int16_t(screen.bottom - 4),
                 std::int16_t(screen.left + 600)};
  const KxTextWindowHooks before = KxGetTextWindowHooks();
  KxTextWindowHooks hooks = before;
  hooks.functionBarBounds = [bar](Rect& out) {
    out = bar;
    return true;
  };
  KxSetTextWindowHooks(hooks);
  std::vector<TestDoc*> docs;
  for (int i = 0; i < 5; ++i) docs.push_back(new TestDoc("w" + std::to_string(i)));
  const Rect area = docs[0]->GetStandardArea();
  EXPECT_EQ(area.top, screen.top);
  EXPECT_LT(area.bottom, bar.top);
  EXPECT_EQ(area.bottom, KxLeaveRoomForToolBars(screen).bottom);   // as far as a zoomed window
  for (bool oneColumn : {false, true}) {
    docs[0]->TileWindow(oneColumn);
    for (TestDoc* d : docs) EXPECT_LE(d->GetWindow()->GetGlobalBounds().bottom, bar.top) << oneColumn;
  }
  docs[0]->StackWindow();
  for (TestDoc* d : docs) EXPECT_LE(d->GetWindow()->GetGlobalBounds().bottom, bar.top);

  // A bar that leaves no room worth the name is not made room for.
  hooks.functionBarBounds = [screen](Rect& out) {
    out = Rect{std::int16_t(screen.top + 10), screen.left, std::int16_t(screen.bottom - 1), screen.right};
    return true;
  };
  KxSetTextWindowHooks(hooks);
  EXPECT_GT(H(docs[0]->GetStandardArea()), 100);
  KxSetTextWindowHooks(before);
  EXPECT_EQ(docs[0]->GetStandardArea().bottom, screen.bottom);
}

}  // namespace

namespace {

TEST_F(DocumentTest, ScriptPropertiesComeFromTheWindow) {
  auto* a = new TestDoc("a", Rect{50, 60, 250, 360});
  auto* b = new TestDoc("b");
  b->SetModified(true);
  AEDesc v;
  a->GetAEProperty(FourCC("pidx"), AEDesc(), v);
  EXPECT_EQ(v.AsLong(), 2);   // b is in front
  b->GetAEProperty(FourCC("pidx"), AEDesc(), v);
  EXPECT_EQ(v.AsLong(), 1);
  a->GetAEProperty(FourCC("pbnd"), AEDesc(), v);
  ASSERT_EQ(v.CountItems(), 4);
  EXPECT_EQ(v.GetNthDesc(1, typeLongInteger).AsLong(), 60);   // left, top, right, bottom
  EXPECT_EQ(v.GetNthDesc(2, typeLongInteger).AsLong(), 50);
  EXPECT_EQ(v.GetNthDesc(3, typeLongInteger).AsLong(), 360);
  EXPECT_EQ(v.GetNthDesc(4, typeLongInteger).AsLong(), 250);
  b->GetAEProperty(FourCC("pmod"), AEDesc(), v);
  EXPECT_TRUE(v.AsBoolean());
  a->GetAEProperty(FourCC("ptit"), AEDesc(), v);
  EXPECT_EQ(v.AsText(), "a");

  // Setting the bounds goes through the hold inside the area.
  AEDesc bounds = AEDesc::MakeList();
  for (int x : {-500, 100, 200, 300}) bounds.Append(AEDesc::FromLong(x));
  AEDesc result;
  a->SetAEProperty(FourCC("pbnd"), bounds, result);
  Rect r = a->GetWindow()->GetGlobalBounds();
  EXPECT_EQ(r.left, -3);
  EXPECT_EQ(r.top, 100);
  EXPECT_EQ(r.right - r.left, 700);
  AEDesc pos = AEDesc::MakeList();
  for (int x : {20, 30}) pos.Append(AEDesc::FromLong(x));
  a->SetAEProperty(FourCC("ppos"), pos, result);
  r = a->GetWindow()->GetGlobalBounds();
  EXPECT_EQ(r.left, 20);
  EXPECT_EQ(r.top, 30);
  EXPECT_EQ(r.right - r.left, 700);
  a->SetAEProperty(FourCC("pnam"), AEDesc::FromText("renamed"), result);
  EXPECT_EQ(a->CopyCFDescriptor(), "renamed");
  EXPECT_THROW(a->SetAEProperty(FourCC("pnam"), AEDesc::FromText(std::string(256, 'x')), result), LException);
  EXPECT_EQ(a->CopyCFDescriptor(), "renamed");
  AEDesc three = AEDesc::MakeList();
  for (int x : {1, 2, 3}) three.Append(AEDesc::FromLong(x));
  EXPECT_THROW(a->SetAEProperty(FourCC("pbnd"), three, result), LException);
  EXPECT_THROW(a->GetAEProperty(FourCC("zzzz"), AEDesc(), v), LException);

  // Named by its window's index.
  AEDesc app, fileSpec;
  a->MakeSelfSpecifier(app, fileSpec);
  EXPECT_EQ(fileSpec, AEMakeIndexSpecifier(FourCC("docu"), app, 2));
}

}  // namespace

namespace {

TEST_F(DocumentTest, TheCloseBoxOfADocumentWindowAsksTheDocument) {
  auto* doc = new TestDoc("boxed");
  doc->SetModified(true);
  LWindow* window = doc->GetWindow();
  window->HostAttemptClose();   // nothing answered: cancelled, nothing closes
  EXPECT_TRUE(Alive(doc));
  ASSERT_EQ(host.DialogRequests().size(), 1u);
  EXPECT_EQ(host.DialogRequests()[0].kind, KxDialogKind::kSaveChanges);
  host.QueueAnswer(KxAnswer::kDontSave);
  window->HostAttemptClose();
  EXPECT_FALSE(Alive(doc));
  EXPECT_TRUE(host.WindowList().empty());
}

}  // namespace
