// Find, replace and replace-all in the layer. Matching is the text store's
// (plain and regular expressions); the layer decides what becomes one undo
// step and which font a replacement of another script gets. Replace-all
// finds every match in the text as it stands before anything changes, so a
// replacement never becomes context for a later match, and changes the text
// once.
#include <algorithm>
#include <cstring>
#include <vector>

#include "text/base/memory.h"
#include "engine/text_layer_run.h"
#include "platform/memory.h"
#include "text/find/find.h"

using kxlayer::RunAction;

namespace {
// A selection longer than this is never offered as a find string.
constexpr long kMaxFindSelection = 255;
// KxTextCharByte's answer for the first byte of a double-byte character.
constexpr short kLeadByte = -1;

// Every match from the start of the text, in order, none overlapping. A
// match of length 0 ends the scan (the store reports no match that way).
std::vector<SKXRange> FindAll(KXEditHandle edit, const char* find, long len, short options, short script) {
  std::vector<SKXRange> out;
  const short forward = short(options & ~kKXFindBackward);
  const long textLen = KXText_GetLength(edit);
  for (long pos = 0; pos <= textLen;) {
    long found = 0;
    const std::int32_t n = KXText_FindText(edit, pos, find, len, found, forward, script);
    if (n <= 0 || found < pos) break;
    out.push_back({std::int32_t(found), n});
    pos = found + n;
  }
  return out;
}

bool SameStyl(const SStyl& a, const SStyl& b) { return std::memcmp(&a, &b, sizeof a) == 0; }
bool SameDeco(const SDeco& a, const SDeco& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The run holding `offset` in a run list sorted by offset, searching on
// from `index` (offsets only grow).
template <typename Run>
std::size_t RunAt(const std::vector<Run>& runs, long offset, std::size_t index) {
  while (index + 1 < runs.size() && runs[index + 1].offset <= offset) ++index;
  return index;
}
}  // namespace

bool CKXTextLayer::ReplacementFont(const char* repl, long len, bool typingStyle, short& font) const {
  bool own = false;
  for (long k = 0; k < len && !own; ++k) own = KxTextCharByte(repl, std::int32_t(k), mScriptType) == kLeadByte;
  if (!own) return false;
  auto ours = [&](short f) { return KxFontToScriptType(f) == mScriptType; };
  SStyl cur{};
  KXTE_GetCurStyl(mEdit, cur);
  SKXEditStyl editStyl{};
  KXTE_GetEditStyl(mEdit, editStyl);
  if (typingStyle && ours(cur.font))
    font = cur.font;
  else if (ours(editStyl.font))
    font = editStyl.font;
  else if (ours(mKeyFonts[0]))
    font = mKeyFonts[0];
  else
    font = KxGetAppFont();
  return true;
}

// ---- find --------------------------------------------------------------------------------------------

bool CKXTextLayer::FindText(const char* find, long len, short options) {
  Focus();
  const SKXRange before = GetSelectionRange();
  const std::uint16_t result = KXTE_Find(mEdit, find, len, options, mScriptType);
  TextEditResult(result);
  if (result == 0 && UKXRange::RangesSame(before, GetSelectionRange())) return false;
  SetBeforeRange(before);
  return true;
}

bool CKXTextLayer::DoFind(const char* find, long len, short options) {
  Command command(*this);
  if (!FindText(find, len, options)) return false;
  CompleteTyping();
  return true;
}

bool CKXTextLayer::IsFindSelection() const {
  const SKXRange sel = GetSelectionRange();
  return sel.length >= 1 && sel.length <= kMaxFindSelection;
}

bool CKXTextLayer::IsReplSelection(const char* find, long len, short options) {
  Focus();
  if (!IsFindSelection()) return false;
  const SKXRange sel = GetSelectionRange();
  return KXText_CheckFind(mEdit, sel.start, long(sel.start) + sel.length, find, len, options, mScriptType) ==
         sel.length;
}

bool CKXTextLayer::IsFindAllSelection(const char* find, long len, short options, SKXRange& out) const {
  const std::vector<SKXRange> all = FindAll(mEdit, find, len, options, mScriptType);
  if (all.empty()) return false;
  out = {all.front().start, all.back().start + all.back().length - all.front().start};
  return true;
}

// ---- replace -----------------------------------------------------------------------------------------

void CKXTextLayer::ReplaceText(const char* repl, long len) {
  short font = 0;
  SKXStyl run{};
  const bool styled = ReplacementFont(repl, len, true, font);
  if (styled) {
    KXTE_GetCurStyl(mEdit, run.styl);
    run.styl.font = font;
    run.styl.face = 0;
  }
  Focus();
  TextInsert(GetSelectionRange(), repl, len, styled ? &run : nullptr, styled ? 1 : 0, nullptr, 0, nullptr, 0, nullptr,
             0, nullptr, 0);
}

void CKXTextLayer::DoReplace(const char* repl, long len) {
  Command command(*this);
  RunAction(*this, kxlayer::kActReplace, 0, [&](CKXTextAction&) { ReplaceText(repl, len); });
}

void CKXTextLayer::DoReplaceRE(const char* find, long flen, const char* repl, long rlen, short options) {
  Command command(*this);
  const SKXRange sel = GetSelectionRange();
  StKxHandle built{NewHandle(std::max(rlen, 1L))};
  long n = 0;
  if (built.h)
    n = KXText_CheckReplaceRE(mEdit, sel.start, long(sel.start) + sel.length, find, flen, options, repl, rlen,
                              built.h, mScriptType);
  if (n > 0 && built.h && long(GetHandleSize(built.h)) >= n) {
    const std::string bytes(*built.h, std::size_t(n));
    DoReplace(bytes.data(), long(bytes.size()));
  } else {
    DoReplace(repl, rlen);
  }
}

void CKXTextLayer::DoReplaceExt(const SKXRange& range, KXTextHandle text, short kind) {
  Command command(*this);
  SetSelectionRange(range, false);
  const bool active = KXTE_GetActivate(mEdit) != 0;
  if (active) TextEditResult(std::uint16_t(KXTE_Deactivate(mEdit)));
  RunAction(*this, kxlayer::kActReplace, KxParaFlag(text, kind),
            [&](CKXTextAction&) { TextPaste(GetSelectionRange(), text, kind); });
  if (active) TextEditResult(std::uint16_t(KXTE_Activate(mEdit)));
}

// ---- replace-all -------------------------------------------------------------------------------------

long CKXTextLayer::DoReplaceAll(const char* find, long flen, const char* repl, long rlen, long options) {
  Command command(*this);
  const short findOptions = short(options & 0xFFFF & ~kKXFindBackward);
  const std::vector<SKXRange> matches = FindAll(mEdit, find, flen, findOptions, mScriptType);
  if (matches.empty()) return 0;
  // Every replacement is built before the text changes: a group
  // replacement reads its match in the text it was found in.
  std::string repls;
  std::vector<long> ends{0};
  ends.reserve(matches.size() + 1);
  const bool groups = (options & kReplaceRegexp) != 0;
  StKxHandle built;
  if (groups) built.h = NewHandle(std::max(rlen, 1L));
  for (const SKXRange& m : matches) {
    long n = 0;
    if (groups && built.h)
      n = KXText_CheckReplaceRE(mEdit, m.start, long(m.start) + m.length, find, flen, findOptions, repl, rlen,
                                built.h, mScriptType);
    if (n > 0 && long(GetHandleSize(built.h)) >= n)
      repls.append(*built.h, std::size_t(n));
    else if (rlen > 0)
      repls.append(repl, std::size_t(rlen));
    ends.push_back(long(repls.size()));
  }
  const SKXRange span{matches.front().start,
                      matches.back().start + matches.back().length - matches.front().start};
  SetSelectionRange(span, false);
  // One action over exactly the span: the whole replace-all is one undo step.
  RunAction(*this, kxlayer::kActReplace, 0,
            [&](CKXTextAction&) { TextEditResult(ReplaceAllText(matches, repls, ends)); });
  return long(matches.size());
}

std::uint16_t CKXTextLayer::ReplaceAllText(const std::vector<SKXRange>& matches, const std::string& repls,
                                           const std::vector<long>& ends) {
  const long textLen = GetTotalRange().length;
  const long spanStart = matches.front().start;
  const long spanEnd = matches.back().start + long(matches.back().length);
  // What the one-pass build does not carry through: paragraph runs where a
  // CR goes or comes (paragraphs merge or split), ruby, marks and side
  // entries. Those texts are edited match by match. A layer that keeps
  // marks counts only when it holds some: one without is as fast as any.
  auto holdsMarks = [&] {
    KXMarkSet marks;
    if (HasMarks()) GetMarks(marks);
    return !marks.empty();
  };
  // Paragraph runs go through the one pass when no match and no
  // replacement holds a CR: every paragraph start then stays one, moved by
  // the replacements before it. Not when a paragraph would start at the
  // span's new end: its run cannot go in with the new text.
  const bool paras = KXText_GetParaCount(mEdit) > 0;
  std::vector<SKXPara> newParas;
  auto carriesParas = [&] {
    if (repls.find('\r') != std::string::npos) return false;
    std::string bytes;
    for (const SKXRange& m : matches) {
      bytes.resize(std::size_t(m.length));
      TextGetThruPtr(m, bytes.data(), m.length);
      if (bytes.find('\r') != std::string::npos) return false;
    }
    // A span that reaches the end of the text is edited match by match:
    // while it is rebuilt a paragraph run would stand at the text's end,
    // where none can.
    if (spanEnd == textLen) return false;
    // Back from the end over the matches that leave nothing: the first
    // byte left before the new end tells whether a paragraph starts there.
    for (std::size_t k = matches.size(); k-- > 0;) {
      if (ends[k + 1] > ends[k]) break;
      const long gapStart = k == 0 ? matches[k].start : long(matches[k - 1].start) + matches[k - 1].length;
      if (k == 0 || gapStart < matches[k].start) {
        if (KXText_IsParaStart(mEdit, matches[k].start)) return false;
        break;
      }
    }
    newParas.resize(std::size_t(std::max<std::int32_t>(1, KXText_GetSelParaCount(mEdit, spanStart, spanEnd))));
    newParas.resize(std::size_t(
        KXText_GetSelParas(mEdit, spanStart, spanEnd, newParas.data(), std::int32_t(newParas.size()))));
    std::size_t k = 0;
    long moved = 0;
    for (SKXPara& run : newParas) {
      const long at = spanStart + run.offset;
      for (; k < matches.size() && long(matches[k].start) + matches[k].length <= at; ++k)
        moved += (ends[k + 1] - ends[k]) - matches[k].length;
      run.offset = std::int32_t(run.offset + moved);
    }
    return !newParas.empty();
  };
  const bool exact = mReplaceAllPath == kReplaceExact || (paras && !carriesParas()) ||
                     KXText_GetRubysCount(mEdit) > 0 || KXTE_GetMarkCount(mEdit) > 0 ||
                     KXTE_GetMarkupCount(mEdit) > 0 || holdsMarks() ||
                     KXText_GetSelUniCharsCount(mEdit, spanStart, spanEnd) > 0 ||
                     (spanStart == 0 && spanEnd == textLen);

  // The style and decoration a replacement takes are those of the text
  // after its match (before it, at the end of the text), as an insertion
  // without runs takes them; a picture is not repeated.
  std::vector<SKXStyl> styls(std::size_t(std::max<std::int32_t>(1, KXText_GetStylCount(mEdit))));
  styls.resize(std::size_t(KXText_GetStyls(mEdit, styls.data(), std::int32_t(styls.size()))));
  std::vector<SKXDeco> decos(std::size_t(std::max<std::int32_t>(1, KXText_GetDecoCount(mEdit))));
  decos.resize(std::size_t(KXText_GetDecos(mEdit, decos.data(), std::int32_t(decos.size()))));
  if (styls.empty() || decos.empty()) return 0;
  SKXEditStyl editStyl{};
  KXTE_GetEditStyl(mEdit, editStyl);
  std::size_t si = 0, di = 0;
  auto takes = [&](const SKXRange& m, SStyl& styl, SDeco& deco) {
    const long end = long(m.start) + m.length;
    const long at = end < textLen ? end : std::max(0L, long(m.start) - 1);
    si = RunAt(styls, at, si);
    di = RunAt(decos, at, di);
    styl = styls[si].styl;
    deco = decos[di].deco;
    deco.pictID = 0;
  };
  // A replacement with characters of the layer's script in a run of
  // another script's font gets a font of the layer's script.
  auto restyle = [&](std::size_t k, SStyl& styl) {
    short font = 0;
    const char* bytes = repls.data() + ends[k];
    const long n = ends[k + 1] - ends[k];
    if (KxFontToScriptType(styl.font) == mScriptType || !ReplacementFont(bytes, n, false, font)) return false;
    styl.font = font;
    styl.face = 0;
    return true;
  };

  if (exact) {
    std::uint16_t result = kxlayer::kResultRelayout | kxlayer::kResultRedraw;
    result |= KXTE_SetSelect(mEdit, 0, 0);
    long delta = 0;
    for (std::size_t k = 0; k < matches.size(); ++k) {
      const SKXRange& m = matches[k];
      SStyl styl{};
      SDeco deco{};
      takes(m, styl, deco);
      SKXStyl run{0, styl};
      const bool styled = restyle(k, run.styl);
      const long at = m.start + delta, n = ends[k + 1] - ends[k];
      // A match that is the whole of the last paragraph would take that
      // paragraph's style with it: a run cannot start at the text's end.
      SKXPara lastPara{};
      const bool keepPara = paras && n > 0 && m.start + long(m.length) == textLen && KXText_IsParaStart(mEdit, at) &&
                            KXText_GetSelParas(mEdit, at, at + m.length, &lastPara, 1) == 1;
      KXText_Delete(mEdit, at, at + m.length);
      if (n > 0)
        KXText_InsertText(mEdit, at, repls.data() + ends[k], n, styled ? &run : nullptr, styled ? 1 : 0, nullptr, 0,
                          nullptr, 0);
      if (keepPara) KXText_SetPara(mEdit, at, at + n, lastPara.para);
      TextChanged(at, m.length, n);
      delta += n - m.length;
    }
    KXTE_CalcText(mEdit);
    const long caret = spanEnd + delta;
    return std::uint16_t(result | KXTE_SetSelect(mEdit, caret, caret));
  }

  // One pass: the span's new bytes with their style and decoration runs,
  // the text between matches keeping its own.
  std::string bytes;
  bytes.reserve(std::size_t(spanEnd - spanStart) + repls.size());
  std::vector<SKXStyl> newStyls;
  std::vector<SKXDeco> newDecos;
  auto addStyl = [&](long offset, const SStyl& s) {
    if (!newStyls.empty() && SameStyl(newStyls.back().styl, s)) return;
    if (!newStyls.empty() && newStyls.back().offset == offset)
      newStyls.back().styl = s;
    else
      newStyls.push_back({std::int32_t(offset), s});
  };
  auto addDeco = [&](long offset, const SDeco& d) {
    if (!newDecos.empty() && SameDeco(newDecos.back().deco, d)) return;
    if (!newDecos.empty() && newDecos.back().offset == offset)
      newDecos.back().deco = d;
    else
      newDecos.push_back({std::int32_t(offset), d, 0});
  };
  std::size_t gi = 0, gd = 0;  // run cursors over the gaps
  auto copyGap = [&](long from, long to) {
    if (to <= from) return;
    const long base = long(bytes.size()) - from;
    gi = RunAt(styls, from, gi);
    for (addStyl(from + base, styls[gi].styl); gi + 1 < styls.size() && styls[gi + 1].offset < to;)
      ++gi, addStyl(styls[gi].offset + base, styls[gi].styl);
    gd = RunAt(decos, from, gd);
    for (addDeco(from + base, decos[gd].deco); gd + 1 < decos.size() && decos[gd + 1].offset < to;)
      ++gd, addDeco(decos[gd].offset + base, decos[gd].deco);
    const std::size_t at = bytes.size();
    bytes.resize(at + std::size_t(to - from));
    TextGetThruPtr({std::int32_t(from), std::int32_t(to - from)}, bytes.data() + at, to - from);
  };
  long p = spanStart;
  for (std::size_t k = 0; k < matches.size(); ++k) {
    const SKXRange& m = matches[k];
    copyGap(p, m.start);
    const long n = ends[k + 1] - ends[k];
    if (n > 0) {
      SStyl styl{};
      SDeco deco{};
      takes(m, styl, deco);
      restyle(k, styl);
      addStyl(long(bytes.size()), styl);
      addDeco(long(bytes.size()), deco);
      bytes.append(repls, std::size_t(ends[k]), std::size_t(n));
    }
    p = long(m.start) + m.length;
  }
  std::uint16_t result = kxlayer::kResultRelayout | kxlayer::kResultRedraw;
  const bool none = bytes.empty();
  TextInsert({std::int32_t(spanStart), std::int32_t(spanEnd - spanStart)}, bytes.data(), long(bytes.size()),
             none ? nullptr : newStyls.data(), long(newStyls.size()), none ? nullptr : newDecos.data(),
             long(newDecos.size()), newParas.empty() || none ? nullptr : newParas.data(), long(newParas.size()),
             nullptr, 0, nullptr, 0);
  const long caret = spanStart + long(bytes.size());
  return std::uint16_t(result | KXTE_SetSelect(mEdit, caret, caret));
}
