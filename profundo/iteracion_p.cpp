#include "iteracion_p.h"

#include <memory>

#include "por_hilo.h"

#include "codigos.h"
#include "numeros.h"

namespace brenquil {
namespace {

constexpr mpfr_rnd_t CERCANO = MPFR_RNDN;

// The same value, or both NaN: a step depends on z alone, and MPFR's NaN
// carries nothing that a step reads. The sign of a zero counts, as it does in
// the 80-bit loop's bit comparison: it reaches the next zi.
bool mismoValor(mpfr_srcptr a, mpfr_srcptr b) {
    if (mpfr_nan_p(a) || mpfr_nan_p(b)) return mpfr_nan_p(a) && mpfr_nan_p(b);
    return mpfr_equal_p(a, b) && mpfr_signbit(a) == mpfr_signbit(b);
}

// The orbit of one pixel: z, its squares, the constant terms and the point
// that Brent's method keeps, all of P bits.
class Orbita {
public:
    explicit Orbita(mpfr_prec_t bits)
        : zr_(bits), zi_(bits), zr2_(bits), zi2_(bits), suma_(bits), cr_(bits), ci_(bits), guardadoR_(bits),
          guardadoI_(bits), cuatro_(bits, 4.0L) {}

    // z = 0 (both parts +0), for the plane's form of the step.
    void empezar(bool parabola) {
        parabola_ = parabola;
        mpfr_set_zero(zr_, 1);
        mpfr_set_zero(zi_, 1);
    }

    mpfr_ptr cr() { return cr_; }
    mpfr_ptr ci() { return ci_; }
    mpfr_srcptr zr() const { return zr_; }
    mpfr_srcptr zi() const { return zi_; }

    // |z|^2 >= 4, from the squares of z (kept for the step that follows).
    bool fuera() {
        mpfr_sqr(zr2_, zr_, CERCANO);
        mpfr_sqr(zi2_, zi_, CERCANO);
        mpfr_add(suma_, zr2_, zi2_, CERCANO);
        return mpfr_greaterequal_p(suma_, cuatro_);  // false for NaN, as >= is
    }

    // z -> z^2 + c from the squares that fuera() left:
    //   zi' = ((2*zr)*zi) - ci  (the old zr, so zi goes first)
    //   zr' = (zr*zr - zi*zi) + cr   (plane 310: ((zr*zr - zi*zi) + 0.25) + cr)
    void paso() {
        mpfr_mul_2ui(suma_, zr_, 1, CERCANO);
        mpfr_mul(suma_, suma_, zi_, CERCANO);
        mpfr_sub(zi_, suma_, ci_, CERCANO);
        mpfr_sub(zr_, zr2_, zi2_, CERCANO);
        if (parabola_) mpfr_add_d(zr_, zr_, 0.25, CERCANO);
        mpfr_add(zr_, zr_, cr_, CERCANO);
    }

    void guardar() {
        mpfr_set(guardadoR_, zr_, CERCANO);
        mpfr_set(guardadoI_, zi_, CERCANO);
    }
    bool comoGuardado() const { return mismoValor(zr_, guardadoR_) && mismoValor(zi_, guardadoI_); }

private:
    bool parabola_ = false;
    NumeroP zr_, zi_, zr2_, zi2_, suma_, cr_, ci_, guardadoR_, guardadoI_, cuatro_;
};

// What one thread's P-bit loop works in, made once per thread and precision
// so that a pixel allocates nothing: the orbit and the temporaries of the
// plane's terms.
struct EspacioP {
    explicit EspacioP(mpfr_prec_t b) : bits(b), orbita(b), t(b), h2(b), m(b) {}
    mpfr_prec_t bits;
    Orbita orbita;
    NumeroP t, h2, m;
};

EspacioP& espacioDelHilo(mpfr_prec_t bits) {
    struct Espacios {
        std::unique_ptr<EspacioP> espacio;
    };
    std::unique_ptr<EspacioP>& e = porHilo<Espacios>().espacio;
    if (!e || e->bits != bits) e = std::make_unique<EspacioP>(bits);
    return *e;
}

// cr and ci of the plane from g and h, as terminosPaso computes them, with
// the temporaries of `e` (of the precision of cr and ci).
void terminos(int16_t plano, mpfr_srcptr g, mpfr_srcptr h, EspacioP& e, mpfr_ptr cr, mpfr_ptr ci) {
    if (plano == PLANO_CARDIOIDE) {
        mpfr_set(cr, g, CERCANO);
        mpfr_set(ci, h, CERCANO);
        return;
    }
    mpfr_ptr t = e.t, h2 = e.h2, m = e.m;
    mpfr_sqr(t, g, CERCANO);
    mpfr_sqr(h2, h, CERCANO);
    mpfr_add(t, t, h2, CERCANO);
    // The epsilons are doubles: exact in P >= 53 bits.
    const double epsilonRe = plano == PLANO_CARDIOIDE_INV ? EPSILON_INVERSA : EPSILON_PARABOLA_RE;
    const double epsilonIm = plano == PLANO_CARDIOIDE_INV ? EPSILON_INVERSA : EPSILON_PARABOLA_IM;
    mpfr_add_d(m, t, epsilonRe, CERCANO);
    mpfr_ui_div(m, 1, m, CERCANO);
    mpfr_mul(cr, g, m, CERCANO);
    mpfr_add_d(m, t, epsilonIm, CERCANO);
    mpfr_ui_div(m, 1, m, CERCANO);
    mpfr_mul(ci, h, m, CERCANO);
}

void guardarZ(mpfr_ptr zx, mpfr_ptr zy, mpfr_srcptr zr, mpfr_srcptr zi) {
    if (zx) mpfr_set(zx, zr, CERCANO);
    if (zy) mpfr_set(zy, zi, CERCANO);
}

// The pixel mapping's 64-bit numbers, each thread's: a sample allocates nothing.
struct Mapeo {
    Mapeo() { mpfr_set_ld(centesima, CENTESIMA, CERCANO); }  // the 80-bit 0.01L, exactly
    NumeroP numerador{64}, denominador{64}, centesima{64};
};

// ((p * 0.01) * lado) * 0.25, each operation rounded to the precision of r.
void desplazamiento(mpfr_ptr r, mpfr_srcptr p, mpfr_srcptr lado) {
    mpfr_mul(r, p, porHilo<Mapeo>().centesima, CERCANO);
    mpfr_mul(r, r, lado, CERCANO);
    mpfr_div_2ui(r, r, 2, CERCANO);
}

}  // namespace

void terminosP(int16_t plano, mpfr_srcptr g, mpfr_srcptr h, mpfr_ptr cr, mpfr_ptr ci) {
    ampliarExponentes();
    terminos(plano, g, h, espacioDelHilo(mpfr_get_prec(cr)), cr, ci);
}

void posicionMuestraP(mpfr_ptr destino, int64_t p, int s, const Lienzo& lienzo) {
    const int64_t n = lienzo.muestras;
    Mapeo& mapeo = porHilo<Mapeo>();  // integers below 2^63: exact in 64 bits
    mpfr_set_sj(mapeo.numerador, (p * n + s) * LADO_IMAGEN, CERCANO);
    mpfr_set_sj(mapeo.denominador, lienzo.ancho * n, CERCANO);
    mpfr_div(destino, mapeo.numerador, mapeo.denominador, CERCANO);
}

void realDePixelP(mpfr_ptr g, mpfr_srcptr px, mpfr_srcptr x, mpfr_srcptr lado) {
    desplazamiento(g, px, lado);
    mpfr_add(g, g, x, CERCANO);
}

void imaginarioDePixelP(mpfr_ptr h, mpfr_srcptr py, mpfr_srcptr y, mpfr_srcptr lado) {
    desplazamiento(h, py, lado);
    mpfr_sub(h, y, h, CERCANO);
}

Semiplano semiplanoP(mpfr_srcptr zx, mpfr_srcptr zy) {
    if (mpfr_zero_p(zx) && mpfr_zero_p(zy)) return Semiplano::Cero;
    if (mpfr_nan_p(zy)) return Semiplano::Inferior;
    if (mpfr_sgn(zy) > 0) return Semiplano::Superior;
    if (mpfr_zero_p(zy) && !mpfr_nan_p(zx) && mpfr_sgn(zx) < 0) return Semiplano::Superior;
    return Semiplano::Inferior;
}

ResultadoIteracionP iterarPuntoP(int16_t plano, mpfr_srcptr g, mpfr_srcptr h, int32_t maxIter, mpfr_prec_t bits,
                                 mpfr_ptr zx, mpfr_ptr zy) {
    ampliarExponentes();
    const bool conocido = plano == PLANO_CARDIOIDE || plano == PLANO_CARDIOIDE_INV || plano == PLANO_PARABOLA;
    if (maxIter < 0 || !conocido) {
        // No step, or z never moves from 0 and every step passes the test.
        if (zx) mpfr_set_zero(zx, 1);
        if (zy) mpfr_set_zero(zy, 1);
        return {maxIter < 0 ? 0 : int64_t{maxIter} + 1, Semiplano::Cero};
    }

    EspacioP& espacio = espacioDelHilo(bits);
    Orbita& orbita = espacio.orbita;
    orbita.empezar(plano == PLANO_PARABOLA);
    terminos(plano, g, h, espacio, orbita.cr(), orbita.ci());
    const int64_t fin = int64_t{maxIter} + 1;  // the count of a pixel that does not escape

    // Brent's method: z is compared with a saved point at every step, and the
    // saved point moves on to z when their distance reaches a power of two.
    // Once it lies on the cycle and the power is at least the period, z meets
    // it again. z_k equal to z_(k - d) means every point from there on passed
    // the escape test and repeats with period d: the last z, z_fin, is
    // (fin - k) mod d steps on.
    orbita.guardar();
    int64_t distancia = 0;
    int64_t tramo = 1;
    int64_t k = 0;
    for (; k < fin; ++k) {
        if (orbita.fuera()) break;
        orbita.paso();
        ++distancia;
        if (orbita.comoGuardado()) {
            for (int64_t resto = (fin - (k + 1)) % distancia; resto > 0; --resto) {
                orbita.fuera();
                orbita.paso();
            }
            k = fin;
            break;
        }
        if (distancia == tramo) {
            orbita.guardar();
            distancia = 0;
            tramo *= 2;
        }
    }
    guardarZ(zx, zy, orbita.zr(), orbita.zi());
    return {k, semiplanoP(orbita.zr(), orbita.zi())};
}

}  // namespace brenquil
