// kxunicode: drives the Unicode bridge for the script tests.
//
//   kxunicode roundtrip < RECORDS > RESULTS
//     Each record: u8 script, u32 unit count, the UTF-16 units (all little
//     endian). Each is converted to styled text of the script and back; the
//     result record is u32 count and the units. The offset maps of both
//     directions are checked on the way (monotonic, inside the text, the
//     same both ways); a fault is printed on stderr and makes the exit
//     status 1.
//   kxunicode decode SCRIPT   every code the converter reads: "CODE U1 [U2]"
//   kxunicode encode SCRIPT   every BMP code point it writes: "CP CODE"
//   kxunicode plain IN OUT    Shift_JIS (script 1) to UTF-16LE, for timing
//   kxunicode styled IN ENTRIES RUNS
//     makes a styled text of the Shift_JIS file with ENTRIES side entries
//     (ideographs beyond the BMP, on two-byte characters turned into placeholders) and RUNS style
//     runs, converts it to UTF-16 and back, checks that the bytes and side
//     entries came back, and prints the time of each direction.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/core.h"
#include "platform/files.h"
#include "platform/script.h"
#include "platform/textconv.h"
#include "text/facilities.h"
#include "text/base/flat.h"
#include "text/base/memory.h"
#include "text/codes/unicode.h"

namespace {

int gFaults = 0;

void Fault(long record, const char* what) {
  if (++gFaults <= 20) std::fprintf(stderr, "record %ld: %s\n", record, what);
}

std::vector<std::int32_t> MapOf(Handle h, long n) {
  std::vector<std::int32_t> v(std::size_t(n > 0 ? n : 0));
  if (h && n > 0) std::memcpy(v.data(), *h, std::size_t(n) * 4);
  return v;
}

bool Monotonic(const std::vector<std::int32_t>& m, long limit) {
  for (std::size_t i = 0; i < m.size(); ++i) {
    if (m[i] < 0 || m[i] > limit) return false;
    if (i && m[i] < m[i - 1]) return false;
  }
  return true;
}

void RoundTrip(long record, short script, const std::vector<char16_t>& in, std::vector<char16_t>& result) {
  CKXUnicode uni(script, kKxUnicodeBoth);
  Handle text = nullptr, ucs = nullptr, mapB = nullptr;
  long len = 0, ucCount = 0, mapBCount = 0;
  if (!uni.ConvertToTextAndOffset(in.data(), long(in.size()), nullptr, text, len, ucs, ucCount, script, mapB,
                                  mapBCount))
    Fault(record, "ConvertToText answered false");
  auto b = MapOf(mapB, mapBCount);
  if (mapBCount != long(in.size()) || !Monotonic(b, len)) Fault(record, "bad map to text");

  std::vector<char> bytes(static_cast<std::size_t>(len));
  if (len) std::memcpy(bytes.data(), *text, std::size_t(len));
  std::vector<SKXUniChar> entries(static_cast<std::size_t>(ucCount));
  if (ucCount) std::memcpy(entries.data(), *ucs, std::size_t(ucCount) * sizeof(SKXUniChar));
  SKXScriptRun run{0, script};
  Handle units = nullptr, glyphs = nullptr, mapT = nullptr;
  long count = 0, mapTCount = 0;
  bool got = uni.ConvertFromTextAndOffset(bytes.data(), len, entries.data(), ucCount, units, count, glyphs,
                                          &run, 1, mapT, mapTCount);
  if (got != (count > 0)) Fault(record, "ConvertFromText answer and count disagree");
  result.assign(std::size_t(count), 0);
  if (count) std::memcpy(result.data(), *units, std::size_t(count) * 2);
  auto t = MapOf(mapT, mapTCount);
  if (mapTCount != count + 1 || !Monotonic(t, len) || (count && t[0] != 0) || t.back() != len)
    Fault(record, "bad map from text");
  // Offsets and indexes agree: every unit's offset leads back to the first
  // unit of its character.
  for (long i = 0; i < count; ++i) {
    long off = CKXUnicode::OffsetFromIndex(mapT, mapTCount, i);
    long back = CKXUnicode::OffsetToIndex(mapT, mapTCount, off);
    if (back > i || t[std::size_t(back)] != off) {
      Fault(record, "OffsetToIndex does not lead back");
      break;
    }
  }
  // The result is in composed form, so converting it again gives the same
  // text, and its map to text is the map from text.
  Handle text2 = nullptr, ucs2 = nullptr, mapB2 = nullptr;
  long len2 = 0, ucCount2 = 0, mapB2Count = 0;
  uni.ConvertToTextAndOffset(result.data(), count, nullptr, text2, len2, ucs2, ucCount2, script, mapB2,
                             mapB2Count);
  if (len2 != len || (len && std::memcmp(*text2, bytes.data(), std::size_t(len))) || ucCount2 != ucCount)
    Fault(record, "second conversion to text differs");
  else if (MapOf(mapB2, mapB2Count) != std::vector<std::int32_t>(t.begin(), t.end() - 1))
    Fault(record, "the maps of the two directions differ");
  for (Handle h : {text, ucs, mapB, units, glyphs, mapT, text2, ucs2, mapB2})
    if (h) KxMemHFree(h);
}

int RunRoundTrip() {
  std::vector<unsigned char> data;
  unsigned char buf[1 << 16];
  size_t got;
  while ((got = std::fread(buf, 1, sizeof buf, stdin)) > 0) data.insert(data.end(), buf, buf + got);
  size_t at = 0;
  long record = 0;
  std::string out;
  while (at + 5 <= data.size()) {
    short script = data[at];
    std::uint32_t n = KxFlatGet32(&data[at + 1], false);
    at += 5;
    if (n > (data.size() - at) / 2) return 2;
    std::vector<char16_t> in(n);
    for (std::uint32_t k = 0; k < n; ++k) in[k] = KxFlatGet16(&data[at + 2 * k], false);
    at += 2 * size_t(n);
    std::vector<char16_t> result;
    RoundTrip(record++, script, in, result);
    std::uint32_t c = std::uint32_t(result.size());
    for (int k = 0; k < 4; ++k) out.push_back(char(c >> (8 * k)));
    for (char16_t u : result) {
      out.push_back(char(u & 0xFF));
      out.push_back(char(u >> 8));
    }
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return gFaults ? 1 : 0;
}

int Dump(bool decode, short script) {
  if (decode) {
    TextToUnicodeInfo info = nullptr;
    CreateTextToUnicodeInfo(TextEncoding(script), &info);
    const std::uint8_t* parse = KxScriptParseTable(script);
    for (std::uint32_t code = 0; code < 0x10000; ++code) {
      if (code > 0xFF ? !parse[code >> 8] : parse[code]) continue;
      unsigned char b[2] = {static_cast<unsigned char>(code >> 8), static_cast<unsigned char>(code)};
      long n = code > 0xFF ? 2 : 1;
      char16_t u[4];
      long read = 0, made = 0;
      if (ConvertFromTextToUnicode(info, n, b + 2 - n, nullptr, sizeof u, &read, &made, u) != noErr || read != n)
        continue;
      std::printf("%04X", unsigned(code));
      for (long k = 0; k < made / 2; ++k) std::printf(" %04X", unsigned(u[k]));
      std::printf("\n");
    }
    DisposeTextToUnicodeInfo(&info);
  } else {
    UnicodeToTextInfo info = nullptr;
    CreateUnicodeToTextInfo(TextEncoding(script), &info);
    for (std::uint32_t cp = 0; cp < 0x10000; ++cp) {
      if (cp >= 0xD800 && cp < 0xE000) continue;
      char16_t u = char16_t(cp);
      unsigned char b[4];
      long read = 0, made = 0;
      if (ConvertFromUnicodeToText(info, 2, &u, nullptr, sizeof b, &read, &made, b) != noErr) continue;
      std::printf("%04X %04X\n", unsigned(cp), made == 2 ? unsigned(b[0] << 8 | b[1]) : unsigned(b[0]));
    }
    DisposeUnicodeToTextInfo(&info);
  }
  return 0;
}

int Plain(const char* in, const char* out) {
  std::vector<std::uint8_t> text;
  if (KxReadFile(in, text)) return 1;
  Handle units = nullptr, glyphs = nullptr;
  long count = 0;
  UKXUnicode::ConvertFromText(1, reinterpret_cast<const char*>(text.data()), long(text.size()), nullptr, 0, units,
                              count, glyphs);
  std::FILE* f = std::fopen(out, "wb");
  if (!f) return 1;
  if (count) std::fwrite(*units, 2, size_t(count), f);  // the machine's order: little endian here
  std::fclose(f);
  if (units) KxMemHFree(units);
  return 0;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

int Styled(const char* in, long wantEntries, long wantRuns) {
  std::vector<std::uint8_t> text;
  if (KxReadFile(in, text)) return 1;
  const long length = long(text.size());
  const std::uint8_t* parse = KxScriptParseTable(1);
  std::vector<SKXUniChar> entries;
  long step = wantEntries > 0 ? length / wantEntries : length + 1;
  long next = step / 2;
  for (long i = 0; i < length; i += 1 + parse[text[size_t(i)]]) {
    if (i < next || !parse[text[size_t(i)]] || i + 1 >= length) continue;
    text[size_t(i)] = 0x81;
    text[size_t(i) + 1] = 0xFC;
    // Ideographs beyond the BMP (no Shift_JIS code), as surrogate pairs.
    std::uint32_t cp = 0x20000 + std::uint32_t(entries.size() % 4096) - 0x10000;
    entries.push_back({std::int32_t(i), (0xD800 + (cp >> 10)) << 16 | (0xDC00 + (cp & 0x3FF))});
    next += step;
  }
  std::vector<SKXScriptRun> runs;
  for (long k = 0; k < wantRuns; ++k) runs.push_back({std::int32_t(length / wantRuns * k), 1});

  CKXUnicode uni(1, kKxUnicodeBoth);
  Handle units = nullptr, glyphs = nullptr, back = nullptr, ucs = nullptr;
  long count = 0, backLen = 0, ucCount = 0;
  auto t0 = std::chrono::steady_clock::now();
  uni.ConvertFromText(reinterpret_cast<const char*>(text.data()), length, entries.data(), long(entries.size()),
                      units, count, glyphs, runs.data(), long(runs.size()));
  double from = Seconds(t0);
  t0 = std::chrono::steady_clock::now();
  uni.ConvertToText(reinterpret_cast<const char16_t*>(*units), count, glyphs, back, backLen, ucs, ucCount, 1);
  double to = Seconds(t0);
  bool same = backLen == length && std::memcmp(*back, text.data(), size_t(length)) == 0 &&
              ucCount == long(entries.size()) &&
              std::memcmp(*ucs, entries.data(), entries.size() * sizeof(SKXUniChar)) == 0;
  if (!same && backLen == length) {
    for (long i = 0; i < length; ++i)
      if (std::uint8_t((*back)[i]) != text[size_t(i)]) {
        std::printf("first difference at byte %ld\n", i);
        break;
      }
  }
  std::printf("%ld bytes, %zu side entries, %zu runs: to UTF-16 %.3fs, back %.3fs%s\n", length, entries.size(),
              runs.size(), from, to, same ? "" : " (DIFFERS)");
  for (Handle h : {units, glyphs, back, ucs})
    if (h) KxMemHFree(h);
  return same ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  KxTextFacilities();
  CoreInit();
  int status = 1;
  std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "roundtrip") {
    status = RunRoundTrip();
  } else if ((mode == "decode" || mode == "encode") && argc > 2) {
    status = Dump(mode == "decode", short(std::atoi(argv[2])));
  } else if (mode == "plain" && argc > 3) {
    status = Plain(argv[2], argv[3]);
  } else if (mode == "styled" && argc > 4) {
    status = Styled(argv[2], std::atol(argv[3]), std::atol(argv[4]));
  } else {
    std::fprintf(stderr, "usage: kxunicode roundtrip | decode SCRIPT | encode SCRIPT | plain IN OUT | styled IN ENTRIES RUNS\n");
  }
  CoreTerminate();
  return status;
}
