// The macro editor's step panes: a line shown in the panes of its kind,
// read back when it is committed, the controls that enable one another,
// and the rows of the step list.
#include <algorithm>
#include <cstring>

#include "app/menu_keys.h"
#include "macros/macro_editor.h"
#include "platform/framework/control.h"
#include "platform/host/host.h"
#include "platform/resources.h"
#include "views/edit_field.h"

using namespace kxme;

namespace {

// The panes of each kind (captions included); the jump targets belong to
// kinds 7, 8 and 9.
const std::vector<std::int32_t>& Group(int opcode) {
  static const std::vector<std::int32_t> kNone;
  static const std::vector<std::int32_t> kGroups[] = {
      {3321, 3322, 3323},
      {3324, 3325, 3326},
      {3327, 3328, 3329, 3330, 3331, 3332},
      {3333, 3334, 3335, 3336, 3337, 3338},
      {3339, 3340, 3341},
      {3342, 3343, 3344, 3345, 3346, 3347, 3348, 3349},
      {3350, 3351, 3352, 3353, 3354, 3355, 3356, 3357, 3348, 3349, 3358, 3359, 3360, 3361},
      {3362, 3363, 3364, 3365, 3366, 3367, 3368, 3369, 3370, 3371, 3372, 3358, 3359, 3360, 3361},
      {3373, 3374, 3375, 3376, 3377, 3378, 3379, 3380, 3381, 3358, 3359, 3360, 3361},
      {3380, 3381, 3382, 3383, 3384},
  };
  if (opcode == kMacroUnicodeText) return kGroups[kMacroText - 1];
  return opcode >= kMacroCommand && opcode <= kMacroExtend ? kGroups[opcode - 1] : kNone;
}

// Find option bits of the check boxes 3366 to 3370.
constexpr std::uint16_t kFindBits[] = {4, 8, 2, 1, 16};

constexpr int kStringRegisterFirst = 51, kStringRegisterLast = 58;
constexpr int kFirstArithmeticItem = 6, kLastArithmeticItem = 9, kAddItem = 5;

bool IsStringRegister(int code) { return code >= kStringRegisterFirst && code <= kStringRegisterLast; }

std::string PString(const unsigned char* p) { return std::string(reinterpret_cast<const char*>(p + 1), p[0]); }

}  // namespace

void CKXTextMacroEditor::ShowGroup(int opcode, bool show) {
  for (std::int32_t id : Group(opcode))
    if (LPane* pane = FindPaneByID(id)) {
      if (show) pane->Show();
      else pane->Hide();
    }
}

// ---- showing a line

void CKXTextMacroEditor::ShowJump(std::int32_t popup, std::int32_t field, std::uint16_t kind, const char* text,
                                  std::int16_t length, bool enabled) {
  const bool hasText = kind == kMacroJumpLine || kind == kMacroJumpLabel;
  SetValueControl(popup, JumpIndex(kind), enabled);
  SetFieldText(field, hasText ? text : nullptr, hasText ? length : 0, enabled && hasText);
}

void CKXTextMacroEditor::SetupMacroEdit(long line) {
  SKXTMacroEdit r;
  if (!mLines.GetAt(line, r)) return;
  if (mShownLine) RestoreMacroEdit();
  if (!mLines.GetAt(line, r)) return;
  const bool was = mFilling;
  mFilling = true;
  ShowGroup(r.opcode, true);
  switch (r.opcode) {
    case kMacroCommand: {
      Str255 name{};
      UCustomMenu::GetMenuStringExt(UKXTextMacro::DecodeCommand(r.value), name);
      SetFieldText(kCommandField, reinterpret_cast<const char*>(name + 1), name[0], false);
      if (KXMacroListBox* list = List()) {
        list->SetCommand(r.value);
        list->SetCommandThrough(true);
        // Commands reach the list only while it has the keys.
        LCommander::SwitchTarget(list);
      }
      LCommander::SetUpdateCommandStatus(true);
      break;
    }
    case kMacroText: SetFieldText(kTextField, r.text, r.textLength, true); break;
    case kMacroUnicodeText: {
      const std::string text = UnicodeLineText(r);
      SetFieldText(kTextField, text.data(), long(text.size()), true);
      auto* field = Pane<LEditField>(kTextField);
      mShownText = field ? field->GetText() : std::string();
      break;
    }
    case kMacroKey: {
      const int item = KeyCodeIndex(std::uint8_t(r.value), std::uint8_t(r.option));
      mShownKeyItem = item;
      mShownKeyShift = (r.option & 1) ? 1 : 0;
      SetValueControl(kKeyPopup, item, true);
      SetValueControl(kKeyShift, mShownKeyShift, item < kFirstNoShiftKeyItem);
      const std::string count = std::to_string(r.count <= 0 ? 1 : r.count);
      SetFieldText(kKeyCount, count.data(), long(count.size()), true);
      break;
    }
    case kMacroGoto: {
      const std::int32_t radio = r.value <= kMacroJumpLine ? kGotoLine : r.value == kMacroJumpLabel ? kGotoLabel : kGotoStop;
      SetValueControl(radio, 1, true);
      const bool hasText = r.value < kMacroJumpStop;
      SetFieldText(kGotoField, hasText ? r.text : nullptr, hasText ? r.textLength : 0, hasText);
      break;
    }
    case kMacroLabel: SetFieldText(kLabelField, r.text, r.textLength, true); break;
    case kMacroValue:
      SetValueControl(kValueRegister, KindIndex(kValueRegister, r.value), true);
      SetValueControl(kOperation, CalcIndex(r.option), true);
      SetValueControl(kSource, KindIndex(kSource, r.count), true);
      SetFieldText(kSourceText, r.count == 1 ? r.text : nullptr, r.count == 1 ? r.textLength : 0, true);
      SetupValueControls(true, r.value);
      break;
    case kMacroCompare: {
      const bool left = r.value != 0;
      SetValueControl(kLeftSubject, KindIndex(kLeftSubject, r.value), true);
      SetValueControl(kOperator, r.option + 1, left);
      SetValueControl(kSource, KindIndex(kSource, r.count), left);
      SetFieldText(kSourceText, r.count == 1 ? r.text : nullptr, r.count == 1 ? r.textLength : 0,
                   left && r.count == 1);
      ShowJump(kJump1, kJump1Field, r.target1Kind, r.target1Text, r.target1Length, left);
      ShowJump(kJump2, kJump2Field, r.target2Kind, r.target2Text, r.target2Length, left);
      break;
    }
    case kMacroFind:
      SetValueControl(kSearch, KindIndex(kSearch, r.value), true);
      SetFieldText(kSearchText, r.value <= 1 ? r.text : nullptr, r.value <= 1 ? r.textLength : 0, r.value <= 1);
      for (int i = 0; i < 5; ++i) SetValueControl(kIgnoreWidth + i, (r.option & kFindBits[i]) ? 1 : 0, true);
      ShowJump(kJump1, kJump1Field, r.target1Kind, r.target1Text, r.target1Length, true);
      ShowJump(kJump2, kJump2Field, r.target2Kind, r.target2Text, r.target2Length, true);
      break;
    case kMacroDialog: {
      const bool input = r.value == 0;
      SetValueControl(input ? kDialogInput : kDialogNote, 1, true);
      SetFieldText(kPrompt, r.text, r.textLength, true);
      SetValueControl(kRegister, KindIndex(kRegister, r.count), true);
      ShowJump(kJump1, kJump1Field, r.target1Kind, r.target1Text, r.target1Length, input);
      ShowJump(kJump2, kJump2Field, r.target2Kind, r.target2Text, r.target2Length, input);
      break;
    }
    case kMacroExtend:
      SetValueControl(kExtOperation, KindIndex(kExtOperation, r.value), true);
      SetValueControl(kRegister, KindIndex(kRegister, r.count), r.value != 0);
      break;
    default: break;
  }
  mShownLine = line;
  mShownOpcode = std::uint8_t(r.opcode);
  mFilling = was;
  Refresh();
}

// Kind 6: the operation needs a register, the source an operation that
// reads one, the text the source "text"; a string register takes no
// arithmetic.
void CKXTextMacroEditor::SetupValueControls(bool /*fromLine*/, int registerCode) {
  auto* operation = Pane<LStdPopupMenu>(kOperation);
  auto* source = Pane<LStdPopupMenu>(kSource);
  if (!operation || !source) return;
  const bool hasRegister = registerCode != 0;
  std::int32_t opItem = operation->GetValue();
  if (IsStringRegister(registerCode) && opItem >= kFirstArithmeticItem && opItem <= kLastArithmeticItem)
    opItem = kAddItem;
  SetValueControl(kOperation, opItem, hasRegister);
  const int op = IndexCalc(opItem);
  const bool reads = hasRegister && op != kMacroValueClear && op != kMacroValueInsert && op != 0;
  SetValueControl(kSource, 2147483647, reads);
  const bool text = reads && IndexKind(kSource, source->GetValue()) == 1;
  if (text) {
    if (LPane* field = FindPaneByID(kSourceText)) field->Enable();
  } else {
    SetFieldText(kSourceText, nullptr, 0, false);
  }
}

void CKXTextMacroEditor::LeftSubjectChanged() {
  auto* left = Pane<LStdPopupMenu>(kLeftSubject);
  const bool on = left && IndexKind(kLeftSubject, left->GetValue()) != 0;
  for (std::int32_t id : {std::int32_t(kOperator), std::int32_t(kSource), std::int32_t(kJump1), std::int32_t(kJump2)}) {
    auto* popup = Pane<LStdPopupMenu>(id);
    if (!popup) continue;
    if (on) SetValueControl(id, popup->GetValue() == 0 && id != kSource ? 1 : 2147483647, true);
    else SetValueControl(id, 0, false);
  }
  if (!on) {
    SetFieldText(kSourceText, nullptr, 0, false);
    SetFieldText(kJump1Field, nullptr, 0, false);
    SetFieldText(kJump2Field, nullptr, 0, false);
  }
}

// ---- committing a line

bool CKXTextMacroEditor::CommitText(std::int32_t id, std::size_t limit, char*& text, std::int16_t& length) {
  auto* field = Pane<LEditField>(id);
  std::string value = field ? field->GetText() : std::string();
  const std::size_t keep = CutToCharBoundary(value.data(), value.size(), limit);
  if (keep < value.size()) {
    value.resize(keep);
    if (field) SetFieldText(id, value.data(), long(value.size()), field->IsEnabled());
  }
  const bool changed = UKXTextMacro::CopyString(value.data(), std::int16_t(value.size()), text, length) != 0;
  // A field that held text is emptied afterwards.
  if (field && !field->GetText().empty()) SetFieldText(id, nullptr, 0, field->IsEnabled());
  return changed;
}

void CKXTextMacroEditor::CommitJump(std::int32_t popup, std::int32_t field, std::uint16_t& kind, char*& text,
                                    std::int16_t& length, bool& changed) {
  auto* control = Pane<LControl>(popup);
  const auto newKind = std::uint16_t(IndexJump(control ? control->GetValue() : 0));
  if (newKind != kind) {
    kind = newKind;
    changed = true;
  }
  if (kind == kMacroJumpLine || kind == kMacroJumpLabel) {
    changed |= CommitText(field, kMaxShortText, text, length);
  } else {
    changed |= UKXTextMacro::CopyString(nullptr, 0, text, length) != 0;
    SetFieldText(field, nullptr, 0, false);
  }
}

void CKXTextMacroEditor::RestoreMacroEdit() {
  if (!mShownLine) return;
  const long line = mShownLine;
  const int opcode = mShownOpcode;
  std::uint16_t captured = 0;
  if (opcode == kMacroCommand) {
    if (KXMacroListBox* list = List()) {
      captured = list->GetCommand();
      list->SetCommandThrough(false);
    }
    LCommander::SetUpdateCommandStatus(true);
    SetFieldText(kCommandField, nullptr, 0, false);
  }
  SKXTMacroEdit r;
  const bool was = mFilling;
  mFilling = true;
  if (mLines.GetAt(line, r) && r.opcode == opcode) {
    bool changed = false;
    auto value = [this](std::int32_t id) {
      auto* control = Pane<LControl>(id);
      return control ? control->GetValue() : 0;
    };
    auto set16 = [&changed](auto& field, long v) {
      using T = std::remove_reference_t<decltype(field)>;
      if (field != T(v)) {
        field = T(v);
        changed = true;
      }
    };
    switch (opcode) {
      case kMacroCommand: set16(r.value, captured); break;
      case kMacroText: changed |= CommitText(kTextField, kMaxLongText, r.text, r.textLength); break;
      case kMacroUnicodeText: {
        // The field shows placeholders: left as shown, the line keeps its
        // characters; edited, it becomes a text line of what the field holds.
        auto* field = Pane<LEditField>(kTextField);
        if (field && field->GetText() != mShownText) {
          r.opcode = kMacroText;
          CommitText(kTextField, kMaxLongText, r.text, r.textLength);
          changed = true;
        } else if (field) {
          SetFieldText(kTextField, nullptr, 0, field->IsEnabled());
        }
        break;
      }
      case kMacroKey: {
        const int item = value(kKeyPopup);
        const std::int32_t shift = value(kKeyShift) ? 1 : 0;
        unsigned char character = std::uint8_t(r.value), modifiers = std::uint8_t(r.option);
        // Only what the user changed changes: a key the pop-up cannot name
        // keeps its character and modifiers.
        if (item != mShownKeyItem) {
          unsigned char c = 0, m = 0;
          if (IndexKeyCode(item, c, m)) {
            character = c;
            modifiers = std::uint8_t(m | shift);
          }
        } else if (shift != mShownKeyShift) {
          modifiers = std::uint8_t((modifiers & ~1) | shift);
        }
        set16(r.value, character);
        set16(r.option, modifiers);
        auto* field = Pane<LEditField>(kKeyCount);
        const long count = field ? std::clamp<long>(field->GetValue(), 1, kMaxRepeat) : 1;
        set16(r.count, count);
        if (field) SetFieldText(kKeyCount, nullptr, 0, true);
        break;
      }
      case kMacroGoto: {
        const long kind = value(kGotoLine) ? kMacroJumpLine
                          : value(kGotoLabel) ? kMacroJumpLabel
                          : value(kGotoStop)  ? kMacroJumpStop
                                              : kMacroJumpNext;
        set16(r.value, kind);
        if (kind == kMacroJumpStop) changed |= UKXTextMacro::CopyString(nullptr, 0, r.text, r.textLength) != 0;
        else changed |= CommitText(kGotoField, kMaxShortText, r.text, r.textLength);
        break;
      }
      case kMacroLabel: changed |= CommitText(kLabelField, kMaxShortText, r.text, r.textLength); break;
      case kMacroValue: {
        set16(r.value, IndexKind(kValueRegister, value(kValueRegister)));
        set16(r.option, IndexCalc(value(kOperation)));
        set16(r.count, IndexKind(kSource, value(kSource)));
        if (r.count == 1) changed |= CommitText(kSourceText, kMaxShortText, r.text, r.textLength);
        else changed |= UKXTextMacro::CopyString(nullptr, 0, r.text, r.textLength) != 0;
        break;
      }
      case kMacroCompare: {
        set16(r.value, IndexKind(kLeftSubject, value(kLeftSubject)));
        set16(r.option, std::max(value(kOperator) - 1, 0));
        set16(r.count, IndexKind(kSource, value(kSource)));
        if (r.count == 1) changed |= CommitText(kSourceText, kMaxShortText, r.text, r.textLength);
        else changed |= UKXTextMacro::CopyString(nullptr, 0, r.text, r.textLength) != 0;
        break;
      }
      case kMacroFind: {
        set16(r.value, IndexKind(kSearch, value(kSearch)));
        std::uint16_t bits = 0;
        for (int i = 0; i < 5; ++i)
          if (value(kIgnoreWidth + i)) bits |= kFindBits[i];
        set16(r.option, bits);
        if (r.value <= 1) changed |= CommitText(kSearchText, kMaxShortText, r.text, r.textLength);
        else changed |= UKXTextMacro::CopyString(nullptr, 0, r.text, r.textLength) != 0;
        break;
      }
      case kMacroDialog:
        set16(r.value, value(kDialogNote) ? 1 : 0);
        set16(r.count, IndexKind(kRegister, value(kRegister)));
        changed |= CommitText(kPrompt, kMaxShortText, r.text, r.textLength);
        break;
      case kMacroExtend:
        set16(r.value, IndexKind(kExtOperation, value(kExtOperation)));
        set16(r.count, IndexKind(kRegister, value(kRegister)));
        break;
      default: break;
    }
    if (opcode == kMacroCompare || opcode == kMacroFind || opcode == kMacroDialog) {
      CommitJump(kJump1, kJump1Field, r.target1Kind, r.target1Text, r.target1Length, changed);
      CommitJump(kJump2, kJump2Field, r.target2Kind, r.target2Text, r.target2Length, changed);
    }
    if (changed) {
      mLines.SetAt(line, r);
      if (KXMacroListBox* list = List(); list && line <= list->CountRows()) {
        std::vector<std::string> rows;
        for (std::int32_t i = 0; i < list->CountRows(); ++i) rows.push_back(list->GetCell(i));
        rows[std::size_t(line - 1)] = CommentMacroEdit(line, r);
        list->SetRows(rows);
      }
    }
    mFilling = was;
    if (changed) Changed();
  }
  mFilling = was;
  ShowGroup(opcode, false);
  mShownLine = 0;
  mShownOpcode = 0;
  mShownText.clear();
  Refresh();
}

// ---- controls that follow one another

void CKXTextMacroEditor::CheckMacroEdit(std::int32_t id, std::int32_t value) {
  std::uint8_t* header = mLines.mHeader;
  switch (id) {
    case kExtOperation: {
      const bool on = IndexKind(kExtOperation, value) != 0;
      SetValueControl(kRegister, on ? 2147483647 : 0, on);
      break;
    }
    case kDialogInput:
    case kDialogNote:
      if (value == 1) {
        const bool input = id == kDialogInput;
        for (std::int32_t popup : {std::int32_t(kJump1), std::int32_t(kJump2)}) {
          auto* control = Pane<LControl>(popup);
          if (input) SetValueControl(popup, control && control->GetValue() == 0 ? 1 : 2147483647, true);
          else SetValueControl(popup, 0, false);
        }
        if (!input) {
          SetFieldText(kJump1Field, nullptr, 0, false);
          SetFieldText(kJump2Field, nullptr, 0, false);
        }
      }
      break;
    case kSearch:
      if (IndexKind(kSearch, value) == 1) {
        if (LPane* field = FindPaneByID(kSearchText)) field->Enable();
      } else {
        SetFieldText(kSearchText, nullptr, 0, false);
      }
      break;
    case kJump1:
    case kJump2: {
      const std::int32_t field = id == kJump1 ? kJump1Field : kJump2Field;
      const int kind = IndexJump(value);
      if (kind == kMacroJumpLine || kind == kMacroJumpLabel) {
        if (LPane* pane = FindPaneByID(field)) pane->Enable();
      } else {
        SetFieldText(field, nullptr, 0, false);
      }
      break;
    }
    case kLeftSubject: LeftSubjectChanged(); break;
    case kSource:
      if (IndexKind(kSource, value) == 1) {
        if (LPane* field = FindPaneByID(kSourceText)) field->Enable();
      } else {
        SetFieldText(kSourceText, nullptr, 0, false);
      }
      break;
    case kOperation:
    case kValueRegister: {
      auto* reg = Pane<LControl>(kValueRegister);
      SetupValueControls(false, reg ? IndexKind(kValueRegister, reg->GetValue()) : 0);
      break;
    }
    case kGotoLine:
    case kGotoLabel:
    case kGotoStop:
      if (value == 1) {
        if (id == kGotoStop) SetFieldText(kGotoField, nullptr, 0, false);
        else if (LPane* field = FindPaneByID(kGotoField)) field->Enable();
      }
      break;
    case kKeyPopup:
      if (value < kFirstNoShiftKeyItem) {
        if (LPane* shift = FindPaneByID(kKeyShift)) shift->Enable();
      } else {
        SetValueControl(kKeyShift, 0, false);
      }
      break;
    case kHidden: header[0] = value ? 1 : 0; break;
    case kFunction:
      header[1] = value ? 1 : 0;
      if (value) {
        for (std::int32_t pane : {std::int32_t(kFuncShift), std::int32_t(kFuncOption), std::int32_t(kFuncNumber)})
          if (LPane* p = FindPaneByID(pane)) p->Enable();
      } else {
        SetValueControl(kFuncShift, 0, false);
        SetValueControl(kFuncOption, 0, false);
        SetFieldText(kFuncNumber, nullptr, 0, false);
        header[2] = header[3] = 0;
      }
      break;
    case kFuncShift:
      header[3] = value ? 1 : 0;
      if (value) SetValueControl(kFuncOption, 0, true);
      break;
    case kFuncOption:
      header[3] = value ? 4 : 0;
      if (value) SetValueControl(kFuncShift, 0, true);
      break;
    case kFuncNumber: {
      auto* field = Pane<LEditField>(kFuncNumber);
      if (!field) break;
      const std::int32_t n = field->GetText().empty() ? 0 : field->GetValue();
      if (n < 0 || n > 12 || (n == 0 && !field->GetText().empty())) {
        // Only F1 to F12 can run a macro.
        KxCurrentHost().Beep();
        const std::string old = header[2] ? std::to_string(header[2]) : std::string();
        SetFieldText(kFuncNumber, old.data(), long(old.size()), true);
        return;
      }
      header[2] = std::uint8_t(n);
      break;
    }
    case kName:
      // A new name can be stored even when nothing else changed.
      if (!mFilling) EnableButton(kStore, true);
      return;
    default: break;
  }
  if (!mFilling) Changed();
}

void CKXTextMacroEditor::CommandCaptured() {
  KXMacroListBox* list = List();
  if (!list) return;
  Str255 name{};
  if (!UCustomMenu::GetMenuStringExt(UKXTextMacro::DecodeCommand(list->GetCommand()), name)) name[0] = 0;
  SetFieldText(kCommandField, reinterpret_cast<const char*>(name + 1), name[0], false);
  LCommander::SetUpdateCommandStatus(true);
  Changed();
}

// ---- rows

std::string CKXTextMacroEditor::CommentMacroEdit(long line, const SKXTMacroEdit& record) {
  RowWords words;
  words.item = [this](std::int32_t pane, int item) {
    auto* popup = Pane<LStdPopupMenu>(pane);
    if (!popup || item < 1 || std::size_t(item) > popup->GetItems().size()) return std::string();
    const std::string& text = popup->GetItems()[std::size_t(item - 1)];
    return text == "-" ? std::string() : text;
  };
  words.title = [this](std::int32_t pane) {
    auto* control = Pane<LControl>(pane);
    return control ? control->GetTitle() : std::string();
  };
  words.word = [](int item) {
    Str255 s{};
    GetIndString(s, kRowWords, std::int16_t(item));
    return PString(s);
  };
  words.command = [](long command) {
    Str255 s{};
    return UCustomMenu::GetMenuStringExt(command, s) ? PString(s) : std::string();
  };
  return RowText(line, record, words);
}

void CKXTextMacroEditor::DrawMacroList() {
  KXMacroListBox* list = List();
  if (!list) return;
  std::vector<std::string> rows;
  SKXTMacroEdit line;
  for (long n = 1; n <= mLines.GetCount(); ++n)
    if (mLines.GetAt(n, line)) rows.push_back(CommentMacroEdit(n, line));
  list->SetRows(rows);
}
