// The event handler of one text engine: the text view hands it every key,
// mouse and idle event and it turns them into engine calls. Keys pass
// through the arrow-key, control-key and function-key tables first; inline
// input goes through its input-method handler; a command-click on a link
// opens it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/event_handler.h"
#include "engine/text_aeom.h"
#include "engine/keytables.h"
#include "layout/kxtext_api.h"
#include "text/base/range.h"

class CKXTextEngine;
class CKXTextTSMHandler;

// Back to the built-in control-key and arrow-key tables (engine/keytables.h).
void KxResetKeyTables();

// The handler is also the scripting model of its text: the whole-text node
// that scripts resolve words, lines and paragraphs from.
class CKXTextEvent : public CKXEventHandler, public CKXTextAEOM {
 public:
  explicit CKXTextEvent(LModelObject* super = nullptr, DescType kind = kKxClassText);
  ~CKXTextEvent() override;
  CKXTextEvent(const CKXTextEvent&) = delete;
  CKXTextEvent& operator=(const CKXTextEvent&) = delete;

  void Activate() override;
  // Fixes any inline text and forgets a half-typed control sequence.
  void Deactivate() override;
  void Idle() override;
  void MouseMove() override;
  void MouseDown() override;
  void MouseUp() override;
  void KeyDown() override;
  void KeyUp() override {}
  CKXTextEngine* GetTextEngine() const override { return mEngine; }
  // The handler becomes a user of the new engine and lets go of the old.
  void SetTextEngine(CKXTextEngine* engine) override;

  void ActivateInline();
  void DeactivateInline();
  // Inline text stays until fixed; a point outside it fixes it first.
  void MouseClickInline(const SPoint32& local);

  // Maps the event through the tables. True: `event` (possibly changed) goes
  // on to KeyEvent; false: consumed or refused.
  bool GetKeyEvent(EventRecord& event);
  void KeyEvent(const EventRecord& event);
  // Whether the first stroke of a two-stroke control key waits for its second.
  bool IsSecondStrokePending() const { return mPendingLetter != 0; }

  void InsertString(const char* text, long length, bool asTyped);
  void InsertText(KXTextHandle text);
  void KeyInline(KXTextHandle text, const SKXRange& range, const SKXRange& selection, bool startTyping);
  void FixInline(const char* text, long length, const SKXRange& range, bool keepSelection, const SKXUniChar* uni,
                 long nUni);
  bool IsInline() const { return mInline; }
  CKXTextTSMHandler& GetTSMHandler() { return *mTSM; }

  // The link around the caret of an empty selection: `url` the link to
  // open (with "mailto:" put in front of a bare address), `range` the run
  // in the text. Only http, https and mailto are links.
  bool FindClickURL(SKXRange& range, std::string& url) const;
  // Selects the link under the caret; opens it unless option is held.
  // False when there is none or it could not be opened.
  bool DoClickURL(std::uint16_t modifiers);

  // Command-click opens links (the user's preference; on by default).
  static void SetClickOnLink(bool on) { sClickOnLink = on; }

 protected:
  // Vertical writing turns arrows and Home/End.
  bool IsVertical() const;
  virtual void Beep();

 private:
  bool FunctionKey(const EventRecord& event);
  bool ControlKey(EventRecord& event, bool editable, bool vertical);
  bool ControlResult(EventRecord& event, std::uint8_t ch, std::uint8_t code, bool editable, bool vertical);
  // A typed character with the key-script check on: the keyboard script
  // follows it and the typing font follows the keyboard script.
  void FollowKeyboard(std::uint8_t ch);

  CKXTextEngine* mEngine = nullptr;
  std::unique_ptr<CKXTextTSMHandler> mTSM;
  bool mInline = false;
  // The first letter of a two-stroke control key (0: none) and where in
  // the table its entries begin.
  std::uint8_t mPendingLetter = 0;
  std::size_t mPendingFrom = 0;
  // The trail byte of a double-byte second stroke is dropped with it.
  bool mSkipTrail = false;
  // The last typed key was the first byte of a double-byte character.
  bool mSecondByteNext = false;
  static bool sClickOnLink;
};

// The function-key number (1-15) of a virtual key code, 0 for none.
int KxFunctionKeyNumber(std::uint8_t keyCode);
// The modifier code of an event: shift 1, command 2, option 4.
char KxModifierCode(std::uint16_t modifiers);
