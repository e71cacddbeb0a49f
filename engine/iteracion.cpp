#include "iteracion.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace brenquil {
namespace {

// Speed, with every result bit-identical to the step-by-step loop:
//
// - g, h, t, the reciprocals and their products with g and h are the same at
//   every step of a pixel, so they are computed once, by the same operations
//   in the same order; each step then costs the two squares (shared by the
//   escape test and the update), one doubling, one product and four sums
//   (five on plane 310).
//   The chain from one z to the next (a square, a difference, a sum) bounds a
//   step at about a dozen cycles of x87 latency. z and c stay on the x87
//   register stack; more live values (several pixels interleaved) spill it to
//   memory, and so would taking the address of z, which is why the bit
//   comparison below works on copies.
//
// - Orbits that settle into an exact cycle are found (Brent's method, below)
//   and not iterated to the limit: the interior of the set, which dominates
//   the cost of high limits, mostly settles within hundreds to a few
//   thousand steps.

// Steps made before any cycle is looked for: most pixels of a view escape
// within them and never pay for the detection.
constexpr int PASOS_SIN_CICLOS = 32;
// The saved point is compared with z once every BLOQUE steps. A repeat found
// at a distance that is a multiple of the period serves as well as the
// period itself, and comparing less often keeps the check off the x87 ports
// that the next step needs.
constexpr int BLOQUE = 8;
// The saved point moves on this many times before the distance doubles.
// Interior orbits take hundreds to thousands of steps to settle into their
// exact cycle, mostly of a short period; a move lands on the cycle at most
// one distance after it has settled, so a distance that grows more slowly
// finds it sooner (about a sixth fewer steps over the whole set than doubling
// at every move), while it still grows without bound for long periods.
constexpr int MUDANZAS_POR_TRAMO = 4;

// The same 80-bit values: sign, exponent and significand, the 10 bytes of the
// x87 format (the rest of a long double is padding). Unlike ==, it tells +0
// from -0 and matches a NaN with the same pattern. The arguments are copies,
// so that z is stored to memory only when this runs, not at every step.
[[gnu::always_inline]] inline bool mismosBits(long double ar, long double ai, long double br,
                                              long double bi) {
    return std::memcmp(&ar, &br, 10) == 0 && std::memcmp(&ai, &bi, 10) == 0;
}

// One step z -> z^2 + c, from z and its two squares:
//   zr' = (zr*zr - zi*zi) + cr             (plane 310: ((zr*zr - zi*zi) + 0.25) + cr)
//   zi' = ((2*zr)*zi) - ci
template <bool Parabola>
[[gnu::always_inline]] inline void paso(long double& zr, long double& zi, long double zr2, long double zi2,
                                        long double cr, long double ci) {
    const long double zo = zr;
    if constexpr (Parabola) {
        zr = ((zr2 - zi2) + 0.25L) + cr;
    } else {
        zr = (zr2 - zi2) + cr;
    }
    zi = ((2.0L * zo) * zi) - ci;
}

// The orbit of one pixel from z = 0 with the constant terms cr and ci.
//
// A step depends on z alone, so once some z_j has the same 80 bits as an
// earlier z_i the orbit repeats z_i .. z_(j-1) for ever. Every one of those
// points has passed the escape test (the loop went on from each of them), and
// z_j, being the same bits as z_i, passes it too: the pixel never escapes, its
// count is maxIter + 1, and its last z is z_(maxIter+1), which lies
// (maxIter + 1 - j) mod (j - i) steps after z_j. Any multiple of the period
// may stand for j - i.
//
// Brent's method: one saved point; z is compared with it, and when the
// distance between them reaches a power of two the saved point moves on to z
// (here the power grows every few moves rather than at every one). Once the
// saved point lies on the cycle and the power is at least the period, the
// next comparison at a multiple of the period finds the repeat. A float
// comparison filters the candidates first: equal bits imply equal or
// unordered values, and only then are the bits compared.
template <bool Parabola>
[[gnu::always_inline]] inline ResultadoIteracion iterarOrbita(long double cr, long double ci, int16_t maxIter) {
    const int fin = int{maxIter} + 1;  // the count of a pixel that does not escape
    long double zr = 0.0L;
    long double zi = 0.0L;
    int k = 0;

    for (const int finSimple = std::min(fin, PASOS_SIN_CICLOS); k < finSimple; ++k) {
        const long double zr2 = zr * zr;
        const long double zi2 = zi * zi;
        if (zr2 + zi2 >= 4.0L) return {static_cast<int16_t>(k), zr, zi};
        paso<Parabola>(zr, zi, zr2, zi2, cr, ci);
    }

    long double guardadoR = zr;
    long double guardadoI = zi;
    int distancia = 0;     // steps from the saved point to z, a multiple of BLOQUE
    int tramo = BLOQUE;    // the distance at which the saved point moves on
    int mudanzas = 0;      // moves of the saved point
    while (fin - k >= BLOQUE) {
#pragma GCC unroll 8
        for (int u = 0; u < BLOQUE; ++u) {
            const long double zr2 = zr * zr;
            const long double zi2 = zi * zi;
            if (zr2 + zi2 >= 4.0L) return {static_cast<int16_t>(k + u), zr, zi};
            paso<Parabola>(zr, zi, zr2, zi2, cr, ci);
        }
        k += BLOQUE;
        distancia += BLOQUE;
        if (__builtin_expect(!std::islessgreater(zr, guardadoR), 0) &&
            mismosBits(zr, zi, guardadoR, guardadoI)) {
            for (int resto = (fin - k) % distancia; resto > 0; --resto) {
                paso<Parabola>(zr, zi, zr * zr, zi * zi, cr, ci);
            }
            return {static_cast<int16_t>(fin), zr, zi};
        }
        if (distancia == tramo) {
            guardadoR = zr;
            guardadoI = zi;
            distancia = 0;
            if (++mudanzas % MUDANZAS_POR_TRAMO == 0) tramo *= 2;
        }
    }

    // Fewer than BLOQUE steps left to the limit.
    for (; k < fin; ++k) {
        const long double zr2 = zr * zr;
        const long double zi2 = zi * zi;
        if (zr2 + zi2 >= 4.0L) break;
        paso<Parabola>(zr, zi, zr2, zi2, cr, ci);
    }
    return {static_cast<int16_t>(k), zr, zi};
}

}  // namespace

ResultadoIteracion iterarPunto(int16_t plano, long double g, long double h, int16_t maxIter) {
    maxIter = limiteEfectivo(maxIter);
    if (maxIter < 0) return {0, 0.0L, 0.0L};

    // One inlined loop per plane, as each plane has always had its own.
    const TerminosPaso c = terminosPaso(plano, g, h);
    switch (plano) {
    case PLANO_CARDIOIDE:
        return iterarOrbita<false>(c.cr, c.ci, maxIter);
    case PLANO_CARDIOIDE_INV:
        return iterarOrbita<false>(c.cr, c.ci, maxIter);
    case PLANO_PARABOLA:
        return iterarOrbita<true>(c.cr, c.ci, maxIter);
    default:
        // z never moves from 0: every step passes the test until the limit.
        return {static_cast<int16_t>(maxIter + 1), 0.0L, 0.0L};
    }
}

}  // namespace brenquil
