// The text view's commands: the read-only filter, the edges of the status
// rules, the mended mark and find faults, a sweep that obeys every enabled
// command on random texts, and the mixed-value marks of the style menus
// against a scan of the runs character by character.
#include "common/test_main.h"
#include "views/text_view_commands.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "layout/draw_toolkit.h"
#include "layout/text_edit_ex.h"
#include "platform/framework/menu.h"
#include "platform/host/host.h"
#include "text_view_fixture.h"

namespace {

using kxtest::TextPaneTest;

// Services with a find string, a font menu of fonts 0-3 and a size menu of
// 9, 12 and 14, and an open composition on request.
class TestServices : public CKXTextViewServices {
 public:
  short GetFontNumber(std::int16_t item) override { return item >= 1 && item <= 4 ? short(item - 1) : -1; }
  short GetFontSize(std::int16_t item) override {
    static const short kSizes[] = {9, 12, 14};
    return item >= 1 && item <= 3 ? kSizes[item - 1] : -1;
  }
  bool IsInlineInput(CKXTextView*) override { return inlineInput; }
  bool IsSheetOpen(CKXTextView*) override { return sheetOpen; }
  bool inlineInput = false, sheetOpen = false;
};

class TextCommandTest : public TextPaneTest {
 protected:
  void SetUp() override {
    TextPaneTest::SetUp();
    CKXTextViewServices::Install(&services);
    KxResetFindMemo();
  }
  void TearDown() override {
    CKXTextViewServices::Install(nullptr);
    TextPaneTest::TearDown();
  }
  CKXTextView& View() { return *panes.view[0]; }
  KxTextCommandStatus Status(long cmd) {
    KxTextCommandStatus s;
    Str255 name{};
    View().FindCommandStatus(cmd, s.enabled, s.usesMark, s.mark, name);
    return s;
  }
  bool Obey(long cmd) { return View().ObeyCommand(cmd, nullptr); }
  void SetReadOnly(bool on) {
    const std::uint16_t a = engine->GetAttributes();
    engine->SetAttributes(on ? std::uint16_t(a & ~kKxEngineEditable) : std::uint16_t(a | kKxEngineEditable));
  }
  SKXRange Sel() { return engine->GetSelectionRange(); }
  TestServices services;
};

// ---- The read-only filter ------------------------------------------------------------------------

TEST_F(TextCommandTest, ReadOnlyDisablesExactlyTheEditingCommands) {
  Open("alpha beta gamma\rdelta\r");
  // Everything the table owns that a writable text enables with a
  // selection and a clipboard.
  engine->Select(0, 5);
  engine->DoCopy();
  services.SetFindString("alpha");
  std::size_t count = 0;
  const KxTextCommandRow* rows = KxTextCommandTable(count);
  std::set<long> writable;
  for (std::size_t r = 0; r < count; ++r)
    for (long cmd = rows[r].first; cmd <= rows[r].last; ++cmd)
      if (Status(cmd).enabled) writable.insert(cmd);
  SetReadOnly(true);
  auto filtered = [](long c) {
    static const long kRanges[][2] = {{12, 12},     {14, 15},     {301, 303},   {401, 408},   {1113, 1120},
                                      {1123, 1123}, {1125, 1125}, {1131, 1134}, {1136, 1141}, {1146, 1147},
                                      {1150, 1199}, {1205, 1209}, {1220, 1220}, {1303, 1307}, {1309, 1399},
                                      {1412, 1413}, {1416, 1417}, {1441, 1443}, {1447, 1447}, {1451, 1453},
                                      {1520, 1599}, {1901, 1931}, {1933, 1999}};
    for (const auto& r : kRanges)
      if (c >= r[0] && c <= r[1]) return true;
    return false;
  };
  for (long cmd : writable) EXPECT_EQ(Status(cmd).enabled, !filtered(cmd)) << cmd;
  // What a reader still needs.
  for (long cmd : {13L, 16L, 1202L, 1124L}) EXPECT_TRUE(Status(cmd).enabled) << cmd;
  // The font and size menus go with the styles.
  EXPECT_FALSE(Status(LCommander::SyntheticCommandForMenuItem(kKxFontMenuID, 1)).enabled);
  EXPECT_FALSE(Status(LCommander::SyntheticCommandForMenuItem(kKxSizeMenuID, 1)).enabled);
}

TEST_F(TextCommandTest, ReadOnlyTextSwallowsFilteredCommandsFromKeysAndMacros) {
  Open("alpha beta\r");
  engine->Select(0, 5);
  SetReadOnly(true);
  const std::string before = engine->Text();
  for (long cmd : {12L, 15L, 402L, 1113L, 1118L, 1310L, 1322L}) {
    EXPECT_TRUE(Obey(cmd)) << cmd;  // handled: not passed on to someone who would act
    EXPECT_EQ(engine->Text(), before) << cmd;
  }
  EXPECT_TRUE(Obey(LCommander::SyntheticCommandForMenuItem(kKxSizeMenuID, 3)));
  EXPECT_NE(engine->GetCurFontSize(), 14);
}

TEST_F(TextCommandTest, ReadOnlySwitchRefusesAModifiedText) {
  Open("abc\r");
  engine->SetTextChanged(true);
  EXPECT_TRUE(Obey(1124));
  EXPECT_TRUE(engine->IsEditable());
  ASSERT_EQ(host.Alerts().size(), 1u);
  EXPECT_EQ(host.Alerts()[0].kind, KxAlertKind::kStop);
  engine->SetTextChanged(false);
  EXPECT_TRUE(Obey(1124));
  EXPECT_FALSE(engine->IsEditable());
  EXPECT_EQ(Status(1124).mark, kKxMarkCheck);
  EXPECT_TRUE(Obey(1124));
  EXPECT_TRUE(engine->IsEditable());
}

// ---- Edges of the status rules -------------------------------------------------------------------

TEST_F(TextCommandTest, SizeStepsStopAtTheirLimits) {
  Open("some text\r");
  engine->Select(0, 4);
  struct Case {
    short size;
    bool larger, smaller;
  };
  for (const Case& c : {Case{4998, true, true}, Case{4999, false, true}, Case{3, true, true}, Case{2, true, false},
                        Case{1, true, false}}) {
    engine->DoFontSize(c.size);
    ASSERT_EQ(engine->GetCurFontSize(), c.size);
    EXPECT_EQ(bool(Status(301).enabled), c.larger) << c.size;
    EXPECT_EQ(bool(Status(302).enabled), c.smaller) << c.size;
  }
  // Several sizes: no step, and the commands do nothing.
  engine->Select(0, 2);
  engine->DoFontSize(12);
  engine->Select(0, 4);
  EXPECT_FALSE(Status(301).enabled);
  Obey(301);
  engine->Select(0, 2);
  EXPECT_EQ(engine->GetCurFontSize(), 12);
}

TEST_F(TextCommandTest, HundredPercentIsStoredAsZero) {
  Open("abc\r");
  struct Case {
    short stored;
    bool checked;
  };
  for (const Case& c : {Case{0, true}, Case{100, true}, Case{125, false}}) {
    KXTE_SetEditScale(engine->GetEdit(), c.stored);
    EXPECT_EQ(Status(1426).mark == kKxMarkCheck, c.checked) << c.stored;
  }
  KXTE_SetEditScale(engine->GetEdit(), 100);
  Obey(1426);
  EXPECT_EQ(KXTE_GetEditScale(engine->GetEdit()), 0);
  Obey(1432);
  EXPECT_EQ(KXTE_GetEditScale(engine->GetEdit()), 300);
  EXPECT_EQ(Status(1432).mark, kKxMarkCheck);
}

TEST_F(TextCommandTest, MarksAboveTheCountAreDisabledAndIgnored) {
  Open("first line\rsecond line\rthird\r");
  const unsigned char name1[] = "\x03one", name2[] = "\x03two";
  engine->InsertMark({11, 6}, name1);
  engine->InsertMark({23, 5}, name2);
  ASSERT_EQ(KXTE_GetMarkCount(engine->GetEdit()), 2);
  const SKXRange first = engine->GetMarkRange(1);
  for (long cmd : {1230L, 3000L}) {
    engine->Select(2, 3);
    EXPECT_TRUE(Status(cmd).enabled);
    Obey(cmd);
    EXPECT_EQ(Sel().start, first.start) << cmd;
    EXPECT_EQ(Sel().length, first.length) << cmd;
  }
  for (long cmd : {1232L, 1249L, 3002L, 3999L}) {
    engine->Select(2, 3);
    EXPECT_FALSE(Status(cmd).enabled) << cmd;
    Obey(cmd);
    EXPECT_EQ(Sel().start, 2) << cmd;  // the caret stays, not sent to 0
    EXPECT_EQ(Sel().length, 1) << cmd;
  }
}

TEST_F(TextCommandTest, FailingFindBeepsOncePerPlacePatternAndOptions) {
  Open("one two three\r");
  engine->Select(0, 0);
  services.SetFindString("zzz");
  Obey(1202);
  EXPECT_EQ(host.Beeps(), 1);
  Obey(1202);
  EXPECT_EQ(host.Beeps(), 1);  // the same find at the same place: silent
  services.SetFindString("qqq");
  Obey(1202);
  EXPECT_EQ(host.Beeps(), 2);  // a new pattern fails audibly
  engine->Select(4, 4);
  Obey(1202);
  EXPECT_EQ(host.Beeps(), 3);  // a new place too
  services.SetFindString("three");
  Obey(1202);
  EXPECT_EQ(Sel().start, 8);
  services.SetFindString("qqq");
  engine->Select(4, 4);
  Obey(1202);
  EXPECT_EQ(host.Beeps(), 4);  // a success forgets the memo
}

TEST_F(TextCommandTest, FindSelectionAndReplaceCommands) {
  Open("cat dog cat bird\r");
  engine->Select(0, 3);
  EXPECT_TRUE(Status(1203).enabled);
  Obey(1203);  // take "cat" and find it
  EXPECT_EQ(services.GetFindString(), "cat");
  EXPECT_EQ(Sel().start, 8);
  services.SetReplaceString("cow");
  EXPECT_TRUE(Status(1205).enabled);
  Obey(1206);  // replace, then find the next (wrapping or not, never the old place)
  EXPECT_EQ(engine->Text().substr(0, 12), "cat dog cow ");
  engine->Select(0, 0);
  Obey(1207);
  EXPECT_EQ(engine->Text(), "cow dog cow bird\r");
  ASSERT_FALSE(host.Alerts().empty());
  // The count, then words about replacing, not some other message.
  const std::string note = host.Alerts().back().text;
  EXPECT_EQ(note.substr(0, 1), "1");
  EXPECT_NE(note.find("置換"), std::string::npos) << note;
}

TEST_F(TextCommandTest, SwallowedCommands) {
  Open("abc\r");
  engine->Select(0, 3);
  services.inlineInput = true;
  EXPECT_TRUE(Obey(11));  // undo inside a composition does nothing
  services.inlineInput = false;
  services.sheetOpen = true;
  EXPECT_TRUE(Obey(12));
  EXPECT_EQ(engine->Text(), "abc\r");
  services.sheetOpen = false;
  Obey(12);
  EXPECT_EQ(engine->Text(), "\r");
}

// Text copied in another program reaches the clipboard as Unicode alone:
// Paste and Paste Text take it, and it arrives as the text's own bytes.
TEST_F(TextCommandTest, PasteTakesUnicodeAloneFromOtherPrograms) {
  Open("ab\r");
  engine->Select(1, 1);
  KxCurrentHost().ClearClipboard();
  EXPECT_FALSE(Status(14).enabled);
  EXPECT_FALSE(Status(1131).enabled);
  const char16_t units[] = {0x672B, 0x5C3E};   // 末尾
  std::vector<std::uint8_t> utxt;
  for (char16_t u : units) {
    utxt.push_back(std::uint8_t(u));
    utxt.push_back(std::uint8_t(u >> 8));
  }
  KxCurrentHost().PutClipboard(FourCC("utxt"), utxt.data(), utxt.size());
  EXPECT_TRUE(Status(14).enabled);
  EXPECT_TRUE(Status(1131).enabled);
  EXPECT_TRUE(Obey(14));
  EXPECT_EQ(engine->Text(), "a\x96\x96\x94\xf6" "b\r");
  KxCurrentHost().ClearClipboard();
}

// ---- The sweep -----------------------------------------------------------------------------------

// Lines as the edit object keeps them.
std::vector<std::pair<long, long>> Lines(KXEditHandle e) {
  std::vector<std::pair<long, long>> out;
  for (long l = 1, n = KXTE_GetLineCount(e); l <= n; ++l)
    out.emplace_back(KXTE_GetLineOffset(e, l), KXTE_GetLineHeight(e, l));
  return out;
}

// The bytes and the style and decoration runs, all of them.
std::string Contents(KXEditHandle e) {
  const long len = KXText_GetTextSize(e);
  std::vector<SKXStyl> styl(std::size_t(std::max(1, KXText_GetStylCount(e))));
  std::vector<SKXDeco> deco(std::size_t(std::max(1, KXText_GetDecoCount(e))));
  std::string bytes(std::size_t(len), '\0');
  KXText_GetText(e, bytes.data(), len, styl.data(), std::int32_t(styl.size()), deco.data(), std::int32_t(deco.size()),
                 nullptr, 0, nullptr, 0);
  std::string out = bytes;
  for (const SKXStyl& s : styl) {
    SStyl m = s.styl;
    m.height = m.ascent = 0;  // measured, not stored
    out += std::to_string(s.offset) + ":" + std::to_string(m.font) + "," + std::to_string(m.face) + "," +
           std::to_string(m.size) + "," + std::to_string(m.color.red) + ";";
  }
  for (const SKXDeco& d : deco)
    out += std::to_string(d.offset) + ":" + std::to_string(d.deco.lineBits) + "," + std::to_string(d.deco.net) +
           "," + std::to_string(d.deco.flags) + ";";
  return out;
}

std::string RandomText(std::mt19937& rng) {
  static const char* const kPieces[] = {"word ", "\x82\xa0\x82\xa2", "\r", "  ", "ABC", "\t", "x", "\x88\x9f"};
  std::string s;
  const int n = int(rng() % 40);
  for (int k = 0; k < n; ++k) s += kPieces[rng() % std::size(kPieces)];
  return s;
}

SKXRange RandomRange(std::mt19937& rng, long len, bool empty) {
  long a = len ? long(rng() % std::uint32_t(len + 1)) : 0;
  long b = empty ? a : (len ? long(rng() % std::uint32_t(len + 1)) : 0);
  if (a > b) std::swap(a, b);
  return {std::int32_t(a), std::int32_t(b - a)};
}

// Gives a text a few style and decoration runs through the commands.
void Decorate(CKXTextEngine& e, std::mt19937& rng) {
  const long len = KXText_GetTextSize(e.GetEdit());
  for (int k = 0; k < 6 && len > 0; ++k) {
    e.SetSelectionRange(RandomRange(rng, len, false), false);
    switch (rng() % 6) {
      case 0: e.DoFontStyle(short(1 << (rng() % 7))); break;
      case 1: { RGBColor c{}; KxGetRGBColor(int(rng() % 11), c); e.DoFontColor(c); break; }
      case 2: e.DoLineType(static_cast<unsigned short>(rng() % 16)); break;
      case 3: e.DoNetStyle(static_cast<unsigned char>(rng() % 12)); break;
      case 4: e.DoFontSize(short(9 + rng() % 6)); break;
      default: e.DoExtStyle(static_cast<unsigned char>(std::vector<int>{1, 2, 5, 6, 8}[rng() % 5])); break;
    }
  }
}

TEST_F(TextCommandTest, SweepObeysEveryEnabledCommand) {
  std::size_t count = 0;
  const KxTextCommandRow* rows = KxTextCommandTable(count);
  std::vector<long> commands;
  for (std::size_t r = 0; r < count; ++r)
    for (long cmd = rows[r].first; cmd <= rows[r].last && cmd < rows[r].first + 40; ++cmd) commands.push_back(cmd);
  for (std::int16_t item = 1; item <= 4; ++item) {
    commands.push_back(LCommander::SyntheticCommandForMenuItem(kKxFontMenuID, item));
    commands.push_back(LCommander::SyntheticCommandForMenuItem(kKxSizeMenuID, item));
  }
  const long texts = KxRandomSteps(4);
  for (long t = 0; t < texts; ++t) {
    const std::uint32_t seed = std::uint32_t(1000 + t);
    std::mt19937 rng(seed);
    Open(RandomText(rng), 300, 200);
    Decorate(*engine, rng);
    const unsigned char name[] = "\x01m";
    engine->InsertMark({0, 0}, name);
    for (int mode = 0; mode < 4; ++mode) {
      const bool readOnly = mode >= 2, empty = (mode & 1) != 0;
      services.SetFindString(rng() % 2 ? "word" : "\x82\xa0");
      services.SetReplaceString("W");
      for (long cmd : commands) {
        const KXEditHandle e = engine->GetEdit();
        SetReadOnly(readOnly);
        engine->SetTextChanged(false);
        engine->SetSelectionRange(RandomRange(rng, KXText_GetTextSize(e), empty), false);
        if (rng() % 3 == 0) engine->DoCopy();  // something to paste
        if (!Status(cmd).enabled) continue;
        const std::string before = Contents(e);
        Obey(cmd);
        SCOPED_TRACE("seed " + std::to_string(seed) + " mode " + std::to_string(mode) + " command " +
                     std::to_string(cmd));
        if (readOnly) {
          EXPECT_EQ(Contents(e), before);
        }
        const char* broken = KXHandleAccess::Edit(e)->Check();
        ASSERT_EQ(broken, nullptr) << broken;
        const auto lines = Lines(e);
        KXTE_CalcText(e);
        ASSERT_EQ(lines, Lines(e));
      }
      // Keep toggled view settings from piling up across modes.
      SetReadOnly(false);
      engine->SetPaperView(false);
    }
    delete panes.window;
    panes = {};
    engine->RemoveUser(engine);
    engine = nullptr;
  }
}

// ---- Mixed-value marks ---------------------------------------------------------------------------

// The runs in force at each byte of a range.
template <class Run>
std::vector<Run> PerByte(const std::vector<Run>& runs, const SKXRange& r) {
  std::vector<Run> out;
  for (long o = r.start; o < long(r.start) + r.length; ++o) {
    std::size_t k = 0;
    while (k + 1 < runs.size() && runs[k + 1].offset <= o) ++k;
    out.push_back(runs[k]);
  }
  return out;
}

// The mark a value menu should carry: all bytes one value -> check on it;
// several -> 45 on each value present.
std::uint16_t Expected(const std::vector<int>& values, int v) {
  const bool same = std::all_of(values.begin(), values.end(), [&](int x) { return x == values[0]; });
  const bool present = std::find(values.begin(), values.end(), v) != values.end();
  if (same) return values[0] == v ? kKxMarkCheck : kKxMarkNone;
  return present ? kKxMarkMixed : kKxMarkNone;
}

TEST_F(TextCommandTest, MixedMarksAgreeWithAScanOfTheRuns) {
  const long rounds = KxRandomSteps(12);
  for (long t = 0; t < rounds; ++t) {
    std::mt19937 rng(std::uint32_t(77 + t));
    Open("alpha beta gamma delta epsilon\rzeta eta theta\r", 300, 200);
    const KXEditHandle e = engine->GetEdit();
    Decorate(*engine, rng);
    for (int k = 0; k < 3; ++k) {
      engine->SetSelectionRange(RandomRange(rng, KXText_GetTextSize(e), false), false);
      engine->DoFontNumber(short(rng() % 4));
    }
    for (int probe = 0; probe < 8; ++probe) {
      const SKXRange sel = RandomRange(rng, KXText_GetTextSize(e), false);
      if (sel.length == 0) continue;
      engine->SetSelectionRange(sel, false);
      std::vector<SKXStyl> styl(std::size_t(KXText_GetStylCount(e)));
      KXText_GetStyls(e, styl.data(), std::int32_t(styl.size()));
      std::vector<SKXDeco> deco(std::size_t(std::max(1, KXText_GetDecoCount(e))));
      std::string bytes(std::size_t(KXText_GetTextSize(e)), '\0');
      KXText_GetText(e, bytes.data(), long(bytes.size()), nullptr, 0, deco.data(), std::int32_t(deco.size()), nullptr,
                     0, nullptr, 0);
      const auto s = PerByte(styl, sel);
      const auto d = PerByte(deco, sel);
      auto column = [](const auto& runs, auto f) {
        std::vector<int> v;
        for (const auto& r : runs) v.push_back(f(r));
        return v;
      };
      const std::string where = "round " + std::to_string(t) + " sel " + std::to_string(sel.start) + "+" +
                                std::to_string(sel.length);
      // Colours, nets, net colours, line colours, decoration styles: one value each.
      struct Menu {
        long first;
        int count;
        std::vector<int> values;
        int base;
      };
      const Menu menus[] = {
          {1310, 11, column(s, [](const SKXStyl& r) { return int(KxGetRGBColorType(r.styl.color)); }), 0},
          {1349, 11, column(d, [](const SKXDeco& r) { return r.deco.net & 0x0F; }), 0},
          {1360, 11, column(d, [](const SKXDeco& r) { return r.deco.net >> 4; }), 0},
          {1338, 11, column(d, [](const SKXDeco& r) { return r.deco.lineBits >> 12; }), 0},
      };
      for (const Menu& m : menus)
        for (int k = 0; k < m.count; ++k)
          EXPECT_EQ(Status(m.first + k).mark, Expected(m.values, m.base + k)) << where << " cmd " << m.first + k;
      const auto decoStyles = column(d, [](const SKXDeco& r) { return r.deco.flags & 0x0F; });
      const int kExt[] = {8, 1, 2, 5, 6};
      for (int k = 0; k < 5; ++k)
        EXPECT_EQ(Status(1303 + k).mark, Expected(decoStyles, kExt[k])) << where << " cmd " << 1303 + k;
      // Font and size menus.
      const auto fonts = column(s, [](const SKXStyl& r) { return int(r.styl.font); });
      const auto sizes = column(s, [](const SKXStyl& r) { return int(r.styl.size); });
      for (std::int16_t item = 1; item <= 4; ++item)
        EXPECT_EQ(Status(LCommander::SyntheticCommandForMenuItem(kKxFontMenuID, item)).mark,
                  Expected(fonts, item - 1))
            << where << " font item " << item;
      for (std::int16_t item = 1; item <= 3; ++item)
        EXPECT_EQ(Status(LCommander::SyntheticCommandForMenuItem(kKxSizeMenuID, item)).mark,
                  Expected(sizes, services.GetFontSize(item)))
            << where << " size item " << item;
      // Faces: a bit common to all is checked; with no common bit, 45 on
      // each bit some byte carries.
      const auto faces = column(s, [](const SKXStyl& r) { return int(r.styl.face); });
      int common = 0x7F, any = 0;
      for (int f : faces) common &= f, any |= f;
      const bool same = std::all_of(faces.begin(), faces.end(), [&](int f) { return f == faces[0]; });
      EXPECT_EQ(Status(401).mark, same && faces[0] == 0 ? kKxMarkCheck : kKxMarkNone) << where;
      for (int bit = 0; bit < 7; ++bit) {
        const std::uint16_t want = (!same && common == 0) ? ((any >> bit) & 1 ? kKxMarkMixed : kKxMarkNone)
                                                          : ((common >> bit) & 1 ? kKxMarkCheck : kKxMarkNone);
        EXPECT_EQ(Status(402 + bit).mark, want) << where << " bit " << bit;
      }
      // Line kinds: each group of three bits is checked when all bytes agree
      // on it; 45 marks appear only when no group is common to all.
      const auto words = column(d, [](const SKXDeco& r) { return r.deco.lineBits & 0x0FF8; });
      int word = 0;
      bool anyMixed = false;
      for (int shift : {3, 6, 9}) {
        const auto group = column(words, [&](int w) { return (w >> shift) & 7; });
        if (std::all_of(group.begin(), group.end(), [&](int g) { return g == group[0]; }))
          word |= group[0] << shift;
        else
          anyMixed = true;
      }
      const bool mixedWord = anyMixed && word == 0;
      for (long cmd = 1322; cmd <= 1336; ++cmd) {
        const int shift = cmd <= 1326 ? 9 : cmd <= 1331 ? 6 : 3;
        const int value = int(cmd - (cmd <= 1326 ? 1321 : cmd <= 1331 ? 1326 : 1331));
        const auto group = column(words, [&](int w) { return (w >> shift) & 7; });
        const bool present = std::find(group.begin(), group.end(), value) != group.end();
        const std::uint16_t want = mixedWord ? (present ? kKxMarkMixed : kKxMarkNone)
                                             : (((word >> shift) & 7) == value ? kKxMarkCheck : kKxMarkNone);
        EXPECT_EQ(Status(cmd).mark, want) << where << " cmd " << cmd;
      }
    }
    delete panes.window;
    panes = {};
    engine->RemoveUser(engine);
    engine = nullptr;
  }
}

// The items of one menu pass share one read of the selection's runs; the
// next pass sees an edit made between the two over the same selection, and
// a status asked outside any pass reads the runs afresh.
TEST_F(TextCommandTest, EachStatusPassSeesTheEditsMadeBeforeIt) {
  Open("alpha beta gamma\r", 300, 200);
  auto font = [](std::int16_t item) { return LCommander::SyntheticCommandForMenuItem(kKxFontMenuID, item); };
  auto size = [](std::int16_t item) { return LCommander::SyntheticCommandForMenuItem(kKxSizeMenuID, item); };
  engine->SetSelectionRange({0, 5}, false);
  engine->DoFontNumber(2);
  engine->DoFontSize(9);
  engine->SetSelectionRange({0, 10}, false);
  {
    LMenuBar::StStatusPass pass;
    EXPECT_EQ(Status(font(3)).mark, kKxMarkMixed);
    EXPECT_EQ(Status(font(4)).mark, kKxMarkNone);
    EXPECT_EQ(Status(size(1)).mark, kKxMarkMixed);
    EXPECT_EQ(Status(401).mark, kKxMarkCheck);   // plain throughout
  }
  engine->DoFontNumber(3);
  engine->DoFontSize(14);
  engine->DoFontStyle(1);
  {
    LMenuBar::StStatusPass pass;
    EXPECT_EQ(Status(font(3)).mark, kKxMarkNone);
    EXPECT_EQ(Status(font(4)).mark, kKxMarkCheck);
    EXPECT_EQ(Status(size(1)).mark, kKxMarkNone);
    EXPECT_EQ(Status(size(3)).mark, kKxMarkCheck);
    EXPECT_EQ(Status(401).mark, kKxMarkNone);
    EXPECT_EQ(Status(402).mark, kKxMarkCheck);   // bold
  }
  engine->DoFontNumber(2);
  EXPECT_EQ(Status(font(3)).mark, kKxMarkCheck);
  EXPECT_EQ(Status(font(4)).mark, kKxMarkNone);
  EXPECT_EQ(engine->GetCurFontNumber(), 2);
}

}  // namespace
