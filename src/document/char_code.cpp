#include "document/char_code.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "app/app_commands.h"
#include "document/text_doc.h"
#include "engine/text_engine.h"
#include "layout/draw_toolkit.h"
#include "platform/draw/color.h"
#include "platform/draw/port.h"
#include "platform/fonts.h"
#include "platform/fonts_port.h"
#include "platform/framework/control.h"
#include "platform/framework/events.h"
#include "platform/host/host.h"
#include "platform/keys.h"
#include "platform/script.h"
#include "platform/textconv.h"
#include "text/base/geometry.h"
#include "text/codes/script.h"
#include "text/codes/unicode.h"
#include "views/text_view.h"
#include "views/window_fit.h"

CKXTextCharCode* CKXTextCharCode::sCharCode = nullptr;
Rect CKXTextCharCode::sBounds{0, 0, 0, 0};

namespace {

constexpr int kCodes = 256;
// Codes that act as keys rather than characters.
constexpr std::uint8_t kCodeDelete = 8, kCodeTab = 9, kCodeReturn = 13, kCodeDEL = 127;
// The control codes that stay enabled without Option (the command-key
// symbols of the system font live at 17-20).
constexpr std::uint8_t kFirstSymbol = 17, kLastSymbol = 20;
// Japanese fonts: the lead bytes of double-byte characters, and 160.
constexpr std::uint8_t kJapaneseLeadLow1 = 129, kJapaneseLeadHigh1 = 160;
constexpr std::uint8_t kJapaneseLeadLow2 = 224, kJapaneseLeadHigh2 = 252;
// The scripts of the other double-byte sets, and the widest span of lead
// bytes their encodings use (Big5, EUC-KR and its extension, GB2312 and GBK).
constexpr short kScriptTradChinese = 2, kScriptKorean = 3, kScriptSimpChinese = 25;
constexpr int kWideLeadLow = 0x81, kWideLeadHigh = 0xFE;
// Codes from here on mean different characters in different scripts.
constexpr std::uint8_t kFirstHighCode = 0x80;
// The most UTF-16 units one code of a table becomes, and the unit of a
// code that has no character.
constexpr long kMostUnits = 4;
constexpr char16_t kReplacementCharacter = 0xFFFD;
// The net pattern that greys a disabled cell.
constexpr int kDisabledNet = 4;
// Room around the widest character and the line height in a cell.
constexpr std::int32_t kCellPadding = 5;

bool OptionHeld() {
  return KxOptionKeyDown();
}

// The grid draws in its own font; the panes drawn after it expect the
// port's text settings as they were.
class StPortTextSaver {
 public:
  StPortTextSaver() : mSaved(KxCurrentPortText()) {}
  ~StPortTextSaver() { KxCurrentPortText() = mSaved; }
  StPortTextSaver(const StPortTextSaver&) = delete;
  StPortTextSaver& operator=(const StPortTextSaver&) = delete;

 private:
  KxPortText mSaved;
};

bool EmptyRect(const Rect& r) { return r.right <= r.left || r.bottom <= r.top; }

bool Intersects(const Rect& a, const Rect& b) {
  return std::max(a.left, b.left) < std::min(a.right, b.right) && std::max(a.top, b.top) < std::min(a.bottom, b.bottom);
}

std::string Hex2(int c) {
  static const char* const kDigits = "0123456789ABCDEF";
  return std::string{kDigits[c >> 4], kDigits[c & 15]};
}

}  // namespace

// ---- the grid -------------------------------------------------------------------------------------

CKXTextCharView::CKXTextCharView(const KxLayoutPaneRecord& record) : LView(record) {
  mEnabled = EnabledCodes(kScriptRoman, false);
}

std::array<bool, 256> CKXTextCharView::EnabledCodes(short script, bool controls) {
  std::array<bool, 256> on{};
  for (int c = 1; c < kCodes; ++c) on[std::size_t(c)] = true;
  if (!controls)
    for (int c = 1; c < 32; ++c)
      on[std::size_t(c)] = c == kCodeDelete || c == kCodeTab || c == kCodeReturn || (c >= kFirstSymbol && c <= kLastSymbol);
  on[kCodeDEL] = false;
  if (script == kScriptJapanese) {
    for (int c = kJapaneseLeadLow1; c <= kJapaneseLeadHigh1; ++c) on[std::size_t(c)] = false;
    for (int c = kJapaneseLeadLow2; c <= kJapaneseLeadHigh2; ++c) on[std::size_t(c)] = false;
  }
  // Whatever the script, a byte that starts a double-byte character is
  // never typed alone: it would leave half a character in the text. The
  // Chinese and Korean sets (scripts 2, 3, 25) have no tables here: every
  // byte any of their encodings may lead with is held back.
  const std::uint8_t* parse = KxScriptParseTable(script);
  const bool chineseOrKorean = script == kScriptTradChinese || script == kScriptKorean || script == kScriptSimpChinese;
  for (int c = 0; c < kCodes; ++c)
    if (parse[c] || (chineseOrKorean && c >= kWideLeadLow && c <= kWideLeadHigh)) on[std::size_t(c)] = false;
  return on;
}

void CKXTextCharView::InitCharView() {
  StPortTextSaver saver;
  TextFont(mFont);
  TextSize(kGridFontSize);
  TextFace(0);
  KxFontInfo info{};
  GetFontInfo(&info);
  std::int32_t widest = 0;
  for (int c = 32; c < kCodes; ++c) widest = std::max(widest, CharWidth(std::uint8_t(c)));
  const std::int32_t s = std::max(info.ascent + info.descent + info.leading + kCellPadding, widest + kCellPadding);
  mCellSize = std::int16_t(std::clamp<std::int32_t>(s, 8, 64));
  const std::int32_t side = kCells * mCellSize + 1;
  SDimension32 frame{};
  GetFrameSize(frame);
  if (frame.width != side || frame.height != side) {
    ResizeFrameTo(side, side, true);
    ResizeImageTo(side, side, true);
  }
  mEnabled = EnabledCodes(FontToScript(mFont), OptionHeld());
  Refresh();
}

int CKXTextCharView::CodeAt(const SPoint32& local) const {
  RectL f{};
  if (!CalcLocalFrameRect(f) || mCellSize <= 0) return -1;
  const std::int32_t h = local.h - f.left, v = local.v - f.top;
  if (h < 0 || v < 0) return -1;
  const std::int32_t col = h / mCellSize, row = v / mCellSize;
  if (col >= kCells || row >= kCells) return -1;
  return int(col * kCells + row);
}

RectL CKXTextCharView::CellRect(int code) const {
  RectL f{};
  CalcLocalFrameRect(f);
  const std::int32_t x = code / kCells, y = code % kCells, s = mCellSize;
  return RectL{f.top + y * s + 1, f.left + x * s + 1, f.top + y * s + s, f.left + x * s + s};
}

void CKXTextCharView::GetDescriptor(Str255 out) const {
  std::string ranges;
  for (int c = 0; c < kCodes;) {
    if (!mEnabled[std::size_t(c)]) {
      ++c;
      continue;
    }
    int e = c;
    while (e + 1 < kCodes && mEnabled[std::size_t(e + 1)]) ++e;
    const std::string range = e == c ? Hex2(c) : Hex2(c) + "-" + Hex2(e);
    if (ranges.size() + range.size() + 1 > 255) break;
    ranges += (ranges.empty() ? "" : " ") + range;
    c = e + 1;
  }
  out[0] = std::uint8_t(ranges.size());
  std::memcpy(out + 1, ranges.data(), ranges.size());
}

void CKXTextCharView::DrawCell(int code) {
  const RectL c = CellRect(code);
  const Rect r{std::int16_t(c.top), std::int16_t(c.left), std::int16_t(c.bottom), std::int16_t(c.right)};
  RGBForeColor(&UKXColor::sBlackColor);
  RGBBackColor(&UKXColor::sWhiteColor);
  EraseRect(&r);
  if (!mEnabled[std::size_t(code)]) {
    Pattern net{};
    KxGetNetPattern(kDisabledNet, net);
    FillRect(&r, &net);
    return;
  }
  const std::int32_t s = mCellSize;
  const bool symbols = !mEnabled[1];
  if (symbols && (code == kCodeDelete || code == kCodeTab || code == kCodeReturn)) {
    // The key's symbol, drawn as lines: a left arrow, an arrow to a bar,
    // a return arrow.
    const std::int32_t mid = c.top + s / 2, left = c.left + s / 4, right = c.right - s / 4;
    MoveTo(left, mid);
    LineTo(right, mid);
    if (code == kCodeReturn) {
      MoveTo(right, mid);
      LineTo(right, c.top + s / 4);
    }
    const bool pointsLeft = code != kCodeTab;
    const std::int32_t tip = pointsLeft ? left : right, back = pointsLeft ? 3 : -3;
    MoveTo(tip + back, mid - 3);
    LineTo(tip, mid);
    LineTo(tip + back, mid + 3);
    if (code == kCodeTab) {
      MoveTo(right + 1, mid - 3);
      LineTo(right + 1, mid + 3);
    }
    return;
  }
  TextFont(mFont);
  TextSize(kGridFontSize);
  TextFace(0);
  KxFontInfo info{};
  GetFontInfo(&info);
  const std::uint8_t byte = std::uint8_t(code);
  const std::int32_t w = CharWidth(byte);
  const std::int32_t x = (c.left - 1) + (s - w - 1) / 2 + 1;
  const std::int32_t y = (c.top - 1) + info.ascent + (s - (info.ascent + info.descent + info.leading) - 1) / 2 + 1;
  MoveTo(x, y);
  DrawText(&byte, 0, 1);
}

void CKXTextCharView::InvertCell(int code) {
  if (!FocusDraw()) return;
  const RectL c = CellRect(code);
  const Rect r{std::int16_t(c.top), std::int16_t(c.left), std::int16_t(c.bottom), std::int16_t(c.right)};
  InvertRect(&r);
}

void CKXTextCharView::DrawSelf() {
  StPortTextSaver saver;
  RectL f{};
  if (!CalcLocalFrameRect(f)) return;
  const Rect frame{std::int16_t(f.top), std::int16_t(f.left), std::int16_t(f.bottom), std::int16_t(f.right)};
  RGBForeColor(&UKXColor::sBlackColor);
  RGBBackColor(&UKXColor::sWhiteColor);
  PenNormal();
  EraseRect(&frame);
  FrameRect(&frame);
  for (int k = 1; k < kCells; ++k) {
    MoveTo(f.left + k * mCellSize, f.top);
    LineTo(f.left + k * mCellSize, f.bottom - 1);
    MoveTo(f.left, f.top + k * mCellSize);
    LineTo(f.right - 1, f.top + k * mCellSize);
  }
  for (int code = 0; code < kCodes; ++code) DrawCell(code);
}

void CKXTextCharView::ClickSelf(const SMouseDownEvent& event) {
  const int code = CodeAt(event.whereLocal);
  if (code < 0 || !mEnabled[std::size_t(code)]) return;
  LWindow* window = LWindow::FetchWindowOf(this);
  auto localOf = [&](Point global) {
    SPoint32 p = window ? window->GlobalToPortPoint(global) : SPoint32{global.h, global.v};
    PortToLocalPoint(p);
    return p;
  };
  // The cell shows pressed while the mouse is inside it, until the release.
  bool inside = true;
  InvertCell(code);
  Point where = event.macEvent.where;
  KxHost& host = KxCurrentHost();
  for (;;) {
    EventRecord e;
    const bool got = host.WaitNextEvent(e, 1);
    if (host.ShouldStop()) break;
    where = e.where;
    const bool now = CodeAt(localOf(where)) == code;
    if (now != inside) {
      InvertCell(code);
      inside = now;
    }
    if (got && e.what == mouseUp) break;
    if (!got && (e.modifiers & kKxEventButtonState)) break;
  }
  if (inside) InvertCell(code);
  if (!inside) return;
  mLastCode = std::uint8_t(code);
  BroadcastMessage(kKxCharGrid, this);
}

// ---- the window -----------------------------------------------------------------------------------

std::set<CKXTextCharCode*>& CKXTextCharCode::Open() {
  static std::set<CKXTextCharCode*> open;
  return open;
}

CKXTextCharCode::CKXTextCharCode(const KxLayoutPaneRecord& record) : KXDialogBox(record) { Open().insert(this); }

CKXTextCharCode::~CKXTextCharCode() {
  sBounds = GetGlobalBounds();
  Open().erase(this);
  sCharCode = nullptr;
}

void CKXTextCharCode::FinishCreateSelf() {
  KXDialogBox::FinishCreateSelf();
  mView = dynamic_cast<CKXTextCharView*>(FindPaneByID(kKxCharGrid));
  if (mView) mView->AddListener(this);
}

void CKXTextCharCode::DocumentClosing(CKXTextDocument* doc) {
  for (CKXTextCharCode* table : Open()) {
    if (table->mDoc == doc) table->mDoc = nullptr;
    // Left without a super commander it would take no command at all: the
    // document's own super (the application) takes it.
    if (table->GetSuperCommander() == doc) table->SetSuperCommander(doc->GetSuperCommander());
  }
}

void CKXTextCharCode::CloseAll() {
  while (!Open().empty()) (*Open().begin())->DoClose();
}

void CKXTextCharCode::SetTextDoc(CKXTextDocument* doc) {
  const Rect frame = GetGlobalBounds();
  if (EmptyRect(sBounds)) {
    sBounds = frame;
  } else {
    sBounds.right = std::int16_t(sBounds.left + (frame.right - frame.left));
    sBounds.bottom = std::int16_t(sBounds.top + (frame.bottom - frame.top));
  }
  mDoc = doc;
  if (!doc || !mView) return;
  SStyl style{};
  doc->GetEngine()->GetCurStyl(style);
  SDimension32 before{};
  mView->GetFrameSize(before);
  mView->SetFont(KxFontIsKnown(style.font) ? style.font : short(1));
  mView->InitCharView();
  SDimension32 after{};
  mView->GetFrameSize(after);
  // The window grows or shrinks with the grid.
  sBounds.right = std::int16_t(sBounds.right + (after.width - before.width));
  sBounds.bottom = std::int16_t(sBounds.bottom + (after.height - before.height));
  if (auto* caption = dynamic_cast<LCaption*>(FindPaneByID(kKxCharFontName))) {
    std::string name;
    KxFontFamilyName(mView->GetFont(), name);
    Str255 title{};
    const std::string sjis = KxUTF8ToScriptText(name).substr(0, 255);
    title[0] = std::uint8_t(sjis.size());
    std::memcpy(title + 1, sjis.data(), sjis.size());
    caption->SetDescriptor(title);
  }
}

CKXTextCharCode* CKXTextCharCode::ShowCharCode(LCommander* super) {
  auto* table = dynamic_cast<CKXTextCharCode*>(LWindow::CreateWindow(kKxCharCodeLayout, super));
  if (!table) return nullptr;
  sCharCode = table;
  // Too narrow for the menu bar, which it does not need: its keys still
  // reach the application.
  KxCurrentHost().SetWindowModeless(table->GetHostWindow());
  table->SetTextDoc(dynamic_cast<CKXTextDocument*>(super));
  Rect bounds = table->GetGlobalBounds();
  Rect standard{};
  table->CalcStandardBounds(standard);
  if (!EmptyRect(sBounds) && Intersects(sBounds, standard)) {
    bounds = sBounds;
  } else if (!EmptyRect(sBounds)) {
    bounds.right = std::int16_t(bounds.left + (sBounds.right - sBounds.left));
    bounds.bottom = std::int16_t(bounds.top + (sBounds.bottom - sBounds.top));
  }
  // On the screen and clear of the tool palette.
  table->DoSetBounds(KxFitToStandardBounds(*table, bounds));
  table->Show();
  table->Select();
  return table;
}

bool CKXTextCharCode::ObeyCommand(CommandT command, void* param) {
  if (command != kKxCmdClose) return KXDialogBox::ObeyCommand(command, param);
  AttemptClose();
  return true;
}

void CKXTextCharCode::FindCommandStatus(CommandT command, Boolean& enabled, Boolean& usesMark, std::uint16_t& mark,
                                        Str255 name) {
  if (command == kKxCmdClose) enabled = true;
  else KXDialogBox::FindCommandStatus(command, enabled, usesMark, mark, name);
}

void CKXTextCharCode::ListenToMessage(MessageT message, void* param) {
  if (message != kKxCharGrid) {
    KXDialogBox::ListenToMessage(message, param);
    return;
  }
  if (!mDoc || !mView) return;
  CKXTextEngine* engine = mDoc->GetEngine();
  if (!engine || !engine->IsEditable()) {
    KxCurrentHost().Beep();
    return;
  }
  if (LWindow* w = mDoc->GetWindow()) w->UpdatePort();
  const std::uint8_t code = mView->GetLastCode();
  SStyl here{};
  engine->GetCurStyl(here);
  const short script = FontToScript(mView->GetFont());
  if (code == kCodeDelete || code == kCodeTab || code == kCodeReturn) {
    engine->DoKey(code, 0);
  } else if (code < kFirstHighCode || KxFontToScriptType(here.font) == script) {
    const char byte = char(code);
    engine->DoString(&byte, 1);
  } else {
    // The caret has moved into text of another script since the table
    // opened: the code would be another character there, or half of one.
    // The character the cell shows goes in as typed text does; one the
    // table's script has none for is refused.
    char16_t units[kMostUnits] = {};
    long count = kMostUnits;
    CKXTextView* view = mDoc->CurrentTextView();
    if (!view || !UKXUnicode::ConvertFromChar(script, code, units, count) || count <= 0 ||
        std::find(units, units + count, kReplacementCharacter) != units + count) {
      KxCurrentHost().Beep();
      return;
    }
    view->InputMethodCommit(KxUTF16ToUTF8(std::u16string(units, std::size_t(count))));
  }
  if (LWindow* w = mDoc->GetWindow()) w->UpdatePort();
}
