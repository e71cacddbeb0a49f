// libFuzzer target of iterarLote's perturbation path against iterarPunto:
// every point of a batch gets the count of iterarPunto and, when asked, the
// half-plane of its last z. The batches are what the path finds hard: deep
// clusters of pixels around boundary, parabolic and Misiurewicz points and
// the tip -2 (orbits that linger near |z| = 2 and meet |z|^2 = 4 within an
// ulp late), whose middle point (the reference) may escape early or never,
// points far from the cluster, points on or next to the real axis (zi near 0
// at the limit), and several batches in a row of one view, so that the
// thread's reference is kept, replaced or refused.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "iteracion.h"
#include "iteracion_lote.h"
#include "lote_comun.h"
#include "precision_x87.h"

using namespace brenquil;

namespace {

const std::complex<long double> CERCANOS[] = {
    {-0.743643887037158704752191506114774L, 0.131825904205311970493132056385139L},  // seahorse valley
    {-0.7756837680090542975L, -0.1364673682946906247L},                             // a deep spiral
    {0.25L, 0.0L},                                                                  // parabolic cusp
    {-0.75L, 0.0L},                                                                 // parabolic, valley
    {-1.25L, 0.0L},                                                                 // period 2 / 4 contact
    {-2.0L, 0.0L},                                                                  // the tip
    {-1.401155189092050585L, 0.0L},                                                 // Feigenbaum point
    {-1.7548776662466927600L, 0.0L},                                                // period 3 centre
    {0.0L, 1.0L},                                                                   // Misiurewicz
    {-0.10109636384562L, 0.95628651080914L},                                        // Misiurewicz
    {-0.1225611668766536L, 0.7448617666197442L},                                    // period 3 centre
    {-1.25L, 0.02L},
    {-0.16L, 1.04L},
    {0.2925L, 0.015L},
    {0.360284L, 0.641216L},
};

int16_t limite(FuzzedDataProvider& d) {
    static const int16_t ESPECIALES[] = {-1, 0, 1, 2, 32, 33, 100, 1000, 4097, 32765, 32766, 32767};
    if (d.ConsumeIntegralInRange<int>(0, 2) == 0) {
        return ESPECIALES[d.ConsumeIntegralInRange<size_t>(0, std::size(ESPECIALES) - 1)];
    }
    return d.ConsumeIntegralInRange<int16_t>(1, static_cast<int16_t>((1 << d.ConsumeIntegralInRange<int>(1, 15)) - 1));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, std::size_t n) {
    FuzzedDataProvider d(datos, n);
    static const int16_t PLANOS[] = {PLANO_CARDIOIDE, PLANO_CARDIOIDE_INV, PLANO_PARABOLA};
    const int16_t plano = PLANOS[d.ConsumeIntegralInRange<size_t>(0, 2)];
    const int16_t m = limite(d);
    const bool conSemiplano = d.ConsumeBool();
    const int entorno = d.ConsumeIntegralInRange<int>(0, 63);

    // The cluster: a centre near a point of CERCANOS at scale 2^-escala,
    // pixels of spacing 2^-paso around it.
    long double g0, h0;
    {
        const std::complex<long double> base = CERCANOS[d.ConsumeIntegralInRange<size_t>(0, std::size(CERCANOS) - 1)];
        const long double escala = std::ldexp(1.0L, -d.ConsumeIntegralInRange<int>(0, 64));
        const long double dx = d.ConsumeFloatingPointInRange<long double>(-1.0L, 1.0L);
        const long double dy = d.ConsumeFloatingPointInRange<long double>(-1.0L, 1.0L);
        puntoDeC(plano, base + escala * std::complex<long double>(dx, dy), g0, h0);
    }
    const long double paso = std::ldexp(std::fabs(g0) + std::fabs(h0) + 0.5L, -d.ConsumeIntegralInRange<int>(30, 66));
    // High limits on fewer points, so that a run stays short.
    const size_t porLote = d.ConsumeIntegralInRange<size_t>(1, limiteEfectivo(m) > 4000 ? 12 : 64);
    const int lotes = d.ConsumeIntegralInRange<int>(1, 3);
    std::vector<long double> g, h;
    for (size_t i = 0; i < porLote * static_cast<size_t>(lotes); ++i) {
        long double gi = g0 + paso * d.ConsumeIntegralInRange<int>(-200, 200);
        long double hi = h0 + paso * d.ConsumeIntegralInRange<int>(-200, 200);
        switch (d.ConsumeIntegralInRange<int>(0, 7)) {
        case 0:  // far from the cluster
            gi += paso * std::ldexp(1.0L, d.ConsumeIntegralInRange<int>(8, 40)) * d.ConsumeIntegralInRange<int>(-3, 3);
            break;
        case 1:  // on the real axis of c, or next to it
            hi = d.ConsumeBool() ? 0.0L : std::ldexp(1.0L, -d.ConsumeIntegralInRange<int>(20, 80)) * (d.ConsumeBool() ? 1 : -1);
            break;
        default:
            break;
        }
        g.push_back(gi);
        h.push_back(hi);
    }
    if (entorno == 0) fijarPrecisionX87(PrecisionX87::Doble);

    const size_t total = g.size();
    std::vector<int16_t> esperadas(total), cuentas(total);
    std::vector<Semiplano> esperados(total), semiplanos(total);
    for (size_t i = 0; i < total; ++i) {
        const ResultadoIteracion r = iterarPunto(plano, g[i], h[i], m);
        esperadas[i] = r.cuenta;
        esperados[i] = semiplanoDe(r.zx, r.zy);
    }
    static const struct {
        ViaLote via;
        const char* nombre;
    } VIAS[] = {{ViaLote::Perturbacion, "perturbation, widest lanes"},
                {ViaLote::PerturbacionAvx2, "perturbation, AVX2 lanes"},
                {ViaLote::PerturbacionEscalar, "perturbation, scalar lanes"}};
    for (const auto& v : VIAS) {
        if (!viaDisponible(v.via)) continue;
        std::fill(cuentas.begin(), cuentas.end(), int16_t{-7});
        std::fill(semiplanos.begin(), semiplanos.end(), static_cast<Semiplano>(9));
        for (size_t i = 0; i < total; i += porLote) {
            iterarLote(plano, m, porLote, g.data() + i, h.data() + i, cuentas.data() + i,
                       conSemiplano ? semiplanos.data() + i : nullptr, v.via);
        }
        for (size_t i = 0; i < total; ++i) {
            if (cuentas[i] != esperadas[i] || (conSemiplano && semiplanos[i] != esperados[i])) {
                discrepancia(v.nombre, plano, m, g[i], h[i], cuentas[i], esperadas[i],
                             conSemiplano ? static_cast<int>(semiplanos[i]) : -1, static_cast<int>(esperados[i]));
            }
        }
    }
    fijarPrecisionX87(PrecisionX87::Extendida);
    return 0;
}
