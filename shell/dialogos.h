// The two modal dialogs of the "&Zoom" menu, the About box, and the Load and
// Save commands with their file dialogs. Interface thread only: each runs
// inside the command dispatch of the main window.
#pragma once

#include <windows.h>

#include <cstdint>

namespace brenquil {

// The procedure of DIALOGOPARAMETROS ("Parametros de Enfoque"): the limit,
// corner and side of the current view. OK stores all four boxes, Default puts
// the start-up view in place at once (a later Cancel keeps it), Cancel reads
// nothing. Never repaints and never starts a render.
INT_PTR CALLBACK dialogoParametros(HWND dialogo, UINT mensaje, WPARAM wParam, LPARAM lParam);

// The procedure of DIALOGOZFACTOR ("Zoom In-Out Factor"). Default only writes
// "2" into the box; OK stores whatever the box holds, 0 and negatives included.
INT_PTR CALLBACK dialogoZFactor(HWND dialogo, UINT mensaje, WPARAM wParam, LPARAM lParam);

// The About box, owned by the main window.
void mostrarAcercaDe(HWND ventana);

// Load and Save of a parameter file chosen in the system's Open and Save
// dialogs, which open on the last path chosen in either (nombreArchivo).
// Load also takes the view inside a PNG of brenquil-render. A cancelled
// dialog changes nothing. A file that gives no view (a PNG without one, a
// file that cannot be read) changes nothing and says so in a message box
// ("Load"); a save that cannot write leaves the old file whole and says so
// in one ("Save"); each names the file and the reason. Load neither repaints
// nor renders: the loaded view is drawn at the next render start.
void cargarParametros(HWND ventana);
void guardarParametros(HWND ventana);

// Helpers of the two dialog procedures.
namespace campos {

// The text of an edit box as a number: at most 79 characters are read (an
// 80-character buffer), and the longest numeric prefix after leading white
// space is taken, 0 when there is none.
long double leerReal(HWND dialogo, int id);
// The same, truncated toward zero with its low 16 bits kept (40000 -> -25536).
int16_t leerEntero16(HWND dialogo, int id);

// "%d" of the value.
void escribirEntero(HWND dialogo, int id, int valor);
// The 40-character text of the parameter file, trailing spaces included.
void escribirReal(HWND dialogo, int id, long double valor);

}  // namespace campos

}  // namespace brenquil
