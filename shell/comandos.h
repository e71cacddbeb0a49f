// The menu and keyboard commands of the main window. Interface thread only.
#pragma once

#include <windows.h>

namespace brenquil {

// Carries out the command `id` (a CM_ identifier of recursos.h) on the main
// window; an identifier outside the command table is ignored.
void despacharComando(HWND ventana, WORD id);

}  // namespace brenquil
