// Private to the run files: the cleaning every run list goes through
// (offsets in order from 0, equal neighbours merged) and a scoped flag.
#pragma once

#include <cstring>
#include <vector>

#include "text/runs/runs.h"

namespace kx_runs {

inline void Normalize(SKXStyl& r) { KxNormalizeStyl(r.styl); }
inline void Normalize(SKXDeco& r) { KxNormalizeDeco(r); }
inline void Normalize(SKXPara& r) { KxNormalizePara(r.para); }

template <typename Run>
inline bool SameElement(const Run& a, const Run& b) {
  return std::memcmp(reinterpret_cast<const char*>(&a) + 4, reinterpret_cast<const char*>(&b) + 4,
                     sizeof(Run) - 4) == 0;
}

// The common cleaning of a run list: offsets within 0..limit (limit < 0: no
// limit), ascending, the first at 0; equal neighbours merged.
template <typename Run>
inline long CleanRuns(Run* runs, long n, long limit) {
  if (!runs || n < 1) return 0;
  long kept = 0;
  for (long k = 0; k < n; ++k) {
    Run r = runs[k];
    Normalize(r);
    if (kept == 0) {
      r.offset = 0;
    } else {
      if (r.offset <= runs[kept - 1].offset || (limit >= 0 && r.offset >= limit)) continue;
      if (SameElement(r, runs[kept - 1])) continue;
    }
    runs[kept++] = r;
  }
  return kept;
}

template <typename Run>
inline std::vector<Run> CleanCopy(const void* items, long n, long limit) {
  std::vector<Run> v;
  if (!items || n < 1) return v;
  v.resize(static_cast<size_t>(n));
  std::memcpy(v.data(), items, static_cast<size_t>(n) * sizeof(Run));
  v.resize(static_cast<size_t>(CleanRuns(v.data(), n, limit)));
  return v;
}

// Sets a flag for a scope.
class StFlag {
 public:
  StFlag(unsigned char* flag) : mFlag(flag), mOld(flag ? *flag : 0) {
    if (mFlag) *mFlag = 1;
  }
  ~StFlag() {
    if (mFlag) *mFlag = mOld;
  }
  StFlag(const StFlag&) = delete;
  StFlag& operator=(const StFlag&) = delete;

 private:
  unsigned char* mFlag;
  unsigned char mOld;
};

}  // namespace kx_runs
