// iterarLote on every path this processor runs against the literal loop: the
// count and the half-plane of the last z of every pixel of subsampled views on
// the three planes, from the whole set down to a side of 1e-15, at limits from
// 0 to 32767, on the real axis (where the half-plane rests on a signed zero)
// and at w = 0 of the inverted planes; and, whatever the x87 precision, the
// same as the loop computes at that precision.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "codigos.h"
#include "iteracion_lote.h"
#include "perturbacion.h"
#include "precision_x87.h"
#include "referencia.h"

using namespace brenquil;

namespace {

struct Via {
    ViaLote via;
    const char* nombre;
};
const Via VIAS[] = {{ViaLote::Automatica, "automatic"},
                    {ViaLote::X87, "x87"},
                    {ViaLote::Avx2, "avx2"},
                    {ViaLote::Avx512, "avx512"},
                    {ViaLote::Perturbacion, "perturbacion"},
                    {ViaLote::PerturbacionAvx2, "perturbacion-avx2"},
                    {ViaLote::PerturbacionEscalar, "perturbacion-escalar"}};

// A run with BRENQUIL_VIA naming a path this processor lacks would test
// another path under that name: every test of the program is skipped instead.
class ViaForzadaDisponible : public ::testing::Environment {
public:
    void SetUp() override {
        const char* pedida = std::getenv("BRENQUIL_VIA");
        if (!pedida) return;
        for (const Via& v : VIAS) {
            if (pedida == std::string(v.nombre) && !viaDisponible(v.via)) {
                GTEST_SKIP() << "BRENQUIL_VIA=" << pedida << ": this processor has no " << pedida;
            }
        }
    }
};
[[maybe_unused]] ::testing::Environment* const viaForzada = ::testing::AddGlobalTestEnvironment(new ViaForzadaDisponible);

// The half-plane as the colourings 365 and 370 read it from the last z.
Semiplano semiplanoLiteral(long double zx, long double zy) {
    if (zx * zx + zy * zy == 0) return Semiplano::Cero;
    return zy > 0 || (zy == 0 && zx < 0) ? Semiplano::Superior : Semiplano::Inferior;
}

// A pixel of a view, or a point (the view's corner, with side 0).
struct Punto {
    CuadradoPlano vista;
    int16_t px = 0;
    int16_t py = 0;
};

struct Caso {
    int16_t plano;
    CuadradoPlano vista;
    int16_t limite;
    int paso;          // pixels -1, -1 + paso, ... up to 400 in each direction
    size_t lote = 0;   // points per call of iterarLote; 0: all at once
};

// Every path, with and without the half-plane, against the literal loop on
// the points, `lote` at a time (all at once with 0); a mismatch names the
// path and the point.
testing::AssertionResult igualQueReferencia(int16_t plano, const std::vector<Punto>& puntos, int16_t limite,
                                            size_t lote = 0) {
    const std::atomic<int16_t> planoCompartido{plano};
    std::vector<long double> g, h;
    std::vector<int16_t> cuentas;
    std::vector<Semiplano> semiplanos;
    for (const Punto& p : puntos) {
        const ResultadoIteracion r = iterarReferencia(planoCompartido, p.vista, p.px, p.py, limite);
        g.push_back(realDePixel(vistaMotor(plano, p.vista, limite), p.px));
        h.push_back(imaginarioDePixel(vistaMotor(plano, p.vista, limite), p.py));
        cuentas.push_back(r.cuenta);
        semiplanos.push_back(semiplanoLiteral(r.zx, r.zy));
    }
    const size_t n = g.size();
    if (lote == 0) lote = n;
    std::vector<int16_t> obtenidas(n);
    std::vector<Semiplano> obtenidos(n);
    for (const Via& v : VIAS) {
        for (bool conSemiplano : {false, true}) {
            std::fill(obtenidas.begin(), obtenidas.end(), int16_t{-7});
            std::fill(obtenidos.begin(), obtenidos.end(), static_cast<Semiplano>(9));
            for (size_t i = 0; i < n; i += lote) {
                iterarLote(plano, limite, std::min(lote, n - i), g.data() + i, h.data() + i, obtenidas.data() + i,
                           conSemiplano ? obtenidos.data() + i : nullptr, v.via);
            }
            for (size_t i = 0; i < n; ++i) {
                if (obtenidas[i] == cuentas[i] && (!conSemiplano || obtenidos[i] == semiplanos[i])) continue;
                return testing::AssertionFailure()
                       << v.nombre << (conSemiplano ? " with" : " without") << " half-plane, plane " << plano
                       << ", limit " << limite << ", point " << static_cast<double>(g[i]) << " + "
                       << static_cast<double>(h[i]) << " i (" << i << " of " << n << "): count " << obtenidas[i]
                       << " instead of " << cuentas[i] << ", half-plane " << static_cast<int>(obtenidos[i])
                       << " instead of " << static_cast<int>(semiplanos[i]);
            }
        }
    }
    return testing::AssertionSuccess();
}

testing::AssertionResult igualQueReferencia(const Caso& c) {
    std::vector<Punto> puntos;
    for (int py = -1; py <= 400; py += c.paso) {
        for (int px = -1; px <= 400; px += c.paso) {
            puntos.push_back({c.vista, static_cast<int16_t>(px), static_cast<int16_t>(py)});
        }
    }
    return testing::AssertionResult(igualQueReferencia(c.plano, puntos, c.limite, c.lote)) << "\n  view ("
           << static_cast<double>(c.vista.x) << ", " << static_cast<double>(c.vista.y) << ", "
           << static_cast<double>(c.vista.lado) << ")";
}

// Squares around a point of the boundary in the seahorse valley,
// c = -0.743643887037158704752191506114774 + 0.131825904205311970493132056385139i
// (the pixel w = g + h i stands for c = g - h i).
CuadradoPlano alrededorDeLaFrontera(long double lado) {
    return {-0.743643887037158704752191506114774L - lado / 2, -0.131825904205311970493132056385139L + lado / 2,
            lado};
}

// The square of the given side centred on the point g + h i of the plane.
CuadradoPlano alrededorDe(long double g, long double h, long double lado) { return {g - lado / 2, h + lado / 2, lado}; }

// Points of the plane near the boundary, for deep squares: the spiral of
// examples/espiral-profunda.str (plane 300), a point by Misiurewicz's orbit
// away from the valleys (c = -0.10109636384562 + 0.95628651080914i), and
// boundary points of planes 305 and 310 found by bisection at limit 30000.
constexpr long double ESPIRAL_G = -0.7756837680090542975L + 0.5e-15L, ESPIRAL_H = 0.1364673682946906247L - 0.5e-15L;
constexpr long double MISIUREWICZ_G = -0.10109636384562L, MISIUREWICZ_H = -0.95628651080914L;
constexpr long double FRONTERA305_G = -0.809207920560198887153L, FRONTERA305_H = 0.109024045394172064444L;
constexpr long double FRONTERA310_G = -0.973462335764542846246L, FRONTERA310_H = 0.309951624088296432709L;

}  // namespace

TEST(IteracionLote, IgualQueElBucleLiteralEnCadaVia) {
    for (const Via& v : VIAS) {
        if (!viaDisponible(v.via)) std::printf("[ not available ] %s, taken as x87\n", v.nombre);
    }
    const CuadradoPlano conjunto{-2.5L, 1.5L, 3.0L};
    const Caso casos[] = {
        // The whole set: the smallest limits, a middling one, the largest two.
        {PLANO_CARDIOIDE, conjunto, -1, 19},
        {PLANO_CARDIOIDE, conjunto, 0, 7},
        {PLANO_CARDIOIDE, conjunto, 1, 7},
        {PLANO_CARDIOIDE, conjunto, 62, 5, 37},
        {PLANO_CARDIOIDE, conjunto, 32766, 29},
        {PLANO_CARDIOIDE, conjunto, 32767, 31},
        // The seahorse valley, and ever deeper squares on its boundary.
        {PLANO_CARDIOIDE, {-0.755L, -0.09L, 0.02L}, 2000, 9, 64},
        {PLANO_CARDIOIDE, alrededorDeLaFrontera(1e-6L), 3000, 13},
        {PLANO_CARDIOIDE, alrededorDeLaFrontera(1e-9L), 4000, 17, 5},
        {PLANO_CARDIOIDE, alrededorDeLaFrontera(1e-12L), 5000, 23},
        {PLANO_CARDIOIDE, alrededorDeLaFrontera(1e-15L), 5000, 29},
        // Deeper than the double path reaches, where perturbation decides:
        // the spiral, a view away from the valleys, the inverted planes, in
        // batches of a row or of 64 points, at the largest and a negative limit.
        {PLANO_CARDIOIDE, alrededorDe(ESPIRAL_G, ESPIRAL_H, 2e-15L), 8000, 23, 64},
        {PLANO_CARDIOIDE, alrededorDe(ESPIRAL_G, ESPIRAL_H, 1e-17L), 3000, 37},
        {PLANO_CARDIOIDE, alrededorDe(ESPIRAL_G, ESPIRAL_H, 1e-14L), -1, 50},
        {PLANO_CARDIOIDE, alrededorDe(MISIUREWICZ_G, MISIUREWICZ_H, 1e-13L), 32767, 23, 64},
        {PLANO_CARDIOIDE_INV, alrededorDe(FRONTERA305_G, FRONTERA305_H, 1e-12L), 32766, 29},
        // The same points on plane 310 right after, in batches of 64: the
        // thread's last reference is of plane 305.
        {PLANO_PARABOLA, alrededorDe(FRONTERA305_G, FRONTERA305_H, 1e-12L), 32766, 29, 64},
        {PLANO_CARDIOIDE_INV, alrededorDe(FRONTERA305_G, FRONTERA305_H, 1e-16L), 32767, 37, 64},
        {PLANO_PARABOLA, alrededorDe(FRONTERA310_G, FRONTERA310_H, 1e-10L), 20000, 31},
        {PLANO_PARABOLA, alrededorDe(FRONTERA310_G, FRONTERA310_H, 1e-15L), 5000, 29, 64},
        // Rows on the real axis: zy is a zero whose sign decides the half-plane.
        {PLANO_CARDIOIDE, {-2.0L, 0.0L, 0.25L}, 1000, 400},
        {PLANO_CARDIOIDE, {-1.8L, 0.0L, 0.05L}, 4099, 400},
        // The inverted planes around their bounded parts, w = 0 (c = 0 and
        // c = 1/4) among the pixels, and a deep square on plane 305.
        {PLANO_CARDIOIDE_INV, {-4.0L, 4.0L, 8.0L}, 1024, 9},
        {PLANO_CARDIOIDE_INV, {-4e-3L, 4e-3L, 8e-3L}, 32766, 20},
        {PLANO_CARDIOIDE_INV, {-1.3447L, 0.0003L, 1e-8L}, 3000, 19},
        {PLANO_PARABOLA, {-6.0L, 6.0L, 12.0L}, 4096, 11},
        {PLANO_PARABOLA, {-1.0L, 2.0L, 4.0L}, 500, 7, 100},
        {PLANO_PARABOLA, {-4e-3L, 4e-3L, 8e-3L}, 2000, 20},
        // An unknown plane: z stays 0.
        {301, conjunto, 100, 50},
    };
    for (const Caso& c : casos) EXPECT_TRUE(igualQueReferencia(c));
}

TEST(IteracionLote, OrbitasQueRozanElCirculo) {
    // Points whose orbit meets |z|^2 = 4 within a few units of the last
    // place: c = 1 gives z_2 = 2 exactly, c = -2 gives z_1 = -2, c = 1/4 and
    // -3/4 escape ever more slowly; each moved by 2^-j in either direction,
    // along and across the real axis, down to where only the 64-bit
    // significand tells the points apart.
    std::vector<Punto> puntos;
    for (long double base : {1.0L, -2.0L, 0.25L}) {
        for (int j = 2; j <= 66; j += 2) {
            const long double d = std::ldexp(1.0L, -j);
            for (long double g : {base - d, base + d}) {
                for (long double h : {0.0L, d / 3, -d / 3}) puntos.push_back({{g, h, 0.0L}});
            }
        }
    }
    for (int j = 4; j <= 40; j += 3) puntos.push_back({{-0.75L, std::ldexp(1.0L, -j), 0.0L}});
    EXPECT_TRUE(igualQueReferencia(PLANO_CARDIOIDE, puntos, 5000));
}

TEST(IteracionLote, OtraPrecisionX87EsLaDelBucle) {
    // The bound holds for 64-bit x87 arithmetic only: at any other precision
    // the batch still gives what the loop computes at that precision.
    for (PrecisionX87 p : {PrecisionX87::Doble, PrecisionX87::Simple}) {
        fijarPrecisionX87(p);
        const testing::AssertionResult igual = igualQueReferencia({PLANO_CARDIOIDE, alrededorDeLaFrontera(1e-6L), 500, 13});
        fijarPrecisionX87(PrecisionX87::Extendida);
        EXPECT_TRUE(igual) << static_cast<int>(p) << "-bit significands";
    }
}

TEST(IteracionLote, ReferenciaConLosRedondeosDelBucle) {
    // The perturbation path's reference orbit: each point is the 80-bit
    // loop's own (iterarPunto stopped one step after the one before) rounded
    // to double, and each step's rounding rho_n = Z_(n+1) - (Z_n^2 + c) is the
    // loop's, recomputed here in 113-bit arithmetic (within 2^-105).
    const struct {
        int16_t plano;
        long double g, h;
        int16_t limite;
    } casos[] = {
        {PLANO_CARDIOIDE, ESPIRAL_G, ESPIRAL_H, 1200},
        {PLANO_CARDIOIDE, MISIUREWICZ_G, MISIUREWICZ_H, 400},
        {PLANO_CARDIOIDE_INV, FRONTERA305_G, FRONTERA305_H, 800},
        {PLANO_PARABOLA, FRONTERA310_G, FRONTERA310_H, 800},
        {PLANO_CARDIOIDE, 0.26L, 0.0L, 800},  // escapes at step 30
    };
    const auto abs128 = [](__float128 x) { return x < 0 ? -x : x; };
    for (const auto& c : casos) {
        perturbacion::OrbitaReferencia r;
        ASSERT_TRUE(perturbacion::calcularReferencia(c.plano, c.g, c.h, c.limite, r)) << c.plano;
        const TerminosPaso t = terminosPaso(c.plano, c.g, c.h);
        const __float128 cr = static_cast<__float128>(t.cr) + (t.forma == FormaPaso::Parabola ? 0.25 : 0.0);
        const __float128 ci = -static_cast<__float128>(t.ci);
        long double zr = 0.0L, zi = 0.0L;
        for (int n = 0; n <= r.fin; ++n) {
            ASSERT_EQ(r.a[n], static_cast<double>(zr)) << c.plano << ", step " << n;
            ASSERT_EQ(r.b[n], static_cast<double>(zi)) << c.plano << ", step " << n;
            if (n == r.fin) break;
            const ResultadoIteracion siguiente = iterarPunto(c.plano, c.g, c.h, static_cast<int16_t>(n));
            ASSERT_EQ(siguiente.cuenta, n + 1) << c.plano << ", step " << n;
            const __float128 x = zr, y = zi;
            const __float128 rhoR = static_cast<__float128>(siguiente.zx) - ((x * x - y * y) + cr);
            const __float128 rhoI = static_cast<__float128>(siguiente.zy) - (2 * x * y + ci);
            const __float128 tolerancia = 0x1p-105;
            EXPECT_TRUE(abs128(r.s[n] - rhoR) <= abs128(rhoR) * 0x1p-52 + tolerancia &&
                        abs128(r.t[n] - rhoI) <= abs128(rhoI) * 0x1p-52 + tolerancia)
                << "plane " << c.plano << ", step " << n << ": " << r.s[n] << " + " << r.t[n] << " i instead of "
                << static_cast<double>(rhoR) << " + " << static_cast<double>(rhoI) << " i";
            zr = siguiente.zx;
            zi = siguiente.zy;
        }
        EXPECT_EQ(r.fin, iterarPunto(c.plano, c.g, c.h, c.limite).cuenta) << c.plano;
    }
}
