// The parameter records the tests of files share: the start-up record and a
// worked example, byte for byte and as values, and the check of the seven
// values of a view.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <string>

#include "codigos.h"
#include "registro_parametros.h"

namespace brenquil::prueba {

inline std::string espacios(std::size_t n) { return std::string(n, ' '); }

// A number as a 40-character field of the record or text of an edit box.
inline std::string campo40(const std::string& numero) { return numero + espacios(40 - numero.size()); }

// The start-up view: 30 iterations, plane 300, colour 350, dwell 380, corner -4 + 8i, side 16.
inline const std::string kRegistroInicial =
    "30    300350380-4" + espacios(38) + "8" + espacios(39) + "16" + espacios(38);
// 1024 iterations, plane 305, colour 365, dwell 385, corner -0.75 + 0.125i, side 2^-14.
inline const std::string kRegistroEjemplo =
    "1024  305365385-0.75" + espacios(35) + "0.125" + espacios(35) + "6.103515625e-05" + espacios(25);

// The values of kRegistroEjemplo.
inline Vista registroEjemplo() {
    return {1024, PLANO_CARDIOIDE_INV, COLOR_DESC_BINARIA, DWELL_NO, -0.75L, 0.125L, std::ldexp(1.0L, -14)};
}

inline void esperarIguales(const Vista& a, const Vista& b) {
    EXPECT_EQ(a.iteraciones, b.iteraciones);
    EXPECT_EQ(a.plano, b.plano);
    EXPECT_EQ(a.modoColor, b.modoColor);
    EXPECT_EQ(a.dwell, b.dwell);
    EXPECT_EQ(a.xSupIzq, b.xSupIzq);
    EXPECT_EQ(a.ySupIzq, b.ySupIzq);
    EXPECT_EQ(a.lado, b.lado);
}

}  // namespace brenquil::prueba
