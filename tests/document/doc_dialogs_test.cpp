// The routing of the document dialogs' messages, and their modal state.
#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "app/globals.h"
#include "doc_app_fixture.h"
#include "document/text_doc_dialogs.h"

namespace {

struct Heard {
  MessageT message;
  LWindow* dialog;
};
std::vector<Heard> gHeard;

bool Record(CKXTextDocument& doc, MessageT message, LWindow* dialog) {
  gHeard.push_back({message, dialog});
  if (message == -2102) doc.CloseDocDialog(dialog);
  return true;
}

TEST(DocDialogRanges, TestedInTheirOrderWithoutOverlap) {
  std::size_t n = 0;
  const KxDocDialogRange* r = KxDocDialogRanges(n);
  ASSERT_EQ(n, 15u);
  const MessageT expectLow[] = {-2117, -2156, -2164, -2202, -2302, -2355, -2402, -2524,
                                -2606, -2723, -2822, -2652, -2675, -2453, -2188};
  for (std::size_t i = 0; i < n; ++i) {
    EXPECT_EQ(r[i].low, expectLow[i]) << i;
    EXPECT_LE(r[i].low, r[i].high);
    for (std::size_t j = 0; j < i; ++j) EXPECT_TRUE(r[i].high < r[j].low || r[i].low > r[j].high) << i << " " << j;
  }
  // Each end of a range, and what lies between ranges.
  EXPECT_STREQ(KxFindDocDialogRange(-2101)->owner, "find");
  EXPECT_STREQ(KxFindDocDialogRange(-2117)->owner, "find");
  EXPECT_EQ(KxFindDocDialogRange(-2100), nullptr);
  EXPECT_EQ(KxFindDocDialogRange(-2118), nullptr);
  EXPECT_STREQ(KxFindDocDialogRange(-2181)->owner, "find and mark");
  EXPECT_STREQ(KxFindDocDialogRange(-2188)->owner, "find and mark");
  EXPECT_EQ(KxFindDocDialogRange(-2189), nullptr);
  EXPECT_STREQ(KxFindDocDialogRange(-2822)->owner, "header footer");
  EXPECT_EQ(KxFindDocDialogRange(-3999), nullptr);
}

class DocDialogTest : public kxtest::DocAppTest {
 protected:
  CKXTextDocument* OpenSample() {
    std::ofstream(dir / "a.txt") << "abc";
    return Open(dir / "a.txt");
  }
};

TEST_F(DocDialogTest, MessagesReachTheDialogThatSentThem) {
  gHeard.clear();
  CKXTextDocument* doc = OpenSample();
  ASSERT_NE(doc, nullptr);
  CKXDocDialog* dialog = doc->OpenDocDialog(2100, &Record);
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(gDialogOpen);
  EXPECT_EQ(doc->FindDocDialog(2100), dialog);
  // A control's message climbs from the dialog to the document.
  EXPECT_TRUE(dialog->ProcessCommand(-2103, nullptr));
  ASSERT_EQ(gHeard.size(), 1u);
  EXPECT_EQ(gHeard[0].message, -2103);
  EXPECT_EQ(gHeard[0].dialog, dialog);
  // A message in a range whose dialog is not open is nobody's.
  EXPECT_FALSE(doc->DialogObeyCommand(-2201, doc->DialogOfMessage(-2201)));
  EXPECT_EQ(doc->DialogOfMessage(-2201), nullptr);
  // The close box presses Cancel, whose handler closes.
  dialog->AttemptClose();
  ASSERT_EQ(gHeard.size(), 2u);
  EXPECT_EQ(gHeard[1].message, -2102);
  EXPECT_EQ(doc->FindDocDialog(2100), nullptr);
  EXPECT_FALSE(gDialogOpen);
  Drain();
}

TEST_F(DocDialogTest, ClosingTheDocumentEndsItsDialogs) {
  CKXTextDocument* doc = OpenSample();
  ASSERT_NE(doc, nullptr);
  ASSERT_NE(doc->OpenDocDialog(2100, &Record), nullptr);
  EXPECT_TRUE(gDialogOpen);
  // Commands other than the dialog's are off meanwhile.
  Boolean enabled = true, usesMark = false;
  std::uint16_t mark = 0;
  Str255 name{};
  doc->FindCommandStatus(5, enabled, usesMark, mark, name);
  EXPECT_FALSE(enabled);
  delete doc;
  EXPECT_FALSE(gDialogOpen);
  LWindow::DeleteClosedWindows();
  EXPECT_EQ(host.WindowList().size(), 0u);
}

}  // namespace
