// The font-size dialog (2400) and the colour picker (command 1309) of a
// text document: each applies its change to the selection as one undoable
// step of the engine.
#include <string>

#include "document/format_popups.h"
#include "document/text_doc.h"
#include "engine/text_engine.h"
#include "platform/host/host.h"
#include "platform/resources.h"
#include "platform/textconv.h"
#include "views/edit_field.h"

namespace {

constexpr ResIDT kSizeDialog = 2400;
constexpr PaneIDT kSizeOK = 2401, kSizeCancel = 2402, kSizeField = 2403;
// The sizes a text may take, and the one shown when the selection has none.
constexpr std::int32_t kSmallestSize = 1, kLargestSize = 5000, kShownWithoutSize = 12;
// STR# 200 item 5: the colour picker's prompt.
constexpr short kDialogTexts = 200, kColourPrompt = 5;

KXEditField* Field(LWindow* dialog, PaneIDT id) { return dynamic_cast<KXEditField*>(dialog->FindPaneByID(id)); }

// Whatever draws next draws the text as it stands.
void BeforeApplying(CKXTextDocument& doc) {
  if (CKXTextView* view = doc.CurrentTextView())
    if (LWindow* w = LWindow::FetchWindowOf(view)) w->UpdatePort();
}
void AfterApplying(CKXTextDocument& doc) {
  if (CKXTextView* view = doc.CurrentTextView()) view->Refresh();
}

bool SizeDialogMessage(CKXTextDocument& doc, MessageT message, LWindow* dialog) {
  if (message == -kSizeCancel) {
    doc.CloseDocDialog(dialog);
    return true;
  }
  if (message != -kSizeOK) return true;   // the field's own messages
  KXEditField* field = Field(dialog, kSizeField);
  // Whole points only: the field's value in hundredths.
  const std::int32_t size = field ? KXEditField::ParseValue100(field->GetText()) / 100 : 0;
  doc.CloseDocDialog(dialog);
  if (size < kSmallestSize || size > kLargestSize) return true;
  BeforeApplying(doc);
  doc.GetEngine()->DoFontSize(short(size));
  AfterApplying(doc);
  return true;
}

}  // namespace

void CKXTextDocument::OpenSizeDialog() {
  if (FindDocDialog(kSizeDialog)) return;
  LWindow* dialog = OpenDocDialog(kSizeDialog, &SizeDialogMessage);
  if (!dialog) return;
  const short size = mEngine->GetCurFontSize();
  if (KXEditField* f = Field(dialog, kSizeField)) {
    const std::string text = std::to_string(size > 0 ? size : kShownWithoutSize);
    f->SetText(text.data(), text.size());
    KxFocusDialogField(dialog, kSizeField);
  }
}

void CKXTextDocument::ChooseTextColour() {
  SStyl style{};
  mEngine->GetCurStyl(style);
  RGBColor colour = style.color;
  Str255 prompt{};
  GetIndString(prompt, kDialogTexts, kColourPrompt);
  const std::string title = KxScriptTextToUTF8(std::string(reinterpret_cast<const char*>(prompt + 1), prompt[0]));
  LWindow* window = GetWindow();
  if (!KxCurrentHost().ChooseColour(window ? window->GetHostWindow() : kKxNoWindow, title, colour)) return;
  BeforeApplying(*this);
  mEngine->DoFontColor(colour);
  AfterApplying(*this);
}
