#include "perturbacion.h"

#include <algorithm>
#include <cmath>

#include "iteracion.h"
#include "perturbacion_nucleo.h"

namespace brenquil::perturbacion {
namespace {

// Error-free transformations in x87 arithmetic (64-bit significands, to
// nearest): each returns the exact error of one rounded operation, an
// 80-bit number, as long as nothing overflows or underflows.

// a = alto + bajo, each with at most 32 significant bits (Veltkamp's split).
[[gnu::always_inline]] inline void dividir(long double a, long double& alto, long double& bajo) {
    const long double c = 4294967297.0L * a;  // 2^32 + 1
    alto = c - (c - a);
    bajo = a - alto;
}

// a*b - p for p = fl(a*b) (Dekker's product).
[[gnu::always_inline]] inline long double errorProducto(long double a, long double b, long double p) {
    long double ah, al, bh, bl;
    dividir(a, ah, al);
    dividir(b, bh, bl);
    return (((ah * bh - p) + ah * bl) + al * bh) + al * bl;
}

// (a + b) - s for s = fl(a + b) (Knuth's sum).
[[gnu::always_inline]] inline long double errorSuma(long double a, long double b, long double s) {
    const long double bb = s - a;
    return (a - (s - bb)) + (b - bb);
}

// The scalar "instruction set" of the lanes: one double per lane.
struct Escalar {
    using D = double;
    using Mascara = bool;
    using Indice = int;
    static constexpr int W = 1;

    static D carga(const double* p) { return *p; }
    static void guarda(double* p, D v) { *p = v; }
    static D rep(double x) { return x; }
    static D suma(D a, D b) { return a + b; }
    static D resta(D a, D b) { return a - b; }
    static D mult(D a, D b) { return a * b; }
    static D raiz(D a) { return std::sqrt(a); }
    static D abs(D a) { return std::fabs(a); }
    static Mascara menor(D a, D b) { return a < b; }
    static Mascara igual(D a, D b) { return a == b; }
    static Mascara o(Mascara a, Mascara b) { return a || b; }
    static uint32_t bits(Mascara m) { return m ? 1u : 0u; }
    static D mezcla(Mascara m, D si, D no) { return m ? si : no; }
    static Indice indices(D n) { return static_cast<int>(n); }
    static D reune(const double* base, Indice i) { return base[i]; }
};

// The thread's last reference, kept for the batches that follow.
struct Cache {
    OrbitaReferencia orbita;
    bool valida = false;
};

// A batch may use a reference this many times its own extent away.
constexpr long double ALCANCE = 4096.0L;

// The points of one batch given to the lanes, kept per thread.
struct Candidatos {
    std::vector<double> dr, di;
    std::vector<uint32_t> punto;

    void preparar(size_t n) {
        if (dr.size() < n) {
            dr.resize(n);
            di.resize(n);
            punto.resize(n);
        }
    }
};

}  // namespace

bool calcularReferencia(int16_t plano, long double g, long double h, int16_t m, OrbitaReferencia& r) {
    const TerminosPaso c = terminosPaso(plano, g, h);
    // A point whose constant is not finite serves no batch (its orbit is NaN).
    if (c.forma == FormaPaso::Fija || m < 1 || !std::isfinite(c.cr) || !std::isfinite(c.ci)) return false;
    const bool parabola = c.forma == FormaPaso::Parabola;
    r.plano = plano;
    r.limite = m;
    r.g = g;
    r.h = h;
    r.cr = c.cr;
    r.ci = c.ci;
    r.a.clear();
    r.b.clear();
    r.s.clear();
    r.t.clear();
    // The x87 loop's own steps (iterarPunto's operations, without its cycle
    // detection, which changes no value), with the error of each operation.
    long double zr = 0.0L, zi = 0.0L;
    int32_t n = 0;
    for (;; ++n) {
        r.a.push_back(static_cast<double>(zr));
        r.b.push_back(static_cast<double>(zi));
        if (n > m) break;
        const long double zr2 = zr * zr;
        const long double zi2 = zi * zi;
        if (zr2 + zi2 >= 4.0L) break;
        const long double e1 = errorProducto(zr, zr, zr2);
        const long double e2 = errorProducto(zi, zi, zi2);
        const long double dif = zr2 - zi2;
        const long double e3 = errorSuma(zr2, -zi2, dif);
        long double q = dif, e4 = 0.0L;
        if (parabola) {
            q = dif + 0.25L;
            e4 = errorSuma(dif, 0.25L, q);
        }
        const long double nuevoR = q + c.cr;
        const long double e5 = errorSuma(q, c.cr, nuevoR);
        const long double dosZr = 2.0L * zr;
        const long double prod = dosZr * zi;
        const long double e6 = errorProducto(dosZr, zi, prod);
        const long double nuevoI = prod - c.ci;
        const long double e7 = errorSuma(prod, -c.ci, nuevoI);
        r.s.push_back(static_cast<double>((((e2 - e1) - e3) - e4) - e5));
        r.t.push_back(static_cast<double>(-e6 - e7));
        zr = nuevoR;
        zi = nuevoI;
    }
    r.fin = n;
    r.s.push_back(0.0);
    r.t.push_back(0.0);
    // The bound needs a reference whose first step passes the test (|Γ| < 2.01).
    return n >= 2 || n == m + 1;
}

size_t trabajarEscalar(Trabajo& t) { return trabajar<Escalar, 4>(t); }

size_t perturbarLote(int16_t plano, int16_t m, size_t n, const long double* g, const long double* h,
                     int16_t* cuentas, Semiplano* semiplanos, Juego juego, bool abandonable, uint32_t* pendientes,
                     size_t& nPendientes, Sonda* sonda) {
    if (n == 0) return 0;
    thread_local Cache cache;
    OrbitaReferencia& ref = cache.orbita;

    // The batch's middle point and its extent.
    const size_t centro = n / 2;
    long double extension = 0.0L;
    for (size_t i = 0; i < n; ++i) {
        extension = std::max(extension, std::fabs(g[i] - g[centro]) + std::fabs(h[i] - h[centro]));
    }
    // The middle point already done by iterarPunto, when it was tried as a reference.
    bool centroHecho = false;
    if (m >= 1) {
        const long double distancia = std::fabs(ref.g - g[centro]) + std::fabs(ref.h - h[centro]);
        const bool sirve =
            cache.valida && ref.plano == plano && ref.limite == m && distancia <= ALCANCE * extension;
        if (sirve && ref.fin <= m) {
            // The reference escapes: the middle point replaces it when it goes further.
            const ResultadoIteracion r = iterarPunto(plano, g[centro], h[centro], m);
            cuentas[centro] = r.cuenta;
            if (semiplanos) semiplanos[centro] = semiplanoDe(r.zx, r.zy);
            centroHecho = true;
            if (r.cuenta > ref.fin) cache.valida = calcularReferencia(plano, g[centro], h[centro], m, ref);
        } else if (!sirve) {
            cache.valida = calcularReferencia(plano, g[centro], h[centro], m, ref);
        }
    }
    const bool conReferencia = m >= 1 && cache.valida;

    thread_local Candidatos cand;
    cand.preparar(n);
    Trabajo t{.ref = ref.datos(),
              .dr = cand.dr.data(),
              .di = cand.di.data(),
              .punto = cand.punto.data(),
              .n = 0,
              .limite = m,
              .conSemiplano = semiplanos != nullptr,
              .abandonable = abandonable || sonda != nullptr,
              .salidasAntesDeAbandonar = sonda ? sonda->puntos : 64,
              .pesoPendiente = pesosDe(juego).pendiente,
              .pesoDecidido = pesosDe(juego).decidido,
              .cuentas = cuentas,
              .semiplanos = semiplanos,
              .pendientes = pendientes,
              .nPendientes = nPendientes,
              .pasosDecididos = 0,
              .pasosPendientes = 0};
    size_t decididos = 0;
    for (size_t i = 0; i < n; ++i) {
        if (centroHecho && i == centro) continue;
        const TerminosPaso c = terminosPaso(plano, g[i], h[i]);
        // z_1 exactly as the x87 loop's first step makes it from z_0 = 0.
        const long double z1r = c.forma == FormaPaso::Parabola ? (0.0L + 0.25L) + c.cr : 0.0L + c.cr;
        const long double z1i = 0.0L - c.ci;
        if (m == 0 || z1r * z1r + z1i * z1i >= 4.0L) {
            cuentas[i] = 1;
            if (semiplanos) semiplanos[i] = semiplanoDe(z1r, z1i);
            ++decididos;
            continue;
        }
        if (!std::isfinite(z1r) || !std::isfinite(z1i)) {
            t.pendientes[t.nPendientes++] = static_cast<uint32_t>(i);
            continue;
        }
        if (!conReferencia) {
            t.pendientes[t.nPendientes++] = static_cast<uint32_t>(i);
            continue;
        }
        // Δ = γ - Γ: the quarter of plane 310 cancels; the imaginary part is -ci.
        const size_t k = t.n++;
        cand.dr[k] = static_cast<double>(c.cr - ref.cr);
        cand.di[k] = static_cast<double>(ref.ci - c.ci);
        cand.punto[k] = static_cast<uint32_t>(i);
    }
    const auto trabajarTramo = [&](size_t desde, size_t hasta) {
        Trabajo parte = t;
        parte.dr += desde;
        parte.di += desde;
        parte.punto += desde;
        parte.n = hasta - desde;
        if (parte.n > 0) {
            switch (juego) {
            case Juego::Avx512: decididos += trabajarAvx512(parte); break;
            case Juego::Avx2: decididos += trabajarAvx2(parte); break;
            default: decididos += trabajarEscalar(parte); break;
            }
        }
        t.nPendientes = parte.nPendientes;
        t.pasosDecididos = parte.pasosDecididos;
        t.pasosPendientes = parte.pasosPendientes;
    };
    trabajarTramo(0, t.n);
    if (sonda) sonda->fallida = t.pasosPendientes * t.pesoPendiente > t.pasosDecididos * t.pesoDecidido;
    nPendientes = t.nPendientes;
    return decididos;
}

}  // namespace brenquil::perturbacion
