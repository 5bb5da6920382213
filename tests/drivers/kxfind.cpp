// kxfind: prints "offset length" for every match of a pattern in a file, for
// the script tests and the benchmarks.
//
//   kxfind [-o OPTIONS] [-r] PATTERN FILE
//   kxfind --batch          (cases on standard input, see below)
//
// The file's bytes are taken as Shift_JIS with CR paragraphs (LF is turned
// into CR on reading). OPTIONS is the find option number (1 backward, 2 case,
// 4 width, 8 kana); -r makes PATTERN a regular expression. Forward searches go
// on from the end of each match, backward ones from its start.
//
// Batch mode reads lines "OPTIONS HEXPATTERN HEXSUBJECT" (a regular
// expression; the subject as it is, CRs included) and answers each with one
// line: the matches of a forward search ("offset:length" separated by
// spaces), then " |", then the length of the match anchored at every offset.
// Exit status: 0 done, 1 bad usage or file error.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "platform/core.h"
#include "platform/script.h"
#include "text/facilities.h"
#include "text/find.h"
#include "text/regexp.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: kxfind [-o OPTIONS] [-r] PATTERN FILE\n       kxfind --batch\n");
  return 1;
}

bool ReadFile(const char* path, std::vector<unsigned char>& bytes) {
  std::FILE* f = std::fopen(path, "rb");
  if (!f) return false;
  bytes.clear();
  if (std::fseek(f, 0, SEEK_END) == 0) {
    long size = std::ftell(f);
    if (size > 0) bytes.reserve(std::size_t(size));
    std::rewind(f);
  }
  std::vector<unsigned char> block(1 << 20);
  std::size_t got;
  while ((got = std::fread(block.data(), 1, block.size(), f)) > 0) bytes.insert(bytes.end(), block.begin(), block.begin() + long(got));
  bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

class Output {
 public:
  ~Output() { Flush(); }
  void Match(long offset, long length) {
    if (mBuf.size() > (1 << 16)) Flush();
    char line[48];
    int n = std::snprintf(line, sizeof line, "%ld %ld\n", offset, length);
    mBuf.append(line, std::size_t(n));
  }
  void Flush() {
    std::fwrite(mBuf.data(), 1, mBuf.size(), stdout);
    mBuf.clear();
  }

 private:
  std::string mBuf;
};

void SearchPlain(const std::vector<unsigned char>& text, const std::string& pattern, short options) {
  const auto* pat = reinterpret_cast<const unsigned char*>(pattern.data());
  long patLen = long(pattern.size());
  long count = UKXFind::CountFindChar(pat, patLen, options, kScriptJapanese);
  std::vector<SKXFindChar> chars(std::size_t(count) + 1);
  count = UKXFind::MakeFindChar(chars.data(), pat, patLen, options, kScriptJapanese);
  CKXFindStyl styl(nullptr, kScriptJapanese);
  Output out;
  const long len = long(text.size());
  bool backward = options & kKXFindBackward;
  long pos = backward ? len : 0;
  for (;;) {
    long found = 0;
    short w = UKXFind::Find1stStep(text.data(), pos, len, chars.data(), count, options, found, styl);
    if (w == 0) break;
    std::int32_t r = UKXFind::Find2ndStep(text.data(), found, len, chars.data(), count, options, styl);
    if (r > 0) out.Match(found, r);
    pos = backward ? found : found + (r > 0 ? r : w);
    if (backward && pos == 0) break;
  }
}

void SearchRegexp(const unsigned char* text, long len, CKXRegexp& re, short options, Output* out,
                  std::string* line) {
  CKXFindStyl styl(nullptr, kScriptJapanese);
  bool backward = options & kKXFindBackward;
  long pos = backward ? len : 0;
  for (;;) {
    long found = 0;
    short w = re.Find1stStep(text, pos, len, options, found, styl);
    if (w == 0) break;
    std::int32_t r = re.Find2ndStep(text, found, len, options, styl);
    if (r > 0) {
      if (out) out->Match(found, r);
      if (line) *line += std::to_string(found) + ":" + std::to_string(r) + " ";
    }
    pos = backward ? found : found + (r > 0 ? r : w);
    if (backward && pos == 0) break;
  }
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

int Batch() {
  std::string inputLine;
  while (std::getline(std::cin, inputLine)) {
    char hexPat[8192], hexSubj[8192];
    int options;
    if (std::sscanf(inputLine.c_str(), "%d %8191s %8191s", &options, hexPat, hexSubj) != 3) return 1;
    std::string pattern, subject;
    if (!FromHex(hexPat, pattern) || !FromHex(hexSubj, subject)) return 1;
    CKXRegexp re(reinterpret_cast<const unsigned char*>(pattern.data()), long(pattern.size()), kScriptJapanese);
    const auto* text = reinterpret_cast<const unsigned char*>(subject.data());
    long len = long(subject.size());
    std::string answer;
    SearchRegexp(text, len, re, short(options), nullptr, &answer);
    answer += "|";
    CKXFindStyl styl(nullptr, kScriptJapanese);
    for (long q = 0; q < len; ++q) answer += " " + std::to_string(re.Find2ndStep(text, q, len, short(options), styl));
    std::printf("%s\n", answer.c_str());
    std::fflush(stdout);   // a case that hangs shows by where the output stops
  }
  return 0;
}

int Run(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--batch") == 0) return Batch();
  short options = 0;
  bool regexp = false;
  int i = 1;
  for (; i < argc; ++i) {
    if (std::strcmp(argv[i], "-o") == 0 && i + 1 < argc) {
      options = short(std::atoi(argv[++i]));
    } else if (std::strcmp(argv[i], "-r") == 0) {
      regexp = true;
    } else {
      break;
    }
  }
  if (argc - i != 2) return Usage();
  std::string pattern = argv[i];
  std::vector<unsigned char> text;
  if (!ReadFile(argv[i + 1], text)) {
    std::fprintf(stderr, "kxfind: cannot read %s\n", argv[i + 1]);
    return 1;
  }
  for (unsigned char* p = text.data(), *end = p + text.size(); p < end;) {
    p = static_cast<unsigned char*>(std::memchr(p, '\n', std::size_t(end - p)));
    if (!p) break;
    *p++ = '\r';
  }
  if (options & kKXFindRegexp) regexp = true;
  options &= ~kKXFindRegexp;
  if (regexp) {
    CKXRegexp re(reinterpret_cast<const unsigned char*>(pattern.data()), long(pattern.size()), kScriptJapanese);
    Output out;
    SearchRegexp(text.data(), long(text.size()), re, options, &out, nullptr);
  } else if (!pattern.empty()) {
    SearchPlain(text, pattern, options);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  KxTextFacilities();
  CoreInit();
  int status = Run(argc, argv);
  CoreTerminate();
  return status;
}
