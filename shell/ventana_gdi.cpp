#include "ventana_gdi.h"

#include "estado_programa.h"

namespace brenquil {

void VentanaGdi::ponerPixel(int16_t x, int16_t y, Color color) {
    const HWND v = ventana();
    // One context per pixel: the render thread keeps none between pixels.
    if (HDC dc = GetDC(v)) {
        SetPixel(dc, x, y, color);
        ReleaseDC(v, dc);
    }
    std::lock_guard<std::mutex> cerrojo(superficies.cerrojo);
    SetPixel(superficies.imagen.dc(), x, y, color);
}

void VentanaGdi::cursorEspera() {
    cursorActual.store(LoadCursorA(nullptr, IDC_WAIT));
    SetCursor(cursorActual.load());
}

void VentanaGdi::cursorNormal() {
    cursorActual.store(LoadCursorA(instancia, "MYCURSORA"));
    SetCursor(cursorActual.load());
}

void VentanaGdi::invalidar() { InvalidateRect(ventana(), nullptr, TRUE); }

}  // namespace brenquil
