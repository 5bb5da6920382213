// The player against a fake target: control flow, registers, subjects,
// dialogs, Escape and refusal of bad code.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_target.h"
#include "macro_builder.h"
#include "macros/macro.h"
#include "macros/macro_exec.h"
#include "text/codes/unicode.h"
#include "platform/exception.h"
#include "platform/keys.h"
#include "text/base/memory.h"

namespace {

using Calls = std::vector<std::string>;

class Player : public ::testing::Test {
 protected:
  void SetUp() override {
    host.view = &view;
    KxMacroSetHost(&host);
  }
  void TearDown() override {
    KxMacroSetHost(nullptr);
    KxMacroSetEscapePoll(nullptr);
  }
  OSErr Run(MacroBuilder& b) { return UKXTextMacro::ExecuteMacro(b.data(), b.size()); }
  // Runs the statements and then inserts number register n and string register s.
  Calls RunAndShow(MacroBuilder& b, int numberRegister = 1, int stringRegister = 0) {
    if (numberRegister) b.Value(60 + numberRegister, 20, 0);
    if (stringRegister) b.Value(50 + stringRegister, 20, 0);
    EXPECT_EQ(Run(b), noErr);
    return view.calls;
  }
  FakeTarget view;
  FakeHost host;
};

}  // namespace

TEST_F(Player, ReplaysCommandsTextAndKeys) {
  MacroBuilder b;
  b.Command(33).Text("abc").Key(28, 1, 3).Command(239 * 256 + 5).Command(100 * 256 + 3);
  EXPECT_EQ(Run(b), noErr);
  EXPECT_EQ(view.calls, (Calls{"command 33", "insert abc", "key 28/1", "key 28/1", "key 28/1",
                               "command -15663109", "command 25603"}));
}

TEST_F(Player, JumpsByLineAndLabel) {
  MacroBuilder onlyLabel;
  onlyLabel.Label("x");
  EXPECT_EQ(Run(onlyLabel), noErr);
  EXPECT_TRUE(view.calls.empty());

  for (const char* line : {"3", "0", "-1", ""}) {
    MacroBuilder b;
    b.Goto(1, line).Text("after");
    EXPECT_EQ(Run(b), noErr);
    EXPECT_TRUE(view.calls.empty()) << line;
  }

  // Line 4 skips line 3; the key's repeat is not a line of its own.
  MacroBuilder lines;
  lines.Key(29, 0, 2).Goto(0, "4").Text("skipped").Text("reached");
  EXPECT_EQ(Run(lines), noErr);
  EXPECT_EQ(view.calls, (Calls{"key 29/0", "key 29/0", "insert reached"}));

  // A label that occurs twice: the first one wins.
  view.calls.clear();
  MacroBuilder labels;
  labels.Goto(2, "L").Label("L").Text("first").Goto(3).Label("L").Text("second");
  EXPECT_EQ(Run(labels), noErr);
  EXPECT_EQ(view.calls, (Calls{"insert first"}));

  view.calls.clear();
  MacroBuilder missing;
  missing.Goto(2, "nowhere").Text("x");
  EXPECT_EQ(Run(missing), noErr);
  EXPECT_TRUE(view.calls.empty());
}

TEST_F(Player, NumberRegisters) {
  auto value = [&](std::initializer_list<std::pair<int, std::string>> steps) {
    view.calls.clear();
    MacroBuilder b;
    for (auto& [op, text] : steps) b.Value(61, op, 1, text);
    return RunAndShow(b).back();
  };
  EXPECT_EQ(value({{11, "  42abc"}}), "insert 42");
  EXPECT_EQ(value({{11, "-7"}}), "insert -7");
  EXPECT_EQ(value({{11, "x"}}), "insert 0");
  EXPECT_EQ(value({{11, "9"}, {15, "0"}}), "insert 9");
  EXPECT_EQ(value({{11, "9"}, {16, "0"}}), "insert 9");
  EXPECT_EQ(value({{11, "-7"}, {16, "2"}}), "insert -1");
  EXPECT_EQ(value({{11, "-7"}, {15, "2"}}), "insert -3");
  EXPECT_EQ(value({{11, "6"}, {12, "4"}, {14, "3"}, {13, "1"}}), "insert 29");
  // Arithmetic wraps instead of overflowing.
  EXPECT_EQ(value({{11, "2147483647"}, {12, "1"}}), "insert -2147483648");
  EXPECT_EQ(value({{11, "65536"}, {14, "65536"}}), "insert 0");
  EXPECT_EQ(value({{11, "2147483647"}, {12, "1"}, {15, "-1"}}), "insert -2147483648");
  EXPECT_EQ(value({{11, "2147483647"}, {12, "1"}, {16, "-1"}}), "insert 0");
  EXPECT_EQ(value({{11, "5"}, {10, ""}}), "insert 0");
  // Registers start at 0 in every run.
  EXPECT_EQ(value({}), "insert 0");
}

TEST_F(Player, StringRegisters) {
  MacroBuilder b;
  b.Value(51, 11, 1, "ab").Value(51, 12, 51)                      // appended to itself
      .Value(52, 12, 1, "x").Value(52, 12, 51)                      // append to empty sets
      .Value(61, 11, 1, "-4").Value(53, 11, 61).Value(53, 12, 62)   // numbers as decimal text
      .Value(54, 11, 1, "keep").Value(54, 11, 54).Value(54, 13, 1, "9").Value(54, 12, 1, "")
      .Value(54, 12, 99)                                            // no subject: nothing
      .Value(55, 11, 1, "q").Value(55, 11, 56)                      // set from an empty register
      .Value(56, 11, 1, "gone").Value(56, 10, 0);
  for (int reg = 51; reg <= 56; ++reg) b.Value(reg, 20, 0);
  EXPECT_EQ(Run(b), noErr);
  EXPECT_EQ(view.calls, (Calls{"insert abab", "insert xabab", "insert -40", "insert keep"}));
}

// A register appended to itself again and again stops growing at its
// bound, as when memory runs out, and the run goes on with what it holds.
TEST_F(Player, AStringRegisterDoubledStopsAtItsBound) {
  const long was = CKXTMacroExec::SetStringMost(1000);
  MacroBuilder b;
  b.Value(51, 11, 1, "ab");
  for (int k = 0; k < 40; ++k) b.Value(51, 12, 51);
  b.Value(51, 20, 0).Value(52, 11, 51).Value(52, 12, 1, "x").Value(52, 20, 0);
  const OSErr ran = Run(b);
  CKXTMacroExec::SetStringMost(was);
  EXPECT_EQ(ran, noErr);
  ASSERT_EQ(view.calls.size(), 2u);
  // "ab" doubled to 512 bytes fits; 1,024 would not. A copy of it and one
  // more byte still fit.
  std::string held;
  for (int k = 0; k < 256; ++k) held += "ab";
  EXPECT_EQ(view.calls[0], "insert " + held);
  EXPECT_EQ(view.calls[1], "insert " + held + "x");
}

TEST_F(Player, ComparisonsAsTextsAndAsNumbers) {
  // Sets a register, compares, and reports which way the jump went.
  auto run = [&](int setRegister, const std::string& setTo, int left, int op, int right, const std::string& text) {
    view.calls.clear();
    MacroBuilder b;
    b.Value(setRegister, 11, 1, setTo).Compare(left, op, right, text, 2, "T", 0, "").Text("false").Goto(3)
        .Label("T").Text("true");
    EXPECT_EQ(Run(b), noErr);
    return view.calls.back();
  };
  EXPECT_EQ(run(51, "10", 51, 5, 1, "9"), "insert true");   // "10" < "9" as bytes
  EXPECT_EQ(run(61, "10", 61, 4, 1, "9"), "insert true");   // 10 > 9 as numbers
  EXPECT_EQ(run(51, "ab", 51, 5, 1, "abc"), "insert true");  // a prefix is less
  EXPECT_EQ(run(51, "ab", 51, 0, 1, "ab"), "insert true");
  EXPECT_EQ(run(51, "ab", 51, 1, 1, "ab"), "insert false");
  EXPECT_EQ(run(51, "ab", 51, 6, 1, "ab"), "insert false");  // no such operator
  EXPECT_EQ(run(51, "\xC0", 51, 4, 1, "a"), "insert true");  // bytes compare unsigned
  EXPECT_EQ(run(61, "3", 61, 2, 1, "3"), "insert true");
  EXPECT_EQ(run(61, "3", 61, 3, 1, "2"), "insert false");
  EXPECT_EQ(run(61, "-1", 99, 4, 61, ""), "insert true");    // no subject reads 0
  EXPECT_EQ(run(61, "7", 51, 0, 61, ""), "insert false");    // "" against "7"
  // The selection against number register 2 holding 5.
  host.text = "5xyz";
  host.selEnd = 1;
  EXPECT_EQ(run(62, "5", 13, 0, 62, ""), "insert true");
  host.selEnd = 2;
  EXPECT_EQ(run(62, "5", 13, 0, 62, ""), "insert false");
}

TEST_F(Player, SubjectsReadTheText) {
  host.text = std::string("ab\r\x82\xA0" "cd\rlast", 12);
  host.selStart = 3;  // the double-byte character on line 2
  host.selEnd = 6;
  MacroBuilder b;
  b.Value(51, 11, 11).Value(51, 20, 0).Value(51, 11, 12).Value(51, 20, 0).Value(51, 11, 13).Value(51, 20, 0);
  for (int subject : {21, 22, 23, 31, 32, 33, 41}) b.Value(61, 11, subject).Value(61, 20, 0);
  EXPECT_EQ(Run(b), noErr);
  EXPECT_EQ(view.calls, (Calls{"insert \x82\xA0", std::string("insert \x82\xA0" "cd\r"), "insert \x82\xA0" "c",
                               "insert 2", "insert 1", "insert 4", "insert 2", "insert 4", "insert 2",
                               "insert 3"}));
}

TEST_F(Player, SubjectsStopAtTheEndOfTheText) {
  // The character at the end of the text is none: nothing goes in before
  // the "|", and it compares equal to an empty text.
  host.text = "one two\rthree\r";
  host.selStart = host.selEnd = 14;
  MacroBuilder b;
  b.Value(51, 11, 11).Value(51, 20, 0).Text("|").Compare(11, 0, 1, "", 1, "6", 0, "").Text("not empty").Text("empty");
  EXPECT_EQ(Run(b), noErr);
  EXPECT_EQ(view.calls, (Calls{"insert |", "insert empty"}));
  // A lead byte that ends the text is a character of one byte.
  view.calls.clear();
  host.text = "ab\x82";
  host.selStart = host.selEnd = 2;
  MacroBuilder lead;
  lead.Value(51, 11, 11).Value(51, 20, 0);
  EXPECT_EQ(Run(lead), noErr);
  EXPECT_EQ(view.calls, (Calls{"insert \x82"}));
  // A selection that runs past the text reads what the text holds.
  view.calls.clear();
  host.text = "abc";
  host.selStart = 1;
  host.selEnd = 9;
  MacroBuilder sel;
  sel.Value(51, 11, 13).Value(51, 20, 0);
  EXPECT_EQ(Run(sel), noErr);
  EXPECT_EQ(view.calls, (Calls{"insert bc"}));
}

TEST_F(Player, KeysRepeatTheirWholeCount) {
  // Above the recorder's 1000: the count the editor stored is pressed.
  MacroBuilder b;
  b.Key(29, 0, 5000).Text("end");
  EXPECT_EQ(Run(b), noErr);
  ASSERT_EQ(view.calls.size(), 5001u);
  EXPECT_EQ(view.calls[4999], "key 29/0");
  EXPECT_EQ(view.calls.back(), "insert end");
}

TEST_F(Player, FindChoosesItsJumpTarget) {
  MacroBuilder b;
  b.Find(1, 6, "needle", 1, "3", 0, "").Text("missed").Text("end");
  EXPECT_EQ(Run(b), noErr);
  EXPECT_EQ(view.calls, (Calls{"find needle 6", "insert missed", "insert end"}));
  view.calls.clear();
  view.found = true;
  EXPECT_EQ(Run(b), noErr);
  EXPECT_EQ(view.calls, (Calls{"find needle 6", "insert end"}));
  // A register's text, cut to 255 bytes; an unknown mode searches for nothing.
  view.calls.clear();
  MacroBuilder reg;
  reg.Value(52, 11, 1, std::string(200, 'a')).Value(52, 12, 52).Find(52, 0, "", 3, "", 3, "").Text("no");
  EXPECT_EQ(Run(reg), noErr);
  EXPECT_EQ(view.calls, (Calls{"find " + std::string(255, 'a') + " 0"}));
  view.calls.clear();
  MacroBuilder other;
  other.Find(7, 0, "", 0, "", 0, "");
  EXPECT_EQ(Run(other), noErr);
  EXPECT_EQ(view.calls, (Calls{"find  0"}));
}

TEST_F(Player, DialogsAndExtendedOperations) {
  // A note always goes on with the second target.
  MacroBuilder note;
  note.Value(61, 11, 1, "7").Dialog(1, 61, "hello", 3, "", 0, "").Text("went on");
  EXPECT_EQ(Run(note), noErr);
  EXPECT_EQ(view.calls, (Calls{"note hello", "insert went on"}));

  // An input dialog for a number register answered "12 apples" stores 12.
  view.calls.clear();
  view.dialogAnswer = "12 apples";
  MacroBuilder input;
  input.Value(61, 11, 1, "5").Dialog(0, 61, "How many?", 0, "", 3, "");
  RunAndShow(input);
  EXPECT_EQ(view.lastPrompt, "How many?");
  EXPECT_EQ(view.lastAnswerShown, "5");
  EXPECT_EQ(view.calls.back(), "insert 12");

  // Cancel leaves the register; the register's value is the prompt of 71.
  view.calls.clear();
  view.dialogResult = 0;
  MacroBuilder cancel;
  cancel.Value(51, 11, 1, "Name?").Extend(71, 51);
  RunAndShow(cancel, 0, 1);
  EXPECT_EQ(view.lastPrompt, "Name?");
  EXPECT_EQ(view.lastAnswerShown, "");
  EXPECT_EQ(view.calls.back(), "insert Name?");

  view.calls.clear();
  MacroBuilder ext;
  ext.Extend(73, 51)  // empty string register: nothing
      .Value(51, 11, 1, "Doc")
      .Extend(73, 51)
      .Extend(74, 61)
      .Value(61, 11, 1, "12")
      .Extend(75, 61)
      .Extend(81, 61)
      .Extend(82, 52)
      .Extend(76, 51)
      .Extend(77, 52)
      .Extend(78, 62)
      .Extend(79, 53)
      .Extend(99, 51)
      .Value(52, 20, 0)
      .Value(62, 20, 0)
      .Value(53, 20, 0);
  EXPECT_EQ(Run(ext), noErr);
  EXPECT_EQ(view.docName, "Doc");
  EXPECT_EQ(view.calls, (Calls{"document Doc 0", "document  1", "goto 12", "restart 12 1", "restart 0 0",
                               "insert Doc", "insert 202405061", "insert 12:34"}));
}

TEST_F(Player, EscapeStopsKeysAndEndlessLoops) {
  MacroBuilder keys;
  keys.Key(29, 0, 5).Text("after");
  view.escapeAfterChecks = 0;
  EXPECT_EQ(Run(keys), noErr);
  EXPECT_EQ(view.calls, (Calls{"key 29/0"}));

  // An endless loop stops when the target reports Escape...
  view.calls.clear();
  view.checks = 0;
  view.escapeAfterChecks = 100;
  MacroBuilder loop;
  loop.Label("L").Goto(2, "L");
  EXPECT_EQ(Run(loop), noErr);
  EXPECT_EQ(view.checks, 101);

  // ...and through the platform's key state even when the target never looks.
  KxFakeKeys keyState;
  KxSetKeySource(&keyState);
  struct Silent : CKXTMacroTarget {
    KxFakeKeys* keys = nullptr;
    int steps = 0;
    Boolean CheckEscapeKey(unsigned long&) override {
      if (++steps == 1000) keys->SetKey(0x35, true);  // Escape
      return false;
    }
  } silent;
  silent.keys = &keyState;
  host.view = &silent;
  EXPECT_EQ(Run(loop), noErr);
  EXPECT_EQ(silent.steps, 1000);
  KxSetKeySource(nullptr);

  // An installed poll takes its place.
  silent.steps = 0;
  KxMacroSetEscapePoll([] { return true; });
  EXPECT_EQ(Run(loop), noErr);
  EXPECT_EQ(silent.steps, 1);
}

TEST_F(Player, RefusesBadCodeNestedRunsAndRunsWithoutADocument) {
  MacroBuilder bad;
  bad.Text("never").Raw({9, 0, 40, 0});
  EXPECT_EQ(Run(bad), kMacroBadCodeErr);
  EXPECT_TRUE(view.calls.empty());
  EXPECT_EQ(UKXTextMacro::mMacroExec, nullptr);

  MacroBuilder ok;
  ok.Text("a").Text("b");
  host.viewsLeft = 0;
  EXPECT_EQ(Run(ok), noErr);
  EXPECT_TRUE(view.calls.empty());
  host.viewsLeft = 1;  // the document goes away after the first statement
  EXPECT_EQ(Run(ok), noErr);
  EXPECT_EQ(view.calls, (Calls{"insert a"}));
  host.viewsLeft = -1;

  // A macro whose command runs a macro: the inner run is refused.
  struct Nesting : FakeTarget {
    MacroBuilder* inner = nullptr;
    OSErr innerResult = 1;
    void MenuCommand(long) override { innerResult = UKXTextMacro::ExecuteMacro(inner->data(), inner->size()); }
  } nesting;
  nesting.inner = &ok;
  host.view = &nesting;
  MacroBuilder outer;
  outer.Command(1150);
  EXPECT_EQ(Run(outer), noErr);
  EXPECT_EQ(nesting.innerResult, paramErr);
  EXPECT_EQ(UKXTextMacro::ExecuteMacro(static_cast<char**>(nullptr), 5), noErr);
}

TEST_F(Player, RecordingIsSuspendedAndRestoredEvenOnExceptions) {
  struct Throwing : FakeTarget {
    unsigned char recordingSeen = 9;
    void MenuCommand(long) override {
      recordingSeen = UKXTextMacro::mMacroRecording;
      throw LException(-1);
    }
  } throwing;
  host.view = &throwing;
  UKXTextMacro::StartRecording();
  MacroBuilder b;
  b.Command(5).Text("never");
  char** handle = KxMemHAlloc(b.size(), true);
  std::memcpy(*handle, b.data(), std::size_t(b.size()));
  EXPECT_THROW(UKXTextMacro::ExecuteMacro(handle, b.size()), LException);
  EXPECT_EQ(throwing.recordingSeen, 0);
  EXPECT_EQ(UKXTextMacro::mMacroRecording, 1);
  EXPECT_EQ(UKXTextMacro::mMacroExec, nullptr);
  UKXTextMacro::StopRecording();
  KxMemHFree(handle);
}

// A statement may free or move the handle being run: recording anew frees
// the last recorded macro, the editor stores over a listed one. The rest of
// the macro runs as it was when the run began.
TEST_F(Player, HandleFreedOrMovedByAStatementDoesNotStopTheRun) {
  struct Meddling : FakeTarget {
    char**& handle;
    bool record = false;
    explicit Meddling(char**& h) : handle(h) {}
    void MenuCommand(long command) override {
      FakeTarget::MenuCommand(command);
      if (record) {
        UKXTextMacro::StartRecording();   // frees the last recorded macro
        handle = nullptr;
      } else {
        KxMemHReAlloc(handle, 70000, true);   // moves it
        std::memset(*handle, 0, 70000);
      }
    }
  };
  MacroBuilder b;
  b.Command(1146).Text("after").Goto(2, "L").Text("skipped").Label("L").Text("end");
  const Calls expected{"command 1146", "insert after", "insert end"};

  char** recorded = KxMemHAlloc(b.size(), true);
  std::memcpy(*recorded, b.data(), std::size_t(b.size()));
  UKXTextMacro::SetMacroData(recorded, b.size());
  Meddling recording(recorded);
  recording.record = true;
  host.view = &recording;
  EXPECT_EQ(UKXTextMacro::ExecuteMacro(UKXTextMacro::mMacroData, UKXTextMacro::mMacroSize), noErr);
  EXPECT_EQ(recording.calls, (Calls{"command 1146", "mark 1", "insert after", "insert end"}));
  EXPECT_EQ(UKXTextMacro::mMacroRecording, 1);   // the macro started a recording, which goes on
  EXPECT_EQ(UKXTextMacro::mMacroExec, nullptr);
  UKXTextMacro::StopRecording();
  KxMemHFree(UKXTextMacro::SetMacroData(nullptr, 0));

  char** listed = KxMemHAlloc(b.size(), true);
  std::memcpy(*listed, b.data(), std::size_t(b.size()));
  char** running = listed;
  Meddling storing(listed);
  host.view = &storing;
  EXPECT_EQ(UKXTextMacro::ExecuteMacro(running, b.size()), noErr);
  EXPECT_EQ(storing.calls, expected);
  KxMemHFree(listed);
}

// Text plays as typed: with auto-indent on, each Return goes as the key,
// which indents the new line as typing it did; without, or with no Return,
// the text goes in whole.
TEST_F(Player, ReturnsInTextAreTypedWhenAutoIndentIsOn) {
  MacroBuilder b;
  b.Text("ab\rcd\r\r").Text("plain").Text("\r");
  EXPECT_EQ(Run(b), noErr);
  EXPECT_EQ(view.calls, (Calls{"insert ab\rcd\r\r", "insert plain", "insert \r"}));
  view.calls.clear();
  host.autoIndent = true;
  EXPECT_EQ(Run(b), noErr);
  EXPECT_EQ(view.calls, (Calls{"insert ab", "key 13/0", "insert cd", "key 13/0", "key 13/0", "insert plain",
                               "key 13/0"}));
}

// Unicode text goes in as script bytes with the side entries of the
// characters they hold only as placeholders; a host that cannot take
// entries gets the bytes alone.
TEST_F(Player, UnicodeTextInsertsBytesWithSideEntries) {
  const std::string utf8 = "aé日😀";
  std::string bytes;
  std::vector<SKXUniChar> uni;
  ASSERT_TRUE(KxUTF8ToHeldText(utf8.data(), long(utf8.size()), bytes, uni));
  ASSERT_EQ(uni.size(), 2u);
  EXPECT_EQ(uni[0].offset, 1);
  EXPECT_EQ(uni[0].value, 0x00E90000u);
  EXPECT_EQ(uni[1].value, 0xD83DDE00u);
  MacroBuilder b;
  b.UnicodeText(utf8).Text("z").UnicodeText("\xFF");   // malformed UTF-8 still plays something
  EXPECT_EQ(Run(b), noErr);
  ASSERT_EQ(view.calls.size(), 3u);
  EXPECT_EQ(view.calls[0], "insert " + bytes);
  EXPECT_EQ(view.calls[1], "insert z");
  view.calls.clear();
  host.takesUnicode = true;
  EXPECT_EQ(Run(b), noErr);
  ASSERT_EQ(view.calls.size(), 3u);
  char expected[64];
  std::snprintf(expected, sizeof expected, " @1=00E90000 @%d=D83DDE00", int(uni[1].offset));
  EXPECT_EQ(view.calls[0], "unicode " + bytes + expected);
}
