// The arithmetic of a zoom movie's frames in process, in both builds: the
// logarithm and exponential made of +, -, * and / against the C library's,
// and movies so wide that r^t or r - 1 overflow the format.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "fotogramas.h"

using namespace brenquil;

namespace {

// |a - b| in units in the last place of b.
long double ulps(long double a, long double b) {
    if (a == b) return 0;
    return std::fabs(a - b) / (std::nextafter(std::fabs(b), std::numeric_limits<long double>::infinity()) - std::fabs(b));
}

TEST(Fotogramas, LogaritmoYExponencialComoLosDeLaBibliotecaC) {
    for (long double x : {0x1p-16440L, 1e-4900L, 1e-300L, 0.5L, 0.7071067811865475244L, 0.75L, 1.0L, 1 + 0x1p-63L,
                          1.4142135623730950488L, 2.0L, 10.0L, 12345.678L, 1e300L, 1e4930L}) {
        EXPECT_LE(ulps(logaritmoNatural(x), std::log(x)), 2) << x;
    }
    EXPECT_EQ(logaritmoNatural(1), 0);
    for (long double x : {-1e-30L, -0x1p-63L, -1e-10L, -0.1L, -0.34L, -0.35L, -0.5L, -0.7L, -1.0L, -2.5L, -10.0L, -44.0L,
                          -100.0L}) {
        EXPECT_LE(ulps(exponencialMenosUno(x), std::expm1(x)), 2) << x;
    }
    EXPECT_EQ(exponencialMenosUno(0), 0);
}

// From a side of 1e-4900 to one of 1e4900 and back: r, r - 1 and r^t lie
// far outside the format, the frames inside it.
TEST(Fotogramas, UnZoomFueraDelFormatoDaFotogramasFinitos) {
    const Vista diminuta{30, 300, 350, 380, -0.75L, 0.125L, 1e-4900L};
    const Vista inmensa{30, 300, 350, 380, -1e4900L, 1e4900L, 1e4900L};
    for (bool alejar : {true, false}) {
        const Vista& a = alejar ? diminuta : inmensa;
        const Vista& b = alejar ? inmensa : diminuta;
        const int n = 9;
        long double anterior = alejar ? 0 : std::numeric_limits<long double>::infinity();
        for (int k = 0; k < n; ++k) {
            const Vista v = vistaDeFotograma(a, b, k, n);
            const long double t = static_cast<long double>(k) / (n - 1);
            ASSERT_TRUE(std::isfinite(v.xSupIzq) && std::isfinite(v.ySupIzq) && std::isfinite(v.lado)) << k;
            // The logarithm of the side goes in a straight line.
            const long double lnLado = std::log(a.lado) + (std::log(b.lado) - std::log(a.lado)) * t;
            EXPECT_NEAR(std::log(v.lado), lnLado, 1e-14L) << k;
            EXPECT_TRUE(alejar ? v.lado > anterior : v.lado < anterior) << k;
            anterior = v.lado;
        }
    }
}

}  // namespace
