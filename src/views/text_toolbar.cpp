#include "views/text_toolbar.h"

#include <algorithm>
#include <string>

#include "engine/macro_recorder.h"
#include "platform/draw/color.h"
#include "platform/draw/port.h"
#include "platform/fonts_port.h"
#include "platform/framework/commander.h"
#include "platform/framework/window.h"
#include "platform/host/host.h"
#include "platform/resources.h"
#include "platform/script.h"
#include "text/codes/script.h"
#include "views/dialog_box.h"
#include "views/palettes.h"
#include "views/text_view_commands.h"

namespace {

// Width classes and the sizes that go with them.
constexpr short kClassSmall = 640, kClassMiddle = 800, kClassWide = 832;
constexpr short kClassLarge = 833;   // from here on the large sizes
constexpr int kScreenOutset = 3;
// Buttons that show the find and replace strings.
constexpr int kFindButton = 10, kReplaceButton = 12;
constexpr CommandT kCmdUndo = 11, kCmdRedo = 28;
constexpr CommandT kButtonCommands[kKxToolbarButtons + 1] = {
    0,    2,    3,    5,    9,    kCmdUndo, 12,   13,   14,   1202, 1204, 1206, 1208, 1115, 1116,
    1117, 1123, 1113, 1114, 1118, 1119,     1120, 1121, 1146, 1147, 1004, 1210, 1228, 1229};
// Commands that open a tool window: the help line goes first.
constexpr CommandT kToolWindowCommands[] = {1004, 1210, 1228};
// Vertical: the rows of two, in order, with 10 and 12 alone across.
constexpr int kVerticalRows[][2] = {{1, 2},   {3, 4},   {5, 6},   {7, 8},   {9, 11},  {10, 0},  {12, 0},  {13, 14},
                                    {15, 16}, {17, 18}, {19, 20}, {21, 22}, {23, 24}, {25, 26}, {27, 28}};
constexpr int kHelpGapAfter = 3, kHelpInsetRight = 4, kHelpInsetTop = 4, kHelpInsetBottom = 5, kHelpInsetSide = 4;
constexpr short kHelpTextSize = 9, kHelpTextSizeLarge = 12;
constexpr RGBColor kFace{0xDDDD, 0xDDDD, 0xDDDD};
constexpr RGBColor kShadow{0x7777, 0x7777, 0x7777};
constexpr RGBColor kLight{0xFFFF, 0xFFFF, 0xFFFF};
constexpr RGBColor kBlack{0, 0, 0};
constexpr RGBColor kDimmed{0x8888, 0x8888, 0x8888};
constexpr RGBColor kHelpFrame{0xBFFF, 0xBFFF, 0xBFFF};
constexpr std::uint32_t kIconOpaque = 0xFF000000u;

Rect ToRect(const RectL& r) {
  return Rect{KxPinShort(r.top), KxPinShort(r.left), KxPinShort(r.bottom), KxPinShort(r.right)};
}

// Item n of the help list (bytes of the program's script).
std::string HelpText(int n) {
  return KxIndString(kKxToolbarHelpList, short(n));
}


// How far an icon stands in from its button's edges, by width class.
std::int32_t IconInset(short widthClass) {
  if (widthClass >= kClassLarge) return 4;
  return widthClass > kClassSmall ? 2 : 1;
}

// Plots colour icon `id` in the box `r` inset by `inset` (moved by `shift`
// when pressed), centred there
// when the box is larger than the icon (pixel art is never scaled);
// dimmed icons are blended halfway to the face. False when it does not
// exist.
bool PlotIcon(short id, const RectL& r, std::int32_t inset, std::int32_t shift, bool enabled) {
  int w = 0, h = 0;
  const std::uint32_t* pixels = KxFindIcon(id, w, h);
  if (!pixels) return false;
  const std::int32_t boxW = r.right - r.left - 2 * inset, boxH = r.bottom - r.top - 2 * inset;
  const std::int32_t left = r.left + inset + shift + std::max<std::int32_t>(0, (boxW - w) / 2);
  const std::int32_t top = r.top + inset + shift + std::max<std::int32_t>(0, (boxH - h) / 2);
  for (int y = 0; y < h; ++y) {
    if (top + y >= r.bottom - 1) break;
    for (int x = 0; x < w;) {
      const std::uint32_t p = pixels[std::size_t(y) * std::size_t(w) + std::size_t(x)];
      int run = 1;
      while (x + run < w && pixels[std::size_t(y) * std::size_t(w) + std::size_t(x + run)] == p) ++run;
      if ((p & kIconOpaque) != 0 && left + x < r.right - 1) {
        auto channel = [&](int shiftBits, std::uint16_t face) {
          const std::uint16_t c = std::uint16_t(((p >> shiftBits) & 0xFF) * 0x101);
          return enabled ? c : std::uint16_t((std::uint32_t(c) + face) / 2);
        };
        const RGBColor colour{channel(16, kFace.red), channel(8, kFace.green), channel(0, kFace.blue)};
        RGBForeColor(&colour);
        const Rect cells{KxPinShort(top + y), KxPinShort(left + x), KxPinShort(top + y + 1),
                         KxPinShort(std::min<std::int32_t>(left + x + run, r.right - 1))};
        PaintRect(&cells);
      }
      x += run;
    }
  }
  return true;
}

// The palette's standing in the preferences and the room it takes, for
// the window layer's zooming.
Point PaletteSpace() { return CKXTextToolbar::SizeTextToolbar(); }

}  // namespace

short KxToolbarWidthClass(std::int32_t screenWidth) {
  const std::int32_t w = screenWidth + 2 * kScreenOutset;
  if (w >= 811 && w <= 842) return kClassWide;
  if (w >= 651 && w <= 810) return kClassMiddle;
  if (w < 651) return kClassSmall;
  return KxPinShort(w);
}

SKXToolbarLayout KxToolbarLayout(short widthClass, bool vertical) {
  SKXToolbarLayout l;
  l.widthClass = widthClass;
  const bool large = widthClass >= kClassLarge;
  const std::int32_t b = widthClass <= kClassSmall ? 22 : large ? 28 : 24;
  l.button = short(b);
  const std::int32_t toggle = large ? 12 : 10;
  std::int32_t wide = 2 * b;   // the find and replace boxes, horizontally
  if (widthClass > kClassSmall) wide = widthClass <= kClassMiddle ? 3 * b - 15 : widthClass <= kClassWide ? 3 * b + 1 : 3 * b + 18;
  if (!vertical) {
    l.rects[0] = RectL{0, 0, b, toggle};
    std::int32_t left = toggle - 1;
    for (int n = 1; n <= kKxToolbarButtons; ++n) {
      const std::int32_t w = n == kFindButton || n == kReplaceButton ? wide : b;
      l.rects[std::size_t(n)] = RectL{0, left, b, left + w};
      left += w - 1;
    }
    const std::int32_t lastRight = l.rects[kKxToolbarButtons].right;
    l.height = std::max<std::int32_t>(b, large ? 26 : widthClass <= kClassSmall ? 20 : 22);
    l.width = large ? 1024 : widthClass + 2 * kScreenOutset;
    l.width = std::max(l.width, lastRight + kHelpGapAfter + kHelpInsetRight + 40);
    l.help = RectL{kHelpInsetTop, lastRight + kHelpGapAfter, l.height - kHelpInsetBottom, l.width - kHelpInsetRight};
    return l;
  }
  const std::int32_t full = 2 * b - 1;
  l.rects[0] = RectL{0, 0, toggle, full};
  std::int32_t top = toggle - 1;
  for (const auto& row : kVerticalRows) {
    if (row[1] == 0) {
      l.rects[std::size_t(row[0])] = RectL{top, 0, top + b, full};
    } else {
      l.rects[std::size_t(row[0])] = RectL{top, 0, top + b, b};
      l.rects[std::size_t(row[1])] = RectL{top, b - 1, top + b, full};
    }
    top += b - 1;
  }
  const std::int32_t lastBottom = l.rects[kKxToolbarButtons].bottom;
  l.width = std::max<std::int32_t>(full, large ? 53 : widthClass <= kClassSmall ? 41 : 45);
  l.height = std::max<std::int32_t>(lastBottom + 21, large ? 444 : widthClass <= kClassSmall ? 346 : 378);
  l.help = RectL{lastBottom + kHelpInsetTop, kHelpInsetSide, l.height - kHelpInsetBottom, l.width - kHelpInsetSide};
  return l;
}

CommandT KxToolbarCommand(int button, bool shift) {
  if (button < 1 || button > kKxToolbarButtons) return 0;
  if (button == 5 && shift) return kCmdRedo;
  return kButtonCommands[button];
}

CommandT KxToolbarFallback(CommandT command) {
  switch (command) {
    case kCmdRedo: return kCmdUndo;
    case 1204: return 1201;
    case 1208: return 1209;
    default: return 0;
  }
}

// ---- the one palette ---------------------------------------------------------------------------------

CKXTextToolbar* CKXTextToolbar::sToolbar = nullptr;
bool CKXTextToolbar::sVertical = false;

CKXTextToolbar::~CKXTextToolbar() {
  if (sToolbar == this) sToolbar = nullptr;
}

bool CKXTextToolbar::IsShowTextToolbar() {
  LWindow* w = sToolbar ? LWindow::FetchWindowOf(sToolbar) : nullptr;
  return w && w->IsWindowShown();
}

void CKXTextToolbar::ShowTextToolbar(LCommander* commander) {
  if (sToolbar) {
    if (LWindow* w = LWindow::FetchWindowOf(sToolbar)) w->ShowFloating(true);
    return;
  }
  LCommander* top = commander;
  while (top && top->GetSuperCommander()) top = top->GetSuperCommander();
  LWindow* window = LWindow::CreateWindow(kKxToolbarLayout, top);
  auto* bar = window ? dynamic_cast<CKXTextToolbar*>(window->FindPaneByID(kKxToolbarPane)) : nullptr;
  if (!bar) {
    delete window;
    return;
  }
  sToolbar = bar;
  const std::uint8_t stored = CKXTextViewServices::Get().GetPaletteByte();
  if (stored == kKxPaletteVertical) sVertical = true;
  if (stored == kKxPaletteHorizontal) sVertical = false;
  KxSetPaletteSpaceHook(PaletteSpace);
  bar->InitTextToolbar();
  window->ShowFloating(true);
  bar->StartIdling();
}

void CKXTextToolbar::HideTextToolbar() {
  if (LWindow* w = sToolbar ? LWindow::FetchWindowOf(sToolbar) : nullptr) w->ShowFloating(false);
}

void CKXTextToolbar::CloseTextToolbar(bool keepPreference) {
  if (!sToolbar) return;
  LWindow* w = LWindow::FetchWindowOf(sToolbar);
  sToolbar = nullptr;
  if (!keepPreference) CKXTextViewServices::Get().SetPaletteByte(kKxPaletteClosed);
  delete w;
}

Point CKXTextToolbar::SizeTextToolbar() {
  if (!sToolbar) return Point{0, 0};
  const SKXToolbarLayout& l = sToolbar->mLayout;
  // Measured from its frame on the screen where the desktop decorates
  // windows: from the work area's edge to the frame's far edge.
  std::int32_t depth = sVertical ? l.width : l.height;
  KxHost& host = KxCurrentHost();
  if (const LWindow* w = LWindow::FetchWindowOf(sToolbar); w && w->IsWindowShown()) {
    const Rect frame = host.GetWindowFrame(w->GetHostWindow()), work = host.GetWorkArea();
    depth = std::max<std::int32_t>(depth, sVertical ? frame.right - work.left : frame.bottom - work.top);
  }
  return sVertical ? Point{0, KxPinShort(depth)} : Point{KxPinShort(depth), 0};
}

void CKXTextToolbar::FindString() {
  if (!sToolbar) return;
  sToolbar->DrawButton(kFindButton, false);
  sToolbar->DrawButton(kReplaceButton, false);
}

void CKXTextToolbar::Messages(Point global) {
  if (!sToolbar) return;
  LWindow* w = LWindow::FetchWindowOf(sToolbar);
  if (!w) return;
  SPoint32 p = w->GlobalToPortPoint(global);
  sToolbar->PortToLocalPoint(p);
  sToolbar->CheckMessages(p);
}

void CKXTextToolbar::InitTextToolbar() {
  KxHost& host = KxCurrentHost();
  const Rect screen = host.GetScreenBounds(), work = host.GetWorkArea();
  // The width class comes from the whole work area of the main screen.
  mLayout = KxToolbarLayout(KxToolbarWidthClass(work.right - work.left), sVertical);
  if (LWindow* w = LWindow::FetchWindowOf(this)) {
    const Rect bounds{screen.top, screen.left, KxPinShort(long(screen.top) + mLayout.height),
                      KxPinShort(long(screen.left) + mLayout.width)};
    // The layout's own size is the window's limit: the layout resource's
    // minimum is the horizontal palette's and would hold a column wide.
    w->SetMinMaxSize(Rect{KxPinShort(mLayout.height), KxPinShort(mLayout.width), KxPinShort(mLayout.height),
                          KxPinShort(mLayout.width)});
    w->DoSetBounds(bounds);
    ResizeFrameTo(mLayout.width, mLayout.height, false);
    w->Refresh();
  }
  CKXTextViewServices::Get().SetPaletteByte(sVertical ? kKxPaletteVertical : kKxPaletteHorizontal);
}

// ---- commands ----------------------------------------------------------------------------------------

CommandT CKXTextToolbar::GetMenuCommand(int button, bool& enabled) const {
  enabled = false;
  CommandT command = KxToolbarCommand(button, CKXTextViewServices::Get().IsShiftDown());
  LCommander* target = LCommander::GetTarget();
  for (int tries = 0; command != 0 && tries < 2; ++tries) {
    Boolean on = false, usesMark = false;
    std::uint16_t mark = 0;
    Str255 name = {0};
    if (target) target->ProcessCommandStatus(command, on, usesMark, mark, name);
    if (on) {
      enabled = true;
      return command;
    }
    const CommandT alternative = KxToolbarFallback(command);
    if (alternative == 0) break;
    command = alternative;
  }
  return command;
}

void CKXTextToolbar::ExecuteToolbar(int button) {
  if (button == 0) {
    sVertical = !sVertical;
    LWindow* w = LWindow::FetchWindowOf(this);
    if (w) w->ShowFloating(false);
    InitTextToolbar();
    if (w) w->ShowFloating(true);
    return;
  }
  bool enabled = false;
  const CommandT command = GetMenuCommand(button, enabled);
  if (std::find(std::begin(kToolWindowCommands), std::end(kToolWindowCommands), command) !=
      std::end(kToolWindowCommands)) {
    mHelp = 0;
    DrawMessage();
  }
  if (!enabled || command == 0) {
    KxCurrentHost().Beep();
    return;
  }
  LCommander* target = LCommander::GetTarget();
  if (!target) return;
  if (CKXMacroRecorder::Get().IsRecording()) CKXMacroRecorder::Get().AddMacroCommand(command);
  target->ProcessCommand(command, nullptr);
}

int CKXTextToolbar::FindButton(const SPoint32& p) const {
  for (int n = 0; n <= kKxToolbarButtons; ++n) {
    const RectL& r = mLayout.rects[std::size_t(n)];
    if (p.v >= r.top && p.v < r.bottom && p.h >= r.left && p.h < r.right) return n;
  }
  return -1;
}

void CKXTextToolbar::ClickSelf(const SMouseDownEvent& event) {
  const int button = FindButton(event.whereLocal);
  if (button < 0) return;
  // Tracked: pressed while the mouse is inside; released inside, it acts.
  if (KxTrackPaletteButton(
          *this, [&](const SPoint32& p) { return FindButton(p) == button; },
          [&](bool pressed) { DrawButton(button, pressed); }))
    ExecuteToolbar(button);
}

void CKXTextToolbar::SpendTime(const EventRecord& event) {
  LWindow* w = LWindow::FetchWindowOf(this);
  if (!w || !w->IsWindowShown()) return;
  Messages(event.where);
}

void CKXTextToolbar::CheckMessages(const SPoint32& local) {
  const int button = std::max(0, FindButton(local));
  if (button == mHelp) return;
  mHelp = button;
  DrawMessage();
}

// ---- drawing -----------------------------------------------------------------------------------------

void CKXTextToolbar::DrawSelf() {
  RectL frame;
  CalcLocalFrameRect(frame);
  RGBBackColor(&kFace);
  const Rect all = ToRect(frame);
  EraseRect(&all);
  for (int n = 0; n <= kKxToolbarButtons; ++n) DrawButton(n, false);
  DrawMessage();
}

void CKXTextToolbar::DrawButton(int button, bool pressed) {
  if (button < 0 || button > kKxToolbarButtons) return;
  // The status first: asking the target may focus its own view (a text
  // view measures its selection), and the button is drawn here, not there.
  bool enabled = false;
  if (button != 0) GetMenuCommand(button, enabled);
  if (!FocusDraw()) return;
  const RectL& r = mLayout.rects[std::size_t(button)];
  const Rect face = ToRect(r);
  // A bevelled face, shifted a pixel when pressed.
  RGBBackColor(&kFace);
  EraseRect(&face);
  RGBForeColor(pressed ? &kShadow : &kLight);
  MoveTo(r.left, r.bottom - 1);
  LineTo(r.left, r.top);
  LineTo(r.right - 1, r.top);
  RGBForeColor(pressed ? &kLight : &kShadow);
  LineTo(r.right - 1, r.bottom - 1);
  LineTo(r.left, r.bottom - 1);
  const int shift = pressed ? 1 : 0;
  RGBForeColor(&kBlack);
  if (button == 0) {
    // A small wedge of four lines pointing along the strip.
    const std::int32_t cx = (r.left + r.right) / 2 + shift, cy = (r.top + r.bottom) / 2 + shift;
    for (int i = 0; i < 4; ++i) {
      if (sVertical) {
        MoveTo(cx - 3 + i, cy - 2 + i);
        LineTo(cx + 3 - i, cy - 2 + i);
      } else {
        MoveTo(cx - 2 + i, cy - 3 + i);
        LineTo(cx - 2 + i, cy + 3 - i);
      }
    }
    return;
  }
  TextFont(kApplicationFont);
  TextSize(mLayout.widthClass >= kClassLarge ? kHelpTextSizeLarge : kHelpTextSize);
  TextFace(0);
  KxFontInfo info{};
  GetFontInfo(&info);
  std::string text;
  if (button == kFindButton || button == kReplaceButton) {
    CKXTextViewServices& s = CKXTextViewServices::Get();
    text = button == kFindButton ? s.GetFindString() : s.GetReplaceString();
  } else if (PlotIcon(short(kKxToolbarIconBase + button), r, IconInset(mLayout.widthClass), shift, enabled)) {
    RGBForeColor(&kBlack);
    return;
  } else {
    // Without its icon, the button's mark: the first character of its help.
    const std::string help = HelpText(button);
    text = help.substr(0, !help.empty() && KxTextCharFirst(std::uint8_t(help[0]), kScriptJapanese) ? 2 : 1);
  }
  // Cut to what fits (whole characters).
  const std::size_t len = KxPaletteFitBytes(text, r.right - r.left - 6);
  RGBForeColor(enabled ? &kBlack : &kDimmed);
  const std::int32_t width = TextWidth(text.data(), 0, std::int32_t(len));
  const std::int32_t x = button == kFindButton || button == kReplaceButton ? r.left + 3 : (r.left + r.right - width) / 2;
  MoveTo(x + shift, (r.top + r.bottom + info.ascent - info.descent) / 2 + shift);
  DrawText(text.data(), 0, std::int32_t(len));
  RGBForeColor(&kBlack);
}

void CKXTextToolbar::DrawMessage() {
  const RectL& h = mLayout.help;
  if (h.right <= h.left || h.bottom <= h.top) return;
  // The status before the focus, as for the buttons.
  bool enabled = false;
  if (mHelp > 0 && mHelp <= kKxToolbarButtons) GetMenuCommand(mHelp, enabled);
  if (!FocusDraw()) return;
  const Rect box = ToRect(h);
  RGBBackColor(&kFace);
  EraseRect(&box);
  RGBForeColor(&kHelpFrame);
  FrameRect(&box);
  if (mHelp <= 0 || mHelp > kKxToolbarButtons) {
    RGBForeColor(&kBlack);
    return;
  }
  // The help without the button's stand-in mark before its ideographic
  // space: the line is short, and the button shows its icon.
  std::string text = HelpText(mHelp);
  for (std::size_t i = 0; i + 1 < text.size();) {
    if (std::uint8_t(text[i]) == 0x81 && std::uint8_t(text[i + 1]) == 0x40) {
      text.erase(0, i + 2);
      break;
    }
    i += KxTextCharFirst(std::uint8_t(text[i]), kScriptJapanese) ? 2 : 1;
  }
  TextFont(kApplicationFont);
  TextSize(mLayout.widthClass >= kClassLarge ? kHelpTextSizeLarge : kHelpTextSize);
  KxFontInfo info{};
  GetFontInfo(&info);
  // Condensed when too wide, then cut to what fits.
  const std::int32_t room = h.right - h.left - 6;
  if (TextWidth(text.data(), 0, std::int32_t(text.size())) > room) TextFace(kFaceCondense);
  const std::size_t len = KxPaletteFitBytes(text, room);
  RGBForeColor(enabled ? &kBlack : &kDimmed);
  MoveTo(h.left + 3, (h.top + h.bottom + info.ascent - info.descent) / 2);
  DrawText(text.data(), 0, std::int32_t(len));
  TextFace(0);
  RGBForeColor(&kBlack);
}
