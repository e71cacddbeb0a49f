// Iterations per second of each path, on one thread: the deep path
// (iterarLoteP's lanes against one reference, the P-bit loop for what they
// leave) and the P-bit loop alone on views deeper than 80 bits, beside the
// double path (iterarLote) on shallow views. The iterations of a view are the
// sum of its points' counts: the steps the loop's definition makes, whatever
// a path skips or proves. Every point the deep path gives is checked against
// the P-bit loop's on the rows both compute.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "iteracion_lote.h"
#include "iteracion_p.h"
#include "medida.h"
#include "numero_p.h"
#include "perturbacion_p.h"
#include "precision_x87.h"

using namespace brenquil;

namespace {

// A deep view of plane 300: its centre c = X + Y i (the pixel g + h i stands
// for c = g - h i), side, limit, and the precision brenquil-render takes for
// it at 400 x 400.
struct VistaProfunda {
    const char* nombre;
    const char* descripcion;
    const char* x;
    const char* y;
    const char* lado;
    int32_t limite;
    mpfr_prec_t bits;
};

const VistaProfunda PROFUNDAS[] = {
    {"punta20", "side 1e-20 at the tip c = i, 2000 iterations", "0", "1", "1e-20", 2000, 128},
    {"punta50", "side 1e-50 at the tip c = i, 2000 iterations", "0", "1", "1e-50", 2000, 224},
    {"copia74", "side 5e-55 about a copy of period 74 (size 1.5e-55, 6.7e-28 from i), 3000 iterations",
     "0.00000000000000000000000000051430935855736215780000911232232389224756226775539175190548835146241344900505845720287442390570669",
     "1.0000000000000000000000000004241199110129118099866503973561273488666414338066475470641339624419567113091888867329",
     "5e-55", 3000, 256},
};

// Shallow views for the double path, at the deep views' place, where every
// point escapes (interior points, which the double path finds cycling early,
// would count iterations it never makes): upper-left corner, side, limit.
// On plane 300 the corner of c = i at side s is -s/2 - (1 - s/2) i.
constexpr CuadradoPlano alrededorDeI(long double lado) { return {-lado / 2, -1.0L + lado / 2, lado}; }
const VistaBanco SOMERAS[] = {
    {"punta4", "side 1e-4 at the tip c = i, 2000 iterations", PLANO_CARDIOIDE, alrededorDeI(1e-4L), 2000},
    {"punta8", "side 1e-8 at the tip c = i, 2000 iterations", PLANO_CARDIOIDE, alrededorDeI(1e-8L), 2000},
};

constexpr int LADO = 400;
constexpr size_t LOTE = 64;
// The P-bit loop alone is timed on every FILAS_BUCLE-th row.
constexpr int FILAS_BUCLE = 16;

volatile long sumidero;

using Numero = std::unique_ptr<NumeroP>;

struct Medida {
    double segundos = 0;
    uint64_t iteraciones = 0;
    size_t decididos = 0;
    size_t puntos = 0;
    double porSegundo() const { return static_cast<double>(iteraciones) / segundos; }
};

// The rows py = 0, cada, 2 cada, ... of the view by `via`, in batches of LOTE
// points; the counts into cuentas (row-major, LADO a row).
Medida profunda(const std::vector<Numero>& g, const std::vector<Numero>& h, const VistaProfunda& v,
                const ReferenciaP& ref, ViaProfunda via, int cada, std::vector<int64_t>& cuentas) {
    Medida m;
    std::vector<mpfr_srcptr> pg(LOTE), ph(LOTE);
    const double t0 = segundosCpu();
    for (int py = 0; py < LADO; py += cada) {
        for (int px = 0; px < LADO; px += static_cast<int>(LOTE)) {
            const size_t n = std::min<size_t>(LOTE, static_cast<size_t>(LADO - px));
            for (size_t i = 0; i < n; ++i) {
                pg[i] = *g[static_cast<size_t>(px) + i];
                ph[i] = *h[static_cast<size_t>(py)];
            }
            int64_t* c = cuentas.data() + static_cast<size_t>(py) * LADO + static_cast<size_t>(px);
            m.decididos += iterarLoteP(PLANO_CARDIOIDE, v.limite, v.bits, n, pg.data(), ph.data(), &ref, c, nullptr, via);
            m.puntos += n;
            for (size_t i = 0; i < n; ++i) m.iteraciones += static_cast<uint64_t>(c[i]);
        }
    }
    m.segundos = segundosCpu() - t0;
    sumidero = static_cast<long>(m.iteraciones);
    return m;
}

Medida somera(const VistaBanco& v) {
    std::vector<long double> g(LADO), h(LADO);
    for (int p = 0; p < LADO; ++p) {
        g[static_cast<size_t>(p)] = realDePixel(v.motor(), p);
        h[static_cast<size_t>(p)] = imaginarioDePixel(v.motor(), p);
    }
    std::vector<int16_t> cuentas(LADO);
    std::vector<long double> fila(LADO);
    Medida m;
    const double t0 = segundosCpu();
    for (int py = 0; py < LADO; ++py) {
        std::fill(fila.begin(), fila.end(), h[static_cast<size_t>(py)]);
        for (int px = 0; px < LADO; px += static_cast<int>(LOTE)) {
            const size_t n = std::min<size_t>(LOTE, static_cast<size_t>(LADO - px));
            m.decididos += iterarLote(v.plano, v.limite, n, g.data() + px, fila.data() + px, cuentas.data() + px,
                                      nullptr, ViaLote::Automatica);
            for (size_t i = 0; i < n; ++i) m.iteraciones += static_cast<uint64_t>(cuentas[static_cast<size_t>(px) + i]);
        }
        m.puntos += LADO;
    }
    m.segundos = segundosCpu() - t0;
    sumidero = static_cast<long>(m.iteraciones);
    return m;
}

}  // namespace

int main(int argc, char** argv) {
    int repeticiones = 3;
    if (argc == 3 && std::string(argv[1]) == "--repeticiones" && std::atoi(argv[2]) > 0) {
        repeticiones = std::atoi(argv[2]);
    } else if (argc != 1) {
        std::fprintf(stderr, "usage: bench_profundo [--repeticiones N]\n");
        return 2;
    }
    fijarPrecisionX87(PrecisionX87::Extendida);
    ampliarExponentes();
    std::printf("CPU: %s, %u cores; AVX2 %s, AVX-512 %s; one thread, medians of %d runs of thread CPU time\n\n",
                modeloCpu().c_str(), std::thread::hardware_concurrency(), viaDisponible(ViaLote::Avx2) ? "yes" : "no",
                viaDisponible(ViaLote::Avx512) ? "yes" : "no", repeticiones);

    std::vector<double> tasasSomeras;
    std::printf("%-9s %-45s %12s %9s\n", "shallow", "view", "double Mit/s", "decided");
    for (const VistaBanco& v : SOMERAS) {
        std::vector<double> tasas;
        Medida m;
        for (int r = 0; r < repeticiones; ++r) {
            m = somera(v);
            tasas.push_back(m.porSegundo() / 1e6);
        }
        tasasSomeras.push_back(mediana(tasas));
        std::printf("%-9s %-45s %12.1f %8.1f%%\n", v.nombre, v.descripcion, tasasSomeras.back(),
                    100.0 * static_cast<double>(m.decididos) / static_cast<double>(m.puntos));
    }
    const double somera = mediana(tasasSomeras);

    std::printf("\n%-9s %5s %12s %12s %9s %8s %14s %s\n", "deep", "P", "deep Mit/s", "loop Mit/s", "x loop",
                "decided", "vs double", "identical");
    bool todosIdenticos = true;
    for (const VistaProfunda& v : PROFUNDAS) {
        // The pixels' coordinates: x - side/2 + px side/400 and y + side/2 - py side/400, in P bits.
        NumeroP x(v.bits), y(v.bits), lado(v.bits), paso(v.bits);
        mpfr_set_str(x, v.x, 10, MPFR_RNDN);
        mpfr_set_str(y, v.y, 10, MPFR_RNDN);
        mpfr_set_str(lado, v.lado, 10, MPFR_RNDN);
        mpfr_div_ui(paso, lado, LADO, MPFR_RNDN);
        std::vector<Numero> g, h;
        for (int p = 0; p < LADO; ++p) {
            g.push_back(std::make_unique<NumeroP>(v.bits));
            h.push_back(std::make_unique<NumeroP>(v.bits));
            mpfr_mul_si(*g.back(), paso, p - LADO / 2, MPFR_RNDN);
            mpfr_add(*g.back(), *g.back(), x, MPFR_RNDN);
            // h = -(y + side/2 - py side/400): plane 300's pixel for c = g - h i.
            mpfr_mul_si(*h.back(), paso, p - LADO / 2, MPFR_RNDN);
            mpfr_sub(*h.back(), *h.back(), y, MPFR_RNDN);
        }
        ReferenciaP ref;
        ref.calcular(PLANO_CARDIOIDE, *g[LADO / 2], *h[LADO / 2], v.limite, v.bits);
        std::vector<int64_t> porCarriles(LADO * LADO), porBucle(LADO * LADO);
        std::vector<double> carriles, bucle;
        Medida mc, mb;
        for (int r = 0; r < repeticiones; ++r) {
            mc = profunda(g, h, v, ref, ViaProfunda::Automatica, 1, porCarriles);
            carriles.push_back(mc.porSegundo() / 1e6);
            mb = profunda(g, h, v, ref, ViaProfunda::Bucle, FILAS_BUCLE, porBucle);
            bucle.push_back(mb.porSegundo() / 1e6);
        }
        bool identicos = true;
        for (int py = 0; py < LADO; py += FILAS_BUCLE) {
            for (int px = 0; px < LADO; ++px) {
                const size_t i = static_cast<size_t>(py) * LADO + static_cast<size_t>(px);
                identicos = identicos && porCarriles[i] == porBucle[i];
            }
        }
        todosIdenticos = todosIdenticos && identicos;
        const double tc = mediana(carriles), tb = mediana(bucle);
        std::printf("%-9s %5ld %12.1f %12.2f %8.0fx %7.1f%% %13.2fx %s\n", v.nombre, static_cast<long>(v.bits), tc, tb,
                    tc / tb, 100.0 * static_cast<double>(mc.decididos) / static_cast<double>(mc.puntos), tc / somera,
                    identicos ? "yes" : "NO");
        std::fflush(stdout);
    }
    std::printf("\nDeep views (plane 300, 400 x 400; the loop alone on every %dth row):\n", FILAS_BUCLE);
    for (const VistaProfunda& v : PROFUNDAS) std::printf("  %-9s %s\n", v.nombre, v.descripcion);
    std::printf("\"vs double\": the deep path's rate over the median of the double path's on the shallow views.\n");
    return todosIdenticos ? 0 : 1;
}
