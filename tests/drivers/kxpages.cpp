// kxpages: lays a file out into pages and prints its column-pages.
//
//   kxpages [--vertical] [--form N] [--paper W,H] [--margins T,L,B,R]
//           [--columns N] [--gap G] [--encoding E] FILE
//
// One line per column-page: PAGE COLUMN FIRST-LINE LAST-LINE START END
// (lines 1-based, START and END the byte offsets the column-page covers).
// --form N applies built-in page form N (0-7) first; the other options
// then change the setup. Text is set in the synthetic 12-point font.
// Exit status: 0 done, 1 bad input (one line on stderr), 2 bad usage.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "driver.h"
#include "driver_text.h"
#include "layout/facilities.h"
#include "layout/text_edit_ex.h"
#include "platform/files.h"
#include "platform/fonts.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: kxpages [--vertical] [--form N] [--paper W,H] [--margins T,L,B,R] [--columns N] [--gap G] "
               "[--encoding auto|sjis|jis|euc|utf8|utf16] FILE\n");
  return 2;
}

// Comma-separated whole numbers, exactly `count` of them, each in lo..hi.
bool ParseList(const std::string& s, size_t count, long lo, long hi, std::vector<long>& out) {
  out.clear();
  size_t at = 0;
  while (at <= s.size()) {
    const size_t comma = s.find(',', at);
    const std::string part = s.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
    char* end = nullptr;
    if (part.empty()) return false;
    const long v = std::strtol(part.c_str(), &end, 10);
    if (*end != 0 || v < lo || v > hi) return false;
    out.push_back(v);
    if (comma == std::string::npos) break;
    at = comma + 1;
  }
  return out.size() == count;
}

int Run(int argc, char** argv) {
  bool vertical = false;
  long form = -1, columns = -1, gap = -1;
  std::vector<long> paper, margins, one;
  std::string encoding = "auto", file;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool hasValue = i + 1 < argc;
    if (a == "--vertical") {
      vertical = true;
    } else if (a == "--form" && hasValue) {
      if (!ParseList(argv[++i], 1, 0, kKxBuiltinForms - 1, one)) return Usage();
      form = one[0];
    } else if (a == "--paper" && hasValue) {
      if (!ParseList(argv[++i], 2, 1, kKxPaperMax, paper)) return Usage();
    } else if (a == "--margins" && hasValue) {
      if (!ParseList(argv[++i], 4, 0, kKxPaperMax, margins)) return Usage();
    } else if (a == "--columns" && hasValue) {
      if (!ParseList(argv[++i], 1, 1, kKxMaxColumns, one)) return Usage();
      columns = one[0];
    } else if (a == "--gap" && hasValue) {
      if (!ParseList(argv[++i], 1, 0, kKxPaperMax, one)) return Usage();
      gap = one[0];
    } else if (a == "--encoding" && hasValue) {
      encoding = argv[++i];
    } else if (a.size() > 1 && a[0] == '-') {
      return Usage();
    } else if (file.empty()) {
      file = a;
    } else {
      return Usage();
    }
  }
  const short code = kxdriver::EncodingCode(encoding);
  if (file.empty() || code == -2) return Usage();

  KxFontInstallBackend(KxSyntheticFontBackend());
  std::vector<unsigned char> raw;
  if (KxReadFile(file.c_str(), raw)) {
    std::fprintf(stderr, "kxpages: cannot read %s\n", file.c_str());
    return 1;
  }
  std::string text;
  std::vector<SKXUniChar> sides;
  if (!kxdriver::DecodeText(raw, code, text, sides)) {
    std::fprintf(stderr, "kxpages: %s does not convert\n", file.c_str());
    return 1;
  }

  CKXTextEditEx edit(RectL{0, 0, 0, 600}, RectL{0, 0, 1000, 600}, KxDefaultPageStyl());
  {
    SKXStyl run{0, SStyl{0, 0, 1, 0, 0, 12, RGBColor{0, 0, 0}}};
    edit.SetText(text.data(), long(text.size()), &run, 1, nullptr, 0, nullptr, 0, sides.data(), long(sides.size()));
  }
  if (form >= 0) edit.SetFormStyl(UKXTextForm::GetDefaultForm(short(form)), 1);
  if (!paper.empty()) edit.SetPaperSize(PointL{std::int32_t(paper[1]), std::int32_t(paper[0])}, 0);
  if (!margins.empty()) {
    const PointL size = edit.GetPaperSize();
    if (margins[0] + margins[2] >= size.v || margins[1] + margins[3] >= size.h) {
      std::fprintf(stderr, "kxpages: --margins leave no room on the paper\n");
      return 1;
    }
    edit.SetPageMargin(Rect{std::int16_t(margins[0]), std::int16_t(margins[1]), std::int16_t(margins[2]),
                            std::int16_t(margins[3])},
                       0);
  }
  if (columns > 0 || gap >= 0) {
    short c = 1, g = 0;
    edit.GetPageColumn(c, g);
    edit.SetPageColumn(short(columns > 0 ? columns : c), short(gap >= 0 ? gap : g));
  }
  if (vertical) edit.SetVertical(1);
  edit.RecalcPageSize();
  edit.CalcText();

  const long columnPages = edit.GetColumnPageCount();
  short c = 1, g = 0;
  edit.GetPageColumn(c, g);
  const long n = c > 1 ? c : 1;
  for (long k = 1; k <= columnPages; ++k) {
    long first = 0, last = 0;
    edit.GetColumnPage(k, first, last);
    const long start = edit.GetLineOffsetAt(first);
    const long end = last < edit.GetLineCount() ? edit.GetLineOffsetAt(last + 1) : edit.GetLength();
    std::printf("%ld %ld %ld %ld %ld %ld\n", (k - 1) / n + 1, (k - 1) % n + 1, first, last, start, end);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) { return KxDriverMain("kxpages", KxLayoutFacilities, [&] { return Run(argc, argv); }); }
