#include "perturbacion.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

#include "iteracion.h"
#include "perturbacion_nucleo.h"
#include "por_hilo.h"

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

// A batch may use a reference this many times its own extent away.
constexpr long double ALCANCE = 512.0L;

// The points of one batch given to the lanes, kept per thread.
struct Candidatos {
    std::vector<double> dr, di, x0, y0;
    std::vector<long double> dr87, di87;
    std::vector<uint32_t> punto;

    void preparar(size_t n) {
        if (dr.size() < n) {
            dr.resize(n);
            di.resize(n);
            x0.resize(n);
            y0.resize(n);
            dr87.resize(n);
            di87.resize(n);
            punto.resize(n);
        }
    }
};

// Upper bounds computed in x87 from non-negative terms: a result of at most
// ten roundings to nearest, each within v of its value, times this factor is
// at least the exact value ((1 - v)^-11 < 1 + 2^-60).
constexpr long double REDONDEO_ARRIBA = 1.0L + 0x1p-58L;
constexpr long double V87 = 0x1p-64L;
// The roundings of one step of the coefficients (section 7): a complex
// product by 2 Z_n, and a sum for B and C: 2.01 v (A) or 3.01 v (B, C) per
// unit of |2 Z_n|_1 times the coefficient's 1-norm; v for B's 1, 1.01 v of
// |rho|_1 for C and 0.002 v for rho's own rounding.
constexpr long double ALFA = 2.01L * V87;
constexpr long double BETA = 3.01L * V87;
constexpr long double GAMMA_RHO = 1.01L * V87;
constexpr long double GAMMA_FIJO = 0.002L * V87;
// Shorter skips save less than the bound costs.
constexpr int32_t PASOS_MINIMOS_SALTO = 16;
// The error of a lane's start at the skip's end, besides N and |A| e: the
// roundings of Δ and of A δ + B Δ - C in x87 (per unit of the 1-norms of the
// terms), and of the result to double (section 7).
constexpr long double ERROR_EVALUACION = 6.1L * V87 + 1.01L * 0x1p-53L;
constexpr long double RAIZ2 = 1.4143L;  // above sqrt(2): |w|_1 <= RAIZ2 |w|
// Above the x87's underflow of a few operations (each within 2^-16445).
constexpr long double SUBNORMAL = 0x1p-16000L;
// A skip whose end has a radius above this is not taken: the steps of the
// lanes are proved for radii below 4.
constexpr long double RADIO_MAXIMO_SALTO = 1.0L;

// The bound of (1) on the loop's rounding in a step from a point of modulus
// at most w: 5.43 v w^2 + 3.12 v, with constants above those.
long double redondeoDelPaso(long double w) { return 5.44L * V87 * (w * w) + 3.13L * V87; }

// An upper bound of |r + i i|: the modulus, or the 1-norm where the squares
// could leave the x87's range.
long double modulo(long double r, long double i) {
    r = std::fabs(r);
    i = std::fabs(i);
    if (std::max(r, i) < 0x1p-8000L || std::max(r, i) > 0x1p8000L) return (r + i) * REDONDEO_ARRIBA;
    return std::sqrt(r * r + i * i) * REDONDEO_ARRIBA;
}

// The entry of index n: the coefficients and the moduli of Z_n, A_n, B_n and
// |C_n|_1; alpha, beta and gamma are the caller's (0 at the reference's end).
PasoLineal& anotarLineal(OrbitaReferencia& r, long double zr, long double zi, const long double (&coef)[6]) {
    PasoLineal p{};
    p.ar = coef[0];
    p.ai = coef[1];
    p.br = coef[2];
    p.bi = coef[3];
    p.cr = coef[4];
    p.ci = coef[5];
    p.z = modulo(zr, zi);
    p.a = modulo(p.ar, p.ai);
    p.b = modulo(p.br, p.bi);
    p.c1 = (std::fabs(p.cr) + std::fabs(p.ci)) * REDONDEO_ARRIBA;
    r.lineal.push_back(p);
    return r.lineal.back();
}

// The next index's coefficients from those of index n, and the bounds of
// their roundings into p.
void avanzarLineal(PasoLineal& p, long double zr, long double zi, long double rhoR, long double rhoI,
                   long double (&coef)[6]) {
    const long double z1 = 2.0L * (std::fabs(zr) + std::fabs(zi));
    p.alpha = (ALFA * z1 * (std::fabs(p.ar) + std::fabs(p.ai)) + SUBNORMAL) * REDONDEO_ARRIBA;
    p.beta = (BETA * z1 * (std::fabs(p.br) + std::fabs(p.bi)) + (V87 + SUBNORMAL)) * REDONDEO_ARRIBA;
    p.gamma = ((BETA * z1 * p.c1 + GAMMA_RHO * (std::fabs(rhoR) + std::fabs(rhoI))) + (GAMMA_FIJO + SUBNORMAL)) *
              REDONDEO_ARRIBA;
    const long double dosR = 2.0L * zr, dosI = 2.0L * zi;
    coef[0] = dosR * p.ar - dosI * p.ai;
    coef[1] = dosR * p.ai + dosI * p.ar;
    coef[2] = (dosR * p.br - dosI * p.bi) + 1.0L;
    coef[3] = dosR * p.bi + dosI * p.br;
    coef[4] = (dosR * p.cr - dosI * p.ci) + rhoR;
    coef[5] = (dosR * p.ci + dosI * p.cr) + rhoI;
}

}  // namespace

Salto calcularSalto(const OrbitaReferencia& r, long double kappa, long double r1, int32_t hasta) {
    // The bound N_j of |D_j - L_j| (section 7), index by index from 1 while
    // the loop's test provably passes, in two parts: nuR from the loop's and
    // the coefficients' roundings, which the lanes would carry as well, and
    // nuQ from what the prediction leaves out (D^2, alpha, beta). The skip
    // goes on while nuQ stays within nuR and TOLERANCIA_SALTO of L_j's size.
    Salto salto{kappa, r1, 0, 0.0L};
    long double nuR = 0.0L, nuQ = 0.0L;
    for (int32_t j = 1; j <= hasta; ++j) {
        const PasoLineal& p = r.lineal[static_cast<size_t>(j)];
        const long double l = ((p.a * r1 + p.b * kappa) + p.c1) * REDONDEO_ARRIBA;
        const long double nu = (nuR + nuQ) * REDONDEO_ARRIBA;
        if (j > 1) {
            if (!(nuQ <= nuR + TOLERANCIA_SALTO * l)) break;
            salto.pasos = j;
            salto.error = nu;
        }
        const long double d = (l + nu) * REDONDEO_ARRIBA;
        const long double w = (p.z + d) * REDONDEO_ARRIBA;
        // The test at index j passes for every such point.
        if (!(w < 1.997L)) break;
        const long double dosZ = 2.0L * p.z;
        nuR = ((dosZ * nuR + redondeoDelPaso(w)) + p.gamma) * REDONDEO_ARRIBA;
        nuQ = (((dosZ * nuQ + d * d) + p.alpha * r1) + p.beta * kappa) * REDONDEO_ARRIBA;
        if (!std::isfinite(nuR + nuQ)) break;
    }
    if (salto.pasos < PASOS_MINIMOS_SALTO) salto.pasos = 0;
    return salto;
}

// The skips of the thread's reference for one kappa, one per binary exponent
// of r1 (for r1 up to 2^k), each computed when first asked.
class Saltos {
public:
    void reiniciar(const OrbitaReferencia* ref, long double kappa, int32_t hasta) {
        ref_ = ref;
        kappa_ = kappa;
        hasta_ = hasta;
        for (auto& s : porExponente_) s.reset();
        sinSalto_ = EXPONENTE_MAXIMO;
    }
    long double kappa() const { return ref_ ? kappa_ : -1.0L; }
    const OrbitaReferencia& referencia() const { return *ref_; }

    // The skip for r1 <= 2^k, or null when r1 is out of the table's range or
    // no skip serves it (nor, a larger r1 having a shorter bound, any larger).
    const Salto* paraRadio(long double r1) {
        // 2^k above r1: from the exponent of a double at least r1 (normal
        // doubles; smaller radii are taken as 2^-1022).
        const double arriba = static_cast<double>(std::max(r1, 0x1p-1022L) * (1.0L + 0x1p-52L));
        if (!(r1 > 0) || !(arriba < 0x1p100)) return nullptr;
        uint64_t bits;
        std::memcpy(&bits, &arriba, sizeof bits);
        const int k = static_cast<int>(bits >> 52) - 1022;  // arriba < 2^k
        if (k >= sinSalto_) return nullptr;
        std::optional<Salto>& s = porExponente_[static_cast<size_t>(k - EXPONENTE_MINIMO)];
        if (!s) s = calcularSalto(*ref_, kappa_, std::ldexp(1.0L, k), hasta_);
        if (s->pasos == 0) {
            sinSalto_ = std::min(sinSalto_, k);
            return nullptr;
        }
        return &*s;
    }

private:
    static constexpr int EXPONENTE_MINIMO = -1021, EXPONENTE_MAXIMO = 101;
    const OrbitaReferencia* ref_ = nullptr;
    int sinSalto_ = EXPONENTE_MAXIMO;  // the smallest k known to have no skip
    long double kappa_ = -1.0L;
    int32_t hasta_ = 0;
    // On the heap: the object lives in the thread's storage, which is kept small.
    std::vector<std::optional<Salto>> porExponente_ =
        std::vector<std::optional<Salto>>(EXPONENTE_MAXIMO - EXPONENTE_MINIMO);
};

namespace {

// The end of a skip for a difference δ1 (x87) with |D_1 - δ1| <= e1 at index
// 1: δ = A_J δ1 + B_J Δ87 - C_J in x87, rounded to double, and its radius.
bool alFinalDelSalto(const Salto& salto, const PasoLineal& p, long double x1, long double y1, long double e1,
                     long double dr, long double di, double& x, double& y, double& e) {
    const long double nx = ((p.ar * x1 - p.ai * y1) + (p.br * dr - p.bi * di)) - p.cr;
    const long double ny = ((p.ar * y1 + p.ai * x1) + (p.br * di + p.bi * dr)) - p.ci;
    const long double normas = ((RAIZ2 * p.a) * salto.r0 + (RAIZ2 * p.b) * salto.kappa) + p.c1;
    const long double error = (((salto.error + p.a * e1) + ERROR_EVALUACION * normas) + 0x1p-1070L) * REDONDEO_ARRIBA;
    if (!(error <= RADIO_MAXIMO_SALTO)) return false;
    x = static_cast<double>(nx);
    y = static_cast<double>(ny);
    // Rounded to nearest double from above: RN(x (1 + 2^-52)) >= x.
    e = static_cast<double>(error * (1.0L + 0x1p-52L));
    return true;
}

}  // namespace

int32_t saltarRebasado(Saltos& saltos, double& x, double& y, double& e, long double dr, long double di,
                       int64_t quedan) {
    // The step from index 0 (Z_0 = 0, D_0 = W within e of δ0 = x + yi) to
    // index 1: D_1 = Δ + η with η = D_0^2 - rho_0 + d, η computed in x87
    // (section 7).
    const OrbitaReferencia& ref = saltos.referencia();
    const long double x0 = x, y0 = y, e0 = e;
    const long double x1 = (x0 * x0 - y0 * y0) - ref.rho0r;
    const long double y1 = (2.0L * x0) * y0 - ref.rho0i;
    const long double n0 = std::fabs(x0) + std::fabs(y0);
    const long double w = n0 + e0;
    const long double rho0 = std::fabs(ref.rho0r) + std::fabs(ref.rho0i);
    const long double e1 =
        (((e0 * (2.0L * n0 + e0) + redondeoDelPaso(w)) + 3.1L * V87 * (n0 * n0 + rho0)) + (0.002L * V87 + SUBNORMAL)) *
        REDONDEO_ARRIBA;
    const long double r1 = ((std::fabs(x1) + std::fabs(y1)) + e1) * REDONDEO_ARRIBA;
    const Salto* salto = saltos.paraRadio(r1);
    if (!salto || salto->pasos >= quedan) return 0;
    double nx, ny, ne;
    if (!alFinalDelSalto(*salto, ref.lineal[static_cast<size_t>(salto->pasos)], x1, y1, e1, dr, di, nx, ny, ne)) {
        return 0;
    }
    x = nx;
    y = ny;
    e = ne;
    return salto->pasos;
}

namespace {

// The thread's last reference, kept for the batches that follow, with the
// skips for its last kappa.
struct Cache {
    OrbitaReferencia orbita;
    bool valida = false;
    Saltos saltos;
};

// The lanes' skips: those of the thread's last table when it covers the
// batch's kappa, else a new table for twice that kappa (so that the batches
// that follow, alike, keep it). Every point's D_1 = W_1 - Z_1 is Δ + η with
// η = d_0 - rho_0, |d_0| <= 3.12 v (W_0 = 0): the skip for |η| up to that
// bound serves every point, from η's estimate 0.
void saltar(Saltos& saltos, const OrbitaReferencia& ref, long double kappa, int16_t m, Trabajo& t, Candidatos& cand) {
    // |Δ| <= |Δ87|_1 (1 + v), and Δ87's own underflow.
    kappa = kappa * REDONDEO_ARRIBA + SUBNORMAL;
    if (!(kappa <= saltos.kappa())) saltos.reiniciar(&ref, 2.0L * kappa, std::min<int32_t>(m, ref.fin - 1));
    t.saltos = &saltos;
    const long double r1 = ((std::fabs(ref.rho0r) + std::fabs(ref.rho0i)) + 3.13L * V87) * REDONDEO_ARRIBA;
    const Salto* salto = saltos.paraRadio(r1);
    if (!salto) return;
    const PasoLineal& p = ref.lineal[static_cast<size_t>(salto->pasos)];
    double e = 0.0;
    for (size_t k = 0; k < t.n; ++k) {
        if (!alFinalDelSalto(*salto, p, 0.0L, 0.0L, r1, cand.dr87[k], cand.di87[k], cand.x0[k], cand.y0[k], e)) return;
    }
    t.salto = salto->pasos;
    t.e0 = e;  // the same for every point
}

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
    r.lineal.clear();
    long double coef[6] = {1.0L, 0.0L, 1.0L, 0.0L, 0.0L, 0.0L};  // A_n, B_n, C_n from A_1 = B_1 = 1
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
        const long double rhoR = (((e2 - e1) - e3) - e4) - e5;
        const long double rhoI = -e6 - e7;
        r.s.push_back(static_cast<double>(rhoR));
        r.t.push_back(static_cast<double>(rhoI));
        // The linear prediction's coefficients from index 1 and the bounds of
        // their roundings; index 0 keeps its rounding and Z_1 for the first step.
        if (n == 0) {
            r.lineal.push_back(PasoLineal{});
            r.rho0r = rhoR;
            r.rho0i = rhoI;
        } else {
            avanzarLineal(anotarLineal(r, zr, zi, coef), zr, zi, rhoR, rhoI, coef);
        }
        zr = nuevoR;
        zi = nuevoI;
    }
    r.fin = n;
    r.s.push_back(0.0);
    r.t.push_back(0.0);
    if (n == 0) {
        r.lineal.push_back(PasoLineal{});
    } else {
        anotarLineal(r, zr, zi, coef);
    }
    // The bound needs a reference whose first step passes the test (|Γ| < 2.01).
    return n >= 2 || n == m + 1;
}

size_t trabajarEscalar(Trabajo& t) { return trabajar<Escalar, 4>(t); }

size_t perturbarLote(int16_t plano, int16_t m, size_t n, const long double* g, const long double* h,
                     int16_t* cuentas, Semiplano* semiplanos, Juego juego, bool abandonable, uint32_t* pendientes,
                     size_t& nPendientes, Sonda* sonda) {
    if (n == 0) return 0;
    Cache& cache = porHilo<Cache>();
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
        if (!sirve) cache.saltos.reiniciar(nullptr, -1.0L, 0);
        if (sirve && ref.fin <= m) {
            // The reference escapes: the middle point replaces it when it goes further.
            const ResultadoIteracion r = iterarPunto(plano, g[centro], h[centro], m);
            cuentas[centro] = r.cuenta;
            if (semiplanos) semiplanos[centro] = semiplanoDe(r.zx, r.zy);
            centroHecho = true;
            if (r.cuenta > ref.fin) {
                cache.valida = calcularReferencia(plano, g[centro], h[centro], m, ref);
                cache.saltos.reiniciar(nullptr, -1.0L, 0);
            }
        } else if (!sirve) {
            cache.valida = calcularReferencia(plano, g[centro], h[centro], m, ref);
        }
    }
    const bool conReferencia = m >= 1 && cache.valida;

    Candidatos& cand = porHilo<Candidatos>();
    cand.preparar(n);
    Trabajo t{.ref = ref.datos(),
              .dr = cand.dr.data(),
              .di = cand.di.data(),
              .punto = cand.punto.data(),
              .n = 0,
              .salto = 0,
              .x0 = cand.x0.data(),
              .y0 = cand.y0.data(),
              .e0 = 0.0,
              .dr87 = cand.dr87.data(),
              .di87 = cand.di87.data(),
              .saltos = nullptr,
              .v = unidadDeRedondeo(64),
              .radioRelativo = false,
              .limite = m,
              .conSemiplano = semiplanos != nullptr,
              .abandonable = abandonable || sonda != nullptr,
              .salidasAntesDeAbandonar = sonda ? sonda->puntos : 64,
              .pesoPendiente = pesosDe(juego).pendiente,
              .pesoDecidido = pesosDe(juego).decidido,
              .cuentas = cuentas,
              .cuentasLargas = nullptr,
              .semiplanos = semiplanos,
              .pendientes = pendientes,
              .nPendientes = nPendientes,
              .pasosDecididos = 0,
              .pasosPendientes = 0};
    size_t decididos = 0;
    long double kappa = 0.0L;  // the largest |Δ|_1 of the lanes' points
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
        cand.dr87[k] = c.cr - ref.cr;
        cand.di87[k] = ref.ci - c.ci;
        cand.dr[k] = static_cast<double>(cand.dr87[k]);
        cand.di[k] = static_cast<double>(cand.di87[k]);
        cand.punto[k] = static_cast<uint32_t>(i);
        kappa = std::max(kappa, std::fabs(cand.dr87[k]) + std::fabs(cand.di87[k]));
    }
    if (t.n > 0) saltar(cache.saltos, ref, kappa, m, t, cand);
    if (t.n > 0) {
        switch (juego) {
        case Juego::Avx512: decididos += trabajarAvx512(t); break;
        case Juego::Avx2: decididos += trabajarAvx2(t); break;
        default: decididos += trabajarEscalar(t); break;
        }
    }
    if (sonda) sonda->fallida = t.pasosPendientes * t.pesoPendiente > t.pasosDecididos * t.pesoDecidido;
    nPendientes = t.nPendientes;
    return decididos;
}

}  // namespace brenquil::perturbacion
