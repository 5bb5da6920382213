// Page set-up and printing of text documents on the headless host: the
// print dialog's answer prints into a PDF of the layout's pages, a cancel
// prints nothing, a failure is one alert with the old file kept and the
// memory reserve back; the page set-up relays the text only for a new
// paper; the paper note; the stored print record's bytes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/application.h"
#include "doc_app_fixture.h"
#include "document/doc_records.h"
#include "document/print_record.h"
#include "document/text_doc.h"
#include "drivers/kxapp_print.h"
#include "engine/text_engine.h"
#include "layout/kxtext_api.h"
#include "layout/text_form.h"
#include "platform/framework/layout.h"
#include "platform/resources.h"
#include "platform/files.h"
#include "platform/fonts.h"
#include "platform/framework/framework_classes.h"
#include "platform/framework/window.h"
#include "platform/host/headless.h"
#include "text/base/memory.h"

namespace {

namespace fs = std::filesystem;

constexpr CommandT kPageSetup = 8, kPrint = 9;

using kxtest::Slurp;

std::string PdfInfo(const fs::path& p) {
  std::string out;
  if (FILE* f = ::popen(("pdfinfo '" + p.string() + "' 2>/dev/null").c_str(), "r")) {
    char buf[256];
    while (std::fgets(buf, sizeof buf, f)) out += buf;
    ::pclose(f);
  }
  return out;
}

int PdfPages(const fs::path& p) {
  const std::string out = PdfInfo(p);
  const std::size_t at = out.find("Pages:");
  return at == std::string::npos ? -1 : std::atoi(out.c_str() + at + 6);
}

KxPageSetup Sheet(std::int32_t w, std::int32_t h, std::int32_t margin, bool landscape = false) {
  KxPageSetup s;
  s.paperWidth = w, s.paperHeight = h, s.landscape = landscape;
  s.hardTop = s.hardLeft = s.hardBottom = s.hardRight = margin;
  return s;
}

class TextDocPrintTest : public kxtest::DocAppTest {
 protected:
  void SetUp() override {
    DocAppTest::SetUp();
    std::string text;
    for (int i = 0; i < 300; ++i) text += "Line " + std::to_string(i) + " of a text that spans pages.\n";
    std::ofstream(dir / "text.txt", std::ios::binary) << text;
    ASSERT_TRUE(hooks.OpenDocument((dir / "text.txt").string()));
    Drain();
    doc = KxTextDocHooks::All().front();
  }
  KXEditHandle Edit() const { return doc->GetEngine()->GetEdit(); }
  PointL Paper() const { return KXTE_GetPaperSize(Edit()); }

  CKXTextDocument* doc = nullptr;
};

TEST_F(TextDocPrintTest, PrintWritesTheLayoutsPagesAndCancelWritesNothing) {
  Boolean enabled = false, usesMark = false;
  std::uint16_t mark = 0;
  Str255 name;
  for (CommandT c : {kPageSetup, kPrint}) {
    doc->FindCommandStatus(c, enabled, usesMark, mark, name);
    EXPECT_TRUE(enabled) << c;
  }
  const fs::path pdf = dir / "out.pdf";
  host.QueueAnswer(KxAnswer::kOK, pdf.string());
  Command(kPrint);
  const long pages = KXTE_GetPageCount(Edit());
  EXPECT_GT(pages, 1);
  EXPECT_EQ(PdfPages(pdf), pages);
  EXPECT_TRUE(host.Alerts().empty());
  EXPECT_EQ(KxMemReserveCount(), 4);
  // A cancel, and no answer at all, print nothing and say nothing.
  fs::remove(pdf);
  host.QueueAnswer(KxAnswer::kCancel);
  Command(kPrint);
  Command(kPrint);
  EXPECT_FALSE(fs::exists(pdf));
  EXPECT_TRUE(host.Alerts().empty());
  EXPECT_FALSE(doc->IsModifiedNow());
}

// A print that cannot be written is one stop alert; the file that was
// there stays byte for byte, and the reserve comes back.
TEST_F(TextDocPrintTest, FailedPrintIsOneAlertAndKeepsTheOldFile) {
  const fs::path pdf = dir / "old.pdf";
  std::ofstream(pdf, std::ios::binary) << "old bytes";
  for (const fs::path& target : {dir / "no" / "such" / "folder.pdf", dir}) {
    const std::size_t before = host.Alerts().size();
    host.QueueAnswer(KxAnswer::kOK, target.string());
    Command(kPrint);
    ASSERT_EQ(host.Alerts().size(), before + 1) << target;
    EXPECT_EQ(host.Alerts().back().kind, KxAlertKind::kStop);
    EXPECT_NE(host.Alerts().back().text.find("を印刷できませんでした"), std::string::npos);
    EXPECT_EQ(KxMemReserveCount(), 4);
  }
  EXPECT_EQ(Slurp(pdf), "old bytes");
}

TEST_F(TextDocPrintTest, PageSetupRelaysOnlyForANewPaper) {
  const long a4Pages = KXTE_GetPageCount(Edit());
  // Cancelled (nothing queued): nothing changes.
  const PointL before = Paper();
  Command(kPageSetup);
  EXPECT_EQ(Paper().v, before.v);
  EXPECT_EQ(Paper().h, before.h);
  EXPECT_FALSE(doc->IsModifiedNow());
  EXPECT_FALSE(doc->HasPrintRecord());
  // B5: the text takes the paper and the hard margins and is changed.
  host.QueuePageSetup(Sheet(516, 729, 20));
  Command(kPageSetup);
  EXPECT_EQ(Paper().h, 516);
  EXPECT_EQ(Paper().v, 729);
  Rect hard;
  KXTE_GetHardMargin(Edit(), hard);
  EXPECT_EQ(hard.top, 20);
  EXPECT_EQ(hard.right, 20);
  EXPECT_TRUE(doc->IsModifiedNow());
  EXPECT_GT(KXTE_GetPageCount(Edit()), a4Pages);
  // The same again: nothing to apply.
  doc->SetModified(false);
  host.QueuePageSetup(Sheet(516, 729, 20));
  Command(kPageSetup);
  EXPECT_FALSE(doc->IsModifiedNow());
  // Turned: the document takes the paper across.
  host.QueuePageSetup(Sheet(595, 842, 18, true));
  Command(kPageSetup);
  EXPECT_EQ(Paper().h, 842);
  EXPECT_EQ(Paper().v, 595);
  EXPECT_TRUE(doc->IsModifiedNow());
  // A print then uses that sheet.
  const fs::path pdf = dir / "across.pdf";
  host.QueueAnswer(KxAnswer::kOK, pdf.string());
  Command(kPrint);
  EXPECT_EQ(PdfPages(pdf), KXTE_GetPageCount(Edit()));
  EXPECT_NE(PdfInfo(pdf).find("842 x 595 pts"), std::string::npos) << PdfInfo(pdf);
  EXPECT_TRUE(host.Alerts().empty());
  // A paper the text takes by other means (a page form) is printed on, and
  // the page set-up dialog starts from it.
  doc->GetEngine()->SetPaperSize(PointL{729, 516}, true);
  host.QueueAnswer(KxAnswer::kOK);   // the paper note
  host.QueueAnswer(KxAnswer::kOK, pdf.string());
  Command(kPrint);
  EXPECT_NE(PdfInfo(pdf).find("516 x 729 pts"), std::string::npos) << PdfInfo(pdf);
  EXPECT_EQ(doc->CurrentPageSetup().paperWidth, 516);
}

// The note before printing: the document's paper kind against the
// printer's, by more than 30 points.
TEST_F(TextDocPrintTest, PaperNoteNamesTheDocumentsPaper) {
  auto printNote = [&](PointL paper) {
    doc->GetEngine()->SetPaperSize(paper, true);
    const std::size_t before = host.Alerts().size();
    host.QueueAnswer(KxAnswer::kOK);   // the note
    host.QueueAnswer(KxAnswer::kCancel);   // the print dialog
    Command(kPrint);
    return host.Alerts().size() > before ? host.Alerts().back().text : std::string();
  };
  const std::string b5 = printNote(PointL{729, 516});   // on the A4 printer
  EXPECT_NE(b5.find("B5 \xE7\xB8\xA6"), std::string::npos) << b5;   // "B5 縦"
  EXPECT_EQ(b5.find("\xE3\x83\x9F\xE3\x83\xAA"), std::string::npos) << b5;   // no millimetres
  const std::string custom = printNote(PointL{500, 400});
  EXPECT_NE(custom.find("\xE3\x82\xAB\xE3\x82\xB9\xE3\x82\xBF\xE3\x83\xA0"), std::string::npos) << custom;
  EXPECT_NE(custom.find("141"), std::string::npos) << custom;   // 400 points wide
  EXPECT_NE(custom.find("176"), std::string::npos) << custom;   // 500 points high
  EXPECT_EQ(printNote(PointL{842 + 25, 595 - 25}), "");   // another kind, but within 30 points
  EXPECT_EQ(printNote(PointL{842, 595}), "");
}

// A stored record keeps its bytes; an accepted page set-up writes back
// only the resolution, page and paper fields; a document without a record
// gets none.
TEST_F(TextDocPrintTest, StoredPrintRecordKeepsItsOtherBytes) {
  host.QueuePageSetup(Sheet(516, 729, 10));
  Command(kPageSetup);
  EXPECT_TRUE(doc->GetStoredPrintRecord().empty());
  std::vector<std::uint8_t> record(kKxMTPRSize);
  for (std::size_t i = 0; i < record.size(); ++i) record[i] = std::uint8_t(i * 7 + 3);
  doc->SetStoredPrintRecord(record);   // names no sane sheet: the set-up stays
  EXPECT_EQ(doc->GetPrintRecord().setup, Sheet(516, 729, 10));
  host.QueuePageSetup(Sheet(612, 791, 18));
  Command(kPageSetup);
  const std::vector<std::uint8_t>& now = doc->GetStoredPrintRecord();
  ASSERT_EQ(now.size(), record.size());
  for (std::size_t i = 0; i < now.size(); ++i) {
    if (i < kKxMTPRVRes || i >= kKxMTPRPaper + 8) {
      EXPECT_EQ(now[i], record[i]) << i;
    }
  }
  KxPageSetup read;
  ASSERT_TRUE(KxPageSetupFromMTPR(now, read));
  EXPECT_EQ(read, Sheet(612, 791, 18));
  // A record naming a sheet gives the document its set-up.
  doc->SetStoredPrintRecord(now);
  EXPECT_TRUE(doc->HasPrintRecord());
  EXPECT_EQ(doc->CurrentPageSetup(), Sheet(612, 791, 18));
}

// kxapp's printing steps: the queued page set-up, and the front
// document's page line.
TEST_F(TextDocPrintTest, KxappPageSetupAndPrintPageSteps) {
  using kxapp_print::PageSetupStep;
  EXPECT_EQ(PageSetupStep({"516", "729"}, host), "");
  EXPECT_EQ(PageSetupStep({"595", "842", "10", "landscape"}, host), "");
  EXPECT_NE(PageSetupStep({"595"}, host), "");
  EXPECT_NE(PageSetupStep({"595", "x"}, host), "");
  EXPECT_NE(PageSetupStep({"595", "842", "400"}, host), "");   // nothing printable
  EXPECT_NE(PageSetupStep({"595", "842", "1", "2"}, host), "");
  ASSERT_EQ(kxapp_print::FrontDocument(), doc);
  Command(kPageSetup);
  const std::string pages = std::to_string(KXTE_GetPageCount(Edit()));
  Rect m;
  KXTE_GetPageMargin(Edit(), m);
  const std::string margins = std::to_string(m.top) + " " + std::to_string(m.left) + " " + std::to_string(m.bottom) +
                              " " + std::to_string(m.right);
  EXPECT_EQ(kxapp_print::PrintPageLine(doc),
            "paper 516 729 hard 18 18 18 18 margins " + margins + " pages " + pages);
  Command(kPageSetup);
  EXPECT_EQ(kxapp_print::PrintPageLine(doc).substr(0, 33), "paper 842 595 hard 10 10 10 10 ma");
  Command(kPageSetup);   // nothing more queued: cancelled
  EXPECT_EQ(kxapp_print::PrintPageLine(doc).substr(0, 13), "paper 842 595");
  EXPECT_EQ(kxapp_print::PrintPageLine(nullptr), "none");
}

// What printing takes from the resources is there.
TEST(PrintResources, NoteStringsPaperKindsAndPrintoutLayout) {
  for (short item = 11; item <= 14; ++item) EXPECT_TRUE(KxHasIndString(208, item)) << item;
  const KxMenuRecord* kinds = KxFindMenuRecord(1272);
  ASSERT_NE(kinds, nullptr);
  EXPECT_EQ(kinds->itemCount, kKxPaperKinds);
  EXPECT_TRUE(KxLayout(1500).Exists());
}

TEST(PrintRecord, SheetsAtOtherResolutionsAndBadRecords) {
  std::vector<std::uint8_t> r(kKxMTPRSize, 0);
  auto put = [&](long at, std::int16_t v) {
    r[std::size_t(at)] = std::uint8_t(std::uint16_t(v) >> 8);
    r[std::size_t(at) + 1] = std::uint8_t(v);
  };
  put(kKxMTPRVRes, 300), put(kKxMTPRHRes, 300);
  const std::int16_t page[4] = {0, 0, 3300 - 150, 2550 - 150}, paper[4] = {-75, -75, 3300 - 75, 2550 - 75};
  for (int i = 0; i < 4; ++i) put(kKxMTPRPage + 2 * i, page[i]), put(kKxMTPRPaper + 2 * i, paper[i]);
  KxPageSetup s;
  ASSERT_TRUE(KxPageSetupFromMTPR(r, s));
  EXPECT_EQ(s, Sheet(612, 792, 18));
  // A page off the paper, a zero resolution, a short record: no sheet.
  put(kKxMTPRPage + 6, 2550);
  EXPECT_FALSE(KxPageSetupFromMTPR(r, s));
  put(kKxMTPRPage + 6, 2400);
  put(kKxMTPRHRes, 0);
  EXPECT_FALSE(KxPageSetupFromMTPR(r, s));
  put(kKxMTPRHRes, 300);
  r.resize(100);
  EXPECT_FALSE(KxPageSetupFromMTPR(r, s));
  KxWriteMTPRSetup(r, s);   // another size: untouched
  EXPECT_EQ(r.size(), 100u);
}

}  // namespace
