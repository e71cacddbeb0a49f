// The Windows side of bench/tiempos_ventana.sh, which times renders of a
// running brenquil.exe from a key press typed through X until the screen
// shows the finished picture. It takes the program's window and reads
// commands, one per line, from its standard input:
//
//   medir ITERACIONES X Y LADO
//       types the view into "Parametros de Enfoque" with that limit, sets the
//       step to 0, clears the picture and waits until it is white and no
//       render runs; computes the picture the view must give (the literal
//       loop and colouring); prints "listo"; then, while the script presses
//       F12, watches the window until it shows exactly that picture and
//       prints "fin SECONDS", the wall-clock time (Unix epoch) it saw it at.
//   salir
//
// Errors are printed as "error TEXT".
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <tuple>

#include "conductor.h"
#include "dialogos_prueba.h"
#include "recursos.h"
#include "referencia.h"
#include "texto_numero.h"

using namespace brenquil;
using namespace brenquil::prueba;

namespace {

// Wall-clock seconds since 1970, as the Linux side's `date +%s.%N` gives them.
double segundosEpoca() {
    FILETIME ft;
    GetSystemTimePreciseAsFileTime(&ft);
    const unsigned long long cien = (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    return (cien - 116444736000000000ULL) / 1e7;
}

void responder(const std::string& linea) {
    std::cout << linea << std::endl;
}

std::string medir(const Programa& programa, const std::string& iteraciones, const std::string& x,
                  const std::string& y, const std::string& lado) {
    static std::map<std::tuple<std::string, std::string, std::string, std::string>, Imagen> calculadas;
    auto clave = std::make_tuple(iteraciones, x, y, lado);
    auto it = calculadas.find(clave);
    if (it == calculadas.end()) {
        const VistaReferencia v{PLANO_CARDIOIDE, COLOR_ITERACION, DWELL_SI,
                                static_cast<int16_t>(std::stoi(iteraciones)),
                                {textoAReal(x), textoAReal(y), textoAReal(lado)}};
        Imagen imagen(LADO_IMAGEN, LADO_IMAGEN);
        imagen.pixeles = imagenReferencia(v);
        it = calculadas.emplace(clave, std::move(imagen)).first;
    }
    const Imagen& esperada = it->second;

    if (std::string error = escribirVista(programa, iteraciones, x, y, lado); !error.empty()) return error;
    if (!programa.enviarComando(CM_ITER_ACTUAL) || !programa.enviarComando(CM_BORRAR)) return "a command was not taken";
    const Imagen blanca(LADO_IMAGEN, LADO_IMAGEN, BLANCO);
    if (!esperarHasta([&] {
            const std::optional<Imagen> c = programa.capturarImagen();
            return programa.hilosCalculo() == 0 && c && *c == blanca;
        })) {
        return "the picture did not turn white";
    }
    responder("listo");
    // Watching costs the machine what the render needs: the top row alone is
    // read until it is right (the last ring drawn holds it), and the pauses
    // between readings grow from 1 to 16 ms, under 1% of a deep render.
    const Imagen filaEsperada = esperada.recorte(0, 0, LADO_IMAGEN, 1);
    const auto limite = std::chrono::steady_clock::now() + std::chrono::minutes(10);
    int pausa = 1;
    double fin = 0;
    for (;;) {
        const std::optional<Imagen> fila = programa.capturar(0, 0, LADO_IMAGEN, 1);
        if (fila && *fila == filaEsperada) {
            fin = segundosEpoca();
            const std::optional<Imagen> c = programa.capturarImagen();
            if (c && *c == esperada) break;
        }
        if (std::chrono::steady_clock::now() > limite) return "the window never showed the picture";
        Sleep(pausa);
        pausa = std::min(pausa * 2, 16);
    }
    char linea[64];
    std::snprintf(linea, sizeof linea, "fin %.6f", fin);
    responder(linea);
    return {};
}

}  // namespace

int main() {
    Programa programa;
    std::string error;
    if (!programa.adjuntar(error)) {
        responder("error " + error);
        return 1;
    }
    std::string linea;
    while (std::getline(std::cin, linea)) {
        if (!linea.empty() && linea.back() == '\r') linea.pop_back();
        std::istringstream palabras(linea);
        std::string orden, iteraciones, x, y, lado;
        palabras >> orden;
        if (orden == "salir") return 0;
        if (orden == "medir" && (palabras >> iteraciones >> x >> y >> lado)) {
            if (std::string e = medir(programa, iteraciones, x, y, lado); !e.empty()) responder("error " + e);
        } else {
            responder("error unknown command: " + linea);
        }
    }
    return 0;
}
