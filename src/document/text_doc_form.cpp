// The document's page form: applying one to the window (from the form menu
// or the custom form dialog), and keeping it in the settings records.
#include <algorithm>

#include "app/app_commands.h"
#include "document/custom_form.h"
#include "document/text_doc.h"
#include "engine/text_engine.h"
#include "layout/kxte_api.h"
#include "platform/bytefields.h"
#include "views/text_colm_view.h"

namespace {
// Command 1930 + n applies form menu item n; 1932 (item 2, the document's
// own setup) opens the dialog instead.
constexpr CommandT kFormItemBase = 1930;
constexpr CommandT kCmdDefaultForm = 1931;
}  // namespace

void CKXTextDocument::FormStylWindow(const SKXFormStyl& form, bool redraw) {
  if (!mEngine) return;
  SKXFormStyl now;
  KXTE_GetFormStyl(mEngine->GetEdit(), now);
  if (form == now) return;
  mEngine->SetFormStyl(form);
  const bool vertical = KXTE_GetVertical(mEngine->GetEdit()) != 0;
  if (vertical != mVerticalWindow) {
    VerticalWindow(vertical, false);
  } else if (CKXTextColmView* ruler = GetColmView()) {
    ruler->FixView();
  }
  for (CKXTextView* v : mPanes.view)
    if (v && v->GetTextEngine()) {
      v->FixImage();
      v->FixView();
    }
  if (redraw && mPanes.window) mPanes.window->Refresh();
}

void CKXTextDocument::ApplyUserForm(const SKXFormStyl& form) {
  // A read-only document keeps its layout; the form dialog's list edits
  // are kept all the same.
  if (!mEngine || !IsEditable()) return;
  std::array<std::uint8_t, kKxFORMSize> before{}, after{};
  const bool had = CurrentFormRecord(before);
  // Laying the text out again under the form leaves the caret at the text's
  // start: the selection comes back where it was, and into view.
  const SKXRange selection = mEngine->GetSelectionRange();
  FormStylWindow(form, true);
  if (!UKXRange::RangesSame(selection, mEngine->GetSelectionRange())) mEngine->SetSelectionRange(selection, true);
  const bool has = CurrentFormRecord(after);
  if (had != has || before != after) SetModified(true);
}

bool CKXTextDocument::ObeyFormCommand(CommandT command) {
  if (command == kKxCmdCustomForm) {
    CKXTextCustomForm::ShowCustomForm(this);
    return true;
  }
  if (command != kCmdDefaultForm && !kKxFormCommands.Contains(command)) return false;
  // The checked item is the form in use: choosing it again changes nothing.
  if (UKXTextCustomForm::FindCustomFormItem(KXTE_GetFormStylID(mEngine->GetEdit())) + kFormItemBase == command)
    return true;
  if (command == kCmdDefaultForm) {
    SKXFormStyl form;
    mEngine->GetFormStylDefault(form);
    form.formID = 0;
    ApplyUserForm(form);
    return true;
  }
  SKXFormStyl form;
  if (UKXTextForm::GetFormStyl(short(command - kFormItemBase), form)) ApplyUserForm(form);
  return true;
}

void CKXTextDocument::ApplyFormSettings(const SKXDocSettings& settings) {
  const bool stored = settings.usesForm && KxGetU16BE(settings.forms.data()) != 0;
  if (!stored && KXTE_GetFormStylID(mEngine->GetEdit()) != 0) {
    // Reverting to a file without a form: the document's own setup again.
    SKXFormStyl plain;
    mEngine->GetFormStylDefault(plain);
    plain.formID = 0;
    FormStylWindow(plain, true);
  }
  if (settings.usesForm) {
    SKXFormStyl form, fallback;
    // Both records are held big-endian; reading validates them.
    KxReadFormStyl(settings.forms.data(), form, KxByteOrder::kBig);
    KxReadFormStyl(settings.forms.data() + kKxFormStylSize, fallback, KxByteOrder::kBig);
    if (form.formID != 0) {
      FormStylWindow(form, true);
      fallback.formID = 0;
      mEngine->SetFormStylDefault(fallback);
    }
  }
  mFormAsReadUsed = CurrentFormRecord(mFormAsRead);
}

bool CKXTextDocument::CurrentFormRecord(std::array<std::uint8_t, kKxFORMSize>& out) const {
  out.fill(0);
  const KXEditHandle edit = mEngine->GetEdit();
  if (KXTE_GetFormStylID(edit) == 0) return false;
  SKXFormStyl form, fallback;
  KXTE_GetFormStyl(edit, form);
  mEngine->GetFormStylDefault(fallback);
  KxWriteFormStyl(form, out.data(), KxByteOrder::kBig);
  KxWriteFormStyl(fallback, out.data() + kKxFormStylSize, KxByteOrder::kBig);
  return true;
}

void CKXTextDocument::TakeFormSettings(SKXDocSettings& settings) const {
  std::array<std::uint8_t, kKxFORMSize> now{};
  const bool used = CurrentFormRecord(now);
  // Unchanged since reading: the records stay byte for byte as read.
  if (used == mFormAsReadUsed && now == mFormAsRead) return;
  settings.usesForm = used;
  settings.forms = now;
}

std::vector<std::string> KxTextDocHooks::FormNames() { return UKXTextCustomForm::MenuNames(); }
