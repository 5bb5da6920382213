// The header (layout 2800) and footer (2850) dialogs of a text document:
// the band's distance from the text area in the user's measuring unit, its
// text with placeholders, date and time formats, font, size, colour,
// alignment and faces, and the history of the band's texts.
#include "document/text_doc_hdft.h"

#include <algorithm>
#include <cstring>

#include "app/globals.h"
#include "app/histories.h"
#include "document/find_rules.h"
#include "document/format_popups.h"
#include "document/text_doc.h"
#include "document/text_doc_para.h"
#include "engine/text_engine.h"
#include "layout/draw_toolkit.h"
#include "layout/kxte_api.h"
#include "layout/text_form_util.h"
#include "platform/fonts.h"
#include "platform/framework/control.h"
#include "platform/framework/window.h"
#include "platform/resources.h"
#include "platform/textconv.h"
#include "text/codes/script.h"
#include "text/runs/runs.h"
#include "views/edit_field.h"
#include "views/text_view.h"

namespace {

constexpr ResIDT kHeaderDialog = 2800, kFooterDialog = 2850;
// Both layouts hold the same panes.
constexpr PaneIDT kOK = 2801, kCancel = 2802, kDistance = 2803, kText = 2804, kPlaceholder = 2805,
                  kDateFormat = 2806, kTimeFormat = 2807, kFont = 2808, kSizeField = 2809, kSizePopup = 2810,
                  kColour = 2811, kAlignment = 2812, kPlain = 2813, kFirstFace = 2814, kLastFace = 2820,
                  kUnitLabel = 2821, kHistory = 2822;
constexpr PaneIDT kCondense = 2819, kExtend = 2820;
// The layout's history pop-up ends with clear, Return and Tab; the band
// takes no Tab, so the last one goes.
constexpr std::size_t kLayoutHistoryItems = 3, kBandHistoryItems = 2;
// The alignment pop-up's fourth item (full justification) is not for a
// single line.
constexpr std::int32_t kAlignmentItems = 3;
// The placeholders of the pop-up's items 1-5, in that order.
constexpr const char* kPlaceholders[] = {"<DATE>", "<TIME>", "<PAGE>", "<PMAX>", "<NAME>"};
constexpr short kShownWithoutSize = 12, kLargestSize = 5000;
constexpr int kTableColours = 11;   // black to white: colours 0-10 of the table
// 6 mm, in the unit of tenths of a millimetre.
constexpr long kLeastTenthsOfMm = 60;
constexpr short kTenthsOfMm = 3;
constexpr short kUnitLabels = 201, kInchLabel = 6, kPointLabel = 7;

// What the open dialog needs besides its panes (the dialogs are modal:
// one at a time).
struct BandDialog {
  bool footer = false;
  bool filling = false;               // panes being set: their messages are ours
  std::vector<short> fonts;           // the font pop-up's font numbers, by item
  RGBColor otherColour{};             // the colour of the pop-up's extra item
  std::int32_t room = 0;              // points
};
BandDialog sBand;

KXEditField* Field(LWindow* dialog, PaneIDT id) { return dynamic_cast<KXEditField*>(dialog->FindPaneByID(id)); }
LControl* Control(LWindow* dialog, PaneIDT id) { return dynamic_cast<LControl*>(dialog->FindPaneByID(id)); }
LStdPopupMenu* Popup(LWindow* dialog, PaneIDT id) { return dynamic_cast<LStdPopupMenu*>(dialog->FindPaneByID(id)); }

short Unit() { return gPreference.measureUnit; }

KxBlock& History() { return sBand.footer ? gFootHistHandle : gHeadHistHandle; }

// Also while the field is being typed into: set without touching the undo
// of that typing.
void SetDistance(LWindow* dialog, std::int32_t points) {
  KXEditField* f = Field(dialog, kDistance);
  if (!f) return;
  const short unit = Unit();
  const long value = CKXTextFormUtil::PointsToUnit(points, unit);
  // Millimetres come in tenths, inches and points in hundredths.
  const bool millimetres = unit == 0 || unit == 3;
  sBand.filling = true;
  f->LEditField::SetText(KXEditField::FormatValue100(std::int32_t(millimetres ? value * 10 : value)));
  sBand.filling = false;
}

std::int32_t Distance(LWindow* dialog) {
  const KXEditField* f = Field(dialog, kDistance);
  if (!f) return KxBandLeastDistance();
  // A negative length stays negative here: it stands for the least one.
  return KxUnitFieldPoints(*f, Unit(), false);
}

// The page margin at the band's edge and the printer's, as the room.
std::int32_t Room(const CKXTextEngine& engine, bool footer) {
  const KXEditHandle edit = engine.GetEdit();
  Rect margins{}, hard{};
  KXTE_GetPageMargin(edit, margins);
  KXTE_GetHardMargin(edit, hard);
  return KxBandRoom(footer ? margins.bottom : margins.top, hard);
}

// ---- the pop-ups ----------------------------------------------------------------------------------

void FillFonts(LWindow* dialog, short current) {
  LStdPopupMenu* popup = Popup(dialog, kFont);
  if (!popup) return;
  sBand.fonts = KxFontNumbers();
  if (std::find(sBand.fonts.begin(), sBand.fonts.end(), current) == sBand.fonts.end())
    sBand.fonts.push_back(current);   // a font the registry lost keeps its number
  std::vector<std::string> items;
  for (short font : sBand.fonts) {
    std::string name;
    if (!KxFontFamilyName(font, name) || name.empty()) KxFontPostScriptName(font, name);
    if (name.empty()) name = std::to_string(font);
    items.push_back(KxUTF8ToScriptText(name));
  }
  popup->SetItems(std::move(items));
  const auto at = std::find(sBand.fonts.begin(), sBand.fonts.end(), current);
  KxSetControlQuietly(popup, std::int32_t(at - sBand.fonts.begin()) + 1);
}

void FillColours(LWindow* dialog, const RGBColor& colour) {
  LStdPopupMenu* popup = Popup(dialog, kColour);
  if (!popup) return;
  std::vector<std::string> items = popup->GetItems();
  items.resize(std::min<std::size_t>(items.size(), kTableColours));
  const short type = KxGetRGBColorType(colour);
  std::int32_t value = type >= 0 && type < kTableColours ? type + 1 : 0;
  if (value == 0) {
    // A colour of no item: an item of its own keeps it.
    sBand.otherColour = colour;
    items.push_back(KxUTF8ToScriptText("その他"));
    value = std::int32_t(items.size());
  }
  popup->SetItems(std::move(items));
  KxSetControlQuietly(popup, value);
}

RGBColor ChosenColour(LWindow* dialog) {
  const LControl* popup = Control(dialog, kColour);
  const std::int32_t item = popup ? popup->GetValue() : 1;
  RGBColor rgb{};
  if (item >= 1 && item <= kTableColours)
    KxGetRGBColor(item - 1, rgb);
  else
    rgb = sBand.otherColour;
  return rgb;
}

void SetSize(LWindow* dialog, short size) {
  if (KXEditField* f = Field(dialog, kSizeField)) {
    const std::string text = std::to_string(size);
    sBand.filling = true;
    f->SetText(text.data(), text.size());
    sBand.filling = false;
  }
  if (LStdPopupMenu* popup = Popup(dialog, kSizePopup)) {
    const std::vector<std::string>& items = popup->GetItems();
    std::int32_t value = 0;
    for (std::size_t k = 0; k < items.size() && value == 0; ++k)
      if (items[k] == std::to_string(size)) value = std::int32_t(k + 1);
    popup->SetMinValue(0);
    KxSetControlQuietly(popup, value);
  }
}

short Size(LWindow* dialog) {
  const KXEditField* f = Field(dialog, kSizeField);
  const std::int32_t size = f ? KXEditField::ParseValue100(f->GetText()) / 100 : 0;
  return size >= 1 ? short(std::min<std::int32_t>(size, kLargestSize)) : kShownWithoutSize;
}

void SetFaces(LWindow* dialog, std::uint8_t face) {
  KxSetControlQuietly(Control(dialog, kPlain), face == 0 ? 1 : 0);
  for (PaneIDT id = kFirstFace; id <= kLastFace; ++id)
    KxSetControlQuietly(Control(dialog, id), (face >> (id - kFirstFace)) & 1);
}

std::uint8_t Faces(LWindow* dialog) {
  std::uint8_t face = 0;
  for (PaneIDT id = kFirstFace; id <= kLastFace; ++id)
    if (const LControl* c = Control(dialog, id); c && c->GetValue() != 0) face |= std::uint8_t(1 << (id - kFirstFace));
  return face;
}

// The entries, a separator, then clear and Return; value 0.
void FillHistory(LWindow* dialog) {
  LStdPopupMenu* popup = Popup(dialog, kHistory);
  if (!popup) return;
  const std::vector<std::string>& old = popup->GetItems();
  // The fixed items are the last of the list; on opening, the layout's
  // three lose their last.
  const std::size_t fixed = std::min(kBandHistoryItems, old.size());
  std::vector<std::string> items;
  const int n = UHeadFootMenu::CountHistHandle(History());
  for (int i = 1; i <= n; ++i) {
    SHFHist head;
    Str255 text{};
    if (UHeadFootMenu::GetHistString(static_cast<unsigned short>(i), History(), head, text))
      items.emplace_back(reinterpret_cast<const char*>(text + 1), text[0]);
  }
  if (n > 0) items.push_back("-");
  items.insert(items.end(), old.end() - std::ptrdiff_t(fixed), old.end());
  popup->SetItems(std::move(items));
  popup->SetMinValue(0);
  KxSetControlQuietly(popup, 0);
}

// Puts `bytes` at the text field's insertion point (over its selection).
void InsertIntoText(LWindow* dialog, const std::string& bytes) {
  KXEditField* f = Field(dialog, kText);
  if (!f) return;
  const std::string old = f->GetText();
  const std::size_t from = std::min(f->GetSelStart(), old.size()), to = std::clamp(f->GetSelEnd(), from, old.size());
  const std::string now = old.substr(0, from) + bytes + old.substr(to);
  f->SetText(now.data(), now.size());
  f->SetSelection(from + bytes.size(), from + bytes.size());
}

// Every pane from a band's settings.
void ShowBand(LWindow* dialog, std::int32_t distance, const std::string& text, const SStyl& style,
              std::uint8_t alignment, std::uint8_t dateFormat, std::uint8_t timeFormat) {
  SetDistance(dialog, KxShownBandDistance(distance, sBand.room));
  if (KXEditField* f = Field(dialog, kText)) {
    sBand.filling = true;
    f->SetText(text.data(), text.size());
    f->SelectAll();
    sBand.filling = false;
  }
  KxSetControlQuietly(Control(dialog, kDateFormat), dateFormat + 1);
  KxSetControlQuietly(Control(dialog, kTimeFormat), timeFormat + 1);
  KxSetControlQuietly(Control(dialog, kAlignment), std::min<std::int32_t>(alignment, kAlignmentItems - 1) + 1);
  FillFonts(dialog, style.font);
  SetSize(dialog, style.size > 0 ? style.size : kShownWithoutSize);
  FillColours(dialog, style.color);
  SetFaces(dialog, style.face);
}

void ChooseHistory(LWindow* dialog) {
  LControl* popup = Control(dialog, kHistory);
  if (!popup) return;
  const int item = popup->GetValue();
  const int n = UHeadFootMenu::CountHistHandle(History());
  switch (KxHistoryPopupChoice(item, n)) {
    case KxHistoryChoice::kNothing: return;
    case KxHistoryChoice::kEntry: {
      SHFHist head;
      Str255 text{};
      if (!UHeadFootMenu::GetHistString(static_cast<unsigned short>(item), History(), head, text)) break;
      SStyl style{};
      KxGetStylFlat(head.styl, style, true);
      ShowBand(dialog, head.distance, std::string(reinterpret_cast<const char*>(text + 1), text[0]), style,
               head.alignment, head.dateFormat, head.timeFormat);
      UHeadFootMenu::AdjustHistHandle(short(item), History());
      break;
    }
    case KxHistoryChoice::kClear:
      UHeadFootMenu::DeleteHistHandle(1, History());
      gPrefModify = true;
      break;
    case KxHistoryChoice::kTab:
    case KxHistoryChoice::kReturn: InsertIntoText(dialog, "\r"); break;
  }
  FillHistory(dialog);
}

// ---- OK ----------------------------------------------------------------------------------------------

// A band as the dialog's panes have it.
struct BandValues {
  short distance = 0;
  std::string text;
  SStyl style{};
  std::uint8_t alignment = 0, dateFormat = 0, timeFormat = 0;

  bool operator==(const BandValues& o) const {
    return distance == o.distance && text == o.text && style.font == o.style.font && style.size == o.style.size &&
           style.face == o.style.face && style.color.red == o.style.color.red &&
           style.color.green == o.style.color.green && style.color.blue == o.style.color.blue &&
           alignment == o.alignment && dateFormat == o.dateFormat && timeFormat == o.timeFormat;
  }
};

// The panes as the dialog showed them first.
BandValues sShownBand;

BandValues ReadBand(CKXTextEngine& engine, LWindow* dialog) {
  BandValues v;
  // The style's fields the dialog does not show stay as the band has them.
  short distance = 0;
  std::uint8_t length = 0, alignment = 0, dateFormat = 0, timeFormat = 0;
  (sBand.footer ? KXTE_GetFooterStyle : KXTE_GetHeaderStyle)(engine.GetEdit(), distance, nullptr, length, v.style,
                                                             alignment, dateFormat, timeFormat);
  // Read as the dialog shows it: a band at distance 0 would sit on the text.
  v.distance = short(KxShownBandDistance(Distance(dialog), sBand.room));
  const KXEditField* f = Field(dialog, kText);
  v.text = KxCutBandText(f ? f->GetText() : std::string());
  if (const LControl* c = Control(dialog, kFont); c && c->GetValue() >= 1 && std::size_t(c->GetValue()) <= sBand.fonts.size())
    v.style.font = sBand.fonts[std::size_t(c->GetValue() - 1)];
  v.style.size = Size(dialog);
  v.style.face = Faces(dialog);
  v.style.color = ChosenColour(dialog);
  auto option = [dialog](PaneIDT id, std::int32_t items) {
    const LControl* c = Control(dialog, id);
    return std::uint8_t(std::clamp<std::int32_t>(c ? c->GetValue() - 1 : 0, 0, items - 1));
  };
  v.alignment = option(kAlignment, kAlignmentItems);
  v.dateFormat = option(kDateFormat, 255);
  v.timeFormat = option(kTimeFormat, 255);
  return v;
}

void Apply(CKXTextDocument& doc, const BandValues& v) {
  (sBand.footer ? KXTE_SetFooterStyle : KXTE_SetHeaderStyle)(doc.GetEngine()->GetEdit(), v.distance, v.text.data(),
                                                             std::uint8_t(v.text.size()), v.style, v.alignment,
                                                             v.dateFormat, v.timeFormat);
  if (!v.text.empty()) {
    SHFHist head;
    head.distance = v.distance;
    KxPutStylFlat(head.styl, v.style, true);
    head.alignment = v.alignment;
    head.dateFormat = v.dateFormat;
    head.timeFormat = v.timeFormat;
    head.length = std::uint8_t(v.text.size());
    Str255 p{};
    p[0] = std::uint8_t(v.text.size());
    std::memcpy(p + 1, v.text.data(), v.text.size());
    UHeadFootMenu::InsertHistHandle(head, p, History());
    gPrefModify = true;
  }
}

bool BandDialogMessage(CKXTextDocument& doc, MessageT message, LWindow* dialog) {
  if (sBand.filling) return true;
  switch (message) {
    case -kCancel: doc.CloseDocDialog(dialog); return true;
    case -kDistance: {
      const std::int32_t typed = Distance(dialog);
      const std::int32_t held = KxLimitBandDistance(typed, sBand.room);
      if (held != typed) SetDistance(dialog, held);
      return true;
    }
    case -kPlaceholder: {
      LControl* popup = Control(dialog, kPlaceholder);
      const std::int32_t item = popup ? popup->GetValue() : 0;
      if (item >= 1 && item <= std::int32_t(std::size(kPlaceholders))) InsertIntoText(dialog, kPlaceholders[item - 1]);
      KxSetControlQuietly(popup, 0);
      return true;
    }
    case -kSizePopup: {
      const LStdPopupMenu* popup = Popup(dialog, kSizePopup);
      const std::int32_t item = popup ? popup->GetValue() : 0;
      if (item >= 1 && std::size_t(item) <= popup->GetItems().size())
        if (const std::int32_t size = KXEditField::ParseValue100(popup->GetItems()[std::size_t(item - 1)]) / 100; size > 0)
          SetSize(dialog, short(size));
      return true;
    }
    case -kAlignment:
      // The disabled fourth item is never a choice.
      if (LControl* c = Control(dialog, kAlignment); c && c->GetValue() > kAlignmentItems) KxSetControlQuietly(c, 1);
      return true;
    case -kPlain:
      if (const LControl* c = Control(dialog, kPlain); c && c->GetValue() != 0) SetFaces(dialog, 0);
      else KxSetControlQuietly(Control(dialog, kPlain), Faces(dialog) == 0 ? 1 : 0);
      return true;
    case -kHistory: ChooseHistory(dialog); return true;
    case -kOK: break;
    default:
      if (message <= -kFirstFace && message >= -kLastFace) {
        // Condensed and extended exclude each other.
        const PaneIDT id = PaneIDT(-message);
        const LControl* c = Control(dialog, id);
        if (c && c->GetValue() != 0 && (id == kCondense || id == kExtend))
          KxSetControlQuietly(Control(dialog, id == kCondense ? kExtend : kCondense), 0);
        KxSetControlQuietly(Control(dialog, kPlain), Faces(dialog) == 0 ? 1 : 0);
      }
      return true;
  }
  CKXTextEngine& engine = *doc.GetEngine();
  const BandValues values = ReadBand(engine, dialog);
  doc.CloseDocDialog(dialog);
  // OK with the panes as they were shown changes nothing, as Cancel.
  if (values == sShownBand) return true;
  Apply(doc, values);
  engine.SetTextChanged(true);
  if (KXTE_GetPaperView(engine.GetEdit()))
    if (CKXTextView* view = doc.CurrentTextView()) view->Refresh();
  return true;
}

}  // namespace

std::int32_t KxBandLeastDistance() {
  return std::int32_t(CKXTextFormUtil::UnitToPoints(kLeastTenthsOfMm, kTenthsOfMm));
}

std::int32_t KxBandRoom(std::int32_t pageMargin, const Rect& hardMargins) {
  const std::int32_t hard = std::min(hardMargins.top, hardMargins.bottom);
  return std::max(KxBandLeastDistance(), pageMargin - hard);
}

std::int32_t KxLimitBandDistance(std::int32_t distance, std::int32_t room) {
  if (distance < 0) return KxBandLeastDistance();
  return std::min(distance, room);
}

std::int32_t KxShownBandDistance(std::int32_t stored, std::int32_t room) {
  return std::min(stored > 0 ? stored : KxBandLeastDistance(), room);
}

std::string KxCutBandText(const std::string& text) {
  const std::size_t n =
      KxCutToCharBoundary(reinterpret_cast<const unsigned char*>(text.data()), text.size(), kKxBandTextMax);
  return text.substr(0, n);
}

void CKXTextDocument::OpenBandDialog(bool footer) {
  const ResIDT layout = footer ? kFooterDialog : kHeaderDialog;
  if (FindDocDialog(layout)) return;
  sBand = BandDialog{};
  sBand.footer = footer;
  sBand.room = Room(*mEngine, footer);
  LWindow* dialog = OpenDocDialog(layout, &BandDialogMessage);
  if (!dialog) return;
  const KXEditHandle edit = mEngine->GetEdit();
  short distance = 0;
  std::uint8_t length = 0, alignment = 0, dateFormat = 0, timeFormat = 0;
  char text[kKxBandTextMax + 1] = {};
  SStyl style{};
  (footer ? KXTE_GetFooterStyle : KXTE_GetHeaderStyle)(edit, distance, text, length, style, alignment, dateFormat,
                                                       timeFormat);
  if (LStdPopupMenu* history = Popup(dialog, kHistory)) {
    std::vector<std::string> items = history->GetItems();
    if (items.size() >= kLayoutHistoryItems) items.pop_back();
    history->SetItems(std::move(items));
  }
  FillHistory(dialog);
  if (LStdPopupMenu* placeholder = Popup(dialog, kPlaceholder)) {
    placeholder->SetMinValue(0);
    KxSetControlQuietly(placeholder, 0);
  }
  if (LStdPopupMenu* popup = Popup(dialog, kAlignment)) popup->SetItemEnabled(kAlignmentItems, false);
  ShowBand(dialog, distance, std::string(text, length), style, alignment, dateFormat, timeFormat);
  sShownBand = ReadBand(*mEngine, dialog);
  // A band with text stored at a distance that is not positive shows as the
  // least one; OK then stores that one. An empty band draws nothing, so an
  // untouched OK leaves it alone.
  if (distance <= 0 && length > 0) sShownBand.distance = distance;
  const short unit = Unit();
  if (unit > 0)
    if (LPane* label = dialog->FindPaneByID(kUnitLabel)) {
      Str255 s;
      GetIndString(s, kUnitLabels, unit == 1 ? kInchLabel : kPointLabel);
      label->SetDescriptor(s);
    }
  KxFocusDialogField(dialog, kText);
}
