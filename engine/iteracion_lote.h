// The escape-time iteration of many points at once: each point's count and
// half-plane are exactly those of iterarPunto, and most points are decided by
// a certified double-precision path computing several points per instruction
// (docs/certificado-doble.md proves the bound it relies on), or, in deep
// views, by a certified perturbation path that follows each point's
// difference from a reference orbit of the 80-bit loop in double precision
// (docs/certificado-perturbacion.md). The points neither bound decides go
// through iterarPunto.
#pragma once

#include <cstddef>
#include <cstdint>

#include "semiplano.h"

namespace brenquil {

// How a batch is computed.
enum class ViaLote : uint8_t {
    Automatica,  // the widest available, or BRENQUIL_VIA; off where it cannot pay
    X87,         // iterarPunto for every point
    Avx2,        // the double path on 4-wide AVX2 vectors for every point it can decide
    Avx512,      // the same on 8-wide AVX-512 vectors
    Perturbacion,         // certified perturbation on the widest vectors available, for every point it can decide
    PerturbacionAvx2,     // the same on AVX2 vectors
    PerturbacionEscalar,  // the same one point per lane, in scalar double
};

// Whether this processor and system run the path (X87 and Automatica always).
bool viaDisponible(ViaLote via);

// The path Automatica takes: the one named by the environment variable
// BRENQUIL_VIA (x87, avx2, avx512, perturbacion) when it is available, otherwise the
// widest available. Read once.
ViaLote viaAutomatica();

// Iterates the n points g[i] + h[i] i (plane coordinates, as realDePixel and
// imaginarioDePixel give them) on the plane with the limit maxIter, and writes
//   cuentas[i]    = iterarPunto(plano, g[i], h[i], maxIter).cuenta
//   semiplanos[i] = semiplanoDe(zx, zy) of the same call's last z,
// the latter only when semiplanos is not null. The limit is taken as
// limiteEfectivo takes it: a negative limit gives count 0 and Cero, an unknown
// plane count maxIter + 1 and Cero.
//
// Both paths need the thread's x87 precision control at 64 bits (as every
// thread that computes the picture has it) and SSE rounding to nearest
// without flushing to zero; otherwise every point goes through iterarPunto.
// A forced path that is not available is taken as X87. Automatica sends a
// batch of very close points (a deep view) to the perturbation path first,
// which judges the batch by its own first points; after a failed probe the
// thread's next alike batches skip it for a while (a wait that doubles while
// its probes keep failing) and go to the double path, which probes a few of
// them in turn (docs/certificado-doble.md, section 10); where that fails too,
// the rest of the batch and the thread's next few alike batches go to
// iterarPunto at once. Otherwise the double path stops giving points to its
// lanes within a batch when too few are decided by it. The perturbation path
// keeps the thread's last reference orbit for the next batches of the same
// plane and limit near it.
//
// Returns how many points were decided without iterarPunto: by the double or
// the perturbation path, or at their first step (count 1, the loop's own x87 step).
size_t iterarLote(int16_t plano, int16_t maxIter, size_t n, const long double* g, const long double* h,
                  int16_t* cuentas, Semiplano* semiplanos, ViaLote via = ViaLote::Automatica);

// How many points this thread's calls of iterarLote have decided on the
// perturbation path so far (at their first step included): for benchmarks.
uint64_t decididosPorPerturbacion();

}  // namespace brenquil
