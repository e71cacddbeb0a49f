// A whole 400 x 400 picture of a view, without a window: either with the
// engine's own render thread or with several workers that share the positions.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "estado_visor.h"
#include "numeros.h"

namespace brenquil {

// A picture position in the ring order of the render thread.
struct PosicionPixel {
    int16_t x;
    int16_t y;
};

inline constexpr int PIXELES_IMAGEN = LADO_IMAGEN * LADO_IMAGEN;

// The 160,000 positions of columns and rows 0..399, each once, in the order in
// which the render thread first visits them: ring by ring from the centre pair
// (199, 200) outwards, the four sides of a ring growing together.
const std::array<PosicionPixel, PIXELES_IMAGEN>& posicionesEnAnillos();

// Called on the calling thread a few times a second while a render runs, with
// the fraction done (0 to 1).
using AvisoProgreso = std::function<void(double)>;

struct ResultadoRender {
    // Row by row, 400 colours per row; black where nothing was drawn.
    std::vector<Color> pixeles;
    // False when no thread could be started or a render was already marked
    // running; the picture is then black.
    bool completo = false;
};

// Renders the current view of `estado` as a render start does: the iteration
// step is added to the limit once, and the corner and side are copied into
// the Iterador. With one thread the engine's render thread draws into a
// picture in memory that starts black; with more, `hilos` workers share the
// positions. The picture is the same either way (see render_vista.cpp). The
// state must not change while this runs, and no render may be running
// (`calculando` clear).
ResultadoRender renderizarVista(EstadoVisor& estado, unsigned hilos, const AvisoProgreso& aviso = {});

}  // namespace brenquil
