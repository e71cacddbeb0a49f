// The escape-time iteration z -> z^2 + c of one picture pixel on the three planes.
#pragma once

#include <cstdint>

#include "codigos.h"
#include "numeros.h"

namespace brenquil {

// A view as the render sees it: upper-left corner x + y i and side.
struct VistaPlano {
    long double x;
    long double y;
    long double lado;
};

// What the iteration of one pixel leaves: the count and the orbit point where it stopped.
struct ResultadoIteracion {
    int16_t cuenta;
    long double zx;
    long double zy;
};

// Real part of the point under column px: ((px * 0.01) * lado) * 0.25 + x.
// px is a column of the 400-pixel picture, or a fraction of one.
inline long double realDePixel(const VistaPlano& v, long double px) {
    return ((px * CENTESIMA) * v.lado) * 0.25L + v.x;
}

// Imaginary part of the point under row py: y - ((py * 0.01) * lado) * 0.25.
inline long double imaginarioDePixel(const VistaPlano& v, long double py) {
    return v.y - ((py * CENTESIMA) * v.lado) * 0.25L;
}

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

// Iterates the pixel (px, py) of the view on the given plane, from z = 0, until
// |z|^2 >= 4 or the step counter passes maxIter. Every operation is rounded in
// extended precision in the order the program has always used, so the count and
// the last z are bit-for-bit reproducible:
//   300:  zr' = (zr*zr - zi*zi) + g            zi' = ((2*zr)*zi) - h
//   305:  zr' = (zr*zr - zi*zi) + g*m1         zi' = ((2*zr)*zi) - h*m1
//   310:  zr' = ((zr*zr - zi*zi) + 0.25) + g*m2  zi' = ((2*zr)*zi) - h*m3
// with t = g*g + h*h and m = 1/(t + epsilon). Any other plane leaves z at 0.
// maxIter above 32766 is taken as 32766; a negative maxIter gives count 0 and z 0.
inline ResultadoIteracion iterarPixel(int16_t plano, const VistaPlano& vista, int16_t px, int16_t py,
                                      int16_t maxIter) {
    return iterarPunto(plano, realDePixel(vista, px), imaginarioDePixel(vista, py), maxIter);
}

}  // namespace brenquil
