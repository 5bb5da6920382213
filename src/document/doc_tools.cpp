// The document area's answers to the application's tool hooks: the scrap
// book's life and the clipboard window (command 19).
#include <filesystem>

#include "app/app_commands.h"
#include "app/application.h"
#include "app/prefs_file.h"
#include "app/text_services.h"
#include "document/char_code.h"
#include "document/clipboard_window.h"
#include "document/custom_form.h"
#include "document/facilities.h"
#include "document/text_doc.h"
#include "platform/framework/registrar.h"

namespace {

template <typename T>
LPane* Create(const KxLayoutPaneRecord& record) {
  return new T(record);
}

bool ScrapText(long n, KXTextHandle text) { return CKXTextClipboard::GetScrapText(n, text); }

}  // namespace

void KxRegisterDocumentToolClasses() {
  URegistrar::RegisterClass(CKXToolWindow::kClassID, Create<CKXToolWindow>);
  URegistrar::RegisterClass(CKXTextClipboard::kClassID, Create<CKXTextClipboard>);
  URegistrar::RegisterClass(CKXTextClipboardView::kClassID, Create<CKXTextClipboardView>);
  URegistrar::RegisterClass(CKXTextCharCode::kClassID, Create<CKXTextCharCode>);
  URegistrar::RegisterClass(CKXTextCharView::kClassID, Create<CKXTextCharView>);
  KxRegisterCustomFormClasses();
}

void KxInstallScrapTextSource() { KxSetScrapTextSource(ScrapText); }
void KxRemoveScrapTextSource() { KxSetScrapTextSource(nullptr); }

void KxTextDocHooks::InitializeScrap() {
  // The scrap book lies beside the preference file, wherever that is.
  CKXTextClipboard::SetFolders(std::filesystem::path(PreferencePath()).parent_path().string(), KxDataFolder());
  CKXTextClipboard::InitializeScrap(true);
}

void KxTextDocHooks::TerminateScrap() {
  CKXTextClipboard::CloseClipboard();
  CKXTextClipboard::TerminateScrap();
}

void KxTextDocHooks::CloseToolWindows() {
  KxAppHooks::CloseToolWindows();
  CKXTextCharCode::CloseAll();
  CKXTextClipboard::CloseClipboard();
  CKXTextCustomForm::CloseAll();
}

bool KxTextDocHooks::RunTool(CommandT command) {
  if (command == kKxCmdShowClipboard) {
    CKXTextClipboard::ShowClipboard(CKXTextApp::GetTextApp());
    return true;
  }
  if (command == kKxCmdToolPalette) return RunToolPalette();
  if (command == kKxCmdCustomForm) return CKXTextCustomForm::ShowCustomForm(nullptr) != nullptr;
  if (command == kKxCmdFunctionBar) return RunFunctionBar();
  return KxAppHooks::RunTool(command);
}

bool KxTextDocHooks::HasTool(CommandT command) {
  return command == kKxCmdShowClipboard || command == kKxCmdToolPalette || command == kKxCmdCustomForm ||
         command == kKxCmdFunctionBar ||
         KxAppHooks::HasTool(command);
}

bool KxTextDocHooks::ToolWindowOpen() { return CKXTextClipboard::IsTextClipboard() || KxAppHooks::ToolWindowOpen(); }

std::vector<std::string> KxTextDocHooks::ClipNames() { return CKXTextClipboard::MenuClipNames(); }
