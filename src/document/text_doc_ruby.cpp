// The ruby dialog (2450): the reading shown over the selected text. Setting
// and removing a ruby are one undo step each.
#include <algorithm>
#include <cstring>
#include <string>

#include "document/format_popups.h"
#include "document/text_doc.h"
#include "engine/text_engine.h"
#include "layout/kxtext_handle.h"
#include "platform/framework/control.h"
#include "platform/script.h"
#include "platform/toolbox/japanese_analysis.h"
#include "text/codes/script.h"
#include "text/runs/ruby.h"
#include "views/edit_field.h"

namespace {

constexpr ResIDT kRubyDialog = 2450;
constexpr PaneIDT kOK = 2451, kCancel = 2452, kRemove = 2453, kRubyField = 2454, kBaseText = 2455;

// Text cut to what a ruby holds, never inside a double-byte character.
std::string RubyCut(const std::string& text) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  return text.substr(0, KxCutToCharBoundary(bytes, text.size(), std::size_t(kKxRubyMaxText)));
}

std::string TextOf(CKXTextEngine& engine, const SKXRange& range) {
  std::string bytes(std::size_t(std::max(0, range.length)), '\0');
  if (!bytes.empty()) bytes.resize(std::size_t(std::max(0L, engine.TextGetThruPtr(range, bytes.data(), range.length))));
  return bytes;
}

// The range a ruby of the selection stands on, when there is one.
bool RubyRange(CKXTextEngine& engine, SKXRange& range) {
  long len = 0;
  return engine.GetCurRuby(range, nullptr, len);
}

void Apply(CKXTextDocument& doc, const std::string& text) {
  CKXTextEngine& engine = *doc.GetEngine();
  SKXRange range = engine.GetSelectionRange();
  RubyRange(engine, range);
  if (CKXTextView* view = doc.CurrentTextView())
    if (LWindow* w = LWindow::FetchWindowOf(view)) w->UpdatePort();
  engine.DoSetRuby(range, text.data(), long(text.size()));
  if (CKXTextView* view = doc.CurrentTextView()) view->Refresh();
}

bool RubyDialogMessage(CKXTextDocument& doc, MessageT message, LWindow* dialog) {
  switch (-message) {
    case kOK: {
      if (!doc.GetEngine()->IsEditable()) return true;
      const auto* field = dynamic_cast<KXEditField*>(dialog->FindPaneByID(kRubyField));
      // What the text keeps of the reading, cut before it is applied.
      const std::string text = RubyCut(field ? field->GetText() : std::string());
      SKXRange range{};
      const bool hadRuby = RubyRange(*doc.GetEngine(), range);
      // An empty text clears the rubies of the selection; with none there
      // it would only post an empty undo step.
      const SKXRange sel = doc.GetEngine()->GetSelectionRange();
      const bool selRuby = KXHandleAccess::Edit(doc.GetEngine()->GetEdit())
                               ->GetSelRubysCount(sel.start, long(sel.start) + sel.length) > 0;
      doc.CloseDocDialog(dialog);
      if (!text.empty() || hadRuby || selRuby) Apply(doc, text);
      return true;
    }
    case kRemove:
      if (!doc.GetEngine()->IsEditable()) return true;
      doc.CloseDocDialog(dialog);
      Apply(doc, std::string());
      return true;
    case kCancel: doc.CloseDocDialog(dialog); return true;
    default: return true;   // the field's own messages
  }
}

}  // namespace

void CKXTextDocument::OpenRubyDialog() {
  if (FindDocDialog(kRubyDialog)) return;
  char rubyText[kKxRubyMaxText] = {};
  long rubyLen = 0;
  SKXRange range{};
  std::string base, proposed;
  const bool onRuby = mEngine->GetCurRuby(range, rubyText, rubyLen);
  if (onRuby) {
    // The whole base of the ruby is what the dialog speaks of.
    mEngine->SetSelectionRange(range, false);
    proposed.assign(rubyText, std::size_t(std::clamp(rubyLen, 0L, kKxRubyMaxText)));
    base = TextOf(*mEngine, range);
  } else {
    base = TextOf(*mEngine, mEngine->GetSelectionRange());
    SStyl styl{};
    mEngine->GetCurStyl(styl);
    Str255 reading{};
    if (!base.empty() && FontToScript(styl.font) == kScriptJapanese && UJapaneseAnalysis::IsAvailable() &&
        UJapaneseAnalysis::GetReadingText(base, reading))
      proposed.assign(reinterpret_cast<const char*>(reading + 1), reading[0]);
    else
      proposed = base;
    proposed = RubyCut(proposed);
  }
  LWindow* dialog = OpenDocDialog(kRubyDialog, &RubyDialogMessage);
  if (!dialog) return;
  // Read-only text shows its ruby but takes no change.
  if (!onRuby || !mEngine->IsEditable())
    if (LPane* remove = dialog->FindPaneByID(kRemove)) remove->Disable();
  if (!mEngine->IsEditable())
    if (LPane* ok = dialog->FindPaneByID(kOK)) ok->Disable();
  if (LPane* shown = dialog->FindPaneByID(kBaseText)) {
    Str255 text{};
    const auto* bytes = reinterpret_cast<const unsigned char*>(base.data());
    text[0] = std::uint8_t(KxCutToCharBoundary(bytes, base.size(), 255));
    std::memcpy(text + 1, base.data(), text[0]);
    shown->SetDescriptor(text);
  }
  if (auto* field = dynamic_cast<KXEditField*>(dialog->FindPaneByID(kRubyField))) {
    field->SetText(proposed.data(), proposed.size());
    KxFocusDialogField(dialog, kRubyField);
  }
}
