#include "iteracion_lote.h"
#include "por_hilo.h"

#include <xmmintrin.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "iteracion.h"
#include "lote_doble.h"
#include "numeros.h"
#include "perturbacion.h"

namespace brenquil {
namespace {

bool cpuConAvx2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}

// The processor has AVX-512 Foundation and the system saves its registers.
bool cpuConAvx512() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f");
}

ViaLote viaDelEntorno() {
    static const struct {
        ViaLote via;
        const char* nombre;
    } NOMBRES[] = {{ViaLote::X87, "x87"},
                   {ViaLote::Avx2, "avx2"},
                   {ViaLote::Avx512, "avx512"},
                   {ViaLote::Perturbacion, "perturbacion"}};
    if (const char* nombre = std::getenv("BRENQUIL_VIA")) {
        for (const auto& v : NOMBRES) {
            if (std::strcmp(nombre, v.nombre) == 0 && viaDisponible(v.via)) return v.via;
        }
    }
    if (viaDisponible(ViaLote::Avx512)) return ViaLote::Avx512;
    if (viaDisponible(ViaLote::Avx2)) return ViaLote::Avx2;
    return ViaLote::X87;
}

// The bound holds for the arithmetic of a thread whose x87 rounds to 64-bit
// significands and to nearest, and whose SSE unit rounds to nearest with
// gradual underflow (no flush to zero, no denormal operands taken as zero).
bool aritmeticaDelCertificado() {
    unsigned short control;
    __asm__ volatile("fnstcw %0" : "=m"(control));
    constexpr unsigned short PRECISION_Y_REDONDEO = 0x0F00, EXTENDIDA_AL_MAS_CERCANO = 0x0300;
    if ((control & PRECISION_Y_REDONDEO) != EXTENDIDA_AL_MAS_CERCANO) return false;
    constexpr unsigned REDONDEO = 0x6000, A_CERO = 0x8000, DENORMALES_CERO = 0x0040;
    return (_mm_getcsr() & (REDONDEO | A_CERO | DENORMALES_CERO)) == 0;
}

// Neighbouring points closer than this, relative to their size, are close
// for the double path: its rounding of c alone is then a sizeable part of
// their distance, and near the boundary the bound soon grows past what it can
// decide (most points of a boundary view of side 2e-11 around |c| = 0.8, 400
// pixels wide, are left to iterarPunto, which the double path then only
// delays); inside the set, and where points escape fast, it still decides
// nearly all. The relative distance is the same in the c plane and, but for
// the small terms, in the inverted ones.
constexpr long double CERCANIA_MINIMA = 0x1p-44L;
// Consecutive points looked at for it: the points of a batch come from one view.
constexpr size_t PARES_MUESTRA = 16;
// A batch of close points is probed with its first PUNTOS_SONDA candidates:
// the double path goes on with the others when it spent no more steps on the
// probe's pending points than on its decided ones. After a failed probe, the
// next batches of the thread that look alike (same plane, limit, path and
// binary order of the distance) go to iterarPunto without one, up to
// LOTES_SIN_SONDA of them.
constexpr size_t PUNTOS_SONDA = 8;
constexpr int LOTES_SIN_SONDA = 32;
// The perturbation path, which deep batches take first, judges a batch by the
// same steps after PUNTOS_SONDA points have left its lanes; where it fails
// (too many pending steps for the decided ones, by the cost of a step of its
// lanes: perturbacion::pesosDe), the thread's next LOTES_SIN_PERTURBACION
// alike batches go to the double path and its probe, twice as many after
// each further failure in a row, up to LOTES_SIN_PERTURBACION_MAXIMO. Its decided shares vary more from batch to
// batch near the boundary, so it forgets a single failure sooner.
constexpr int LOTES_SIN_PERTURBACION = 2;
constexpr int LOTES_SIN_PERTURBACION_MAXIMO = 8;

// When most of the first points are closer than CERCANIA_MINIMA (relative)
// to the nearest of the VECINOS points before them, the binary exponent of
// that relative distance for the first such point; INT_MIN otherwise. Exact
// repeats do not count. A render passes pixels next to each other in a row,
// or, in the window's rings, every fourth pixel next to the one four before.
constexpr size_t VECINOS = 4;
int escalaDeCercania(size_t n, const long double* g, const long double* h) {
    int cercanos = 0, lejanos = 0, escala = INT_MIN;
    for (size_t i = 1; i < n && i <= PARES_MUESTRA; ++i) {
        long double distancia = 0.0L;
        for (size_t j = i > VECINOS ? i - VECINOS : 0; j < i; ++j) {
            const long double d = std::fabs(g[i] - g[j]) + std::fabs(h[i] - h[j]);
            if (d != 0.0L && (distancia == 0.0L || d < distancia)) distancia = d;
        }
        if (distancia == 0.0L) continue;
        const long double tamano = std::fabs(g[i]) + std::fabs(h[i]);
        if (distancia < CERCANIA_MINIMA * tamano) {
            if (cercanos++ == 0) escala = std::ilogb(distancia / tamano);
        } else {
            ++lejanos;
        }
    }
    return cercanos > lejanos ? escala : INT_MIN;
}

// The outcome of this thread's last probe.
struct UltimaSonda {
    int16_t plano = 0;
    int16_t limite = -1;
    ViaLote via = ViaLote::X87;
    int escala = INT_MIN;
    int lotesSinSonda = LOTES_SIN_SONDA;  // batches sent to iterarPunto since it failed
    int espera = LOTES_SIN_SONDA;         // how many of them go there without a probe

    bool parecido(int16_t p, int16_t m, ViaLote v, int e) const {
        return p == plano && m == limite && v == via && e == escala;
    }
};

// The most points the lanes take at once (their indices are 32-bit).
constexpr size_t PUNTOS_POR_TRABAJO = size_t{1} << 24;

// The candidates of one batch, kept per thread so that a render does not
// allocate at every batch.
struct Candidatos {
    std::vector<double> cr, ci;
    std::vector<uint32_t> punto, pendientes;

    void preparar(size_t n) {
        if (cr.size() < n) {
            cr.resize(n);
            ci.resize(n);
            punto.resize(n);
            pendientes.resize(n);
        }
    }
};

}  // namespace

bool viaDisponible(ViaLote via) {
    switch (via) {
    case ViaLote::Avx2:
    case ViaLote::PerturbacionAvx2: {
        static const bool hay = cpuConAvx2();
        return hay;
    }
    case ViaLote::Avx512: {
        static const bool hay = cpuConAvx512();
        return hay;
    }
    default:
        return true;
    }
}

ViaLote viaAutomatica() {
    static const ViaLote via = viaDelEntorno();
    return via;
}

namespace {

// What every path shares: the batch's points, the effective limit and where
// the outcome goes.
struct Lote {
    int16_t plano;
    int16_t limite;  // limiteEfectivo of the batch's limit
    size_t n;
    const long double* g;
    const long double* h;
    int16_t* cuentas;
    Semiplano* semiplanos;  // null when the half-plane is not asked

    // The point i by the 80-bit loop itself.
    void porX87(size_t i) const {
        const ResultadoIteracion r = iterarPunto(plano, g[i], h[i], limite);
        cuentas[i] = r.cuenta;
        if (semiplanos) semiplanos[i] = semiplanoDe(r.zx, r.zy);
    }

    size_t todosPorX87() const {
        for (size_t i = 0; i < n; ++i) porX87(i);
        return 0;
    }
};

// The path a batch takes: Automatica resolved, one this processor lacks taken
// as X87, and X87 too where the double path's bound does not hold (a
// negative limit, an unknown plane, which leaves z at 0, or a thread whose
// arithmetic is not the one the bound assumes).
ViaLote elegirVia(const Lote& puntos, ViaLote via) {
    if (via == ViaLote::Automatica) via = viaAutomatica();
    if (!viaDisponible(via)) return ViaLote::X87;
    const bool planoConocido = terminosPaso(puntos.plano, 0.0L, 0.0L).forma != FormaPaso::Fija;
    if (puntos.limite < 0 || !planoConocido || !aritmeticaDelCertificado()) return ViaLote::X87;
    return via;
}

// Makes each point's first step in x87, as the loop makes it from z_0 = 0:
// the points that stop there (count 1) are decided on the spot, those whose
// z_1 is not finite go to the loop, and the others become the double path's
// candidates in `t`, with their constant in double. Returns how many were
// decided.
size_t prepararCandidatos(const Lote& puntos, Candidatos& cand, lote::Trabajo& t) {
    size_t decididos = 0;
    for (size_t i = 0; i < puntos.n; ++i) {
        const TerminosPaso c = terminosPaso(puntos.plano, puntos.g[i], puntos.h[i]);
        const long double z1r = c.forma == FormaPaso::Parabola ? (0.0L + 0.25L) + c.cr : 0.0L + c.cr;
        const long double z1i = 0.0L - c.ci;
        if (puntos.limite == 0 || z1r * z1r + z1i * z1i >= 4.0L) {
            // Count 1: the x87 loop's own test and last z, at the cost of a step.
            puntos.cuentas[i] = 1;
            if (puntos.semiplanos) puntos.semiplanos[i] = semiplanoDe(z1r, z1i);
            ++decididos;
            continue;
        }
        if (!std::isfinite(z1r) || !std::isfinite(z1i)) {
            puntos.porX87(i);
            continue;
        }
        // The double step adds cr - ci i: c rounded to double, plane 310's
        // 1/4 included, so that z_1 is z_1 rounded in both parts.
        const size_t k = t.n++;
        cand.cr[k] = static_cast<double>(z1r);
        cand.ci[k] = static_cast<double>(c.ci);
        cand.punto[k] = static_cast<uint32_t>(i);
    }
    return decididos;
}

// Runs the candidates [desde, hasta) of `t` through the lanes of `via`,
// carrying the pending points and step counts on in `t`. Returns how many
// the lanes decided.
size_t trabajarTramo(lote::Trabajo& t, ViaLote via, size_t desde, size_t hasta) {
    lote::Trabajo parte = t;
    parte.cr += desde;
    parte.ci += desde;
    parte.punto += desde;
    parte.n = hasta - desde;
    size_t decididos = 0;
    if (parte.n > 0) decididos = via == ViaLote::Avx512 ? lote::trabajarAvx512(parte) : lote::trabajarAvx2(parte);
    t.nPendientes = parte.nPendientes;
    t.pasosDecididos = parte.pasosDecididos;
    t.pasosPendientes = parte.pasosPendientes;
    return decididos;
}

// The instruction set of the perturbation lanes: the one of the double path
// the batch would take, the widest available when perturbation is forced, or
// scalar when asked.
perturbacion::Juego juegoDePerturbacion(ViaLote via) {
    switch (via) {
    case ViaLote::PerturbacionEscalar: return perturbacion::Juego::Escalar;
    case ViaLote::Avx2:
    case ViaLote::PerturbacionAvx2: return perturbacion::Juego::Avx2;
    case ViaLote::Avx512: return perturbacion::Juego::Avx512;
    default: break;
    }
    if (viaDisponible(ViaLote::Avx512)) return perturbacion::Juego::Avx512;
    if (viaDisponible(ViaLote::Avx2)) return perturbacion::Juego::Avx2;
    return perturbacion::Juego::Escalar;
}

thread_local uint64_t porPerturbacionDecididos = 0;

// The batch through the perturbation path, and what it leaves through the
// loop. With a probe (for Automatica), the outcome is kept in `memoria`: a
// failed probe makes the thread's next alike batches wait (see iterarTrabajo).
size_t porPerturbacion(const Lote& puntos, ViaLote via, bool abandonable, UltimaSonda* memoria = nullptr,
                       int escala = INT_MIN) {
    struct Pendientes : std::vector<uint32_t> {};
    Pendientes& pendientes = porHilo<Pendientes>();
    if (pendientes.size() < puntos.n) pendientes.resize(puntos.n);
    size_t nPendientes = 0;
    perturbacion::Sonda sonda{PUNTOS_SONDA, false};
    const size_t decididos = perturbacion::perturbarLote(
        puntos.plano, puntos.limite, puntos.n, puntos.g, puntos.h, puntos.cuentas, puntos.semiplanos,
        juegoDePerturbacion(via), abandonable, pendientes.data(), nPendientes, memoria ? &sonda : nullptr);
    if (memoria) {
        const bool otraVez = memoria->parecido(puntos.plano, puntos.limite, via, escala) && memoria->lotesSinSonda == memoria->espera;
        const int espera = sonda.fallida && otraVez ? std::min(2 * memoria->espera, LOTES_SIN_PERTURBACION_MAXIMO)
                                                    : LOTES_SIN_PERTURBACION;
        // After a pass the next alike batch is probed, and a failure there starts from the shortest wait.
        *memoria = {puntos.plano, puntos.limite, via, escala, sonda.fallida ? 0 : INT_MAX, espera};
    }
    porPerturbacionDecididos += decididos;
    for (size_t j = 0; j < nPendientes; ++j) puntos.porX87(pendientes[j]);
    return decididos;
}

// One batch of at most PUNTOS_POR_TRABAJO points. For Automatica a batch of
// close points (a deep one) goes first to the perturbation path, which skips
// most steps where it applies; where its probe failed for the thread's last
// alike batch, to the double path with its own probe, and where that failed
// too, to the loop.
size_t iterarTrabajo(const Lote& puntos, ViaLote pedida) {
    const bool automatica = pedida == ViaLote::Automatica;
    const ViaLote via = elegirVia(puntos, pedida);
    if (via == ViaLote::X87) return puntos.todosPorX87();
    if (via == ViaLote::Perturbacion || via == ViaLote::PerturbacionAvx2 || via == ViaLote::PerturbacionEscalar) {
        return porPerturbacion(puntos, via, automatica);
    }

    // The perturbation path's probes and the double path's.
    thread_local UltimaSonda sonda, sondaPerturbacion;
    const int escala = automatica ? escalaDeCercania(puntos.n, puntos.g, puntos.h) : INT_MIN;
    const bool sondear = escala != INT_MIN;
    if (sondear) {
        if (!sondaPerturbacion.parecido(puntos.plano, puntos.limite, via, escala) ||
            sondaPerturbacion.lotesSinSonda >= sondaPerturbacion.espera) {
            return porPerturbacion(puntos, via, true, &sondaPerturbacion, escala);
        }
        ++sondaPerturbacion.lotesSinSonda;
        if (sonda.parecido(puntos.plano, puntos.limite, via, escala) && sonda.lotesSinSonda < LOTES_SIN_SONDA) {
            ++sonda.lotesSinSonda;
            return puntos.todosPorX87();
        }
    }

    Candidatos& cand = porHilo<Candidatos>();
    cand.preparar(puntos.n);
    lote::Trabajo t{.cr = cand.cr.data(),
                    .ci = cand.ci.data(),
                    .punto = cand.punto.data(),
                    .n = 0,
                    .limite = puntos.limite,
                    .conSemiplano = puntos.semiplanos != nullptr,
                    .abandonable = automatica,
                    .cuentas = puntos.cuentas,
                    .semiplanos = puntos.semiplanos,
                    .pendientes = cand.pendientes.data(),
                    .nPendientes = 0,
                    .pasosDecididos = 0,
                    .pasosPendientes = 0};
    size_t decididos = prepararCandidatos(puntos, cand, t);
    size_t desde = 0;
    if (sondear) {
        desde = std::min(t.n, PUNTOS_SONDA);
        decididos += trabajarTramo(t, via, 0, desde);
        const bool fallida = t.pasosPendientes > t.pasosDecididos;
        sonda = {puntos.plano, puntos.limite, via, escala, fallida ? 0 : LOTES_SIN_SONDA, LOTES_SIN_SONDA};
        // The rest of the batch through the loop.
        if (fallida) {
            for (size_t j = desde; j < t.n; ++j) puntos.porX87(cand.punto[j]);
            for (size_t j = 0; j < t.nPendientes; ++j) puntos.porX87(t.pendientes[j]);
            return decididos;
        }
    }
    decididos += trabajarTramo(t, via, desde, t.n);
    for (size_t j = 0; j < t.nPendientes; ++j) puntos.porX87(t.pendientes[j]);
    return decididos;
}

}  // namespace

uint64_t decididosPorPerturbacion() { return porPerturbacionDecididos; }

size_t iterarLote(int16_t plano, int16_t maxIter, size_t n, const long double* g, const long double* h,
                  int16_t* cuentas, Semiplano* semiplanos, ViaLote via) {
    size_t decididos = 0;
    for (size_t i = 0; i < n; i += PUNTOS_POR_TRABAJO) {
        const size_t parte = std::min(PUNTOS_POR_TRABAJO, n - i);
        decididos += iterarTrabajo(
            Lote{plano, limiteEfectivo(maxIter), parte, g + i, h + i, cuentas + i, semiplanos ? semiplanos + i : nullptr},
            via);
    }
    return decididos;
}

}  // namespace brenquil
