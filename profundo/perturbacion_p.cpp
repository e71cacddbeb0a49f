#include "perturbacion_p.h"

#include <xmmintrin.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "codigos.h"
#include "iteracion_lote.h"
#include "iteracion_p.h"
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
    case ViaProfunda::Avx2: return viaDisponible(ViaLote::Avx2);
    case ViaProfunda::Avx512: return viaDisponible(ViaLote::Avx512);
    default: return true;
    }
}

// A batch's buffers, kept per thread.
struct Lote {
    mpfr_prec_t bits = 0;
    std::unique_ptr<NumeroP> cr, ci, z1r, cuadrado, suma, cuatro;
    NumeroP diferencia{53};  // Δ's parts: the exact difference rounded once to double's 53 bits
    std::vector<double> dr, di;
    std::vector<uint32_t> punto, pendientes;

    void preparar(size_t n, mpfr_prec_t b) {
        if (b != bits) {
            bits = b;
            for (std::unique_ptr<NumeroP>* x : {&cr, &ci, &z1r, &cuadrado, &suma, &cuatro}) {
                *x = std::make_unique<NumeroP>(b);
            }
            mpfr_set_ui(*cuatro, 4, CERCANO);
        }
        if (dr.size() < n) {
            dr.resize(n);
            di.resize(n);
            punto.resize(n);
            pendientes.resize(n);
        }
    }
};

}  // namespace

bool perturbacionPSirve(int16_t plano, int32_t m, mpfr_prec_t bits) {
    const bool conocido = plano == PLANO_CARDIOIDE || plano == PLANO_CARDIOIDE_INV || plano == PLANO_PARABOLA;
    return conocido && m >= 1 && bits >= perturbacion::PRECISION_MINIMA_COTA &&
           bits <= perturbacion::PRECISION_MAXIMA_COTA;
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

    // The loop's orbit: z, its squares and |z|^2 as iterarPuntoP makes them.
    NumeroP zr(bits), zi(bits), zr2(bits), zi2(bits), suma(bits), nr(bits), ni(bits), cuatro(bits, 4.0L);
    // rho_n in 2P + 32 bits: the squares and 2 zr zi of P-bit numbers are
    // exact there, and each of the four or five sums after them errs by at
    // most 2^-(2P+32) of a value below 6.3, far below the 0.002 v the bound allows.
    const mpfr_prec_t ancho = 2 * bits + 32;
    NumeroP x(ancho), y(ancho);
    mpfr_set_zero(zr, 1);
    mpfr_set_zero(zi, 1);
    int64_t n = 0;
    for (;; ++n) {
        a_.push_back(mpfr_get_d(zr, CERCANO));
        b_.push_back(mpfr_get_d(zi, CERCANO));
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
        mpfr_swap(zr, nr);
        mpfr_swap(zi, ni);
    }
    fin_ = static_cast<int32_t>(n);
    s_.push_back(0.0);
    t_.push_back(0.0);
    // The bound needs a reference whose first step passes the test (|Γ| < 2.01).
    valida_ = n >= 2 || n == int64_t{m} + 1;
    return valida_;
}

ViaProfunda viaProfundaAutomatica() {
    static const ViaProfunda via = viaDelEntorno();
    return via;
}

size_t iterarLoteP(int16_t plano, int32_t m, mpfr_prec_t bits, size_t n, const mpfr_srcptr* g, const mpfr_srcptr* h,
                   const ReferenciaP* ref, int64_t* cuentas, Semiplano* semiplanos, ViaProfunda via) {
    ampliarExponentes();
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
    const bool parabola = plano == PLANO_PARABOLA;
    NumeroP &cr = *lote.cr, &ci = *lote.ci, &z1r = *lote.z1r, &cuadrado = *lote.cuadrado, &suma = *lote.suma;
    for (size_t i = 0; i < n; ++i) {
        terminosP(plano, g[i], h[i], cr, ci);
        // The loop's first step from z = 0: z_1 = cr (310: 0.25 + cr, one
        // rounding) - ci i. A point whose test fails there (count 1, or
        // further when the limit is 0) goes to the loop, which stops at once;
        // the others have |γ| < 2.01, as the bound needs.
        if (parabola) {
            mpfr_add_d(z1r, cr, 0.25, CERCANO);
        } else {
            mpfr_set(z1r, cr, CERCANO);
        }
        mpfr_sqr(suma, z1r, CERCANO);
        mpfr_sqr(cuadrado, ci, CERCANO);
        mpfr_add(suma, suma, cuadrado, CERCANO);
        if (mpfr_greaterequal_p(suma, *lote.cuatro)) {
            t.pendientes[t.nPendientes++] = static_cast<uint32_t>(i);
            continue;
        }
        // Δ = γ - Γ (plane 310's quarter cancels, the imaginary part is -ci):
        // each part the exact difference rounded once to 53 bits, which a
        // double holds but below its normal range (a second rounding there,
        // within 2^-1075).
        const size_t k = t.n++;
        mpfr_sub(lote.diferencia, cr, ref->cr(), CERCANO);
        lote.dr[k] = mpfr_get_d(lote.diferencia, CERCANO);
        mpfr_sub(lote.diferencia, ref->ci(), ci, CERCANO);
        lote.di[k] = mpfr_get_d(lote.diferencia, CERCANO);
        lote.punto[k] = static_cast<uint32_t>(i);
    }
    size_t decididos = 0;
    if (t.n > 0) {
        switch (via) {
        case ViaProfunda::Avx512: decididos = perturbacion::trabajarAvx512(t); break;
        case ViaProfunda::Avx2: decididos = perturbacion::trabajarAvx2(t); break;
        default: decididos = perturbacion::trabajarEscalar(t); break;
        }
    }
    for (size_t j = 0; j < t.nPendientes; ++j) porBucle(t.pendientes[j]);
    return decididos;
}

}  // namespace brenquil
