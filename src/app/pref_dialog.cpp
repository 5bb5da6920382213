// The general preferences dialog (layout 2000): a modeless window over the
// three settings records, the colour sets, the colour schedule and the
// line-break characters. Controls load from the records when it opens;
// nothing is stored before OK, and OK stores everything in one pass. The
// colour sets, the schedule and the line-break characters are edited in
// working copies that OK stores and cancel drops.
#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "app/app_dialog.h"
#include "app/application.h"
#include "app/color_prefs.h"
#include "app/color_schedule.h"
#include "app/dynamic_menus.h"
#include "app/globals.h"
#include "app/nav_extras.h"
#include "app/pref_subdialogs.h"
#include "app/pref_values.h"
#include "app/schedule_entry.h"
#include "engine/input_method_handler.h"
#include "engine/text_event.h"
#include "engine/text_layer.h"
#include "layout/draw_toolkit.h"
#include "layout/fontstate.h"
#include "layout/kxtext_api.h"
#include "platform/draw/color.h"
#include "platform/fonts.h"
#include "platform/framework/control.h"
#include "platform/framework/edit_field.h"
#include "platform/framework/list_box.h"
#include "platform/host/host.h"
#include "platform/resources.h"
#include "platform/textconv.h"
#include "views/controls.h"
#include "views/dialog_box.h"
#include "views/scroller.h"

namespace {

constexpr ResIDT kPrefLayout = 2000;
constexpr PaneIDT kFirstPagePane = 2003, kLastPagePane = 2086;
constexpr std::int32_t kPageWidth = 400;
constexpr PaneIDT kFirstTab = 2091;
constexpr int kPages = 4;

// Panes.
constexpr PaneIDT kStartup = 2003, kUnit = 2004, kGauge = 2005, kJustify = 2006, kLineBreak = 2007;
constexpr PaneIDT kFont = 2008, kSizePopup = 2009, kTextColour = 2010, kSize = 2011, kTabWidth = 2012;
constexpr PaneIDT kLineSpacing = 2013, kMarginFirst = 2014, kMarginSecond = 2015;
constexpr PaneIDT kWordWrap = 2016, kInline = 2017, kAutoIndent = 2018, kCaretLine = 2019, kTextLayer = 2020;
constexpr PaneIDT kRuler = 2021, kLineView = 2022, kInfoView = 2023, kControlView = 2024, kWrapAtWidth = 2025;
constexpr PaneIDT kGuide = 2026, kPaperView = 2027, kVertical = 2028, kRulerTools = 2029;
constexpr PaneIDT kStoredSize = 2047, kTakeSize = 2048, kPaper = 2049;
constexpr PaneIDT kKeyboardScript = 2051, kFontScript = 2052, kSystemFont = 2053, kRomanFont = 2054;
constexpr PaneIDT kInlineOption = 2058, kImeBeside = 2059, kCarbonOnly = 2060;
constexpr PaneIDT kLiveScroll = 2062, kAltMenuBar = 2063, kAutoSave = 2064, kBackup = 2065;
constexpr PaneIDT kAutoSaveMinutes = 2069, kGenerations = 2070, kRecentFiles = 2071, kRecentFolders = 2072;
constexpr PaneIDT kOwnDialogs = 2073, kNavigation = 2074, kVariation = 2076;
constexpr PaneIDT kSchedule = 2078, kNewEntry = 2079, kEditEntry = 2080, kDeleteEntry = 2081;
constexpr PaneIDT kOpenURLs = 2083, kSmoothing = 2085, kSmoothingSize = 2086;

constexpr CommandT kOK = -2001;
constexpr CommandT kScheduleSelect = -2077;
constexpr short kPromptList = 200, kPromptItem = 5;
// Variation items from 11 on are the user's colour sets 1-10.
constexpr int kFirstSetItem = 11;

// What the dialog keeps between its messages.
struct PrefState {
  KxModelessDialog dialog;
  int mode = 0;   // the page shown; remembered while the program runs
  std::int16_t winWidth = 0, winHeight = 0;
  KxBlock colourSets;   // edited colour sets (72-byte records)
  bool colourSetEdited = false;
  KxBlock schedule;     // 164-byte records
  KxBlock jwrap;        // the line-break lists, empty for the built-in ones
  // The font numbers behind the items of each font pop-up, and the item
  // and number shown on opening: an untouched pop-up keeps its number
  // (font 1 stands for a family without being it).
  std::vector<short> fonts;
  std::array<std::int32_t, 3> shownFontItem{};
  std::array<short, 3> shownFont{};
  // Likewise the smoothing size, whose pop-up cannot show every size.
  std::int32_t shownSmoothingItem = 0;
  // The other pop-ups over stored numbers, and the size field: what each
  // showed on opening and the number it keeps while it shows that.
  struct ShownPopup {
    std::int32_t item = 0;
    int kept = 0;
  };
  std::map<PaneIDT, ShownPopup> shownPopups;
  std::string shownSize;
  short keptSize = 0;
};

PrefState& State() {
  static PrefState state;
  return state;
}

KxModelessDialog& Dialog() { return State().dialog; }

std::int32_t Value(PaneIDT id) { return Dialog().Value(id); }
bool Checked(PaneIDT id) { return Dialog().Value(id) != 0; }
void SetValue(PaneIDT id, std::int32_t v) { Dialog().SetValue(id, v); }
// Sets a control without its broadcast, as the dialog's own linkage does.
void SetQuietly(PaneIDT id, std::int32_t v) {
  if (auto* c = dynamic_cast<LControl*>(Dialog().Pane(id))) {
    const bool was = c->IsBroadcasting();
    c->StopBroadcasting();
    c->SetValue(v);
    if (was) c->StartBroadcasting();
  }
}
std::int64_t Number(PaneIDT id) { return KxFieldNumber(Dialog().Text(id)); }

KXColButton* ColourButton(PaneIDT id) { return dynamic_cast<KXColButton*>(Dialog().Pane(id)); }

bool SameColour(const RGBColor& a, const RGBColor& b) {
  return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

std::string ColourPrompt() {
  Str255 prompt;
  GetIndString(prompt, kPromptList, kPromptItem);
  return KxScriptTextToUTF8(std::string(reinterpret_cast<const char*>(prompt + 1), prompt[0]));
}

// ---- font pop-ups ----

constexpr PaneIDT kFontPopups[3] = {kFont, kSystemFont, kRomanFont};

int FontItem(short font) {
  const std::vector<short>& fonts = State().fonts;
  if (auto it = std::find(fonts.begin(), fonts.end(), font); it != fonts.end()) return int(it - fonts.begin()) + 1;
  // Fonts 0, 1 and the classic numbers show the family they stand for.
  std::string family, other;
  if (!KxFontFamilyName(font, family)) return 0;
  for (std::size_t i = 0; i < fonts.size(); ++i)
    if (KxFontFamilyName(fonts[i], other) && other == family) return int(i) + 1;
  return 0;
}

void LoadFontPopups(const std::array<short, 3>& numbers) {
  PrefState& s = State();
  s.fonts = KxFontNumbers();
  std::vector<std::string> names;
  for (short n : s.fonts) {
    std::string family;
    KxFontFamilyName(n, family);
    names.push_back(KxMenuTextFromUTF8(family));
  }
  for (int k = 0; k < 3; ++k) {
    if (auto* popup = dynamic_cast<LStdPopupMenu*>(Dialog().Pane(kFontPopups[k]))) popup->SetItems(names);
    s.shownFont[std::size_t(k)] = numbers[std::size_t(k)];
    SetValue(kFontPopups[k], FontItem(numbers[std::size_t(k)]));
    // A font that is not installed has no item: the pop-up shows its first
    // one, and the stored number stays unless another font is chosen.
    s.shownFontItem[std::size_t(k)] = Value(kFontPopups[k]);
  }
}

short ChosenFont(int k) {
  const PrefState& s = State();
  const std::int32_t item = Value(kFontPopups[k]);
  if (item == s.shownFontItem[std::size_t(k)] || item < 1 || std::size_t(item) > s.fonts.size())
    return s.shownFont[std::size_t(k)];
  return s.fonts[std::size_t(item - 1)];
}

// ---- colour variation and schedule list ----

void NameColourSets() {
  auto* popup = dynamic_cast<LStdPopupMenu*>(Dialog().Pane(kVariation));
  if (!popup) return;
  std::vector<std::string> items = popup->GetItems();
  for (short set = 1; set <= kKxColorPrefSets; ++set) {
    const std::size_t at = std::size_t(kFirstSetItem - 1 + set - 1);
    if (at >= items.size()) break;
    std::string name, stored;
    SKXColorPreference record;
    if (UKXColorPrefCopy::Find(State().colourSets, set, record, name) && !name.empty()) items[at] = name;
    else if (UKXColorPreference::GetColorPrefNameAt(set, stored) && !stored.empty()) items[at] = stored;
  }
  popup->SetItems(items);
}

std::size_t ScheduleCount() { return State().schedule.size() / kKxScheduleWorkSize; }

void FillScheduleList() {
  auto* list = dynamic_cast<LListBox*>(Dialog().Pane(kSchedule));
  if (!list) return;
  list->RemoveAllRows();
  const KxBlock& copy = State().schedule;
  for (std::size_t i = 0; i < ScheduleCount(); ++i) {
    KxScheduleEntry e;
    if (KxScheduleFromWork(&copy[i * kKxScheduleWorkSize], kKxScheduleWorkSize, e)) list->AddRow(e.title);
    else list->AddRow(std::string());
  }
  list->UnselectAllCells();
}

// The selected row from 1, 0 for none.
long SelectedEntry() {
  const auto* list = dynamic_cast<LListBox*>(Dialog().Pane(kSchedule));
  if (!list) return 0;
  const std::vector<std::int32_t> rows = list->GetSelectedRows();
  return rows.empty() ? 0 : long(rows.front()) + 1;
}

void EnableEntryButtons() {
  const bool selected = SelectedEntry() != 0;
  Dialog().Enable(kEditEntry, selected);
  Dialog().Enable(kDeleteEntry, selected);
}

KxBlock StoredSchedule() {
  KxBlock copy;
  for (long n = 1; n <= UKXColorSchedule::Count(); ++n) {
    const KxBlock record = KxScheduleToWork(UKXColorSchedule::GetAt(n));
    copy.insert(copy.end(), record.begin(), record.end());
  }
  return copy;
}

// ---- pages ----

void EnableForPage(int page) {
  if (page == 1) return;   // page 1 leaves the fields as they are
  for (PaneIDT id = kSize; id <= kMarginSecond; ++id) Dialog().Enable(id, page == 0);
  for (PaneIDT id = kAutoSaveMinutes; id <= kRecentFolders; ++id) Dialog().Enable(id, page == 2);
  Dialog().Enable(kSchedule, page == 3);
}

// Typing goes to the first field of the page shown. Page 1 has no field:
// the dialog itself takes the keys, never a field moved off with its page.
void FocusPage(int page) {
  LCommander* target = nullptr;
  switch (page) {
    case 0: target = dynamic_cast<LCommander*>(Dialog().Pane(kSize)); break;
    case 2: target = dynamic_cast<LCommander*>(Dialog().Pane(kAutoSaveMinutes)); break;
    case 3: target = dynamic_cast<LCommander*>(Dialog().Pane(kSchedule)); break;
    default: target = Dialog().Window(); break;
  }
  if (target) LCommander::SwitchTarget(target);
}

void ShowTabs(int page) {
  for (int k = 0; k < kPages; ++k) SetQuietly(kFirstTab + k, k == page ? 1 : 0);
}

void SwitchPage(int page) {
  PrefState& s = State();
  ShowTabs(page);
  if (page == s.mode) return;
  if (KXDialogBox* w = Dialog().Window()) LCommander::SwitchTarget(w);   // out of a field that moves away
  EnableForPage(page);
  const std::int32_t dh = (s.mode - page) * kPageWidth;
  // Panes inside a tab group move with it.
  for (PaneIDT id = kFirstPagePane; id <= kLastPagePane; ++id)
    if (LPane* p = Dialog().Pane(id); p && p->GetSuperView() == Dialog().Window()) p->MoveBy(dh, 0, true);
  FocusPage(page);
  s.mode = page;
  if (KXDialogBox* w = Dialog().Window()) w->Refresh();
}

// ---- loading ----

void SetCheck(PaneIDT id, bool on) { SetQuietly(id, on ? 1 : 0); }
void SetNumber(PaneIDT id, long n) { Dialog().SetText(id, std::to_string(n)); }

std::int32_t ItemCount(PaneIDT id) {
  const auto* popup = dynamic_cast<LStdPopupMenu*>(Dialog().Pane(id));
  return popup ? std::int32_t(popup->GetItems().size()) : 0;
}

// A pop-up over a stored number. `kept` is the number as the program reads
// it (a value out of range already brought to its default), `item` its
// item; a number without an item of its own shows `defaultItem`. An OK
// that finds the pop-up untouched stores `kept`, never another setting.
void LoadPopup(PaneIDT id, int kept, std::int32_t item, std::int32_t defaultItem) {
  SetQuietly(id, item >= 1 && item <= ItemCount(id) ? item : defaultItem);
  State().shownPopups[id] = {Value(id), kept};
}

// The number a pop-up loaded by LoadPopup stands for: `chosen` (made of its
// item) once the user picked another item.
int PopupNumber(PaneIDT id, int chosen) {
  const auto& shown = State().shownPopups;
  const auto it = shown.find(id);
  return it != shown.end() && Value(id) == it->second.item ? it->second.kept : chosen;
}

void LoadControls(CKXTextApp& app) {
  PrefState& s = State();
  const SKXPreference& p = gPreference;
  const SKXPreference2& p2 = gPreference2;
  const SKXFilePref& f = gFilePref;
  // Stored numbers the program would not take read as it reads them at
  // start (the default); numbers it takes but the pop-up has no item for
  // are kept. The justifications and line-break rules are exactly their
  // items.
  const int startup = KxPrefStartupAction(p), unit = KxPrefMeasureUnit(p), gauge = KxPrefGaugeType(p);
  const int justify = p.justification < ItemCount(kJustify) ? p.justification : 0;
  const int lineBreak = p.lineBreakMode < ItemCount(kLineBreak) ? p.lineBreakMode : 0;
  LoadPopup(kStartup, startup, startup + 1, kKxStartupNew + 1);
  LoadPopup(kUnit, unit, unit + 1, 1);
  LoadPopup(kGauge, gauge, KxGaugeTypeItem(gauge), KxGaugeTypeItem(0));
  LoadPopup(kJustify, justify, justify + 1, 1);
  LoadPopup(kLineBreak, lineBreak, lineBreak + 1, 1);
  LoadPopup(kInlineOption, p2.inlineOption, p2.inlineOption + 1, 1);
  LoadFontPopups({p.font, p.systemScriptFont, p.romanScriptFont});
  // A size of 0 or less makes new documents take the default size.
  s.keptSize = p.size > 0 ? p.size : kKxDefaultFontSize;
  SetNumber(kSize, s.keptSize);
  s.shownSize = Dialog().Text(kSize);
  if (auto* popup = dynamic_cast<LStdPopupMenu*>(Dialog().Pane(kSizePopup))) {
    const std::vector<std::string>& items = popup->GetItems();
    const auto it = std::find(items.begin(), items.end(), std::to_string(s.keptSize));
    SetQuietly(kSizePopup, it == items.end() ? 0 : std::int32_t(it - items.begin()) + 1);
  }
  SetNumber(kTabWidth, p.tabWidth);
  SetNumber(kLineSpacing, p.lineSpacing);
  SetNumber(kMarginFirst, KxMarginFromPoints(p.marginFirst));
  if (p.marginBottom != 0) app.PrefSetMarginPatch(dynamic_cast<LEditField*>(Dialog().Pane(kMarginFirst)), p.marginBottom);
  SetNumber(kMarginSecond, KxMarginFromPoints(p.marginSecond));
  if (p.marginRight != 0) app.PrefSetMarginPatch(dynamic_cast<LEditField*>(Dialog().Pane(kMarginSecond)), p.marginRight);

  SetCheck(kWordWrap, p.wordWrap);
  SetCheck(kInline, p.inlineInput);
  SetCheck(kAutoIndent, p.autoIndent);
  SetCheck(kCaretLine, p.caretLine);
  SetCheck(kTextLayer, p.flags & kKxPrefFlagTextLayer);
  SetCheck(kRuler, p.showRuler);
  SetCheck(kLineView, p.showLineView);
  SetCheck(kInfoView, p.showInfoView);
  SetCheck(kControlView, p.controlView);
  SetCheck(kWrapAtWidth, p.wrapAtWidth);
  SetCheck(kGuide, p.guideView);
  SetCheck(kPaperView, p.paperView);
  SetCheck(kVertical, p.vertical);
  SetCheck(kRulerTools, p2.rulerTools);
  SetCheck(kStoredSize, p.useStoredSize);
  SetCheck(kKeyboardScript, p.scriptCheck & 1);
  SetCheck(kFontScript, p.scriptCheck & 2);
  SetCheck(kLiveScroll, p.flags & kKxPrefFlagLiveScroll);
  SetCheck(kAltMenuBar, p.flags & kKxPrefFlagAltMenuBar);
  SetCheck(kAutoSave, f.autoSave);
  SetCheck(kBackup, f.backup);
  SetCheck(kOwnDialogs, f.ownDialogs);
  SetCheck(kNavigation, !(p.flags & kKxPrefFlagPlainNavOff));
  SetCheck(kOpenURLs, p2.openURLs);
  SetCheck(kImeBeside, p2.imePosition == 0);

  // The user's own paper colour and variation while a schedule entry
  // lends its own.
  std::int16_t savedVariation = 0;
  RGBColor savedPaper{};
  const bool override = KxColorScheduleOverride(savedVariation, savedPaper);
  RGBColor paper = override ? savedPaper : p.paperColor;
  CheckColor(paper, true);
  if (KXColButton* b = ColourButton(kPaper)) b->SetFillColor(paper);
  if (KXColButton* b = ColourButton(kTextColour)) {
    b->SetFillColor(paper);
    b->SetTitleColor(p2.startupColor);
  }
  s.winWidth = p.windowWidth;
  s.winHeight = p.windowHeight;
  std::int32_t w = 0, h = 0;
  Dialog().Enable(kTakeSize, p.useStoredSize && app.Hooks().FrontDocumentFrame(w, h));

  SetNumber(kAutoSaveMinutes, KxPrefAutoSaveSeconds(f) / 60);
  SetNumber(kGenerations, f.backupGenerations);
  SetNumber(kRecentFiles, f.recentFiles);
  SetNumber(kRecentFolders, f.recentFolders);

  NameColourSets();
  SetQuietly(kVariation, (override ? savedVariation : KxPrefColorVariation(p2)) + 1);
  FillScheduleList();
  EnableEntryButtons();

  SetCheck(kSmoothing, p2.quartz);
  s.shownSmoothingItem = KxSmoothingSizeItem(p2.smoothingSize);
  SetQuietly(kSmoothingSize, s.shownSmoothingItem);
  Dialog().Enable(kSmoothingSize, p2.quartz != 0);
  // Only for a system without the desktop's own dialogs: never here.
  if (LPane* pane = Dialog().Pane(kCarbonOnly)) {
    pane->Disable();
    pane->Hide();
  }
}

// ---- OK ----

template <typename T>
bool Store(T& field, T value) {
  if (field == value) return false;
  field = value;
  return true;
}

std::uint8_t Flag(std::uint8_t flags, std::uint8_t bit, bool on) {
  return on ? std::uint8_t(flags | bit) : std::uint8_t(flags & ~bit);
}

bool Margins(PaneIDT id, std::int16_t& first, std::int16_t& second) {
  return KxMarginFieldPoints(Dialog().Text(id), first, second);
}

std::int16_t Clamped(std::int64_t v, std::int64_t lo, std::int64_t hi) { return std::int16_t(std::clamp(v, lo, hi)); }

void Apply(CKXTextApp& app) {
  PrefState& s = State();
  SKXPreference& p = gPreference;
  SKXPreference2& p2 = gPreference2;
  SKXFilePref& f = gFilePref;
  KxAppHooks& hooks = app.Hooks();
  bool redraw = false;

  // 1. Pop-ups and numbers.
  p.startupAction = std::int16_t(PopupNumber(kStartup, Clamped(Value(kStartup) - 1, 0, 3)));
  p.measureUnit = std::int16_t(PopupNumber(kUnit, Clamped(Value(kUnit) - 1, 0, 4)));
  p.gaugeType = std::int16_t(PopupNumber(kGauge, KxGaugeItemType(Value(kGauge))));
  p.justification = std::uint8_t(PopupNumber(kJustify, std::clamp(Value(kJustify) - 1, 0, 3)));
  p.lineBreakMode = std::uint8_t(PopupNumber(kLineBreak, std::clamp(Value(kLineBreak) - 1, 0, 2)));
  p.font = ChosenFont(0);
  // The field holds three digits: a larger stored size it could not show
  // stays while the field does.
  p.size = Dialog().Text(kSize) == s.shownSize ? s.keptSize : Clamped(Number(kSize), 1, 32767);
  p.tabWidth = Clamped(Number(kTabWidth), 1, 32767);
  p.lineSpacing = Clamped(Number(kLineSpacing), 0, 32767);

  // 2. Margins; a field whose values do not fit keeps what was stored.
  std::int16_t first = 0, second = 0;
  if (Margins(kMarginFirst, first, second)) {
    p.marginFirst = first;
    p.marginBottom = second;
  }
  if (Margins(kMarginSecond, first, second)) {
    p.marginSecond = first;
    p.marginRight = second;
  }

  // 3. Check boxes.
  p.wordWrap = Checked(kWordWrap);
  p.inlineInput = Checked(kInline);
  gInlineMode = p.inlineInput;
  p.autoIndent = Checked(kAutoIndent);
  p.caretLine = Checked(kCaretLine);
  p.flags = Flag(p.flags, kKxPrefFlagTextLayer, Checked(kTextLayer));
  p.showRuler = Checked(kRuler);
  p.showLineView = Checked(kLineView);
  p.showInfoView = Checked(kInfoView);
  p.controlView = Checked(kControlView);
  p.wrapAtWidth = Checked(kWrapAtWidth);
  p.guideView = Checked(kGuide);
  p.paperView = Checked(kPaperView);
  p.vertical = Checked(kVertical);
  p2.rulerTools = Checked(kRulerTools);
  p2.rulerToolsValid = 1;
  p.tabInterval = Clamped(KxGetFontWidth(p.font, p.size, p.tabWidth), 0, 32767);

  // 4. Script checks, script fonts, the input method, the stored size.
  p.scriptCheck = std::uint8_t((Checked(kKeyboardScript) ? 1 : 0) | (Checked(kFontScript) ? 2 : 0));
  CKXTextLayer::SetKeyScriptCheck(p.scriptCheck);
  p.systemScriptFont = ChosenFont(1);
  p.romanScriptFont = ChosenFont(2);
  p2.inlineOption = std::uint8_t(PopupNumber(kInlineOption, std::clamp(Value(kInlineOption) - 1, 0, 255)));
  p2.imePosition = Checked(kImeBeside) ? 0 : 1;
  CKXTextTSMHandler::SetInlineColour(p2.inlineOption);
  CKXTextTSMHandler::SetInputWindowBelow(p2.imePosition != 0);
  p.useStoredSize = Checked(kStoredSize);

  // 5. Paper colour: white is stored as (0, 0, 0), black as (1, 1, 1).
  std::int16_t savedVariation = 0;
  RGBColor savedPaper{};
  const bool override = KxColorScheduleOverride(savedVariation, savedPaper);
  RGBColor paper = p.paperColor;
  if (const KXColButton* b = ColourButton(kPaper)) {
    paper = b->GetFillColor();
    CheckColor(paper, false);
  }
  if (override) savedPaper = paper;
  else if (!SameColour(p.paperColor, paper)) {
    p.paperColor = paper;
    redraw = true;
  }

  // 6. The new-window size.
  p.windowWidth = s.winWidth;
  p.windowHeight = s.winHeight;

  // 7. Live scrolling and the menu bar.
  const std::uint8_t before = p.flags;
  p.flags = Flag(p.flags, kKxPrefFlagLiveScroll, Checked(kLiveScroll));
  p.flags = Flag(p.flags, kKxPrefFlagAltMenuBar, Checked(kAltMenuBar));
  const bool menuBarChanged = (before ^ p.flags) & kKxPrefFlagAltMenuBar;
  // Every scroller of the program, open windows included, follows at once.
  CKXScroller::SetLiveScrolling((p.flags & kKxPrefFlagLiveScroll) != 0);

  // 8. Files: digits beyond any range read as its top.
  f.autoSave = Checked(kAutoSave);
  f.backup = Checked(kBackup);
  f.autoSaveSeconds = std::uint16_t(std::clamp<std::int64_t>(Number(kAutoSaveMinutes), 1, 60) * 60);
  f.backupGenerations = Clamped(Number(kGenerations), 1, 50);
  f.recentFiles = Clamped(Number(kRecentFiles), 0, kKxMaxRecentFiles);
  f.recentFolders = Clamped(Number(kRecentFolders), 0, kKxMaxRecentFolders);
  f.ownDialogs = Checked(kOwnDialogs);
  CKXTextApp::sOpenDialogExtras = f.ownDialogs != 0;
  if (KxUseCustomNavigation() != CKXTextApp::sOpenDialogExtras) KxSetCustomNavigation(CKXTextApp::sOpenDialogExtras);

  // 9. The desktop's dialogs (kept for the file; no effect here).
  p.flags = Flag(p.flags, kKxPrefFlagPlainNavOff, !Checked(kNavigation));
  CKXTextApp::sInvalidNavigationServices = (p.flags & kKxPrefFlagPlainNavOff) != 0;

  // 10. The start-up text colour.
  if (const KXColButton* b = ColourButton(kTextColour)) p2.startupColor = b->GetTitleColor();
  p2.startupColorOn = SameColour(p2.startupColor, RGBColor{0, 0, 0}) ? 0 : 1;

  // 11. Edited colour sets.
  const KxBlock& sets = s.colourSets;
  for (std::size_t at = 0; at + kKxColorPrefWorkSize <= sets.size(); at += kKxColorPrefWorkSize) {
    const SKXColorPreference record = UKXColorPreference::ReadRecord(&sets[at]);
    if (record.number < 1 || record.number > kKxColorPrefSets) continue;
    const std::size_t length = std::min<std::size_t>(sets[at + kKxColorPrefSize], kKxColorPrefNameMax);
    UKXColorPreference::SetAt(record.number, record);
    UKXColorPreference::SetColorPrefNameAt(
        record.number, std::string(reinterpret_cast<const char*>(&sets[at + kKxColorPrefSize + 1]), length));
  }

  // 12. The colour variation.
  const std::int16_t variation = Clamped(Value(kVariation) - 1, 0, 19);
  if (override) {
    savedVariation = variation;
    KxSetColorScheduleSaved(savedVariation, savedPaper);
  } else if (variation != p2.colorVariation || s.colourSetEdited) {
    p2.colorVariation = variation;
    UKXColor::ColorVariation(variation);
    redraw = true;
  }

  // 13. The schedule, only when the copy differs from the store.
  if (s.schedule != StoredSchedule()) {
    UKXColorSchedule::DeleteAll();
    long n = 1;
    for (std::size_t at = 0; at + kKxScheduleWorkSize <= s.schedule.size(); at += kKxScheduleWorkSize) {
      KxScheduleEntry e;
      if (KxScheduleFromWork(&s.schedule[at], kKxScheduleWorkSize, e)) UKXColorSchedule::SetAt(n++, e);
    }
    UKXColorSchedule::SetChanged(true);
    // As the day view does: an edit brings today's entries up to date, it
    // does not catch up on the ones already over.
    UKXColorSchedule::Rebuild(false);
  }

  // 14. The line-break characters.
  const std::size_t size = std::min(s.jwrap.size(), kKxJWrapCharsStored);
  bool jwrapChanged = false;
  if (size == 0) {
    if (gJWrapCharSize != 0) {
      gJWrapChars = {};
      gJWrapCharSize = 0;
      CKXTextLayout::SetJWrapChars(nullptr, 0);
      jwrapChanged = true;
    }
  } else if (std::size_t(gJWrapCharSize) != size || !std::equal(s.jwrap.begin(), s.jwrap.begin() + long(size),
                                                                 gJWrapChars.begin())) {
    gJWrapChars = {};
    std::copy(s.jwrap.begin(), s.jwrap.begin() + long(size), gJWrapChars.begin());
    gJWrapCharSize = short(size);
    CKXTextLayout::SetJWrapChars(reinterpret_cast<const char*>(gJWrapChars.data()), gJWrapCharSize);
    jwrapChanged = true;
  }
  // The open texts were broken by the old characters.
  if (jwrapChanged) hooks.LineBreakCharsChanged();

  // 15. Links and antialiased text (and its size threshold).
  p2.openURLs = Checked(kOpenURLs);
  CKXTextEvent::SetClickOnLink(p2.openURLs != 0);
  if (Store(p2.quartz, std::uint8_t(Checked(kSmoothing) ? 1 : 0))) {
    CKXQuartzDrawing::sEnableQuartzDrawing = p2.quartz != 0;
    redraw = true;
  }
  const std::int32_t smoothingItem = Value(kSmoothingSize);
  if (smoothingItem != s.shownSmoothingItem &&
      Store(p2.smoothingSize, std::int16_t(KxSmoothingItemSize(smoothingItem)))) {
    CKXQuartzDrawing::SetMinFontSmoothingSize(p2.smoothingSize);
    redraw |= p2.quartz != 0;
  }

  // The open documents take their copies of the settings again (auto-save,
  // backups, live scrolling).
  hooks.PreferencesChanged();
  if (menuBarChanged) app.RemakeMenuBar();

  // 16. Every window drawn again when something it shows changed.
  if (redraw) KxApplyPaperColor();

  // 17.
  gPrefModify = true;
}

void Close() {
  PrefState& s = State();
  s.colourSets.clear();
  s.colourSetEdited = false;
  s.schedule.clear();
  s.jwrap.clear();
  Dialog().Close();
}

}  // namespace

void CKXTextApp::OpenPrefDialog() {
  PrefState& s = State();
  if (s.dialog.IsOpen()) {
    s.dialog.Show();
    return;
  }
  if (!s.dialog.Open(kPrefLayout, this)) {
    KxCurrentHost().Beep();
    return;
  }
  s.colourSets.clear();
  s.colourSetEdited = false;
  s.schedule = StoredSchedule();
  const std::size_t size = std::size_t(std::clamp<short>(gJWrapCharSize, 0, short(kKxJWrapCharsStored)));
  s.jwrap.assign(gJWrapChars.begin(), gJWrapChars.begin() + long(size));
  LoadControls(*this);
  // The page last shown, its fields enabled and in focus.
  const int page = std::clamp(s.mode, 0, kPages - 1);
  s.mode = 0;
  EnableForPage(0);
  SwitchPage(page);
  ShowTabs(page);
  s.dialog.Show();
  FocusPage(page);
}

bool CKXTextApp::PrefDialogCommand(CommandT message, void*) {
  PrefState& s = State();
  if (!s.dialog.IsOpen()) return false;
  KxHost& host = KxCurrentHost();
  KXDialogBox* window = s.dialog.Window();
  switch (message) {
    case -2091: case -2092: case -2093: case -2094:
      SwitchPage(int(-message - kFirstTab));
      return true;
    case -kSizePopup: {
      const auto* popup = dynamic_cast<LStdPopupMenu*>(s.dialog.Pane(kSizePopup));
      const std::int32_t item = Value(kSizePopup);
      if (!popup || item < 1 || std::size_t(item) > popup->GetItems().size()) return true;
      const std::string size = popup->GetItems()[std::size_t(item - 1)];
      if (s.dialog.Text(kSize) != size) s.dialog.SetText(kSize, size);
      if (auto* field = dynamic_cast<LEditField*>(s.dialog.Pane(kSize))) {
        LCommander::SwitchTarget(field);
        field->SelectAll();
      }
      return true;
    }
    case -kTextColour:
      if (KXColButton* b = ColourButton(kTextColour)) {
        RGBColor c = b->GetTitleColor();
        if (host.ChooseColour(window->GetHostWindow(), ColourPrompt(), c)) b->SetTitleColor(c);
      }
      return true;
    case -kPaper:
      if (KXColButton* b = ColourButton(kPaper)) {
        RGBColor c = b->GetFillColor();
        if (!host.ChooseColour(window->GetHostWindow(), ColourPrompt(), c)) return true;
        if (SameColour(c, RGBColor{0, 0, 0})) c = RGBColor{1, 1, 1};
        b->SetFillColor(c);
        if (KXColButton* text = ColourButton(kTextColour)) text->SetFillColor(c);
      }
      return true;
    case -kStoredSize: {
      // The front document window is looked up now: the one in front when
      // the dialog opened may have closed since.
      std::int32_t w = 0, h = 0;
      s.dialog.Enable(kTakeSize, Checked(kStoredSize) && Hooks().FrontDocumentFrame(w, h));
      return true;
    }
    case -kTakeSize: {
      std::int32_t w = 0, h = 0;
      if (!Hooks().FrontDocumentFrame(w, h)) {
        s.dialog.Enable(kTakeSize, false);
        return true;
      }
      s.winWidth = Clamped(w, 0, 32767);
      s.winHeight = Clamped(h, 0, 32767);
      return true;
    }
    case -kKeyboardScript:
      if (!Checked(kKeyboardScript)) SetQuietly(kFontScript, 0);
      return true;
    case -kFontScript:
      if (Checked(kFontScript)) SetQuietly(kKeyboardScript, 1);
      return true;
    case -kSmoothing:
      s.dialog.Enable(kSmoothingSize, Checked(kSmoothing));
      return true;
    case -kVariation: {
      const std::int32_t item = Value(kVariation);
      if (item < kFirstSetItem) return true;
      auto* popup = dynamic_cast<LStdPopupMenu*>(s.dialog.Pane(kVariation));
      if (!popup || std::size_t(item) > popup->GetItems().size()) return true;
      std::string name = popup->GetItems()[std::size_t(item - 1)];
      if (ColorPrefDialog(short(item - kFirstSetItem + 1), name, s.colourSets) && s.dialog.IsOpen()) {
        s.colourSetEdited = true;
        std::vector<std::string> items = popup->GetItems();
        items[std::size_t(item - 1)] = name;
        popup->SetItems(items);
        SetQuietly(kVariation, item);
      }
      return true;
    }
    case kScheduleSelect:
      EnableEntryButtons();
      return true;
    case -kSchedule:
      EnableEntryButtons();
      if (SelectedEntry() == 0) return true;
      [[fallthrough]];
    case -kEditEntry:
    case -kNewEntry:
    case -kDeleteEntry: {
      const long n = message == -kNewEntry ? 0 : SelectedEntry();
      if (message != -kNewEntry && n == 0) return true;
      if (ColorScheduleDialog(n, message == -kDeleteEntry, s.schedule) && s.dialog.IsOpen()) FillScheduleList();
      if (s.dialog.IsOpen()) EnableEntryButtons();
      return true;
    }
    case -2082:
      JWrapEditDialog(s.jwrap);
      return true;
    case kOK:
      Apply(*this);
      Close();
      return true;
    case -2002:
      Close();
      return true;
    default:
      Close();
      return true;
  }
}

void CKXTextApp::PrefSetMarginPatch(LEditField* field, short points) {
  if (field) field->SetText(field->GetText() + ", " + std::to_string(KxMarginFromPoints(points)));
}

long CKXTextApp::PrefGetMarginPatch(const LEditField* field) {
  return field ? long(KxMarginSecondValue(field->GetText())) : 0;
}
