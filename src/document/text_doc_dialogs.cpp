#include "document/text_doc_dialogs.h"

#include <algorithm>
#include <iterator>

#include "app/app_commands.h"
#include "app/application.h"
#include "document/text_doc.h"
#include "platform/framework/registrar.h"
#include "platform/host/host.h"

namespace {

// The order in which the ranges are tested.
constexpr KxDocDialogRange kRanges[] = {
    {-2117, -2101, "find"},          {-2156, -2151, "find palette"},   {-2164, -2161, "find assist entry"},
    {-2202, -2201, "line"},          {-2302, -2301, "page"},           {-2355, -2351, "mark"},
    {-2402, -2401, "size"},          {-2524, -2501, "registered font"}, {-2606, -2601, "text format"},
    {-2723, -2701, "page layout"},   {-2822, -2801, "header footer"},  {-2652, -2651, "paragraph"},
    {-2675, -2671, "tabs"},          {-2453, -2451, "ruby"},           {-2188, -2181, "find and mark"},
};

LPane* CreateDocDialog(const KxLayoutPaneRecord& record) { return new CKXDocDialog(record); }

}  // namespace

const KxDocDialogRange* KxDocDialogRanges(std::size_t& count) {
  count = std::size(kRanges);
  return kRanges;
}

const KxDocDialogRange* KxFindDocDialogRange(MessageT message) {
  for (const KxDocDialogRange& r : kRanges)
    if (message >= r.low && message <= r.high) return &r;
  return nullptr;
}

// ---- CKXDocDialog

CKXDocDialog::CKXDocDialog(const KxLayoutPaneRecord& record) : KXDialogBox(record) {}

void CKXDocDialog::AttemptClose() {
  // The close box is the cancel button: the owner's handler closes.
  if (const PaneIDT cancel = GetCancelButton(); cancel != 0) {
    ProcessCommand(-MessageT(cancel), nullptr);
    return;
  }
  KXDialogBox::AttemptClose();
}

void CKXDocDialog::HostAttemptClose() { AttemptClose(); }

void KxRegisterDocDialogClasses() { URegistrar::RegisterClass(FourCC("kxdd"), CreateDocDialog); }

// ---- The document's side

bool CKXTextDocument::DialogObeyCommand(MessageT message, LWindow* dialog) {
  if (!KxFindDocDialogRange(message) || !dialog) return false;
  for (const OpenDialog& d : mDialogs)
    if (d.window == dialog) return d.handler && d.handler(*this, message, dialog);
  return false;
}

LWindow* CKXTextDocument::DialogOfMessage(MessageT message) const {
  if (message >= 0) return nullptr;
  // Newest first: the dialog in front sent it when two could have.
  for (auto it = mDialogs.rbegin(); it != mDialogs.rend(); ++it)
    if (it->window->FindPaneByID(PaneIDT(-message))) return it->window;
  return nullptr;
}

LWindow* CKXTextDocument::FindDocDialog(ResIDT layoutID) const {
  for (const OpenDialog& d : mDialogs)
    if (d.layout == layoutID) return d.window;
  return nullptr;
}

CKXDocDialog* CKXTextDocument::OpenDocDialog(ResIDT layoutID, KxDocDialogHandler handler, bool modal) {
  LWindow* window = LWindow::CreateWindow(layoutID, this);
  auto* dialog = dynamic_cast<CKXDocDialog*>(window);
  if (!dialog) {
    delete window;
    return nullptr;
  }
  dialog->UndoSupport();
  mDialogs.push_back(OpenDialog{dialog, layoutID, handler, modal});
  if (modal) {
    // Modal in effect: the loop goes on, every command but the dialog's
    // own is off until it closes, and it stays over its document window.
    KxCurrentHost().SetWindowModal(dialog->GetHostWindow());
    SetDialogOpen(true);
  } else if (dialog->IsFloating()) {
    // A palette floats over the documents and takes clicks only: the
    // document stays the front window, and its view keeps the keys and
    // the commands.
    dialog->ShowFloating(true);
    return dialog;
  } else {
    KxCurrentHost().SetWindowFloating(dialog->GetHostWindow());
  }
  dialog->Select();
  return dialog;
}

void CKXTextDocument::CloseDocDialog(LWindow* dialog) {
  const auto it = std::find_if(mDialogs.begin(), mDialogs.end(), [&](const OpenDialog& d) { return d.window == dialog; });
  if (it == mDialogs.end()) return;
  const bool modal = it->modal;
  mDialogs.erase(it);
  dialog->DeleteLater();
  if (modal && std::none_of(mDialogs.begin(), mDialogs.end(), [](const OpenDialog& d) { return d.modal; }))
    SetDialogOpen(false);
  if (!mWindow) return;
  if (dialog->IsFloating()) {
    // A palette never took the front or the keys, and it also closes when
    // another document becomes the target: bringing its document forward
    // then would put that one behind it.
    if (LCommander* target = LCommander::GetTarget(); target && target->IsOnChainOf(dialog))
      mWindow->RestoreTarget();
    return;
  }
  mWindow->Select();
  mWindow->RestoreTarget();
}

void CKXTextDocument::CloseAllDocDialogs() {
  // The document is going: no target to give back.
  bool modal = false;
  std::vector<OpenDialog> dialogs;
  dialogs.swap(mDialogs);
  for (const OpenDialog& d : dialogs) {
    modal = modal || d.modal;
    delete d.window;
  }
  if (modal) SetDialogOpen(false);
}

CKXTextView* CKXTextDocument::CurrentTextView() const {
  for (CKXTextView* v : mPanes.view)
    if (v && v->IsCurrent()) return v;
  return mPanes.view[0];
}
