#include "formats/jpeg_idct.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

struct SIdctTables {
  double mCos[64];    // [x * 8 + u]
  double mC[8];       // C(u)
  double mScale[64];  // [v * 8 + u] = C(u) C(v)
  double mK[8];       // cos(k pi / 16)
  SIdctTables() {
    const double pi = 3.14159265358979323846;
    for (int x = 0; x < 8; ++x)
      for (int u = 0; u < 8; ++u) mCos[x * 8 + u] = std::cos((2 * x + 1) * u * pi / 16);
    for (int u = 0; u < 8; ++u) mC[u] = u == 0 ? kKXJpegDisSqrt2 : 1.0;
    for (int i = 0; i < 64; ++i) mScale[i] = mC[i & 7] * mC[i >> 3];
    for (int k = 0; k < 8; ++k) mK[k] = std::cos(k * pi / 16);
  }
};

const SIdctTables& Tables() {
  static const SIdctTables tables;
  return tables;
}

constexpr double kLevelShift = 128.0;

double DirectSample(const std::int32_t* f, int x, int y) {
  const SIdctTables& t = Tables();
  double sum = 0.0;
  for (int u = 0; u < 8; ++u)
    for (int v = 0; v < 8; ++v)
      sum += t.mC[u] * t.mC[v] * double(f[v * 8 + u]) * t.mCos[x * 8 + u] * t.mCos[y * 8 + v];
  return 0.25 * sum + kLevelShift;
}

// Truncation toward zero into 32 bits; false when the value does not fit.
bool ToSample(double r, std::int32_t* out) {
  if (!(r > -2147483649.0 && r < 2147483648.0)) return false;
  *out = std::int32_t(r);
  return true;
}

// The fast value, or the direct one when the fast value is within the
// rounding tolerance of an integer (where truncation could go either way).
bool Settle(double fast, double tolerance, const std::int32_t* f, int x, int y, std::int32_t* out) {
  if (std::fabs(fast) < 2147483000.0) {
    double frac = fast - double(std::int64_t(fast));
    double a = std::fabs(frac);
    if (a > tolerance && a < 1.0 - tolerance) {
      *out = std::int32_t(fast);
      return true;
    }
  }
  return ToSample(DirectSample(f, x, y), out);
}

}  // namespace

const double* const kKXJpegCos = Tables().mCos;

const int kKXJpegZigzag[64] = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

bool KxJpegInverseDCTDirect(const std::int32_t* coefficients, std::int32_t* samples) {
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      if (!ToSample(DirectSample(coefficients, x, y), &samples[y * 8 + x])) return false;
  return true;
}

namespace {

// out[x * step] = sum over u of g[u * step] cos((2x + 1) u pi / 16), through
// cos((16 - (2x + 1)) u pi / 16) = (-1)^u cos((2x + 1) u pi / 16) and the
// same turn again inside the even half.
// T is a double or a vector of doubles (one sum per lane, each lane doing
// exactly the scalar operations).
template <typename T>
__attribute__((always_inline)) inline void Sum8(const T* g, T* out, int step, const double* k) {
  const T g0 = g[0], g1 = g[step], g2 = g[2 * step], g3 = g[3 * step];
  const T g4 = g[4 * step], g5 = g[5 * step], g6 = g[6 * step], g7 = g[7 * step];
  const double c1 = k[1], c2 = k[2], c3 = k[3], c4 = k[4], c5 = k[5], c6 = k[6], c7 = k[7];
  const T ee0 = g0 + g4 * c4, ee1 = g0 - g4 * c4;
  const T eo0 = g2 * c2 + g6 * c6, eo1 = g2 * c6 - g6 * c2;
  const T e0 = ee0 + eo0, e1 = ee1 + eo1, e2 = ee1 - eo1, e3 = ee0 - eo0;
  const T o0 = g1 * c1 + g3 * c3 + g5 * c5 + g7 * c7;
  const T o1 = g1 * c3 - g3 * c7 - g5 * c1 - g7 * c5;
  const T o2 = g1 * c5 - g3 * c1 + g5 * c7 + g7 * c3;
  const T o3 = g1 * c7 - g3 * c5 + g5 * c3 - g7 * c1;
  out[0] = e0 + o0;
  out[7 * step] = e0 - o0;
  out[step] = e1 + o1;
  out[6 * step] = e1 - o1;
  out[2 * step] = e2 + o2;
  out[5 * step] = e2 - o2;
  out[3 * step] = e3 + o3;
  out[4 * step] = e3 - o3;
}

}  // namespace

bool KxJpegInverseDCTScalar(const std::int32_t* f, std::int32_t* samples) {
  const SIdctTables& t = Tables();
  double absSum = 0.0;
  unsigned columns = 0;  // bit u: column u holds a coefficient
  for (int i = 0; i < 64; ++i) {
    absSum += std::fabs(double(f[i]));
    columns |= unsigned(f[i] != 0) << (i & 7);
  }
  // Both ways of summing stay within a few dozen units in the last place of
  // 0.25 * sum |F| + 128 of the exact value; the tolerance is far wider.
  const double tolerance = 1e-12 * (0.25 * absSum + 256.0);

  bool dcOnly = columns <= 1;
  for (int v = 1; dcOnly && v < 8; ++v) dcOnly = f[v * 8] == 0;
  if (dcOnly) {
    // Every sample is the same.
    double fast = 0.25 * (t.mScale[0] * double(f[0])) + kLevelShift;
    std::int32_t s;
    if (!Settle(fast, tolerance, f, 0, 0, &s)) return false;
    for (int i = 0; i < 64; ++i) samples[i] = s;
    return true;
  }

  // Columns: tmp[y][u] = sum over v of C(u) C(v) F(v, u) cos[y][v]; then
  // rows: f[y][x] = sum over u of tmp[y][u] cos[x][u].
  double g[64], tmp[64], sum[64];
  for (int i = 0; i < 64; ++i) g[i] = t.mScale[i] * double(f[i]);
  for (int u = 0; u < 8; ++u) {
    if (columns & (1u << u)) {
      Sum8(g + u, tmp + u, 8, t.mK);
    } else {
      for (int y = 0; y < 8; ++y) tmp[y * 8 + u] = 0.0;
    }
  }
  for (int y = 0; y < 8; ++y) Sum8(tmp + y * 8, sum + y * 8, 1, t.mK);

  if (0.25 * absSum + 256.0 < 2147483000.0) {
    // Every sample fits in 32 bits: truncate all, then look for one that
    // lies too near an integer.
    int nearInteger = 0;
    for (int i = 0; i < 64; ++i) {
      const double r = 0.25 * sum[i] + kLevelShift;
      const std::int32_t n = std::int32_t(r);
      const double frac = std::fabs(r - double(n));
      samples[i] = n;
      nearInteger |= (frac <= tolerance) | (frac >= 1.0 - tolerance);
    }
    if (!nearInteger) return true;
  }
  for (int i = 0; i < 64; ++i)
    if (!Settle(0.25 * sum[i] + kLevelShift, tolerance, f, i & 7, i >> 3, &samples[i])) return false;
  return true;
}

#if KX_JPEG_VECTOR

// The vectors stay inside this file: no call passes one across an ABI.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wpsabi"
#endif

namespace {

typedef double V2 __attribute__((vector_size(16)));
typedef double V4 __attribute__((vector_size(32)));
typedef std::int32_t I2 __attribute__((vector_size(8)));
typedef std::int32_t I4 __attribute__((vector_size(16)));

// The scalar steps with L lanes (V holds L doubles, I L 32-bit integers):
// columns L at a time, then the column results turned so that the row sums
// run L rows at a time.
template <typename V, typename I, int L>
__attribute__((always_inline)) inline bool InverseDCTLanes(const std::int32_t* f, std::int32_t* samples) {
  constexpr int kParts = 8 / L;  // vectors a row
  const SIdctTables& t = Tables();
  // |F| sums to below 2^38: the integer sum is the double sum, exactly.
  std::int64_t absTotal = 0;
  unsigned columns = 0;
  for (int i = 0; i < 64; ++i) {
    const std::int64_t c = f[i];
    absTotal += c < 0 ? -c : c;
    columns |= unsigned(f[i] != 0) << (i & 7);
  }
  const double absSum = double(absTotal);
  const double tolerance = 1e-12 * (0.25 * absSum + 256.0);

  bool dcOnly = columns <= 1;
  for (int v = 1; dcOnly && v < 8; ++v) dcOnly = f[v * 8] == 0;
  if (dcOnly) {
    double fast = 0.25 * (t.mScale[0] * double(f[0])) + kLevelShift;
    std::int32_t s;
    if (!Settle(fast, tolerance, f, 0, 0, &s)) return false;
    for (int i = 0; i < 64; ++i) samples[i] = s;
    return true;
  }

  // g[v * kParts + h]: row v, columns L h to L h + L - 1.
  V g[64 / L], tmp[64 / L];
  for (int i = 0; i < 64 / L; ++i) {
    V scale;
    I coefficient;
    std::memcpy(&scale, t.mScale + L * i, sizeof scale);
    std::memcpy(&coefficient, f + L * i, sizeof coefficient);
    g[i] = scale * __builtin_convertvector(coefficient, V);
  }
  constexpr unsigned kPartMask = (1u << L) - 1;
  for (int h = 0; h < kParts; ++h) {
    if (columns & (kPartMask << (L * h))) {
      Sum8(g + h, tmp + h, kParts, t.mK);
    } else {
      for (int y = 0; y < 8; ++y) tmp[y * kParts + h] = V{} * 0.0;
    }
  }
  // tr[u * kParts + h]: column u of tmp, rows L h to L h + L - 1.
  double flat[64];
  std::memcpy(flat, tmp, sizeof flat);
  V tr[64 / L], sum[64 / L];
  for (int u = 0; u < 8; ++u)
    for (int h = 0; h < kParts; ++h)
      for (int l = 0; l < L; ++l) tr[u * kParts + h][l] = flat[(L * h + l) * 8 + u];
  // sum[x * kParts + h]: sample column x, rows L h to L h + L - 1.
  for (int h = 0; h < kParts; ++h) Sum8(tr + h, sum + h, kParts, t.mK);

  if (0.25 * absSum + 256.0 < 2147483000.0) {
    const V lo = V{} + tolerance, hi = V{} + (1.0 - tolerance);
    I nearInteger = I{};
    for (int i = 0; i < 64 / L; ++i) {
      const V r = 0.25 * sum[i] + kLevelShift;
      const I n = __builtin_convertvector(r, I);
      const V d = r - __builtin_convertvector(n, V);
      const V frac = d < 0.0 ? -d : d;
      nearInteger |= __builtin_convertvector((frac <= lo) | (frac >= hi), I);
      const int x = i / kParts, y = (i % kParts) * L;
      for (int l = 0; l < L; ++l) samples[(y + l) * 8 + x] = n[l];
    }
    int any = 0;
    for (int l = 0; l < L; ++l) any |= nearInteger[l];
    if (!any) return true;
  }
  double natural[64];
  for (int i = 0; i < 64 / L; ++i) {
    const int x = i / kParts, y = (i % kParts) * L;
    for (int l = 0; l < L; ++l) natural[(y + l) * 8 + x] = sum[i][l];
  }
  for (int i = 0; i < 64; ++i)
    if (!Settle(0.25 * natural[i] + kLevelShift, tolerance, f, i & 7, i >> 3, &samples[i])) return false;
  return true;
}

#if defined(__x86_64__) && !defined(__AVX2__)
// Four lanes where the processor has AVX2, chosen once at run time; two
// (SSE2, every x86-64) otherwise. Neither uses fused multiply-adds.
__attribute__((target("avx2"), noinline)) bool InverseDCTAvx2(const std::int32_t* f, std::int32_t* samples) {
  return InverseDCTLanes<V4, I4, 4>(f, samples);
}

bool InverseDCTSse2(const std::int32_t* f, std::int32_t* samples) { return InverseDCTLanes<V2, I2, 2>(f, samples); }

using IdctFunction = bool (*)(const std::int32_t*, std::int32_t*);
const IdctFunction sIdct = __builtin_cpu_supports("avx2") ? InverseDCTAvx2 : InverseDCTSse2;
#endif

}  // namespace

bool KxJpegInverseDCT(const std::int32_t* f, std::int32_t* samples) {
#if defined(__x86_64__) && !defined(__AVX2__)
  return sIdct(f, samples);
#elif defined(__AVX__)
  return InverseDCTLanes<V4, I4, 4>(f, samples);
#else
  return InverseDCTLanes<V2, I2, 2>(f, samples);
#endif
}

#else

bool KxJpegInverseDCT(const std::int32_t* f, std::int32_t* samples) { return KxJpegInverseDCTScalar(f, samples); }

#endif
