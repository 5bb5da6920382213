// kxjconv: converts a file between the Japanese encodings with the text
// library's own converters, for the script tests and the benchmarks.
//
//   kxjconv [--from auto|sjis|jis|euc|utf8|utf16] --to sjis|jis|euc|utf8|utf16 IN OUT
//   kxjconv --detect IN...
//
// The code detected (or given) is printed on stderr as "detected: NAME",
// one line per input file.
// Exit status: 0 done, 1 bad usage or file error, 3 unsupported route.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/core.h"
#include "platform/exception.h"
#include "text/facilities.h"
#include "text/jcode.h"

namespace {

const char* const kNames[] = {"sjis", "jis", "euc", "utf16", "utf8"};

short CodeOf(const std::string& name) {
  if (name == "auto") return kKxCodeAuto;
  for (short k = 0; k < 5; ++k)
    if (name == kNames[k]) return k;
  return -2;
}

int Usage() {
  std::fprintf(stderr,
               "usage: kxjconv [--from auto|sjis|jis|euc|utf8|utf16] --to sjis|jis|euc|utf8|utf16 IN OUT\n"
               "       kxjconv --detect IN...\n");
  return 1;
}

bool ReadFile(const char* path, std::vector<unsigned char>& bytes) {
  std::FILE* f = std::fopen(path, "rb");
  if (!f) return false;
  bytes.clear();
  unsigned char block[1 << 16];
  size_t got;
  bool ok = true;
  if (std::fseek(f, 0, SEEK_END) == 0) {
    long size = std::ftell(f);
    if (size > 0) bytes.reserve(size_t(size));
    std::rewind(f);
  }
  while ((got = std::fread(block, 1, sizeof block, f)) > 0) bytes.insert(bytes.end(), block, block + got);
  if (std::ferror(f)) ok = false;
  std::fclose(f);
  return ok;
}

bool WriteFile(const char* path, const unsigned char* p, long n) {
  std::FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  bool ok = n == 0 || std::fwrite(p, 1, size_t(n), f) == size_t(n);
  return std::fclose(f) == 0 && ok;
}

// Converts between the Japanese encodings (through Shift_JIS) and between
// the two Unicode forms; the result is in `last`, or `in` itself when the
// codes are the same. False for a route that needs the Unicode tables.
bool Convert(short from, short to, const std::vector<unsigned char>& in, CKXJCode& first, CKXJCode& last,
             const unsigned char*& out, long& outSize) {
  const unsigned char* p = in.data();
  long n = long(in.size());
  out = p;
  outSize = n;
  if (from == to) return true;
  bool fromUnicode = from == kKxCodeUTF8 || from == kKxCodeUTF16;
  bool toUnicode = to == kKxCodeUTF8 || to == kKxCodeUTF16;
  if (fromUnicode != toUnicode) return false;
  if (fromUnicode) {
    if (to == kKxCodeUTF8)
      last.UNICODEtoUTF8(p, n);
    else
      last.UTF8toUNICODE(p, n, true);
  } else {
    if (from != kKxCodeSJIS) {
      CKXJCode& step = to == kKxCodeSJIS ? last : first;
      if (from == kKxCodeJIS)
        step.JIStoSJIS(p, n);
      else
        step.EUCtoSJIS(p, n);
      p = step.GetTextPtr();
      n = step.GetTextSize();
    }
    if (to == kKxCodeJIS)
      last.SJIStoJIS(p, n);
    else if (to == kKxCodeEUC)
      last.SJIStoEUC(p, n);
  }
  out = last.GetTextPtr();
  outSize = last.GetTextSize();
  return true;
}

int Run(int argc, char** argv) {
  std::string fromName = "auto", toName;
  bool detectOnly = false;
  std::vector<const char*> files;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--from" && i + 1 < argc)
      fromName = argv[++i];
    else if (a == "--to" && i + 1 < argc)
      toName = argv[++i];
    else if (a == "--detect")
      detectOnly = true;
    else if (a.size() > 1 && a[0] == '-')
      return Usage();
    else
      files.push_back(argv[i]);
  }
  short from = CodeOf(fromName);
  short to = detectOnly ? kKxCodeSJIS : CodeOf(toName);
  if (from == -2 || to < 0) return Usage();
  if (detectOnly ? files.empty() : files.size() != 2) return Usage();

  std::vector<unsigned char> in;
  if (detectOnly) {
    CKXJCode::sUseUNICODE = 1;
    CKXJCode::sUseCVKANJI = 1;
    for (const char* file : files) {
      if (!ReadFile(file, in)) {
        std::fprintf(stderr, "kxjconv: cannot read %s\n", file);
        return 1;
      }
      std::fprintf(stderr, "detected: %s\n", kNames[CKXJCode::AutoCheck(in.data(), long(in.size()))]);
    }
    return 0;
  }

  if (!ReadFile(files[0], in)) {
    std::fprintf(stderr, "kxjconv: cannot read %s\n", files[0]);
    return 1;
  }
  if (from == kKxCodeAuto) {
    CKXJCode::sUseUNICODE = 1;
    CKXJCode::sUseCVKANJI = 1;
    from = CKXJCode::AutoCheck(in.data(), long(in.size()));
  }
  std::fprintf(stderr, "detected: %s\n", kNames[from]);

  CKXJCode first, last;
  const unsigned char* out;
  long outSize;
  if (!Convert(from, to, in, first, last, out, outSize)) {
    std::fprintf(stderr, "kxjconv: unsupported: %s to %s\n", kNames[from], kNames[to]);
    return 3;
  }
  if (!WriteFile(files[1], out, outSize)) {
    std::fprintf(stderr, "kxjconv: cannot write %s\n", files[1]);
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  KxTextFacilities();
  CoreInit();
  int status;
  try {
    status = Run(argc, argv);
  } catch (const LException& e) {
    std::fprintf(stderr, "kxjconv: error %ld\n", e.GetErrorCode());
    status = 1;
  }
  CoreTerminate();
  return status;
}
