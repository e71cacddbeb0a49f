#include "calculo.h"

#include <system_error>

#include "numeros.h"
#include "precision_x87.h"

namespace brenquil {

std::optional<Color> colorDeCuenta(int16_t k, int16_t m, long double zx, long double zy, int32_t modo,
                                   int32_t dwell) {
    if (dwell == DWELL_SI) return colorDeIndice(modo, int32_t{k} - 1, zx, zy);
    // m + 1 in 32 bits, so that it does not wrap at 32767.
    if (int32_t{k} != int32_t{m} + 1) return std::nullopt;
    return colorDeIndice(modo, m, zx, zy);
}

void pintarPixel(EstadoVisor& estado, VentanaCalculo& ventana, int16_t x, int16_t y) {
    // The colouring uses the same capped limit as the iteration, so pixels that
    // did not escape keep the index of the limit.
    const int16_t m = limiteEfectivo(estado.enfoqueActual.getIteraciones());
    const int16_t k = estado.iterador.iterar(x, y, m);
    const std::optional<Color> color =
        colorDeCuenta(k, m, estado.iterador.getZx(), estado.iterador.getZy(),
                      estado.opcionesColor.modoColor.load(std::memory_order_relaxed),
                      estado.opcionesColor.dwell.load(std::memory_order_relaxed));
    if (color) ventana.ponerPixel(x, y, *color);
}

ControlCalculo::~ControlCalculo() { detenerYEsperar(); }

void ControlCalculo::esperarCalculo() {
    if (hilo_.joinable()) hilo_.join();
}

void ControlCalculo::detenerYEsperar() {
    terminando_.store(true);
    estado_.calculando.store(false);
    esperarCalculo();
    terminando_.store(false);
}

void ControlCalculo::ejecutarCalculo(VentanaCalculo& ventana) {
    esperarCalculo();
    ventana.cursorEspera();
    crearHiloCalculo(ventana);
    ventana.invalidar();
}

void ControlCalculo::alternarCalculo(VentanaCalculo& ventana) {
    if (estado_.calculando.load()) {
        estado_.calculando.store(false);
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
}

void ControlCalculo::crearHiloCalculo(VentanaCalculo& ventana) {
    prepararCalculo(ventana);
    esperarCalculo();
    try {
        hilo_ = std::thread([this] { hiloCalculo(); });
    } catch (const std::system_error&) {
        ventana.cursorNormal();
    }
}

int ControlCalculo::hiloCalculo() {
    fijarPrecisionX87(PrecisionX87::Extendida);
    if (estado_.calculando.exchange(true)) return 0;

    VentanaCalculo& ventana = *ventanaCalculo_.load();
    int16_t lo = ANILLO_INICIAL_BAJO;
    int16_t hi = ANILLO_INICIAL_ALTO;
    // The stop is looked at once per ring, never inside one.
    while (hi <= ANILLO_FINAL_ALTO && estado_.calculando.load() && !terminando_.load()) {
        for (int16_t i = lo; i <= hi; ++i) {
            const int16_t opuesto = envolver16(hi + lo - i);
            pintarPixel(estado_, ventana, i, lo);        // top row, left to right
            pintarPixel(estado_, ventana, lo, opuesto);  // left column, bottom to top
            pintarPixel(estado_, ventana, opuesto, hi);  // bottom row, right to left
            pintarPixel(estado_, ventana, hi, i);        // right column, top to bottom
        }
        --lo;
        ++hi;
    }
    estado_.calculando.store(false);
    ventana.cursorNormal();
    ventana.invalidar();
    return 0;
}

}  // namespace brenquil
