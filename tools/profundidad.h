// Views deeper than 80-bit numbers resolve: the precision a view is drawn
// with, its corner and side to that precision, and its pixels computed with
// P-bit significands (iterarPuntoP) on every core.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "argumentos_render.h"
#include "lienzo.h"
#include "registro_dibujo.h"
#include "vista.h"

namespace brenquil {

// The bits the pixels of `vista` (its 80-bit corner and side) are computed
// with in the picture `lienzo`: 64 when the 80-bit grid resolves the view
// (no two neighbouring samples share a coordinate: muestrasConfundidas), so
// that such a view is drawn as it always was. Otherwise, with the spacing of
// the samples s = side / (width * samples) and
//   b = ceil(log2(max(|x|, |y|, |x + side|, |y - side|, side) / s)),
// the bits that tell the farthest coordinate from its neighbour, it is
// 32 * ceil((b + 48) / 32): 48 guard bits, rounded up to a multiple of 32.
// b is measured on the 80-bit values (the quotient rounded once to 64 bits),
// which decide it up to a power of 2 that the guard bits cover.
int precisionDeVista(const Vista& vista, const Lienzo& lienzo);

// Where the view's exact corner and side come from besides the options: a
// PNG's record that holds them to more than 80 bits.
struct BaseExacta {
    int precision = PRECISION_80;
    std::string x, y, lado;
    int32_t limite = 0;  // the record's limit above 32767, or 0
};

// The exact values of a deep view's record (`dibujo`, when it is trusted: a
// record the "Brenquil view" text still agrees with), or none.
BaseExacta baseDeDibujo(const std::optional<Dibujo>& dibujo);

// Finds the depth of `vista`, the view vistaFinal made of `base` (the file's
// or start-up view, with `exacta` its exact values) and the options, and
// stores it in `o.profundidad`:
//  - the limit: a limit above 32767 (--iterations, or the file's record when
//    no --iterations is given) plus the step is the limit as drawn, up to
//    2^31 - 1; the view keeps 32767, the most a parameter file holds;
//  - the precision, precisionDeVista (at least the file's, when the options
//    leave its corner and side as they are);
//  - above 64 bits, the corner and side again, each option's text read
//    exactly and rounded once to the precision (to nearest), and what is
//    derived from them, as vistaFinal derives it, each operation rounded to
//    the precision: the side 2 * R or 4 / M, the centre kept by a radius or
//    zoom x + side / 2, y - ((side * height) / width) / 2, the corner from a
//    centre cx - side / 2, cy + ((side * height) / width) / 2. The view's
//    80-bit corner and side become these values rounded to nearest.
void profundizar(Vista& vista, const Vista& base, const BaseExacta& exacta, OpcionesRender& o);

// Whether the view is drawn with renderizarProfundo rather than the 80-bit
// renderer: deeper than 80 bits, or with a limit above 32767.
bool dibujoProfundo(const Profundidad& p);

// renderizarRectangulo for a view of `p`: each sample's point from
// posicionMuestraP, realDePixelP and imaginarioDePixelP, iterated as
// iterarPuntoP iterates it, all with p.precision bits (64 for the 80-bit
// corner and side of `vista`), coloured by colorDeCuenta; the calling thread
// and `ayudantes` helpers share the pixels. Where the perturbation bound
// holds (perturbacionPSirve: up to 530 bits) the samples go in batches
// through iterarLoteP against one reference orbit for the whole rectangle,
// the sample of a few (its centre first) that goes furthest; with
// BRENQUIL_VIA=x87, or deeper, each through iterarPuntoP. The pictures are
// the same either way.
void renderizarProfundo(const Vista& vista, const Profundidad& p, const Lienzo& lienzo, int x0, int y0, int ancho,
                        int alto, unsigned ayudantes, Color* destino);

}  // namespace brenquil
