#include "views/text_function_bar.h"

#include <algorithm>

#include "engine/keytables.h"
#include "engine/macro_recorder.h"
#include "platform/clock.h"
#include "platform/draw/color.h"
#include "platform/draw/port.h"
#include "platform/fonts_port.h"
#include "platform/framework/menu.h"
#include "platform/host/host.h"
#include "platform/keys.h"
#include "platform/script.h"
#include "platform/toolbox/environment.h"
#include "text/base/geometry.h"
#include "views/palettes.h"
#include "views/text_view_commands.h"

namespace {

constexpr std::size_t kMaxLabel = 255;   // one length byte
constexpr std::uint32_t kPollTicks = 6;
constexpr int kPlaneShift = 1, kPlaneOption = 2;
constexpr int kModShift = 1, kModOption = 4;
// Bar sizes: plain and on a screen wider than 1000 px.
constexpr std::int32_t kWideScreen = 1000;
constexpr std::int32_t kBarHeight = 14, kBarHeightWide = 18, kBarHeightExtra = 2;
constexpr std::int32_t kMinWidth = 300, kMinWidthWide = 360;
constexpr std::int32_t kScreenInset = 2;
constexpr std::int32_t kGroupGap = 4;
constexpr short kLabelSize = 9, kLabelSizeWide = 12;
constexpr unsigned char kCondense = 0x20;
// The command ranges of the dynamic menus, by kind 1-7.
struct KindRange {
  CommandT first, last;
};
constexpr KindRange kKindRanges[] = {{1610, 1699}, {1371, 1399}, {3000, 3999}, {1150, 1199},
                                     {1520, 1599}, {1901, 1930}, {1933, 1999}};

constexpr RGBColor kFace{0xDDDD, 0xDDDD, 0xDDDD};
constexpr RGBColor kPressedFace{0xBBBB, 0xBBBB, 0xBBBB};
constexpr RGBColor kShadow{0x7777, 0x7777, 0x7777};
constexpr RGBColor kLight{0xFFFF, 0xFFFF, 0xFFFF};
constexpr RGBColor kBlack{0, 0, 0};
constexpr RGBColor kDimmed{0x8888, 0x8888, 0x8888};
// How a key was drawn: with no command status to follow, dimmed, enabled.
constexpr std::int8_t kDrawnPlain = 0, kDrawnDimmed = 1, kDrawnEnabled = 2;

Rect ToRect(const RectL& r) {
  return Rect{KxPinShort(r.top), KxPinShort(r.left), KxPinShort(r.bottom), KxPinShort(r.right)};
}


bool Intersect(const Rect& a, const Rect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool EmptyRect(const Rect& r) { return r.right <= r.left || r.bottom <= r.top; }

bool ScreenIsWide() {
  const Rect s = KxCurrentHost().GetScreenBounds();
  return std::int32_t(s.right) - s.left > kWideScreen;
}

std::int32_t BarHeight(bool wide) {
  return (wide ? kBarHeightWide : kBarHeight) + (UKXEnvironment::sHasMacOSX ? kBarHeightExtra : 0);
}

KxFunctionLabelSources LiveSources() {
  KxFunctionLabelSources s;
  s.menuText = [](CommandT c) { return CKXTextViewServices::Get().GetCommandMenuText(c); };
  s.macroName = [](int key, int mods) { return CKXMacroRecorder::Get().FunctionMacroName(short(key), char(mods)); };
  return s;
}

}  // namespace

// ---- labels ------------------------------------------------------------------------------------------

KxFunctionLabels::KxFunctionLabels() { mAt.fill(-1); }

void KxFunctionLabels::Clear() {
  mBlock.clear();
  mAt.fill(-1);
}

bool KxFunctionLabels::Set(int plane, int key, const std::string& text) {
  if (plane < 0 || plane >= kKxFunctionPlanes || key < 1 || key > kKxFunctionKeys) return false;
  std::int32_t& at = mAt[std::size_t(plane * kKxFunctionKeys + key - 1)];
  at = -1;
  if (text.empty()) return true;
  if (text.size() > kMaxLabel || mBlock.size() + 1 + text.size() > kKxFunctionLabelBlock) return false;
  at = std::int32_t(mBlock.size());
  mBlock.push_back(std::uint8_t(text.size()));
  mBlock.insert(mBlock.end(), text.begin(), text.end());
  return true;
}

std::string KxFunctionLabels::Get(int plane, int key) const {
  if (plane < 0 || plane >= kKxFunctionPlanes || key < 1 || key > kKxFunctionKeys) return {};
  const std::int32_t at = mAt[std::size_t(plane * kKxFunctionKeys + key - 1)];
  if (at < 0 || std::size_t(at) >= mBlock.size()) return {};
  const std::size_t n = std::min<std::size_t>(mBlock[std::size_t(at)], mBlock.size() - std::size_t(at) - 1);
  return std::string(mBlock.begin() + at + 1, mBlock.begin() + at + 1 + std::ptrdiff_t(n));
}

bool KxFunctionLabels::operator==(const KxFunctionLabels& other) const {
  for (int p = 0; p < kKxFunctionPlanes; ++p)
    for (int k = 1; k <= kKxFunctionKeys; ++k)
      if (Get(p, k) != other.Get(p, k)) return false;
  return true;
}

bool KxFunctionLabels::Check() const {
  if (mBlock.size() > kKxFunctionLabelBlock) return false;
  for (std::int32_t at : mAt) {
    if (at < 0) continue;
    if (std::size_t(at) >= mBlock.size() || std::size_t(at) + 1 + mBlock[std::size_t(at)] > mBlock.size()) return false;
  }
  return true;
}

int KxFunctionPlaneModifiers(int plane) {
  return ((plane & kPlaneShift) ? kModShift : 0) | ((plane & kPlaneOption) ? kModOption : 0);
}

KxFunctionLabels KxBuildFunctionLabels(const KxFunctionLabelSources& sources) {
  KxFunctionLabels labels;
  const CKXFunctionKeys& keys = CKXFunctionKeys::Get();
  for (int plane = 0; plane < kKxFunctionPlanes; ++plane)
    for (int key = 1; key <= kKxFunctionKeys; ++key) {
      const CommandT command = keys.Command(plane, key);
      std::string text = command != 0 && sources.menuText ? sources.menuText(command) : std::string();
      if (text.empty() && sources.macroName) text = sources.macroName(key, KxFunctionPlaneModifiers(plane));
      labels.Set(plane, key, text);
    }
  return labels;
}

int KxFunctionKeyCount(const KxFunctionLabels& labels) {
  auto any = [&labels](int key) {
    for (int p = 0; p < kKxFunctionPlanes; ++p)
      if (!labels.Get(p, key).empty()) return true;
    return false;
  };
  if (any(11) || any(12)) return 12;
  if (any(9) || any(10)) return 10;
  return 8;
}

std::array<RectL, kKxFunctionKeys> KxFunctionKeyRects(std::int32_t width, std::int32_t height, int count) {
  std::array<RectL, kKxFunctionKeys> rects{};
  count = std::clamp(count, 1, kKxFunctionKeys);
  const int gaps = count > 8 ? 2 : 1;
  const std::int32_t usable = std::max<std::int32_t>(0, width - (kGroupGap * gaps + 1));
  const std::int32_t each = usable / count, extra = usable % count;
  std::int32_t left = 0;
  for (int k = 0; k < count; ++k) {
    const std::int32_t w = each + (k < extra ? 1 : 0);
    rects[std::size_t(k)] = RectL{0, left, height, left + w};
    // Neighbours share an edge; a group starts a gap further on.
    left += w - 1;
    if (k == 3 || k == 7) left += kGroupGap;
  }
  return rects;
}

bool KxFunctionCommandInKind(CommandT command, int kind) {
  if (kind < 1 || kind > int(std::size(kKindRanges))) return false;
  const KindRange& r = kKindRanges[kind - 1];
  return command >= r.first && command <= r.last;
}

// ---- the one bar -------------------------------------------------------------------------------------

CKXTextFunctionBar* CKXTextFunctionBar::sBar = nullptr;

CKXTextFunctionBar::~CKXTextFunctionBar() {
  if (sBar != this) return;
  sBar = nullptr;
  // Whatever path destroyed it: the bounds stay for next time, the flag
  // says it is gone.
  CKXTextViewServices& s = CKXTextViewServices::Get();
  if (!EmptyRect(mBounds)) s.SetFunctionBarBounds(mBounds);
  s.SetFunctionBarShown(false);
  LCommander::SetUpdateCommandStatus(true);
}

bool CKXTextFunctionBar::IsShowTextFunctionBar() {
  LWindow* w = sBar ? LWindow::FetchWindowOf(sBar) : nullptr;
  return w && w->IsWindowShown();
}

bool CKXTextFunctionBar::IsHideTextFunctionBar() { return sBar && !IsShowTextFunctionBar(); }

void CKXTextFunctionBar::ShowTextFunctionBar(LCommander* commander) {
  if (sBar) {
    if (LWindow* w = LWindow::FetchWindowOf(sBar)) w->ShowFloating(true);
  } else {
    LCommander* top = commander;
    while (top && top->GetSuperCommander()) top = top->GetSuperCommander();
    const ResIDT layout = UKXEnvironment::sHasMacOS71 ? kKxFunctionBarThemedLayout : kKxFunctionBarLayout;
    LWindow* window = LWindow::CreateWindow(layout, top);
    auto* bar = window ? dynamic_cast<CKXTextFunctionBar*>(window->FindPaneByID(kKxFunctionBarPane)) : nullptr;
    if (!bar) {
      delete window;
      return;
    }
    sBar = bar;
    bar->InitTextFunctionBar();
    window->ShowFloating(true);
    bar->StartIdling();
  }
  CKXTextViewServices::Get().SetFunctionBarShown(true);
  LCommander::SetUpdateCommandStatus(true);
}

void CKXTextFunctionBar::HideTextFunctionBar() {
  if (LWindow* w = sBar ? LWindow::FetchWindowOf(sBar) : nullptr) w->ShowFloating(false);
}

void CKXTextFunctionBar::CloseTextFunctionBar(bool shown) {
  if (sBar) {
    sBar->RememberBounds();
    delete LWindow::FetchWindowOf(sBar);
  }
  CKXTextViewServices::Get().SetFunctionBarShown(shown);
}

void CKXTextFunctionBar::GetFunctionBounds(Rect& bounds) {
  if (sBar) {
    sBar->RememberBounds();
    bounds = sBar->mBounds;
    return;
  }
  bounds = CKXTextViewServices::Get().GetFunctionBarBounds();
}

void CKXTextFunctionBar::CheckUserMenu(int kind) {
  if (!sBar) return;
  const CKXFunctionKeys& keys = CKXFunctionKeys::Get();
  bool touched = false;
  for (int p = 0; p < kKxFunctionPlanes && !touched; ++p)
    for (int k = 1; k <= kKxFunctionKeys && !touched; ++k) touched = KxFunctionCommandInKind(keys.Command(p, k), kind);
  if (!touched) return;
  const KxFunctionLabels before = sBar->mLabels;
  sBar->StringTextFunctionBar();
  if (before == sBar->mLabels) return;
  sBar->ResizeTextFunctionBar();
  sBar->Refresh();
  if (sBar->FocusDraw()) sBar->DrawSelf();
}

void CKXTextFunctionBar::CheckFunctionKey() {
  if (!sBar) return;
  // Noted on every turn: the menus take the request before the next poll.
  if (LCommander::sUpdateCommandStatus) sBar->mStatusStale = true;
  const std::uint32_t now = TickCount();
  if (now - sBar->mLastPoll < kPollTicks && now >= sBar->mLastPoll) return;
  sBar->mLastPoll = now;
  sBar->CheckTextFunctionBar();
}

int CKXTextFunctionBar::CurrentKeyPlane() {
  const bool shift = IsThisKeyDown(kKxKeyShift) || IsThisKeyDown(kKxKeyRightShift);
  const bool option = IsThisKeyDown(kKxKeyOption) || IsThisKeyDown(kKxKeyRightOption);
  return (shift ? kPlaneShift : 0) | (option ? kPlaneOption : 0);
}

// ---- layout ------------------------------------------------------------------------------------------

void CKXTextFunctionBar::InitTextFunctionBar() {
  mPlane = 0;
  mWide = ScreenIsWide();
  StringTextFunctionBar();
  LWindow* w = LWindow::FetchWindowOf(this);
  if (!w) return;
  const std::int32_t height = BarHeight(mWide), minWidth = mWide ? kMinWidthWide : kMinWidth;
  w->SetMinMaxSize(Rect{KxPinShort(height), KxPinShort(minWidth), KxPinShort(height), 32767});
  KxHost& host = KxCurrentHost();
  const Rect desk = host.GetWorkArea();
  Rect saved = CKXTextViewServices::Get().GetFunctionBarBounds();
  Rect bounds;
  if (!EmptyRect(saved) && Intersect(saved, desk)) {
    const std::int32_t width = std::max<std::int32_t>(std::int32_t(saved.right) - saved.left, minWidth);
    bounds = Rect{saved.top, saved.left, KxPinShort(std::int32_t(saved.top) + height),
                  KxPinShort(std::int32_t(saved.left) + width)};
  } else {
    const Rect own = w->GetGlobalBounds();
    const std::int32_t width = std::max<std::int32_t>(std::int32_t(own.right) - own.left, minWidth);
    const std::int32_t left = std::int32_t(desk.left) + kScreenInset;
    bounds = Rect{KxPinShort(std::int32_t(desk.bottom) - height), KxPinShort(left), desk.bottom,
                  KxPinShort(left + width)};
  }
  w->DoSetBounds(bounds);
  ResizeFrameTo(std::int32_t(bounds.right) - bounds.left, height, false);
  ResizeTextFunctionBar();
  mBounds = w->GetGlobalBounds();
  CKXTextViewServices::Get().SetFunctionBarBounds(mBounds);
  w->Refresh();
}

void CKXTextFunctionBar::StringTextFunctionBar() { mLabels = KxBuildFunctionLabels(LiveSources()); }

void CKXTextFunctionBar::ResizeTextFunctionBar() {
  mCount = KxFunctionKeyCount(mLabels);
  RectL frame;
  CalcLocalFrameRect(frame);
  mRects = KxFunctionKeyRects(frame.right - frame.left, frame.bottom - frame.top, mCount);
}

void CKXTextFunctionBar::ResizeFrameBy(std::int32_t dw, std::int32_t dh, bool refresh) {
  LView::ResizeFrameBy(dw, dh, refresh);
  ResizeTextFunctionBar();
}

void CKXTextFunctionBar::RememberBounds() {
  if (LWindow* w = LWindow::FetchWindowOf(this)) {
    const Rect b = w->GetGlobalBounds();
    if (!EmptyRect(b)) mBounds = b;
  }
}

void CKXTextFunctionBar::CheckTextFunctionBar() {
  RememberBounds();
  const int plane = CurrentKeyPlane();
  if (plane != mPlane) {
    mPlane = plane;
    mStatusStale = false;
    for (int k = 0; k < mCount; ++k) DrawButton(k, false);
    return;
  }
  if (!mStatusStale) return;
  mStatusStale = false;
  // Only the keys whose look changed are drawn again.
  LMenuBar::StStatusPass pass;
  for (int k = 0; k < mCount; ++k) {
    const std::int8_t drawn = mDrawnEnabled[std::size_t(k)];
    if (drawn == kDrawnPlain) continue;
    bool enabled = false;
    GetMenuCommand(k, enabled);
    if (drawn != (enabled ? kDrawnEnabled : kDrawnDimmed)) DrawButton(k, false);
  }
}

void CKXTextFunctionBar::SpendTime(const EventRecord&) { CheckFunctionKey(); }

// ---- commands ----------------------------------------------------------------------------------------

CommandT CKXTextFunctionBar::GetMenuCommand(int key, bool& enabled) const {
  enabled = false;
  if (key < 0 || key >= kKxFunctionKeys) return 0;
  const CommandT command = CKXFunctionKeys::Get().Command(mPlane, key + 1);
  if (command == 0) return 0;
  if (LCommander* target = LCommander::GetTarget()) {
    Boolean on = false, usesMark = false;
    std::uint16_t mark = 0;
    Str255 name = {0};
    target->ProcessCommandStatus(command, on, usesMark, mark, name);
    enabled = on;
  }
  return command;
}

void CKXTextFunctionBar::ExecuteFunctionBar(int key) {
  bool enabled = false;
  const CommandT command = GetMenuCommand(key, enabled);
  if (command == 0) {
    // An empty slot runs the key's macro, when it has one.
    if (key >= 0 && key < kKxFunctionKeys)
      CKXMacroRecorder::Get().RunFunctionMacro(short(key + 1), char(KxFunctionPlaneModifiers(mPlane)));
    return;
  }
  if (!enabled) {
    KxCurrentHost().Beep();
    return;
  }
  LCommander* target = LCommander::GetTarget();
  if (!target) return;
  if (CKXMacroRecorder::Get().IsRecording()) CKXMacroRecorder::Get().AddMacroCommand(command);
  target->ProcessCommand(command, nullptr);
}

int CKXTextFunctionBar::FindKey(const SPoint32& p) const {
  for (int k = 0; k < mCount; ++k) {
    const RectL& r = mRects[std::size_t(k)];
    if (p.v >= r.top && p.v < r.bottom && p.h >= r.left && p.h < r.right) return k;
  }
  return -1;
}

void CKXTextFunctionBar::ClickSelf(const SMouseDownEvent& event) {
  const int key = FindKey(event.whereLocal);
  if (key < 0) return;
  // Tracked: pressed while the mouse is inside; released inside, it acts.
  if (KxTrackPaletteButton(
          *this, [&](const SPoint32& p) { return FindKey(p) == key; }, [&](bool pressed) { DrawButton(key, pressed); }))
    ExecuteFunctionBar(key);
}

// ---- drawing -----------------------------------------------------------------------------------------

void CKXTextFunctionBar::DrawSelf() {
  RectL frame;
  CalcLocalFrameRect(frame);
  RGBBackColor(&kFace);
  const Rect all = ToRect(frame);
  EraseRect(&all);
  for (int k = 0; k < mCount; ++k) DrawButton(k, false);
}

void CKXTextFunctionBar::DrawButton(int key, bool pressed) {
  if (key < 0 || key >= mCount) return;
  const RectL& r = mRects[std::size_t(key)];
  if (r.right - r.left < 3 || r.bottom - r.top < 3) return;
  const std::string text = mLabels.Get(mPlane, key + 1);
  // The status before the focus: asking the target may focus its own view.
  bool enabled = false;
  const CommandT command = text.empty() ? 0 : GetMenuCommand(key, enabled);
  if (!FocusDraw()) return;
  mDrawnEnabled[std::size_t(key)] = command == 0 ? kDrawnPlain : enabled ? kDrawnEnabled : kDrawnDimmed;
  const Rect face = ToRect(r);
  // A bevelled box, sunken and lighter when pressed.
  RGBBackColor(pressed ? &kPressedFace : &kFace);
  EraseRect(&face);
  RGBForeColor(pressed ? &kShadow : &kLight);
  MoveTo(r.left, r.bottom - 1);
  LineTo(r.left, r.top);
  LineTo(r.right - 1, r.top);
  RGBForeColor(pressed ? &kLight : &kShadow);
  LineTo(r.right - 1, r.bottom - 1);
  LineTo(r.left, r.bottom - 1);
  if (!text.empty()) {
    TextFont(kApplicationFont);
    TextSize(mWide ? kLabelSizeWide : kLabelSize);
    TextFace(0);
    const std::int32_t room = r.right - r.left - 4;
    if (TextWidth(text.data(), 0, std::int32_t(text.size())) > room) TextFace(kCondense);
    KxFontInfo info{};
    GetFontInfo(&info);
    const std::size_t len = KxPaletteFitBytes(text, room);
    const std::int32_t width = TextWidth(text.data(), 0, std::int32_t(len));
    const int shift = pressed ? 1 : 0;
    RGBForeColor(command == 0 || enabled ? &kBlack : &kDimmed);
    MoveTo((r.left + r.right - width) / 2 + shift, (r.top + r.bottom + info.ascent - info.descent) / 2 + shift);
    DrawText(text.data(), 0, std::int32_t(len));
    TextFace(0);
  }
  RGBForeColor(&kBlack);
  RGBBackColor(&kLight);
}
