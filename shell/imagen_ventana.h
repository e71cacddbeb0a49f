// The operations on the main window's picture that the message loop, the
// window procedure and the commands share. Interface thread only.
#pragma once

#include <windows.h>

#include <cstdint>

#include "opciones_color.h"

namespace brenquil {

// The outline of a zoom square: 4000, red 160, green 15, blue 0.
inline constexpr Color COLOR_CONTORNO = 4000;

// A render of the current view on the window (a running render is stopped
// at its ring first), and the run/stop toggle of the right button and F12.
// Both add the step of "&Iterar" to the limit when they start a render.
void ejecutarCalculo(HWND ventana);
void alternarCalculo(HWND ventana);

// Copies the 400 x 400 pixels at (0, 0) of superficieImagen, the picture the
// window shows, into superficieRespaldo, creating it on first use. From the
// picture surface, which holds what the window was painted from: never from
// the screen, where a box or another program's window may lie over the
// picture at this moment.
void guardarRespaldo(HWND ventana);

// Reads the selection square of enfoqueActual into cuadradoSeleccion, with
// derecha = izquierda + side and abajo = arriba + side (16-bit sums).
void leerCuadradoSeleccion();

// Reads the selection square (leerCuadradoSeleccion) and outlines it on
// superficieImagen in COLOR_CONTORNO, each of its 4 * side border pixels once
// (nothing for a side <= 0), invalidating its area, right and bottom edges
// included, without erase. The square then waits for its confirmation
// (zoomPendiente), which the message loop asks for.
void marcarSeleccion(HWND ventana);

}  // namespace brenquil
