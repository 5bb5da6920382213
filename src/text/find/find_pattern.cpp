#include "text/find/find_pattern.h"

#include <memory>
#include <new>

#include "text/find/regexp.h"

namespace {

// The search pattern: either a compiled expression or find characters.
struct FindState {
  std::unique_ptr<CKXRegexp> regexp;
  std::unique_ptr<SKXFindChar[]> chars;
  std::int32_t length = 0;
};
FindState& Pattern() {
  static FindState state;
  return state;
}

}  // namespace

std::int32_t UKXFind_Start(const char* pattern, long length, short options, short script) {
  UKXFind_End();  // a pattern left from an earlier search is freed, not leaked
  FindState& s = Pattern();
  const auto* p = reinterpret_cast<const unsigned char*>(pattern);
  if (!pattern || length <= 0) return 0;
  const long count = UKXFind::CountFindChar(p, length, options, script);
  if (count <= 0) return 0;
  if (options & kKXFindRegexp) {
    s.regexp = std::make_unique<CKXRegexp>(p, length, script);
  } else {
    s.chars.reset(new (std::nothrow) SKXFindChar[size_t(count)]);
    if (!s.chars) return 0;  // no room: nothing to search for
    UKXFind::MakeFindChar(s.chars.get(), p, length, options, script);
  }
  s.length = std::int32_t(count);
  return s.length;
}

short UKXFind_Find1stStep(const char* text, long start, long length, short options, long& found, SKXFindStyl& styl) {
  FindState& s = Pattern();
  if (s.length <= 0 || !text) return 0;
  const auto* t = reinterpret_cast<const unsigned char*>(text);
  if (s.regexp) return s.regexp->Find1stStep(t, start, length, options, found, styl);
  return UKXFind::Find1stStep(t, start, length, s.chars.get(), s.length, options, found, styl);
}

std::int32_t UKXFind_Find2ndStep(const char* text, long offset, long length, short options, SKXFindStyl& styl) {
  FindState& s = Pattern();
  if (s.length <= 0 || !text) return 0;
  const auto* t = reinterpret_cast<const unsigned char*>(text);
  if (s.regexp) return s.regexp->Find2ndStep(t, offset, length, options, styl);
  return UKXFind::Find2ndStep(t, offset, length, s.chars.get(), s.length, options, styl);
}

void UKXFind_End() {
  FindState& s = Pattern();
  s.regexp.reset();
  s.chars.reset();
  s.length = 0;
}
