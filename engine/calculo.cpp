#include "calculo.h"

#include <system_error>
#include <vector>

#include "precision_x87.h"
#include "renderizado.h"
#include "reparto.h"

namespace brenquil {
namespace {

// Positions a thread takes at a time: small enough that the threads stay close
// to the ring order and the rings complete early, large enough that the
// shared counter is touched rarely.
constexpr int BLOQUE = 64;

// The colour slot of a pixel that is not drawn (colours use 24 bits).
constexpr Color SIN_COLOR = 0xFFFFFFFFu;

}  // namespace

ControlCalculo::~ControlCalculo() { detenerYEsperar(); }

void ControlCalculo::esperarCalculo() {
    if (hilo_.joinable()) hilo_.join();
}

void ControlCalculo::detener() {
    detenido_.store(true);
    estado_.calculando.store(false);
}

void ControlCalculo::detenerYEsperar() {
    detener();
    esperarCalculo();
}

void ControlCalculo::ejecutarCalculo(VentanaCalculo& ventana) {
    esperarCalculo();
    ventana.cursorEspera();
    crearHiloCalculo(ventana);
    ventana.invalidar();
}

void ControlCalculo::alternarCalculo(VentanaCalculo& ventana) {
    // A thread that is created but has not yet set `calculando` counts as a
    // running render: starting again would wait for all of it.
    if (estado_.calculando.load() || arranquePendiente_.load()) {
        detener();
    } else {
        ejecutarCalculo(ventana);
    }
}

void ControlCalculo::prepararCalculo(VentanaCalculo& ventana) {
    ventanaCalculo_.store(&ventana);
    if (!estado_.calculando.load()) {
        estado_.enfoqueActual.sumarIteraciones(estado_.incrementoIteraciones.load(std::memory_order_relaxed));
    }
    estado_.iterador.setX(estado_.enfoqueActual.getXSupIzq());
    estado_.iterador.setY(estado_.enfoqueActual.getYSupIzq());
    estado_.iterador.setLado(estado_.enfoqueActual.getLado());
    detenido_.store(false);
}

void ControlCalculo::crearHiloCalculo(VentanaCalculo& ventana) {
    esperarCalculo();
    prepararCalculo(ventana);
    arranquePendiente_.store(true);
    try {
        hilo_ = std::thread([this] { hiloCalculo(); });
    } catch (const std::system_error&) {
        arranquePendiente_.store(false);
        ventana.cursorNormal();
        ventana.calculoNoIniciado();
    }
}

bool ControlCalculo::sigue() const { return estado_.calculando.load() && !detenido_.load(); }

int ControlCalculo::hiloCalculo() {
    const bool otroCalcula = estado_.calculando.exchange(true);
    arranquePendiente_.store(false);
    if (otroCalcula) return 0;

    VentanaCalculo& ventana = *ventanaCalculo_.load();
    ventana.hiloEmpieza(HiloRender::Calculo);
    // Whatever precision the system started the thread with.
    fijarPrecisionX87(PrecisionX87::Extendida);
    // The stop is looked at before every ring, the first included.
    const bool completo = sigue() && dibujarAnillos(ventana);
    estado_.calculando.store(false);
    ventana.cursorNormal();
    ventana.invalidar();
    ventana.hiloTermina(HiloRender::Calculo);
    ventana.calculoTerminado(completo);
    return 0;
}

bool ControlCalculo::dibujarAnillos(VentanaCalculo& ventana) {
    const OrdenAnillos& orden = OrdenAnillos::ventana();
    const std::vector<PosicionPixel>& posiciones = orden.posiciones();
    // The render's copy of the view, fixed from its start.
    const VistaPlano vista = estado_.iterador.vista();
    std::vector<Color> colores(posiciones.size(), SIN_COLOR);
    std::vector<PixelColoreado> anillo;
    int siguiente = 0;  // the next ring to paint

    TareaEnOrden tarea;
    tarea.calcular = [&](int inicio, int fin) {
        for (int i = inicio; i < fin; ++i) {
            const PosicionPixel p = posiciones[static_cast<std::size_t>(i)];
            colores[static_cast<std::size_t>(i)] = colorDePixel(estado_, vista, p.x, p.y).value_or(SIN_COLOR);
        }
    };
    // Paints every ring that is wholly computed. Once a ring is painted the
    // next one is committed only if no stop has come: a stop ends the render
    // after the ring that was being drawn when it came.
    tarea.avance = [&](int prefijo) {
        while (siguiente < OrdenAnillos::ANILLOS && orden.inicio(siguiente + 1) <= prefijo) {
            anillo.clear();
            for (int i = orden.inicio(siguiente); i < orden.inicio(siguiente + 1); ++i) {
                const Color c = colores[static_cast<std::size_t>(i)];
                const PosicionPixel p = posiciones[static_cast<std::size_t>(i)];
                if (c != SIN_COLOR) anillo.push_back({p.x, p.y, c});
            }
            ventana.pintarAnillo(siguiente, anillo);
            ++siguiente;
            if (siguiente < OrdenAnillos::ANILLOS && !sigue()) return false;
        }
        return true;
    };
    tarea.alEmpezarAyudante = [&] { ventana.hiloEmpieza(HiloRender::Ayudante); };
    tarea.alTerminarAyudante = [&] { ventana.hiloTermina(HiloRender::Ayudante); };
    return calcularEnOrden(static_cast<int>(posiciones.size()), BLOQUE, ayudantes_, tarea);
}

}  // namespace brenquil
