// The character code table: cells and codes agree both ways; which codes
// each script offers (never a lone lead byte); clicks typed into the
// document, releases outside the cell and closed or read-only documents;
// the window's place remembered across closing.
#include <gtest/gtest.h>

#include "app/app_commands.h"
#include "doc_app_fixture.h"
#include "document/char_code.h"
#include "engine/text_engine.h"
#include "platform/framework/window.h"
#include "platform/script.h"
#include "views/dialog_box.h"

namespace {

class CharTable : public kxtest::DocAppTest {
 protected:
  void TearDown() override {
    CKXTextCharCode::CloseAll();
    kxtest::DocAppTest::TearDown();
  }
  void SetUp() override {
    kxtest::DocAppTest::SetUp();
    CKXTextCharCode::ForgetSavedBounds();
    ASSERT_TRUE(hooks.NewDocument());
    Drain();
    doc = Front();
    ASSERT_NE(doc, nullptr);
  }
  CKXTextCharCode* OpenTable() {
    Command(kKxCmdCharTable);
    CKXTextCharCode* table = CKXTextCharCode::GetNewest();
    EXPECT_NE(table, nullptr);
    return table;
  }
  // Press in the cell of `code`, release at `releaseCode`'s cell (-1: far
  // outside the grid).
  void ClickCell(CKXTextCharCode* table, int code, int releaseCode) {
    CKXTextCharView* grid = table->GetCharView();
    const Rect bounds = table->GetGlobalBounds();
    const RectL frame = grid->CalcPortFrameRect();
    auto global = [&](int c) {
      if (c < 0) return Point{std::int16_t(bounds.bottom + 50), std::int16_t(bounds.right + 50)};
      const RectL cell = grid->CellRect(c);
      SPoint32 p{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
      grid->LocalToPortPoint(p);
      (void)frame;
      return Point{std::int16_t(bounds.top + p.v), std::int16_t(bounds.left + p.h)};
    };
    host.PostMouse(true, global(code));
    host.PostMouseMove(global(releaseCode));
    host.PostMouse(false, global(releaseCode));
    Drain();
  }
  std::string Text() const { return doc->TextBytes(); }

  CKXTextDocument* doc = nullptr;
};

std::vector<int> Enabled(const std::array<bool, 256>& on) {
  std::vector<int> out;
  for (int c = 0; c < 256; ++c)
    if (on[std::size_t(c)]) out.push_back(c);
  return out;
}

std::vector<int> Range(std::initializer_list<std::pair<int, int>> spans) {
  std::vector<int> out;
  for (auto [a, b] : spans)
    for (int c = a; c <= b; ++c) out.push_back(c);
  return out;
}

TEST(CharTableCodes, EachScriptOffersItsOwnSingleBytes) {
  // A Roman font: every byte but 0 and 127; control codes only with Option.
  EXPECT_EQ(Enabled(CKXTextCharView::EnabledCodes(kScriptRoman, false)),
            Range({{8, 9}, {13, 13}, {17, 20}, {32, 126}, {128, 255}}));
  EXPECT_EQ(Enabled(CKXTextCharView::EnabledCodes(kScriptRoman, true)), Range({{1, 126}, {128, 255}}));
  // Japanese: 81-A0 and E0-FC greyed, half-width katakana A1-DF offered.
  EXPECT_EQ(Enabled(CKXTextCharView::EnabledCodes(kScriptJapanese, false)),
            Range({{8, 9}, {13, 13}, {17, 20}, {32, 126}, {128, 128}, {161, 223}, {253, 255}}));
  // The Chinese and Korean sets hold back every byte their encodings lead with.
  for (short script : {short(2), short(3), short(25)}) {
    const auto on = CKXTextCharView::EnabledCodes(script, false);
    for (int c = 0x81; c <= 0xFE; ++c) EXPECT_FALSE(on[std::size_t(c)]) << "script " << script << " code " << c;
  }
  // No script ever offers a byte that starts a double-byte character.
  for (short script : {kScriptRoman, kScriptJapanese, short(2), short(3), short(25)}) {
    const std::uint8_t* parse = KxScriptParseTable(script);
    for (bool option : {false, true}) {
      const auto on = CKXTextCharView::EnabledCodes(script, option);
      for (int c = 0; c < 256; ++c)
        EXPECT_FALSE(on[std::size_t(c)] && parse[c]) << "script " << script << " offers lead byte " << c;
    }
  }
}

TEST_F(CharTable, CellsAndCodesAgreeBothWays) {
  CKXTextCharCode* table = OpenTable();
  ASSERT_NE(table, nullptr);
  CKXTextCharView* grid = table->GetCharView();
  const int s = grid->GetCellSize();
  SDimension32 frame{};
  grid->GetFrameSize(frame);
  EXPECT_EQ(frame.width, 16 * s + 1);
  EXPECT_EQ(frame.height, 16 * s + 1);
  for (int code = 0; code < 256; ++code) {
    const RectL cell = grid->CellRect(code);
    EXPECT_EQ(cell.right - cell.left, s - 1);
    // Codes run down the columns.
    EXPECT_EQ(grid->CodeAt(SPoint32{cell.left, cell.top}), code);
    EXPECT_EQ(grid->CodeAt(SPoint32{cell.right - 1, cell.bottom - 1}), code);
    EXPECT_EQ(code / 16, (cell.left - 1) / s);
    EXPECT_EQ(code % 16, (cell.top - 1) / s);
  }
  EXPECT_EQ(grid->CodeAt(SPoint32{16 * s + 2, 3}), -1);
  EXPECT_EQ(grid->CodeAt(SPoint32{-1, 3}), -1);
}

TEST_F(CharTable, AClickTypesItsCellAndAReleaseElsewhereNothing) {
  CKXTextCharCode* table = OpenTable();
  ClickCell(table, 'A', 'A');
  EXPECT_EQ(Text(), "A");
  ClickCell(table, 'B', 'C');
  ClickCell(table, 'B', -1);
  EXPECT_EQ(Text(), "A");
  // Cell 0D is the Return key: a paragraph break.
  ClickCell(table, 13, 13);
  ClickCell(table, 0xB1, 0xB1);
  EXPECT_EQ(Text(), "A\n\xB1");
  // A lead byte of the Japanese font types nothing.
  ClickCell(table, 0x82, 0x82);
  EXPECT_EQ(Text(), "A\n\xB1");
}

TEST_F(CharTable, AReadOnlyOrClosedDocumentTakesNothing) {
  CKXTextCharCode* table = OpenTable();
  CKXTextEngine* engine = doc->GetEngine();
  engine->SetAttributes(engine->GetAttributes() & ~kKxEngineEditable);
  const int beeps = host.Beeps();
  ClickCell(table, 'A', 'A');
  EXPECT_EQ(Text(), "");
  EXPECT_EQ(host.Beeps(), beeps + 1);
  engine->SetAttributes(engine->GetAttributes() | kKxEngineEditable);
  delete doc;
  doc = nullptr;
  EXPECT_EQ(table->GetTextDoc(), nullptr);
  ClickCell(table, 'A', 'A');   // must not reach the deleted document
}

// Another double-byte script's font: its own lead bytes are greyed.
short FakeScript(short) { return 2; }

TEST_F(CharTable, AFontOfAnotherDoubleByteScriptGreysItsLeadBytes) {
  const KxFontScriptFn before = KxSetFontScriptHook(FakeScript);
  CKXTextCharCode* table = OpenTable();
  KxSetFontScriptHook(before);
  for (int c = 0x81; c <= 0xFE; ++c) EXPECT_FALSE(table->GetCharView()->IsCodeEnabled(c)) << c;
  EXPECT_TRUE(table->GetCharView()->IsCodeEnabled('A'));
  ClickCell(table, 0xA4, 0xA4);
  EXPECT_EQ(Text(), "");
}

// A table opens clear of the tool palette's room, on the screen, and so
// does one whose remembered place lies off the screen.
TEST_F(CharTable, ATableOpensClearOfThePalette) {
  static constexpr std::int16_t kRoom = 300;
  const KxPaletteSpaceFn before = KxSetPaletteSpaceHook([] { return Point{kRoom, 0}; });
  const Rect screen = host.GetScreenBounds();
  auto placed = [&](CKXTextCharCode* table) {
    ASSERT_NE(table, nullptr);
    const Rect r = table->GetGlobalBounds();
    EXPECT_GE(r.top, screen.top + kRoom);
    EXPECT_LE(r.bottom, screen.bottom);
    EXPECT_GE(r.left, screen.left);
    EXPECT_LE(r.right, screen.right);
  };
  CKXTextCharCode* first = OpenTable();
  placed(first);
  const Rect b = first->GetGlobalBounds();
  first->DoSetBounds(Rect{-500, 5000, std::int16_t(-500 + b.bottom - b.top), std::int16_t(5000 + b.right - b.left)});
  first->DoClose();
  placed(OpenTable());
  KxSetPaletteSpaceHook(before);
}

TEST_F(CharTable, ANewTableOpensWhereTheLastOneClosed) {
  CKXTextCharCode* first = OpenTable();
  const Rect moved{120, 200, std::int16_t(120 + (first->GetGlobalBounds().bottom - first->GetGlobalBounds().top)),
                   std::int16_t(200 + (first->GetGlobalBounds().right - first->GetGlobalBounds().left))};
  first->DoSetBounds(moved);
  first->DoClose();
  EXPECT_EQ(CKXTextCharCode::GetNewest(), nullptr);
  CKXTextCharCode* second = OpenTable();
  const Rect at = second->GetGlobalBounds();
  EXPECT_EQ(at.top, moved.top);
  EXPECT_EQ(at.left, moved.left);
  EXPECT_EQ(at.right - at.left, moved.right - moved.left);
  // Every command opens another table, each typing into its document.
  CKXTextCharCode* third = OpenTable();
  EXPECT_NE(third, second);
  EXPECT_EQ(third->GetTextDoc(), second->GetTextDoc());
}

}  // namespace
