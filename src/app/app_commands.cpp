// The command side of the application object: the commands it enables and
// obeys itself, the menu bar, documents for the framework, help and About.
#include <filesystem>

#include "views/message_box.h"

#include "app/app_commands.h"
#include "app/application.h"
#include "app/color_schedule.h"
#include "platform/keys.h"
#include "app/customize_dialog.h"
#include "app/document.h"
#include "app/dynamic_menus.h"
#include "app/globals.h"
#include "app/menu_keys.h"
#include "app/nav_dialogs.h"
#include "app/prefs_file.h"
#include "app/recent_menu.h"
#include "engine/text_undoer.h"
#include "platform/ae/ae_codes.h"
#include "platform/ae/required_events.h"
#include "platform/framework/dialog.h"
#include "platform/framework/menu.h"
#include "platform/host/host.h"
#include "platform/resources.h"
#include "platform/framework/resource_uses.h"
#include "platform/textconv.h"
#include "text/base/geometry.h"
#include "text/codes/jcode.h"

namespace {

// Commands that only open a dialog or a tool window of a later area.
constexpr CommandT kToolCommands[] = {kKxCmdShowClipboard, kKxCmdFileBrowser,
                                      kKxCmdCustomizeKeys, kKxCmdMacroEditor, kKxCmdFileSearch,
                                      kKxCmdStreamEditor,  kKxCmdFunctionBarSetup, kKxCmdCustomForm};
// Commands the documents enable; the application leaves them off.
constexpr CommandT kDocumentCommands[] = {kKxCmdPageSetup};
constexpr std::int16_t kSizeMenuReserved = 5;

bool IsIn(CommandT c, const CommandT* list, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i)
    if (list[i] == c) return true;
  return false;
}

std::string HelpFolder() { return KxDataFolder() + "/help"; }

}  // namespace

bool CKXTextApp::AppCommandStatus(CommandT command, Boolean& enabled, Boolean& usesMark, std::uint16_t& mark) {
  switch (command) {
    case kKxCmdNew:
    case kKxCmdOpen:
    case kKxCmdQuit:
    case kKxCmdAbout:
    case kKxCmdServices:
    case kKxCmdOptionPrefs:
    case kKxCmdMacroDialog:
    case kKxCmdCustomizeKeys:
    case kKxCmdFunctionBarSetup:
    case kKxCmdPreferences:
    case kKxCmdPrefDialog:
      enabled = true;
      return true;
    case kKxCmdRegisterSpeller:
      enabled = true;
      return true;
    case kKxCmdDeleteSpeller:
      enabled = CountWordServices() > 0;
      return true;
    case kKxCmdHelpInformation:
      // Only with an address to open.
      enabled = KxHasIndString(kKxAppFilesList, kKxHelpURLItem);
      return true;
    case kKxCmdRecentItems:
    case kKxCmdClearRecent:
      enabled = gRecentFileCount > 0 || gRecentDirCount > 0;
      return true;
    case kKxCmdToolPalette:
    case kKxCmdFunctionBar:
      // An item is enabled only when it does something.
      enabled = mHooks->HasTool(command);
      usesMark = true;
      mark = (command == kKxCmdToolPalette ? mHooks->ToolPaletteShown() : mHooks->FunctionBarShown()) ? kKxCheckMark
                                                                                                     : kKxNoMark;
      return true;
    default:
      break;
  }
  if (IsIn(command, kDocumentCommands, std::size(kDocumentCommands))) {
    enabled = false;
    return true;
  }
  if (IsIn(command, kToolCommands, std::size(kToolCommands))) {
    enabled = mHooks->HasTool(command);
    return true;
  }
  if (kKxHelpCommands.Contains(command)) {
    enabled = true;
    return true;
  }
  if (kKxWindowCommands.Contains(command) && mHooks->ToolWindowOpen()) {
    enabled = true;
    usesMark = true;
    mark = kKxNoMark;
    return true;
  }
  return false;
}

void CKXTextApp::FindCommandStatus(CommandT command, Boolean& enabled, Boolean& usesMark, std::uint16_t& mark,
                                   Str255 name) {
  usesMark = false;
  if (KxCustomizeFindCommand(command, enabled)) return;   // capturing menu keys
  if (gDialogOpen) {
    enabled = false;
    return;
  }
  std::int16_t menuID = 0, item = 0;
  if (IsSyntheticCommand(command, menuID, item)) {
    if (menuID == kKxFontMenu || menuID == kKxSizeMenu) {
      enabled = false;   // without a text to apply them to
      return;
    }
    if (menuID >= kKxRecentMenu && menuID <= kKxRecentMenuLast) {
      enabled = true;
      return;
    }
    LApplication::FindCommandStatus(command, enabled, usesMark, mark, name);
    return;
  }
  if (!AppCommandStatus(command, enabled, usesMark, mark))
    LApplication::FindCommandStatus(command, enabled, usesMark, mark, name);
}

LCommander* CKXTextApp::MenuTarget() {
  // The key settings pick what is chosen in any window's menus: a choice
  // must not reach a window that would run it itself (a document's undo).
  return KxCustomizeCapturing() ? this : GetTarget();
}

bool CKXTextApp::ObeyCommand(CommandT command, void* param) {
  if (KxCustomizeObeyCommand(command)) return true;   // capturing menu keys
  if (kKxDialogMessages.Contains(command)) {
    if (DialogObeyCommand(command, param)) return true;
    if (mHooks->RunTool(command)) return true;
  }
  std::int16_t menuID = 0, item = 0;
  if (IsSyntheticCommand(command, menuID, item) && menuID >= kKxRecentMenu && menuID <= kKxRecentMenuLast) {
    SKXFSpec ref;
    if (!URecentMenu::GetRecent(menuID, item, ref)) return true;
    const std::string path = UKXFSpec::PathOf(ref);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
      // The file has gone: its item goes, and the open dialog is offered.
      URecentMenu::DeleteRecent(menuID, item);
      URecentMenu::UpdateMenu();
      ChooseDocument();
    } else {
      HandleAppleEvent(AEMakeOpenDocuments({path}));
    }
    return true;
  }
  switch (command) {
    case kKxCmdNew:
      MakeNewDocument();
      return true;
    case kKxCmdOpen:
      ChooseDocument();
      return true;
    case kKxCmdQuit:
      DoQuit(kAEAsk);
      return true;
    case kKxCmdAbout:
      AboutCommand();
      return true;
    case kKxCmdPreferences:
      DoPreferences();
      return true;
    case kKxCmdPrefDialog:
      OpenPrefDialog();
      return true;
    case kKxCmdOptionPrefs:
      OpenOptPrefDialog();
      return true;
    case kKxCmdMacroDialog:
      OpenMacroDialog();
      return true;
    case kKxCmdCustomizeKeys:
    case kKxCmdFunctionBarSetup:
      KxOpenCustomizeDialog(this, command == kKxCmdFunctionBarSetup);
      return true;
    case kKxCmdServices:
    case kKxCmdRecentItems:
      return true;
    case kKxCmdClearRecent:
      URecentMenu::ClearRecent();
      URecentMenu::UpdateMenu();
      return true;
    case kKxCmdHelpInformation:
      OpenHelpInformation(0);
      return true;
    case kKxCmdToolPalette:
    case kKxCmdFunctionBar:
      if (!mHooks->RunTool(command)) KxCurrentHost().Beep();
      return true;
    case kKxCmdRegisterSpeller:
      RegistWordServices();
      return true;
    case kKxCmdDeleteSpeller:
      DeleteWordServices();
      return true;
    default:
      break;
  }
  if (IsIn(command, kToolCommands, std::size(kToolCommands))) {
    // A tool that is not there yet answers with a beep rather than nothing.
    if (!mHooks->RunTool(command)) KxCurrentHost().Beep();
    return true;
  }
  if (kKxHelpCommands.Contains(command)) {
    OpenHelpFile(short(command - kKxHelpCommands.first + 1));
    return true;
  }
  if (kKxWindowCommands.Contains(command) && mHooks->ToolWindowOpen()) {
    mHooks->SelectDocument(int(command - kKxWindowCommands.first + 1));
    return true;
  }
  return LApplication::ObeyCommand(command, param);
}

void CKXTextApp::MakeMenuBar() {
  // One bar on this desktop: the alternative arrangement of the menus is
  // the same bar.
  mMenuBar.reset();
  mMenuBar = std::make_unique<LMenuBar>(kKxMenuBarID);
  UFontMenu::Initialize(true);
  USizeMenu::Initialize(kSizeMenuReserved, true);
  URecentMenu::UpdateMenu();
  UFontregMenu::UpdateMenu();
  UHelpMenu::UpdateMenu(HelpFolder());
  UpdateDynamicMenus();
  UpdateWordServicesMenu();
  // The user's keys last, so that they win.
  UCustomMenu::UpdateMenu();
  KxSetRedoKeySetter([](LMenu& menu, std::int16_t item) {
    SMenukey key;
    if (UCustomMenu::GetMenuKey(kKxCmdRedo, key)) UCustomMenu::SetCmdKey(menu, item, key.key, key.modifiers);
  });
}

void CKXTextApp::RemakeMenuBar() {
  MakeMenuBar();
  LApplication::UpdateMenus();
}

void CKXTextApp::UpdateDynamicMenus() {
  if (!mMenuBar) return;
  UWindowMenu::UpdateMenu(mHooks->Documents());
  UMarkMenu::UpdateMenu(true, mHooks->MarkListOpen(), mHooks->FrontMarks());
  UMacroMenu::UpdateMenu(mHooks->MacroNames());
  UFormMenu::UpdateMenu(mHooks->FormNames());
  UEditMenu::UpdateClipboardMenu(mHooks->ClipNames());
  UEditMenu::AppendMorePasteMenu();
}

void CKXTextApp::DoPreferences() { ProcessCommand(kKxCmdPrefDialog); }

void CKXTextApp::OpenDocument(const std::string& path) {
  // Only files that opened go to the recent list: a failed open would
  // leave an item that fails again.
  if (mHooks->OpenDocument(path)) URecentMenu::SetRecentPath(path);
  // The Aozora choice of the open dialog is for one open only.
  CKXJCode::sCodeType = kKxCodeAuto;
  UpdateDynamicMenus();
}

void CKXTextApp::MakeNewDocument() {
  mHooks->NewDocument();
  UpdateDynamicMenus();
}

void CKXTextApp::PrintDocument(const std::string& path) { mHooks->PrintDocument(path); }

void CKXTextApp::ChooseDocument() {
  // The open dialog with its format filters and, as the preference says,
  // its encoding popup; the choice forces the encoding (or Aozora
  // notation) of the files chosen. Several files come back as one open
  // event that carries the choice.
  std::vector<AppleEvent> several;
  UNavigationServices::SetOpenEventSink([&several](const AppleEvent& event) { several.push_back(event); });
  FSSpec file;
  OSType type = 0;
  bool chosen = false;
  try {
    chosen = CKXDocument::GetFileDialog({}, file, type);
  } catch (...) {
    UNavigationServices::SetOpenEventSink(nullptr);
    CKXJCode::sCodeType = kKxCodeAuto;
    throw;
  }
  UNavigationServices::SetOpenEventSink(nullptr);
  if (chosen) {
    AppleEvent event = AEMakeOpenDocuments({file.Path()});
    if (CKXJCode::sCodeType != kKxCodeAuto)
      event.PutParamDesc(kKxOpenCodeTypeKey, AEDesc::FromShort(CKXJCode::sCodeType));
    several.insert(several.begin(), std::move(event));
  }
  for (const AppleEvent& event : several) HandleAppleEvent(event);
  CKXJCode::sCodeType = kKxCodeAuto;
}

void CKXTextApp::OpenHelpFile(short index) {
  SKXFSpec ref;
  if (!UKXFSpec::GetFSpec(index, ref, gHelpFInfoHandle)) return;
  const std::string path = UKXFSpec::PathOf(ref);
  std::error_code ec;
  if (std::filesystem::is_regular_file(path, ec)) HandleAppleEvent(AEMakeOpenDocuments({path}));
}

void CKXTextApp::OpenHelpInformation(short which) {
  const std::string url = KxIndString(kKxAppFilesList, short(which + kKxHelpURLItem));
  if (!url.empty()) mHooks->OpenURL(url);
}

void CKXTextApp::ShowAboutBox() {
  KxCurrentHost().Alert(KxAlertKind::kNote, KxScriptTextToUTF8(KxIndString(kKxAppNamesList, kKxNameProgram)) + " 0.1");
}

void CKXTextApp::AboutCommand() {
  // With a schedule, About shows today's entries; option or shift asks for
  // the About box itself, command for the day view even without entries.
  const bool schedule = UKXColorSchedule::Count() > 0 && !KxOptionKeyDown() && !KxShiftKeyDown();
  if (schedule || KxCommandKeyDown())
    DaysScheduleDialog(KxIndString(kKxAppNamesList, kKxNameProgram), "0.1");
  else
    ShowAboutBox();
}

// ---- resources this area refers to ------------------------------------------------------

namespace {
using K = KxResourceKind;
const KxResourceUse kAppUses[] = {
    {K::kMenu, kKxFileMenu, 0, "File menu"},
    {K::kMenu, kKxEditMenu, 0, "Edit menu"},
    {K::kMenu, kKxMarkMenu, 0, "Mark menu"},
    {K::kMenu, kKxFormatMenu, 0, "Format menu (registered fonts)"},
    {K::kMenu, kKxWindowMenu, 0, "Window menu"},
    {K::kMenu, kKxHelpMenu, 0, "Help menu"},
    {K::kMenu, kKxMacroMenu, 0, "Macro menu"},
    {K::kMenu, kKxFormMenu, 0, "page forms menu"},
    {K::kMenu, kKxFontMenu, 0, "font menu"},
    {K::kMenu, kKxSizeMenu, 0, "size menu"},
    {K::kMenuItem, kKxHelpMenu, 1, "help information item"},
    {K::kCommand, kKxCmdNew, kKxMenuBarID, "new"},
    {K::kCommand, kKxCmdOpen, kKxMenuBarID, "open"},
    {K::kCommand, kKxCmdQuit, kKxMenuBarID, "quit"},
    {K::kCommand, kKxCmdPageSetup, kKxMenuBarID, "page setup"},
    {K::kCommand, kKxCmdPrint, kKxMenuBarID, "print"},
    {K::kCommand, kKxCmdRecentItems, kKxMenuBarID, "recent items"},
    {K::kCommand, kKxCmdClearRecent, kKxMenuBarID, "clear recent"},
    {K::kCommand, kKxCmdFileBrowser, kKxMenuBarID, "file browser"},
    {K::kCommand, kKxCmdHelpInformation, kKxMenuBarID, "help information"},
    {K::kCommand, kKxCmdPrefDialog, kKxMenuBarID, "preferences"},
    {K::kCommand, kKxCmdOptionPrefs, kKxMenuBarID, "option preferences"},
    {K::kCommand, kKxCmdCustomizeKeys, kKxMenuBarID, "menu keys"},
    {K::kCommand, kKxCmdMacroEditor, kKxMenuBarID, "macro editor"},
    {K::kCommand, kKxCmdMacroDialog, kKxMenuBarID, "macro dialog"},
    {K::kCommand, kKxCmdToolPalette, kKxMenuBarID, "tool palette"},
    {K::kCommand, kKxCmdFunctionBar, kKxMenuBarID, "function-key bar"},
    {K::kCommand, kKxCmdFunctionBarSetup, kKxMenuBarID, "function-key set-up"},
    {K::kCommand, kKxCmdShowClipboard, kKxMenuBarID, "clipboard"},
    {K::kCommand, kKxCmdFileSearch, kKxMenuBarID, "file search"},
    {K::kCommand, kKxCmdStreamEditor, kKxMenuBarID, "stream editor"},
    {K::kStringItem, kKxAppNamesList, kKxNameOtherSize, "size menu's other item"},
    {K::kStringItem, kKxAppNamesList, kKxNameWindow, "window command names"},
    {K::kStringItem, kKxAppNamesList, kKxNameFontreg, "registered font command names"},
    {K::kStringItem, kKxAppNamesList, kKxNameMark, "mark command names"},
    {K::kStringItem, kKxAppNamesList, kKxNameMacro, "macro command names"},
    {K::kStringItem, kKxAppNamesList, kKxNameProgram, "the program's name"},
    {K::kStringItem, kKxAppNamesList, kKxNameClipHistory, "clipboard history command names"},
    {K::kStringItem, kKxAppNamesList, kKxNameSpeller, "spelling checker command names"},
    {K::kStringItem, kKxAppNamesList, kKxNameForm, "page form command names"},
    {K::kStringItem, kKxRedoNamesList, 2, "redo command name"},
    // The application's own dialogs and their panes.
    {K::kLayoutPane, 3000, 3021, "option preferences OK"},
    {K::kLayoutPane, 3000, 3022, "option preferences cancel"},
    {K::kLayoutPane, 3000, 3002, "option preferences shift radios"},
    {K::kLayoutPane, 3000, 3007, "option preferences shift string"},
    {K::kLayoutPane, 3000, 3009, "option preferences width"},
    {K::kLayoutPane, 3000, 3010, "option preferences rule level"},
    {K::kLayoutPane, 3000, 3013, "option preferences remove all"},
    {K::kLayoutPane, 2360, 2361, "macro dialog save"},
    {K::kLayoutPane, 2360, 2362, "macro dialog cancel"},
    {K::kLayoutPane, 2360, 2363, "macro dialog delete"},
    {K::kLayoutPane, 2360, 2364, "macro dialog list"},
    {K::kLayoutPane, 2360, 2365, "macro dialog name"},
    {K::kLayoutPane, 3500, 3504, "colour set name"},
    {K::kLayoutPane, 3500, 3510, "colour set text colour"},
    {K::kLayoutPane, 3500, 3515, "colour set accent"},
    {K::kLayoutPane, 3500, 3508, "colour set theme 0"},
    {K::kLayoutPane, 3500, 900, "colour set OK"},
    {K::kLayoutPane, 3530, 3534, "line-break head list"},
    {K::kLayoutPane, 3530, 3535, "line-break tail list"},
    {K::kLayoutPane, 3530, 3533, "line-break reload"},
    {K::kLayoutPane, 3580, 3583, "reminder message"},
    {K::kLayoutPane, 3550, 3554, "schedule entry title"},
    {K::kLayoutPane, 3550, 3573, "schedule entry paper colour"},
    {K::kLayoutPane, 3550, 3575, "schedule entry repetition"},
    {K::kLayoutPane, 3600, 3606, "day view list"},
    {K::kLayoutPane, 3600, 3609, "day view delete"},
    {K::kLayoutPane, 3580, 900, "reminder OK"},
    {K::kStringItem, 200, 5, "colour chooser prompt"},
    {K::kStringItem, kKxScheduleTitleList, kKxScheduleTitleItem, "new schedule entry title"},
};
}  // namespace

const KxResourceUse* KxAppResourceUses(std::size_t& count) {
  count = std::size(kAppUses);
  return kAppUses;
}
