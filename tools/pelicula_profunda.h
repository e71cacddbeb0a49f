// The frames of a zoom movie of any depth: each frame's view, the precision
// it is drawn with (the still views' rule, precisionDeVista) and, above 64
// bits, its exact corner and side, so that its PNG draws it again.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "argumentos_render.h"
#include "lienzo.h"
#include "vista.h"

namespace brenquil {

// A view with its depth: the 80-bit view (its limit 32767 when the limit as
// drawn is above it) and what profundizar finds for it.
struct Fotograma {
    Vista vista;
    Profundidad profundidad;
};

// The options of one frame: the movie's, with the frame's depth.
OpcionesRender opcionesDeFotograma(const OpcionesRender& opciones, const Fotograma& fotograma);

// The limit as drawn of frame k of n: from `inicio`'s to `fin`'s in step with
// the depth (linearly in k), inicio + (fin - inicio) k / (n - 1) rounded to
// the nearest integer, halves up; the rule of vistaDeFotograma, in 64-bit
// integers, for limits up to 2^31 - 1.
int64_t limiteDeFotograma(int64_t inicio, int64_t fin, int64_t k, int64_t n);

// The bits a deep movie's frame geometry is computed with: 64 more than the
// deeper end's precision. It depends on the two views and the picture alone,
// never on the machine.
int precisionDePelicula(const Fotograma& inicio, const Fotograma& fin);

// Frame k (0..n-1, n >= 2) of the movie from `inicio` to `fin` (both as
// profundizar left them, for the movie's picture `lienzo`): frame 0 is
// `inicio` and frame n-1 `fin`, exactly. Between them, with t = k / (n - 1)
// and r = fin's side / inicio's side, the side is inicio's times r^t and the
// corner c0 + (c1 - c0) (r^t - 1) / (r - 1) (c0 + (c1 - c0) t when r = 1):
//  - a movie between two views drawn with 64 bits takes the 80-bit frames of
//    vistaDeFotograma, as movies were always drawn;
//  - any other movie computes them from the ends' exact corners and sides
//    with precisionDePelicula bits in MPFR, r^t as exp(t log r) and
//    r^t - 1 as expm1(t log r), each operation correctly rounded to nearest,
//    so that every machine and both builds find the same bits.
// Each frame then takes precisionDeVista of its 80-bit view: at 64 bits its
// corner and side are the 80-bit values, above 64 the values rounded once
// to that precision (and its 80-bit view their rounding, whose own precision
// is no higher, so that the frame's PNG given alone is drawn with the same
// bits). The limit is limiteDeFotograma's; plane, colouring and dwell are
// inicio's, fin's in the last frame.
Fotograma fotogramaDePelicula(const Fotograma& inicio, const Fotograma& fin, const Lienzo& lienzo, int64_t k,
                              int64_t n);

// The frames `primero`..`ultimo` of the movie of `n` frames, appended to
// `fotogramas`; an empty text, or why a frame has no view (a corner or side
// that is not finite in 80 bits).
std::string fotogramasDePelicula(const Fotograma& inicio, const Fotograma& fin, const Lienzo& lienzo, int n,
                                 int primero, int ultimo, std::vector<Fotograma>& fotogramas);

}  // namespace brenquil
