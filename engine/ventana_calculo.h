// The window a render draws on: the seam between the engine and the platform.
// The engine knows nothing of window handles or device contexts; the shell
// implements this over GDI, the tests and the command-line renderer over memory.
#pragma once

#include <cstdint>

#include "opciones_color.h"

namespace brenquil {

class VentanaCalculo {
public:
    virtual ~VentanaCalculo() = default;

    // Called only on the render thread: sets one pixel on the window, then on
    // the picture surface. Positions outside either target are ignored there.
    virtual void ponerPixel(int16_t x, int16_t y, Color color) = 0;
    // Called on the interface thread as a render starts: the hourglass becomes
    // the current cursor and is shown.
    virtual void cursorEspera() = 0;
    // Called on the render thread as it ends: the normal cursor becomes the
    // current cursor and is shown.
    virtual void cursorNormal() = 0;
    // Called on either thread: the whole client area is to be repainted from
    // the picture surface, background erased.
    virtual void invalidar() = 0;
};

}  // namespace brenquil
