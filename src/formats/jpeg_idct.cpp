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

// The eight outputs of the even halves e and the odd halves o.
template <typename T>
__attribute__((always_inline)) inline void Halves(T e0, T e1, T e2, T e3, T o0, T o1, T o2, T o3, T* out, int step) {
  out[0] = e0 + o0;
  out[7 * step] = e0 - o0;
  out[step] = e1 + o1;
  out[6 * step] = e1 - o1;
  out[2 * step] = e2 + o2;
  out[5 * step] = e2 - o2;
  out[3 * step] = e3 + o3;
  out[4 * step] = e3 - o3;
}

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
  Halves(e0, e1, e2, e3, o0, o1, o2, o3, out, step);
}

// Sum8 when g[4 step] to g[7 step] are zero: the terms they bring are exact
// zeros, so every output is Sum8's value (at most the sign of a zero
// differs, which no later step can see: the zero only ever meets additions,
// multiplications and the final + 128).
template <typename T>
__attribute__((always_inline)) inline void Sum8Low(const T* g, T* out, int step, const double* k) {
  const T g0 = g[0], g1 = g[step], g2 = g[2 * step], g3 = g[3 * step];
  const double c1 = k[1], c2 = k[2], c3 = k[3], c5 = k[5], c6 = k[6], c7 = k[7];
  const T eo0 = g2 * c2, eo1 = g2 * c6;
  const T e0 = g0 + eo0, e1 = g0 + eo1, e2 = g0 - eo1, e3 = g0 - eo0;
  const T o0 = g1 * c1 + g3 * c3;
  const T o1 = g1 * c3 - g3 * c7;
  const T o2 = g1 * c5 - g3 * c1;
  const T o3 = g1 * c7 - g3 * c5;
  Halves(e0, e1, e2, e3, o0, o1, o2, o3, out, step);
}

// The block with one value everywhere (only F(0, 0) is non-zero).
bool DcBlock(const std::int32_t* f, double tolerance, std::int32_t* s) {
  const double fast = 0.25 * (Tables().mScale[0] * double(f[0])) + kLevelShift;
  return Settle(fast, tolerance, f, 0, 0, s);
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
    std::int32_t s;
    if (!DcBlock(f, tolerance, &s)) return false;
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
#if defined(__GNUC__)
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
    std::int32_t s;
    if (!DcBlock(f, tolerance, &s)) return false;
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

// Without AVX2 at hand (x86-64 processors without it take this at run
// time, see below): four lanes where the build has AVX, else two. Neither
// uses fused multiply-adds.
bool InverseDCTPortable(const std::int32_t* f, std::int32_t* samples) {
#if defined(__AVX__)
  return InverseDCTLanes<V4, I4, 4>(f, samples);
#else
  return InverseDCTLanes<V2, I2, 2>(f, samples);
#endif
}

}  // namespace

#else

namespace {
bool InverseDCTPortable(const std::int32_t* f, std::int32_t* samples) { return KxJpegInverseDCTScalar(f, samples); }
}  // namespace

#endif

// ---------------------------------------------------------------- into a plane

#if KX_JPEG_VECTOR && defined(__x86_64__)
#include <immintrin.h>

namespace {

// The four-lane steps of InverseDCTLanes written out for AVX2, with the
// turns between the passes done in registers and the samples stored row by
// row into the plane. The arithmetic is the scalar steps' (Sum8 on the same
// values in the same order; Sum8Low where whole halves are zero), so every
// sample is the scalar one. Blocks that need the direct sum somewhere, or
// whose samples might not fit, go through the scalar steps whole.

// Turns four rows of four doubles into four columns.
__attribute__((target("avx2"), always_inline)) inline void Turn4(__m256d a, __m256d b, __m256d c, __m256d d,
                                                                 __m256d* out, int step) {
  const __m256d t0 = _mm256_unpacklo_pd(a, b), t1 = _mm256_unpackhi_pd(a, b);
  const __m256d t2 = _mm256_unpacklo_pd(c, d), t3 = _mm256_unpackhi_pd(c, d);
  out[0] = _mm256_permute2f128_pd(t0, t2, 0x20);
  out[step] = _mm256_permute2f128_pd(t1, t3, 0x20);
  out[2 * step] = _mm256_permute2f128_pd(t0, t2, 0x31);
  out[3 * step] = _mm256_permute2f128_pd(t1, t3, 0x31);
}

// Four columns of four 32-bit samples stored as four rows of four.
__attribute__((target("avx2"), always_inline)) inline void StoreTurned(__m128i a, __m128i b, __m128i c, __m128i d,
                                                                       std::int32_t* out, long stride) {
  const __m128i t0 = _mm_unpacklo_epi32(a, b), t1 = _mm_unpacklo_epi32(c, d);
  const __m128i t2 = _mm_unpackhi_epi32(a, b), t3 = _mm_unpackhi_epi32(c, d);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi64(t0, t1));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out + stride), _mm_unpackhi_epi64(t0, t1));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * stride), _mm_unpacklo_epi64(t2, t3));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * stride), _mm_unpackhi_epi64(t2, t3));
}

bool ScalarInto(const std::int32_t* f, std::int32_t* out, long stride) {
  std::int32_t samples[64];
  if (!KxJpegInverseDCTScalar(f, samples)) return false;
  for (int y = 0; y < 8; ++y) std::memcpy(out + y * stride, samples + y * 8, 8 * sizeof(std::int32_t));
  return true;
}

__attribute__((target("avx2"), noinline)) bool InverseDCTAvx2Into(const std::int32_t* f, std::int32_t* out,
                                                                   long stride) {
  const SIdctTables& t = Tables();
  __m256i rows[8];
  for (int v = 0; v < 8; ++v) rows[v] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(f + 8 * v));
  const __m256i high = _mm256_or_si256(_mm256_or_si256(rows[4], rows[5]), _mm256_or_si256(rows[6], rows[7]));
  const __m256i below = _mm256_or_si256(_mm256_or_si256(rows[1], rows[2]), _mm256_or_si256(rows[3], high));
  const __m256i any = _mm256_or_si256(rows[0], below);
  const unsigned columns =
      ~unsigned(_mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpeq_epi32(any, _mm256_setzero_si256())))) & 0xFF;
  const bool highRowsZero = _mm256_testz_si256(high, high);

  // The sum of |F|: in 32-bit lanes while every |F| is below 2^24 (the
  // lane sums stay below 2^27, the total below 2^30), else in 64 bits.
  __m256i magnitude = _mm256_abs_epi32(rows[0]), total = magnitude, bits = magnitude;
  for (int v = 1; v < 8; ++v) {
    magnitude = _mm256_abs_epi32(rows[v]);
    total = _mm256_add_epi32(total, magnitude);
    bits = _mm256_or_si256(bits, magnitude);
  }
  std::int64_t absTotal = 0;
  if (_mm256_testz_si256(bits, _mm256_set1_epi32(~0xFFFFFF))) {
    __m128i s = _mm_add_epi32(_mm256_castsi256_si128(total), _mm256_extracti128_si256(total, 1));
    s = _mm_add_epi32(s, _mm_shuffle_epi32(s, 0x4E));
    s = _mm_add_epi32(s, _mm_shuffle_epi32(s, 0xB1));
    absTotal = _mm_cvtsi128_si32(s);
  } else {
    for (int i = 0; i < 64; ++i) {
      const std::int64_t c = f[i];
      absTotal += c < 0 ? -c : c;
    }
  }
  const double absSum = double(absTotal);
  const double tolerance = 1e-12 * (0.25 * absSum + 256.0);

  if (columns <= 1 && _mm256_testz_si256(below, below)) {
    std::int32_t s;
    if (!DcBlock(f, tolerance, &s)) return false;
    const __m256i all = _mm256_set1_epi32(s);
    for (int y = 0; y < 8; ++y) _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + y * stride), all);
    return true;
  }
  if (!(0.25 * absSum + 256.0 < 2147483000.0)) return ScalarInto(f, out, stride);

  // g[v * 2 + h]: row v, columns 4 h to 4 h + 3, scaled.
  __m256d g[16], tmp[16];
  for (int v = 0; v < 8; ++v) {
    g[2 * v] = _mm256_mul_pd(_mm256_loadu_pd(t.mScale + 8 * v), _mm256_cvtepi32_pd(_mm256_castsi256_si128(rows[v])));
    g[2 * v + 1] =
        _mm256_mul_pd(_mm256_loadu_pd(t.mScale + 8 * v + 4), _mm256_cvtepi32_pd(_mm256_extracti128_si256(rows[v], 1)));
  }
  const bool highColumnsZero = (columns & 0xF0) == 0;
  for (int h = 0; h < 2; ++h) {
    if (columns & (0xFu << (4 * h))) {
      if (highRowsZero) {
        Sum8Low(g + h, tmp + h, 2, t.mK);
      } else {
        Sum8(g + h, tmp + h, 2, t.mK);
      }
    } else {
      for (int y = 0; y < 8; ++y) tmp[2 * y + h] = _mm256_setzero_pd();
    }
  }
  // tr[u * 2 + k]: column u of tmp, rows 4 k to 4 k + 3.
  __m256d tr[16], sum[16];
  for (int k = 0; k < 2; ++k)
    for (int h = 0; h < (highColumnsZero ? 1 : 2); ++h)
      Turn4(tmp[8 * k + h], tmp[8 * k + 2 + h], tmp[8 * k + 4 + h], tmp[8 * k + 6 + h], tr + 8 * h + k, 2);
  // sum[x * 2 + k]: sample column x, rows 4 k to 4 k + 3.
  for (int k = 0; k < 2; ++k) {
    if (highColumnsZero) {
      Sum8Low(tr + k, sum + k, 2, t.mK);
    } else {
      Sum8(tr + k, sum + k, 2, t.mK);
    }
  }

  const __m256d quarter = _mm256_set1_pd(0.25), shift = _mm256_set1_pd(kLevelShift);
  const __m256d lo = _mm256_set1_pd(tolerance), hi = _mm256_set1_pd(1.0 - tolerance);
  const __m256d sign = _mm256_set1_pd(-0.0);
  __m256d nearInteger = _mm256_setzero_pd();
  __m128i n[16];
  for (int i = 0; i < 16; ++i) {
    const __m256d r = _mm256_add_pd(_mm256_mul_pd(quarter, sum[i]), shift);
    n[i] = _mm256_cvttpd_epi32(r);
    const __m256d frac = _mm256_andnot_pd(sign, _mm256_sub_pd(r, _mm256_cvtepi32_pd(n[i])));
    nearInteger = _mm256_or_pd(nearInteger, _mm256_or_pd(_mm256_cmp_pd(frac, lo, _CMP_LE_OQ),
                                                          _mm256_cmp_pd(frac, hi, _CMP_GE_OQ)));
  }
  if (_mm256_movemask_pd(nearInteger)) return ScalarInto(f, out, stride);
  for (int k = 0; k < 2; ++k) {
    std::int32_t* rowsOut = out + 4 * k * stride;
    StoreTurned(n[k], n[2 + k], n[4 + k], n[6 + k], rowsOut, stride);
    StoreTurned(n[8 + k], n[10 + k], n[12 + k], n[14 + k], rowsOut + 4, stride);
  }
  return true;
}

__attribute__((target("avx2"), noinline)) void DequantiseAvx2(std::int32_t* c, const std::int32_t* q,
                                                              std::int32_t* out) {
  for (int i = 0; i < 64; i += 8) {
    __m256i* at = reinterpret_cast<__m256i*>(c + i);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i),
                        _mm256_mullo_epi32(_mm256_loadu_si256(at),
                                           _mm256_loadu_si256(reinterpret_cast<const __m256i*>(q + i))));
    _mm256_storeu_si256(at, _mm256_setzero_si256());
  }
}

void DequantisePortable(std::int32_t* c, const std::int32_t* q, std::int32_t* out) {
  for (int i = 0; i < 64; ++i) out[i] = c[i] * q[i];
  std::memset(c, 0, 64 * sizeof(std::int32_t));
}

using DequantiseFunction = void (*)(std::int32_t*, const std::int32_t*, std::int32_t*);
const DequantiseFunction sDequantise = __builtin_cpu_supports("avx2") ? DequantiseAvx2 : DequantisePortable;

bool CopyInto(const std::int32_t* f, std::int32_t* out, long stride) {
  std::int32_t samples[64];
  if (!InverseDCTPortable(f, samples)) return false;
  for (int y = 0; y < 8; ++y) std::memcpy(out + y * stride, samples + y * 8, 8 * sizeof(std::int32_t));
  return true;
}

using IntoFunction = bool (*)(const std::int32_t*, std::int32_t*, long);
const IntoFunction sInto = __builtin_cpu_supports("avx2") ? InverseDCTAvx2Into : CopyInto;

}  // namespace

bool KxJpegInverseDCT(const std::int32_t* f, std::int32_t* samples) { return sInto(f, samples, 8); }

void KxJpegDequantise(std::int32_t* c, const std::int32_t* q, std::int32_t* out) { sDequantise(c, q, out); }

bool KxJpegInverseDCTInto(const std::int32_t* f, std::int32_t* out, long stride) { return sInto(f, out, stride); }

#else

bool KxJpegInverseDCT(const std::int32_t* f, std::int32_t* samples) { return InverseDCTPortable(f, samples); }

void KxJpegDequantise(std::int32_t* c, const std::int32_t* q, std::int32_t* out) {
  for (int i = 0; i < 64; ++i) out[i] = c[i] * q[i];
  std::memset(c, 0, 64 * sizeof(std::int32_t));
}

bool KxJpegInverseDCTInto(const std::int32_t* f, std::int32_t* out, long stride) {
  std::int32_t samples[64];
  if (!InverseDCTPortable(f, samples)) return false;
  for (int y = 0; y < 8; ++y) std::memcpy(out + y * stride, samples + y * 8, 8 * sizeof(std::int32_t));
  return true;
}

#endif
