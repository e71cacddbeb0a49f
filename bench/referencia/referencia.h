// The escape-time loop of one pixel written out step by step, with nothing
// hoisted out of the loop: the yardstick that the engine's iteration is
// compared with, bit for bit in the tests and for speed in the benchmarks.
#pragma once

#include <atomic>
#include <cstdint>

#include "iteracion.h"

namespace brenquil {

// Iterates the pixel (px, py) of the view from z = 0. At every step it checks
// the counter against maxIter, then |z|^2 >= 4, then recomputes the pixel's
// point g + h i from the view, reads the plane afresh and, on planes 305 and
// 310, recomputes t and the reciprocals before it updates z. The count and the
// last z are those of iterarPixel.
//
// A limit above 32766 is taken as 32766, as the engine does: with 32767 the
// counter could never pass the limit and a pixel that does not escape would
// loop for ever.
ResultadoIteracion iterarReferencia(const std::atomic<int16_t>& plano, const VistaPlano& vista,
                                    int16_t px, int16_t py, int16_t maxIter);

}  // namespace brenquil
