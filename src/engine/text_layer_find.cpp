// Find, replace and replace-all in the layer. Matching is the text store's
// (plain and regular expressions); the layer decides what becomes one undo
// step and which font a replacement of another script gets. Replace-all
// finds every match in the text as it stands before anything changes, so a
// replacement never becomes context for a later match, and is one undo
// step; where nothing that an edit cuts into is in the way it builds the
// new text in one pass.
#include <algorithm>
#include <cstring>
#include <vector>

#include "text/base/memory.h"
#include "engine/text_layer_run.h"
#include "platform/memory.h"
#include "text/find/find.h"
#include "text/store/findstore.h"

using kxlayer::RunAction;

namespace {
// A selection longer than this is never offered as a find string.
constexpr long kMaxFindSelection = 255;
// KxTextCharByte's answers for the first and the second byte of a
// double-byte character.
constexpr short kLeadByte = -1, kSecondByte = 1;

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

void CKXTextLayer::ReplaceText(const char* repl, long len, const std::vector<SKXUniChar>* sides) {
  short font = 0;
  SKXStyl run{};
  const bool styled = ReplacementFont(repl, len, true, font);
  if (styled) {
    KXTE_GetCurStyl(mEdit, run.styl);
    run.styl.font = font;
    run.styl.face = 0;
  }
  Focus();
  const bool withSides = sides && !sides->empty();
  TextInsert(GetSelectionRange(), repl, len, styled ? &run : nullptr, styled ? 1 : 0, nullptr, 0, nullptr, 0,
             withSides ? sides->data() : nullptr, withSides ? long(sides->size()) : 0, nullptr, 0);
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
  std::vector<SKXUniChar> sides;
  if (built.h)
    n = KXText_CheckReplaceRE(mEdit, sel.start, long(sel.start) + sel.length, find, flen, options, repl, rlen,
                              built.h, mScriptType, &sides);
  if (n == kKxReplacedByNothing) {
    RunAction(*this, kxlayer::kActReplace, 0, [&](CKXTextAction&) { ReplaceText("", 0); });
  } else if (n > 0 && built.h && long(GetHandleSize(built.h)) >= n) {
    const std::string bytes(*built.h, std::size_t(n));
    // Characters kept beside their bytes go into the replacement with them.
    RunAction(*this, kxlayer::kActReplace, 0,
              [&](CKXTextAction&) { ReplaceText(bytes.data(), long(bytes.size()), &sides); });
  } else {
    DoReplace(repl, rlen);
  }
}

void CKXTextLayer::DoReplaceExt(const SKXRange& range, KXTextHandle text, short kind) {
  Command command(*this);
  SetSelectionRange(range, false);
  const bool active = KXTE_GetActivate(mEdit) != 0;
  if (active) (void)KXTE_Deactivate(mEdit);
  RunAction(*this, kxlayer::kActReplace, KxParaFlag(text, kind),
            [&](CKXTextAction&) { TextPaste(GetSelectionRange(), text, kind); });
  if (active) (void)KXTE_Activate(mEdit);
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
  // The side entries of the characters each replacement copies from its
  // match: without them those characters would become bare placeholders.
  std::vector<SKXUniChar> sides, copied;
  std::vector<std::size_t> sideEnds{0};
  for (const SKXRange& m : matches) {
    long n = 0;
    if (groups && built.h)
      n = KXText_CheckReplaceRE(mEdit, m.start, long(m.start) + m.length, find, flen, findOptions, repl, rlen,
                                built.h, mScriptType, &copied);
    if (n == kKxReplacedByNothing) {
      // The match goes.
    } else if (n > 0 && long(GetHandleSize(built.h)) >= n) {
      repls.append(*built.h, std::size_t(n));
      sides.insert(sides.end(), copied.begin(), copied.end());
    } else if (rlen > 0) {
      repls.append(repl, std::size_t(rlen));
    }
    ends.push_back(long(repls.size()));
    sideEnds.push_back(sides.size());
  }
  const SKXRange span{matches.front().start,
                      matches.back().start + matches.back().length - matches.front().start};
  SetSelectionRange(span, false);
  // One action over exactly the span: the whole replace-all is one undo step.
  RunAction(*this, kxlayer::kActReplace, 0,
            [&](CKXTextAction&) { TextEditResult(ReplaceAllText(matches, repls, ends, &sides, &sideEnds)); });
  return long(matches.size());
}

namespace {
// Target length of a stretch of the text edited on its own: an edit moves
// the runs, side entries and ruby after it in its stretch.
long gStretchBytes = 4096;
}  // namespace

// What every way of replacing reads: the matches, their replacements
// (ends[k]..ends[k + 1] of repls), and the text as it stood before.
struct CKXTextLayer::ReplaceAllPlan {
  ReplaceAllPlan(const std::vector<SKXRange>& m, const std::string& r, const std::vector<long>& e)
      : matches(m), repls(r), ends(e) {
    removed.reserve(matches.size() + 1);
    removed.push_back(0);
    for (const SKXRange& x : matches) removed.push_back(removed.back() + x.length);
  }
  const std::vector<SKXRange>& matches;
  const std::string& repls;
  const std::vector<long>& ends;
  const std::vector<SKXUniChar>* sides = nullptr;      // null: no replacement carries any
  const std::vector<std::size_t>* sideEnds = nullptr;
  std::vector<long> removed;  // bytes of the first k matches
  long textLen = 0, spanStart = 0, spanEnd = 0;
  bool paras = false;  // the text has paragraph runs
  std::vector<SKXStyl> styls;
  std::vector<SKXDeco> decos;
  std::size_t si = 0, di = 0;  // cursors of Takes
  std::vector<SKXRuby> rubys;  // all of them, in order
  KXMarkSet marks;             // the layer's, each already at its new place
  std::vector<SKXPara> newParas;  // the span's paragraph runs at their new places (one pass)

  long Length(std::size_t k) const { return ends[k + 1] - ends[k]; }
  long End(std::size_t k) const { return long(matches[k].start) + matches[k].length; }
  // Whether from..to, both ends included, meets a match or touches one.
  bool Touches(long from, long to) const {
    // Matches do not overlap: their ends rise with their starts.
    const auto it = std::lower_bound(matches.begin(), matches.end(), from,
                                     [](const SKXRange& m, long p) { return long(m.start) + m.length < p; });
    return it != matches.end() && it->start <= to;
  }
  // The new place of a position that no match touches: moved by the
  // replacements before it.
  long Moved(long p) const {
    const auto it = std::upper_bound(matches.begin(), matches.end(), p,
                                     [](long q, const SKXRange& m) { return q < m.start; });
    const std::size_t k = std::size_t(it - matches.begin());
    return p + ends[k] - removed[k];
  }
  // The style and decoration a replacement takes: those of the text after
  // its match (before it, at the end of the text), as an insertion without
  // runs takes them; a picture is not repeated. Matches in order.
  void Takes(std::size_t k, SStyl& styl, SDeco& deco) {
    const long at = End(k) < textLen ? End(k) : std::max(0L, long(matches[k].start) - 1);
    si = RunAt(styls, at, si);
    di = RunAt(decos, at, di);
    styl = styls[si].styl;
    deco = decos[di].deco;
    deco.pictID = 0;
  }
};

long CKXTextLayer::SetReplaceAllStretch(long bytes) {
  const long was = gStretchBytes;
  gStretchBytes = std::max(bytes, 1L);
  return was;
}

bool CKXTextLayer::Restyle(const ReplaceAllPlan& plan, std::size_t k, SStyl& styl) const {
  // A replacement with characters of the layer's script in a run of
  // another script's font gets a font of the layer's script.
  short font = 0;
  if (KxFontToScriptType(styl.font) == mScriptType ||
      !ReplacementFont(plan.repls.data() + plan.ends[k], plan.Length(k), false, font))
    return false;
  styl.font = font;
  styl.face = 0;
  return true;
}

std::uint16_t CKXTextLayer::ReplaceAllText(const std::vector<SKXRange>& matches, const std::string& repls,
                                           const std::vector<long>& ends, const std::vector<SKXUniChar>* sides,
                                           const std::vector<std::size_t>* sideEnds) {
  ReplaceAllPlan plan(matches, repls, ends);
  if (sides && sideEnds && sideEnds->size() == matches.size() + 1 && !sides->empty()) {
    plan.sides = sides;
    plan.sideEnds = sideEnds;
  }
  plan.textLen = GetTotalRange().length;
  plan.spanStart = matches.front().start;
  plan.spanEnd = plan.End(matches.size() - 1);
  plan.paras = KXText_GetParaCount(mEdit) > 0;
  plan.styls.resize(std::size_t(std::max<std::int32_t>(1, KXText_GetStylCount(mEdit))));
  plan.styls.resize(std::size_t(KXText_GetStyls(mEdit, plan.styls.data(), std::int32_t(plan.styls.size()))));
  plan.decos.resize(std::size_t(std::max<std::int32_t>(1, KXText_GetDecoCount(mEdit))));
  plan.decos.resize(std::size_t(KXText_GetDecos(mEdit, plan.decos.data(), std::int32_t(plan.decos.size()))));
  if (plan.styls.empty() || plan.decos.empty()) return 0;
  plan.rubys.resize(std::size_t(KXText_GetRubysCount(mEdit)));
  plan.rubys.resize(std::size_t(KXText_GetRubys(mEdit, plan.rubys.data(), std::int32_t(plan.rubys.size()))));

  // Three ways. The store edits match by match in the text itself where
  // its rules for an edit that cuts into something decide and a copy of
  // the text would not hold that something: marks and markups (and the
  // edit object's marks, when the layer keeps none); paragraphs that merge
  // or split in a text with paragraph runs (whether a run stands on an
  // empty last paragraph, or repeats the one before, depends on every edit
  // before); matches that, replaced by nothing, take the whole text (the
  // style an empty text keeps is the one its last deletion leaves). Where
  // a match meets a ruby base, the store edits match by match in a copy
  // built a stretch at a time. Otherwise the span is built anew in one
  // pass: runs, side entries, ruby and marks between matches move with
  // their text.
  auto marksMove = [&] {
    if (!HasMarks()) return KXTE_GetMarkCount(mEdit) == 0;
    GetMarks(plan.marks);
    for (SKXSavedMark& m : plan.marks) {
      if (plan.Touches(m.start, long(m.start) + m.length)) return false;
      m.start = std::int32_t(plan.Moved(m.start));
    }
    return true;
  };
  if (mReplaceAllPath == kReplaceExact || KXTE_GetMarkupCount(mEdit) > 0 || !marksMove() ||
      (plan.spanStart == 0 && plan.spanEnd == plan.textLen && repls.empty()))
    return ReplaceInPlace(plan);
  if (plan.paras && !CarriesParas(plan)) return ReplaceInPlace(plan);
  const bool rubyMet = std::any_of(plan.rubys.begin(), plan.rubys.end(), [&](const SKXRuby& r) {
    return plan.Touches(r.pos, long(r.pos) + r.baseLen);
  });
  if (rubyMet) return plan.paras ? ReplaceInPlace(plan) : ReplaceInStretches(plan);
  return ReplaceInOnePass(plan);
}

bool CKXTextLayer::CarriesParas(ReplaceAllPlan& plan) const {
  // Paragraph runs go through the one pass when no match and no
  // replacement holds a CR: every paragraph start then stays one, moved by
  // the replacements before it. Not when a paragraph would start at the
  // span's new end: its run cannot go in with the new text.
  const std::vector<SKXRange>& matches = plan.matches;
  if (plan.repls.find('\r') != std::string::npos) return false;
  std::string bytes;
  for (const SKXRange& m : matches) {
    bytes.resize(std::size_t(m.length));
    TextGetThruPtr(m, bytes.data(), m.length);
    if (bytes.find('\r') != std::string::npos) return false;
  }
  // A span that reaches the end of the text is not built in one pass:
  // while it is rebuilt a paragraph run would stand at the text's end,
  // where none can.
  if (plan.spanEnd == plan.textLen) return false;
  // Back from the end over the matches that leave nothing: the first
  // byte left before the new end tells whether a paragraph starts there.
  for (std::size_t k = matches.size(); k-- > 0;) {
    if (plan.Length(k) > 0) break;
    const long gapStart = k == 0 ? matches[k].start : plan.End(k - 1);
    if (k == 0 || gapStart < matches[k].start) {
      if (KXText_IsParaStart(mEdit, matches[k].start)) return false;
      break;
    }
  }
  std::vector<SKXPara>& runs = plan.newParas;
  runs.resize(std::size_t(std::max<std::int32_t>(1, KXText_GetSelParaCount(mEdit, plan.spanStart, plan.spanEnd))));
  runs.resize(std::size_t(
      KXText_GetSelParas(mEdit, plan.spanStart, plan.spanEnd, runs.data(), std::int32_t(runs.size()))));
  std::size_t k = 0;
  long moved = 0;
  for (SKXPara& run : runs) {
    const long at = plan.spanStart + run.offset;
    for (; k < matches.size() && plan.End(k) <= at; ++k) moved += plan.Length(k) - matches[k].length;
    run.offset = std::int32_t(run.offset + moved);
  }
  return !runs.empty();
}

long CKXTextLayer::ReplaceOneMatch(ReplaceAllPlan& plan, KXTextHandle text, long at, std::size_t k) {
  const SKXRange& m = plan.matches[k];
  SKXStyl run{0, {}};
  SDeco deco{};
  plan.Takes(k, run.styl, deco);
  const bool styled = Restyle(plan, k, run.styl);
  const long n = plan.Length(k);
  // A match that is the whole of the last paragraph would take that
  // paragraph's style with it: a run cannot start at the text's end.
  SKXPara lastPara{};
  const bool keepPara = plan.paras && n > 0 && plan.End(k) == plan.textLen && KXText_IsParaStart(text, at) &&
                        KXText_GetSelParas(text, at, at + m.length, &lastPara, 1) == 1;
  KXText_Delete(text, at, at + m.length);
  const SKXUniChar* sides = plan.sides ? plan.sides->data() + (*plan.sideEnds)[k] : nullptr;
  const std::int32_t nSides = plan.sides ? std::int32_t((*plan.sideEnds)[k + 1] - (*plan.sideEnds)[k]) : 0;
  if (n > 0)
    KXText_InsertTextWithUniChars(text, at, plan.repls.data() + plan.ends[k], n, styled ? &run : nullptr,
                                  styled ? 1 : 0, nullptr, 0, nullptr, 0, nSides > 0 ? sides : nullptr, nSides);
  if (keepPara) KXText_SetPara(text, at, at + n, lastPara.para);
  return n - m.length;
}

// Whichever way it goes, the result word says that the text changed: its
// owner learns it from there (a document not told saves nothing).
std::uint16_t CKXTextLayer::ReplaceInPlace(ReplaceAllPlan& plan) {
  std::uint16_t result = kKxEditTextChanged | kxlayer::kResultRelayout | kxlayer::kResultRedraw;
  result |= KXTE_SetSelect(mEdit, 0, 0);
  long delta = 0;
  // Marks and markups move once, after the last match: moving every later
  // one at each match made many matches with many marks quadratic.
  const long marks = KXTE_GetMarkCount(mEdit);
  KXTE_HoldMarks(mEdit);
  try {
    for (std::size_t k = 0; k < plan.matches.size(); ++k) {
      const long at = plan.matches[k].start + delta;
      const long moved = ReplaceOneMatch(plan, mEdit, at, k);
      TextChanged(at, plan.matches[k].length, plan.Length(k));
      delta += moved;
    }
  } catch (...) {
    KXTE_SettleMarks(mEdit);
    throw;
  }
  KXTE_SettleMarks(mEdit);
  // The edit object notes marks that went in a result word of its own,
  // which no call hands on: this one says so, for the list and the menu.
  if (KXTE_GetMarkCount(mEdit) != marks) result |= kKxEditMarks;
  KXTE_CalcText(mEdit);
  const long caret = plan.spanEnd + delta;
  return std::uint16_t(result | KXTE_SetSelect(mEdit, caret, caret));
}

std::uint16_t CKXTextLayer::ReplaceInStretches(ReplaceAllPlan& plan) {
  const std::vector<SKXRange>& matches = plan.matches;
  const long textLen = plan.textLen;
  // A stretch ends where nothing that an edit reads or changes reaches
  // across: between two characters, where no match touches and no ruby
  // base crosses.
  std::size_t ri = 0;
  auto canEnd = [&](long c) {
    if (KXText_GetCharByte(mEdit, c) == kSecondByte) return false;
    for (; ri < plan.rubys.size() && long(plan.rubys[ri].pos) + plan.rubys[ri].baseLen <= c;) ++ri;
    if (ri < plan.rubys.size() && plan.rubys[ri].pos < c) return false;
    return !plan.Touches(c, c);
  };
  // Where the stretch from `from` ends: past the match at or after it,
  // and past the target length.
  auto stretchEnd = [&](long from, std::size_t k) {
    if (k == matches.size()) return textLen;
    long to = std::max(plan.End(k) + 1, from + gStretchBytes);
    for (; to < textLen && !canEnd(to);) ++to;
    return std::min(to, textLen);
  };
  // The copy is one stretch ahead of the edits, so that each edit has the
  // text after it as far as any edit reaches, as in the text itself.
  // The text has no paragraph runs: the copy takes none.
  const short what = kKxSaveAll & ~kKxSavePara;
  kxlayer::TextOwner work(NewText()), piece(NewText());
  long to = stretchEnd(0, 0);
  KXText_Copy(mEdit, 0, to, work.h, what);
  std::size_t k = 0;
  for (long delta = 0;;) {
    std::size_t after = k;  // the first match after this stretch
    while (after < matches.size() && matches[after].start < to) ++after;
    const long next = stretchEnd(to, after);
    if (next > to) {
      KXText_Copy(mEdit, to, next, piece.h, what);
      KXText_Insert(work.h, to + delta, piece.h, what);
    }
    for (; k < after; ++k) delta += ReplaceOneMatch(plan, work.h, matches[k].start + delta, k);
    if (to == textLen) break;
    to = next;
  }
  // The copy becomes the text as it is.
  TextTakeText(work.h);
  // Marks went with the old text; each stands again where its text went.
  if (!plan.marks.empty()) SetMarks(plan.marks);
  const long caret = plan.spanEnd + plan.ends.back() - plan.removed.back();
  return std::uint16_t(kKxEditTextChanged | kxlayer::kResultRelayout | kxlayer::kResultRedraw |
                       KXTE_SetSelect(mEdit, caret, caret));
}

std::uint16_t CKXTextLayer::ReplaceInOnePass(ReplaceAllPlan& plan) {
  const std::vector<SKXRange>& matches = plan.matches;
  const long spanStart = plan.spanStart, spanEnd = plan.spanEnd;
  // The span's new bytes with their style and decoration runs; the text
  // between matches keeps its own runs, side entries and ruby.
  std::string bytes;
  bytes.reserve(std::size_t(spanEnd - spanStart) + plan.repls.size());
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
  std::vector<SKXUniChar> uni(std::size_t(KXText_GetSelUniCharsCount(mEdit, spanStart, spanEnd)));
  uni.resize(std::size_t(KXText_GetSelUniChars(mEdit, spanStart, spanEnd, uni.data(), std::int32_t(uni.size()))));
  // No ruby base meets a match: each moves with the text it stands on.
  std::vector<SKXRuby> rubys;
  for (SKXRuby r : plan.rubys)
    if (r.pos >= spanStart && r.pos < spanEnd) {
      r.pos = std::int32_t(plan.Moved(r.pos) - spanStart);
      rubys.push_back(r);
    }
  const std::vector<SKXStyl>& styls = plan.styls;
  const std::vector<SKXDeco>& decos = plan.decos;
  std::vector<SKXUniChar> newUni;  // the span's side entries at their new places
  newUni.reserve(uni.size() + (plan.sides ? plan.sides->size() : 0));
  std::size_t ui = 0;              // side entries read
  std::size_t gi = 0, gd = 0;    // run cursors over the gaps
  auto copyGap = [&](long from, long to) {
    if (to <= from) return;
    const long base = long(bytes.size()) - from;
    gi = RunAt(styls, from, gi);
    for (addStyl(from + base, styls[gi].styl); gi + 1 < styls.size() && styls[gi + 1].offset < to;)
      ++gi, addStyl(styls[gi].offset + base, styls[gi].styl);
    gd = RunAt(decos, from, gd);
    for (addDeco(from + base, decos[gd].deco); gd + 1 < decos.size() && decos[gd + 1].offset < to;)
      ++gd, addDeco(decos[gd].offset + base, decos[gd].deco);
    // Side entries inside a match go with it.
    for (; ui < uni.size() && spanStart + uni[ui].offset < to; ++ui)
      if (spanStart + uni[ui].offset >= from)
        newUni.push_back({std::int32_t(spanStart + uni[ui].offset + base), uni[ui].value});
    const std::size_t at = bytes.size();
    bytes.resize(at + std::size_t(to - from));
    TextGetThruPtr({std::int32_t(from), std::int32_t(to - from)}, bytes.data() + at, to - from);
  };
  long p = spanStart;
  for (std::size_t k = 0; k < matches.size(); ++k) {
    copyGap(p, matches[k].start);
    if (const long n = plan.Length(k); n > 0) {
      SStyl styl{};
      SDeco deco{};
      plan.Takes(k, styl, deco);
      Restyle(plan, k, styl);
      addStyl(long(bytes.size()), styl);
      addDeco(long(bytes.size()), deco);
      if (plan.sides)
        for (std::size_t j = (*plan.sideEnds)[k]; j < (*plan.sideEnds)[k + 1]; ++j)
          newUni.push_back({std::int32_t(long(bytes.size()) + (*plan.sides)[j].offset), (*plan.sides)[j].value});
      bytes.append(plan.repls, std::size_t(plan.ends[k]), std::size_t(n));
    }
    p = plan.End(k);
  }
  // New bytes own the pictures their runs name, and the span's old runs
  // release theirs when it goes: a picture kept goes in as a copy.
  for (SKXDeco& run : newDecos)
    if (run.deco.pictID != 0) run.deco.pictID = UKXText_DuplicatePicture(run.deco.pictID);
  const bool none = bytes.empty();
  const std::vector<SKXPara>& paras = plan.newParas;
  TextInsert({std::int32_t(spanStart), std::int32_t(spanEnd - spanStart)}, bytes.data(), long(bytes.size()),
             none ? nullptr : newStyls.data(), long(newStyls.size()), none ? nullptr : newDecos.data(),
             long(newDecos.size()), paras.empty() || none ? nullptr : paras.data(), long(paras.size()),
             newUni.empty() ? nullptr : newUni.data(), long(newUni.size()), rubys.empty() ? nullptr : rubys.data(),
             long(rubys.size()));
  // Marks in the span went with it; each stands again where its text went.
  if (!plan.marks.empty()) SetMarks(plan.marks);
  const long caret = spanStart + long(bytes.size());
  return std::uint16_t(kKxEditTextChanged | kxlayer::kResultRelayout | kxlayer::kResultRedraw |
                       KXTE_SetSelect(mEdit, caret, caret));
}
