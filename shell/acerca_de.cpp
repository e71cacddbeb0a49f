// The About box of "&Acerca de" and F11.
#include "dialogos.h"

namespace brenquil {

namespace {

constexpr char TEXTO_ACERCA_DE[] =
    "Brenquil V2.6\n"
    " Hecho en 1998 en el taller Brenquil, a fuerza de iteraciones y cafe.\n"
    " Las versiones nuevas se publican en la pagina del proyecto.\n"
    " Comentarios, dudas y pedidos de ayuda: al buzon del taller Brenquil.\n"
    "\n"
    " Para quienes se asoman al borde del conjunto,\n"
    " donde cada cuadrado esconde otro mas,\n"
    " y para quien ensena que mirar de cerca tambien es viajar.\n"
    "\n"
    " -- taller Brenquil, pieza hecha a mano --";

constexpr char TITULO_ACERCA_DE[] = "Acerca de...";

}  // namespace

void mostrarAcercaDe(HWND ventana) {
    MessageBoxA(ventana, TEXTO_ACERCA_DE, TITULO_ACERCA_DE, MB_OK | MB_ICONINFORMATION);
}

}  // namespace brenquil
