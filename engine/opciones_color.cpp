#include "opciones_color.h"

#include <cmath>

namespace brenquil {
namespace {

// Frequencies of the sine palette, one per channel.
constexpr double FRECUENCIA_ROJO = 0.108;
constexpr double FRECUENCIA_VERDE = 0.09;
constexpr double FRECUENCIA_AZUL = 0.05;
// Phase advance of the lower half-plane in mode 365.
constexpr double FASE_INFERIOR = 0.19;

// One channel of the palette, in double precision throughout: the product and
// the phase rounded to double, 128 * sin truncated toward zero, shifted by 128
// and reduced modulo 256.
uint8_t canal(int32_t n, double frecuencia, double fase) {
    const double a = n * frecuencia + fase;  // adding a zero phase changes nothing
    const int v = static_cast<int>(128.0 * std::sin(a));
    return static_cast<uint8_t>((v + 128) & 0xFF);
}

Color paleta(int32_t n, double fase) {
    return colorRGB(canal(n, FRECUENCIA_ROJO, fase), canal(n, FRECUENCIA_VERDE, fase),
                    canal(n, FRECUENCIA_AZUL, fase));
}

}  // namespace

Color colorIteracion(int32_t modo, int32_t n) {
    if (modo == COLOR_ITERACION) return paleta(n, 0.0);
    if (modo == COLOR_BLANCO_NEGRO) return (n % 2 != 0) ? BLANCO : NEGRO;
    return NEGRO;
}

Color colorDescomposicion(int32_t modo, int32_t n, Semiplano semiplano) {
    if (modo != COLOR_DESC_BINARIA && modo != COLOR_DESC_BINARIA_BN) return NEGRO;
    if (semiplano == Semiplano::Cero) {
        if (modo == COLOR_DESC_BINARIA_BN) return BLANCO;
        // Grey by n modulo 255, remainder with the sign of n, low 8 bits: n = -1 gives 255.
        const uint8_t gris = static_cast<uint8_t>(static_cast<int>(std::fmod(double(n), 255.0)));
        return colorRGB(gris, gris, gris);
    }
    const bool superior = semiplano == Semiplano::Superior;
    if (modo == COLOR_DESC_BINARIA_BN) return superior ? NEGRO : BLANCO;
    return paleta(n, superior ? 0.0 : FASE_INFERIOR);
}

bool usaZFinal(int32_t modo) { return modo == COLOR_DESC_BINARIA || modo == COLOR_DESC_BINARIA_BN; }

}  // namespace brenquil
