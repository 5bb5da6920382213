// The go-to-line dialog (2200) and the mark dialog (2350) of a text
// document. Neither is an undo step: a jump moves the caret, and marks are
// named places, not text.
#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

#include "app/menu_keys.h"
#include "document/format_popups.h"
#include "document/text_doc.h"
#include "engine/text_engine.h"
#include "layout/kxte_api.h"
#include "platform/framework/control.h"
#include "platform/framework/list_box.h"
#include "platform/host/host.h"
#include "views/edit_field.h"

namespace {

constexpr ResIDT kLineDialog = 2200, kMarkDialog = 2350;
constexpr PaneIDT kLineOK = 2201, kLineCancel = 2202, kLineField = 2203;
constexpr PaneIDT kMarkAdd = 2351, kMarkCancel = 2352, kMarkDelete = 2353, kMarkList = 2354, kMarkName = 2355;
// A mark's name carries one length byte.
constexpr std::size_t kMarkNameMax = 255;
// Bytes below this end a name taken from the text (line ends, tabs).
constexpr unsigned char kFirstPrintable = 32;

KXEditField* Field(LWindow* dialog, PaneIDT id) { return dynamic_cast<KXEditField*>(dialog->FindPaneByID(id)); }

void Able(LWindow* dialog, PaneIDT id, bool on) {
  if (LPane* p = dialog->FindPaneByID(id)) {
    if (on) p->Enable();
    else p->Disable();
  }
}

// ---- go to line ----

bool LineDialogMessage(CKXTextDocument& doc, MessageT message, LWindow* dialog) {
  if (message == -kLineCancel) {
    doc.CloseDocDialog(dialog);
    return true;
  }
  if (message != -kLineOK) return true;   // the field's own messages
  KXEditField* field = Field(dialog, kLineField);
  // A whole number of any length the field holds: a long text has more
  // lines than the five digits a measurement field keeps.
  long value = 0;
  if (field) {
    const std::string text = field->GetText();
    std::size_t i = text.size() > 0 && text[0] == '+' ? 1 : 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
      value = std::min(value * 10 + (text[i] - '0'), long(std::numeric_limits<std::int32_t>::max()));
  }
  doc.CloseDocDialog(dialog);
  if (value <= 0) return true;
  CKXTextEngine* engine = doc.GetEngine();
  const long line = std::min<long>(value, KXTE_GetLineCount(engine->GetEdit()));
  if (CKXTextView* view = doc.CurrentTextView()) {
    if (LWindow* w = LWindow::FetchWindowOf(view)) w->UpdatePort();
    view->Refresh();
  }
  engine->DoJump(line, 0);
  return true;
}

// ---- marks ----

// The name the dialog proposes: the selection's bytes (the word at the
// caret when nothing is selected) up to the first control byte, when the
// range holds 1 to 255 bytes.
std::string ProposedName(CKXTextEngine& engine) {
  SKXRange range = engine.GetSelectionRange();
  if (range.length == 0) range = engine.GetWordSelectionRange(range.start);
  if (range.length < 1 || std::size_t(range.length) > kMarkNameMax) return {};
  std::string bytes(std::size_t(range.length), '\0');
  engine.TextGetThruPtr(range, bytes.data(), range.length);
  std::size_t n = 0;
  while (n < bytes.size() && static_cast<unsigned char>(bytes[n]) >= kFirstPrintable) ++n;
  // A double-byte character whose trail byte is below 32 cannot occur in
  // Shift_JIS; the cut still never leaves half a character.
  n = KxCutToCharBoundary(reinterpret_cast<const unsigned char*>(bytes.data()), n, kMarkNameMax);
  return bytes.substr(0, n);
}

void FillMarkList(LWindow* dialog, CKXTextEngine& engine) {
  auto* list = dynamic_cast<LListBox*>(dialog->FindPaneByID(kMarkList));
  if (!list) return;
  list->RemoveAllRows();
  KXEditHandle edit = engine.GetEdit();
  for (long k = 1; k <= KXTE_GetMarkCount(edit); ++k) {
    unsigned char name[256] = {};
    KXTE_GetMarkString(edit, k, name);
    list->AddRow(std::string(reinterpret_cast<char*>(name + 1), name[0]));
  }
}

void MarkRowsChosen(LWindow* dialog) {
  auto* list = dynamic_cast<LListBox*>(dialog->FindPaneByID(kMarkList));
  const bool rows = list && !list->GetSelectedRows().empty();
  Able(dialog, kMarkDelete, rows);
  Able(dialog, kMarkAdd, !rows);
  if (auto* box = dynamic_cast<LDialogBox*>(dialog)) box->SetDefaultButton(rows ? kMarkDelete : kMarkAdd);
}

bool MarkDialogMessage(CKXTextDocument& doc, MessageT message, LWindow* dialog) {
  CKXTextEngine& engine = *doc.GetEngine();
  switch (message) {
    case -kMarkList:
      MarkRowsChosen(dialog);
      return true;
    case -kMarkCancel:
      doc.CloseDocDialog(dialog);
      return true;
    case -kMarkDelete: {
      // A typing run ends first: its undo must leave the marks changed here.
      engine.CompleteTyping();
      auto* list = dynamic_cast<LListBox*>(dialog->FindPaneByID(kMarkList));
      std::vector<std::int32_t> rows = list ? list->GetSelectedRows() : std::vector<std::int32_t>{};
      // From the last, so that the earlier rows keep their numbers.
      std::sort(rows.rbegin(), rows.rend());
      KXEditHandle edit = engine.GetEdit();
      for (std::int32_t r : rows)
        if (r + 1 <= KXTE_GetMarkCount(edit)) KXTE_DeleteMark(edit, r + 1);
      engine.SetTextChanged(true);
      doc.CloseDocDialog(dialog);
      return true;
    }
    case -kMarkAdd: {
      KXEditField* field = Field(dialog, kMarkName);
      const std::string typed = field ? field->GetText() : std::string();
      const std::size_t n =
          KxCutToCharBoundary(reinterpret_cast<const unsigned char*>(typed.data()), typed.size(), kMarkNameMax);
      if (n == 0) {
        KxCurrentHost().Beep();
        return true;
      }
      unsigned char name[256] = {std::uint8_t(n)};
      std::memcpy(name + 1, typed.data(), n);
      engine.CompleteTyping();
      engine.InsertMark(engine.GetSelectionRange(), name);
      engine.SetTextChanged(true);
      doc.CloseDocDialog(dialog);
      return true;
    }
    default:
      return true;
  }
}

}  // namespace

void CKXTextDocument::OpenLineDialog() {
  if (FindDocDialog(kLineDialog)) return;
  LWindow* dialog = OpenDocDialog(kLineDialog, &LineDialogMessage);
  if (!dialog) return;
  long line = 0, column = 0;
  KXTE_GetCurLineColm(mEngine->GetEdit(), line, column);
  if (KXEditField* f = Field(dialog, kLineField)) {
    const std::string text = std::to_string(std::max(1L, line));
    f->SetText(text.data(), text.size());
    KxFocusDialogField(dialog, kLineField);
  }
}

void CKXTextDocument::OpenMarkDialog() {
  if (FindDocDialog(kMarkDialog)) return;
  const std::string name = ProposedName(*mEngine);
  LWindow* dialog = OpenDocDialog(kMarkDialog, &MarkDialogMessage);
  if (!dialog) return;
  FillMarkList(dialog, *mEngine);
  Able(dialog, kMarkDelete, false);
  if (KXEditField* f = Field(dialog, kMarkName)) {
    f->SetText(name.data(), name.size());
    KxFocusDialogField(dialog, kMarkName);
  }
}
