#include "views/message_box.h"

#include <algorithm>
#include <cstring>

#include "platform/framework/dialog.h"
#include "platform/host/host.h"
#include "platform/resources.h"
#include "platform/script.h"

namespace {
KxPaletteHideFn gPaletteHide = nullptr;
int gHideDepth = 0;
constexpr short kJapaneseScript = 1;
}  // namespace

// ---- Scopes

KxPaletteHideFn KxSetPaletteHideHook(KxPaletteHideFn hook) {
  const KxPaletteHideFn old = gPaletteHide;
  gPaletteHide = hook;
  return old;
}

StKXTextToolbarHide::StKXTextToolbarHide() {
  if (gHideDepth++ == 0 && gPaletteHide) gPaletteHide(true);
}

StKXTextToolbarHide::~StKXTextToolbarHide() {
  if (--gHideDepth == 0 && gPaletteHide) gPaletteHide(false);
}

int StKXTextToolbarHide::Depth() { return gHideDepth; }

StDesktopDeactivator::StDesktopDeactivator() {
  KxHost& host = KxCurrentHost();
  for (KxWindowID id : host.WindowList()) {
    auto* window = dynamic_cast<LWindow*>(host.GetWindowClient(id));
    if (!window || !window->IsActive()) continue;
    window->Deactivate();
    mDeactivated.push_back(id);
  }
}

StDesktopDeactivator::~StDesktopDeactivator() {
  KxHost& host = KxCurrentHost();
  const std::vector<KxWindowID> now = host.WindowList();
  for (KxWindowID id : mDeactivated) {
    if (std::find(now.begin(), now.end(), id) == now.end()) continue;   // closed meanwhile
    if (auto* window = dynamic_cast<LWindow*>(host.GetWindowClient(id))) window->Activate();
  }
}

// ---- Alerts

std::string KXMessageBox::CutMessage(const std::string& text) {
  if (text.size() <= kKxMaxMessageBytes) return text;
  std::size_t n = kKxMaxMessageBytes;
  // A first byte at the end would lose its second.
  if (CharacterByteType(text.data(), std::int32_t(n - 1), kJapaneseScript) < 0) --n;
  return text.substr(0, n);
}

std::string KXMessageBox::MessageText(std::int16_t index) { return KxIndString(kKxMessageStringsID, index); }

void KXMessageBox::Show(std::int16_t kind, const std::string& text) {
  const std::string cut = CutMessage(text);
  Str255 param;
  param[0] = std::uint8_t(cut.size());
  std::memcpy(param + 1, cut.data(), cut.size());
  ParamText(param, nullptr, nullptr, nullptr);
  StKXTextToolbarHide hide;
  StDesktopDeactivator deactivate;
  switch (kind) {
    case kKxAlertStop: UModalAlerts::StopAlert(kKxMessageAlertID); break;
    case kKxAlertCaution: UModalAlerts::CautionAlert(kKxMessageAlertID); break;
    case kKxAlertNote: UModalAlerts::NoteAlert(kKxMessageAlertID); break;
    default: UModalAlerts::Alert(kKxMessageAlertID); break;
  }
}

void KXMessageBox::Alert(std::int16_t kind, std::int16_t index) { Show(kind, MessageText(index)); }

void KXMessageBox::StrNote(const std::string& text) { Show(kKxAlertNote, text); }

void KXMessageBox::NumNote(std::int16_t index, long number) {
  Show(kKxAlertNote, std::to_string(number) + MessageText(index));
}
