// Renders named 400 x 400 views with the literal loop and with the engine's
// iteration, side by side in one run, and prints for each view the total
// iterations, the time per iteration of each and the speed-up.
//
// Method: one warm-up render of each (which also checks that both give the
// same count and the same 80-bit last z at every pixel), then N timed
// repetitions that alternate the loop and the engine, so that a load change on
// the machine falls on both alike; a light view is rendered several times per
// repetition, so that each takes at least about 0.2 s. Times are the thread's
// CPU time; the
// figures are the medians of the repetitions, and the speed-up is the median
// of the per-repetition ratios. "Iterations" are the steps of the literal loop
// (the sum of the counts); the engine's time is divided by the same number,
// although periodic orbits let it skip most of their steps.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "codigos.h"
#include "iteracion.h"
#include "medida.h"
#include "precision_x87.h"
#include "referencia.h"

using namespace brenquil;

namespace {

// The boundary view: a square of side 1e-12 around a point of the boundary in
// the valley between the main cardioid and the bulb of period 2,
// c = -0.743643887037158704752191506114774 + 0.131825904205311970493132056385139i.
// On plane 300 the pixel w = g + h i stands for c = g - h i, so the top edge
// is h = -0.1318... + 5e-13. The corner is given as decimal text, as
// bench/tiempos_render.sh passes it to brenquil-render.
constexpr long double FRONTERA_X = -0.743643887037658704752191506114774L;
constexpr long double FRONTERA_Y = -0.131825904204811970493132056385139L;
constexpr long double FRONTERA_LADO = 1e-12L;

const VistaBanco VISTAS[] = {
    {"inicial", "plane 300, the first picture (-4 + 8i, side 16), 62 iterations", PLANO_CARDIOIDE,
     {-4.0L, 8.0L, 16.0L}, 62},
    {"conjunto", "plane 300, the whole set (-2.5 + 1.5i, side 3), 32766 iterations", PLANO_CARDIOIDE,
     {-2.5L, 1.5L, 3.0L}, 32766},
    {"frontera", "plane 300, a boundary square of side 1e-12, 5000 iterations", PLANO_CARDIOIDE,
     {FRONTERA_X, FRONTERA_Y, FRONTERA_LADO}, 5000},
    {"inversa", "plane 305 (-4 + 4i, side 8), 1024 iterations", PLANO_CARDIOIDE_INV,
     {-4.0L, 4.0L, 8.0L}, 1024},
    {"parabola", "plane 310 (-6 + 6i, side 12), 4096 iterations", PLANO_PARABOLA,
     {-6.0L, 6.0L, 12.0L}, 4096},
};

bool mismosBits(long double a, long double b) { return std::memcmp(&a, &b, 10) == 0; }

// Keeps the results observable so that no render is optimised away.
volatile long sumidero;

// `vueltas` renders of the 400 x 400 pixels; returns the sum of the counts of one.
template <typename Iterar>
long renderizar(Iterar&& iterar, std::vector<ResultadoIteracion>* salida, int vueltas = 1) {
    long total = 0;
    for (int i = 1; i < vueltas; ++i) renderizar(iterar, nullptr);
    for (int16_t py = 0; py < LADO_IMAGEN; ++py) {
        for (int16_t px = 0; px < LADO_IMAGEN; ++px) {
            const ResultadoIteracion r = iterar(px, py);
            total += r.cuenta;
            if (salida) salida->push_back(r);
        }
    }
    return total;
}

struct Medida {
    long iteraciones = 0;
    long interiores = 0;
    double nsReferencia = 0;
    double nsMotor = 0;
    double aceleracion = 0;
    bool identicos = true;
};

Medida medir(const VistaBanco& v, int repeticiones) {
    const std::atomic<int16_t> plano{v.plano};
    auto referencia = [&](int16_t px, int16_t py) {
        return iterarReferencia(plano, v.vista, px, py, v.limite);
    };
    auto motor = [&](int16_t px, int16_t py) { return iterarPixel(v.motor(), px, py); };

    Medida m;
    std::vector<ResultadoIteracion> a, b;
    a.reserve(LADO_IMAGEN * LADO_IMAGEN);
    b.reserve(LADO_IMAGEN * LADO_IMAGEN);
    const double inicio = segundosCpu();
    m.iteraciones = renderizar(referencia, &a);
    // A light view is rendered several times per measurement, so that each
    // measures at least about 0.2 s of the loop.
    const int vueltas = static_cast<int>(std::clamp(0.2 / (segundosCpu() - inicio), 1.0, 10000.0));
    renderizar(motor, &b);
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].cuenta == v.limite + 1) ++m.interiores;
        if (a[i].cuenta != b[i].cuenta || !mismosBits(a[i].zx, b[i].zx) || !mismosBits(a[i].zy, b[i].zy)) {
            m.identicos = false;
        }
    }

    // The CPU seconds of `vueltas` renders.
    const auto cronometrar = [&](auto& iterar) {
        const double t0 = segundosCpu();
        sumidero = renderizar(iterar, nullptr, vueltas);
        return segundosCpu() - t0;
    };
    std::vector<double> tRef, tMotor, razones;
    for (int r = 0; r < repeticiones; ++r) {
        // Alternate which goes first, so that neither always follows the other.
        if (r % 2 == 0) {
            tRef.push_back(cronometrar(referencia));
            tMotor.push_back(cronometrar(motor));
        } else {
            tMotor.push_back(cronometrar(motor));
            tRef.push_back(cronometrar(referencia));
        }
        razones.push_back(tRef.back() / tMotor.back());
    }
    const double iteraciones = static_cast<double>(m.iteraciones) * vueltas;
    m.nsReferencia = 1e9 * mediana(tRef) / iteraciones;
    m.nsMotor = 1e9 * mediana(tMotor) / iteraciones;
    m.aceleracion = mediana(razones);
    return m;
}

void uso() {
    std::fprintf(stderr,
                 "usage: bench_iteracion [--repeticiones N] [VIEW...]\n"
                 "  N timed repetitions of each render (default 5); VIEWs among:\n");
    for (const VistaBanco& v : VISTAS) std::fprintf(stderr, "    %-9s %s\n", v.nombre, v.descripcion);
}

}  // namespace

int main(int argc, char** argv) {
    int repeticiones = 5;
    std::vector<const VistaBanco*> elegidas;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--repeticiones" && i + 1 < argc) {
            repeticiones = std::atoi(argv[++i]);
            if (repeticiones < 1) {
                uso();
                return 2;
            }
            continue;
        }
        if (!elegirVista(VISTAS, arg, elegidas)) {
            uso();
            return 2;
        }
    }
    todasSiNinguna(VISTAS, elegidas);

    fijarPrecisionX87(PrecisionX87::Extendida);
    std::printf("CPU: %s, %u cores\n", modeloCpu().c_str(), std::thread::hardware_concurrency());
    std::printf("%d timed repetitions per view, medians of thread CPU time\n\n", repeticiones);
    std::printf("%-9s %15s %9s %12s %12s %9s %s\n", "view", "iterations", "interior", "ns/it loop",
                "ns/it engine", "speed-up", "identical");
    std::fflush(stdout);
    bool todosIdenticos = true;
    for (const VistaBanco* v : elegidas) {
        const Medida m = medir(*v, repeticiones);
        todosIdenticos = todosIdenticos && m.identicos;
        std::printf("%-9s %15ld %8.1f%% %12.3f %12.3f %8.2fx %s\n", v->nombre, m.iteraciones,
                    100.0 * static_cast<double>(m.interiores) / (LADO_IMAGEN * LADO_IMAGEN), m.nsReferencia,
                    m.nsMotor, m.aceleracion, m.identicos ? "yes" : "NO");
        std::fflush(stdout);
    }
    std::printf("\nViews:\n");
    for (const VistaBanco* v : elegidas) std::printf("  %-9s %s\n", v->nombre, v->descripcion);
    return todosIdenticos ? 0 : 1;
}
