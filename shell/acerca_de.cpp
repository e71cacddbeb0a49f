// The About box of "&Acerca de" and F11.
#include "dialogos.h"

#ifndef BRENQUIL_VERSION
#error "BRENQUIL_VERSION must give the program's version"
#endif

namespace brenquil {

namespace {

// Lines short enough for the box not to wrap them. The first names the
// version of the build.
constexpr char TEXTO_ACERCA_DE[] =
    "Brenquil V" BRENQUIL_VERSION "\n"
    " Hecho en 1998 por el taller Brenquil.\n"
    " Versiones nuevas: la pagina del proyecto.\n"
    " Consultas y comentarios: buzon del taller.\n"
    "\n"
    " A quienes se asoman al borde del conjunto,\n"
    " donde cada cuadrado esconde otro mas,\n"
    " y a quien me invito a mirar de cerca.\n"
    "\n"
    " -- taller Brenquil, hecho a mano --";

constexpr char TITULO_ACERCA_DE[] = "Acerca de...";

}  // namespace

void mostrarAcercaDe(HWND ventana) {
    MessageBoxA(ventana, TEXTO_ACERCA_DE, TITULO_ACERCA_DE, MB_OK | MB_ICONINFORMATION);
}

}  // namespace brenquil
