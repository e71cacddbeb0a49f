// The double path of iterarLote on N interleaved vectors of I::W lanes each,
// one point per lane. Included only by the translation units compiled for an
// instruction set (lote_avx2.cpp, lote_avx512.cpp), each with its own I.
//
// Every lane carries a double orbit point z and the radius e of a disk that
// holds the x87 orbit point Z of the same step (docs/certificado-doble.md).
// At every step a lane either goes on, because the x87 loop certainly goes
// on, or leaves: decided when the bound proves that the x87 loop stops there
// (and, when asked, in which half-plane), pending for iterarPunto otherwise.
// A lane that leaves takes the next point at once.
//
// A lane whose state (zr, zi, e) repeats (equal values, zeros of either sign
// alike) is periodic from then on: its later steps repeat steps that went on
// for certain, so the point does not escape; the lane skips ahead to the
// state of step m + 1, which lies a known number of steps after the repeat.
// The repeats are found as iterarPunto finds the x87 ones (Brent's method,
// one comparison every BLOQUE steps), and double orbits settle sooner than
// 80-bit ones.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "lote_doble.h"

namespace brenquil::lote {

// Steps between two comparisons of the lanes with their saved states.
inline constexpr int64_t BLOQUE = 8;
// The first state is saved at least this many steps after a lane starts:
// most points leave earlier and never pay for the detection.
inline constexpr int64_t PASOS_SIN_CICLOS = 32;
// The stop rule of abandonable batches: after this many points have left the
// lanes, no more points are taken once the steps spent on points left pending
// exceed RAZON_ABANDONO times the steps of decided points.
inline constexpr uint64_t PUNTOS_ANTES_DE_ABANDONAR = 64;
inline constexpr uint64_t RAZON_ABANDONO = 6;

// The lanes of one batch. The hot loop (trabajar) keeps z, e and the
// constants in vector registers; everything else, and the lanes' state around
// every event, lives in the arrays, on which the rarely called members work.
template <class I, int N>
class Carriles {
public:
    static constexpr int W = I::W;
    static constexpr int L = N * W;
    static_assert(L <= 32);

    explicit Carriles(Trabajo& t) : t_(t), m_(t.limite) {
        for (int l = 0; l < L; ++l) llenar(l);
    }

    size_t trabajar();

private:
    using D = typename I::D;
    static constexpr uint32_t TODOS = L == 32 ? ~0u : (1u << L) - 1;
    static constexpr double NAN_ = std::numeric_limits<double>::quiet_NaN();
    static constexpr double INF_ = std::numeric_limits<double>::infinity();
    static constexpr int64_t NUNCA = std::numeric_limits<int64_t>::max();

    void llenar(int l);
    void cerrar(int l, int64_t cuenta, bool cuentaCierta);
    int64_t primerFin() const;
    [[gnu::noinline]] void salidas(uint32_t siguen);
    [[gnu::noinline]] void finales();
    [[gnu::noinline]] void repetidos(uint32_t mascara);
    [[gnu::noinline]] void mudanzas(uint32_t mascara);

    Trabajo& t_;
    const int64_t m_;
    size_t siguiente_ = 0;  // the next candidate to take
    size_t decididos_ = 0;
    uint64_t salidas_ = 0;
    bool tomar_ = true;
    int activos_ = 0;
    int64_t paso_ = 0;  // steps made by the vectors
    int64_t proximoFin_ = NUNCA;  // no lane ends before this step

    // The lanes' state (in memory around every event) and, for the lanes that
    // leave, M and E of their last test.
    alignas(64) double zr_[L], zi_[L], e_[L], cr_[L], ci_[L], b_[L], mM_[L], mE_[L];
    // Brent: the saved state, the step of the next move as a double (compared
    // in the vectors), the step it was saved at and the distance to the next move.
    alignas(64) double gzr_[L], gzi_[L], ge_[L], gProximo_[L];
    int64_t gPaso_[L], tramo_[L];
    int64_t inicio_[L];  // the step of the lane's z_0
    int64_t fin_[L];     // the step at which it reaches z_(m+1); NUNCA when idle
    size_t cand_[L];     // the candidate in the lane
};

template <class I, int N>
void Carriles<I, N>::llenar(int l) {
    if (tomar_ && t_.abandonable && salidas_ >= PUNTOS_ANTES_DE_ABANDONAR &&
        t_.pasosPendientes > RAZON_ABANDONO * t_.pasosDecididos) {
        tomar_ = false;
    }
    zr_[l] = zi_[l] = e_[l] = 0.0;
    gzr_[l] = gzi_[l] = ge_[l] = NAN_;
    tramo_[l] = BLOQUE;
    if (!tomar_ || siguiente_ == t_.n) {
        cr_[l] = ci_[l] = b_[l] = 0.0;  // z stays 0 and passes every test
        fin_[l] = NUNCA;
        gProximo_[l] = INF_;
        return;
    }
    const size_t c = siguiente_++;
    cand_[l] = c;
    cr_[l] = t_.cr[c];
    ci_[l] = t_.ci[c];
    b_[l] = (std::fabs(cr_[l]) + std::fabs(ci_[l])) * COEF_C + TERMINO_FIJO;
    inicio_[l] = paso_;
    fin_[l] = paso_ + m_ + 1;
    proximoFin_ = std::min(proximoFin_, fin_[l]);
    gProximo_[l] = static_cast<double>(paso_ + PASOS_SIN_CICLOS);
    ++activos_;
}

// The lane's point leaves with its count: decided when the count is certain
// and, if the half-plane is asked, the disk around z does not reach the real
// axis; pending otherwise. The lane takes the next point.
template <class I, int N>
void Carriles<I, N>::cerrar(int l, int64_t cuenta, bool cuentaCierta) {
    const uint64_t pasos = static_cast<uint64_t>(paso_ - inicio_[l]);
    ++salidas_;
    if (anotarSalida(t_, t_.punto[cand_[l]], cuenta, cuentaCierta, zi_[l], e_[l], pasos)) ++decididos_;
    --activos_;
    llenar(l);
}

template <class I, int N>
int64_t Carriles<I, N>::primerFin() const {
    int64_t f = NUNCA;
    for (int l = 0; l < L; ++l) f = std::min(f, fin_[l]);
    return f;
}

// The lanes not in `siguen` failed the test that the x87 loop goes on: their
// count is the step, if the bound proves that the x87 loop stops there.
template <class I, int N>
void Carriles<I, N>::salidas(uint32_t siguen) {
    for (uint32_t salen = ~siguen & TODOS; salen; salen &= salen - 1) {
        const int l = __builtin_ctz(salen);
        const bool escapa = mM_[l] * ESCAPE_M - mE_[l] * ESCAPE_E >= UMBRAL_ESCAPE;
        cerrar(l, paso_ - inicio_[l], escapa);
    }
}

// Lanes at z_(m+1): the x87 loop went on at every step. (proximoFin_ may
// also be the end of a lane that has left since: then none ends here.)
template <class I, int N>
void Carriles<I, N>::finales() {
    for (int l = 0; l < L; ++l) {
        if (fin_[l] == paso_) cerrar(l, m_ + 1, true);
    }
    proximoFin_ = primerFin();
}

// Lanes whose state repeats the saved one: z_k repeats z_(k-d), so the state
// of step m + 1 is that of step k + (m + 1 - k) mod d; the lane stops saving
// and comparing and ends there.
template <class I, int N>
void Carriles<I, N>::repetidos(uint32_t mascara) {
    for (; mascara; mascara &= mascara - 1) {
        const int l = __builtin_ctz(mascara);
        const int64_t d = paso_ - gPaso_[l];
        const int64_t k = paso_ - inicio_[l];
        fin_[l] = paso_ + (m_ + 1 - k) % d;
        gzr_[l] = NAN_;
        gProximo_[l] = INF_;
        if (fin_[l] == paso_) cerrar(l, m_ + 1, true);
    }
    proximoFin_ = primerFin();
}

// The saved state of the lanes in `mascara` moves on to their z (stored).
template <class I, int N>
void Carriles<I, N>::mudanzas(uint32_t mascara) {
    for (; mascara; mascara &= mascara - 1) {
        const int l = __builtin_ctz(mascara);
        gzr_[l] = zr_[l];
        gzi_[l] = zi_[l];
        ge_[l] = e_[l];
        gPaso_[l] = paso_;
        gProximo_[l] = static_cast<double>(paso_ + tramo_[l]);
        // The distance grows by a quarter, in whole blocks, at every move.
        tramo_[l] += std::max(BLOQUE, tramo_[l] / (4 * BLOQUE) * BLOQUE);
    }
}

template <class I, int N>
size_t Carriles<I, N>::trabajar() {
    D zr[N], zi[N], e[N], cr[N], ci[N], b[N];
    const auto cargar = [&] {
#pragma GCC unroll 4
        for (int j = 0; j < N; ++j) {
            zr[j] = I::carga(zr_ + j * W);
            zi[j] = I::carga(zi_ + j * W);
            e[j] = I::carga(e_ + j * W);
            cr[j] = I::carga(cr_ + j * W);
            ci[j] = I::carga(ci_ + j * W);
            b[j] = I::carga(b_ + j * W);
        }
    };
    const auto guardar = [&] {
#pragma GCC unroll 4
        for (int j = 0; j < N; ++j) {
            I::guarda(zr_ + j * W, zr[j]);
            I::guarda(zi_ + j * W, zi[j]);
            I::guarda(e_ + j * W, e[j]);
        }
    };
    cargar();
    const D umbralSigue = I::rep(UMBRAL_SIGUE);
    const D coefModulo = I::rep(COEF_MODULO);
    const D factorCota = I::rep(FACTOR_COTA);
    while (activos_ > 0) {
        D r2[N], i2[N], M[N], E[N];
        uint32_t siguen = 0;
#pragma GCC unroll 4
        for (int j = 0; j < N; ++j) {
            r2[j] = I::mult(zr[j], zr[j]);
            i2[j] = I::mult(zi[j], zi[j]);
            M[j] = I::suma(r2[j], i2[j]);
            // E = (2|z| + e) e, from an upper bound of 2|z|.
            E[j] = I::mult(I::suma(I::dobleModulo(M[j]), e[j]), e[j]);
            siguen |= I::bits(I::menor(I::suma(M[j], E[j]), umbralSigue)) << (j * W);
        }
        if (siguen != TODOS) {
            guardar();
#pragma GCC unroll 4
            for (int j = 0; j < N; ++j) {
                I::guarda(mM_ + j * W, M[j]);
                I::guarda(mE_ + j * W, E[j]);
            }
            salidas(siguen);
            cargar();
            continue;
        }
#pragma GCC unroll 4
        for (int j = 0; j < N; ++j) {
            const D dosZr = I::suma(zr[j], zr[j]);
            zr[j] = I::suma(I::resta(r2[j], i2[j]), cr[j]);
            zi[j] = I::resta(I::mult(dosZr, zi[j]), ci[j]);
            e[j] = I::mult(I::suma(I::suma(E[j], I::mult(coefModulo, M[j])), b[j]), factorCota);
        }
        ++paso_;
        if (paso_ == proximoFin_) {
            guardar();
            finales();
            cargar();
        }
        if (paso_ % BLOQUE == 0) {
            // Lanes whose state repeats the saved one, then the lanes whose
            // saved state is due to move on.
            uint32_t repiten = 0;
#pragma GCC unroll 4
            for (int j = 0; j < N; ++j) {
                const auto igual = I::y(I::y(I::igual(zr[j], I::carga(gzr_ + j * W)), I::igual(zi[j], I::carga(gzi_ + j * W))),
                                        I::igual(e[j], I::carga(ge_ + j * W)));
                repiten |= I::bits(igual) << (j * W);
            }
            if (repiten) {
                guardar();
                repetidos(repiten);
                cargar();
            }
            const D ahora = I::rep(static_cast<double>(paso_));
            uint32_t mueven = 0;
#pragma GCC unroll 4
            for (int j = 0; j < N; ++j) mueven |= I::bits(I::mayorIgual(ahora, I::carga(gProximo_ + j * W))) << (j * W);
            if (mueven) {
                guardar();
                mudanzas(mueven);
            }
        }
    }
    for (; siguiente_ < t_.n; ++siguiente_) t_.pendientes[t_.nPendientes++] = t_.punto[siguiente_];
    return decididos_;
}

template <class I, int N>
size_t trabajar(Trabajo& t) {
    Carriles<I, N> carriles(t);
    return carriles.trabajar();
}

}  // namespace brenquil::lote
