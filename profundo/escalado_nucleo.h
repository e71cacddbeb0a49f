// The scaled lanes (docs/certificado-perturbacion.md, section 9) on vectors:
// N interleaved vectors of I::W lanes, one point per lane, for the
// instruction set I (escalado_avx2.cpp, escalado_avx512.cpp). Each lane
// performs the operations of the scalar lanes (perturbarEscalado in
// perturbacion_p.cpp) in their order, each a double operation rounded on its
// own (no fused products: the files are built with -ffp-contract=off and
// without reassociation), so that it holds, step by step, the very doubles
// the scalar lanes hold for its point, and decides what they decide.
//
// The common step is vector code: the test point, the lanes that certainly
// go on, the rebase test, δ's and the radius's step and the test for a
// change of scale. desescalar and escalarArriba are integer operations on
// each lane's bits, those of the scalar functions (trabajar, cargar). The
// rare events (a point leaving, a rebase, a change of scale with its new
// terms, a new point in a lane that left) are handled lane by lane on the
// lanes' arrays by the scalar functions of escalado.h, as the deep lanes of
// the engine handle theirs.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

#include "escalado.h"
#include "lote_doble.h"

namespace brenquil::escalado {

// The reference's index is gathered with 32-bit indices: a reference holds
// at most PASOS_MAXIMOS_REFERENCIA + 1 entries, and a lane's index never
// passes the reference's end.
static_assert(PASOS_MAXIMOS_REFERENCIA < INT32_MAX);

template <class I, int N>
class CarrilesEscalados {
public:
    static constexpr int W = I::W;
    static constexpr int L = N * W;
    static_assert(L <= 32);

    CarrilesEscalados(perturbacion::Trabajo& t, const ReferenciaP& ref, const PuntoEscalado* puntos,
                      mpfr_prec_t bits)
        : t_(t), ref_(ref), puntos_(puntos), bits_(bits), m_(t.limite), finRef_(ref.fin()) {
        for (int l = 0; l < L; ++l) llenar(l);
    }

    size_t trabajar();

private:
    using D = typename I::D;
    using Ent = typename I::Ent;
    using Mascara = typename I::Mascara;
    static constexpr uint32_t TODOS = L == 32 ? ~0u : (1u << L) - 1;
    static constexpr int64_t NUNCA = std::numeric_limits<int64_t>::max();

    void llenar(int l);
    void ponerTerminos(int l);
    void cerrar(int l, int64_t cuenta, bool cuentaCierta);
    [[gnu::noinline]] void salidas(uint32_t siguen);
    [[gnu::noinline]] void finales();
    [[gnu::noinline]] void rebasar(uint32_t mascara);
    [[gnu::noinline]] void reescalarCarriles(uint32_t mascara);

    perturbacion::Trabajo& t_;
    const ReferenciaP& ref_;
    const PuntoEscalado* const puntos_;
    const mpfr_prec_t bits_;
    const int64_t m_;
    const int64_t finRef_;
    size_t siguiente_ = 0;
    size_t decididos_ = 0;
    int activos_ = 0;
    uint32_t ociosos_ = 0;  // lanes without a point: their tests are ignored
    int64_t paso_ = 0;
    int64_t proximoFin_ = NUNCA;
    int64_t proximoRebase_ = NUNCA;  // no lane reaches the reference's end before this step

    // The lanes' state, in memory around every event: δ / 2^K, the radius
    // / 2^K, the reference index, K, the point's terms for its K; for the
    // lanes that leave or rebase, M, E, z and eps of their last test point.
    alignas(64) double x_[L], y_[L], e_[L], n_[L];
    alignas(64) int64_t K_[L];
    alignas(64) double dr_[L], di_[L], b_[L], cv_[L], w_[L];
    alignas(64) double mM_[L], mE_[L], mZr_[L], mZi_[L], mEps_[L];
    // The step of each lane's reference index: 1, or 0 for a lane without a point.
    alignas(64) double avance_[L];
    int64_t inicio_[L];
    int64_t fin_[L];            // the step at which the lane's count reaches m + 1
    int64_t rebaseForzado_[L];  // the step at which the lane's index reaches the reference's end
    size_t cand_[L];
};

template <class I, int N>
void CarrilesEscalados<I, N>::ponerTerminos(int l) {
    const TerminosEscala te = terminosEscala(puntos_[cand_[l]], K_[l], bits_);
    dr_[l] = te.dr;
    di_[l] = te.di;
    b_[l] = te.b;
    cv_[l] = te.cv;
    w_[l] = te.w;
}

template <class I, int N>
void CarrilesEscalados<I, N>::llenar(int l) {
    x_[l] = y_[l] = e_[l] = n_[l] = 0.0;
    if (siguiente_ == t_.n) {
        // An idle lane stays at index 0 with δ = 0, K = 0 and terms 0: its
        // test point is 0, it never rebases nor changes scale.
        K_[l] = 0;
        dr_[l] = di_[l] = b_[l] = cv_[l] = w_[l] = 0.0;
        fin_[l] = NUNCA;
        rebaseForzado_[l] = NUNCA;
        avance_[l] = 0.0;
        ociosos_ |= 1u << l;
        return;
    }
    ociosos_ &= ~(1u << l);
    avance_[l] = 1.0;
    const size_t c = siguiente_++;
    cand_[l] = c;
    K_[l] = exponenteInicial(puntos_[c], bits_);
    ponerTerminos(l);
    inicio_[l] = paso_;
    fin_[l] = paso_ + m_ + 1;
    proximoFin_ = std::min(proximoFin_, fin_[l]);
    rebaseForzado_[l] = paso_ + finRef_;
    proximoRebase_ = std::min(proximoRebase_, rebaseForzado_[l]);
    ++activos_;
}

// The lane's point leaves with its count (anotarSalida: the half-plane, when
// asked, from the disk of radius eps around the last test point).
template <class I, int N>
void CarrilesEscalados<I, N>::cerrar(int l, int64_t cuenta, bool cuentaCierta) {
    const uint64_t pasos = static_cast<uint64_t>(paso_ - inicio_[l]);
    if (anotarSalida(t_, t_.punto[cand_[l]], cuenta, cuentaCierta, mZi_[l], mEps_[l], pasos)) ++decididos_;
    --activos_;
    llenar(l);
}

// The lanes not in `siguen` failed the test that the loop goes on: their
// count is the step, if the bound proves that the loop stops there.
template <class I, int N>
void CarrilesEscalados<I, N>::salidas(uint32_t siguen) {
    for (uint32_t salen = ~siguen & TODOS; salen; salen &= salen - 1) {
        const int l = __builtin_ctz(salen);
        const bool escapa = mM_[l] * lote::ESCAPE_M - mE_[l] * lote::ESCAPE_E >= lote::UMBRAL_ESCAPE;
        cerrar(l, paso_ - inicio_[l], escapa);
    }
}

// Lanes at step m + 1: the loop went on at every step before.
template <class I, int N>
void CarrilesEscalados<I, N>::finales() {
    for (int l = 0; l < L; ++l) {
        if (fin_[l] == paso_) cerrar(l, m_ + 1, true);
    }
    proximoFin_ = NUNCA;
    for (int l = 0; l < L; ++l) proximoFin_ = std::min(proximoFin_, fin_[l]);
}

// The lanes in `mascara`, and those at the reference's end, start again from
// index 0 with δ = z (stored), e = eps and K = 0, unscaled.
template <class I, int N>
void CarrilesEscalados<I, N>::rebasar(uint32_t mascara) {
    for (int l = 0; l < L; ++l) {
        if (rebaseForzado_[l] == paso_) mascara |= 1u << l;
    }
    for (; mascara; mascara &= mascara - 1) {
        const int l = __builtin_ctz(mascara);
        x_[l] = mZr_[l];
        y_[l] = mZi_[l];
        e_[l] = mEps_[l];
        n_[l] = 0.0;
        if (K_[l] != 0) {
            K_[l] = 0;
            ponerTerminos(l);
        }
        rebaseForzado_[l] = paso_ + finRef_;
    }
    proximoRebase_ = NUNCA;
    for (int l = 0; l < L; ++l) proximoRebase_ = std::min(proximoRebase_, rebaseForzado_[l]);
}

// The lanes in `mascara` passed UMBRAL_ESCALA after a step with K < 0.
template <class I, int N>
void CarrilesEscalados<I, N>::reescalarCarriles(uint32_t mascara) {
    for (; mascara; mascara &= mascara - 1) {
        const int l = __builtin_ctz(mascara);
        reescalar(x_[l], y_[l], e_[l], K_[l]);
        ponerTerminos(l);
    }
}

template <class I, int N>
size_t CarrilesEscalados<I, N>::trabajar() {
    using namespace perturbacion;
    const perturbacion::DatosReferencia datos = ref_.datos();
    const double* const ra = datos.a;
    const double* const rb = datos.b;
    const double* const rs = ref_.rhoEnV();
    const double* const rt = ref_.rhoEnVi();
    D x[N], y[N], e[N], n[N];
    // Each lane's K (which changes only at events) for desescalar, and -K
    // for the rebase test's escalarArriba, each with its copy shifted to
    // the exponent field: the lane's unscaled values are the scalar
    // functions' bit for bit, from integer operations on their bits.
    Ent kE[N], kE52[N], jM[N], jM52[N];
    uint32_t negativos = 0;  // the lanes with K < 0, which may change scale
    const auto cargar = [&] {
        negativos = 0;
#pragma GCC unroll 4
        for (int j = 0; j < N; ++j) {
            x[j] = I::carga(x_ + j * W);
            y[j] = I::carga(y_ + j * W);
            e[j] = I::carga(e_ + j * W);
            n[j] = I::carga(n_ + j * W);
            const Ent K = I::cargaEnt(K_ + j * W);
            kE[j] = K;
            kE52[j] = I::alExponente(K);
            jM[j] = I::opuesto(K);
            jM52[j] = I::alExponente(jM[j]);
            negativos |= I::bits(I::negativoEnt(K)) << (j * W);
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
    const D umbralSigue = I::rep(lote::UMBRAL_SIGUE), umbralEscala = I::rep(UMBRAL_ESCALA);
    const D cs = I::rep(CS), cu = I::rep(CU), factor = I::rep(FACTOR_COTA), pisoG = I::rep(PISO_G);
    const D hRelativo = I::rep(H_RELATIVO), hPiso = I::rep(H_PISO), factorE = I::rep(FACTOR_E);
    // desescalar(v, K) of each lane.
    const auto desescalar = [&](D v, int j) { return I::desescalar(v, kE[j], kE52[j]); };
    while (activos_ > 0) {
        D a[N], bb[N], xu[N], yu[N], eu[N], zr[N], zi[N], M[N], E[N], S[N], raiz[N], eps[N], hn[N];
        uint32_t siguen = 0;
#pragma GCC unroll 4
        for (int j = 0; j < N; ++j) {
            const auto indice = I::indices(n[j]);
            a[j] = I::reune(ra, indice);
            bb[j] = I::reune(rb, indice);
            xu[j] = desescalar(x[j], j);
            yu[j] = desescalar(y[j], j);
            eu[j] = desescalar(e[j], j);
            zr[j] = I::suma(a[j], xu[j]);
            zi[j] = I::suma(bb[j], yu[j]);
            M[j] = I::suma(I::mult(zr[j], zr[j]), I::mult(zi[j], zi[j]));
            raiz[j] = I::raiz(M[j]);
            hn[j] = I::suma(I::mult(I::suma(I::abs(a[j]), I::abs(bb[j])), hRelativo), hPiso);
            eps[j] = I::suma(I::suma(I::mult(eu[j], factorE), hn[j]), I::mult(cs, raiz[j]));
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
        // Rebasing: the lanes whose z is nearer 0 than δ (in units of 2^K, as
        // the scalar lanes test it), and those whose reference has no next step.
        uint32_t rebases = 0;
#pragma GCC unroll 4
        for (int j = 0; j < N; ++j) {
            const D zrK = I::escalarArriba(zr[j], jM[j], jM52[j]), ziK = I::escalarArriba(zi[j], jM[j], jM52[j]);
            const auto rebase = I::menor(I::suma(I::mult(zrK, zrK), I::mult(ziK, ziK)),
                                         I::suma(I::mult(x[j], x[j]), I::mult(y[j], y[j])));
            rebases |= I::bits(rebase) << (j * W);
        }
        rebases &= ~ociosos_;
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
        uint32_t reescalan = 0;
#pragma GCC unroll 4
        for (int j = 0; j < N; ++j) {
            const auto indice = I::indices(n[j]);
            const D w = I::carga(w_ + j * W);
            // δ' = (2 Z_n + δ) δ + (Δ - rho_n), divided by 2^K.
            const D kr = I::resta(I::carga(dr_ + j * W), I::mult(I::reune(rs, indice), w));
            const D ki = I::resta(I::carga(di_ + j * W), I::mult(I::reune(rt, indice), w));
            const D tr = I::suma(I::suma(a[j], a[j]), xu[j]);
            const D ti = I::suma(I::suma(bb[j], bb[j]), yu[j]);
            const D pr = I::resta(I::mult(tr, x[j]), I::mult(ti, y[j]));
            const D pi = I::suma(I::mult(tr, y[j]), I::mult(ti, x[j]));
            const D nt = I::suma(I::abs(tr), I::abs(ti));
            const D nd = I::suma(I::abs(x[j]), I::abs(y[j]));
            const D T = I::mult(I::suma(I::mult(cu, nt), I::suma(hn[j], hn[j])), nd);
            const D G = I::mult(I::suma(I::suma(I::suma(raiz[j], raiz[j]), pisoG),
                                        I::resta(I::suma(eps[j], eps[j]), eu[j])),
                                e[j]);
            const D cvS = I::mult(I::carga(cv_ + j * W), S[j]);
            e[j] = I::mult(I::suma(G, I::suma(cvS, I::suma(T, I::carga(b_ + j * W)))), factor);
            x[j] = I::suma(pr, kr);
            y[j] = I::suma(pi, ki);
            n[j] = I::suma(n[j], I::carga(avance_ + j * W));
            const Mascara pasa = I::o(I::mayor(I::suma(I::abs(x[j]), I::abs(y[j])), umbralEscala),
                                      I::mayor(e[j], umbralEscala));
            reescalan |= I::bits(pasa) << (j * W);
        }
        ++paso_;
        // A change of scale, while K < 0.
        reescalan &= negativos;
        if (reescalan) {
            guardar();
            reescalarCarriles(reescalan);
            cargar();
        }
    }
    for (; siguiente_ < t_.n; ++siguiente_) t_.pendientes[t_.nPendientes++] = t_.punto[siguiente_];
    return decididos_;
}

template <class I, int N>
size_t perturbar(perturbacion::Trabajo& t, const ReferenciaP& ref, const PuntoEscalado* puntos, mpfr_prec_t bits) {
    if (t.n == 0) return 0;
    CarrilesEscalados<I, N> carriles(t, ref, puntos, bits);
    return carriles.trabajar();
}

}  // namespace brenquil::escalado
