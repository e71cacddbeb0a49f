// The window's loop with P-bit significands: every operation of the 80-bit
// loop (iteracion.h) and of its pixel mapping (vista.h, lienzo.h) in the same
// order with the same constants, each rounded to nearest (ties to even) to P
// bits in MPFR's wide exponent range. With P = 64 it is the 80-bit loop
// itself: the same count, the same last z.
#pragma once

#include <cstdint>

#include "lienzo.h"
#include "numero_p.h"
#include "semiplano.h"

namespace brenquil {

// Where sample s of pixel p lies along a row or a column, as posicionMuestra:
// (p * muestras + s) * 400 / (ancho * muestras), one rounding to the
// precision of `destino`.
void posicionMuestraP(mpfr_ptr destino, int64_t p, int s, const Lienzo& lienzo);

// The real part of the point under column px: ((px * 0.01) * lado) * 0.25 + x,
// and the imaginary part under row py: y - ((py * 0.01) * lado) * 0.25, each
// operation rounded to the precision of the result. 0.01 is the exact value of
// the 80-bit 0.01L.
void realDePixelP(mpfr_ptr g, mpfr_srcptr px, mpfr_srcptr x, mpfr_srcptr lado);
void imaginarioDePixelP(mpfr_ptr h, mpfr_srcptr py, mpfr_srcptr y, mpfr_srcptr lado);

// The step terms of the point g + h i of the plane, as iterarPuntoP computes
// them (terminosPaso's cr and ci, each operation rounded to the precision of
// cr and ci, which is the loop's): for 300 g and h, for 305 and 310 g*m1 and
// h*m1 (m2, m3). Only planes 300, 305 and 310.
void terminosP(int16_t plano, mpfr_srcptr g, mpfr_srcptr h, mpfr_ptr cr, mpfr_ptr ci);

struct ResultadoIteracionP {
    int64_t cuenta;       // up to maxIter + 1, which is 2^31 for the highest limit
    Semiplano semiplano;  // of the last z, as semiplanoDe tells it
};

// Iterates the point g + h i of the plane from z = 0 with P-bit arithmetic,
// until |z|^2 >= 4 or the step counter passes maxIter (any limit up to
// 2^31 - 1; a negative one gives count 0 and z 0):
//   300:  zr' = (zr*zr - zi*zi) + g              zi' = ((2*zr)*zi) - h
//   305:  zr' = (zr*zr - zi*zi) + g*m1           zi' = ((2*zr)*zi) - h*m1
//   310:  zr' = ((zr*zr - zi*zi) + 0.25) + g*m2  zi' = ((2*zr)*zi) - h*m3
// with t = g*g + h*h and m = 1/(t + epsilon), the epsilons the 80-bit loop's.
// Any other plane leaves z at 0. An orbit that comes back to an earlier P-bit
// value exactly (its sign of zero included) is a cycle: its count and last z
// are those of iterating it to the limit, found without doing so.
// The last z, rounded to the precision of zx and zy, is stored there when they
// are given. Sets the calling thread's exponent range (ampliarExponentes).
// Its MPFR numbers are the thread's, made once per precision.
ResultadoIteracionP iterarPuntoP(int16_t plano, mpfr_srcptr g, mpfr_srcptr h, int32_t maxIter, mpfr_prec_t bits,
                                 mpfr_ptr zx = nullptr, mpfr_ptr zy = nullptr);

// semiplanoDe for a P-bit z. Squares never underflow in MPFR's range, so only
// z = 0 (either sign) is Cero.
Semiplano semiplanoP(mpfr_srcptr zx, mpfr_srcptr zy);

}  // namespace brenquil
