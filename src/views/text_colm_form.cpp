// The ruler's format bar: the row of controls that shows and changes the
// formatting at the selection (font, size and style pop-ups, the indent-mode
// toggle and the new-tab buttons, justification, line and character spacing
// steppers, the page-form pop-up). Its geometry is one table; every change
// goes to the engine as one undoable command.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "layout/draw_text.h"
#include "layout/draw_toolkit.h"
#include "layout/fontstate.h"
#include "layout/kxtext_api.h"
#include "layout/text_form.h"
#include "platform/clock.h"
#include "platform/draw/color.h"
#include "platform/draw/port.h"
#include "platform/fonts.h"
#include "platform/fonts_port.h"
#include "platform/framework/events.h"
#include "platform/framework/commander.h"
#include "platform/framework/window.h"
#include "platform/host/host.h"
#include "platform/resources.h"
#include "platform/textconv.h"
#include "views/text_colm_view.h"

namespace {

// The controls along the bar in their order, each with its normal and wide
// width, and whether a gap comes before it.
struct FormControl {
  int index;
  std::int32_t normal, wide;
  bool gapBefore;
};
constexpr FormControl kControls[kKxFormControls] = {
    {kKxFormFont, 100, 112, false},      {kKxFormSize, 34, 38, false},       {kKxFormStyle, 44, 50, false},
    {kKxFormIndentMode, 17, 19, true},   {1, 17, 19, false},                 {2, 17, 19, false},
    {3, 17, 19, false},                  {4, 17, 19, false},                 {kKxFormJustify, 22, 24, true},
    {6, 22, 24, false},                  {7, 22, 24, false},                 {8, 22, 24, false},
    {kKxFormLineMinus, 15, 17, true},    {kKxFormLinePlus, 15, 17, false},   {kKxFormLineValue, 24, 28, false},
    {kKxFormCharMinus, 15, 17, true},    {kKxFormCharPlus, 15, 17, false},   {kKxFormCharValue, 24, 28, false},
    {kKxFormPage, 100, 112, true},
};
// What the table's controls take without gaps (559), and the wide layout's
// extra (68).
constexpr std::int32_t kFormFixed = 559;
constexpr std::int32_t kFormWideExtra = 68;
// Spacing values.
constexpr short kSpaceMin = 0, kSpaceMax = 100;
// Auto-repeat of the steppers (ticks): the first pause, the step of line
// and character spacing, the pause on a multiple of 10.
constexpr std::uint32_t kRepeatDelay = 60;
constexpr std::uint32_t kLineRepeat = 3;
constexpr std::uint32_t kCharRepeat = 6;
constexpr std::uint32_t kTenPause = 20;
// Paragraph dialog fields of the spacing value boxes; none for the
// justification buttons.
constexpr short kFieldNone = 0;
constexpr short kFieldLineSpace = 5;
constexpr short kFieldCharSpace = 6;
// The bar's texts: STR# 208 items 1 (plain) and 2 (styled) and 3 (no form).
constexpr short kBarWords = 208;
// Commands the bar sends to the document: the size dialog, other colour,
// and page form n (1930 + n).
constexpr CommandT kCmdSizeDialog = 303;
constexpr CommandT kCmdSizeBigger = 301;
constexpr CommandT kCmdSizeSmaller = 302;
// The size dialog's item text: STR# 201 item 8.
constexpr short kOtherList = 201;
constexpr short kOtherItem = 8;
constexpr CommandT kCmdOtherColour = 1309;
constexpr CommandT kCmdFormBase = 1930;
// The size menu and the style and colour commands.
constexpr std::int16_t kSizeMenu = 251;
constexpr CommandT kCmdPlain = 401;
constexpr CommandT kCmdColourBase = 1310;
// Icons 270-279: the swatches of colours 0-9; 280: another colour.
constexpr std::int16_t kColourIconFirst = 270;
// A mixed style.
constexpr short kStyleMixed = 256;
// Pop-up menus of the bar.
constexpr std::int16_t kPopupFont = 1999;
constexpr std::int16_t kPopupSize = 1998;
constexpr std::int16_t kPopupStyle = 1997;
constexpr std::int16_t kPopupPage = 1996;
// Sizes the bigger and smaller items keep to (as commands 301 and 302).
constexpr short kSizeLargest = 4999;
constexpr short kSizeSmallest = 2;
// The mixed-selection mark.
constexpr std::uint16_t kMixedMark = '-';

bool gWideChosen = false;
bool gWide = false;

std::string WordOf(short list, short item) {
  return KxIndString(list, item);
}

// The name of the form at `item` of the form table; the built-in names of
// the bar's own list when the table has none loaded (item 1's name until a
// form is known).
std::string FormName(short item) {
  unsigned char name[kKxFormNameField] = {};
  const bool kept = item >= 3 && UKXTextForm::GetListCount() > 0;
  if (UKXTextForm::GetFormName(item, name) && (name[0] != 0 || kept))
    return KxFormNameText(name);
  if (kept || item < 1 || item > kKxBuiltinForms) return {};
  return WordOf(kBarWords, short(2 + item));
}

}  // namespace

bool KxFormWideLayout() {
  // Chosen once, from the main screen as the program starts.
  if (!gWideChosen) {
    const Rect screen = KxCurrentHost().GetScreenBounds();
    gWide = screen.right - screen.left > 1000;
    gWideChosen = true;
  }
  return gWide;
}

void KxFormForgetLayout() { gWideChosen = false; }

std::int32_t KxFormGap(std::int32_t length, bool wide) {
  const std::int32_t g = (length - kFormFixed - (wide ? kFormWideExtra : 0)) / 5;
  if (g <= 0) return -1;
  return std::min<std::int32_t>(g, 2);
}

void KxFormControlSpans(std::int32_t length, bool wide, std::int32_t from[kKxFormControls],
                        std::int32_t to[kKxFormControls]) {
  const std::int32_t gap = KxFormGap(length, wide);
  std::int32_t right = 0;
  bool first = true;
  for (const FormControl& c : kControls) {
    const std::int32_t width = wide ? c.wide : c.normal;
    std::int32_t left;
    if (first)
      left = -1;
    else if (c.gapBefore)
      left = right + gap;
    else
      left = right - 1;
    first = false;
    from[c.index] = left;
    to[c.index] = left + width;
    right = left + width;
  }
}

std::string KxGetMenuString(CommandT command) {
  // The menu bar's menus and their submenus, in order.
  short menus[64];
  const int count = KxMenuBarMenus(129, menus, 64);
  std::vector<short> queue(menus, menus + std::max(0, count));
  for (std::size_t k = 0; k < queue.size() && k < 256; ++k) {
    const KxMenuRecord* m = KxFindMenuRecord(queue[k]);
    if (!m) continue;
    for (int i = 0; i < m->itemCount; ++i) {
      const KxMenuItemRecord& item = KxMenuItemAt(m->firstItem + i);
      if (item.command == command && !item.separator) return std::string(item.text, item.length);
      if (item.submenuID) queue.push_back(item.submenuID);
    }
  }
  return {};
}

// ---- Geometry ----------------------------------------------------------------------------------------

void CKXTextColmView::FixFormRects() {
  for (Rect& r : mFormRect) r = Rect{0, 0, 0, 0};
  if (!mFormShown) return;
  std::int32_t from[kKxFormControls], to[kKxFormControls];
  KxFormControlSpans(Along(), mWide, from, to);
  const std::int32_t shift = mVertical ? kKxFormVerticalShift : 0;
  for (int k = 0; k < kKxFormControls; ++k) mFormRect[k] = GageRect(from[k] + shift, -1, to[k] + shift, mFormDepth);
}

// ---- Drawing --------------------------------------------------------------------------------------------

void CKXTextColmView::DrawForm(bool active) {
  if (!mFormShown) return;
  // The colour set's text, as the gauge's numbers: black is lost on a dark face.
  RGBColor ink = UKXColor::sViewTextColor;
  if (!active) UKXColor::Lighten(ink, UKXColor::sViewTextColor);
  RGBColor light = ink;
  UKXColor::Lighten(light, ink);
  TextFont(1);
  TextSize(9);
  TextFace(0);
  KxFontInfo info{};
  GetFontInfo(&info);
  auto box = [&](int k, bool pressed, bool dim) {
    const Rect& r = mFormRect[k];
    RGBForeColor(&UKXColor::sViewFaceColor);
    PaintRect(&r);
    if (pressed) {
      RGBForeColor(&UKXColor::sViewShadowColor);
      Rect in{short(r.top + 1), short(r.left + 1), short(r.bottom - 1), short(r.right - 1)};
      PaintRect(&in);
    }
    RGBForeColor(dim ? &light : &ink);
    FrameRect(&r);
  };
  auto label = [&](int k, const std::string& text, bool triangle) {
    const Rect& r = mFormRect[k];
    KxClipScope clip(RectL{r.top + 1, r.left + 1, r.bottom - 1, r.right - (triangle ? 8 : 1)});
    if (mVertical) {
      KxDrawVerticalText(r.left + 1, r.top + 3, info.ascent, r.right - r.left - 2, text.data(), std::int32_t(text.size()));
    } else {
      MoveTo(r.left + 3, r.top + 1 + (r.bottom - r.top - 2 + info.ascent - info.descent) / 2);
      DrawText(text.data(), 0, std::int32_t(text.size()));
    }
  };
  auto triangle = [&](int k) {
    const Rect& r = mFormRect[k];
    const std::int32_t a = (mVertical ? r.bottom : r.right) - 7;
    const std::int32_t c = (mVertical ? r.left + r.right : r.top + r.bottom) / 2 - 1;
    for (int row = 0; row < 3; ++row) {
      if (mVertical) {
        MoveTo(c + row, a - 2 + row);
        LineTo(c + row, a + 2 - row);
      } else {
        MoveTo(a - 2 + row, c + row);
        LineTo(a + 2 - row, c + row);
      }
    }
  };
  // Font, size, style.
  box(kKxFormFont, false, false);
  {
    short font = mStyl.font;
    std::string name;
    if (!KxFontFamilyName(font, name) || name.empty()) KxFontPostScriptName(font, name);
    label(kKxFormFont, KxUTF8ToScriptText(name), true);
    triangle(kKxFormFont);
  }
  box(kKxFormSize, false, false);
  label(kKxFormSize, std::to_string(mStyl.size), true);
  triangle(kKxFormSize);
  box(kKxFormStyle, false, false);
  if (mStyl.face == 0) {
    label(kKxFormStyle, WordOf(kBarWords, 1), true);
  } else {
    // Drawn in the selection's style and colour.
    TextFace(mStyl.face);
    if (active) RGBForeColor(&mStyl.color);
    label(kKxFormStyle, WordOf(kBarWords, 2), true);
    TextFace(0);
    RGBForeColor(&ink);
  }
  triangle(kKxFormStyle);
  // The indent-mode toggle and the tab kinds.
  box(kKxFormIndentMode, mIndentMode, false);
  {
    const Rect& r = mFormRect[kKxFormIndentMode];
    const std::int32_t mid = mVertical ? (r.left + r.right) / 2 : (r.top + r.bottom) / 2;
    RGBForeColor(&ink);
    if (mVertical) {
      MoveTo(mid, r.top + 4);
      LineTo(mid, r.bottom - 5);
    } else {
      MoveTo(r.left + 4, mid);
      LineTo(r.right - 5, mid);
    }
  }
  for (int kind = 0; kind < 4; ++kind) {
    const int k = kKxFormTabKinds + kind;
    box(k, false, !mIndentMode);
    const Rect& r = mFormRect[k];
    RGBForeColor(mIndentMode ? &ink : &light);
    const std::int32_t ca = mVertical ? (r.top + r.bottom) / 2 : (r.left + r.right) / 2;
    const std::int32_t cc = mVertical ? r.right - 4 : r.top + 4;
    auto mv = [&](std::int32_t da, std::int32_t dc) { mVertical ? MoveTo(cc - dc, ca + da) : MoveTo(ca + da, cc + dc); };
    auto ln = [&](std::int32_t da, std::int32_t dc) { mVertical ? LineTo(cc - dc, ca + da) : LineTo(ca + da, cc + dc); };
    mv(0, 0), ln(-4, 4), ln(4, 4), ln(0, 0);
    if (kind == 0) mv(0, 1), ln(-3, 4);
    if (kind == 1) mv(-3, 3), ln(3, 3);
    if (kind == 2) mv(0, 1), ln(3, 4);
    if (kind == 3) mv(0, 1), ln(0, 2);
  }
  // Justification: the paragraph's kind pressed; lines of four lengths.
  for (int kind = 0; kind < 4; ++kind) {
    const int k = kKxFormJustify + kind;
    box(k, mPara.justify == kind, false);
    const Rect& r = mFormRect[k];
    RGBForeColor(&ink);
    for (int row = 0; row < 3; ++row) {
      const std::int32_t len = row == 1 && kind != 3 ? 8 : 12;
      const std::int32_t w = mVertical ? r.bottom - r.top : r.right - r.left;
      std::int32_t start = (w - 12) / 2;
      if (kind == 1) start = (w - len) / 2;
      if (kind == 2) start = (w + 12) / 2 - len;
      const std::int32_t across = 4 + row * 3;
      if (mVertical) {
        MoveTo(r.right - 1 - across, r.top + start);
        LineTo(r.right - 1 - across, r.top + start + len - 1);
      } else {
        MoveTo(r.left + start, r.top + across);
        LineTo(r.left + start + len - 1, r.top + across);
      }
    }
  }
  // Steppers and their values.
  const short line = mPara.lineSpace, chars = mPara.charSpace;
  const bool lineFixed = mFormFlags[0], charFixed = mFormFlags[1];
  box(kKxFormLineMinus, false, lineFixed || line <= kSpaceMin);
  label(kKxFormLineMinus, "-", false);
  box(kKxFormLinePlus, false, lineFixed || line >= kSpaceMax);
  label(kKxFormLinePlus, "+", false);
  box(kKxFormLineValue, false, lineFixed);
  label(kKxFormLineValue, std::to_string(line), false);
  box(kKxFormCharMinus, false, charFixed || chars <= kSpaceMin);
  label(kKxFormCharMinus, "-", false);
  box(kKxFormCharPlus, false, charFixed || chars >= kSpaceMax);
  label(kKxFormCharPlus, "+", false);
  box(kKxFormCharValue, false, charFixed);
  label(kKxFormCharValue, std::to_string(chars), false);
  // The page form in use.
  box(kKxFormPage, false, false);
  const Rect& pr = mFormRect[kKxFormPage];
  if ((mVertical ? pr.bottom - pr.top : pr.right - pr.left) > 16) {
    CKXTextEngine* engine = GetEngine();
    const short id = engine ? KXTE_GetFormStylID(engine->GetEdit()) : 0;
    label(kKxFormPage, FormName(UKXTextForm::FindFormItem(id)), true);
    triangle(kKxFormPage);
  }
  RGBForeColor(&UKXColor::sBlackColor);
}

// ---- Clicks ---------------------------------------------------------------------------------------------

void CKXTextColmView::DoClickFormAt(int index, const EventRecord& event, bool twice) {
  CKXTextEngine* engine = GetEngine();
  if (!engine) return;
  if (index == kKxFormFont) return DoClickFormFont();
  if (index == kKxFormSize) return DoClickFormSize();
  if (index == kKxFormStyle) return DoClickFormStyle();
  if (index == kKxFormPage) return DoClickFormCustom();
  if (index == kKxFormIndentMode) {
    // Flips even in a read-only text: it changes only what the ruler shows.
    mIndentMode = !mIndentMode;
    DrawNow(nullptr);
    return;
  }
  if (index >= kKxFormTabKinds && index < kKxFormTabKinds + 4) {
    if (mIndentMode) DoClickFormTabsOrIndent(short(index - kKxFormTabKinds), event, twice);
    return;
  }
  if (index >= kKxFormJustify && index < kKxFormJustify + 4) return DoClickFormJustify(index - kKxFormJustify, twice);
  if (index >= kKxFormLineMinus && index <= kKxFormLineValue) return DoClickFormLineSpace(index, event, twice);
  if (index >= kKxFormCharMinus && index <= kKxFormCharValue) return DoClickFormCharSpace(index, event, twice);
}

void CKXTextColmView::DoClickFormJustify(int kind, bool twice) {
  CKXTextEngine* engine = GetEngine();
  if (!engine || ReadOnly()) return;
  if (twice) {
    if (mDocument) mDocument->OpenParagraphDialog(kFieldNone);
    return;
  }
  if (kind == mPara.justify) {
    // Nothing to do when every paragraph of the selection has the kind.
    const SKXRange sel = engine->GetSelectionRange();
    const long count = engine->GetParaStylCount(sel);
    bool differs = false;
    if (count > 1) {
      std::vector<SKXPara> paras(std::size_t(std::min<long>(count, 100000)));
      const long got = engine->GetParaStyl(sel, paras.data(), long(paras.size()));
      for (long k = 0; k < got; ++k) differs = differs || paras[std::size_t(k)].para.justify != kind;
    }
    if (!differs) return;
  }
  engine->DoParaJustify(static_cast<unsigned char>(kind));
  FixForm(true);
  UpdateForm(true);
}

void CKXTextColmView::DoClickFormLineSpace(int index, const EventRecord& event, bool twice) {
  StepSpacing(index - kKxFormLineMinus, false, event, twice);
}

void CKXTextColmView::DoClickFormCharSpace(int index, const EventRecord& event, bool twice) {
  StepSpacing(index - kKxFormCharMinus, true, event, twice);
}

void CKXTextColmView::StepSpacing(int part, bool chars, const EventRecord& event, bool twice) {
  CKXTextEngine* engine = GetEngine();
  if (!engine || ReadOnly() || mFormFlags[chars ? 1 : 0]) return;
  if (part == 2) {
    if (twice && mDocument) mDocument->OpenParagraphDialog(chars ? kFieldCharSpace : kFieldLineSpace);
    return;
  }
  const int dir = part == 0 ? -1 : 1;
  short& shown = chars ? mPara.charSpace : mPara.lineSpace;
  const short start = shown;
  auto step = [&]() {
    const short next = short(shown + dir);
    if (next < kSpaceMin || next > kSpaceMax) return false;
    shown = next;
    UpdateForm(true);
    return true;
  };
  if (!step()) return;
  // Held down: after a pause the value keeps stepping, pausing longer on
  // each multiple of 10, until the button comes up or a limit is reached.
  KxHost& host = KxCurrentHost();
  const std::uint32_t every = chars ? kCharRepeat : kLineRepeat;
  // Timed on the host's clock, from the first event after the press (a
  // tick after it).
  (void)event;
  std::uint32_t next = 0;
  bool timed = false;
  for (int guard = 0; guard < 10000000; ++guard) {
    EventRecord e;
    const bool got = host.WaitNextEvent(e, 1);
    if (host.ShouldStop()) break;
    if (got && e.what == mouseUp) break;
    if (!got && (e.modifiers & kKxEventButtonState)) break;
    if (!timed) {
      next = e.when - 1 + kRepeatDelay;
      timed = true;
    }
    if (e.when < next) continue;
    if (!step()) {
      next = UINT32_MAX;   // at a limit: wait for the release
      continue;
    }
    next = e.when + (shown % 10 == 0 ? kTenPause : every);
  }
  const short final = shown;
  shown = start;
  // One undoable step from the value before the press to the last one.
  if (chars)
    engine->DoParaCharSpace(final);
  else
    engine->DoParaLineSpace(final);
  FixForm(true);
  UpdateForm(true);
}

// ---- Pop-ups ---------------------------------------------------------------------------------------------

void CKXTextColmView::DoClickFormFont() {
  CKXTextEngine* engine = GetEngine();
  if (!engine) return;
  std::vector<KxPopupEntry> entries;
  mPopupValues.clear();
  const short current = engine->GetCurFontNumber();
  const short shown = current >= 0 ? HiraginoFontCheck(current) : current;
  // The system and application fonts stand for families of the list: the
  // one of the same name is checked.
  std::string shownName;
  if (current >= 0) KxFontFamilyName(shown, shownName);
  for (short font : KxFontNumbers()) {
    std::string name;
    if (!KxFontFamilyName(font, name) || name.empty()) KxFontPostScriptName(font, name);
    if (name.empty()) continue;
    KxPopupEntry e;
    e.text = KxUTF8ToScriptText(name);
    e.enabled = !ReadOnly();
    const bool same = font == shown || (!shownName.empty() && name == shownName);
    bool inSelection = current < 0 && engine->CheckCurFontNumber(font);
    for (short alias : {short(0), short(1)}) {
      std::string aliasName;
      if (current < 0 && !inSelection && KxFontFamilyName(alias, aliasName) && aliasName == name)
        inSelection = engine->CheckCurFontNumber(alias);
    }
    if (current < 0 ? inSelection : same) e.mark = current < 0 ? kMixedMark : kKxCheckMark;
    entries.push_back(e);
    mPopupValues.push_back(font);
  }
  const Rect& r = mFormRect[kKxFormFont];
  PopUp(kPopupFont, entries, SPoint32{r.left + 1, r.bottom + 1});
}

void CKXTextColmView::DoClickFormSize() {
  CKXTextEngine* engine = GetEngine();
  if (!engine) return;
  // The size menu's sizes, then (as the program's size menu ends) a
  // separator, bigger, smaller, a separator and the size dialog.
  std::vector<KxPopupEntry> entries = KxMenuPopupEntries(kSizeMenu);
  KxPopupEntry sep;
  sep.separator = true;
  sep.enabled = false;
  entries.push_back(sep);
  for (CommandT cmd : {kCmdSizeBigger, kCmdSizeSmaller}) {
    KxPopupEntry e;
    e.text = KxGetMenuString(cmd);
    entries.push_back(e);
  }
  entries.push_back(sep);
  KxPopupEntry other;
  other.text = WordOf(kOtherList, kOtherItem);
  entries.push_back(other);
  mPopupValues.assign(entries.size(), 0);
  const short current = engine->GetCurFontSize();
  const short font = engine->GetCurFontNumber();   // -1 when mixed: no size is the font's own
  const int count = int(entries.size());
  for (int i = 0; i + 5 < count; ++i) {
    const short size = short(std::atoi(entries[std::size_t(i)].text.c_str()));
    mPopupValues[std::size_t(i)] = size;
    // The sizes the font really has are outlined.
    if (font >= 0 && KxRealFont(font, size)) entries[std::size_t(i)].style = kFaceOutline;
    if (current < 0 ? (size > 0 && engine->CheckCurFontSize(size)) : size == current)
      entries[std::size_t(i)].mark = current < 0 ? kMixedMark : kKxCheckMark;
  }
  if (ReadOnly())
    for (KxPopupEntry& e : entries) e.enabled = false;
  else if (current < 1)
    // A mixed size has no size to step from.
    entries[std::size_t(count - 3)].enabled = entries[std::size_t(count - 2)].enabled = false;
  const Rect& r = mFormRect[kKxFormSize];
  PopUp(kPopupSize, entries, SPoint32{r.left + 1, r.bottom + 1});
}

void CKXTextColmView::DoClickFormStyle() {
  CKXTextEngine* engine = GetEngine();
  if (!engine) return;
  std::vector<KxPopupEntry> entries;
  const short style = engine->GetCurFontStyle();
  const bool mixed = style == kStyleMixed;
  KxPopupEntry plain;
  plain.text = KxGetMenuString(kCmdPlain);
  plain.mark = style == 0 ? kKxCheckMark : 0;
  entries.push_back(plain);
  for (int bit = 0; bit < 7; ++bit) {
    KxPopupEntry e;
    e.text = KxGetMenuString(kCmdPlain + 1 + bit);
    e.style = static_cast<std::uint8_t>(1 << bit);   // shown in its own face
    const bool on = mixed ? engine->CheckCurFontStyle(static_cast<unsigned char>(1 << bit)) : (style & (1 << bit)) != 0;
    if (on) e.mark = mixed ? kMixedMark : kKxCheckMark;
    entries.push_back(e);
  }
  KxPopupEntry sep;
  sep.separator = true;
  sep.enabled = false;
  entries.push_back(sep);
  const short colour = engine->GetCurFontColor();
  for (int k = 0; k <= 10; ++k) {
    KxPopupEntry e;
    const CommandT cmd = k < 10 ? kCmdColourBase + k : kCmdOtherColour;
    e.text = KxGetMenuString(cmd);
    e.icon = std::int16_t(kColourIconFirst + k);   // the ten swatches, then another colour's
    const bool other = colour == -1 || colour == 10 || colour == 19;
    if (k < 10 ? (colour == -2 ? engine->CheckCurFontColor(short(k)) : colour == k) : other)
      e.mark = colour == -2 && k < 10 ? kMixedMark : kKxCheckMark;
    entries.push_back(e);
  }
  if (ReadOnly())
    for (KxPopupEntry& e : entries) e.enabled = false;
  const Rect& r = mFormRect[kKxFormStyle];
  PopUp(kPopupStyle, entries, SPoint32{r.left + 1, r.bottom + 1});
}

void CKXTextColmView::DoClickFormCustom() {
  CKXTextEngine* engine = GetEngine();
  if (!engine) return;
  std::vector<KxPopupEntry> entries;
  // The items of the form menu: the two built-in ones, then the kept forms
  // (commands 1931 up to 1999).
  const short inUse = UKXTextForm::FindFormItem(KXTE_GetFormStylID(engine->GetEdit()));
  const short count = std::min<short>(UKXTextForm::GetFormCount(), short(kKxMaxUserForms + 2));
  for (short n = 1; n <= count; ++n) {
    KxPopupEntry e;
    e.text = FormName(n);
    e.mark = n == inUse ? kKxCheckMark : 0;
    entries.push_back(e);
  }
  const Rect& r = mFormRect[kKxFormPage];
  PopUp(kPopupPage, entries, SPoint32{r.left + 1, r.bottom + 1});
}

bool CKXTextColmView::ChooseFormItem(std::int16_t menu, std::int16_t item) {
  CKXTextEngine* engine = GetEngine();
  if (!engine || item < 1) return true;
  const std::size_t at = std::size_t(item - 1);
  switch (menu) {
    case kPopupFont:
      if (!ReadOnly() && at < mPopupValues.size()) engine->DoFontNumber(mPopupValues[at]);
      break;
    case kPopupSize: {
      if (ReadOnly()) break;
      const int count = int(mPopupValues.size());
      const short current = engine->GetCurFontSize();
      if (item <= count - 5 && mPopupValues[at] > 0) {
        engine->DoFontSize(mPopupValues[at]);
      } else if (item == count - 3 || item == count - 2) {
        // Bigger and smaller keep to the limits of their menu commands,
        // and a mixed size has no size to step from.
        if (current < 1) break;
        const short size = short(item == count - 3 ? std::min<int>(current + 1, kSizeLargest)
                                                   : std::max<int>(current - 1, kSizeSmallest));
        if (size != current) engine->DoFontSize(size);
      } else if (item == count && mDocument) {
        mDocument->ObeyDocumentCommand(kCmdSizeDialog);
      }
      break;
    }
    case kPopupStyle:
      if (ReadOnly()) break;
      if (item == 1)
        engine->DoFontStyle(0);
      else if (item <= 8)
        engine->DoFontStyle(short(1 << (item - 2)));
      else if (item >= 10 && item <= 19)
        {
        RGBColor rgb{};
        KxGetRGBColor(item - 10, rgb);
        engine->DoFontColor(rgb);
      }
      else if (item == 20 && mDocument)
        mDocument->ObeyDocumentCommand(kCmdOtherColour);
      break;
    case kPopupPage:
      if (mDocument) mDocument->ObeyDocumentCommand(kCmdFormBase + item);
      break;
    default:
      return false;
  }
  FixForm(true);
  UpdateForm(true);
  return true;
}
