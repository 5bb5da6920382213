// The application's side of the spelling checker programs: registering
// (1226), the delete dialog (1227, layout 3650), the checker menu (237,
// commands 1901-1930), their icons in the preference file's resource fork,
// and running a checker from a text view.
#include <algorithm>

#include "app/application.h"
#include "app/globals.h"
#include "app/ispell_checker.h"
#include "app/menu_keys.h"
#include "app/nav_dialogs.h"
#include "app/text_services.h"
#include "app/word_services.h"
#include "app/word_services_run.h"
#include "platform/files.h"
#include "platform/framework/list_box.h"
#include "platform/framework/menu.h"
#include "platform/host/host.h"
#include "platform/host/host_dialogs.h"
#include "platform/resfork.h"
#include "platform/resources.h"
#include "platform/textconv.h"
#include "views/dialog_box.h"

namespace {

constexpr std::int16_t kCheckerMenu = 237;
constexpr CommandT kFirstCheckerCommand = 1901;
constexpr OSType kSmallIconType = FourCC("SICN");
constexpr std::int16_t kIconBase = 450;   // checker n: "SICN" 450 + n
constexpr ResIDT kDeleteLayout = 3650;
constexpr PaneIDT kDeleteButton = 3651, kList = 3653;
constexpr MessageT kListChanged = -3652;
constexpr short kFileStrings = 205;
constexpr short kPromptItem = 9;

// The row of a checker in the delete dialog: its program's file name.
std::string RowName(const KxWordService& s) {
  const std::size_t slash = s.program.rfind('/');
  const std::string leaf = slash == std::string::npos ? s.program : s.program.substr(slash + 1);
  return leaf.empty() ? s.name : KxUTF8ToScriptText(leaf);
}

}  // namespace

int CKXTextApp::CountWordServices() const { return UWordServices::CountServices(); }

void CKXTextApp::RegistWordServices() {
  KxDialogRequest request;
  request.kind = KxDialogKind::kOpen;
  request.prompt = KxScriptTextToUTF8(KxIndString(kFileStrings, kPromptItem));
  const KxDialogReply reply = UNavigationServices::Run(request);
  if (reply.answer != KxAnswer::kOK || reply.paths.empty()) return;
  const std::string path = reply.paths.front();
  KxWordService service;
  const KxCheckerError e = KxProbeChecker(path, service);
  if (e != KxCheckerError::kNone) {
    const std::size_t slash = path.rfind('/');
    KxCurrentHost().Alert(KxAlertKind::kStop,
                          KxCheckerErrorText(slash == std::string::npos ? path : path.substr(slash + 1), e));
    return;
  }
  if (!UWordServices::AddService(service)) return;
  WriteWordServicesPreference();
  UpdateWordServicesMenu();
  LApplication::UpdateMenus();
}

void CKXTextApp::DeleteWordServices() {
  const int count = UWordServices::CountServices();
  if (count == 0) return;
  KXModalDialog handler(kDeleteLayout, this);
  LWindow* w = handler.GetDialog();
  if (!w) return;
  auto* list = dynamic_cast<LListBox*>(w->FindPaneByID(kList));
  if (list)
    for (int n = 1; n <= count; ++n) {
      KxWordService s;
      if (UWordServices::GetService(n, s)) list->AddRow(RowName(s));
    }
  const auto selectedRow = [&]() -> int {
    if (!list) return -1;
    const std::vector<std::int32_t> rows = list->GetSelectedRows();
    return rows.empty() ? -1 : rows.front();
  };
  const auto buttons = [&] {
    if (LPane* p = w->FindPaneByID(kDeleteButton)) selectedRow() >= 0 ? p->Enable() : p->Disable();
  };
  buttons();
  w->Select();
  for (;;) {
    const MessageT m = handler.DoDialog();
    if (m == msg_Cancel) return;
    if (m == kListChanged) buttons();
    if (m == msg_OK) {
      const int row = selectedRow();
      if (row < 0) continue;   // the default key with nothing selected
      if (UWordServices::DeleteService(row + 1)) {
        WriteWordServicesPreference();
        UpdateWordServicesMenu();
        LApplication::UpdateMenus();
      }
      return;
    }
  }
}

void CKXTextApp::WriteWordServicesPreference() {
  gPrefModify = true;
  Hooks().WritePreference();
  const std::string path = Hooks().PreferencePath();
  if (path.empty()) return;   // no preference folder: nothing is kept
  KxResFork fork;
  if (KxReadResourceFork(path, fork) != 0) fork.Clear();
  const int count = UWordServices::CountServices();
  for (int n = 1; n <= count; ++n) {
    KxWordService s;
    if (!UWordServices::GetService(n, s)) continue;
    const auto id = std::int16_t(kIconBase + n);
    if (UWordServices::HasIcon(s))
      fork.Put(kSmallIconType, id, s.icon.data(), s.icon.size());
    else
      fork.Remove(kSmallIconType, id);
  }
  // The icon of the checker that was last before a delete.
  fork.Remove(kSmallIconType, std::int16_t(kIconBase + count + 1));
  KxWriteResourceFork(path, fork);
  OSType type = 0, creator = 0;
  if (!KxGetFileTypeCreator(path, type, creator) || type != FourCC("pref"))
    KxSetFileTypeCreator(path, FourCC("pref"), FourCC("KXTE"));
}

void CKXTextApp::UpdateWordServicesMenu() {
  LMenuBar* bar = LMenuBar::GetCurrentMenuBar();
  LMenu* menu = bar ? bar->FetchMenu(kCheckerMenu) : nullptr;
  if (!menu) return;
  // The last two items stay: Register and Delete.
  while (menu->CountItems() > 2) menu->DeleteItem(1);
  KxResFork fork;
  const bool haveFork = KxReadResourceFork(Hooks().PreferencePath(), fork) == 0;
  const int count = std::min(UWordServices::CountServices(), kKxMaxWordServicesInMenu);
  for (int n = 1; n <= count; ++n) {
    KxWordService s;
    if (!UWordServices::GetService(n, s)) continue;
    Str255 text;
    KxSetNameCut(text, s.name.empty() ? std::string("?") : s.name);
    menu->InsertItem(text, std::int16_t(n - 1), kFirstCheckerCommand + n - 1);
    const CommandT command = kFirstCheckerCommand + n - 1;
    SMenukey key;
    if (UCustomMenu::GetMenuKey(command, key)) {
      UCustomMenu::SetCmdKey(*menu, std::int16_t(n), key.key, key.modifiers);
    } else if (haveFork) {
      if (const KxResForkItem* icon = fork.Find(kSmallIconType, std::int16_t(kIconBase + n)))
        menu->SetSmallIcon(std::int16_t(n), icon->data);
    }
  }
  if (count > 0) menu->InsertSeparator(std::int16_t(count));
}

// ---- from the text views ----------------------------------------------------------------------------

long CKXAppTextServices::CountWordServices() { return UWordServices::CountServices(); }

void CKXAppTextServices::ExecuteWordServices(long n, CKXTextView* view) {
  if (n < 1 || n > UWordServices::CountServices()) return;
  const bool modified = UWordServices::IsModified();
  KxCheckerRun::Get().Begin(int(n), view);
  if (UWordServices::IsModified() && !modified) gPrefModify = true;
}
