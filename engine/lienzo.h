// Pictures of any size of a view, each pixel the average of several samples:
// what brenquil-render draws. At 400 x 400 pixels and one sample they are the
// window's pictures, pixel for pixel.
#pragma once

#include <cstdint>

#include "opciones_color.h"
#include "vista.h"

namespace brenquil {

// A picture of ancho x alto pixels of a view: the view's side spans the
// width, pixels are square, and the rows go down from the view's corner as
// far as the height takes them. Each pixel is the average of muestras x
// muestras samples.
struct Lienzo {
    int ancho = 400;
    int alto = 400;
    int muestras = 1;
};

// Where sample s (0..muestras-1) of pixel p lies along a row or a column, in
// pixels of the 400-pixel picture: (p * muestras + s) * 400 / (ancho *
// muestras), with one rounding. So pixel p of a 400-pixel picture lies at p,
// pixel k*i of a picture k times as wide lies exactly where pixel i of the
// narrower one does, and the samples of a pixel are the pixels of a picture
// muestras times as wide.
long double posicionMuestra(int64_t p, int s, const Lienzo& lienzo);

// Renders the pixels of columns x0..x0+ancho-1 and rows y0..y0+alto-1 of the
// picture `lienzo` of `vista` into `destino` (ancho x alto colours, row by
// row), each sample as colorearMuestras colours it; a sample without a colour
// counts as black.
// A pixel of one sample is that sample's colour; the samples of a pixel are
// otherwise averaged in linear light (sRGB decoded, averaged, encoded again),
// the way light from a finer picture mixes. The calling thread and `ayudantes`
// helpers share the pixels, in extended precision.
void renderizarRectangulo(const Vista& vista, const Lienzo& lienzo, int x0, int y0, int ancho, int alto,
                          unsigned ayudantes, Color* destino);

// The average of colours in linear light.
class PromedioLuz {
public:
    void sumar(Color c);
    // The average of the colours added, each channel encoded back to 8-bit
    // sRGB with correct rounding; n copies of one colour give that colour.
    Color promedio() const;

private:
    uint64_t rojo_ = 0;
    uint64_t verde_ = 0;
    uint64_t azul_ = 0;
    uint64_t n_ = 0;
};

// Whether two neighbouring samples of the picture lie on the same 80-bit
// plane coordinate along some row or column: the view is deeper than
// extended precision resolves at this size, and the picture shows blocks.
bool muestrasConfundidas(const Vista& vista, const Lienzo& lienzo);

}  // namespace brenquil
