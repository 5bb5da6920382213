#include "text/codes/unichar.h"

#include "text/base/flat.h"

void KxGetUniCharFlat(const unsigned char* p, SKXUniChar& u, bool bigEndian) {
  u.offset = static_cast<std::int32_t>(KxFlatGet32(p, bigEndian));
  u.value = KxFlatGet32(p + 4, bigEndian);
}

void KxPutUniCharFlat(unsigned char* p, const SKXUniChar& u, bool bigEndian) {
  KxFlatPut32(p, static_cast<std::uint32_t>(u.offset), bigEndian);
  KxFlatPut32(p + 4, u.value, bigEndian);
}

long KxCheckUniChars(SKXUniChar* items, long n, long textLen) {
  if (!items || n < 1) return 0;
  long kept = 0;
  long last = -1;
  for (long k = 0; k < n; ++k) {
    const SKXUniChar u = items[k];
    if (u.offset <= last || u.offset >= textLen) continue;
    items[kept++] = u;
    last = u.offset;
  }
  return kept;
}
