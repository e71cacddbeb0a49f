// The certified perturbation path for the P-bit loop (iteracion_p.h): a
// reference orbit computed by the P-bit loop itself in MPFR, and every other
// point followed in double precision as its difference from it, by the lanes
// of the 80-bit path (engine/perturbacion.h) with the bound's unit roundoff
// 2^-P. A point is decided only where the bound proves what the P-bit loop
// does (docs/certificado-perturbacion.md, section 8); every other point goes
// through iterarPuntoP. The counts and half-planes are those of iterarPuntoP,
// point for point.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "numero_p.h"
#include "perturbacion.h"
#include "semiplano.h"

namespace brenquil {

// The most steps of a reference orbit kept: past them a point is paired with
// the reference's index 0 again (a rebase), as at a reference's escape.
inline constexpr int32_t PASOS_MAXIMOS_REFERENCIA = int32_t{1} << 20;

// Whether the bound holds for the P-bit loop of `bits` on the plane with the
// limit m: P >= 60, a known plane, m >= 1. Up to 530 bits the lanes of the
// 80-bit path take the points (section 8 of docs/certificado-perturbacion.md);
// above, the scaled lanes (section 9), whose δ and radius are doubles times
// a power of 2 of each point's own, so that views far below double's range
// are drawn too.
bool perturbacionPSirve(int16_t plano, int32_t m, mpfr_prec_t bits);

// The orbit of one point by the P-bit loop (the same operations in the same
// order as iterarPuntoP, without its cycle detection, which changes no
// value), as the lanes read it: each Z_n rounded to nearest double (and,
// for the double-double stage, what that rounding left: the parts of Z_n
// less their doubles, rounded to nearest double), and the
// loop's rounding at each step, rho_n = Z_(n+1) - (Z_n^2 + Γ), computed in
// 2P + 32 bits and rounded to nearest double, both as it is and in units of
// 2^-P (rho_n 2^P, which a double holds at any P: |rho_n| < 36 2^-P); and
// the point's step terms.
class ReferenciaP {
public:
    ReferenciaP() = default;
    ReferenciaP(const ReferenciaP&) = delete;
    ReferenciaP& operator=(const ReferenciaP&) = delete;
    ~ReferenciaP();

    // The orbit of g + h i (numbers of any precision, read as they are) on
    // the plane with the limit m and `bits` bits, up to its count or
    // PASOS_MAXIMOS_REFERENCIA steps. False, and the reference unusable, when
    // the bound does not hold there (perturbacionPSirve) or the loop's test
    // fails at step 1 (the bound needs |Γ| < 2.01).
    bool calcular(int16_t plano, mpfr_srcptr g, mpfr_srcptr h, int32_t m, mpfr_prec_t bits);

    bool valida() const { return valida_; }
    int16_t plano() const { return plano_; }
    int32_t limite() const { return limite_; }
    mpfr_prec_t bits() const { return bits_; }
    // The step at which the orbit escapes, the limit plus one, or the steps kept.
    int32_t fin() const { return fin_; }
    mpfr_srcptr cr() const { return cr_; }
    mpfr_srcptr ci() const { return ci_; }
    perturbacion::DatosReferencia datos() const { return {a_.data(), b_.data(), s_.data(), t_.data(), fin_}; }
    // rho_n 2^P rounded to nearest double (real and imaginary parts), for n < fin (0 at fin).
    const double* rhoEnV() const { return sv_.data(); }
    const double* rhoEnVi() const { return tv_.data(); }
    // The parts of Z_n less a_n and b_n, each rounded to nearest double, for n <= fin.
    const double* bajosA() const { return a2_.data(); }
    const double* bajosB() const { return b2_.data(); }

private:
    void preparar(mpfr_prec_t bits);

    bool valida_ = false;
    bool conNumeros_ = false;
    int16_t plano_ = 0;
    int32_t limite_ = -1;
    mpfr_prec_t bits_ = 0;
    int32_t fin_ = 0;
    mpfr_t cr_, ci_;
    std::vector<double> a_, b_, s_, t_, sv_, tv_, a2_, b2_;
};

// How iterarLoteP computes its points. Above 530 bits only the scaled lanes
// serve: Automatica, Avx2 and Avx512 take the scaled lanes on vectors of their
// width (Automatica the widest available), Escalar and DobleDoble the scalar
// scaled lanes. The Escalada vias force the scaled lanes at any P.
enum class ViaProfunda : uint8_t {
    Automatica,      // the widest lanes available; the P-bit loop for every point with BRENQUIL_VIA=x87
    Bucle,           // iterarPuntoP for every point
    Escalar,         // the lanes one point at a time, in scalar double
    Avx2,            // the lanes on AVX2 vectors
    Avx512,          // the lanes on AVX-512 vectors
    Escalada,        // the scaled lanes in scalar double, at any P
    DobleDoble,      // the double-double stage alone up to 530 bits
    EscaladaAvx2,    // the scaled lanes on AVX2 vectors, at any P
    EscaladaAvx512,  // the scaled lanes on AVX-512 vectors, at any P
};

// How many points of a batch each stage decided, and how many went to iterarPuntoP.
struct EtapasP {
    size_t carriles = 0;    // the lanes (scaled or not)
    size_t dobleDoble = 0;  // the double-double stage
    size_t bucle = 0;       // iterarPuntoP
};

// The lanes Automatica takes on this processor, or Bucle (read once).
ViaProfunda viaProfundaAutomatica();

// For i < n: cuentas[i] and, when semiplanos is not null, semiplanos[i] of
// iterarPuntoP(plano, g[i], h[i], m, bits) (g[i], h[i] numbers of `bits`
// bits). The points whose first step passes the loop's test go through the
// lanes against `ref` when it serves (valid, of this plane, limit and
// precision) and the thread's arithmetic is the bound's (above 530 bits, or
// with the Escalada vias, the scaled lanes); the rest, and every point the bound
// leaves undecided, through iterarPuntoP. Up to 530 bits, the points the
// lanes of Escalar, Avx2 and Avx512 leave undecided go first through the
// double-double stage (section 10 of docs/certificado-perturbacion.md: δ
// and the reference's Z_n as unevaluated sums of two doubles), unless
// conDobleDoble is false; DobleDoble gives it every point. A via this
// processor lacks is taken as Bucle. Returns how many points the lanes and
// the double-double stage decided; `etapas`, when not null, gets each stage's
// share, and `decididos`, when not null, decididos[i] = 1 for the points they
// decided, 0 for those iterarPuntoP computed.
size_t iterarLoteP(int16_t plano, int32_t m, mpfr_prec_t bits, size_t n, const mpfr_srcptr* g, const mpfr_srcptr* h,
                   const ReferenciaP* ref, int64_t* cuentas, Semiplano* semiplanos,
                   ViaProfunda via = ViaProfunda::Automatica, EtapasP* etapas = nullptr, bool conDobleDoble = true,
                   uint8_t* decididos = nullptr);

}  // namespace brenquil
