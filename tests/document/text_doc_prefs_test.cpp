// The documents and the general preferences dialog: OK hands the open
// documents their save settings, and the dialog's window-size button looks
// up the document window in front when it is pressed, so a window closed
// behind the open dialog is never read.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "app/app_dialog.h"
#include "app/globals.h"
#include "doc_app_fixture.h"
#include "engine/text_engine.h"
#include "layout/fontstate.h"
#include "layout/kxte_api.h"
#include "platform/framework/control.h"
#include "platform/framework/edit_field.h"

namespace {

class TextDocPrefsTest : public kxtest::DocAppTest {
 protected:
  LWindow* Dialog() {
    for (KxWindowID id : host.WindowList())
      if (auto* w = dynamic_cast<LWindow*>(host.GetWindowClient(id)); w && w->FindPaneByID(2001)) return w;
    return nullptr;
  }
  void Click(PaneIDT id) {
    LWindow* w = Dialog();
    ASSERT_NE(w, nullptr);
    if (!w->IsActive()) w->HostActivate(true);
    dynamic_cast<LControl*>(w->FindPaneByID(id))->SimulateHotSpotClick(1);
    KxModelessDialog::DeleteClosed();
  }
  CKXTextDocument* OpenFile() {
    const auto path = dir / "a.txt";
    std::ofstream(path) << "text";
    return Open(path);
  }
  void TearDown() override {
    KxModelessDialog::CloseAll();
    KxModelessDialog::DeleteClosed();
    // Before the application goes: with the settings changed it would
    // write them into the user's preference file.
    KxSetGlobalDefaults();
    CKXTextDocument::GetSettings() = CKXTextDocument::Settings{};
    DocAppTest::TearDown();
  }
};

TEST_F(TextDocPrefsTest, OKHandsTheOpenDocumentsTheirSaveSettings) {
  ASSERT_NE(OpenFile(), nullptr);
  app->ProcessCommand(1108);
  ASSERT_NE(Dialog(), nullptr);
  Dialog()->FindPaneByID(2064)->SetValue(1);
  Dialog()->FindPaneByID(2065)->SetValue(1);
  dynamic_cast<LEditField*>(Dialog()->FindPaneByID(2069))->SetText("2");
  dynamic_cast<LEditField*>(Dialog()->FindPaneByID(2070))->SetText("7");
  Click(2001);
  const CKXTextDocument::Settings& s = CKXTextDocument::GetSettings();
  EXPECT_TRUE(s.autoSave);
  EXPECT_EQ(s.autoSaveSeconds, 120u);
  EXPECT_TRUE(s.backups);
  EXPECT_EQ(s.backupGenerations, 7);
}

TEST_F(TextDocPrefsTest, TheWindowSizeIsTakenFromTheDocumentInFrontNow) {
  CKXTextDocument* doc = OpenFile();
  ASSERT_NE(doc, nullptr);
  const Rect bounds = doc->GetWindow()->GetGlobalBounds();
  std::int32_t w = 0, h = 0;
  ASSERT_TRUE(hooks.FrontDocumentFrame(w, h));
  EXPECT_EQ(w, bounds.right - bounds.left);
  EXPECT_EQ(h, bounds.bottom - bounds.top);
  app->ProcessCommand(1108);
  Dialog()->FindPaneByID(2047)->SetValue(1);
  EXPECT_TRUE(Dialog()->FindPaneByID(2048)->IsEnabled());
  // The document goes while the dialog stays open.
  delete doc;
  EXPECT_FALSE(hooks.FrontDocumentFrame(w, h));
  Click(2048);
  EXPECT_FALSE(Dialog()->FindPaneByID(2048)->IsEnabled());
  Click(2001);
  EXPECT_EQ(gPreference.windowWidth, 0);
  EXPECT_EQ(gPreference.windowHeight, 0);
  EXPECT_EQ(gPreference.useStoredSize, 1);
}

// A preference file may hold any number: a new document takes the
// settings no dialog would give in the dialogs' ranges, and the others
// exactly as stored.
TEST_F(TextDocPrefsTest, ANewDocumentTakesStoredSettingsInTheDialogsRanges) {
  struct Case {
    const char* what;
    std::int16_t size, tabWidth, lineSpacing, charSpacing, tabInterval;
    std::int16_t wantSize, wantTabWidth, wantLine, wantChar;
  };
  const Case cases[] = {
      {"largest numbers", 32767, 32767, 32767, 32767, 32767, 5000, 999, 999, 100},
      {"negative spacing", 24, 8, -40, -3, -5, 24, 8, 0, 0},
      {"in range", 4321, 7, 999, 100, 50, 4321, 7, 999, 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    gPreference.size = c.size;
    gPreference.tabWidth = c.tabWidth;
    gPreference.lineSpacing = c.lineSpacing;
    gPreference.charSpacing = c.charSpacing;
    gPreference.tabInterval = c.tabInterval;
    CKXTextDocument* doc = OpenFile();
    ASSERT_NE(doc, nullptr);
    SKXLineStyl line{};
    SKXEditStyl style{};
    KXTE_GetLineStyl(doc->GetEngine()->GetEdit(), line);
    KXTE_GetEditStyl(doc->GetEngine()->GetEdit(), style);
    EXPECT_EQ(style.size, c.wantSize);
    EXPECT_EQ(style.tabWidth, c.wantTabWidth);
    EXPECT_EQ(line.lineSpace, c.wantLine);
    EXPECT_EQ(line.charSpace, c.wantChar);
    // A stored interval that fits is kept; one that does not is measured.
    const std::int32_t measured = std::min(KxGetFontWidth(gPreference.font, c.wantSize, c.wantTabWidth), 32767);
    EXPECT_EQ(line.tabInterval, c.tabInterval == 50 ? 50 : measured);
    const SKXDocSettings fresh = KxNewDocumentSettings();
    EXPECT_EQ(fresh.window.fontSize, c.wantSize);
    EXPECT_EQ(fresh.window.tabWidth, c.wantTabWidth);
    EXPECT_EQ(fresh.pref.lineSpace, c.wantLine);
    EXPECT_EQ(fresh.pref.charSpace, c.wantChar);
    delete doc;
  }
}

}  // namespace
