// The edit object's line table (line starts and run-coded heights), full
// layout and the incremental relayout after an edit.
//
// Line starts are kept in a table with a pending shift and free entries
// where the last edit was: a keystroke costs the same near the end of a
// large text as in a small one, and one that adds or removes a line does
// not move every line after it.
#include <algorithm>
#include <cstring>

#include "layout/text_edit.h"
#include "platform/exception.h"
#include "platform/memory.h"

namespace {

// Read buffer of one layout pass.
constexpr long kReadBuffer = 2048;

long HeightOf(std::uint16_t code) { return code & kKxLineHeightMask; }

}  // namespace

// ---- pending shift ----------------------------------------------------------------------

long CKXTextEdit::StartAt(long line) const {
  // Read in place: a relayout asks for a line start or two per line it lays.
  const long count = StoredLineCount();
  if (line == CKXArray::kLastIndex) line = count;
  if (line < 1 || line > count) return GetLength();
  return mLines.PosAt(line);
}

// ---- queries -----------------------------------------------------------------------------

long CKXTextEdit::GetLineCount() const {
  LayOnConst(kAllLines, kAllLines, kAllLines);
  return StoredLineCount();
}

long CKXTextEdit::GetLineNo(long offset) const {
  LayOnConst(0, offset, 0);
  return std::max(1L, mLines.Find(offset));
}

long CKXTextEdit::GetLineOffsetAt(long line) const {
  LayOnConst(line, 0, 0);
  return StartAt(line);
}

std::uint16_t CKXTextEdit::GetLineCodeAt(long line) const {
  LayOnConst(line, 0, 0);
  if (line < 1 || line > StoredLineCount()) return 0;
  return CodeOfLine(line - 1);
}

long CKXTextEdit::GetLineHeightAt(long line) const { return HeightOf(GetLineCodeAt(line)); }

long CKXTextEdit::GetLineInfoAt(long line, SKXLineInfo& info, long* length, SKXHeitCalc* hc) const {
  LayOnConst(line, 0, 0);
  const long n = StoredLineCount();
  if (line < 1 || line > n) {
    info = SKXLineInfo{};
    if (length) *length = 0;
    return GetLength();
  }
  const long start = StartAt(line);
  if (length) *length = (line < n ? StartAt(line + 1) : GetLength()) - start;
  info.width = std::int32_t(LayoutWidth());
  std::uint16_t code;
  const long idx0 = line - 1;
  if (hc && hc->first != SKXHeitCalc::kInvalid && idx0 >= hc->first && idx0 < hc->end) {
    code = hc->code;
  } else {
    const long run = mHeits.Find(idx0);
    code = mHeits.At(run).code;
    if (hc) {
      hc->index = run;
      hc->first = mHeits.At(run).line;
      hc->end = run < mHeits.GetCount() ? mHeits.At(run + 1).line : SKXHeitCalc::kInvalid;
      // A run reaching into the deferred lines ends where they begin.
      if (mLazyLine && (hc->end == SKXHeitCalc::kInvalid || hc->end > mLazyLine - 1)) hc->end = mLazyLine - 1;
      hc->code = code;
    }
  }
  if (hc && (code & kKxLinePageBreak)) hc->pageBreak = 1;
  info.height = std::uint16_t(HeightOf(code));
  return start;
}

long CKXTextEdit::GetLineHeightUntilAt(long line) const {
  if (line <= 1) return 0;
  LayOnConst(line - 1, 0, 0);
  return TopOfLine(std::min(line, StoredLineCount() + 1) - 1);
}

long CKXTextEdit::GetLineFromHeight(long y, long& delta) const {
  LayOnConst(0, 0, y);
  const long n = StoredLineCount();
  const long runs = mHeits.GetCount();
  if (runs > 0) {
    // The run whose lines reach height y: the last that begins above it.
    const long r = mHeits.Find(y, true);
    const SKXHeitRun h = mHeits.At(r);
    const long end = r < runs ? long(mHeits.At(r + 1).line) : n;
    const long height = HeightOf(h.code);
    if (y < h.top + (end - h.line) * height) {
      const long k = y < h.top ? 0 : (y - h.top) / height;
      delta = h.top + k * height - y;
      return h.line + k + 1;
    }
  }
  delta = TopOfLine(n) - y;
  return std::max(1L, n);
}

long CKXTextEdit::TopOfLine(long line0) const {
  if (line0 <= 0 || mHeits.GetCount() == 0) return 0;
  const SKXHeitRun h = mHeits.At(mHeits.Find(line0));
  return h.top + (line0 - h.line) * HeightOf(h.code);
}

bool CKXTextEdit::RangeBreaks(long first0, long last0) const {
  const long runs = mHeits.GetCount();
  for (long r = std::max(1L, mHeits.Find(first0)); r <= runs; ++r) {
    const SKXHeitRun h = mHeits.At(r);
    if (h.line > last0) break;
    if (h.code & kKxLinePageBreak) return true;
  }
  return false;
}

bool CKXTextEdit::SameLineInfo(const SKXLineInfo& a, const SKXLineInfo& b) {
  return a.width == b.width && a.height == b.height;
}

const char* CKXTextEdit::Check() const {
  LayOnConst(kAllLines, kAllLines, kAllLines);
  if (mLazyLine) return "layout still deferred after finishing it";
  const long n = StoredLineCount();
  if (n < 1) return "no lines";
  if (StartAt(1) != 0) return "line 1 does not start at 0";
  for (long i = 2; i <= n; ++i) {
    const long s = StartAt(i);
    if (s <= StartAt(i - 1)) return "line starts not ascending";
    if (s > GetLength()) return "line start beyond the text";
  }
  const long runs = mHeits.GetCount();
  if (runs < 1) return "no height runs";
  SKXHeitRun prev{};
  long total = 0;
  for (long r = 1; r <= runs; ++r) {
    const SKXHeitRun h = mHeits.At(r);
    if (r == 1 && h.line != 0) return "height runs do not start at line 0";
    if (r > 1 && h.line <= prev.line) return "height runs not ascending";
    if (r > 1 && h.code == prev.code) return "equal neighbouring height runs";
    if (h.line >= n) return "height run beyond the last line";
    if (h.pad != 0) return "height run pad not zero";
    if (h.top != total) return "height run top is not the height of the lines above it";
    const long end = r < runs ? long(mHeits.At(r + 1).line) : n;
    total += (end - h.line) * HeightOf(h.code);
    prev = h;
  }
  if (total != mDest.bottom - mDest.top) return "destination height is not the sum of the line heights";
  return nullptr;
}

// ---- splicing ----------------------------------------------------------------------------

void CKXTextEdit::SpliceHeights(long first0, long removed, const NewLine* lines, long count, long n) {
  const long end0 = first0 + removed;  // first old line after the removed ones
  const long runs = mHeits.GetCount();
  // Runs before first0 stay; runs starting in first0..end0 go; later runs
  // move by count - removed lines and by the change in height. The code in
  // force at end0 continues after the new lines.
  const long head = first0 > 0 && runs > 0 ? mHeits.Find(first0 - 1) : 0;  // runs starting before first0
  const long upTo = runs > 0 ? mHeits.Find(end0) : 0;                      // runs starting at or before end0
  const long top = TopOfLine(first0);
  std::vector<SKXHeitRun> mid;
  long height = 0;  // of the new lines so far
  auto add = [&](long line, std::uint16_t code) {
    if (!mid.empty() && mid.back().code == code) return;
    if (mid.empty() && head > 0 && mHeits.At(head).code == code) return;
    mid.push_back(SKXHeitRun{std::int32_t(line), std::int32_t(top + height), code, 0});
  };
  for (long k = 0; k < count; ++k) {
    add(first0 + k, lines[k].code);
    height += HeightOf(lines[k].code);
  }
  if (end0 < n && upTo > 0) add(first0 + count, mHeits.At(upTo).code);
  // The later runs differ from the code carried over, their neighbour
  // before the splice: no merge needed there.
  const long oldHeight = TopOfLine(end0) - top;
  mHeits.Splice(head + 1, upTo - head, long(mid.size()), count - removed, [&mid](long k) { return mid[size_t(k)]; },
                height - oldHeight);
}

void CKXTextEdit::SpliceLines(long first, long removed, const NewLine* lines, long count) {
  const long oldCount = StoredLineCount();
  // Everything that can fail first: room in both tables.
  mLines.MakeRoom(first, removed, count);
  SpliceHeights(first - 1, removed, lines, count, oldCount);
  mLines.Splice(first, removed, count, 0, [lines](long k) { return SKXLine{lines[k].offset}; });
}

void CKXTextEdit::InsertLineInfoAt(long line, long offset, SKXLineInfo& info, SKXHeitCalc* hc) {
  LayOn(kAllLines, kAllLines, kAllLines);
  line = std::clamp(line, 1L, StoredLineCount() + 1);
  const NewLine one{std::int32_t(offset), info.height};
  SpliceLines(line, 0, &one, 1);
  if (hc) {
    hc->first = SKXHeitCalc::kInvalid;
    hc->pageBreak = (info.height & kKxLinePageBreak) ? 1 : 0;
  }
  info.height &= std::uint16_t(~kKxLinePageBreak);
}

void CKXTextEdit::SetLineInfoAt(long line, long offset, SKXLineInfo& info, SKXHeitCalc* hc) {
  LayOn(kAllLines, kAllLines, kAllLines);
  if (line < 1 || line > StoredLineCount()) {
    InsertLineInfoAt(line, offset, info, hc);
    return;
  }
  const NewLine one{std::int32_t(offset), info.height};
  if (GetLineCodeAt(line) != info.height) {
    SpliceLines(line, 1, &one, 1);
    if (hc) hc->first = SKXHeitCalc::kInvalid;
  } else {
    mLines.SetAt(line, SKXLine{std::int32_t(offset)});
  }
  if (hc) hc->pageBreak = (info.height & kKxLinePageBreak) ? 1 : 0;
  info.height &= std::uint16_t(~kKxLinePageBreak);
}

void CKXTextEdit::DeleteLineInfoAt(long line, SKXHeitCalc* hc) { DeleteLinesInfoAt(line, line, hc); }

long CKXTextEdit::DeleteLinesInfoAt(long first, long last, SKXHeitCalc* hc) {
  LayOn(kAllLines, kAllLines, kAllLines);
  const long n = StoredLineCount();
  first = std::max(first, 1L);
  last = std::min(last, n);
  if (first > last) return 0;
  const long sum = TopOfLine(last) - TopOfLine(first - 1);
  const bool pb = RangeBreaks(first - 1, last - 1);
  SpliceLines(first, last - first + 1, nullptr, 0);
  if (hc) {
    hc->first = SKXHeitCalc::kInvalid;
    if (pb) hc->pageBreak = 1;
  }
  return sum;
}

void CKXTextEdit::DeleteAllLineInfo() {
  mLines.Clear();
  mHeits.Clear();
  mLazyLine = 0;
  mHeightOwed = false;
}

// ---- layout ------------------------------------------------------------------------------

void CKXTextEdit::StartLineCalc(SKXLineCalc& calc, char* buffer, long capacity, CKXCharState* state) const {
  calc = SKXLineCalc{};
  calc.buffer = buffer;
  calc.capacity = capacity;
  calc.state = state;
}

void CKXTextEdit::CalcText() {
  mReachMemo = ReachMemo{};
  if (mLazyLine) {
    mLazyLine = 0;
    mHeightOwed = false;
  }
  const long width = LayoutWidth();
  mCurParaIndex = -1;
  std::vector<NewLine> lines;
  // Room for a line every 16 bytes, which pages only where lines come:
  // grown by doubling, the table of a large text was copied and faulted
  // in twice over, as long as laying the lines out.
  lines.reserve(std::size_t(GetLength() / 16 + 64));
  KxPreferHugePages(lines.data(), lines.capacity() * sizeof(NewLine));
  std::vector<char> buffer(kReadBuffer);
  {
    CKXCharState state;
    SKXLineCalc calc;
    StartLineCalc(calc, buffer.data(), kReadBuffer, &state);
    const long len = GetLength();
    for (long offset = 0; offset <= len;) {
      SKXLineInfo info;
      const long next = mLayout.CalcLineInfo(offset, width, info, &mLineStyl, &calc);
      if (next == offset) break;
      lines.push_back(NewLine{std::int32_t(offset), info.height});
      if (next < offset) break;  // never: a line always moves on
      offset = next;
    }
  }
  // One line even for a text the layout walks past at once.
  if (lines.empty()) {
    SKXLineInfo info;
    mLayout.CalcLineInfo(0, width, info, &mLineStyl, nullptr);
    lines.push_back(NewLine{0, info.height});
  }
  long total = 0;
  for (const NewLine& l : lines) total += HeightOf(l.code);
  DeleteAllLineInfo();
  SpliceLines(1, 0, lines.data(), long(lines.size()));
  mRelaidLines = long(lines.size());
  mDest.bottom = std::int32_t(mDest.top + total);
  SetSelPoint(mSelEnd, 1, 0);
  mResult |= kKxEditImageSize;
}

long CKXTextEdit::Relay(long first, long k0, long changeEnd, const LayLimit* limit, long& oldHeight,
                        long& newHeight, bool& pageBreak) {
  const long len = GetLength();
  const long oldCount = StoredLineCount();
  const long width = LayoutWidth();
  const long lazyLine = mLazyLine;
  // Heights from the destination's top, for the limit.
  const long top = limit ? limit->top : 0;
  std::vector<NewLine> lines;
  lines.reserve(64);  // a screenful, the usual relayout after a key
  char buffer[kReadBuffer];  // read only as far as it is filled
  long next = StartAt(first);
  long j = first + 1;  // the first stored line not yet passed
  bool converged = false, stopped = false;
  newHeight = 0;
  {
    CKXCharState state;
    SKXLineCalc calc;
    StartLineCalc(calc, buffer, kReadBuffer, &state);
    long offset = next;
    while (offset <= len) {
      SKXLineInfo info;
      next = mLayout.CalcLineInfo(offset, width, info, &mLineStyl, &calc);
      if (next == offset) break;
      lines.push_back(NewLine{std::int32_t(offset), info.height});
      newHeight += HeightOf(info.height);
      if (next > len || next < offset) break;
      offset = next;
      while (j <= oldCount && StartAt(j) < offset) ++j;
      // Converged: the next line starts where a stored line after the change
      // starts; from there on the text and so the layout are as before.
      // Among deferred lines only a trusted start says so.
      if (j <= oldCount && j > k0 && StartAt(j) == offset && offset > changeEnd &&
          (!lazyLine || j <= lazyLine || offset >= mLazyTrust)) {
        converged = true;
        break;
      }
      if (limit && offset < len && first + long(lines.size()) > limit->line && offset > limit->offset &&
          top + newHeight > limit->height) {
        stopped = true;
        break;
      }
    }
  }
  if (lines.empty()) return 0;
  const long count = long(lines.size());
  long lineEnd = converged || stopped ? j : oldCount + 1;  // first stored line kept
  long laidHeight = newHeight;
  if (stopped && (j > oldCount || StartAt(j) != next)) {
    // The deferred part begins at a true start: the next stored line moves
    // there with its old height (the line count stays, so no later line
    // moves in the table); past the last one a line is added.
    const long from = std::min(j, oldCount);
    const std::uint16_t code = CodeOfLine(from - 1);
    lines.push_back(NewLine{std::int32_t(next), code});
    laidHeight += HeightOf(code);
    if (j <= oldCount) ++lineEnd;
  }
  oldHeight = lineEnd > first ? TopOfLine(lineEnd - 1) - TopOfLine(first - 1) : 0;
  pageBreak = lineEnd > first && RangeBreaks(first - 1, lineEnd - 2);
  for (const NewLine& l : lines)
    if (l.code & kKxLinePageBreak) pageBreak = true;
  const long reported = mLazyLine ? mReportedHeight : long(mDest.bottom) - mDest.top;
  SpliceLines(first, lineEnd - first, lines.data(), long(lines.size()));
  mDest.bottom = std::int32_t(mDest.bottom + laidHeight - oldHeight);
  if (stopped) {
    if (!lazyLine) mReportedHeight = reported;
    mLazyLine = first + count;
    mLazyTop = top + newHeight;
  } else if (converged && lazyLine && lineEnd <= lazyLine) {
    mLazyLine += long(lines.size()) - (lineEnd - first);
    mLazyTop += newHeight - oldHeight;
  } else if (lazyLine) {
    mLazyLine = 0;
    if (long(mDest.bottom) - mDest.top != mReportedHeight) mHeightOwed = true;
  }
  return count;
}

CKXTextEdit::LayLimit CKXTextEdit::DeferLimit(long first, long top, long changeEnd) const {
  (void)first, (void)top;
  return LayLimit{0, changeEnd, long(mView.bottom) - mDest.top};
}

void CKXTextEdit::LayOn(long line, long offset, long height) {
  // Never fewer lines a turn: a run of queries one line further each
  // splices the table a few times, not once a line.
  constexpr long kLeastLines = 256;
  while (mLazyLine && !(line < mLazyLine && offset < StartAt(mLazyLine) && height < mLazyTop)) {
    const long from = mLazyLine;
    // Read raw: the lines above `from` are exact.
    const long top = TopOfLine(from - 1);
    const LayLimit limit{std::max(line, from + kLeastLines), offset, height, top};
    long oldHeight = 0, newHeight = 0;
    bool pageBreak = false;
    if (Relay(from, from, -1, &limit, oldHeight, newHeight, pageBreak) == 0) {
      // Nothing to lay (never: the deferred part holds a line): settle.
      CalcText();
      return;
    }
  }
}

std::uint16_t CKXTextEdit::FinishLayout(long lines) {
  if (lines >= kAllLines || !mLazyLine)
    LayOn(kAllLines, kAllLines, kAllLines);
  else
    LayOn(mLazyLine + std::max(1L, lines), 0, 0);
  if (!mHeightOwed) return 0;
  mHeightOwed = false;
  mResult |= kKxEditImageSize;
  return kKxEditImageSize;
}

long CKXTextEdit::FirstLineToRelay(long first, long start) const {
  auto afterCR = [&](long line) {
    const long s = StartAt(line);
    return s == 0 || GetCharByte(s - 1) == 13;
  };
  if (first <= 1 || afterCR(first)) return first;
  --first;
  // A line before `first` laid out again over the text as it now is: the
  // text before the change is as it was, so it reads as far as the change
  // now exactly when it did before.
  char buffer[kReadBuffer];
  CKXCharState state;
  SKXLineCalc calc;
  auto readsChange = [&](long line) {
    const long s = StartAt(line), width = LayoutWidth();
    if (mReachMemo.lineStart != s || mReachMemo.width != width) {
      StartLineCalc(calc, buffer, kReadBuffer, &state);
      SKXLineInfo info;
      mLayout.CalcLineInfo(s, width, info, &mLineStyl, &calc);
      mReachMemo = ReachMemo{s, width, calc.reach, calc.measuredTabs, calc.roomierFirstLine};
    }
    return mReachMemo.reach > start;
  };
  // Of two lines of a paragraph the later one reads as far as the earlier
  // (it has at least the room from the earlier one's last word on), so the
  // lines before one that stops short of the change stop short too...
  auto walk = [&](long line) {
    for (; line > 1 && !afterCR(line) && readsChange(line - 1); --line) first = std::min(first, line - 1);
  };
  walk(first);
  if (first <= 1 || afterCR(first)) return first;
  const bool tabs = mReachMemo.measuredTabs, roomier = mReachMemo.roomierFirstLine;
  if (!tabs && !roomier) return first;
  // ...except the first line when it starts further out than the rest, and
  // lines measuring a tab: the last tab before the change, whose measure no
  // tab before it reaches past, and the line ending just before it may have
  // measured it too.
  const long paraStart = PrevParaStart(start);
  long tab = -1;
  if (tabs) {
    char bytes[256];
    for (long to = start; to > paraStart && tab < 0;) {
      const long from = std::max(paraStart, to - long(sizeof bytes));
      const long n = CopyBytes(from, to, bytes, to - from);
      if (n <= 0) break;
      if (const void* hit = memrchr(bytes, 9, std::size_t(n))) tab = from + (static_cast<const char*>(hit) - bytes);
      to = from;
    }
  }
  const long firstStart = StartAt(first);
  if (tab >= 0 && tab < firstStart) {
    const long line = std::max(1L, mLines.Find(tab));
    for (long l : {line, line - 1}) {
      if (l < 1 || l >= first || StartAt(l) < paraStart) continue;
      if (readsChange(l)) {
        first = l;
        walk(l);
      }
    }
  }
  if (roomier && paraStart < StartAt(first)) {
    const long line = std::max(1L, mLines.Find(paraStart));
    if (line < first && readsChange(line)) first = line;
  }
  return first;
}

long CKXTextEdit::RecalcText(long start, long length, long delta, long& firstLine) {
  const long len = GetLength();
  if (len == 0) {
    CalcText();
    firstLine = 1;
    return kKxRedrawToEnd;
  }
  mCurParaIndex = -1;
  const long oldCount = StoredLineCount();
  start = std::clamp(start, 0L, len);
  length = std::clamp(length, 0L, len - start);
  const long removed = std::max(0L, length - delta);
  long changeEnd = start + length;  // end of the new text
  // Removing a paragraph end hands the paragraph's style to the text after
  // it: relay the whole paragraph.
  if (removed > 0 && GetParaCount() > 0) changeEnd = std::max(changeEnd, GetNextParaPos(changeEnd));

  // A ruby raises every line its base touches: widen the change to the
  // rubies that reach into it.
  long rubyFrom = start;
  if (GetRubysCount() > 0) {
    const long lo = std::max(0L, start - kKxRubyMaxBase);
    const long count = GetSelRubysCount(lo, changeEnd + 1);
    const long firstRuby = GetSelRubysFirstNumber(lo, changeEnd + 1);
    SKXRuby r;
    for (long i = 0; i < count && GetRubyAtNumber(firstRuby + i, &r); ++i) {
      if (r.pos + r.baseLen >= start && r.pos <= changeEnd) {
        rubyFrom = std::min(rubyFrom, long(r.pos));
        changeEnd = std::max(changeEnd, long(r.pos) + r.baseLen);
      }
    }
  }

  // The table still describes the text before the change: read it raw
  // (the queries would lay deferred lines out over the new text).
  auto lineOf = [&](long offset) { return std::max(1L, mLines.Find(offset)); };
  const long k0 = lineOf(start);
  long first = std::min(k0, lineOf(rubyFrom));
  // A change among the deferred lines: the layout goes on from the last
  // true start.
  if (mLazyLine) first = std::min(first, mLazyLine);
  // With wrapping a change can pull text back onto the line before, and
  // lines before that read past their own break: the line-break rules look
  // at the characters after it, a line whose break word wrap moved back
  // over a word read as far as where it first broke, and a centre or right
  // tab measures the text after it. Those that read as far as the change
  // are relaid too.
  // A remembered reach no longer holds once the text before it changed.
  if (start < mReachMemo.reach) mReachMemo = ReachMemo{};
  if (mLineStyl.wrap) first = FirstLineToRelay(first, start);
  // Lines after the one holding the change move with the text; those that
  // started inside removed text are passed over below (never matched).
  ShiftLinesAfter(k0, delta);
  if (mLazyLine) {
    // Deferred starts before the change or inside it no longer hold.
    const long trust = mLazyTrust >= start + removed ? mLazyTrust + delta : 0;
    mLazyTrust = std::max({trust, StartAt(mLazyLine) + 1, changeEnd + 1});
  }

  // Typing stops at the view: the lines below it wait for whoever asks.
  // Never inside the change: old lines that started in removed text would
  // stay behind, out of order.
  const bool defer = MayDeferLayout();
  LayLimit limit{};
  if (defer) {
    const long top = TopOfLine(first - 1);
    limit = DeferLimit(first, top, changeEnd);
    limit.top = top;
  }
  long oldHeight = 0, newHeight = 0;
  bool pageBreak = false;
  const bool wasLazy = mLazyLine != 0;
  const long count = Relay(first, k0, changeEnd, defer ? &limit : nullptr, oldHeight, newHeight, pageBreak);
  if (count == 0) {
    CalcText();
    firstLine = 1;
    return kKxRedrawToEnd;
  }
  if (mLazyLine && !wasLazy) mLazyTrust = changeEnd + 1;
  firstLine = first;
  mRelaidLines = count;
  // Deferred lines may move: everything from the first line is redrawn.
  if (mLazyLine) return kKxRedrawToEnd;
  if (newHeight != oldHeight) return kKxRedrawToEnd;
  if (pageBreak || StoredLineCount() < oldCount || count > kKxRedrawToEnd) return kKxRedrawToEnd;
  return count;
}

std::uint16_t CKXTextEdit::RecalcAndRedraw(long caret, long delta, std::uint8_t keepStart) {
  const long from = std::clamp(mSelEnd, 0L, GetLength());
  caret = std::clamp(caret, 0L, GetLength());
  const long changed = std::max(0L, caret - from);
  long firstLine = 1;
  const long n = RecalcText(from, changed, delta, firstLine);

  long draw;
  if (from == caret) {
    draw = 1;
  } else {
    const long caretLine = GetLineNo(caret);
    draw = (firstLine < StoredLineCount() && caret >= StartAt(firstLine + 1)) ? caretLine - firstLine + 1 : 1;
  }
  draw = std::max(draw, n);
  long drawFrom = firstLine;
  if (keepStart && firstLine >= 2 && draw != kKxRedrawToEnd) {
    --drawFrom;
    ++draw;
  }
  DrawHook(drawFrom, draw);
  SetSelPoint(keepStart ? from : caret, keepStart, mAutoView);
  mResult |= kKxEditTextChanged;
  if (draw >= kKxRedrawToEnd && !mLazyLine) mResult |= kKxEditImageSize;
  if (keepStart) UpdateView();
  ViewSelection(1);
  if (mSelAnchor == mSelEnd && mActive) BlinkCaret(1);
  return mResult;
}

long CKXTextEdit::GetWidth() const {
  RectL d, v;
  GetDestRect(d);
  GetViewRect(v);
  return std::max(long(d.right) - d.left, long(v.right) - v.left);
}

long CKXTextEdit::GetHeight() const {
  RectL d, v;
  GetDestRect(d);
  GetViewRect(v);
  return std::max(long(d.bottom) - d.top, long(v.bottom) - v.top);
}
