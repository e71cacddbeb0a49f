// The colouring options and the colour of a pixel from its escape count and last z.
#pragma once

#include <atomic>
#include <cstdint>

#include "codigos.h"
#include "semiplano.h"

namespace brenquil {

// A colour packed as 0x00BBGGRR, red in the low byte.
using Color = uint32_t;

inline constexpr Color NEGRO = 0x000000;
inline constexpr Color BLANCO = 0xFFFFFF;

constexpr Color colorRGB(uint8_t rojo, uint8_t verde, uint8_t azul) {
    return Color{rojo} | (Color{verde} << 8) | (Color{azul} << 16);
}
constexpr uint8_t rojoDe(Color c) { return c & 0xFF; }
constexpr uint8_t verdeDe(Color c) { return (c >> 8) & 0xFF; }
constexpr uint8_t azulDe(Color c) { return (c >> 16) & 0xFF; }

// The colour operations of a colour mode, for a colour index n and the last z.
// True for the modes that colour by the last z (365 and 370).
bool usaZFinal(int32_t modoColor);
// Modes 350 (sine palette) and 355 (parity); black for any other mode.
Color colorIteracion(int32_t modoColor, int32_t n);
// Modes 365 (palette by half-plane) and 370 (black and white by half-plane);
// black for any other mode.
Color colorDescomposicion(int32_t modoColor, int32_t n, Semiplano semiplano);
inline Color colorDescomposicion(int32_t modoColor, int32_t n, long double zx, long double zy) {
    return colorDescomposicion(modoColor, n, semiplanoDe(zx, zy));
}

// The window's colouring options: the operations above on the mode it holds.
struct OpcionesColor {
    // Both fields are read by the render threads for every block of pixels
    // while the interface thread may write them.
    std::atomic<int32_t> modoColor{COLOR_ITERACION};
    std::atomic<int32_t> dwell{DWELL_SI};

    bool usaZFinal() const { return brenquil::usaZFinal(modoColor.load(std::memory_order_relaxed)); }
    Color colorIteracion(int32_t n) const { return brenquil::colorIteracion(modoColor.load(std::memory_order_relaxed), n); }
    Color colorDescomposicion(int32_t n, long double zx, long double zy) const {
        return brenquil::colorDescomposicion(modoColor.load(std::memory_order_relaxed), n, zx, zy);
    }
};

}  // namespace brenquil
