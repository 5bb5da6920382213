#include "tools/sed_host.h"

#include <cstdio>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cstring>

#include "text/base/memory.h"

const char* SEDErrorText(int code) {
  static const char* const kTexts[] = {
      "cannot compile the address: %s",
      "malformed s or y command: %s",
      "the script is too long (text pool full): %s",
      "\":\" or \"}\" takes no address: %s",
      "the command takes one address only: %s",
      "too many commands: %s",
      "cannot open the script file \"%s\"",
      "unknown option -%s",
      "cannot create the file \"%s\"",
      "undefined label \"%s\"",
      "\"{\" without \"}\": %s",
      "no previous regular expression: %s",
      "unknown command: %s",
      "\"}\" without \"{\": %s",
      "label defined twice: %s",
      "too many labels: %s",
      "too many files: %s",
      "regular expression too long: %s",
      "too many line numbers: %s",
      "unexpected characters after the command: %s",
      "cannot open the input file \"%s\"",
      "the line is too long%s",
      "too many \"a\" texts on line %s",
      "too many \"r\" files on line %s",
      "unknown matcher code %s",
  };
  if (code < 1 || code > 25) return "error %s";
  return kTexts[code - 1];
}

CSEDHost::CSEDHost() = default;

CSEDHost::~CSEDHost() { Release(); }

void CSEDHost::Release() {
  for (Handle& h : mLineH) {
    if (h) {
      KxMemHUnlock(h);
      KxMemHFree(h);
    }
    h = nullptr;
  }
  KxMemFree(reinterpret_cast<char*>(mBuf.commands));
  KxMemFree(mBuf.pool);
  KxMemFree(reinterpret_cast<char*>(mBuf.labels));
  KxMemFree(reinterpret_cast<char*>(mBuf.numbers));
  mBuf = SEDbuffers{};
}

void CSEDHost::initialize() {
  if (!mBuf.commands) {
    // One spare record: a command is parsed in place before it is counted.
    mBuf.commands = reinterpret_cast<SEDcmd*>(KxMemAlloc(long(sizeof(SEDcmd)) * (kSedMaxCommands + 2), true));
    mBuf.pool = KxMemAlloc(kSedPoolBytes, true);
    mBuf.labels = reinterpret_cast<SEDlabel*>(KxMemAlloc(long(sizeof(SEDlabel)) * (kSedMaxLabels + 1), true));
    mBuf.numbers = reinterpret_cast<std::int32_t*>(KxMemAlloc(long(sizeof(std::int32_t)) * kSedMaxNumbers, true));
    for (int k = 0; k < 3; ++k) {
      mLineH[k] = KxMemHAlloc((kSedLineLimit + 1) * long(sizeof(SEDunit)), true);
      mBuf.lines[k] = reinterpret_cast<SEDunit*>(KxMemHLock(mLineH[k]));
    }
    mBuf.lineCap = kSedLineLimit;
  }
  mSteps = 0;
  mBudgetSpent = false;
  mFirstError = 0;
  mFirstFailure = 0;
  mMessages.clear();
  CSED::initialize();
}

bool CSEDHost::EnlargeLineBuf(long more) {
  if (more <= 0) return true;
  long cap = mBuf.lineCap + more;
  if (cap > mMaxLine) return false;
  bool ok = true;
  for (int k = 0; k < 3 && ok; ++k) {
    KxMemHUnlock(mLineH[k]);
    ok = KxMemHReAlloc(mLineH[k], (cap + 1) * long(sizeof(SEDunit)), false);
    mBuf.lines[k] = reinterpret_cast<SEDunit*>(KxMemHLock(mLineH[k]));
  }
  // Buffers grown before a failure keep their room; the shared limit moves
  // only when all three have it.
  if (ok) mBuf.lineCap = cap;
  return ok;
}

void CSEDHost::printerror(int code, const char* text) {
  if (!mFirstError) mFirstError = code;
  if (!mFirstFailure && code != 23 && code != 24) mFirstFailure = code;
  std::string message;
  const char* form = SEDErrorText(code);
  for (const char* p = form; *p; ++p) {
    if (p[0] == '%' && p[1] == 's') {
      message += text ? text : "";
      ++p;
    } else {
      message += *p;
    }
  }
  mMessages += message;
  mMessages += '\n';
  if (mEcho) std::fprintf(stderr, "%s: %s\n", mEcho, message.c_str());
}

void CSEDHost::check_break() {
  if (mBudget > 0 && ++mSteps > mBudget) {
    mBudgetSpent = true;
    Fatal(1);
  }
}

void CSEDFiles::initialize() {
  mInPos = mInEnd = 0;
  mInFile = nullptr;
  CSEDHost::initialize();
}

long CSEDFiles::freopen(const char* name, const char* mode, long file) {
  if (file == 1) {
    mInPos = mInEnd = 0;
    mInFile = nullptr;
  }
  return CSEDHost::freopen(name, mode, file);
}

// Keeps the bytes not taken yet at the block's start and reads more after
// them; false when nothing more came.
bool CSEDFiles::FillInput() {
  FILE* f = static_cast<FILE*>(mFiles[1]);
  if (f != mInFile) {
    mInPos = mInEnd = 0;
    mInFile = f;
  }
  if (!f) return false;
  const long keep = mInEnd - mInPos;
  if (keep >= kInputBlock) return true;
  if (keep > 0 && mInPos > 0) std::memmove(mIn, mIn + mInPos, std::size_t(keep));
  mInPos = 0;
  mInEnd = keep;
  const std::size_t got = std::fread(mIn + keep, 1, std::size_t(kInputBlock - keep), f);
  mInEnd += long(got);
  return got > 0;
}

int CSEDFiles::fgetc(long file) {
  if (file != 1) return CSEDHost::fgetc(file);
  if (mFiles[1] != mInFile) mInPos = mInEnd = 0;
  if (mInPos == mInEnd && !FillInput()) return -1;
  return mIn[mInPos++];
}

// A line of the input is split into units; a lead byte joins the byte after
// it when that is a trail byte (a LF never is, so no character spans two
// lines). A lead byte at the block's end waits for the next bytes.
long CSEDFiles::fgetwsr(int dst, long at, long file, bool dropLF) {
  if (file != 1 || !mFiles[1]) return CSEDHost::fgetwsr(dst, at, file, dropLF);
  if (mFiles[1] != mInFile) {
    mInPos = mInEnd = 0;
    mInFile = mFiles[1];
  }
  if (mPushBack >= 0) {
    // The byte read ahead (to tell the last line) goes back in front.
    if (mInPos == 0) {
      std::memmove(mIn + 1, mIn, std::size_t(mInEnd));
      ++mInEnd;
      ++mInPos;
    }
    mIn[--mInPos] = static_cast<unsigned char>(mPushBack);
    mPushBack = -1;
  }
  bool any = false;
  long n = at;
  SEDunit* out = Line(dst);
  long cap = mBuf.lineCap;
  auto room = [&](long units) {
    if (units > cap) {
      NeedLine(units);
      out = Line(dst);
      cap = mBuf.lineCap;
    }
  };
  // The units of p[0..span) (no LF among them); answers the bytes taken,
  // all but a lead byte at the end when the line goes on past them.
  auto convert = [&](const unsigned char* p, long span, bool whole) {
    long i = 0;
    while (i < span) {
#if defined(__SSE2__)
      // Sixteen bytes at a time while they are below 0x80, with room for
      // sixteen units (those past the run are written over later).
      if (i + 16 <= span && n + 16 <= cap) {
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const unsigned stop = unsigned(_mm_movemask_epi8(b));
        const __m128i zero = _mm_setzero_si128();
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + n), _mm_unpacklo_epi8(b, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + n + 8), _mm_unpackhi_epi8(b, zero));
        const long m = stop ? __builtin_ctz(stop) : 16;
        n += m;
        i += m;
        if (m == 16) continue;
      }
#endif
      long run = i;
      while (run < span && p[run] < 0x81) ++run;
      if (run > i) {
        room(n + (run - i));
        for (long j = i; j < run; ++j) out[n++] = p[j];
        i = run;
        continue;
      }
      const int c = p[i];
      room(n + 1);
      if (SEDLeadByte(c) && i + 1 < span && SEDTrailByte(p[i + 1])) {
        out[n++] = SEDunit((c << 8) | p[i + 1]);
        i += 2;
      } else if (SEDLeadByte(c) && i + 1 == span && !whole) {
        break;   // its trail byte is not read yet
      } else {
        out[n++] = SEDunit(c);
        ++i;
      }
    }
    return i;
  };
  for (;;) {
    if (mInPos == mInEnd && !FillInput()) break;
    any = true;
    const unsigned char* p = mIn + mInPos;
    const void* lf = std::memchr(p, '\n', std::size_t(mInEnd - mInPos));
    const long span = lf ? long(static_cast<const unsigned char*>(lf) - p) : mInEnd - mInPos;
    const long taken = convert(p, span, lf != nullptr);
    mInPos += taken;
    if (lf) {
      ++mInPos;
      if (!dropLF) {
        room(n + 1);
        out[n++] = '\n';
      }
      break;
    }
    if (taken < span && !FillInput()) {
      // The input ends after a lead byte: it stands alone.
      room(n + 1);
      out[n++] = mIn[mInPos++];
      break;
    }
  }
  if (!any) return -1;
  out[n] = 0;
  return n;
}

// Units of one byte go out in runs; a double-byte unit as lead and trail.
void CSEDFiles::fputwsr(const SEDunit* from, const SEDunit* to, long file, bool newline) {
  if (file < 1 || file > kSedMaxFiles || !mFiles[file]) return;
  FILE* f = static_cast<FILE*>(mFiles[file]);
  constexpr long kRoom = 8192, kChunk = 2048;   // two bytes a unit at most, and a LF
  unsigned char bytes[kRoom];
  long n = 0;
  for (const SEDunit* p = from; p < to;) {
    if (n > kRoom - 2 * kChunk - 1) {
      fwrite_unlocked(bytes, 1, size_t(n), f);
      n = 0;
    }
    const long count = to - p < kChunk ? long(to - p) : kChunk;
    SEDunit wide = 0;
    for (long k = 0; k < count; ++k) wide |= p[k];
    if (wide <= 0xFF) {
      for (long k = 0; k < count; ++k) bytes[n + k] = static_cast<unsigned char>(p[k]);
      n += count;
    } else {
      for (long k = 0; k < count; ++k) {
        const SEDunit c = p[k];
        if (c > 255) bytes[n++] = static_cast<unsigned char>(c >> 8);
        bytes[n++] = static_cast<unsigned char>(c);
      }
    }
    p += count;
  }
  if (newline) bytes[n++] = '\n';
  fwrite_unlocked(bytes, 1, size_t(n), f);
}
