#pragma once
// 16.16 fixed point as the fillers use it, and the conversions from the float pipeline.
#include <cstdint>
#include <cstring>

namespace raster {

using Fixed16 = int32_t;

// The first whole coordinate at or after v.
constexpr int32_t ceil16(Fixed16 v) {
    return static_cast<int32_t>((static_cast<int64_t>(v) + 0xFFFF) >> 16);
}

// The distance (0 .. 0xFFFF) from v forward to that whole coordinate.
constexpr Fixed16 prestep(Fixed16 v) {
    return static_cast<Fixed16>(((static_cast<int64_t>(v) + 0xFFFF) & ~int64_t{0xFFFF}) - v);
}

// Bits 16 to 47 of the 64-bit product: a 16.16 product.
constexpr Fixed16 mul16(Fixed16 a, Fixed16 b) {
    return static_cast<Fixed16>(static_cast<uint64_t>(static_cast<int64_t>(a) * b) >> 16);
}

// The change d over a distance e (both 16.16) that covers n whole pixels or rows. For n = 1 the
// reciprocal form, 0x40000000 / e and then bits 14 to 45 of the product, which can differ
// from the quotient in its lowest bits.
inline Fixed16 slope(Fixed16 d, Fixed16 e, int32_t n) {
    if (e == 0) return 0; // no distance: nothing is stepped along it
    if (n > 1) return static_cast<Fixed16>((static_cast<int64_t>(d) * 65536) / e);
    const int32_t k = static_cast<int32_t>(0x40000000 / e);
    return static_cast<Fixed16>(static_cast<uint64_t>(static_cast<int64_t>(d) * k) >> 14);
}

// Quotients (a[i] << 16) / e, truncated toward zero, in the low 32 bits, two to a double
// division. Exact: for integers below 2^53 the correctly rounded quotient lies nearer the
// true one than the true one lies to the next integer, so truncation gives what integer
// division gives. e must not be 0.
template <int N> inline void divide16(const int32_t* a, int32_t e, int32_t* q) {
    using Double2 = double __attribute__((vector_size(16)));
    const double d = e;
    const Double2 den = {d, d};
    int i = 0;
    for (; i + 2 <= N; i += 2) {
        const Double2 num = {static_cast<double>(a[i]) * 65536.0,
                             static_cast<double>(a[i + 1]) * 65536.0};
        const Double2 r = num / den;
        q[i] = static_cast<int32_t>(static_cast<int64_t>(r[0]));
        q[i + 1] = static_cast<int32_t>(static_cast<int64_t>(r[1]));
    }
    if (i < N) q[i] = static_cast<int32_t>(static_cast<int64_t>(a[i] * 65536.0 / d));
}

// slope() of N changes over one distance at once: the quotients in pairs, the other forms as
// slope() takes them.
template <int N> inline void slopes(const int32_t* d, Fixed16 e, int32_t n, int32_t* out) {
    if (e != 0 && n > 1) {
        divide16<N>(d, e, out);
        return;
    }
    for (int i = 0; i < N; ++i)
        out[i] = slope(d[i], e, n);
}

// a + b with the wrap-around of 32-bit registers: the walks step values whose last step past
// the end of an edge or span may leave the range, and that step must not be undefined.
constexpr int32_t wrapAdd(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

constexpr int32_t wrapSub(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
constexpr int32_t wrapMul(int32_t a, int32_t k) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(k));
}

// Round to nearest, ties to even, keeping the low 32 bits of the result (never undefined):
// the sum's low 32 mantissa bits of v + 1.5 x 2^52 are v rounded, in two's complement, for
// |v| < 2^51 (beyond, the low bits of whatever the sum holds).
inline int32_t roundToInt(double v) {
    const double t = v + 6755399441055744.0;
    uint64_t bits;
    std::memcpy(&bits, &t, sizeof bits);
    return static_cast<int32_t>(static_cast<uint32_t>(bits));
}

// A screen coordinate or interpolant in 16.16, rounded.
inline Fixed16 toFixed16(float v) {
    return roundToInt(static_cast<double>(v) * 65536.0);
}

// Depth buffers hold 2^26 / z: larger is nearer, 0 is empty.
constexpr float kDepthScale = 67108864.0f;
inline int32_t depthKey(float invZ) {
    return roundToInt(static_cast<double>(invZ) * 67108864.0);
}

} // namespace raster
