// Input methods through the text's handler: compositions with clauses,
// commits as one typing step, focus-out confirming, characters outside the
// text's script, combining marks, edits from elsewhere during a
// composition, document access, and ending a composition through the
// host's input method.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "engine/text_event.h"
#include "engine/input_method_handler.h"
#include "engine/text_unicode_range.h"
#include "engine_fixture.h"
#include "platform/framework/commander.h"
#include "platform/framework/input_method.h"

namespace {

using kxtest::EngineTest;
using kxtest::EngineWindow;
using Clause = CKXTextTSMHandler::Clause;

const std::string kKanji = "\x8A\xBF\x8E\x9A";            // 漢字
const std::string kKanjiUTF8 = "\xE6\xBC\xA2\xE5\xAD\x97";
const std::string kKanaUTF8 = "\xE3\x81\x8B\xE3\x81\xAA";  // かな
const std::string kKana = "\x82\xA9\x82\xC8";
const std::string kYoshiUTF8 = "\xF0\xA0\xAE\xB7";          // U+20BB7, outside the text's script

class Bound {
 public:
  Bound() : handler(new CKXTextEvent) {
    handler->AddUser(this);
    w.engine->AddUser(this);
    handler->SetTextEngine(w.engine.get());
    handler->Activate();
  }
  ~Bound() {
    handler->SetTextEngine(nullptr);
    handler->RemoveUser(this);
  }
  Bound(const Bound&) = delete;
  Bound& operator=(const Bound&) = delete;
  CKXTextTSMHandler& tsm() { return handler->GetTSMHandler(); }
  kxtest::TestEngine& e() { return *w.engine; }
  std::string Surrounding() {
    std::string s;
    long caret = 0;
    EXPECT_TRUE(tsm().Surrounding(s, caret));
    return s;
  }
  // Interline kinds (bits 0-2 of the decoration) at each byte of the text.
  std::vector<int> Underlines() {
    std::vector<int> kinds;
    const long n = KXText_GetLength(e().GetEdit());
    std::vector<SKXDeco> runs(std::size_t(KXText_GetDecoCount(e().GetEdit())));
    runs.resize(std::size_t(KXText_GetDecos(e().GetEdit(), runs.data(), std::int32_t(runs.size()))));
    for (long at = 0; at < n; ++at) {
      int kind = 0;
      for (const SKXDeco& r : runs)
        if (r.offset <= at) kind = r.deco.lineBits & 7;
      kinds.push_back(kind);
    }
    return kinds;
  }

  EngineWindow w;
  CKXTextEvent* handler;
};

class TSMTest : public EngineTest {};

TEST_F(TSMTest, ACompositionWithClausesThenItsCommitIsOneTypingStep) {
  Bound b;
  b.e().SetText("ab");
  b.e().Select(1, 1);
  b.tsm().Preedit("\xE3\x81\x8B\xE3\x82\x93\xE3\x81\x98", {}, -1);   // かんじ
  EXPECT_EQ(b.e().Text(), "a\x82\xA9\x82\xF1\x82\xB6" "b");
  EXPECT_EQ(b.tsm().GetActiveStart(), 1);
  EXPECT_EQ(b.tsm().GetActiveEnd(), 7);
  EXPECT_TRUE(b.handler->IsInline());
  EXPECT_EQ(b.e().GetSelectionRange().start, 7);
  // Converted: two clauses, the second selected.
  b.tsm().Preedit(kKanjiUTF8, {{0, 3, false}, {3, 6, true}}, 3);
  EXPECT_EQ(b.e().Text(), "a" + kKanji + "b");
  EXPECT_EQ(b.Underlines(), (std::vector<int>{0, 4, 4, 3, 3, 0}));
  EXPECT_EQ(b.e().GetSelectionRange().start, 3);
  EXPECT_EQ(b.e().GetSelectionRange().length, 0);
  b.tsm().Commit(kKanjiUTF8);
  EXPECT_EQ(b.e().Text(), "a" + kKanji + "b");
  EXPECT_FALSE(b.tsm().HasActiveArea());
  EXPECT_FALSE(b.handler->IsInline());
  EXPECT_EQ(b.Underlines(), (std::vector<int>(6, 0)));
  EXPECT_EQ(b.e().GetSelectionRange().start, 5);
  EXPECT_EQ(b.w.undoer->CountUndo(), 1u);
  b.e().Undo();
  EXPECT_EQ(b.e().Text(), "ab");
}

TEST_F(TSMTest, PartlyFixedUpdatesAndEmptyOnes) {
  Bound b;
  b.e().SetText("xy");
  b.e().Select(1, 1);
  SKXInputUpdate u;
  u.text = KxUTF8ToUTF16(kKanjiUTF8 + kKanaUTF8);
  u.fixedLength = 2;   // 漢字 confirmed, かな still composing
  b.tsm().DoUpdateActiveInputArea(u);
  EXPECT_EQ(b.e().Text(), "x" + kKanji + kKana + "y");
  EXPECT_EQ(b.tsm().GetActiveStart(), 5);
  EXPECT_EQ(b.tsm().GetActiveEnd(), 9);
  // An update with no text removes the composition.
  b.tsm().DoUpdateActiveInputArea(SKXInputUpdate{});
  EXPECT_EQ(b.e().Text(), "x" + kKanji + "y");
  EXPECT_FALSE(b.tsm().HasActiveArea());
  EXPECT_FALSE(b.handler->IsInline());
  // Fixed length equal to the whole text leaves no area.
  u.text = KxUTF8ToUTF16(kKanaUTF8);
  u.fixedLength = 2;
  b.tsm().DoUpdateActiveInputArea(u);
  EXPECT_EQ(b.e().Text(), "x" + kKanji + kKana + "y");
  EXPECT_FALSE(b.tsm().HasActiveArea());
  // A composition replaces a selection.
  b.e().Select(0, 1);
  b.tsm().Preedit(kKanaUTF8, {}, -1);
  b.tsm().Commit("Q");
  EXPECT_EQ(b.e().Text(), "Q" + kKanji + kKana + "y");
}

TEST_F(TSMTest, FocusOutConfirmsTheComposition) {
  Bound b;
  b.e().SetText("ab");
  b.e().Select(2, 2);
  b.tsm().Preedit(kKanaUTF8, {{0, 6, true}}, -1);
  EXPECT_EQ(b.Underlines(), (std::vector<int>{0, 0, 3, 3, 3, 3}));
  b.handler->Deactivate();
  EXPECT_EQ(b.e().Text(), "ab" + kKana);
  EXPECT_FALSE(b.tsm().HasActiveArea());
  EXPECT_FALSE(b.handler->IsInline());
  EXPECT_EQ(b.Underlines(), (std::vector<int>(6, 0)));
  b.handler->Activate();
  // The next composition starts afresh at the caret.
  b.tsm().Commit("!");
  EXPECT_EQ(b.e().Text(), "ab" + kKana + "!");
  b.e().Undo();
  b.e().Undo();
  EXPECT_EQ(b.e().Text(), "ab");
}

TEST_F(TSMTest, CharactersOutsideTheScriptAndCombiningMarks) {
  Bound b;
  b.e().SetText("a");
  b.e().Select(1, 1);
  b.tsm().Preedit(kYoshiUTF8, {}, -1);
  EXPECT_EQ(b.tsm().GetActiveEnd() - b.tsm().GetActiveStart(), 2);   // the placeholder
  b.tsm().Preedit(kYoshiUTF8 + kYoshiUTF8, {{0, 4, false}, {4, 8, true}}, 4);
  EXPECT_EQ(b.e().GetSelectionRange().start, 3);   // the caret between the pairs
  b.tsm().Commit(kYoshiUTF8 + "b");
  EXPECT_EQ(b.Surrounding(), "a" + kYoshiUTF8 + "b");
  // An "e" then a combining acute: one precomposed character for the "e".
  b.handler->DoEvent([] {
    EventRecord e;
    e.what = keyDown;
    e.message = 'e';
    e.when = 1;
    return e;
  }());
  b.tsm().Commit("\xCC\x81");
  EXPECT_EQ(b.Surrounding(), "a" + kYoshiUTF8 + "b\xC3\xA9");
  // Without a letter before it the mark stays as it came.
  b.tsm().Commit(" ");
  b.tsm().Commit("\xCC\x81");
  EXPECT_EQ(b.Surrounding(), "a" + kYoshiUTF8 + "b\xC3\xA9 \xCC\x81");
}

// Text in a Roman font takes typed characters in its own script: Mac Roman
// bytes for what the script has, its placeholder with the character beside
// it for what it lacks; Japanese text beside it goes on in Shift_JIS. The
// text around the caret reads each run in its own script.
TEST_F(TSMTest, InputIntoRomanTextIsSpeltInItsScript) {
  constexpr short kRoman = 3;
  ASSERT_EQ(KxFontToScriptType(kRoman), kScriptRoman);
  Bound b;
  b.e().SetText(kKana + "ab");
  b.e().Select(4, 6);
  b.e().DoFontNumber(kRoman);
  auto sides = [&] {
    std::vector<SKXUniChar> u(std::size_t(KXText_GetUniCharsCount(b.e().GetEdit())));
    const long n = KXText_GetLength(b.e().GetEdit());
    u.resize(std::size_t(std::max(0, KXText_GetSelUniChars(b.e().GetEdit(), 0, n, u.data(), std::int32_t(u.size())))));
    std::string s;
    for (const SKXUniChar& e : u) s += std::to_string(e.offset) + ":" + std::to_string(e.value >> 16) + " ";
    return s;
  };
  // A commit at the end of the Roman text: é and ± are Mac Roman 0x8E and
  // 0xB1; 日 (U+65E5) has no code there.
  b.e().Select(6, 6);
  b.tsm().Commit("\xC3\xA9\xC2\xB1\xE6\x97\xA5");
  EXPECT_EQ(b.e().Text(), kKana + "ab\x8E\xB1\xA0");
  EXPECT_EQ(sides(), "8:26085 ");
  // A composition there shows and is fixed in the same script.
  b.tsm().Preedit("\xC3\xBC", {}, -1);   // ü
  EXPECT_EQ(b.e().Text(), kKana + "ab\x8E\xB1\xA0\x9F");
  b.tsm().Commit("\xC3\xBC");
  EXPECT_EQ(b.e().Text(), kKana + "ab\x8E\xB1\xA0\x9F");
  EXPECT_EQ(b.Surrounding(), kKanaUTF8 + "ab\xC3\xA9\xC2\xB1\xE6\x97\xA5\xC3\xBC");
  // Deleting the character before the caret takes the one Roman byte of
  // ±: read as Shift_JIS, é and ± would be one character.
  b.e().Select(8, 8);
  EXPECT_TRUE(b.tsm().DeleteSurrounding(-1, 1));
  EXPECT_EQ(b.e().Text(), kKana + "ab\x8E\xA0\x9F");
  // Inside the Japanese text, Shift_JIS as before.
  b.e().Select(2, 2);
  b.tsm().Commit("\xE6\x97\xA5");
  EXPECT_EQ(b.e().Text(), "\x82\xA9\x93\xFA\x82\xC8" "ab\x8E\xA0\x9F");
  EXPECT_EQ(sides(), "9:26085 ");
  // The selected Roman text as the input method reads it.
  b.e().Select(6, 11);
  std::u16string shown;
  b.tsm().DoGetText(shown);
  EXPECT_EQ(shown, u"ab\u00E9\u65E5\u00FC");
  // So in a paragraph that does not start the text.
  b.e().Select(0, 0);
  b.e().Type("z\r");
  b.e().Select(13, 13);
  EXPECT_EQ(b.Surrounding(), "\xE3\x81\x8B\xE6\x97\xA5\xE3\x81\xAA" "ab\xC3\xA9\xE6\x97\xA5\xC3\xBC");
}

// The text and its style runs.
std::string Styled(kxtest::TestEngine& e) {
  std::vector<SKXStyl> runs(std::size_t(KXText_GetStylCount(e.GetEdit())));
  runs.resize(std::size_t(KXText_GetStyls(e.GetEdit(), runs.data(), std::int32_t(runs.size()))));
  std::string s = e.Text();
  for (const SKXStyl& r : runs) s += " " + std::to_string(r.offset) + ":" + std::to_string(r.styl.face);
  return s;
}

TEST_F(TSMTest, ACommitWithNoCompositionOverASelectionUndoesToTheReplacedText) {
  Bound b;
  b.e().SetText("abcdef");
  b.e().Select(2, 4);
  b.e().DoFontStyle(1);   // "cd" bold
  const std::string before = Styled(b.e());
  // A dead key or a picked character: a commit with nothing composed.
  b.e().Select(1, 3);
  b.tsm().Commit(kKanjiUTF8);
  EXPECT_EQ(b.e().Text(), "a" + kKanji + "def");
  const std::string after = Styled(b.e());
  for (int round = 0; round < 2; ++round) {
    b.e().Undo();
    EXPECT_EQ(Styled(b.e()), before);
    b.e().Redo();
    EXPECT_EQ(Styled(b.e()), after);
  }
  // Over a selection that reaches past a run of typing still open.
  b.e().Select(0, 0);
  b.e().Type("xy");
  const std::string typed = Styled(b.e());
  b.e().Select(1, 3);
  b.tsm().Commit("Q");
  EXPECT_EQ(b.e().Text(), "xQ" + kKanji + "def");
  b.e().Undo();
  EXPECT_EQ(Styled(b.e()), typed);
  // A combining mark after a typed letter goes on with that run.
  b.e().Select(0, 0);
  const std::string plain = Styled(b.e());
  b.e().Type("e");
  b.tsm().Commit("\xCC\x81");
  b.e().Undo();
  EXPECT_EQ(Styled(b.e()), plain);
}

TEST_F(TSMTest, AnEditFromElsewhereDuringACompositionNeverHitsTheWrongBytes) {
  Bound b;
  b.e().SetText("abcd");
  b.e().Select(2, 2);
  b.tsm().Preedit(kKanaUTF8, {}, -1);
  // A menu command confirms the composition first, then undoes.
  b.tsm().FixBeforeEdit();
  b.e().Undo();
  EXPECT_EQ(b.e().Text(), "abcd");
  // An edit that did not ask first: the composition's place is stale.
  b.tsm().Preedit(kKanaUTF8, {}, -1);
  b.e().Select(0, 0);
  b.e().DoString("ZZ", 2);
  EXPECT_EQ(b.e().Text(), "ZZab" + kKana + "cd");
  b.tsm().Preedit(kKanjiUTF8, {}, -1);
  EXPECT_EQ(b.e().Text(), "ZZ" + kKanji + "ab" + kKana + "cd");
  b.tsm().Commit(kKanjiUTF8);
  EXPECT_EQ(b.e().Text(), "ZZ" + kKanji + "ab" + kKana + "cd");
}

TEST_F(TSMTest, DocumentAccessGivesTheParagraphOfTheSelection) {
  Bound b;
  b.e().SetText("one\rtw" + kKanji + "o\rthree");
  b.e().Select(6, 8);   // 漢
  long length = 0, start = 0, end = 0, count = 0;
  EXPECT_EQ(b.tsm().GetLength(length), 0);
  EXPECT_EQ(length, 5);
  EXPECT_FALSE(b.tsm().HasSnapshot());   // a query without a lock leaves nothing behind
  EXPECT_EQ(b.tsm().GetSelectedRange(start, end), 0);
  EXPECT_EQ(start, 2);
  EXPECT_EQ(end, 3);
  char16_t units[5] = {};
  EXPECT_EQ(b.tsm().GetCharacters(0, 5, units), kKxTSMNoAnswer);   // not locked
  EXPECT_EQ(b.tsm().LockDocument(count), 0);
  EXPECT_EQ(b.tsm().LockDocument(count), 0);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(b.tsm().GetCharacters(0, 5, units), 0);
  EXPECT_EQ(std::u16string(units, 5), u"tw漢字o");
  EXPECT_EQ(b.tsm().GetCharacters(3, 3, units), kKxTSMNoAnswer);
  EXPECT_EQ(b.tsm().GetCharacters(-1, 1, units), kKxTSMNoAnswer);
  EXPECT_EQ(b.tsm().ReplaceRange(3, 5), 0);
  EXPECT_EQ(b.e().GetSelectionRange().start, 8);
  EXPECT_EQ(b.e().GetSelectionRange().length, 3);
  EXPECT_EQ(b.tsm().ReplaceRange(4, 9), kKxTSMNoAnswer);
  b.tsm().UnlockDocument(count);
  EXPECT_TRUE(b.tsm().HasSnapshot());
  b.tsm().UnlockDocument(count);
  EXPECT_EQ(count, 0);
  EXPECT_FALSE(b.tsm().HasSnapshot());
  b.tsm().UnlockDocument(count);
  EXPECT_EQ(count, 0);
  // Deleting around the caret counts characters.
  b.e().Select(8, 8);   // after 漢
  EXPECT_TRUE(b.tsm().DeleteSurrounding(-1, 2));
  EXPECT_EQ(b.e().Text(), "one\rtwo\rthree");
  EXPECT_FALSE(b.tsm().DeleteSurrounding(0, 9));
  EXPECT_EQ(b.e().Text(), "one\rtwo\rthree");
}

// The preferences' inline colour goes into the composition's underline,
// and their input-window setting puts the window below the line in
// vertical writing too.
TEST_F(TSMTest, ThePreferencesColourTheCompositionAndPlaceTheWindow) {
  Bound b;
  b.e().SetText("ab");
  b.e().Select(1, 1);
  CKXTextTSMHandler::SetInlineColour(5);
  b.tsm().Preedit(kKanjiUTF8, {}, -1);
  std::vector<SKXDeco> runs(std::size_t(KXText_GetDecoCount(b.e().GetEdit())));
  runs.resize(std::size_t(KXText_GetDecos(b.e().GetEdit(), runs.data(), std::int32_t(runs.size()))));
  bool coloured = false;
  for (const SKXDeco& r : runs) coloured = coloured || r.deco.lineBits == (5 << 12 | 1);
  EXPECT_TRUE(coloured);
  CKXTextTSMHandler::SetInlineColour(0);

  KXTE_SetVertical(b.e().GetEdit(), 1);
  SKXOffsetPos beside, below;
  b.tsm().DoOffset2Pos(0, beside);
  CKXTextTSMHandler::SetInputWindowBelow(true);
  b.tsm().DoOffset2Pos(0, below);
  CKXTextTSMHandler::SetInputWindowBelow(false);
  EXPECT_EQ(beside.angle, 180);
  EXPECT_EQ(below.angle, 90);
  EXPECT_EQ(below.where.h - beside.where.h, beside.lineHeight);
  EXPECT_EQ(below.where.v - beside.where.v, beside.lineHeight - 1);
}

TEST_F(TSMTest, OffsetsAndPositionsMapBothWays) {
  Bound b;
  b.e().SetText("ab");
  b.e().Select(1, 1);
  b.tsm().Preedit(kKanjiUTF8, {}, -1);
  SKXOffsetPos first, second;
  EXPECT_EQ(b.tsm().DoOffset2Pos(0, first), 0);
  EXPECT_EQ(b.tsm().DoOffset2Pos(1, second), 0);
  EXPECT_GT(second.where.h, first.where.h);
  EXPECT_EQ(second.where.v, first.where.v);
  EXPECT_GT(first.lineHeight, 0);
  EXPECT_EQ(first.angle, 90);
  EXPECT_EQ(b.tsm().DoOffset2Pos(3, second), kKxTSMOffsetOutside);
  long offset = 0;
  short region = 0;
  Point p = second.where;
  b.tsm().DoOffset2Pos(1, second);
  p = Point{std::int16_t(second.where.v - 2), std::int16_t(second.where.h + 1)};
  EXPECT_EQ(b.tsm().DoPos2Offset(p, offset, region), 0);
  EXPECT_EQ(region, 3);
  EXPECT_EQ(offset, 1);
  EXPECT_EQ(b.tsm().DoPos2Offset(Point{-5, -5}, offset, region), 0);
  EXPECT_EQ(region, 1);
  Rect caret{};
  EXPECT_TRUE(b.tsm().CaretRect(caret));
  EXPECT_GT(caret.bottom, caret.top);
}

TEST_F(TSMTest, UTF8AndUTF16ConvertBothWaysAndRefuseBrokenBytes) {
  const std::string good[] = {"", "a", "\xC3\xA9", kKanjiUTF8, kYoshiUTF8, "x" + kYoshiUTF8 + "y\xEF\xBF\xBD"};
  for (const std::string& s : good) EXPECT_EQ(KxUTF16ToUTF8(KxUTF8ToUTF16(s)), s);
  const struct {
    std::string in;
    std::u16string out;
  } bad[] = {{"\xC0\xAF", u"\uFFFD\uFFFD"}, {"\xE6\xBC", u"\uFFFD\uFFFD"}, {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
             {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"}, {"a\x80", u"a\uFFFD"}};
  for (const auto& c : bad) EXPECT_EQ(KxUTF8ToUTF16(c.in), c.out);
  EXPECT_EQ(KxUTF16ToUTF8(u"\xD800x"), "\xEF\xBF\xBDx");
}

}  // namespace

namespace {

TEST_F(TSMTest, AnEmptyUpdateOutsideACompositionKeepsTheSelection) {
  Bound b;
  b.e().SetText("keep this");
  b.e().Select(0, 4);
  b.tsm().Preedit("", {}, -1);
  b.tsm().DoUpdateActiveInputArea(SKXInputUpdate{});
  EXPECT_EQ(b.e().Text(), "keep this");
  EXPECT_EQ(b.e().GetSelectionRange().length, 4);
  // Inside one, an empty update takes the composition away and nothing more.
  b.tsm().Preedit(kKanaUTF8, {}, -1);
  b.tsm().Preedit("", {}, -1);
  EXPECT_EQ(b.e().Text(), " this");
  EXPECT_FALSE(b.tsm().HasActiveArea());
}

}  // namespace

namespace {

TEST_F(TSMTest, TheCaretRectangleFollowsTheCaretInsideAComposition) {
  Bound b;
  b.e().SetText("ab");
  b.e().Select(1, 1);
  Rect before{}, atStart{}, inside{};
  ASSERT_TRUE(b.tsm().CaretRect(before));
  b.tsm().Preedit(kKanjiUTF8, {}, 0);   // the composition's caret at its start
  ASSERT_TRUE(b.tsm().CaretRect(atStart));
  EXPECT_EQ(atStart.left, before.left);
  b.tsm().Preedit(kKanjiUTF8, {}, 3);   // after 漢
  ASSERT_TRUE(b.tsm().CaretRect(inside));
  EXPECT_GT(inside.left, atStart.left);
  EXPECT_EQ(inside.top, atStart.top);
}

}  // namespace

namespace {

TEST_F(TSMTest, AHandlerThatGoesConfirmsItsComposition) {
  EngineWindow w;
  w.engine->AddUser(&w);
  w.engine->SetText("ab");
  w.engine->Select(1, 1);
  auto* handler = new CKXTextEvent;
  handler->AddUser(&w);
  handler->SetTextEngine(w.engine.get());
  handler->GetTSMHandler().Preedit(kKanaUTF8, {{0, 6, true}}, -1);
  handler->RemoveUser(&w);   // the last user: the handler goes
  EXPECT_EQ(w.engine->Text(), "a" + kKana + "b");
  std::vector<SKXDeco> runs(std::size_t(KXText_GetDecoCount(w.engine->GetEdit())));
  runs.resize(std::size_t(KXText_GetDecos(w.engine->GetEdit(), runs.data(), std::int32_t(runs.size()))));
  for (const SKXDeco& r : runs) EXPECT_EQ(r.deco.lineBits & 7, 0) << r.offset;
  // Replacing the engine confirms too.
  EngineWindow other;
  other.engine->AddUser(&other);
  Bound b;
  b.tsm().Preedit(kKanaUTF8, {}, -1);
  b.handler->SetTextEngine(other.engine.get());
  EXPECT_EQ(b.e().Text(), kKana);
  EXPECT_FALSE(b.tsm().HasActiveArea());
  b.handler->SetTextEngine(b.w.engine.get());
}

}  // namespace

namespace {

// The target of a scripted input method: the text's handler behind the
// framework's input-method entry points.
class Client : public LCommander, public KxInputMethodClient {
 public:
  Client(LCommander* super, CKXTextEvent& handler) : LCommander(super), mHandler(handler) {}
  void InputMethodPreedit(const std::string& utf8) override { InputMethodPreeditClauses(utf8, {}, -1); }
  void InputMethodPreeditClauses(const std::string& utf8, const std::vector<Clause>& clauses, long caret) override {
    std::vector<CKXTextTSMHandler::Clause> c;
    for (const Clause& k : clauses) c.push_back({k.start, k.end, k.selected});
    mHandler.GetTSMHandler().Preedit(utf8, c, caret);
  }
  void InputMethodCommit(const std::string& utf8) override { mHandler.GetTSMHandler().Commit(utf8); }
  bool InputMethodComposing() const override { return mHandler.GetTSMHandler().HasActiveArea(); }

 private:
  CKXTextEvent& mHandler;
};

TEST_F(TSMTest, AScriptedInputMethodOnTheHeadlessHostTakesItsTurnAmongTheKeys) {
  Bound b;
  Client client(b.w.window, *b.handler);
  LCommander::SwitchTarget(&client);
  host.PostKey('x', 0);
  host.PostPreedit("\xE3\x81\x8B", {{0, 3, true}});   // か
  host.PostPreedit(kKanaUTF8, {{0, 6, true}}, 3);
  host.PostCommit(kKanjiUTF8);
  host.PostKey('y', 0);
  host.PostPreedit(kYoshiUTF8);
  host.PostPreedit("");
  host.PostCommit("z");
  std::vector<std::string> seen;
  for (int guard = 0; guard < 100 && host.PendingEvents() > 0; ++guard) {
    EventRecord e;
    if (host.WaitNextEvent(e, 0) && e.what == keyDown) b.handler->DoEvent(e);
    seen.push_back(b.e().Text());
  }
  EXPECT_EQ(b.e().Text(), "x" + kKanji + "yz");
  // Each composition showed in the text in its turn.
  EXPECT_NE(std::find(seen.begin(), seen.end(), "x" + kKanji + "y"), seen.end());
  // Undo walks back through confirmed text only, never to a composition.
  const std::vector<std::string> confirmed = {"", "x", "x" + kKanji, "x" + kKanji + "y", "x" + kKanji + "yz"};
  for (int guard = 0; guard < 10 && b.w.undoer->CountUndo() > 0; ++guard) {
    b.e().Undo();
    EXPECT_NE(std::find(confirmed.begin(), confirmed.end(), b.e().Text()), confirmed.end()) << b.e().Text();
  }
  EXPECT_EQ(b.e().Text(), "");
  LCommander::SwitchTarget(nullptr);
}

}  // namespace

namespace {
// A stretch read as Unicode (as the spelling checkers read a word) keeps
// a side character wherever the stretch starts: its entries were moved
// back by the stretch's start twice, so only a stretch from 0 had them.
TEST(InputMethodHandler, AStretchReadAsUnicodeKeepsItsSideCharacters) {
  Bound b;
  b.e().SetText("ab");
  b.e().Select(2, 2);
  b.tsm().Commit(kYoshiUTF8 + "c");
  KxUnicodeStretch whole, tail;
  ASSERT_TRUE(KxTextToUnicode(b.e(), 0, 5, whole));
  ASSERT_TRUE(KxTextToUnicode(b.e(), 1, 5, tail));
  EXPECT_EQ(whole.units, u"ab\U00020BB7c");
  EXPECT_EQ(tail.units, u"b\U00020BB7c");
}
}  // namespace

namespace {

// A host whose windows have an input-method context: the reset answers
// what the test says the input method commits, and notes what the text
// showed at that moment.
class ResettingHost : public KxHeadlessHost {
 public:
  bool ResetInputMethod(KxWindowID window, std::string& committed) override {
    resets.push_back(window);
    textAtReset = text ? text() : std::string();
    committed = commits;
    return true;
  }
  std::vector<KxWindowID> resets;
  std::string commits;
  std::function<std::string()> text;
  std::string textAtReset;
};

class TSMResetTest : public ::testing::Test {
 protected:
  ResettingHost host;
};

TEST_F(TSMResetTest, EndingACompositionTakesWhatTheResetCommitsOrNothing) {
  struct Case {
    const char* name;
    std::string commits;
    std::string after;   // the text once the composition ended
  } cases[] = {
      // The toolkit's code-point entry forgets "u65e5" on a reset: no junk.
      {"nothing committed", "", "ab"},
      // An input method that commits its composition on a reset: once.
      {"committed", kKanjiUTF8, "a" + kKanji + "b"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bound b;
    host.resets.clear();
    host.commits = c.commits;
    host.text = [&b] { return b.e().Text(); };
    b.e().SetText("ab");
    b.e().Select(1, 1);
    b.tsm().Preedit("u65e5", {{0, 5, false}}, -1);
    b.handler->Deactivate();
    // The input method was reset while its composition still showed, and
    // the text took its commit, never the composition as well.
    ASSERT_EQ(host.resets.size(), 1u);
    EXPECT_EQ(host.resets[0], b.w.window->GetHostWindow());
    EXPECT_EQ(host.textAtReset, "au65e5b");
    EXPECT_EQ(b.e().Text(), c.after);
    EXPECT_FALSE(b.tsm().HasActiveArea());
    EXPECT_FALSE(b.handler->IsInline());
    EXPECT_EQ(b.Underlines(), std::vector<int>(c.after.size(), 0));
    // Undo never brings the composition back.
    for (int guard = 0; guard < 5 && b.w.undoer->CountUndo() > 0; ++guard) {
      b.e().Undo();
      EXPECT_EQ(b.e().Text().find("u65e5"), std::string::npos);
    }
    EXPECT_EQ(b.e().Text(), "ab");
    // With nothing composed the input method is left alone.
    b.handler->Activate();
    b.handler->Deactivate();
    EXPECT_EQ(host.resets.size(), 1u);
  }
}

TEST_F(TSMResetTest, EndCompositionKeepsTakingInputAndAClickEndsItToo) {
  Bound b;
  b.e().SetText("abcdef");
  b.e().Select(3, 3);
  b.tsm().Preedit(kKanaUTF8, {{0, 6, true}}, -1);
  b.tsm().EndComposition();
  EXPECT_EQ(host.resets.size(), 1u);
  EXPECT_EQ(b.e().Text(), "abcdef");
  EXPECT_TRUE(b.tsm().IsActive());
  // The next composition starts at the caret as before.
  host.commits = kKanjiUTF8;
  b.tsm().Preedit(kKanaUTF8, {}, -1);
  EXPECT_EQ(b.e().Text(), "abc" + kKana + "def");
  b.tsm().EndComposition();
  EXPECT_EQ(b.e().Text(), "abc" + kKanji + "def");
  EXPECT_EQ(host.resets.size(), 2u);
  // A click in the text outside the composition ends it the same way.
  host.commits.clear();
  b.tsm().Preedit(kKanaUTF8, {}, -1);
  ASSERT_TRUE(b.handler->IsInline());
  b.w.view->FocusDraw();
  EventRecord down;
  down.what = mouseDown;
  down.where = Point{45, 42};   // global: the text's first line, left of the composition
  b.handler->DoEvent(down);
  EXPECT_EQ(host.resets.size(), 3u);
  EXPECT_EQ(b.e().Text(), "abc" + kKanji + "def");
  EXPECT_FALSE(b.tsm().HasActiveArea());
}

TEST_F(TSMResetTest, AnEditFromElsewhereUnderTheCompositionStaysAfterTheReset) {
  Bound b;
  b.e().SetText("ab");
  b.e().Select(2, 2);
  b.tsm().Preedit(kKanaUTF8, {}, -1);
  // Someone else rewrites the text where the composition stood.
  b.e().Select(0, long(b.e().Text().size()));
  b.e().DoKey('z', 0);
  b.handler->Deactivate();
  EXPECT_EQ(host.resets.size(), 1u);
  EXPECT_EQ(b.e().Text(), "z");
  EXPECT_FALSE(b.handler->IsInline());
}

}  // namespace
