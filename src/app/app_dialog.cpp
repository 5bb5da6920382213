#include "app/app_dialog.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "app/application.h"
#include "platform/exception.h"
#include "platform/framework/attachment.h"
#include "platform/framework/control.h"
#include "platform/framework/edit_field.h"
#include "views/dialog_box.h"
#include "views/window_fit.h"

namespace {

std::vector<LWindow*>& ClosedWindows() {
  static std::vector<LWindow*> windows;
  return windows;
}

std::vector<KxModelessDialog*>& OpenDialogs() {
  static std::vector<KxModelessDialog*> dialogs;
  return dialogs;
}

// Never a message any pane sends: the attachment rides on the window only
// for its lifetime.
constexpr MessageT kLifeMessage = 0x7FFFFFF0;

}  // namespace

// Rides on the dialog's window. While the dialog is open it holds the
// dialog-open state; once the dialog is closed it keeps the window's place
// in the list of windows still to delete. Either way the window's own
// deletion (by anyone) ends both.
class KxModelessDialog::Life : public LAttachment {
 public:
  explicit Life(KxModelessDialog* owner) : LAttachment(kLifeMessage), mOwner(owner) {
    SetDialogOpen(true);
    OpenDialogs().push_back(owner);
  }
  ~Life() override {
    if (mOwner) Release();
    std::erase(ClosedWindows(), mWindow);
  }
  // The dialog is closed: the window waits for deletion.
  void Release() {
    mWindow = mOwner->mWindow;
    std::erase(OpenDialogs(), mOwner);
    mOwner->mWindow = nullptr;
    mOwner->mLife = nullptr;
    mOwner = nullptr;
    SetDialogOpen(!OpenDialogs().empty());
  }

 protected:
  void ExecuteSelf(MessageT, void*) override {}

 private:
  KxModelessDialog* mOwner;
  LWindow* mWindow = nullptr;
};

KxModelessDialog::~KxModelessDialog() {
  // Only at the program's end: the window goes at once.
  if (LWindow* w = mWindow) {
    Close();
    std::erase(ClosedWindows(), w);
    delete w;
  }
}

bool KxModelessDialog::Open(ResIDT layoutID, LCommander* super) {
  if (mWindow) return true;
  std::unique_ptr<LWindow> made;
  try {
    made.reset(LWindow::CreateWindow(layoutID, super));
  } catch (const LException&) {
    return false;
  }
  auto* dialog = dynamic_cast<KXDialogBox*>(made.get());
  if (!dialog) return false;
  dialog->UndoSupport();
  // A dialog, not a document: no menu bar of its own (its menu keys still
  // reach the application).
  KxCurrentHost().SetWindowModeless(dialog->GetHostWindow());
  // Its title bar clear of the tool palette, and on the screen.
  dialog->DoSetBounds(KxFitToStandardBounds(*dialog, dialog->GetGlobalBounds()));
  mWindow = dialog;
  mLife = new Life(this);
  dialog->AddAttachment(mLife);
  made.release();
  return true;
}

void KxModelessDialog::Show() {
  if (mWindow) mWindow->Select();
}

void KxModelessDialog::Close() {
  if (!mWindow) return;
  LWindow* window = mWindow;
  mLife->Release();
  ClosedWindows().push_back(window);
}

void KxModelessDialog::DeleteClosed() {
  // A window's deletion takes it off the list (its attachment goes with it).
  while (!ClosedWindows().empty()) delete ClosedWindows().back();
}

void KxModelessDialog::CloseAll() {
  while (!OpenDialogs().empty()) OpenDialogs().back()->Close();
}

LPane* KxModelessDialog::Pane(std::int32_t id) const { return mWindow ? mWindow->FindPaneByID(id) : nullptr; }

std::int32_t KxModelessDialog::Value(std::int32_t id) const {
  const LPane* p = Pane(id);
  return p ? p->GetValue() : 0;
}

void KxModelessDialog::SetValue(std::int32_t id, std::int32_t value) const {
  if (LPane* p = Pane(id)) p->SetValue(value);
}

std::string KxModelessDialog::Text(std::int32_t id) const {
  const LPane* p = Pane(id);
  if (!p) return {};
  if (const auto* field = dynamic_cast<const LEditField*>(p)) return field->GetText();
  Str255 s;
  p->GetDescriptor(s);
  return std::string(reinterpret_cast<const char*>(s + 1), s[0]);
}

void KxModelessDialog::SetText(std::int32_t id, const std::string& sjis) const {
  LPane* p = Pane(id);
  if (!p) return;
  if (auto* field = dynamic_cast<LEditField*>(p)) {
    field->SetText(sjis);
    return;
  }
  Str255 s;
  s[0] = std::uint8_t(std::min<std::size_t>(sjis.size(), 255));
  std::memcpy(s + 1, sjis.data(), s[0]);
  p->SetDescriptor(s);
}

void KxModelessDialog::Enable(std::int32_t id, bool on) const {
  if (LPane* p = Pane(id)) on ? p->Enable() : p->Disable();
}
