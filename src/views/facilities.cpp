#include "views/facilities.h"

#include <algorithm>
#include <iterator>

#include "engine/facilities.h"
#include "layout/kxtext_api.h"
#include "platform/core.h"
#include "platform/framework/window.h"
#include "platform/toolbox/japanese_analysis.h"
#include "views/drag_view.h"
#include "views/palettes.h"
#include "views/scroll_wheel.h"
#include "views/text_view.h"

namespace {

// The scale commands in order of size, and their percentages (100 % is
// stored as 0).
constexpr CommandT kFirstScaleCommand = 1421;
constexpr short kScales[] = {25, 33, 50, 66, 75, 100, 120, 125, 133, 150, 200, 300, 400};
constexpr PaneIDT kTextViewID = 1001;

// Ctrl+wheel steps the scale of the window's text through its commands,
// so that the document keeps the scale as the menu would set it.
void StepScale(LWindow* window, int direction) {
  auto* view = window ? dynamic_cast<CKXTextView*>(window->FindPaneByID(kTextViewID)) : nullptr;
  if (!view || !view->GetTextEngine()) return;
  short now = KXTE_GetEditScale(view->GetTextEngine()->GetEdit());
  if (now == 0) now = 100;
  int k = 0;
  while (k + 1 < int(std::size(kScales)) && kScales[k] < now) ++k;
  const int next = std::clamp(k + direction, 0, int(std::size(kScales)) - 1);
  if (kScales[next] != now) view->ObeyCommand(kFirstScaleCommand + next, nullptr);
}

CScrollWheelHandler& Wheel() {
  static CScrollWheelHandler wheel;
  return wheel;
}

void InstallWheel() {
  Wheel().SetScaleHook(StepScale);
  CScrollWheelHandler::Install(&Wheel());
}

void RemoveWheel() { CScrollWheelHandler::Install(nullptr); }

}  // namespace

void KxViewsFacilities() {
  KxEngineFacilities();
  KxRegisterFacility(kRankViews, "japanese readings", nullptr, UJapaneseAnalysis::Terminate);
  KxRegisterFacility(kRankViews, "drops from the host", CKXDragView::InstallHostDrops, CKXDragView::RemoveHostDrops);
  // Windows hear the wheel from the start; drivers and tests may put their
  // own handler in its place.
  KxRegisterFacility(kRankViews, "scroll wheel", InstallWheel, RemoveWheel);
  KxRegisterFacility(kRankViews, "palette hiding", KxInstallPaletteHiding, KxRemovePaletteHiding);
}
