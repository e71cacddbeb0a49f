// The render: one pixel coloured and drawn, and the render thread that visits
// the 400 x 400 view in square rings from the centre outwards, with its start
// and stop protocol.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <thread>

#include "estado_visor.h"
#include "ventana_calculo.h"

namespace brenquil {

// The colour of a pixel whose iteration with the limit m gave the count k and
// the last z: with DWELL_SI every pixel is coloured by k - 1; with any other
// dwell only a pixel that did not escape (k = m + 1) is coloured, by m, and an
// escaped one has no colour (it is not drawn).
std::optional<Color> colorDeCuenta(int16_t k, int16_t m, long double zx, long double zy, int32_t modo,
                                   int32_t dwell);

// Iterates the pixel (x, y) with the current limit, plane and colour options
// and draws its colour; with a dwell other than DWELL_SI only pixels that did
// not escape are drawn. Render thread only.
void pintarPixel(EstadoVisor& estado, VentanaCalculo& ventana, int16_t x, int16_t y);

// Positions of the render: ring r (0..200) is the border of the square
// [199 - r, 200 + r]^2, its four sides grown one step each at a time.
inline constexpr int16_t ANILLO_INICIAL_BAJO = 199;
inline constexpr int16_t ANILLO_INICIAL_ALTO = 200;
inline constexpr int16_t ANILLO_FINAL_ALTO = 400;

// Starts, stops and waits for the render thread. One per EstadoVisor; all of
// its operations but hiloCalculo run on the interface thread.
class ControlCalculo {
public:
    explicit ControlCalculo(EstadoVisor& estado) : estado_(estado) {}
    ControlCalculo(const ControlCalculo&) = delete;
    ControlCalculo& operator=(const ControlCalculo&) = delete;
    // A render still running is asked to stop and waited for.
    ~ControlCalculo();

    // Waits until no render thread is left in its ring loop (a running render
    // draws all its rings first, a stopped one finishes its ring), shows the
    // hourglass, starts a render of the current view and invalidates the window.
    void ejecutarCalculo(VentanaCalculo& ventana);

    // The run/stop toggle: a running render is asked to stop after its ring;
    // otherwise a render is started.
    void alternarCalculo(VentanaCalculo& ventana);

    // Ends the render for good, as the window closes: a running render stops
    // after its ring, and so does one whose thread has not yet claimed the
    // render (a plain stop would be lost on it). Waits until the thread has ended.
    void detenerYEsperar();
    // Waits until the render thread, if any, has ended by itself.
    void esperarCalculo();

    // The first part of a start: records the window, adds the iteration step
    // to the limit when no render runs and copies the view into the Iterador.
    void prepararCalculo(VentanaCalculo& ventana);
    // prepararCalculo, then the render thread. A thread that cannot be created
    // leaves the normal cursor shown.
    void crearHiloCalculo(VentanaCalculo& ventana);

    // The render thread's procedure: sets extended precision, claims the render
    // with one atomic test-and-set of `calculando` (a thread that finds it set
    // ends at once, touching nothing), draws rings until the last or until
    // `calculando` is found clear before a ring, then clears it, restores the
    // normal cursor and invalidates the window. Returns 0.
    int hiloCalculo();

private:
    EstadoVisor& estado_;
    std::atomic<VentanaCalculo*> ventanaCalculo_{nullptr};
    // Set only while detenerYEsperar waits; looked at before every ring.
    std::atomic<bool> terminando_{false};
    std::thread hilo_;
};

}  // namespace brenquil
