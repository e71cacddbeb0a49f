// The escape-time iteration z -> z^2 + c of one picture pixel on the three planes.
#pragma once

#include <cstdint>

#include "codigos.h"
#include "numeros.h"
#include "vista.h"

namespace brenquil {

// What the iteration of one pixel leaves: the count and the orbit point where it stopped.
struct ResultadoIteracion {
    int16_t cuenta;
    long double zx;
    long double zy;
};

// The shape of a pixel's step on a plane and its constant terms cr and ci:
//   zr' = (zr*zr - zi*zi) + cr            (Parabola: ((zr*zr - zi*zi) + 0.25) + cr)
//   zi' = ((2*zr)*zi) - ci
// computed once per pixel from g and h by the operations listed at
// iterarPixel. On an unknown plane (Fija) z never moves from 0.
enum class FormaPaso : uint8_t { Cardioide, Parabola, Fija };

struct TerminosPaso {
    FormaPaso forma;
    long double cr;
    long double ci;
};

inline TerminosPaso terminosPaso(int16_t plano, long double g, long double h) {
    switch (plano) {
    case PLANO_CARDIOIDE:
        return {FormaPaso::Cardioide, g, h};
    case PLANO_CARDIOIDE_INV: {
        const long double t = g * g + h * h;
        const long double m1 = 1.0L / (t + EPSILON_INVERSA);
        return {FormaPaso::Cardioide, g * m1, h * m1};
    }
    case PLANO_PARABOLA: {
        const long double t = g * g + h * h;
        const long double m2 = 1.0L / (t + EPSILON_PARABOLA_RE);
        const long double m3 = 1.0L / (t + EPSILON_PARABOLA_IM);
        return {FormaPaso::Parabola, g * m2, h * m3};
    }
    default:
        return {FormaPaso::Fija, 0.0L, 0.0L};
    }
}

// Iterates the point g + h i of the plane (see iterarPixel).
ResultadoIteracion iterarPunto(int16_t plano, long double g, long double h, int16_t maxIter);

// Iterates the pixel (px, py) of the view on its plane, from z = 0, until
// |z|^2 >= 4 or the step counter passes the view's limit. Every operation is rounded in
// extended precision in the order the program has always used, so the count and
// the last z are bit-for-bit reproducible:
//   300:  zr' = (zr*zr - zi*zi) + g            zi' = ((2*zr)*zi) - h
//   305:  zr' = (zr*zr - zi*zi) + g*m1         zi' = ((2*zr)*zi) - h*m1
//   310:  zr' = ((zr*zr - zi*zi) + 0.25) + g*m2  zi' = ((2*zr)*zi) - h*m3
// with t = g*g + h*h and m = 1/(t + epsilon). Any other plane leaves z at 0.
// A limit above 32766 is taken as 32766; a negative one gives count 0 and z 0.
inline ResultadoIteracion iterarPixel(const Vista& vista, int16_t px, int16_t py) {
    return iterarPunto(vista.plano, realDePixel(vista, px), imaginarioDePixel(vista, py), vista.iteraciones);
}

}  // namespace brenquil
