// The render thread, which draws the view in square rings from the centre
// outwards with helper threads computing ahead of it, and its start and stop
// protocol.
#pragma once

#include <atomic>
#include <thread>

#include "iterador.h"
#include "opciones_color.h"
#include "parametros_enfoque.h"
#include "ventana_calculo.h"
#include "vista.h"

namespace brenquil {

// The view that a window's records hold: the limit, corner and side of
// `enfoque`, the plane of `iterador` and the colouring of `opciones`.
Vista vistaDe(const ParametrosEnfoque& enfoque, const Iterador& iterador, const OpcionesColor& opciones);

// The records a window's render works from. A start adds the step to the
// current view's limit and copies its corner and side into the Iterador; the
// render then reads the limit, the plane, the colour mode and the dwell
// afresh for every block of 64 pixels, each one whole, so that a change made
// while it runs reaches the blocks computed after it. It never reads the
// view's own corner and side, which the interface thread may write meanwhile.
struct RegistrosCalculo {
    Iterador& iterador;
    ParametrosEnfoque& enfoque;
    const OpcionesColor& opciones;

    // The view of the next block: the render's copy of the corner and side
    // with the settings as they are now.
    Vista vistaActual() const;
};

// Starts, stops and waits for the render thread. All of its operations run on
// the interface thread.
class ControlCalculo {
public:
    // Each render uses `ayudantes` helper threads beside the render thread.
    explicit ControlCalculo(RegistrosCalculo registros, unsigned ayudantes = 0)
        : registros_(registros), ayudantes_(ayudantes) {}
    ControlCalculo(const ControlCalculo&) = delete;
    ControlCalculo& operator=(const ControlCalculo&) = delete;
    // A render still running is stopped and waited for.
    ~ControlCalculo();

    // Whether a render runs and no stop has been asked of it (`calculando`):
    // set as a render is started, cleared by a stop and by the render thread
    // as it ends.
    bool calculando() const { return calculando_.load(); }

    // Stops a render that runs and waits until its thread has left its ring
    // loop (it finishes the ring it is drawing), shows the hourglass, starts
    // a render of the current view (crearHiloCalculo) and invalidates the
    // window. The window never waits for a whole render: the new one draws
    // every pixel over the stopped one's, but for the pixels it leaves
    // undrawn (Dwell No), which keep what the stopped render drew.
    void ejecutarCalculo(VentanaCalculo& ventana, int16_t incremento);

    // The run/stop toggle: a render that runs is asked to stop after its
    // ring, and the toggle returns at once; otherwise a render is started.
    void alternarCalculo(VentanaCalculo& ventana, int16_t incremento);

    // Asks the render to stop after its ring; a render whose thread has not
    // yet begun draws nothing.
    void detener() { calculando_.store(false); }
    // Waits until the render thread, if any, has ended.
    void esperarCalculo();
    // Stops the render and waits until its thread has ended.
    void detenerYEsperar();

private:
    // Adds `incremento` to the limit, copies the view's corner and side into
    // the Iterador and creates the render thread. When the thread cannot be
    // created the normal cursor is shown again and the window is told
    // (calculoNoIniciado).
    void crearHiloCalculo(VentanaCalculo& ventana, int16_t incremento);
    // The render thread's procedure: computes in extended precision with the
    // helpers and paints the rings in order, looking for a stop before every
    // ring; then clears `calculando`, restores the normal cursor, invalidates
    // the window and reports the end.
    void hiloCalculo(VentanaCalculo& ventana);
    // Computes and paints the rings; true when all were painted.
    bool dibujarAnillos(VentanaCalculo& ventana);

    const RegistrosCalculo registros_;
    const unsigned ayudantes_;
    std::atomic<bool> calculando_{false};
    std::thread hilo_;
};

}  // namespace brenquil
