// Plane, colour-mode and dwell codes. Each code is also the identifier of the
// menu command that selects it.
#pragma once

#include <cstdint>

namespace brenquil {

inline constexpr int16_t PLANO_CARDIOIDE = 300;      // c = conj(w)
inline constexpr int16_t PLANO_CARDIOIDE_INV = 305;  // c = conj(1/w), kept finite at w = 0
inline constexpr int16_t PLANO_PARABOLA = 310;       // c = conj(1/w) + 1/4

inline constexpr int32_t COLOR_ITERACION = 350;
inline constexpr int32_t COLOR_BLANCO_NEGRO = 355;
inline constexpr int32_t COLOR_DESC_BINARIA = 365;
inline constexpr int32_t COLOR_DESC_BINARIA_BN = 370;

inline constexpr int32_t DWELL_SI = 380;
inline constexpr int32_t DWELL_NO = 385;

}  // namespace brenquil
