// The main window: its class, its procedure, and the operations on its
// picture that the message loop and the commands share. Interface thread only.
#pragma once

#include <windows.h>

#include <cstdint>

#include "opciones_color.h"

namespace brenquil {

inline constexpr char NOMBRE_CLASE[] = "MyWin";
inline constexpr char TITULO_VENTANA[] = "Brenquil";
inline constexpr int ANCHO_VENTANA = 460;
inline constexpr int ALTO_VENTANA = 460;

// The outline of a zoom square: 4000, red 160, green 15, blue 0.
inline constexpr Color COLOR_CONTORNO = 4000;

LRESULT CALLBACK procedimientoVentana(HWND ventana, UINT mensaje, WPARAM wParam, LPARAM lParam);

// A render of the current view on the window (waits for a running render to
// end first), and the run/stop toggle of the right button and F12.
void ejecutarCalculo(HWND ventana);
void alternarCalculo(HWND ventana);

// Copies the 400 x 400 pixels at (0, 0) of superficieImagen, the picture the
// window shows, into superficieRespaldo, creating it on first use.
void guardarRespaldo(HWND ventana);

// Outlines the square with corner (izquierda, arriba) and side `lado` on
// superficieImagen in COLOR_CONTORNO, each of its 4 * lado border pixels once,
// and invalidates its area (right and bottom edges included) without erase.
// Nothing is drawn when lado <= 0.
void marcarCuadrado(HWND ventana, int16_t izquierda, int16_t arriba, int16_t lado);

// Reads the selection square of enfoqueActual into cuadradoSeleccion, with
// derecha = izquierda + side and abajo = arriba + side (16-bit sums).
void leerCuadradoSeleccion();

}  // namespace brenquil
