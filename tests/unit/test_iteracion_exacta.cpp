// The engine's iteration against the literal loop, pixel by pixel: the same
// count and the same 80-bit last z (compared as the 10 bytes of the format,
// so that +0 and -0, and NaN patterns, count as different values) on every
// plane, at the smallest and largest limits, in views full of periodic
// interior points, at the points w = 0 of the inverted planes and in views
// with non-finite coordinates.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "codigos.h"
#include "iteracion.h"
#include "referencia.h"

using namespace brenquil;

namespace {

constexpr int16_t PLANOS[] = {PLANO_CARDIOIDE, PLANO_CARDIOIDE_INV, PLANO_PARABOLA};

// The positions that the render visits: columns and rows -1 .. 400.
constexpr int PRIMER_PIXEL = -1;
constexpr int ULTIMO_PIXEL = 400;

bool mismosBits(long double a, long double b) { return std::memcmp(&a, &b, 10) == 0; }

std::string bytes(long double v) {
    unsigned char b[10];
    std::memcpy(b, &v, 10);
    std::string s;
    char dos[3];
    for (int i = 9; i >= 0; --i) {
        std::snprintf(dos, sizeof dos, "%02x", b[i]);
        s += dos;
    }
    return s + " (" + std::to_string(static_cast<double>(v)) + ")";
}

struct Recuento {
    long pixeles = 0;
    long interiores = 0;  // pixels that did not escape: count maxIter + 1
};

// Compares the engine and the loop on the pixels (px, py) for px and py in
// the given positions; a mismatch is described with both results' bytes.
template <typename Columnas, typename Filas>
testing::AssertionResult igualQueReferenciaEn(int16_t plano, const CuadradoPlano& vista, int16_t maxIter,
                                              const Columnas& columnas, const Filas& filas,
                                              Recuento* recuento = nullptr) {
    const std::atomic<int16_t> planoCompartido{plano};
    int fallos = 0;
    std::string detalle;
    Recuento r;
    for (int py : filas) {
        for (int px : columnas) {
            const auto esperado = iterarReferencia(planoCompartido, vista, static_cast<int16_t>(px),
                                                   static_cast<int16_t>(py), maxIter);
            const auto obtenido = iterarPixel(vistaMotor(plano, vista, maxIter), px, py);
            ++r.pixeles;
            if (esperado.cuenta == int{limiteEfectivo(maxIter)} + 1) ++r.interiores;
            if (esperado.cuenta == obtenido.cuenta && mismosBits(esperado.zx, obtenido.zx) &&
                mismosBits(esperado.zy, obtenido.zy)) {
                continue;
            }
            if (++fallos <= 5) {
                detalle += "\n  pixel (" + std::to_string(px) + ", " + std::to_string(py) +
                           "): count " + std::to_string(obtenido.cuenta) + " instead of " +
                           std::to_string(esperado.cuenta) + ", zx " + bytes(obtenido.zx) +
                           " instead of " + bytes(esperado.zx) + ", zy " + bytes(obtenido.zy) +
                           " instead of " + bytes(esperado.zy);
            }
        }
    }
    if (recuento) *recuento = r;
    if (fallos == 0) return testing::AssertionSuccess();
    return testing::AssertionFailure() << fallos << " of " << r.pixeles << " pixels differ on plane "
                                       << plano << ", view (" << static_cast<double>(vista.x) << ", "
                                       << static_cast<double>(vista.y) << ", "
                                       << static_cast<double>(vista.lado) << "), limit " << maxIter
                                       << detalle;
}

// The positions -1, -1 + paso, ... up to 400.
std::vector<int> posiciones(int paso) {
    std::vector<int> v;
    for (int p = PRIMER_PIXEL; p <= ULTIMO_PIXEL; p += paso) v.push_back(p);
    return v;
}

// Compares the pixels whose column and row are -1 + a multiple of `paso`
// (every position of the render when paso is 1).
testing::AssertionResult igualQueReferencia(int16_t plano, const CuadradoPlano& vista, int16_t maxIter,
                                            int paso = 1, Recuento* recuento = nullptr) {
    const std::vector<int> p = posiciones(paso);
    return igualQueReferenciaEn(plano, vista, maxIter, p, p, recuento);
}

const CuadradoPlano VISTA_INICIAL{-4.0L, 8.0L, 16.0L};
const CuadradoPlano CONJUNTO_ENTERO{-2.5L, 1.5L, 3.0L};
const CuadradoPlano VISTA_INVERSA{-4.0L, 4.0L, 8.0L};

// The pixel (px, py) of the view stands for w = 0 exactly.
bool enElOrigen(const CuadradoPlano& vista, int16_t px, int16_t py) {
    const Vista v = vistaMotor(PLANO_CARDIOIDE, vista, 0);
    return realDePixel(v, px) == 0.0L && imaginarioDePixel(v, py) == 0.0L;
}

}  // namespace

TEST(IteracionExacta, LimitesPequenosEnTodosLosPlanos) {
    // 0: one step, z = c; 1 and 2: the first escapes; negative: no step.
    // 301 is an unknown plane code, where z never moves.
    for (int16_t plano : {PLANO_CARDIOIDE, PLANO_CARDIOIDE_INV, PLANO_PARABOLA, int16_t{301}}) {
        for (const CuadradoPlano& vista : {VISTA_INICIAL, CONJUNTO_ENTERO, VISTA_INVERSA}) {
            for (int16_t limite : {-1, 0, 1, 2, 3}) {
                EXPECT_TRUE(igualQueReferencia(plano, vista, limite));
            }
        }
    }
}

TEST(IteracionExacta, VistaInicialCompletaEnCadaPlano) {
    // The first picture's limit, 30 + 32, and limits one either side, so that
    // the orbits found periodic end on both parities of the remaining steps.
    for (int16_t plano : PLANOS) {
        for (int16_t limite : {61, 62, 63}) {
            Recuento r;
            EXPECT_TRUE(igualQueReferencia(plano, VISTA_INICIAL, limite, 1, &r));
            EXPECT_EQ(r.pixeles, 402 * 402);
            EXPECT_GT(r.interiores, 0) << plano;
        }
    }
}

TEST(IteracionExacta, VistasPropiasDeCadaPlanoCompletas) {
    // The whole set on plane 300, the inverted plane around its bounded part,
    // and the parabola plane with its cusp, at limits of a few hundred to a
    // thousand: most interior orbits settle into exact cycles well before.
    struct Caso {
        int16_t plano;
        CuadradoPlano vista;
        int16_t limite;
    };
    for (const Caso& c : {Caso{PLANO_CARDIOIDE, CONJUNTO_ENTERO, 256},
                          Caso{PLANO_CARDIOIDE_INV, VISTA_INVERSA, 512},
                          Caso{PLANO_PARABOLA, CuadradoPlano{-1.0L, 2.0L, 4.0L}, 500}}) {
        Recuento r;
        EXPECT_TRUE(igualQueReferencia(c.plano, c.vista, c.limite, 1, &r));
        EXPECT_GT(r.interiores, r.pixeles / 10) << c.plano;
    }
}

TEST(IteracionExacta, InteriorPeriodicoConLimitesAltos) {
    // Subsampled grids: the literal loop runs every step of every interior
    // pixel. The views hold the main cardioid, the bulbs of period 2 and 3 and
    // the boundary between them.
    struct Caso {
        CuadradoPlano vista;
        int paso;
    };
    const CuadradoPlano bulboDos{-1.0L, 0.0L, 0.5L};
    for (const Caso& c : {Caso{CONJUNTO_ENTERO, 9}, Caso{CuadradoPlano{-0.2L, 0.9L, 0.3L}, 13},
                          Caso{bulboDos, 11}, Caso{CuadradoPlano{-0.8L, 0.25L, 0.1L}, 17}}) {
        for (int16_t limite : {4097, 4098, 32766}) {
            Recuento r;
            EXPECT_TRUE(igualQueReferencia(PLANO_CARDIOIDE, c.vista, limite, c.paso, &r));
            EXPECT_GT(r.interiores, r.pixeles / 10);
        }
    }
    // 32767 is taken as 32766 by both.
    EXPECT_TRUE(igualQueReferencia(PLANO_CARDIOIDE, bulboDos, 32767, 23));
}

TEST(IteracionExacta, LimitesEnTornoALaDeteccion) {
    // Every limit from 0 to 80 and around a few powers of two, so that the
    // limit falls at every position of the early steps, of the blocks between
    // comparisons and of the last few steps; c = -1 (period 2 from the first
    // step) with both parities of the remaining steps.
    const CuadradoPlano bulboDos{-1.0L, 0.0L, 0.5L};
    ASSERT_EQ(realDePixel(vistaMotor(PLANO_CARDIOIDE, bulboDos, 0), 0), -1.0L);
    ASSERT_EQ(imaginarioDePixel(vistaMotor(PLANO_CARDIOIDE, bulboDos, 0), 0), 0.0L);
    const std::vector<int> esquina{0};
    std::vector<int16_t> limites;
    for (int16_t m = 0; m <= 80; ++m) limites.push_back(m);
    for (int16_t m : {127, 128, 129, 255, 256, 257, 1023, 1024, 1025}) limites.push_back(m);
    for (int16_t limite : limites) {
        EXPECT_TRUE(igualQueReferenciaEn(PLANO_CARDIOIDE, bulboDos, limite, esquina, esquina));
        EXPECT_TRUE(igualQueReferencia(PLANO_CARDIOIDE, bulboDos, limite, 19));
        EXPECT_TRUE(igualQueReferencia(PLANO_CARDIOIDE_INV, VISTA_INVERSA, limite, 29));
        EXPECT_TRUE(igualQueReferencia(PLANO_PARABOLA, CuadradoPlano{-1.0L, 2.0L, 4.0L}, limite, 29));
    }
    for (int16_t limite : {4097, 4098, 32765, 32766}) {
        EXPECT_TRUE(igualQueReferenciaEn(PLANO_CARDIOIDE, bulboDos, limite, esquina, esquina));
    }
}

TEST(IteracionExacta, LimitesAltosEnLosPlanosInvertidos) {
    for (int16_t limite : {1024, 32766}) {
        EXPECT_TRUE(igualQueReferencia(PLANO_CARDIOIDE_INV, VISTA_INVERSA, limite, 11));
        EXPECT_TRUE(igualQueReferencia(PLANO_PARABOLA, CuadradoPlano{-1.0L, 2.0L, 4.0L}, limite, 11));
    }
}

TEST(IteracionExacta, PuntosSingularesDeLosPlanosInvertidos) {
    // w = 0: c = 0 on plane 305 (a fixed point from the first step), c = 1/4
    // on plane 310 (an orbit that creeps towards 1/2 and does not repeat
    // within the limit). The views contain that pixel, and its row and column
    // where g or h is exactly 0.
    ASSERT_TRUE(enElOrigen(VISTA_INICIAL, 100, 200));
    const CuadradoPlano esquinaCero{0.0L, 0.0L, 0.004L};
    ASSERT_TRUE(enElOrigen(esquinaCero, 0, 0));
    const CuadradoPlano centradaEnCero{-4e-3L, 4e-3L, 8e-3L};
    ASSERT_TRUE(enElOrigen(centradaEnCero, 200, 200));
    for (int16_t plano : {PLANO_CARDIOIDE_INV, PLANO_PARABOLA}) {
        for (int16_t limite : {0, 1, 2, 1024, 32766}) {
            const int paso = limite > 1024 ? 7 : 1;
            EXPECT_TRUE(igualQueReferencia(plano, esquinaCero, limite, paso));
            EXPECT_TRUE(igualQueReferencia(plano, centradaEnCero, limite, paso));
            // The subsampled grids miss the pixels on w = 0: those alone.
            const std::vector<int> cien{100}, doscientos{200};
            Recuento r;
            EXPECT_TRUE(igualQueReferenciaEn(plano, VISTA_INICIAL, limite, cien, doscientos, &r));
            EXPECT_EQ(r.interiores, 1);  // neither c = 0 nor c = 1/4 escapes
            EXPECT_TRUE(igualQueReferenciaEn(plano, centradaEnCero, limite, doscientos, doscientos));
        }
    }
}

TEST(IteracionExacta, CerosConSignoYCoordenadasNoFinitas) {
    // A corner of -0 makes signed zeros in g, h and z; an infinite side or
    // corner escapes at once or turns z into NaN, which never tests as
    // escaped: a NaN orbit runs to the limit with the loop's NaN pattern.
    const long double inf = std::numeric_limits<long double>::infinity();
    const long double nan = std::numeric_limits<long double>::quiet_NaN();
    for (int16_t plano : PLANOS) {
        for (const CuadradoPlano& vista :
             {CuadradoPlano{-0.0L, -0.0L, 1.0L}, CuadradoPlano{-0.0L, 0.0L, -0.0L}, CuadradoPlano{0.0L, 0.0L, inf},
              CuadradoPlano{inf, 1.0L, 1.0L}, CuadradoPlano{nan, 0.0L, 1.0L}, CuadradoPlano{0.0L, 0.0L, nan}}) {
            // An x87 operation on NaN or infinity takes a microcode assist
            // (about 2 us a step here), hence the sparse grids beyond a few steps.
            for (int16_t limite : {0, 1, 2}) {
                EXPECT_TRUE(igualQueReferencia(plano, vista, limite, 5));
            }
            EXPECT_TRUE(igualQueReferencia(plano, vista, 101, 41));
            EXPECT_TRUE(igualQueReferencia(plano, vista, 2000, 201));
        }
    }
}

TEST(IteracionExacta, EjeRealConCerosConSigno) {
    // Row 0 of a view whose corner is real has h = +0 exactly: c is real and
    // the imaginary part of z stays a zero whose sign flips at every step
    // with a negative real part. An orbit that settles on a real cycle then
    // repeats its values before it repeats its bits, and the last z's zero
    // must carry the loop's sign.
    const std::vector<int> fila0{0};
    for (int16_t plano : PLANOS) {
        for (const CuadradoPlano& vista : {CuadradoPlano{-2.0L, 0.0L, 0.25L}, CuadradoPlano{-1.5L, 0.0L, 0.25L},
                                        CuadradoPlano{-1.8L, 0.0L, 0.05L}, CuadradoPlano{-1.0L, 0.0L, 1.0L}}) {
            for (int16_t limite : {1000, 1001, 4099}) {
                EXPECT_TRUE(igualQueReferenciaEn(plano, vista, limite, posiciones(1), fila0));
            }
        }
    }
}
