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
#include <fstream>
#include <iterator>
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
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool WriteFile(const char* path, const unsigned char* p, long n) {
  std::FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  bool ok = n == 0 || std::fwrite(p, 1, size_t(n), f) == size_t(n);
  return std::fclose(f) == 0 && ok;
}

// Converts between the Japanese encodings (through Shift_JIS) and between
// the two Unicode forms. False for a route that needs the Unicode tables.
bool Convert(short from, short to, const std::vector<unsigned char>& in, std::vector<unsigned char>& out) {
  const unsigned char* p = in.data();
  long n = long(in.size());
  auto take = [&out](CKXJCode& j) {
    const unsigned char* t = j.GetTextPtr();
    out.assign(t, t + j.GetTextSize());
  };
  if (from == to) {
    out = in;
    return true;
  }
  bool fromUnicode = from == kKxCodeUTF8 || from == kKxCodeUTF16;
  bool toUnicode = to == kKxCodeUTF8 || to == kKxCodeUTF16;
  if (fromUnicode != toUnicode) return false;
  CKXJCode j;
  if (fromUnicode) {
    if (to == kKxCodeUTF8)
      j.UNICODEtoUTF8(p, n);
    else
      j.UTF8toUNICODE(p, n, true);
    take(j);
    return true;
  }
  std::vector<unsigned char> sjis;
  if (from == kKxCodeSJIS) {
    sjis = in;
  } else {
    if (from == kKxCodeJIS)
      j.JIStoSJIS(p, n);
    else
      j.EUCtoSJIS(p, n);
    take(j);
    if (to == kKxCodeSJIS) return true;
    sjis.swap(out);
  }
  CKXJCode k;
  if (to == kKxCodeJIS)
    k.SJIStoJIS(sjis.data(), long(sjis.size()));
  else
    k.SJIStoEUC(sjis.data(), long(sjis.size()));
  take(k);
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

  std::vector<unsigned char> out;
  if (!Convert(from, to, in, out)) {
    std::fprintf(stderr, "kxjconv: unsupported: %s to %s\n", kNames[from], kNames[to]);
    return 3;
  }
  if (!WriteFile(files[1], out.data(), long(out.size()))) {
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
