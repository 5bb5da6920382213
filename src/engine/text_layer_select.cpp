// The layer's services around the selection: word, paragraph and line
// ranges, jumps, ruby, the paragraph transforms and line duplication, the
// line-number restart list and the fonts that follow the keyboard script.
#include <algorithm>
#include <utility>
#include <vector>

#include "engine/text_layer_run.h"
#include "text/store/transform.h"

using kxlayer::RunAction;
using kxlayer::TextOwner;

namespace {
// A ruby may be set on a selection of up to this many bytes.
constexpr long kMaxRubyBase = 127;
// Restarts begin at line 2 (line 1 starts the numbering anyway).
constexpr long kFirstRestart = 2;
// Bytes per stored restart entry.
constexpr long kRestartBytes = 4;
// Result word of a typing-style change.
constexpr std::uint16_t kResultStyle = 0x0020;
// Bytes read at a time when counting paragraphs.
constexpr long kCountChunk = 1 << 16;
}  // namespace

// ---- ranges ------------------------------------------------------------------------------------------

SKXRange CKXTextLayer::GetWordSelectionRange(long offset) const {
  long s = offset, e = offset;
  KXText_Get1WordPos(mEdit, std::clamp(offset, 0L, long(GetTotalRange().length)), s, e);
  return CropRange({std::int32_t(s), std::int32_t(std::max(0L, e - s))});
}

SKXRange CKXTextLayer::GetParagSelectionRange(const SKXRange& range) const {
  const SKXRange r = CropRange(range);
  long s = 0, e = 0, s2 = 0, e2 = 0;
  KXText_Get1ParaPos(mEdit, r.start, s, e);
  // A range that ends right after a CR does not reach into the next paragraph.
  const long last = r.length > 0 ? long(r.start) + r.length - 1 : r.start;
  KXText_Get1ParaPos(mEdit, last, s2, e2);
  return CropRange({std::int32_t(s), std::int32_t(std::max(e, e2) - s)});
}

SKXRange CKXTextLayer::GetLineSelectionRange(long line) const {
  long s = 0, e = 0;
  KXTE_Get1LinePos(mEdit, KXTE_GetLineOffset(mEdit, line), s, e);
  return CropRange({std::int32_t(s), std::int32_t(std::max(0L, e - s))});
}

SKXRange CKXTextLayer::GetMarkRange(long n) const {
  long s = 0, e = 0;
  KXTE_GetMarkRange(mEdit, n, s, e);
  return CropRange({std::int32_t(s), std::int32_t(std::max(0L, e - s))});
}

void CKXTextLayer::InsertMark(const SKXRange& range, const unsigned char* name) {
  const SKXRange r = CropRange(range);
  KXTE_InsertMark(mEdit, r.start, long(r.start) + r.length, name);
}

void CKXTextLayer::SetCurSelection(const SKXRange& range, bool backwards) {
  SetBeforeRange(GetSelectionRange());
  const SKXRange r = CropRange(range);
  const long start = r.start, end = long(r.start) + r.length;
  Focus();
  std::uint16_t result = backwards ? KXTE_SetSelect(mEdit, end, start) : KXTE_SetSelect(mEdit, start, end);
  result |= KXTE_SetSelView(mEdit, 1);
  TextEditResult(result);
}

void CKXTextLayer::DoSelection(const SKXRange& range, bool backwards) {
  Command command(*this);
  SetCurSelection(range, backwards);
  CompleteTyping();
}

void CKXTextLayer::SetCurLine(long line, short offset) {
  SetBeforeRange(GetSelectionRange());
  const long count = KXTE_GetLineCount(mEdit);
  if (line == 0) line = 1;
  if (line < 0 || line > count) line = count;
  const long caret = std::clamp(KXTE_GetLineOffset(mEdit, line) + offset, 0L, long(GetTotalRange().length));
  Focus();
  std::uint16_t result = KXTE_SetSelect(mEdit, caret, caret);
  result |= KXTE_SetSelView(mEdit, 1);
  TextEditResult(result);
}

void CKXTextLayer::DoJump(long line, short offset) {
  Command command(*this);
  SetCurLine(line, offset);
  CompleteTyping();
}

// ---- ruby -----------------------------------------------------------------------------------------------

bool CKXTextLayer::GetCurRuby(SKXRange& range, char* text, long& len) const {
  const SKXRange sel = GetSelectionRange();
  long from = sel.start, to = long(sel.start) + sel.length;
  unsigned char buf[kKxRubyMaxText + 2] = {};
  long n = 0;
  if (!KXText_GetRuby(mEdit, from, to, buf, n)) return false;
  n = std::clamp(n, 0L, kKxRubyMaxText);
  if (text) std::copy(buf, buf + n, text);
  len = n;
  range = {std::int32_t(from), std::int32_t(std::max(0L, to - from))};
  return true;
}

bool CKXTextLayer::CheckCurRuby() const {
  const SKXRange sel = GetSelectionRange();
  if (KXText_IsRubyExist(mEdit, sel.start, long(sel.start) + sel.length)) return true;
  // A caret inside a ruby's base stands on that ruby: the ruby dialog edits it.
  SKXRange ruby{};
  long rubyLen = 0;
  if (sel.length == 0 && GetCurRuby(ruby, nullptr, rubyLen)) return true;
  if (sel.length < 1 || sel.length > kMaxRubyBase) return false;
  char bytes[kMaxRubyBase];
  const long n = TextGetThruPtr(sel, bytes, kMaxRubyBase);
  return std::none_of(bytes, bytes + n, [](char c) { return static_cast<unsigned char>(c) < 32; });
}

void CKXTextLayer::DoSetRuby(const SKXRange& range, const char* text, long len) {
  Command command(*this);
  SetSelectionRange(range, false);
  std::uint16_t result = 0;
  RunAction(*this, kxlayer::kActRuby, 0, [&](CKXTextAction&) {
    result = KXTE_SetTextRuby(mEdit, reinterpret_cast<const unsigned char*>(text), len);
  });
  TextEditResult(result);
}

long CKXTextLayer::GetParagraphCount(const SKXRange& range) const {
  const SKXRange r = CropRange(range);
  // Read in pieces: a count over a large text needs no copy of it.
  std::vector<char> buf(std::size_t(std::min<long>(kCountChunk, std::max(1, r.length))));
  long count = 0;
  for (long at = r.start, end = long(r.start) + r.length; at < end;) {
    const long n = std::min<long>(long(buf.size()), end - at);
    const long got = TextGetThruPtr({std::int32_t(at), std::int32_t(n)}, buf.data(), n);
    if (got <= 0) break;
    count += std::count(buf.begin(), buf.begin() + got, char(kxlayer::kCR));
    at += got;
  }
  return count;
}

// ---- transforms ------------------------------------------------------------------------------------------

namespace {

// Where offset p of the text went when `range` was converted into
// `newLength` bytes, the converted bytes placed as `pieces` says: inside the
// range it goes where its bytes went, after it it moves by the change in length.
long MapConverted(const SKXRange& range, long newLength, const UKXText::KXTextPieces& pieces, long p, bool end) {
  const long from = range.start, to = from + range.length;
  if (p < from) return p;
  if (p > to) return p + newLength - range.length;
  return from + UKXText::MapOffset(pieces, p - from, end);
}

// The marks after the conversion: each end goes where its bytes went.
void MoveMarks(KXMarkSet& marks, const SKXRange& range, long newLength, const UKXText::KXTextPieces& pieces) {
  for (SKXSavedMark& m : marks) {
    const long s = m.start, e = long(m.start) + m.length;
    const long ns = MapConverted(range, newLength, pieces, s, false);
    m.start = std::int32_t(ns);
    m.length = std::int32_t(m.length == 0 ? 0 : std::max(0L, MapConverted(range, newLength, pieces, e, true) - ns));
  }
}

// A ruby whose base reaches over an end of a converted range.
struct EdgeRuby {
  long start = 0, end = 0;
  unsigned char text[kKxRubyMaxText + 2] = {};
  long length = 0;
};

// The rubies that only partly lie in `range` (at most one at each end).
std::vector<EdgeRuby> EdgeRubys(KXEditHandle edit, const SKXRange& range) {
  const long from = range.start, to = from + range.length;
  std::vector<EdgeRuby> out;
  EdgeRuby r;
  r.start = r.end = from;
  if (KXText_GetRuby(edit, r.start, r.end, r.text, r.length) && (r.start < from || r.end > to)) out.push_back(r);
  r = EdgeRuby{};
  r.start = r.end = to;
  if (to < KXText_GetLength(edit) && KXText_GetRuby(edit, r.start, r.end, r.text, r.length) && r.start > from &&
      r.start < to)
    out.push_back(r);
  for (EdgeRuby& e : out) e.length = std::clamp(e.length, 0L, kKxRubyMaxText);
  return out;
}

}  // namespace

template <typename F>
void CKXTextLayer::ConvertRange(const SKXRange& range, short type, F convert) {
  Command command(*this);
  if (!UKXRange::RangesSame(range, GetSelectionRange())) SetSelectionRange(range, false);
  if (range.length == 0) return;
  RunAction(*this, type, 0, [&](CKXTextAction&) {
    TextOwner copy(NewText());
    TextCopy(range, copy.h, 0);
    // Pasting the copy back takes out the marks inside the range: they
    // stay on their text, moved where the conversion put it. The
    // conversion notes where their ends went.
    KXMarkSet marks;
    UKXText::KXTextPieces pieces;
    auto askFor = [&](long p) {
      if (p > range.start && p < long(range.start) + range.length) pieces.exact.push_back(p - range.start);
    };
    if (HasMarks()) {
      GetMarks(marks);
      for (const SKXSavedMark& m : marks)
        for (const long p : {long(m.start), long(m.start) + m.length}) askFor(p);
    }
    // The copy holds only the part of a base inside the range, and pasting
    // it back would cut the ruby there: the whole base is put back under it.
    const std::vector<EdgeRuby> edges = EdgeRubys(mEdit, range);
    for (const EdgeRuby& r : edges)
      for (const long p : {r.start, r.end}) askFor(p);
    std::sort(pieces.exact.begin(), pieces.exact.end());
    const bool mapped = !marks.empty() || !edges.empty();
    if (!convert(KXHandleAccess::Text(copy.h), mapped ? &pieces : nullptr)) return;
    const long newLength = KXText_GetLength(copy.h);
    if (!marks.empty()) MoveMarks(marks, range, newLength, pieces);
    TextPaste(range, copy.h, 0);
    if (!marks.empty()) SetMarks(marks);
    for (const EdgeRuby& r : edges) {
      const long s = MapConverted(range, newLength, pieces, r.start, false);
      const long e = MapConverted(range, newLength, pieces, r.end, true);
      if (e - s <= kKxRubyMaxBase) {
        SetSelectionRange({std::int32_t(s), std::int32_t(e - s)}, false);
        TextEditResult(KXTE_SetTextRuby(mEdit, r.text, r.length));
        continue;
      }
      // Grown past the longest base: the ruby goes, as when typing makes
      // a base too long, with every piece of it the paste left.
      for (long p = s; p < e; p += kKxRubyMaxBase) {
        SetSelectionRange({std::int32_t(p), std::int32_t(std::min(kKxRubyMaxBase, e - p))}, false);
        TextEditResult(KXTE_SetTextRuby(mEdit, nullptr, 0));
      }
    }
    SetSelectionRange({range.start, std::int32_t(newLength)}, false);
  });
}

void CKXTextLayer::DoCharShift(bool left) {
  ConvertRange(GetParagSelectionRange(GetSelectionRange()),
               left ? kxlayer::kActShiftLeft : kxlayer::kActShiftRight,
               [&](CKXText* t, UKXText::KXTextPieces* pieces) { return UKXText::ShiftKXText(t, left, pieces); });
}

void CKXTextLayer::DoCharType(short type) {
  ConvertRange(GetSelectionRange(), kxlayer::kActCharType,
               [&](CKXText* t, UKXText::KXTextPieces* pieces) { return UKXText::CharTypeKXText(t, type, pieces); });
}

void CKXTextLayer::DoLineReform(bool wrap) {
  ConvertRange(GetParagSelectionRange(GetSelectionRange()),
               wrap ? kxlayer::kActReformWrap : kxlayer::kActReformJoin,
               [&](CKXText* t, UKXText::KXTextPieces* pieces) { return UKXText::ReformKXText(t, wrap, pieces); });
}

void CKXTextLayer::DoLineDup() {
  Command command(*this);
  const SKXRange p = GetParagSelectionRange(GetSelectionRange());
  SetSelectionRange({p.start, 0}, false);
  long copyLen = 0;
  RunAction(*this, kxlayer::kActLineDup, 1, [&](CKXTextAction&) {
    TextOwner copy(NewText());
    TextCopy(p, copy.h, kKxSaveAll);
    // The last paragraph may lack its CR: the copy brings one, so that the
    // paragraphs stand on lines of their own.
    const long n = KXText_GetLength(copy.h);
    if (n == 0 || KXText_GetChar(copy.h, KXText_GetPrevCharPos(copy.h, n)) != kxlayer::kCR) {
      const char cr = char(kxlayer::kCR);
      KXText_InsertString(copy.h, n, &cr, 1, nullptr, nullptr);
    }
    copyLen = KXText_GetLength(copy.h);
    TextPaste({p.start, 0}, copy.h, kKxSaveAll);
  });
  SetSelectionRange({std::int32_t(p.start + copyLen), 0}, false);
}

// ---- line-number restarts -----------------------------------------------------------------------------------

void CKXTextLayer::AddLnReStart(long line) {
  const auto at = std::upper_bound(mRestarts.begin(), mRestarts.end(), line);
  mRestarts.insert(at, std::int32_t(line));
}

void CKXTextLayer::DelLnReStart(long line) {
  const auto at = std::upper_bound(mRestarts.begin(), mRestarts.end(), line);
  if (at == mRestarts.begin()) return;
  mRestarts.erase(at - 1);
  if (mRestarts.empty()) mRestarts.shrink_to_fit();
}

bool CKXTextLayer::SetLineReStart(long line, bool on) {
  if (line == 0) {
    long column = 0;
    KXTE_GetCurLineColm(mEdit, line, column);
  }
  if (line < kFirstRestart || line > kNoRestart - 1) return false;
  const auto at = std::upper_bound(mRestarts.begin(), mRestarts.end(), line);
  if (on) {
    if (at != mRestarts.begin() && *(at - 1) == line) return false;
    AddLnReStart(line);
  } else {
    if (at == mRestarts.begin()) return false;
    DelLnReStart(line);
  }
  return true;
}

long CKXTextLayer::GetLineReStart(long line, long& next) const {
  const auto at = std::upper_bound(mRestarts.begin(), mRestarts.end(), line);
  next = at == mRestarts.end() ? kNoRestart : *at;
  return at == mRestarts.begin() ? 0 : *(at - 1) - 1;
}

long CKXTextLayer::GetLnReStartData(char* buffer, long max) const {
  if (!buffer || max <= 0) return 0;
  long n = 0;
  for (const std::int32_t v : mRestarts)
    for (int shift = 24; shift >= 0 && n < max; shift -= 8) buffer[n++] = char((std::uint32_t(v) >> shift) & 0xFF);
  return n;
}

bool CKXTextLayer::SetLnReStartData(const char* data, long size) {
  if (size < 0 || (size >= kRestartBytes && !data)) return false;
  // The list is the user's: a stray tail, an order or a repeat a file got
  // wrong costs only what cannot be a restart.
  const long count = size / kRestartBytes;
  std::vector<std::int32_t> list;
  list.reserve(std::size_t(count));
  const auto* p = reinterpret_cast<const unsigned char*>(data);
  for (long k = 0; k < count * kRestartBytes; k += kRestartBytes) {
    const std::int32_t v = std::int32_t(std::uint32_t(p[k]) << 24 | std::uint32_t(p[k + 1]) << 16 |
                                        std::uint32_t(p[k + 2]) << 8 | std::uint32_t(p[k + 3]));
    if (v >= kFirstRestart && v < kNoRestart) list.push_back(v);
  }
  std::sort(list.begin(), list.end());
  list.erase(std::unique(list.begin(), list.end()), list.end());
  mRestarts.swap(list);
  return true;
}

// ---- key scripts ----------------------------------------------------------------------------------------------

std::uint8_t CKXTextLayer::sKeyScriptCheck = 0;

void CKXTextLayer::SetKeyScript(short own, short other) {
  if (other == 0) {
    SKXEditStyl style{};
    KXTE_GetEditStyl(mEdit, style);
    own = other = style.font;
  }
  mKeyFonts[0] = own;
  mKeyFonts[1] = other;
}

void CKXTextLayer::ChangeKeyScript(short font) {
  const short keys = KxGetScriptType(), script = KxFontToScriptType(font);
  if (keys == mScriptType) {
    if (script == mScriptType) mKeyFonts[0] = font;
  } else if (!(script == mScriptType && script != kScriptRoman)) {
    mKeyFonts[1] = font;
  }
}

void CKXTextLayer::CheckKeyScript() { CheckKeyScript(KxGetScriptType()); }

void CKXTextLayer::CheckKeyScript(short script) {
  const short font = script != mScriptType ? mKeyFonts[1] : mKeyFonts[0];
  SStyl cur{};
  KXTE_GetCurStyl(mEdit, cur);
  if (cur.font == font) return;
  Focus();
  long anchor = 0, active = 0;
  KXTE_GetSelect(mEdit, anchor, active);
  if (anchor > active) KXTE_SetSelect(mEdit, active, anchor);
  cur.font = font;
  KXTE_SetCurStyl(mEdit, cur);
  TextEditResult(kResultStyle);
}

void CKXTextLayer::CheckFontScript() {
  SStyl cur{};
  KXTE_GetCurStyl(mEdit, cur);
  CheckFontScript(cur.font);
}

void CKXTextLayer::CheckFontScript(short font) {
  const short script = KxFontToScriptType(font);
  if (script != KxGetScriptType()) KxSetScriptType(script);
}

void CKXTextLayer::SetScriptTypeFromFont(short font) {
  const short script = KxFontToScriptType(font);
  // The first font is the one for the layer's script: a text whose edit
  // font changes script would otherwise type each script in the other's.
  if (script != mScriptType) std::swap(mKeyFonts[0], mKeyFonts[1]);
  mScriptType = script;
}
