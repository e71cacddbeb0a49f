#include "profundidad.h"

#include "por_hilo.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "iteracion_p.h"
#include "numero_p.h"
#include "opciones_color.h"
#include "perturbacion_p.h"
#include "renderizado.h"
#include "reparto.h"
#include "vista_render.h"

namespace brenquil {
namespace {

constexpr mpfr_rnd_t CERCANO = MPFR_RNDN;
// Pixels a thread takes at a time: a deep pixel by the P-bit loop takes
// long, so blocks are small; by the perturbation path, a batch of pixels
// shares the lanes.
constexpr int PIXELES_POR_BLOQUE = 4;
constexpr int PIXELES_POR_LOTE = 64;
// The perturbation path's reference is the first of these samples that goes
// furthest: the rectangle's centre, then points of a grid over it (eighths
// of its width and height), until one does not escape.
constexpr int OCTAVOS[] = {4, 2, 6, 1, 3, 5, 7};

// The reference of a render: among the samples of the rectangle at OCTAVOS,
// by the P-bit loop, the first with the highest count; `muestra` makes a
// sample's g and h. The counts are taken up to the steps a reference keeps.
template <class Muestra>
void elegirReferencia(int16_t plano, int32_t limite, mpfr_prec_t bits, int x0, int y0, int ancho, int alto, int n,
                      const Muestra& muestra, ReferenciaP& referencia) {
    NumeroP posicion(bits), g(bits), h(bits), mejorG(bits), mejorH(bits);
    const int32_t m = std::min(limite, PASOS_MAXIMOS_REFERENCIA);
    int64_t mejor = -1;
    for (int fy : OCTAVOS) {
        for (int fx : OCTAVOS) {
            muestra(x0 + static_cast<int64_t>(ancho) * fx / 8, y0 + static_cast<int64_t>(alto) * fy / 8, n / 2, n / 2,
                    posicion, g, h);
            const int64_t cuenta = iterarPuntoP(plano, g, h, m, bits).cuenta;
            if (cuenta > mejor) {
                mejor = cuenta;
                mpfr_set(mejorG, g, CERCANO);
                mpfr_set(mejorH, h, CERCANO);
            }
            if (cuenta == int64_t{m} + 1) break;
        }
        if (mejor == int64_t{m} + 1) break;
    }
    referencia.calcular(plano, mejorG, mejorH, limite, bits);
}

// `texto` (a number of the C grammar, decimal or hexadecimal, already checked
// to be finite) read exactly and rounded once to the precision of `destino`;
// `valor` when there is no text.
void leerExacto(mpfr_ptr destino, const std::string& texto, long double valor) {
    if (texto.empty()) {
        mpfr_set_ld(destino, valor, CERCANO);
    } else {
        mpfr_strtofr(destino, texto.c_str(), nullptr, 0, CERCANO);
    }
}

}  // namespace

int precisionDeVista(const Vista& v, const Lienzo& lienzo) {
    if (!(v.lado > 0 && std::isfinite(v.lado) && std::isfinite(v.xSupIzq) && std::isfinite(v.ySupIzq)) ||
        !muestrasConfundidas(v, lienzo)) {
        return PRECISION_80;
    }
    ampliarExponentes();
    // Each value rounded up, in MPFR's range: nothing overflows.
    NumeroP x(PRECISION_80, v.xSupIzq), y(PRECISION_80, v.ySupIzq), lado(PRECISION_80, v.lado);
    NumeroP mayor(PRECISION_80), t(PRECISION_80);
    mpfr_abs(mayor, x, MPFR_RNDU);
    mpfr_abs(t, y, MPFR_RNDU);
    mpfr_max(mayor, mayor, t, MPFR_RNDU);
    mpfr_add(t, x, lado, MPFR_RNDU);
    mpfr_abs(t, t, MPFR_RNDU);
    mpfr_max(mayor, mayor, t, MPFR_RNDU);
    mpfr_sub(t, y, lado, MPFR_RNDD);
    mpfr_abs(t, t, MPFR_RNDU);
    mpfr_max(mayor, mayor, t, MPFR_RNDU);
    mpfr_max(mayor, mayor, lado, MPFR_RNDU);
    // max / s = max * (width * samples) / side
    mpfr_mul_si(t, mayor, static_cast<long>(lienzo.ancho) * lienzo.muestras, MPFR_RNDU);
    mpfr_div(t, t, lado, MPFR_RNDU);
    // t = f * 2^e with 1/2 <= f < 1: ceil(log2 t) is e, or e - 1 for f = 1/2.
    const long e = mpfr_get_exp(t);
    const long b = mpfr_cmp_ui_2exp(t, 1, e - 1) == 0 ? e - 1 : e;
    const long bits = 32 * ((b + 48 + 31) / 32);
    return static_cast<int>(std::clamp<long>(bits, PRECISION_80, PRECISION_MAXIMA));
}

BaseExacta baseDeDibujo(const std::optional<Dibujo>& dibujo) {
    if (!dibujo) return {};
    return {dibujo->precision, dibujo->xExacto, dibujo->yExacto, dibujo->ladoExacto, dibujo->limite};
}

void profundizar(Vista& vista, const Vista& base, const BaseExacta& exacta, OpcionesRender& o) {
    Profundidad& p = o.profundidad;
    p = Profundidad{};
    // A record's limit above 32767 stands only while its 16-bit limit is the 32767 it goes with.
    std::optional<int64_t> largo = o.limiteLargo;
    if (!largo && !o.iteraciones && exacta.limite > INT16_MAX && base.iteraciones == INT16_MAX) largo = exacta.limite;
    if (largo) {
        const int64_t limite = std::min<int64_t>(*largo + o.paso, INT32_MAX);
        if (limite > INT16_MAX) p.limite = static_cast<int32_t>(limite);
        vista.iteraciones = static_cast<int16_t>(std::min<int64_t>(limite, INT16_MAX));
    }

    const bool colocada = o.xSupIzq || o.ySupIzq || o.lado || o.centro || o.radio || o.zoom;
    p.precision = precisionDeVista(vista, lienzoDe(o));
    if (!colocada) p.precision = std::max(p.precision, exacta.precision);
    if (p.precision <= PRECISION_80) return;

    ampliarExponentes();
    const mpfr_prec_t bits = p.precision;
    NumeroP x(bits), y(bits), lado(bits), cx(bits), cy(bits), t(bits);
    leerExacto(x, exacta.x, base.xSupIzq);
    leerExacto(y, exacta.y, base.ySupIzq);
    leerExacto(lado, exacta.lado, base.lado);
    if (o.xSupIzq) leerExacto(x, o.textos.x, 0);
    if (o.ySupIzq) leerExacto(y, o.textos.y, 0);
    // The height of the picture in the plane: (side * height) / width.
    const auto altura = [&](mpfr_ptr destino) {
        mpfr_mul_si(destino, lado, o.alto, CERCANO);
        mpfr_div_si(destino, destino, o.ancho, CERCANO);
    };
    bool centro = false;
    if (o.centro) {
        leerExacto(cx, o.textos.centroRe, 0);
        leerExacto(cy, o.textos.centroIm, 0);
        centro = true;
    } else if ((o.radio || o.zoom) && !o.xSupIzq && !o.ySupIzq) {
        // The view's own centre stays.
        mpfr_div_2ui(t, lado, 1, CERCANO);
        mpfr_add(cx, x, t, CERCANO);
        altura(t);
        mpfr_div_2ui(t, t, 1, CERCANO);
        mpfr_sub(cy, y, t, CERCANO);
        centro = true;
    }
    if (o.lado) leerExacto(lado, o.textos.lado, 0);
    if (o.radio) {
        leerExacto(lado, o.textos.radio, 0);
        mpfr_mul_2ui(lado, lado, 1, CERCANO);
    }
    if (o.zoom) {
        leerExacto(t, o.textos.zoom, 0);
        mpfr_ui_div(lado, 4, t, CERCANO);
    }
    if (centro) {
        mpfr_div_2ui(t, lado, 1, CERCANO);
        mpfr_sub(x, cx, t, CERCANO);
        altura(t);
        mpfr_div_2ui(t, t, 1, CERCANO);
        mpfr_add(y, cy, t, CERCANO);
    }
    p.x = textoHexadecimal(x);
    p.y = textoHexadecimal(y);
    p.lado = textoHexadecimal(lado);
    vista.xSupIzq = mpfr_get_ld(x, CERCANO);
    vista.ySupIzq = mpfr_get_ld(y, CERCANO);
    vista.lado = mpfr_get_ld(lado, CERCANO);
}

bool dibujoProfundo(const Profundidad& p) { return p.precision > PRECISION_80 || p.limite > INT16_MAX; }

void renderizarProfundo(const Vista& vista, const Profundidad& p, const Lienzo& lienzo, int x0, int y0, int ancho,
                        int alto, unsigned ayudantes, Color* destino) {
    ampliarExponentes();
    const mpfr_prec_t bits = p.precision;
    const bool exacta = p.precision > PRECISION_80;
    NumeroP x(bits), y(bits), lado(bits);
    leerExacto(x, exacta ? p.x : "", vista.xSupIzq);
    leerExacto(y, exacta ? p.y : "", vista.ySupIzq);
    leerExacto(lado, exacta ? p.lado : "", vista.lado);
    const int32_t m = p.limite > INT16_MAX ? p.limite : limiteEfectivo(vista.iteraciones);
    const int n = lienzo.muestras;
    const bool porSemiplano = usaZFinal(vista.modoColor);

    // The sample (t, s) of pixel (px, py) into g and h.
    const auto muestra = [&](int64_t px, int64_t py, int t, int s, mpfr_ptr posicion, mpfr_ptr g, mpfr_ptr h) {
        posicionMuestraP(posicion, py, t, lienzo);
        imaginarioDePixelP(h, posicion, y, lado);
        posicionMuestraP(posicion, px, s, lienzo);
        realDePixelP(g, posicion, x, lado);
    };

    // The perturbation path's reference, shared by every thread.
    const ViaProfunda via = viaProfundaAutomatica();
    ReferenciaP referencia;
    if (via != ViaProfunda::Bucle && perturbacionPSirve(vista.plano, m, bits)) {
        elegirReferencia(vista.plano, m, bits, x0, y0, ancho, alto, n, muestra, referencia);
    }
    const bool perturbar = referencia.valida();

    // The samples' coordinates: a column's real parts and a row's imaginary
    // parts are the same all along it, so each is computed once, before the
    // threads start, and only read by them.
    NumerosP columnas, filas;
    columnas.preparar(static_cast<size_t>(ancho) * static_cast<size_t>(n), bits);
    filas.preparar(static_cast<size_t>(alto) * static_cast<size_t>(n), bits);
    {
        NumeroP posicion(bits);
        for (int i = 0; i < ancho; ++i) {
            for (int s = 0; s < n; ++s) {
                posicionMuestraP(posicion, x0 + static_cast<int64_t>(i), s, lienzo);
                realDePixelP(columnas[static_cast<size_t>(i) * static_cast<size_t>(n) + static_cast<size_t>(s)],
                             posicion, x, lado);
            }
        }
        for (int j = 0; j < alto; ++j) {
            for (int t = 0; t < n; ++t) {
                posicionMuestraP(posicion, y0 + static_cast<int64_t>(j), t, lienzo);
                imaginarioDePixelP(filas[static_cast<size_t>(j) * static_cast<size_t>(n) + static_cast<size_t>(t)],
                                   posicion, y, lado);
            }
        }
    }

    // A batch's samples and outcome, per thread, so that a pixel allocates nothing of its own.
    struct Muestras {
        std::vector<mpfr_srcptr> gs, hs;
        std::vector<int64_t> cuentas;
        std::vector<Semiplano> semiplanos;
    };
    TareaEnOrden tarea;
    tarea.calcular = [&](int inicio, int fin) {
        ampliarExponentes();
        Muestras& lote = porHilo<Muestras>();
        const size_t total = static_cast<size_t>(fin - inicio) * static_cast<size_t>(n * n);
        lote.gs.resize(total);
        lote.hs.resize(total);
        lote.cuentas.resize(total);
        lote.semiplanos.resize(total);
        size_t k = 0;
        for (int i = inicio; i < fin; ++i) {
            const size_t columna = static_cast<size_t>(i % ancho) * static_cast<size_t>(n);
            const size_t fila = static_cast<size_t>(i / ancho) * static_cast<size_t>(n);
            for (int t = 0; t < n; ++t) {
                for (int s = 0; s < n; ++s, ++k) {
                    lote.gs[k] = columnas[columna + static_cast<size_t>(s)];
                    lote.hs[k] = filas[fila + static_cast<size_t>(t)];
                }
            }
        }
        iterarLoteP(vista.plano, m, bits, total, lote.gs.data(), lote.hs.data(), perturbar ? &referencia : nullptr,
                    lote.cuentas.data(), porSemiplano ? lote.semiplanos.data() : nullptr, via);
        k = 0;
        for (int i = inicio; i < fin; ++i) {
            PromedioLuz promedio;
            Color color = NEGRO;
            for (int j = 0; j < n * n; ++j, ++k) {
                color = colorDeCuenta(vista, m, lote.cuentas[k], porSemiplano ? lote.semiplanos[k] : Semiplano::Cero,
                                      NEGRO);
                promedio.sumar(color);
            }
            destino[i] = n == 1 ? color : promedio.promedio();
        }
    };
    tarea.avance = [](int) { return true; };
    calcularEnOrden(ancho * alto, perturbar ? PIXELES_POR_LOTE : PIXELES_POR_BLOQUE, ayudantes, tarea);
}

}  // namespace brenquil
