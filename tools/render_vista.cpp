#include "render_vista.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "calculo.h"
#include "iteracion.h"
#include "precision_x87.h"
#include "ventana_memoria.h"

namespace brenquil {
namespace {

using namespace std::chrono_literals;

constexpr auto INTERVALO_AVISO = 200ms;
// Positions a worker takes at a time: small enough that the workers stay close
// to the ring order and finish together, large enough that the shared counter
// is touched rarely.
constexpr int BLOQUE = 128;
// The render thread makes 8r + 8 calls on ring r: 162,408 over the 201 rings.
constexpr double LLAMADAS_RENDER = 162408.0;

// The ring of a position: the border of [199 - r, 200 + r]^2.
int anilloDe(int x, int y) {
    return std::max(ANILLO_INICIAL_BAJO - std::min(x, y), std::max(x, y) - ANILLO_INICIAL_ALTO);
}

// Wakes the waiting thread when a render ends; the progress is read without a lock.
class Fin {
public:
    void avisar() {
        std::lock_guard<std::mutex> lock(mutex_);
        terminado_ = true;
        cambio_.notify_all();
    }
    // Waits until avisar(), calling `cada` at every interval meanwhile.
    template <typename F>
    void esperar(F&& cada) {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!cambio_.wait_for(lock, INTERVALO_AVISO, [this] { return terminado_; })) {
            lock.unlock();
            cada();
            lock.lock();
        }
    }

private:
    std::mutex mutex_;
    std::condition_variable cambio_;
    bool terminado_ = false;
};

// The picture of the render thread, which also tells how far the rings got and
// when the thread has ended.
class VentanaRender : public VentanaMemoria {
public:
    explicit VentanaRender(Fin& fin)
        : VentanaMemoria(LADO_IMAGEN, LADO_IMAGEN, NEGRO), fin_(fin), hiloCreador_(std::this_thread::get_id()) {}

    void ponerPixel(int16_t x, int16_t y, Color color) override {
        // Only the render thread writes the ring; a pixel that is not drawn
        // (an escaped one under DWELL_NO) simply does not advance it.
        const int anillo = anilloDe(x, y);
        if (anillo > anillo_.load(std::memory_order_relaxed)) anillo_.store(anillo, std::memory_order_relaxed);
        VentanaMemoria::ponerPixel(x, y, color);
    }

    // The render thread restores the cursor as it ends. The same call on the
    // creating thread means that the thread could not be created.
    void cursorNormal() override {
        VentanaMemoria::cursorNormal();
        if (std::this_thread::get_id() != hiloCreador_) {
            renderizado_.store(true);
            fin_.avisar();
        } else {
            fallido_.store(true);
        }
    }

    double progreso() const {
        const int r = anillo_.load(std::memory_order_relaxed);
        return r < 0 ? 0.0 : 4.0 * r * (r + 1) / LLAMADAS_RENDER;  // the calls of the rings before r
    }
    bool renderizado() const { return renderizado_.load(); }
    bool fallido() const { return fallido_.load(); }

private:
    Fin& fin_;
    std::thread::id hiloCreador_;
    std::atomic<int> anillo_{-1};
    std::atomic<bool> renderizado_{false};
    std::atomic<bool> fallido_{false};
};

ResultadoRender conHiloCalculo(EstadoVisor& estado, const AvisoProgreso& aviso) {
    // A render thread that finds `calculando` set ends at once without a word,
    // and nothing would ever tell this thread that it has.
    if (estado.calculando.load()) return {std::vector<Color>(PIXELES_IMAGEN, NEGRO), false};
    Fin fin;
    VentanaRender ventana(fin);
    ControlCalculo control(estado);
    control.ejecutarCalculo(ventana);
    if (!ventana.fallido()) {
        fin.esperar([&] {
            if (aviso) aviso(ventana.progreso());
        });
    }
    control.esperarCalculo();
    return {ventana.pixeles(), ventana.renderizado()};
}

// What every worker reads: the view as the render start left it, fixed for the
// whole render.
struct Trabajo {
    int16_t plano;
    VistaPlano vista;
    int16_t limite;
    int32_t modoColor;
    int32_t dwell;
    VentanaMemoria& ventana;
    std::atomic<int> siguiente{0};  // the next position of posicionesEnAnillos() to hand out
    std::atomic<int> hechos{0};
};

// One worker: takes blocks of positions in ring order until none is left and
// colours each one as pintarPixel does: the same capped limit, iterarPixel and
// colorDeCuenta, the pixel drawn only when it has a colour.
void trabajar(Trabajo& t) {
    // Like the render thread, whatever precision the thread started with.
    fijarPrecisionX87(PrecisionX87::Extendida);
    const auto& posiciones = posicionesEnAnillos();
    for (;;) {
        const int inicio = t.siguiente.fetch_add(BLOQUE, std::memory_order_relaxed);
        if (inicio >= PIXELES_IMAGEN) break;
        const int fin = std::min(inicio + BLOQUE, PIXELES_IMAGEN);
        for (int i = inicio; i < fin; ++i) {
            const PosicionPixel p = posiciones[i];
            const ResultadoIteracion r = iterarPixel(t.plano, t.vista, p.x, p.y, t.limite);
            const std::optional<Color> color = colorDeCuenta(r.cuenta, t.limite, r.zx, r.zy, t.modoColor, t.dwell);
            if (color) t.ventana.ponerPixel(p.x, p.y, *color);
        }
        t.hechos.fetch_add(fin - inicio, std::memory_order_relaxed);
    }
}

// Why the workers draw the same picture as the render thread, whatever their
// number and timing: in the window the interface thread may change the plane,
// limit, colour mode or dwell between two pixels, which is what makes the
// render order matter there. Here nothing changes them once the render has
// started, so the colour of a position depends on the position alone. The
// render thread draws each ring corner twice with that same colour, and its
// positions -1 and 400 fall outside the picture; every position of 0..399 is
// handed to exactly one worker, which writes only its own pixel (distinct
// elements of the picture, so the workers never write the same memory).
ResultadoRender conTrabajadores(EstadoVisor& estado, unsigned hilos, const AvisoProgreso& aviso) {
    VentanaMemoria ventana(LADO_IMAGEN, LADO_IMAGEN, NEGRO);
    {
        ControlCalculo control(estado);
        control.prepararCalculo(ventana);  // the step and the view copy of a render start
    }
    Trabajo t{estado.iterador.getPlano(),
              estado.iterador.vista(),
              limiteEfectivo(estado.enfoqueActual.getIteraciones()),
              estado.opcionesColor.modoColor.load(),
              estado.opcionesColor.dwell.load(),
              ventana};

    Fin fin;
    std::atomic<unsigned> activos{0};
    std::vector<std::thread> trabajadores;
    for (unsigned i = 0; i < hilos; ++i) {
        activos.fetch_add(1);
        try {
            trabajadores.emplace_back([&] {
                trabajar(t);
                if (activos.fetch_sub(1) == 1) fin.avisar();
            });
        } catch (const std::system_error&) {
            // The workers already running share the positions among themselves.
            activos.fetch_sub(1);
            break;
        }
    }
    if (trabajadores.empty()) return {ventana.pixeles(), false};
    fin.esperar([&] {
        if (aviso) aviso(t.hechos.load(std::memory_order_relaxed) / double(PIXELES_IMAGEN));
    });
    for (std::thread& h : trabajadores) h.join();
    return {ventana.pixeles(), true};
}

}  // namespace

const std::array<PosicionPixel, PIXELES_IMAGEN>& posicionesEnAnillos() {
    static const std::array<PosicionPixel, PIXELES_IMAGEN> posiciones = [] {
        std::array<PosicionPixel, PIXELES_IMAGEN> p{};
        std::vector<bool> vista(PIXELES_IMAGEN, false);
        std::size_t n = 0;
        const auto visitar = [&](int x, int y) {
            if (x < 0 || y < 0 || x >= LADO_IMAGEN || y >= LADO_IMAGEN) return;
            const std::size_t indice = static_cast<std::size_t>(y) * LADO_IMAGEN + x;
            if (vista[indice]) return;
            vista[indice] = true;
            p[n++] = {static_cast<int16_t>(x), static_cast<int16_t>(y)};
        };
        // The render thread's loop, over ints since nothing here wraps.
        for (int lo = ANILLO_INICIAL_BAJO, hi = ANILLO_INICIAL_ALTO; hi <= ANILLO_FINAL_ALTO; --lo, ++hi) {
            for (int i = lo; i <= hi; ++i) {
                visitar(i, lo);
                visitar(lo, hi + lo - i);
                visitar(hi + lo - i, hi);
                visitar(hi, i);
            }
        }
        return p;
    }();
    return posiciones;
}

ResultadoRender renderizarVista(EstadoVisor& estado, unsigned hilos, const AvisoProgreso& aviso) {
    if (hilos <= 1) return conHiloCalculo(estado, aviso);
    return conTrabajadores(estado, hilos, aviso);
}

}  // namespace brenquil
