// The scripting model of text: specifiers resolved through the director
// against a model of parts built from the edit object's own lookup by
// index, over random Japanese and Western texts; comparisons; the range
// cache; properties and edits of elements, each one undo step; where made
// elements go; values that are no text; one edit over many elements.
#include <cstdlib>
#include <cstring>
#include <random>

#include "common/test_main.h"
#include "engine/text_aeom.h"
#include "engine_fixture.h"
#include "platform/ae/model_director.h"
#include "platform/ae/specifier.h"
#include "platform/exception.h"
#include "text/codes/script.h"

namespace {
using kxtest::EngineTest;
using kxtest::EngineWindow;
using kxtest::TestEngine;

std::string RandomText(std::mt19937& rng, long n) {
  std::string s;
  while (long(s.size()) < n) {
    switch (rng() % 10) {
      case 0: s += ' '; break;
      case 1: s += '\r'; break;
      case 2: s += ". "; break;
      case 3: case 4: s += char(0x82), s += char(0xA0 + rng() % 80); break;   // hiragana
      case 5: s += char(0x93), s += char(0x40 + rng() % 60); break;            // kanji
      default: s += char('a' + rng() % 26);
    }
  }
  return s;
}

// Every part of the whole text, found one by one by index by the edit
// object (characters by the encoding's own rule).
std::vector<SKXRange> ModelParts(TestEngine& e, OSType kind) {
  const std::string text = e.Text();
  const long len = long(text.size());
  std::vector<SKXRange> parts;
  if (kind == kKxClassChar) {
    for (long p = 0; p < len;) {
      const long n = KxTextCharFirst(static_cast<unsigned char>(text[std::size_t(p)]), kScriptJapanese) && p + 1 < len ? 2 : 1;
      parts.push_back({std::int32_t(p), std::int32_t(n)});
      p += n;
    }
    return parts;
  }
  const long code = kind == kKxClassWord ? 2 : kind == kKxClassPara ? 3 : 4;
  for (long n = 1;; ++n) {
    long a = 0, b = 0;
    if (KXTE_GetPartInfo(e.GetEdit(), n, code, 0, len, a, b) == 0) break;
    parts.push_back({std::int32_t(a), std::int32_t(b - a)});
  }
  return parts;
}

bool Same(const SKXRange& a, const SKXRange& b) { return a.start == b.start && a.length == b.length; }

std::string Show(const SKXRange& r) { return std::to_string(r.start) + "+" + std::to_string(r.length); }

class TextAEOMTest : public EngineTest {
 protected:
  TextAEOMTest()
      : w(Rect{40, 40, 440, 640}), e(*w.engine),
        root(&e, CKXTextLayer::sTextAll, nullptr, kKxClassText, pContents), director(&root) {}

  std::vector<SKXRange> ResolveAll(const AEDesc& specifier) {
    LModelToken token;
    director.ResolveSpecifier(specifier, token);
    std::vector<SKXRange> out;
    for (std::size_t i = 0; i < token.Count(); ++i) {
      auto* node = dynamic_cast<CKXTextAEOM*>(token.Get(i));
      EXPECT_NE(node, nullptr);
      if (node) out.push_back(node->CroppedRange());
    }
    return out;
  }
  SKXRange Resolve(const AEDesc& specifier) {
    const auto all = ResolveAll(specifier);
    EXPECT_EQ(all.size(), 1u);
    return all.empty() ? SKXRange{-1, -1} : all[0];
  }
  OSStatus Send(AEEventClass c, AEEventID id, const AEDesc& direct, AppleEvent* replyOut = nullptr,
                const AEDesc* data = nullptr, DescType type = 0) {
    AppleEvent event(c, id);
    event.PutParamDesc(keyDirectObject, direct);
    if (data) event.PutParamDesc(keyAEData, *data);
    if (type) event.PutParamDesc(keyAERequestedType, AEDesc::FromCode(typeType, type));
    AppleEvent reply = AppleEvent::MakeReply();
    const OSStatus err = director.Dispatch(event, reply);
    if (replyOut) *replyOut = reply;
    return err;
  }
  OSStatus SetProperty(DescType property, const AEDesc& of, const AEDesc& value) {
    return Send(kAECoreSuite, kAESetData, AEMakePropertySpecifier(property, of), nullptr, &value);
  }
  // Make, move or clone with an insertion location (make: none when
  // `position` is 0).
  OSStatus Make(const AEDesc& at, OSType position, const AEDesc& data) {
    AppleEvent event(kAECoreSuite, kAECreateElement);
    event.PutParamDesc(keyAEObjectClass, AEDesc::FromCode(typeType, kKxClassWord));
    if (position) event.PutParamDesc(keyAEInsertHere, AEMakeInsertionLocation(at, position));
    event.PutParamDesc(keyAEData, data);
    AppleEvent reply = AppleEvent::MakeReply();
    return director.Dispatch(event, reply);
  }
  OSStatus MoveOrClone(bool move, const AEDesc& what, const AEDesc& to, OSType position) {
    AppleEvent event(kAECoreSuite, move ? kAEMove : kAEClone);
    event.PutParamDesc(keyDirectObject, what);
    event.PutParamDesc(keyAEInsertHere, AEMakeInsertionLocation(to, position));
    AppleEvent reply = AppleEvent::MakeReply();
    return director.Dispatch(event, reply);
  }
  // The styled content of the whole text: bytes and every run.
  AEDesc Styled() {
    AEDesc out;
    CKXTextAEOM all(&e, CKXTextLayer::sTextAll, nullptr, kKxClassText, pContents);
    all.GetAEProperty(pContents, AEDesc::FromCode(typeType, typeWildCard), out);
    return out;
  }

  EngineWindow w;
  TestEngine& e;
  CKXTextAEOM root;
  LModelDirector director;
};

// ---- resolution against the model

TEST_F(TextAEOMTest, SpecifiersResolveAsTheModelSays) {
  std::mt19937 rng(11u);
  const OSType kinds[] = {kKxClassChar, kKxClassWord, kKxClassPara, kKxClassLine};
  const AEDesc text;   // the whole text
  for (long step = 0, steps = KxRandomSteps(12); step < steps; ++step) {
    e.SetText(RandomText(rng, 80 + long(rng() % 200)));
    const std::string bytes = e.Text();
    for (const OSType kind : kinds) {
      const auto model = ModelParts(e, kind);
      const long n = long(model.size());
      SCOPED_TRACE("step " + std::to_string(step) + " kind " + std::to_string(kind));
      // Counts.
      AppleEvent count(kAECoreSuite, kAECountElements);
      count.PutParamDesc(keyAEObjectClass, AEDesc::FromCode(typeType, kind));
      AppleEvent reply = AppleEvent::MakeReply();
      ASSERT_EQ(director.Dispatch(count, reply), noErr);
      ASSERT_EQ(reply.GetParamDesc(keyDirectObject).AsLong(), n);
      if (n == 0) continue;
      // Every element by index, from either end; first and last.
      for (long i = 1; i <= n; ++i) {
        ASSERT_TRUE(Same(Resolve(AEMakeIndexSpecifier(kind, text, std::int32_t(i))), model[std::size_t(i - 1)]))
            << "index " << i;
        ASSERT_TRUE(Same(Resolve(AEMakeIndexSpecifier(kind, text, std::int32_t(i - n - 1))), model[std::size_t(i - 1)]));
      }
      EXPECT_TRUE(Same(Resolve(AEMakeOrdinalSpecifier(kind, text, kAELast)), model.back()));
      EXPECT_EQ(long(ResolveAll(AEMakeOrdinalSpecifier(kind, text, kAEAll)).size()), n);
      EXPECT_EQ(Send(kAECoreSuite, kAEGetData, AEMakeIndexSpecifier(kind, text, std::int32_t(n + 1))),
                errAENoSuchObject);
      // Ranges, in either order, cover from the first's start to the last's end.
      const long a = 1 + long(rng() % std::uint32_t(n)), b = 1 + long(rng() % std::uint32_t(n));
      const SKXRange ra = model[std::size_t(a - 1)], rb = model[std::size_t(b - 1)];
      const SKXRange lo = a <= b ? ra : rb, hi = a <= b ? rb : ra;
      const SKXRange want{lo.start, hi.start + hi.length - lo.start};
      const AEDesc here = AEMakeCurrentContainer();
      const AEDesc range = AEMakeRangeSpecifier(kKxClassText, text, AEMakeIndexSpecifier(kind, here, std::int32_t(a)),
                                                AEMakeIndexSpecifier(kind, here, std::int32_t(b)));
      EXPECT_TRUE(Same(Resolve(range), want)) << a << " thru " << b << " want " << Show(want);
      // Insertion points before and after an element.
      const AEDesc element = AEMakeIndexSpecifier(kind, text, std::int32_t(a));
      EXPECT_TRUE(Same(Resolve(AEMakeObjectSpecifier(kKxClassInsertion, element, formRelativePosition,
                                                     AEDesc::FromCode(typeEnumerated, kAEBefore))),
                       SKXRange{ra.start, 0}));
      EXPECT_TRUE(Same(Resolve(AEMakeObjectSpecifier(kKxClassInsertion, element, formRelativePosition,
                                                     AEDesc::FromCode(typeEnumerated, kAEAfter))),
                       SKXRange{ra.start + ra.length, 0}));
      // Whose-tests: the elements whose text equals, or begins with, that
      // of element a.
      const std::string key = bytes.substr(std::size_t(ra.start), std::size_t(ra.length));
      for (const OSType op : {kAEEquals, kAEBeginsWith}) {
        std::vector<SKXRange> expected;
        for (const SKXRange& p : model) {
          const std::string t = bytes.substr(std::size_t(p.start), std::size_t(p.length));
          if (op == kAEEquals ? t == key : t.compare(0, key.size(), key) == 0 && t.size() >= key.size())
            expected.push_back(p);
        }
        const auto got = ResolveAll(AEMakeTestSpecifier(
            kind, text, AEMakeComparison(op, AEMakeObjectBeingExamined(), AEDesc::FromText(key))));
        ASSERT_EQ(got.size(), expected.size());
        for (std::size_t i = 0; i < got.size(); ++i) EXPECT_TRUE(Same(got[i], expected[i]));
      }
      // Specifier -> resolve -> the same range, for elements and ranges.
      for (const AEDesc& specifier : {element, range}) {
        LModelToken token;
        director.ResolveSpecifier(specifier, token);
        auto* node = dynamic_cast<CKXTextAEOM*>(token.Single());
        ASSERT_NE(node, nullptr);
        AEDesc again;
        node->MakeSpecifier(again);
        EXPECT_TRUE(Same(Resolve(again), node->CroppedRange())) << Show(node->CroppedRange());
      }
    }
    // Words of a paragraph are the model's words inside it.
    const auto paras = ModelParts(e, kKxClassPara);
    const auto words = ModelParts(e, kKxClassWord);
    const std::size_t p = rng() % paras.size();
    std::vector<SKXRange> inside;
    for (const SKXRange& wd : words)
      if (wd.start >= paras[p].start && wd.start + wd.length <= paras[p].start + paras[p].length) inside.push_back(wd);
    const auto got = ResolveAll(
        AEMakeOrdinalSpecifier(kKxClassWord, AEMakeIndexSpecifier(kKxClassPara, text, std::int32_t(p + 1)), kAEAll));
    ASSERT_EQ(got.size(), inside.size()) << "paragraph " << p + 1;
    for (std::size_t i = 0; i < got.size(); ++i) EXPECT_TRUE(Same(got[i], inside[i]));
  }
}

TEST_F(TextAEOMTest, EdgeCasesOfResolution) {
  e.SetText("one paragraph only");
  const AEDesc text;
  EXPECT_TRUE(Same(Resolve(AEMakeIndexSpecifier(kKxClassPara, text, 1)), e.GetTotalRange()));
  // Characters 3 thru 7: from the start of the third to the end of the seventh.
  LModelToken token;
  director.ResolveSpecifier(AEMakeRangeSpecifier(kKxClassChar, text, AEMakeIndexSpecifier(kKxClassChar, AEMakeCurrentContainer(), 3),
                                                 AEMakeIndexSpecifier(kKxClassChar, AEMakeCurrentContainer(), 7)),
                            token);
  auto* node = dynamic_cast<CKXTextAEOM*>(token.Single());
  ASSERT_NE(node, nullptr);
  EXPECT_TRUE(Same(node->CroppedRange(), SKXRange{2, 5}));
  EXPECT_EQ(node->GetModelKind(), kKxClassChar);
  // An insertion point at the very end is "next" after the last character.
  AEDesc specifier;
  CKXTextAEOM::MakeTextSelection(AEDesc(), kKxClassChar, {18, 0}, e.GetTotalRange(), &e, specifier);
  const AEObjectSpecifierFields f = AEParseObjectSpecifier(specifier);
  EXPECT_EQ(f.keyForm, formRelativePosition);
  EXPECT_EQ(f.keyData.AsCode(), kAENext);
  EXPECT_EQ(AEParseObjectSpecifier(f.container).keyData.AsCode(), kAELast);
  EXPECT_TRUE(Same(Resolve(specifier), SKXRange{18, 0}));
  // Element and property codes outside the lists, bad insertion positions.
  EXPECT_THROW(root.MakeNewModel({0, 1}, FourCC("xxxx"), nullptr), LException);
  SKXRange r{};
  try {
    root.FindInsertionRange(FourCC("midd"), r, nullptr);
    ADD_FAILURE();
  } catch (const LException& x) {
    EXPECT_EQ(x.GetErrorCode(), errAEBadKeyForm);
  }
}

// ---- comparisons

TEST_F(TextAEOMTest, ComparisonsByBytes) {
  struct Case {
    const char* a;
    const char* b;
    OSType op;
    bool want;
  } cases[] = {
      {"abc", "ab", kAEBeginsWith, true},  {"abc", "ab", kAEEquals, false},     {"ab", "abc", kAEBeginsWith, false},
      {"abc", "bc", kAEEndsWith, true},    {"bc", "abc", kAEEndsWith, false},   {"abc", "abc", kAEEquals, true},
      {"abc", "abd", kAELessThan, true},   {"abd", "abc", kAEGreaterThan, true}, {"ab", "abc", kAELessThanEquals, true},
      {"abc", "", kAEBeginsWith, true},    {"abc", "", kAEEndsWith, true},      {"", "", kAEEquals, true},
      {"ab", "abc", kAEGreaterThanEquals, true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(root.CompareSelf(c.op, c.a, long(std::strlen(c.a)), c.b, long(std::strlen(c.b))), c.want)
        << c.a << " " << c.b;
  EXPECT_THROW(root.CompareSelf(kAEContains, "a", 1, "a", 1), LException);

  // Values that are no text become text first, or the comparison fails.
  e.SetText("12 ab");
  LModelToken token;
  director.ResolveSpecifier(AEMakeIndexSpecifier(kKxClassWord, AEDesc(), 1), token);
  LModelObject* word = token.Single();
  EXPECT_TRUE(word->CompareToDescriptor(kAEEquals, AEDesc::FromLong(12)));
  AEDesc record = AEDesc::MakeRecord();
  record.PutKeyDesc(pContents, AEDesc::FromText("12"));
  try {
    word->CompareToDescriptor(kAEEquals, record);
    ADD_FAILURE() << "a record compared as bytes";
  } catch (const LException& x) {
    EXPECT_EQ(x.GetErrorCode(), errAECoercionFail);
  }
}

// ---- the range cache

TEST_F(TextAEOMTest, RangeCacheIsKeyedOnBothEndsAndDroppedByEdits) {
  e.SetText("abcdefghijklmnop");
  const AEDesc here = AEMakeCurrentContainer();
  auto chars = [&](std::int32_t a, std::int32_t b) {
    return AEMakeRangeSpecifier(kKxClassText, AEDesc(), AEMakeIndexSpecifier(kKxClassChar, here, a),
                                AEMakeIndexSpecifier(kKxClassChar, here, b));
  };
  EXPECT_TRUE(Same(Resolve(chars(3, 7)), SKXRange{2, 5}));
  EXPECT_TRUE(Same(Resolve(chars(3, 10)), SKXRange{2, 8}));
  EXPECT_TRUE(Same(Resolve(chars(3, 7)), SKXRange{2, 5}));
  // Replacing the range's text: the range covers what replaced it.
  AEDesc longer = AEDesc::FromText("XXXXXXXX");
  ASSERT_EQ(SetProperty(pContents, chars(3, 7), longer), noErr);
  EXPECT_EQ(e.Text(), "abXXXXXXXXhijklmnop");
  EXPECT_TRUE(Same(Resolve(chars(3, 7)), SKXRange{2, 8}));
  // Any other edit drops it.
  e.Select(0, 0);
  e.Type("z");
  EXPECT_TRUE(Same(Resolve(chars(3, 7)), SKXRange{2, 5}));
}

// ---- properties and edits of elements

TEST_F(TextAEOMTest, AnElementsPropertyChangesTheElementNotTheSelection) {
  e.SetText("alpha beta gamma");
  e.Select(11, 16);
  const AEDesc word2 = AEMakeIndexSpecifier(kKxClassWord, AEDesc(), 2);
  AppleEvent reply = AppleEvent::MakeReply();
  ASSERT_EQ(Send(kAECoreSuite, kAEGetData, word2, &reply, nullptr, typeChar), noErr);
  EXPECT_EQ(reply.GetParamDesc(keyDirectObject).AsText(), "beta");
  ASSERT_EQ(Send(kAECoreSuite, kAEGetDataSize, word2, &reply), noErr);
  EXPECT_EQ(reply.GetParamDesc(keyDirectObject).AsLong(), 4);
  // The whole text reads the selection, or everything without one.
  ASSERT_EQ(Send(kAECoreSuite, kAEGetData, AEDesc(), &reply, nullptr, typeChar), noErr);
  EXPECT_EQ(reply.GetParamDesc(keyDirectObject).AsText(), "gamma");
  e.Select(3, 3);
  ASSERT_EQ(Send(kAECoreSuite, kAEGetData, AEDesc(), &reply, nullptr, typeChar), noErr);
  EXPECT_EQ(reply.GetParamDesc(keyDirectObject).AsText(), "alpha beta gamma");

  ASSERT_EQ(SetProperty(kKxPropTextStyles, word2, AEDesc::FromCode(typeEnumerated, FourCC("bold"))), noErr);
  // The bold run lies over "beta" and nowhere else.
  CKXTextAEOM beta(&e, {6, 4}, &root, kKxClassWord, pContents), gamma(&e, {11, 5}, &root, kKxClassWord, pContents);
  AEDesc b, g;
  beta.GetAEProperty(pContents, AEDesc::FromCode(typeType, typeWildCard), b);
  gamma.GetAEProperty(pContents, AEDesc::FromCode(typeType, typeWildCard), g);
  CKXTextAEOM alpha(&e, {0, 5}, &root, kKxClassWord, pContents);
  AEDesc a;
  alpha.GetAEProperty(pContents, AEDesc::FromCode(typeType, typeWildCard), a);
  EXPECT_NE(b.GetKeyDesc(FourCC("styl")), a.GetKeyDesc(FourCC("styl")));
  EXPECT_EQ(g.GetKeyDesc(FourCC("styl")), a.GetKeyDesc(FourCC("styl")));
}

TEST_F(TextAEOMTest, EachPropertySetIsOneUndoStepAndBadValuesChangeNothing) {
  e.SetText("alpha beta gamma delta");
  const AEDesc word2 = AEMakeIndexSpecifier(kKxClassWord, AEDesc(), 2);
  AEDesc color = AEDesc::MakeList();
  for (int c : {0xFFFF, 0, 0x8000}) color.Append(AEDesc::FromLong(c));
  struct Set {
    DescType property;
    AEDesc value;
  } sets[] = {
      {kKxPropTextStyles, AEDesc::FromCode(typeEnumerated, FourCC("ital"))},
      {kKxPropPointSize, AEDesc::FromShort(24)},
      {kKxPropColor, color},
      {kKxPropTextColor, AEDesc::FromCode(typeEnumerated, 48 + 2)},
      {kKxPropLineType, AEDesc::FromCode(typeEnumerated, 0x6E30 + 3)},
      {kKxPropLineColor, AEDesc::FromCode(typeEnumerated, 0x6C30 + 2)},
      {kKxPropNetPattern, AEDesc::FromCode(typeEnumerated, 48 + 4)},
      {kKxPropNetColor, AEDesc::FromCode(typeEnumerated, 48 + 5)},
      {kKxPropExtStyle, AEDesc::FromCode(typeEnumerated, FourCC("est2"))},
      {pContents, AEDesc::FromText("BETA!")},
  };
  for (const Set& s : sets) {
    SCOPED_TRACE(std::to_string(s.property));
    const AEDesc before = Styled();
    ASSERT_EQ(SetProperty(s.property, word2, s.value), noErr);
    const AEDesc after = Styled();
    EXPECT_NE(after, before) << "nothing changed";
    e.Undo();
    EXPECT_EQ(Styled(), before) << "one undo did not restore";
    e.Redo();
    EXPECT_EQ(Styled(), after);
    e.Undo();
  }
  // Values out of range and unknown fonts are errors that change nothing.
  AEDesc tooBright = AEDesc::MakeList();
  for (int c : {70000, 0, 0}) tooBright.Append(AEDesc::FromLong(c));
  const Set bad[] = {
      {kKxPropColor, tooBright},
      {kKxPropColor, AEDesc::FromCode(typeEnumerated, 48 + 24)},
      {kKxPropLineType, AEDesc::FromCode(typeEnumerated, 0x6E30 + 16)},
      {kKxPropLineType, AEDesc::FromCode(typeEnumerated, 0x6E30 - 1)},
      {kKxPropLineColor, AEDesc::FromCode(typeEnumerated, 0x6C30 + 16)},
      {kKxPropNetPattern, AEDesc::FromCode(typeEnumerated, 48 + 16)},
      {kKxPropNetColor, AEDesc::FromCode(typeEnumerated, 47)},
      {kKxPropFont, AEDesc::FromText("No Such Family 123")},
      {kKxPropPointSize, AEDesc::FromShort(0)},
  };
  const AEDesc before = Styled();
  const CKXTextAction* action = e.GetAction();
  for (const Set& s : bad) {
    EXPECT_NE(SetProperty(s.property, word2, s.value), noErr) << std::to_string(s.property);
    EXPECT_EQ(Styled(), before);
    EXPECT_EQ(e.GetAction(), action) << "an undo step was recorded";
  }
}

TEST_F(TextAEOMTest, MoveIsOneActionAndNeverIntoItself) {
  e.SetText("one two three four");
  const AEDesc text;
  auto moveTo = [&](const AEDesc& what, const AEDesc& to, OSType position) {
    AppleEvent event(kAECoreSuite, kAEMove);
    event.PutParamDesc(keyDirectObject, what);
    event.PutParamDesc(keyAEInsertHere, AEMakeInsertionLocation(to, position));
    AppleEvent reply = AppleEvent::MakeReply();
    return director.Dispatch(event, reply);
  };
  // A word moved after a later one lands where that one ended.
  ASSERT_EQ(moveTo(AEMakeIndexSpecifier(kKxClassWord, text, 1), AEMakeIndexSpecifier(kKxClassWord, text, 3), kAEAfter),
            noErr);
  const std::string moved = e.Text();
  EXPECT_NE(moved.find("threeone"), std::string::npos) << moved;
  e.Undo();
  EXPECT_EQ(e.Text(), "one two three four");
  // Into its own text: refused, nothing changes.
  const AEDesc range = AEMakeRangeSpecifier(kKxClassText, text, AEMakeIndexSpecifier(kKxClassWord, AEMakeCurrentContainer(), 1),
                                            AEMakeIndexSpecifier(kKxClassWord, AEMakeCurrentContainer(), 3));
  EXPECT_EQ(moveTo(range, AEMakeIndexSpecifier(kKxClassWord, text, 2), kAEAfter), kKxErrAEImpossibleRange);
  EXPECT_EQ(e.Text(), "one two three four");
  // Clone: a copy, the source stays.
  AppleEvent event(kAECoreSuite, kAEClone);
  event.PutParamDesc(keyDirectObject, AEMakeIndexSpecifier(kKxClassWord, text, 4));
  event.PutParamDesc(keyAEInsertHere, AEMakeInsertionLocation(AEMakeIndexSpecifier(kKxClassWord, text, 1), kAEBefore));
  AppleEvent reply = AppleEvent::MakeReply();
  ASSERT_EQ(director.Dispatch(event, reply), noErr);
  EXPECT_EQ(e.Text().substr(0, 7), "fourone");
  EXPECT_EQ(e.Text().substr(e.Text().size() - 4), "four");
}

TEST_F(TextAEOMTest, DeleteAndCreateElements) {
  e.SetText("keep drop keep drop");
  const AEDesc text;
  const AEDesc drops =
      AEMakeTestSpecifier(kKxClassWord, text, AEMakeComparison(kAEEquals, AEMakeObjectBeingExamined(), AEDesc::FromText("drop")));
  AppleEvent reply = AppleEvent::MakeReply();
  ASSERT_EQ(Send(kAECoreSuite, kAEDelete, drops, &reply), noErr);
  EXPECT_EQ(e.Text().find("drop"), std::string::npos) << e.Text();
  // The reply names where each deleted word stood, one entry each.
  ASSERT_TRUE(reply.HasParam(keyAEInsertHere));
  EXPECT_EQ(reply.GetParamDesc(keyAEInsertHere).CountItems(), 2);
  EXPECT_EQ(long(ResolveAll(AEMakeOrdinalSpecifier(kKxClassWord, text, kAEAll)).size()), 2);

  e.SetText("abc");
  AppleEvent make(kAECoreSuite, kAECreateElement);
  make.PutParamDesc(keyAEObjectClass, AEDesc::FromCode(typeType, kKxClassWord));
  make.PutParamDesc(keyAEInsertHere, AEMakeInsertionLocation(AEMakeIndexSpecifier(kKxClassChar, text, 2), kAEAfter));
  make.PutParamDesc(keyAEData, AEDesc::FromText("XY"));
  ASSERT_EQ(director.Dispatch(make, reply), noErr);
  EXPECT_EQ(e.Text(), "abXYc");
}

TEST_F(TextAEOMTest, MadeElementsGoWhereTheLocationSaysAndTheRestStays) {
  const std::string start = "one two three four";
  const AEDesc text;
  struct Case {
    long from, to;   // the selection; the whole text's ends are its ends
    OSType position;   // 0: no location
    const char* want;
  } cases[] = {
      {18, 18, kAEEnd, "one two three four five"},   {0, 0, kAEEnd, " fiveone two three four"},
      {4, 7, kAEBeginning, "one  fivetwo three four"}, {4, 7, kAEReplace, "one  five three four"},
      {0, 18, kAEReplace, " five"},                    {18, 18, 0, "one two three four five"},
  };
  for (const Case& c : cases) {
    e.SetText(start);
    e.Select(c.from, c.to);
    ASSERT_EQ(Make(text, c.position, AEDesc::FromText(" five")), noErr);
    EXPECT_EQ(e.Text(), c.want);
  }
}

TEST_F(TextAEOMTest, ValuesThatAreNoTextBecomeTextOrChangeNothing) {
  const std::string start = "one two three four";
  const AEDesc text, word2 = AEMakeIndexSpecifier(kKxClassWord, text, 2);
  e.SetText(start);
  ASSERT_EQ(SetProperty(pContents, word2, AEDesc::FromLong(5)), noErr);
  ASSERT_EQ(Make(word2, kAEAfter, AEDesc::FromShort(-12)), noErr);
  EXPECT_EQ(e.Text(), "one 5-12 three four");
  AEDesc texts = AEDesc::MakeList();
  texts.Append(AEDesc::FromText("a"));
  for (const AEDesc& value : {AEDesc::FromBoolean(true), AEDesc::MakeList(), texts, AEDesc::MakeRecord()}) {
    e.SetText(start);
    e.Select(4, 7);
    const CKXTextAction* action = e.GetAction();
    EXPECT_EQ(SetProperty(pContents, word2, value), errAECoercionFail);
    EXPECT_EQ(SetProperty(pContents, text, value), errAECoercionFail);
    EXPECT_EQ(Make(word2, kAEReplace, value), errAECoercionFail);
    EXPECT_EQ(e.Text(), start);
    EXPECT_EQ(e.GetAction(), action) << "an undo step was recorded";
  }
}

// Set and cut of every element, against the same edits made on the bytes
// of the elements as they were resolved.
TEST_F(TextAEOMTest, OneEventOverManyElementsEditsEachWhereItStood) {
  std::mt19937 rng(5u);
  const AEDesc text;
  for (long step = 0, steps = KxRandomSteps(6); step < steps; ++step) {
    for (const OSType kind : {kKxClassChar, kKxClassWord, kKxClassPara, kKxClassLine}) {
      for (const char* value : {"", "X", "<<>>", static_cast<const char*>(nullptr)}) {   // null: cut
        e.SetText(RandomText(rng, 30 + long(rng() % 120)));
        const std::string before = e.Text();
        const AEDesc every = AEMakeOrdinalSpecifier(kind, text, kAEAll);
        std::string want;
        long at = 0;
        for (const SKXRange& p : ResolveAll(every)) {
          want += before.substr(std::size_t(at), std::size_t(p.start - at)) + (value ? value : "");
          at = p.start + p.length;
        }
        want += before.substr(std::size_t(at));
        ASSERT_EQ(value ? SetProperty(pContents, every, AEDesc::FromText(value))
                        : Send(kAEMiscStandards, kAECut, every),
                  noErr);
        ASSERT_EQ(e.Text(), want) << "kind " << kind << " value " << (value ? value : "cut") << " in " << before;
      }
    }
  }
  // Clones of later words put in front: each source is still its word.
  e.SetText("aa bb\rcc dd\r");
  ASSERT_EQ(MoveOrClone(false, AEMakeOrdinalSpecifier(kKxClassWord, AEMakeIndexSpecifier(kKxClassPara, text, 2), kAEAll),
                        AEMakeIndexSpecifier(kKxClassPara, text, 1), kAEBeginning),
            noErr);
  EXPECT_TRUE(e.Text() == "ddccaa bb\rcc dd\r" || e.Text() == "ccddaa bb\rcc dd\r") << e.Text();
  // Each paragraph doubled once.
  e.SetText("Hello.\rSecond para\rThird");
  ASSERT_EQ(SetProperty(kKxPropSelection, AEMakeOrdinalSpecifier(kKxClassPara, text, kAEAll),
                        AEDesc::FromCode(typeType, FourCC("lndp"))),
            noErr);
  EXPECT_EQ(e.Text(), "Hello.\rHello.\rSecond para\rSecond para\rThird\rThird");
}

TEST_F(TextAEOMTest, AMoveOntoARangeReplacesItAsACloneDoes) {
  const std::string start = "one two three four";
  const AEDesc text;
  auto word = [&](std::int32_t i) { return AEMakeIndexSpecifier(kKxClassWord, text, i); };
  for (const bool move : {true, false}) {
    e.SetText(start);
    ASSERT_EQ(MoveOrClone(move, word(1), word(3), kAEReplace), noErr);
    EXPECT_EQ(e.Text(), move ? " two one four" : "one two one four");
    e.SetText(start);
    ASSERT_EQ(MoveOrClone(move, word(4), word(1), kAEReplace), noErr);
    EXPECT_EQ(e.Text(), move ? "four two three " : "four two three four");
  }
  // Onto part of itself: nowhere for it to go.
  e.SetText(start);
  const AEDesc words12 = AEMakeRangeSpecifier(kKxClassText, text, AEMakeIndexSpecifier(kKxClassWord, AEMakeCurrentContainer(), 1),
                                              AEMakeIndexSpecifier(kKxClassWord, AEMakeCurrentContainer(), 2));
  EXPECT_EQ(MoveOrClone(true, words12, word(2), kAEReplace), kKxErrAEImpossibleRange);
  EXPECT_EQ(e.Text(), start);
}

}  // namespace
