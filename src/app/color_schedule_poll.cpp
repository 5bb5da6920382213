// The application's side of the colour schedule: the poll from idle time
// that applies an entry's colour variation and paper colour to every
// window, restores what was in force when it ends, and shows its reminder.
#include <algorithm>
#include <cstring>

#include "app/application.h"
#include "app/color_schedule.h"
#include "app/globals.h"
#include "layout/draw_toolkit.h"
#include "platform/draw/color.h"
#include "platform/framework/control.h"
#include "platform/clock.h"
#include "platform/framework/window.h"
#include "platform/host/host.h"
#include "views/dialog_box.h"
#include "views/text_view.h"

namespace {

constexpr ResIDT kReminderLayout = 3580;
constexpr PaneIDT kReminderMessage = 3583;
constexpr int kBlinkPasses = 5, kBeepPasses = 50;

bool gReminderRunning = false;
bool gOverride = false;
std::int16_t gSavedVariation = 0;
RGBColor gSavedPaper{};

bool Same(const RGBColor& a, const RGBColor& b) { return a.red == b.red && a.green == b.green && a.blue == b.blue; }

void RefreshWindows() {
  KxHost& host = KxCurrentHost();
  for (KxWindowID w : host.WindowList())
    if (auto* window = dynamic_cast<LWindow*>(host.GetWindowClient(w))) window->Refresh();
  // The palettes draw with the colour variation too.
  for (KxWindowID w : host.FloatingWindowList())
    if (auto* window = dynamic_cast<LWindow*>(host.GetWindowClient(w))) window->Refresh();
}

// Whether no window of the program is active (another program in front).
bool InBackground() {
  KxHost& host = KxCurrentHost();
  for (KxWindowID w : host.WindowList())
    if (auto* window = dynamic_cast<LWindow*>(host.GetWindowClient(w)); window && window->IsActive()) return false;
  return true;
}

RGBColor Inverted(const RGBColor& c) {
  return RGBColor{std::uint16_t(0xFFFF - c.red), std::uint16_t(0xFFFF - c.green), std::uint16_t(0xFFFF - c.blue)};
}

}  // namespace

RGBColor KxPaintedPaperColor(const RGBColor& stored) {
  // (0, 0, 0) stands for the default white.
  RGBColor c = stored;
  if (KxGetRGBColorType(c) == kKxColorBlack) KxGetRGBColor(kKxColorWhite, c);
  return c;
}

void KxApplyPaperColor() {
  CKXTextView::SetPaperColor(KxPaintedPaperColor(gPreference.paperColor));
  RefreshWindows();
}

bool KxColorScheduleOverride(std::int16_t& variation, RGBColor& paper) {
  variation = gSavedVariation;
  paper = gSavedPaper;
  return gOverride;
}

void KxSetColorScheduleSaved(std::int16_t variation, const RGBColor& paper) {
  if (!gOverride) return;
  gSavedVariation = variation;
  gSavedPaper = paper;
}

void KxEndColorScheduleOverride() {
  if (!gOverride) return;
  gOverride = false;
  gPreference2.colorVariation = gSavedVariation;
  gPreference.paperColor = gSavedPaper;
}

void CKXTextApp::ColorSchedule() {
  if (gReminderRunning) return;
  const long k = UKXColorSchedule::Check();
  if (k == 0) return;
  UKXColorSchedule::Execution e;
  std::int16_t variation = gPreference2.colorVariation;
  RGBColor paper = gPreference.paperColor;
  if (UKXColorSchedule::ExecuteAt(k, e)) {
    if (!gOverride) {
      gOverride = true;
      gSavedVariation = gPreference2.colorVariation;
      gSavedPaper = gPreference.paperColor;
    }
    variation = e.variation;
    paper = e.paper;
  } else {
    if (!gOverride) return;
    gOverride = false;
    variation = gSavedVariation;
    paper = gSavedPaper;
    e.message.clear();
  }
  const bool variationChanged = variation != gPreference2.colorVariation;
  const bool paperChanged = !Same(paper, gPreference.paperColor);
  if (variationChanged) {
    gPreference2.colorVariation = variation;
    UKXColor::ColorVariation(variation);
  }
  if (paperChanged) gPreference.paperColor = paper;
  if (variationChanged || paperChanged) KxApplyPaperColor();
  if (!e.message.empty()) {
    gReminderRunning = true;
    try {
      ReminderDialog(e.timeText, e.message);
    } catch (...) {
      gReminderRunning = false;
      throw;
    }
    gReminderRunning = false;
  }
}

void CKXTextApp::ReminderDialog(const std::string& timeText, const std::string& message) {
  KXModalDialog handler(kReminderLayout, this);
  LWindow* w = handler.GetDialog();
  Str255 s;
  s[0] = std::uint8_t(std::min<std::size_t>(timeText.size(), 255));
  std::memcpy(s + 1, timeText.data(), s[0]);
  w->SetDescriptor(s);
  s[0] = std::uint8_t(std::min<std::size_t>(message.size(), 255));
  std::memcpy(s + 1, message.data(), s[0]);
  if (LPane* text = w->FindPaneByID(kReminderMessage)) text->SetDescriptor(s);
  w->Select();
  KxHost& host = KxCurrentHost();
  host.Beep();
  const RGBColor paper = CKXTextView::GetPaperColor();
  bool inverted = false;
  long passes = 0;
  std::uint32_t lastTick = TickCount();
  for (;;) {
    const MessageT m = handler.DoDialog();
    if (m == msg_OK || m == msg_Cancel) break;
    if (m != msg_Nothing) continue;
    // Idle passes only: the updates that a blink causes are no pass.
    const std::uint32_t tick = TickCount();
    if (tick == lastTick) continue;
    lastTick = tick;
    // Blinks while another program is in front, to be noticed.
    if (!InBackground() && !inverted) continue;
    ++passes;
    if (passes % kBlinkPasses == 0) {
      inverted = !inverted;
      CKXTextView::SetPaperColor(inverted ? Inverted(paper) : paper);
      RefreshWindows();
    }
    if (passes % kBeepPasses == 0) host.Beep();
  }
  if (inverted) {
    CKXTextView::SetPaperColor(paper);
    RefreshWindows();
  }
}
