// The document's share of the mark list: it reopens the list when it
// becomes the target and its record says the list was open, closes it when
// it stops being the target, and keeps the list's record with its settings
// (the "RANK" record's head).
#include "app/application.h"
#include "app/globals.h"
#include "document/text_doc.h"
#include "engine/text_engine.h"
#include "views/mark_list.h"

namespace {
// A stored paper colour this close to black stands for no colour.
constexpr std::uint16_t kNearBlack = 1;

void RebuildMarkMenu() {
  if (CKXTextApp* app = CKXTextApp::GetTextApp()) app->UpdateDynamicMenus();
}
}  // namespace

void KxInstallMarkListMenuHook() { CKXTextMarkList::SetMenuHook(RebuildMarkMenu); }

bool CKXTextDocument::IsMarkListBound() const {
  return CKXTextMarkList::IsMarkList() &&
         CKXTextMarkList::Get()->GetTextDoc() == static_cast<const CKXTextDoc*>(this);
}

void CKXTextDocument::BeTargetDocument() {
  FindPaletteToTarget();
  if (mSettings.rank.shown && !CKXTextMarkList::IsShowMarkList()) CKXTextMarkList::ShowMarkList(this);
  // The Mark menu lists this text's marks.
  if (CKXTextApp* app = CKXTextApp::GetTextApp()) app->UpdateDynamicMenus();
}

void CKXTextDocument::DontBeTargetDocument() {
  if (CKXTextMarkList::IsShowMarkList() && IsMarkListBound()) CKXTextMarkList::CloseMarkList(false);
}

void CKXTextDocument::ToggleMarkList() {
  if (CKXTextMarkList::IsShowMarkList()) {
    CKXTextMarkList::CloseMarkList(true);
  } else {
    if (CKXTextMarkList::IsMarkList() && !IsMarkListBound()) CKXTextMarkList::CloseMarkList(false);
    CKXTextMarkList::ShowMarkList(this);
  }
  if (CKXTextApp* app = CKXTextApp::GetTextApp()) app->UpdateDynamicMenus();
}

void CKXTextDocument::LeaveMarkList() {
  if (IsMarkListBound()) CKXTextMarkList::CloseMarkList(false);
}

void CKXTextDocument::SaveMarkListState() {
  if (IsMarkListBound()) CKXTextMarkList::MarkListInfo();
}

CKXTextEngine* CKXTextDocument::GetDocEngine() { return mEngine; }

LWindow* CKXTextDocument::GetDocWindow() { return mPanes.window; }

bool CKXTextDocument::GetReadOnly() { return !IsEditable(); }

bool CKXTextDocument::GetPaperColor(RGBColor& colour) {
  const RGBColor& c = gPreference.paperColor;
  const bool none = c.red == 0 && c.green == 0 && c.blue == 0;
  const bool nearBlack = c.red == kNearBlack && c.green == kNearBlack && c.blue == kNearBlack;
  if (none || nearBlack) return false;
  colour = c;
  return true;
}

void CKXTextDocument::GetMarkListRecord(SKXMarkListRecord& rec) {
  const SKXRankRec& r = mSettings.rank;
  rec.bounds = RectL{r.rect[0], r.rect[1], r.rect[2], r.rect[3]};
  rec.scroll = PointL{r.point[0], r.point[1]};
  rec.values[0] = std::int32_t(r.state[0]);
  rec.values[1] = std::int32_t(r.state[1]);
  rec.open = r.shown != 0;
  rec.buttonsHidden = r.flag2 != 0;
}

void CKXTextDocument::SetMarkListRecord(const SKXMarkListRecord& rec) {
  SKXRankRec& r = mSettings.rank;
  r.rect[0] = rec.bounds.top;
  r.rect[1] = rec.bounds.left;
  r.rect[2] = rec.bounds.bottom;
  r.rect[3] = rec.bounds.right;
  r.point[0] = rec.scroll.v;
  r.point[1] = rec.scroll.h;
  r.state[0] = std::uint32_t(rec.values[0]);
  r.state[1] = std::uint32_t(rec.values[1]);
  r.shown = rec.open ? 1 : 0;
  r.flag2 = rec.buttonsHidden ? 1 : 0;
}
