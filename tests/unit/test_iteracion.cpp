// The escape-time iteration on the three planes: the listed pixels with their
// counts and last z, the limits at the edges of the 16-bit range, and the
// other plane codes.
#include <gtest/gtest.h>

#include <cmath>

#include "codigos.h"
#include "iteracion.h"
#include "iterador.h"
#include "referencia.h"

using namespace brenquil;

namespace {

// The pixel (0, 0) of a view whose corner is the given point.
ResultadoIteracion enEsquina(int16_t plano, long double x, long double y, int16_t maxIter) {
    return iterarPixel(vistaMotor(plano, CuadradoPlano{x, y, 1.0L}, maxIter), 0, 0);
}

}  // namespace

TEST(IteracionPlano300, PuntosConocidos) {
    // c = 0 stays at 0.
    auto r = enEsquina(PLANO_CARDIOIDE, 0, 0, 100);
    EXPECT_EQ(r.cuenta, 101);
    EXPECT_EQ(r.zx, 0.0L);
    EXPECT_EQ(r.zy, 0.0L);
    // c = 1: z1 = 1, z2 = 2 and |z2|^2 = 4 stops it; the test is "at least 4".
    r = enEsquina(PLANO_CARDIOIDE, 1, 0, 100);
    EXPECT_EQ(r.cuenta, 2);
    EXPECT_EQ(r.zx, 2.0L);
    EXPECT_EQ(r.zy, 0.0L);
    // c = -2: |z1|^2 = 4.
    r = enEsquina(PLANO_CARDIOIDE, -2, 0, 100);
    EXPECT_EQ(r.cuenta, 1);
    EXPECT_EQ(r.zx, -2.0L);
    EXPECT_EQ(r.zy, 0.0L);
}

TEST(IteracionPlano300, ElPlanoEsElEspejoDeW) {
    // The corner 0.5i stands for c = -0.5i: same count as c = 0.5i (corner
    // -0.5i), last z mirrored in the real axis.
    const auto arriba = enEsquina(PLANO_CARDIOIDE, 0, 0.5L, 1000);
    const auto abajo = enEsquina(PLANO_CARDIOIDE, 0, -0.5L, 1000);
    EXPECT_EQ(arriba.cuenta, abajo.cuenta);
    EXPECT_EQ(arriba.zx, abajo.zx);
    EXPECT_EQ(arriba.zy, -abajo.zy);
    EXPECT_NE(arriba.zy, 0.0L);
    // c = -0.5i: z1 = -0.5i, so the first step's imaginary part is -h.
    const auto paso = enEsquina(PLANO_CARDIOIDE, 0, 0.5L, 0);
    EXPECT_EQ(paso.zy, -0.5L);
}

TEST(IteracionPlano300, CentroDeLaVistaInicial) {
    // Pixel (100, 200) of (-4, 8, 16) lies exactly on w = 0; the first render uses 62.
    const auto r = iterarPixel(vistaMotor(PLANO_CARDIOIDE, CuadradoPlano{-4, 8, 16}, 62), 100, 200);
    EXPECT_EQ(r.cuenta, 63);
    EXPECT_EQ(r.zx, 0.0L);
    EXPECT_EQ(r.zy, 0.0L);
}

TEST(IteracionPlano305, EpsilonCuenta) {
    auto r = enEsquina(PLANO_CARDIOIDE_INV, 0, 0, 500);
    EXPECT_EQ(r.cuenta, 501);
    // c = 1/(1 + 0.001354), not 1: z2 = 1.99595... stays inside, count 3.
    r = enEsquina(PLANO_CARDIOIDE_INV, 1, 0, 500);
    EXPECT_EQ(r.cuenta, 3);
    EXPECT_NEAR(double(r.zx), 4.98245, 5e-6);
    EXPECT_EQ(r.zy, 0.0L);
    // The one epsilon of this plane is the double 0.001354 widened, not the
    // extended decimal: c = 1/(1 + eps1) for both parts.
    r = enEsquina(PLANO_CARDIOIDE_INV, 1, 0, 0);
    EXPECT_EQ(r.zx, 1.0L / (1.0L + (long double)0.001354));
    // Near w = 0, where the epsilon dominates t, the two constants give
    // different points.
    const long double g = 1.0L / 1024;
    r = enEsquina(PLANO_CARDIOIDE_INV, g, 0, 0);
    EXPECT_EQ(r.zx, g * (1.0L / (g * g + (long double)0.001354)));
    EXPECT_NE(r.zx, g * (1.0L / (g * g + 0.001354L))) << "the extended decimal 0.001354L was used";
}

TEST(IteracionPlano310, PuntosConocidos) {
    auto r = enEsquina(PLANO_PARABOLA, 1, 0, 500);
    EXPECT_EQ(r.cuenta, 2);
    EXPECT_NEAR(double(r.zx), 2.80777, 5e-6);
    EXPECT_EQ(r.zy, 0.0L);
    // c = 1/4 creeps towards 1/2 and never escapes.
    r = enEsquina(PLANO_PARABOLA, 0, 0, 2000);
    EXPECT_EQ(r.cuenta, 2001);
    EXPECT_GT(r.zx, 0.49L);
    EXPECT_LT(r.zx, 0.5L);
}

TEST(IteracionPlano310, EpsilonDistintoEnCadaParte) {
    // One step from z = 0 leaves c itself: 0.25 + g*m2 as the real component, -h*m3
    // as the imaginary one, with m2 and m3 from two different epsilons.
    const long double g = 0.5L, h = 0.5L;
    const auto r = enEsquina(PLANO_PARABOLA, g, h, 0);
    const long double t = g * g + h * h;
    const long double m2 = 1.0L / (t + (long double)0.00135410011001);
    const long double m3 = 1.0L / (t + (long double)0.0013540001);
    EXPECT_EQ(r.zx, 0.25L + g * m2);
    EXPECT_EQ(r.zy, -(h * m3));
    // With g = h, one epsilon for both parts would give them the same size.
    EXPECT_NE(r.zx - 0.25L, -r.zy) << "both parts were divided by the same t + epsilon";
}

TEST(IteracionLimites, LimiteCeroDaUnPasoConZIgualAC) {
    const CuadradoPlano vista{-1.25L, 0.75L, 0.5L};
    const int16_t px = 40, py = 80;
    const long double g = realDePixel(vistaMotor(PLANO_CARDIOIDE, vista, 0), px);
    const long double h = imaginarioDePixel(vistaMotor(PLANO_CARDIOIDE, vista, 0), py);
    const long double t = g * g + h * h;
    const long double m1 = 1.0L / (t + (long double)0.001354);
    const long double m2 = 1.0L / (t + (long double)0.00135410011001);
    const long double m3 = 1.0L / (t + (long double)0.0013540001);
    struct Caso {
        int16_t plano;
        long double cx, cy;
    };
    for (const Caso& c : {Caso{PLANO_CARDIOIDE, g, -h}, Caso{PLANO_CARDIOIDE_INV, g * m1, -(h * m1)},
                          Caso{PLANO_PARABOLA, 0.25L + g * m2, -(h * m3)}}) {
        const auto r = iterarPixel(vistaMotor(c.plano, vista, 0), px, py);
        EXPECT_EQ(r.cuenta, 1) << c.plano;
        EXPECT_EQ(r.zx, c.cx) << c.plano;
        EXPECT_EQ(r.zy, c.cy) << c.plano;
    }
}

TEST(IteracionLimites, LimiteNegativoNoHaceNingunPaso) {
    for (int16_t m : {-1, -2, -994, -32768}) {
        const auto r = enEsquina(PLANO_CARDIOIDE, 0.3L, 0.1L, m);
        EXPECT_EQ(r.cuenta, 0);
        EXPECT_EQ(r.zx, 0.0L);
        EXPECT_EQ(r.zy, 0.0L);
    }
}

TEST(IteracionLimites, Limite32767SeTomaComo32766) {
    // A pixel that never escapes would loop for ever with 32767.
    const auto r = enEsquina(PLANO_CARDIOIDE, 0, 0, 32767);
    EXPECT_EQ(r.cuenta, 32767);
    const auto r2 = enEsquina(PLANO_CARDIOIDE, -0.1L, 0.1L, 32766);
    EXPECT_EQ(r2.cuenta, 32767);
}

TEST(IteracionLimites, OtroCodigoDePlanoDejaZEnCero) {
    for (int16_t plano : {301, 0, -300, 999}) {
        const auto r = enEsquina(plano, 1, 1, 77);
        EXPECT_EQ(r.cuenta, 78);
        EXPECT_EQ(r.zx, 0.0L);
        EXPECT_EQ(r.zy, 0.0L);
    }
}

TEST(IteracionLimites, CuentaEnRangoYPrimerPuntoFuera) {
    // For every pixel of a coarse grid: 1 <= count <= limit + 1, and an
    // escaped pixel's last z is outside the circle of radius 2.
    const CuadradoPlano vista{-2.5L, 1.5L, 3.0L};
    for (int16_t plano : {PLANO_CARDIOIDE, PLANO_CARDIOIDE_INV, PLANO_PARABOLA}) {
        for (int16_t py = 0; py <= 400; py += 16) {
            for (int16_t px = 0; px <= 400; px += 16) {
                const auto r = iterarPixel(vistaMotor(plano, vista, 200), px, py);
                ASSERT_GE(r.cuenta, 1);
                ASSERT_LE(r.cuenta, 201);
                if (r.cuenta <= 200) {
                    ASSERT_GE(r.zx * r.zx + r.zy * r.zy, 4.0L);
                }
            }
        }
    }
}

TEST(Iterador, GuardaLaUltimaZYLeeElPlano) {
    Iterador it(PLANO_CARDIOIDE);
    it.setX(1);
    it.setY(0);
    it.setLado(1);
    EXPECT_EQ(it.iterar(0, 0, 10), 2);
    EXPECT_EQ(it.getZx(), 2.0L);
    it.setPlano(PLANO_CARDIOIDE_INV);
    EXPECT_EQ(it.iterar(0, 0, 10), 3);
    it.setPlano(301);
    EXPECT_EQ(it.getPlano(), 301);
    EXPECT_EQ(it.iterar(0, 0, 10), 11);
    EXPECT_EQ(it.getZx(), 0.0L);
}
