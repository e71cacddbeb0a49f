#include "renderizado.h"

#include "numeros.h"

namespace brenquil {

std::optional<Color> colorDePixel(const EstadoVisor& estado, const VistaPlano& vista, long double px,
                                  long double py) {
    const int16_t m = limiteEfectivo(estado.enfoqueActual.getIteraciones());
    // One reading of the mode and the dwell code for the whole pixel, so that
    // a change between two readings cannot mix two modes in one colour.
    OpcionesColor opciones;
    opciones.modoColor.store(estado.opcionesColor.modoColor.load(std::memory_order_relaxed),
                             std::memory_order_relaxed);
    opciones.dwell.store(estado.opcionesColor.dwell.load(std::memory_order_relaxed), std::memory_order_relaxed);

    const ResultadoIteracion r =
        iterarPunto(estado.iterador.getPlano(), realDePixel(vista, px), imaginarioDePixel(vista, py), m);
    int32_t n = int32_t{r.cuenta} - 1;
    if (opciones.dwell.load(std::memory_order_relaxed) != DWELL_SI) {
        // m + 1 in 32 bits, so that it does not wrap at 32767.
        if (int32_t{r.cuenta} != int32_t{m} + 1) return std::nullopt;
        n = m;
    }
    return opciones.usaZFinal() ? opciones.colorDescomposicion(n, r.zx, r.zy) : opciones.colorIteracion(n);
}

OrdenAnillos::OrdenAnillos(int lado) {
    std::vector<bool> visitada(static_cast<std::size_t>(lado) * lado, false);
    const auto visitar = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= lado || y >= lado) return;
        const std::size_t i = static_cast<std::size_t>(y) * lado + x;
        if (visitada[i]) return;
        visitada[i] = true;
        posiciones_.push_back({static_cast<int16_t>(x), static_cast<int16_t>(y)});
    };
    inicios_.reserve(ANILLOS + 1);
    for (int r = 0; r < ANILLOS; ++r) {
        inicios_.push_back(static_cast<int>(posiciones_.size()));
        const int lo = 199 - r;
        const int hi = 200 + r;
        for (int i = lo; i <= hi; ++i) {
            visitar(i, lo);
            visitar(lo, hi + lo - i);
            visitar(hi + lo - i, hi);
            visitar(hi, i);
        }
    }
    inicios_.push_back(static_cast<int>(posiciones_.size()));
}

const OrdenAnillos& OrdenAnillos::ventana() {
    static const OrdenAnillos orden(LADO_IMAGEN + 1);
    return orden;
}

const OrdenAnillos& OrdenAnillos::imagen() {
    static const OrdenAnillos orden(LADO_IMAGEN);
    return orden;
}

}  // namespace brenquil
