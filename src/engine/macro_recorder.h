// The one door from the lower areas to the macro recorder and player: the
// text engine tells it typed keys and inserted text, the key handler and
// the application tell it obeyed commands, the text view's commands start
// and stop a recording and run macros, and the key handler asks it to run
// the macro bound to a function key. The macros area installs its own at
// start-up; the default records and runs nothing.
#pragma once

#include <string>

struct SKXUniChar;

class CKXMacroRecorder {
 public:
  CKXMacroRecorder() = default;
  CKXMacroRecorder(const CKXMacroRecorder&) = delete;
  CKXMacroRecorder& operator=(const CKXMacroRecorder&) = delete;
  virtual ~CKXMacroRecorder() = default;

  virtual bool IsRecording() const { return false; }
  virtual void StartRecording() {}
  virtual void StopRecording() {}
  // modifiers: 1 shift, 2 command, 4 option.
  virtual void AddMacroKeyCode(unsigned char /*key*/, char /*modifiers*/) {}
  virtual void AddMacroString(const char* /*text*/, long /*length*/) {}
  // Inserted text with the side entries (offsets into text) of characters
  // the bytes hold only as placeholders.
  virtual void AddMacroUnicodeString(const char* text, long length, const SKXUniChar* /*uni*/, long /*nUni*/) {
    AddMacroString(text, length);
  }
  virtual void AddMacroCommand(long /*command*/) {}
  // The macro bound to function key `key` (1-15) with modifier code `mods`.
  virtual void RunFunctionMacro(short /*key*/, char /*mods*/) {}
  // Its name (script bytes), empty when no macro is bound there.
  virtual std::string FunctionMacroName(short /*key*/, char /*mods*/) const { return {}; }
  // The last recorded macro, and running it.
  virtual bool HasRecordedMacro() const { return false; }
  virtual void RunRecordedMacro() {}
  // User macro n (1-based); false when there is none.
  virtual bool RunUserMacro(long /*n*/) { return false; }

  // The installed recorder (null: the default); not owned.
  static void Install(CKXMacroRecorder* recorder);
  static CKXMacroRecorder& Get();
};
