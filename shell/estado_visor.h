// The window's state: what the picture shows, the zoom square and the flags
// of the window's protocols. The program has one instance (Programa); the
// render reads the records it needs through RegistrosCalculo.
#pragma once

#include <atomic>
#include <cstdint>

#include "calculo.h"
#include "codigos.h"
#include "iterador.h"
#include "opciones_color.h"
#include "parametros_enfoque.h"
#include "vista.h"

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
    // a render start. Its last z is not used by the window.
    Iterador iterador{PLANO_CARDIOIDE};
    // Limit: interface thread, and the render start. Everything else: interface thread.
    ParametrosEnfoque enfoqueActual = ParametrosEnfoque::porDefecto();
    // Interface thread.
    ParametrosEnfoque enfoqueMemorizado = ParametrosEnfoque::porDefecto();
    // Interface thread (menu, file); read by the render threads for every block of pixels.
    OpcionesColor opcionesColor;

    // Added to the limit at every render start. Interface thread.
    int16_t incrementoIteraciones = 32;
    // Factor of Zoom In and Zoom Out. Interface thread.
    int16_t factorZoom = 2;
    // The zoom square waiting for its confirmation. Interface thread.
    CuadradoPixeles cuadradoSeleccion;
    // Interface thread.
    bool zoomPendiente = false;
    bool seleccionando = false;
    bool iterarAlPintar = true;

    // What the render reads and its start writes.
    RegistrosCalculo registrosCalculo() { return {iterador, enfoqueActual, opcionesColor}; }

    // The view a parameter file holds: the current view's limit, corner and
    // side, the Iterador's plane and the colour options.
    Vista vista() const { return vistaDe(enfoqueActual, iterador, opcionesColor); }

    // Stores a view into those places; touches nothing else (selection,
    // memorised view, step).
    void ponerVista(const Vista& v) {
        enfoqueActual.setIteraciones(v.iteraciones);
        iterador.setPlano(v.plano);
        opcionesColor.modoColor.store(v.modoColor, std::memory_order_relaxed);
        opcionesColor.dwell.store(v.dwell, std::memory_order_relaxed);
        enfoqueActual.setXSupIzq(v.xSupIzq);
        enfoqueActual.setYSupIzq(v.ySupIzq);
        enfoqueActual.setLado(v.lado);
    }
};

}  // namespace brenquil
