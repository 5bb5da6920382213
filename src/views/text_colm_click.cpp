// The ruler's clicks: its pop-ups, and the drags of the indent, tab and
// margin marks. A drag follows the mouse in a loop of its own (the pointer
// hidden, an XOR guide across the text) and sends exactly one undoable
// command when the button comes up.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "layout/kxtext_api.h"
#include "platform/draw/color.h"
#include "platform/draw/port.h"
#include "platform/framework/commander.h"
#include "platform/framework/events.h"
#include "platform/framework/list_box.h"
#include "platform/framework/window.h"
#include "platform/host/host.h"
#include "platform/resources.h"
#include "platform/toolbox/cursors.h"
#include "text/base/geometry.h"
#include "views/text_colm_view.h"
#include "views/text_info_view.h"
#include "views/text_window.h"

namespace {
// Format-bar control indices run 0-18; the dispatcher asks them from the
// last down.
constexpr int kFormControls = 19;
// Drag codes.
constexpr short kCodeFirstIndent = 5;
constexpr short kCodeLeftIndent = 6;
constexpr short kCodeRightIndent = 7;
constexpr short kCodeFirstTab = 10;
// Paragraph dialog fields for the three indents.
constexpr short kFieldFirst = 2;
constexpr short kFieldLeft = 1;
constexpr short kFieldRight = 3;
// A tab dropped beyond this distance across (from the gauge row's top,
// reaching into the text) is taken off.
constexpr std::int32_t kDropBand = 32;
// Two clicks count as one double click within this distance.
constexpr std::int32_t kDoubleClickSlop = 4;
// Line-number restart pop-up items.
constexpr std::int16_t kLineAdd = 1, kLineRemove = 2, kLineClear = 3;

std::vector<KxPopupEntry>& LastEntries() {
  static std::vector<KxPopupEntry> entries;
  return entries;
}

}  // namespace

// One drag of a mark: the loop, the pointer and the XOR guide.
class CKXColmTrack {
 public:
  explicit CKXColmTrack(CKXTextColmView& ruler) : mRuler(ruler), mWindow(LWindow::FetchWindowOf(&ruler)) {
    KxCurrentHost().SetCursor(kKxHiddenCursor);
  }
  ~CKXColmTrack() {
    Guide(false, 0);
    StCursors arrow(kKxArrowCursor);   // the hidden pointer went around the record: shown afresh
    mRuler.FocusDraw();
  }
  CKXColmTrack(const CKXColmTrack&) = delete;
  CKXColmTrack& operator=(const CKXColmTrack&) = delete;

  // Calls `follow` with each new mouse place (local) until the button
  // comes up; the release's place is followed too.
  template <class F>
  void Run(Point start, F follow) {
    follow(Local(start));
    // Every event the host hands out carries the mouse's place, whatever
    // its kind, so each pass reads where the mouse is now.
    KxHost& host = KxCurrentHost();
    Point where = start;
    for (int guard = 0; guard < kMaxTurns; ++guard) {
      EventRecord e;
      const bool got = host.WaitNextEvent(e, 1);
      if (host.ShouldStop()) break;
      if (e.where.h != where.h || e.where.v != where.v) {
        where = e.where;
        follow(Local(where));
      }
      if (got && e.what == mouseUp) break;
      if (!got && (e.modifiers & kKxEventButtonState)) break;
    }
  }

  // Shows the guide at `along` (ruler pixels), or takes it away.
  void Guide(bool show, std::int32_t along) {
    if (mShown && (!show || along != mAt)) Invert(mAt);
    if (show && (!mShown || along != mAt)) Invert(along);
    mShown = show;
    mAt = along;
  }

 private:
  static constexpr int kMaxTurns = 10000000;

  SPoint32 Local(Point global) const {
    SPoint32 p = mWindow ? mWindow->GlobalToPortPoint(global) : SPoint32{global.h, global.v};
    mRuler.PortToLocalPoint(p);
    return p;
  }

  void Invert(std::int32_t along) {
    CKXTextView* view = mRuler.GetTextView();
    if (!mWindow || !view || !mWindow->FocusDraw()) return;
    const RectL r = mRuler.CalcPortFrameRect();
    const RectL t = view->CalcPortFrameRect();
    PenState saved;
    GetPenState(&saved);
    PenNormal();
    PenMode(patXor);
    RGBForeColor(&UKXColor::sBlackColor);
    if (mRuler.IsVertical()) {
      const std::int32_t v = r.top + along;
      if (t.left < r.left) {
        MoveTo(t.left, v);
        LineTo(r.left - 1, v);
      }
    } else {
      const std::int32_t h = r.left + along;
      if (t.bottom > r.bottom) {
        MoveTo(h, r.bottom);
        LineTo(h, t.bottom - 1);
      }
    }
    SetPenState(&saved);
  }

  CKXTextColmView& mRuler;
  LWindow* mWindow;
  bool mShown = false;
  std::int32_t mAt = 0;
};

bool CKXTextColmView::TwiceClicked(const EventRecord& event, SPoint32 local) {
  const bool twice = event.when - mLastClickTick <= kKxDoubleClickTicks &&
                     std::abs(local.h - mLastClickAt.h) < kDoubleClickSlop &&
                     std::abs(local.v - mLastClickAt.v) < kDoubleClickSlop;
  // A third click starts over.
  mLastClickTick = twice ? 0 : event.when;
  mLastClickAt = twice ? SPoint32{-1000, -1000} : local;
  return twice;
}

void CKXTextColmView::ClickSelf(const SMouseDownEvent& event) {
  const SPoint32 p = event.whereLocal;
  const bool twice = TwiceClicked(event.macEvent, p);
  // The hit rectangles are those of the marks as drawn now.
  DrawNow(nullptr);
  if (Hit(mUnitRect, p)) return DoUnitMenu();
  if (Hit(mLineRect, p)) return DoLineMenu();
  if (mFormShown)
    for (int k = kFormControls - 1; k >= 0; --k)
      if (Hit(mFormRect[k], p)) return DoClickFormAt(k, event.macEvent, twice);
  if (!IndentMarksShown()) {
    for (short k = 0; k < 2; ++k)
      if (mMarginShown[k] && Hit(mMarginRect[k], p)) return DoResizeColm(k, event.macEvent);
  } else {
    const short codes[3] = {kCodeRightIndent, kCodeLeftIndent, kCodeFirstIndent};
    const int rects[3] = {2, 1, 0};
    for (int k = 0; k < 3; ++k)
      if (Hit(mIndentRect[rects[k]], p)) return DoClickFormTabsOrIndent(codes[k], event.macEvent, twice);
    const int tabs = std::min<int>(mPara.tabCount, kKxGageTabs);
    for (int n = 0; n < tabs; ++n)
      if (mPara.tabPos[n] >= 1 && Hit(mTabRect[n], p))
        return DoClickFormTabsOrIndent(short(kCodeFirstTab + n), event.macEvent, twice);
  }
  if (twice && Hit(mStripRect, p) && mDocument) mDocument->RulerToolsWindow(!mFormShown, true);
}

void CKXTextColmView::DoClickFormTabsOrIndent(short code, const EventRecord& event, bool twice) {
  CKXTextEngine* engine = GetEngine();
  if (!engine || ReadOnly()) return;
  const bool newTab = code >= 0 && code <= 3;
  const bool indent = code >= kCodeFirstIndent && code <= kCodeRightIndent;
  const int tab = code >= kCodeFirstTab ? code - kCodeFirstTab : -1;
  if (!newTab && !indent && (tab < 0 || tab >= std::min<int>(mPara.tabCount, kKxGageTabs))) return;
  if (twice) {
    if (!mDocument) return;
    if (code == kCodeFirstIndent)
      mDocument->OpenParagraphDialog(kFieldFirst);
    else if (code == kCodeLeftIndent)
      mDocument->OpenParagraphDialog(kFieldLeft);
    else if (code == kCodeRightIndent)
      mDocument->OpenParagraphDialog(kFieldRight);
    else if (newTab)
      mDocument->OpenTabsDialog(0, code);
    else
      mDocument->OpenTabsDialog(short(tab + 1), 0);
    return;
  }
  if (newTab && mPara.tabCount >= kKxGageTabs) {
    KxCurrentHost().Beep();
    return;
  }
  // The marks as drawn: per column in paper view (the first column takes
  // the clicks), else over the line.
  const bool paper = KXTE_GetPaperView(engine->GetEdit()) != 0;
  const std::int32_t origin = paper ? mOrigin + mColumn.left : mOrigin;
  const std::int32_t length = paper ? mColumn.width : mLength;
  const KxGageMap map = MapFor(origin);
  const std::int32_t zero = map.At(0);
  const std::int32_t scaledLength = map.At(std::int64_t(length) * 100) - zero;
  const SParaStyl start = mPara;
  const unsigned kind = newTab ? unsigned(code) : (tab >= 0 ? (start.tabKinds >> (2 * tab)) & 3 : 0);
  bool appended = false;
  {
    CKXColmTrack track(*this);
    track.Run(event.where, [&](SPoint32 local) {
      const std::int32_t off = AlongOf(local) - zero;
      const std::int32_t clamped = std::clamp(off, 0, std::max(0, scaledLength));
      const std::int16_t v =
          std::int16_t(std::clamp<std::int32_t>(KxScaleLong(clamped, map.scale, true), 0, 32767));
      SParaStyl p = start;
      bool guide = true;
      if (code == kCodeFirstIndent) {
        p.firstIndent = v;
      } else if (code == kCodeLeftIndent) {
        p.leftIndent = v;
        p.firstIndent = std::int16_t(std::max(0, start.firstIndent + (v - start.leftIndent)));
      } else if (code == kCodeRightIndent) {
        p.rightIndent = off > scaledLength ? 0 : std::int16_t(std::max(0, length - v));
      } else {
        const std::int32_t across = AcrossOf(local);
        const bool inBand = across >= GageTop() && across <= GageTop() + kDropBand && off > 0 && off < scaledLength;
        if (newTab) {
          appended = inBand;
          if (inBand) {
            const int n = p.tabCount;
            p.tabPos[n] = std::max<std::int16_t>(1, v);
            p.tabKinds = (p.tabKinds & ~(3u << (2 * n))) | (kind << (2 * n));
            p.tabCount = std::uint8_t(n + 1);
          }
        } else {
          p.tabPos[tab] = inBand ? std::max<std::int16_t>(1, v) : 0;
        }
        guide = inBand;
      }
      if (std::memcmp(&p, &mPara, sizeof p) != 0) {
        mPara = p;
        UpdateGage();
      }
      track.Guide(guide, zero + clamped);
    });
  }
  const SParaStyl final = mPara;
  mPara = start;
  UpdateGage();
  if (indent) {
    if (final.firstIndent != start.firstIndent || final.leftIndent != start.leftIndent ||
        final.rightIndent != start.rightIndent)
      engine->DoParaIndent(final.firstIndent, final.leftIndent, final.rightIndent);
  } else if (newTab) {
    if (appended) engine->DoParaTabInsert(final.tabPos[start.tabCount], long(kind));
  } else if (final.tabPos[tab] < 1) {
    engine->DoParaTabDelete(start.tabPos[tab]);
  } else if (final.tabPos[tab] != start.tabPos[tab]) {
    engine->DoParaTabMove(start.tabPos[tab], final.tabPos[tab], long(kind));
  }
  FixForm(true);
}

void CKXTextColmView::DoResizeColm(short mark, const EventRecord& event) {
  CKXTextEngine* engine = GetEngine();
  if (!engine || ReadOnly() || mark < 0 || mark > 1) return;
  const KXEditHandle e = engine->GetEdit();
  const bool paper = KXTE_GetPaperView(e) != 0;
  const KxGageMap map = MapFor(mOrigin);
  const std::int32_t zero = map.At(0);
  const std::int16_t old = mMarginPos[mark];
  // Inward is toward the text the mark bounds.
  const std::int32_t lo = mark == 0 ? old - mMarginIn[0] : old - mMarginOut[1];
  const std::int32_t hi = mark == 0 ? old + mMarginOut[0] : old + mMarginIn[1];
  {
    CKXColmTrack track(*this);
    track.Run(event.where, [&](SPoint32 local) {
      const std::int32_t off = AlongOf(local) - zero;
      const std::int32_t v = std::clamp(KxScaleLong(off, map.scale, true), lo, hi);
      if (v != mMarginPos[mark]) {
        mMarginPos[mark] = std::int16_t(v);
        UpdateGage();
      }
      track.Guide(true, map.At(std::int64_t(v) * 100));
    });
  }
  std::int32_t d = std::int32_t(mMarginPos[mark]) - old;
  mMarginPos[mark] = old;
  bool halved = false;
  if (mark == 1) d = -d;
  if (mark == 0 && !paper && std::abs(d) > 1) {
    d /= 2;
    halved = true;
  }
  Rect m{0, 0, 0, 0}, hard{0, 0, 0, 0};
  KXTE_GetPageMargin(e, m);
  KXTE_GetHardMargin(e, hard);
  std::int16_t& nearM = mVertical ? m.top : m.left;
  std::int16_t& farM = mVertical ? m.bottom : m.right;
  // Hard margins in the layout's turned frame (see FixView).
  const std::int32_t hardNear = hard.left;
  const std::int32_t hardFar = hard.right;
  std::int32_t newNear = nearM, newFar = farM;
  std::int32_t takeFar = mark == 0 ? d : 0;
  if (mark == 1 || halved) {
    newNear = std::int32_t(nearM) - d;
    if (newNear < hardNear) {
      // What the near margin cannot give, the far one does.
      takeFar += hardNear - newNear;
      newNear = hardNear;
    }
  }
  newFar = std::max(hardFar, std::int32_t(farM) - takeFar);
  newNear = std::min<std::int32_t>(newNear, 32767);
  newFar = std::min<std::int32_t>(newFar, 32767);
  if (newNear != nearM || newFar != farM) {
    nearM = std::int16_t(newNear);
    farM = std::int16_t(newFar);
    StCursors watch(kKxWatchCursor);
    mBusy = true;
    engine->SetPageMargin(m, true);
    engine->SetTextChanged(true);
    mBusy = false;
    FixView();
  }
  UpdateGage();
}

// ---- Pop-ups ------------------------------------------------------------------------------------------

void CKXTextColmView::PopUp(std::int16_t menuID, const std::vector<KxPopupEntry>& entries, SPoint32 corner) {
  if (entries.empty()) return;
  LocalToPortPoint(corner);
  Point where{0, 0};
  if (LWindow* w = LWindow::FetchWindowOf(this)) {
    const Rect b = w->GetGlobalBounds();
    where = Point{KxPinShort(std::int64_t(b.top) + corner.v), KxPinShort(std::int64_t(b.left) + corner.h)};
  }
  // One pop-up waits at a time: the choice to come is this one's.
  CKXTextInfoView::ForgetScaleMenu();
  CKXTextWindow::ForgetInfoMenu();
  sPopupRuler = this;
  sPopupMenu = menuID;
  LastEntries() = entries;
  KxCurrentHost().PopUpMenu(entries, where);
}

const std::vector<KxPopupEntry>& CKXTextColmView::LastPopupEntries() { return LastEntries(); }

std::vector<KxPopupEntry> KxMenuPopupEntries(std::int16_t menuID) {
  std::vector<KxPopupEntry> out;
  const KxMenuRecord* menu = KxFindMenuRecord(menuID);
  if (!menu) return out;
  for (int k = 0; k < menu->itemCount; ++k) {
    const KxMenuItemRecord& item = KxMenuItemAt(menu->firstItem + k);
    KxPopupEntry e;
    e.text.assign(item.text, item.length);
    e.separator = item.separator;
    e.enabled = item.enabled && !item.separator;
    out.push_back(e);
  }
  return out;
}

void CKXTextColmView::DoUnitMenu() {
  std::vector<KxPopupEntry> entries = KxMenuPopupEntries(kKxGageUnitMenuID);
  const short current = TypeToItem(mGageType);
  if (current >= 1 && current <= short(entries.size())) entries[std::size_t(current - 1)].mark = kKxCheckMark;
  PopUp(kKxGageUnitMenuID, entries, SPoint32{mUnitRect.left, mUnitRect.top});
}

long CKXTextColmView::SelectionLine() const {
  CKXTextEngine* engine = GetEngine();
  if (!engine) return 0;
  long line = 0, column = 0;
  KXTE_GetCurLineColm(engine->GetEdit(), line, column);
  return line;
}

void CKXTextColmView::DoLineMenu() {
  CKXTextEngine* engine = GetEngine();
  if (!engine) return;
  std::vector<KxPopupEntry> entries = KxMenuPopupEntries(kKxGageLineMenuID);
  if (entries.size() < 3) return;
  const long line = SelectionLine();
  long next = 0;
  const long restart = engine->GetLineReStart(line, next);
  // Restarts are stored in the text: a read-only one keeps its own.
  const bool editable = !ReadOnly();
  entries[kLineAdd - 1].enabled = editable && line >= 2 && restart != line - 1;
  entries[kLineRemove - 1].enabled = editable && line >= 2 && restart >= 1;
  entries[kLineClear - 1].enabled = editable && engine->GetLnReStartDataSize() > 0;
  PopUp(kKxGageLineMenuID, entries, SPoint32{mLineRect.left + 1, mLineRect.top + 12});
}

bool CKXTextColmView::ChoosePopupItem(std::int16_t item) {
  CKXTextColmView* ruler = sPopupRuler;
  const std::int16_t menu = sPopupMenu;
  ForgetPopup();
  if (!ruler) return false;
  if (menu == kKxGageUnitMenuID)
    ruler->ChooseUnit(item);
  else if (menu == kKxGageLineMenuID)
    ruler->ChooseLine(item);
  else
    ruler->ChooseFormItem(menu, item);
  return true;
}

void CKXTextColmView::ChooseUnit(std::int16_t item) {
  if (item < 1 || item > 5) return;
  const short type = ItemToType(item);
  if (type == mGageType) return;
  SetGageType(type);
  UpdateGage();
}

void CKXTextColmView::ChooseLine(std::int16_t item) {
  CKXTextEngine* engine = GetEngine();
  if (!engine || ReadOnly()) return;
  const long line = SelectionLine();
  long next = 0;
  const long restart = engine->GetLineReStart(line, next);
  // The menu's enabling, asked again: the text may have changed since.
  if (item == kLineAdd && line >= 2 && restart != line - 1)
    engine->AddLnReStart(line);
  else if (item == kLineRemove && line >= 2 && restart >= 1)
    engine->DelLnReStart(line);
  else if (item == kLineClear && engine->GetLnReStartDataSize() > 0)
    engine->InitLnReStart();
  else
    return;
  UpdateViews();
}
