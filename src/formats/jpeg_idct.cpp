#include "formats/jpeg_idct.h"

#include <cmath>
#include <cstdint>

namespace {

struct SIdctTables {
  double mCos[64];     // [x * 8 + u]
  double mC[8];        // C(u)
  double mCCosT[64];   // [u * 8 + x] = C(u) * cos[x][u]
  SIdctTables() {
    const double pi = 3.14159265358979323846;
    for (int x = 0; x < 8; ++x)
      for (int u = 0; u < 8; ++u) mCos[x * 8 + u] = std::cos((2 * x + 1) * u * pi / 16);
    for (int u = 0; u < 8; ++u) mC[u] = u == 0 ? kKXJpegDisSqrt2 : 1.0;
    for (int u = 0; u < 8; ++u)
      for (int x = 0; x < 8; ++x) mCCosT[u * 8 + x] = mC[u] * mCos[x * 8 + u];
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

bool KxJpegInverseDCT(const std::int32_t* f, std::int32_t* samples) {
  const SIdctTables& t = Tables();
  double absSum = 0.0;
  unsigned rows = 0;  // bit v: row v holds a coefficient
  for (int i = 0; i < 64; ++i) {
    if (f[i]) {
      absSum += std::fabs(double(f[i]));
      rows |= 1u << (i >> 3);
    }
  }
  // Both summation orders stay within about 100 units in the last place of
  // 0.25 * sum |F| + 128 of the exact value; the margin here is a hundredfold.
  const double tolerance = 1e-12 * (0.25 * absSum + 256.0);

  if ((rows & ~1u) == 0 && f[1] == 0 && f[2] == 0 && f[3] == 0 && f[4] == 0 && f[5] == 0 &&
      f[6] == 0 && f[7] == 0) {
    // Only the DC term: every sample is the same.
    double fast = 0.25 * (t.mCCosT[0] * (t.mC[0] * double(f[0]))) + kLevelShift;
    std::int32_t s;
    if (!Settle(fast, tolerance, f, 0, 0, &s)) return false;
    for (int i = 0; i < 64; ++i) samples[i] = s;
    return true;
  }

  // Columns: tmp[y][u] = sum over v of C(v) F(v, u) cos[y][v].
  double cf[64];
  for (int i = 0; i < 64; ++i) cf[i] = t.mC[i >> 3] * double(f[i]);
  double tmp[64];
  for (int y = 0; y < 8; ++y) {
    double acc[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    for (int v = 0; v < 8; ++v) {
      if (!(rows & (1u << v))) continue;
      const double c = t.mCos[y * 8 + v];
      for (int u = 0; u < 8; ++u) acc[u] += cf[v * 8 + u] * c;
    }
    for (int u = 0; u < 8; ++u) tmp[y * 8 + u] = acc[u];
  }
  // Rows: f[y][x] = 0.25 * sum over u of C(u) cos[x][u] tmp[y][u].
  for (int y = 0; y < 8; ++y) {
    double acc[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    for (int u = 0; u < 8; ++u) {
      const double c = tmp[y * 8 + u];
      for (int x = 0; x < 8; ++x) acc[x] += t.mCCosT[u * 8 + x] * c;
    }
    for (int x = 0; x < 8; ++x)
      if (!Settle(0.25 * acc[x] + kLevelShift, tolerance, f, x, y, &samples[y * 8 + x])) return false;
  }
  return true;
}
