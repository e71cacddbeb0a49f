// The yardstick of the program's pictures: the escape-time loop of one pixel
// written out step by step, with nothing hoisted out of the loop, and the
// colouring of a pixel written out from the palette's own definition. Tests
// compare the engine and the programs with these, bit for bit; the benchmarks
// time the engine against the loop.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

#include "iteracion.h"
#include "opciones_color.h"
#include "vista.h"

namespace brenquil {

// A square of the plane: the upper-left corner x + y i and the side.
struct CuadradoPlano {
    long double x;
    long double y;
    long double lado;
};

// Iterates the pixel (px, py) of the square from z = 0. At every step it checks
// the counter against maxIter, then |z|^2 >= 4, then recomputes the pixel's
// point g + h i from the view, reads the plane afresh and, on planes 305 and
// 310, recomputes t and the reciprocals before it updates z. The count and the
// last z are those of the engine's iterarPixel.
//
// A limit above 32766 is taken as 32766, as the engine does: with 32767 the
// counter could never pass the limit and a pixel that does not escape would
// loop for ever.
ResultadoIteracion iterarReferencia(const std::atomic<int16_t>& plano, const CuadradoPlano& vista,
                                    int16_t px, int16_t py, int16_t maxIter);
// The same at a fraction of a pixel, px and py in pixels of the 400-pixel picture.
ResultadoIteracion iterarReferencia(const std::atomic<int16_t>& plano, const CuadradoPlano& vista,
                                    long double px, long double py, int16_t maxIter);

// The colour of a pixel whose iteration with the limit `limite` (already
// capped) gave `cuenta` and the last z, in a colour mode and dwell code;
// nothing when the pixel is not drawn.
std::optional<Color> colorReferencia(int32_t modo, int32_t dwell, int16_t limite, int16_t cuenta, long double zx,
                                     long double zy);

// What a picture shows: plane, colouring, the limit the render uses (the
// stored limit plus the step) and the view.
struct VistaReferencia {
    int16_t plano = 300;
    int32_t modo = 350;
    int32_t dwell = 380;
    int16_t limite = 62;
    CuadradoPlano vista{-4.0L, 8.0L, 16.0L};
};

// The engine's view of the square on a plane with a limit and a colouring.
inline Vista vistaMotor(int16_t plano, const CuadradoPlano& c, int16_t limite, int32_t modo = COLOR_ITERACION,
                        int32_t dwell = DWELL_SI) {
    return Vista{limite, plano, modo, dwell, c.x, c.y, c.lado};
}
inline Vista vistaMotor(const VistaReferencia& v) { return vistaMotor(v.plano, v.vista, v.limite, v.modo, v.dwell); }

// The colour of the pixel (x, y) of the view; nothing when it is not drawn.
std::optional<Color> pixelReferencia(const VistaReferencia& v, int16_t x, int16_t y);

// The colour of sample (s, t) of pixel (x, y) of a picture `ancho` pixels wide
// with `muestras` x `muestras` samples per pixel: the point of the 400-pixel
// picture at column (x * muestras + s) * 400 / (ancho * muestras) and row
// (y * muestras + t) * 400 / (ancho * muestras), the pixel's width being the
// view's side over `ancho`. Black when it is not drawn.
Color muestraReferencia(const VistaReferencia& v, int ancho, int muestras, int x, int y, int s, int t);

// The pixels (x, y) of 0 <= x < ancho, 0 <= y < alto of the view, row by row,
// each coloured by the loop and the colouring above over the colour that
// `fondo` has there (ancho x alto colours, or one colour for all).
std::vector<Color> imagenReferencia(const VistaReferencia& v, int ancho, int alto, const std::vector<Color>& fondo);
std::vector<Color> imagenReferencia(const VistaReferencia& v, int ancho = 400, int alto = 400, Color fondo = NEGRO);

}  // namespace brenquil
