#include "pelicula_profunda.h"

#include <algorithm>
#include <cmath>

#include "fotogramas.h"
#include "numero_p.h"
#include "profundidad.h"
#include "vista_render.h"

namespace brenquil {
namespace {

constexpr mpfr_rnd_t CERCANO = MPFR_RNDN;
// The guard bits of a deep movie's frame geometry over the deeper end's precision.
constexpr int BITS_GEOMETRIA = 64;

// floor(a / b) for b > 0.
int64_t divisionHaciaAbajo(int64_t a, int64_t b) { return a / b - (a % b < 0 ? 1 : 0); }

// The limit as drawn of a view with its depth.
int64_t limiteDe(const Fotograma& f) {
    return f.profundidad.limite > INT16_MAX ? f.profundidad.limite : f.vista.iteraciones;
}

// Sets the limit of frame `f` to `limite`: in the view when a parameter
// file holds it, else in the depth with 32767 in the view, as profundizar
// leaves a still view's.
void ponerLimite(Fotograma& f, int64_t limite) {
    if (limite > INT16_MAX) {
        f.vista.iteraciones = INT16_MAX;
        f.profundidad.limite = static_cast<int32_t>(limite);
    } else {
        f.vista.iteraciones = static_cast<int16_t>(limite);
        f.profundidad.limite = 0;
    }
}

// An end's exact corner and side, into x, y and lado (of at least its precision).
void leerExtremo(const Fotograma& f, mpfr_ptr x, mpfr_ptr y, mpfr_ptr lado) {
    const Profundidad& p = f.profundidad;
    if (p.precision > PRECISION_80) {
        mpfr_strtofr(x, p.x.c_str(), nullptr, 0, CERCANO);
        mpfr_strtofr(y, p.y.c_str(), nullptr, 0, CERCANO);
        mpfr_strtofr(lado, p.lado.c_str(), nullptr, 0, CERCANO);
    } else {
        mpfr_set_ld(x, f.vista.xSupIzq, CERCANO);
        mpfr_set_ld(y, f.vista.ySupIzq, CERCANO);
        mpfr_set_ld(lado, f.vista.lado, CERCANO);
    }
}

// Frame `f`'s depth from its corner and side computed with more bits (x, y,
// lado): the precision of its 80-bit view, and above 64 bits the values
// rounded once to it. The 80-bit view is then the rounding of those values;
// should that view need more bits still, the precision grows to them, so
// that the PNG, read again, asks no more than the precision it records.
void profundidadDeFotograma(Fotograma& f, const Lienzo& lienzo, mpfr_srcptr x, mpfr_srcptr y, mpfr_srcptr lado) {
    f.vista.xSupIzq = mpfr_get_ld(x, CERCANO);
    f.vista.ySupIzq = mpfr_get_ld(y, CERCANO);
    f.vista.lado = mpfr_get_ld(lado, CERCANO);
    int precision = precisionDeVista(f.vista, lienzo);
    Profundidad& p = f.profundidad;
    p.precision = PRECISION_80;
    p.x.clear();
    p.y.clear();
    p.lado.clear();
    while (precision > p.precision) {
        p.precision = precision;
        NumeroP xP(precision), yP(precision), ladoP(precision);
        mpfr_set(xP, x, CERCANO);
        mpfr_set(yP, y, CERCANO);
        mpfr_set(ladoP, lado, CERCANO);
        p.x = textoHexadecimal(xP);
        p.y = textoHexadecimal(yP);
        p.lado = textoHexadecimal(ladoP);
        f.vista.xSupIzq = mpfr_get_ld(xP, CERCANO);
        f.vista.ySupIzq = mpfr_get_ld(yP, CERCANO);
        f.vista.lado = mpfr_get_ld(ladoP, CERCANO);
        precision = precisionDeVista(f.vista, lienzo);
    }
}

// The exact view of an 80-bit frame drawn with more bits (a frame of a movie
// between two 80-bit views that the 80-bit grid does not resolve): its
// 80-bit corner and side, which every precision above 64 holds.
void profundidadExacta(Fotograma& f, const Lienzo& lienzo) {
    ampliarExponentes();
    NumeroP x(PRECISION_80, f.vista.xSupIzq), y(PRECISION_80, f.vista.ySupIzq), lado(PRECISION_80, f.vista.lado);
    profundidadDeFotograma(f, lienzo, x, y, lado);
}

}  // namespace

OpcionesRender opcionesDeFotograma(const OpcionesRender& opciones, const Fotograma& fotograma) {
    OpcionesRender o = opciones;
    o.profundidad = fotograma.profundidad;
    return o;
}

int64_t limiteDeFotograma(int64_t inicio, int64_t fin, int64_t k, int64_t n) {
    return inicio + divisionHaciaAbajo(2 * (fin - inicio) * k + (n - 1), 2 * (n - 1));
}

int precisionDePelicula(const Fotograma& inicio, const Fotograma& fin) {
    return std::max(inicio.profundidad.precision, fin.profundidad.precision) + BITS_GEOMETRIA;
}

Fotograma fotogramaDePelicula(const Fotograma& inicio, const Fotograma& fin, const Lienzo& lienzo, int64_t k,
                              int64_t n) {
    if (k <= 0) return inicio;
    if (k >= n - 1) return fin;
    Fotograma f{inicio.vista, Profundidad{}};
    if (inicio.profundidad.precision == PRECISION_80 && fin.profundidad.precision == PRECISION_80) {
        f.vista = vistaDeFotograma(inicio.vista, fin.vista, k, n);
        ponerLimite(f, limiteDeFotograma(limiteDe(inicio), limiteDe(fin), k, n));
        // A frame between two resolved views is nearly always resolved too;
        // one that is not is drawn exactly, as a still view of it would be.
        if (std::isfinite(f.vista.xSupIzq) && std::isfinite(f.vista.ySupIzq) && std::isfinite(f.vista.lado) &&
            f.vista.lado > 0 && precisionDeVista(f.vista, lienzo) > PRECISION_80) {
            profundidadExacta(f, lienzo);
        }
        return f;
    }

    ampliarExponentes();
    const mpfr_prec_t bits = precisionDePelicula(inicio, fin);
    NumeroP x0(bits), y0(bits), lado0(bits), x1(bits), y1(bits), lado1(bits);
    leerExtremo(inicio, x0, y0, lado0);
    leerExtremo(fin, x1, y1, lado1);
    NumeroP lnR(bits), tLnR(bits), f1(bits), f2(bits), x(bits), y(bits), lado(bits);
    // ln r from the quotient, which MPFR's exponent range holds for any two sides.
    mpfr_div(lnR, lado1, lado0, CERCANO);
    mpfr_log(lnR, lnR, CERCANO);
    // t ln r = (ln r * k) / (n - 1)
    mpfr_mul_si(tLnR, lnR, static_cast<long>(k), CERCANO);
    mpfr_div_si(tLnR, tLnR, static_cast<long>(n - 1), CERCANO);
    // The side: lado0 e^(t ln r).
    mpfr_exp(lado, tLnR, CERCANO);
    mpfr_mul(lado, lado0, lado, CERCANO);
    // The corner's fraction of the way, (r^t - 1) / (r - 1), or t for a pan.
    if (mpfr_zero_p(lnR)) {
        mpfr_set_si(f1, static_cast<long>(k), CERCANO);
        mpfr_div_si(f1, f1, static_cast<long>(n - 1), CERCANO);
    } else {
        mpfr_expm1(f1, tLnR, CERCANO);
        mpfr_expm1(f2, lnR, CERCANO);
        mpfr_div(f1, f1, f2, CERCANO);
    }
    // c0 + (c1 - c0) * fraction
    mpfr_sub(x, x1, x0, CERCANO);
    mpfr_mul(x, x, f1, CERCANO);
    mpfr_add(x, x0, x, CERCANO);
    mpfr_sub(y, y1, y0, CERCANO);
    mpfr_mul(y, y, f1, CERCANO);
    mpfr_add(y, y0, y, CERCANO);

    profundidadDeFotograma(f, lienzo, x, y, lado);
    ponerLimite(f, limiteDeFotograma(limiteDe(inicio), limiteDe(fin), k, n));
    return f;
}

std::string fotogramasDePelicula(const Fotograma& inicio, const Fotograma& fin, const Lienzo& lienzo, int n,
                                 int primero, int ultimo, std::vector<Fotograma>& fotogramas) {
    for (int k = primero; k <= ultimo; ++k) {
        const Fotograma f = fotogramaDePelicula(inicio, fin, lienzo, k, n);
        const Vista& v = f.vista;
        if (!(std::isfinite(v.xSupIzq) && std::isfinite(v.ySupIzq) && std::isfinite(v.lado) && v.lado > 0)) {
            return "frame " + std::to_string(k) + " of the movie has no view: its corner " +
                   textoComplejo(v.xSupIzq, v.ySupIzq) + " and side " + textoReal(v.lado) +
                   " are not all finite (the views are too far apart for 80 bits)";
        }
        fotogramas.push_back(f);
    }
    return "";
}

}  // namespace brenquil
