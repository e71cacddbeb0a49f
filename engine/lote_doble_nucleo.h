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
// A lane whose state (zr, zi, e) repeats bit for bit is periodic from then
// on: its later steps repeat steps that went on for certain, so the point
// does not escape; the lane skips ahead to the state of step m + 1, which
// lies a known number of steps after the repeat. The repeats are found as
// iterarPunto finds the x87 ones (Brent's method, one comparison every
// BLOQUE steps), and double orbits settle sooner than 80-bit ones.
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
// lanes, no more points are taken while the steps spent on points left
// pending exceed RAZON_ABANDONO times the steps of decided points.
inline constexpr uint64_t PUNTOS_ANTES_DE_ABANDONAR = 64;
inline constexpr uint64_t RAZON_ABANDONO = 3;

template <class I, int N>
size_t trabajar(Trabajo& t) {
    using D = typename I::D;
    constexpr int W = I::W;
    constexpr int L = N * W;
    static_assert(L <= 32);
    constexpr uint32_t TODOS = L == 32 ? ~0u : (1u << L) - 1;
    constexpr double NAN_ = std::numeric_limits<double>::quiet_NaN();
    constexpr double INF_ = std::numeric_limits<double>::infinity();
    constexpr int64_t NUNCA = std::numeric_limits<int64_t>::max();

    // The lanes' state, in memory around every event; in registers between.
    alignas(64) double zr[L], zi[L], e[L], cr[L], ci[L], b[L];
    // M and E of the last test, for the lanes that leave.
    alignas(64) double mM[L], mE[L];
    // Brent: the saved state, the step it was saved at, the step of the next
    // move and the distance to the move after it.
    alignas(64) double gzr[L], gzi[L], ge[L], gProximo[L];
    int64_t gPaso[L], tramo[L];
    int64_t inicio[L];  // the step at which the lane's point started (its z_0)
    int64_t fin[L];     // the step at which it reaches z_(m+1), NUNCA when idle
    size_t cand[L];     // the candidate in the lane

    const int64_t m = t.limite;
    size_t siguiente = 0;
    size_t decididos = 0;
    uint64_t salidas = 0, pasosDecididos = 0, pasosPendientes = 0;
    bool tomar = true;
    int activos = 0;
    int64_t paso = 0;

    const auto llenar = [&](int l) {
        if (tomar && t.abandonable && salidas >= PUNTOS_ANTES_DE_ABANDONAR &&
            pasosPendientes > RAZON_ABANDONO * pasosDecididos) {
            tomar = false;
        }
        zr[l] = zi[l] = e[l] = 0.0;
        gzr[l] = gzi[l] = ge[l] = NAN_;
        tramo[l] = BLOQUE;
        if (!tomar || siguiente == t.n) {
            cr[l] = ci[l] = b[l] = 0.0;  // z stays 0 and passes every test
            fin[l] = NUNCA;
            gProximo[l] = INF_;
            return;
        }
        const size_t c = siguiente++;
        cand[l] = c;
        cr[l] = t.cr[c];
        ci[l] = t.ci[c];
        b[l] = t.b[c];
        inicio[l] = paso;
        fin[l] = paso + m + 1;
        gProximo[l] = static_cast<double>(paso + PASOS_SIN_CICLOS);
        ++activos;
    };
    // The lane's point leaves with count k, decided when the count is
    // certain and, if the half-plane is asked, the disk around z does not
    // reach the real axis; pending otherwise. The lane takes the next point.
    const auto cerrar = [&](int l, int64_t k, bool cuentaCierta) {
        const uint32_t p = t.punto[cand[l]];
        bool decidido = cuentaCierta;
        if (decidido && t.conSemiplano) {
            decidido = std::fabs(zi[l]) > e[l];
            if (decidido) t.semiplanos[p] = zi[l] > 0 ? Semiplano::Superior : Semiplano::Inferior;
        }
        ++salidas;
        if (decidido) {
            t.cuentas[p] = static_cast<int16_t>(k);
            ++decididos;
            pasosDecididos += static_cast<uint64_t>(k);
        } else {
            t.pendientes[t.nPendientes++] = p;
            pasosPendientes += static_cast<uint64_t>(k);
        }
        --activos;
        llenar(l);
    };
    const auto primerFin = [&] {
        int64_t f = NUNCA;
        for (int l = 0; l < L; ++l) f = fin[l] < f ? fin[l] : f;
        return f;
    };

    D vzr[N], vzi[N], ve[N], vcr[N], vci[N], vb[N];
    const auto cargar = [&] {
        for (int j = 0; j < N; ++j) {
            vzr[j] = I::carga(zr + j * W);
            vzi[j] = I::carga(zi + j * W);
            ve[j] = I::carga(e + j * W);
            vcr[j] = I::carga(cr + j * W);
            vci[j] = I::carga(ci + j * W);
            vb[j] = I::carga(b + j * W);
        }
    };
    const auto guardar = [&] {
        for (int j = 0; j < N; ++j) {
            I::guarda(zr + j * W, vzr[j]);
            I::guarda(zi + j * W, vzi[j]);
            I::guarda(e + j * W, ve[j]);
        }
    };

    // Every BLOQUE steps: lanes whose state repeats the saved one skip to
    // their last step; the saved state moves on where it is due.
    const auto comparar = [&](int64_t& proximoFin) {
        uint32_t repetidos = 0;
        for (int j = 0; j < N; ++j) {
            const auto igual = I::y(I::y(I::igual(vzr[j], I::carga(gzr + j * W)), I::igual(vzi[j], I::carga(gzi + j * W))),
                                    I::igual(ve[j], I::carga(ge + j * W)));
            repetidos |= I::bits(igual) << (j * W);
        }
        if (repetidos) {
            guardar();
            for (int l = 0; l < L; ++l) {
                if (!(repetidos >> l & 1)) continue;
                // z_k repeats z_(k-d): z_(m+1) is z_(k + (m + 1 - k) mod d).
                const int64_t d = paso - gPaso[l];
                const int64_t k = paso - inicio[l];
                fin[l] = paso + (m + 1 - k) % d;
                gzr[l] = NAN_;
                gProximo[l] = INF_;
                if (fin[l] == paso) cerrar(l, m + 1, true);
            }
            proximoFin = primerFin();
            cargar();
        }
        const auto ahora = I::rep(static_cast<double>(paso));
        for (int j = 0; j < N; ++j) {
            const auto toca = I::mayorIgual(ahora, I::carga(gProximo + j * W));
            const uint32_t mueven = I::bits(toca);
            if (!mueven) continue;
            I::guarda(gzr + j * W, I::mezcla(toca, vzr[j], I::carga(gzr + j * W)));
            I::guarda(gzi + j * W, I::mezcla(toca, vzi[j], I::carga(gzi + j * W)));
            I::guarda(ge + j * W, I::mezcla(toca, ve[j], I::carga(ge + j * W)));
            for (int l = j * W; l < (j + 1) * W; ++l) {
                if (!(mueven >> (l - j * W) & 1)) continue;
                // The distance grows by a quarter, in whole blocks, at every move.
                gPaso[l] = static_cast<double>(paso);
                gProximo[l] = static_cast<double>(paso + tramo[l]);
                tramo[l] += std::max(BLOQUE, tramo[l] / (4 * BLOQUE) * BLOQUE);
            }
        }
    };

    for (int l = 0; l < L; ++l) llenar(l);
    int64_t proximoFin = primerFin();
    cargar();

    const D umbralSigue = I::rep(UMBRAL_SIGUE);
    const D coefModulo = I::rep(COEF_MODULO);
    const D factorCota = I::rep(FACTOR_COTA);
    while (activos > 0) {
        D r2[N], i2[N], M[N], E[N];
        uint32_t siguen = 0;
        for (int j = 0; j < N; ++j) {
            r2[j] = I::mult(vzr[j], vzr[j]);
            i2[j] = I::mult(vzi[j], vzi[j]);
            M[j] = I::suma(r2[j], i2[j]);
            // E = (2|z| + e) e, from an upper bound of 2|z| (docs: the radius).
            E[j] = I::mult(I::suma(I::dobleModulo(M[j]), ve[j]), ve[j]);
            siguen |= I::bits(I::menor(I::suma(M[j], E[j]), umbralSigue)) << (j * W);
        }
        if (siguen != TODOS) {
            guardar();
            for (int j = 0; j < N; ++j) {
                I::guarda(mM + j * W, M[j]);
                I::guarda(mE + j * W, E[j]);
            }
            for (int l = 0; l < L; ++l) {
                if (siguen >> l & 1) continue;
                const bool escapa = mM[l] * ESCAPE_M - mE[l] * ESCAPE_E >= UMBRAL_ESCAPE;
                cerrar(l, paso - inicio[l], escapa);
            }
            proximoFin = primerFin();
            cargar();
            continue;
        }
        for (int j = 0; j < N; ++j) {
            const D dosZr = I::suma(vzr[j], vzr[j]);
            vzr[j] = I::suma(I::resta(r2[j], i2[j]), vcr[j]);
            vzi[j] = I::resta(I::mult(dosZr, vzi[j]), vci[j]);
            ve[j] = I::mult(I::suma(I::suma(E[j], I::mult(coefModulo, M[j])), vb[j]), factorCota);
        }
        ++paso;
        if (paso == proximoFin) {
            guardar();
            for (int l = 0; l < L; ++l) {
                if (fin[l] == paso) cerrar(l, m + 1, true);
            }
            proximoFin = primerFin();
            cargar();
        }
        if (paso % BLOQUE == 0) comparar(proximoFin);
    }
    for (; siguiente < t.n; ++siguiente) t.pendientes[t.nPendientes++] = t.punto[siguiente];
    return decididos;
}

}  // namespace brenquil::lote
