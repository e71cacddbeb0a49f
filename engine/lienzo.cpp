#include "lienzo.h"
#include "por_hilo.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "numeros.h"
#include "precision_x87.h"
#include "renderizado.h"
#include "reparto.h"
#include "tabla_srgb.h"

namespace brenquil {
namespace {

// Samples a thread takes at a time, at least: blocks of whole pixels.
constexpr int MUESTRAS_POR_BLOQUE = 64;

uint8_t codificar(uint64_t suma, uint64_t n) {
    // The value v with UMBRAL[v - 1] <= average < UMBRAL[v], compared in
    // integers as suma against UMBRAL * n.
    const auto pasa = [&](uint32_t umbral) { return suma >= uint64_t{umbral} * n; };
    return static_cast<uint8_t>(std::partition_point(std::begin(srgb::UMBRAL), std::end(srgb::UMBRAL), pasa) -
                                std::begin(srgb::UMBRAL));
}

}  // namespace

long double posicionMuestra(int64_t p, int s, const Lienzo& lienzo) {
    const int64_t n = lienzo.muestras;
    return static_cast<long double>((p * n + s) * LADO_IMAGEN) / static_cast<long double>(lienzo.ancho * n);
}

void PromedioLuz::sumar(Color c) {
    rojo_ += srgb::LUZ[rojoDe(c)];
    verde_ += srgb::LUZ[verdeDe(c)];
    azul_ += srgb::LUZ[azulDe(c)];
    ++n_;
}

Color PromedioLuz::promedio() const {
    if (n_ == 0) return NEGRO;
    return colorRGB(codificar(rojo_, n_), codificar(verde_, n_), codificar(azul_, n_));
}

void renderizarRectangulo(const Vista& vista, const Lienzo& lienzo, int x0, int y0, int ancho, int alto,
                          unsigned ayudantes, Color* destino) {
    fijarPrecisionX87(PrecisionX87::Extendida);
    const int n = lienzo.muestras;
    TareaEnOrden tarea;
    tarea.calcular = [&](int inicio, int fin) {
        // The samples of the block's pixels, pixel by pixel, row by row within a pixel.
        struct Muestras {
            std::vector<long double> columnas, filas;
            std::vector<Color> colores;
        };
        Muestras& m = porHilo<Muestras>();
        std::vector<long double>& columnas = m.columnas;
        std::vector<long double>& filas = m.filas;
        std::vector<Color>& colores = m.colores;
        const size_t muestras = static_cast<size_t>(fin - inicio) * n * n;
        columnas.resize(muestras);
        filas.resize(muestras);
        colores.resize(muestras);
        size_t k = 0;
        for (int i = inicio; i < fin; ++i) {
            const int64_t px = x0 + i % ancho;
            const int64_t py = y0 + i / ancho;
            for (int t = 0; t < n; ++t) {
                const long double fila = posicionMuestra(py, t, lienzo);
                for (int s = 0; s < n; ++s, ++k) {
                    columnas[k] = posicionMuestra(px, s, lienzo);
                    filas[k] = fila;
                }
            }
        }
        colorearMuestras(vista, muestras, columnas.data(), filas.data(), colores.data(), NEGRO);
        k = 0;
        for (int i = inicio; i < fin; ++i) {
            if (n == 1) {
                destino[i] = colores[k++];
                continue;
            }
            PromedioLuz promedio;
            for (int j = 0; j < n * n; ++j) promedio.sumar(colores[k++]);
            destino[i] = promedio.promedio();
        }
    };
    tarea.avance = [](int) { return true; };
    const int bloque = std::max(1, MUESTRAS_POR_BLOQUE / (n * n));
    calcularEnOrden(ancho * alto, bloque, ayudantes, tarea);
}

bool muestrasConfundidas(const Vista& vista, const Lienzo& lienzo) {
    const auto confundidas = [&](int pixeles, auto coordenada) {
        long double anterior = coordenada(posicionMuestra(0, 0, lienzo));
        for (int64_t p = 0; p < pixeles; ++p)
            for (int s = 0; s < lienzo.muestras; ++s) {
                if (p == 0 && s == 0) continue;
                const long double actual = coordenada(posicionMuestra(p, s, lienzo));
                if (actual == anterior) return true;
                anterior = actual;
            }
        return false;
    };
    return confundidas(lienzo.ancho, [&](long double p) { return realDePixel(vista, p); }) ||
           confundidas(lienzo.alto, [&](long double p) { return imaginarioDePixel(vista, p); });
}

}  // namespace brenquil
