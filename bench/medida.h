// What the benchmarks share: their named views, thread CPU time, the median
// and the processor's name.
#pragma once

#include <time.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <string>
#include <vector>

#include "iteracion.h"
#include "referencia.h"

namespace brenquil {

// A named 400 x 400 view on a plane with an iteration limit.
struct VistaBanco {
    const char* nombre;
    const char* descripcion;
    int16_t plano;
    CuadradoPlano vista;
    int16_t limite;

    Vista motor() const { return vistaMotor(plano, vista, limite); }
};

// Adds the view named `nombre` to `elegidas`; false when no view has that name.
template <size_t N>
bool elegirVista(const VistaBanco (&vistas)[N], const std::string& nombre, std::vector<const VistaBanco*>& elegidas) {
    for (const VistaBanco& v : vistas) {
        if (nombre == v.nombre) {
            elegidas.push_back(&v);
            return true;
        }
    }
    return false;
}

// All the views, when none was named.
template <size_t N>
void todasSiNinguna(const VistaBanco (&vistas)[N], std::vector<const VistaBanco*>& elegidas) {
    if (elegidas.empty()) {
        for (const VistaBanco& v : vistas) elegidas.push_back(&v);
    }
}

// A view given on the command line as PLANE,X,Y,SIDE,LIMIT (X + Yi the upper-left
// corner), named by that text; false when the text is not such a view.
inline bool leerVistaBanco(const char* texto, std::deque<VistaBanco>& vistas) {
    char* fin = nullptr;
    const long plano = std::strtol(texto, &fin, 10);
    long double valores[3];
    for (long double& valor : valores) {
        if (*fin != ',') return false;
        valor = std::strtold(fin + 1, &fin);
    }
    if (*fin != ',') return false;
    const long limite = std::strtol(fin + 1, &fin, 10);
    if (*fin != '\0' || !(valores[2] > 0) || limite < -32768 || limite > 32767) return false;
    vistas.push_back({texto, texto, static_cast<int16_t>(plano), {valores[0], valores[1], valores[2]},
                      static_cast<int16_t>(limite)});
    return true;
}

// The calling thread's CPU time in seconds.
inline double segundosCpu() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

inline double mediana(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The processor's model name, as the kernel reports it.
inline std::string modeloCpu() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string linea;
    while (std::getline(cpuinfo, linea)) {
        if (linea.rfind("model name", 0) == 0) {
            const size_t dos = linea.find(':');
            if (dos != std::string::npos) return linea.substr(linea.find_first_not_of(' ', dos + 1));
        }
    }
    return "unknown";
}

}  // namespace brenquil
