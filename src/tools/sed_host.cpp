#include "tools/sed_host.h"

#include <cstdio>
#include <cstdlib>

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

CSEDFiles::~CSEDFiles() { std::free(mBytes); }

// A line is taken from the FILE in one call and then split into units; a
// lead byte joins the byte after it when that is a trail byte (a LF never
// is, so no character spans two lines).
long CSEDFiles::fgetwsr(int dst, long at, long file, bool dropLF) {
  if (file < 1 || file > kSedMaxFiles || !mFiles[file]) return -1;
  FILE* f = static_cast<FILE*>(mFiles[file]);
  int first = -1;   // a byte read ahead (to tell the last line), then the rest
  if (file == 1 && mPushBack >= 0) {
    first = mPushBack;
    mPushBack = -1;
  }
  long got = 0;
  if (first != '\n') {
    const ssize_t r = getdelim(&mBytes, &mBytesCap, '\n', f);
    got = r > 0 ? long(r) : 0;
  }
  if (first < 0 && got == 0) return -1;
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(mBytes);
  long n = at;
  SEDunit* out = Line(dst);
  long cap = mBuf.lineCap;
  // Stores one unit; false at the LF that ends the line.
  auto put = [&](SEDunit u) {
    if (u == '\n' && dropLF) return false;
    if (n >= cap) {
      NeedLine(n + 1);
      out = Line(dst);
      cap = mBuf.lineCap;
    }
    out[n++] = u;
    return u != '\n';
  };
  long i = 0;
  bool more = true;
  if (first >= 0) {
    if (SEDLeadByte(first) && got > 0 && SEDTrailByte(bytes[0])) {
      more = put(SEDunit((first << 8) | bytes[0]));
      i = 1;
    } else {
      more = put(SEDunit(first));
    }
  }
  while (more && i < got) {
#if defined(__SSE2__)
    // Sixteen bytes at a time while they are below 0x80 and no LF, with room
    // for sixteen units (the units past the run are written over later).
    if (i + 16 <= got && n + 16 <= cap) {
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
      const unsigned stop =
          unsigned(_mm_movemask_epi8(b)) | unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(b, _mm_set1_epi8('\n'))));
      const __m128i zero = _mm_setzero_si128();
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + n), _mm_unpacklo_epi8(b, zero));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + n + 8), _mm_unpackhi_epi8(b, zero));
      const long k = stop ? __builtin_ctz(stop) : 16;
      n += k;
      i += k;
      if (k == 16) continue;
    }
#endif
    // A run of single bytes below any lead byte, with room for it.
    long run = i;
    while (run < got && bytes[run] < 0x81 && bytes[run] != '\n') ++run;
    if (run > i) {
      if (n + (run - i) > cap) {
        NeedLine(n + (run - i));
        out = Line(dst);
        cap = mBuf.lineCap;
      }
      for (long k = i; k < run; ++k) out[n++] = bytes[k];
      i = run;
      continue;
    }
    const int c = bytes[i];
    if (SEDLeadByte(c) && i + 1 < got && SEDTrailByte(bytes[i + 1])) {
      more = put(SEDunit((c << 8) | bytes[i + 1]));
      i += 2;
    } else {
      more = put(SEDunit(c));
      ++i;
    }
  }
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
