// The text-format dialog (2600): the document's default text format (font,
// size, justification, line-break rules, tab width, line spacing, word
// wrap) and the statistics of the text or of the selection. A new format
// lays the whole text out again, so no undo step reaches back across it.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "app/app_commands.h"
#include "app/dynamic_menus.h"
#include "app/globals.h"
#include "document/format_popups.h"
#include "document/text_doc.h"
#include "engine/text_engine.h"
#include "layout/draw_toolkit.h"
#include "layout/fontstate.h"
#include "layout/kxte_api.h"
#include "layout/kxtext_api.h"
#include "platform/framework/control.h"
#include "platform/framework/menu.h"
#include "platform/resources.h"
#include "text/codes/script.h"
#include "views/edit_field.h"
#include "views/text_colm_view.h"

namespace {

constexpr ResIDT kTextFormatDialog = 2600;
constexpr PaneIDT kOK = 2601, kCancel = 2602, kJustify = 2603, kMode = 2604, kFontPopup = 2605, kSizePopup = 2606,
                  kSizeField = 2607, kTabWidth = 2608, kLineSpace = 2609, kWordWrap = 2610, kCharacters = 2611,
                  kSingles = 2612, kDoubles = 2613, kParas = 2614, kPictures = 2615, kLines = 2616, kWords = 2617,
                  kPages = 2618, kBytes = 2619, kCountsCaption = 2620, kWholeText = 2621;
constexpr short kSmallestSize = 1, kLargestSize = 5000, kShownWithoutSize = 12;
// Tab widths in characters the dialog takes; line spacing as paragraphs
// and the format bar keep it (more is held at the largest).
constexpr std::int32_t kLargestTabWidth = 999, kLargestLineSpace = 100;
// STR# 201 item 13: what the statistics caption says of a selection.
constexpr short kAppNames = 201, kOfSelection = 13;
// Paragraph fields ReplaceParaStyl compares and replaces.
constexpr short kParaLineSpace = 2, kParaJustify = 8;


void SetFieldText(LWindow* dialog, PaneIDT id, const std::string& text) {
  if (auto* f = KxDialogPane<KXEditField>(dialog, id)) f->SetText(text.data(), text.size());
}

// The field's whole number, or `fallback` when it holds none in lo..hi.
std::int32_t FieldNumber(LWindow* dialog, PaneIDT id, std::int32_t lo, std::int32_t hi, std::int32_t fallback) {
  const auto* f = KxDialogPane<KXEditField>(dialog, id);
  if (!f || f->GetText().empty()) return fallback;
  const std::int32_t v = KXEditField::ParseValue100(f->GetText()) / 100;
  return v < lo || v > hi ? fallback : v;
}

void SetCaption(LWindow* dialog, PaneIDT id, const std::string& text) {
  if (LPane* p = dialog->FindPaneByID(id)) {
    Str255 s{};
    s[0] = std::uint8_t(std::min<std::size_t>(text.size(), 255));
    std::memcpy(s + 1, text.data(), s[0]);
    p->SetDescriptor(s);
  }
}

// A plain text in the default style: then the whole-text box starts on.
bool PlainInDefaultStyle(KXEditHandle edit, const SKXEditStyl& style) {
  if (KXText_GetStylCount(edit) != 1) return false;
  SKXStyl run{};
  KXText_GetStyls(edit, &run, 1);
  return run.styl.font == style.font && run.styl.size == style.size && run.styl.face == 0 &&
         KxGetRGBColorType(run.styl.color) == kKxColorBlack;
}

void ShowStatistics(LWindow* dialog, CKXTextEngine& engine) {
  KXEditHandle edit = engine.GetEdit();
  const SKXRange sel = engine.GetSelectionRange();
  const bool ofSelection = sel.length > 0;
  const long from = ofSelection ? sel.start : 0;
  const long to = ofSelection ? long(sel.start) + sel.length : engine.GetTotalRange().length;
  long singles = 0, doubles = 0, paras = 0, pictures = 0, words = 0;
  KXText_CalcWordCount(edit, from, to, singles, doubles, paras, pictures, words);
  // The lines and pages the range touches: from its first byte to its last.
  const long last = std::max(from, to - 1);
  const long firstLine = KXTE_GetLineNumber(edit, from), lastLine = KXTE_GetLineNumber(edit, last);
  const long lines = lastLine - firstLine + 1;
  const long pages = KXTE_GetPageNumber(edit, lastLine) - KXTE_GetPageNumber(edit, firstLine) + 1;
  const struct {
    PaneIDT id;
    long value;
  } shown[] = {{kCharacters, singles + doubles + paras}, {kSingles, singles}, {kDoubles, doubles}, {kParas, paras},
               {kPictures, pictures}, {kLines, lines}, {kWords, words}, {kPages, pages}, {kBytes, to - from}};
  for (const auto& s : shown) SetCaption(dialog, s.id, std::to_string(s.value));
  if (ofSelection)
    if (LPane* caption = dialog->FindPaneByID(kCountsCaption)) {
      Str255 text{}, more{};
      caption->GetDescriptor(text);
      GetIndString(more, kAppNames, kOfSelection);
      const std::size_t n = std::min<std::size_t>(more[0], std::size_t(255 - text[0]));
      std::memcpy(text + 1 + text[0], more + 1, n);
      text[0] = std::uint8_t(text[0] + n);
      caption->SetDescriptor(text);
    }
}

// What the dialog sets, as it stood and as the dialog has it: equal when
// the user changed none of it (a text without a size shows one).
bool SameChoices(const SKXLineStyl& a, const SKXEditStyl& ae, const SKXLineStyl& b, const SKXEditStyl& be) {
  const short shown = ae.size > 0 ? ae.size : kShownWithoutSize;
  return a.justify == b.justify && a.mode == b.mode && a.lineSpace == b.lineSpace && a.wordWrap == b.wordWrap &&
         ae.font == be.font && (ae.size == be.size || shown == be.size) && ae.tabWidth == be.tabWidth;
}

// OK that would change nothing leaves the document as it is: not marked
// changed, its undo kept.
void Apply(CKXTextDocument& doc, LWindow* dialog) {
  CKXTextEngine& engine = *doc.GetEngine();
  KXEditHandle edit = engine.GetEdit();
  SKXLineStyl oldLine{}, line{};
  SKXEditStyl oldEdit{}, style{};
  KXTE_GetLineStyl(edit, oldLine);
  KXTE_GetEditStyl(edit, oldEdit);
  line = oldLine;
  style = oldEdit;
  line.justify = std::uint8_t(std::clamp(KxDialogValue(dialog, kJustify), 1, 4) - 1);
  line.mode = std::uint8_t(std::clamp(KxDialogValue(dialog, kMode), 1, 3) - 1);
  // A font left as shown keeps its number (the application font stays so).
  const std::int16_t fontItem = std::int16_t(KxDialogValue(dialog, kFontPopup));
  if (const short font = UFontMenu::GetFontNumber(fontItem); font >= 0 && fontItem != KxFontPopupItem(oldEdit.font))
    style.font = font;
  // Out-of-range numbers keep what was there.
  style.size = std::int16_t(FieldNumber(dialog, kSizeField, kSmallestSize, kLargestSize, oldEdit.size));
  style.tabWidth = std::int16_t(FieldNumber(dialog, kTabWidth, 0, kLargestTabWidth, oldEdit.tabWidth));
  line.lineSpace = std::int16_t(std::clamp<std::int32_t>(
      FieldNumber(dialog, kLineSpace, 0, INT32_MAX, oldLine.lineSpace), 0, kLargestLineSpace));
  line.wordWrap = KxDialogValue(dialog, kWordWrap) ? 1 : 0;
  const bool wholeText = KxDialogValue(dialog, kWholeText) != 0;
  // The whole text already in the default style stays so, unless a
  // start-up colour is to be given to it.
  const auto unchanged = [&] {
    return SameChoices(oldLine, oldEdit, line, style) &&
           (!wholeText || (PlainInDefaultStyle(edit, oldEdit) && !gPreference2.startupColorOn));
  };
  if (unchanged()) return;
  // A plain text's one run takes the default font, and its bytes would be
  // read as the characters of that font's script: it keeps a font of its
  // own script (the one it had as default, else the one it shows in),
  // unless it is all ASCII, which reads alike in every script.
  if (KXText_GetStylCount(edit) <= 1 && engine.GetTotalRange().length > 0 && !KXText_IsAsciiOnly(edit)) {
    SKXStyl run{};
    KXText_GetStyls(edit, &run, 1);
    style.font = KxFontKeepingScript(style.font, KxFontKeepingScript(oldEdit.font, run.styl.font));
    if (unchanged()) return;
  }
  const short size = style.size > 0 ? style.size : kShownWithoutSize;
  line.tabInterval = std::int16_t(std::clamp<std::int32_t>(KxGetFontWidth(style.font, size, style.tabWidth), 0, INT16_MAX));
  if (CKXTextView* view = doc.CurrentTextView())
    if (LWindow* w = LWindow::FetchWindowOf(view)) w->UpdatePort();
  if (wholeText && gPreference2.startupColorOn) engine.SetStartupStyl(line, style, gPreference2.startupColor);
  else engine.SetEditStyl(line, style, wholeText);
  engine.SetTextChanged(true);
  if (CKXTextColmView* ruler = doc.GetColmView()) ruler->SetCharScale(style.font, size);
  engine.PostAction(nullptr);
  // Paragraphs that followed the old default follow the new one.
  SParaStyl from{}, to{};
  if (line.justify != oldLine.justify) {
    from.justify = oldLine.justify;
    to.justify = line.justify;
    engine.ReplaceParaStyl(CKXTextLayer::sTextAll, kParaJustify, from, to);
  }
  if (line.lineSpace != oldLine.lineSpace) {
    from.lineSpace = oldLine.lineSpace;
    to.lineSpace = line.lineSpace;
    engine.ReplaceParaStyl(CKXTextLayer::sTextAll, kParaLineSpace, from, to);
  }
  if (CKXTextColmView* ruler = doc.GetColmView()) ruler->UpdateForm(true);
  if (CKXTextView* view = doc.CurrentTextView()) view->Refresh();
}

bool TextFormatDialogMessage(CKXTextDocument& doc, MessageT message, LWindow* dialog) {
  switch (-message) {
    case kOK:
      if (!doc.GetEngine()->IsEditable()) return true;   // OK is off in read-only text
      Apply(doc, dialog);
      doc.CloseDocDialog(dialog);
      return true;
    case kCancel: doc.CloseDocDialog(dialog); return true;
    case kSizePopup: {
      const int size = USizeMenu::GetFontSize(std::int16_t(KxDialogValue(dialog, kSizePopup)));
      if (size > 0) {
        SetFieldText(dialog, kSizeField, std::to_string(size));
        if (auto* f = KxDialogPane<KXEditField>(dialog, kSizeField)) f->SelectAll();
      }
      return true;
    }
    default: return true;   // the fields' own messages
  }
}

}  // namespace

void CKXTextDocument::OpenTextFormatDialog() {
  if (FindDocDialog(kTextFormatDialog)) return;
  LWindow* dialog = OpenDocDialog(kTextFormatDialog, &TextFormatDialogMessage);
  if (!dialog) return;
  KXEditHandle edit = mEngine->GetEdit();
  SKXLineStyl line{};
  SKXEditStyl style{};
  KXTE_GetLineStyl(edit, line);
  KXTE_GetEditStyl(edit, style);
  KxSetControlQuietly(dialog, kJustify, line.justify + 1);
  KxSetControlQuietly(dialog, kMode, line.mode + 1);
  if (auto* fonts = KxDialogPane<LStdPopupMenu>(dialog, kFontPopup)) fonts->SetItems(KxMenuItemTexts(kKxFontMenu));
  if (auto* sizes = KxDialogPane<LStdPopupMenu>(dialog, kSizePopup)) sizes->SetItems(KxMenuItemTexts(kKxSizeMenu));
  if (const std::int16_t item = KxFontPopupItem(style.font); item > 0) KxSetControlQuietly(dialog, kFontPopup, item);
  const short size = style.size > 0 ? style.size : kShownWithoutSize;
  SetFieldText(dialog, kSizeField, std::to_string(size));
  if (const std::int16_t item = USizeMenu::GetSizeMenuItem(size); item > 0) KxSetControlQuietly(dialog, kSizePopup, item);
  SetFieldText(dialog, kTabWidth, std::to_string(style.tabWidth));
  SetFieldText(dialog, kLineSpace, std::to_string(line.lineSpace));
  KxSetControlQuietly(dialog, kWordWrap, line.wordWrap ? 1 : 0);
  KxSetControlQuietly(dialog, kWholeText, PlainInDefaultStyle(edit, style) ? 1 : 0);
  ShowStatistics(dialog, *mEngine);
  if (!mEngine->IsEditable())
    if (LPane* ok = dialog->FindPaneByID(kOK)) ok->Disable();
}
