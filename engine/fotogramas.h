// The views of a zoom movie: a sequence of frames from one view to another,
// the side changing geometrically and the one point both views share held
// on the same spot of the picture.
#pragma once

#include <cstdint>

#include "vista.h"

namespace brenquil {

// The view of frame k (0..n-1, n >= 2) of the movie of n frames from
// `inicio` to `fin`, with t = k / (n - 1) and r = fin.lado / inicio.lado:
//  - frame 0 is `inicio` and frame n-1 is `fin`, exactly, every field;
//  - the side of frame k is inicio.lado * r^t;
//  - the corner (each part) is c0 + (c1 - c0) * (r^t - 1) / (r - 1), and
//    c0 + (c1 - c0) * t when the sides are equal (the movie pans): the
//    scaling that takes the rectangle of `inicio` to that of `fin` keeps one
//    point fixed, p = (c1 - c0 r) / (1 - r), and p lies at the same pixel of
//    every frame;
//  - the limit goes linearly in t from inicio's to fin's: inicio's plus
//    (fin's - inicio's) * t, rounded to the nearest integer (halves up);
//  - plane, colouring and dwell are inicio's.
// Every value is computed in 80 bits from +, -, * and / alone (the logarithm
// and the exponential included, to within a few ulps), so every build and
// every processor gives the same bits: frames rendered apart, on other
// machines or by the Windows build, are the same frames. The sides must be
// positive and finite.
Vista vistaDeFotograma(const Vista& inicio, const Vista& fin, int64_t k, int64_t n);

// The natural logarithm of a positive finite x, and e^x - 1 for x <= 0,
// computed as vistaDeFotograma computes them.
long double logaritmoNatural(long double x);
long double exponencialMenosUno(long double x);

}  // namespace brenquil
