// What a picture is computed from: the iteration limit, the plane, the
// colouring and the square of the plane it shows. A parameter file holds
// exactly these seven values, in this order; brenquil-render builds one from
// a file, a PNG or its options; the window's render reads its settings from
// the window's records.
#pragma once

#include <cstdint>

#include "codigos.h"
#include "numeros.h"

namespace brenquil {

struct Vista {
    int16_t iteraciones = 30;
    int16_t plano = PLANO_CARDIOIDE;
    int32_t modoColor = COLOR_ITERACION;
    int32_t dwell = DWELL_SI;
    // The upper-left corner xSupIzq + ySupIzq i and the side of the square:
    // real parts grow to the right, imaginary parts decrease downward.
    long double xSupIzq = -4.0L;
    long double ySupIzq = 8.0L;
    long double lado = 16.0L;

    bool operator==(const Vista&) const = default;
};

// Real part of the point under column px of the 400-pixel picture (a
// fraction of a column for finer pictures): ((px * 0.01) * lado) * 0.25 + xSupIzq.
inline long double realDePixel(const Vista& v, long double px) {
    return ((px * CENTESIMA) * v.lado) * 0.25L + v.xSupIzq;
}

// Imaginary part of the point under row py: ySupIzq - ((py * 0.01) * lado) * 0.25.
inline long double imaginarioDePixel(const Vista& v, long double py) {
    return v.ySupIzq - ((py * CENTESIMA) * v.lado) * 0.25L;
}

}  // namespace brenquil
