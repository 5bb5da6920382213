#include "views/text_info_view.h"

#include "views/text_colm_view.h"

#include <algorithm>
#include <cstdio>

#include "engine/text_engine.h"
#include "layout/kxtext_api.h"
#include "platform/clock.h"
#include "platform/draw/color.h"
#include "platform/framework/control.h"
#include "platform/draw/port.h"
#include "platform/fonts_port.h"
#include "platform/framework/list_box.h"
#include "platform/framework/window.h"
#include "platform/host/host.h"
#include "platform/keys.h"
#include "views/text_view.h"
#include "views/text_window.h"

namespace {

// Labels (7 bytes at most each), replaced by the resource texts at start-up.
std::string sPageLabel = "P.";
std::string sLineLabel = "L.";
std::string sColumnLabel = "C.";
constexpr std::size_t kLabelMax = 7;
// The status font: the application font at 9 points.
constexpr short kStatusFont = 1;
constexpr short kStatusSize = 9;
// Where the redraws start: the mark and the page field.
constexpr std::int32_t kMarkLeft = 22;
constexpr std::int32_t kGageLeft = 41;
constexpr std::int16_t kMarkH = 23;
constexpr std::int16_t kAreaRight = 169;

struct ScaleItem {
  short scale;
  std::int16_t item;
};
constexpr ScaleItem kScaleItems[] = {{25, 1},  {33, 2},   {50, 3},   {66, 4},   {75, 5},   {0, 6},   {100, 6},
                                     {120, 7}, {125, 8},  {133, 9},  {150, 10}, {200, 11}, {300, 12}, {400, 13}};
const char* const kScaleTexts[] = {"25%",  "33%",  "50%",  "66%",  "75%",  "100%", "120%",
                                   "125%", "133%", "150%", "200%", "300%", "400%"};

// A Shift_JIS label cut to kLabelMax bytes without splitting a character.
std::string CutLabel(const std::string& label) {
  std::size_t n = 0;
  while (n < label.size()) {
    const auto c = static_cast<unsigned char>(label[n]);
    const bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    const std::size_t w = lead && n + 1 < label.size() ? 2 : 1;
    if (n + w > kLabelMax) break;
    n += w;
  }
  return label.substr(0, n);
}

}  // namespace

std::string KxStatusText(const std::string& label, long number) {
  char digits[24];
  std::snprintf(digits, sizeof digits, "%ld", std::clamp<long>(number, INT32_MIN, INT32_MAX));
  std::string s = CutLabel(label) + digits;
  return s.substr(0, kKxStatusTextMax);
}

std::int16_t KxScaleMenuItem(short scale) {
  for (const ScaleItem& s : kScaleItems)
    if (s.scale == scale) return s.item;
  return 0;
}

CommandT KxPageJumpCommand(std::uint16_t modifiers) {
  const bool option = modifiers & kKxEventOptionKey;
  if (modifiers & kKxEventCommandKey && !option) return kKxCmdGotoPage;
  const CommandT step = (modifiers & kKxEventShiftKey) ? kKxCmdPrevPage : kKxCmdNextPage;
  return option ? step + 2 : step;
}

CommandT KxLineJumpCommand(std::uint16_t modifiers, int clicks) {
  if (modifiers & kKxEventOptionKey) return (modifiers & kKxEventShiftKey) ? kKxCmdFirstLine : kKxCmdLastLine;
  if ((modifiers & kKxEventCommandKey) || clicks >= 2) return kKxCmdGotoLine;
  return 0;
}

void CKXTextInfoView::SetLabels(const std::string& page, const std::string& line, const std::string& column) {
  sPageLabel = CutLabel(page);
  sLineLabel = CutLabel(line);
  sColumnLabel = CutLabel(column);
}

CKXTextInfoView::CKXTextInfoView() = default;
CKXTextInfoView::CKXTextInfoView(const KxLayoutPaneRecord& record) : LView(record) {}

CKXTextEngine* CKXTextInfoView::GetEngine() const { return mTextView ? mTextView->GetTextEngine() : nullptr; }

void CKXTextInfoView::ClickSelf(const SMouseDownEvent& event) {
  static std::uint32_t sLastTick = 0;
  static SPoint32 sLastAt{-1, -1};
  const SPoint32 at = event.whereLocal;
  const std::uint32_t now = event.macEvent.when;
  const bool twice = now - sLastTick <= kKxDoubleClickTicks && std::abs(at.h - sLastAt.h) < 4 &&
                     std::abs(at.v - sLastAt.v) < 4;
  sLastTick = now;
  sLastAt = at;
  auto inside = [&](const Rect& r) { return at.h >= r.left && at.h < r.right && at.v >= r.top && at.v < r.bottom; };
  if (inside(mZoomRect))
    DoInfoMenu();
  else if (inside(mPageRect))
    DoPageJump(event.macEvent.modifiers);
  else if (inside(mLineRect))
    DoLineJump(event.macEvent.modifiers, twice ? 2 : 1);
  else if (at.h >= kMarkLeft && at.h < mPageRect.left)
    DoWindowInfoMenu();
}

void CKXTextInfoView::DoWindowInfoMenu() {
  // The window manager owns the title bar: its information menu is offered
  // from the mark beside the zoom button.
  auto* window = dynamic_cast<CKXTextWindow*>(LWindow::FetchWindowOf(this));
  if (!window) return;
  SPoint32 corner{kMarkLeft, mZoomRect.top};
  LocalToPortPoint(corner);
  const Rect b = window->GetGlobalBounds();
  window->InfoMenus(Point{KxPinShort(std::int64_t(b.top) + corner.v), KxPinShort(std::int64_t(b.left) + corner.h)});
}

void CKXTextInfoView::DoInfoMenu() {
  CKXTextEngine* engine = GetEngine();
  if (!engine) return;
  const std::int16_t current = KxScaleMenuItem(KXTE_GetEditScale(engine->GetEdit()));
  if (current < 1) return;   // a scale outside the menu shows none
  std::vector<KxPopupEntry> entries;
  for (std::int16_t k = 1; k <= std::int16_t(std::size(kScaleTexts)); ++k) {
    KxPopupEntry e;
    e.text = kScaleTexts[k - 1];
    e.mark = k == current ? kKxCheckMark : 0;
    entries.push_back(e);
  }
  SPoint32 corner{mZoomRect.left, mZoomRect.top};
  LocalToPortPoint(corner);
  Point where{0, 0};
  if (LWindow* w = LWindow::FetchWindowOf(this)) {
    const Rect b = w->GetGlobalBounds();
    where = Point{KxPinShort(std::int64_t(b.top) + corner.v), KxPinShort(std::int64_t(b.left) + corner.h)};
  }
  // One pop-up at a time: the choice to come is this menu's.
  CKXTextWindow::ForgetInfoMenu();
  CKXTextColmView::ForgetPopup();
  sPendingScaleMenu = this;
  LStdPopupMenu::ForgetWaiting();
  KxCurrentHost().PopUpMenu(entries, where);
}

CKXTextInfoView* CKXTextInfoView::sPendingScaleMenu = nullptr;

bool CKXTextInfoView::ChooseScaleItem(std::int16_t item) {
  CKXTextInfoView* bar = sPendingScaleMenu;
  sPendingScaleMenu = nullptr;
  if (!bar || item < 1 || item > std::int16_t(std::size(kScaleTexts))) return false;
  bar->SendCommand(kKxScaleCommandBase + item);
  return true;
}

CKXTextInfoView::~CKXTextInfoView() {
  if (sPendingScaleMenu == this) sPendingScaleMenu = nullptr;
}

void CKXTextInfoView::DoPageJump(std::uint16_t modifiers) {
  CKXTextEngine* engine = GetEngine();
  if (!engine || !KXTE_GetPaperView(engine->GetEdit())) return;
  SendCommand(KxPageJumpCommand(modifiers));
}

void CKXTextInfoView::DoLineJump(std::uint16_t modifiers, int clicks) {
  if (const CommandT c = KxLineJumpCommand(modifiers, clicks)) SendCommand(c);
}

void CKXTextInfoView::SendCommand(CommandT command) {
  CKXTextEngine* engine = GetEngine();
  if (!engine || command == 0) return;
  // The engine's current pane takes the command; a bar of a pane that is
  // not current still speaks for the window's text.
  auto* view = dynamic_cast<CKXTextView*>(engine->GetHandlerView());
  if (!view) view = mTextView;
  view->ProcessCommand(command);
}

void CKXTextInfoView::SetModified(bool modified) {
  CKXTextEngine* engine = GetEngine();
  const bool readOnly = engine && !engine->IsEditable();
  if (readOnly != mReadOnly) {
    mReadOnly = readOnly;
    mModified = false;
  } else if (modified == mModified) {
    return;
  }
  mModified = modified;
  RedrawFrom(kMarkLeft);
}

void CKXTextInfoView::UpdateGage() {
  if (!mShifted) RedrawFrom(kGageLeft);
}

void CKXTextInfoView::RedrawFrom(std::int32_t from) {
  StKxKeepFocus keep;
  RectL f;
  if (!IsVisible() || !CalcLocalFrameRect(f) || !FocusDraw()) return;
  Rect area;
  KxSetRect(area, f);
  area.left = KxPinShort(std::int64_t(area.left) + from);
  area.top = KxPinShort(std::int64_t(area.top) + 2);
  area.right = KxPinShort(std::int64_t(area.right) - 1);
  area.bottom = KxPinShort(std::int64_t(area.bottom) - 1);
  if (area.left >= area.right || area.top >= area.bottom) return;
  // The backing store is the offscreen: what is drawn here reaches the
  // screen in one copy, so no second buffer is needed.
  KxClipScope clip(RectL{area.top, area.left, area.bottom, area.right});
  DrawInfo(area);
}

void CKXTextInfoView::DrawNow() {
  StKxKeepFocus keep;
  RectL f;
  if (!IsVisible() || !CalcLocalFrameRect(f) || !FocusDraw()) return;
  DrawSelf();
}

void CKXTextInfoView::Draw(RgnHandle portRgn) {
  StKxKeepFocus keep;
  LView::Draw(portRgn);
}

void CKXTextInfoView::DrawSelf() {
  RectL f;
  if (!CalcLocalFrameRect(f)) return;
  Rect r;
  KxSetRect(r, f);
  DrawInfo(r);
}

void CKXTextInfoView::DrawInfo(const Rect& given) {
  RectL f;
  if (!CalcLocalFrameRect(f)) return;
  Rect frame;
  KxSetRect(frame, f);
  const bool active = IsActive();
  PenNormal();
  RGBColor text = UKXColor::sViewTextColor;
  if (!active) UKXColor::Lighten(text, UKXColor::sViewTextColor);
  // The placard: one frame, split at x = 40 when the bar is wide enough.
  Rect placard{frame.top, std::int16_t(frame.left - 1), std::int16_t(frame.bottom + 1), frame.right};
  auto drawPlacard = [&](Rect p) {
    RGBForeColor(&text);
    FrameRect(&p);
    p = Rect{std::int16_t(p.top + 1), std::int16_t(p.left + 1), std::int16_t(p.bottom - 1), std::int16_t(p.right - 1)};
    RGBForeColor(&UKXColor::sViewFaceColor);
    PaintRect(&p);
  };
  Rect area = given;
  area.top = std::max<std::int16_t>(area.top, frame.top + 2);
  area.left = std::max<std::int16_t>(area.left, frame.left + 1);
  area.right = std::min<std::int16_t>(area.right, frame.left + kAreaRight);
  // The whole placard is drawn; a partial redraw is held to its area by the
  // clip, so it leaves the same pixels as a full one.
  if (placard.right > frame.left + 40) {
    drawPlacard(Rect{placard.top, std::int16_t(frame.left + 39), placard.bottom, placard.right});
    drawPlacard(Rect{placard.top, placard.left, placard.bottom, std::int16_t(frame.left + 40)});
  } else {
    drawPlacard(placard);
  }
  if (area.left < frame.left + 18) DrawInfoIcon(frame.left + 5, frame.top + 2, active);
  if (area.left < frame.left + 36 && (mModified || mReadOnly)) {
    // The mark: a filled square for modified, a framed one for read-only.
    Rect m{std::int16_t(frame.top + 3), std::int16_t(frame.left + kMarkH), std::int16_t(frame.top + 13),
           std::int16_t(frame.left + kMarkH + 10)};
    RGBForeColor(&text);
    if (mModified)
      PaintRect(&m);
    else
      FrameRect(&m);
  }
  RGBForeColor(&text);
  DrawInfoArea(area);
  RGBForeColor(&UKXColor::sBlackColor);
}

void CKXTextInfoView::DrawInfoIcon(std::int16_t h, std::int16_t v, bool active) {
  Rect box{v, h, std::int16_t(v + 12), std::int16_t(h + 13)};
  RGBColor c = UKXColor::sViewTextColor;
  if (!active) UKXColor::Lighten(c, UKXColor::sViewTextColor);
  RGBForeColor(&c);
  FrameRect(&box);
  // The wedge, row by row: (from, to) inclusive offsets from h at v + row.
  static constexpr struct { int row, from, to; } kWedge[] = {{3, 9, 9}, {4, 8, 9}, {5, 3, 3}, {5, 7, 9},
                                                            {6, 3, 4}, {6, 6, 9}, {7, 3, 9}, {8, 3, 9}};
  for (const auto& w : kWedge) {
    MoveTo(h + w.from, v + w.row);
    LineTo(h + w.to, v + w.row);
  }
}

void CKXTextInfoView::GetShownLineColm(long& line, long& column) const {
  line = 0;
  column = 0;
  CKXTextEngine* engine = GetEngine();
  if (!engine) return;
  KXTE_GetCurLineColm(engine->GetEdit(), line, column);
  long next = 0;
  line -= engine->GetLineReStart(line, next);
  column += 1;
}

std::string CKXTextInfoView::PageText() const {
  CKXTextEngine* engine = GetEngine();
  if (!engine || !KXTE_GetPaperView(engine->GetEdit())) return {};
  long page = KXTE_GetCurPage(engine->GetEdit());
  if (const short start = KXTE_GetPageStartNumber(engine->GetEdit())) page += start;
  return KxStatusText(sPageLabel, page);
}

std::string CKXTextInfoView::LineText() const {
  long line = 0, column = 0;
  GetShownLineColm(line, column);
  return KxStatusText(sLineLabel, line) + "  " + KxStatusText(sColumnLabel, column);
}

void CKXTextInfoView::DrawInfoArea(const Rect& area) {
  RectL f;
  if (!CalcLocalFrameRect(f)) return;
  KxClipScope clip(RectL{area.top, area.left, area.bottom, area.right});
  TextFont(kStatusFont);
  TextSize(kStatusSize);
  TextFace(0);
  KxFontInfo info{};
  GetFontInfo(&info);
  const std::int32_t base = f.top + info.ascent + 1 + 2;
  auto draw = [&](std::int32_t h, const std::string& s) {
    MoveTo(f.left + h, base);
    DrawText(s.data(), 0, std::int32_t(s.size()));
  };
  const std::string page = PageText();
  if (!page.empty()) draw(mPageRect.left, page);
  draw(mLineRect.left, LineText());
}

void CKXTextInfoView::AdaptToSuperFrameSize(std::int32_t dw, std::int32_t dh, bool refresh) {
  bool moved = false;
  if (mHidden != mLaidOutHidden) {
    mLaidOutHidden = mHidden;
    ResizeFrameBy(mHidden ? -kKxInfoShownWidth : kKxInfoShownWidth, 0, false);
    moved = true;
  }
  const bool shift = mHidden && mLineHidden;
  if (shift != mShifted) {
    MoveBy(shift ? -kKxInfoShift : kKxInfoShift, 0, false);
    mShifted = shift;
    moved = true;
  }
  LView::AdaptToSuperFrameSize(dw, dh, refresh && !moved);
  if (refresh && moved) Refresh();
}
