// libFuzzer target of the deep path, iterarLoteP, against the P-bit loop
// iterarPuntoP: every point of a batch gets the loop's count and, when
// asked, the half-plane of its last z, on every lane type this processor
// runs, the scaled lanes in scalar double and on each vector width (which
// the lane types of that width take past 530 bits; the vector ones decide
// the very points the scalar ones decide) and the double-double stage alone
// (up to 530 bits; the lane types run it after themselves).
// The batches are deep clusters (2^-20 to 2^-(P-8) wide) around
// boundary, parabolic and Misiurewicz points of the three planes, in P-bit
// numbers for P from 60 to 530, and multiples of 32 up to 1280 (clusters
// below double's range); their reference is the cluster's middle
// point, a point of it, or one far off (whose orbit may end long before the
// points', so that they rebase); points far from the cluster, on or next to
// the real axis, and on an earlier point's row (with its very h object, as a
// picture's rows share theirs) are mixed in.
#include <fuzzer/FuzzedDataProvider.h>

#include <complex>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <tuple>
#include <vector>

#include "iteracion_lote.h"
#include "iteracion_p.h"
#include "lote_comun.h"
#include "numero_p.h"
#include "perturbacion_p.h"

using namespace brenquil;

namespace {

const std::complex<long double> CERCANOS[] = {
    {0.0L, 1.0L},                                                                   // the tip c = i
    {-0.743643887037158704752191506114774L, 0.131825904205311970493132056385139L},  // seahorse valley
    {0.25L, 0.0L},                                                                  // parabolic cusp
    {-0.75L, 0.0L},                                                                 // parabolic, valley
    {-2.0L, 0.0L},                                                                  // the tip -2
    {-1.401155189092050585L, 0.0L},                                                 // Feigenbaum point
    {-0.10109636384562216L, 0.95628651080914150L},                                  // Misiurewicz
    {-1.7548776662466927600L, 0.0L},                                                // period 3 centre
    {0.360284L, 0.641216L},
};

int32_t limite(FuzzedDataProvider& d) {
    static const int32_t ESPECIALES[] = {-1, 0, 1, 2, 32, 33, 100, 1000, 4097, 32766, 32767, 40000};
    if (d.ConsumeIntegralInRange<int>(0, 2) == 0) {
        return ESPECIALES[d.ConsumeIntegralInRange<size_t>(0, std::size(ESPECIALES) - 1)];
    }
    return d.ConsumeIntegralInRange<int32_t>(1, (1 << d.ConsumeIntegralInRange<int>(1, 13)) - 1);
}

using Numero = std::unique_ptr<NumeroP>;

// base + 2^-escala (dx + dy i), in `bits` bits, on the plane's point of it.
void centro(int16_t plano, std::complex<long double> base, int escala, long double dx, long double dy, mpfr_ptr g,
            mpfr_ptr h) {
    long double g0, h0;
    puntoDeC(plano, base, g0, h0);
    for (auto [destino, desvio, valor] : {std::tuple{g, dx, g0}, std::tuple{h, dy, h0}}) {
        mpfr_set_ld(destino, desvio, MPFR_RNDN);
        mpfr_mul_2si(destino, destino, -escala, MPFR_RNDN);
        NumeroP v(64, valor);
        mpfr_add(destino, destino, v, MPFR_RNDN);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, std::size_t n) {
    FuzzedDataProvider d(datos, n);
    static const int16_t PLANOS[] = {PLANO_CARDIOIDE, PLANO_CARDIOIDE_INV, PLANO_PARABOLA};
    const int16_t plano = PLANOS[d.ConsumeIntegralInRange<size_t>(0, 2)];
    const mpfr_prec_t bits = d.ConsumeBool() ? 32 * d.ConsumeIntegralInRange<int>(2, 40)
                                             : d.ConsumeIntegralInRange<int>(60, 530);
    const int32_t m = limite(d);
    const bool conSemiplano = d.ConsumeBool();
    ampliarExponentes();

    // The cluster's middle point, and the spacing 2^-paso of its points.
    NumeroP g0(bits), h0(bits);
    const int escala = d.ConsumeIntegralInRange<int>(0, static_cast<int>(bits) - 8);
    centro(plano, CERCANOS[d.ConsumeIntegralInRange<size_t>(0, std::size(CERCANOS) - 1)], escala,
           d.ConsumeFloatingPointInRange<long double>(-1.0L, 1.0L),
           d.ConsumeFloatingPointInRange<long double>(-1.0L, 1.0L), g0, h0);
    const int paso = d.ConsumeIntegralInRange<int>(20, static_cast<int>(bits) - 8);
    // High limits on fewer points, so that a run stays short: the loop is the expected value.
    const size_t puntos = d.ConsumeIntegralInRange<size_t>(1, m > 3000 ? 6 : 40);
    std::vector<Numero> g, h;
    std::vector<size_t> fila(puntos);  // the point whose h object a point takes (a row's, shared)
    for (size_t i = 0; i < puntos; ++i) {
        fila[i] = i;
        g.push_back(std::make_unique<NumeroP>(bits));
        h.push_back(std::make_unique<NumeroP>(bits));
        long double di = d.ConsumeIntegralInRange<int>(-200, 200);
        long double dj = d.ConsumeIntegralInRange<int>(-200, 200);
        int pasoPunto = paso;
        switch (d.ConsumeIntegralInRange<int>(0, 7)) {
        case 0:  // far from the cluster
            pasoPunto -= d.ConsumeIntegralInRange<int>(8, 40);
            break;
        case 1:  // next to the real axis of c (h = 0 on every plane's real axis)
            dj = 0.0L;
            break;
        case 2:  // on an earlier point's row, with its very h
            fila[i] = d.ConsumeIntegralInRange<size_t>(0, i);
            break;
        default:
            break;
        }
        mpfr_set_ld(*g[i], di, MPFR_RNDN);
        mpfr_mul_2si(*g[i], *g[i], -pasoPunto, MPFR_RNDN);
        mpfr_add(*g[i], *g[i], g0, MPFR_RNDN);
        mpfr_set_ld(*h[i], dj, MPFR_RNDN);
        mpfr_mul_2si(*h[i], *h[i], -pasoPunto, MPFR_RNDN);
        if (dj == 0.0L && d.ConsumeBool()) {
            mpfr_set_zero(*h[i], d.ConsumeBool() ? 1 : -1);
        } else {
            mpfr_add(*h[i], *h[i], h0, MPFR_RNDN);
        }
    }

    // The reference: the middle point, one of the batch's, or one far off.
    NumeroP gr(bits), hr(bits);
    switch (d.ConsumeIntegralInRange<int>(0, 2)) {
    case 0:
        mpfr_set(gr, g0, MPFR_RNDN);
        mpfr_set(hr, h0, MPFR_RNDN);
        break;
    case 1: {
        const size_t k = d.ConsumeIntegralInRange<size_t>(0, puntos - 1);
        mpfr_set(gr, *g[k], MPFR_RNDN);
        mpfr_set(hr, *h[fila[k]], MPFR_RNDN);
        break;
    }
    default:
        mpfr_set_si(gr, d.ConsumeIntegralInRange<int>(-3, 3), MPFR_RNDN);
        mpfr_mul_2si(gr, gr, -(paso - d.ConsumeIntegralInRange<int>(1, 30)), MPFR_RNDN);
        mpfr_add(gr, gr, g0, MPFR_RNDN);
        mpfr_set(hr, h0, MPFR_RNDN);
        break;
    }
    const mpfr_srcptr refG = gr, refH = hr;
    ReferenciaP ref;
    ref.calcular(plano, gr, hr, m, bits);

    std::vector<mpfr_srcptr> pg(puntos), ph(puntos);
    std::vector<int64_t> esperadas(puntos), cuentas(puntos);
    std::vector<Semiplano> esperados(puntos), semiplanos(puntos);
    NumeroP zx(bits), zy(bits);
    for (size_t i = 0; i < puntos; ++i) {
        pg[i] = *g[i];
        ph[i] = *h[fila[i]];
        const ResultadoIteracionP r = iterarPuntoP(plano, pg[i], ph[i], m, bits, zx, zy);
        esperadas[i] = r.cuenta;
        esperados[i] = r.semiplano;
    }
    static const struct {
        ViaProfunda via;
        const char* nombre;
    } VIAS[] = {{ViaProfunda::Escalar, "scalar lanes"},
                {ViaProfunda::Avx2, "AVX2 lanes"},
                {ViaProfunda::Avx512, "AVX-512 lanes"},
                {ViaProfunda::Escalada, "scaled lanes"},
                {ViaProfunda::EscaladaAvx2, "AVX2 scaled lanes"},
                {ViaProfunda::EscaladaAvx512, "AVX-512 scaled lanes"},
                {ViaProfunda::DobleDoble, "double-double stage"}};
    std::vector<uint8_t> decididos(puntos), decididosEscalada(puntos);
    for (const auto& v : VIAS) {
        std::fill(cuentas.begin(), cuentas.end(), int64_t{-7});
        std::fill(semiplanos.begin(), semiplanos.end(), static_cast<Semiplano>(9));
        iterarLoteP(plano, m, bits, puntos, pg.data(), ph.data(), &ref, cuentas.data(),
                    conSemiplano ? semiplanos.data() : nullptr, v.via, nullptr, true, decididos.data());
        if (v.via == ViaProfunda::Escalada) decididosEscalada = decididos;
        // (A vector width this processor lacks is taken as the loop, which decides nothing.)
        const bool vectorEscalada = (v.via == ViaProfunda::EscaladaAvx2 && viaDisponible(ViaLote::Avx2)) ||
                                    (v.via == ViaProfunda::EscaladaAvx512 && viaDisponible(ViaLote::Avx512));
        for (size_t i = 0; vectorEscalada && i < puntos; ++i) {
            if (decididos[i] != decididosEscalada[i]) {
                mpfr_fprintf(stderr,
                             "the %s and the scalar scaled lanes differ: plane %d, limit %d, %d bits, g = %Ra, "
                             "h = %Ra, reference %Ra, %Ra: decided %d instead of %d\n",
                             v.nombre, plano, m, static_cast<int>(bits), pg[i], ph[i], refG, refH, decididos[i],
                             decididosEscalada[i]);
                std::abort();
            }
        }
        for (size_t i = 0; i < puntos; ++i) {
            if (cuentas[i] != esperadas[i] || (conSemiplano && semiplanos[i] != esperados[i])) {
                mpfr_fprintf(stderr,
                             "iterarLoteP (%s) differs from iterarPuntoP: plane %d, limit %d, %d bits, "
                             "g = %Ra, h = %Ra, reference %Ra, %Ra: count %lld instead of %lld, half-plane %d "
                             "instead of %d\n",
                             v.nombre, plano, m, static_cast<int>(bits), pg[i], ph[i], refG, refH,
                             static_cast<long long>(cuentas[i]), static_cast<long long>(esperadas[i]),
                             conSemiplano ? static_cast<int>(semiplanos[i]) : -1, static_cast<int>(esperados[i]));
                std::abort();
            }
        }
    }
    return 0;
}
