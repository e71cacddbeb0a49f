// The perturbation path's lanes: N interleaved vectors of I::W lanes, one
// point per lane, for the instruction set I: scalar in perturbacion.cpp,
// AVX2 and AVX-512 with the double path's own I in lote_avx2.cpp and
// lote_avx512.cpp. I::D is the type of δ, z and the radii.
//
// A lane holds, for its point at step k, the reference index n, δ (the
// difference between the point's orbit point W_k and the reference's Z_n, in
// double: orbits of the 80-bit loop, or of the P-bit loop on the deep lanes)
// and the radius e of a disk around δ that holds it
// (docs/certificado-perturbacion.md). At every step it forms the test point
// z = Z_n + δ and its radius eps, and either goes on, because the loop
// certainly goes on, or leaves: decided when the bound proves that the loop
// stops there (and, when asked, in which half-plane), pending for the loop
// itself (iterarPunto, iterarPuntoP) otherwise. A lane at step m + 1 leaves decided with count m + 1 when the
// half-plane is not asked or proved. Before stepping, a lane whose z is
// nearer 0 than δ, or whose reference has no next step, starts again from
// the reference's index 0 with δ = z. A lane that leaves takes the next point.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "lote_doble.h"
#include "perturbacion.h"

namespace brenquil::perturbacion {

// The stop rule of abandonable batches, as the double path's, with the
// weights of the lanes' instruction set (pesosDe): no more points are taken
// once the batch has failed by them.

// Steps between two looks for lanes whose z is nearer 0 than δ: every step,
// so that a lane rebases where the reference returns near 0, and skips there.
inline constexpr int64_t CADA_REBASE = 1;

template <class I, int N, bool Relativo>
class Carriles {
public:
    static constexpr int W = I::W;
    static constexpr int L = N * W;
    static_assert(L <= 32);

    explicit Carriles(Trabajo& t) : t_(t), m_(t.limite), cv_(6 * t.v), fijo_(4 * t.v) {
        for (int l = 0; l < L; ++l) llenar(l);
    }

    size_t trabajar();

private:
    using D = typename I::D;
    static constexpr uint32_t TODOS = L == 32 ? ~0u : (1u << L) - 1;
    static constexpr int64_t NUNCA = std::numeric_limits<int64_t>::max();

    void llenar(int l);
    void cerrar(int l, int64_t cuenta, bool cuentaCierta);
    [[gnu::noinline]] void salidas(uint32_t siguen);
    [[gnu::noinline]] void finales();
    [[gnu::noinline]] void rebasar(uint32_t mascara);

    Trabajo& t_;
    const int64_t m_;
    const double cv_, fijo_;  // 6 v and 4 v of the bound (perturbacion.h)
    size_t siguiente_ = 0;
    size_t decididos_ = 0;
    uint64_t salidas_ = 0;
    bool tomar_ = true;
    int activos_ = 0;
    uint32_t ociosos_ = 0;  // lanes without a point: their tests are ignored
    int64_t paso_ = 0;
    int64_t proximoFin_ = NUNCA;
    int64_t proximoRebase_ = NUNCA;  // no lane reaches the reference's end before this step

    // The lanes' state, in memory around every event; for the lanes that
    // leave, M, E, zi and eps of their last test point.
    alignas(64) double x_[L], y_[L], e_[L], n_[L], dr_[L], di_[L], b_[L];
    alignas(64) double mM_[L], mE_[L], mZr_[L], mZi_[L], mEps_[L];
    // The step of each lane's reference index: 1, or 0 for a lane without a point.
    alignas(64) double avance_[L];
    int64_t inicio_[L];
    int64_t fin_[L];
    int64_t saltados_[L];  // steps of the lane's count that were skipped
    int64_t rebaseForzado_[L];  // the step at which the lane's index reaches the reference's end
    size_t cand_[L];
};

template <class I, int N, bool Relativo>
void Carriles<I, N, Relativo>::llenar(int l) {
    if (tomar_ && t_.abandonable && salidas_ >= t_.salidasAntesDeAbandonar &&
        t_.pasosPendientes * t_.pesoPendiente > t_.pasosDecididos * t_.pesoDecidido) {
        tomar_ = false;
    }
    x_[l] = y_[l] = e_[l] = n_[l] = 0.0;
    if (!tomar_ || siguiente_ == t_.n) {
        dr_[l] = di_[l] = b_[l] = 0.0;
        fin_[l] = NUNCA;
        rebaseForzado_[l] = NUNCA;
        avance_[l] = 0.0;  // stays at index 0, whose reference values are tiny
        ociosos_ |= 1u << l;
        return;
    }
    ociosos_ &= ~(1u << l);
    avance_[l] = 1.0;
    const size_t c = siguiente_++;
    cand_[l] = c;
    dr_[l] = t_.dr[c];
    di_[l] = t_.di[c];
    b_[l] = (std::fabs(dr_[l]) + std::fabs(di_[l])) * CDC + fijo_;
    // A skipped point starts at step salto, paired with the reference's index salto.
    const int64_t salto = t_.salto;
    if (salto > 0) {
        x_[l] = t_.x0[c];
        y_[l] = t_.y0[c];
        e_[l] = t_.e0;
        n_[l] = static_cast<double>(salto);
    }
    inicio_[l] = paso_ - salto;
    saltados_[l] = salto;
    fin_[l] = inicio_[l] + m_ + 1;
    proximoFin_ = std::min(proximoFin_, fin_[l]);
    rebaseForzado_[l] = paso_ + t_.ref.fin - salto;
    proximoRebase_ = std::min(proximoRebase_, rebaseForzado_[l]);
    ++activos_;
}

// The lane's point leaves with its count; the half-plane, when asked, is
// proved by the disk of radius eps around the test point not reaching the real axis.
template <class I, int N, bool Relativo>
void Carriles<I, N, Relativo>::cerrar(int l, int64_t cuenta, bool cuentaCierta) {
    const uint64_t pasos = static_cast<uint64_t>(paso_ - inicio_[l]);
    ++salidas_;
    if (lote::anotarSalida(t_, t_.punto[cand_[l]], cuenta, cuentaCierta, mZi_[l], mEps_[l], pasos)) {
        ++decididos_;
    } else {
        // A pending point wasted only the steps the lanes ran, not those skipped.
        t_.pasosPendientes -= static_cast<uint64_t>(saltados_[l]);
    }
    --activos_;
    llenar(l);
}

// The lanes not in `siguen` failed the test that the loop goes on: their
// count is the step, if the bound proves that the loop stops there.
template <class I, int N, bool Relativo>
void Carriles<I, N, Relativo>::salidas(uint32_t siguen) {
    for (uint32_t salen = ~siguen & TODOS; salen; salen &= salen - 1) {
        const int l = __builtin_ctz(salen);
        const bool escapa = mM_[l] * lote::ESCAPE_M - mE_[l] * lote::ESCAPE_E >= lote::UMBRAL_ESCAPE;
        cerrar(l, paso_ - inicio_[l], escapa);
    }
}

// Lanes at step m + 1: the loop went on at every step before.
template <class I, int N, bool Relativo>
void Carriles<I, N, Relativo>::finales() {
    for (int l = 0; l < L; ++l) {
        if (fin_[l] == paso_) cerrar(l, m_ + 1, true);
    }
    proximoFin_ = NUNCA;
    for (int l = 0; l < L; ++l) proximoFin_ = std::min(proximoFin_, fin_[l]);
}

// The lanes in `mascara`, and those at the reference's end, start again from
// index 0 with δ = z (stored) and e = eps.
template <class I, int N, bool Relativo>
void Carriles<I, N, Relativo>::rebasar(uint32_t mascara) {
    for (int l = 0; l < L; ++l) {
        if (rebaseForzado_[l] == paso_) mascara |= 1u << l;
    }
    for (; mascara; mascara &= mascara - 1) {
        const int l = __builtin_ctz(mascara);
        x_[l] = mZr_[l];
        y_[l] = mZi_[l];
        e_[l] = mEps_[l];
        // The steps that the reference's linear prediction proves, skipped,
        // short of the point's limit.
        int64_t salto = 0;
        if (t_.saltos) {
            const size_t c = cand_[l];
            salto = saltarRebasado(*t_.saltos, x_[l], y_[l], e_[l], t_.dr87[c], t_.di87[c], fin_[l] - paso_ - 1);
            inicio_[l] -= salto;
            fin_[l] -= salto;
            saltados_[l] += salto;
        }
        n_[l] = static_cast<double>(salto);
        rebaseForzado_[l] = paso_ + t_.ref.fin - salto;
    }
    proximoRebase_ = NUNCA;
    for (int l = 0; l < L; ++l) proximoRebase_ = std::min(proximoRebase_, rebaseForzado_[l]);
    for (int l = 0; l < L; ++l) proximoFin_ = std::min(proximoFin_, fin_[l]);
}

template <class I, int N, bool Relativo>
size_t Carriles<I, N, Relativo>::trabajar() {
    const DatosReferencia& ref = t_.ref;
    D x[N], y[N], e[N], n[N];
    const auto cargar = [&] {
#pragma GCC unroll 4
        for (int j = 0; j < N; ++j) {
            x[j] = I::carga(x_ + j * W);
            y[j] = I::carga(y_ + j * W);
            e[j] = I::carga(e_ + j * W);
            n[j] = I::carga(n_ + j * W);
        }
    };
    const auto guardar = [&] {
#pragma GCC unroll 4
        for (int j = 0; j < N; ++j) {
            I::guarda(x_ + j * W, x[j]);
            I::guarda(y_ + j * W, y[j]);
            I::guarda(e_ + j * W, e[j]);
            I::guarda(n_ + j * W, n[j]);
        }
    };
    cargar();
    const D umbralSigue = I::rep(lote::UMBRAL_SIGUE);
    const D cs = I::rep(CS), cu = I::rep(CU), cv = I::rep(cv_), factor = I::rep(FACTOR_COTA);
    const D hRef = I::rep(H), dosH = I::rep(2 * H);
    const D hRelativo = I::rep(H_RELATIVO), hPiso = I::rep(H_PISO), factorE = I::rep(FACTOR_E);
    while (activos_ > 0) {
        D a[N], bb[N], zr[N], zi[N], M[N], E[N], S[N], raiz[N], eps[N], hn[N];
        uint32_t siguen = 0;
#pragma GCC unroll 4
        for (int j = 0; j < N; ++j) {
            const auto indice = I::indices(n[j]);
            a[j] = I::reune(ref.a, indice);
            bb[j] = I::reune(ref.b, indice);
            zr[j] = I::suma(a[j], x[j]);
            zi[j] = I::suma(bb[j], y[j]);
            M[j] = I::suma(I::mult(zr[j], zr[j]), I::mult(zi[j], zi[j]));
            raiz[j] = I::raiz(M[j]);
            if constexpr (Relativo) {
                // The reference point's rounding to double by its size, and e's in the sum by FACTOR_E.
                hn[j] = I::suma(I::mult(I::suma(I::abs(a[j]), I::abs(bb[j])), hRelativo), hPiso);
                eps[j] = I::suma(I::suma(I::mult(e[j], factorE), hn[j]), I::mult(cs, raiz[j]));
            } else {
                eps[j] = I::suma(I::suma(e[j], hRef), I::mult(cs, raiz[j]));
            }
            E[j] = I::mult(I::suma(I::suma(raiz[j], raiz[j]), eps[j]), eps[j]);
            S[j] = I::suma(M[j], E[j]);
            siguen |= I::bits(I::menor(S[j], umbralSigue)) << (j * W);
        }
        const bool alFinal = paso_ == proximoFin_;
        siguen |= ociosos_;
        if (alFinal || siguen != TODOS) {
            guardar();
#pragma GCC unroll 4
            for (int j = 0; j < N; ++j) {
                I::guarda(mM_ + j * W, M[j]);
                I::guarda(mE_ + j * W, E[j]);
                I::guarda(mZi_ + j * W, zi[j]);
                I::guarda(mEps_ + j * W, eps[j]);
            }
            // A lane at step m + 1 leaves with that count before its test is looked at.
            if (alFinal) {
                finales();
            } else {
                salidas(siguen);
            }
            cargar();
            continue;
        }
        // Rebasing, rare at depth: the lanes whose reference has no next
        // step, and, looked for every CADA_REBASE steps, those whose z is
        // nearer 0 than δ, take δ = z against Z_0 = 0 and form their test
        // point again there.
        uint32_t rebases = 0;
        if (paso_ % CADA_REBASE == 0) {
#pragma GCC unroll 4
            for (int j = 0; j < N; ++j) {
                const auto rebase = I::menor(M[j], I::suma(I::mult(x[j], x[j]), I::mult(y[j], y[j])));
                rebases |= I::bits(rebase) << (j * W);
            }
            rebases &= ~ociosos_;
        }
        if (rebases || paso_ == proximoRebase_) {
            guardar();
#pragma GCC unroll 4
            for (int j = 0; j < N; ++j) {
                I::guarda(mZr_ + j * W, zr[j]);
                I::guarda(mZi_ + j * W, zi[j]);
                I::guarda(mEps_ + j * W, eps[j]);
            }
            rebasar(rebases);
            cargar();
            continue;
        }
#pragma GCC unroll 4
        for (int j = 0; j < N; ++j) {
            const auto indice = I::indices(n[j]);
            const D s = I::reune(ref.s, indice), t = I::reune(ref.t, indice);
            // δ' = (2 Z_n + δ) δ + (Δ - rho_n).
            const D tr = I::suma(I::suma(a[j], a[j]), x[j]);
            const D ti = I::suma(I::suma(bb[j], bb[j]), y[j]);
            const D pr = I::resta(I::mult(tr, x[j]), I::mult(ti, y[j]));
            const D pi = I::suma(I::mult(tr, y[j]), I::mult(ti, x[j]));
            const D nt = I::suma(I::abs(tr), I::abs(ti));
            const D nd = I::suma(I::abs(x[j]), I::abs(y[j]));
            const D T = I::mult(I::suma(I::mult(cu, nt), Relativo ? I::suma(hn[j], hn[j]) : dosH), nd);
            // (2|Z_n + δ| + e) e, from |Z_n + δ| <= |z| + eps - e.
            const D G = I::mult(I::suma(I::suma(raiz[j], raiz[j]), I::resta(I::suma(eps[j], eps[j]), e[j])), e[j]);
            // The lanes' constants are read from memory at every step, so that
            // more lanes keep their state in registers.
            x[j] = I::suma(pr, I::resta(I::carga(dr_ + j * W), s));
            y[j] = I::suma(pi, I::resta(I::carga(di_ + j * W), t));
            e[j] = I::mult(I::suma(G, I::suma(I::mult(cv, S[j]), I::suma(T, I::carga(b_ + j * W)))), factor);
            n[j] = I::suma(n[j], I::carga(avance_ + j * W));
        }
        ++paso_;
    }
    for (; siguiente_ < t_.n; ++siguiente_) t_.pendientes[t_.nPendientes++] = t_.punto[siguiente_];
    return decididos_;
}

template <class I, int N>
size_t trabajar(Trabajo& t) {
    if (t.radioRelativo) {
        Carriles<I, N, true> carriles(t);
        return carriles.trabajar();
    }
    Carriles<I, N, false> carriles(t);
    return carriles.trabajar();
}

}  // namespace brenquil::perturbacion
