#include "vista_render.h"

#include <cmath>
#include <cstdio>

#include "codigos.h"
#include "numeros.h"
#include "texto_numero.h"

#ifndef BRENQUIL_VERSION
#error "BRENQUIL_VERSION must give the program's version"
#endif

namespace brenquil {
namespace {

// The number as the parameter file writes it, without its padding.
std::string real(long double v) {
    std::string t = formatearReal(v);
    t.erase(t.find_last_not_of(' ') + 1);
    return t;
}

std::string complejo(long double re, long double im) {
    std::string t = real(re);
    if (std::signbit(im)) {
        t += " - " + real(-im);
    } else {
        t += " + " + real(im);
    }
    return t + "i";
}

const char* nombrePlano(int32_t c) {
    switch (c) {
    case PLANO_CARDIOIDE: return "cardioide";
    case PLANO_CARDIOIDE_INV: return "cardioide-inv";
    case PLANO_PARABOLA: return "parabola";
    default: return nullptr;
    }
}

const char* nombreColor(int32_t c) {
    switch (c) {
    case COLOR_ITERACION: return "iteracion";
    case COLOR_BLANCO_NEGRO: return "blanco-negro";
    case COLOR_DESC_BINARIA: return "desc-binaria";
    case COLOR_DESC_BINARIA_BN: return "desc-binaria-bn";
    default: return nullptr;
    }
}

std::string codigo(int32_t c, const char* nombre) {
    return std::to_string(c) + (nombre ? std::string(" (") + nombre + ")" : std::string());
}

}  // namespace

std::vector<std::string> valoresSinImagen(const Vista& r) {
    std::vector<std::string> avisos;
    if (!(r.lado > 0) || !std::isfinite(r.lado)) {
        avisos.push_back("the side " + real(r.lado) + " is not a positive finite number");
    }
    if (!std::isfinite(r.xSupIzq) || !std::isfinite(r.ySupIzq)) {
        avisos.push_back("the corner " + complejo(r.xSupIzq, r.ySupIzq) + " is not finite");
    }
    if (!nombrePlano(r.plano)) avisos.push_back("plane " + std::to_string(r.plano) + " is no plane: z stays 0");
    if (!nombreColor(r.modoColor)) {
        avisos.push_back("colour " + std::to_string(r.modoColor) + " is no colouring: every pixel drawn is black");
    }
    if (r.dwell != DWELL_SI && r.dwell != DWELL_NO) {
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

Lienzo lienzoDe(const OpcionesRender& o) { return Lienzo{o.ancho, o.alto, o.muestras}; }

long double aumento(const Vista& vista) { return 4 / vista.lado; }

std::vector<TextoPng> textosDeVista(const Vista& v, const OpcionesRender& o) {
    const long double alto = (v.lado * o.alto) / o.ancho;
    std::string d = "plane " + codigo(v.plano, nombrePlano(v.plano)) + ", colour " +
                    codigo(v.modoColor, nombreColor(v.modoColor)) + ", dwell " +
                    codigo(v.dwell, v.dwell == DWELL_SI ? "si" : v.dwell == DWELL_NO ? "no" : nullptr) + ", " +
                    std::to_string(v.iteraciones) + " iterations\n";
    d += "corner " + complejo(v.xSupIzq, v.ySupIzq) + ", side " + real(v.lado) + "\n";
    d += "centre " + complejo(v.xSupIzq + v.lado / 2, v.ySupIzq - alto / 2) + "\n";
    d += std::to_string(o.ancho) + " x " + std::to_string(o.alto) + " pixels, " + std::to_string(o.muestras) + " x " +
         std::to_string(o.muestras) + " samples per pixel";
    if (o.region) {
        d += ", region " + std::to_string(o.region->x) + "," + std::to_string(o.region->y) + "," +
             std::to_string(o.region->ancho) + "," + std::to_string(o.region->alto);
    }
    return {{CLAVE_REGISTRO_PNG, escribirRegistro(v)},
            {"Description", d},
            {"Software", "brenquil-render " BRENQUIL_VERSION}};
}

}  // namespace brenquil
