// The registered-font, ruby and text-format dialogs: what the registered
// font stores is what the dialog showed, the list's limits and the factory
// list, ruby readings cut where the text keeps them, and the statistics and
// default format of the text.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "app/app_commands.h"
#include "app/globals.h"
#include "doc_app_fixture.h"
#include "document/fontreg_dialog.h"
#include "engine/text_engine.h"
#include "layout/draw_toolkit.h"
#include "layout/kxte_api.h"
#include "platform/framework/control.h"
#include "platform/framework/list_box.h"
#include "platform/textconv.h"
#include "platform/toolbox/japanese_analysis.h"
#include "text/runs/ruby.h"
#include "views/edit_field.h"

namespace {

class FormatDialogTest : public kxtest::DocAppTest {
 protected:
  void SetUp() override {
    DocAppTest::SetUp();
    gFontregHandle.clear();
    gFontregCount = 0;
    gFactorySettingsData[kFactorySlot].clear();
  }
  void TearDown() override {
    gFontregHandle.clear();
    gFontregCount = 0;
    gFactorySettingsData[kFactorySlot].clear();
    DocAppTest::TearDown();
  }
  CKXTextDocument* OpenText(const std::string& utf8) {
    std::ofstream(dir / "a.txt") << utf8;
    doc = Open(dir / "a.txt");
    return doc;
  }
  LWindow* Dialog(CKXTextDocument* d, ResIDT id) { return d->FindDocDialog(id); }
  void Set(LWindow* dialog, PaneIDT id, std::int32_t value) {
    auto* c = dynamic_cast<LControl*>(dialog->FindPaneByID(id));
    ASSERT_NE(c, nullptr) << id;
    c->SetValue(value);
  }
  std::int32_t Value(LWindow* dialog, PaneIDT id) { return dialog->FindPaneByID(id)->GetValue(); }
  void Type(LWindow* dialog, PaneIDT id, const std::string& sjis) {
    auto* f = dynamic_cast<KXEditField*>(dialog->FindPaneByID(id));
    ASSERT_NE(f, nullptr) << id;
    f->SetText(sjis.data(), sjis.size());
  }
  std::string Text(LWindow* dialog, PaneIDT id) {
    if (auto* f = dynamic_cast<KXEditField*>(dialog->FindPaneByID(id))) return f->GetText();
    Str255 s{};
    dialog->FindPaneByID(id)->GetDescriptor(s);
    return std::string(reinterpret_cast<const char*>(s + 1), s[0]);
  }
  // Registers a font named `name` from the selection as the dialog shows it.
  void AddFont(const std::string& name) {
    Command(1308);
    LWindow* dialog = Dialog(doc, 2500);
    ASSERT_NE(dialog, nullptr);
    Type(dialog, 2525, name);
    Command(-2501);
  }
  std::vector<std::string> Names() {
    std::vector<std::string> out;
    for (short i = 0; i < gFontregCount; ++i) {
      std::string name;
      SStyl s{};
      SDeco d{};
      KxFontregReadRecord(gFontregHandle.data() + std::size_t(i) * kKxFontregSize, name, s, d);
      out.push_back(name);
    }
    return out;
  }
  static constexpr std::size_t kFactorySlot = 5;
  CKXTextDocument* doc = nullptr;
};

// ---- registered fonts ----------------------------------------------------------------------------

TEST(FontregMapping, EveryShownDecorationIsStoredAsItWasShown) {
  // One field at a time over all its values, the others plain.
  std::vector<SDeco> cases;
  for (int group : {3, 6, 9})
    for (int kind = 1; kind <= 5; ++kind) cases.push_back(SDeco{std::uint16_t(kind << group), 0, 0, 0});
  for (int colour = 0; colour < kKxFontregDecoColourItems; ++colour)
    cases.push_back(SDeco{std::uint16_t((colour << 12) | (1 << 3)), 0, 0, 0});
  for (int net = 0; net < kKxFontregNetItems; ++net)
    for (int colour : {0, 7, 15}) cases.push_back(SDeco{0, std::uint8_t(net | (colour << 4)), 0, 0});
  for (std::uint8_t pos : {0, 1, 2, 5, 6}) cases.push_back(SDeco{0, 0, pos, 0});
  SStyl styl{};
  styl.font = 7;
  styl.size = 18;
  for (const SDeco& deco : cases) {
    SCOPED_TRACE(testing::Message() << "line " << deco.lineBits << " net " << int(deco.net) << " pos "
                                    << int(deco.flags));
    std::uint8_t record[kKxFontregRecordSize];
    KxFontregMakeRecord("n", KxFontregShow(styl, deco), record);
    std::string name;
    SStyl s{};
    SDeco d{};
    KxFontregReadRecord(record, name, s, d);
    EXPECT_EQ(d.lineBits, deco.lineBits);
    EXPECT_EQ(d.net, deco.net);
    EXPECT_EQ(d.flags, deco.flags);
    EXPECT_EQ(s.font, 7);
    EXPECT_EQ(s.size, 18);
  }
}

TEST(FontregMapping, LinesShowByPrecedenceAndColoursStayInTheirBits) {
  // Underline over centre line over upper line.
  SDeco all{std::uint16_t((2 << 3) | (3 << 6) | (4 << 9)), 0, 0, 0};
  EXPECT_EQ(KxFontregShow(SStyl{}, all).lineItem, 13);
  all.lineBits = std::uint16_t((3 << 6) | (4 << 9));
  EXPECT_EQ(KxFontregShow(SStyl{}, all).lineItem, 9);
  // A colour item past what four bits hold is not stored into the next field.
  KxFontregShown shown;
  shown.lineItem = 2;
  shown.lineColourItem = 24;
  shown.netItem = 3;
  shown.netColourItem = 20;
  std::uint8_t record[kKxFontregRecordSize];
  KxFontregMakeRecord("x", shown, record);
  std::string name;
  SStyl s{};
  SDeco d{};
  KxFontregReadRecord(record, name, s, d);
  EXPECT_EQ(d.lineBits, 1 << 9);
  EXPECT_EQ(d.net, 2);
  // Faces and the text colour; plain clears every face bit.
  SStyl styl{};
  styl.face = 1 | 4 | 32;
  KxGetRGBColor(5, styl.color);
  shown = KxFontregShow(styl, SDeco{});
  EXPECT_FALSE(shown.plain);
  EXPECT_EQ(shown.colourItem, 6);
  KxFontregMakeRecord("x", shown, record);
  KxFontregReadRecord(record, name, s, d);
  EXPECT_EQ(s.face, 1 | 4 | 32);
  EXPECT_EQ(KxGetRGBColorType(s.color), 5);
  shown.plain = true;
  KxFontregMakeRecord("x", shown, record);
  KxFontregReadRecord(record, name, s, d);
  EXPECT_EQ(s.face, 0);
}

TEST(FontregMapping, NamesAreCutToThirtyOneBytesOnACharacterBoundary) {
  std::uint8_t record[kKxFontregRecordSize];
  std::string name;
  SStyl s{};
  SDeco d{};
  // 'a' then 16 double-byte characters: the 16th would straddle byte 31.
  const std::string sjis = "a" + KxUTF8ToScriptText("あいうえおかきくけこさしすせそた");
  ASSERT_EQ(sjis.size(), 33u);
  KxFontregMakeRecord(sjis, KxFontregShown{}, record);
  KxFontregReadRecord(record, name, s, d);
  EXPECT_EQ(name, sjis.substr(0, 31));
  KxFontregMakeRecord(std::string(40, 'x'), KxFontregShown{}, record);
  KxFontregReadRecord(record, name, s, d);
  EXPECT_EQ(name, std::string(31, 'x'));
  KxFontregMakeRecord(KxUTF8ToScriptText("ああああああああああああああああ"), KxFontregShown{}, record);
  KxFontregReadRecord(record, name, s, d);
  EXPECT_EQ(name.size(), 30u) << "no half character at the end";
}

TEST_F(FormatDialogTest, AddStoresTheSelectionsDecorationThroughTheDialog) {
  CKXTextDocument* d = OpenText("abcdef");
  ASSERT_NE(d, nullptr);
  CKXTextEngine& e = *d->GetEngine();
  const std::vector<SDeco> cases = {{std::uint16_t((5 << 3) | (9 << 12)), 0x3A, 6, 0},
                                    {std::uint16_t(2 << 6), 0x01, 5, 0},
                                    {std::uint16_t(4 << 9), 0xF0, 1, 0},
                                    {0, 0, 2, 0}};
  for (std::size_t i = 0; i < cases.size(); ++i) {
    e.SetSelectionRange({0, 6}, false);
    SStyl styl{};
    e.GetCurStyl(styl);
    SDeco deco = cases[i];
    e.DoTextStyl(&styl, &deco);
    e.SetSelectionRange({0, 6}, false);
    AddFont("f" + std::to_string(i));
    ASSERT_EQ(gFontregCount, short(i + 1));
    std::string name;
    SStyl s{};
    SDeco stored{};
    KxFontregReadRecord(gFontregHandle.data() + i * kKxFontregSize, name, s, stored);
    EXPECT_EQ(stored.lineBits, cases[i].lineBits) << i;
    EXPECT_EQ(stored.net, cases[i].net) << i;
    EXPECT_EQ(stored.flags, cases[i].flags) << i;
  }
  EXPECT_EQ(Dialog(d, 2500), nullptr);
  // The Format menu's command of a registered font applies what it stored.
  e.SetSelectionRange({0, 6}, false);
  SStyl plain{};
  e.GetCurStyl(plain);
  SDeco none{};
  e.DoTextStyl(&plain, &none);
  e.SetSelectionRange({2, 3}, false);
  Command(1371 + 1);
  SDeco applied{};
  e.GetTextDeco({2, 3}, applied);
  EXPECT_EQ(applied.lineBits, cases[1].lineBits);
  EXPECT_EQ(applied.flags, cases[1].flags);
}

TEST_F(FormatDialogTest, FaceAndPositionBoxesExcludeEachOther) {
  CKXTextDocument* d = OpenText("abc");
  ASSERT_NE(d, nullptr);
  Command(1308);
  LWindow* dialog = Dialog(d, 2500);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(Value(dialog, 2512), 1) << "plain text shows plain";
  EXPECT_FALSE(dialog->FindPaneByID(2503)->IsEnabled());
  Set(dialog, 2518, 1);   // condense
  EXPECT_EQ(Value(dialog, 2512), 0);
  Set(dialog, 2519, 1);   // extend turns condense off
  EXPECT_EQ(Value(dialog, 2518), 0);
  Set(dialog, 2513, 1);   // bold
  Set(dialog, 2518, 1);
  EXPECT_EQ(Value(dialog, 2519), 0);
  EXPECT_EQ(Value(dialog, 2513), 1);
  Set(dialog, 2512, 1);   // plain clears them all
  for (PaneIDT b = 2513; b <= 2519; ++b) EXPECT_EQ(Value(dialog, b), 0) << b;
  Set(dialog, 2514, 1);
  Set(dialog, 2514, 0);   // the last face box off: plain again
  EXPECT_EQ(Value(dialog, 2512), 1);
  Set(dialog, 2512, 0);   // plain stays on while no face is
  EXPECT_EQ(Value(dialog, 2512), 1);
  Set(dialog, 2520, 1);
  Set(dialog, 2523, 1);
  EXPECT_EQ(Value(dialog, 2520), 0);
  EXPECT_EQ(Value(dialog, 2523), 1);
  // The size pop-up copies its size into the field.
  Set(dialog, 2506, 1);
  EXPECT_NE(Text(dialog, 2505), "12");
  Command(-2502);
  EXPECT_EQ(Dialog(d, 2500), nullptr);
  EXPECT_EQ(gFontregCount, 0);
}

TEST_F(FormatDialogTest, AnEmptyNameOrAFullListBeepsAndKeepsTheDialog) {
  CKXTextDocument* d = OpenText("abc");
  ASSERT_NE(d, nullptr);
  AddFont("");
  EXPECT_EQ(host.Beeps(), 1);
  ASSERT_NE(Dialog(d, 2500), nullptr);
  Command(-2502);
  for (int i = 0; i < kKxMaxFontreg; ++i) AddFont("n" + std::to_string(i));
  ASSERT_EQ(gFontregCount, kKxMaxFontreg);
  const std::size_t alerts = host.Alerts().size();
  AddFont("one too many");
  EXPECT_EQ(gFontregCount, kKxMaxFontreg);
  EXPECT_EQ(host.Beeps(), 2);
  EXPECT_EQ(host.Alerts().size(), alerts + 1);
  EXPECT_NE(Dialog(d, 2500), nullptr) << "the dialog stays open";
  Command(-2502);
}

TEST_F(FormatDialogTest, DeleteTakesTheSelectedRowsAndTheLastBringsBackTheFactoryList) {
  CKXTextDocument* d = OpenText("abc");
  ASSERT_NE(d, nullptr);
  for (const char* n : {"one", "two", "three", "four"}) AddFont(n);
  Command(1308);
  LWindow* dialog = Dialog(d, 2500);
  ASSERT_NE(dialog, nullptr);
  auto* list = dynamic_cast<LListBox*>(dialog->FindPaneByID(2524));
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->CountRows(), 4);
  list->SetSelectedRows({0, 2});
  Command(-2524);
  EXPECT_TRUE(dialog->FindPaneByID(2503)->IsEnabled());
  EXPECT_EQ(Text(dialog, 2525), "one") << "the first selected row is shown";
  Command(-2503);
  EXPECT_EQ(Names(), (std::vector<std::string>{"two", "four"}));
  // The factory list: two records, copied back when the last one goes.
  std::uint8_t rec[2][kKxFontregRecordSize];
  KxFontregMakeRecord("factory 1", KxFontregShown{}, rec[0]);
  KxFontregMakeRecord("factory 2", KxFontregShown{}, rec[1]);
  gFactorySettingsData[kFactorySlot].assign(&rec[0][0], &rec[0][0] + sizeof rec);
  Command(1308);
  dialog = Dialog(d, 2500);
  list = dynamic_cast<LListBox*>(dialog->FindPaneByID(2524));
  list->SetSelectedRows({0, 1});
  Command(-2524);
  Command(-2503);
  EXPECT_EQ(Names(), (std::vector<std::string>{"factory 1", "factory 2"}));
}

// ---- ruby ----------------------------------------------------------------------------------------------

TEST_F(FormatDialogTest, RubyIsCutToWhatTheTextKeepsAndIsOneUndoStep) {
  CKXTextDocument* d = OpenText("漢字とかな abc");
  ASSERT_NE(d, nullptr);
  CKXTextEngine& e = *d->GetEngine();
  e.SetSelectionRange({0, 4}, false);
  Command(1302);
  LWindow* dialog = Dialog(d, 2450);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(Text(dialog, 2455), KxUTF8ToScriptText("漢字"));
  EXPECT_FALSE(dialog->FindPaneByID(2453)->IsEnabled()) << "nothing to remove yet";
  if (UJapaneseAnalysis::IsAvailable()) {
    EXPECT_EQ(KxScriptTextToUTF8(Text(dialog, 2454)), "カンジ");
  }
  // 16 double-byte characters: 32 bytes, of which 30 are kept, no half one.
  const std::string reading = KxUTF8ToScriptText("かかかかかかかかかかかかかかかか");
  Type(dialog, 2454, reading);
  Command(-2451);
  SKXRange range{};
  char text[kKxRubyMaxText] = {};
  long len = 0;
  e.SetSelectionRange({1, 0}, false);   // a caret inside the base
  ASSERT_TRUE(e.GetCurRuby(range, text, len));
  EXPECT_EQ(std::string(text, std::size_t(len)), reading.substr(0, 30));
  // On the ruby again: the whole base is selected and the ruby shown.
  Boolean enabled = false, usesMark = false;
  std::uint16_t mark = 0;
  Str255 name{};
  LCommander::GetTarget()->ProcessCommandStatus(1302, enabled, usesMark, mark, name);
  EXPECT_TRUE(enabled) << "a caret inside the base";
  Command(1302);
  dialog = Dialog(d, 2450);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(Text(dialog, 2454), reading.substr(0, 30));
  EXPECT_EQ(e.GetSelectionRange().length, 4);
  EXPECT_TRUE(dialog->FindPaneByID(2453)->IsEnabled());
  Command(-2453);   // remove
  e.SetSelectionRange({1, 0}, false);
  EXPECT_FALSE(e.GetCurRuby(range, text, len));
  Command(kKxCmdUndo);   // the removal back
  e.SetSelectionRange({1, 0}, false);
  EXPECT_TRUE(e.GetCurRuby(range, text, len));
  Command(kKxCmdUndo);   // the ruby gone
  e.SetSelectionRange({1, 0}, false);
  EXPECT_FALSE(e.GetCurRuby(range, text, len));
}

TEST_F(FormatDialogTest, RubyOfASingleByteSelectionStartsFromItsText) {
  CKXTextDocument* d = OpenText(std::string(200, 'a'));
  ASSERT_NE(d, nullptr);
  CKXTextEngine& e = *d->GetEngine();
  Boolean enabled = false, usesMark = false;
  std::uint16_t mark = 0;
  Str255 name{};
  e.SetSelectionRange({0, 128}, false);
  LCommander::GetTarget()->ProcessCommandStatus(1302, enabled, usesMark, mark, name);
  EXPECT_FALSE(enabled) << "a base holds at most 127 bytes";
  e.SetSelectionRange({0, 40}, false);
  LCommander::GetTarget()->ProcessCommandStatus(1302, enabled, usesMark, mark, name);
  EXPECT_TRUE(enabled);
  Command(1302);
  LWindow* dialog = Dialog(d, 2450);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(Text(dialog, 2454), std::string(30, 'a'));
  EXPECT_EQ(Text(dialog, 2455), std::string(40, 'a'));
  Command(-2452);
  SKXRange range{};
  long len = 0;
  EXPECT_FALSE(e.GetCurRuby(range, nullptr, len)) << "cancel changes nothing";
  // Read-only text shows its ruby but takes none.
  e.SetAttributes(std::uint16_t(e.GetAttributes() & ~kKxEngineEditable));
  Command(1302);
  dialog = Dialog(d, 2450);
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(dialog->FindPaneByID(2451)->IsEnabled());
  Command(-2451);
  EXPECT_FALSE(e.GetCurRuby(range, nullptr, len));
  Command(-2452);
}

TEST_F(FormatDialogTest, AnEmptyRubyClearsTheRubiesOfAWiderSelection) {
  CKXTextDocument* d = OpenText("ab漢字cd");
  ASSERT_NE(d, nullptr);
  CKXTextEngine& e = *d->GetEngine();
  e.SetSelectionRange({2, 4}, false);
  Command(1302);
  LWindow* dialog = Dialog(d, 2450);
  ASSERT_NE(dialog, nullptr);
  Type(dialog, 2454, "kanji");
  Command(-2451);
  SKXRange range{};
  long len = 0;
  e.SetSelectionRange({3, 0}, false);
  ASSERT_TRUE(e.GetCurRuby(range, nullptr, len));
  // The selection starts before the base, so the dialog is not on the ruby.
  e.SetSelectionRange({0, 8}, false);
  Command(1302);
  dialog = Dialog(d, 2450);
  ASSERT_NE(dialog, nullptr);
  Type(dialog, 2454, "");
  Command(-2451);
  e.SetSelectionRange({3, 0}, false);
  EXPECT_FALSE(e.GetCurRuby(range, nullptr, len));
  Command(kKxCmdUndo);
  e.SetSelectionRange({3, 0}, false);
  EXPECT_TRUE(e.GetCurRuby(range, nullptr, len)) << "one undo step";
}

// ---- text format ---------------------------------------------------------------------------------------

TEST_F(FormatDialogTest, StatisticsCountTheTextOrTheSelection) {
  // Three paragraphs: half-width letters, full-width letters, both.
  const std::string utf8 = "one two\rあいう\rx, y z";
  CKXTextDocument* d = OpenText(utf8);
  ASSERT_NE(d, nullptr);
  CKXTextEngine& e = *d->GetEngine();
  const std::string sjis = KxUTF8ToScriptText(utf8);
  auto expect = [&](long from, long to) {
    long singles = 0, doubles = 0, paras = 0;
    for (long i = from; i < to; ++i) {
      const unsigned char c = static_cast<unsigned char>(sjis[std::size_t(i)]);
      if (c == '\r') ++paras;
      else if ((c >= 0x81 && c <= 0x9F) || c >= 0xE0) ++doubles, ++i;
      else ++singles;
    }
    if (to > from && sjis[std::size_t(to - 1)] != '\r') ++paras;
    return std::vector<long>{singles + doubles + paras, singles, doubles, paras};
  };
  auto shown = [&](LWindow* dialog) {
    std::vector<long> out;
    for (PaneIDT id : {2611, 2612, 2613, 2614}) out.push_back(std::stol(Text(dialog, id)));
    return out;
  };
  const long length = long(sjis.size());
  e.SetSelectionRange({0, 0}, false);
  Command(1410);
  LWindow* dialog = Dialog(d, 2600);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(shown(dialog), expect(0, length));
  EXPECT_EQ(Text(dialog, 2617), "5");   // one two x y z
  EXPECT_EQ(Text(dialog, 2616), "3");
  EXPECT_EQ(Text(dialog, 2618), "1");
  EXPECT_EQ(Text(dialog, 2619), std::to_string(length));
  const std::string caption = Text(dialog, 2620);
  Command(-2602);
  // The second paragraph and the start of the third.
  e.SetSelectionRange({8, 9}, false);
  Command(1410);
  dialog = Dialog(d, 2600);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(shown(dialog), expect(8, 17));
  EXPECT_EQ(Text(dialog, 2616), "2");
  EXPECT_EQ(Text(dialog, 2619), "9");
  EXPECT_GT(Text(dialog, 2620).size(), caption.size()) << "the caption says it counts the selection";
  Command(-2602);
}

TEST_F(FormatDialogTest, ANewDefaultJustificationMovesExactlyTheParagraphsThatHadTheOldOne) {
  CKXTextDocument* d = OpenText("a\rb\rc\rd");
  ASSERT_NE(d, nullptr);
  CKXTextEngine& e = *d->GetEngine();
  // b right-justified, the others on the default (left).
  e.SetSelectionRange({2, 1}, false);
  e.DoParaJustify(2);
  e.SetSelectionRange({6, 1}, false);
  e.DoParaJustify(0);
  Command(1410);
  LWindow* dialog = Dialog(d, 2600);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(Value(dialog, 2603), 1);
  Set(dialog, 2603, 2);   // centre
  Command(-2601);
  EXPECT_EQ(Dialog(d, 2600), nullptr);
  SKXLineStyl line{};
  KXTE_GetLineStyl(e.GetEdit(), line);
  EXPECT_EQ(line.justify, 1);
  const std::uint8_t expected[] = {1, 2, 1, 1};
  for (int p = 0; p < 4; ++p) {
    e.SetSelectionRange({p * 2, 0}, false);
    SParaStyl para{};
    e.GetCurParaStyl(para);
    EXPECT_EQ(para.justify, expected[p]) << "paragraph " << p;
  }
  EXPECT_TRUE(d->IsModifiedNow());
}

TEST_F(FormatDialogTest, TheDefaultFormatAppliesAndReadOnlyTextKeepsOkOff) {
  CKXTextDocument* d = OpenText("plain text");
  ASSERT_NE(d, nullptr);
  CKXTextEngine& e = *d->GetEngine();
  Command(1410);
  LWindow* dialog = Dialog(d, 2600);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(Value(dialog, 2621), 1) << "one plain run in the default style";
  Type(dialog, 2607, "5001");   // out of range: the size stays
  Type(dialog, 2608, "8");
  Type(dialog, 2609, "6");
  Command(-2601);
  SKXLineStyl line{};
  SKXEditStyl style{};
  KXTE_GetLineStyl(e.GetEdit(), line);
  KXTE_GetEditStyl(e.GetEdit(), style);
  EXPECT_EQ(style.size, 12);
  EXPECT_EQ(style.tabWidth, 8);
  EXPECT_EQ(line.lineSpace, 6);
  EXPECT_GT(line.tabInterval, 0);
  Command(1410);
  dialog = Dialog(d, 2600);
  Type(dialog, 2607, "20");
  Command(-2601);
  KXTE_GetEditStyl(e.GetEdit(), style);
  EXPECT_EQ(style.size, 20);
  SStyl run{};
  e.SetSelectionRange({0, 3}, false);
  e.GetCurStyl(run);
  EXPECT_EQ(run.size, 20) << "the whole text took the new default";
  // Line spacing is held where paragraphs and the format bar keep it: a
  // spacing of thousands of points would leave every line alone on pages.
  Command(1410);
  Type(Dialog(d, 2600), 2609, "9999");
  Command(-2601);
  KXTE_GetLineStyl(e.GetEdit(), line);
  EXPECT_EQ(line.lineSpace, 100);
  SParaStyl para{};
  e.GetCurParaStyl(para);
  EXPECT_EQ(para.lineSpace, 100) << "the paragraphs followed the new default";
  e.SetAttributes(std::uint16_t(e.GetAttributes() & ~kKxEngineEditable));
  Command(1410);
  dialog = Dialog(d, 2600);
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(dialog->FindPaneByID(2601)->IsEnabled());
  Command(-2602);
}

}  // namespace
