// "Parametros de Enfoque": the limit, corner and side of the current view.
#include "dialogos.h"
#include "programa.h"
#include "recursos.h"

namespace brenquil {

namespace {

void mostrarEnfoque(HWND dialogo, const ParametrosEnfoque& enfoque) {
    campos::escribirEntero(dialogo, ID_ITERACIONES, enfoque.getIteraciones());
    campos::escribirReal(dialogo, ID_XSUPIZQ, enfoque.getXSupIzq());
    campos::escribirReal(dialogo, ID_YSUPIZQ, enfoque.getYSupIzq());
    campos::escribirReal(dialogo, ID_LADO, enfoque.getLado());
}

// All four are stored, edited or not, so the corner and side of a view reached
// by zooms keep only the 19 significant digits that their texts hold. The
// limit may change under a running render, whose remaining pixels then use
// it; the corner and side of that render were copied at its start.
void aceptar(HWND dialogo) {
    ParametrosEnfoque& enfoque = programa().estado.enfoqueActual;
    enfoque.setIteraciones(campos::leerEntero16(dialogo, ID_ITERACIONES));
    enfoque.setXSupIzq(campos::leerReal(dialogo, ID_XSUPIZQ));
    enfoque.setYSupIzq(campos::leerReal(dialogo, ID_YSUPIZQ));
    enfoque.setLado(campos::leerReal(dialogo, ID_LADO));
    EndDialog(dialogo, 0);
}

// The start-up view takes effect at once, selection square included, and
// stays if the dialog is then cancelled.
void porDefecto(HWND dialogo) {
    ParametrosEnfoque& enfoque = programa().estado.enfoqueActual;
    enfoque = ParametrosEnfoque::porDefecto();
    mostrarEnfoque(dialogo, enfoque);
}

}  // namespace

INT_PTR CALLBACK dialogoParametros(HWND dialogo, UINT mensaje, WPARAM wParam, LPARAM) {
    switch (mensaje) {
    case WM_INITDIALOG:
        mostrarEnfoque(dialogo, programa().estado.enfoqueActual);
        return FALSE;  // no control gets the keyboard focus from the system
    case WM_COMMAND:
        // The control alone decides; the notification code is not looked at.
        switch (LOWORD(wParam)) {
        case IDOK: aceptar(dialogo); return TRUE;
        case IDCANCEL: EndDialog(dialogo, 0); return TRUE;
        case ID_DEFAULT: porDefecto(dialogo); return TRUE;
        default: return FALSE;
        }
    default: return FALSE;
    }
}

}  // namespace brenquil
