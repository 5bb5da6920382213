#include "views/palettes.h"

#include <algorithm>

#include "platform/fonts_port.h"
#include "platform/framework/window.h"
#include "platform/host/host.h"
#include "text/codes/script.h"
#include "views/mark_list.h"
#include "views/message_box.h"
#include "views/text_function_bar.h"
#include "views/text_toolbar.h"

void KxHideFloatingPalettes(bool hide) {
  if (hide) {
    if (CKXTextToolbar::IsShowTextToolbar()) CKXTextToolbar::HideTextToolbar();
    if (CKXTextFunctionBar::IsShowTextFunctionBar()) CKXTextFunctionBar::HideTextFunctionBar();
    if (CKXTextMarkList::IsShowMarkList()) CKXTextMarkList::HideMarkList();
    // A document that comes forward meanwhile binds the list but leaves
    // it hidden.
    CKXTextMarkList::SetKeepHidden(true);
    return;
  }
  // The palette comes back whenever it exists, also when it was hidden
  // before the scope began.
  if (CKXTextToolbar::IsTextToolbar() && !CKXTextToolbar::IsShowTextToolbar())
    CKXTextToolbar::ShowTextToolbar(nullptr);
  if (CKXTextFunctionBar::IsHideTextFunctionBar()) CKXTextFunctionBar::ShowTextFunctionBar(nullptr);
  CKXTextMarkList::SetKeepHidden(false);
  if (CKXTextMarkList::IsHideMarkList()) CKXTextMarkList::Get()->ShowFloating(true);
}

void KxInstallPaletteHiding() { KxSetPaletteHideHook(KxHideFloatingPalettes); }

void KxRemovePaletteHiding() { KxSetPaletteHideHook(nullptr); }

bool KxTrackPaletteButton(LPane& pane, const std::function<bool(const SPoint32&)>& over,
                          const std::function<void(bool pressed)>& draw) {
  draw(true);
  bool inside = true;
  KxHost& host = KxCurrentHost();
  LWindow* w = LWindow::FetchWindowOf(&pane);
  for (;;) {
    if (host.ShouldStop()) break;
    EventRecord e;
    const bool got = host.WaitNextEvent(e, 1);
    if (w) {
      SPoint32 p = w->GlobalToPortPoint(e.where);
      pane.PortToLocalPoint(p);
      const bool now = over(p);
      if (now != inside) draw(now);
      inside = now;
    }
    if (got ? e.what == mouseUp : (e.modifiers & kKxEventButtonState) != 0) break;
  }
  draw(false);
  return inside;
}

std::size_t KxPaletteFitBytes(const std::string& text, std::int32_t room) {
  std::size_t fit = 0;
  for (std::size_t i = 0; i < text.size();) {
    const bool lead = KxTextCharFirst(std::uint8_t(text[i]), kScriptJapanese);
    const std::size_t next = std::min(text.size(), i + (lead ? 2 : 1));
    if (TextWidth(text.data(), 0, std::int32_t(next)) > room) break;
    fit = i = next;
  }
  return fit;
}
