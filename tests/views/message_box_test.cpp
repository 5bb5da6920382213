// Alerts: kinds, texts from list 204, the 255-byte cut, and the palettes
// and windows put back after the alert, also when it throws.
#include "views/message_box.h"

#include <stdexcept>

#include "views_fixture.h"
#include "platform/textconv.h"

namespace {

std::vector<bool> gPaletteCalls;
void RecordPalette(bool hide) { gPaletteCalls.push_back(hide); }

class MessageBoxTest : public ViewsTest {
 protected:
  void SetUp() override {
    ViewsTest::SetUp();
    gPaletteCalls.clear();
    mOldHook = KxSetPaletteHideHook(RecordPalette);
  }
  void TearDown() override {
    KxSetPaletteHideHook(mOldHook);
    ViewsTest::TearDown();
  }
  KxPaletteHideFn mOldHook = nullptr;
};

TEST_F(MessageBoxTest, KindsAndTexts) {
  struct Case {
    void (*show)();
    KxAlertKind kind;
    std::string text;
  } cases[] = {
      {[] { KXMessageBox::Alert(0, 1); }, KxAlertKind::kNote, KXMessageBox::MessageText(1)},
      {[] { KXMessageBox::Alert(4, 1); }, KxAlertKind::kNote, KXMessageBox::MessageText(1)},
      {[] { KXMessageBox::Stop(9); }, KxAlertKind::kStop, KXMessageBox::MessageText(9)},
      {[] { KXMessageBox::Alert(2, 5); }, KxAlertKind::kCaution, KXMessageBox::MessageText(5)},
      {[] { KXMessageBox::NumNote(3, 12); }, KxAlertKind::kNote, "12" + KXMessageBox::MessageText(3)},
      {[] { KXMessageBox::Alert(1, 999); }, KxAlertKind::kStop, ""},   // missing: empty, still shown
      {[] { KXMessageBox::StrNote("abc"); }, KxAlertKind::kNote, "abc"},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    cases[i].show();
    ASSERT_EQ(host.Alerts().size(), i + 1);
    EXPECT_EQ(host.Alerts()[i].kind, cases[i].kind) << i;
    EXPECT_EQ(host.Alerts()[i].text, KxScriptTextToUTF8(cases[i].text)) << i;
  }
  EXPECT_FALSE(KXMessageBox::MessageText(1).empty());
  EXPECT_EQ(gPaletteCalls.size(), 2 * std::size(cases));
}

TEST_F(MessageBoxTest, LongTextsAreCutOnACharacterBoundary) {
  const std::string kanji = "\x8A\xBF";
  struct Case {
    std::string text;
    std::size_t want;
  } cases[] = {
      {std::string(300, 'a'), 255},
      {std::string(254, 'a') + kanji + "b", 254},   // the kanji would straddle the cut
      {std::string(253, 'a') + kanji + "b", 255},
      {std::string(255, 'a'), 255},
      {"a" + kanji, 3},
  };
  for (const Case& c : cases) EXPECT_EQ(KXMessageBox::CutMessage(c.text).size(), c.want);
  KXMessageBox::NumNote(1, 1234567890);   // fits anyway
  EXPECT_EQ(host.Alerts().back().text.substr(0, 10), "1234567890");
}

// A host whose alert checks the scope and then fails.
class ThrowingHost : public KxHeadlessHost {
 public:
  KxAnswer Alert(KxAlertKind kind, const std::string& text) override {
    windowActiveDuringAlert = window && window->IsActive();
    hiddenDuringAlert = StKXTextToolbarHide::Depth() > 0;
    KxHeadlessHost::Alert(kind, text);
    if (fail) throw std::runtime_error("alert failed");
    return KxAnswer::kOK;
  }
  LWindow* window = nullptr;
  bool fail = true;
  bool windowActiveDuringAlert = true, hiddenDuringAlert = false;
};

TEST_F(MessageBoxTest, TheScopeComesBackAfterTheAlertAndAfterAThrow) {
  for (bool fail : {false, true}) {
    ThrowingHost thrower;
    thrower.fail = fail;
    // A plain dialog loop: a KXModalDialog would hold a hiding scope of
    // its own, and the alert's is the one under test.
    StDialogHandler h(kProgramControls, nullptr);
    thrower.window = h.GetDialog();
    while (thrower.PendingEvents() > 0) h.DoDialog();
    ASSERT_TRUE(h.GetDialog()->IsActive());
    gPaletteCalls.clear();
    if (fail)
      EXPECT_THROW(KXMessageBox::Stop(1), std::runtime_error);
    else
      KXMessageBox::Stop(1);
    EXPECT_FALSE(thrower.windowActiveDuringAlert);
    EXPECT_TRUE(thrower.hiddenDuringAlert);
    EXPECT_TRUE(h.GetDialog()->IsActive()) << fail;
    EXPECT_EQ(StKXTextToolbarHide::Depth(), 0);
    EXPECT_EQ(gPaletteCalls, (std::vector<bool>{true, false}));
    KxSetHost(&host);
  }
}

TEST_F(MessageBoxTest, AModalDialogKeepsThePalettesHiddenForItsWholeLife) {
  gPaletteCalls.clear();
  {
    KXModalDialog h(kProgramControls, nullptr);
    EXPECT_EQ(StKXTextToolbarHide::Depth(), 1);
    KXMessageBox::Stop(1);   // an alert over it hides nothing more
    EXPECT_EQ(gPaletteCalls, std::vector<bool>{true});
  }
  EXPECT_EQ(StKXTextToolbarHide::Depth(), 0);
  EXPECT_EQ(gPaletteCalls, (std::vector<bool>{true, false}));
}

TEST_F(MessageBoxTest, NestedHidingHidesAndShowsOnce) {
  {
    StKXTextToolbarHide outer;
    StKXTextToolbarHide inner;
  }
  EXPECT_EQ(gPaletteCalls, (std::vector<bool>{true, false}));
}

}  // namespace
