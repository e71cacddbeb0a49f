#include "renderizado.h"
#include "por_hilo.h"

#include "iteracion.h"
#include "iteracion_lote.h"
#include "numeros.h"

namespace brenquil {

void colorearMuestras(const Vista& vista, size_t n, const long double* px, const long double* py, Color* colores,
                      Color sinColor) {
    // Per thread, so that a render does not allocate at every block.
    struct Muestras {
        std::vector<long double> g, h;
        std::vector<int16_t> cuentas;
        std::vector<Semiplano> semiplanos;
    };
    Muestras& muestras = porHilo<Muestras>();
    std::vector<long double>& g = muestras.g;
    std::vector<long double>& h = muestras.h;
    std::vector<int16_t>& cuentas = muestras.cuentas;
    std::vector<Semiplano>& semiplanos = muestras.semiplanos;
    if (g.size() < n) {
        g.resize(n);
        h.resize(n);
        cuentas.resize(n);
        semiplanos.resize(n);
    }
    for (size_t i = 0; i < n; ++i) {
        g[i] = realDePixel(vista, px[i]);
        h[i] = imaginarioDePixel(vista, py[i]);
    }
    const int16_t m = limiteEfectivo(vista.iteraciones);
    const bool porSemiplano = usaZFinal(vista.modoColor);
    iterarLote(vista.plano, m, n, g.data(), h.data(), cuentas.data(), porSemiplano ? semiplanos.data() : nullptr);
    for (size_t i = 0; i < n; ++i) {
        colores[i] = colorDeCuenta(vista, m, cuentas[i], porSemiplano ? semiplanos[i] : Semiplano::Cero, sinColor);
    }
}

Color colorDeCuenta(const Vista& vista, int32_t m, int64_t cuenta, Semiplano semiplano, Color sinColor) {
    // The count is at most m + 1 <= 2^31: the colour's number fits 32 bits.
    auto color = static_cast<int32_t>(cuenta - 1);
    if (vista.dwell != DWELL_SI) {
        // m + 1 in 64 bits, so that it wraps neither at 32767 nor at 2^31 - 1.
        if (cuenta != int64_t{m} + 1) return sinColor;
        color = m;
    }
    return usaZFinal(vista.modoColor) ? colorDescomposicion(vista.modoColor, color, semiplano)
                                      : colorIteracion(vista.modoColor, color);
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
