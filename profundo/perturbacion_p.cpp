#include "perturbacion_p.h"

#include <xmmintrin.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

#include "codigos.h"
#include "escalado.h"
#include "iteracion_lote.h"
#include "iteracion_p.h"
#include "lote_doble.h"
#include "por_hilo.h"

namespace brenquil {
namespace {

constexpr mpfr_rnd_t CERCANO = MPFR_RNDN;

// The lanes' double arithmetic is the bound's when SSE rounds to nearest
// with gradual underflow (no flush to zero, no denormal operands taken as zero).
bool aritmeticaDoble() {
    constexpr unsigned REDONDEO = 0x6000, A_CERO = 0x8000, DENORMALES_CERO = 0x0040;
    return (_mm_getcsr() & (REDONDEO | A_CERO | DENORMALES_CERO)) == 0;
}

ViaProfunda viaDelEntorno() {
    if (const char* nombre = std::getenv("BRENQUIL_VIA"); nombre && std::strcmp(nombre, "x87") == 0) {
        return ViaProfunda::Bucle;
    }
    if (viaDisponible(ViaLote::Avx512)) return ViaProfunda::Avx512;
    if (viaDisponible(ViaLote::Avx2)) return ViaProfunda::Avx2;
    return ViaProfunda::Escalar;
}

bool disponible(ViaProfunda via) {
    switch (via) {
    case ViaProfunda::Avx2:
    case ViaProfunda::EscaladaAvx2: return viaDisponible(ViaLote::Avx2);
    case ViaProfunda::Avx512:
    case ViaProfunda::EscaladaAvx512: return viaDisponible(ViaLote::Avx512);
    default: return true;
    }
}

// A batch's buffers, kept per thread.
struct Lote {
    mpfr_prec_t bits = 0;
    std::unique_ptr<NumeroP> cr, ci, z1r, cuadrado, suma, cuatro;
    // Δ's parts: the exact difference, in P bits where that holds it, else
    // rounded once to double's 53 bits.
    std::unique_ptr<NumeroP> diferenciaP;
    NumeroP diferencia{53};
    // Δ's parts for the double-double stage, in P + 128 bits.
    std::unique_ptr<NumeroP> dq, restoQ;
    std::vector<double> dr, di;
    // Δ's parts for the scaled lanes: mantissa (1/2 <= |.| < 1, or 0) and exponent, exactly.
    std::vector<double> drM, diM;
    std::vector<long> drE, diE;
    std::vector<uint32_t> punto, pendientes;

    void preparar(size_t n, mpfr_prec_t b) {
        if (b != bits) {
            bits = b;
            for (std::unique_ptr<NumeroP>* x : {&cr, &ci, &z1r, &cuadrado, &suma, &cuatro, &diferenciaP}) {
                *x = std::make_unique<NumeroP>(b);
            }
            mpfr_set_ui(*cuatro, 4, CERCANO);
            dq = std::make_unique<NumeroP>(b + 128);
            restoQ = std::make_unique<NumeroP>(b + 128);
        }
        if (dr.size() < n) {
            dr.resize(n);
            di.resize(n);
            drM.resize(n);
            diM.resize(n);
            drE.resize(n);
            diE.resize(n);
            punto.resize(n);
            pendientes.resize(n);
        }
    }
};

// x - y (numbers of `lote.bits` bits) rounded once to 53 bits, into
// lote.diferencia or lote.diferenciaP. Near the reference the difference of
// two P-bit numbers is nearly always exact in P bits, and MPFR's
// same-precision subtraction is several times faster than its general one:
// that is tried first, and kept when MPFR says it was exact.
mpfr_srcptr diferenciaExacta(Lote& lote, mpfr_srcptr x, mpfr_srcptr y) {
    if (mpfr_sub(*lote.diferenciaP, x, y, CERCANO) == 0) return *lote.diferenciaP;
    mpfr_sub(lote.diferencia, x, y, CERCANO);
    return lote.diferencia;
}

}  // namespace

namespace escalado {

// The scaled lanes (docs/certificado-perturbacion.md, section 9). A point
// holds δ = 2^K (x + y i) and the radius 2^K e, with K <= 0 its own exponent;
// Δ and the reference's roundings enter divided by 2^K, and the pixel's own
// roundings as v / 2^K. The test point z = Z_n + δ, its radius eps and the
// decisions are those of the 80-bit lanes, in unscaled doubles: δ and the
// radius are brought to them by desescalar, exactly where they are normal
// doubles and else to 0, within 2^-1022, with no subnormal result.

double potencia2(int64_t k) {
    uint64_t bits = k >= -1022 ? static_cast<uint64_t>(k + 1023) << 52 : uint64_t{1} << (k + 1074);
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

double porPotencia(double x, int64_t k) {
    if (k >= -1022) return x * potencia2(k);
    if (k >= -2096) return (x * 0x1p-1022) * potencia2(k + 1022);
    return x * 0.0;
}

namespace {

constexpr uint64_t SIGNO = uint64_t{1} << 63;
constexpr uint64_t MANTISA = (uint64_t{1} << 52) - 1;

uint64_t bitsDe(double x) {
    uint64_t b;
    std::memcpy(&b, &x, sizeof b);
    return b;
}

double deBits(uint64_t b) {
    double x;
    std::memcpy(&x, &b, sizeof x);
    return x;
}

}  // namespace

double desescalar(double x, int64_t k) {
    const uint64_t b = bitsDe(x);
    const int64_t exponente = static_cast<int64_t>((b >> 52) & 0x7ff);
    if (exponente == 0x7ff) return x;
    // The exponent field plus k: a normal double when it stays above 0 (it
    // cannot pass 0x7fe, k <= 0); else below 2^-1022, and 0 or subnormal
    // x (field 0) lands here too.
    if (exponente + k > 0) return deBits(b + (static_cast<uint64_t>(k) << 52));
    return deBits(b & SIGNO);
}

double escalarArriba(double M, int64_t j) {
    uint64_t b = bitsDe(M);
    int64_t exponente = static_cast<int64_t>((b >> 52) & 0x7ff);
    if (exponente == 0x7ff) return M;
    const uint64_t signo = b & SIGNO;
    if (exponente == 0) {
        // 0 or subnormal: m 2^-1074 with m the bits below the sign (m < 2^52).
        // A subnormal M 2^j that stays subnormal is m 2^j in the same units.
        const uint64_t m = b & MANTISA;
        if (m == 0) return M;
        if (j < 52 && (m >> (52 - j)) == 0) return deBits(signo | (m << j));
        // Else m as a normal double, exactly: (2^52 + m) - 2^52, both normal.
        b = bitsDe(deBits(m | 0x4330000000000000) - 0x1p52) | signo;
        exponente = static_cast<int64_t>((b >> 52) & 0x7ff);
        j -= 1074;
    }
    if (exponente + j >= 0x7ff) return deBits(signo | 0x7ff0000000000000);
    return deBits(b + (static_cast<uint64_t>(j) << 52));
}

int64_t exponenteInicial(const PuntoEscalado& p, mpfr_prec_t bits) {
    int64_t K = std::numeric_limits<int64_t>::min();
    if (p.drM != 0) K = p.drE;
    if (p.diM != 0) K = std::max<int64_t>(K, p.diE);
    return std::min<int64_t>(0, std::max<int64_t>(K, -static_cast<int64_t>(bits) - 64));
}

TerminosEscala terminosEscala(const PuntoEscalado& p, int64_t K, mpfr_prec_t bits) {
    TerminosEscala r;
    // A part that is 0 (a point on the reference's row or column: the
    // reference is one of the picture's samples) has no exponent to scale by.
    r.dr = p.drM == 0 ? 0.0 : porPotencia(p.drM, p.drE - K);
    r.di = p.diM == 0 ? 0.0 : porPotencia(p.diM, p.diE - K);
    const int64_t q = -static_cast<int64_t>(bits) - K;  // v / 2^K = 2^q
    const double cv = q >= -1000 ? std::max(6 * potencia2(q), PISO_ESCALADO) : PISO_ESCALADO;
    const double fijo = q >= -1000 ? std::max(4 * potencia2(q), PISO_ESCALADO) : PISO_ESCALADO;
    r.cv = cv;
    r.w = q >= -1022 ? potencia2(q) : 0.0;
    r.b = (std::fabs(r.dr) + std::fabs(r.di)) * perturbacion::CDC + fijo;
    return r;
}

void reescalar(double& x, double& y, double& e, int64_t& K) {
    const int64_t j = std::min<int64_t>(-K, PASO_ESCALA);
    const double f = potencia2(-j);
    x *= f;
    y *= f;
    e = (e * f) * perturbacion::FACTOR_E;
    K += j;
}

bool anotarSalida(perturbacion::Trabajo& t, uint32_t p, int64_t cuenta, bool cuentaCierta, double zi, double e,
                  uint64_t pasos) {
    return lote::anotarSalida(t, p, cuenta, cuentaCierta, zi, e, pasos);
}

size_t perturbarEscalado(perturbacion::Trabajo& t, const ReferenciaP& ref, const PuntoEscalado* puntos,
                        mpfr_prec_t bits) {
    using namespace perturbacion;
    const double* ra = ref.datos().a;
    const double* rb = ref.datos().b;
    const double* rs = ref.rhoEnV();
    const double* rt = ref.rhoEnVi();
    const int64_t fin = ref.fin();
    const int64_t m = t.limite;
    size_t decididos = 0;
    for (size_t c = 0; c < t.n; ++c) {
        const PuntoEscalado& p = puntos[c];
        int64_t K = exponenteInicial(p, bits);
        TerminosEscala te = terminosEscala(p, K, bits);
        double x = 0, y = 0, e = 0;
        int64_t n = 0, k = 0;
        while (true) {
            const double a = ra[n], b = rb[n];
            const double xu = desescalar(x, K), yu = desescalar(y, K), eu = desescalar(e, K);
            const double zr = a + xu, zi = b + yu;
            const double M = zr * zr + zi * zi;
            const double s = std::sqrt(M);
            const double hn = (std::fabs(a) + std::fabs(b)) * H_RELATIVO + H_PISO;
            const double eps = (eu * FACTOR_E + hn) + CS * s;
            const double E = ((s + s) + eps) * eps;
            const double S = M + E;
            bool cierta = false;
            int64_t cuenta = k;
            bool sale = false;
            if (k == m + 1) {
                cierta = true;
                sale = true;
            } else if (!(S < lote::UMBRAL_SIGUE)) {
                cierta = M * lote::ESCAPE_M - E * lote::ESCAPE_E >= lote::UMBRAL_ESCAPE;
                sale = true;
            }
            if (sale) {
                if (anotarSalida(t, t.punto[c], cuenta, cierta, zi, eps, static_cast<uint64_t>(k))) {
                    ++decididos;
                }
                break;
            }
            // Rebasing: δ = z against Z_0 = 0, unscaled, with e = eps, when z
            // is nearer 0 than δ, compared in units of 2^K (z / 2^K exactly,
            // from its bits), where nothing underflows for a δ near 2^K and
            // a z that is δ (Z_n far below it) is not nearer.
            const double zrK = escalarArriba(zr, -K), ziK = escalarArriba(zi, -K);
            if (n == fin || zrK * zrK + ziK * ziK < x * x + y * y) {
                x = zr;
                y = zi;
                e = eps;
                n = 0;
                if (K != 0) {
                    K = 0;
                    te = terminosEscala(p, K, bits);
                }
                continue;
            }
            // δ' = (2 Z_n + δ) δ + (Δ - rho_n), divided by 2^K.
            const double kr = te.dr - rs[n] * te.w;
            const double ki = te.di - rt[n] * te.w;
            const double tr = (a + a) + xu;
            const double ti = (b + b) + yu;
            const double pr = tr * x - ti * y;
            const double pi = tr * y + ti * x;
            const double nt = std::fabs(tr) + std::fabs(ti);
            const double nd = std::fabs(x) + std::fabs(y);
            const double T = (CU * nt + (hn + hn)) * nd;
            const double G = (((s + s) + PISO_G) + ((eps + eps) - eu)) * e;
            e = (G + (te.cv * S + (T + te.b))) * FACTOR_COTA;
            x = pr + kr;
            y = pi + ki;
            ++n;
            ++k;
            // δ and the radius brought down by a power of 2 while K < 0: the
            // radius by one more rounding up (FACTOR_E), for what the parts
            // of δ lose below double's normal range.
            if (K < 0 && (std::fabs(x) + std::fabs(y) > UMBRAL_ESCALA || e > UMBRAL_ESCALA)) {
                reescalar(x, y, e, K);
                te = terminosEscala(p, K, bits);
            }
        }
    }
    return decididos;
}

}  // namespace escalado

namespace {

// The double-double stage (docs/certificado-perturbacion.md, section 10).
// δ, Δ and the reference's Z_n are unevaluated sums h + l of two doubles;
// the test point and its radius are those of the deep lanes (section 8),
// with the reference point's rounding hn replaced by hz, which bounds both
// what Z_n's two doubles leave and the double-double sum's own errors; the
// step's double-double errors are of order u^2 = 2^-106 of its terms.

// An unevaluated sum h + l. Every one the stage's arithmetic makes comes
// from sumaExacta, so that |l| <= u |h|; the reference's and Δ's pairs are a
// wider number's nearest double and what it leaves rounded once, so that
// |l| <= u |h| + 2^-1074 only, and only sumaDd takes them (productoDd needs
// pairs of sumaExacta's).
struct Dd {
    double h, l;
};

// Knuth's TwoSum: h = fl(a + b) and h + l = a + b exactly (any doubles
// without overflow, gradual underflow included: sums are exact there).
inline Dd sumaExacta(double a, double b) {
    const double s = a + b;
    const double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

// x + y within 3.01 u^2 (|x.h| + |y.h|) + 2.01 u (|x.l| - u|x.h| + |y.l| - u|y.h|)
// (Lemma DD1): one exact sum of the high parts, the low parts added with two roundings.
inline Dd sumaDd(Dd x, Dd y) {
    const Dd s = sumaExacta(x.h, y.h);
    const double w = x.l + y.l;
    return sumaExacta(s.h, s.l + w);
}

// Veltkamp's split by 2^27 + 1: a = hi + lo exactly, each of at most 26 significant bits.
inline void partir(double a, double& hi, double& lo) {
    constexpr double PARTIDOR = 134217729.0;
    const double g = PARTIDOR * a;
    hi = g - (g - a);
    lo = a - hi;
}

// Dekker's product: p = fl(ab) and p + q = ab exactly when no operation
// overflows and the exponents of a and b add up to at least -970.
inline Dd productoDekker(double a, double b) {
    double ah, al, bh, bl;
    partir(a, ah, al);
    partir(b, bh, bl);
    const double p = a * b;
    return {p, (((ah * bh - p) + ah * bl) + al * bh) + al * bl};
}

// ab as p + q within 2^-952, with |q| <= u |ab| + 2^-1075 (Lemma DD2): Dekker's
// product when both factors are at least 2^-450; when one is below, with it
// scaled up by 2^600 and the result down again; when both are, fl(ab) alone.
constexpr double PEQUENO_DD = 0x1p-450;
inline Dd productoExacto(double a, double b) {
    const bool pa = std::fabs(a) < PEQUENO_DD, pb = std::fabs(b) < PEQUENO_DD;
    if (!pa && !pb) return productoDekker(a, b);
    if (pa && pb) return {a * b, 0.0};
    const Dd r = pa ? productoDekker(a * 0x1p600, b) : productoDekker(a, b * 0x1p600);
    return {r.h * 0x1p-600, r.l * 0x1p-600};
}

// xy within 8.02 u^2 |x.h| |y.h| + 2^-951 for x, y made by sumaExacta (Lemma DD3):
// the product of the high parts exactly, the cross terms in double, x.l y.l left out.
inline Dd productoDd(Dd x, Dd y) {
    const Dd p = productoExacto(x.h, y.h);
    const double c = x.h * y.l + x.l * y.h;
    return sumaExacta(p.h, p.l + c);
}

// The radius's coefficients of the double-double step: CU_DD = 16 u^2 on
// |t|_1 |δ|_1, CDC_DD = 8 u^2 on |Δ|_1, and hz's 2u on the low parts of Z_n
// and 4 u^2 on |Z_n|_1 + |δ|_1 (section 10).
constexpr double CU_DD = 0x1p-102;
constexpr double CDC_DD = 0x1p-103;
constexpr double HZ_BAJO = 0x1p-52;
constexpr double HZ_SUMA = 0x1p-104;

// A point for the double-double stage: its Δ, each part as h + l.
struct PuntoDd {
    Dd dr, di;
    uint32_t punto;
};

// When the stage stops paying in a batch (speed only): after
// SALIDAS_ANTES_DE_ABANDONAR_DD points have left it, it takes no more once
// the steps of the points it left undecided, times PESO_PENDIENTE_DD, pass
// those of the points it decided, times PESO_DECIDIDO_DD. Measured: a step of
// the stage costs about a fifth of a step of the P-bit loop at 160 to 288
// bits, so a decided step saves about four times what a pending one wastes.
constexpr size_t SALIDAS_ANTES_DE_ABANDONAR_DD = 4;
constexpr uint64_t PESO_PENDIENTE_DD = 1, PESO_DECIDIDO_DD = 4;

// The double-double stage for `puntos`, one after the other, against `ref`
// (P <= 530 bits, v = t.v); with `abandonable`, it stops taking points when
// they do not pay. Returns how many it decided; the rest go to t.pendientes.
size_t perturbarDobleDoble(perturbacion::Trabajo& t, const ReferenciaP& ref, const PuntoDd* puntos, size_t cuantos,
                           bool abandonable) {
    using namespace perturbacion;
    const double* ra = ref.datos().a;
    const double* rb = ref.datos().b;
    const double* ra2 = ref.bajosA();
    const double* rb2 = ref.bajosB();
    const double* rs = ref.datos().s;
    const double* rt = ref.datos().t;
    const int64_t fin = ref.fin();
    const int64_t m = t.limite;
    const double cv = 6 * t.v, fijo = 4 * t.v;
    size_t decididos = 0;
    uint64_t pasosDecididos = 0, pasosPendientes = 0;
    for (size_t c = 0; c < cuantos; ++c) {
        if (abandonable && c >= SALIDAS_ANTES_DE_ABANDONAR_DD &&
            pasosPendientes * PESO_PENDIENTE_DD > pasosDecididos * PESO_DECIDIDO_DD) {
            for (; c < cuantos; ++c) t.pendientes[t.nPendientes++] = puntos[c].punto;
            break;
        }
        const PuntoDd& p = puntos[c];
        const double b0 = (std::fabs(p.dr.h) + std::fabs(p.di.h)) * CDC_DD + fijo;
        Dd x{0, 0}, y{0, 0};
        double e = 0;
        int64_t n = 0, k = 0;
        while (true) {
            const Dd A{ra[n], ra2[n]}, B{rb[n], rb2[n]};
            // The test point: z = Z_n + δ in double-double, tested by its high parts.
            const Dd zr = sumaDd(A, x), zi = sumaDd(B, y);
            const double M = zr.h * zr.h + zi.h * zi.h;
            const double s = std::sqrt(M);
            const double nd = std::fabs(x.h) + std::fabs(y.h);
            const double hz = ((std::fabs(A.l) + std::fabs(B.l)) * HZ_BAJO +
                               (((std::fabs(A.h) + std::fabs(B.h)) + nd) * HZ_SUMA)) +
                              H_PISO;
            const double eps = (e * FACTOR_E + hz) + CS * s;
            const double E = ((s + s) + eps) * eps;
            const double S = M + E;
            bool cierta = false;
            bool sale = false;
            if (k == m + 1) {
                cierta = true;
                sale = true;
            } else if (!(S < lote::UMBRAL_SIGUE)) {
                cierta = M * lote::ESCAPE_M - E * lote::ESCAPE_E >= lote::UMBRAL_ESCAPE;
                sale = true;
            }
            if (sale) {
                if (lote::anotarSalida(t, p.punto, k, cierta, zi.h, eps, static_cast<uint64_t>(k))) {
                    ++decididos;
                    pasosDecididos += static_cast<uint64_t>(k);
                } else {
                    pasosPendientes += static_cast<uint64_t>(k);
                }
                break;
            }
            // Rebasing: δ = z against Z_0 = 0, with e = eps.
            if (n == fin || M < x.h * x.h + y.h * y.h) {
                x = zr;
                y = zi;
                e = eps;
                n = 0;
                continue;
            }
            // δ' = (2 Z_n + δ) δ + (Δ - rho_n).
            const Dd tr = sumaDd({A.h + A.h, A.l + A.l}, x);
            const Dd ti = sumaDd({B.h + B.h, B.l + B.l}, y);
            const Dd pr = sumaDd(productoDd(tr, x), productoDd({-ti.h, -ti.l}, y));
            const Dd pi = sumaDd(productoDd(tr, y), productoDd(ti, x));
            const Dd kr = sumaDd(p.dr, {-rs[n], 0.0});
            const Dd ki = sumaDd(p.di, {-rt[n], 0.0});
            const double nt = std::fabs(tr.h) + std::fabs(ti.h);
            const double T = (CU_DD * nt + (hz + hz)) * nd;
            const double G = ((s + s) + ((eps + eps) - e)) * e;
            e = (G + (cv * S + (T + b0))) * FACTOR_COTA;
            x = sumaDd(pr, kr);
            y = sumaDd(pi, ki);
            ++n;
            ++k;
        }
    }
    return decididos;
}

}  // namespace

bool perturbacionPSirve(int16_t plano, int32_t m, mpfr_prec_t bits) {
    const bool conocido = plano == PLANO_CARDIOIDE || plano == PLANO_CARDIOIDE_INV || plano == PLANO_PARABOLA;
    return conocido && m >= 1 && bits >= perturbacion::PRECISION_MINIMA_COTA;
}

ReferenciaP::~ReferenciaP() {
    if (conNumeros_) {
        mpfr_clear(cr_);
        mpfr_clear(ci_);
    }
}

void ReferenciaP::preparar(mpfr_prec_t bits) {
    if (conNumeros_ && bits == bits_) return;
    if (conNumeros_) {
        mpfr_set_prec(cr_, bits);
        mpfr_set_prec(ci_, bits);
    } else {
        mpfr_init2(cr_, bits);
        mpfr_init2(ci_, bits);
        conNumeros_ = true;
    }
    bits_ = bits;
}

bool ReferenciaP::calcular(int16_t plano, mpfr_srcptr g, mpfr_srcptr h, int32_t m, mpfr_prec_t bits) {
    valida_ = false;
    if (!perturbacionPSirve(plano, m, bits)) return false;
    ampliarExponentes();
    preparar(bits);
    plano_ = plano;
    limite_ = m;
    terminosP(plano, g, h, cr_, ci_);
    const bool parabola = plano == PLANO_PARABOLA;
    a_.clear();
    b_.clear();
    s_.clear();
    t_.clear();
    sv_.clear();
    tv_.clear();
    a2_.clear();
    b2_.clear();

    // The loop's orbit: z, its squares and |z|^2 as iterarPuntoP makes them.
    NumeroP zr(bits), zi(bits), zr2(bits), zi2(bits), suma(bits), nr(bits), ni(bits), cuatro(bits, 4.0L);
    // rho_n in 2P + 32 bits: the squares and 2 zr zi of P-bit numbers are
    // exact there, and each of the four or five sums after them errs by at
    // most 2^-(2P+32) of a value below 6.3, far below the 0.002 v the bound allows.
    const mpfr_prec_t ancho = 2 * bits + 32;
    NumeroP x(ancho), y(ancho);
    // Z_n less its double: exact in P bits (the bits of Z_n below the double's last one).
    NumeroP resto(bits);
    mpfr_set_zero(zr, 1);
    mpfr_set_zero(zi, 1);
    int64_t n = 0;
    for (;; ++n) {
        a_.push_back(mpfr_get_d(zr, CERCANO));
        b_.push_back(mpfr_get_d(zi, CERCANO));
        mpfr_sub_d(resto, zr, a_.back(), CERCANO);
        a2_.push_back(mpfr_get_d(resto, CERCANO));
        mpfr_sub_d(resto, zi, b_.back(), CERCANO);
        b2_.push_back(mpfr_get_d(resto, CERCANO));
        if (n > m || n == PASOS_MAXIMOS_REFERENCIA) break;
        mpfr_sqr(zr2, zr, CERCANO);
        mpfr_sqr(zi2, zi, CERCANO);
        mpfr_add(suma, zr2, zi2, CERCANO);
        if (mpfr_greaterequal_p(suma, cuatro)) break;
        // The step, as the loop makes it.
        mpfr_mul_2ui(ni, zr, 1, CERCANO);
        mpfr_mul(ni, ni, zi, CERCANO);
        mpfr_sub(ni, ni, ci_, CERCANO);
        mpfr_sub(nr, zr2, zi2, CERCANO);
        if (parabola) mpfr_add_d(nr, nr, 0.25, CERCANO);
        mpfr_add(nr, nr, cr_, CERCANO);
        // rho_n = Z_(n+1) - (Z_n^2 + Γ), Γ = cr (+ 1/4) - ci i.
        mpfr_sqr(x, zr, CERCANO);
        mpfr_sqr(y, zi, CERCANO);
        mpfr_sub(x, x, y, CERCANO);
        if (parabola) mpfr_add_d(x, x, 0.25, CERCANO);
        mpfr_add(x, x, cr_, CERCANO);
        mpfr_sub(x, nr, x, CERCANO);
        mpfr_mul(y, zr, zi, CERCANO);
        mpfr_mul_2ui(y, y, 1, CERCANO);
        mpfr_sub(y, y, ci_, CERCANO);
        mpfr_sub(y, ni, y, CERCANO);
        s_.push_back(mpfr_get_d(x, CERCANO));
        t_.push_back(mpfr_get_d(y, CERCANO));
        // In units of 2^-P: the product is exact in MPFR's range, one rounding to double.
        mpfr_mul_2ui(x, x, static_cast<unsigned long>(bits), CERCANO);
        mpfr_mul_2ui(y, y, static_cast<unsigned long>(bits), CERCANO);
        sv_.push_back(mpfr_get_d(x, CERCANO));
        tv_.push_back(mpfr_get_d(y, CERCANO));
        mpfr_swap(zr, nr);
        mpfr_swap(zi, ni);
    }
    fin_ = static_cast<int32_t>(n);
    s_.push_back(0.0);
    t_.push_back(0.0);
    sv_.push_back(0.0);
    tv_.push_back(0.0);
    // The bound needs a reference whose first step passes the test (|Γ| < 2.01).
    valida_ = n >= 2 || n == int64_t{m} + 1;
    return valida_;
}

ViaProfunda viaProfundaAutomatica() {
    static const ViaProfunda via = viaDelEntorno();
    return via;
}

size_t iterarLoteP(int16_t plano, int32_t m, mpfr_prec_t bits, size_t n, const mpfr_srcptr* g, const mpfr_srcptr* h,
                   const ReferenciaP* ref, int64_t* cuentas, Semiplano* semiplanos, ViaProfunda via,
                   EtapasP* etapas, bool conDobleDoble, uint8_t* decididosPorPunto) {
    ampliarExponentes();
    EtapasP cuenta;
    const auto porBucle = [&](size_t i) {
        const ResultadoIteracionP r = iterarPuntoP(plano, g[i], h[i], m, bits);
        cuentas[i] = r.cuenta;
        if (semiplanos) semiplanos[i] = r.semiplano;
    };
    if (via == ViaProfunda::Automatica) via = viaProfundaAutomatica();
    const bool sirve = via != ViaProfunda::Bucle && disponible(via) && ref && ref->valida() &&
                       ref->plano() == plano && ref->limite() == m && ref->bits() == bits &&
                       perturbacionPSirve(plano, m, bits) && aritmeticaDoble();
    if (!sirve || n == 0) {
        for (size_t i = 0; i < n; ++i) porBucle(i);
        if (decididosPorPunto) std::fill(decididosPorPunto, decididosPorPunto + n, uint8_t{0});
        if (etapas) *etapas = {0, 0, n};
        return 0;
    }

    Lote& lote = porHilo<Lote>();
    lote.preparar(n, bits);
    perturbacion::Trabajo t{.ref = ref->datos(),
                            .dr = lote.dr.data(),
                            .di = lote.di.data(),
                            .punto = lote.punto.data(),
                            .n = 0,
                            .salto = 0,
                            .x0 = nullptr,
                            .y0 = nullptr,
                            .e0 = 0.0,
                            .dr87 = nullptr,
                            .di87 = nullptr,
                            .saltos = nullptr,
                            .v = perturbacion::unidadDeRedondeo(static_cast<int>(bits)),
                            .radioRelativo = true,
                            .limite = m,
                            .conSemiplano = semiplanos != nullptr,
                            .abandonable = false,
                            .salidasAntesDeAbandonar = 0,
                            .pesoPendiente = 1,
                            .pesoDecidido = 0,
                            .cuentas = nullptr,
                            .cuentasLargas = cuentas,
                            .semiplanos = semiplanos,
                            .pendientes = lote.pendientes.data(),
                            .nPendientes = 0,
                            .pasosDecididos = 0,
                            .pasosPendientes = 0};
    // Above 530 bits only the scaled lanes' bound holds; up to it, the
    // double-double stage takes what the unscaled lanes leave, or every point with DobleDoble.
    const bool escalada = via == ViaProfunda::Escalada || via == ViaProfunda::EscaladaAvx2 ||
                          via == ViaProfunda::EscaladaAvx512 || bits > perturbacion::PRECISION_MAXIMA_COTA;
    const bool soloDobleDoble = via == ViaProfunda::DobleDoble && !escalada;
    const bool dobleDoble = !escalada && (conDobleDoble || soloDobleDoble);
    const bool parabola = plano == PLANO_PARABOLA;
    NumeroP &cr = *lote.cr, &ci = *lote.ci, &z1r = *lote.z1r, &cuadrado = *lote.cuadrado, &suma = *lote.suma;
    // On plane 300 cr = g and ci = h (numbers of at most `bits` bits): no
    // copy, and the points of a batch that share h (a row's, or a sample
    // row's: a batch spans a few) share ci's estimate and Δ's imaginary part,
    // kept here for the last few h seen.
    struct Fila {
        mpfr_srcptr h = nullptr;
        double estimado = 0;
        bool conDelta = false;
        double delta = 0;
        long exponente = 0;
    };
    std::array<Fila, 8> filas{};
    size_t siguienteFila = 0;
    for (size_t i = 0; i < n; ++i) {
        mpfr_srcptr pr = cr, pi = ci;
        const bool directo = plano == PLANO_CARDIOIDE && mpfr_get_prec(g[i]) <= bits && mpfr_get_prec(h[i]) <= bits;
        if (directo) {
            pr = g[i];
            pi = h[i];
        } else {
            terminosP(plano, g[i], h[i], cr, ci);
        }
        // The loop's first step from z = 0: z_1 = cr (310: 0.25 + cr, one
        // rounding) - ci i. A point whose test fails there (count 1, or
        // further when the limit is 0) goes to the loop, which stops at once;
        // the others have |γ| < 2.01, as the bound needs. Most points are
        // far inside |z_1|^2 < 4: an estimate in double below 3.99 (off by a
        // few units of 2^-50 relative at most; an overflow or a NaN is not
        // below) proves the P-bit test passes without computing it.
        Fila* fila = nullptr;
        if (directo) {
            for (Fila& f : filas) {
                if (f.h == pi) fila = &f;
            }
        }
        if (!fila) {
            Fila& f = directo ? filas[siguienteFila++ % filas.size()] : filas[0];
            f = {directo ? pi : nullptr, mpfr_get_d(pi, CERCANO), false, 0, 0};
            fila = &f;
        }
        const double estimadoR = mpfr_get_d(pr, CERCANO) + (parabola ? 0.25 : 0.0);
        const double estimadoI = fila->estimado;
        if (!(estimadoR * estimadoR + estimadoI * estimadoI < 3.99)) {
            if (parabola) {
                mpfr_add_d(z1r, pr, 0.25, CERCANO);
            } else {
                mpfr_set(z1r, pr, CERCANO);
            }
            mpfr_sqr(suma, z1r, CERCANO);
            mpfr_sqr(cuadrado, pi, CERCANO);
            mpfr_add(suma, suma, cuadrado, CERCANO);
            if (mpfr_greaterequal_p(suma, *lote.cuatro)) {
                t.pendientes[t.nPendientes++] = static_cast<uint32_t>(i);
                continue;
            }
        }
        // Δ = γ - Γ (plane 310's quarter cancels, the imaginary part is -ci):
        // each part the exact difference rounded once to 53 bits, which a
        // double holds but below its normal range (a second rounding there,
        // within 2^-1075). The scaled lanes take the 53-bit value exactly,
        // as mantissa and exponent.
        const size_t k = t.n++;
        const mpfr_srcptr dr = diferenciaExacta(lote, pr, ref->cr());
        if (escalada) {
            lote.drM[k] = mpfr_get_d_2exp(&lote.drE[k], dr, CERCANO);
        } else {
            lote.dr[k] = mpfr_get_d(dr, CERCANO);
        }
        if (!fila->conDelta) {
            const mpfr_srcptr di = diferenciaExacta(lote, ref->ci(), pi);
            fila->delta = escalada ? mpfr_get_d_2exp(&fila->exponente, di, CERCANO) : mpfr_get_d(di, CERCANO);
            fila->conDelta = true;
        }
        if (escalada) {
            lote.diM[k] = fila->delta;
            lote.diE[k] = fila->exponente;
        } else {
            lote.di[k] = fila->delta;
        }
        lote.punto[k] = static_cast<uint32_t>(i);
    }
    // The points whose first step fails the test, which go to the loop at once.
    const size_t primeros = t.nPendientes;
    size_t decididos = 0;
    if (soloDobleDoble) {
        // Every point to the double-double stage: as if the lanes had left them all.
        for (size_t k = 0; k < t.n; ++k) t.pendientes[t.nPendientes++] = lote.punto[k];
    } else if (t.n > 0 && escalada) {
        using escalado::PuntoEscalado;
        std::vector<PuntoEscalado>& puntos = porHilo<std::vector<PuntoEscalado>>();
        puntos.resize(t.n);
        for (size_t k = 0; k < t.n; ++k) puntos[k] = {lote.drM[k], lote.diM[k], lote.drE[k], lote.diE[k]};
        // The vector lanes of the via's width, the scalar ones for Escalar and DobleDoble.
        switch (via) {
        case ViaProfunda::Avx512:
        case ViaProfunda::EscaladaAvx512: decididos = escalado::perturbarAvx512(t, *ref, puntos.data(), bits); break;
        case ViaProfunda::Avx2:
        case ViaProfunda::EscaladaAvx2: decididos = escalado::perturbarAvx2(t, *ref, puntos.data(), bits); break;
        default: decididos = escalado::perturbarEscalado(t, *ref, puntos.data(), bits); break;
        }
    } else if (t.n > 0) {
        switch (via) {
        case ViaProfunda::Avx512: decididos = perturbacion::trabajarAvx512(t); break;
        case ViaProfunda::Avx2: decididos = perturbacion::trabajarAvx2(t); break;
        default: decididos = perturbacion::trabajarEscalar(t); break;
        }
    }
    cuenta.carriles = decididos;
    if (dobleDoble && t.nPendientes > primeros) {
        // Δ in double-double for the points the lanes left: the exact
        // difference rounded to P + 128 bits, its nearest double and what
        // that leaves (exact in P + 128 bits) rounded to double.
        std::vector<PuntoDd>& puntos = porHilo<std::vector<PuntoDd>>();
        puntos.clear();
        NumeroP &dq = *lote.dq, &resto = *lote.restoQ;
        for (size_t j = primeros; j < t.nPendientes; ++j) {
            const uint32_t i = t.pendientes[j];
            terminosP(plano, g[i], h[i], cr, ci);
            PuntoDd p{};
            p.punto = i;
            mpfr_sub(dq, cr, ref->cr(), CERCANO);
            p.dr.h = mpfr_get_d(dq, CERCANO);
            mpfr_sub_d(resto, dq, p.dr.h, CERCANO);
            p.dr.l = mpfr_get_d(resto, CERCANO);
            mpfr_sub(dq, ref->ci(), ci, CERCANO);
            p.di.h = mpfr_get_d(dq, CERCANO);
            mpfr_sub_d(resto, dq, p.di.h, CERCANO);
            p.di.l = mpfr_get_d(resto, CERCANO);
            puntos.push_back(p);
        }
        t.nPendientes = primeros;
        cuenta.dobleDoble = perturbarDobleDoble(t, *ref, puntos.data(), puntos.size(), !soloDobleDoble);
        decididos += cuenta.dobleDoble;
    }
    for (size_t j = 0; j < t.nPendientes; ++j) porBucle(t.pendientes[j]);
    if (decididosPorPunto) {
        std::fill(decididosPorPunto, decididosPorPunto + n, uint8_t{1});
        for (size_t j = 0; j < t.nPendientes; ++j) decididosPorPunto[t.pendientes[j]] = 0;
    }
    cuenta.bucle = t.nPendientes;
    if (etapas) *etapas = cuenta;
    return decididos;
}

}  // namespace brenquil
