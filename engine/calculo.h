// The render thread, which draws the view in square rings from the centre
// outwards with helper threads computing ahead of it, and its start and stop
// protocol.
#pragma once

#include <atomic>
#include <thread>

#include "estado_visor.h"
#include "ventana_calculo.h"

namespace brenquil {

// Starts, stops and waits for the render thread. One per EstadoVisor; all of
// its operations but hiloCalculo run on the interface thread.
class ControlCalculo {
public:
    // Each render uses `ayudantes` helper threads beside the render thread.
    explicit ControlCalculo(EstadoVisor& estado, unsigned ayudantes = 0) : estado_(estado), ayudantes_(ayudantes) {}
    ControlCalculo(const ControlCalculo&) = delete;
    ControlCalculo& operator=(const ControlCalculo&) = delete;
    // A render still running is stopped and waited for.
    ~ControlCalculo();

    // Waits until no render thread is left (a running render draws all its
    // rings first, a stopped one finishes its ring), shows the hourglass,
    // starts a render of the current view and invalidates the window.
    void ejecutarCalculo(VentanaCalculo& ventana);

    // The run/stop toggle: a render that runs, or whose thread has been
    // created but has not yet claimed the render, is asked to stop after its
    // ring (the latter then draws nothing); otherwise a render is started.
    // A stop returns at once.
    void alternarCalculo(VentanaCalculo& ventana);

    // Asks the render, running or starting, to stop after its ring: clears
    // `calculando`, and keeps a thread that has not yet claimed the render
    // from drawing anything.
    void detener();
    // Stops the render and waits until its thread has ended, as the window closes.
    void detenerYEsperar();
    // Waits until the render thread, if any, has ended by itself.
    void esperarCalculo();

    // The first part of a start: records the window, adds the iteration step
    // to the limit when no render runs and copies the view into the Iterador.
    void prepararCalculo(VentanaCalculo& ventana);
    // Waits for the previous render thread, then prepararCalculo and a new
    // render thread. When the thread cannot be created the normal cursor is
    // shown again and the window is told (calculoNoIniciado).
    void crearHiloCalculo(VentanaCalculo& ventana);

    // The render thread's procedure: claims the render with one atomic
    // test-and-set of `calculando` (a thread that finds it set ends at once,
    // touching nothing), computes in extended precision with the helpers and
    // paints the rings in order, looking for a stop before every ring; then
    // clears `calculando`, restores the normal cursor, invalidates the window
    // and reports the end. Returns 0.
    int hiloCalculo();

private:
    // Whether the render may go on to its next ring.
    bool sigue() const;
    // Computes and paints the rings; true when all were painted.
    bool dibujarAnillos(VentanaCalculo& ventana);

    EstadoVisor& estado_;
    const unsigned ayudantes_;
    std::atomic<VentanaCalculo*> ventanaCalculo_{nullptr};
    // Set while a render thread exists that has not yet claimed the render:
    // for the toggle, that render is running.
    std::atomic<bool> arranquePendiente_{false};
    // Set by a stop; cleared by the next start. Looked at before every ring,
    // so that a stop also reaches a thread that claims the render after it.
    std::atomic<bool> detenido_{false};
    std::thread hilo_;
};

}  // namespace brenquil
