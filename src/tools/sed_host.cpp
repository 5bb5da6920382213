#include "tools/sed_host.h"

#include <cstdio>
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

long CSEDFiles::fgetwsr(int dst, long at, long file, bool dropLF) {
  if (file < 1 || file > kSedMaxFiles || !mFiles[file]) return -1;
  FILE* f = static_cast<FILE*>(mFiles[file]);
  long n = at;
  bool any = false;
  SEDunit* out = Line(dst);
  long cap = mBuf.lineCap;
  for (;;) {
    int c;
    if (file == 1 && mPushBack >= 0) {
      c = mPushBack;
      mPushBack = -1;
    } else {
      c = getc_unlocked(f);
      if (c == EOF) break;
    }
    any = true;
    SEDunit u = SEDunit(c);
    if (SEDLeadByte(c)) {
      int next = getc_unlocked(f);
      if (next != EOF) {
        if (SEDTrailByte(next))
          u = SEDunit((c << 8) | next);
        else
          ungetc(next, f);
      }
    }
    if (u == '\n' && dropLF) break;
    if (n >= cap) {
      NeedLine(n + 1);
      out = Line(dst);
      cap = mBuf.lineCap;
    }
    out[n++] = u;
    if (u == '\n') break;
  }
  if (!any) return -1;
  out[n] = 0;
  return n;
}

void CSEDFiles::fputwsr(const SEDunit* from, const SEDunit* to, long file, bool newline) {
  if (file < 1 || file > kSedMaxFiles || !mFiles[file]) return;
  FILE* f = static_cast<FILE*>(mFiles[file]);
  unsigned char bytes[8192];
  long n = 0;
  for (const SEDunit* p = from; p < to; ++p) {
    if (n > long(sizeof bytes) - 2) {
      fwrite_unlocked(bytes, 1, size_t(n), f);
      n = 0;
    }
    SEDunit c = *p;
    if (c > 255) bytes[n++] = static_cast<unsigned char>(c >> 8);
    bytes[n++] = static_cast<unsigned char>(c);
  }
  if (newline) bytes[n++] = '\n';
  fwrite_unlocked(bytes, 1, size_t(n), f);
}
