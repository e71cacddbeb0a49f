// What the fuzz targets of iterarLote share: the point of a plane near a
// value of c, and the report of a point on which a path differs from
// iterarPunto (which ends the run, so that libFuzzer keeps the input).
#pragma once

#include <complex>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "codigos.h"

namespace brenquil {

// The point g + h i of the plane whose c is about the given one (the
// inverted planes' small terms aside).
inline void puntoDeC(int16_t plano, std::complex<long double> c, long double& g, long double& h) {
    std::complex<long double> w = c;
    if (plano == PLANO_CARDIOIDE_INV && c != 0.0L) w = 1.0L / c;
    if (plano == PLANO_PARABOLA && c != 0.25L) w = 1.0L / (c - 0.25L);
    g = w.real();
    h = -w.imag();
}

[[noreturn]] inline void discrepancia(const char* via, int16_t plano, int16_t m, long double g, long double h,
                                      int cuenta, int esperada, int semiplano, int semiplanoEsperado) {
    std::fprintf(stderr,
                 "iterarLote (%s) differs from iterarPunto: plane %d, limit %d, g = %.21Lg, h = %.21Lg: "
                 "count %d instead of %d, half-plane %d instead of %d\n",
                 via, plano, m, g, h, cuenta, esperada, semiplano, semiplanoEsperado);
    std::abort();
}

}  // namespace brenquil
