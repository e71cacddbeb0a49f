// A whole 400 x 400 picture of a view, without a window: the engine's render
// thread and its helpers draw it into a picture in memory.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "estado_visor.h"
#include "numeros.h"

namespace brenquil {

inline constexpr int PIXELES_IMAGEN = LADO_IMAGEN * LADO_IMAGEN;

// Called on the calling thread a few times a second while a render runs, with
// the fraction done (0 to 1).
using AvisoProgreso = std::function<void(double)>;

struct ResultadoRender {
    // Row by row, 400 colours per row; black where nothing was drawn.
    std::vector<Color> pixeles;
    // False when the render thread could not be started or a render was
    // already marked running; the picture is then black.
    bool completo = false;
};

// Renders the current view of `estado` as a render start in the window does
// (the iteration step is added to the limit once, and the corner and side are
// copied into the Iterador), with the render thread and hilos - 1 helpers.
// Every thread count gives the same picture. The state must not change while
// this runs, and no render may be running (`calculando` clear).
ResultadoRender renderizarVista(EstadoVisor& estado, unsigned hilos, const AvisoProgreso& aviso = {});

}  // namespace brenquil
