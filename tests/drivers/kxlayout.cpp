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
// pictures use it). Exit status: 0 done, 1 bad input, 2 bad usage or a
// kind not supported yet.
#include <cairo.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "driver.h"
#include "platform/fonts.h"
#include "platform/framework/framework_classes.h"
#include "platform/framework/input_method.h"
#include "platform/framework/list_box.h"
#include "platform/host/headless.h"
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

struct Key {
  const char* name;
  std::uint8_t code, ch;
};
constexpr Key kKeys[] = {{"left", kKxKeyLeft, kKxCharLeftArrow},   {"right", kKxKeyRight, kKxCharRightArrow},
                         {"up", kKxKeyUp, kKxCharUpArrow},         {"down", kKxKeyDown, kKxCharDownArrow},
                         {"home", kKxKeyHome, 1},                  {"end", kKxKeyEnd, 4},
                         {"pageup", kKxKeyPageUp, 11},             {"pagedown", kKxKeyPageDown, 12},
                         {"backspace", kKxKeyBackspace, 8},        {"delete", kKxKeyForwardDelete, 127},
                         {"return", kKxKeyReturn, 13},             {"enter", kKxKeyEnter, 3},
                         {"tab", kKxKeyTab, 9},                    {"escape", kKxKeyEscape, kKxCharEscape}};

class Runner {
 public:
  Runner(KxHeadlessHost& host, KXModalDialog& handler) : mHost(host), mHandler(handler) {
    Collect(handler.GetDialog(), mSpy.panes);
    for (LPane* p : mSpy.panes)
      if (auto* b = dynamic_cast<LBroadcaster*>(p)) b->AddListener(&mSpy);
  }

  void Drain() {
    for (int guard = 0; guard < 100000 && mHost.PendingEvents() > 0; ++guard) mHandler.DoDialog();
    PrintNewAlerts();
  }
  void PrintNewAlerts() {
    const auto& alerts = mHost.Alerts();
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
      const Rect b = Window().GetGlobalBounds();
      const Point at{std::int16_t(b.top + std::atoi(args[1].c_str())), std::int16_t(b.left + std::atoi(args[0].c_str()))};
      const std::uint16_t mods = args.size() > 2 && args[2] == "shift" ? kKxEventShiftKey : 0;
      mHost.PostMouse(true, at, mods);
      mHost.PostMouse(false, at, mods);
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
      for (const Key& k : kKeys)
        if (args[0] == k.name) {
          mHost.PostKey(k.ch, k.code, mods);
          found = true;
        }
      if (!found) {
        if (args[0].size() != 1) return args[0][0] == 'f' ? 2 : bad("unknown key");
        mHost.PostKey(std::uint8_t(args[0][0]), 0, mods);
      }
    } else if (verb == "type") {
      for (char c : KxUTF8ToScriptText(rest)) mHost.PostKey(std::uint8_t(c), 0);
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
    } else if (verb == "alert") {
      if (args.size() != 2) return bad("alert KIND INDEX");
      KXMessageBox::Alert(std::int16_t(std::atoi(args[0].c_str())), std::int16_t(std::atoi(args[1].c_str())));
    } else if (verb == "note") {
      KXMessageBox::StrNote(KxUTF8ToScriptText(rest));
    } else if (verb == "answer") {
      if (args.size() != 1 || (args[0] != "ok" && args[0] != "cancel")) return bad("answer ok|cancel");
      mHost.QueueAnswer(args[0] == "ok" ? KxAnswer::kOK : KxAnswer::kCancel);
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
  KxHeadlessHost& mHost;
  KXModalDialog& mHandler;
  Spy mSpy;
  std::size_t mAlertsSeen = 0;
};

int SavePNG(LWindow& window, PaneIDT paneID, const char* out) {
  window.UpdatePort();
  cairo_surface_t* surface = window.HostPort()->Surface();
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
  bool gtk = false, boxes = false;
  for (int i = 2; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--script" && i + 1 < argc) script = argv[++i];
    else if (a == "-o" && i + 1 < argc) out = argv[++i];
    else if (a == "--pane" && i + 1 < argc) paneID = std::atoi(argv[++i]);
    else if (a == "--boxes") boxes = true;
    else if (a == "--gtk") gtk = true;
    else if (a == "--screenshot" && i + 1 < argc) ++i;
    else return Usage();
  }
  if (layoutID <= 0 || layoutID > 32767) return Usage();
  if (gtk) {
    std::fprintf(stderr, "kxlayout: --gtk: not supported yet\n");
    return 2;
  }
  if (!out) return Usage();
  return KxDriverMain("kxlayout", KxViewsFacilities, [&]() -> int {
    KxHeadlessHost host;
    if (boxes) KxFontInstallBackend(KxSyntheticFontBackend());
    KxRegisterFrameworkClasses();
    KxRegisterViewClasses();
    KXModalDialog handler(ResIDT(layoutID), nullptr);
    if (auto* dialog = dynamic_cast<KXDialogBox*>(handler.GetDialog())) dialog->UndoSupport();
    handler.GetDialog()->Select();
    Runner runner(host, handler);
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
    return SavePNG(*handler.GetDialog(), paneID, out);
  });
}
