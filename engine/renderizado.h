// What a picture is made of: the colour of one pixel of a view, and the order
// in which the window's render visits the pixels (square rings from the centre
// outwards). Every picture, the window's and brenquil-render's, is coloured
// by colorearMuestras; the window's render thread paints in the ring order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "opciones_color.h"
#include "vista.h"

namespace brenquil {

// The colours of n samples of the view: sample i lies at column px[i] and row
// py[i] of the 400-pixel picture (a fraction of a pixel for finer pictures).
// Each is coloured by its escape count as the iteration of the point
// realDePixel + imaginarioDePixel i gives it (iterarLote: the double path
// where its bound decides, the x87 loop elsewhere, the same counts either
// way), with the limit capped as the iteration caps it. With DWELL_SI every
// sample is coloured by its count minus one; with any other dwell only a
// sample that did not escape is coloured, by the limit, and an escaped one
// gets `sinColor`: it is not drawn and keeps what was there.
void colorearMuestras(const Vista& vista, size_t n, const long double* px, const long double* py, Color* colores,
                      Color sinColor);

// The colour of a sample whose iteration under the limit m (as drawn, up to
// 2^31 - 1) gave `cuenta` and a last z in `semiplano`, as colorearMuestras
// colours it: by the count minus one with DWELL_SI; with any other dwell by
// m when the sample did not escape (count m + 1), `sinColor` when it did.
Color colorDeCuenta(const Vista& vista, int32_t m, int64_t cuenta, Semiplano semiplano, Color sinColor);

struct PosicionPixel {
    int16_t x;
    int16_t y;
    bool operator==(const PosicionPixel&) const = default;
};

// The window's render order. Ring r (0..200) is the border of the square
// [199 - r, 200 + r]^2; it is visited with i running from its low edge lo to
// its high edge hi, taking at each i one step of each side in turn: the top
// row left to right (i, lo), the left column bottom to top (lo, hi + lo - i),
// the bottom row right to left (hi + lo - i, hi) and the right column top to
// bottom (hi, i). Each position is kept at its first visit (the corners are
// visited twice), and only when it lies in columns and rows 0..lado-1.
class OrdenAnillos {
public:
    static constexpr int ANILLOS = 201;

    // The order of the positions of [0, lado)^2, lado at most 402.
    explicit OrdenAnillos(int lado);

    const std::vector<PosicionPixel>& posiciones() const { return posiciones_; }
    // The index of the first position of ring r in posiciones(); inicio(ANILLOS)
    // is their number.
    int inicio(int anillo) const { return inicios_[static_cast<std::size_t>(anillo)]; }

    // The orders of the window's picture (columns and rows 0..400, which the
    // window shows) and of a 400 x 400 picture (0..399), built once.
    static const OrdenAnillos& ventana();
    static const OrdenAnillos& imagen();

private:
    std::vector<PosicionPixel> posiciones_;
    std::vector<int> inicios_;
};

}  // namespace brenquil
