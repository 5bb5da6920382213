// The bars of a document window: the ruler, the line-number margin and the
// status bar shown or hidden (commands 1401-1403, the view-mode byte), the
// ruler's format bar (1409), and the view-mode byte the document stores.
#include <cstdint>

#include "app/globals.h"
#include "document/text_doc.h"
#include "engine/text_engine.h"
#include "platform/framework/window.h"
#include "views/text_colm_view.h"
#include "views/text_info_view.h"
#include "views/text_window.h"

CKXTextColmView* CKXTextDocument::GetColmView() const {
  return mPanes.window ? dynamic_cast<CKXTextColmView*>(mPanes.window->FindPaneByID(kKxColmViewID)) : nullptr;
}

void CKXTextDocument::AddBars() {
  // Every bar is made; those the preferences hide are then hidden, as the
  // commands hide them.
  KxAddTextGages(mPanes, true, true, false);
  CKXTextColmView* ruler = KxAddTextRuler(mPanes, false);
  if (!ruler) return;
  ruler->SetDocument(this);
  ruler->SetGageType(gPreference.gaugeType);
  SKXEditStyl style{};
  KXTE_GetEditStyl(mEngine->GetEdit(), style);
  ruler->SetCharScale(gPreference.font >= 0 ? gPreference.font : style.font,
                      gPreference.size > 0 ? gPreference.size : style.size);
  ShowBar(kKxCmdShowRuler, gPreference.showRuler != 0, false);
  ShowBar(kKxCmdShowLines, gPreference.showLineView != 0, false);
  ShowBar(kKxCmdShowStatus, gPreference.showInfoView != 0, false);
  if (gPreference.showRuler != 0 && gPreference2.rulerTools != 0) RulerToolsWindow(true, false);
}

bool CKXTextDocument::IsBarShown(CommandT command) const {
  if (!mPanes.window) return false;
  const PaneIDT id = command == kKxCmdShowRuler ? kKxColmViewID : command == kKxCmdShowLines ? kKxLineViewID : kKxInfoViewID;
  LPane* pane = mPanes.window->FindPaneByID(id);
  return pane && pane->IsVisible();
}

void CKXTextDocument::ShowBar(CommandT command, bool show, bool redraw) {
  if (!mPanes.window || IsBarShown(command) == show) return;
  if (command == kKxCmdShowRuler) {
    if (CKXTextColmView* ruler = GetColmView()) ruler->SetInvisible(!show);
  } else if (command == kKxCmdShowLines) {
    // The margin of the second pane of a split window follows.
    for (PaneIDT id : {kKxLineViewID, kKxLineView2ID})
      if (LPane* lines = mPanes.window->FindPaneByID(id)) show ? lines->Show() : lines->Hide();
  } else if (command == kKxCmdShowStatus) {
    if (LPane* info = mPanes.window->FindPaneByID(kKxInfoViewID)) show ? info->Show() : info->Hide();
  } else {
    return;
  }
  // The panes take the change as they see it, then every pane is placed
  // again for the window's writing: a ruler along the right edge gives its
  // room to the text's scroller, not to the text inside it.
  KxRelayoutTextWindow(mPanes, false);
  ArrangePanes(RulerHeight());
  for (CKXTextView* v : mPanes.view)
    if (v && v->GetTextEngine()) v->FixImage();
  if (redraw) mPanes.window->Refresh();
}

void CKXTextDocument::RulerToolsWindow(bool show, bool redraw) {
  CKXTextColmView* ruler = GetColmView();
  if (!ruler || ruler->GetFormShown() == show) return;
  KxSwitchFormBar(mPanes, show, redraw);
  // The panes moved themselves by the change of depth; the window is laid
  // out again by the new one, which also moves the split box at the
  // ruler's end (and widens a ruler along the right edge).
  ArrangePanes(RulerHeight());
  for (CKXTextView* v : mPanes.view)
    if (v && v->GetTextEngine()) v->FixImage();
  if (redraw) mPanes.window->Refresh();
  LCommander::SetUpdateCommandStatus(true);
}

std::uint8_t CKXTextDocument::GetViewMode() const {
  std::uint8_t mode = 0;
  if (CKXTextColmView* ruler = GetColmView()) {
    mode |= std::uint8_t(CKXTextColmView::TypeToItem(ruler->GetGageType()) & kKxViewModeItemMask);
    if (ruler->GetFormShown()) mode |= kKxViewModeFormBar;
  }
  if (IsBarShown(kKxCmdShowStatus)) mode |= kKxViewModeStatus;
  if (IsBarShown(kKxCmdShowLines)) mode |= kKxViewModeLines;
  if (IsBarShown(kKxCmdShowRuler)) mode |= kKxViewModeRuler;
  return mode;
}

void CKXTextDocument::ViewModeWindow(std::uint8_t mode, bool redraw) {
  CKXTextColmView* ruler = GetColmView();
  if (!ruler) return;
  const short type = CKXTextColmView::ItemToType(short(mode & kKxViewModeItemMask));
  const bool retype = type != ruler->GetGageType();
  if (retype) ruler->SetGageType(type);
  const bool before[3] = {IsBarShown(kKxCmdShowRuler), IsBarShown(kKxCmdShowLines), IsBarShown(kKxCmdShowStatus)};
  const bool formBefore = ruler->GetFormShown();
  ShowBar(kKxCmdShowStatus, (mode & kKxViewModeStatus) != 0, false);
  ShowBar(kKxCmdShowLines, (mode & kKxViewModeLines) != 0, false);
  ShowBar(kKxCmdShowRuler, (mode & kKxViewModeRuler) != 0, false);
  // The format bar follows only while the ruler shows.
  if (IsBarShown(kKxCmdShowRuler)) RulerToolsWindow((mode & kKxViewModeFormBar) != 0, false);
  const bool changed = before[0] != IsBarShown(kKxCmdShowRuler) || before[1] != IsBarShown(kKxCmdShowLines) ||
                       before[2] != IsBarShown(kKxCmdShowStatus) || formBefore != ruler->GetFormShown();
  // Nothing is drawn again when nothing changed.
  if (redraw && changed)
    mPanes.window->Refresh();
  else if (redraw && retype)
    ruler->UpdateGage();
}

std::uint8_t KxStoredViewFlagsToMode(std::uint8_t flags) {
  // The stored byte names the bars hidden; the mode names them shown.
  return std::uint8_t(flags ^ (kKxViewModeStatus | kKxViewModeLines | kKxViewModeRuler));
}

std::uint8_t KxViewModeToStoredFlags(std::uint8_t mode) { return KxStoredViewFlagsToMode(mode); }

bool CKXTextDocument::ObeyBarCommand(CommandT command) {
  switch (command) {
    case kKxCmdShowRuler:
    case kKxCmdShowLines:
    case kKxCmdShowStatus:
      ShowBar(command, !IsBarShown(command), true);
      LCommander::SetUpdateCommandStatus(true);
      return true;
    case kKxCmdShowFormBar:
      if (CKXTextColmView* ruler = GetColmView(); ruler && ruler->IsVisible())
        RulerToolsWindow(!ruler->GetFormShown(), true);
      return true;
    default:
      return false;
  }
}
