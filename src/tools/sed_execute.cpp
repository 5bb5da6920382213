// The stream editor's executor: the cycle, selection, the matcher,
// substitution and the commands.
#include <climits>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "tools/sed.h"

bool CSED::EnlargeLineBuf(long more) {
  (void)more;
  return false;
}

void CSED::NeedLine(long units) {
  long cap = mBuf.lineCap;
  if (units <= cap) return;
  // Grow geometrically so that a long line costs linear time; fall back to
  // the bare need when that much is not available.
  long missing = units - cap;
  long generous = missing > cap ? missing : cap;
  generous = (generous / 500) * 500 + 500;
  if (EnlargeLineBuf(generous) && units <= mBuf.lineCap) return;
  if (EnlargeLineBuf((missing / 500) * 500 + 500) && units <= mBuf.lineCap) return;
  ReportAndEnd(22, "");
}

void CSED::ReportAndEnd(int code, const char* text) {
  printerror(code, text);
  Fatal(1);
}

namespace {

// The first position from s where the unit `first` stands, followed by
// `second` when pair; len when there is none. Eight places at a time.
long NextCandidate(const SEDunit* text, long len, long s, SEDunit first, bool pair, SEDunit second) {
  const long last = pair ? len - 1 : len;   // candidates lie before it
#if defined(__SSE2__)
  const __m128i want1 = _mm_set1_epi16(static_cast<short>(first));
  const __m128i want2 = _mm_set1_epi16(static_cast<short>(second));
  for (; s + 8 <= last; s += 8) {
    __m128i hits = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(text + s)), want1);
    if (pair)
      hits = _mm_and_si128(hits, _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(text + s + 1)), want2));
    const unsigned mask = unsigned(_mm_movemask_epi8(hits));
    if (mask) return s + __builtin_ctz(mask) / 2;
  }
#endif
  for (; s < last; ++s)
    if (text[s] == first && (!pair || text[s + 1] == second)) return s;
  return len;
}

}  // namespace

// ---------------------------------------------------------------- the cycle

bool CSED::ReadLine(long at) {
  check_break();
  long end = getline(at);
  if (end < 0) return false;
  Len(kPat) = end;
  ++mLineNo;
  ++mFileLines;
  // A new line of input resets the flag that "t" tests.
  mSubst = false;
  mLastLine = feof_(1) && !LaterInputHasLines();
  return true;
}

// Whether an input file after the current one holds a line. Files that are
// empty or cannot be opened add no lines, so "$" is the last line before
// them. Without the names the answer is the safe one: more input follows.
bool CSED::LaterInputHasLines() {
  for (int k = mInputIndex + 1; k < mInputCount; ++k) {
    if (!mInputNames) return true;
    long file = fopen(mInputNames[k], "r");
    if (!file) continue;
    int c = fgetc(file);
    fclose(file);
    if (c >= 0) return true;
  }
  return false;
}

long CSED::getline(long at) { return fgetwsr(kPat, at, 1, true); }

void CSED::execute(const char* file) {
  if (file && !freopen(file, "r", 1)) {
    printerror(21, file);
    return;
  }
  mFileLines = 0;
  SEDcmd* start = mBuf.commands;
  if (mPending) {
    // An n or N ran out of input at the end of the previous file: finish
    // its read here and go on after it.
    SEDcmd* pending = mPending;
    mPending = nullptr;
    long at = 0;
    if (pending->code == kSedNextAppend) {
      at = Len(kPat) + 1;
      NeedLine(at);
      PutUnit(kPat, at - 1, '\n');
    }
    if (!ReadLine(at)) {
      mPending = pending;
      return;
    }
    start = pending + 1;
  } else if (!ReadLine(0)) {
    return;
  }
  for (;;) {
    SEDcmd* cmd = start;
    while (cmd->code != kSedEndOfPool) {
      if (selected(cmd)) command(cmd);
      if (mDelete) break;
      if (mJump) {
        mJump = false;
        check_break();
        cmd = cmd->target;
        if (!cmd) break;
        continue;
      }
      ++cmd;
    }
    if (!mNoPrint && !mDelete) fputws(Line(kPat), Len(kPat), 2);
    readout();
    mDelete = false;
    if (!ReadLine(0)) return;
    start = mBuf.commands;
  }
}

bool CSED::MatchAddress(const SEDunit* ad) {
  if (ad[0] == kSedLAST) return mLastLine;
  if (ad[0] == kSedNUM) return mLineNo == mBuf.numbers[ad[1]];
  return match(ad, 0) != 0;
}

bool CSED::selected(SEDcmd* cmd) {
  if (!cmd->ad1) return !cmd->negate;
  bool sel;
  if (!cmd->inRange) {
    sel = MatchAddress(cmd->ad1);
    if (sel && cmd->ad2) {
      cmd->inRange = 1;
      // A second address that is a line number not above this one selects
      // this line only.
      if (cmd->ad2[0] == kSedNUM && mBuf.numbers[cmd->ad2[1]] <= mLineNo) cmd->inRange = 0;
    }
  } else {
    const SEDunit* ad = cmd->ad2;
    if (ad[0] == kSedLAST) {
      sel = true;
    } else if (ad[0] == kSedNUM) {
      long n = mBuf.numbers[ad[1]];
      sel = mLineNo <= n;
      if (mLineNo >= n) cmd->inRange = 0;
    } else {
      sel = true;
      if (match(ad, 0)) cmd->inRange = 0;
    }
  }
  return sel != (cmd->negate != 0);
}

// ---------------------------------------------------------------- matching

bool CSED::InClass(const SEDunit* p, SEDunit c) const {
  bool negated = false;
  bool in = false;
  if (*p == kSedCNEG) {
    negated = true;
    ++p;
  }
  for (;;) {
    SEDunit item = *p;
    if (item == kSedCCHAR) {
      if (p[1] == c) in = true;
      p += 2;
    } else if (item == kSedCRANGE) {
      if (p[1] <= c && c <= p[2]) in = true;
      p += 3;
    } else {
      break;
    }
  }
  return in != negated;
}

const SEDunit* CSED::SkipAtom(SEDunit op, const SEDunit* p) const {
  switch (op) {
    case kSedCHR:
    case kSedBACK:
      return p + 1;
    case kSedCCL:
      if (*p == kSedCNEG) ++p;
      for (;;) {
        if (*p == kSedCCHAR) {
          p += 2;
        } else if (*p == kSedCRANGE) {
          p += 3;
        } else {
          return p + 1;  // kSedCCLEND
        }
      }
    default:
      return p;
  }
}

bool CSED::AtomAt(SEDunit op, const SEDunit* operands, long at) const {
  SEDunit c = mText[at];
  if (op == kSedCHR) return c == operands[0];
  if (op == kSedDOT) return true;
  return InClass(operands, c);
}

int CSED::match(const SEDunit* re, int mode) {
  if (re[0] == kSedREUSE) {
    re = mLastUsed;
    if (!re) return 0;
  }
  mLastUsed = re;
  mText = Line(kPat);
  mTextLen = Len(kPat);
  long start = 0;
  mSearchStart = -1;
  if (mode != 0) {
    if (re[0] & 1) return 0;
    start = mNextStart;
    if (start > mTextLen) return 0;
    mSearchStart = start;
  }
  mRE = re + 1;
  mMemo = (re[0] & 4) == 0;
  if (++mMemoGen == 0) {
    std::memset(mMemoStamp, 0, sizeof mMemoStamp);
    mMemoGen = 1;
  }
  // Two small stores each (a loop over both became a slow string store).
  std::memset(mGroupStart, 0, sizeof mGroupStart);
  std::memset(mGroupEnd, 0, sizeof mGroupEnd);
  const SEDunit* ops = mRE;
  if (re[0] & 1) {
    // Anchored: one attempt at the start of the line and nowhere else; no
    // prefilter may move it.
    if (!advance(0, ops)) return 0;
    mMatchStart = 0;
    mMatchEnd = mAdvEnd;
    return 1;
  }
  bool firstChar = ops[0] == kSedCHR;
  SEDunit first = firstChar ? ops[1] : 0;
  bool pair = firstChar && ops[2] == kSedCHR;
  SEDunit second = pair ? ops[3] : 0;
  for (long s = start; s <= mTextLen; ++s) {
    if (firstChar) {
      s = NextCandidate(mText, mTextLen, s, first, pair, second);
      if (s >= mTextLen) return 0;
    }
    if (advance(s, ops)) {
      mMatchStart = s;
      mMatchEnd = mAdvEnd;
      return 1;
    }
  }
  return 0;
}

// Matches the opcodes at one position. Recursion happens only at repeated
// atoms, so its depth is bounded by the expression, not by the line.
bool CSED::advance(long p, const SEDunit* ep) {
  if (++mAttempts >= kSedMatchQuantum) {
    mAttempts = 0;
    check_break();
  }
  for (;;) {
    SEDunit op = *ep++;
    switch (op) {
      case kSedCHR:
        if (p < mTextLen && mText[p] == *ep) {
          ++p;
          ++ep;
          continue;
        }
        return false;
      case kSedDOT:
        if (p < mTextLen) {
          ++p;
          continue;
        }
        return false;
      case kSedDOL:
        if (p == mTextLen) continue;
        return false;
      case kSedEND:
        mAdvEnd = p;
        return true;
      case kSedBRA:
        mGroupStart[*ep++] = p;
        continue;
      case kSedKET:
        mGroupEnd[*ep++] = p;
        continue;
      case kSedBACK: {
        int g = *ep++;
        long len = mGroupEnd[g] - mGroupStart[g];
        if (len < 0 || p + len > mTextLen) return false;
        if (len > 0 && bufcmp(mText + mGroupStart[g], mText + p, len) != 0) return false;
        p += len;
        continue;
      }
      case kSedCCL:
        if (p < mTextLen && InClass(ep, mText[p])) {
          ++p;
          ep = SkipAtom(kSedCCL, ep);
          continue;
        }
        return false;
      case kSedCHR | kSedSTAR:
      case kSedDOT | kSedSTAR:
      case kSedCCL | kSedSTAR:
      case kSedBACK | kSedSTAR:
      case kSedCHR | kSedCOUNT:
      case kSedDOT | kSedCOUNT:
      case kSedCCL | kSedCOUNT:
      case kSedBACK | kSedCOUNT:
        return Repeat(p, op, ep);
      default:
        printerror(25, numstr(op, 0));
        Fatal(1);
    }
  }
}

// A repeated atom: takes the longest run, then gives back one at a time.
// Without back references the rest of the expression succeeds or fails by
// position alone, so a starred atom that failed from position s fails from
// every position its run covered; that memo keeps ordinary searches linear.
bool CSED::Repeat(long p, SEDunit op, const SEDunit* ep) {
  SEDunit base = SEDunit(op & ~(kSedSTAR | kSedCOUNT));
  bool star = (op & kSedCOUNT) == 0;
  long lo = 0, hi = LONG_MAX;
  const SEDunit* operands = ep;
  if (!star) {
    lo = ep[0];
    hi = ep[1];
    operands = ep + 2;
  }
  const SEDunit* rest = SkipAtom(base, operands);
  bool restChar = rest[0] == kSedCHR;
  SEDunit restUnit = restChar ? rest[1] : 0;
  if (base == kSedBACK) {
    int g = operands[0];
    long gs = mGroupStart[g], len = mGroupEnd[g] - gs;
    if (len <= 0) return advance(p, rest);
    long k = 0;
    while (k < hi && p + (k + 1) * len <= mTextLen && bufcmp(mText + gs, mText + p + k * len, len) == 0)
      ++k;
    if (k < lo) return false;
    long least = lo;
    if (star && p == mSearchStart && k >= 1) least = 1;
    for (; k >= least; --k)
      if (advance(p + k * len, rest)) return true;
    return false;
  }
  long idx = (ep - 1) - mRE;
  bool memo = star && mMemo && idx >= 0 && idx <= kSedMaxRE;
  bool known = memo && mMemoStamp[idx] == mMemoGen;
  if (known && mMemoLo[idx] <= p && p <= mMemoHi[idx]) return false;
  long limit = mTextLen;
  if (hi < limit - p) limit = p + hi;
  long e = p;
  bool joined = false;
  while (e < limit && AtomAt(base, operands, e)) {
    ++e;
    if (known && e == mMemoLo[idx]) {
      joined = true;  // the run goes on as the remembered one did
      break;
    }
  }
  if (!joined && e - p < lo) return false;
  long least = p + lo;
  if (star && p == mSearchStart && e > p) least = p + 1;
  long top = joined ? mMemoLo[idx] - 1 : e;
  for (long q = top; q >= least; --q) {
    if (restChar && (q >= mTextLen || mText[q] != restUnit)) continue;
    if (advance(q, rest)) return true;
  }
  if (memo) {
    mMemoHi[idx] = joined ? mMemoHi[idx] : e;
    mMemoLo[idx] = p;
    mMemoStamp[idx] = mMemoGen;
  }
  return false;
}

// ---------------------------------------------------------------- substitution

void CSED::place(const SEDunit* from, const SEDunit* to) {
  long n = to - from;
  if (n <= 0) return;
  NeedLine(mGenOut + n);
  mGenOut = MoveUnits(kGen, mGenOut, from, n);
}

void CSED::cplace(const char* from, const char* to) {
  for (const char* p = from; p < to; ++p) bufputc(kGen, mGenOut++, SEDunit(static_cast<unsigned char>(*p)));
}

// Appends pattern-space units [from, to) to the generation buffer. They are
// taken by index: growing moves the buffers.
[[gnu::always_inline]] inline void CSED::CopyToGen(long from, long to) {
  if (to <= from) return;
  NeedLine(mGenOut + (to - from));
  if (mCarry) {
    mGenOut = CarryUnits(kGen, mGenOut, Line(kPat) + from, to - from);
    return;
  }
  std::memcpy(Line(kGen) + mGenOut, Line(kPat) + from, size_t(to - from) * sizeof(SEDunit));
  mGenOut += to - from;
}

// Appends the replacement for the current match to the generation buffer,
// after the text between the previous match and this one. The pattern space
// itself stays unchanged until the whole line is built.
void CSED::dosub(const SEDunit* rhs) {
  CopyToGen(mNextCopy, mMatchStart);
  for (const SEDunit* r = rhs; *r; ++r) {
    SEDunit u = *r;
    if (u == '&') {
      CopyToGen(mMatchStart, mMatchEnd);
    } else if (u >= 256 && u < 512) {
      SEDunit c = SEDunit(u - 256);
      if (c >= '1' && c <= '9') {
        int g = c - '1';
        CopyToGen(mGroupStart[g], mGroupEnd[g]);
      } else {
        bufputc(kGen, mGenOut++, c == 'n' ? SEDunit('\n') : c == 't' ? SEDunit('\t') : c);
      }
    } else {
      bufputc(kGen, mGenOut++, u);
    }
  }
  mNextCopy = mMatchEnd;
}

bool CSED::substitute(SEDcmd* cmd) {
  const SEDunit* re = static_cast<const SEDunit*>(cmd->arg);
  if (!match(re, 0)) return false;
  mGenOut = 0;
  mNextCopy = 0;
  auto following = [&]() { return mMatchEnd + (mMatchEnd == mMatchStart ? 1 : 0); };
  if (cmd->occurrence >= 2) {
    for (long k = 1; k < cmd->occurrence; ++k) {
      if (mMatchEnd >= Len(kPat)) return false;
      mNextStart = following();
      if (!match(re, 2)) return false;
    }
    dosub(cmd->rhs);
  } else {
    dosub(cmd->rhs);
    if (cmd->global && cmd->occurrence == 0) {
      for (;;) {
        long next = following();
        if (next >= Len(kPat)) break;
        mNextStart = next;
        if (!match(re, 1)) break;
        dosub(cmd->rhs);
      }
    }
  }
  CopyToGen(mNextCopy, Len(kPat));
  Len(kGen) = mGenOut;
  Line(kGen)[mGenOut] = 0;
  int t = mIdx[kPat];
  mIdx[kPat] = mIdx[kGen];
  mIdx[kGen] = t;
  return true;
}

// ---------------------------------------------------------------- buffers

int CSED::bufcmp(const SEDunit* a, const SEDunit* b, long n) {
  for (long k = 0; k < n; ++k)
    if (a[k] != b[k]) return a[k] < b[k] ? -1 : 1;
  return 0;
}

// Copies `n` units to line buffer `dst` at `at` and returns the new end,
// zero-terminated. The caller has made room (NeedLine) before taking `src`.
long CSED::bufcpy(int dst, long at, const SEDunit* src, long n) {
  if (n > 0) std::memmove(Line(dst) + at, src, size_t(n) * sizeof(SEDunit));
  Line(dst)[at + n] = 0;
  return at + n;
}

[[gnu::noinline]] long CSED::CarryUnits(int dst, long at, const SEDunit* src, long n) {
  return bufcpy(dst, at, src, n);
}

void CSED::bufputc(int dst, long at, SEDunit c) {
  NeedLine(at + 1);
  Line(dst)[at] = c;
}

// ---------------------------------------------------------------- commands

void CSED::Queue(SEDcmd* cmd, int code) {
  if (mAppendCount >= kSedMaxAppend) {
    // The queue is full: the text is dropped and the run goes on. Reported
    // once a run, so that a script that overflows on every line does not
    // bury the user in notes.
    if (!mAppendFullReported) {
      mAppendFullReported = true;
      printerror(code, numstr(mLineNo, 0));
    }
    return;
  }
  mAppend[mAppendCount++] = cmd;
  mAppend[mAppendCount] = nullptr;
}

void CSED::readout() {
  for (long k = 0; k < mAppendCount; ++k) {
    SEDcmd* cmd = mAppend[k];
    if (cmd->code == kSedAppend)
      fputs(static_cast<const char*>(cmd->arg), 2);
    else
      fputfile(static_cast<const char*>(cmd->arg), 2);
  }
  mAppendCount = 0;
  mAppend[0] = nullptr;
}

void CSED::Translate(const SEDunit* table) {
  SEDunit* line = Line(kPat);
  long len = Len(kPat);
  // Single-byte sources go through a direct map; the first pair wins.
  SEDunit map[256];
  bool wide = false;
  for (int k = 0; k < 256; ++k) map[k] = SEDunit(k);
  bool seen[256] = {};
  for (const SEDunit* t = table; *t != kSedYEND; t += 2) {
    if (t[0] < 256) {
      if (!seen[t[0]]) {
        seen[t[0]] = true;
        map[t[0]] = t[1];
      }
    } else {
      wide = true;
    }
  }
  for (long k = 0; k < len; ++k) {
    SEDunit c = line[k];
    if (c < 256) {
      line[k] = map[c];
    } else if (wide) {
      for (const SEDunit* t = table; *t != kSedYEND; t += 2)
        if (t[0] == c) {
          line[k] = t[1];
          break;
        }
    }
  }
}

void CSED::WriteLineEnd(long file) { fputc('\n', file); }

void CSED::listto(const SEDunit* line, long length, long file) {
  static const char hex[] = "0123456789ABCDEF";
  for (long k = 0; k < length; ++k) {
    SEDunit c = line[k];
    if (iswide(c) || isprint_(c)) {
      fputwc(c, file);
      continue;
    }
    fputc('\\', file);
    switch (c) {
      case 8: fputc('b', file); break;
      case 9: fputc('t', file); break;
      case 10: fputc('n', file); break;
      case 13: fputc('r', file); break;
      case 27: fputc('e', file); break;
      default:
        fputc(hex[(c >> 4) & 0xF], file);
        fputc(hex[c & 0xF], file);
        break;
    }
  }
  WriteLineEnd(file);
}

// G and H: a LF, then line buffer `src`, at the end of line buffer `dst`.
void CSED::AppendLine(int dst, int src) {
  long at = Len(dst);
  NeedLine(at + 1 + Len(src));
  PutUnit(dst, at, '\n');
  Len(dst) = MoveUnits(dst, at + 1, Line(src), Len(src));
}

void CSED::command(SEDcmd* cmd) {
  switch (cmd->code) {
    case kSedEqual:
      fputs(numstr(mLineNo, 0), 2);
      break;
    case kSedAppend:
      Queue(cmd, 23);
      break;
    case kSedRead:
      Queue(cmd, 24);
      break;
    case kSedBranch:
      mJump = true;
      break;
    case kSedChange:
      mDelete = true;
      if (!cmd->ad2 || !cmd->inRange || mLastLine) fputs(static_cast<const char*>(cmd->arg), 2);
      break;
    case kSedDelete:
      mDelete = true;
      break;
    case kSedDeleteFirst: {
      SEDunit* line = Line(kPat);
      long len = Len(kPat);
      long k = 0;
      while (k < len && line[k] != '\n') ++k;
      if (k >= len) {
        mDelete = true;
        break;
      }
      Len(kPat) = MoveUnits(kPat, 0, line + k + 1, len - k - 1);
      mJump = true;
      break;
    }
    case kSedGet:
      Len(kPat) = MoveUnits(kPat, 0, Line(kHold), Len(kHold));
      LineTaken(kPat, kHold);
      break;
    case kSedGetAppend:
      AppendLine(kPat, kHold);
      LineTaken(kPat, kHold);
      break;
    case kSedHold:
      Len(kHold) = MoveUnits(kHold, 0, Line(kPat), Len(kPat));
      LineTaken(kHold, kPat);
      break;
    case kSedHoldAppend:
      AppendLine(kHold, kPat);
      LineTaken(kHold, kPat);
      break;
    case kSedInsert:
      fputs(static_cast<const char*>(cmd->arg), 2);
      break;
    case kSedList:
      listto(Line(kPat), Len(kPat), cmd->file ? cmd->file : 2);
      break;
    case kSedNext:
      if (!mNoPrint) fputws(Line(kPat), Len(kPat), 2);
      readout();
      if (!ReadLine(0)) {
        mPending = cmd;
        mDelete = true;
      }
      break;
    case kSedNextAppend: {
      readout();
      long at = Len(kPat);
      NeedLine(at + 1);
      PutUnit(kPat, at, '\n');
      if (!ReadLine(at + 1)) {
        Line(kPat)[at] = 0;
        mPending = cmd;
        mDelete = true;
      }
      break;
    }
    case kSedPrint:
      fputws(Line(kPat), Len(kPat), 2);
      break;
    case kSedPrintFirst: {
      const SEDunit* line = Line(kPat);
      long len = Len(kPat), k = 0;
      while (k < len && line[k] != '\n') ++k;
      fputwsr(line, line + k, 2, true);
      break;
    }
    case kSedQuit:
      if (!mNoPrint) fputws(Line(kPat), Len(kPat), 2);
      readout();
      Fatal(0);
    case kSedSubstitute:
      // The flag that "t" tests stays set until a line is read or "t" runs.
      if (substitute(cmd)) {
        mSubst = true;
        if (cmd->print) fputws(Line(kPat), Len(kPat), 2);
        if (cmd->file) fputws(Line(kPat), Len(kPat), cmd->file);
      }
      break;
    case kSedTest:
      if (mSubst) {
        mSubst = false;
        mJump = true;
      }
      break;
    case kSedWrite:
      fputws(Line(kPat), Len(kPat), cmd->file);
      break;
    case kSedExchange: {
      int t = mIdx[kPat];
      mIdx[kPat] = mIdx[kHold];
      mIdx[kHold] = t;
      break;
    }
    case kSedTranslate:
      Translate(static_cast<const SEDunit*>(cmd->arg));
      break;
    default:
      break;
  }
}
