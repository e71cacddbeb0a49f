// The deep path against the P-bit loop alone on one view of plane 300, in
// one thread: the share of the samples each stage decides (the lanes, the
// scaled ones past 530 bits; the double-double stage; the loop) and the time
// per sample of each way, the path run with and without its double-double
// stage, side by side. The loop
// alone takes every k-th batch of 64 (its time per sample is the mean over
// those); the reference is the view's centre. Then the scaled lanes (which
// every via but the loop takes past 530 bits, forced here at any P) in
// scalar double and on each vector width this processor runs, side by side:
// their time, and their shares, which are the same.
//
// usage: bench_vista_profunda G H SIDE LIMIT BITS [WIDTH [HEIGHT [K]]]
//   G, H    the centre as brenquil-render's --center takes it (G,H)
//   WIDTH, HEIGHT  the picture (400 x 400), one sample per pixel
//   K       the loop alone takes one batch in K (16)
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "codigos.h"
#include "iteracion_p.h"
#include "lienzo.h"
#include "numero_p.h"
#include "perturbacion_p.h"

using namespace brenquil;

namespace {

double segundosDeHilo() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 6) {
        std::fprintf(stderr, "usage: bench_vista_profunda G H SIDE LIMIT BITS [WIDTH [HEIGHT [K]]]\n");
        return 2;
    }
    ampliarExponentes();
    const mpfr_prec_t b = std::atol(argv[5]);
    const int32_t limite = std::atoi(argv[4]);
    const int ancho = argc > 6 ? std::atoi(argv[6]) : 400;
    const int alto = argc > 7 ? std::atoi(argv[7]) : ancho;
    const int k = argc > 8 ? std::atoi(argv[8]) : 16;
    const Lienzo lienzo{static_cast<int16_t>(ancho), static_cast<int16_t>(alto), 1};
    NumeroP cx(b), cy(b), lado(b), x(b), y(b), t(b), posicion(b);
    mpfr_strtofr(cx, argv[1], nullptr, 0, MPFR_RNDN);
    mpfr_strtofr(cy, argv[2], nullptr, 0, MPFR_RNDN);
    mpfr_strtofr(lado, argv[3], nullptr, 0, MPFR_RNDN);
    // The corner: the centre less half the side across, plus half the height down.
    mpfr_div_2ui(t, lado, 1, MPFR_RNDN);
    mpfr_sub(x, cx, t, MPFR_RNDN);
    mpfr_mul_si(t, lado, alto, MPFR_RNDN);
    mpfr_div_si(t, t, 2 * ancho, MPFR_RNDN);
    mpfr_add(y, cy, t, MPFR_RNDN);
    const size_t total = static_cast<size_t>(ancho) * static_cast<size_t>(alto);
    NumerosP g, h;
    g.preparar(total, b);
    h.preparar(total, b);
    std::vector<mpfr_srcptr> gs(total), hs(total);
    for (int py = 0; py < alto; ++py) {
        for (int px = 0; px < ancho; ++px) {
            const size_t i = static_cast<size_t>(py) * static_cast<size_t>(ancho) + static_cast<size_t>(px);
            posicionMuestraP(posicion, px, 0, lienzo);
            realDePixelP(g[i], posicion, x, lado);
            posicionMuestraP(posicion, py, 0, lienzo);
            imaginarioDePixelP(h[i], posicion, y, lado);
            gs[i] = g[i];
            hs[i] = h[i];
        }
    }
    ReferenciaP referencia;
    double antes = segundosDeHilo();
    if (!referencia.calcular(PLANO_CARDIOIDE, cx, cy, limite, b)) {
        std::fprintf(stderr, "the centre does not serve as a reference\n");
        return 1;
    }
    const double tReferencia = segundosDeHilo() - antes;
    std::vector<int64_t> cuentas(total), cuentasSin(total), cuentasBucle(total);
    // The path without the double-double stage, then with it.
    const auto camino = [&](std::vector<int64_t>& c, bool conDobleDoble, EtapasP& suma) {
        const double inicio = segundosDeHilo();
        for (size_t i = 0; i < total; i += 64) {
            const size_t n = std::min<size_t>(64, total - i);
            EtapasP e;
            iterarLoteP(PLANO_CARDIOIDE, limite, b, n, gs.data() + i, hs.data() + i, &referencia, c.data() + i,
                        nullptr, ViaProfunda::Automatica, &e, conDobleDoble);
            suma.carriles += e.carriles;
            suma.dobleDoble += e.dobleDoble;
            suma.bucle += e.bucle;
        }
        return segundosDeHilo() - inicio;
    };
    EtapasP sin, con;
    const double tSin = camino(cuentasSin, false, sin);
    const double tPerturbacion = camino(cuentas, true, con);
    size_t muestras = 0, distintas = 0;
    antes = segundosDeHilo();
    for (size_t i = 0, lote = 0; i < total; i += 64, ++lote) {
        if (lote % static_cast<size_t>(k) != 0) continue;
        const size_t n = std::min<size_t>(64, total - i);
        iterarLoteP(PLANO_CARDIOIDE, limite, b, n, gs.data() + i, hs.data() + i, nullptr, cuentasBucle.data() + i,
                    nullptr, ViaProfunda::Bucle);
        for (size_t j = i; j < i + n; ++j) {
            distintas += cuentasBucle[j] != cuentas[j] || cuentasBucle[j] != cuentasSin[j];
        }
        muestras += n;
    }
    const double tBucle = segundosDeHilo() - antes;
    const double porMuestraP = tPerturbacion / static_cast<double>(total);
    const double porMuestraB = tBucle / static_cast<double>(muestras);
    std::printf("%d x %d, side %s, limit %d, %ld bits: reference %.3f s\n", ancho, alto, argv[3], limite,
                static_cast<long>(b), tReferencia);
    const auto parte = [&](size_t k) { return 100.0 * static_cast<double>(k) / static_cast<double>(total); };
    std::printf("without double-double: lanes %.1f%%, loop %.1f%%, %.3f s (%.2f us per sample)\n", parte(sin.carriles),
                parte(sin.bucle), tSin, 1e6 * tSin / static_cast<double>(total));
    std::printf("with double-double: lanes %.1f%%, double-double %.1f%%, loop %.1f%%, %.3f s (%.2f us per sample)\n",
                parte(con.carriles), parte(con.dobleDoble), parte(con.bucle), tPerturbacion, 1e6 * porMuestraP);
    std::printf("P-bit loop alone: %zu samples, %.3f s (%.2f us per sample), %zu counts differ\n", muestras, tBucle,
                1e6 * porMuestraB, distintas);
    std::printf("ratio per sample: loop / path %.1fx, without / with double-double %.2fx\n", porMuestraB / porMuestraP,
                tSin / tPerturbacion);

    // The scaled lanes, scalar and on vectors, with no double-double stage (it does not follow them).
    const struct {
        ViaProfunda via;
        const char* nombre;
    } ESCALADAS[] = {{ViaProfunda::Escalada, "scalar"},
                     {ViaProfunda::EscaladaAvx2, "AVX2"},
                     {ViaProfunda::EscaladaAvx512, "AVX-512"}};
    double tEscalar = 0;
    std::vector<int64_t> cuentasEscalada(total);
    for (const auto& e : ESCALADAS) {
        if (e.via == ViaProfunda::EscaladaAvx2 && viaProfundaAutomatica() != ViaProfunda::Avx2 &&
            viaProfundaAutomatica() != ViaProfunda::Avx512) {
            continue;
        }
        if (e.via == ViaProfunda::EscaladaAvx512 && viaProfundaAutomatica() != ViaProfunda::Avx512) continue;
        EtapasP etapas;
        const double inicio = segundosDeHilo();
        for (size_t i = 0; i < total; i += 64) {
            const size_t n = std::min<size_t>(64, total - i);
            EtapasP p;
            iterarLoteP(PLANO_CARDIOIDE, limite, b, n, gs.data() + i, hs.data() + i, &referencia,
                        cuentasEscalada.data() + i, nullptr, e.via, &p, false);
            etapas.carriles += p.carriles;
            etapas.bucle += p.bucle;
        }
        const double tiempo = segundosDeHilo() - inicio;
        if (e.via == ViaProfunda::Escalada) tEscalar = tiempo;
        for (size_t i = 0; i < total; ++i) distintas += cuentasEscalada[i] != cuentas[i];
        std::printf("scaled lanes, %s: lanes %.1f%%, loop %.1f%%, %.3f s (%.2f us per sample), scalar / these %.2fx\n",
                    e.nombre, parte(etapas.carriles), parte(etapas.bucle), tiempo,
                    1e6 * tiempo / static_cast<double>(total), tEscalar / tiempo);
    }
    return distintas == 0 ? 0 : 1;
}
