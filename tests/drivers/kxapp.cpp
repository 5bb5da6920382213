// kxapp: the application object on a host, driven by a script.
//
//   kxapp [--prefs DIR] [--gtk] SCRIPT   run the steps of SCRIPT (- for stdin)
//   kxapp [--prefs DIR] --menus          print the menu bar
//
// Steps, one a line (# starts a comment):
//   open FILE...          an open-documents event
//   type TEXT             types TEXT (UTF-8, the rest of the line) key by key
//   key NAME [MODS]       one key: a character, left right up down home end
//                         pageup pagedown backspace delete return enter tab
//                         escape menu f1..f15; MODS joins cmd, option,
//                         shift, control with +
//   menu N                command N through the target chain
//   answer save|dont-save|cancel|ok|PATH   for the next dialog or file chooser
//   idle N                N idle turns on the virtual clock
//   print menus|windows|alerts|text
//   quit                  the quit command; the script ends when it quits
//
// Documents here are a STAND-IN made for this driver (a window holding the
// typed bytes, saved as UTF-8): the real documents come later and install
// their own hooks. With --gtk the windows are real and, after the script,
// the program runs until it quits.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/app_commands.h"
#include "app/application.h"
#include "app/contextual_menu.h"
#include "app/dynamic_menus.h"
#include "app/globals.h"
#include "driver.h"
#include "driver_keys.h"
#include "driver_text.h"
#include "macros/facilities.h"
#include "platform/ae/ae_codes.h"
#include "platform/ae/required_events.h"
#include "platform/files.h"
#include "platform/framework/dialog.h"
#include "platform/framework/menu.h"
#include "platform/gtk/gtk_host.h"
#include "platform/host/headless.h"
#include "platform/resources.h"
#include "platform/textconv.h"
#include "platform/toolbox/keytable.h"

namespace {

std::string Utf8(const std::string& sjis) { return KxScriptTextToUTF8(sjis); }

std::string PString(const std::string& s, Str255 out) {
  const std::size_t n = std::min<std::size_t>(s.size(), 255);
  out[0] = static_cast<unsigned char>(n);
  std::copy(s.begin(), s.begin() + std::ptrdiff_t(n), out + 1);
  return s;
}

// ---- the stand-in document -------------------------------------------------------

class StandInDoc : public LCommander, public KxWindowClient, public KxResumeDocument {
 public:
  StandInDoc(LCommander* super, std::string title, std::string path, std::string text)
      : LCommander(super), mTitle(std::move(title)), mPath(std::move(path)), mText(std::move(text)) {
    Str255 t;
    PString(mTitle, t);
    mWindow = KxCurrentHost().CreateWindow(this, Rect{60, 40, 460, 560}, t);
    AddAttachment(new CKXTextContextualMenu(this));
    SwitchTarget(this);
  }
  ~StandInDoc() override {
    if (GetTarget() == this) SwitchTarget(GetSuperCommander());
    KxCurrentHost().DestroyWindow(mWindow);
  }

  const std::string& Title() const { return mTitle; }
  const std::string& Path() const { return mPath; }
  const std::string& Text() const { return mText; }
  bool Modified() const { return mModified; }
  KxWindowID Window() const { return mWindow; }

  // Asks to save when modified; false when the user cancelled.
  bool MayClose(bool ask) {
    if (!mModified || !ask) return true;
    switch (KxCurrentHost().AskSaveChanges(Utf8(mTitle))) {
      case KxAnswer::kCancel:
        return false;
      case KxAnswer::kSave:
        return Save();
      default:
        return true;
    }
  }

  bool HandleKeyPress(const EventRecord& event) override {
    const std::uint8_t ch = KxEventChar(event);
    if (event.modifiers & kKxEventCommandKey) return LCommander::HandleKeyPress(event);
    if (ch == kKxCharBackspace) {
      if (!mText.empty()) mText.pop_back();
    } else if (ch == kKxCharReturn || ch == '\t' || ch >= 0x20) {
      mText += char(ch);
    } else {
      return LCommander::HandleKeyPress(event);
    }
    mModified = true;
    return true;
  }

  void FindCommandStatus(CommandT command, Boolean& enabled, Boolean& usesMark, std::uint16_t& mark,
                         Str255 name) override {
    if (command == kKxCmdClose || command == kKxCmdPageSetup) {
      enabled = true;
      return;
    }
    if (kKxWindowCommands.Contains(command)) {
      const auto docs = CKXTextApp::GetTextApp()->Hooks().Documents();
      const std::size_t index = std::size_t(command - kKxWindowCommands.first);
      enabled = index < docs.size();
      usesMark = true;
      mark = enabled && docs[index].title == mTitle ? kKxCheckMark : kKxNoMark;
      return;
    }
    LCommander::FindCommandStatus(command, enabled, usesMark, mark, name);
  }
  bool ObeyCommand(CommandT command, void* param) override;
  void HostActivate(bool active) override {
    if (active) SwitchTarget(this);
  }
  void HostAttemptClose() override { ProcessCommand(kKxCmdClose); }
  void DoSetBounds(const SKXRectL&) override {}

 private:
  bool Save() {
    std::string path = mPath;
    if (path.empty() && !KxCurrentHost().ChooseSaveFile(Utf8(mTitle), path)) return false;
    std::string out = Utf8(mText);
    for (char& c : out)
      if (c == '\r') c = '\n';
    if (KxWriteFileSafely(path, out.data(), out.size()) != 0) {
      KxCurrentHost().Alert(KxAlertKind::kStop, "could not save " + path);
      return false;
    }
    mPath = path;
    mModified = false;
    return true;
  }

  std::string mTitle, mPath, mText;
  bool mModified = false;
  KxWindowID mWindow = kKxNoWindow;
};

class StandInHooks : public KxAppHooks {
 public:
  explicit StandInHooks(std::string prefsFolder) : mPrefsFolder(std::move(prefsFolder)) {}

  std::string PreferencePath() override {
    if (mPrefsFolder.empty()) return KxAppHooks::PreferencePath();
    Str255 name;
    GetIndString(name, 202, 1);
    return mPrefsFolder + "/" + std::string(reinterpret_cast<const char*>(name + 1), name[0]);
  }

  bool NewDocument() override {
    mDocs.push_back(std::make_unique<StandInDoc>(App(), Untitled(), "", ""));
    return true;
  }
  bool OpenDocument(const std::string& path) override { return Open(path) != nullptr; }
  KxResumeDocument* OpenForResume(const std::string& path) override { return Open(path); }
  bool PrintDocument(const std::string& path) override {
    std::vector<std::uint8_t> raw;
    return KxReadFile(path, raw) == 0;
  }
  bool CloseAllDocuments(OSType saveOption) override {
    // Front to back, as the windows show.
    for (KxWindowID w : KxCurrentHost().WindowList()) {
      StandInDoc* d = Find(w);
      if (!d) continue;
      if (!d->MayClose(saveOption != kAENo)) return false;
      Close(d);
    }
    return true;
  }
  std::vector<UWindowMenu::Document> Documents() override {
    std::vector<UWindowMenu::Document> out;
    for (const auto& d : mDocs) out.push_back({d->Title(), d->Modified(), false});
    return out;
  }
  std::string FrontText() override {
    StandInDoc* d = Find(KxCurrentHost().FrontWindow());
    if (!d) return {};
    std::string text = Utf8(d->Text());
    for (char& c : text)
      if (c == '\r') c = '\n';
    return text;
  }
  void SelectDocument(int index) override {
    if (index >= 1 && std::size_t(index) <= mDocs.size()) KxCurrentHost().SelectWindow(mDocs[std::size_t(index - 1)]->Window());
  }

  void Close(StandInDoc* d) {
    if (gFileResume && !d->Path().empty()) {
      SKXFResume r;
      r.bounds = SKXRectL{};
      if (UKXFSpec::MakeFromPath(r.fileRef, d->Path())) UKXFResume::AddFResume(r, gFileResumeHandle, 100);
    }
    for (auto it = mDocs.begin(); it != mDocs.end(); ++it)
      if (it->get() == d) {
        mDocs.erase(it);
        break;
      }
    if (CKXTextApp* app = CKXTextApp::GetTextApp()) app->UpdateDynamicMenus();
  }
  StandInDoc* Find(KxWindowID w) {
    for (const auto& d : mDocs)
      if (d->Window() == w) return d.get();
    return nullptr;
  }
  std::size_t Count() const { return mDocs.size(); }

 private:
  static LCommander* App() { return CKXTextApp::GetTextApp(); }
  std::string Untitled() {
    // "名称未設定" in Shift_JIS, then the number.
    return std::string("\x96\xBC\x8F\xCC\x96\xA2\x90\xDD\x92\xE8 ") + std::to_string(++gUntitledNo);
  }
  StandInDoc* Open(const std::string& path) {
    for (const auto& d : mDocs)
      if (d->Path() == path) {
        KxCurrentHost().SelectWindow(d->Window());
        return d.get();
      }
    std::vector<std::uint8_t> raw;
    std::string text;
    std::vector<SKXUniChar> sides;
    if (KxReadFile(path, raw) != 0 || !kxdriver::DecodeText(raw, kKxCodeAuto, text, sides)) {
      KxCurrentHost().Alert(KxAlertKind::kStop, "could not read " + path);
      return nullptr;
    }
    const std::string leaf = std::filesystem::path(path).filename().string();
    mDocs.push_back(std::make_unique<StandInDoc>(App(), KxMenuTextFromUTF8(leaf), path, text));
    return mDocs.back().get();
  }

  std::string mPrefsFolder;
  std::vector<std::unique_ptr<StandInDoc>> mDocs;
};

bool StandInDoc::ObeyCommand(CommandT command, void* param) {
  if (command == kKxCmdClose) {
    if (MayClose(true)) {
      auto* hooks = static_cast<StandInHooks*>(&CKXTextApp::GetTextApp()->Hooks());
      hooks->Close(this);   // deletes this
    }
    return true;
  }
  if (kKxWindowCommands.Contains(command)) {
    CKXTextApp::GetTextApp()->Hooks().SelectDocument(int(command - kKxWindowCommands.first + 1));
    return true;
  }
  return LCommander::ObeyCommand(command, param);
}

// ---- printing -----------------------------------------------------------------------

std::string KeyText(const KxMenuItem& it) {
  if (!it.key) return {};
  std::string s = "Ctrl+";
  if (it.modifiers & kKxEventShiftKey) s += "Shift+";
  if (it.modifiers & kKxEventOptionKey) s += "Alt+";
  if (it.modifiers & kKxEventControlKey) s += "Super+";
  return s + char(it.key);
}

void PrintMenu(const LMenuBar& bar, const LMenu& menu, int depth) {
  const std::string indent(std::size_t(depth) * 2, ' ');
  for (std::int16_t i = 1; i <= menu.CountItems(); ++i) {
    const KxMenuItem* it = menu.GetItem(i);
    if (it->separator) {
      std::printf("%s----\n", indent.c_str());
      continue;
    }
    std::string line = indent + std::to_string(it->command) + " " + Utf8(it->text);
    if (it->key) line += " [" + KeyText(*it) + "]";
    if (it->mark == kKxCheckMark) line += " checked";
    else if (it->mark != kKxNoMark) line += " mark=" + std::to_string(it->mark);
    if (const std::uint16_t icon = KxMenuItemIcon(menu.GetMenuID(), i)) line += " icon=" + std::to_string(icon);
    if (!it->enabled) line += " (disabled)";
    if (it->submenuID) line += " >";
    std::printf("%s\n", line.c_str());
    if (it->submenuID && depth < 8)
      if (const LMenu* sub = bar.FetchMenu(it->submenuID)) PrintMenu(bar, *sub, depth + 1);
  }
}

void PrintMenus() {
  const LMenuBar* bar = LMenuBar::GetCurrentMenuBar();
  if (!bar) return;
  for (const LMenu* m : bar->GetBarMenus()) {
    std::printf("%s (%d)%s\n", Utf8(m->GetTitle()).c_str(), int(m->GetMenuID()), "");
    PrintMenu(*bar, *m, 1);
  }
}

const char* AlertKindName(KxAlertKind k) {
  return k == KxAlertKind::kStop ? "stop" : k == KxAlertKind::kCaution ? "caution" : "note";
}

// ---- keys -----------------------------------------------------------------------------

constexpr std::uint8_t kFunctionCodes[15] = {kKxKeyF1,  kKxKeyF2,  kKxKeyF3,  kKxKeyF4,  kKxKeyF5,
                                             kKxKeyF6,  kKxKeyF7,  kKxKeyF8,  kKxKeyF9,  kKxKeyF10,
                                             kKxKeyF11, kKxKeyF12, kKxKeyF13, kKxKeyF14, kKxKeyF15};
constexpr unsigned kFirstFunctionSym = 0xFFBE;

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
  return true;
}

bool ParseCount(const std::string& s, long& out) {
  char* end = nullptr;
  out = std::strtol(s.c_str(), &end, 10);
  return !s.empty() && *end == 0;
}

// ---- the script ------------------------------------------------------------------------

class Runner {
 public:
  Runner(CKXTextApp& app, StandInHooks& hooks, KxHeadlessHost* headless, KxGtkHost* gtk)
      : mApp(app), mHooks(hooks), mHeadless(headless), mGtk(gtk) {}

  std::size_t Pending() { return mHeadless ? mHeadless->PendingEvents() : mGtk->PendingEvents(); }
  void Drain() {
    for (int guard = 0; guard < 100000 && Pending() > 0 && !mApp.IsQuitting(); ++guard) mApp.ProcessNextEvent();
  }
  void PostKey(std::uint8_t ch, std::uint8_t code, unsigned sym, std::uint16_t mods) {
    if (mHeadless) {
      mHeadless->PostKey(ch, code, mods);
    } else if (mGtk) {
      const KxWindowID w = mGtk->FrontWindow();
      if (w != kKxNoWindow) mGtk->SynthesizeKey(w, sym, mods);
    }
  }

  // 0 done, 1 bad step, 2 unsupported here.
  int Step(const std::string& line, int lineNo) {
    std::istringstream in(line);
    std::string verb;
    in >> verb;
    const std::string rest = line.size() > verb.size() + 1 ? line.substr(verb.size() + 1) : std::string();
    std::vector<std::string> args;
    for (std::string a; in >> a;) args.push_back(a);
    if (verb == "open") {
      if (args.empty()) return Bad(lineNo, "open FILE...");
      std::vector<std::string> paths;
      for (const std::string& a : args) {
        std::error_code ec;
        paths.push_back(std::filesystem::absolute(a, ec).lexically_normal().string());
      }
      mApp.HandleAppleEvent(AEMakeOpenDocuments(paths));
    } else if (verb == "type") {
      std::string sjis;
      std::vector<SKXUniChar> sides;
      const auto units = kxdriver::Units(kKxCodeUTF8, reinterpret_cast<const unsigned char*>(rest.data()), long(rest.size()));
      if (!kxdriver::FromUnits(units, sjis, sides)) return Bad(lineNo, "text does not convert");
      for (char c : sjis) {
        std::uint8_t code = 0;
        UKeyTable::GetKeyCode(std::uint8_t(c), code);
        PostKey(std::uint8_t(c), code, std::uint8_t(c), 0);
      }
    } else if (verb == "key") {
      if (args.empty() || args.size() > 2) return Bad(lineNo, "key NAME [MODS]");
      std::uint16_t mods = 0;
      if (args.size() == 2 && !ParseMods(args[1], mods)) return Bad(lineNo, "unknown modifiers " + args[1]);
      if (!Key(args[0], mods)) return Bad(lineNo, "unknown key " + args[0]);
    } else if (verb == "menu") {
      long n = 0;
      if (args.size() != 1 || !ParseCount(args[0], n)) return Bad(lineNo, "menu N");
      LCommander* target = LCommander::GetTarget();
      Boolean enabled = false, usesMark = false;
      std::uint16_t mark = 0;
      Str255 name = {0};
      if (target) target->ProcessCommandStatus(CommandT(n), enabled, usesMark, mark, name);
      if (!enabled) {
        std::fprintf(stderr, "kxapp: line %d: command %ld is disabled\n", lineNo, n);
      } else {
        LCommander::sUpdateCommandStatus = true;
        target->ProcessCommand(CommandT(n));
      }
    } else if (verb == "answer") {
      if (args.size() != 1) return Bad(lineNo, "answer save|dont-save|cancel|ok|PATH");
      if (!mHeadless) return Unsupported(lineNo, "answer needs the headless host");
      const std::string& a = args[0];
      if (a == "save") mHeadless->QueueAnswer(KxAnswer::kSave);
      else if (a == "dont-save") mHeadless->QueueAnswer(KxAnswer::kDontSave);
      else if (a == "cancel") mHeadless->QueueAnswer(KxAnswer::kCancel);
      else if (a == "ok") mHeadless->QueueAnswer(KxAnswer::kOK);
      else {
        std::error_code ec;
        mHeadless->QueueAnswer(KxAnswer::kOK, std::filesystem::absolute(rest, ec).string());
      }
    } else if (verb == "idle") {
      long n = 0;
      if (args.size() != 1 || !ParseCount(args[0], n) || n < 0 || n > 1000000) return Bad(lineNo, "idle N");
      Drain();
      for (long i = 0; i < n && !mApp.IsQuitting(); ++i) mApp.ProcessNextEvent();
    } else if (verb == "print") {
      if (args.size() != 1) return Bad(lineNo, "print menus|windows|alerts|text");
      Drain();
      mApp.UpdateMenus();
      if (args[0] == "menus") {
        PrintMenus();
      } else if (args[0] == "windows") {
        for (KxWindowID w : KxCurrentHost().WindowList())
          if (StandInDoc* d = mHooks.Find(w)) std::printf("%s%s\n", Utf8(d->Title()).c_str(), d->Modified() ? " (modified)" : "");
      } else if (args[0] == "alerts") {
        if (mHeadless)
          for (const auto& a : mHeadless->Alerts()) std::printf("%s: %s\n", AlertKindName(a.kind), a.text.c_str());
      } else if (args[0] == "text") {
        std::printf("%s\n", mHooks.FrontText().c_str());
      } else {
        return Bad(lineNo, "print menus|windows|alerts|text");
      }
    } else if (verb == "quit") {
      if (!args.empty()) return Bad(lineNo, "quit takes no arguments");
      mApp.DoQuit(kAEAsk);
    } else {
      return Bad(lineNo, "unknown step " + verb);
    }
    Drain();
    return 0;
  }

 private:
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
  static int Bad(int lineNo, const std::string& what) {
    std::fprintf(stderr, "kxapp: line %d: %s\n", lineNo, what.c_str());
    return 1;
  }
  static int Unsupported(int lineNo, const std::string& what) {
    std::fprintf(stderr, "kxapp: line %d: %s\n", lineNo, what.c_str());
    return 2;
  }

  CKXTextApp& mApp;
  StandInHooks& mHooks;
  KxHeadlessHost* mHeadless;
  KxGtkHost* mGtk;
};

int Usage() {
  std::fprintf(stderr, "usage: kxapp [--prefs DIR] [--gtk] SCRIPT\n       kxapp [--prefs DIR] --menus\n");
  return 2;
}

int Run(int argc, char** argv) {
  std::string prefs, script;
  bool gtk = false, menus = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--prefs" && i + 1 < argc) prefs = argv[++i];
    else if (a == "--gtk") gtk = true;
    else if (a == "--menus") menus = true;
    else if (a.size() > 1 && a[0] == '-' ) return Usage();
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

  StandInHooks hooks(prefs);
  int status = 0;
  {
    CKXTextApp app(&hooks);
    if (menus) {
      app.Prepare();
      PrintMenus();
    } else {
      app.Prepare();
      Runner runner(app, hooks, headless.get(), gtkHost.get());
      for (std::size_t i = 0; i < lines.size() && !app.IsQuitting(); ++i) {
        std::string line = lines[i];
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#') continue;
        status = runner.Step(line.substr(start), int(i + 1));
        if (status != 0) break;
      }
      if (gtkHost && status == 0 && !app.IsQuitting()) {
        if (hooks.Count() == 0) app.StartUp();
        app.RunLoop();
      }
    }
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  return KxDriverMain("kxapp", KxMacrosFacilities, [&] { return Run(argc, argv); });
}
