// The settings records of a text document through the program's own
// documents on the headless host: what a file stores reaches the engine and
// the window when it is read (and again on a revert), and what the document
// stands at is what a save writes, in both layouts.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/globals.h"
#include "doc_app_fixture.h"
#include "document/doc_file.h"
#include "document/print_record.h"
#include "document/text_doc.h"
#include "engine/text_engine.h"
#include "layout/kxte_api.h"
#include "layout/text_edit_ex.h"

namespace {

namespace fs = std::filesystem;

constexpr EKXLayout kLayouts[] = {EKXLayout::kClassic, EKXLayout::kContainer};

std::vector<std::uint8_t> PrintRecordOf(std::int32_t w, std::int32_t h, std::int32_t margin) {
  KxPageSetup s;
  s.paperWidth = w, s.paperHeight = h;
  s.hardTop = s.hardLeft = s.hardBottom = s.hardRight = margin;
  std::vector<std::uint8_t> r(kKxMTPRSize, 0);
  r[0] = 0x5A;   // a byte of the print system's that the document keeps
  KxWriteMTPRSetup(r, s);
  return r;
}

// A stored document that differs from a new one in every record the
// engine and the window take.
SKXDocSettings Stored() {
  SKXDocSettings s = KxNewDocumentSettings();
  s.hasWindow = s.hasPref = true;
  s.window.selStart = 2;
  s.window.selEnd = 5;
  s.window.controlView = 1;
  s.pref.vertical = 1;
  s.pref.scale = 150;
  s.pref.columns = 2;
  s.pref.gap = 20;
  s.pref.headerText = "Head <PAGE>";
  s.pref.header.word0 = 30;   // the band's distance
  s.pref.header.byte5 = 1;    // centred
  s.lineRestarts = {3, 7};
  s.printRecord = PrintRecordOf(612, 791, 18);
  return s;
}

class TextDocSettingsTest : public kxtest::DocAppTest {
 protected:
  fs::path Write(EKXLayout layout, const SKXDocSettings& s) {
    const fs::path p = dir / (layout == EKXLayout::kClassic ? "doc.txt" : "doc.kxt");
    SKXDocument doc;
    const std::string text = "first\rsecond\rthird\r";
    doc.text->SetText(text.data(), long(text.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
    doc.settings = s;
    doc.creator = FourCC("KXTE");
    std::string message;
    EXPECT_EQ(KxWriteDocument(p.string(), doc, layout, message), 0) << message;
    return p;
  }
  static SKXDocSettings ReadBack(const fs::path& p) {
    SKXDocument doc;
    std::string message;
    EXPECT_EQ(KxReadDocument(p.string(), doc, message), 0) << message;
    return doc.settings;
  }
  static std::vector<std::int32_t> Restarts(CKXTextEngine& e) {
    std::vector<char> data(std::size_t(e.GetLnReStartDataSize()));
    return KxRestartsFromData(data.data(), e.GetLnReStartData(data.data(), long(data.size())));
  }
  // What the engine and the window show of Stored().
  static void ExpectStored(CKXTextDocument& d) {
    CKXTextEngine& engine = *d.GetEngine();
    const KXEditHandle e = engine.GetEdit();
    EXPECT_EQ(KXTE_GetVertical(e), 1);
    EXPECT_TRUE(d.IsVerticalWindow());
    EXPECT_EQ(KXTE_GetEditScale(e), 150);
    EXPECT_EQ(KXTE_GetCtrlView(e), 1);
    short columns = 0, gap = 0;
    KXTE_GetPageColumn(e, columns, gap);
    EXPECT_EQ(columns, 2);
    EXPECT_EQ(gap, 20);
    short band = 0;
    char text[256] = {};
    std::uint8_t length = 0, alignment = 0, date = 0, time = 0;
    SStyl style{};
    KXTE_GetHeaderStyle(e, band, text, length, style, alignment, date, time);
    EXPECT_EQ(std::string(text, length), "Head <PAGE>");
    EXPECT_EQ(band, 30);
    EXPECT_EQ(alignment, 1);
    EXPECT_EQ(engine.GetSelectionRange().start, 2);
    EXPECT_EQ(engine.GetSelectionRange().length, 3);
    EXPECT_EQ(Restarts(engine), (std::vector<std::int32_t>{3, 7}));
    ASSERT_TRUE(d.HasPrintRecord());
    EXPECT_EQ(d.GetPrintRecord().setup.paperWidth, 612);
  }
};

TEST_F(TextDocSettingsTest, StoredSettingsReachTheTextAndComeBackAsItStands) {
  for (EKXLayout layout : kLayouts) {
    SCOPED_TRACE(layout == EKXLayout::kClassic ? "classic" : "container");
    const SKXDocSettings stored = Stored();
    const fs::path p = Write(layout, stored);
    CKXTextDocument* d = Open(p);
    ASSERT_NE(d, nullptr);
    ExpectStored(*d);
    // Saved untouched, every record says the same again.
    d->SetModified(true);
    d->DoSave();
    SKXDocSettings back = ReadBack(p);
    EXPECT_EQ(back.window.selEnd, 5u);
    EXPECT_EQ(back.pref.scale, 150);
    EXPECT_EQ(back.pref.header.word0, 30);
    EXPECT_EQ(back.pref.header.byte5, 1);
    EXPECT_EQ(back.lineRestarts, stored.lineRestarts);
    EXPECT_EQ(back.printRecord, stored.printRecord);

    // Changed in the window, the save writes the change.
    CKXTextEngine& engine = *d->GetEngine();
    engine.AddLnReStart(9);
    engine.SetSelectionRange(SKXRange{6, 0}, false);
    d->ObeyCommand(1408, nullptr);   // back to horizontal writing
    KXTE_SetPageColumn(engine.GetEdit(), 3, 10);
    d->SetModified(true);
    d->DoSave();
    back = ReadBack(p);
    EXPECT_EQ(back.lineRestarts, (std::vector<std::int32_t>{3, 7, 9}));
    EXPECT_EQ(back.window.selStart, 6u);
    EXPECT_EQ(back.window.selEnd, 6u);
    EXPECT_EQ(back.pref.vertical, 0);
    EXPECT_EQ(back.pref.columns, 3);
    // The page's stored frame turns with the writing.
    EXPECT_EQ(back.pref.paperV, stored.pref.paperH);
    EXPECT_EQ(back.pref.paperH, stored.pref.paperV);

    // A revert brings the file's settings back over the window's.
    Write(layout, stored);
    d->ObeyCommand(1408, nullptr);
    KXTE_SetEditScale(engine.GetEdit(), 200);
    engine.InitLnReStart();
    d->DoRevert();
    ExpectStored(*d);
    delete d;
  }
}

// A file without stored settings keeps the writing the preferences give new
// documents; one whose record says horizontal stays horizontal.
TEST_F(TextDocSettingsTest, StoredWritingWinsOverThePreference) {
  SKXDocSettings horizontal = Stored();
  horizontal.pref.vertical = 0;
  const fs::path p = Write(EKXLayout::kContainer, horizontal);
  const std::uint8_t was = gPreference.vertical;
  gPreference.vertical = 1;
  CKXTextDocument* d = Open(p);
  gPreference.vertical = was;
  ASSERT_NE(d, nullptr);
  EXPECT_FALSE(d->IsVerticalWindow());
  EXPECT_EQ(KXTE_GetVertical(d->GetEngine()->GetEdit()), 0);
}

}  // namespace
