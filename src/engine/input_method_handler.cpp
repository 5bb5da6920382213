#include "engine/input_method_handler.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "engine/text_engine.h"
#include "engine/text_event.h"
#include "engine/text_unicode_range.h"
#include "platform/exception.h"
#include "platform/framework/window.h"
#include "platform/host/host.h"
#include "platform/memory.h"
#include "text/base/memory.h"
#include "text/codes/script.h"
#include "text/codes/unicode.h"

namespace {

// Ranges of the text are 32-bit.
inline SKXRange Rng(long start, long length) { return SKXRange{std::int32_t(start), std::int32_t(length)}; }

// The snapshot for document access reaches this far either side of the
// selection: enough context for any input method, bounded in long paragraphs.
constexpr long kSnapshotReach = 4096;

// UTF-16 to the bytes of `script`, the script of the style the text takes:
// side entries for what the script lacks (its placeholder stands for
// them) and the byte offset of every unit. A script with no table of its
// own takes Japanese. False when nothing converts.
bool ToBytes(const std::u16string& units, short script, std::string& bytes, std::vector<SKXUniChar>& uni,
             std::vector<std::uint32_t>& offsets) {
  bytes.clear();
  uni.clear();
  offsets.clear();
  if (units.empty()) return true;
  StKxHandle text, sides, map;
  long length = 0, nUni = 0, nMap = 0;
  auto convert = [&](short to) {
    CKXUnicode conv(to, kKxUnicodeToText);
    return conv.ConvertToTextAndOffset(units.data(), long(units.size()), nullptr, text.h, length, sides.h, nUni, to,
                                       map.h, nMap);
  };
  if (!convert(script) && (script == kScriptJapanese || !convert(kScriptJapanese))) return false;
  if (length < 0 || (length > 0 && !text.h)) return false;
  if (length > 0) bytes.assign(*text.h, std::size_t(length));
  if (sides.h && nUni > 0) {
    const auto* s = reinterpret_cast<const SKXUniChar*>(*sides.h);
    uni.assign(s, s + nUni);
  }
  offsets.resize(units.size(), std::uint32_t(length));
  if (map.h && nMap > 0) {
    const auto* m = reinterpret_cast<const std::int32_t*>(*map.h);
    for (long k = 0; k < nMap && k < long(units.size()); ++k)
      offsets[std::size_t(k)] = std::uint32_t(std::clamp<long>(m[k], 0, length));
  }
  return true;
}

// A unit index of the update to a byte offset of its converted text.
long UnitToByte(const std::vector<std::uint32_t>& offsets, long index, long total) {
  if (index < 0) return 0;
  if (index < long(offsets.size())) return long(offsets[std::size_t(index)]);
  return total;
}

bool IsCombiningMark(char16_t u) { return u >= 0x0300 && u <= 0x036F; }

// The style of the run over `r` when it is one; false over several or in
// an empty text. An empty `r` at the end reads the last character.
bool StyleOver(CKXTextEngine& engine, SKXRange r, SStyl& out) {
  const long length = engine.GetTotalRange().length;
  if (length <= 0) return false;
  if (r.length <= 0) {
    if (r.start >= length) r.start = std::int32_t(length - engine.PrevCharSize(length));
    r.length = std::int32_t(engine.ThisCharSize(r.start));
  }
  KXTextHandle runs = KXText_New();
  if (!runs) throw LException(memFullErr);
  engine.TextCopy(r, runs, 2);
  SKXStyl s{};
  const bool one = KXText_GetStylCount(runs) == 1 && KXText_GetStyls(runs, &s, 1) == 1;
  KXText_Dispose(runs);
  if (one) out = s.styl;
  return one;
}

// The script of the style input put over `target` takes. A composition
// shows in the style of the character where it starts; a commit keeps the
// one style over what it replaces (the composition's own), and otherwise
// the text takes the run it goes into: that of the character after it,
// the last one's at the end.
short InputScript(CKXTextEngine& engine, const SKXRange& target, bool commit) {
  SStyl styl{};
  const long end = long(target.start) + target.length;
  bool got = false;
  if (!commit || target.length == 0) {
    got = StyleOver(engine, Rng(target.start, 0), styl);
  } else if (!(got = StyleOver(engine, target, styl))) {
    // Several styles: once they go, the run at the target's start.
    if (end < engine.GetTotalRange().length)
      got = StyleOver(engine, Rng(end, 0), styl);
    else if (target.start > 0)
      got = StyleOver(engine, Rng(target.start - engine.PrevCharSize(target.start), 0), styl);
  }
  if (!got) engine.GetCurStyl(styl);
  return KxFontToScriptType(styl.font);
}

// A text of its own holding input-method bytes and their side entries, in
// `styl` (null: the default one) with `lineBits` as its decoration.
KXTextHandle InputText(const std::string& bytes, const std::vector<SKXUniChar>& uni, const SStyl* styl,
                       std::uint16_t lineBits) {
  SDeco deco{};
  deco.lineBits = lineBits;
  KXTextHandle text = KXText_New();
  if (!text) throw LException(memFullErr);
  KXText_InsertStringWithUniChars(text, 0, bytes.data(), long(bytes.size()), styl, &deco,
                                  uni.empty() ? nullptr : uni.data(), std::int32_t(uni.size()));
  return text;
}

}  // namespace

// ---- UTF-8 <-> UTF-16 ----------------------------------------------------------------------------------------------

std::u16string KxUTF8ToUTF16(const std::string& s) {
  std::u16string out;
  out.reserve(s.size());
  for (std::size_t k = 0; k < s.size();) {
    const unsigned char c = (unsigned char)s[k];
    std::uint32_t cp = 0xFFFD;
    std::size_t n = 1;
    if (c < 0x80) {
      cp = c;
    } else if (c >= 0xC2 && c <= 0xF4) {
      n = c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
      bool ok = k + n <= s.size();
      std::uint32_t v = c & (0x7F >> n);
      for (std::size_t j = 1; ok && j < n; ++j) {
        const unsigned char t = (unsigned char)s[k + j];
        if ((t & 0xC0) != 0x80) ok = false;
        v = (v << 6) | (t & 0x3F);
      }
      const std::uint32_t min = n == 2 ? 0x80 : n == 3 ? 0x800 : 0x10000;
      if (ok && v >= min && v <= 0x10FFFF && !(v >= 0xD800 && v <= 0xDFFF))
        cp = v;
      else
        n = 1;
    }
    if (cp >= 0x10000) {
      out.push_back(char16_t(0xD800 + ((cp - 0x10000) >> 10)));
      out.push_back(char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      out.push_back(char16_t(cp));
    }
    k += n;
  }
  return out;
}

// ---- CTSMHandler ---------------------------------------------------------------------------------------------------

CTSMHandler::CTSMHandler(void* owner) : mSignature(kSignature), mOwner(owner) {}

CTSMHandler::~CTSMHandler() = default;

void CTSMHandler::Activate(bool inlineMode) {
  mInlineMode = inlineMode;
  mActive = true;
}

void CTSMHandler::Deactivate() {
  EndComposition();
  mActive = false;
}

void CTSMHandler::EndComposition() {
  if (HasActiveArea()) EndActiveArea();
  ClearActiveArea();
}

// ---- CKXTextTSMHandler ---------------------------------------------------------------------------------------------

std::uint8_t CKXTextTSMHandler::sInlineColour = 0;
bool CKXTextTSMHandler::sInputWindowBelow = false;

CKXTextTSMHandler::CKXTextTSMHandler(CKXTextEvent* owner) : CTSMHandler(owner) {}

CKXTextTSMHandler::~CKXTextTSMHandler() { FinishTSMDocumentAccess(); }

CKXTextEngine* CKXTextTSMHandler::Engine() const {
  return mOwner ? static_cast<CKXTextEvent*>(mOwner)->GetTextEngine() : nullptr;
}

bool CKXTextTSMHandler::AreaIntact() const {
  CKXTextEngine* engine = Engine();
  if (!engine || !HasActiveArea()) return false;
  const long length = engine->GetTotalRange().length;
  if (mActiveEnd > length || mActiveEnd - mActiveStart != long(mActiveBytes.size())) return false;
  std::string now(mActiveBytes.size(), '\0');
  if (!now.empty() &&
      engine->TextGetThruPtr(Rng(mActiveStart, long(now.size())), now.data(), long(now.size())) !=
          long(now.size()))
    return false;
  return now == mActiveBytes;
}

void CKXTextTSMHandler::FixActiveArea() {
  auto* owner = static_cast<CKXTextEvent*>(mOwner);
  if (!AreaIntact()) {
    // Someone else changed the text under the composition: what stands
    // there now is theirs, so leave it and only end the composition.
    if (owner) owner->KeyInline(nullptr, Rng(0, 0), Engine() ? Engine()->GetSelectionRange() : Rng(0, 0),
                                false);
    return;
  }
  const SKXRange area = Rng(mActiveStart, mActiveEnd - mActiveStart);
  const std::string bytes = mActiveBytes;
  const std::vector<SKXUniChar> uni = mActiveUni;
  mActiveBytes.clear();
  mActiveUni.clear();
  owner->FixInline(bytes.data(), long(bytes.size()), area, false, uni.empty() ? nullptr : uni.data(),
                   long(uni.size()));
}

void CKXTextTSMHandler::EndActiveArea() {
  CKXTextEngine* engine = Engine();
  LView* view = engine ? engine->GetHandlerView() : nullptr;
  LWindow* window = view ? LWindow::FetchWindowOf(view) : nullptr;
  std::string committed;
  if (!window || !KxCurrentHost().ResetInputMethod(window->GetHostWindow(), committed)) {
    FixActiveArea();
    return;
  }
  if (!HasActiveArea()) return;
  if (!committed.empty())
    Commit(committed);
  else if (AreaIntact())
    Preedit({}, {}, -1);   // an empty composition takes the shown one away
  // Text of someone else's under the composition stays; a text that took
  // neither (it became read-only meanwhile) keeps the composition as text.
  if (HasActiveArea()) FixActiveArea();
}

OSErr CKXTextTSMHandler::DoUpdateActiveInputArea(const SKXInputUpdate& update) {
  CKXTextEngine* engine = Engine();
  auto* owner = static_cast<CKXTextEvent*>(mOwner);
  if (!engine || !owner || !engine->IsEditable()) return 0;
  if (HasActiveArea() && !AreaIntact()) {
    // An edit from elsewhere moved the text: the old area no longer names
    // the composition's bytes. Start afresh at the selection.
    ClearActiveArea();
    mActiveBytes.clear();
    mActiveUni.clear();
  }
  // An empty update outside a composition (input methods send one after
  // every commit and on reset) must not take the selection with it.
  if (!HasActiveArea() && update.text.empty()) return 0;
  std::u16string units = update.text;
  long fixedUnits = update.fixedLength < 0 ? long(units.size()) : std::min<long>(update.fixedLength, long(units.size()));

  // A lone combining mark after a typed letter joins it.
  SKXRange sel = engine->GetSelectionRange();
  bool replaceLetter = false;
  if (units.size() == 1 && IsCombiningMark(units[0]) && fixedUnits == 1 && !HasActiveArea() && sel.length == 0 &&
      sel.start > 0 && engine->PrevCharSize(sel.start) == 1) {
    const std::uint16_t letter = engine->GetChar(sel.start - 1);
    if (letter < 0x80 && std::isalpha(letter)) {
      const char16_t pair[2] = {char16_t(letter), units[0]};
      char16_t composed[2] = {0, 0};
      long n = 0;
      CKXUnicode::PreConvert(pair, 2, composed, &n);
      units = n == 1 ? std::u16string(1, composed[0]) : std::u16string(pair, 2);
      fixedUnits = long(units.size());
      replaceLetter = true;
    }
  }

  // Spelt in the script of the style it takes where it goes: a character
  // typed into text of another script is no Japanese bytes there.
  const bool starting = !HasActiveArea();
  if (starting && replaceLetter) sel = Rng(sel.start - 1, 1);
  const SKXRange target = starting ? sel : Rng(mActiveStart, mActiveEnd - mActiveStart);
  // With the key-script check the input method's text is the system
  // script keyboard's: as a new composition, or fixed, it takes the
  // typing style after the check (the key-script font of that script),
  // and is spelt in its script. A mark joining its letter stays the
  // letter's.
  SStyl typing{};
  const bool keyFont = CKXTextLayer::IsKeyScriptCheck(CKXTextLayer::kKeyScriptTyping) && !replaceLetter &&
                       (starting || fixedUnits > 0);
  if (keyFont) {
    KxSetScriptType(KxGetSysScriptType());
    engine->CheckKeyScript();
    KXTE_GetCurStyl(engine->GetEdit(), typing);
  }
  const short script =
      keyFont ? KxFontToScriptType(typing.font) : InputScript(*engine, target, fixedUnits >= long(units.size()));
  std::string bytes;
  std::vector<SKXUniChar> uni;
  std::vector<std::uint32_t> offsets;
  if (!ToBytes(units, script, bytes, uni, offsets)) return 0;
  const long total = long(bytes.size());
  const long fixedBytes = UnitToByte(offsets, fixedUnits, total);

  if (starting) {
    mActiveStart = sel.start;
    mActiveEnd = sel.start + sel.length;
  }

  if (fixedBytes > 0) {
    std::vector<SKXUniChar> fixedUni;
    for (const SKXUniChar& u : uni)
      if (u.offset < fixedBytes) fixedUni.push_back(u);
    if (keyFont && starting) {
      // Fixed into no composition the bytes would join the run beside
      // them: they stand as the composition first, in the typing style,
      // and are fixed from there (one typing step, as any composition).
      KXTextHandle shown = InputText(bytes.substr(0, std::size_t(fixedBytes)), fixedUni, &typing, 0);
      try {
        owner->KeyInline(shown, Rng(mActiveStart, mActiveEnd - mActiveStart), Rng(mActiveStart + fixedBytes, 0),
                         true);
      } catch (...) {
        KXText_Dispose(shown);
        throw;
      }
      KXText_Dispose(shown);
      mActiveEnd = mActiveStart + fixedBytes;
    }
    owner->FixInline(bytes.data(), fixedBytes, Rng(mActiveStart, mActiveEnd - mActiveStart), false,
                     fixedUni.empty() ? nullptr : fixedUni.data(), long(fixedUni.size()));
    mActiveStart += fixedBytes;
    mActiveEnd = mActiveStart;
  }

  if (fixedBytes >= total) {
    if (fixedBytes == 0 && mActiveEnd > mActiveStart)
      owner->KeyInline(nullptr, Rng(mActiveStart, mActiveEnd - mActiveStart), Rng(mActiveStart, 0), false);
    ClearActiveArea();
    mActiveBytes.clear();
    mActiveUni.clear();
    return 0;
  }

  // The remaining text becomes the new active text, in the style that
  // stands where it goes, underlined as its clauses say.
  const std::string rest = bytes.substr(std::size_t(fixedBytes));
  std::vector<SKXUniChar> restUni;
  for (const SKXUniChar& u : uni)
    if (u.offset >= fixedBytes) restUni.push_back(SKXUniChar{std::int32_t(u.offset - fixedBytes), u.value});
  SStyl styl = typing;
  const bool hasStyl = keyFont || StyleOver(*engine, Rng(mActiveStart, 0), styl);
  KXTextHandle temp = InputText(rest, restUni, hasStyl ? &styl : nullptr, std::uint16_t(sInlineColour << 12 | 1));
  const long restLen = long(rest.size());
  auto toRest = [&](long unit) { return std::clamp<long>(UnitToByte(offsets, unit, total) - fixedBytes, 0, restLen); };
  long caret = -1;
  long clauseStart = -1, clauseEnd = -1;
  for (std::size_t k = 0; k < update.hilites.size(); ++k) {
    const SKXHiliteRange& r = update.hilites[k];
    const long a = toRest(r.start), b = toRest(r.end);
    if (r.kind == kKxHiliteCaret && r.start == r.end) caret = a;
    if (b <= a) continue;
    if (r.kind == kKxHiliteConverted) {
      KXText_SetDecoInterLine(temp, a, b, (k % 2) ? 2 : 4);
    } else if (r.kind == kKxHiliteSelectedConverted) {
      KXText_SetDecoInterLine(temp, a, b, 3);
      clauseStart = a;
      clauseEnd = b;
    }
  }
  SKXRange inner = Rng(caret < 0 ? 0 : caret, 0);
  if (update.hasPin) {
    const long ps = toRest(update.pinStart), pe = std::max(ps, toRest(update.pinEnd));
    if (clauseStart >= 0 && clauseStart != ps)
      inner = Rng(clauseStart, clauseEnd - clauseStart);
    else if (clauseStart >= 0 && clauseEnd != pe)
      inner = Rng(ps, clauseEnd - ps);
    else if (caret >= ps && caret <= pe)
      inner = Rng(caret, 0);
    else
      inner = Rng(ps, pe - ps);
  }
  const SKXRange old = Rng(mActiveStart, mActiveEnd - mActiveStart);
  try {
    owner->KeyInline(temp, old, Rng(mActiveStart + inner.start, inner.length), starting || fixedBytes > 0);
  } catch (...) {
    KXText_Dispose(temp);
    throw;
  }
  KXText_Dispose(temp);
  mActiveEnd = mActiveStart + restLen;
  mActiveBytes = rest;
  mActiveUni = restUni;
  mOffsets.clear();
  for (std::size_t k = std::size_t(std::max<long>(fixedUnits, 0)); k < offsets.size(); ++k)
    mOffsets.push_back(std::uint32_t(long(offsets[k]) - fixedBytes));
  return 0;
}

OSErr CKXTextTSMHandler::Preedit(const std::string& utf8, const std::vector<Clause>& clauses, long caret) {
  SKXInputUpdate u;
  u.text = KxUTF8ToUTF16(utf8);
  u.fixedLength = 0;
  // UTF-8 byte indices to unit indices.
  auto toUnits = [&](long byteIndex) {
    byteIndex = std::clamp<long>(byteIndex, 0, long(utf8.size()));
    return long(KxUTF8ToUTF16(utf8.substr(0, std::size_t(byteIndex))).size());
  };
  for (const Clause& c : clauses)
    u.hilites.push_back(SKXHiliteRange{toUnits(c.start), toUnits(c.end),
                                       c.selected ? kKxHiliteSelectedConverted : kKxHiliteConverted});
  const long at = caret < 0 ? long(u.text.size()) : toUnits(caret);
  u.hilites.push_back(SKXHiliteRange{at, at, kKxHiliteCaret});
  return DoUpdateActiveInputArea(u);
}

OSErr CKXTextTSMHandler::Commit(const std::string& utf8) {
  SKXInputUpdate u;
  u.text = KxUTF8ToUTF16(utf8);
  u.fixedLength = -1;
  return DoUpdateActiveInputArea(u);
}

// ---- queries -------------------------------------------------------------------------------------------------------

OSErr CKXTextTSMHandler::DoGetText(std::u16string& text) {
  text.clear();
  CKXTextEngine* engine = Engine();
  if (!engine || !engine->IsEditable()) return 0;
  const SKXRange sel = engine->GetSelectionRange();
  // Each run read in its own script, with the characters kept beside
  // their placeholders.
  KxUnicodeStretch seg;
  if (sel.length > 0 && engine->GetEdit() && KxTextToUnicode(*engine, sel.start, long(sel.start) + sel.length, seg))
    text = std::move(seg.units);
  return 0;
}

OSErr CKXTextTSMHandler::DoOffset2Pos(long offset, SKXOffsetPos& answer) {
  CKXTextEngine* engine = Engine();
  if (!engine) return kKxTSMNoAnswer;
  const SKXRange sel = engine->GetSelectionRange();
  const long base = HasActiveArea() ? mActiveStart : sel.start;
  long bytes = offset;
  if (HasActiveArea() && !mOffsets.empty()) {
    if (offset < 0 || offset > long(mOffsets.size())) return kKxTSMOffsetOutside;
    bytes = offset < long(mOffsets.size()) ? long(mOffsets[std::size_t(offset)]) : mActiveEnd - mActiveStart;
  }
  const long at = base + bytes;
  if (at < 0 || at > engine->GetTotalRange().length) return kKxTSMOffsetOutside;
  SPoint32 top{}, bottom{};
  engine->Range2Image(Rng(at, 0), true, top);
  engine->Range2Image(Rng(at, 0), false, bottom);
  const bool vertical = engine->GetEdit() && KXTE_GetVertical(engine->GetEdit());
  SPoint32 scroll{};
  SDimension32 size{};
  engine->GetViewRect(scroll, size);
  const long lineHeight = vertical ? std::abs(bottom.h - top.h) : std::abs(bottom.v - top.v);
  answer.lineHeight = short(std::clamp<long>(lineHeight, 0, 32767));
  answer.ascent = short(answer.lineHeight * 4 / 5);
  // Below the line in horizontal writing, beside it in vertical writing
  // (where a candidate list covers no text) unless the preference puts it
  // below there too.
  const bool beside = vertical && !sInputWindowBelow;
  answer.angle = beside ? 180 : 90;
  const long h = top.h - scroll.h - (beside ? lineHeight : 0), v = top.v - scroll.v + (beside ? 0 : lineHeight - 1);
  answer.where = Point{std::int16_t(std::clamp<long>(v, -32768, 32767)), std::int16_t(std::clamp<long>(h, -32768, 32767))};
  if (h < -4 || v < -4 || h > size.width + 4 || v > size.height + 4) return kKxTSMPointOutside;
  return 0;
}

OSErr CKXTextTSMHandler::DoPos2Offset(Point local, long& offset, short& region) {
  offset = -1;
  region = 1;
  CKXTextEngine* engine = Engine();
  if (!engine) return 0;
  SPoint32 scroll{};
  SDimension32 size{};
  engine->GetViewRect(scroll, size);
  if (local.h < 0 || local.v < 0 || local.h >= size.width || local.v >= size.height) return 0;
  SKXRange hit{};
  engine->Image2Range(SPoint32{local.h + scroll.h, local.v + scroll.v}, nullptr, &hit);
  if (IsInActiveArea(hit.start)) {
    region = 3;
    const long rel = hit.start - mActiveStart;
    long index = long(mOffsets.size());
    for (std::size_t k = 0; k < mOffsets.size(); ++k)
      if (long(mOffsets[k]) >= rel) {
        index = long(k);
        break;
      }
    offset = index;
  } else {
    region = 2;
    offset = hit.start - engine->GetSelectionRange().start;
  }
  return 0;
}

bool CKXTextTSMHandler::CaretRect(Rect& local) {
  CKXTextEngine* engine = Engine();
  if (!engine) return false;
  // The caret inside a composition: the unit at the selection's start.
  long offset = 0;
  if (HasActiveArea()) {
    const long rel = engine->GetSelectionRange().start - mActiveStart;
    offset = long(mOffsets.size());
    for (std::size_t k = 0; k < mOffsets.size(); ++k)
      if (long(mOffsets[k]) >= rel) {
        offset = long(k);
        break;
      }
  }
  SKXOffsetPos pos;
  const OSErr err = DoOffset2Pos(offset, pos);
  if (err != 0 && err != kKxTSMPointOutside) return false;
  const std::int16_t top = std::int16_t(pos.where.v - pos.lineHeight + 1);
  local = Rect{top, pos.where.h, std::int16_t(pos.where.v + 1), std::int16_t(pos.where.h + 1)};
  return true;
}

// ---- document access -----------------------------------------------------------------------------------------------

bool CKXTextTSMHandler::SetupTSMDocumentAccess() {
  if (mSetup) return true;
  CKXTextEngine* engine = Engine();
  if (!engine) return false;
  const long length = engine->GetTotalRange().length;
  const SKXRange sel = engine->CropRange(engine->GetSelectionRange());
  // The paragraph or paragraphs of the selection, no further than the reach.
  long from = sel.start, to = sel.start + sel.length;
  while (from > 0 && sel.start - from < kSnapshotReach && engine->GetChar(from - engine->PrevCharSize(from)) != 13)
    from -= engine->PrevCharSize(from);
  while (to < length && to - (sel.start + sel.length) < kSnapshotReach && engine->GetChar(to) != 13)
    to += engine->ThisCharSize(to);
  // Side entries and scripts of the stretch, its map from its start.
  mSnapshot.clear();
  mSnapMap.assign(1, 0);
  if (to > from) {
    KxUnicodeStretch seg;
    if (!engine->GetEdit() || !KxTextToUnicode(*engine, from, to, seg) || seg.units.empty()) return false;
    mSnapshot = std::move(seg.units);
    mSnapMap.resize(seg.map.size());
    for (std::size_t k = 0; k < seg.map.size(); ++k) mSnapMap[k] = seg.map[k] - from;
  }
  mParaStart = from;
  auto toIndex = [&](long byte) {
    const auto it = std::lower_bound(mSnapMap.begin(), mSnapMap.end(), byte - from);
    return long(it - mSnapMap.begin());
  };
  mSelStart = std::min<long>(toIndex(sel.start), long(mSnapshot.size()));
  mSelEnd = std::min<long>(toIndex(sel.start + sel.length), long(mSnapshot.size()));
  mSetup = true;
  return true;
}

void CKXTextTSMHandler::FinishTSMDocumentAccess() {
  mSetup = false;
  mSnapshot.clear();
  mSnapMap.clear();
  mParaStart = mSelStart = mSelEnd = 0;
}

OSErr CKXTextTSMHandler::LockDocument(long& count) {
  ++mLockCount;
  SetupTSMDocumentAccess();
  count = mLockCount;
  return 0;
}

OSErr CKXTextTSMHandler::UnlockDocument(long& count) {
  if (mLockCount > 0) --mLockCount;
  if (mLockCount == 0) FinishTSMDocumentAccess();
  count = mLockCount;
  return 0;
}

OSErr CKXTextTSMHandler::GetLength(long& length) {
  const bool temporary = mLockCount == 0;
  if (temporary) ++mLockCount;
  OSErr err = SetupTSMDocumentAccess() ? 0 : kKxTSMNoAnswer;
  length = err ? 0 : long(mSnapshot.size());
  if (temporary) {
    long count = 0;
    UnlockDocument(count);
  }
  return err;
}

OSErr CKXTextTSMHandler::GetSelectedRange(long& start, long& end) {
  const bool temporary = mLockCount == 0;
  if (temporary) ++mLockCount;
  OSErr err = SetupTSMDocumentAccess() ? 0 : kKxTSMNoAnswer;
  start = err ? 0 : mSelStart;
  end = err ? 0 : mSelEnd;
  if (temporary) {
    long count = 0;
    UnlockDocument(count);
  }
  return err;
}

OSErr CKXTextTSMHandler::GetCharacters(long start, long count, char16_t* out) {
  if (!mSetup || !out || start < 0 || count < 0 || start > long(mSnapshot.size()) ||
      count > long(mSnapshot.size()) - start)
    return kKxTSMNoAnswer;
  std::copy_n(mSnapshot.data() + start, count, out);
  return 0;
}

OSErr CKXTextTSMHandler::ReplaceRange(long start, long end) {
  CKXTextEngine* engine = Engine();
  if (!mSetup || !engine || start < 0 || end < start || end > long(mSnapshot.size())) return kKxTSMNoAnswer;
  const long a = mParaStart + mSnapMap[std::size_t(start)], b = mParaStart + mSnapMap[std::size_t(end)];
  engine->SetSelectionRange(Rng(a, b - a), false);
  return 0;
}

bool CKXTextTSMHandler::Surrounding(std::string& utf8, long& caret) {
  long count = 0;
  LockDocument(count);
  const bool ok = mSetup;
  if (ok) {
    utf8 = KxUTF16ToUTF8(mSnapshot);
    caret = long(KxUTF16ToUTF8(mSnapshot.substr(0, std::size_t(mSelStart))).size());
  }
  UnlockDocument(count);
  return ok;
}

bool CKXTextTSMHandler::DeleteSurrounding(long offset, long count) {
  CKXTextEngine* engine = Engine();
  if (!engine || !engine->IsEditable() || count < 0) return false;
  long locks = 0;
  LockDocument(locks);
  bool ok = mSetup;
  if (ok) {
    // Characters, not units: a surrogate pair counts once.
    auto step = [&](long index, long chars) {
      while (chars > 0 && index < long(mSnapshot.size())) {
        const char16_t u = mSnapshot[std::size_t(index)];
        index += (u >= 0xD800 && u <= 0xDBFF && index + 1 < long(mSnapshot.size())) ? 2 : 1;
        --chars;
      }
      while (chars < 0 && index > 0) {
        const char16_t u = mSnapshot[std::size_t(index - 1)];
        index -= (u >= 0xDC00 && u <= 0xDFFF && index >= 2) ? 2 : 1;
        ++chars;
      }
      return chars == 0 ? index : -1;
    };
    const long a = step(mSelStart, offset);
    const long b = a < 0 ? -1 : step(a, count);
    ok = a >= 0 && b >= a;
    if (ok && b > a) {
      const long from = mParaStart + mSnapMap[std::size_t(a)], to = mParaStart + mSnapMap[std::size_t(b)];
      FixBeforeEdit();
      engine->SetSelectionRange(Rng(from, to - from), false);
      engine->DoKey(kKxCharDelete, 0);
    }
  }
  UnlockDocument(locks);
  return ok;
}
