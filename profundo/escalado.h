// The scaled lanes of the deep path (docs/certificado-perturbacion.md,
// section 9): what the scalar lanes (perturbacion_p.cpp) and the vector ones
// (escalado_nucleo.h, one file per instruction set) share. Internal to profundo/.
//
// The scalar functions here are defined in perturbacion_p.cpp, compiled for
// the base instruction set: the vector files call them for their rare
// events, so that no code built for AVX2 or AVX-512 is shared with the
// scalar lanes through an inline function the linker keeps one copy of.
#pragma once

#include <cstddef>
#include <cstdint>

#include "perturbacion_p.h"

namespace brenquil::escalado {

// The floor of the scaled lanes' per-point terms: cv and fijo are at least
// this, which pays for every absolute error of their double arithmetic.
inline constexpr double PISO_ESCALADO = 0x1p-900;
// Added to 2s in the radius's growth: pays for Lemma 5's 2^-536 on |z|.
inline constexpr double PISO_G = 0x1p-530;
// A point's δ and radius are brought down by 2^64 when they pass it.
inline constexpr double UMBRAL_ESCALA = 0x1p64;
inline constexpr int64_t PASO_ESCALA = 64;

// A point's Δ: each part as mantissa (1/2 <= |.| < 1, or 0) and exponent, exactly.
struct PuntoEscalado {
    double drM, diM;
    long drE, diE;
};

// The terms of a point that depend on its exponent K.
struct TerminosEscala {
    double dr, di;  // Δ / 2^K, each part within 2^-1074
    double b;       // fl(fl(CDC * fl(|dr| + |di|)) + fijo)
    double cv;      // at least 6 v / 2^K, and PISO_ESCALADO
    double w;       // v / 2^K when that is a normal double, else 0
};

// 2^k as a double, for -1074 <= k <= 1023 (exact).
double potencia2(int64_t k);

// x 2^k for |x| < 2^1000 and k <= 1023, within 2^-1074 (exact when that is a
// normal double): one product by a power of 2, or two (the first by 2^-1022,
// each within 2^-1075 of its exact value), or 0 below 2^-1096. A NaN or an
// infinity stays one (x * 0), so that a lane holding one leaves undecided.
double porPotencia(double x, int64_t k);

// x 2^k for k <= 0 from the bits of x alone (no floating-point operation,
// so no subnormal result): exactly when that is a normal double, ±0 when
// |x 2^k| < 2^-1022 or x is 0 or subnormal (so within 2^-1022, and never
// larger in magnitude than x 2^k), x itself when x is a NaN or an infinity
// (so that a lane holding one leaves undecided). The step's unscaling.
double desescalar(double x, int64_t k);

// M 2^j for j >= 0 from the bits of M (no floating-point operation but one
// exact difference of normal doubles): exactly when that is a double (a
// subnormal M is first taken as its integer multiple of 2^-1074), ±infinity
// above double's range, M itself when M is a NaN or an infinity. The rebase
// test's z in units of 2^K.
double escalarArriba(double M, int64_t j);

// A point's first K: from Δ's larger part, so that Δ / 2^K is below 1; not
// below v 2^-64, nor above 1.
int64_t exponenteInicial(const PuntoEscalado& p, mpfr_prec_t bits);

TerminosEscala terminosEscala(const PuntoEscalado& p, int64_t K, mpfr_prec_t bits);

// After a step with K < 0 whose δ (|x| + |y|) or radius passed
// UMBRAL_ESCALA: δ and the radius brought down by 2^-j, j = min(-K, 64), and
// K up by j; the radius by one more rounding up (FACTOR_E), for what the
// parts of δ lose below double's normal range. The point's terms are then
// those of the new K.
void reescalar(double& x, double& y, double& e, int64_t& K);

// lote::anotarSalida for the scaled lanes' work.
bool anotarSalida(perturbacion::Trabajo& t, uint32_t p, int64_t cuenta, bool cuentaCierta, double zi, double e,
                  uint64_t pasos);

// The scaled lanes for the points of t (t.dr and t.di unused: `puntos` holds
// their Δ), against the reference `ref` of `bits` bits: one point after the
// other in scalar double, or on vectors of 4 (AVX2) or 8 (AVX-512) lanes,
// each lane with the scalar lanes' operations in their order, so that they
// decide the same points with the same counts and half-planes. Return how
// many they decided; the rest go to t.pendientes. The vector ones run only
// where the processor runs their instruction set.
size_t perturbarEscalado(perturbacion::Trabajo& t, const ReferenciaP& ref, const PuntoEscalado* puntos,
                        mpfr_prec_t bits);
size_t perturbarAvx2(perturbacion::Trabajo& t, const ReferenciaP& ref, const PuntoEscalado* puntos, mpfr_prec_t bits);
size_t perturbarAvx512(perturbacion::Trabajo& t, const ReferenciaP& ref, const PuntoEscalado* puntos,
                       mpfr_prec_t bits);

}  // namespace brenquil::escalado
