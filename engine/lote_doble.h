// The certified double-precision path of iterarLote: the constants of its
// bound and the work it is given. Internal to the engine; the proof of every
// constant is in docs/certificado-doble.md.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "semiplano.h"

namespace brenquil::lote {

// A double orbit point z with the radius e of a disk around it that holds the
// x87 orbit point Z; M = zr*zr + zi*zi and E is the computed (2|z| + e) e.
//
// The x87 loop goes on for certain when fl(M + E) < UMBRAL_SIGUE.
inline constexpr double UMBRAL_SIGUE = 4.0 - 0x1p-45;
// It stops for certain when fl(fl(M * ESCAPE_M) - fl(E * ESCAPE_E)) >= UMBRAL_ESCAPE.
inline constexpr double ESCAPE_M = 1.0 - 0x1p-48;
inline constexpr double ESCAPE_E = 1.0 + 0x1p-48;
inline constexpr double UMBRAL_ESCAPE = 4.0 + 0x1p-48;
// After a step the radius is e' = fl(fl(fl(E + fl(COEF_MODULO * M)) + B) * FACTOR_COTA),
inline constexpr double COEF_MODULO = 5 * 0x1p-53;
inline constexpr double FACTOR_COTA = 1.0 + 0x1p-48;
// with the point's own term B = fl(fl(fl(|cr| + |ci|) * COEF_C) + TERMINO_FIJO): the
// rounding of c to double and in the double step, the x87 terms that do not
// grow with z, and a floor for underflow.
inline constexpr double COEF_C = 5 * 0x1p-54;
inline constexpr double TERMINO_FIJO = 0x1p-62;

// The points the double path is given, each with its constant c in double
// (cr - ci i as the double step adds it: plane 310's 1/4 already in cr) and
// the index of the point in the batch.
struct Trabajo {
    const double* cr;
    const double* ci;
    const uint32_t* punto;
    size_t n;
    int32_t limite;        // the effective limit m, 0 .. 32766: a point that never escapes counts m + 1
    bool conSemiplano;     // decide the half-plane of the last z too
    bool abandonable;      // stop taking points when the double path does not pay
    int16_t* cuentas;      // by point index
    Semiplano* semiplanos; // by point index, when conSemiplano
    uint32_t* pendientes;  // out: the points left to iterarPunto, after the nPendientes there are
    size_t nPendientes;    // in and out
    uint64_t pasosDecididos;   // out: steps of the points decided,
    uint64_t pasosPendientes;  // and of those left pending
};

// Each decides the points it can, writes the others to pendientes (those it
// was not given because it stopped early too) and returns how many it decided.
size_t trabajarAvx2(Trabajo& t);
size_t trabajarAvx512(Trabajo& t);

// The outcome of point p leaving a lane of either path after `pasos` steps
// with `cuenta`: decided when the count is certain and, if the half-plane is
// asked, the disk of radius e around the last z (imaginary part zi) does not
// reach the real axis; pending otherwise. T is the path's work (its cuentas,
// or cuentasLargas where it has and sets them, semiplanos, pendientes and
// step sums). Returns whether it was decided.
template <class T>
bool anotarSalida(T& t, uint32_t p, int64_t cuenta, bool cuentaCierta, double zi, double e, uint64_t pasos) {
    bool decidido = cuentaCierta;
    if (decidido && t.conSemiplano) {
        decidido = std::fabs(zi) > e;
        if (decidido) t.semiplanos[p] = zi > 0 ? Semiplano::Superior : Semiplano::Inferior;
    }
    if (decidido) {
        if constexpr (requires { t.cuentasLargas; }) {
            if (t.cuentasLargas) {
                t.cuentasLargas[p] = cuenta;
            } else {
                t.cuentas[p] = static_cast<int16_t>(cuenta);
            }
        } else {
            t.cuentas[p] = static_cast<int16_t>(cuenta);
        }
        t.pasosDecididos += pasos;
    } else {
        t.pendientes[t.nPendientes++] = p;
        t.pasosPendientes += pasos;
    }
    return decidido;
}

}  // namespace brenquil::lote
