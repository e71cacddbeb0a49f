// The window a render draws on, over GDI: the main window and its picture
// surface.
#pragma once

#include <windows.h>

#include <atomic>

#include "ventana_calculo.h"

namespace brenquil {

class VentanaGdi final : public VentanaCalculo {
public:
    // The window that the render draws on. Interface thread, before a render starts.
    void asociar(HWND ventana) { ventana_.store(ventana); }
    HWND ventana() const { return ventana_.load(); }

    // Render thread: the pixel on the window through a device context of its
    // own, then on superficieImagen under the surfaces' lock.
    void ponerPixel(int16_t x, int16_t y, Color color) override;
    // Interface thread: the system hourglass becomes cursorActual and is shown.
    void cursorEspera() override;
    // Render thread: MYCURSORA becomes cursorActual and is shown.
    void cursorNormal() override;
    // Either thread: the whole client area, background erased.
    void invalidar() override;

private:
    std::atomic<HWND> ventana_{nullptr};
};

}  // namespace brenquil
