#include "renderizado.h"

#include "iteracion.h"
#include "numeros.h"

namespace brenquil {

std::optional<Color> colorDePixel(const Vista& vista, long double px, long double py) {
    const int16_t m = limiteEfectivo(vista.iteraciones);
    const ResultadoIteracion r = iterarPunto(vista.plano, realDePixel(vista, px), imaginarioDePixel(vista, py), m);
    int32_t n = int32_t{r.cuenta} - 1;
    if (vista.dwell != DWELL_SI) {
        // m + 1 in 32 bits, so that it does not wrap at 32767.
        if (int32_t{r.cuenta} != int32_t{m} + 1) return std::nullopt;
        n = m;
    }
    return usaZFinal(vista.modoColor) ? colorDescomposicion(vista.modoColor, n, r.zx, r.zy)
                                      : colorIteracion(vista.modoColor, n);
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
