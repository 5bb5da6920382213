// The stream editor's stdio shims over the C library, and the unit readers
// and writers built on them. A subclass replaces them to edit texts held in
// memory.
#include <cstdio>
#include <cstring>

#include "tools/sed.h"

namespace {
FILE* AsFile(void* f) { return static_cast<FILE*>(f); }
}  // namespace

void CSED::terminate() {
  for (long k = 1; k < mWCount; ++k) {
    if (mWFile[k]) fclose(mWFile[k]);
    mWFile[k] = 0;
  }
  mWCount = 1;
  if (mFiles[2]) std::fflush(AsFile(mFiles[2]));
  if (mFiles[1] && mFiles[1] != stdin) std::fclose(AsFile(mFiles[1]));
  mFiles[1] = nullptr;
}

void CSED::printerror(int code, const char* text) {
  (void)code;
  (void)text;
}

void CSED::check_break() {}

void CSED::exit(int code) { throw SEDExit{code}; }

const char* CSED::numstr(long n, int newline) {
  std::snprintf(mNum, sizeof mNum, newline ? "%ld\n" : "%ld", n);
  return mNum;
}

bool CSED::iswide(SEDunit c) { return c >= 256; }
bool CSED::iswide1st(int c) { return SEDLeadByte(c); }
bool CSED::iswide2nd(int c) { return SEDTrailByte(c); }
bool CSED::isprint_(SEDunit c) { return c >= 32 && c != 127; }

long CSED::fopen(const char* name, const char* mode) {
  for (long h = 3; h <= kSedMaxFiles; ++h) {
    if (mFiles[h]) continue;
    FILE* f = std::fopen(name, mode);
    if (!f) return 0;
    mFiles[h] = f;
    return h;
  }
  return 0;
}

long CSED::freopen(const char* name, const char* mode, long file) {
  if (file < 1 || file > kSedMaxFiles) return 0;
  FILE* old = AsFile(mFiles[file]);
  if (old && old != stdin && old != stdout) std::fclose(old);
  mFiles[file] = nullptr;
  if (file == 1) mPushBack = -1;
  FILE* f = std::fopen(name, mode);
  if (!f) return 0;
  mFiles[file] = f;
  return file;
}

void CSED::fclose(long file) {
  if (file < 1 || file > kSedMaxFiles || !mFiles[file]) return;
  FILE* f = AsFile(mFiles[file]);
  if (f == stdin || f == stdout)
    std::fflush(f);
  else
    std::fclose(f);
  mFiles[file] = nullptr;
}

int CSED::fgetc(long file) {
  if (file < 1 || file > kSedMaxFiles || !mFiles[file]) return -1;
  int c = getc_unlocked(AsFile(mFiles[file]));
  return c == EOF ? -1 : c;
}

void CSED::fputc(int c, long file) {
  if (file < 1 || file > kSedMaxFiles || !mFiles[file]) return;
  putc_unlocked(c, AsFile(mFiles[file]));
}

// Writes the bytes and a line end.
void CSED::fputs(const char* text, long file) {
  for (const char* p = text; *p; ++p) fputc(static_cast<unsigned char>(*p), file);
  fputc('\n', file);
}

// True when standard input has nothing more; peeks one byte.
bool CSED::feof_(long file) {
  if (file == 1 && mPushBack >= 0) return false;
  int c = fgetc(file);
  if (c < 0) return true;
  if (file == 1) mPushBack = c;
  return false;
}

SEDunit CSED::fgetwc(long file) {
  int c;
  if (file == 1 && mPushBack >= 0) {
    c = mPushBack;
    mPushBack = -1;
  } else {
    c = fgetc(file);
  }
  if (c < 0) return 0xFFFF;
  if (!iswide1st(c)) return SEDunit(c);
  int next = fgetc(file);
  if (next < 0) return SEDunit(c);
  if (iswide2nd(next)) return SEDunit((c << 8) | next);
  if (file == 1) mPushBack = next;
  return SEDunit(c);
}

// Reads units up to a LF or the end of input into line buffer `dst` at `at`,
// growing the buffers as needed. Returns the new end, or -1 when nothing was
// read.
long CSED::fgetwsr(int dst, long at, long file, bool dropLF) {
  long n = at;
  bool any = false;
  SEDunit* out = Line(dst);
  long cap = mBuf.lineCap;
  for (;;) {
    SEDunit c = fgetwc(file);
    if (c == 0xFFFF) break;
    any = true;
    if (c == '\n' && dropLF) break;
    if (n >= cap) {
      NeedLine(n + 1);
      out = Line(dst);
      cap = mBuf.lineCap;
    }
    out[n++] = c;
    if (c == '\n') break;
  }
  if (!any) return -1;
  out[n] = 0;
  return n;
}

void CSED::fputwc(SEDunit c, long file) {
  if (c > 255) fputc(c >> 8, file);
  fputc(c & 0xFF, file);
}

void CSED::fputwsr(const SEDunit* from, const SEDunit* to, long file, bool newline) {
  for (const SEDunit* p = from; p < to; ++p) fputwc(*p, file);
  if (newline) fputc('\n', file);
}

void CSED::fputws(const SEDunit* line, long length, long file) { fputwsr(line, line + length, file, true); }

void CSED::fputfile(const char* name, long file) {
  long in = fopen(name, "r");
  if (!in) return;
  for (int c; (c = fgetc(in)) >= 0;) fputc(c, file);
  fclose(in);
}

int CSED::strcmp(const char* a, const char* b) {
  if (!a) return b ? -1 : 0;
  if (!b) return 1;
  return std::strcmp(a, b);
}

char* CSED::strcpy(char* dst, const char* src) { return std::strcpy(dst, src); }

long CSED::strlen(const char* s) { return s ? long(std::strlen(s)) : 0; }

const char* CSED::strrchr(const char* s, int c) {
  const char* found = nullptr;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(s); *p; ++p) {
    if (iswide1st(*p) && p[1] && iswide2nd(p[1])) {
      ++p;
      continue;
    }
    if (*p == static_cast<unsigned char>(c)) found = reinterpret_cast<const char*>(p);
  }
  return found;
}
