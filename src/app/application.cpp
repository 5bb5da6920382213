#include "app/application.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "app/app_commands.h"
#include "app/app_dialog.h"
#include "app/color_schedule.h"
#include "app/color_schedule_file.h"
#include "platform/draw/color.h"
#include "platform/resources.h"
#include "app/contextual_menu.h"
#include "app/globals.h"
#include "app/nav_extras.h"
#include "app/prefs_file.h"
#include "app/services.h"
#include "engine/input_method_handler.h"
#include "engine/macro_recorder.h"
#include "engine/text_event.h"
#include "engine/text_layer.h"
#include "platform/ae/ae_codes.h"
#include "platform/ae/required_events.h"
#include "platform/clock.h"
#include "platform/framework/control.h"
#include "platform/framework/document.h"
#include "platform/core.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "platform/framework/periodical.h"
#include "platform/host/host.h"
#include "platform/toolbox/keytable.h"
#include "text/codes/jcode.h"
#include "views/scroller.h"
#include "views/text_colm_view.h"
#include "views/text_info_view.h"
#include "views/text_window.h"

namespace {

// The delayed refresh waits this many caret-blink periods after the last request.
constexpr std::uint32_t kRefreshDelayBlinks = 4;

// Event numbers and classes of script requests.
constexpr DescType kClassDocument = FourCC("docu");
constexpr DescType kTextClasses[] = {FourCC("cha "), FourCC("clin"), FourCC("ctxt"), FourCC("cwor"), FourCC("cpar")};
constexpr DescType kPropertySelection = FourCC("sele");

constexpr OSErr kUserCanceled = -128;
constexpr const char* kVersionText = "0.1";

bool IsArrowChar(std::uint8_t ch) {
  return ch == kKxCharLeftArrow || ch == kKxCharRightArrow || ch == kKxCharUpArrow || ch == kKxCharDownArrow;
}

// Keeps the resume opener's documents for KxDoFileResume, and the order
// they came in.
class HookResumeOpener : public KxResumeOpener {
 public:
  explicit HookResumeOpener(KxAppHooks& hooks) : mHooks(hooks) {}
  KxResumeDocument* OpenForResume(const std::string& path) override {
    KxResumeDocument* doc = mHooks.OpenForResume(path);
    if (doc) mOpened.push_back(doc);
    return doc;
  }
  // The list runs front to back (the front window closed first at the
  // quit), and each open comes to the front: brought forward from the last
  // to the first, the windows stack as they did.
  void Restack() const {
    for (auto it = mOpened.rbegin(); it != mOpened.rend(); ++it)
      if (auto* doc = dynamic_cast<LDocument*>(*it)) doc->MakeCurrent();
  }

 private:
  KxAppHooks& mHooks;
  std::vector<KxResumeDocument*> mOpened;
};

}  // namespace

// ---- hooks' defaults that do real work -------------------------------------------

void KxAppHooks::InitializeGlobals() {
  mStartedCore = !CoreIsInitialized();
  ::InitializeGlobals();
}

void KxAppHooks::TerminateGlobals() {
  if (mStartedCore) ::TerminateGlobals();
  mStartedCore = false;
}
std::string KxAppHooks::PreferencePath() { return KxPreferencePath(); }
namespace {
// The schedule's files lie beside the preference file.
std::string Beside(const std::string& preferencePath, const std::string& standard) {
  const std::size_t slash = preferencePath.rfind('/');
  const std::size_t leaf = standard.rfind('/');
  return preferencePath.substr(0, slash == std::string::npos ? 0 : slash + 1) +
         (leaf == std::string::npos ? standard : standard.substr(leaf + 1));
}

std::string Quoted(const std::string& path) { return "\u300C" + path + "\u300D"; }
}  // namespace

void KxAppHooks::ReadPreference() {
  const std::string path = PreferencePath();
  KxReadPreference(path, KxFactorySettingsPath());
  // Each told once, as the program starts, so that no change of the
  // settings is made believing it will last.
  if (path.empty())
    KxCurrentHost().Alert(KxAlertKind::kNote,
                          "ホームフォルダが見つからないため、設定を保存する場所がありません。出荷時の設定を使います。"
                          "設定を変更しても保存されません。");
  std::string unreadable;
  if (const int err = KxPreferenceFileUnreadable(&unreadable))
    KxCurrentHost().Alert(KxAlertKind::kNote,
                          "設定ファイル" + Quoted(unreadable) + "を読み込めませんでした (" + KxErrorText(err) +
                              ")。出荷時の設定を使います。ファイルはそのままにして上書きしないため、読み込めるように"
                              "なるまで設定の変更は保存されません。");
  // Only the settings before the damage are in use.
  std::string copy;
  if (KxPreferenceFileDamaged(&copy)) {
    const std::string name = Quoted(std::filesystem::path(path).filename().string());
    KxCurrentHost().Alert(KxAlertKind::kCaution,
                          copy.empty()
                              ? "設定ファイル" + name +
                                    "が壊れています。読み込めた設定を使います。ファイルの写しを残せなかったため、"
                                    "上書きしません。"
                              : "設定ファイル" + name + "が壊れています。読み込めた設定を使います。壊れたファイルは" +
                                    Quoted(std::filesystem::path(copy).filename().string()) + "として残しました。");
  }
  Str255 title;
  GetIndString(title, kKxScheduleTitleList, kKxScheduleTitleItem);
  UKXColorSchedule::SetNewTitle(std::string(reinterpret_cast<const char*>(title + 1), title[0]));
  // A schedule file that cannot be read stays on disk until the user
  // makes a schedule of their own. Without a preference folder there is
  // none to read (its name alone would be the current folder's).
  std::string failed;
  const int err = path.empty() ? 0
                               : KxReadColorSchedule(Beside(path, KxColorSchedulePath()),
                                                     Beside(path, KxOldColorSchedulePath()), &failed);
  if (err != 0)
    KxCurrentHost().Alert(KxAlertKind::kNote,
                          "カラースケジュールのファイル" + Quoted(failed) + "を読み込めませんでした (" +
                              (err == EILSEQ ? std::string("壊れています") : KxErrorText(err)) +
                              ")。スケジュールは使いません。新しいスケジュールを作るまで、ファイルはそのままにしておきます。");
  UKXColorSchedule::SetLoadFailed(err != 0);
  UKXColorSchedule::SetChanged(false);
  UKXColorSchedule::Rebuild(true);
}

void KxAppHooks::WritePreference() {
  const std::string path = PreferencePath();
  const bool modified = gPrefModify;
  // The user's own colours are written, not a schedule entry's.
  if (modified) KxEndColorScheduleOverride();
  // An unreadable file and a missing home folder were told at the start.
  if (path.empty() || KxPreferenceFileUnreadable() != 0) return;
  if (const int err = KxWritePreference(path)) {
    // A note, not a question: the quit goes on either way.
    KxCurrentHost().Alert(KxAlertKind::kNote, "設定を" + Quoted(path) + "に保存できませんでした (" +
                                                  KxErrorText(err) + ")。最近の設定の変更は残りません。");
    return;
  }
  if (!modified) return;
  if (UKXColorSchedule::LoadFailed() && !UKXColorSchedule::Changed()) return;
  if (KxWriteColorSchedule(Beside(path, KxColorSchedulePath()), Beside(path, KxOldColorSchedulePath())) == 0)
    UKXColorSchedule::SetChanged(false);
}

void KxAppHooks::InitializeColors(int colorVariation) {
  UKXColor::InitColorUtils();
  UKXColor::ColorVariation(short(colorVariation));
}

// ---- CKXApplication ----------------------------------------------------------------

CKXApplication::CKXApplication() : LModelObject(nullptr, FourCC("capp")) {
  SetSleepTime(kKxNormalSleepTicks);
  KxMemSetRecoverer(this);
}

CKXApplication::~CKXApplication() { KxMemSetRecoverer(nullptr); }

CKXApplication* CKXApplication::GetApplication() { return dynamic_cast<CKXApplication*>(LApplication::GetApplication()); }

void CKXApplication::SetWaitEventSpeed(bool fast) {
  if (CKXApplication* app = GetApplication()) app->SetFastWait(fast);
}

void SetDialogOpen(bool open) {
  gDialogOpen = open;
  CKXApplication::SetWaitEventSpeed(open);
}

// ---- CKXTextApp: life cycle ------------------------------------------------------------

bool CKXTextApp::sUpdateMenus = false;
std::uint32_t CKXTextApp::sUpdateTime = 0;
bool CKXTextApp::sOpenDialogExtras = false;
bool CKXTextApp::sInvalidNavigationServices = false;

CKXTextApp::CKXTextApp(KxAppHooks* hooks) : mHooks(hooks ? hooks : &mDefaultHooks) {
  sUpdateMenus = false;
  mHooks->InitializeGlobals();
  mHooks->RegisterClasses();
  UKXTextOSXServices::Initialize();
  mHooks->InitializeServices();
  mHooks->ReadPreference();
  KxUseStoredFunctionKeys();
  mHooks->InitializeScrap();
  sOpenDialogExtras = gFilePref.ownDialogs != 0;
  // The open and save dialogs show their extras as stored.
  KxSetCustomNavigation(sOpenDialogExtras);
}

CKXTextApp::~CKXTextApp() {
  // Each step is on its own: a failing one must not keep the preferences
  // from being written nor the globals from being freed.
  const auto step = [](auto&& f) {
    try {
      f();
    } catch (...) {
    }
  };
  step([] {
    KxModelessDialog::CloseAll();
    KxModelessDialog::DeleteClosed();
  });
  step([&] { mHooks->CloseToolWindows(); });
  step([&] { mHooks->CloseFunctionBar(); });
  step([&] { mHooks->WritePreference(); });
  step([&] { mHooks->CloseToolPalette(); });
  step([&] { mHooks->TerminateScrap(); });
  step([&] { mHooks->TerminateGlobals(); });
  step([&] { mHooks->TerminateServices(); });
  step([] { UKXTextOSXServices::Terminate(); });
  CKXTextContextualMenu::Forget();
}

CKXTextApp* CKXTextApp::GetTextApp() { return dynamic_cast<CKXTextApp*>(LApplication::GetApplication()); }

void CKXTextApp::Initialize() {
  // Conversions between the Japanese encodings and Unicode are always
  // there; detection must never depend on how the open dialog looks.
  CKXJCode::sUseUNICODE = 1;
  CKXJCode::sUseCVKANJI = 1;
  CKXJCode::sCodeType = kKxCodeAuto;
  mHooks->InitializeColors(KxPrefColorVariation(gPreference2));
  KxApplyPaperColor();
  sInvalidNavigationServices = (gPreference.flags & kKxPrefFlagPlainNavOff) != 0;
  CKXScroller::SetLiveScrolling((gPreference.flags & kKxPrefFlagLiveScroll) != 0);
  CKXTextEvent::SetClickOnLink(gPreference2.openURLs != 0);
  CKXTextLayer::SetKeyScriptCheck(gPreference.scriptCheck);
  CKXTextTSMHandler::SetInlineColour(gPreference2.inlineOption);
  CKXTextTSMHandler::SetInputWindowBelow(gPreference2.imePosition != 0);
  if (gPreference.toolPalette) mHooks->ShowToolPalette();
  if (gPreference2.functionBar) mHooks->ShowFunctionBar();
}

void CKXTextApp::Prepare() {
  MakeMenuBar();
  Initialize();
  LApplication::UpdateMenus();
}

void CKXTextApp::Launch(const std::vector<std::string>& files) {
  Prepare();
  if (files.empty())
    HandleAppleEvent(AEMakeOpenApplication());
  else
    HandleAppleEvent(AEMakeOpenDocuments(files));
  // Files that all failed to open would leave the program without a
  // window, and so without a menu bar to quit from.
  if (!files.empty() && mHooks->Documents().empty()) MakeNewDocument();
  LApplication::UpdateMenus();
}

void CKXTextApp::RunWith(const std::vector<std::string>& files) {
  Launch(files);
  RunLoop();
}

void CKXTextApp::RunLoop() {
  while (!mQuitting && !KxCurrentHost().ShouldStop()) ProcessNextEvent();
}

// ---- events ------------------------------------------------------------------

OSErr CKXTextApp::HandleAppleEvent(const AppleEvent& event) {
  if (event.GetEventClass() != kCoreEventClass) return errAEEventNotHandled;
  try {
    const AEEventID id = event.GetEventID();
    if (id == kAEOpenApplication) {
      StartUp();
    } else if (id == kAEOpenDocuments || id == kAEPrintDocuments) {
      // An encoding the open dialog forced holds for every file of the
      // event; each open uses it up.
      const short code = KxGetOpenCodeType(event);
      for (const std::string& path : AEGetFilePaths(event)) {
        if (id == kAEOpenDocuments) {
          if (code != kKxCodeAuto) CKXJCode::sCodeType = code;
          OpenDocument(path);
        } else {
          PrintDocument(path);
        }
      }
    } else if (id == kAEQuitApplication) {
      if (!DoQuit(AEGetSaveOption(event))) return kUserCanceled;
    } else {
      return errAEEventNotHandled;
    }
  } catch (const LException& e) {
    return OSErr(e.GetErrorCode());
  }
  return noErr;
}

void CKXTextApp::StartUp() {
  switch (KxPrefStartupAction(gPreference)) {
    case kKxStartupNew:
      ObeyCommand(kKxCmdNew, nullptr);
      break;
    case kKxStartupOpenDialog:
      ObeyCommand(kKxCmdOpen, nullptr);
      // A cancelled dialog (or a file that would not open) would leave the
      // program without a window, and so without a menu bar to quit from.
      if (mHooks->Documents().empty()) MakeNewDocument();
      break;
    case kKxStartupBrowser:
      ObeyCommand(kKxCmdFileBrowser, nullptr);
      break;
    case kKxStartupResume:
      DoFileResume();
      break;
    default:
      break;
  }
}

void CKXTextApp::DoFileResume() {
  HookResumeOpener opener(*mHooks);
  // Nothing reopened (an empty list, or every file gone) would leave the
  // program without a window: an untitled document takes its place.
  if (KxDoFileResume(gFileResumeHandle, opener) == 0) MakeNewDocument();
  else opener.Restack();
  UpdateDynamicMenus();
}

bool CKXTextApp::DoQuit(OSType saveOption) {
  // The documents record themselves into a fresh list while they close; a
  // cancel gives the old list back, since nothing quit.
  const KxBlock previous = gFileResumeHandle;
  gFileResumeHandle.clear();
  gFileResume = KxPrefStartupAction(gPreference) == kKxStartupResume;
  bool closed = false;
  try {
    closed = mHooks->CloseAllDocuments(saveOption);
  } catch (...) {
    gFileResume = false;
    gFileResumeHandle = previous;
    throw;
  }
  gFileResume = false;
  if (!closed) {
    gFileResumeHandle = previous;
    UpdateDynamicMenus();
    return false;
  }
  if (gFileResumeHandle != previous) gPrefModify = true;
  KxModelessDialog::CloseAll();
  mQuitting = true;
  SendQuit();
  return true;
}

Boolean CKXTextApp::INeedMemory() { return CKXTextLayer::PurgeUndoStates(); }

void CKXTextApp::RunMenuCommand(CommandT command, std::int16_t menuID, std::int16_t item) {
  if (command == kKxCmdNothing) return;
  LCommander::sUpdateCommandStatus = true;
  std::int32_t choice = (std::int32_t(menuID) << 16) | std::uint16_t(item);
  if (LCommander* target = MenuTarget()) target->ProcessCommand(command, &choice);
  CKXMacroRecorder& recorder = CKXMacroRecorder::Get();
  if (recorder.IsRecording()) recorder.AddMacroCommand(command);
}

void CKXTextApp::EventKeyDown(const EventRecord& event) {
  const std::uint8_t ch = KxEventChar(event);
  if ((event.modifiers & kKxEventCommandKey) && !IsArrowChar(ch) && mMenuBar) {
    // The enabling must be current before a key chooses an item; a pending
    // delayed refresh runs now instead of later.
    if (sUpdateMenus)
      UpdateMenus();
    else
      LApplication::UpdateMenus();
    std::int16_t menuID = 0, item = 0;
    bool found = mMenuBar->FindKeyCommand(ch, event.modifiers, menuID, item);
    if (!found && (event.modifiers & kKxEventShiftKey)) {
      // A shifted key without an item of its own chooses the unshifted one.
      const std::uint16_t unshifted = std::uint16_t(event.modifiers & ~kKxEventShiftKey);
      found = mMenuBar->FindKeyCommand(ch, unshifted, menuID, item);
      const std::uint8_t plain = UKeyTable::GetCharCode(KxEventKeyCode(event));
      if (!found && plain && plain != ch) found = mMenuBar->FindKeyCommand(plain, unshifted, menuID, item);
    }
    if (found) {
      const LMenu* menu = mMenuBar->FetchMenu(menuID);
      if (menu && menu->IsItemEnabled(item)) RunMenuCommand(mMenuBar->FindCommand(menuID, item), menuID, item);
      return;   // a disabled item's key is not typed either
    }
  }
  if (LCommander* target = GetTarget()) target->ProcessKeyPress(event);
}

void CKXTextApp::EventAutoKey(const EventRecord& event) {
  // Menu keys repeat their commands; other repeats type as usual.
  EventKeyDown(event);
}

void CKXTextApp::EventMenuChoice(std::int16_t menuID, std::int16_t item) {
  if (sUpdateMenus) UpdateMenus();
  if (menuID == kKxPopupMenuID) {
    // The status bar's scale menu, the window's information menu and the
    // pop-up controls answer their own choices; at most one pop-up waits at
    // a time.
    if (LStdPopupMenu::ChooseWaiting(item)) return;
    if (CKXTextInfoView::IsScaleMenuOpen()) {
      CKXTextInfoView::ChooseScaleItem(std::int16_t(item + 1));   // its items count from 1
      return;
    }
    if (CKXTextWindow::IsInfoMenuOpen()) {
      CKXTextWindow::ChooseInfoMenu(item);
      return;
    }
    if (CKXTextColmView::IsPopupOpen()) {
      CKXTextColmView::ChoosePopupItem(std::int16_t(item + 1));   // its items count from 1
      return;
    }
    RunMenuCommand(CKXTextContextualMenu::CommandOfChoice(item), menuID, item);
    return;
  }
  if (mMenuBar) RunMenuCommand(mMenuBar->FindCommand(menuID, item), menuID, item);
}

void CKXTextApp::EventMouseDown(const EventRecord& event) {
  KxHost& host = KxCurrentHost();
  const KxWindowID window = host.FindWindow(event.where);
  if ((event.modifiers & kKxEventControlKey) && window != kKxNoWindow && window == host.FrontWindow())
    if (LCommander* target = GetTarget();
        target && !target->ExecuteAttachments(kKxMsgContextClick, const_cast<EventRecord*>(&event)))
      return;
  LApplication::EventMouseDown(event);
}

void CKXTextApp::SetUpdateCommandStatus(bool update) {
  sUpdateMenus = update;
  sUpdateTime = TickCount() + kRefreshDelayBlinks * GetCaretTime();
}

void CKXTextApp::UpdateMenus() {
  ++mMenuRefreshes;
  sUpdateMenus = false;
  LApplication::UpdateMenus();
}

void CKXTextApp::DispatchEvent(const EventRecord& event) {
  struct Depth {
    int& n;
    ~Depth() { --n; }
  } depth{++mDispatchDepth};
  LApplication::DispatchEvent(event);
  if (mDispatchDepth == 1) KxModelessDialog::DeleteClosed();
}

void CKXTextApp::UseIdleTime(const EventRecord& event) {
  if (mDispatchDepth == 0) KxModelessDialog::DeleteClosed();
  LPeriodical::DevoteTimeToIdlers(event);
  if (LCommander::sUpdateCommandStatus) LApplication::UpdateMenus();
  if (sUpdateMenus && TickCount() > sUpdateTime) UpdateMenus();
  if (UKXColorSchedule::HasChecks()) ColorSchedule();
  mHooks->ColorSchedulePoll();
  // There is no menu bar without a window: the last one closing quits.
  const bool haveWindow = !KxCurrentHost().WindowList().empty();
  if (mHadWindow && !haveWindow && !mQuitting) DoQuit(kAEAsk);
  mHadWindow = haveWindow;
}

// ---- script objects ------------------------------------------------------------

long CKXTextApp::CountSubModels(DescType kind) {
  if (kind == kClassDocument) return long(mHooks->Documents().size());
  return LModelObject::CountSubModels(kind);
}

void CKXTextApp::GetSubModelByPosition(DescType kind, std::int32_t index, LModelToken& outToken) {
  LModelObject::GetSubModelByPosition(kind, index, outToken);
}

void CKXTextApp::GetModelToken(DescType kind, DescType keyForm, const AEDesc& keyData, LModelToken& outToken) {
  bool text = false;
  for (DescType c : kTextClasses) text = text || kind == c;
  if (keyForm == formPropertyID && (keyData.GetType() == typeType || keyData.GetType() == typeProperty)) {
    const auto data = keyData.GetData();
    if (data.size() == 4 && OSType(data[0] << 24 | data[1] << 16 | data[2] << 8 | data[3]) == kPropertySelection)
      text = true;
  }
  if (!text) {
    LModelObject::GetModelToken(kind, keyForm, keyData, outToken);
    return;
  }
  LModelObject* document = mHooks->FrontDocumentModel();
  if (!document) throw LException(errAENoSuchObject);
  document->GetModelToken(kind, keyForm, keyData, outToken);
}

LModelObject* CKXTextApp::GetInsertionTarget(OSType position) {
  if (LModelObject* document = mHooks->FrontDocumentModel()) return document->GetInsertionTarget(position);
  return LModelObject::GetInsertionTarget(position);
}

// ---- command line -------------------------------------------------------------------

int KxParseCommandLine(int argc, const char* const* argv, std::vector<std::string>& files, std::string& output) {
  files.clear();
  output.clear();
  bool optionsDone = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (!optionsDone && arg == "--") {
      optionsDone = true;
    } else if (!optionsDone && (arg == "--help" || arg == "-h")) {
      output = "usage: kxtext [FILE...]\n"
               "Opens each FILE in its own window; without files, does what the start-up\n"
               "setting of the preferences says (a new document by default).\n"
               "  --help     show this text\n"
               "  --version  show the program's version\n";
      return 0;
    } else if (!optionsDone && arg == "--version") {
      output = std::string("kxtext ") + kVersionText + "\n";
      return 0;
    } else if (!optionsDone && arg.size() > 1 && arg[0] == '-') {
      output = "kxtext: unknown option " + arg + " (try --help)\n";
      return 2;
    } else if (!arg.empty()) {
      // Named from the folder the program started in: the recent list and
      // the documents to reopen keep only whole paths.
      std::error_code error;
      const std::filesystem::path whole = std::filesystem::absolute(arg, error);
      files.push_back(error ? arg : whole.lexically_normal().string());
    }
  }
  return -1;
}
