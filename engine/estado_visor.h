// The state that the window, the message loop and the render thread share:
// what the picture shows, the zoom square and the flags of their protocols.
// The program has one instance; tests build their own.
#pragma once

#include <atomic>
#include <cstdint>

#include "codigos.h"
#include "iterador.h"
#include "opciones_color.h"
#include "parametros_enfoque.h"

namespace brenquil {

// A square in picture pixels as it is outlined on the window: corners
// (izquierda, arriba) and (derecha, abajo), with derecha = izquierda + side.
struct CuadradoPixeles {
    int16_t izquierda = 0;
    int16_t arriba = 0;
    int16_t derecha = 0;
    int16_t abajo = 0;
};

// The members are built in declaration order: the Iterador, the current view,
// the memorised view, the colour options.
struct EstadoVisor {
    // Plane: interface thread (menu, file). Corner and side: interface thread at
    // a render start. Last z: render thread.
    Iterador iterador{PLANO_CARDIOIDE};
    // Limit: interface thread, and the render start. Everything else: interface thread.
    ParametrosEnfoque enfoqueActual = ParametrosEnfoque::porDefecto();
    // Interface thread.
    ParametrosEnfoque enfoqueMemorizado = ParametrosEnfoque::porDefecto();
    // Interface thread (menu, file); read by the render thread for every pixel.
    OpcionesColor opcionesColor;

    // Added to the limit at every render start. Interface thread.
    std::atomic<int16_t> incrementoIteraciones{32};
    // Factor of Zoom In and Zoom Out. Interface thread.
    int16_t factorZoom = 2;
    // The zoom square waiting for its confirmation. Interface thread.
    CuadradoPixeles cuadradoSeleccion;
    // Interface thread.
    bool zoomPendiente = false;
    bool seleccionando = false;
    bool iterarAlPintar = true;
    // Set by the render thread while it runs its rings; cleared by it at the end
    // and by the interface thread to ask for a stop.
    std::atomic<bool> calculando{false};
};

}  // namespace brenquil
