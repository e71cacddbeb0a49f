#include "iteracion.h"

#include "codigos.h"

namespace brenquil {
namespace {

// The constant terms of one step, the same at every step of a pixel.
struct TerminosPaso {
    long double sumaReal;   // added to zr*zr - zi*zi (after the 0.25 on plane 310)
    long double restaImag;  // subtracted from (2*zr)*zi
};

template <bool Parabola>
ResultadoIteracion iterarConTerminos(const TerminosPaso& c, int16_t maxIter) {
    long double zr = 0.0L;
    long double zi = 0.0L;
    // maxIter <= 32766, so the counter reaches at most 32767 and never wraps.
    int16_t k = 0;
    while (k <= maxIter) {
        const long double zr2 = zr * zr;
        const long double zi2 = zi * zi;
        if (zr2 + zi2 >= 4.0L) break;
        const long double zo = zr;
        if constexpr (Parabola) {
            zr = ((zr2 - zi2) + 0.25L) + c.sumaReal;
        } else {
            zr = (zr2 - zi2) + c.sumaReal;
        }
        zi = ((2.0L * zo) * zi) - c.restaImag;
        ++k;
    }
    return {k, zr, zi};
}

}  // namespace

ResultadoIteracion iterarPixel(int16_t plano, const VistaPlano& vista, int16_t px, int16_t py,
                               int16_t maxIter) {
    maxIter = limiteEfectivo(maxIter);
    if (maxIter < 0) return {0, 0.0L, 0.0L};

    const long double g = realDePixel(vista, px);
    const long double h = imaginarioDePixel(vista, py);
    switch (plano) {
    case PLANO_CARDIOIDE:
        return iterarConTerminos<false>({g, h}, maxIter);
    case PLANO_CARDIOIDE_INV: {
        const long double t = g * g + h * h;
        const long double m1 = 1.0L / (t + EPSILON_INVERSA);
        return iterarConTerminos<false>({g * m1, h * m1}, maxIter);
    }
    case PLANO_PARABOLA: {
        const long double t = g * g + h * h;
        const long double m2 = 1.0L / (t + EPSILON_PARABOLA_RE);
        const long double m3 = 1.0L / (t + EPSILON_PARABOLA_IM);
        return iterarConTerminos<true>({g * m2, h * m3}, maxIter);
    }
    default:
        // z never moves from 0: every step passes the test until the limit.
        return {static_cast<int16_t>(maxIter + 1), 0.0L, 0.0L};
    }
}

}  // namespace brenquil
