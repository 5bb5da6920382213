// The key customisation dialog (layout 2900) answers its messages here.
#include "app/customize_dialog.h"

#include <algorithm>
#include <array>
#include <vector>

#include "app/app_commands.h"
#include "app/app_dialog.h"
#include "app/application.h"
#include "app/globals.h"
#include "app/menu_keys.h"
#include "engine/keytables.h"
#include "platform/bytefields.h"
#include "platform/framework/attachment.h"
#include "platform/framework/control.h"
#include "platform/framework/edit_field.h"
#include "platform/host/host.h"
#include "platform/textconv.h"
#include "text/codes/script.h"
#include "views/controls.h"
#include "views/dialog_box.h"

namespace {

constexpr ResIDT kLayout = 2900;
constexpr PaneIDT kOK = 2901, kCancel = 2902, kReset = 2903;
constexpr PaneIDT kCommandPopup = 2906, kShiftBox = 2908, kOptionBox = 2909, kKeyField = 2910;
constexpr PaneIDT kCtrlField0 = 2912;   // + 2 per control key
constexpr int kCtrlFields = 24;
constexpr PaneIDT kArrowBase = 2961;    // + 4 per pair: caption, two boxes, field
constexpr int kArrowPairs = 6;
constexpr PaneIDT kFnShift = 2987, kFnOption = 2988, kFnCopy = 2989, kFnClear = 2990;
constexpr PaneIDT kFnField0 = 2992;     // + 2 per key
constexpr int kFnKeys = 12, kFnPlanes = 4;
constexpr PaneIDT kFirstTab = 3015;
constexpr int kPages = 4;
constexpr int kFunctionPage = 3;
constexpr std::uint8_t kModShift = 1, kModOption = 4;
// Factory slots of the key tables.
constexpr std::size_t kFactoryCtrl = 1, kFactoryArrow = 2, kFactoryFunc = 3;

struct Page {
  PaneIDT first, last;
};
constexpr Page kPageRanges[kPages] = {{2904, 2910}, {2911, 2958}, {2961, 2984}, {2987, 3014}};

struct State {
  KxModelessDialog dialog;
  CKXTextApp* app = nullptr;
  int page = 0;             // shown, and remembered between openings
  int functionMode = kFunctionPage;   // the page to go back to after the function-key set-up
  std::vector<SMenukey> keys;
  std::array<std::int16_t, kFnKeys * kFnPlanes> fkeys{};
  PaneIDT fkeyFocus = kFnField0;
  bool filling = false;
};

State& S() {
  static State s;
  return s;
}

KxFunctionMacroNameFn gMacroName = nullptr;

std::string PString(const unsigned char* p) { return std::string(reinterpret_cast<const char*>(p + 1), p[0]); }

std::string CommandName(std::int32_t command) {
  Str255 name{};
  return command != 0 && UCustomMenu::GetMenuStringExt(command, name) ? PString(name) : std::string();
}

std::string KeyText(const SMenukey& k) {
  if (k.key == 0) return {};
  std::string t = "Ctrl+";
  if (k.modifiers & kModShift) t += "Shift+";
  if (k.modifiers & kModOption) t += "Alt+";
  return t + char(k.key);
}

// The characters of a field (Shift_JIS): a two-byte character reads as 0,
// so that no trail byte ever becomes a key.
std::vector<std::uint8_t> Characters(const std::string& text) {
  std::vector<std::uint8_t> out;
  const std::uint8_t* lead = KxScriptParseTable(kScriptJapanese);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = std::uint8_t(text[i]);
    if (lead[c] && i + 1 < text.size()) {
      out.push_back(0);
      ++i;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

// a-z and what follows up to 0x7E upper-cased; `low` to 0x60 kept.
std::uint8_t KeyByte(std::uint8_t c, std::uint8_t low, std::uint8_t high) {
  if (c >= 0x61 && c <= 0x7E) return std::uint8_t(c - 0x20);
  return c >= low && c <= high ? c : 0;
}

class Filling {
 public:
  Filling() : mWas(S().filling) { S().filling = true; }
  ~Filling() { S().filling = mWas; }
  Filling(const Filling&) = delete;
  Filling& operator=(const Filling&) = delete;

 private:
  bool mWas;
};

// ---- page 0

void FillPopup() {
  State& s = S();
  auto* popup = dynamic_cast<LStdPopupMenu*>(s.dialog.Pane(kCommandPopup));
  if (!popup) return;
  Filling f;
  std::vector<std::string> rows;
  for (const SMenukey& k : s.keys) {
    const std::string key = KeyText(k);
    rows.push_back(CommandName(k.command) + (key.empty() ? "" : "  " + key));
  }
  const std::int32_t value = popup->GetValue();
  popup->SetItems(rows);
  popup->SetMinValue(0);
  popup->SetValue(rows.empty() ? 0 : std::clamp(value, 1, std::int32_t(rows.size())));
}

SMenukey* Selected() {
  State& s = S();
  const std::int32_t row = s.dialog.Value(kCommandPopup);
  return row >= 1 && std::size_t(row) <= s.keys.size() ? &s.keys[std::size_t(row - 1)] : nullptr;
}

// Shows the selected entry's key.
void MenuKeyUpdate2() {
  State& s = S();
  Filling f;
  const SMenukey* k = Selected();
  s.dialog.SetText(kKeyField, k && k->key ? std::string(1, char(k->key)) : std::string());
  s.dialog.SetValue(kShiftBox, k && (k->modifiers & kModShift) ? 1 : 0);
  s.dialog.SetValue(kOptionBox, k && (k->modifiers & kModOption) ? 1 : 0);
}

// Stores the key field and boxes into the selected entry.
void MenuKeyUpdate1() {
  State& s = S();
  SMenukey* k = Selected();
  if (!k) return;
  const std::vector<std::uint8_t> chars = Characters(s.dialog.Text(kKeyField));
  const std::uint8_t key = chars.empty() ? 0 : KeyByte(chars.front(), kKxMenukeyFirst, kKxMenukeyLast);
  std::uint8_t modifiers = 0;
  if (key) modifiers = std::uint8_t((s.dialog.Value(kShiftBox) ? kModShift : 0) | (s.dialog.Value(kOptionBox) ? kModOption : 0));
  if (k->key == key && k->modifiers == modifiers) return;
  k->key = key;
  k->modifiers = modifiers;
  FillPopup();
}

// ---- page 3

int Plane() { return (S().dialog.Value(kFnShift) ? 1 : 0) + (S().dialog.Value(kFnOption) ? 2 : 0); }

void FuncKeyUpdate() {
  State& s = S();
  Filling f;
  const int plane = Plane();
  // The macro lookup takes the modifiers: 0, 1, 4 or 5.
  const int modifiers = plane == 0 ? 0 : plane == 1 ? 1 : 4 + (plane & 1);
  for (int k = 0; k < kFnKeys; ++k) {
    const std::int16_t command = s.fkeys[std::size_t(plane * kFnKeys + k)];
    std::string text = CommandName(command);
    if (text.empty() && command == 0 && gMacroName) text = gMacroName(k + 1, modifiers);
    s.dialog.SetText(kFnField0 + 2 * k, text);
  }
  s.dialog.Enable(kFnCopy, s.dialog.Value(kFnShift) != 0);
}

// The function key whose field has the focus (the last one that had it).
int FocusedKey() {
  State& s = S();
  if (auto* field = dynamic_cast<LPane*>(LCommander::GetTarget())) {
    const PaneIDT id = field->GetPaneID();
    if (id >= kFnField0 && id < kFnField0 + 2 * kFnKeys && (id - kFnField0) % 2 == 0) s.fkeyFocus = id;
  }
  return (s.fkeyFocus - kFnField0) / 2;
}

// ---- pages

void ShowPage(int page) {
  State& s = S();
  Filling f;
  s.page = page;
  for (int p = 0; p < kPages; ++p) {
    s.dialog.SetValue(kFirstTab + p, p == page ? 1 : 0);
    for (PaneIDT id = kPageRanges[p].first; id <= kPageRanges[p].last; ++id)
      if (LPane* pane = s.dialog.Pane(id)) {
        if (p == page) pane->Show();
        else pane->Hide();
      }
  }
  // The keys go to the page's first field.
  const PaneIDT first = page == 0 ? kKeyField : page == 1 ? kCtrlField0 : page == 2 ? 0 : kFnField0;
  if (auto* field = dynamic_cast<LCommander*>(first ? s.dialog.Pane(first) : nullptr))
    LCommander::SwitchTarget(field);
  else if (s.dialog.Window())
    LCommander::SwitchTarget(s.dialog.Window());
  LCommander::SetUpdateCommandStatus(true);
}

void FillCtrlKeys(const std::uint8_t* table) {
  State& s = S();
  for (int k = 0; k < kCtrlFields; ++k) {
    std::string text;
    for (int b = 0; b < 2; ++b)
      if (std::uint8_t c = table[4 * k + b]; c >= 0x20 && c < 0x7F) text += char(c);
    s.dialog.SetText(kCtrlField0 + 2 * k, text);
  }
}

std::string ArrowText(const std::uint8_t* e) {
  static const char* const kNames[] = {"", "Home", "", "Enter", "End", "", "", "", "BS", "Tab", "", "PgUp", "PgDn",
                                       "Return", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "←", "→", "↑",
                                       "↓"};
  auto name = [](std::uint8_t c) { return c < 32 ? std::string(kNames[c]) : std::string(1, char(c)); };
  return name(e[0]) + " → " + name(e[2]) + (e[3] ? " (" + std::to_string(e[3]) + ")" : "");
}

void FillArrowKeys(const std::uint8_t* table) {
  State& s = S();
  Filling f;
  for (int k = 0; k < kArrowPairs; ++k) {
    const std::uint8_t flag = table[8 * k + 1];
    const PaneIDT base = kArrowBase + 4 * k;
    s.dialog.SetValue(base + 1, (flag & 4) ? 1 : 0);
    s.dialog.SetValue(base + 2, (flag & 2) ? 1 : 0);
    s.dialog.SetText(base + 3, KxUTF8ToScriptText(ArrowText(table + 8 * k) + ", " + ArrowText(table + 8 * k + 4)));
    s.dialog.Enable(base + 3, (flag & 6) != 0);
  }
}

void LoadFunctionKeys(const KxBlock& block) {
  State& s = S();
  s.fkeys.fill(0);
  if (block.size() == kKxFunckeySize)
    for (std::size_t i = 0; i < s.fkeys.size(); ++i) s.fkeys[i] = std::int16_t(KxGetU16BE(&block[2 * i]));
}

// Keeps one entry per command: the later one, which the menu shows.
std::vector<SMenukey> OneEach(const std::vector<SMenukey>& keys) {
  std::vector<SMenukey> out;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    bool later = false;
    for (std::size_t j = i + 1; j < keys.size() && !later; ++j) later = keys[j].command == keys[i].command;
    if (!later) out.push_back(keys[i]);
  }
  return out;
}

SMenukey DefaultOf(std::int16_t command) {
  for (const SMenukey& d : UCustomMenu::DefaultKeys())
    if (d.command == command) return d;
  return SMenukey{command, 0, 0};
}

bool IsDefault(const SMenukey& k) {
  for (const SMenukey& d : UCustomMenu::DefaultKeys())
    if (d.command == k.command) return d.key == k.key && d.modifiers == k.modifiers;
  return k.key == 0;
}

void Store() {
  State& s = S();
  MenuKeyUpdate1();
  // Menu keys: one entry per command, those equal to the default dropped.
  std::vector<SMenukey> keys;
  for (const SMenukey& k : OneEach(s.keys))
    if (!IsDefault(k)) keys.push_back(k);
  // The items that carried a user's key go back to their defaults first:
  // an entry that goes leaves no key of its own behind in the menus.
  for (const SMenukey& old : UCustomMenu::UserKeys()) UCustomMenu::SetMenuKey(DefaultOf(old.command));
  UCustomMenu::SetUserKeys(keys);
  UCustomMenu::UpdateMenu();
  // Control keys: two characters a field.
  for (int k = 0; k < kCtrlFields; ++k) {
    const std::vector<std::uint8_t> chars = Characters(s.dialog.Text(kCtrlField0 + 2 * k));
    gCtrlkeys[std::size_t(4 * k)] = chars.size() > 0 ? KeyByte(chars[0], 0x41, 0x5F) : 0;
    gCtrlkeys[std::size_t(4 * k + 1)] = chars.size() > 1 ? KeyByte(chars[1], 0x30, 0x5F) : 0;
  }
  // Arrow keys: the pair's flag in both of its entries.
  for (int k = 0; k < kArrowPairs; ++k) {
    const PaneIDT base = kArrowBase + 4 * k;
    const auto flag = std::uint8_t((s.dialog.Value(base + 1) ? 4 : 0) | (s.dialog.Value(base + 2) ? 2 : 0));
    gArrowkeys[std::size_t(8 * k + 1)] = flag;
    gArrowkeys[std::size_t(8 * k + 5)] = flag;
  }
  // Function keys: replaced when different; all zero removes the table.
  KxBlock block(kKxFunckeySize, 0);
  bool any = false;
  for (std::size_t i = 0; i < s.fkeys.size(); ++i) {
    KxPutU16BE(&block[2 * i], std::uint16_t(s.fkeys[i]));
    any |= s.fkeys[i] != 0;
  }
  bool changed = false;
  if (!any) {
    changed = !gFunckeyHandle.empty();
    gFunckeyHandle.clear();
  } else if (block != gFunckeyHandle) {
    gFunckeyHandle = block;
    changed = true;
  }
  KxUseStoredFunctionKeys();
  gPrefModify = true;
  if (s.app) {
    s.app->RemakeMenuBar();
    KxAppHooks& hooks = s.app->Hooks();
    if (changed && hooks.FunctionBarShown()) {
      hooks.CloseFunctionBar();
      hooks.ShowFunctionBar();
    }
  }
}

void Reset() {
  State& s = S();
  switch (s.page) {
    case 0:
      for (SMenukey& k : s.keys) k = DefaultOf(k.command);
      FillPopup();
      MenuKeyUpdate2();
      break;
    case 1: {
      const KxBlock& factory = gFactorySettingsData[kFactoryCtrl];
      FillCtrlKeys(factory.size() >= kKxCtrlkeySize ? factory.data() : gCtrlkeyDef.data());
      break;
    }
    case 2: {
      const KxBlock& factory = gFactorySettingsData[kFactoryArrow];
      FillArrowKeys(factory.size() >= kKxArrowkeySize ? factory.data() : gArrowkeyDef.data());
      break;
    }
    default: {
      const KxBlock& factory = gFactorySettingsData[kFactoryFunc];
      LoadFunctionKeys(factory.size() == kKxFunckeySize ? factory : KxBlock());
      FuncKeyUpdate();
      break;
    }
  }
}

void CloseDialog() {
  State& s = S();
  // The function-key set-up goes back to the page shown before it.
  if (s.functionMode != kFunctionPage) s.page = s.functionMode;
  s.functionMode = kFunctionPage;
  s.dialog.Close();
  s.keys.clear();
  LCommander::SetUpdateCommandStatus(true);
}

bool IsOwnMessage(CommandT command) {
  return kKxDialogMessages.Contains(command) || command == kKxMsgTabSelected || command == kKxMsgKeyPress ||
         command == kKxMsgCommandStatus || command == kKxMsgPostAction;
}

// Rides on the dialog's commanders: while capturing, commands are picked
// there, before a field can carry out its own (copy, paste, undo).
class Capture : public LAttachment {
 public:
  Capture() : LAttachment(kKxMsgAnyMessage) {}

 protected:
  void ExecuteSelf(MessageT message, void* param) override {
    SetExecuteHost(true);
    if (!KxCustomizeCapturing() || (IsOwnMessage(message) && message != kKxMsgCommandStatus)) return;
    if (message == kKxMsgCommandStatus) {
      auto* status = static_cast<SCommandStatus*>(param);
      Boolean enabled = false;
      if (status && KxCustomizeFindCommand(status->command, enabled)) {
        *status->enabled = enabled;
        SetExecuteHost(false);
      }
      return;
    }
    if (KxCustomizeObeyCommand(message)) SetExecuteHost(false);
  }
};

void AttachCapture(LPane* pane) {
  if (auto* commander = dynamic_cast<LCommander*>(pane)) commander->AddAttachment(new Capture);
  if (auto* view = dynamic_cast<LView*>(pane))
    for (LPane* sub : view->GetSubPanes()) AttachCapture(sub);
}

}  // namespace

void KxSetFunctionMacroNameHook(KxFunctionMacroNameFn hook) { gMacroName = hook; }

bool KxCustomizeDialogOpen() { return S().dialog.IsOpen(); }

bool KxCustomizeCapturing() {
  const State& s = S();
  return s.dialog.IsOpen() && (s.page == 0 || s.page == kFunctionPage);
}

bool KxCustomizeFindCommand(CommandT command, Boolean& enabled) {
  if (!KxCustomizeCapturing() || IsOwnMessage(command)) return false;
  std::int16_t menu = 0, item = 0;
  enabled = !LCommander::IsSyntheticCommand(command, menu, item) && command != 1;
  return true;
}

bool KxCustomizeObeyCommand(CommandT command) {
  State& s = S();
  if (!KxCustomizeCapturing() || IsOwnMessage(command)) return false;
  std::int16_t menu = 0, item = 0;
  if (LCommander::IsSyntheticCommand(command, menu, item) || command == 1) return true;
  if (s.page == kFunctionPage) {
    s.fkeys[std::size_t(Plane() * kFnKeys + FocusedKey())] = std::int16_t(command);
    FuncKeyUpdate();
    return true;
  }
  auto found = std::find_if(s.keys.rbegin(), s.keys.rend(), [&](const SMenukey& k) { return k.command == command; });
  std::size_t row;
  if (found != s.keys.rend()) {
    row = std::size_t(s.keys.rend() - found);
  } else {
    if (CommandName(command).empty()) return true;   // nothing to show: consumed
    SMenukey k{std::int16_t(command), 0, 0};
    UCustomMenu::GetMenuKey(command, k);
    k.command = std::int16_t(command);
    s.keys.push_back(k);
    FillPopup();
    row = s.keys.size();
  }
  {
    Filling f;
    s.dialog.SetValue(kCommandPopup, std::int32_t(row));
  }
  MenuKeyUpdate2();
  return true;
}

void KxOpenCustomizeDialog(CKXTextApp* app, bool functionKeys) {
  State& s = S();
  if (!s.dialog.IsOpen()) {
    if (!s.dialog.Open(kLayout, app)) {
      KxCurrentHost().Beep();
      return;
    }
    s.app = app;
    // It stays over the window behind it, whose menus pick the commands.
    KxCurrentHost().SetWindowFloating(s.dialog.Window()->GetHostWindow());
    Filling f;
    AttachCapture(s.dialog.Window());
    if (auto* popup = dynamic_cast<LStdPopupMenu*>(s.dialog.Pane(kCommandPopup))) popup->SetMinValue(0);
    // The user's entries that still name a command.
    s.keys.clear();
    for (const SMenukey& k : UCustomMenu::UserKeys())
      if (!CommandName(k.command).empty()) s.keys.push_back(k);
    FillPopup();
    s.dialog.SetValue(kCommandPopup, std::int32_t(s.keys.size()));
    MenuKeyUpdate2();
    FillCtrlKeys(gCtrlkeys.data());
    FillArrowKeys(gArrowkeys.data());
    LoadFunctionKeys(gFunckeyHandle);
    s.dialog.SetValue(kFnShift, 0);
    s.dialog.SetValue(kFnOption, 0);
    FuncKeyUpdate();
  }
  if (functionKeys && s.page != kFunctionPage) {
    s.functionMode = s.page;
    s.page = kFunctionPage;
  }
  ShowPage(s.page);
  s.dialog.Show();
}

bool CKXTextApp::CustomizeDialogCommand(CommandT message, void*) {
  State& s = S();
  if (!s.dialog.IsOpen()) return false;
  if (s.filling) return true;
  const PaneIDT id = PaneIDT(-message);
  if (id >= kFirstTab && id < kFirstTab + kPages) {
    if (s.dialog.Value(id)) ShowPage(id - kFirstTab);
    return true;
  }
  switch (id) {
    case kOK:
      Store();
      CloseDialog();
      return true;
    case kReset: Reset(); return true;
    case kCommandPopup: MenuKeyUpdate2(); return true;
    case kShiftBox:
    case kOptionBox:
      if (s.dialog.Value(id)) {
        Filling f;
        s.dialog.SetValue(id == kShiftBox ? kOptionBox : kShiftBox, 0);
      }
      MenuKeyUpdate1();
      return true;
    case kKeyField: MenuKeyUpdate1(); return true;
    case kFnShift:
    case kFnOption: FuncKeyUpdate(); return true;
    case kFnCopy: {
      const int key = FocusedKey(), plane = Plane();
      s.fkeys[std::size_t(plane * kFnKeys + key)] = s.fkeys[std::size_t((plane & 2) * kFnKeys + key)];
      FuncKeyUpdate();
      return true;
    }
    case kFnClear:
      s.fkeys[std::size_t(Plane() * kFnKeys + FocusedKey())] = 0;
      FuncKeyUpdate();
      return true;
    default: break;
  }
  if (id > kArrowBase && id < kArrowBase + 4 * kArrowPairs && (id - kArrowBase) % 4 != 0) {
    const PaneIDT base = kArrowBase + 4 * ((id - kArrowBase) / 4);
    if ((id - base) == 3) return true;   // the pair's field
    s.dialog.Enable(base + 3, s.dialog.Value(base + 1) || s.dialog.Value(base + 2));
    return true;
  }
  // Typing in a field changes nothing until OK.
  if (auto* field = dynamic_cast<LEditField*>(s.dialog.Pane(id)); field) return true;
  CloseDialog();   // cancel, and anything else: nothing is stored
  return true;
}
