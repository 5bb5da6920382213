// kxfind: prints "offset length" for every match of a pattern in a file, for
// the script tests and the benchmarks.
//
//   kxfind [-o OPTIONS] [-r] [-s] [--timing] PATTERN FILE
//   kxfind --batch          (cases on standard input, see below)
//
// The file's bytes are taken as Shift_JIS with CR paragraphs (LF is turned
// into CR on reading). OPTIONS is the find option number (1 backward, 2 case,
// 4 width, 8 kana); -r makes PATTERN a regular expression. -s searches the
// text held in a character store, cut into chunks as the editor holds it,
// rather than the file's bytes. Forward searches go on from the end of each
// match, backward ones from its start. With -s, --timing prints "search
// SECONDS" on standard error: the search alone, without reading the file
// or filling the store, as an editor that holds the text pays it.
//
// Batch mode reads lines "OPTIONS HEXPATTERN HEXSUBJECT [chunks]" (a regular
// expression; the subject as it is, CRs included) and answers each with one
// line of fields separated by "|": the matches of a forward search
// ("offset:length" separated by spaces), the length of the match anchored at
// every offset, and with "chunks" the matches of a forward and of a backward
// search over a character store holding the subject cut into chunks of 1 to
// 7 bytes, then for each forward match there what a check of its range
// answers and its groups ("length:hex", "&" and "\1"-"\9" expanded and
// separated by byte 1).
// Exit status: 0 done, 1 bad usage or file error, 2 a match took too long.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "driver.h"
#include "platform/script.h"
#include "text/facilities.h"
#include "text/base/memory.h"
#include "text/codes/script.h"
#include "text/find/find.h"
#include "text/store/findstore.h"
#include "text/find/regexp.h"
#include "text/store/strarray.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: kxfind [-o OPTIONS] [-r] [-s] [--timing] PATTERN FILE\n       kxfind --batch\n");
  return 1;
}

// The file's bytes: mapped read-only when they need no change, else read
// into a block of large pages (LF is then turned into CR in place).
class FileBytes {
 public:
  ~FileBytes() {
    if (mMap) munmap(mMap, mMapSize);
  }
  // With `convert` LF is turned into CR as the bytes are read.
  bool Open(const char* path, bool convert) {
    int fd = open(path, O_RDONLY);
    if (fd < 0) return false;
    struct stat st;
    bool ok = fstat(fd, &st) == 0;
    if (ok && S_ISREG(st.st_mode) && st.st_size > 0) {
      mSize = std::size_t(st.st_size);
      if (!convert) {
        void* m = mmap(nullptr, mSize, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        if (m != MAP_FAILED) {
          mMap = static_cast<unsigned char*>(m);
          mMapSize = mSize;
          close(fd);
          return true;
        }
      } else {
        constexpr std::size_t kHuge = 2 << 20;
        std::size_t room = (mSize + kHuge - 1) / kHuge * kHuge;
        void* m = mmap(nullptr, room, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (m != MAP_FAILED) {
          mMap = static_cast<unsigned char*>(m);
          mMapSize = room;
          madvise(m, room, MADV_HUGEPAGE);
          // Read in blocks and turn LF into CR while each block is in the cache.
          std::size_t have = 0;
          while (have < mSize) {
            std::size_t want = mSize - have < (1 << 20) ? mSize - have : (1 << 20);
            ssize_t got = read(fd, mMap + have, want);
            if (got <= 0) break;
            for (unsigned char *p = mMap + have, *end = p + got; p < end; ++p)
              *p = *p == '\n' ? '\r' : *p;
            have += std::size_t(got);
          }
          mSize = have;
          close(fd);
          return true;
        }
      }
    }
    mSize = 0;
    unsigned char block[1 << 16];
    ssize_t got;
    while (ok && (got = read(fd, block, sizeof block)) != 0) {
      if (got < 0) ok = false;
      else mRead.insert(mRead.end(), block, block + got);
    }
    close(fd);
    if (convert)
      for (unsigned char& c : mRead) c = c == '\n' ? '\r' : c;
    return ok;
  }
  const unsigned char* Data() const { return mMap ? mMap : mRead.data(); }
  long Size() const { return long(mMap ? mSize : mRead.size()); }

 private:
  unsigned char* mMap = nullptr;
  std::size_t mSize = 0, mMapSize = 0;
  std::vector<unsigned char> mRead;
};

class Output {
 public:
  ~Output() { Flush(); }
  void Match(long offset, long length) {
    if (mBuf.size() > (1 << 16)) Flush();
    // Written by hand: a benchmark prints hundreds of thousands of these.
    char line[48];
    char* end = Decimal(Decimal(line, offset, ' '), length, '\n');
    mBuf.append(line, std::size_t(end - line));
  }
  void Flush() {
    std::fwrite(mBuf.data(), 1, mBuf.size(), stdout);
    mBuf.clear();
  }

 private:
  static char* Decimal(char* out, long value, char after) {
    char digits[24];
    int n = 0;
    unsigned long v = value < 0 ? 0UL - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
    do {
      digits[n++] = char('0' + v % 10);
      v /= 10;
    } while (v);
    if (value < 0) *out++ = '-';
    while (n) *out++ = digits[--n];
    *out++ = after;
    return out;
  }

  std::string mBuf;
};

void SearchPlain(const unsigned char* text, long len, const std::string& pattern, short options) {
  const auto* pat = reinterpret_cast<const unsigned char*>(pattern.data());
  long patLen = long(pattern.size());
  long count = UKXFind::CountFindChar(pat, patLen, options, kScriptJapanese);
  std::vector<SKXFindChar> chars(std::size_t(count) + 1);
  count = UKXFind::MakeFindChar(chars.data(), pat, patLen, options, kScriptJapanese);
  CKXFindStyl styl(nullptr, kScriptJapanese);
  Output out;
  bool backward = options & kKXFindBackward;
  long pos = backward ? len : 0;
  for (;;) {
    long found = 0;
    short w = UKXFind::Find1stStep(text, pos, len, chars.data(), count, options, found, styl);
    if (w == 0) break;
    std::int32_t r = UKXFind::Find2ndStep(text, found, len, chars.data(), count, options, styl);
    if (r > 0) out.Match(found, r);
    pos = backward ? found : found + (r > 0 ? r : w);
    if (backward && pos == 0) break;
  }
}

// Matches are reported at base + their offset in text. One search may span
// several buffers: styl keeps its state, base is the buffer's offset in it.
void SearchRegexp(const unsigned char* text, long len, CKXRegexp& re, short options, Output* out,
                  std::string* line, SKXFindStyl& styl, long base = 0) {
  KxFindStylSetBase(styl, std::int32_t(base), true);
  bool backward = options & kKXFindBackward;
  long pos = backward ? len : 0;
  for (;;) {
    long found = 0;
    short w = re.Find1stStep(text, pos, len, options, found, styl);
    if (w == 0) break;
    std::int32_t r = re.Find2ndStep(text, found, len, options, styl);
    if (r > 0) {
      if (out) out->Match(base + found, r);
      if (line) *line += std::to_string(found) + ":" + std::to_string(r) + " ";
    }
    pos = backward ? found : found + (r > 0 ? r : w);
    if (backward && pos == 0) break;
  }
}

// A forward search for a regular expression reads the file in blocks of
// whole lines: a match never crosses a CR, so each block is searched on its
// own and only a block's worth of memory is touched.
bool SearchRegexpFile(const char* path, CKXRegexp& re, short options) {
  int fd = open(path, O_RDONLY);
  if (fd < 0) return false;
  std::vector<unsigned char> buf(std::size_t(1) << 20);
  long have = 0;   // bytes in buf
  long base = 0;   // file offset of buf[0]
  bool eof = false;
  Output out;
  CKXFindStyl styl(nullptr, kScriptJapanese);
  while (!eof || have > 0) {
    if (!eof) {
      if (have == long(buf.size())) buf.resize(buf.size() * 2);  // a line longer than a block
      ssize_t got = read(fd, buf.data() + have, buf.size() - std::size_t(have));
      if (got < 0) {
        close(fd);
        return false;
      }
      eof = got == 0;
      unsigned char* end = buf.data() + have + got;
      for (unsigned char* p = buf.data() + have; (p = static_cast<unsigned char*>(std::memchr(p, '\n', std::size_t(end - p))));)
        *p++ = '\r';
      have += long(got);
    }
    long end = have;
    if (!eof) {
      const void* cr = memrchr(buf.data(), '\r', std::size_t(have));
      if (!cr) continue;  // no whole line yet
      end = static_cast<const unsigned char*>(cr) - buf.data() + 1;
    }
    SearchRegexp(buf.data(), end, re, options, &out, nullptr, styl, base);
    std::memmove(buf.data(), buf.data() + end, std::size_t(have - end));
    have -= end;
    base += end;
  }
  close(fd);
  return true;
}

bool FromHex(const std::string& hex, std::string& out) {
  if (hex == "-") { out.clear(); return true; }
  if (hex.size() % 2) return false;
  out.clear();
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    char pair[3] = {hex[i], hex[i + 1], 0};
    char* end;
    long v = std::strtol(pair, &end, 16);
    if (*end) return false;
    out.push_back(char(v));
  }
  return true;
}

// A store cut into chunks of 1 to 7 bytes (never inside a double-byte
// character, as the store keeps them), so that matches meet chunk ends.
class ChoppedStore : public CKXStrArray {
 public:
  ChoppedStore(const std::string& text, unsigned seed) {
    DeleteAll();
    long at = 0, index = 1;
    const long n = long(text.size());
    while (at < n) {
      seed = seed * 1103515245u + 12345u;
      long end = std::min(n, at + 1 + long(seed >> 16) % 6);
      if (end < n && KxTextCharByte(text.data(), std::int32_t(end - 1), kScriptJapanese) == kByteFirst) ++end;
      SKXStr chunk{KxMemHAlloc(kBlockStep, true), std::int16_t(kBlockStep), std::int16_t(end - at)};
      std::memcpy(*chunk.bytes, text.data() + at, std::size_t(end - at));
      InsertAt(index++, chunk);
      at = end;
    }
    CalcTextSize();
  }
};

// Every match of a search over the store, as "offset:length " items.
std::string StoreMatches(const CKXStrArray& store, const std::string& pattern, short options) {
  std::string line;
  const bool backward = options & kKXFindBackward;
  long pos = backward ? store.GetLength() : 0;
  for (;;) {
    long found = -1;
    std::int32_t r = KxStrFindRegexp(store, pos, pattern.data(), long(pattern.size()), found,
                                     short(options | kKXFindRegexp), kScriptJapanese, nullptr);
    if (r <= 0) break;
    line += std::to_string(found) + ":" + std::to_string(r) + " ";
    pos = backward ? found : found + r;
    if (backward && pos == 0) break;
  }
  return line;
}

// For every match of a forward search over the store, what checking exactly
// its range answers and the expansion of "&" and of every group (separated
// by byte 1; "-" when none), as "length:hex " items.
std::string StoreChecks(const CKXStrArray& store, const std::string& pattern, short options) {
  static const char kGroups[] = "&\x01\\1\x01\\2\x01\\3\x01\\4\x01\\5\x01\\6\x01\\7\x01\\8\x01\\9";
  std::string line;
  char** out = KxMemHAlloc(1, true);
  const short regexp = short((options & ~kKXFindBackward) | kKXFindRegexp);
  for (long pos = 0;;) {
    long found = -1;
    const std::int32_t r = KxStrFindRegexp(store, pos, pattern.data(), long(pattern.size()), found, regexp,
                                           kScriptJapanese, nullptr);
    if (r <= 0) break;
    const std::int32_t check =
        KxStrCheckFind(store, found, found + r, pattern.data(), long(pattern.size()), regexp, kScriptJapanese, nullptr);
    const long n = KxStrCheckReplaceRE(store, found, found + r, pattern.data(), long(pattern.size()), regexp, kGroups,
                                       long(sizeof kGroups - 1), out, kScriptJapanese, nullptr);
    line += std::to_string(check) + ":";
    if (n <= 0) line += "-";
    static const char kHex[] = "0123456789abcdef";
    for (long i = 0; i < n; ++i) {
      const unsigned char b = static_cast<unsigned char>((*out)[i]);
      line += kHex[b >> 4];
      line += kHex[b & 15];
    }
    line += " ";
    pos = found + r;
  }
  KxMemHFree(out);
  return line;
}

// Every match over the file's bytes put into a character store, printed;
// with `timing` the search's own time goes to standard error.
void SearchStore(const unsigned char* text, long len, const std::string& pattern, short options, bool timing) {
  CKXStrArray store;
  store.SetText(reinterpret_cast<const char*>(text), len);
  const auto t0 = std::chrono::steady_clock::now();
  Output out;
  const bool backward = options & kKXFindBackward;
  long pos = backward ? len : 0;
  for (;;) {
    long found = -1;
    const std::int32_t r =
        KxStrFind(store, pos, pattern.data(), long(pattern.size()), found, options, kScriptJapanese, nullptr);
    if (r <= 0) break;
    out.Match(found, r);
    pos = backward ? found : found + r;
    if (backward && pos == 0) break;
  }
  if (timing)
    std::fprintf(stderr, "search %.6f\n", std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
}

int Batch() {
  unsigned seed = 1;
  std::string inputLine;
  while (std::getline(std::cin, inputLine)) {
    char hexPat[8192], hexSubj[8192], more[8] = "";
    int options;
    if (std::sscanf(inputLine.c_str(), "%d %8191s %8191s %7s", &options, hexPat, hexSubj, more) < 3) return 1;
    const bool chunks = std::strcmp(more, "chunks") == 0;
    std::string pattern, subject;
    if (!FromHex(hexPat, pattern) || !FromHex(hexSubj, subject)) return 1;
    CKXRegexp re(reinterpret_cast<const unsigned char*>(pattern.data()), long(pattern.size()), kScriptJapanese);
    const auto* text = reinterpret_cast<const unsigned char*>(subject.data());
    long len = long(subject.size());
    std::string answer;
    CKXFindStyl search(nullptr, kScriptJapanese);
    SearchRegexp(text, len, re, short(options), nullptr, &answer, search);
    answer += "|";
    CKXFindStyl styl(nullptr, kScriptJapanese);
    for (long q = 0; q < len; ++q) answer += " " + std::to_string(re.Find2ndStep(text, q, len, short(options), styl));
    if (chunks) {
      ChoppedStore store(subject, seed++);
      answer += "|" + StoreMatches(store, pattern, short(options & ~kKXFindBackward));
      answer += "|" + StoreMatches(store, pattern, short(options | kKXFindBackward));
      answer += "|" + StoreChecks(store, pattern, short(options));
    }
    std::printf("%s\n", answer.c_str());
    std::fflush(stdout);   // a case that hangs shows by where the output stops
  }
  return 0;
}

int Run(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--batch") == 0) return Batch();
  short options = 0;
  bool regexp = false, store = false, timing = false;
  int i = 1;
  for (; i < argc; ++i) {
    if (std::strcmp(argv[i], "-o") == 0 && i + 1 < argc) {
      options = short(std::atoi(argv[++i]));
    } else if (std::strcmp(argv[i], "-r") == 0) {
      regexp = true;
    } else if (std::strcmp(argv[i], "-s") == 0) {
      store = true;
    } else if (std::strcmp(argv[i], "--timing") == 0) {
      timing = true;
    } else {
      break;
    }
  }
  if (argc - i != 2) return Usage();
  std::string pattern = argv[i];
  if (options & kKXFindRegexp) regexp = true;
  options &= ~kKXFindRegexp;
  // LF becomes CR. A plain pattern without either byte finds the same either
  // way (both are single-byte characters), so the bytes are then left alone.
  if (regexp && !store && !(options & kKXFindBackward)) {
    CKXRegexp re(reinterpret_cast<const unsigned char*>(pattern.data()), long(pattern.size()), kScriptJapanese);
    if (SearchRegexpFile(argv[i + 1], re, options)) return 0;
    std::fprintf(stderr, "kxfind: cannot read %s\n", argv[i + 1]);
    return 1;
  }
  bool convert = regexp || pattern.find_first_of("\r\n") != std::string::npos;
  FileBytes file;
  if (!file.Open(argv[i + 1], convert)) {
    std::fprintf(stderr, "kxfind: cannot read %s\n", argv[i + 1]);
    return 1;
  }
  const unsigned char* text = file.Data();
  const long len = file.Size();
  if (store) {
    if (!pattern.empty()) SearchStore(text, len, pattern, short(options | (regexp ? kKXFindRegexp : 0)), timing);
  } else if (regexp) {
    CKXRegexp re(reinterpret_cast<const unsigned char*>(pattern.data()), long(pattern.size()), kScriptJapanese);
    Output out;
    CKXFindStyl styl(nullptr, kScriptJapanese);
    SearchRegexp(text, len, re, options, &out, nullptr, styl);
  } else if (!pattern.empty()) {
    SearchPlain(text, len, pattern, options);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return KxDriverMain("kxfind", KxTextFacilities, [&] {
    try {
      return Run(argc, argv);
    } catch (const LException& e) {
      std::fprintf(stderr, "kxfind: %s\n",
                   e.GetErrorCode() == kKXFindTooComplex ? "the pattern takes too long to match" : "out of memory");
      return 2;
    }
  });
}
