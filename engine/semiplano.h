// The half-plane of a pixel's last orbit point, all that the binary
// decomposition colourings (365 and 370) take from it.
#pragma once

#include <cstdint>

namespace brenquil {

enum class Semiplano : uint8_t {
    Cero,      // zx*zx + zy*zy is 0 in extended precision (a tiny z whose squares underflow too)
    Superior,  // argument in (0, pi]: zy > 0, or zy = 0 and zx < 0 (a zero of either sign)
    Inferior,  // any other z, NaN included
};

inline Semiplano semiplanoDe(long double zx, long double zy) {
    if (zx * zx + zy * zy == 0) return Semiplano::Cero;
    return zy > 0 || (zy == 0 && zx < 0) ? Semiplano::Superior : Semiplano::Inferior;
}

}  // namespace brenquil
