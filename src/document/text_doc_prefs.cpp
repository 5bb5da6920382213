// What the documents take from the preferences: the save settings they
// share, read at start-up and again when the preferences dialog stores new
// ones, and the front document window's size for the dialog.
#include <algorithm>

#include "app/globals.h"
#include "document/text_doc.h"
#include "engine/text_engine.h"
#include "platform/framework/window.h"
#include "platform/host/host.h"

void KxTextDocHooks::TakeDocumentSettings() {
  CKXTextDocument::Settings& s = CKXTextDocument::GetSettings();
  s.autoSave = gFilePref.autoSave != 0;
  s.autoSaveSeconds = std::uint32_t(KxPrefAutoSaveSeconds(gFilePref));
  s.backups = gFilePref.backup != 0;
  s.backupGenerations = KxPrefBackupGenerations(gFilePref);
}

void KxTextDocHooks::PreferencesChanged() { TakeDocumentSettings(); }

void KxTextDocHooks::LineBreakCharsChanged() {
  for (CKXTextDocument* d : All())
    if (CKXTextEngine* engine = d->GetEngine()) engine->LayOutAgain();
}

bool KxTextDocHooks::FrontDocumentFrame(std::int32_t& width, std::int32_t& height) {
  // Front to back: the preferences dialog itself is usually in front.
  KxHost& host = KxCurrentHost();
  const std::vector<CKXTextDocument*> docs = All();
  for (KxWindowID id : host.WindowList()) {
    auto* window = dynamic_cast<LWindow*>(host.GetWindowClient(id));
    if (!window) continue;
    for (CKXTextDocument* d : docs)
      if (d->GetWindow() == window) {
        const Rect r = window->GetGlobalBounds();
        width = r.right - r.left;
        height = r.bottom - r.top;
        return true;
      }
  }
  return false;
}
