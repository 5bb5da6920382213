// The document's settings records as the document stands: gathered from the
// engine and the window when saving (and for another document to take its
// styles), and given back to them when a file is read.
#include <algorithm>
#include <cstdlib>

#include "document/text_doc.h"
#include "engine/text_engine.h"
#include "layout/kxte_api.h"
#include "layout/text_edit_ex.h"
#include "platform/clock.h"
#include "platform/fonts.h"
#include "platform/framework/window.h"
#include "platform/longrect.h"
#include "views/text_colm_view.h"

namespace {

// A stored scroll position this close to the shown one is not worth a jump.
constexpr long kScrollSlack = 17;
constexpr std::int64_t kSecondsPerDay = 86400;

RectL LongRect(const Rect& r) { return RectL{r.top, r.left, r.bottom, r.right}; }

// Seconds since 1970 of the program's clock, local time.
std::uint32_t SaveTime() {
  const DateTimeRec t = KxCurrentClock().LocalTime();
  const std::int64_t s = KxDaysFromCivil(t.year, t.month, t.day) * kSecondsPerDay + t.hour * 3600 + t.minute * 60 +
                         t.second;
  return std::uint32_t(std::clamp<std::int64_t>(s, 0, 0xFFFFFFFF));
}

SKXBandSettings GetBand(KXEditHandle e, bool footer, std::string& text) {
  SKXBandSettings band;
  char bytes[256] = {};
  std::uint8_t length = 0;
  (footer ? KXTE_GetFooterStyle : KXTE_GetHeaderStyle)(e, band.bandHeight, bytes, length, band.style, band.alignment,
                                                       band.dateFormat, band.timeFormat);
  text.assign(bytes, length);
  return band;
}

void SetBand(KXEditHandle e, bool footer, const SKXHdFtBlock& block, const std::string& text) {
  const SKXBandSettings band = KxBandFromBlock(block);
  const std::size_t n = std::min<std::size_t>(text.size(), 255);
  (footer ? KXTE_SetFooterStyle : KXTE_SetHeaderStyle)(e, band.bandHeight, text.data(), std::uint8_t(n), band.style,
                                                       band.alignment, band.dateFormat, band.timeFormat);
}

}  // namespace

long CKXTextDocument::TopLeftOffset() const {
  const KXEditHandle e = mEngine->GetEdit();
  RectL view{};
  KXTE_GetViewRect(e, view);
  // Vertical lines start at the right.
  const bool vertical = KXTE_GetVertical(e) != 0;
  return KXTE_GetOffset(e, PointL{view.top, vertical ? view.right - 1 : view.left});
}

void CKXTextDocument::TakeSettings(SKXDocSettings& s) const {
  // What the engine does not keep (the mark list's place, the keyboard
  // language) stays as it was read.
  s = mSettings;
  const KXEditHandle e = mEngine->GetEdit();
  SKXLineStyl line{};
  SKXEditStyl edit{};
  SKXPageStyl page{};
  KXTE_GetLineStyl(e, line);
  KXTE_GetEditStyl(e, edit);
  KXTE_GetPageStyl(e, page);

  SKXWindowRec& w = s.window;
  s.hasWindow = true;
  w.fontSize = edit.size;
  // A font this machine lacks keeps its name (and its measure) for the
  // machines that have it, while the text shows the stand-in.
  if (mFontStandIn < 0 || edit.font != mFontStandIn) {
    std::string family;
    w.fontName = KxFontFamilyName(edit.font, family) ? family.substr(0, 31) : std::string();
    w.spaceWidth = KxPinShort(KxFontCharWidth(edit.font, edit.size, 0, ' '));
  }
  w.tabWidth = edit.tabWidth;
  w.stdState = Rect{};
  w.bounds = Rect{};
  if (const LWindow* window = mPanes.window) {
    w.bounds = window->GetGlobalBounds();
    window->CalcStandardBounds(w.stdState);
  }
  w.saveTime = SaveTime();
  const SKXRange sel = mEngine->GetSelectionRange();
  w.selStart = std::uint32_t(sel.start);
  w.selEnd = std::uint32_t(long(sel.start) + sel.length);
  w.topLeft = std::uint32_t(std::max(0L, TopLeftOffset()));
  w.autoIndent = edit.autoIndent;
  w.controlView = line.controlView;

  SDocPref& p = s.pref;
  s.hasPref = true;
  p.lineSpace = line.lineSpace;
  p.charSpace = line.charSpace;
  p.mode = line.mode;
  p.justify = line.justify;
  p.wrap = line.wrap;
  p.wordWrap = line.wordWrap;
  p.paperView = edit.paperView;
  p.guideView = edit.guideView;
  p.paperV = KxPinShort(page.paperHeight);
  p.paperH = KxPinShort(page.paperWidth);
  KxSetRect(p.textArea, page.textArea);
  KxSetRect(p.printArea, page.printArea);
  p.columns = page.columns;
  p.gap = page.gap;
  p.firstPage = page.pageOffset;
  p.keyScript = mEngine->GetScriptType();
  p.vertical = line.vertical;
  p.viewFlags = KxViewModeToStoredFlags(GetViewMode());
  const short scale = KXTE_GetEditScale(e);
  p.scale = scale == 100 ? 0 : scale;
  p.header = KxBandToBlock(GetBand(e, false, p.headerText), p.headerText.size());
  p.footer = KxBandToBlock(GetBand(e, true, p.footerText), p.footerText.size());

  TakeMarks(s);
  TakeFormSettings(s);
  std::vector<char> restarts(std::size_t(mEngine->GetLnReStartDataSize()));
  const long got = mEngine->GetLnReStartData(restarts.data(), long(restarts.size()));
  s.lineRestarts = KxRestartsFromData(restarts.data(), got);
  s.printRecord = mStoredPrintRecord.size() == std::size_t(kKxMTPRSize) ? mStoredPrintRecord : std::vector<std::uint8_t>();
}

void CKXTextDocument::ApplyStyles(const SKXDocSettings& s) {
  const KXEditHandle e = mEngine->GetEdit();
  // The page is stored in the frame of its writing (turned for vertical
  // writing), so the writing goes first; the engine's own switch turns the
  // text margins with it.
  if (s.hasPref) mEngine->SetVertical(s.pref.vertical != 0);
  SKXLineStyl line{};
  SKXEditStyl edit{};
  KXTE_GetLineStyl(e, line);
  KXTE_GetEditStyl(e, edit);
  mFontStandIn = -1;
  if (s.hasWindow) {
    const SKXWindowRec& w = s.window;
    short font = 0;
    // A font this machine does not have: the text keeps the one it has.
    if (!w.fontName.empty() && KxFontNumberFromName(w.fontName, font))
      edit.font = font;
    else if (!w.fontName.empty())
      mFontStandIn = edit.font;
    if (w.fontSize > 0) edit.size = w.fontSize;
    if (w.tabWidth > 0) edit.tabWidth = w.tabWidth;
    edit.autoIndent = w.autoIndent != 0;
    line.controlView = w.controlView != 0;
  }
  SKXPageStyl page{};
  KXTE_GetPageStyl(e, page);
  if (s.hasPref) {
    const SDocPref& p = s.pref;
    line.lineSpace = p.lineSpace;
    line.charSpace = p.charSpace;
    line.mode = p.mode <= kKxMaxLineBreakMode ? p.mode : 0;
    line.justify = p.justify <= kKxMaxJustification ? p.justify : 0;
    line.wrap = p.wrap != 0;
    line.wordWrap = p.wordWrap != 0;
    edit.paperView = p.paperView != 0;
    edit.guideView = p.guideView != 0;
    PageFromPref(p, page);
  }
  // A file with no records of its own (RTF, a picture) keeps the styles
  // the document started with.
  if (s.hasWindow || s.hasPref) mEngine->SetStartup(line, edit, s.hasPref ? &page : nullptr, nullptr);
  if (s.hasPref) {
    if (s.pref.scale != KXTE_GetEditScale(e)) mEngine->SetEditScale(s.pref.scale);
    SetBand(e, false, s.pref.header, s.pref.headerText);
    SetBand(e, true, s.pref.footer, s.pref.footerText);
  }
  const std::vector<char> restarts = KxRestartsToData(s.lineRestarts);
  mEngine->SetLnReStartData(restarts.data(), long(restarts.size()));
}

void CKXTextDocument::PageFromPref(const SDocPref& p, SKXPageStyl& page) {
  page.paperHeight = p.paperV;
  page.paperWidth = p.paperH;
  page.textArea = LongRect(p.textArea);
  page.printArea = LongRect(p.printArea);
  page.columns = p.columns;
  page.gap = p.gap;
  page.pageOffset = p.firstPage;
}

void CKXTextDocument::ApplyWindowSettings(const SKXDocSettings& s) {
  ApplyFormSettings(s);
  if (s.hasPref) ViewModeWindow(KxStoredViewFlagsToMode(s.pref.viewFlags), true);
  // The window follows the text's writing (the record's, or its form's).
  const bool vertical = KXTE_GetVertical(mEngine->GetEdit()) != 0;
  if (vertical != mVerticalWindow) VerticalWindow(vertical, true);
}

void CKXTextDocument::RestoreScroll() {
  const long offset = mPendingTopLeft;
  mPendingTopLeft = -1;
  if (offset < 0) return;
  const KXEditHandle e = mEngine->GetEdit();
  RectL view{};
  KXTE_GetViewRect(e, view);
  // An offset's point is its line's top-left; in vertical writing the top
  // right of its column, which goes to the view's right edge.
  const PointL at = KXTE_GetPoint(e, offset);
  const bool vertical = KXTE_GetVertical(e) != 0;
  const long dh = vertical ? long(at.h) - view.right : 0;
  const long dv = vertical ? 0 : long(at.v) - view.top;
  if (std::labs(dh) >= kScrollSlack || std::labs(dv) >= kScrollSlack) mEngine->ScrollViewBy(dh, dv);
  if (CKXTextColmView* ruler = GetColmView()) ruler->FixView();
}

void CKXTextDocument::TakeDocumentStyles(const CKXTextDocument& source) {
  SKXDocSettings theirs, mine;
  source.TakeSettings(theirs);
  TakeSettings(mine);
  const SKXRange all = mEngine->GetTotalRange();
  std::vector<std::uint8_t> text(std::size_t(all.length) + 1, 0);
  mEngine->TextGetThruPtr(all, reinterpret_cast<char*>(text.data()), all.length);
  SetDocumentStyles(mine, theirs, text.data(), all.length, mEngine->GetScriptType());
  ApplyStyles(mine);
  ApplyWindowSettings(mine);
  mSettings.pref = mine.pref;
  mSettings.hasPref = mine.hasPref;
  for (CKXTextView* v : mPanes.view)
    if (v && v->GetTextEngine()) {
      v->FixImage();
      v->FixView();
    }
  if (mPanes.window) mPanes.window->Refresh();
}
