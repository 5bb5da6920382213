#include "platform/framework/dialog.h"

#include <array>
#include <vector>

#include "platform/draw/color.h"
#include "platform/framework/application.h"
#include "platform/framework/layout.h"
#include "platform/framework/periodical.h"
#include "platform/textconv.h"
#include "platform/utf16.h"

// ---- LDialogBox

LDialogBox::LDialogBox(const KxLayoutPaneRecord& record) : LWindow(record) {
  mDefaultButtonID = KxLayout::GetNumber(record, "default", 0);
  mCancelButtonID = KxLayout::GetNumber(record, "cancel", 0);
}

void LDialogBox::FinishCreateSelf() {
  SetDefaultButton(mDefaultButtonID);
  // The dialog hears every control's message.
  std::vector<LPane*> todo(GetSubPanes().begin(), GetSubPanes().end());
  while (!todo.empty()) {
    LPane* p = todo.back();
    todo.pop_back();
    if (auto* b = dynamic_cast<LBroadcaster*>(p)) b->AddListener(this);
    if (auto* v = dynamic_cast<LView*>(p)) todo.insert(todo.end(), v->GetSubPanes().begin(), v->GetSubPanes().end());
  }
}

void LDialogBox::SetDefaultButton(PaneIDT id) {
  if (auto* old = dynamic_cast<LStdButton*>(FindPaneByID(mDefaultButtonID))) old->SetDefault(false);
  mDefaultButtonID = id;
  if (auto* button = dynamic_cast<LStdButton*>(FindPaneByID(id))) button->SetDefault(true);
}

void LDialogBox::ListenToMessage(MessageT message, void* param) {
  if (message != msg_Nothing) ProcessCommand(message, param);
}

bool LDialogBox::PressButton(PaneIDT id) {
  auto* control = dynamic_cast<LControl*>(FindPaneByID(id));
  if (!control || !control->IsVisible() || !control->IsEnabled()) return false;
  control->SimulateHotSpotClick(1);
  return true;
}

bool LDialogBox::HandleKeyPress(const EventRecord& event) {
  const std::uint8_t key = KxEventKeyCode(event), ch = KxEventChar(event);
  const bool command = (event.modifiers & kKxEventCommandKey) != 0;
  if (!command && (key == kKxKeyReturn || key == kKxKeyEnter) && PressButton(mDefaultButtonID)) return true;
  if ((key == kKxKeyEscape || ch == kKxCharEscape || (command && ch == '.')) && PressButton(mCancelButtonID))
    return true;
  return LWindow::HandleKeyPress(event);
}

void LDialogBox::ApplyForeAndBackColors() const {
  RGBForeColor(&UKXColor::sBlackColor);
  RGBBackColor(&UKXColor::sViewFaceColor);
}

// ---- StDialogHandler

StDialogHandler::StDialogHandler(ResIDT layoutID, LCommander* super) : LCommander(super) {
  mDialog = LWindow::CreateWindow(layoutID, this);
  KxCurrentHost().SetWindowModal(mDialog->GetHostWindow());
  std::vector<LPane*> todo{mDialog};
  while (!todo.empty()) {
    LPane* p = todo.back();
    todo.pop_back();
    if (auto* b = dynamic_cast<LBroadcaster*>(p)) b->AddListener(this);
    if (auto* v = dynamic_cast<LView*>(p)) todo.insert(todo.end(), v->GetSubPanes().begin(), v->GetSubPanes().end());
  }
}

StDialogHandler::~StDialogHandler() { delete mDialog; }

void StDialogHandler::ListenToMessage(MessageT message, void* /*param*/) {
  if (message != msg_Nothing) mMessage = message;
}

MessageT StDialogHandler::DoDialog() {
  mMessage = msg_Nothing;
  KxHost& host = KxCurrentHost();
  if (host.ShouldStop()) return msg_Cancel;
  EventRecord event;
  if (host.WaitNextEvent(event, kKxFastSleepTicks))
    DispatchEvent(event);
  else
    LPeriodical::DevoteTimeToIdlers(event);
  LWindow::DeleteClosedWindows();
  return mMessage;
}

void StDialogHandler::DispatchEvent(const EventRecord& event) {
  KxHost& host = KxCurrentHost();
  switch (event.what) {
    case keyDown:
    case autoKey:
      if (LCommander* target = GetTarget()) target->ProcessKeyPress(event);
      break;
    case mouseDown:
      if (host.FindWindow(event.where) == mDialog->GetHostWindow())
        mDialog->HostMouseDown(event);
      else
        host.Beep();   // the dialog is modal
      break;
    case mouseUp:
      mDialog->HostMouseUp(event);
      break;
    case activateEvt:
      if (KxWindowClient* client = host.GetWindowClient(event.message))
        client->HostActivate((event.modifiers & kKxEventActiveFlag) != 0);
      break;
    case updateEvt:
      if (KxWindowClient* client = host.GetWindowClient(event.message)) client->HostUpdate(Rect{0, 0, 0, 0});
      break;
    default:
      // Menu choices go to the target through the application.
      if (LApplication* app = LApplication::GetApplication(); app && event.what == kKxMenuChoiceEvt)
        app->DispatchEvent(event);
      break;
  }
}

// ---- Alerts

namespace {
std::array<std::string, 4>& Params() {
  static std::array<std::string, 4> params;
  return params;
}
}  // namespace

void ParamText(ConstStringPtr p0, ConstStringPtr p1, ConstStringPtr p2, ConstStringPtr p3) {
  const ConstStringPtr in[4] = {p0, p1, p2, p3};
  for (int i = 0; i < 4; ++i)
    Params()[std::size_t(i)] = in[i] ? std::string(reinterpret_cast<const char*>(in[i] + 1), in[i][0]) : std::string();
}

std::string KxAlertText(ResIDT alertID) {
  KxLayout layout(alertID);
  std::string text, out;
  if (layout.Exists()) KxLayout::GetAttribute(*layout.GetWindow(), "text", text);
  // ^0 .. ^3 once each place; what is put in is not searched again.
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '^' && i + 1 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '3') {
      out += Params()[std::size_t(text[i + 1] - '0')];
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

namespace {
std::int16_t ShowAlert(KxAlertKind kind, ResIDT alertID) {
  const KxAnswer answer = KxCurrentHost().Alert(kind, KxScriptTextToUTF8(KxAlertText(alertID)));
  return answer == KxAnswer::kCancel ? kKxAlertCancel : kKxAlertOK;
}
}  // namespace

std::int16_t UModalAlerts::Alert(ResIDT id) { return ShowAlert(KxAlertKind::kNote, id); }
std::int16_t UModalAlerts::StopAlert(ResIDT id) { return ShowAlert(KxAlertKind::kStop, id); }
std::int16_t UModalAlerts::CautionAlert(ResIDT id) { return ShowAlert(KxAlertKind::kCaution, id); }
std::int16_t UModalAlerts::NoteAlert(ResIDT id) { return ShowAlert(KxAlertKind::kNote, id); }
