// The main window: its class and its procedure. Interface thread only.
#pragma once

#include <windows.h>

namespace brenquil {

inline constexpr char NOMBRE_CLASE[] = "MyWin";
inline constexpr char TITULO_VENTANA[] = "Brenquil";
inline constexpr int ANCHO_VENTANA = 460;
inline constexpr int ALTO_VENTANA = 460;

LRESULT CALLBACK procedimientoVentana(HWND ventana, UINT mensaje, WPARAM wParam, LPARAM lParam);

}  // namespace brenquil
