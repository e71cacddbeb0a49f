// Renders named 400 x 400 views through iterarLote on every path this
// processor runs, side by side in one run: the x87 path (iterarPunto for
// every point), the double path on AVX2 and on AVX-512 (forced: every point
// it can decide), the perturbation path (forced), and the automatic choice
// (the double path, the perturbation path for deep batches where the double
// path cannot pay, and the x87 path where neither pays). For each view it
// prints the median time of a render on each path, the speed-up of each over the x87 path, the share of the
// points each decided without iterarPunto and, of the automatic choice's,
// the share it decided on the perturbation path (the rest of its share is
// the double path's). The perturbation path forced ("pert") decides every
// point it can, on the widest vectors.
//
// Method: one warm-up render on each path (which also checks that every path
// gives the x87 path's count and half-plane at every pixel), then N timed
// repetitions in which the paths take turns in a rotating order, so that a
// load change on the machine falls on all alike. Times are the thread's CPU
// time; the speed-up is the median of the per-repetition ratios. The points
// go to iterarLote a row at a time, or in batches of --lote points.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>
#include <thread>
#include <vector>

#include "codigos.h"
#include "iteracion.h"
#include "iteracion_lote.h"
#include "medida.h"
#include "precision_x87.h"

using namespace brenquil;

namespace {

// A point of the boundary in the valley between the main cardioid and the bulb
// of period 2, c = -0.743643887037158704752191506114774 + 0.131825904205311970493132056385139i;
// on plane 300 the pixel w = g + h i stands for c = g - h i. The squares
// around it below have their corner at w - lado/2 + (lado/2) i.
constexpr long double FRONTERA_RE = -0.743643887037158704752191506114774L;
constexpr long double FRONTERA_IM = -0.131825904205311970493132056385139L;
constexpr CuadradoPlano alrededor(long double lado) {
    return {FRONTERA_RE - lado / 2, FRONTERA_IM + lado / 2, lado};
}

const VistaBanco VISTAS[] = {
    {"inicial", "plane 300, the first picture (-4 + 8i, side 16), 62 iterations", PLANO_CARDIOIDE,
     {-4.0L, 8.0L, 16.0L}, 62},
    {"conjunto", "plane 300, the whole set (-2.5 + 1.5i, side 3), 32766 iterations", PLANO_CARDIOIDE,
     {-2.5L, 1.5L, 3.0L}, 32766},
    {"valle", "plane 300, the seahorse valley (-0.755 - 0.09i, side 0.02), 2000 iterations", PLANO_CARDIOIDE,
     {-0.755L, -0.09L, 0.02L}, 2000},
    {"borde6", "plane 300, a boundary square of side 1e-6, 3000 iterations", PLANO_CARDIOIDE, alrededor(1e-6L), 3000},
    {"borde9", "plane 300, a boundary square of side 1e-9, 4000 iterations", PLANO_CARDIOIDE, alrededor(1e-9L), 4000},
    {"borde12", "plane 300, a boundary square of side 1e-12, 5000 iterations", PLANO_CARDIOIDE, alrededor(1e-12L),
     5000},
    {"borde15", "plane 300, a boundary square of side 1e-15, 5000 iterations", PLANO_CARDIOIDE, alrededor(1e-15L),
     5000},
    {"espiral", "plane 300, the deep spiral of examples/espiral-profunda.str at side 2e-15, 8000 iterations",
     PLANO_CARDIOIDE, {-0.7756837680090542975L - 0.5e-15L, 0.1364673682946906247L + 0.5e-15L, 2e-15L}, 8000},
    {"feigenbaum", "plane 300, a square of side 1e-13 about the Feigenbaum point c = -1.4011551890920506, 5000 iterations",
     PLANO_CARDIOIDE, {-1.401155189092050585L - 0.5e-13L, 0.5e-13L, 1e-13L}, 5000},
    {"misiurewicz", "plane 300, a square of side 1e-13 about c = -0.10109636384562 + 0.95628651080914i, 5000 iterations",
     PLANO_CARDIOIDE, {-0.10109636384562L - 0.5e-13L, -0.95628651080914L + 0.5e-13L, 1e-13L}, 5000},
    {"inversa", "plane 305 (-4 + 4i, side 8), 1024 iterations", PLANO_CARDIOIDE_INV, {-4.0L, 4.0L, 8.0L}, 1024},
    {"parabola", "plane 310 (-6 + 6i, side 12), 4096 iterations", PLANO_PARABOLA, {-6.0L, 6.0L, 12.0L}, 4096},
};

struct Camino {
    ViaLote via;
    const char* nombre;
};
const Camino CAMINOS[] = {{ViaLote::X87, "x87"},         {ViaLote::Avx2, "avx2"},
                          {ViaLote::Avx512, "avx512"},   {ViaLote::Automatica, "auto"},
                          {ViaLote::Perturbacion, "pert"}};

// Keeps the results observable so that no render is optimised away.
volatile long sumidero;

struct Render {
    std::vector<int16_t> cuentas;
    std::vector<Semiplano> semiplanos;
    size_t decididos = 0;
    size_t porPerturbacion = 0;  // of them, on the perturbation path
};

// The whole view through iterarLote in batches of `lote` points, row by row.
void renderizar(const VistaBanco& v, const std::vector<long double>& g, const std::vector<long double>& h, size_t lote,
                bool conSemiplano, ViaLote via, Render& r) {
    const size_t n = g.size();
    r.cuentas.resize(n);
    r.semiplanos.resize(n);
    r.decididos = 0;
    const uint64_t antes = decididosPorPerturbacion();
    for (size_t i = 0; i < n; i += lote) {
        const size_t k = std::min(lote, n - i);
        r.decididos += iterarLote(v.plano, v.limite, k, g.data() + i, h.data() + i, r.cuentas.data() + i,
                                  conSemiplano ? r.semiplanos.data() + i : nullptr, via);
    }
    r.porPerturbacion = decididosPorPerturbacion() - antes;
    sumidero = static_cast<long>(r.decididos);
}

void uso() {
    std::fprintf(stderr,
                 "usage: bench_lote [--repeticiones N] [--lote P] [--semiplano] [--vista PLANE,X,Y,SIDE,LIMIT]... [VIEW...]\n"
                 "  N timed repetitions of each render (default 5), P points per batch (default 400,\n"
                 "  a row), --semiplano asks the half-plane of the last z too, --vista adds a view\n"
                 "  by its upper-left corner X + Yi; VIEWs among:\n");
    for (const VistaBanco& v : VISTAS) std::fprintf(stderr, "    %-11s %s\n", v.nombre, v.descripcion);
}

}  // namespace

int main(int argc, char** argv) {
    int repeticiones = 5;
    size_t lote = LADO_IMAGEN;
    bool conSemiplano = false;
    std::vector<const VistaBanco*> elegidas;
    std::deque<VistaBanco> propias;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--repeticiones" || arg == "--lote") && i + 1 < argc) {
            const int valor = std::atoi(argv[++i]);
            if (valor < 1) {
                uso();
                return 2;
            }
            if (arg == "--lote") {
                lote = static_cast<size_t>(valor);
            } else {
                repeticiones = valor;
            }
            continue;
        }
        if (arg == "--semiplano") {
            conSemiplano = true;
            continue;
        }
        if (arg == "--vista" && i + 1 < argc) {
            if (!leerVistaBanco(argv[++i], propias)) {
                uso();
                return 2;
            }
            elegidas.push_back(&propias.back());
            continue;
        }
        if (!elegirVista(VISTAS, arg, elegidas)) {
            uso();
            return 2;
        }
    }
    todasSiNinguna(VISTAS, elegidas);
    std::vector<Camino> caminos;
    for (const Camino& c : CAMINOS) {
        if (viaDisponible(c.via)) caminos.push_back(c);
    }

    fijarPrecisionX87(PrecisionX87::Extendida);
    std::printf("CPU: %s, %u cores; AVX2 %s, AVX-512 %s\n", modeloCpu().c_str(), std::thread::hardware_concurrency(),
                viaDisponible(ViaLote::Avx2) ? "yes" : "no", viaDisponible(ViaLote::Avx512) ? "yes" : "no");
    std::printf("%d timed repetitions per view, batches of %zu points%s; medians of thread CPU time\n\n",
                repeticiones, lote, conSemiplano ? ", half-plane asked" : "");
    std::printf("%-11s", "view");
    for (const Camino& c : caminos) std::printf(" %9s", (std::string(c.nombre) + " s").c_str());
    for (size_t j = 1; j < caminos.size(); ++j) std::printf(" %8s", (std::string(caminos[j].nombre) + " x").c_str());
    for (size_t j = 1; j < caminos.size(); ++j) std::printf(" %7s", (std::string(caminos[j].nombre) + " %").c_str());
    std::printf(" %8s identical\n", "auto p %");
    std::fflush(stdout);

    bool todosIdenticos = true;
    for (const VistaBanco* v : elegidas) {
        std::vector<long double> g, h;
        for (int py = 0; py < LADO_IMAGEN; ++py) {
            for (int px = 0; px < LADO_IMAGEN; ++px) {
                g.push_back(realDePixel(v->motor(), px));
                h.push_back(imaginarioDePixel(v->motor(), py));
            }
        }
        std::vector<Render> renders(caminos.size());
        std::vector<double> compartido(caminos.size());
        double autoPerturbacion = 0;
        bool identicos = true;
        for (size_t j = 0; j < caminos.size(); ++j) {
            renderizar(*v, g, h, lote, conSemiplano, caminos[j].via, renders[j]);
            compartido[j] = 100.0 * static_cast<double>(renders[j].decididos) / static_cast<double>(g.size());
            if (caminos[j].via == ViaLote::Automatica) {
                autoPerturbacion = 100.0 * static_cast<double>(renders[j].porPerturbacion) / static_cast<double>(g.size());
            }
            identicos = identicos && renders[j].cuentas == renders[0].cuentas &&
                        (!conSemiplano || renders[j].semiplanos == renders[0].semiplanos);
        }
        std::vector<std::vector<double>> tiempos(caminos.size()), razones(caminos.size());
        Render r;
        for (int rep = 0; rep < repeticiones; ++rep) {
            std::vector<double> t(caminos.size());
            for (size_t turno = 0; turno < caminos.size(); ++turno) {
                const size_t j = (turno + static_cast<size_t>(rep)) % caminos.size();
                const double t0 = segundosCpu();
                renderizar(*v, g, h, lote, conSemiplano, caminos[j].via, r);
                t[j] = segundosCpu() - t0;
            }
            for (size_t j = 0; j < caminos.size(); ++j) {
                tiempos[j].push_back(t[j]);
                razones[j].push_back(t[0] / t[j]);
            }
        }
        todosIdenticos = todosIdenticos && identicos;
        std::printf("%-11s", v->nombre);
        for (size_t j = 0; j < caminos.size(); ++j) std::printf(" %9.4f", mediana(tiempos[j]));
        for (size_t j = 1; j < caminos.size(); ++j) std::printf(" %7.2fx", mediana(razones[j]));
        for (size_t j = 1; j < caminos.size(); ++j) std::printf(" %6.1f%%", compartido[j]);
        std::printf(" %7.1f%%", autoPerturbacion);
        std::printf(" %s\n", identicos ? "yes" : "NO");
        std::fflush(stdout);
    }
    std::printf("\nViews:\n");
    for (const VistaBanco* v : elegidas) std::printf("  %-11s %s\n", v->nombre, v->descripcion);
    return todosIdenticos ? 0 : 1;
}
