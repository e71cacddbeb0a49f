// The certified perturbation path of iterarLote: every point of a deep batch
// follows, in double precision, its difference from the 80-bit orbit of one
// reference point, with a radius that bounds the distance to its own 80-bit
// orbit (docs/certificado-perturbacion.md proves the bound). A point is
// decided only where the radius proves what the 80-bit loop does. Internal
// to the engine, and to profundo/, whose deep path gives these lanes the
// orbit of a P-bit reference (profundo/perturbacion_p.h, section 8 of the proof).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "semiplano.h"

namespace brenquil::perturbacion {

// The unit roundoff v = 2^-P of a loop with P-bit significands, the one the
// bound's constants depend on; the x87 loop has P = 64, and the bound holds
// for 60 <= P <= 530 (PRECISION_MINIMA_COTA, PRECISION_MAXIMA_COTA). u = 2^-53 is
// double's. The lanes take v at run time (Trabajo::v) and make from it
//   CV = 6 v and FIJO = 4 v (exact: v is a power of 2),
// e' = fl(fl(Gs + fl(fl(CV * S) + fl(T + B))) * FACTOR_COTA): the pixel's own
// roundings grow with |z|^2, S = fl(M + E) bounding it (CV), and have a fixed part (in FIJO).
inline constexpr int PRECISION_MINIMA_COTA = 60;
inline constexpr int PRECISION_MAXIMA_COTA = 530;
constexpr double unidadDeRedondeo(int P) {
    double v = 1.0;
    for (int i = 0; i < P; ++i) v /= 2;
    return v;
}
static_assert(unidadDeRedondeo(64) == 0x1p-64);

// The radius at the test point: eps = fl(fl(e + H) + fl(CS * s)); H also
// bounds the rounding of the reference point to double, |Z_n - (a_n + b_n i)|.
inline constexpr double H = 20 * 0x1p-53;
inline constexpr double CS = 2 * 0x1p-53;
// With Trabajo::radioRelativo (the P-bit references, whose points may come
// near 0 at depths where an absolute H would dwarf δ after a rebase) H is the
// reference point's own: hn = fl(fl(fl(|a_n| + |b_n|) * H_RELATIVO) + H_PISO),
// and eps = fl(fl(fl(e * FACTOR_E) + hn) + fl(CS * s)) (section 8 of the proof).
inline constexpr double H_RELATIVO = 0x1p-52;
inline constexpr double H_PISO = 0x1p-580;
inline constexpr double FACTOR_E = 1.0 + 0x1p-50;
// The step's rounding in double: T = fl(fl(fl(CU * nt) + 2H) * nδ) (2 hn).
inline constexpr double CU = 5 * 0x1p-53;
// The point's own term: B = fl(fl(CDC * fl(|Δr| + |Δi|)) + FIJO).
inline constexpr double CDC = 4 * 0x1p-53;
inline constexpr double FACTOR_COTA = 1.0 + 0x1p-48;

// A reference orbit Z_0 = 0, ..., Z_fin as the path reads it: for n <= fin the
// parts of Z_n rounded to nearest double (a, b), whatever arithmetic made Z_n;
// for n < fin the reference's rounding at step n, rho_n = Z_(n+1) - (Z_n^2 + Γ),
// rounded to double (s, t), within u (|s| + |t|) + 0.002 v of it. The arrays
// hold fin + 1 entries (s and t 0 at fin). fin is the reference's count: the
// step at which it escapes, or the limit plus one.
struct DatosReferencia {
    const double* a;
    const double* b;
    const double* s;
    const double* t;
    int32_t fin;
};

// The linear prediction of a point's difference from a reference (section 7
// of the proof): from D_1 = Δ + η at the reference's index 1, at index j
// L_j = A_j η + B_j Δ - C_j, with A_(j+1) = 2 Z_j A_j, B_(j+1) = 2 Z_j B_j + 1,
// C_(j+1) = 2 Z_j C_j + rho_j from A_1 = B_1 = 1, C_1 = 0 in x87 arithmetic,
// and these upper bounds for index j: |Z_j|, |A_j|, |B_j|, |C_j|_1, and
// alpha, beta, gamma of the roundings of the step from j to j + 1
// (|2 Z_j A_j - A_(j+1)| <= alpha, |2 Z_j B_j + 1 - B_(j+1)| <= beta,
// |2 Z_j C_j + rho_j - C_(j+1)| <= gamma). Index 0 holds nothing.
struct PasoLineal {
    long double ar, ai, br, bi, cr, ci;
    long double z, a, b, c1, alpha, beta, gamma;
};

// The reference orbit of one point in the x87 loop's own arithmetic, with its
// step terms (terminosPaso's cr and ci, which the points' differences are taken from).
struct OrbitaReferencia {
    int16_t plano = 0;
    int16_t limite = -1;
    long double g = 0, h = 0;
    long double cr = 0, ci = 0;
    int32_t fin = 0;
    std::vector<double> a, b, s, t;
    std::vector<PasoLineal> lineal;  // fin + 1 entries, from index 1
    long double rho0r = 0, rho0i = 0;  // rho_0 in x87, within 0.002 v of it

    DatosReferencia datos() const { return {a.data(), b.data(), s.data(), t.data(), fin}; }
};

// A skip for the points whose |Δ| is at most kappa and whose |η| is at most
// r0: every such point's loop goes on at indices 1 .. pasos - 1, and at index
// pasos its difference from Z_pasos lies within `error` of L_pasos, whatever
// the loop's roundings. pasos is 0 when no skip is worth it.
struct Salto {
    long double kappa = -1;
    long double r0 = -1;
    int32_t pasos = 0;
    long double error = 0;
};

// The longest skip whose error from what the prediction leaves out stays
// within the roundings' part and TOLERANCIA_SALTO of the prediction's size,
// at most `hasta` steps (hasta < fin).
inline constexpr long double TOLERANCIA_SALTO = 0x1p-24L;
Salto calcularSalto(const OrbitaReferencia& r, long double kappa, long double r0, int32_t hasta);

// The skips of one reference for one kappa, by the binary exponent of r0,
// computed when first asked. Kept per thread; internal to the path.
class Saltos;

// A lane rebased at the reference's index 0 with δ = (x, y) and radius e,
// its point's Δ87 = (dr, di) (x87) and `quedan` steps before its count
// passes the limit: when a skip of the table serves it (fewer steps than
// quedan), sets δ and e to those at the skip's end, index J, and returns J
// (the lane's count grows by J); else 0, δ and e untouched.
int32_t saltarRebasado(Saltos& saltos, double& x, double& y, double& e, long double dr, long double di, int64_t quedan);

// Computes the orbit of the point g + h i of the plane with the effective
// limit m (1 .. 32766) into r. False, r unusable, when the loop's test fails
// at step 1 (the bound needs |Γ| < 2.01), the point's constant is not finite
// or the plane is unknown.
bool calcularReferencia(int16_t plano, long double g, long double h, int16_t m, OrbitaReferencia& r);

// The points given to the lanes: each with its constant's difference from
// the reference's (Δr, Δi in double, as the step adds it) and its index in the batch.
struct Trabajo {
    DatosReferencia ref;
    const double* dr;
    const double* di;
    const uint32_t* punto;
    size_t n;
    // With salto > 0, every point starts at step salto with δ = (x0, y0), e = e0.
    int32_t salto;
    const double* x0;
    const double* y0;
    double e0;
    // The points' Δ in x87, and the skips of rebased lanes (none when null).
    const long double* dr87;
    const long double* di87;
    Saltos* saltos;
    double v;              // the unit roundoff 2^-P of the loop whose results are proved
    bool radioRelativo;    // H by the reference point's size (hn) rather than the fixed H
    int32_t limite;        // the effective limit m, 1 .. 2^31 - 1
    bool conSemiplano;
    bool abandonable;      // stop taking points when the path does not pay,
    size_t salidasAntesDeAbandonar;  // judged after this many points have left the lanes,
    // and given up when pasosPendientes * pesoPendiente > pasosDecididos * pesoDecidido
    uint64_t pesoPendiente, pesoDecidido;
    int16_t* cuentas;      // by point index, when cuentasLargas is null (limits up to 32766)
    int64_t* cuentasLargas;  // by point index, when not null (any limit)
    Semiplano* semiplanos; // by point index, when conSemiplano
    uint32_t* pendientes;  // out: the points left to iterarPunto, after the nPendientes there are
    size_t nPendientes;
    uint64_t pasosDecididos;
    uint64_t pasosPendientes;
};

// The lanes: decide what they can, write the others to pendientes, return
// how many they decided. Escalar runs anywhere; the others only where the
// processor runs their instruction set.
size_t trabajarEscalar(Trabajo& t);
size_t trabajarAvx2(Trabajo& t);
size_t trabajarAvx512(Trabajo& t);

// Instruction sets of the lanes.
enum class Juego : uint8_t { Escalar, Avx2, Avx512 };

// When a batch stops paying: its points left pending cost pasosPendientes
// steps in the lanes (wasted, and iterarPunto runs them again), its decided
// points pasosDecididos (each saving an x87 step less the lanes' own). The
// batch has failed when pasosPendientes * pendiente > pasosDecididos * decidido.
// Measured: a step of the AVX-512 lanes costs about half a step of the x87
// loop, one of the AVX2 lanes about three quarters, the scalar ones more than
// one; the decided points' steps include those skipped (nearly free), so the
// AVX-512 lanes are given a pending step's worth of four decided ones.
struct Pesos {
    uint64_t pendiente, decidido;
};
constexpr Pesos pesosDe(Juego juego) {
    switch (juego) {
    case Juego::Avx512: return {1, 4};
    case Juego::Avx2: return {4, 1};
    default: return {1, 0};
    }
}

// The whole path for a batch whose plane is known, m >= 0, and whose thread
// has the arithmetic of the bound (as iterarLote checks): takes a reference
// near the batch (the thread's last one when it still fits), decides at step
// 1 in x87 every point that stops there, and gives the others to the lanes.
// The points it leaves to iterarPunto are appended to pendientes (room for n).
// With a probe (sonda not null) the batch may be abandoned after the first
// sonda->puntos points have left the lanes instead of after 64, and
// sonda->fallida tells whether the batch failed by pesosDe(juego).
// Returns how many points it decided; when no reference serves the batch,
// only those that stop at step 1 are.
struct Sonda {
    size_t puntos;
    bool fallida;
};
size_t perturbarLote(int16_t plano, int16_t m, size_t n, const long double* g, const long double* h,
                     int16_t* cuentas, Semiplano* semiplanos, Juego juego, bool abandonable, uint32_t* pendientes,
                     size_t& nPendientes, Sonda* sonda = nullptr);

}  // namespace brenquil::perturbacion
