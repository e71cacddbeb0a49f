// libFuzzer target of iterarLote against iterarPunto: for any points, limit
// and plane, every path gives every point the count of iterarPunto and, when
// asked, the half-plane of its last z. The points are raw 80-bit patterns,
// points near the boundary and the circle |c| = 2 at every scale down to
// 2^-80 of their size, and pixels of views as the renderer computes them; a
// few runs change the x87 precision or the SSE underflow mode, under which
// the batch must still agree with iterarPunto.
#include <fuzzer/FuzzedDataProvider.h>
#include <xmmintrin.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "iteracion.h"
#include "iteracion_lote.h"
#include "lote_comun.h"
#include "precision_x87.h"

using namespace brenquil;

namespace {

// Values of c worth being near: boundary points (the valleys, tips, Misiurewicz
// points, bulb contacts), centres of components, and points of |c| = 2.
const std::complex<long double> CERCANOS[] = {
    {-0.743643887037158704752191506114774L, 0.131825904205311970493132056385139L},
    {0.25L, 0.0L},
    {-0.75L, 0.0L},
    {-2.0L, 0.0L},
    {-1.25L, 0.0L},
    {-1.401155189092050585L, 0.0L},
    {-1.7548776662466927600L, 0.0L},
    {0.0L, 1.0L},
    {-0.1225611668766536L, 0.7448617666197442L},
    {-0.10109636384562L, 0.95628651080914L},
    {0.2925L, 0.015L},
    {-0.7453L, 0.1127L},
    {-1.7685L, 0.0009L},
    {0.360284L, 0.641216L},
    {2.0L, 0.0L},
    {1.4142135623730950488L, 1.4142135623730950488L},
    {-0.75L, 0.1L},
    {-1.0L, 0.0L},
    {0.0L, 0.0L},
};

long double real80(FuzzedDataProvider& d) {
    unsigned char bytes[sizeof(long double)] = {};
    const std::vector<unsigned char> crudos = d.ConsumeBytes<unsigned char>(10);
    if (!crudos.empty()) std::memcpy(bytes, crudos.data(), crudos.size());
    long double v;
    std::memcpy(&v, bytes, sizeof v);
    return v;
}

// A value of c near one of CERCANOS at scale 2^-escala.
std::complex<long double> cercano(FuzzedDataProvider& d) {
    const std::complex<long double> base = CERCANOS[d.ConsumeIntegralInRange<size_t>(0, std::size(CERCANOS) - 1)];
    const long double escala = std::ldexp(1.0L, -d.ConsumeIntegralInRange<int>(0, 80));
    const long double dx = d.ConsumeFloatingPointInRange<long double>(-1.0L, 1.0L);
    const long double dy = d.ConsumeFloatingPointInRange<long double>(-1.0L, 1.0L);
    return base + escala * std::complex<long double>(dx, dy);
}

// The edges of the range and of the lanes' schedule, or any limit with a
// uniform exponent (most runs stay short).
int16_t limite(FuzzedDataProvider& d) {
    static const int16_t ESPECIALES[] = {-32768, -1, 0, 1, 2, 3, 31, 32, 33, 40, 62, 100, 255, 256, 1000, 4097,
                                         32765, 32766, 32767};
    if (d.ConsumeIntegralInRange<int>(0, 3) == 0) {
        return ESPECIALES[d.ConsumeIntegralInRange<size_t>(0, std::size(ESPECIALES) - 1)];
    }
    return d.ConsumeIntegralInRange<int16_t>(-1, static_cast<int16_t>((1 << d.ConsumeIntegralInRange<int>(0, 15)) - 1));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, std::size_t n) {
    FuzzedDataProvider d(datos, n);
    static const int16_t PLANOS[] = {PLANO_CARDIOIDE, PLANO_CARDIOIDE_INV, PLANO_PARABOLA, 301};
    const int16_t plano = PLANOS[d.ConsumeIntegralInRange<size_t>(0, 3)];
    const int16_t m = limite(d);
    // High limits on fewer points, so that a run stays short.
    const size_t cuantos = d.ConsumeIntegralInRange<size_t>(1, limiteEfectivo(m) > 2000 ? 4 : 40);
    const int entorno = d.ConsumeIntegralInRange<int>(0, 31);
    const bool conSemiplano = d.ConsumeBool();

    std::vector<long double> g(cuantos), h(cuantos);
    Vista vista;
    vista.xSupIzq = d.ConsumeFloatingPointInRange<long double>(-3.0L, 3.0L);
    vista.ySupIzq = d.ConsumeFloatingPointInRange<long double>(-3.0L, 3.0L);
    vista.lado = std::ldexp(1.0L, -d.ConsumeIntegralInRange<int>(-3, 60));
    for (size_t i = 0; i < cuantos; ++i) {
        switch (d.ConsumeIntegralInRange<int>(0, 3)) {
        case 0:
            g[i] = real80(d);
            h[i] = real80(d);
            break;
        case 1:
            g[i] = realDePixel(vista, d.ConsumeIntegralInRange<int16_t>(-1, 400));
            h[i] = imaginarioDePixel(vista, d.ConsumeIntegralInRange<int16_t>(-1, 400));
            break;
        default:
            puntoDeC(plano, cercano(d), g[i], h[i]);
            break;
        }
    }

    // Mostly the render's arithmetic; sometimes one the double path must refuse.
    const unsigned csr = _mm_getcsr();
    fijarPrecisionX87(entorno == 0 ? PrecisionX87::Doble : entorno == 1 ? PrecisionX87::Simple : PrecisionX87::Extendida);
    if (entorno == 2) _mm_setcsr(csr | 0x8040);  // flush to zero, denormals are zero

    std::vector<int16_t> esperadas(cuantos), cuentas(cuantos);
    std::vector<Semiplano> esperados(cuantos), semiplanos(cuantos);
    for (size_t i = 0; i < cuantos; ++i) {
        const ResultadoIteracion r = iterarPunto(plano, g[i], h[i], m);
        esperadas[i] = r.cuenta;
        esperados[i] = semiplanoDe(r.zx, r.zy);
    }
    // X87 is iterarPunto itself.
    static const struct {
        ViaLote via;
        const char* nombre;
    } VIAS[] = {{ViaLote::Automatica, "automatic"}, {ViaLote::Avx2, "avx2"}, {ViaLote::Avx512, "avx512"}};
    for (const auto& v : VIAS) {
        if (!viaDisponible(v.via)) continue;
        std::fill(cuentas.begin(), cuentas.end(), int16_t{-7});
        std::fill(semiplanos.begin(), semiplanos.end(), static_cast<Semiplano>(9));
        iterarLote(plano, m, cuantos, g.data(), h.data(), cuentas.data(), conSemiplano ? semiplanos.data() : nullptr,
                   v.via);
        for (size_t i = 0; i < cuantos; ++i) {
            if (cuentas[i] != esperadas[i] || (conSemiplano && semiplanos[i] != esperados[i])) {
                discrepancia(v.nombre, plano, m, g[i], h[i], cuentas[i], esperadas[i],
                             conSemiplano ? static_cast<int>(semiplanos[i]) : -1, static_cast<int>(esperados[i]));
            }
        }
    }
    fijarPrecisionX87(PrecisionX87::Extendida);
    _mm_setcsr(csr);
    return 0;
}
