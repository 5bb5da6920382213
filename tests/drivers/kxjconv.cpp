// kxjconv: converts a file between the Japanese encodings with the text
// library's own converters, for the script tests and the benchmarks.
//
//   kxjconv [--from auto|sjis|jis|euc|utf8|utf16] --to sjis|jis|euc|utf8|utf16 IN OUT
//   kxjconv --detect IN...
//
// The code detected (or given) is printed on stderr as "detected: NAME",
// one line per input file. Between the Japanese encodings and Unicode the
// text goes through Shift_JIS and the Unicode bridge (script 1): both the
// cp932 and the JIS names of a symbol (U+FF5E and U+301C, ...) take its one
// code, which reads back in cp932's name (the Shift_JIS output keeps no side
// entries); characters without a Shift_JIS
// code are written as a placeholder (counted on stderr), JIS X 0212 characters of EUC-JP reach Unicode through side
// entries, and bytes that decode to nothing become U+FFFD. UTF-16 is
// written big-endian after a byte-order mark.
// Exit status: 0 done, 1 bad usage or file error, 3 unsupported route.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "driver.h"
#include "platform/files.h"
#include "platform/script.h"
#include "text/facilities.h"
#include "text/base/flat.h"
#include "text/codes/jcode.h"
#include "text/codes/sjis_utf8.h"
#include "text/base/memory.h"
#include "text/codes/unicode.h"

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

bool WriteFile(const char* path, const unsigned char* p, long n) {
  std::FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  bool ok = n == 0 || std::fwrite(p, 1, size_t(n), f) == size_t(n);
  return std::fclose(f) == 0 && ok;
}

// Owns a handle for a scope.
// Units of a UTF-8 or UTF-16 text (a UTF-16 byte-order mark chooses the
// order, big-endian without one).
std::vector<char16_t> UnitsOf(short from, const unsigned char* p, long n) {
  CKXJCode be;
  bool little = false;
  if (from == kKxCodeUTF8) {
    be.UTF8toUNICODE(p, n, false);
    p = be.GetTextPtr();
    n = be.GetTextSize();
  } else if (n >= 2 && ((p[0] == 0xFE && p[1] == 0xFF) || (p[0] == 0xFF && p[1] == 0xFE))) {
    little = p[0] == 0xFF;
    p += 2;
    n -= 2;
  }
  std::vector<char16_t> units(size_t(n / 2));
  for (long k = 0; k + 1 < n; k += 2) units[size_t(k / 2)] = KxFlatGet16(p + k, !little);
  return units;
}

void CollectJIS0212(void* context, long offset, unsigned char row, unsigned char cell) {
  char16_t u = KxJISX0212ToUnicode(row, cell);
  if (u) static_cast<std::vector<SKXUniChar>*>(context)->push_back({std::int32_t(offset), std::uint32_t(u) << 16});
}

// Converts between the Japanese encodings (through Shift_JIS), between the
// two Unicode forms, and between the two families through the Unicode
// bridge. The result is in `last`, in `own`, or `in` itself when the codes
// are the same.
bool Convert(short from, short to, const std::vector<unsigned char>& in, CKXJCode& first, CKXJCode& last,
             std::vector<unsigned char>& own, const unsigned char*& out, long& outSize) {
  const unsigned char* p = in.data();
  long n = long(in.size());
  out = p;
  outSize = n;
  if (from == to) return true;
  bool fromUnicode = from == kKxCodeUTF8 || from == kKxCodeUTF16;
  bool toUnicode = to == kKxCodeUTF8 || to == kKxCodeUTF16;
  if (fromUnicode && toUnicode) {
    if (to == kKxCodeUTF8)
      last.UNICODEtoUTF8(p, n);
    else
      last.UTF8toUNICODE(p, n, true);
  } else if (fromUnicode) {
    std::vector<char16_t> units = UnitsOf(from, p, n);
    StKxHandle text, entries;
    long len = 0, count = 0;
    if (!UKXUnicode::ConvertToText(units.data(), long(units.size()), nullptr, text.h, len, entries.h, count,
                                   kScriptJapanese))
      return false;
    const unsigned char* sjis = reinterpret_cast<const unsigned char*>(*text.h);
    // Side entries on a code shared by two names (U+301C on 0x8160) keep a
    // name, not a character without a code.
    long missing = 0;
    for (long k = 0; k < count; ++k) {
      SKXUniChar u;
      std::memcpy(&u, *entries.h + k * long(sizeof u), sizeof u);
      if (!KxUnicodeIsSharedCodeAt(sjis + u.offset, len - u.offset, u.value)) ++missing;
    }
    if (missing) std::fprintf(stderr, "kxjconv: %ld characters have no Shift_JIS code\n", missing);
    if (to == kKxCodeSJIS) {
      own.assign(sjis, sjis + len);
      out = own.data();
      outSize = len;
      return true;
    }
    if (to == kKxCodeJIS)
      last.SJIStoJIS(sjis, len);
    else
      last.SJIStoEUC(sjis, len);
  } else if (toUnicode) {
    std::vector<SKXUniChar> sides;
    if (from != kKxCodeSJIS) {
      if (from == kKxCodeJIS) {
        first.JIStoSJIS(p, n);
      } else {
        first.SetJIS0212Hook(CollectJIS0212, &sides);
        first.EUCtoSJIS(p, n);
      }
      p = first.GetTextPtr();
      n = first.GetTextSize();
    }
    StKxHandle units, glyphs;
    long count = 0;
    UKXUnicode::ConvertFromText(kScriptJapanese, reinterpret_cast<const char*>(p), n, sides.data(),
                                long(sides.size()), units.h, count, glyphs.h);
    own.assign(size_t(count) * 2 + 2, 0);
    KxFlatPut16(own.data(), 0xFEFF, true);
    const char16_t* u = units.h ? reinterpret_cast<const char16_t*>(*units.h) : nullptr;
    for (long k = 0; k < count; ++k) KxFlatPut16(own.data() + 2 + 2 * k, u[k], true);
    if (to == kKxCodeUTF16) {
      out = own.data();
      outSize = long(own.size());
      return true;
    }
    last.UNICODEtoUTF8(own.data(), long(own.size()));
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

// Shift_JIS to EUC-JP or UTF-8 piece by piece, each piece cut between
// characters (KxSJISCharBoundary), so that neither the whole input nor the
// whole output is ever held: the same bytes as converting it whole.
constexpr size_t kPiece = 1 << 17;

// Each piece goes into one buffer that serves them all.
bool ConvertPiece(short to, const unsigned char* p, long n, std::vector<unsigned char>& buffer, std::FILE* out) {
  if (n < 1) return true;
  if (to == kKxCodeUTF8) {
    const size_t size = size_t(KxSJISToUTF8(p, n, buffer));
    return size == 0 || std::fwrite(buffer.data(), 1, size, out) == size;
  }
  const size_t size = size_t(KxSJISToEUC(p, n, buffer));
  return size == 0 || std::fwrite(buffer.data(), 1, size, out) == size;
}

int StreamConvert(short to, const char* inPath, const char* outPath) {
  std::FILE* in = std::fopen(inPath, "rb");
  if (!in) {
    std::fprintf(stderr, "kxjconv: cannot read %s\n", inPath);
    return 1;
  }
  std::fprintf(stderr, "detected: %s\n", kNames[kKxCodeSJIS]);
  std::FILE* out = std::fopen(outPath, "wb");
  if (!out) {
    std::fclose(in);
    std::fprintf(stderr, "kxjconv: cannot write %s\n", outPath);
    return 1;
  }
  std::vector<unsigned char> buffer, units;
  size_t held = 0;
  bool ok = true, end = false;
  while (ok && !end) {
    if (buffer.size() < held + kPiece) buffer.resize(held + kPiece);
    const size_t got = std::fread(buffer.data() + held, 1, kPiece, in);
    if (got < kPiece) {
      if (std::ferror(in)) {
        std::fprintf(stderr, "kxjconv: cannot read %s\n", inPath);
        ok = false;
        break;
      }
      end = true;
    }
    held += got;
    // The whole rest at the end; otherwise up to the last cut, and a piece
    // without one waits for more.
    const long cut = end ? long(held) : KxSJISCharBoundary(buffer.data(), long(held));
    ok = ConvertPiece(to, buffer.data(), cut, units, out);
    std::memmove(buffer.data(), buffer.data() + cut, held - size_t(cut));
    held -= size_t(cut);
  }
  std::fclose(in);
  if (std::fclose(out) != 0 || !ok) {
    if (ok) std::fprintf(stderr, "kxjconv: cannot write %s\n", outPath);
    return 1;
  }
  return 0;
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

  if (!detectOnly && from == kKxCodeSJIS && (to == kKxCodeEUC || to == kKxCodeUTF8))
    return StreamConvert(to, files[0], files[1]);

  std::vector<unsigned char> in;
  if (detectOnly) {
    CKXJCode::sUseUNICODE = 1;
    CKXJCode::sUseCVKANJI = 1;
    for (const char* file : files) {
      if (KxReadFile(file, in)) {
        std::fprintf(stderr, "kxjconv: cannot read %s\n", file);
        return 1;
      }
      std::fprintf(stderr, "detected: %s\n", kNames[CKXJCode::AutoCheck(in.data(), long(in.size()))]);
    }
    return 0;
  }

  if (KxReadFile(files[0], in)) {
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
  std::vector<unsigned char> own;
  const unsigned char* out;
  long outSize;
  if (!Convert(from, to, in, first, last, own, out, outSize)) {
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
  return KxDriverMain("kxjconv", KxTextFacilities, [&] { return Run(argc, argv); });
}
