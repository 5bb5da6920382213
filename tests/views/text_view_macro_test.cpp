// What a running macro asks of the text view beyond typing: find with its
// options, the date and time, line-number restarts, and documents by name
// or in turn.
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/framework/document.h"
#include "text_view_fixture.h"

namespace {
using kxtest::TextPaneTest;

class TextViewMacroTest : public TextPaneTest {
 protected:
  void TearDown() override {
    KxSetClock(nullptr);
    KxSetMacroDocumentHooks({});
    TextPaneTest::TearDown();
  }
};

// A document as the view and the document list both see it.
class FakeDoc : public LDocument, public CKXTextDoc {
 public:
  FakeDoc(std::string name, std::vector<std::string>& log) : LDocument(nullptr), mName(std::move(name)), mLog(log) {}
  void GetDescriptor(Str255 out) const override {
    out[0] = std::uint8_t(mName.size());
    std::copy(mName.begin(), mName.end(), out + 1);
  }
  void MakeCurrent() override { mLog.push_back("current " + mName); }
  void SetModified(bool on) override { mLog.push_back("modified " + std::to_string(on)); }

 private:
  std::string mName;
  std::vector<std::string>& mLog;
};

unsigned char* P(std::string& buffer, const std::string& s) {
  buffer = std::string(1, char(s.size())) + s;
  return reinterpret_cast<unsigned char*>(buffer.data());
}

TEST_F(TextViewMacroTest, FindSelectsWithTheStatementsOptionsAndAnswersWhetherFound) {
  Open("abXbbc", 400, 200);
  CKXTextView& v = *panes.view[0];
  char b[] = "b", bs[] = "b+", none[] = "q";
  ASSERT_TRUE(v.FindText(b, 1, 0));
  EXPECT_EQ(engine->GetSelectionRange().start, 1);
  EXPECT_TRUE(v.FindText(bs, 2, kKXFindRegexp));   // from after the first b
  EXPECT_EQ(engine->GetSelectionRange().start, 3);
  EXPECT_EQ(engine->GetSelectionRange().length, 2);
  EXPECT_TRUE(v.FindText(b, 1, kKXFindBackward));
  EXPECT_EQ(engine->GetSelectionRange().start, 1);
  EXPECT_FALSE(v.FindText(none, 1, 0));
  EXPECT_FALSE(v.FindText(none, 0, 0)) << "an empty text finds nothing";
  EXPECT_EQ(engine->GetSelectionRange().start, 1);
}

TEST_F(TextViewMacroTest, DateAndTimeComeFromTheClockAsTextAndNumber) {
  Open("abc", 400, 200);
  KxFakeClock clock;
  clock.now = DateTimeRec{2024, 2, 29, 23, 7, 45, 5};
  KxSetClock(&clock);
  unsigned char text[256] = {};
  EXPECT_EQ(panes.view[0]->GetDate(text), 202402295);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(text + 1), text[0]).find("2024"), text[0] - 4u);
  EXPECT_EQ(panes.view[0]->GetTime(text), 230745);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(text + 1), text[0]).find(":45"), std::string::npos)
      << "no seconds";
}

TEST_F(TextViewMacroTest, RestartsChangeTheNumberingAndMarkTheDocumentOnlyWhenTheyChange) {
  Open("a\rb\rc\rd\r", 400, 200);
  std::vector<std::string> log;
  FakeDoc doc("d", log);
  CKXTextView& v = *panes.view[0];
  v.SetDocument(&doc);
  long next = 0;
  v.SetLineReStart(3, true);
  EXPECT_EQ(engine->GetLineReStart(3, next), 2);
  v.SetLineReStart(3, true);   // already there
  v.SetLineReStart(1, true);   // the first line never restarts
  v.SetLineReStart(3, false);
  EXPECT_EQ(engine->GetLineReStart(3, next), 0);
  EXPECT_EQ(log, (std::vector<std::string>{"modified 1", "modified 1"}));
  v.SetDocument(nullptr);
}

TEST_F(TextViewMacroTest, DocumentsComeForwardByNameOrInTurnAndRecentNamesMustMatch) {
  Open("abc", 400, 200);
  std::vector<std::string> log;
  FakeDoc mine("Memo.txt", log), other("\x83\x41" "bc", log);
  CKXTextView& v = *panes.view[0];
  v.SetDocument(&mine);
  std::string buffer;
  v.FindDocument(P(buffer, "memo.TXT"), false);   // case does not count
  v.FindDocument(P(buffer, "\x83\x61" "bc"), false);   // a second byte is no letter
  std::vector<LDocument*> asked;
  KxMacroDocumentHooks hooks;
  hooks.nextDocument = [&](LDocument* from, bool backward) {
    asked.push_back(from);
    return backward ? &mine : &other;
  };
  KxSetMacroDocumentHooks(hooks);
  v.FindDocument(P(buffer, ""), true);
  v.FindDocument(P(buffer, "\x83\x41" "BC"), false);
  EXPECT_EQ(log, (std::vector<std::string>{"current Memo.txt", "current Memo.txt", "current \x83\x41" "bc"}));
  EXPECT_EQ(asked, (std::vector<LDocument*>{&mine}));

  // A name in no recent list runs nothing; without the lists nothing is found.
  hooks.recentNames = [] { return std::vector<KxRecentName>{{"a.txt", -(220L * 65536 + 1)}}; };
  KxSetMacroDocumentHooks(hooks);
  EXPECT_FALSE(v.FindRecentDocument(P(buffer, "b.txt")));
  EXPECT_FALSE(v.FindRecentDocument(P(buffer, "")));
  KxSetMacroDocumentHooks({});
  EXPECT_FALSE(v.FindRecentDocument(P(buffer, "a.txt")));
  v.SetDocument(nullptr);
}

}  // namespace
