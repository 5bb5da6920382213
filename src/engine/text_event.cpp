#include "engine/text_event.h"

#include <cctype>

#include "engine/macro_recorder.h"
#include "engine/text_engine.h"
#include "engine/input_method_handler.h"
#include "platform/framework/commander.h"
#include "platform/host/host.h"
#include "platform/keys.h"
#include "platform/toolbox/keytable.h"
#include "platform/url_open.h"
#include "text/codes/script.h"

void KxResetKeyTables() {
  gArrowkeys = gArrowkeyDef;
  gCtrlkeys = gCtrlkeyDef;
}

namespace {

// Ranges of the text are 32-bit.
inline SKXRange Rng(long start, long length) { return SKXRange{std::int32_t(start), std::int32_t(length)}; }

constexpr std::uint16_t kRightShiftKey = 0x2000;
constexpr std::uint8_t kCharFunctionKey = 16;
constexpr std::uint8_t kFirstPrintable = 0x20;
constexpr char kCodeShift = 1, kCodeCommand = 2, kCodeOption = 4;

bool IsArrow(std::uint8_t c) { return c >= kKxCharLeftArrow && c <= kKxCharDownArrow; }

// Arrows in vertical writing: the line runs downwards, so "left" on the
// keyboard moves to the next line of the text and so on.
std::uint8_t TurnVertical(std::uint8_t c) {
  switch (c) {
    case kKxCharLeftArrow: return kKxCharDownArrow;
    case kKxCharRightArrow: return kKxCharUpArrow;
    case kKxCharUpArrow: return kKxCharLeftArrow;
    case kKxCharDownArrow: return kKxCharRightArrow;
    default: return c;
  }
}

// The event's character becomes `ch`; modifiers keep the shift keys and
// caps lock and gain command and option from the result's code.
void Rebuild(EventRecord& event, std::uint8_t ch, std::uint8_t code) {
  event.message = KxKeyMessage(ch, 0);
  std::uint16_t m = event.modifiers & (kKxEventShiftKey | kKxEventAlphaLock | kRightShiftKey);
  if (code & kCodeCommand) m |= kKxEventCommandKey;
  if (code & kCodeOption) m |= kKxEventOptionKey;
  event.modifiers = m;
}

}  // namespace

bool CKXTextEvent::sClickOnLink = true;

int KxFunctionKeyNumber(std::uint8_t keyCode) {
  static const std::uint8_t kCodes[15] = {kKxKeyF1, kKxKeyF2,  kKxKeyF3,  kKxKeyF4,  kKxKeyF5,
                                          kKxKeyF6, kKxKeyF7,  kKxKeyF8,  kKxKeyF9,  kKxKeyF10,
                                          kKxKeyF11, kKxKeyF12, kKxKeyF13, kKxKeyF14, kKxKeyF15};
  for (int k = 0; k < 15; ++k)
    if (kCodes[k] == keyCode) return k + 1;
  return 0;
}

char KxModifierCode(std::uint16_t modifiers) {
  char code = 0;
  if (modifiers & kKxEventShiftKey) code |= kCodeShift;
  if (modifiers & kKxEventCommandKey) code |= kCodeCommand;
  if (modifiers & kKxEventOptionKey) code |= kCodeOption;
  return code;
}

CKXTextEvent::CKXTextEvent(LModelObject* super, DescType kind)
    : CKXTextAEOM(super, kind), mTSM(std::make_unique<CKXTextTSMHandler>(this)) {}

CKXTextEvent::~CKXTextEvent() {
  // A composition still open is confirmed rather than left underlined.
  if (mEngine) mTSM->Deactivate();
  mTSM.reset();
  SetTextEngine(nullptr);
}

void CKXTextEvent::SetTextEngine(CKXTextEngine* engine) {
  if (engine == mEngine) return;
  // Inline text belongs to the old engine's text.
  if (mEngine && mTSM) mTSM->Deactivate();
  CKXTextEngine* old = mEngine;
  if (engine) engine->AddUser(this);
  mEngine = engine;
  SetAEOMEngine(engine);
  if (old) old->RemoveUser(this);
}

bool CKXTextEvent::IsVertical() const { return mEngine && mEngine->GetEdit() && KXTE_GetVertical(mEngine->GetEdit()); }

void CKXTextEvent::Beep() { KxCurrentHost().Beep(); }

void CKXTextEvent::Activate() {
  CKXEventHandler::Activate();
  ResetCachedRange();
  if (mEngine) mEngine->Activate();
  mTSM->Activate(true);
}

void CKXTextEvent::Deactivate() {
  mPendingLetter = 0;
  mSkipTrail = false;
  mSecondByteNext = false;
  if (mEngine) mEngine->Deactivate();
  mTSM->Deactivate();
  CKXEventHandler::Deactivate();
}

void CKXTextEvent::ActivateInline() { mTSM->Activate(true); }
void CKXTextEvent::DeactivateInline() { mTSM->Deactivate(); }

void CKXTextEvent::Idle() {
  if (mEngine) mEngine->Idle();
}

void CKXTextEvent::MouseClickInline(const SPoint32& local) {
  if (!mInline || !mEngine) return;
  PointL text{};
  mEngine->LocalToPoint(local.h, local.v, text);
  SKXRange hit{};
  mEngine->Image2Range(SPoint32{text.h, text.v}, nullptr, &hit);
  if (!mTSM->IsInActiveArea(hit.start)) {
    mTSM->Deactivate();
    mTSM->Activate(true);
  }
}

void CKXTextEvent::MouseDown() {
  CKXEventHandler::MouseDown();
  mPendingLetter = 0;
  mSecondByteNext = false;
  MouseClickInline(mEventMouseL);
  // The host's count when it keeps one: a press it held back arrives late,
  // and counting here would take it for a new click. Past a triple click
  // the count goes round again, as the edit's own does.
  const int clicks = KxCurrentHost().EventClickCount();
  if (mEngine) mEngine->Click(mEventMouseL, mEvent, short(clicks > 0 ? (clicks - 1) % 3 + 1 : 0));
}

void CKXTextEvent::MouseMove() {
  MouseClickInline(mEventMouseL);
  if (!mEngine) return;
  mEngine->Click(mEventMouseL, mEvent, -1);
  mEngine->Idle();
}

void CKXTextEvent::MouseUp() {
  CKXEventHandler::MouseUp();
  if (!mEngine) return;
  mEngine->Click(mEventMouseL, mEvent, -2);
  if ((mEvent.modifiers & kKxEventCommandKey) && sClickOnLink) DoClickURL(mEvent.modifiers);
}

void CKXTextEvent::KeyDown() {
  EventRecord event = mEvent;
  if (GetKeyEvent(event)) KeyEvent(event);
}

void CKXTextEvent::KeyEvent(const EventRecord& event) {
  if (!mEngine || (event.what != keyDown && event.what != autoKey)) return;
  CKXMacroRecorder& recorder = CKXMacroRecorder::Get();
  if (KxEventChar(event) == kKxCharEscape && KxEventKeyCode(event) == kKxKeyEscape && recorder.IsRecording()) {
    recorder.StopRecording();
    return;
  }
  const std::uint8_t ch = KxEventChar(event);
  if (CKXTextLayer::IsKeyScriptCheck(CKXTextLayer::kKeyScriptTyping) && mEngine->GetKeyType(ch) == kKxKeyInsert)
    FollowKeyboard(ch);
  mEngine->DoKey(ch, KxModifierCode(event.modifiers));
}

void CKXTextEvent::FollowKeyboard(std::uint8_t ch) {
  // The second byte of a character typed as two keys is no new keyboard:
  // a font of another script now would read it as another character.
  if (mSecondByteNext) {
    mSecondByteNext = false;
    return;
  }
  // The desktop tells no keyboard script: the keyboard is taken to be the
  // one that types what arrives, Roman for an ASCII character, the system
  // script's for a byte from 0x80 on. Return, tab and the like come from
  // either and leave it.
  if (ch >= kFirstPrintable) KxSetScriptType(ch < 0x80 ? kScriptRoman : KxGetSysScriptType());
  mEngine->CheckKeyScript();
  SStyl typing{};
  KXTE_GetCurStyl(mEngine->GetEdit(), typing);
  mSecondByteNext = ch >= 0x80 && KxTextCharFirst(ch, KxFontToScriptType(typing.font));
}

bool CKXTextEvent::GetKeyEvent(EventRecord& event) {
  if (!mEngine) return false;
  const bool command = (event.modifiers & kKxEventCommandKey) != 0;
  const bool option = (event.modifiers & kKxEventOptionKey) != 0;
  const bool control = (event.modifiers & kKxEventControlKey) != 0;
  const bool editable = mEngine->IsEditable();
  const bool vertical = IsVertical();
  std::uint8_t ch = KxEventChar(event);
  if (ch == 0) {
    ch = UKeyTable::GetCharCode(KxEventKeyCode(event));
    event.message = KxKeyMessage(ch, KxEventKeyCode(event));
  }

  if (mSkipTrail) {
    mSkipTrail = false;
    return false;
  }
  if (mPendingLetter) return ControlKey(event, editable, vertical);

  if (ch <= 31 && control) return ControlKey(event, editable, vertical);
  if (ch <= 31) {
    if (ch == kKxCharHome || ch == kKxCharEnd) {
      if (option || command) return true;
      const bool home = ch == kKxCharHome;
      const std::uint8_t to = vertical ? (home ? kKxCharUpArrow : kKxCharDownArrow)
                                       : (home ? kKxCharLeftArrow : kKxCharRightArrow);
      event.message = KxKeyMessage(to, KxEventKeyCode(event));
      event.modifiers |= kKxEventCommandKey;
      return true;
    }
    if (ch < kKxCharLeftArrow) {
      // Paging only moves, so it works in read-only text like the arrows.
      if (!editable) return ch == kKxCharPageUp || ch == kKxCharPageDown;
      if (ch == kCharFunctionKey) return FunctionKey(event);
    } else {
      // Arrows.
      std::uint8_t code = 0;
      if (option) code |= kCodeOption;
      if (!option && !command) return true;
      if (command) code |= kCodeCommand;
      const std::uint8_t turned = vertical ? TurnVertical(ch) : ch;
      for (std::size_t k = 0; k + 3 < gArrowkeys.size(); k += 4) {
        if (gArrowkeys[k] != turned || gArrowkeys[k + 1] != code) continue;
        std::uint8_t rc = gArrowkeys[k + 2];
        const std::uint8_t rm = gArrowkeys[k + 3];
        if (vertical) {
          if (rc == kKxCharLeftArrow || rc == kKxCharRightArrow) {
            if (rm != 6)
              rc = rc == kKxCharLeftArrow ? kKxCharUpArrow : kKxCharDownArrow;
            else
              rc = rc == kKxCharLeftArrow ? kKxCharRightArrow : kKxCharLeftArrow;
          } else if ((rc == kKxCharUpArrow || rc == kKxCharDownArrow) && rm == 6) {
            rc = rc == kKxCharUpArrow ? kKxCharDownArrow : kKxCharUpArrow;
          }
        }
        Rebuild(event, rc, rm);
        return true;
      }
      event.modifiers &= std::uint16_t(~(kKxEventCommandKey | kKxEventOptionKey));
      return true;
    }
  }
  // Step 6: ordinary characters.
  if (command || !editable) return false;
  if (ch == kKxCharDelete) {
    event.modifiers &= std::uint16_t(~(kKxEventCommandKey | kKxEventOptionKey));
  } else if (ch == kKxCharBackspace) {
    event.modifiers &= std::uint16_t(~(kKxEventCommandKey | kKxEventOptionKey));
    if (event.modifiers & kKxEventShiftKey) {
      event.modifiers &= std::uint16_t(~kKxEventShiftKey);
      event.message = KxKeyMessage(kKxCharDelete, KxEventKeyCode(event));
    }
  }
  return true;
}

bool CKXTextEvent::FunctionKey(const EventRecord& event) {
  const int key = KxFunctionKeyNumber(KxEventKeyCode(event));
  if (key == 0) return false;
  const char mods = KxModifierCode(event.modifiers);
  CKXMacroRecorder& recorder = CKXMacroRecorder::Get();
  if (key <= 12) {
    const int plane = ((event.modifiers & kKxEventShiftKey) ? 1 : 0) + ((event.modifiers & kKxEventOptionKey) ? 2 : 0);
    const std::int16_t command = CKXFunctionKeys::Get().Command(plane, key);
    if (command != 0) {
      if (LCommander* target = LCommander::GetTarget()) {
        Boolean enabled = false, usesMark = false;
        std::uint16_t mark = 0;
        Str255 name{};
        target->FindCommandStatus(command, enabled, usesMark, mark, name);
        if (enabled) {
          target->ObeyCommand(command, nullptr);
          if (recorder.IsRecording()) recorder.AddMacroCommand(command);
        }
      }
      return false;
    }
  }
  recorder.RunFunctionMacro(short(key), mods);
  return false;
}

// Step 7: control keys, one stroke or two. The second stroke of a pair is
// a state the next key event settles, so nothing waits for a key here.
bool CKXTextEvent::ControlKey(EventRecord& event, bool editable, bool vertical) {
  const std::uint8_t ch = KxEventChar(event);
  const std::size_t count = gCtrlkeys.size() / 4;
  if (mPendingLetter) {
    const std::uint8_t first = mPendingLetter;
    mPendingLetter = 0;
    std::uint8_t second = ch;
    if (second < 32) second = std::uint8_t(second + 64);
    else if (second >= 97 && second <= 126) second = std::uint8_t(second - 32);
    if (second >= 0x80 && KxTextCharFirst(second, 1)) mSkipTrail = true;
    for (std::size_t k = mPendingFrom; k < count; ++k) {
      const std::uint8_t* e = &gCtrlkeys[k * 4];
      if (e[0] != first) continue;
      if (e[1] == 0 || e[1] == second) return ControlResult(event, e[2], e[3], editable, vertical);
    }
    Beep();
    return false;
  }
  const std::uint8_t letter = std::uint8_t(ch + 64);
  for (std::size_t k = 0; k < count; ++k) {
    const std::uint8_t* e = &gCtrlkeys[k * 4];
    if (e[0] != letter || letter == 64) continue;
    if (e[1] == 0) return ControlResult(event, e[2], e[3], editable, vertical);
    mPendingLetter = letter;
    mPendingFrom = k;
    return false;
  }
  return false;
}

bool CKXTextEvent::ControlResult(EventRecord& event, std::uint8_t rc, std::uint8_t rm, bool editable,
                                 bool vertical) {
  if (vertical) {
    if ((rc == kKxCharLeftArrow || rc == kKxCharRightArrow) && (rm == 2 || rm == 4))
      rc = rc == kKxCharLeftArrow ? kKxCharUpArrow : kKxCharDownArrow;
    else if ((rc == kKxCharUpArrow || rc == kKxCharDownArrow) && rm == 6)
      rc = rc == kKxCharUpArrow ? kKxCharDownArrow : kKxCharUpArrow;
  }
  Rebuild(event, rc, rm);
  if (editable) return true;
  // Read-only text still moves: arrows, paging, Home and End.
  return IsArrow(rc) || rc == kKxCharPageUp || rc == kKxCharPageDown || rc == kKxCharHome || rc == kKxCharEnd;
}

void CKXTextEvent::InsertString(const char* text, long length, bool asTyped) {
  if (!mEngine) return;
  if (asTyped)
    mEngine->DoString(text, length);
  else
    mEngine->InsertString(text, length);
}

void CKXTextEvent::InsertText(KXTextHandle text) {
  if (mEngine) mEngine->InsertText(text);
}

void CKXTextEvent::KeyInline(KXTextHandle text, const SKXRange& range, const SKXRange& selection,
                             bool startTyping) {
  if (!mEngine) return;
  mEngine->Deactivate();
  mEngine->KeyInline(text, range, selection, startTyping);
  mInline = text != nullptr;
  mEngine->Activate();
}

void CKXTextEvent::FixInline(const char* text, long length, const SKXRange& range, bool keepSelection,
                             const SKXUniChar* uni, long nUni) {
  if (!mEngine) return;
  mEngine->Deactivate();
  if (!keepSelection) mEngine->SetSelectionRange(Rng(range.start, 0), false);
  mEngine->FixInline(text, length, range, uni, nUni);
  mEngine->Activate();
  mInline = false;
}

// ---- links ---------------------------------------------------------------------------------------------------------

bool CKXTextEvent::FindClickURL(SKXRange& range, std::string& url) const {
  if (!mEngine) return false;
  const SKXRange sel = mEngine->GetSelectionRange();
  if (sel.length != 0) return false;
  const long length = mEngine->GetTotalRange().length;
  const long caret = sel.start;
  // Link characters: single bytes from "!" on (no space, control or
  // double-byte character). A link is short; the run is bounded so a click
  // in a huge run of them stays cheap.
  constexpr long kMaxRun = 4096;
  auto linkChar = [&](long at) {
    if (at < 0 || at >= length || mEngine->ThisCharSize(at) != 1) return false;
    const std::uint16_t c = mEngine->GetChar(at);
    return c >= 33 && c <= 255 && c != 127;
  };
  long from = caret, to = caret;
  while (from > 0 && caret - from < kMaxRun && mEngine->PrevCharSize(from) == 1 && linkChar(from - 1)) --from;
  while (to < length && to - caret < kMaxRun && linkChar(to)) ++to;
  if (!(from < caret && caret < to)) return false;
  std::string run(std::size_t(to - from), '\0');
  mEngine->TextGetThruPtr(Rng(from, to - from), run.data(), long(run.size()));
  if (run.find('.') == std::string::npos) return false;
  std::string link;
  if (KxIsOpenableURL(run)) {
    link = run;
  } else {
    const auto at = run.find('@');
    if (at != std::string::npos && run.find('@', at + 1) == std::string::npos &&
        run.find(':') == std::string::npos)
      link = "mailto:" + run;
  }
  if (link.empty() || !KxIsOpenableURL(link)) return false;
  url = link;
  range = Rng(from, to - from);
  return true;
}

bool CKXTextEvent::DoClickURL(std::uint16_t modifiers) {
  SKXRange range{};
  std::string url;
  if (!FindClickURL(range, url)) return false;
  const bool open = (modifiers & kKxEventOptionKey) == 0;
  const bool opened = open && KxOpenURL(url);
  mEngine->SetSelectionRange(range, false);
  if (opened) {
    // A flash: the link is seen to have been taken.
    mEngine->Deactivate();
    mEngine->Activate();
  }
  return open ? opened : true;
}
