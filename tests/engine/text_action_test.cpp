// Undo and redo of every layer edit, as a random walk: after each step undo
// must give back the text before it exactly (bytes, style, decoration with
// ruby and pictures, paragraph runs, side entries, marks) and redo the text
// after it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <random>

#include "common/test_main.h"
#include "common/alloc_sweep.h"
#include "layer_fixture.h"

namespace {
using kxtest::Diff;
using kxtest::Snapshot;
using kxtest::Take;
using kxtest::TestLayer;

class Walk {
 public:
  explicit Walk(unsigned seed, bool lone = false, bool attrs = false) : loneLeads(lone), attributes(attrs), rng(seed) {
    Populate();
  }

  long Pick(long lo, long hi) { return std::uniform_int_distribution<long>(lo, hi)(rng); }
  long Len() const { return KXText_GetLength(layer.GetEdit()); }
  SKXRange RandomRange() {
    const long a = Pick(0, Len()), b = std::min(Len(), a + Pick(0, 12));
    return {std::int32_t(a), std::int32_t(b - a)};
  }

  // Mixed text: letters, styled spaces, line ends, tabs, kana, pictures.
  std::string RandomBytes(long n) {
    std::string s;
    while (long(s.size()) < n) {
      switch (Pick(0, 9)) {
        case 0: case 1: s += ' '; break;
        case 2: s += '\r'; break;
        case 3: s += '\t'; break;
        case 4: s += char(0x82), s += char(0xA0 + Pick(0, 80)); break;
        case 5:
          // A lead byte of its own pairs with whatever follows it.
          if (loneLeads && Pick(0, 3) == 0)
            s += char(0x90);
          else
            s += char(0x82), s += char(0xA0 + Pick(0, 80));
          break;
        default: s += char('a' + Pick(0, 5));
      }
    }
    return s;
  }

  void Populate() {
    const std::string s = RandomBytes(160);
    // Style runs at random places: spaces of mixed styles for the smart
    // spaces to take along and give back.
    std::vector<SKXStyl> styls = {{0, {0, 0, 1, 0, 0, 12, {0, 0, 0}}}};
    for (long at = Pick(1, 30); at < long(s.size()); at += Pick(1, 30))
      styls.push_back({std::int32_t(at), {0, 0, 1, std::uint8_t(Pick(0, 2)), 0, short(Pick(9, 14)),
                                          {std::uint16_t(Pick(0, 1) * 0xFFFF), 0, 0}}});
    SKXDeco decos[2] = {{0, {0, 0, 0, 0}, 0}, {40, {0x0008, 0, 0, 0}, 0}};
    KXText_SetText(layer.GetEdit(), s.data(), long(s.size()), styls.data(), std::int32_t(styls.size()), decos, 2,
                   nullptr, 0);
    SParaStyl para{};
    para.leftIndent = 24;
    KXText_SetPara(layer.GetEdit(), 30, 60, para);
    KXText_InsertUniChar(layer.GetEdit(), 10, 0x00E90000, nullptr, nullptr);
    KXText_InsertUniChar(layer.GetEdit(), 90, 0x4E020000, nullptr, nullptr);
    AddPicture(50);
    AddPicture(120);
    const unsigned char kana[] = {0x82, 0xA9, 0x82, 0xC8};
    KXText_SetRuby(layer.GetEdit(), 100, 104, kana, 4);
    KXText_SetRuby(layer.GetEdit(), 20, 23, kana, 2);
    KXTE_CalcText(layer.GetEdit());
    layer.mMarkSet = {{5, 10, 0, false, {3, 'o', 'n', 'e'}}, {40, 0, 2, false, {2, 'n', 'o'}},
                      {60, 30, 0, true, {}}, {130, 8, 1, false, {1, 'x'}}};
  }

  void AddPicture(long at) {
    Handle pict = NewHandle(12);
    for (int k = 0; k < 12; ++k) (*pict)[k] = char(k == 7 ? 20 + at : k == 9 ? 30 : 0);
    const short id = UKXText_SetPicture(pict);
    const char byte = char(0xCA);
    SKXStyl st{0, {0, 0, 1, 0, 0, 12, {0, 0, 0}}};
    SKXDeco dc{0, {0, 0, 0, id}, 0};
    layer.SetSelectionRange({std::int32_t(at), 0}, false);
    KXTE_Replace(layer.GetEdit(), &byte, 1, &st, 1, &dc, 1, nullptr, 0);
  }

  // A styled text of a few bytes with its own runs, sometimes with ruby or a
  // paragraph run.
  KXTextHandle RandomText() {
    const KXTextHandle t = KXText_New();
    const std::string s = RandomBytes(Pick(1, 9));
    SKXStyl st{0, {0, 0, 1, std::uint8_t(Pick(0, 2)), 0, short(Pick(10, 14)), {0, 0, 0}}};
    SKXPara pa{0, {}};
    pa.para.firstIndent = short(Pick(0, 3) * 12);
    KXText_SetText(t, s.data(), long(s.size()), &st, 1, nullptr, 0, &pa, Pick(0, 1));
    if (s.size() >= 2 && Pick(0, 2) == 0) {
      const unsigned char r[] = {0x82, 0xA0};
      KXText_SetRuby(t, 0, 2, r, 2);
    }
    return t;
  }

  void TypeBurst() {
    if (Pick(0, 2) == 0) layer.SetSelectionRange(RandomRange(), false);
    else layer.SetSelectionRange({std::int32_t(Pick(0, Len())), 0}, false);
    for (long k = Pick(1, 8); k-- > 0;) {
      // A key may end the run and start another action (a smart delete of
      // the selection, a line-wide delete): undo then reaches back to the
      // text before that key only.
      Snapshot now = Take(layer);
      const std::uint64_t serial = Serial();
      static const char kMods[] = {0, 0, 0, 2, 4, 6};
      switch (Pick(0, 7)) {
        case 0: layer.DoKey(8, kMods[Pick(0, 4)]); break;
        case 1: layer.DoKey(127, kMods[Pick(0, 5)]); break;
        case 2: layer.DoKey(0x82, 0), layer.DoKey(std::uint16_t(0xA0 + Pick(0, 80)), 0); break;
        case 3: Pick(0, 3) ? layer.DoKey(13, 0) : layer.DoKey(3, 6); break;  // return; the re-insert
        case 4: layer.DoKey(' ', 0); break;
        default: layer.DoKey(std::uint16_t('a' + Pick(0, 25)), 0);
      }
      if (Serial() != serial) lastBefore = std::move(now);
    }
  }
  std::uint64_t Serial() const { return layer.GetAction() ? layer.GetAction()->GetSerial() : 0; }

  // A range with one end near a ruby base's edge, the other end inside or
  // beyond it.
  SKXRange RangeOverRubyEdge() {
    std::vector<SKXRuby> rubys(std::size_t(KXText_GetRubysCount(layer.GetEdit())));
    rubys.resize(std::size_t(KXText_GetRubys(layer.GetEdit(), rubys.data(), std::int32_t(rubys.size()))));
    if (rubys.empty()) return RandomRange();
    const SKXRuby& ruby = rubys[std::size_t(Pick(0, long(rubys.size()) - 1))];
    const long edge = Pick(0, 1) ? ruby.pos : long(ruby.pos) + ruby.baseLen;
    const long a = std::max(0L, edge - Pick(0, 4)), b = std::min(Len(), edge + Pick(0, 4));
    return {std::int32_t(a), std::int32_t(b - a)};
  }

  // Character decorations over ranges that often cut a ruby base, and
  // paragraph commands, often over the empty paragraph after a final line
  // end.
  void AttributeStep() {
    SKXRange r = Pick(0, 1) ? RangeOverRubyEdge() : RandomRange();
    const long kind = Pick(0, 10);
    if (kind >= 7 && Pick(0, 1)) {
      // The text is made to end with a line end first, outside the step.
      if (Len() > 0 && layer.GetChar(Len() - layer.PrevCharSize(Len())) != '\r') {
        layer.SetSelectionRange({std::int32_t(Len()), 0}, false);
        KXTE_InsertText(layer.GetEdit(), "\r", 1);
        lastBefore = Take(layer);
      }
      r = {std::int32_t(Len() - Pick(0, 2)), 0};
    }
    // A character command at a caret sets the typing style only.
    if (kind < 7 && r.length == 0) {
      if (r.start == Len()) --r.start;
      r.length = 1;
    }
    layer.SetSelectionRange(r, false);
    SParaStyl para{};
    switch (kind) {
      case 0: layer.DoLineType(std::uint16_t(Pick(1, 15))); break;
      case 1: layer.DoLineColor(std::uint16_t(Pick(1, 7))); break;
      case 2: layer.DoNetStyle(std::uint8_t(Pick(1, 5))); break;
      case 3: layer.DoNetColor(std::uint8_t(Pick(1, 7))); break;
      case 4: layer.DoExtStyle(std::uint8_t(1 << Pick(0, 3))); break;
      case 5: {
        const SStyl st{0, 0, 1, std::uint8_t(Pick(0, 2)), 0, short(Pick(9, 14)), {0, 0, 0}};
        const SDeco dc{std::uint16_t(0x0008 << Pick(0, 3)), 0, 0, 0};
        layer.DoTextStyl(&st, &dc);
        break;
      }
      case 6: layer.DoSetRuby(r, "\x82\xA4\x82\xA6", Pick(1, 2) * 2); break;
      case 7: layer.DoParaIndent(short(Pick(0, 3) * 12), short(Pick(0, 3) * 12), 0); break;
      case 8: layer.DoParaLineSpace(short(Pick(0, 4) * 2)); break;
      case 9: layer.DoParaJustify(std::uint8_t(Pick(0, 3))); break;
      default:
        para.firstIndent = short(Pick(0, 3) * 12);
        para.lineSpace = short(Pick(0, 2) * 4);
        layer.DoParaStyl(para, 0);
    }
  }

  void Step() {
    lastBefore.reset();
    layer.SetSmartEdit(Pick(0, 1) != 0);
    if (attributes && Pick(0, 1)) {
      AttributeStep();
      return;
    }
    switch (Pick(0, 9)) {
      case 0: case 1: TypeBurst(); break;
      case 2: layer.SetSelectionRange(RandomRange(), false), layer.DoCut(); break;
      case 3: layer.SetSelectionRange(RandomRange(), false), layer.DoDelete(); break;
      case 4: {
        const KXTextHandle t = RandomText();
        layer.SetScrap(t);
        KXText_Dispose(t);
        static const short kModes[] = {0, 0, 1, 15, 2};
        layer.scrapKind = Pick(0, 1) ? 0 : 15;
        layer.SetSelectionRange(RandomRange(), false);
        layer.DoPaste(kModes[Pick(0, 4)]);
        break;
      }
      case 5: {
        const KXTextHandle t = RandomText();
        layer.DoDrop(RandomRange(), t, Pick(0, 1) ? 0 : 15, 0);
        KXText_Dispose(t);
        break;
      }
      case 6: layer.DoMove(RandomRange(), {std::int32_t(Pick(0, Len())), 0}); break;
      case 7: {
        const std::string s = RandomBytes(Pick(2, 6));
        SKXStyl st[2] = {{0, {0, 0, 1, 2, 0, 12, {0, 0, 0}}}, {1, {0, 0, 1, 0, 0, 9, {0, 0, 0}}}};
        SKXRuby ruby{0, 1, 2, {char(0x82), char(0xA2)}};
        layer.SetSelectionRange(RandomRange(), false);
        layer.DoInsert(s.data(), long(s.size()), st, 2, nullptr, 0, nullptr, 0, nullptr, 0, &ruby,
                       s[0] > 0 && s[0] != '\r' ? 1 : 0);
        break;
      }
      case 8: {
        const KXTextHandle t = RandomText();
        layer.SetSelectionRange(RandomRange(), false);
        layer.DoString(t);
        KXText_Dispose(t);
        break;
      }
      default: {
        const char q = '?';
        SKXUniChar u{0, 0x4E080000};
        layer.SetSelectionRange(RandomRange(), false);
        layer.DoString(&q, 1, &u, 1);
      }
    }
  }

  std::optional<Snapshot> lastBefore;
  bool loneLeads;  // texts hold lead bytes without their second byte
  bool attributes;  // half the steps are attribute commands
  std::mt19937 rng;
  TestLayer layer;
};

// Random steps over a random text, each undone and redone (every seventh
// twice over).
void WalkUndoingEveryStep(bool loneLeads, bool attributes = false) {
  // KX_WALK_SEED walks another text and another mix of steps.
  const char* seedEnv = std::getenv("KX_WALK_SEED");
  const unsigned seed = seedEnv ? unsigned(std::strtoul(seedEnv, nullptr, 10)) : 20240537u;
  Walk w(seed, loneLeads, attributes);
  const long steps = KxRandomSteps(600);
  for (long i = 0; i < steps; ++i) {
    if (w.Len() > 600 || w.Len() < 20) {
      w.layer.SetSelectionRange(CKXTextLayer::sTextAll, false);
      KXTE_Delete(w.layer.GetEdit());
      w.Populate();
      w.layer.PostAction(nullptr);
    }
    Snapshot before = Take(w.layer);
    const std::uint64_t serial = w.layer.GetAction() ? w.layer.GetAction()->GetSerial() : 0;
    w.Step();
    const Snapshot after = Take(w.layer);
    if (w.lastBefore) before = std::move(*w.lastBefore);
    CKXTextAction* a = w.layer.GetAction();
    if (!a || a->GetSerial() == serial) {
      ASSERT_EQ(Diff(after, before), "") << "a step without an action changed the text; seed " << seed << " step " << i;
      continue;
    }
    for (int round = 0; round < (i % 7 == 0 ? 2 : 1); ++round) {
      w.layer.Undo();
      ASSERT_EQ(Diff(Take(w.layer), before), "") << "undo, seed " << seed << " step " << i << " type " << a->GetActionType()
          << "\n before " << kxtest::Show(before) << "\n after  " << kxtest::Show(after) << "\n undone " << kxtest::Show(Take(w.layer));
      w.layer.Redo();
      ASSERT_EQ(Diff(Take(w.layer), after), "") << "redo, seed " << seed << " step " << i << " type " << a->GetActionType()
          << "\n after  " << kxtest::Show(after) << "\n redone " << kxtest::Show(Take(w.layer));
    }
  }
}

TEST(TextAction, EveryStepUndoesAndRedoesExactly) { WalkUndoingEveryStep(false); }

// Texts with lead bytes of their own: an edit next to a chain of bytes that
// may lead can shift how the whole chain pairs, even with a line end.
TEST(TextAction, AroundLoneLeadBytesEveryStepUndoesAndRedoesExactly) { WalkUndoingEveryStep(true); }

// Edits mixed with decorations whose range cuts a ruby base (the ruby lives
// among the decoration runs) and paragraph commands that reach the empty
// last paragraph.
TEST(TextAction, AttributeCommandsAmongEditsUndoAndRedoExactly) { WalkUndoingEveryStep(false, true); }

}  // namespace

namespace {
// Undone and redone twice over: each time exactly the text before the
// edit, then after it.
void ExpectUndoRedoExact(TestLayer& layer, const Snapshot& before, const Snapshot& after, const std::string& name) {
  for (int round = 0; round < 2; ++round) {
    layer.Undo();
    EXPECT_EQ(Diff(Take(layer), before), "") << name << ", undo " << round << "\n before " << kxtest::Show(before)
                                             << "\n undone " << kxtest::Show(Take(layer));
    layer.Redo();
    EXPECT_EQ(Diff(Take(layer), after), "") << name << ", redo " << round << "\n after  " << kxtest::Show(after)
                                            << "\n redone " << kxtest::Show(Take(layer));
  }
}

// Text ending in a lead byte that stands alone (before a line end or a
// run of another script) moves where that byte stays alone, and undoes
// exactly. A move that would pair a lone lead byte with a character across
// either end of the moved text, or across the gap it leaves, does not
// happen at all, for undo could not take the text out again.
TEST(TextAction, MovingALoneLeadByte) {
  struct Case {
    const char* name;
    const char* text;
    std::int32_t roman, japanese;  // where a run of a Roman font starts, and one of the first font again
    SKXRange from;
    std::int32_t to;
    bool moves;
  };
  const Case cases[] = {
      {"before a line end", "ab\x90\rcd\r", 7, 7, {1, 2}, 6, true},
      {"to the end", "cdab\x90xy", 5, 7, {3, 2}, 7, true},
      {"before a Roman run", "cdab\x90xy", 5, 7, {3, 2}, 6, true},
      {"in front of a single byte", "cdab\x90xy", 5, 7, {3, 2}, 1, false},
      {"in front of a double-byte character", "c\x82\xa0" "ab\x90xy", 6, 8, {4, 2}, 1, false},
      {"after a lone lead byte", "\x82\xa0" "ab\x90" "cd", 5, 7, {0, 2}, 5, false},
      {"leaving a lone lead byte before what followed", "ab\x90xycd", 3, 5, {3, 2}, 7, false},
  };
  for (const Case& c : cases) {
    TestLayer layer;
    const long n = long(std::strlen(c.text));
    const SKXStyl styls[3] = {{0, {0, 0, 1, 0, 0, 12, {0, 0, 0}}},
                              {c.roman, {0, 0, 2, 0, 0, 12, {0, 0, 0}}},
                              {c.japanese, {0, 0, 1, 0, 0, 12, {0, 0, 0}}}};
    KXText_SetText(layer.GetEdit(), c.text, n, styls, c.roman >= n ? 1 : c.japanese >= n ? 2 : 3, nullptr, 0,
                   nullptr, 0);
    KXTE_CalcText(layer.GetEdit());
    const Snapshot before = Take(layer);
    layer.DoMove(c.from, {c.to, 0});
    const Snapshot after = Take(layer);
    if (!c.moves) {
      EXPECT_EQ(Diff(after, before), "") << c.name;
      EXPECT_EQ(layer.GetAction(), nullptr) << c.name;
      continue;
    }
    ASSERT_NE(Diff(after, before), "") << c.name;
    ExpectUndoRedoExact(layer, before, after, c.name);
  }
}

// Text that ends in a lone lead byte, dropped, pasted or inserted in front
// of a character, takes that character's first byte as its second: undo
// takes out the whole character and puts back the old bytes of it.
TEST(TextAction, PuttingInTextThatEndsInALoneLeadByte) {
  const SKXStyl styls[1] = {{0, {0, 0, 1, 0, 0, 12, {0, 0, 0}}}};
  for (const char* text : {"cdaxy", "c\x82\xa0" "axy"}) {
    for (int way = 0; way < 3; ++way) {
      TestLayer layer;
      KXText_SetText(layer.GetEdit(), text, long(std::strlen(text)), styls, 1, nullptr, 0, nullptr, 0);
      KXTE_CalcText(layer.GetEdit());
      const Snapshot before = Take(layer);
      const KXTextHandle t = KXText_New();
      KXText_SetText(t, "b\x90", 2, styls, 1, nullptr, 0, nullptr, 0);
      layer.SetSelectionRange({1, 0}, false);
      if (way == 0) layer.DoDrop({1, 0}, t, 0, 0);
      if (way == 1) layer.SetScrap(t), layer.DoPaste(0);
      // The ruby goes on the inserted "b", where the caret could not stop.
      const SKXRuby ruby{0, 1, 2, {char(0x82), char(0xA2)}};
      if (way == 2) layer.DoInsert("b\x90", 2, styls, 1, nullptr, 0, nullptr, 0, nullptr, 0, &ruby, 1);
      KXText_Dispose(t);
      const Snapshot after = Take(layer);
      if (way == 2) {
        EXPECT_TRUE(after.rubys.size() == 1 && after.rubys[0].pos == 1 && after.rubys[0].baseLen == 1);
      }
      const std::string name = std::string(way == 0 ? "drop" : way == 1 ? "paste" : "insert") + " before " +
                               (text[1] == 'd' ? "a single byte" : "a double-byte character");
      ASSERT_NE(Diff(after, before), "") << name;
      ExpectUndoRedoExact(layer, before, after, name);
    }
  }
}

// `text` with the ruby "か" over from..to.
void SetWithRuby(TestLayer& l, const std::string& text, long from, long to) {
  KXText_SetText(l.GetEdit(), text.data(), long(text.size()), nullptr, 0, nullptr, 0, nullptr, 0);
  const unsigned char kana[] = {0x82, 0xA9};
  KXText_SetRuby(l.GetEdit(), from, to, kana, 2);
}

// Edits at the edges the walk found: each undone and redone exactly.
TEST(TextAction, EdgeEditsUndoExactly) {
  struct Case {
    const char* name;
    void (*prepare)(TestLayer&);
    void (*edit)(TestLayer&);
  };
  // "ab\rcd\ref\r" with the second and third paragraphs indented apart.
  auto paragraphs = [](TestLayer& l) {
    const std::string s = "ab\rcd\ref\r";
    KXText_SetText(l.GetEdit(), s.data(), long(s.size()), nullptr, 0, nullptr, 0, nullptr, 0);
    SParaStyl p{};
    p.leftIndent = 24;
    KXText_SetPara(l.GetEdit(), 3, 6, p);
    p.leftIndent = 0, p.firstIndent = 12;
    KXText_SetPara(l.GetEdit(), 6, 9, p);
  };
  // A kana pair whose ruby base ends inside its second character.
  auto rubyKana = [](TestLayer& l) { SetWithRuby(l, "x\x82\xA0\x82\xA2y", 1, 4); };
  auto marked = [](TestLayer& l) {
    const std::string s = "abcdefghij\rklm";
    KXText_SetText(l.GetEdit(), s.data(), long(s.size()), nullptr, 0, nullptr, 0, nullptr, 0);
    l.mMarkSet = {{3, 2, 0, false, {1, 'm'}}, {1, 4, 1, false, {2, 'm', '2'}}, {4, 6, 0, true, {}}, {6, 0, 2, false, {1, 'z'}}};
  };
  // A text whose last character lost its second byte: whatever comes to
  // stand after the lead byte joins it into one character.
  auto truncated = [](TestLayer& l) { KXText_SetText(l.GetEdit(), "ab\x90", 3, nullptr, 0, nullptr, 0, nullptr, 0); };
  const Case cases[] = {
      {"typing after a lone lead byte", truncated, [](TestLayer& l) { l.SetSelectionRange({3, 0}, false), l.DoKey('c', 0); }},
      {"typing after a lone lead byte, then backspaces", truncated,
       [](TestLayer& l) { l.SetSelectionRange({3, 0}, false), l.DoKey('c', 0), l.DoKey('d', 0), l.DoKey(8, 0), l.DoKey(8, 0); }},
      {"backspace then typing after a lone lead byte", truncated,
       [](TestLayer& l) { l.SetSelectionRange({2, 0}, false), l.DoKey(8, 0), l.DoKey('x', 0); }},
      {"insert after a lone lead byte", truncated,
       [](TestLayer& l) { l.SetSelectionRange({3, 0}, false), l.DoInsert("yz", 2, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0); }},
      {"moving the text after a lone lead byte",
       [](TestLayer& l) {
         // The lead byte ends a run of the Japanese script; a Roman run follows.
         const SKXStyl styls[2] = {{0, {0, 0, 1, 0, 0, 12, {0, 0, 0}}}, {3, {0, 0, 2, 0, 0, 12, {0, 0, 0}}}};
         KXText_SetText(l.GetEdit(), "ab\x90xy", 5, styls, 2, nullptr, 0, nullptr, 0);
       },
       [](TestLayer& l) { l.DoMove({3, 2}, {0, 0}); }},
      {"cut over a line end", paragraphs, [](TestLayer& l) { l.SetSelectionRange({1, 4}, false), l.DoCut(); }},
      {"delete ending at a line end", paragraphs,
       [](TestLayer& l) { l.SetSelectionRange({4, 2}, false), l.DoDelete(); }},
      {"forward deletes over a line end", paragraphs,
       [](TestLayer& l) {
         l.SetSelectionRange({5, 0}, false);
         l.DoKey(127, 0), l.DoKey(127, 0);
       }},
      // A lead byte before a line end takes it for its second byte when
      // walked by characters; the paragraphs find it by its byte.
      {"a line-wide delete of a line ending in a lone lead byte",
       [](TestLayer& l) {
         const std::string s = "ab\x90\rcd\ref\r";
         KXText_SetText(l.GetEdit(), s.data(), long(s.size()), nullptr, 0, nullptr, 0, nullptr, 0);
         SParaStyl p{};
         p.leftIndent = 24;
         KXText_SetPara(l.GetEdit(), 4, 7, p);
       },
       [](TestLayer& l) { l.SetSelectionRange({0, 0}, false), l.DoKey(127, 6); }},
      {"insert ending in a lone lead byte before a line end", paragraphs,
       [](TestLayer& l) {
         l.SetSelectionRange({5, 0}, false);
         l.DoInsert("x\x90", 2, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
       }},
      {"insert ending in a lone lead byte before a ruby base",
       [](TestLayer& l) { SetWithRuby(l, "xdyz", 1, 3); },
       [](TestLayer& l) {
         l.SetSelectionRange({1, 0}, false);
         l.DoInsert("b\x90", 2, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
       }},
      {"typing after a lone lead byte that ends a ruby base",
       [](TestLayer& l) { SetWithRuby(l, "x \x90", 1, 3); },
       [](TestLayer& l) { l.SetSelectionRange({3, 0}, false), l.DoKey('f', 0); }},
      // The re-insert puts back "k" and a lone lead byte, which takes the
      // "a" after it: the caret stops in front of the lead byte, and the
      // forward delete takes it with the "a".
      {"keys after a re-insert that ends in a lone lead byte",
       [](TestLayer& l) {
         KXText_SetText(l.GetEdit(), "ab\rk\x90", 5, nullptr, 0, nullptr, 0, nullptr, 0);
         l.SetSmartEdit(false);
         l.SetSelectionRange({3, 2}, false), l.DoKey(8, 2);
         l.CompleteTyping();
       },
       [](TestLayer& l) {
         l.SetSelectionRange({0, 0}, false);
         l.DoKey(3, 6), l.DoKey(' ', 0), l.DoKey(127, 0);
       }},
      {"backspaces over a line end", paragraphs,
       [](TestLayer& l) {
         l.SetSelectionRange({4, 0}, false);
         l.DoKey(8, 0), l.DoKey(8, 0);
       }},
      {"move over a line end to the text end", paragraphs, [](TestLayer& l) { l.DoMove({1, 3}, {9, 0}); }},
      {"move to the front", paragraphs, [](TestLayer& l) { l.DoMove({4, 4}, {0, 0}); }},
      // A replaced selection that ends just after a line end, or at the
      // text end, takes the paragraph runs up to there along.
      {"typing over a selection ending after a line end", paragraphs,
       [](TestLayer& l) { l.SetSelectionRange({4, 2}, false), l.DoKey('x', 0), l.DoKey('y', 0); }},
      {"typing over a selection ending at the text end", paragraphs,
       [](TestLayer& l) { l.SetSelectionRange({7, 2}, false), l.DoKey('x', 0); }},
      {"returns typed at the text end", paragraphs,
       [](TestLayer& l) { l.SetSelectionRange({9, 0}, false), l.DoKey(13, 0), l.DoKey('z', 0), l.DoKey(13, 0); }},
      {"delete cutting a ruby base", rubyKana, [](TestLayer& l) { l.SetSelectionRange({0, 2}, false), l.DoDelete(); }},
      {"move into a ruby base", rubyKana, [](TestLayer& l) { l.DoMove({5, 1}, {2, 0}); }},
      {"insert with ruby inside a ruby base",
       [](TestLayer& l) { SetWithRuby(l, "xabcy", 1, 4); },
       [](TestLayer& l) {
         const SKXRuby ruby{0, 1, 2, {char(0x82), char(0xA2)}};
         l.SetSelectionRange({2, 0}, false);
         l.DoInsert("q", 1, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0, &ruby, 1);
       }},
      // Marks and markups inside the removed text go with it, those over
      // its edges are cut: undo gives them back as they were.
      {"cut over marks", marked, [](TestLayer& l) { l.SetSelectionRange({2, 5}, false), l.DoCut(); }},
      {"typing over a markup", marked,
       [](TestLayer& l) {
         l.SetSelectionRange({3, 6}, false);
         l.DoKey('x', 0), l.DoKey(8, 0), l.DoKey(8, 0);
       }},
      {"replacing a mark's text", marked,
       [](TestLayer& l) { l.SetSelectionRange({4, 2}, false), l.DoInsert("yy", 2, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0); }},
  };
  for (const Case& c : cases) {
    TestLayer layer;
    c.prepare(layer);
    KXTE_CalcText(layer.GetEdit());
    const Snapshot before = Take(layer);
    c.edit(layer);
    const Snapshot after = Take(layer);
    ASSERT_NE(Diff(after, before), "") << c.name;
    ExpectUndoRedoExact(layer, before, after, c.name);
  }
}
}  // namespace

namespace {
// A typing session under a failing allocation: every key either happens
// whole or not at all, the one action still undoes the session exactly,
// and no block outlives the layer.
TEST(TextAction, TypingSessionOutOfMemoryIsAllOrNothing) {
  // One run of typing: letters, a two-byte character, a line end, deletes
  // both ways (by character and by word) over text the run had not typed.
  struct Key {
    std::uint16_t code;
    char modifiers;
  };
  static const Key kKeys[] = {{'a', 0}, {0x82, 0}, {0xA0, 0}, {13, 0}, {8, 0}, {8, 0}, {8, 4},
                              {127, 0}, {127, 4}, {'z', 0}, {8, 0}};
  std::string big;
  for (int k = 0; big.size() < 6000; ++k) big += k % 9 == 8 ? "line\r" : "word \x82\xA9 ";
  std::optional<TestLayer> layer;
  long done = 0, base = 0;
  auto setup = [&] {
    layer.reset();
    KxMemEmergencyFree();
    kx_memtest::SetMaxBlock(0);
    base = kx_memtest::LiveBlocks();
    layer.emplace();
    SKXStyl st[2] = {{0, {0, 0, 1, 0, 0, 12, {0, 0, 0}}}, {3000, {0, 0, 1, 1, 0, 14, {0, 0, 0}}}};
    KXText_SetText(layer->GetEdit(), big.data(), long(big.size()), st, 2, nullptr, 0, nullptr, 0);
    SParaStyl para{};
    para.leftIndent = 24;
    KXText_SetPara(layer->GetEdit(), 2990, 3010, para);
    KXTE_CalcText(layer->GetEdit());
    layer->mMarkSet = {{2980, 40, 0, false, {1, 'm'}}};
    layer->SetSelectionRange({3003, 0}, false);
    done = 0;
  };
  auto type = [&] {
    for (const Key& k : kKeys) {
      layer->DoKey(k.code, k.modifiers);
      ++done;
    }
  };
  // The text after each key, with memory to spare.
  std::vector<Snapshot> states;
  setup();
  states.push_back(Take(*layer));
  for (const Key& k : kKeys) {
    layer->DoKey(k.code, k.modifiers);
    states.push_back(Take(*layer));
  }
  ASSERT_NE(Diff(states.back(), states.front()), "");
  layer.reset();

  const int failures = KxSweepAllocations(1, 80, setup, type, [&](const KxSweepStep& step) {
    if (!step.threw) {
      EXPECT_EQ(Diff(Take(*layer), states.back()), "") << "failing allocation " << step.nth;
    } else {
      // The key that ran out left the text as it was, or as it becomes.
      const std::string before = Diff(Take(*layer), states[std::size_t(done)]);
      const std::string after = Diff(Take(*layer), states[std::size_t(done) + 1]);
      EXPECT_TRUE(before.empty() || after.empty())
          << "failing allocation " << step.nth << " in key " << done << ": " << before;
      // What the run did before it stopped is one action that undoes whole.
      layer->Undo();
      EXPECT_EQ(Diff(Take(*layer), states.front()), "") << "undo, failing allocation " << step.nth;
    }
    layer.reset();
    EXPECT_EQ(kx_memtest::LiveBlocks(), base) << "blocks left, failing allocation " << step.nth;
  });
  // The sweep reaches past the session's last allocation.
  EXPECT_GT(failures, 0);
  EXPECT_LT(failures, 80);
}

// Memory recovery inside a key purges the undo state, the running action's
// own included: the key completes and nothing freed is used again.
TEST(TextAction, APurgeInsideAKeyWaitsForTheKeyToEnd) {
  class Purge : public KxMemoryRecoverer {
   public:
    Boolean INeedMemory() override { return CKXTextLayer::PurgeUndoStates(); }
  } purge;
  for (long nth = 1; nth <= 60; ++nth) {
    TestLayer layer;
    const std::string s = "one two three\rfour";
    KXText_SetText(layer.GetEdit(), s.data(), long(s.size()), nullptr, 0, nullptr, 0, nullptr, 0);
    layer.SetSelectionRange({4, 3}, false);
    layer.DoKey('x', 0);  // the run's action, with the replaced word kept
    KxMemSetRecoverer(&purge);
    KxMemEmergencyFree();
    kx_memtest::FailNth(nth);
    layer.DoKey(8, 4);
    layer.DoKey('y', 0);
    kx_memtest::Reset();
    KxMemSetRecoverer(nullptr);
    KxMemPrinting(0);
    char buf[32] = {};
    const long n = KXText_GetText(layer.GetEdit(), buf, 32, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
    EXPECT_EQ(std::string(buf, std::size_t(n)), "one y three\rfour") << "failing allocation " << nth;
    layer.Undo();  // whatever is left to undo, it must not touch freed memory
  }
}
}  // namespace

namespace {
// Runs of typing: one action each, however the keys mix inserting and
// deleting, with the text before the run given back by one undo.
TEST(TextAction, TypingRunsAreOneActionEach) {
  struct Case {
    const char* name;
    const char* text;
    SKXRange sel;
    const char* keys;  // 'B' backspace, 'D' forward delete, else the key
    const char* result;
    short type;  // of the action after the run
  };
  const Case kCases[] = {
      {"type, take back, type", "xy", {1, 0}, "abBBc", "xcy", kKxActTyping},
      {"backspace into text the run did not type", "xyz", {2, 0}, "aBBB", "z", kKxActTyping},
      {"backspace at the start of the text", "xy", {0, 0}, "BBa", "axy", kKxActTyping},
      {"forward delete before the typed text", "xyz", {1, 0}, "DaD", "xa", kKxActTyping},
      {"typing over a selection", "hello", {1, 3}, "ab", "habo", kKxActTyping},
  };
  for (const Case& c : kCases) {
    TestLayer layer;
    KXText_SetText(layer.GetEdit(), c.text, long(std::strlen(c.text)), nullptr, 0, nullptr, 0, nullptr, 0);
    layer.SetSelectionRange(c.sel, false);
    const Snapshot before = Take(layer);
    std::uint64_t serial = 0;
    for (const char* k = c.keys; *k; ++k) {
      layer.DoKey(*k == 'B' ? 8 : *k == 'D' ? 127 : std::uint16_t(*k), 0);
      if (serial == 0 && layer.GetAction()) serial = layer.GetAction()->GetSerial();
      ASSERT_NE(layer.GetAction(), nullptr) << c.name;
      EXPECT_EQ(layer.GetAction()->GetSerial(), serial) << c.name << ": a key started another action";
    }
    const Snapshot after = Take(layer);
    EXPECT_EQ(after.bytes, c.result) << c.name;
    EXPECT_EQ(layer.GetAction()->GetActionType(), c.type) << c.name;
    layer.Undo();
    EXPECT_EQ(Diff(Take(layer), before), "") << c.name;
    EXPECT_EQ(layer.GetAction()->GetActionType(), kKxActTypingDone + 1) << c.name;
    layer.Redo();
    EXPECT_EQ(Diff(Take(layer), after), "") << c.name;
    // After an undo or redo the next key starts a run of its own.
    layer.DoKey('q', 0);
    EXPECT_NE(layer.GetAction()->GetSerial(), serial) << c.name;
  }
}
}  // namespace

namespace {
// Typing runs at the edges and inside a paragraph far longer than the
// runs: keys, line ends typed, backspaces and forward deletes over the line
// ends around it. One undo gives back the bytes and every paragraph's style.
TEST(TextAction, TypingInALongParagraphUndoesExactly) {
  struct Case {
    const char* name;
    long at;  // from the long paragraph's start; negative: from its end
    const char* keys;  // 'B' backspace, 'D' forward delete, 'R' return
  };
  const Case kCases[] = {
      {"keys at the start", 0, "abcRde"},
      {"backspaces over the line end before", 0, "xBBBy"},
      {"forward deletes over the line end after", -1, "DDDDz"},
      {"returns and deletes in the middle", 40000, "RRaDDDDBBBBBBb"},
      {"at the end, back over the start", -1, "qRRBBBBB"},
  };
  const std::string lead = "ab\r", trail = "\rcd\ref";
  std::string body;
  for (long k = 0; long(body.size()) < 80000; ++k) body += k % 7 ? "\x82\xA0" : " w";
  for (const Case& c : kCases) {
    TestLayer layer;
    const std::string s = lead + body + trail;
    KXText_SetText(layer.GetEdit(), s.data(), long(s.size()), nullptr, 0, nullptr, 0, nullptr, 0);
    SParaStyl p{};
    p.leftIndent = 24;
    KXText_SetPara(layer.GetEdit(), 3, 4, p);  // the long paragraph
    p.leftIndent = 0, p.firstIndent = 12;
    KXText_SetPara(layer.GetEdit(), long(s.size()) - 3, long(s.size()), p);  // the last
    p.firstIndent = 0, p.rightIndent = 6;
    KXText_SetPara(layer.GetEdit(), 0, 1, p);  // the first
    KXTE_CalcText(layer.GetEdit());
    const long bodyEnd = long(lead.size() + body.size());
    layer.SetSelectionRange({std::int32_t(c.at >= 0 ? long(lead.size()) + c.at : bodyEnd + c.at + 1), 0}, false);
    const Snapshot before = Take(layer);
    for (const char* k = c.keys; *k; ++k)
      layer.DoKey(*k == 'B' ? 8 : *k == 'D' ? 127 : *k == 'R' ? 13 : std::uint16_t(*k), 0);
    const Snapshot after = Take(layer);
    ASSERT_NE(Diff(after, before), "") << c.name;
    ExpectUndoRedoExact(layer, before, after, c.name);
  }
}
}  // namespace
