// What a running macro drives: the text view of a document window
// implements this interface, and the macro player and recorder reach the
// front document only through it. Every operation has a body that does
// nothing and answers false, 0 or null, so a target overrides only what it
// can do.
//
// Strings passed as unsigned char* are length-prefixed (one length byte,
// room for 256 bytes); char* texts travel with an explicit length.
#pragma once

#include "platform/types.h"

class CKXTextEngine;

class CKXTMacroTarget {
 public:
  CKXTMacroTarget() = default;
  CKXTMacroTarget(const CKXTMacroTarget&) = default;
  CKXTMacroTarget& operator=(const CKXTMacroTarget&) = default;
  virtual ~CKXTMacroTarget() = default;

  // Whether the user asked to stop. With nextCheck above 0 the target may
  // answer false until that tick and then move it on; with 0 it always looks.
  virtual Boolean CheckEscapeKey(unsigned long& nextCheck) {
    (void)nextCheck;
    return false;
  }
  // The text engine acted on.
  virtual CKXTextEngine* GetTextEdit() { return nullptr; }
  // Waits (a bounded time) for another target to come to the front; answers
  // the target found last.
  virtual CKXTMacroTarget* WaitSwitchWindow() { return nullptr; }
  // Shows or hides the recording mark.
  virtual void SetMacroTartget(Boolean on) { (void)on; }
  virtual void MenuCommand(long command) { (void)command; }
  virtual void InsertString(char* text, long length) {
    (void)text;
    (void)length;
  }
  // modifiers: 1 shift, 2 command, 4 option.
  virtual void KeyEvent(unsigned char character, char modifiers) {
    (void)character;
    (void)modifiers;
  }
  // Selects what it finds; answers whether something was found.
  virtual Boolean FindText(char* text, short length, short options) {
    (void)text;
    (void)length;
    (void)options;
    return false;
  }
  virtual void FindDocument(const unsigned char* name, Boolean flag) {
    (void)name;
    (void)flag;
  }
  virtual Boolean FindRecentDocument(const unsigned char* name) {
    (void)name;
    return false;
  }
  virtual void GotoLine(long line) { (void)line; }
  virtual void SetDocName(unsigned char* name) { (void)name; }
  virtual void GetDocName(unsigned char* name) { (void)name; }
  // Write a text and answer year*100000 + month*1000 + day*10 + weekday,
  // or hour*10000 + minute*100 + second.
  virtual long GetDate(unsigned char* text) {
    (void)text;
    return 0;
  }
  virtual long GetTime(unsigned char* text) {
    (void)text;
    return 0;
  }
  virtual void SetLineReStart(long line, Boolean on) {
    (void)line;
    (void)on;
  }
  virtual void NoteAlert(unsigned char* message) { (void)message; }
  // Answers 1 for OK (answer then holds the reply) and 0 for cancel.
  virtual short InputDialog(unsigned char* prompt, unsigned char* answer) {
    (void)prompt;
    (void)answer;
    return 0;
  }
};
