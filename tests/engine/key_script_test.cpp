// Key scripts: with the check on, typed keys and input-method text take the
// key-script font of the keyboard that types them (a double-byte character
// typed as two keys stays whole); the two fonts trade places when the
// text's own script changes. Off, see kxapp_key_script_test.sh.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/input_method_handler.h"
#include "engine/text_event.h"
#include "engine_fixture.h"

namespace {

constexpr short kJapanese = kKxApplicationFont;  // the edit style's font, script 1
constexpr short kRoman = 3;
const std::string kSo = "\x83\x5C";              // ソ: its second byte is "\"
const std::string kNihon = "\x93\xFA\x96\x7B";   // 日本
const std::string kNihonUTF8 = "\xE6\x97\xA5\xE6\x9C\xAC";

class KeyScriptTest : public kxtest::EngineTest {
 protected:
  void SetUp() override {
    KxResetKeyTables();
    mKeyboard = KxGetScriptType();
    handler = new CKXTextEvent;
    handler->AddUser(this);
    w.engine->AddUser(this);
    handler->SetTextEngine(w.engine.get());
    handler->Activate();
    w.engine->SetKeyScript(kJapanese, kRoman);
    CKXTextLayer::SetKeyScriptCheck(CKXTextLayer::kKeyScriptTyping);
  }
  void TearDown() override {
    handler->SetTextEngine(nullptr);
    handler->RemoveUser(this);
    CKXTextLayer::SetKeyScriptCheck(0);
    KxSetScriptType(mKeyboard);
  }
  kxtest::TestEngine& e() { return *w.engine; }
  CKXTextTSMHandler& tsm() { return handler->GetTSMHandler(); }
  void Keys(const std::string& bytes) {
    for (const char c : bytes) handler->DoEvent(EventRecord{keyDown, KxKeyMessage(std::uint8_t(c), 0), 1, {}, 0});
  }
  // "offset:font" of each style run, then the typing font.
  std::string Runs() {
    std::vector<SKXStyl> runs(std::size_t(KXText_GetStylCount(e().GetEdit())));
    runs.resize(std::size_t(KXText_GetStyls(e().GetEdit(), runs.data(), std::int32_t(runs.size()))));
    std::string s;
    for (const SKXStyl& r : runs) s += std::to_string(r.offset) + ":" + std::to_string(r.styl.font) + " ";
    SStyl typing{};
    KXTE_GetCurStyl(e().GetEdit(), typing);
    return s + "typing " + std::to_string(typing.font);
  }

  kxtest::EngineWindow w;
  CKXTextEvent* handler = nullptr;
  short mKeyboard = 0;
};

TEST_F(KeyScriptTest, TypedKeysTakeTheFontOfTheirKeyboard) {
  Keys("ab");
  EXPECT_EQ(KxGetScriptType(), kScriptRoman);
  // The second byte ("\") of a character typed as two keys is no Roman
  // key: the character stays whole, in the Japanese font.
  Keys(kSo);
  EXPECT_EQ(KxGetScriptType(), kScriptJapanese);
  // Return comes from either keyboard: it leaves the script as it is.
  Keys("\r");
  EXPECT_EQ(KxGetScriptType(), kScriptJapanese);
  Keys("c");
  EXPECT_EQ(e().Text(), "ab" + kSo + "\rc");
  EXPECT_EQ(Runs(), "0:3 2:1 5:3 typing 3");
  // A key over a selection, made either way, replaces it in its font.
  for (const bool backwards : {false, true}) {
    e().SetText(kSo + "z");
    KXTE_SetSelect(e().GetEdit(), backwards ? 2 : 0, backwards ? 0 : 2);
    Keys("x");
    EXPECT_EQ(Runs(), "0:3 1:1 typing 3") << backwards;
  }
}

TEST_F(KeyScriptTest, InputMethodTextTakesTheSystemScriptFont) {
  Keys("abc");
  // Straight in, with no composition before it: Shift_JIS in the
  // Japanese font, not Roman placeholders with side entries joining the
  // Roman run; in the typing step the keys began, as without the check.
  tsm().Commit(kNihonUTF8);
  EXPECT_EQ(KxGetScriptType(), kScriptJapanese);
  EXPECT_EQ(e().Text(), "abc" + kNihon);
  EXPECT_EQ(Runs(), "0:3 3:1 typing 1");
  EXPECT_EQ(KXText_GetUniCharsCount(e().GetEdit()), 0);
  EXPECT_FALSE(handler->IsInline());
  EXPECT_EQ(w.undoer->CountUndo(), 1u);
  e().Undo();
  e().Redo();
  EXPECT_EQ(Runs(), "0:3 3:1 typing 1");

  // A composition inside the Roman word shows in the Japanese font and is
  // fixed in it, partly and then whole.
  e().Select(1, 1);
  tsm().Preedit(kNihonUTF8, {{0, 6, true}}, -1);
  EXPECT_EQ(Runs(), "0:3 1:1 5:3 7:1 typing 1");
  SKXInputUpdate u;
  u.text = KxUTF8ToUTF16(kNihonUTF8);
  u.fixedLength = 1;
  tsm().DoUpdateActiveInputArea(u);
  tsm().Commit("\xE6\x9C\xAC");
  EXPECT_EQ(e().Text(), "a" + kNihon + "bc" + kNihon);
  EXPECT_EQ(Runs(), "0:3 1:1 5:3 7:1 typing 1");

  // Over a selection: one step that gives the selection back.
  e().Select(5, 7);
  tsm().Commit("\xE6\x97\xA5");
  EXPECT_EQ(e().Text(), "a" + kNihon + "\x93\xFA" + kNihon);
  e().Undo();
  EXPECT_EQ(e().Text(), "a" + kNihon + "bc" + kNihon);
}

TEST_F(KeyScriptTest, TheFontsFollowTheTextsOwnScript) {
  short own = 0, other = 0;
  e().SetScriptTypeFromFont(kRoman);
  e().SetScriptTypeFromFont(20);   // Roman again: no second trade
  e().GetKeyScript(own, other);
  EXPECT_EQ(own, kRoman);
  EXPECT_EQ(other, kJapanese);
  Keys("x");
  tsm().Commit(kNihonUTF8);
  EXPECT_EQ(Runs(), "0:3 1:1 typing 1");
}

}  // namespace
