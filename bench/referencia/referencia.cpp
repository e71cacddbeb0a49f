#include "referencia.h"

namespace brenquil {

ResultadoIteracion iterarReferencia(const std::atomic<int16_t>& plano, const VistaPlano& vista,
                                    int16_t px, int16_t py, int16_t maxIter) {
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

}  // namespace brenquil
