// kxapp: the real program (its application object, documents, dialogs and
// tool windows, through the same hooks as kxtext) on a host, driven by a
// script.
//
//   kxapp [--prefs DIR] [--gtk] [--clock T] SCRIPT   run the steps of SCRIPT (- for stdin)
//   kxapp [--prefs DIR] --menus          print the menu bar
//
// Steps, one a line (# starts a comment):
//   open FILE...          an open-documents event
//   type TEXT             types TEXT (UTF-8, the rest of the line) key by key
//   key NAME [MODS]       one key: a character, left right up down home end
//                         pageup pagedown backspace delete return enter tab
//                         escape menu f1..f15; MODS joins cmd, option,
//                         shift, control with +
//   menu N [MODS]         command N through the target chain, MODS held
//   status N              ENABLED MARK NAME of command N through the chain
//   select FROM TO        byte offsets in the front document
//   answer save|dont-save|cancel|ok|PATH   for the next dialog or file chooser
//                         (with --gtk: for the one shown now)
//   answer colour R G B   for the next colour chooser (0-65535 each)
//   clipboard TEXT        TEXT on the clipboard as another program's copy
//   idle N                N idle turns on the virtual clock
//   click ID [X Y] [MODS] press and release in pane ID (its centre by default)
//   drag ID X1 Y1 X2 Y2   press, moves of at most 4 px a tick, release (all
//                         queued at once; with --gtk one part a turn)
//   field ID TEXT         the edit field becomes the target, all its text
//                         selected, and TEXT is typed over it
//   field-file ID PATH    the same with the contents of PATH, each line end
//                         typed as Return (which a one-line field passes on)
//   choose ID N...        pop-up item, check/radio value, N-th radio of a
//                         group, exactly these list rows (from 1; 0: none)
//   open ID               a double click on the first selected row of list ID
//                         (one number that some window holds as a pane;
//                         anything else is a file)
//   print frames ID       `ID CLASS SHOWN L T R B` per pane of the window holding ID
//   print menus|windows|alerts|text|window ID|items ID|cells ID|selection|
//         styles|decos|paras|ruby|marks|markup|beeps|clipboard|prefs
//                         (window: "window TITLE", then "ID KIND ENABLED
//                         SHOWN VALUE TEXT" per pane with an ID, or "none";
//                         the run lists exactly as kxedit prints them)
//   shot ID PNG           the window holding pane ID as a PNG
//   layout ID             window layout ID of resources/ as a modal dialog
//                         in the program's dialog loop, until OK or Cancel
//                         (or a script that ends inside it); prints
//                         "message N" for each other message the loop hears,
//                         then "layout ID MESSAGE" (for dialogs that no
//                         command opens yet)
//   pagesetup W H [MARGIN] [landscape]
//                         the next page-setup dialog's answer: paper W x H
//                         points, MARGIN unprintable on every side (18),
//                         turned with landscape
//   print page            "paper W H hard T L B R margins T L B R pages N"
//                         of the front document
//   clock T, wait N, background on|off, print colours: the clock and the
//                         colour schedule (kxapp_schedule.h)
//   folder ID PATH        the file tool whose folder list is pane ID goes
//                         to the folder PATH as a user would (kxapp_tools.h)
//   print preview ID      the preview pane's type, size and text
//   print marklist|floats the mark list's rows and buttons, the floating
//                         windows (kxapp_marks.h)
//   keys MODS|none        the modifiers the keyboard reports as held; print
//                         fkeys|toolprefs, option --screen W,H (kxapp_fkeys.h)
//   quit                  the quit command; the script ends when it quits
//
// Steps run inside the program's loops: the host asks the script for its
// next step whenever it has no event to hand out, so a step that opens a
// modal dialog is followed by steps that run inside the dialog's loop, and a
// script that ends there ends the dialog cancelled. Pane steps act on the
// frontmost window that holds the pane; none holds it: exit 1 "no pane ID".
// With --gtk the windows are real and, after the script, the program runs
// until it quits.
//
// Adding a step: write an `int Name(Step&)` member of Runner (0 done, 1 bad
// input through Bad(), 2 unsupported through Unsupported()) and add a row to
// Runner::Steps() below; a new `print WHAT` is a row of Runner::Prints().
// Each step posts its input and returns: the loop that waits handles the
// input before the next step runs.
#include <cairo.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/application.h"
#include "driver.h"
#include "driver_keys.h"
#include "driver_menus.h"
#include "driver_panes.h"
#include "driver_runs.h"
#include "driver_text.h"
#include "kxapp_frames.h"
#include "kxapp_fkeys.h"
#include "kxapp_marks.h"
#include "kxapp_prefs.h"
#include "kxapp_macros.h"
#include "kxapp_print.h"
#include "kxapp_schedule.h"
#include "kxapp_tools.h"
#include "engine/text_engine.h"
#include "macros/facilities.h"
#include "macros/program_hooks.h"
#include "platform/ae/ae_codes.h"
#include "platform/ae/required_events.h"
#include "platform/draw/port.h"
#include "platform/files.h"
#include "platform/framework/control.h"
#include "platform/framework/dialog.h"
#include "platform/framework/edit_field.h"
#include "platform/framework/layout.h"
#include "platform/framework/list_box.h"
#include "platform/gtk/gtk_host.h"
#include "platform/host/headless.h"
#include "platform/keys.h"
#include "platform/resources.h"
#include "platform/textconv.h"
#include "platform/toolbox/keytable.h"
#include "views/controls.h"
#include "views/dialog_box.h"

namespace {

std::string Utf8(const std::string& sjis) { return KxScriptTextToUTF8(sjis); }
std::string Utf8(const unsigned char* pstring) {
  return Utf8(std::string(reinterpret_cast<const char*>(pstring + 1), pstring[0]));
}

const char* AlertKindName(KxAlertKind k) {
  return k == KxAlertKind::kStop ? "stop" : k == KxAlertKind::kCaution ? "caution" : "note";
}

// ---- words of a step -----------------------------------------------------------------

constexpr std::uint8_t kFunctionCodes[15] = {kKxKeyF1,  kKxKeyF2,  kKxKeyF3,  kKxKeyF4,  kKxKeyF5,
                                             kKxKeyF6,  kKxKeyF7,  kKxKeyF8,  kKxKeyF9,  kKxKeyF10,
                                             kKxKeyF11, kKxKeyF12, kKxKeyF13, kKxKeyF14, kKxKeyF15};
constexpr unsigned kFirstFunctionSym = 0xFFBE;

// The modifier keys' virtual key codes, for the keyboard state that a
// command sees while it runs (`menu N MODS`).
constexpr int kKeyCodeCommand = 0x37, kKeyCodeShift = 0x38, kKeyCodeOption = 0x3A, kKeyCodeControl = 0x3B;

bool ParseMods(const std::string& word, std::uint16_t& mods) {
  mods = 0;
  std::stringstream in(word);
  for (std::string m; std::getline(in, m, '+');) {
    if (m == "cmd") mods |= kKxEventCommandKey;
    else if (m == "shift") mods |= kKxEventShiftKey;
    else if (m == "option") mods |= kKxEventOptionKey;
    else if (m == "control") mods |= kKxEventControlKey;
    else return false;
  }
  return !word.empty();
}

bool ParseCount(const std::string& s, long& out) {
  char* end = nullptr;
  out = std::strtol(s.c_str(), &end, 10);
  return !s.empty() && *end == 0;
}

// UTF-8 as the text's Shift_JIS bytes; false when it does not convert.
bool ToScript(const std::string& utf8, std::string& sjis) {
  std::vector<SKXUniChar> sides;
  const auto units = kxdriver::Units(kKxCodeUTF8, reinterpret_cast<const unsigned char*>(utf8.data()), long(utf8.size()));
  return kxdriver::FromUnits(units, sjis, sides);
}

// ---- the script ----------------------------------------------------------------------

struct Step {
  int line = 0;
  std::string verb;
  std::string rest;                 // the line after the verb and one space
  std::vector<std::string> args;    // the words after the verb
};

class Runner;
using StepFn = int (Runner::*)(Step&);
struct StepRow {
  const char* verb;
  StepFn run;
};

class Runner {
 public:
  Runner(CKXTextApp& app, KxHeadlessHost* headless, KxGtkHost* gtk, std::vector<std::string> lines)
      : mApp(app), mHeadless(headless), mGtk(gtk), mLines(std::move(lines)) {}

  KxHost& Host() { return mHeadless ? static_cast<KxHost&>(*mHeadless) : static_cast<KxHost&>(*mGtk); }
  int Status() const { return mStatus; }

  // The host's source of input: one step a call.
  KxHost::ScriptTurn Feed() {
    if (mStatus != 0 || mApp.IsQuitting()) return KxHost::ScriptTurn::kEnded;
    if (!mDeferred.empty() && mIdleOwed == 0) {
      const std::function<void()> part = std::move(mDeferred.front());
      mDeferred.pop_front();
      part();
      mIdleOwed = std::max(mIdleOwed, 1L);   // time passes between the parts
      return KxHost::ScriptTurn::kStep;
    }
    if (mWaiting && !WaitOver()) return KxHost::ScriptTurn::kIdle;
    if (mIdleOwed > 0) {
      --mIdleOwed;
      return KxHost::ScriptTurn::kIdle;
    }
    while (mNext < mLines.size()) {
      std::string line = mLines[mNext++];
      if (!line.empty() && line.back() == '\r') line.pop_back();
      const std::size_t start = StepStart(line);
      if (start == std::string::npos) continue;
      // Steps inside this one (a dialog's loop) may have failed first.
      const int status = Run(line.substr(start), int(mNext));
      if (mStatus == 0) mStatus = status;
      return KxHost::ScriptTurn::kStep;
    }
    return KxHost::ScriptTurn::kEnded;
  }

  // Runs the application's loop until the script has ended and every loop
  // inside it has unwound.
  void RunScript() {
    Host().SetScriptFeeder([this] { return Feed(); });
    while (!Host().ScriptEnded() && !mApp.IsQuitting()) mApp.ProcessNextEvent();
    // The program quits when its last window closes, as on the desktop:
    // say so rather than pass over the steps left without a word.
    if (mStatus == 0 && mApp.IsQuitting() && HasStepsLeft())
      std::fprintf(stderr, "kxapp: the program quit after line %zu (its last window closed, or quit); the steps after it did not run\n",
                   mNext);
  }

  bool HasStepsLeft() const {
    for (std::size_t k = mNext; k < mLines.size(); ++k)
      if (StepStart(mLines[k]) != std::string::npos) return true;
    return false;
  }

  // Where a line's step starts; npos for a blank line or a comment.
  static std::size_t StepStart(const std::string& line) {
    const std::size_t start = line.find_first_not_of(" \t\r");
    return start == std::string::npos || line[start] == '#' ? std::string::npos : start;
  }

 private:
  int Run(const std::string& line, int lineNo) {
    Step step;
    step.line = lineNo;
    std::istringstream in(line);
    in >> step.verb;
    step.rest = line.size() > step.verb.size() + 1 ? line.substr(step.verb.size() + 1) : std::string();
    for (std::string a; in >> a;) step.args.push_back(a);
    for (const StepRow& row : Steps())
      if (step.verb == row.verb) return (this->*row.run)(step);
    return Bad(step, "unknown step " + step.verb);
  }

  // The tables below the class: steps, and the words of `print`.
  static const std::vector<StepRow>& Steps();
  static const std::vector<StepRow>& Prints();

  // ---- documents, keys and commands ----

  int Open(Step& s) {
    if (s.args.empty()) return Bad(s, "open FILE...");
    // `open ID`: a number that some window holds as a pane is a list's.
    long id = 0;
    if (s.args.size() == 1 && ParseCount(s.args[0], id) && FindPane(id).pane) return OpenRow(s);
    std::vector<std::string> paths;
    for (const std::string& a : s.args) {
      std::error_code ec;
      paths.push_back(std::filesystem::absolute(a, ec).lexically_normal().string());
    }
    mApp.HandleAppleEvent(AEMakeOpenDocuments(paths));
    return 0;
  }

  int Type(Step& s) {
    std::string sjis;
    if (!ToScript(s.rest, sjis)) return Bad(s, "text does not convert");
    PostText(s.rest, sjis);
    return 0;
  }

  int KeyStep(Step& s) {
    if (s.args.empty() || s.args.size() > 2) return Bad(s, "key NAME [MODS]");
    std::uint16_t mods = 0;
    if (s.args.size() == 2 && !ParseMods(s.args[1], mods)) return Bad(s, "unknown modifiers " + s.args[1]);
    if (!Key(s.args[0], mods)) return Bad(s, "unknown key " + s.args[0]);
    return 0;
  }

  // An alert is up: it goes unanswered (true), so that the step can run
  // again after it, outside the code that showed it.
  bool DismissAlert() {
    if (mHeadless && mHeadless->AlertUp()) {
      mHeadless->DismissAlert();
      return true;
    }
    if (mGtk && mGtk->AlertShown()) {
      KxDialogReply cancel;
      cancel.answer = KxAnswer::kCancel;
      return mGtk->AnswerShownDialog(cancel);
    }
    return false;
  }

  int Menu(Step& s) {
    long n = 0;
    std::uint16_t mods = 0;
    if (s.args.empty() || s.args.size() > 2 || !ParseCount(s.args[0], n) ||
        (s.args.size() == 2 && !ParseMods(s.args[1], mods)))
      return Bad(s, "menu N [MODS]");
    LCommander* target = LCommander::GetTarget();
    Boolean enabled = false, usesMark = false;
    std::uint16_t mark = 0;
    Str255 name = {0};
    if (target) target->ProcessCommandStatus(CommandT(n), enabled, usesMark, mark, name);
    // Behind an alert the menus cannot be reached, as on the desktop: a
    // command run inside the alert would run under the code that showed it
    // (a save closing its own document). The alert goes unanswered first,
    // and the step runs again after it.
    if (DismissAlert()) {
      --mNext;
      return 0;
    }
    if (!enabled) {
      std::fprintf(stderr, "kxapp: line %d: command %ld is disabled\n", s.line, n);
      return 0;
    }
    // The keyboard as the command sees it: exactly MODS held.
    KxKeyState held;
    if (s.args.size() == 2) {
      if (mods & kKxEventCommandKey) held.SetKey(kKeyCodeCommand, true);
      if (mods & kKxEventShiftKey) held.SetKey(kKeyCodeShift, true);
      if (mods & kKxEventOptionKey) held.SetKey(kKeyCodeOption, true);
      if (mods & kKxEventControlKey) held.SetKey(kKeyCodeControl, true);
    }
    KxKeySource* before = &KxCurrentKeySource();
    if (s.args.size() == 2) KxSetKeySource(&held);
    LCommander::sUpdateCommandStatus = true;
    target->ProcessCommand(CommandT(n));
    if (s.args.size() == 2) KxSetKeySource(before == &KxHostKeyState() ? nullptr : before);
    return 0;
  }

  int StatusStep(Step& s) {
    long n = 0;
    if (s.args.size() != 1 || !ParseCount(s.args[0], n)) return Bad(s, "status N");
    Boolean enabled = false, usesMark = false;
    std::uint16_t mark = 0;
    Str255 name = {0};
    if (LCommander* target = LCommander::GetTarget())
      target->ProcessCommandStatus(CommandT(n), enabled, usesMark, mark, name);
    std::printf("%d %u %s\n", enabled ? 1 : 0, usesMark ? unsigned(mark) : 0u, Utf8(name).c_str());
    return 0;
  }

  int Select(Step& s) {
    long a = 0, b = 0;
    if (s.args.size() != 2 || !ParseCount(s.args[0], a) || !ParseCount(s.args[1], b)) return Bad(s, "select FROM TO");
    CKXTextDocument* doc = FrontDocument();
    if (!doc) return Bad(s, "no document");
    const long length = KXHandleAccess::Edit(doc->GetEngine()->GetEdit())->GetLength();
    if (a < 0 || b < 0 || a > length || b > length)
      return Bad(s, "offset outside the text (length " + std::to_string(length) + ")");
    const long from = std::min(a, b);
    doc->GetEngine()->DoSelection(SKXRange{std::int32_t(from), std::int32_t(std::max(a, b) - from)}, a > b);
    return 0;
  }

  int Answer(Step& s) {
    if (s.args.empty()) return Bad(s, "answer save|dont-save|cancel|ok|colour R G B|PATH");
    const std::string& a = s.args[0];
    if (a == "colour" && s.args.size() == 4) {
      long c[3] = {};
      for (int i = 0; i < 3; ++i)
        if (!ParseCount(s.args[std::size_t(i + 1)], c[i]) || c[i] < 0 || c[i] > 65535)
          return Bad(s, "answer colour R G B (0-65535)");
      const RGBColor colour{std::uint16_t(c[0]), std::uint16_t(c[1]), std::uint16_t(c[2])};
      // On the desktop the chooser shows and is answered as a user would.
      if (mGtk) mGtk->AnswerNextColourChooser(&colour);
      else mHeadless->QueueColourAnswer(colour);
      return 0;
    }
    if (mGtk) return AnswerShown(s);
    if (s.args.size() != 1) {
      if (a == "colour") return Bad(s, "answer colour R G B (0-65535)");
      std::error_code ec;
      mHeadless->QueueAnswer(KxAnswer::kOK, std::filesystem::absolute(s.rest, ec).string());
    } else if (a == "save") {
      mHeadless->QueueAnswer(KxAnswer::kSave);
    } else if (a == "dont-save") {
      mHeadless->QueueAnswer(KxAnswer::kDontSave);
    } else if (a == "cancel") {
      mHeadless->QueueAnswer(KxAnswer::kCancel);
    } else if (a == "ok") {
      mHeadless->QueueAnswer(KxAnswer::kOK);
    } else {
      std::error_code ec;
      mHeadless->QueueAnswer(KxAnswer::kOK, std::filesystem::absolute(s.rest, ec).string());
    }
    return 0;
  }

  // On the desktop: the question or file chooser shown now is answered as
  // the user would answer it (the script runs inside its loop).
  int AnswerShown(Step& s) {
    KxGtkHost::ShownDialog shown;
    if (mGtk->GetShownDialog(shown)) mGtk->WaitDialogShown();
    KxDialogReply reply;
    reply.filter = -1;   // as the chooser shows it
    const std::string& a = s.args[0];
    if (s.args.size() == 1 && a == "save") reply.answer = KxAnswer::kSave;
    else if (s.args.size() == 1 && a == "dont-save") reply.answer = KxAnswer::kDontSave;
    else if (s.args.size() == 1 && a == "cancel") reply.answer = KxAnswer::kCancel;
    else if (s.args.size() == 1 && a == "ok") reply.answer = KxAnswer::kOK;
    else {
      std::error_code ec;
      reply.answer = KxAnswer::kOK;
      reply.paths.push_back(std::filesystem::absolute(s.rest, ec).string());
    }
    if (!mGtk->AnswerShownDialog(reply)) return Unsupported(s, "answer on the desktop needs a dialog shown");
    return 0;
  }

  int Clipboard(Step& s) {
    // As another program's copy: Unicode text only (UTF-16, host order as
    // the clipboard keeps it), CR for each line end.
    const auto units = kxdriver::Units(kKxCodeUTF8, reinterpret_cast<const unsigned char*>(s.rest.data()),
                                       long(s.rest.size()));
    std::vector<std::uint8_t> bytes;
    for (char16_t u : units) {
      if (u == u'\n') u = u'\r';
      bytes.push_back(std::uint8_t(u & 0xFF));
      bytes.push_back(std::uint8_t(u >> 8));
    }
    Host().ClearClipboard();
    Host().PutClipboard(FourCC("utxt"), bytes.data(), bytes.size());
    return 0;
  }

  int Idle(Step& s) {
    long n = 0;
    if (s.args.size() != 1 || !ParseCount(s.args[0], n) || n < 0 || n > 1000000) return Bad(s, "idle N");
    mIdleOwed = n;
    return 0;
  }

  int Quit(Step& s) {
    if (!s.args.empty()) return Bad(s, "quit takes no arguments");
    // Quit is a menu command: behind an alert it cannot be reached either,
    // and run inside one it closed the document that showed it (see Menu),
    // in the headless host and on the desktop alike.
    if (DismissAlert()) {
      --mNext;
      return 0;
    }
    mApp.DoQuit(kAEAsk);
    return 0;
  }

  // ---- panes ----

  struct Found {
    LWindow* window = nullptr;
    LPane* pane = nullptr;
  };
  // The frontmost window holding pane `id` (a modal dialog is in front).
  Found FindPane(long id) {
    if (id <= 0 || id > 0x7FFFFFFF) return {};
    // Floating windows hold panes too (after the documents and dialogs).
    std::vector<KxWindowID> windows = Host().WindowList();
    for (KxWindowID w : Host().FloatingWindowList()) windows.push_back(w);
    for (KxWindowID w : windows) {
      auto* window = dynamic_cast<LWindow*>(Host().GetWindowClient(w));
      if (!window) continue;
      if (LPane* p = window->FindPaneByID(PaneIDT(id))) return {window, p};
    }
    return {};
  }
  // Parses the ID word of a pane step; on failure the step has failed.
  bool PaneArg(Step& s, const std::string& word, Found& found) {
    long id = 0;
    if (!ParseCount(word, id)) {
      Bad(s, "pane ID expected, not " + word);
      return false;
    }
    found = FindPane(id);
    if (!found.pane) {
      Bad(s, "no pane " + word);
      return false;
    }
    return true;
  }

  // A point of a pane (its local coordinates) in the window's content.
  static Point ContentPoint(const LPane& pane, long x, long y) {
    const RectL frame = pane.CalcPortFrameRect();
    return Point{std::int16_t(std::clamp<long>(frame.top + y, -32768, 32767)),
                 std::int16_t(std::clamp<long>(frame.left + x, -32768, 32767))};
  }
  static Point PaneCentre(const LPane& pane) {
    const RectL frame = pane.CalcPortFrameRect();
    return Point{std::int16_t((frame.top + frame.bottom) / 2), std::int16_t((frame.left + frame.right) / 2)};
  }
  static Point Global(const LWindow& window, Point content) {
    const Rect b = window.GetGlobalBounds();
    return Point{std::int16_t(b.top + content.v), std::int16_t(b.left + content.h)};
  }

  // A press and a release; a fresh click (not the second of a double
  // click) unless `again`.
  // The pane under the mouse follows it in idle time, so an idle turn
  // follows the input as it would on the screen.
  void PostClick(const LWindow& window, Point content, std::uint16_t mods, bool again) {
    mIdleOwed = std::max(mIdleOwed, 1L);
    if (mHeadless) {
      if (!again) mHeadless->Clock().Advance(kKxDoubleClickTicks + 1);
      const Point at = Global(window, content);
      mHeadless->PostMouse(true, at, mods);
      mHeadless->PostMouse(false, at, mods);
    } else {
      mClickTime += again ? kDoubleClickGapMs : kClickSpacingMs;
      mGtk->SynthesizeButton(window.GetHostWindow(), content, true, mClickTime, 1, mods);
      mGtk->SynthesizeButton(window.GetHostWindow(), content, false, mClickTime + kPressMs, 1, mods);
    }
  }

  int Click(Step& s) {
    if (s.args.empty() || s.args.size() > 4 || s.args.size() == 2) return Bad(s, "click ID [X Y] [MODS]");
    Found f;
    if (!PaneArg(s, s.args[0], f)) return 1;
    long x = 0, y = 0;
    std::uint16_t mods = 0;
    std::size_t modsAt = 1;
    if (s.args.size() >= 3) {
      if (!ParseCount(s.args[1], x) || !ParseCount(s.args[2], y)) return Bad(s, "click ID [X Y] [MODS]");
      modsAt = 3;
    }
    if (s.args.size() > modsAt && !ParseMods(s.args[modsAt], mods)) return Bad(s, "unknown modifiers " + s.args[modsAt]);
    const Point at = s.args.size() >= 3 ? ContentPoint(*f.pane, x, y) : PaneCentre(*f.pane);
    PostClick(*f.window, at, mods, false);
    return 0;
  }

  int Drag(Step& s) {
    long v[4] = {};
    if (s.args.size() != 5) return Bad(s, "drag ID X1 Y1 X2 Y2");
    for (int i = 0; i < 4; ++i)
      if (!ParseCount(s.args[std::size_t(i + 1)], v[i])) return Bad(s, "drag ID X1 Y1 X2 Y2");
    Found f;
    if (!PaneArg(s, s.args[0], f)) return 1;
    const Point from = ContentPoint(*f.pane, v[0], v[1]), to = ContentPoint(*f.pane, v[2], v[3]);
    if (mGtk) return DesktopDrag(*f.window, from, to);
    mHeadless->Clock().Advance(kKxDoubleClickTicks + 1);
    mHeadless->PostMouse(true, Global(*f.window, from));
    // Moves of at most kDragStep pixels each way, one tick apart.
    const long dh = long(to.h) - from.h, dv = long(to.v) - from.v;
    const long steps = std::max<long>(1, (std::max(std::labs(dh), std::labs(dv)) + kDragStep - 1) / kDragStep);
    for (long k = 1; k <= steps; ++k) {
      const Point p{std::int16_t(from.v + dv * k / steps), std::int16_t(from.h + dh * k / steps)};
      mHeadless->PostMouseMove(Global(*f.window, p));
    }
    mHeadless->PostMouse(false, Global(*f.window, to));
    mIdleOwed = std::max(mIdleOwed, 1L);
    return 0;
  }

  // On the desktop the toolkit hands a press and the moves after it over at
  // once, so the drag is given in parts, one a turn of the loop, so that
  // the pane tracking the mouse sees each point as a person's drag shows it.
  int DesktopDrag(const LWindow& window, Point from, Point to) {
    const KxWindowID w = window.GetHostWindow();
    mClickTime += kClickSpacingMs;
    const std::uint32_t at = mClickTime;
    mDeferred.push_back([this, w, from, at] { mGtk->SynthesizeButton(w, from, true, at); });
    const long dh = long(to.h) - from.h, dv = long(to.v) - from.v;
    const long steps = std::max<long>(1, (std::max(std::labs(dh), std::labs(dv)) + kDragStep - 1) / kDragStep);
    for (long k = 1; k <= steps; ++k) {
      const Point p{std::int16_t(from.v + dv * k / steps), std::int16_t(from.h + dh * k / steps)};
      mDeferred.push_back([this, w, p] { mGtk->SynthesizeMotion(w, p, true); });
    }
    mDeferred.push_back([this, w, to, at] { mGtk->SynthesizeButton(w, to, false, at + kPressMs); });
    return 0;
  }

  // The field becomes the target with all its text selected, and the
  // bytes are typed over it.
  int TypeIntoField(Step& s, const std::string& utf8, const std::string& sjis) {
    Found f;
    if (!PaneArg(s, s.args[0], f)) return 1;
    auto* field = dynamic_cast<LEditField*>(f.pane);
    if (!field) return Bad(s, "pane " + s.args[0] + " is no edit field");
    if (!field->IsVisible() || !field->IsEnabled()) return 0;   // as on the screen: it takes nothing
    LCommander::SwitchTarget(field);
    field->SelectAll();
    if (sjis.empty()) {
      PostKey(8, kKxKeyBackspace, 0xFF08, 0);
    } else {
      PostText(utf8, sjis);
    }
    return 0;
  }

  int Field(Step& s) {
    if (s.args.empty()) return Bad(s, "field ID TEXT");
    const std::size_t at = s.rest.find(s.args[0]) + s.args[0].size();
    const std::string text = at < s.rest.size() ? s.rest.substr(at + 1) : std::string();
    std::string sjis;
    if (!ToScript(text, sjis)) return Bad(s, "text does not convert");
    return TypeIntoField(s, text, sjis);
  }

  int FieldFile(Step& s) {
    if (s.args.size() < 2) return Bad(s, "field-file ID PATH");
    const std::size_t at = s.rest.find(s.args[0]) + s.args[0].size();
    const std::string path = s.rest.substr(at + 1);
    std::vector<std::uint8_t> raw;
    if (KxReadFile(path, raw) != 0) return Bad(s, "cannot read " + path);
    const std::string utf8 = KxDriverLinesToCR(raw);
    std::string sjis;
    if (!ToScript(utf8, sjis)) return Bad(s, "text of " + path + " does not convert");
    return TypeIntoField(s, utf8, sjis);
  }

  int Choose(Step& s) {
    if (s.args.empty()) return Bad(s, "choose ID N...");
    std::vector<long> values;
    for (std::size_t i = 1; i < s.args.size(); ++i) {
      long n = 0;
      if (!ParseCount(s.args[i], n) || n < 0) return Bad(s, "choose ID N...");
      values.push_back(n);
    }
    Found f;
    if (!PaneArg(s, s.args[0], f)) return 1;
    // As on the screen, a hidden or disabled pane takes nothing (a radio
    // group is never seen itself: its buttons are).
    if (!dynamic_cast<LRadioGroup*>(f.pane) && (!f.pane->IsVisible() || !f.pane->IsEnabled())) return 0;
    if (auto* list = dynamic_cast<LListBox*>(f.pane)) {
      std::vector<std::int32_t> rows;
      for (long n : values) {
        if (n == 0) continue;
        if (n > list->CountRows()) return Bad(s, "list " + s.args[0] + " has no row " + std::to_string(n));
        rows.push_back(std::int32_t(n - 1));
      }
      LCommander::SwitchTarget(list);
      if (auto* kx = dynamic_cast<KXListBox*>(list)) kx->ChooseRows(rows);
      else list->SetSelectedRows(rows);
      return 0;
    }
    if (values.size() != 1) return Bad(s, "choose ID N");
    if (auto* group = dynamic_cast<LRadioGroup*>(f.pane)) {
      const auto& radios = group->GetRadios();
      if (values[0] < 1 || std::size_t(values[0]) > radios.size())
        return Bad(s, "radio group " + s.args[0] + " has no button " + std::to_string(values[0]));
      LStdRadioButton* radio = radios[std::size_t(values[0] - 1)];
      if (radio->IsVisible() && radio->IsEnabled()) radio->SetValue(1);
      return 0;
    }
    if (auto* popup = dynamic_cast<LStdPopupMenu*>(f.pane)) {
      if (values[0] < 1 || std::size_t(values[0]) > popup->GetItems().size())
        return Bad(s, "pop-up " + s.args[0] + " has no item " + std::to_string(values[0]));
      if (kxdriver::IsSeparatorItem(popup->GetItems()[std::size_t(values[0] - 1)]))
        return Bad(s, "item " + std::to_string(values[0]) + " of pop-up " + s.args[0] + " is a separator");
      popup->SetValue(std::int32_t(values[0]));
      return 0;
    }
    if (auto* control = dynamic_cast<LControl*>(f.pane)) {
      if (values[0] < control->GetMinValue() || values[0] > control->GetMaxValue())
        return Bad(s, "value " + std::to_string(values[0]) + " outside pane " + s.args[0] + "'s range");
      control->SetValue(std::int32_t(values[0]));
      return 0;
    }
    return Bad(s, "pane " + s.args[0] + " takes no choice");
  }

  int OpenRow(Step& s) {
    if (s.args.size() != 1) return Bad(s, "open ID");
    Found f;
    if (!PaneArg(s, s.args[0], f)) return 1;
    auto* list = dynamic_cast<LListBox*>(f.pane);
    if (!list) return Bad(s, "pane " + s.args[0] + " is no list");
    const std::vector<std::int32_t> rows = list->GetSelectedRows();
    if (rows.empty()) return Bad(s, "list " + s.args[0] + " has no selected row");
    list->ScrollToRow(rows.front());
    // The row's middle: the first local line that shows it, and the last.
    RectL frame;
    if (!list->CalcLocalFrameRect(frame)) return Bad(s, "list " + s.args[0] + " does not show");
    long first = -1, last = -1;
    for (std::int32_t v = frame.top; v < frame.bottom; ++v)
      if (list->RowAt(SPoint32{frame.left + 2, v}) == rows.front()) {
        if (first < 0) first = v;
        last = v;
      }
    if (first < 0) return Bad(s, "row of list " + s.args[0] + " does not show");
    SPoint32 local{frame.left + 2, std::int32_t((first + last) / 2)};
    list->LocalToPortPoint(local);
    const Point at{std::int16_t(local.v), std::int16_t(local.h)};
    PostClick(*f.window, at, 0, false);
    PostClick(*f.window, at, 0, true);
    return 0;
  }

  int Layout(Step& s) {
    long id = 0;
    if (s.args.size() != 1 || !ParseCount(s.args[0], id) || id <= 0 || id > 32767) return Bad(s, "layout ID");
    if (!KxLayout(ResIDT(id)).Exists()) return Bad(s, "no layout " + s.args[0]);
    MessageT message = msg_Nothing;
    {
      KXModalDialog handler(ResIDT(id), &mApp);
      if (auto* dialog = dynamic_cast<KXDialogBox*>(handler.GetDialog())) dialog->UndoSupport();
      handler.GetDialog()->Select();
      while (message != msg_OK && message != msg_Cancel) {
        message = handler.DoDialog();
        if (message != msg_Nothing && message != msg_OK && message != msg_Cancel)
          std::printf("message %ld\n", long(message));
      }
    }
    std::printf("layout %ld %ld\n", id, long(message));
    return 0;
  }

  int Shot(Step& s) {
    if (s.args.size() != 2) return Bad(s, "shot ID PNG");
    Found f;
    if (!PaneArg(s, s.args[0], f)) return 1;
    std::unique_ptr<KxPort> shot;
    KxPort* port = nullptr;
    if (mGtk) {
      shot = mGtk->Screenshot(f.window->GetHostWindow());
      if (!shot) return Bad(s, "the window is not on the screen");
      port = shot.get();
    } else {
      f.window->UpdatePort();
      port = f.window->HostPort();
    }
    if (!port || cairo_surface_write_to_png(port->Surface(), s.args[1].c_str()) != CAIRO_STATUS_SUCCESS)
      return Bad(s, "cannot write " + s.args[1]);
    return 0;
  }

  // ---- printing ----

  int Print(Step& s) {
    if (s.args.empty()) return Bad(s, "print WHAT");
    mApp.UpdateMenus();
    for (const StepRow& row : Prints())
      if (s.args[0] == row.verb) return (this->*row.run)(s);
    static const char* const kRunLists[] = {"selection", "styles", "decos", "paras", "ruby", "marks"};
    if (s.args.size() == 1 && std::find(std::begin(kRunLists), std::end(kRunLists), s.args[0]) != std::end(kRunLists)) {
      CKXTextDocument* doc = FrontDocument();
      if (!doc) return Bad(s, "print " + s.args[0] + ": no document");
      kxdriver::PrintRunList(doc->GetEngine()->GetEdit(), s.args[0]);
      return 0;
    }
    return Bad(s, "unknown print " + s.args[0]);
  }

  int PrintMenusStep(Step&) {
    kxdriver::PrintMenus();
    return 0;
  }

  int PrintWindows(Step&) {
    for (KxWindowID w : Host().WindowList()) {
      auto* window = dynamic_cast<LWindow*>(Host().GetWindowClient(w));
      if (!window) continue;
      Str255 title;
      window->GetDescriptor(title);
      bool modified = false;
      for (CKXTextDocument* d : KxTextDocHooks::All())
        if (d->GetWindow() == window) modified = d->LDocument::IsModified();
      const std::string& shown = window->GetUnicodeTitle();
      std::printf("%s%s\n", shown.empty() ? Utf8(title).c_str() : shown.c_str(), modified ? " (modified)" : "");
    }
    return 0;
  }

  int PrintAlerts(Step&) {
    if (mHeadless)
      for (const auto& a : mHeadless->Alerts()) std::printf("%s: %s\n", AlertKindName(a.kind), a.text.c_str());
    return 0;
  }

  int PrintText(Step&) {
    CKXTextDocument* doc = FrontDocument();
    std::string text;
    if (doc) {
      // The characters kept beside their placeholders as themselves.
      CKXTextEngine& e = *doc->GetEngine();
      const SKXRange all = e.GetTotalRange();
      std::string bytes(std::size_t(all.length), '\0');
      e.TextGetThruPtr(all, bytes.data(), all.length);
      std::vector<SKXUniChar> sides(std::size_t(std::max(0L, e.GetUniCharsCount(all))), SKXUniChar{});
      sides.resize(std::size_t(std::max(0L, e.GetUniChars(all, sides.data(), long(sides.size())))));
      text = kxdriver::TextToUTF8(bytes, sides, kxdriver::ScriptRuns(e.GetEdit()));
    }
    std::printf("%s\n", text.c_str());
    return 0;
  }

  int PrintWindow(Step& s) {
    if (s.args.size() != 2) return Bad(s, "print window ID");
    long id = 0;
    if (!ParseCount(s.args[1], id)) return Bad(s, "print window ID");
    const Found f = FindPane(id);
    if (!f.window) {
      std::printf("none\n");
      return 0;
    }
    kxdriver::PrintWindowPanes(*f.window);
    return 0;
  }

  int PrintFrames(Step& s) {
    long id = 0;
    if (s.args.size() != 2 || !ParseCount(s.args[1], id)) return Bad(s, "print frames ID");
    kxapp_frames::Print(FindPane(id).window);
    return 0;
  }

  int PrintItems(Step& s) {
    if (s.args.size() != 2) return Bad(s, "print items ID");
    Found f;
    if (!PaneArg(s, s.args[1], f)) return 1;
    if (kxdriver::PrintItems(*f.pane)) return 0;
    return Bad(s, "pane " + s.args[1] + " has no items");
  }

  int PrintCells(Step& s) {
    if (s.args.size() != 2) return Bad(s, "print cells ID");
    Found f;
    if (!PaneArg(s, s.args[1], f)) return 1;
    auto* list = dynamic_cast<LListBox*>(f.pane);
    if (!list) return Bad(s, "pane " + s.args[1] + " is no list");
    kxdriver::PrintCells(*list);
    return 0;
  }

  int PrintMarkup(Step& s) {
    CKXTextDocument* doc = FrontDocument();
    if (!doc) return Bad(s, "print markup: no document");
    CKXTextEditEx& edit = *KXHandleAccess::Edit(doc->GetEngine()->GetEdit());
    for (long k = 1; k <= edit.GetMarkupCount(); ++k) {
      long start = 0, end = 0;
      edit.GetMarkupRangeAt(k, start, end);
      end = std::clamp(end, start, edit.GetLength());
      std::string bytes(std::size_t(end - start), '\0');
      if (end > start) edit.CopyBytes(start, end, bytes.data(), long(bytes.size()));
      std::printf("%ld %ld %s\n", start, end, Utf8(bytes).c_str());
    }
    return 0;
  }

  // pagesetup W H [MARGIN] [landscape]: the next page-setup dialog's answer.
  int PageSetup(Step& s) {
    if (!mHeadless) return Unsupported(s, "pagesetup needs the headless host");
    if (std::string e = kxapp_print::PageSetupStep(s.args, *mHeadless); !e.empty()) return Bad(s, e);
    return 0;
  }

  // folder ID PATH, print preview ID: the file tools' steps.
  int Folder(Step& s) {
    if (std::string e = kxapp_tools::FolderStep(s.rest); !e.empty()) return Bad(s, e);
    return 0;
  }
  int PrintPreview(Step& s) {
    if (s.args.size() != 2) return Bad(s, "print preview ID");
    Found f;
    if (!PaneArg(s, s.args[1], f)) return 1;
    if (!kxapp_tools::PrintPreview(f.pane)) return Bad(s, "pane " + s.args[1] + " is no preview");
    return 0;
  }

  int PrintMacros(Step&) {
    kxapp_macros::PrintMacros();
    return 0;
  }

  int PrintPage(Step&) {
    std::printf("%s\n", kxapp_print::PrintPageLine(kxapp_print::FrontDocument()).c_str());
    return 0;
  }

  // ---- clock and colour schedule (kxapp_schedule.h) ----

  int ClockStep(Step& s) {
    DateTimeRec at{};
    if (s.args.size() != 1 || !kxapp_schedule::ParseClock(s.args[0], at)) return Bad(s, "clock YYYY-MM-DDTHH:MM[:SS]");
    if (!mHeadless) return Unsupported(s, "clock needs the headless host");
    mHeadless->Clock().SetMovingTime(at);
    return 0;
  }

  int Wait(Step& s) {
    long n = 0;
    if (s.args.size() != 1 || !ParseCount(s.args[0], n) || n < 1 || n > 1000000) return Bad(s, "wait SECONDS");
    if (!mHeadless) return Unsupported(s, "wait needs the headless host");
    mWaitUntil = mHeadless->Clock().ticks + std::uint32_t(n) * 60u;
    mWaitWindows = Host().WindowList();
    mWaiting = true;
    return 0;
  }
  // Time has passed, or a window (a reminder) opened meanwhile.
  bool WaitOver() {
    const std::vector<KxWindowID> now = Host().WindowList();
    bool opened = false;
    for (KxWindowID w : now) opened = opened || std::find(mWaitWindows.begin(), mWaitWindows.end(), w) == mWaitWindows.end();
    if (opened || std::int32_t(mHeadless->Clock().ticks - mWaitUntil) >= 0) mWaiting = false;
    return !mWaiting;
  }

  int BackgroundStep(Step& s) {
    if (s.args.size() != 1 || (s.args[0] != "on" && s.args[0] != "off")) return Bad(s, "background on|off");
    kxapp_schedule::Background(Host(), s.args[0] == "on");
    return 0;
  }

  int PrintColours(Step&) {
    kxapp_schedule::PrintColours();
    return 0;
  }

  int PrintMarkList(Step&) {
    for (const std::string& line : kxapp_marks::MarkListLines()) std::printf("%s\n", line.c_str());
    return 0;
  }

  int PrintToolbar(Step&) {
    for (const std::string& line : kxapp_marks::ToolbarLines()) std::printf("%s\n", line.c_str());
    return 0;
  }

  int KeysStep(Step& s) { return kxapp_fkeys::KeysStep(s.args) ? 0 : Bad(s, "keys MODS|none (MODS: shift, option, control, command, capslock joined by +)"); }

  int PrintFkeys(Step&) {
    for (const std::string& line : kxapp_fkeys::FkeyLines()) std::printf("%s\n", line.c_str());
    return 0;
  }

  int PrintToolPrefs(Step&) {
    for (const std::string& line : kxapp_fkeys::ToolPrefLines()) std::printf("%s\n", line.c_str());
    return 0;
  }

  int PrintFloats(Step&) {
    for (const std::string& line : kxapp_marks::FloatLines()) std::printf("%s\n", line.c_str());
    return 0;
  }

  int PrintPrefs(Step&) {
    kxapp_prefs::PrintPrefs();
    return 0;
  }

  int PrintBeeps(Step&) {
    std::printf("beeps %d\n", mHeadless ? mHeadless->Beeps() : mGtk->Beeps());
    return 0;
  }

  int PrintClipboard(Step&) {
    std::vector<std::uint8_t> data;
    std::string text;
    if (Host().GetClipboard(FourCC("utxt"), data)) {
      std::vector<char16_t> units;
      for (std::size_t i = 0; i + 1 < data.size(); i += 2) units.push_back(char16_t(data[i] | (data[i + 1] << 8)));
      std::string sjis;
      std::vector<SKXUniChar> sides;
      if (kxdriver::FromUnits(units, sjis, sides)) text = kxdriver::TextToUTF8(sjis, sides);
    } else if (Host().GetClipboard(FourCC("TEXT"), data)) {
      text = Utf8(std::string(data.begin(), data.end()));
    }
    for (char& c : text)
      if (c == '\r') c = '\n';
    std::printf("%s\n", text.c_str());
    return 0;
  }

  // ---- helpers ----

  // The front document: the frontmost window that is a document's.
  CKXTextDocument* FrontDocument() {
    const auto docs = KxTextDocHooks::All();
    for (KxWindowID w : Host().WindowList())
      for (CKXTextDocument* d : docs)
        if (d->GetWindow() && d->GetWindow()->GetHostWindow() == w) return d;
    return nullptr;
  }

  void PostKey(std::uint8_t ch, std::uint8_t code, unsigned sym, std::uint16_t mods) {
    if (mHeadless) {
      mHeadless->PostKey(ch, code, mods);
    } else if (mGtk) {
      const KxWindowID w = mGtk->FrontWindow();
      if (w != kKxNoWindow) mGtk->SynthesizeKey(w, sym, mods);
    }
  }
  void PostBytes(const std::string& sjis) {
    for (char c : sjis) {
      std::uint8_t code = 0;
      UKeyTable::GetKeyCode(std::uint8_t(c), code);
      if (c == '\r') code = kKxKeyReturn;
      PostKey(std::uint8_t(c), code, c == '\r' ? 0xFF0D : std::uint8_t(c), 0);
    }
  }
  // Text typed as a person types it: headless, the script bytes as keys,
  // and a character the script has no code for as the input method's
  // commit (as the desktop hands it over), so that it keeps its Unicode
  // beside its placeholder; on the desktop, one key a character, its keyval
  // the character's own (as a keyboard layout or the input method hands it
  // over), since a lone byte of a double-byte character is no key at all
  // there.
  void PostText(const std::string& utf8, const std::string& sjis) {
    if (!mGtk && !mHeadless) return PostBytes(sjis);
    for (std::size_t i = 0; i < utf8.size();) {
      const auto b = std::uint8_t(utf8[i]);
      const std::size_t n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
      const std::string one = utf8.substr(i, n);
      i += n;
      if (mGtk) {
        std::uint32_t cp = n == 1 ? b : b & (0x3F >> (n - 1));
        for (std::size_t k = 1; k < one.size(); ++k) cp = (cp << 6) | (std::uint8_t(one[k]) & 0x3F);
        if (cp < 0x80)
          PostBytes(one);
        else
          PostKey(0, 0, 0x01000000u | cp, 0);   // the keyval of a Unicode character
        continue;
      }
      std::vector<SKXUniChar> sides;
      std::string bytes;
      const auto* u8 = reinterpret_cast<const unsigned char*>(one.data());
      if (kxdriver::FromUnits(kxdriver::Units(kKxCodeUTF8, u8, long(one.size())), bytes, sides) && sides.empty())
        PostBytes(bytes);
      else
        mHeadless->PostCommit(one);
    }
  }

  bool Key(const std::string& name, std::uint16_t mods) {
    for (const KxDriverKey& k : kKxDriverKeys)
      if (name == k.name) {
        PostKey(k.ch, k.code, k.sym, mods);
        return true;
      }
    long f = 0;
    if (name.size() > 1 && name[0] == 'f' && ParseCount(name.substr(1), f) && f >= 1 && f <= 15) {
      PostKey(0x10, kFunctionCodes[f - 1], kFirstFunctionSym + unsigned(f - 1), mods);
      return true;
    }
    if (name.size() == 1 && std::uint8_t(name[0]) > 0x20 && std::uint8_t(name[0]) < 0x7F) {
      std::uint8_t ch = std::uint8_t(name[0]);
      std::uint8_t code = 0;
      UKeyTable::GetKeyCode(std::uint8_t(std::toupper(ch)), code);
      PostKey(ch, code, ch, mods);
      return true;
    }
    return false;
  }
  static int Bad(const Step& s, const std::string& what) {
    std::fprintf(stderr, "kxapp: line %d: %s\n", s.line, what.c_str());
    return 1;
  }
  static int Unsupported(const Step& s, const std::string& what) {
    std::fprintf(stderr, "kxapp: line %d: %s\n", s.line, what.c_str());
    return 2;
  }

  // Clicks on the desktop: apart by more than any double-click time, and
  // the two of a double click close together.
  static constexpr std::uint32_t kClickSpacingMs = 10000;
  static constexpr std::uint32_t kDoubleClickGapMs = 100;
  static constexpr std::uint32_t kPressMs = 20;
  static constexpr long kDragStep = 4;   // pixels a move, at most

  CKXTextApp& mApp;
  KxHeadlessHost* mHeadless;
  KxGtkHost* mGtk;
  std::vector<std::string> mLines;
  std::size_t mNext = 0;
  long mIdleOwed = 0;
  std::deque<std::function<void()>> mDeferred;   // parts of a step, one a turn
  int mStatus = 0;
  std::uint32_t mClickTime = 0;
  bool mWaiting = false;
  std::uint32_t mWaitUntil = 0;
  std::vector<KxWindowID> mWaitWindows;
};

const std::vector<StepRow>& Runner::Steps() {
  static const std::vector<StepRow> steps = {
    {"open", &Runner::Open},          {"type", &Runner::Type},         {"key", &Runner::KeyStep},
    {"menu", &Runner::Menu},          {"status", &Runner::StatusStep}, {"select", &Runner::Select},
    {"answer", &Runner::Answer},      {"clipboard", &Runner::Clipboard}, {"idle", &Runner::Idle},
    {"quit", &Runner::Quit},          {"click", &Runner::Click},       {"drag", &Runner::Drag},
    {"field", &Runner::Field},        {"field-file", &Runner::FieldFile}, {"choose", &Runner::Choose},
    {"shot", &Runner::Shot},          {"print", &Runner::Print},       {"layout", &Runner::Layout},
    {"pagesetup", &Runner::PageSetup},
    {"clock", &Runner::ClockStep},    {"wait", &Runner::Wait},         {"background", &Runner::BackgroundStep},
    {"folder", &Runner::Folder},
    {"keys", &Runner::KeysStep},
  };
  return steps;
}

const std::vector<StepRow>& Runner::Prints() {
  static const std::vector<StepRow> prints = {
    {"menus", &Runner::PrintMenusStep}, {"windows", &Runner::PrintWindows}, {"alerts", &Runner::PrintAlerts},
    {"text", &Runner::PrintText},       {"window", &Runner::PrintWindow},   {"items", &Runner::PrintItems},
    {"cells", &Runner::PrintCells},     {"markup", &Runner::PrintMarkup},   {"beeps", &Runner::PrintBeeps},
    {"clipboard", &Runner::PrintClipboard}, {"page", &Runner::PrintPage},
    {"frames", &Runner::PrintFrames},
    {"preview", &Runner::PrintPreview}, {"marklist", &Runner::PrintMarkList},
    {"floats", &Runner::PrintFloats},   {"toolbar", &Runner::PrintToolbar},   {"prefs", &Runner::PrintPrefs},
    {"macros", &Runner::PrintMacros},
    {"colours", &Runner::PrintColours},
    {"fkeys", &Runner::PrintFkeys},     {"toolprefs", &Runner::PrintToolPrefs},
  };
  return prints;
}

int Usage() {
  std::fprintf(stderr, "usage: kxapp [--prefs DIR] [--gtk] [--clock YYYY-MM-DDTHH:MM[:SS]] [--screen W,H] SCRIPT\n"
                       "       kxapp [--prefs DIR] --menus\n");
  return 2;
}

int Run(int argc, char** argv) {
  std::string prefs, script, clock, screen;
  bool gtk = false, menus = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--prefs" && i + 1 < argc) prefs = argv[++i];
    else if (a == "--clock" && i + 1 < argc) clock = argv[++i];
    else if (a == "--screen" && i + 1 < argc) screen = argv[++i];
    else if (a == "--gtk") gtk = true;
    else if (a == "--menus") menus = true;
    else if (a.size() > 1 && a[0] == '-') return Usage();
    else if (script.empty()) script = a;
    else return Usage();
  }
  if (menus == !script.empty()) return Usage();
  if (menus && gtk) return Usage();

  std::vector<std::string> lines;
  if (!script.empty()) {
    std::ifstream file;
    std::istream* in = &std::cin;
    if (script != "-") {
      file.open(script);
      if (!file) {
        std::fprintf(stderr, "kxapp: cannot read %s\n", script.c_str());
        return 1;
      }
      in = &file;
    }
    for (std::string l; std::getline(*in, l);) lines.push_back(l);
  }

  std::unique_ptr<KxHeadlessHost> headless;
  std::unique_ptr<KxGtkHost> gtkHost;
  if (gtk) {
    std::string why;
    gtkHost = KxGtkHost::Open(&why);
    if (!gtkHost) {
      std::fprintf(stderr, "kxapp: no display: %s\n", why.c_str());
      return 2;
    }
  } else {
    headless = std::make_unique<KxHeadlessHost>();
  }
  if (!screen.empty()) {
    int w = 0, h = 0;
    if (!kxapp_fkeys::ParseScreen(screen, w, h) || !headless) return Usage();
    headless->SetScreenBounds(Rect{0, 0, std::int16_t(h), std::int16_t(w)});
  }
  if (!clock.empty()) {
    DateTimeRec at{};
    if (!kxapp_schedule::ParseClock(clock, at) || !headless) return Usage();
    headless->Clock().SetMovingTime(at);
  }

  KxProgramHooks hooks(prefs);
  int status = 0;
  {
    CKXTextApp app(&hooks);
    app.Prepare();
    if (menus) {
      kxdriver::PrintMenus();
    } else {
      Runner runner(app, headless.get(), gtkHost.get(), std::move(lines));
      runner.RunScript();
      status = runner.Status();
      KxCurrentHost().SetScriptFeeder(nullptr);
      if (gtkHost && status == 0 && !app.IsQuitting()) {
        if (KxTextDocHooks::All().empty()) app.StartUp();
        app.RunLoop();
      }
      // What the script left open goes unasked, as a killed program's would.
      hooks.CloseAllDocuments(kAENo);
    }
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  // With --gtk the program goes on after the script: what it printed must
  // not wait in a buffer.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  return KxDriverMain("kxapp", KxMacrosFacilities, [&] { return Run(argc, argv); });
}
