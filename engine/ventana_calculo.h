// The window a render draws on: the seam between the engine and the platform.
// The engine knows nothing of window handles or device contexts; the shell
// implements this over GDI, the tests over memory.
#pragma once

#include <cstdint>
#include <span>

#include "opciones_color.h"

namespace brenquil {

// A pixel of a ring and its colour.
struct PixelColoreado {
    int16_t x;
    int16_t y;
    Color color;
    bool operator==(const PixelColoreado&) const = default;
};

// Which thread of a render a thread hook is called on.
enum class HiloRender { Calculo, Ayudante };

class VentanaCalculo {
public:
    virtual ~VentanaCalculo() = default;

    // Render thread: ring `anillo` (0..200) is complete. Its coloured pixels,
    // in the order the ring visits them, are set on the window and on the
    // picture surface together; positions outside either are ignored there.
    // Pixels of the ring that have no colour are not in the list.
    virtual void pintarAnillo(int anillo, std::span<const PixelColoreado> pixeles) = 0;
    // Interface thread, as a render starts: the hourglass becomes the current
    // cursor and is shown.
    virtual void cursorEspera() = 0;
    // Render thread, as it ends: the normal cursor becomes the current cursor
    // and is shown.
    virtual void cursorNormal() = 0;
    // Either thread: the whole client area is to be repainted from the picture
    // surface, background erased.
    virtual void invalidar() = 0;
    // The render thread and each of its helpers, as the thread begins and
    // before it ends (the render thread only once it has claimed the render).
    virtual void hiloEmpieza(HiloRender) {}
    virtual void hiloTermina(HiloRender) {}
    // Render thread, its last call: the render has ended, after its last ring
    // (completo) or after a stop, and none of its helpers is left.
    virtual void calculoTerminado(bool /*completo*/) {}
    // Interface thread: a start could not create the render thread, so no
    // render follows and calculoTerminado will not come.
    virtual void calculoNoIniciado() {}
};

}  // namespace brenquil
