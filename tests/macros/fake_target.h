// A macro target and host that record what a run asks of them.
#pragma once

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/macro_target.h"
#include "macros/macro.h"
#include "text/codes/unichar.h"

class FakeTarget : public CKXTMacroTarget {
 public:
  std::vector<std::string> calls;
  int escapeAfterChecks = -1;  // Escape reported from this many checks on
  int checks = 0;
  bool found = false;
  short dialogResult = 1;
  std::string dialogAnswer;
  std::string lastPrompt, lastAnswerShown;
  std::string docName = "Untitled";

  static std::string P(const unsigned char* s) { return std::string(reinterpret_cast<const char*>(s + 1), s[0]); }
  static void SetP(unsigned char* out, const std::string& s) {
    out[0] = std::uint8_t(s.size());
    std::memcpy(out + 1, s.data(), s.size());
  }

  Boolean CheckEscapeKey(unsigned long&) override {
    ++checks;
    return escapeAfterChecks >= 0 && checks > escapeAfterChecks;
  }
  CKXTextEngine* GetTextEdit() override { return reinterpret_cast<CKXTextEngine*>(this); }
  void SetMacroTartget(Boolean on) override { calls.push_back("mark " + std::to_string(on)); }
  void MenuCommand(long command) override { calls.push_back("command " + std::to_string(command)); }
  void InsertString(char* text, long length) override {
    calls.push_back("insert " + std::string(text, std::size_t(length)));
  }
  void KeyEvent(unsigned char c, char m) override {
    calls.push_back("key " + std::to_string(c) + "/" + std::to_string(int(m)));
  }
  Boolean FindText(char* text, short length, short options) override {
    calls.push_back("find " + std::string(text, std::size_t(length)) + " " + std::to_string(options));
    return found;
  }
  void FindDocument(const unsigned char* name, Boolean flag) override {
    calls.push_back("document " + P(name) + " " + std::to_string(flag));
  }
  void GotoLine(long line) override { calls.push_back("goto " + std::to_string(line)); }
  void SetDocName(unsigned char* name) override { docName = P(name); }
  void GetDocName(unsigned char* name) override { SetP(name, docName); }
  long GetDate(unsigned char* text) override {
    SetP(text, "2024/5/6");
    return 202405061;
  }
  long GetTime(unsigned char* text) override {
    SetP(text, "12:34");
    return 123456;
  }
  void SetLineReStart(long line, Boolean on) override {
    calls.push_back("restart " + std::to_string(line) + " " + std::to_string(on));
  }
  void NoteAlert(unsigned char* message) override { calls.push_back("note " + P(message)); }
  short InputDialog(unsigned char* prompt, unsigned char* answer) override {
    lastPrompt = P(prompt);
    lastAnswerShown = P(answer);
    calls.push_back("input " + lastPrompt);
    if (dialogResult) SetP(answer, dialogAnswer);
    return dialogResult;
  }
};

// A host over one text with lines ending in CR (13) and a selection.
class FakeHost : public KxMacroHost {
 public:
  CKXTMacroTarget* view = nullptr;
  int viewsLeft = -1;  // answer null after this many look-ups
  std::string text;
  long selStart = 0, selEnd = 0;

  CKXTMacroTarget* GetTextView() override {
    if (viewsLeft == 0) return nullptr;
    if (viewsLeft > 0) --viewsLeft;
    return view;
  }
  void GetSelection(CKXTextEngine*, long& start, long& end) override {
    start = selStart;
    end = selEnd;
  }
  long GetTextLength(CKXTextEngine*) override { return long(text.size()); }
  unsigned short GetChar(CKXTextEngine*, long offset) override {
    if (offset >= long(text.size())) return 0;
    auto c = std::uint8_t(text[std::size_t(offset)]);
    if (c >= 0x81 && c <= 0x9F && offset + 1 < long(text.size()))
      return std::uint16_t(c << 8 | std::uint8_t(text[std::size_t(offset + 1)]));
    return c;
  }
  long GetLineNumber(CKXTextEngine*, long offset) override {
    long line = 1;
    for (long i = 0; i < offset && i < long(text.size()); ++i) line += text[std::size_t(i)] == 13;
    return line;
  }
  long GetLineOffset(CKXTextEngine*, long line) override {
    long at = 0;
    for (long l = 1; l < line; ++l) at = long(text.find('\r', std::size_t(at))) + 1;
    return at;
  }
  long GetLineCount(CKXTextEngine* e) override { return GetLineNumber(e, long(text.size())); }
  void GetLineRange(CKXTextEngine* e, long offset, long& start, long& length) override {
    start = GetLineOffset(e, GetLineNumber(e, offset));
    std::size_t end = text.find('\r', std::size_t(start));
    length = (end == std::string::npos ? long(text.size()) : long(end) + 1) - start;
  }
  long CalcCharCount(CKXTextEngine*, long start, long end) override {
    long n = 0;
    for (long i = start; i < end; ++i, ++n) {
      auto c = std::uint8_t(text[std::size_t(i)]);
      if (c >= 0x81 && c <= 0x9F) ++i;
    }
    return n;
  }
  void GetText(CKXTextEngine*, long start, long length, char* out) override {
    std::memcpy(out, text.data() + start, std::size_t(length));
  }
  bool autoIndent = false;
  bool GetAutoIndent(CKXTextEngine*) override { return autoIndent; }
  // Unicode text as "unicode BYTES @OFFSET=VALUE..." on the target's calls.
  bool takesUnicode = false;
  void InsertUnicodeText(CKXTMacroTarget* target, const char* bytes, long length, const SKXUniChar* uni,
                         long nUni) override {
    auto* fake = dynamic_cast<FakeTarget*>(target);
    if (!takesUnicode || !fake) return KxMacroHost::InsertUnicodeText(target, bytes, length, uni, nUni);
    std::string call = "unicode " + std::string(bytes, std::size_t(length));
    char entry[32];
    for (long k = 0; k < nUni; ++k) {
      std::snprintf(entry, sizeof entry, " @%d=%08X", int(uni[k].offset), unsigned(uni[k].value));
      call += entry;
    }
    fake->calls.push_back(call);
  }
};
