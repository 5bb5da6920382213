// The inverse DCT of the JPEG decoder: the direct double sum
//   f(x, y) = 0.25 * sum over u, v of C(u) C(v) F(v, u) cos((2x+1)u pi/16) cos((2y+1)v pi/16)
// with C(0) = kKXJpegDisSqrt2, C(k) = 1 otherwise, then + 128 and truncated
// toward zero. F is in natural order (row v = vertical frequency).
#pragma once

#include <cstdint>

constexpr double kKXJpegDisSqrt2 = 0.707106782373095;

// kKXJpegCos[x * 8 + u] = cos((2x + 1) u pi / 16).
extern const double* const kKXJpegCos;
extern const int kKXJpegZigzag[64];

// The 64-term sum for every sample, exactly as written above (u outer, v
// inner, factors multiplied left to right). False when a sample does not fit
// in 32 bits.
bool KxJpegInverseDCTDirect(const std::int32_t* coefficients, std::int32_t* samples);

// The same results through a separable, factored sum (even and odd halves of
// each 8-point sum): a sample whose fast value lies so near an integer that
// the two ways of summing might truncate differently is recomputed by the
// direct sum.
// Built with GCC vector extensions where the compiler has them (lanes of
// the same operations in the same order, so bit for bit the scalar results;
// on x86-64 processors with AVX2, chosen at run time, four lanes with the
// turns between the passes in registers), otherwise the scalar steps
// themselves; KX_JPEG_SCALAR forces the latter.
bool KxJpegInverseDCT(const std::int32_t* coefficients, std::int32_t* samples);
bool KxJpegInverseDCTScalar(const std::int32_t* coefficients, std::int32_t* samples);
// out[i] = coefficients[i] * quant[i] (the caller sees that it fits), and
// the coefficients set to zero, ready for the next block.
void KxJpegDequantise(std::int32_t* coefficients, const std::int32_t* quant, std::int32_t* out);
// KxJpegInverseDCT written straight into a plane: row y of the block goes
// to out + y * stride. On failure the plane may hold part of the block.
bool KxJpegInverseDCTInto(const std::int32_t* coefficients, std::int32_t* out, long stride);

#if (defined(__GNUC__) || defined(__clang__)) && !defined(KX_JPEG_SCALAR)
#define KX_JPEG_VECTOR 1
#else
#define KX_JPEG_VECTOR 0
#endif
