#include "referencia.h"

#include <cmath>

#include "precision_x87.h"

namespace brenquil {

namespace {

// The loop, for whole pixels (int16_t, as the window's render has them) and
// for fractions of a pixel (long double). The two are kept apart so that the
// benchmarks time the whole-pixel loop as it always was: an 80-bit load of
// the position at every step costs more than the step's arithmetic.
template <typename Posicion>
ResultadoIteracion iterarLiteral(const std::atomic<int16_t>& plano, const CuadradoPlano& vista, Posicion px,
                                 Posicion py, int16_t maxIter) {
    if (maxIter > 32766) maxIter = 32766;

    long double zr = 0.0L;
    long double zi = 0.0L;
    int16_t k = 0;
    for (;;) {
        if (k > maxIter) break;
        if (zr * zr + zi * zi >= 4.0L) break;
        const long double zo = zr;
        const long double g = ((px * 0.01L) * vista.lado) * 0.25L + vista.x;
        const long double h = vista.y - ((py * 0.01L) * vista.lado) * 0.25L;
        switch (plano.load(std::memory_order_relaxed)) {
        case 300:
            zr = (zr * zr - zi * zi) + g;
            zi = ((2.0L * zo) * zi) - h;
            break;
        case 305: {
            const long double t = g * g + h * h;
            const long double m1 = 1.0L / (t + (long double)0.001354);
            zr = (zr * zr - zi * zi) + g * m1;
            zi = ((2.0L * zo) * zi) - h * m1;
            break;
        }
        case 310: {
            const long double t = g * g + h * h;
            const long double m2 = 1.0L / (t + (long double)0.00135410011001);
            const long double m3 = 1.0L / (t + (long double)0.0013540001);
            zr = ((zr * zr - zi * zi) + 0.25L) + g * m2;
            zi = ((2.0L * zo) * zi) - h * m3;
            break;
        }
        default:
            break;
        }
        k = static_cast<int16_t>(k + 1);
    }
    return {k, zr, zi};
}

}  // namespace

ResultadoIteracion iterarReferencia(const std::atomic<int16_t>& plano, const CuadradoPlano& vista, int16_t px,
                                    int16_t py, int16_t maxIter) {
    return iterarLiteral(plano, vista, px, py, maxIter);
}

ResultadoIteracion iterarReferencia(const std::atomic<int16_t>& plano, const CuadradoPlano& vista, long double px,
                                    long double py, int16_t maxIter) {
    return iterarLiteral(plano, vista, px, py, maxIter);
}

namespace {

// 128 sin(a) truncated toward zero, plus 128, modulo 256, with a = n f + phase in doubles.
int canal(int32_t n, double f, double fase) {
    double a = n * f;
    if (fase != 0) a = a + fase;
    const int v = static_cast<int>(std::trunc(128.0 * std::sin(a)));
    return ((v + 128) % 256 + 256) % 256;
}

Color senos(int32_t n, double fase) {
    return static_cast<Color>(canal(n, 0.108, fase) + 256 * canal(n, 0.09, fase) + 65536 * canal(n, 0.05, fase));
}

}  // namespace

std::optional<Color> colorReferencia(int32_t modo, int32_t dwell, int16_t limite, int16_t cuenta, long double zx,
                                     long double zy) {
    int32_t n;
    if (dwell == 380) {
        n = cuenta - 1;
    } else if (int32_t{cuenta} == int32_t{limite} + 1) {
        n = limite;
    } else {
        return std::nullopt;
    }
    switch (modo) {
    case 350:
        return senos(n, 0);
    case 355:
        return n % 2 != 0 ? 0xFFFFFFu : 0u;
    case 365:
    case 370: {
        if (zx * zx + zy * zy == 0) {
            if (modo == 370) return 0xFFFFFFu;
            const int gris = static_cast<int>(std::fmod(static_cast<double>(n), 255.0)) & 0xFF;
            return static_cast<Color>(gris * 0x010101);
        }
        const bool arriba = zy > 0 || (zy == 0 && zx < 0);
        if (modo == 370) return arriba ? 0u : 0xFFFFFFu;
        return senos(n, arriba ? 0 : 0.19);
    }
    default:
        return 0u;
    }
}

std::optional<Color> pixelReferencia(const VistaReferencia& v, int16_t x, int16_t y) {
    // The loop computes in extended precision whatever thread runs it.
    fijarPrecisionX87(PrecisionX87::Extendida);
    const std::atomic<int16_t> plano{v.plano};
    const int16_t limite = v.limite > 32766 ? int16_t{32766} : v.limite;
    const ResultadoIteracion r = iterarReferencia(plano, v.vista, x, y, limite);
    return colorReferencia(v.modo, v.dwell, limite, r.cuenta, r.zx, r.zy);
}

Color muestraReferencia(const VistaReferencia& v, int ancho, int muestras, int x, int y, int s, int t) {
    fijarPrecisionX87(PrecisionX87::Extendida);
    const long double columnas = static_cast<long double>(ancho) * muestras;
    const long double px = static_cast<long double>((int64_t{x} * muestras + s) * 400) / columnas;
    const long double py = static_cast<long double>((int64_t{y} * muestras + t) * 400) / columnas;
    const std::atomic<int16_t> plano{v.plano};
    const int16_t limite = v.limite > 32766 ? int16_t{32766} : v.limite;
    const ResultadoIteracion r = iterarReferencia(plano, v.vista, px, py, limite);
    return colorReferencia(v.modo, v.dwell, limite, r.cuenta, r.zx, r.zy).value_or(0u);
}

std::vector<Color> imagenReferencia(const VistaReferencia& v, int ancho, int alto, const std::vector<Color>& fondo) {
    std::vector<Color> imagen = fondo;
    for (int y = 0; y < alto; ++y)
        for (int x = 0; x < ancho; ++x)
            if (const std::optional<Color> c = pixelReferencia(v, static_cast<int16_t>(x), static_cast<int16_t>(y)))
                imagen[static_cast<size_t>(y) * ancho + x] = *c;
    return imagen;
}

std::vector<Color> imagenReferencia(const VistaReferencia& v, int ancho, int alto, Color fondo) {
    return imagenReferencia(v, ancho, alto, std::vector<Color>(static_cast<size_t>(ancho) * alto, fondo));
}

}  // namespace brenquil
