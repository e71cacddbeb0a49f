// "Zoom In-Out Factor": the factor of Zoom In and Zoom Out.
#include "dialogos.h"
#include "programa.h"
#include "recursos.h"

namespace brenquil {

namespace {

constexpr int FACTOR_POR_DEFECTO = 2;

// Every value is taken, 0 and negatives too: Zoom In and Zoom Out decide what
// such a factor does.
void aceptar(HWND dialogo) {
    programa().estado.factorZoom = campos::leerEntero16(dialogo, ID_FACTOR);
    EndDialog(dialogo, 0);
}

}  // namespace

INT_PTR CALLBACK dialogoZFactor(HWND dialogo, UINT mensaje, WPARAM wParam, LPARAM) {
    switch (mensaje) {
    case WM_INITDIALOG:
        campos::escribirEntero(dialogo, ID_FACTOR, programa().estado.factorZoom);
        return FALSE;  // no control gets the keyboard focus from the system
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: aceptar(dialogo); return TRUE;
        case IDCANCEL: EndDialog(dialogo, 0); return TRUE;
        // Only the text: the factor changes if OK follows.
        case ID_DEFAULT: campos::escribirEntero(dialogo, ID_FACTOR, FACTOR_POR_DEFECTO); return TRUE;
        default: return FALSE;
        }
    default: return FALSE;
    }
}

}  // namespace brenquil
