// kxinput: a text engine in a real GTK window, bound to its event handler
// and to the window's input-method context (the desktop's, the toolkit's
// simple one without), so that a desktop tool can type and click into it.
// Prints the text when done.
//
//   kxinput [--ready FILE] [--until FILE] [--seconds N] [--screenshot PNG]
//
// --ready is created once the window is on the screen and has the focus
// of the program; the loop ends when --until exists or after N seconds
// (default 20). Exit 0 done, 1 no display, 2 bad usage.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "driver.h"
#include "engine/facilities.h"
#include "engine/text_engine.h"
#include "engine/text_event.h"
#include "engine/input_method_handler.h"
#include "layout/kxtext_api.h"
#include "platform/files.h"
#include "platform/fonts.h"
#include "platform/framework/commander.h"
#include "platform/framework/input_method.h"
#include "platform/framework/view.h"
#include "platform/framework/window.h"
#include "platform/gtk/gtk_host.h"
#include "text/codes/unicode.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: kxinput [--ready FILE] [--until FILE] [--seconds N]\n");
  return 2;
}

// The view: draws the engine, takes the keyboard and hands inline input to
// the engine's handler.
class InputView : public LView, public LCommander, public KxInputMethodClient {
 public:
  InputView(CKXTextEngine& engine, CKXTextEvent& handler, LWindow& window, std::int32_t width, std::int32_t height)
      : LCommander(&window), mEngine(engine), mHandler(handler) {
    mFrameSize = {width, height};
    mImageSize = {width, height};
    PutInside(&window, 0, 0);
    engine.SetHandlerView(this);
  }
  ~InputView() override { mEngine.SetHandlerView(nullptr); }
  InputView(const InputView&) = delete;
  InputView& operator=(const InputView&) = delete;

  void DrawSelf() override {
    SPoint32 pos{};
    GetScrollPosition(pos);
    mEngine.DrawArea(pos, SDimension32{mFrameSize.width, mFrameSize.height});
  }
  bool HandleKeyPress(const EventRecord& event) override {
    FocusDraw();
    mHandler.DoEvent(event);
    return true;
  }
  void InputMethodPreedit(const std::string& utf8) override { InputMethodPreeditClauses(utf8, {}, -1); }
  void InputMethodPreeditClauses(const std::string& utf8, const std::vector<Clause>& clauses, long caret) override {
    std::vector<CKXTextTSMHandler::Clause> c;
    for (const Clause& k : clauses) c.push_back({k.start, k.end, k.selected});
    FocusDraw();
    mHandler.GetTSMHandler().Preedit(utf8, c, caret);
  }
  void InputMethodCommit(const std::string& utf8) override {
    FocusDraw();
    mHandler.GetTSMHandler().Commit(utf8);
  }
  bool InputMethodComposing() const override { return mHandler.GetTSMHandler().HasActiveArea(); }
  void InputMethodFocus(bool in) override {
    if (in)
      mHandler.Activate();
    else
      mHandler.Deactivate();
  }
  bool InputMethodCaretRect(Rect& r) override { return mHandler.GetTSMHandler().CaretRect(r); }
  bool InputMethodSurrounding(std::string& utf8, long& caret) override {
    return mHandler.GetTSMHandler().Surrounding(utf8, caret);
  }
  bool InputMethodDeleteSurrounding(long offset, long count) override {
    return mHandler.GetTSMHandler().DeleteSurrounding(offset, count);
  }

 private:
  CKXTextEngine& mEngine;
  CKXTextEvent& mHandler;
};

bool Exists(const std::string& path) { return !path.empty() && std::ifstream(path).good(); }

int Run(int argc, char** argv) {
  std::string ready, until;
  long seconds = 20;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (i + 1 >= argc) return Usage();
    if (a == "--ready")
      ready = argv[++i];
    else if (a == "--until")
      until = argv[++i];
    else if (a == "--seconds")
      seconds = std::strtol(argv[++i], nullptr, 10);
    else
      return Usage();
  }
  if (seconds < 1 || seconds > 600) return Usage();
  std::string why;
  std::unique_ptr<KxGtkHost> host = KxGtkHost::Open(&why);
  if (!host) {
    std::fprintf(stderr, "kxinput: %s\n", why.c_str());
    return 1;
  }
  KxFontInstallBackend(KxSyntheticFontBackend());
  CKXTextEngine engine(false);
  engine.AddUser(&engine);   // lives on this stack frame
  engine.Initialize(SKXPageStyl{}, RectL{0, 0, 200, 400});
  KXTE_SetDestRect(engine.GetEdit(), RectL{0, 0, 0, 400});
  KXTE_Activate(engine.GetEdit());
  auto* handler = new CKXTextEvent;
  handler->AddUser(&engine);
  handler->SetTextEngine(&engine);
  {
    struct WindowOwner {
      LWindow* w;
      ~WindowOwner() { delete w; }
    } window{new LWindow(Rect{40, 40, 240, 440}, reinterpret_cast<ConstStringPtr>("\x07kxinput"), nullptr)};
    InputView* view = new InputView(engine, *handler, *window.w, 400, 200);
    window.w->Select();
    LCommander::SwitchTarget(view);
    if (!host->Flush()) {
      std::fprintf(stderr, "kxinput: the window did not come on the screen\n");
      return 1;
    }
    handler->Activate();
    if (!ready.empty()) std::ofstream(ready) << "ready\n";
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < end && !Exists(until)) {
      EventRecord event;
      if (!host->WaitNextEvent(event, 3)) continue;
      if (std::getenv("KXINPUT_TRACE"))
        std::fprintf(stderr, "event %d %x %x target %p view %p\n", event.what, unsigned(event.message),
                     unsigned(event.modifiers), (void*)LCommander::GetTarget(), (void*)view);
      if (event.what == keyDown || event.what == autoKey || event.what == keyUp) {
        if (LCommander* target = LCommander::GetTarget()) target->ProcessKeyPress(event);
      } else if (event.what == mouseDown || event.what == mouseUp) {
        // A click places the caret, ending a composition outside it; the
        // handler takes the point in the port, as a text view gives it.
        EventRecord inPort = event;
        inPort.where = LPane::ToPoint16(window.w->GlobalToPortPoint(event.where));
        view->FocusDraw();
        handler->DoEvent(inPort);
      } else if (event.what == activateEvt) {
        const bool on = (event.modifiers & kKxEventActiveFlag) != 0;
        window.w->HostActivate(on);
        if (on) LCommander::SwitchTarget(view);   // the window keeps no latent target of its own
        view->InputMethodFocus(on);
      }
    }
    handler->Deactivate();   // a composition still open is confirmed
    std::string text;
    long caret = 0;
    engine.SetSelectionRange(SKXRange{0, 0}, false);
    std::string all(std::size_t(engine.GetTotalRange().length), '\0');
    if (!all.empty()) engine.TextGetThruPtr(engine.GetTotalRange(), all.data(), long(all.size()));
    // The whole text as UTF-8, through the handler's view of the paragraph.
    if (all.find('\r') == std::string::npos && handler->GetTSMHandler().Surrounding(text, caret))
      std::printf("%s\n", text.c_str());
    else
      std::printf("%s\n", all.c_str());
    LCommander::SwitchTarget(nullptr);
  }
  handler->SetTextEngine(nullptr);
  handler->RemoveUser(&engine);
  return 0;
}

}  // namespace

int main(int argc, char** argv) { return KxDriverMain("kxinput", KxEngineFacilities, [&] { return Run(argc, argv); }); }
