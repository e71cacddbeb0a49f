// The window a render draws on, over GDI: the main window and its picture
// surface.
#pragma once

#include <windows.h>

#include <atomic>

#include "superficie.h"
#include "ventana_calculo.h"

namespace brenquil {

class VentanaGdi final : public VentanaCalculo {
public:
    // Draws on `superficies.imagen` and shows its cursors through `cursorActual`;
    // MYCURSORA comes from `instancia`.
    VentanaGdi(Superficies& superficies, std::atomic<HCURSOR>& cursorActual, HINSTANCE instancia)
        : superficies_(superficies), cursorActual_(cursorActual), instancia_(instancia) {}

    // The window that the render draws on. Interface thread, before a render starts.
    void asociar(HWND ventana) { ventana_.store(ventana); }
    HWND ventana() const { return ventana_.load(); }

    // Render thread: the ring's pixels into superficieImagen under the
    // surfaces' lock, then the ring's four edges copied from there to the
    // window through one device context.
    void pintarAnillo(int anillo, std::span<const PixelColoreado> pixeles) override;
    // Interface thread: the system hourglass becomes cursorActual and is shown.
    void cursorEspera() override;
    // Render thread: MYCURSORA becomes cursorActual and is shown.
    void cursorNormal() override;
    // Either thread: the whole client area, background erased.
    void invalidar() override;
    // Each thread of a render: named for debuggers and the process's thread
    // list ("brenquil calculo", "brenquil ayudante").
    void hiloEmpieza(HiloRender hilo) override;

private:
    Superficies& superficies_;
    std::atomic<HCURSOR>& cursorActual_;
    const HINSTANCE instancia_;
    std::atomic<HWND> ventana_{nullptr};
};

}  // namespace brenquil
