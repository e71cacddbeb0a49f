#include "progreso_pelicula.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace brenquil {
namespace {

std::string duracion(double segundos) {
    const long long s = std::llround(std::max(0.0, segundos));
    char texto[32];
    if (s < 3600) {
        std::snprintf(texto, sizeof texto, "%lld:%02lld", s / 60, s % 60);
    } else {
        std::snprintf(texto, sizeof texto, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    }
    return texto;
}

}  // namespace

std::string etiquetaProgreso(int numero, int total, int guardados, double transcurridos, int dibujados,
                             double segundosDibujando, int porDibujar) {
    std::string t = "frame " + std::to_string(numero) + "/" + std::to_string(total);
    if (guardados > 0) t += ", " + std::to_string(guardados) + " kept";
    t += ", " + duracion(transcurridos) + " elapsed";
    if (dibujados > 0) t += ", about " + duracion(segundosDibujando / dibujados * porDibujar) + " left";
    return t;
}

ProgresoPelicula::ProgresoPelicula(const std::vector<bool>& guardados)
    : total_(static_cast<int>(guardados.size())),
      guardados_(static_cast<int>(std::count(guardados.begin(), guardados.end(), true))) {}

std::string ProgresoPelicula::empezar(int i) {
    inicioFotograma_ = Reloj::now();
    const double transcurridos = std::chrono::duration<double>(inicioFotograma_ - inicio_).count();
    const int n = std::min(dibujados_, RECIENTES);
    double segundos = 0;
    for (int k = 0; k < n; ++k) segundos += recientes_[k];
    return etiquetaProgreso(i + 1, total_, guardados_, transcurridos, n, segundos, total_ - guardados_ - dibujados_);
}

void ProgresoPelicula::dibujado() {
    recientes_[dibujados_ % RECIENTES] = std::chrono::duration<double>(Reloj::now() - inicioFotograma_).count();
    ++dibujados_;
}

}  // namespace brenquil
