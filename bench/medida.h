// What the benchmarks share: their named views, thread CPU time, the median
// and the processor's name.
#pragma once

#include <time.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "iteracion.h"

namespace brenquil {

// A named 400 x 400 view on a plane with an iteration limit.
struct Vista {
    const char* nombre;
    const char* descripcion;
    int16_t plano;
    VistaPlano vista;
    int16_t limite;
};

// Adds the view named `nombre` to `elegidas`; false when no view has that name.
template <size_t N>
bool elegirVista(const Vista (&vistas)[N], const std::string& nombre, std::vector<const Vista*>& elegidas) {
    for (const Vista& v : vistas) {
        if (nombre == v.nombre) {
            elegidas.push_back(&v);
            return true;
        }
    }
    return false;
}

// All the views, when none was named.
template <size_t N>
void todasSiNinguna(const Vista (&vistas)[N], std::vector<const Vista*>& elegidas) {
    if (elegidas.empty()) {
        for (const Vista& v : vistas) elegidas.push_back(&v);
    }
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
