// Numeric conventions shared by the whole program: the extended-precision
// constants of the plane geometry and the iteration, and the wrapping integer
// conversions of pixel coordinates, sides, limits and codes.
#pragma once

#include <cfloat>
#include <cmath>
#include <cstdint>

namespace brenquil {

static_assert(LDBL_MANT_DIG == 64, "plane coordinates need the 80-bit extended format");

// One hundredth, the extended value nearest to 0.01. A pixel step is
// (p * CENTESIMA * lado) * 0.25.
inline constexpr long double CENTESIMA = 0.01L;
// The extended value nearest to 0.0025; it equals CENTESIMA * 0.25 exactly.
inline constexpr long double PASO_PIXEL = 0.0025L;
static_assert(PASO_PIXEL == CENTESIMA * 0.25L);

// The three small terms that keep the inverted planes finite at w = 0. They are
// double literals widened exactly, and they differ from one another on purpose.
inline constexpr long double EPSILON_INVERSA = 0.001354;            // plane 305, both parts
inline constexpr long double EPSILON_PARABOLA_RE = 0.00135410011001; // plane 310, real part
inline constexpr long double EPSILON_PARABOLA_IM = 0.0013540001;     // plane 310, imaginary part

// The picture is LADO_IMAGEN x LADO_IMAGEN pixels.
inline constexpr int LADO_IMAGEN = 400;

// The highest limit the iteration accepts: the count maxIter + 1 must fit in 16 bits.
inline constexpr int16_t LIMITE_ITERACIONES_MAXIMO = 32766;

// Reduces an integer modulo 2^16 into the signed 16-bit range.
constexpr int16_t envolver16(int64_t v) {
    return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint64_t>(v)));
}

// Reduces an integer modulo 2^32 into the signed 32-bit range.
constexpr int32_t envolver32(int64_t v) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v)));
}

// Truncates toward zero and keeps the low 32 bits of the integer, exactly for
// every finite value (the reduction by 2^32 is exact in extended precision).
// Infinities and NaN give 0, as the x87 "integer indefinite" result does in its
// low bits.
inline int32_t truncarBajos32(long double v) {
    if (!std::isfinite(v)) return 0;
    const long double resto = std::fmod(std::trunc(v), 4294967296.0L);  // |resto| < 2^32
    return envolver32(static_cast<int64_t>(resto));
}

// Truncates toward zero and keeps the low 16 bits (two's complement).
inline int16_t truncarBajos16(long double v) { return envolver16(truncarBajos32(v)); }

// The limit that reaches the iteration and the colouring: a stored limit of
// 32767 would never end a pixel that does not escape.
constexpr int16_t limiteEfectivo(int16_t iteraciones) {
    return iteraciones > LIMITE_ITERACIONES_MAXIMO ? LIMITE_ITERACIONES_MAXIMO : iteraciones;
}

}  // namespace brenquil
