// The stream editor's compiler: scripts into the command pool.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "tools/sed.h"

namespace {

bool IsDigit(SEDunit c) { return c >= '0' && c <= '9'; }

int HexValue(SEDunit c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

constexpr long kMaxCount = 32767;

}  // namespace

CSED::CSED() = default;
CSED::~CSED() = default;

void CSED::main(int argc, char** argv) {
  initialize();
  if (argc <= 1) {
    Fatal(0);
  }
  int i = 1;
  bool script = false;
  while (i < argc && argv[i][0] == '-') {
    char letter = argv[i][1];
    if (letter == 'e' || letter == 'E') {
      // A trailing -e without a script is ignored.
      if (i + 1 < argc) {
        e_compile(argv[i + 1]);
        script = true;
      }
      i += 2;
    } else if (letter == 'f' || letter == 'F') {
      if (i + 1 >= argc) {
        printerror(7, "");
        Fatal(2);
      }
      f_compile(argv[i + 1]);
      script = true;
      i += 2;
    } else if (letter == 'n' || letter == 'N') {
      mNoPrint = true;
      ++i;
    } else {
      printerror(8, argv[i] + 1);
      ++i;
    }
  }
  // Without -e or -f the first remaining argument is the script.
  if (!script && i < argc) e_compile(argv[i++]);
  resolve();
  mInputCount = argc - i;
  mInputNames = argv + i;
  if (i >= argc) {
    mInputIndex = 0;
    execute(nullptr);
  } else {
    for (mInputIndex = 0; i < argc; ++i, ++mInputIndex) execute(argv[i]);
  }
  terminate();
}

void CSED::initialize() {
  mIdx[0] = 0;
  mIdx[1] = 1;
  mIdx[2] = 2;
  mLen[0] = mLen[1] = mLen[2] = 0;
  for (int k = 0; k < 3; ++k)
    if (mBuf.lines[k]) mBuf.lines[k][0] = 0;
  mCmdCount = 0;
  if (mBuf.commands) std::memset(static_cast<void*>(mBuf.commands), 0, sizeof(SEDcmd) * 2);
  mPoolUsed = 0;
  mLabelCount = 1;
  if (mBuf.labels) mBuf.labels[0] = SEDlabel{"", nullptr, nullptr};
  mNumberCount = 0;
  for (long k = 0; k < kSedMaxWFiles; ++k) {
    mWName[k] = nullptr;
    mWFile[k] = 0;
  }
  mWFile[0] = 2;
  mWCount = 1;
  mDepth = 0;
  mCp = mCpEnd = nullptr;
  mLastRE = nullptr;
  mLastGroups = 0;
  mFirstLine = true;
  mScriptText = nullptr;
  mScriptFile = 0;
  mNoPrint = false;
  mGlobal = false;
  mInputCount = 0;
  mInputIndex = 0;
  mInputNames = nullptr;
  mLineNo = 0;
  mFileLines = 0;
  mLastLine = false;
  mDelete = mJump = mSubst = false;
  mPending = nullptr;
  mAppendCount = 0;
  mAppendFullReported = false;
  mLastUsed = nullptr;
  mPushBack = -1;
  mAttempts = 0;
  if (!mFiles[1]) mFiles[1] = stdin;
  if (!mFiles[2]) mFiles[2] = stdout;
}

void CSED::e_compile(const char* script) {
  mScriptText = reinterpret_cast<const unsigned char*>(script ? script : "");
  mScriptFile = 0;
  mCp = mCpEnd = nullptr;
  compile();
  mScriptText = nullptr;
  if (mDepth > 0) ABORT(11);
}

void CSED::f_compile(const char* name) {
  long file = fopen(name, "r");
  if (!file) {
    printerror(7, name);
    Fatal(2);
  }
  mScriptText = nullptr;
  mScriptFile = file;
  mCp = mCpEnd = nullptr;
  try {
    compile();
  } catch (...) {
    fclose(file);
    mScriptFile = 0;
    throw;
  }
  fclose(file);
  mScriptFile = 0;
  mPushBack = -1;
  if (mDepth > 0) ABORT(11);
}

bool CSED::ReadScriptByte(int& c) {
  if (mScriptText) {
    if (*mScriptText == 0) return false;
    c = *mScriptText++;
    return true;
  }
  if (!mScriptFile) return false;
  if (mPushBack >= 0) {
    c = mPushBack;
    mPushBack = -1;
    return true;
  }
  c = fgetc(mScriptFile);
  return c >= 0;
}

// Reads the next script line into the pattern buffer as units. A backslash
// keeps the unit after it (a LF too, so continued lines stay one line).
int CSED::cmdline() {
  long n = 0;
  bool any = false;
  bool escaped = false;
  for (;;) {
    int b;
    if (!ReadScriptByte(b)) break;
    any = true;
    SEDunit u = SEDunit(b);
    if (b == '\r') {
      int next;
      if (ReadScriptByte(next) && next != '\n') {
        // A lone CR is a line end too; give the byte back.
        if (mScriptText)
          --mScriptText;
        else
          mPushBack = next;
      }
      u = '\n';
    } else if (iswide1st(b)) {
      int next;
      if (ReadScriptByte(next)) {
        if (iswide2nd(next)) {
          u = SEDunit((b << 8) | next);
        } else if (mScriptText) {
          --mScriptText;
        } else {
          mPushBack = next;
        }
      }
    }
    if (u == '\n' && !escaped) break;
    NeedLine(n + 1);
    Line(kPat)[n++] = u;
    escaped = ContinuesLines() && !escaped && u == '\\';
  }
  if (!any) return -1;
  Line(kPat)[n] = 0;
  Len(kPat) = n;
  return 1;
}

SEDunit CSED::makewc(const unsigned char*& p, const unsigned char* end) {
  if (p >= end) return 0xFFFF;
  unsigned char b = *p++;
  if (b == '\r') {
    if (p < end && *p == '\n') ++p;
    return '\n';
  }
  if (iswide1st(b) && p < end && iswide2nd(*p)) return SEDunit((b << 8) | *p++);
  return b;
}

void CSED::SKIPWS() {
  while (mCp < mCpEnd && (*mCp == ' ' || *mCp == '\t')) ++mCp;
}

[[noreturn]] void CSED::ABORT(int code) {
  char text[6001];
  long n = 0;
  const SEDunit* line = Line(kPat);
  long len = line ? Len(kPat) : 0;
  for (long k = 0; k < len && n < 5999; ++k) {
    SEDunit u = line[k];
    if (u > 255) text[n++] = char(u >> 8);
    text[n++] = char(u & 0xFF);
  }
  text[n] = 0;
  printerror(code, text);
  Fatal(2);
}

[[noreturn]] void CSED::Fatal(int code) {
  exit(code);
  // A subclass whose exit returns must still not run on past the error.
  throw SEDExit{code};
}

char* CSED::PoolAlloc(long bytes) {
  long at = (mPoolUsed + 1) & ~1L;
  if (!mBuf.pool || bytes < 0 || at + bytes > kSedPoolBytes) ABORT(3);
  mPoolUsed = at + bytes;
  return mBuf.pool + at;
}

// Runs `comp` (rhscomp or ycomp) straight into the pool with all the room
// the pool has left, and keeps what it wrote.
const SEDunit* CSED::PoolCompile(long (CSED::*comp)(SEDunit*, long, SEDunit), SEDunit delimiter) {
  long at = (mPoolUsed + 1) & ~1L;
  if (!mBuf.pool || at >= kSedPoolBytes) ABORT(3);
  SEDunit* out = reinterpret_cast<SEDunit*>(mBuf.pool + at);
  long k = (this->*comp)(out, (kSedPoolBytes - at) / long(sizeof(SEDunit)), delimiter);
  if (k == -2) ABORT(3);
  if (k < 0) ABORT(2);
  mPoolUsed = at + k * long(sizeof(SEDunit));
  return out;
}

// The delimiter of an s or y command: anything but a backslash or a LF.
SEDunit CSED::Delimiter() {
  if (mCp >= mCpEnd || *mCp == '\\' || *mCp == '\n') ABORT(2);
  return *mCp++;
}

const SEDunit* CSED::PoolUnits(const SEDunit* units, long count) {
  SEDunit* out = reinterpret_cast<SEDunit*>(PoolAlloc(count * long(sizeof(SEDunit))));
  std::memcpy(out, units, size_t(count) * sizeof(SEDunit));
  return out;
}

SEDunit CSED::getescchar(SEDunit c, const SEDunit*& p, const SEDunit* end) {
  if (c == 't') return '\t';
  if (c == 'n') return '\n';
  if (c != 'x') return c;
  auto pair = [&](const SEDunit* at) -> int {
    if (end - at < 2) return -1;
    int hi = HexValue(at[0]);
    int lo = HexValue(at[1]);
    return (hi < 0 || lo < 0) ? -1 : hi * 16 + lo;
  };
  int first = pair(p);
  if (first <= 0) return 'x';
  p += 2;
  if (iswide1st(first)) {
    int second = pair(p);
    if (second >= 0 && iswide2nd(second)) {
      p += 2;
      return SEDunit((first << 8) | second);
    }
  }
  return SEDunit(first);
}

namespace {

// One regular expression from script units to opcodes, in three phases:
// the anchor, the atoms and operators up to the delimiter, and the closing
// checks. Each step answers kOk, kSyntax (-1) or kFull (-2, the compiled
// form would pass kSedMaxRE units).
class ExpressionCompiler {
 public:
  static constexpr long kOk = 0, kSyntax = -1, kFull = -2;

  ExpressionCompiler(CSED& sed, SEDunit* out, const SEDunit* p, const SEDunit* end, SEDunit delimiter)
      : mSed(sed), mOut(out), mP(p), mEnd(end), mDelimiter(delimiter) {}

  // Returns the unit count or kSyntax/kFull.
  long Compile() {
    Anchor();
    long r = Body();
    if (r != kOk) return r;
    return Close();
  }
  const SEDunit* End() const { return mP; }
  int Groups() const { return mGroups; }

 private:
  enum Kind { kNone, kAtom, kOpen, kClose };

  void Put(SEDunit u) {
    if (mN >= kSedMaxRE) {
      mOverflow = true;
      return;
    }
    mOut[mN++] = u;
  }
  void Atom(SEDunit op) {
    mAtom = mN;
    Put(op);
    mLast = kAtom;
  }
  void Literal(SEDunit c) {
    Atom(kSedCHR);
    Put(c);
  }

  // The flag unit, set to 1 by a leading "^".
  void Anchor() {
    Put(0);
    if (mP < mEnd && *mP == '^') {
      mOut[0] = 1;
      ++mP;
    }
  }

  long Body() {
    for (;;) {
      if (mOverflow) return kFull;
      if (mP >= mEnd) return kSyntax;
      SEDunit c = *mP++;
      if (c == mDelimiter) return kOk;
      long r = kOk;
      switch (c) {
        case '.': Atom(kSedDOT); break;
        case '$': Dollar(); break;
        case '*': r = Star(); break;
        case '[': r = Bracket(); break;
        case '\\': r = Escape(); break;
        default: Literal(c); break;
      }
      if (r != kOk) return r;
    }
  }

  long Close() {
    if (mDepth != 0) return kSyntax;
    Put(kSedEND);
    return mOverflow ? kFull : mN;
  }

  // "$" anchors only as the last unit before the delimiter.
  void Dollar() {
    if (mP < mEnd && *mP == mDelimiter) {
      Put(kSedDOL);
      mLast = kNone;
      mAtom = -1;
    } else {
      Literal('$');
    }
  }

  long Star() {
    if (mLast == kNone) {
      Literal('*');
    } else if (mLast != kAtom || (mOut[mAtom] & kSedCOUNT)) {
      return kSyntax;
    } else {
      mOut[mAtom] |= kSedSTAR;
    }
    return kOk;
  }

  // A unit inside brackets: a backslash escapes as outside them.
  SEDunit BracketUnit(SEDunit u) {
    if (u == '\\' && mP < mEnd) {
      SEDunit e = *mP++;
      return mSed.getescchar(e, mP, mEnd);
    }
    return u;
  }

  long Bracket() {
    Atom(kSedCCL);
    if (mP < mEnd && *mP == '^') {
      Put(kSedCNEG);
      ++mP;
    }
    for (bool first = true;; first = false) {
      if (mOverflow) return kFull;
      if (mP >= mEnd) return kSyntax;
      SEDunit u = *mP++;
      if (u == ']' && !first) break;
      u = BracketUnit(u);
      if (mP + 1 < mEnd && *mP == '-' && mP[1] != ']') {
        ++mP;
        SEDunit hi = BracketUnit(*mP++);
        Put(kSedCRANGE);
        Put(u);
        Put(hi);
      } else {
        Put(kSedCCHAR);
        Put(u);
      }
    }
    Put(kSedCCLEND);
    mLast = kAtom;
    return kOk;
  }

  long Escape() {
    if (mP >= mEnd) return kSyntax;
    SEDunit e = *mP++;
    if (e == mDelimiter) {
      Literal(e);
      return kOk;
    }
    switch (e) {
      case '(': return OpenGroup();
      case ')': return CloseGroup();
      case '{': return mLast == kNone ? (Literal('{'), kOk) : Interval();
      case '+': return mLast == kNone ? (Literal('+'), kOk) : Plus();
      case '?':
        if (mLast == kNone) {
          Literal('?');
          return kOk;
        }
        return mLast == kAtom && Counted(0, 1) ? kOk : kSyntax;
      default:
        if (e >= '1' && e <= '9') return BackReference(e - '0');
        Literal(mSed.getescchar(e, mP, mEnd));
        return kOk;
    }
  }

  long OpenGroup() {
    if (mGroups >= kSedMaxGroups) return kSyntax;
    mOpen[mDepth++] = ++mGroups;
    Put(kSedBRA);
    Put(SEDunit(mGroups - 1));
    mLast = kOpen;
    mAtom = -1;
    return kOk;
  }

  long CloseGroup() {
    if (mDepth == 0) return kSyntax;
    int g = mOpen[--mDepth];
    mClosed[g] = true;
    Put(kSedKET);
    Put(SEDunit(g - 1));
    mLast = kClose;
    mAtom = -1;
    return kOk;
  }

  // Only a group closed before it may be referred to.
  long BackReference(int g) {
    if (!mClosed[g]) return kSyntax;
    Atom(kSedBACK);
    Put(SEDunit(g - 1));
    mOut[0] |= 4;  // the matcher's failure memo does not hold
    return kOk;
  }

  // Reads a decimal count; digits past the cap are read and dropped.
  long Number() {
    long value = 0;
    for (; mP < mEnd && IsDigit(*mP); ++mP)
      if (value <= kMaxCount) value = value * 10 + (*mP - '0');
    return value;
  }

  // \{m\}, \{m,\} and \{m,n\}.
  long Interval() {
    if (mLast != kAtom) return kSyntax;
    long lo = Number(), hi = -1;
    bool comma = false;
    if (mP < mEnd && *mP == ',') {
      comma = true;
      ++mP;
      if (mP < mEnd && IsDigit(*mP)) hi = Number();
    }
    if (mP + 1 >= mEnd || mP[0] != '\\' || mP[1] != '}') return kSyntax;
    mP += 2;
    if (lo > kMaxCount) lo = kMaxCount;
    if (!comma) {
      if (lo == 0) return kSyntax;
      hi = lo;
    } else if (hi == 0 && lo == 0) {
      return kSyntax;
    } else if (hi <= 0 || hi > kMaxCount) {
      hi = kMaxCount;
    }
    if (hi < lo) hi = lo;
    return Counted(lo, hi) ? kOk : kSyntax;
  }

  // Turns the last atom into a counted one: m and n go after its opcode.
  // False when it is already repeated.
  bool Counted(long lo, long hi) {
    if (mOut[mAtom] & (kSedSTAR | kSedCOUNT)) return false;
    if (mN + 2 > kSedMaxRE) {
      mOverflow = true;  // reported as kFull by the next step of Body
      return true;
    }
    for (long k = mN - 1; k > mAtom; --k) mOut[k + 2] = mOut[k];
    mOut[mAtom + 1] = SEDunit(lo);
    mOut[mAtom + 2] = SEDunit(hi);
    mOut[mAtom] |= kSedCOUNT;
    mN += 2;
    return true;
  }

  // \+: the atom once, then the atom starred.
  long Plus() {
    if (mLast != kAtom || (mOut[mAtom] & (kSedSTAR | kSedCOUNT))) return kSyntax;
    long from = mAtom, len = mN - mAtom;
    if (mN + len > kSedMaxRE) return kFull;
    for (long k = 0; k < len; ++k) mOut[mN + k] = mOut[from + k];
    mAtom = mN;
    mN += len;
    mOut[mAtom] |= kSedSTAR;
    return kOk;
  }

  CSED& mSed;
  SEDunit* mOut;
  const SEDunit* mP;
  const SEDunit* mEnd;
  SEDunit mDelimiter;
  long mN = 0;
  bool mOverflow = false;
  Kind mLast = kNone;
  long mAtom = -1;  // index of the last atom's opcode
  int mGroups = 0;
  int mOpen[kSedMaxGroups] = {};
  int mDepth = 0;
  bool mClosed[kSedMaxGroups + 1] = {};
};

}  // namespace

// Compiles a regular expression up to `delimiter` into `out` (room for
// kSedMaxRE units). Returns the unit count, -1 on a syntax error, -2 when the
// compiled form would pass kSedMaxRE units.
long CSED::recomp(SEDunit* out, SEDunit delimiter) {
  if (mCp < mCpEnd && *mCp == delimiter) {
    // "//": the last expression used at run time.
    ++mCp;
    if (!mLastRE) ABORT(12);
    out[0] = kSedREUSE;
    out[1] = kSedEND;
    return 2;
  }
  ExpressionCompiler compiler(*this, out, mCp, mCpEnd, delimiter);
  long n = compiler.Compile();
  if (n < 0) return n;
  mCp = compiler.End();
  mLastGroups = compiler.Groups();
  return n;
}

// Compiles a replacement into `out` (room for `room` units, terminating 0
// included). Returns the unit count, -1 on a syntax error, -2 when full.
long CSED::rhscomp(SEDunit* out, long room, SEDunit delimiter) {
  const SEDunit* p = mCp;
  const SEDunit* end = mCpEnd;
  long n = 0;
  auto put = [&](SEDunit u) -> bool {
    if (n >= room) return false;
    out[n++] = u;
    return true;
  };
  for (;;) {
    if (p >= end) return -1;
    SEDunit c = *p++;
    if (c == delimiter) break;
    bool ok;
    if (c == '\\') {
      if (p >= end) return -1;
      SEDunit e = *p++;
      if (e == 'x') {
        SEDunit v = getescchar(e, p, end);
        // A hexadecimal character is never special.
        ok = put((v == 'x' || v == '&' || v == 0) ? SEDunit(256 + v) : v);
      } else if (e >= '1' && e <= '9') {
        if (e - '0' > mLastGroups) return -1;
        ok = put(SEDunit(256 + e));
      } else {
        ok = put(e < 256 ? SEDunit(256 + e) : e);
      }
    } else {
      ok = put(c == 0 ? SEDunit(256) : c);
    }
    if (!ok) return -2;
  }
  if (!put(0)) return -2;
  mCp = p;
  return n;
}

// Compiles the two lists of "y" into (from, to) pairs ended by kSedYEND.
long CSED::ycomp(SEDunit* out, long room, SEDunit delimiter) {
  const SEDunit* p = mCp;
  const SEDunit* end = mCpEnd;
  auto next = [&](SEDunit& u, bool source) -> int {  // 1 unit, 0 delimiter, -1 error
    if (p >= end) return -1;
    SEDunit c = *p++;
    if (c == delimiter) return 0;
    if (c == '\n' && source) return -1;
    if (c == '\\' && p < end) {
      SEDunit e = *p;
      if (e == 'n' || e == 't' || e == '\\' || e == delimiter) {
        ++p;
        u = e == 'n' ? '\n' : e == 't' ? '\t' : e;
        return 1;
      }
      if (e == 'x') {
        const SEDunit* save = ++p;
        SEDunit v = getescchar('x', p, end);
        if (p != save) {
          u = v;
          return 1;
        }
        p = save - 1;
      }
    }
    u = c;
    return 1;
  };
  long count = 0;
  for (;;) {
    SEDunit u;
    int r = next(u, true);
    if (r < 0) return -1;
    if (r == 0) break;
    if (2 * count + 2 > room) return -2;
    out[2 * count++] = u;
  }
  for (long k = 0;; ++k) {
    SEDunit u;
    int r = next(u, false);
    if (r < 0) return -1;
    if (r == 0) {
      if (k != count) return -1;
      break;
    }
    if (k >= count) return -1;
    out[2 * k + 1] = u;
  }
  if (2 * count + 1 > room) return -2;
  out[2 * count] = kSedYEND;
  mCp = p;
  return 2 * count + 1;
}

// Copies the rest of the line into the text pool as bytes: a backslash is
// dropped and the unit after it kept; blanks after a copied LF are skipped.
char* CSED::gettext(bool fileName) {
  (void)fileName;
  SKIPWS();
  long at = mPoolUsed;
  char* start = mBuf.pool + at;
  auto put = [&](char b) {
    if (!mBuf.pool || at >= kSedPoolBytes) ABORT(3);
    mBuf.pool[at++] = b;
  };
  while (mCp < mCpEnd) {
    SEDunit u = *mCp++;
    if (u == '\\') {
      if (mCp >= mCpEnd) break;
      u = *mCp++;
    }
    if (u > 255) put(char(u >> 8));
    put(char(u & 0xFF));
    if (u == '\n') SKIPWS();
  }
  put(0);
  mPoolUsed = at;
  return start;
}

// A label name: up to ";", a blank or the end of the line.
char* CSED::LabelName() {
  SKIPWS();
  long at = mPoolUsed;
  char* start = mBuf.pool + at;
  auto put = [&](char b) {
    if (!mBuf.pool || at >= kSedPoolBytes) ABORT(3);
    mBuf.pool[at++] = b;
  };
  while (mCp < mCpEnd && *mCp != ';' && *mCp != ' ' && *mCp != '\t') {
    SEDunit u = *mCp++;
    if (u > 255) put(char(u >> 8));
    put(char(u & 0xFF));
  }
  put(0);
  mPoolUsed = at;
  return start;
}

SEDlabel* CSED::search(SEDlabel* label) {
  for (long k = 1; k < mLabelCount; ++k) {
    SEDlabel* l = &mBuf.labels[k];
    if (l != label && strcmp(l->name, label->name) == 0) return l;
  }
  return nullptr;
}

SEDlabel* CSED::NewLabel(const char* name) {
  SEDlabel probe{name, nullptr, nullptr};
  if (SEDlabel* found = search(&probe)) return found;
  if (mLabelCount > kSedMaxLabels) ABORT(16);
  SEDlabel* l = &mBuf.labels[mLabelCount++];
  *l = probe;
  return l;
}

long CSED::WFile(const char* name) {
  for (long k = mWCount - 1; k >= 1; --k)
    if (strcmp(mWName[k], name) == 0) return mWFile[k];
  if (mWCount >= kSedMaxWFiles) ABORT(17);
  long file = fopen(name, "w");
  if (!file) {
    printerror(9, name);
    Fatal(2);
  }
  mWName[mWCount] = const_cast<char*>(name);
  mWFile[mWCount++] = file;
  return file;
}

// After a command: blanks, then the end of the line, a comment, ";" or "}".
void CSED::AfterCommand() {
  SKIPWS();
  if (mCp >= mCpEnd) return;
  if (*mCp == '#') {
    mCp = mCpEnd;
  } else if (*mCp == ';') {
    ++mCp;
  } else if (*mCp != '}') {
    ABORT(20);
  }
}

const SEDunit* CSED::address() {
  if (mCp >= mCpEnd) return nullptr;
  SEDunit c = *mCp;
  if (c == '$') {
    ++mCp;
    const SEDunit form[2] = {kSedLAST, kSedEND};
    return PoolUnits(form, 2);
  }
  if (IsDigit(c)) {
    long value = 0;
    while (mCp < mCpEnd && IsDigit(*mCp)) {
      value = value * 10 + (*mCp++ - '0');
      if (value > INT32_MAX) ABORT(1);
    }
    if (mNumberCount >= kSedMaxNumbers) ABORT(19);
    mBuf.numbers[mNumberCount] = std::int32_t(value);
    const SEDunit form[3] = {kSedNUM, SEDunit(mNumberCount++), kSedEND};
    return PoolUnits(form, 3);
  }
  if (c == '/') {
    ++mCp;
    return PoolExpression('/', 1);
  }
  return nullptr;
}

void CSED::compile() {
  for (;;) {
    if (mCp >= mCpEnd) {
      if (cmdline() < 0) return;
      mCp = Line(kPat);
      mCpEnd = mCp + Len(kPat);
      if (mFirstLine) {
        // "#n" alone on the first line of the script is the -n option.
        mFirstLine = false;
        if (Len(kPat) == 2 && mCp[0] == '#' && mCp[1] == 'n') mNoPrint = true;
      }
    }
    SKIPWS();
    if (mCp >= mCpEnd) continue;
    if (*mCp == ';') {
      ++mCp;
      continue;
    }
    if (*mCp == '#') {
      mCp = mCpEnd;
      continue;
    }
    SEDcmd& cmd = mBuf.commands[mCmdCount];
    cmd = SEDcmd{};
    cmd.ad1 = address();
    if (cmd.ad1 && mCp < mCpEnd && (*mCp == ',' || *mCp == ';')) {
      ++mCp;
      cmd.ad2 = address();
      if (!cmd.ad2) ABORT(1);
    }
    SKIPWS();
    if (mCp < mCpEnd && *mCp == '!') {
      cmd.negate = 1;
      ++mCp;
      SKIPWS();
    }
    if (mCp >= mCpEnd) ABORT(13);
    SEDunit letter = *mCp++;
    if (letter > 0x7F) ABORT(13);
    cmdcomp(cmd, char(letter));
  }
}

namespace {

// The commands besides ":", "{" and "}": letter, code, and whether they take
// one address at most.
struct CommandSpec {
  char letter;
  std::int32_t code;
  bool oneAddress;
};

constexpr CommandSpec kCommandTable[] = {
    {'=', kSedEqual, true},       {'a', kSedAppend, true},      {'b', kSedBranch, false},
    {'c', kSedChange, false},     {'d', kSedDelete, false},     {'D', kSedDeleteFirst, false},
    {'g', kSedGet, false},        {'G', kSedGetAppend, false},  {'h', kSedHold, false},
    {'H', kSedHoldAppend, false}, {'i', kSedInsert, true},      {'l', kSedList, false},
    {'n', kSedNext, false},       {'N', kSedNextAppend, false}, {'p', kSedPrint, false},
    {'P', kSedPrintFirst, false}, {'q', kSedQuit, true},        {'r', kSedRead, true},
    {'s', kSedSubstitute, false}, {'t', kSedTest, false},       {'w', kSedWrite, false},
    {'x', kSedExchange, false},   {'y', kSedTranslate, false},
};

const CommandSpec* FindCommand(char letter) {
  for (const CommandSpec& entry : kCommandTable)
    if (entry.letter == letter) return &entry;
  return nullptr;
}

}  // namespace

// One command after its addresses, in phases: the address check, the
// argument, the pool slot, then the rest of the line. ":", "{" and "}" end
// the parsing of their line in their own way.
void CSED::cmdcomp(SEDcmd& cmd, char letter) {
  if (letter == ':') return DefineLabel(cmd);
  if (letter == '{') return OpenBlock(cmd);
  if (letter == '}') return CloseBlock(cmd);
  const CommandSpec* entry = FindCommand(letter);
  if (!entry) ABORT(13);
  if (entry->oneAddress && cmd.ad2) ABORT(5);
  cmd.code = entry->code;
  bool tookLine = CompileArgument(cmd, letter);
  TakeSlot();
  if (!tookLine) AfterCommand();
}

void CSED::TakeSlot() {
  if (mCmdCount >= kSedMaxCommands) ABORT(6);
  ++mCmdCount;
  mBuf.commands[mCmdCount] = SEDcmd{};
}

// ":" stands before the next command and takes no slot of its own.
void CSED::DefineLabel(SEDcmd& cmd) {
  if (cmd.ad1) ABORT(4);
  SEDlabel* label = NewLabel(LabelName());
  if (label->target) ABORT(15);
  label->target = &cmd;
  AfterCommand();
}

// "{" is a jump over its block, taken when the address does not select the
// line; the rest of its line is parsed as commands of the block.
void CSED::OpenBlock(SEDcmd& cmd) {
  cmd.code = kSedBranch;
  cmd.negate ^= 1;
  if (mDepth >= kSedMaxDepth) ABORT(11);
  mBlocks[mDepth++] = &cmd;
  TakeSlot();
}

// "}" sets the target of its "{" to the next command and takes no slot.
void CSED::CloseBlock(SEDcmd& cmd) {
  if (cmd.ad1) ABORT(4);
  if (mDepth == 0) ABORT(14);
  mBlocks[--mDepth]->target = &cmd;
  AfterCommand();
}

// The argument of a command; true when it took the rest of the line.
bool CSED::CompileArgument(SEDcmd& cmd, char letter) {
  switch (letter) {
    case 'a':
    case 'i':
    case 'c':
      if (mCp < mCpEnd && *mCp == '\\') ++mCp;
      if (mCp < mCpEnd && *mCp == '\n') ++mCp;
      cmd.arg = gettext(false);
      return true;
    case 'b':
    case 't':
      CompileJump(cmd);
      return false;
    case 'D':
      cmd.target = &mBuf.commands[0];
      return false;
    case 'l':
      SKIPWS();
      if (mCp >= mCpEnd || *mCp != 'w') return false;
      ++mCp;
      cmd.file = WFile(gettext(true));
      return true;
    case 'r':
      cmd.arg = gettext(true);
      return true;
    case 'w':
      cmd.file = WFile(gettext(true));
      return true;
    case 's':
      return CompileSubstitute(cmd);
    case 'y':
      cmd.arg = PoolCompile(&CSED::ycomp, Delimiter());
      return false;
    default:
      return false;
  }
}

// "b" and "t": without a name the jump goes to the end of the script; a
// label not yet defined collects the jump on its chain until `resolve`.
void CSED::CompileJump(SEDcmd& cmd) {
  char* name = LabelName();
  SEDlabel* label = name[0] ? NewLabel(name) : &mBuf.labels[0];
  if (label->target) {
    cmd.target = label->target;
  } else {
    cmd.target = label->chain;
    label->chain = &cmd;
  }
}

// Compiles an expression into the pool; it becomes the last expression for
// later empty ones unless it is one itself.
const SEDunit* CSED::PoolExpression(SEDunit delimiter, int syntaxCode) {
  SEDunit re[kSedMaxRE + 4];
  long n = recomp(re, delimiter);
  if (n == -2) ABORT(18);
  if (n < 0) ABORT(syntaxCode);
  const SEDunit* compiled = PoolUnits(re, n);
  if (re[0] != kSedREUSE) mLastRE = compiled;
  return compiled;
}

// "s": expression, replacement, flags. True when a "w" flag took the rest
// of the line.
bool CSED::CompileSubstitute(SEDcmd& cmd) {
  SEDunit delimiter = Delimiter();
  cmd.arg = PoolExpression(delimiter, 2);
  cmd.rhs = PoolCompile(&CSED::rhscomp, delimiter);
  if (mGlobal) cmd.global = 1;
  return SubstituteFlags(cmd);
}

// "g", "p" and an occurrence number in any order, then an optional "w" and
// a file name.
bool CSED::SubstituteFlags(SEDcmd& cmd) {
  while (mCp < mCpEnd) {
    SEDunit f = *mCp;
    if (f == 'g') {
      cmd.global = 1;
      ++mCp;
    } else if (f == 'p') {
      cmd.print = 1;
      ++mCp;
    } else if (IsDigit(f)) {
      long value = 0;
      while (mCp < mCpEnd && IsDigit(*mCp)) {
        value = value * 10 + (*mCp++ - '0');
        if (value > INT32_MAX) ABORT(2);
      }
      if (value == 0) ABORT(2);
      cmd.occurrence = std::int32_t(value);
    } else if (f == 'w') {
      ++mCp;
      cmd.file = WFile(gettext(true));
      return true;
    } else {
      break;
    }
  }
  return false;
}

// Binds every jump to its label; label 0 is the end of the script.
void CSED::resolve() {
  mBuf.labels[0].target = &mBuf.commands[mCmdCount];
  for (long k = 0; k < mLabelCount; ++k) {
    SEDlabel& l = mBuf.labels[k];
    if (!l.target) {
      printerror(10, l.name);
      Fatal(2);
    }
    for (SEDcmd* c = l.chain; c;) {
      SEDcmd* next = c->target;
      c->target = l.target;
      c = next;
    }
    l.chain = nullptr;
  }
  // The pattern buffer held script lines; input starts empty.
  Len(kPat) = 0;
  mCp = mCpEnd = nullptr;
}
