#include "vista_render.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <span>

#include "codigos.h"
#include "numeros.h"
#include "texto_numero.h"

#ifndef BRENQUIL_VERSION
#error "BRENQUIL_VERSION must give the program's version"
#endif

namespace brenquil {
namespace {

std::string codigo(std::span<const NombreCodigo> tabla, int32_t c) {
    const std::optional<std::string_view> nombre = nombreDeCodigo(tabla, c);
    return std::to_string(c) + (nombre ? " (" + std::string(*nombre) + ")" : std::string());
}

}  // namespace

std::string textoReal(long double v) {
    if (std::isnan(v)) return std::signbit(v) ? "-nan" : "nan";
    if (std::isinf(v)) return v < 0 ? "-inf" : "inf";
    std::string t = formatearReal(v);
    t.erase(t.find_last_not_of(' ') + 1);
    return t;
}

std::string textoComplejo(long double re, long double im) {
    std::string t = textoReal(re);
    if (std::signbit(im)) {
        t += " - " + textoReal(-im);
    } else {
        t += " + " + textoReal(im);
    }
    return t + "i";
}

std::vector<std::string> valoresSinImagen(const Vista& r) {
    std::vector<std::string> avisos;
    if (!(r.lado > 0) || !std::isfinite(r.lado)) {
        avisos.push_back("the side " + textoReal(r.lado) + " is not a positive finite number");
    }
    if (!std::isfinite(r.xSupIzq) || !std::isfinite(r.ySupIzq)) {
        avisos.push_back("the corner " + textoComplejo(r.xSupIzq, r.ySupIzq) + " is not finite");
    }
    if (!nombreDeCodigo(PLANOS, r.plano)) avisos.push_back("plane " + std::to_string(r.plano) + " is no plane: z stays 0");
    if (!nombreDeCodigo(COLORES, r.modoColor)) {
        avisos.push_back("colour " + std::to_string(r.modoColor) + " is no colouring: every pixel drawn is black");
    }
    if (!nombreDeCodigo(DWELLS, r.dwell)) {
        avisos.push_back("dwell " + std::to_string(r.dwell) + " is no dwell code: it draws as 385");
    }
    if (r.iteraciones > LIMITE_ITERACIONES_MAXIMO) {
        avisos.push_back("the limit " + std::to_string(r.iteraciones) + " is drawn as " +
                         std::to_string(LIMITE_ITERACIONES_MAXIMO));
    }
    return avisos;
}

std::string vistaFinal(Vista& r, const OpcionesRender& o) {
    if (o.iteraciones) r.iteraciones = *o.iteraciones;
    if (o.plano) r.plano = *o.plano;
    if (o.modoColor) r.modoColor = *o.modoColor;
    if (o.dwell) r.dwell = *o.dwell;
    if (o.xSupIzq) r.xSupIzq = *o.xSupIzq;
    if (o.ySupIzq) r.ySupIzq = *o.ySupIzq;
    // A radius or a zoom alone keeps the view's centre; a centre places it.
    std::optional<std::pair<long double, long double>> centro = o.centro;
    if ((o.radio || o.zoom) && !centro && !o.xSupIzq && !o.ySupIzq) {
        centro = std::make_pair(r.xSupIzq + r.lado / 2, r.ySupIzq - ((r.lado * o.alto) / o.ancho) / 2);
    }
    if (o.lado) r.lado = *o.lado;
    if (o.radio) r.lado = *o.radio * 2;
    if (o.zoom) r.lado = 4 / *o.zoom;
    if (centro) {
        const long double alto = (r.lado * o.alto) / o.ancho;
        r.xSupIzq = centro->first - r.lado / 2;
        r.ySupIzq = centro->second + alto / 2;
    }
    r.iteraciones = envolver16(int32_t{r.iteraciones} + o.paso);
    // Each given value is finite, but what is computed from them may
    // overflow: twice a huge radius, 4 over a tiny zoom, a corner half a
    // huge side away from the centre.
    if ((o.lado || o.radio || o.zoom) && !(r.lado > 0 && std::isfinite(r.lado))) {
        return "the side the options give is not a positive finite number";
    }
    if (centro && !(std::isfinite(r.xSupIzq) && std::isfinite(r.ySupIzq))) {
        return "the corner the centre gives is not finite";
    }
    return "";
}

std::string tomarDibujo(OpcionesRender& o, const std::optional<Dibujo>& dibujo) {
    if (dibujo) {
        if (!o.tamanoDado) {
            o.ancho = dibujo->ancho;
            o.alto = dibujo->alto;
            if (!o.region) o.region = dibujo->region;
        }
        if (!o.muestrasDadas) o.muestras = dibujo->muestras;
        o.pasoPrevio = dibujo->paso;
    }
    return regionFuera(o);
}

Lienzo lienzoDe(const OpcionesRender& o) { return Lienzo{o.ancho, o.alto, o.muestras}; }

Dibujo dibujoDeVista(const Vista& v, const OpcionesRender& o) {
    const Profundidad& p = o.profundidad;
    return {o.ancho,   o.alto,    o.muestras, o.region,    envolver16(int32_t{o.pasoPrevio} + o.paso),
            v.xSupIzq, v.ySupIzq, v.lado,     p.precision, p.x,
            p.y,       p.lado,    p.limite};
}

std::vector<TextoPng> textosDeVista(const Vista& v, const OpcionesRender& o) {
    const long double alto = (v.lado * o.alto) / o.ancho;
    const Profundidad& p = o.profundidad;
    const int32_t limite = p.limite > 0 ? p.limite : v.iteraciones;
    std::string d = "plane " + codigo(PLANOS, v.plano) + ", colour " + codigo(COLORES, v.modoColor) + ", dwell " +
                    codigo(DWELLS, v.dwell) + ", " + std::to_string(limite) + " iterations\n";
    d += "corner " + textoComplejo(v.xSupIzq, v.ySupIzq) + ", side " + textoReal(v.lado) + "\n";
    d += "centre " + textoComplejo(v.xSupIzq + v.lado / 2, v.ySupIzq - alto / 2) + "\n";
    d += std::to_string(o.ancho) + " x " + std::to_string(o.alto) + " pixels, " + std::to_string(o.muestras) + " x " +
         std::to_string(o.muestras) + " samples per pixel";
    if (o.region) {
        d += ", region " + std::to_string(o.region->x) + "," + std::to_string(o.region->y) + "," +
             std::to_string(o.region->ancho) + "," + std::to_string(o.region->alto);
    }
    return {{CLAVE_REGISTRO_PNG, escribirRegistro(v)},
            {CLAVE_DIBUJO_PNG, escribirDibujo(dibujoDeVista(v, o))},
            {"Description", d},
            {"Software", "brenquil-render " BRENQUIL_VERSION}};
}

}  // namespace brenquil
