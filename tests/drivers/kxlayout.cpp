// kxlayout: builds a window or dialog layout of resources/ on the headless
// host, runs a script of clicks, keys and input-method text, prints the
// broadcasts and field values, and saves the window as a PNG.
//
//   kxlayout ID [--script FILE] [--pane ID] [--boxes]
//            [--gtk [--screenshot PNG]] -o OUT.png
//
// Steps, one a line (# starts a comment):
//   click X Y [shift]    a click at window coordinates
//   key NAME [MODS]      a character, or left right up down home end pageup
//                        pagedown backspace delete return enter tab escape;
//                        MODS joins cmd, option, shift, control with +
//   type TEXT            TEXT (UTF-8) key by key as Shift_JIS bytes
//   preedit TEXT         TEXT becomes the input method's composition
//   commit TEXT          the input method confirms TEXT
//   undo | command N     a command to the target
//   thumb ID VALUE       live thumb scrolling of scroller ID's bar (16-bit)
//   alert KIND INDEX     a message alert (KIND: 0 plain 1 stop 2 caution 3 note)
//   note TEXT            a note alert showing TEXT
//   answer ok|cancel     the answer to the next alert
//   print fields|value ID
// Broadcasts print as "broadcast MESSAGE PANE" and alerts as "alert KIND:
// TEXT" when they happen; the fields print at the end. --pane saves just
// that pane's frame; --boxes draws with the synthetic box fonts (the golden
// pictures use it).
//
// --gtk builds the layout in a real window of the GTK host instead; clicks
// and keys go into the toolkit's own queue as the desktop's would, and
// --screenshot saves what the screen shows (cropped as -o is), written by
// the same PNG writer as -o. Alerts stay the headless host's: "alert",
// "note" and "answer" are not supported there, nor "type" past ASCII.
// Exit status: 0 done, 1 bad input or no display, 2 bad usage or a kind
// not supported yet.
#include <cairo.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/spelling_panel.h"
#include "driver.h"
#include "document/find_assist.h"
#include "document/text_doc.h"
#include "document/text_doc_dialogs.h"
#include "driver_keys.h"
#include "macros/macro_editor.h"
#include "platform/draw/port.h"
#include "platform/fonts.h"
#include "platform/framework/framework_classes.h"
#include "platform/framework/input_method.h"
#include "platform/framework/list_box.h"
#include "platform/gtk/gtk_host.h"
#include "platform/host/headless.h"
#include "platform/textconv.h"
#include "tools/file_tool.h"
#include "views/dialog_box.h"
#include "views/edit_field.h"
#include "views/facilities.h"
#include "views/message_box.h"
#include "views/scroller.h"
#include "views/view_classes.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: kxlayout ID [--script FILE] [--pane ID] [--boxes] [--gtk [--screenshot PNG]] -o OUT.png\n");
  return 2;
}

std::string Utf8(const std::string& sjis) { return KxScriptTextToUTF8(sjis); }

const char* KindName(KxAlertKind k) {
  switch (k) {
    case KxAlertKind::kStop: return "stop";
    case KxAlertKind::kCaution: return "caution";
    default: return "note";
  }
}

// Prints every broadcast of every control in the window.
class Spy : public LListener {
 public:
  void ListenToMessage(MessageT message, void* param) override {
    std::printf("broadcast %ld", long(message));
    if (auto* p = FindSender(param)) std::printf(" %ld", long(p->GetPaneID()));
    std::printf("\n");
  }
  std::vector<LPane*> panes;

 private:
  LPane* FindSender(void* param) const {
    for (LPane* p : panes)
      if (static_cast<void*>(p) == param) return p;
    return nullptr;
  }
};

void Collect(LPane* p, std::vector<LPane*>& out) {
  out.push_back(p);
  if (auto* v = dynamic_cast<LView*>(p))
    for (LPane* sub : v->GetSubPanes()) Collect(sub, out);
}

constexpr unsigned kPrimaryButton = 1;
// Apart by more than any double-click time: each scripted click counts one.
constexpr std::uint32_t kClickSpacingMs = 10000;
constexpr std::uint32_t kPressMs = 50;

// Exactly one of the hosts is given.
class Runner {
 public:
  Runner(KxHeadlessHost* headless, KxGtkHost* gtk, KXModalDialog& handler)
      : mHeadless(headless), mGtk(gtk), mHandler(handler) {
    Collect(handler.GetDialog(), mSpy.panes);
    for (LPane* p : mSpy.panes)
      if (auto* b = dynamic_cast<LBroadcaster*>(p)) b->AddListener(&mSpy);
  }

  void Drain() {
    for (int guard = 0; guard < 100000 && Pending() > 0; ++guard) mHandler.DoDialog();
    PrintNewAlerts();
  }
  std::size_t Pending() { return mHeadless ? mHeadless->PendingEvents() : mGtk->PendingEvents(); }
  void PostKey(std::uint8_t ch, std::uint8_t code, unsigned sym, std::uint16_t mods) {
    if (mHeadless) mHeadless->PostKey(ch, code, mods);
    else mGtk->SynthesizeKey(Window().GetHostWindow(), sym, mods);
  }
  void PrintNewAlerts() {
    if (!mHeadless) return;
    const auto& alerts = mHeadless->Alerts();
    for (; mAlertsSeen < alerts.size(); ++mAlertsSeen)
      std::printf("alert %s: %s\n", KindName(alerts[mAlertsSeen].kind), alerts[mAlertsSeen].text.c_str());
  }
  LWindow& Window() { return *mHandler.GetDialog(); }

  void PrintFields() {
    for (LPane* p : mSpy.panes)
      if (auto* f = dynamic_cast<KXEditField*>(p))
        std::printf("field %ld: %s (value100 %ld)\n", long(p->GetPaneID()), Utf8(f->GetText()).c_str(),
                    long(f->GetValue100()));
      else if (auto* e = dynamic_cast<LEditField*>(p))
        std::printf("field %ld: %s\n", long(p->GetPaneID()), Utf8(e->GetText()).c_str());
      else if (auto* c = dynamic_cast<LControl*>(p); c && p->GetPaneID() != 0)
        std::printf("control %ld: %ld\n", long(p->GetPaneID()), long(c->GetValue()));
      else if (auto* l = dynamic_cast<LListBox*>(p))
        std::printf("list %ld: %ld\n", long(p->GetPaneID()), long(l->GetValue()));
  }

  // 0 done, 1 bad step, 2 unsupported.
  int Step(const std::string& line, int lineNo) {
    std::istringstream in(line);
    std::string verb;
    in >> verb;
    const std::string rest = line.size() > verb.size() + 1 ? line.substr(verb.size() + 1) : std::string();
    std::vector<std::string> args;
    for (std::string a; in >> a;) args.push_back(a);
    auto bad = [&](const char* what) {
      std::fprintf(stderr, "kxlayout: line %d: %s\n", lineNo, what);
      return 1;
    };
    if (verb == "click") {
      if (args.size() < 2) return bad("click X Y [shift]");
      const Point local{std::int16_t(std::atoi(args[1].c_str())), std::int16_t(std::atoi(args[0].c_str()))};
      const std::uint16_t mods = args.size() > 2 && args[2] == "shift" ? kKxEventShiftKey : 0;
      if (mGtk) {
        mClickTime += kClickSpacingMs;
        mGtk->SynthesizeButton(Window().GetHostWindow(), local, true, mClickTime, kPrimaryButton, mods);
        mGtk->SynthesizeButton(Window().GetHostWindow(), local, false, mClickTime + kPressMs, kPrimaryButton, mods);
      } else {
        const Rect b = Window().GetGlobalBounds();
        const Point at{std::int16_t(b.top + local.v), std::int16_t(b.left + local.h)};
        mHeadless->PostMouse(true, at, mods);
        mHeadless->PostMouse(false, at, mods);
      }
    } else if (verb == "key") {
      if (args.empty()) return bad("key NAME [MODS]");
      std::uint16_t mods = 0;
      if (args.size() > 1) {
        std::stringstream ms(args[1]);
        for (std::string m; std::getline(ms, m, '+');) {
          if (m == "cmd") mods |= kKxEventCommandKey;
          else if (m == "option") mods |= kKxEventOptionKey;
          else if (m == "shift") mods |= kKxEventShiftKey;
          else if (m == "control") mods |= kKxEventControlKey;
          else return bad("unknown modifier");
        }
      }
      bool found = false;
      for (const KxDriverKey& k : kKxDriverKeys)
        if (args[0] == k.name) {
          PostKey(k.ch, k.code, k.sym, mods);
          found = true;
        }
      if (!found) {
        if (args[0].size() != 1) return args[0][0] == 'f' ? 2 : bad("unknown key");
        const auto c = std::uint8_t(args[0][0]);
        if (mGtk && !IsAsciiGraphic(c)) return 2;
        PostKey(c, 0, c, mods);
      }
    } else if (verb == "type") {
      const std::string bytes = KxUTF8ToScriptText(rest);
      if (mGtk)
        for (char c : bytes)
          if (!IsAsciiGraphic(std::uint8_t(c)) && c != ' ') return 2;
      for (char c : bytes) PostKey(std::uint8_t(c), 0, std::uint8_t(c), 0);
    } else if (verb == "preedit") {
      Drain();
      KxDeliverInputMethodPreedit(rest);
    } else if (verb == "commit") {
      Drain();
      KxDeliverInputMethodCommit(rest);
    } else if (verb == "undo" || verb == "command") {
      Drain();
      const CommandT command = verb == "undo" ? kKxCmdUndo : std::atoi(args.empty() ? "0" : args[0].c_str());
      if (LCommander* target = LCommander::GetTarget()) target->ProcessCommand(command);
    } else if (verb == "thumb") {
      if (args.size() != 2) return bad("thumb ID VALUE");
      auto* scroller = dynamic_cast<CKXScroller*>(Window().FindPaneByID(std::atoi(args[0].c_str())));
      if (!scroller) return bad("no scroller with that ID");
      LScrollBar* bar = scroller->GetVScrollBar() ? scroller->GetVScrollBar() : scroller->GetHScrollBar();
      scroller->HandleThumbScroll(bar, std::int16_t(std::atoi(args[1].c_str())));
      if (bar) std::printf("thumb %ld\n", long(bar->GetValue()));
    } else if ((verb == "alert" || verb == "note" || verb == "answer") && mGtk) {
      return 2;
    } else if (verb == "alert") {
      if (args.size() != 2) return bad("alert KIND INDEX");
      KXMessageBox::Alert(std::int16_t(std::atoi(args[0].c_str())), std::int16_t(std::atoi(args[1].c_str())));
    } else if (verb == "note") {
      KXMessageBox::StrNote(KxUTF8ToScriptText(rest));
    } else if (verb == "answer") {
      if (args.size() != 1 || (args[0] != "ok" && args[0] != "cancel")) return bad("answer ok|cancel");
      mHeadless->QueueAnswer(args[0] == "ok" ? KxAnswer::kOK : KxAnswer::kCancel);
    } else if (verb == "print") {
      Drain();
      if (!args.empty() && args[0] == "fields") {
        PrintFields();
      } else if (args.size() == 2 && args[0] == "value") {
        LPane* p = Window().FindPaneByID(std::atoi(args[1].c_str()));
        if (!p) return bad("no pane with that ID");
        std::printf("value %s: %ld\n", args[1].c_str(), long(p->GetValue()));
      } else {
        return bad("print fields|value ID");
      }
    } else {
      return bad("unknown step");
    }
    Drain();
    return 0;
  }

 private:
  // Key symbols of printable ASCII are the characters themselves.
  static bool IsAsciiGraphic(std::uint8_t c) { return c > ' ' && c < 0x7F; }

  KxHeadlessHost* mHeadless;
  KxGtkHost* mGtk;
  KXModalDialog& mHandler;
  Spy mSpy;
  std::uint32_t mClickTime = 0;
  std::size_t mAlertsSeen = 0;
};

// Saves the surface, or the pane's frame of it, as the window's port holds
// the pane.
int SavePNG(LWindow& window, cairo_surface_t* surface, PaneIDT paneID, const char* out) {
  cairo_surface_flush(surface);
  cairo_surface_t* save = surface;
  cairo_surface_t* crop = nullptr;
  if (paneID != 0) {
    LPane* pane = window.FindPaneByID(paneID);
    if (!pane) {
      std::fprintf(stderr, "kxlayout: no pane %ld\n", long(paneID));
      return 1;
    }
    const RectL f = pane->CalcPortFrameRect();
    crop = cairo_image_surface_create(CAIRO_FORMAT_RGB24, f.right - f.left, f.bottom - f.top);
    cairo_t* cr = cairo_create(crop);
    cairo_set_source_surface(cr, surface, -f.left, -f.top);
    cairo_paint(cr);
    cairo_destroy(cr);
    save = crop;
  }
  const cairo_status_t s = cairo_surface_write_to_png(save, out);
  if (crop) cairo_surface_destroy(crop);
  if (s != CAIRO_STATUS_SUCCESS) {
    std::fprintf(stderr, "kxlayout: cannot write %s\n", out);
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const int layoutID = std::atoi(argv[1]);
  const char* script = nullptr;
  const char* out = nullptr;
  PaneIDT paneID = 0;
  const char* screenshot = nullptr;
  bool gtk = false, boxes = false;
  for (int i = 2; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--script" && i + 1 < argc) script = argv[++i];
    else if (a == "-o" && i + 1 < argc) out = argv[++i];
    else if (a == "--pane" && i + 1 < argc) paneID = std::atoi(argv[++i]);
    else if (a == "--boxes") boxes = true;
    else if (a == "--gtk") gtk = true;
    else if (a == "--screenshot" && i + 1 < argc) screenshot = argv[++i];
    else return Usage();
  }
  if (layoutID <= 0 || layoutID > 32767) return Usage();
  if (!out || (screenshot && !gtk)) return Usage();
  return KxDriverMain("kxlayout", KxViewsFacilities, [&]() -> int {
    std::unique_ptr<KxHeadlessHost> headless;
    std::unique_ptr<KxGtkHost> gtkHost;
    if (gtk) {
      std::string why;
      gtkHost = KxGtkHost::Open(&why);
      if (!gtkHost) {
        std::fprintf(stderr, "kxlayout: --gtk: %s\n", why.c_str());
        return 1;
      }
    } else {
      headless = std::make_unique<KxHeadlessHost>();
    }
    if (boxes) KxFontInstallBackend(KxSyntheticFontBackend());
    KxRegisterFrameworkClasses();
    KxRegisterViewClasses();
    // The panes the program's own dialogs and tool windows are made of.
    KxRegisterDocDialogClasses();
    KxRegisterDocumentToolClasses();
    KxRegisterFindAssistClass();
    KxRegisterToolClasses();
    KxRegisterMacroEditorClasses();
    CKXSpellingPanel::RegisterWindowClass();
    KXModalDialog handler(ResIDT(layoutID), nullptr);
    if (auto* dialog = dynamic_cast<KXDialogBox*>(handler.GetDialog())) dialog->UndoSupport();
    handler.GetDialog()->Select();
    if (gtkHost && !gtkHost->Flush()) {
      std::fprintf(stderr, "kxlayout: --gtk: the window did not come on the screen\n");
      return 1;
    }
    Runner runner(headless.get(), gtkHost.get(), handler);
    runner.Drain();
    if (script) {
      std::ifstream in(script);
      if (!in) {
        std::fprintf(stderr, "kxlayout: cannot read %s\n", script);
        return 1;
      }
      std::string line;
      for (int lineNo = 1; std::getline(in, line); ++lineNo) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#') continue;
        if (const int status = runner.Step(line.substr(start), lineNo)) return status;
      }
    }
    runner.PrintFields();
    LWindow& window = *handler.GetDialog();
    // A showing host draws what was invalidated on its own next turn.
    if (gtkHost) gtkHost->Flush();
    window.UpdatePort();
    if (const int status = SavePNG(window, window.HostPort()->Surface(), paneID, out)) return status;
    if (!screenshot) return 0;
    std::unique_ptr<KxPort> shot = gtkHost->Screenshot(window.GetHostWindow());
    if (!shot) {
      std::fprintf(stderr, "kxlayout: --screenshot: the window is not on the screen\n");
      return 1;
    }
    return SavePNG(window, shot->Surface(), paneID, screenshot);
  });
}
