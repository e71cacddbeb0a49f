// Times renders of brenquil.exe itself, driven from outside as a user would:
// the view typed into "Parametros de Enfoque", the step set to 0, the render
// started by the run/stop command and timed until its thread has ended.
// Prints, for each view, the median wall time of the window's render.
//
//   tiempo_ventana BRENQUIL.EXE [REPETICIONES]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "conductor.h"
#include "dialogos_prueba.h"
#include "recursos.h"

using namespace brenquil;
using namespace brenquil::prueba;
using namespace std::chrono_literals;

namespace {

struct Vista {
    const char* nombre;
    const char* descripcion;
    const char* iteraciones;
    const char* x;
    const char* y;
    const char* lado;
};

// "dibujo" has limit 0: every pixel stops after one step, so its time is
// what the window's drawing costs.
const Vista kVistas[] = {
    {"dibujo", "limit 0: drawing alone", "0", "-4", "8", "16"},
    {"inicial", "plane 300 (-4 + 8i, side 16), 62 iterations", "62", "-4", "8", "16"},
    {"conjunto", "plane 300 (-2.5 + 1.5i, side 3), 32766 iterations", "32766", "-2.5", "1.5", "3"},
    {"frontera", "plane 300, boundary square of side 1e-12, 5000 iterations", "5000",
     "-0.743643887037151", "0.131825904205331", "1e-12"},
};

[[noreturn]] void fallar(const std::string& mensaje) {
    std::fprintf(stderr, "tiempo_ventana: %s\n", mensaje.c_str());
    std::exit(1);
}

void ponerVista(const Programa& programa, const Vista& v) {
    programa.comando(CM_PARAMETROS);
    const HWND cuadro = programa.esperarCuadro("Parametros de Enfoque");
    if (!cuadro) fallar("the parameters dialog did not open");
    if (!ponerTextoControl(cuadro, ID_ITERACIONES, v.iteraciones) || !ponerTextoControl(cuadro, ID_XSUPIZQ, v.x) ||
        !ponerTextoControl(cuadro, ID_YSUPIZQ, v.y) || !ponerTextoControl(cuadro, ID_LADO, v.lado)) {
        fallar("could not type into the parameters dialog");
    }
    if (!pulsarYEsperarCierre(cuadro, IDOK)) fallar("the parameters dialog did not close");
}

// One render of the current view, from the command to the end of its thread.
double renderizar(const Programa& programa) {
    const auto inicio = std::chrono::steady_clock::now();
    if (!programa.enviarComando(CM_EJECUTAR_DETENER)) fallar("the run command was not taken");
    if (!programa.esperarFinCalculo(600s)) fallar("the render did not end");
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) fallar("usage: tiempo_ventana BRENQUIL.EXE [REPETICIONES]");
    const int repeticiones = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    Programa programa;
    std::string error;
    if (!programa.iniciar(argv[1], error)) fallar(error);
    if (!programa.esperarFinCalculo()) fallar("the first render did not end");
    if (!programa.enviarComando(CM_ITER_ACTUAL)) fallar("the step command was not taken");

    std::printf("%d timed renders per view, medians of wall time\n\n", repeticiones);
    std::printf("%-10s %10s\n", "view", "window s");
    for (const Vista& v : kVistas) {
        ponerVista(programa, v);
        std::vector<double> tiempos;
        for (int i = 0; i < repeticiones; ++i) tiempos.push_back(renderizar(programa));
        std::sort(tiempos.begin(), tiempos.end());
        std::printf("%-10s %10.3f\n", v.nombre, tiempos[tiempos.size() / 2]);
    }
    std::printf("\nViews:\n");
    for (const Vista& v : kVistas) std::printf("  %-9s %s\n", v.nombre, v.descripcion);
    const auto salida = programa.cerrar();
    if (!salida || *salida != 0) fallar("the program did not close cleanly");
    return 0;
}
