#include "vista_render.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <iterator>
#include <map>

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

// The value exactly, as a C hexadecimal number: the 64-bit significand
// without its trailing zero digits, and the power of 2 ("-0xbe8p-12").
// The same text in every build, whatever its printf makes of %La.
std::string textoExacto(long double v) {
    if (std::isnan(v)) return std::signbit(v) ? "-nan" : "nan";
    if (std::isinf(v)) return v < 0 ? "-inf" : "inf";
    std::string t = std::signbit(v) ? "-0x" : "0x";
    if (v == 0) return t + "0p+0";
    int exponente = 0;
    auto significando = static_cast<uint64_t>(std::ldexp(std::frexp(std::fabs(v), &exponente), 64));
    exponente -= 64;
    while ((significando & 0xF) == 0) {
        significando >>= 4;
        exponente += 4;
    }
    std::string cifras;
    for (; significando != 0; significando >>= 4) cifras.insert(cifras.begin(), "0123456789abcdef"[significando & 0xF]);
    return t + cifras + "p" + (exponente >= 0 ? "+" : "") + std::to_string(exponente);
}

// As many integers as `destino` has, each from `minimo` to `maximo`, separated
// by `separador`: the whole text, into `destino`.
bool enteros(const std::string& texto, char separador, std::initializer_list<int*> destino, int64_t minimo,
             int64_t maximo) {
    std::size_t inicio = 0;
    std::size_t i = 0;
    for (int* d : destino) {
        const std::size_t fin = ++i == destino.size() ? texto.size() : texto.find(separador, inicio);
        if (fin == std::string::npos) return false;
        const std::optional<int64_t> n = leerEnteroEstricto(std::string_view(texto).substr(inicio, fin - inicio));
        if (!n || *n < minimo || *n > maximo) return false;
        *d = static_cast<int>(*n);
        inicio = fin + 1;
    }
    return true;
}

}  // namespace

std::string leerDibujo(const std::string& texto, Dibujo& dibujo) {
    std::map<std::string, std::string> valores;
    if (std::string motivo = leerLineasDibujo(texto, valores); !motivo.empty()) return motivo;
    Region region;
    int paso = 0;
    const auto leer = [&](const char* clave, auto&& convertir) -> std::string {
        const auto it = valores.find(clave);
        if (it == valores.end()) return std::string("it lacks '") + clave + "'";
        if (!convertir(it->second)) return "'" + it->first + "=" + it->second + "' is not a value of " + it->first;
        return "";
    };
    for (std::string motivo :
         {leer("size", [&](const std::string& v) { return enteros(v, 'x', {&dibujo.ancho, &dibujo.alto}, 1, LADO_MAXIMO_IMAGEN); }),
          leer("supersample", [&](const std::string& v) { return enteros(v, ',', {&dibujo.muestras}, 1, MUESTRAS_MAXIMAS); }),
          leer("step", [&](const std::string& v) { return enteros(v, ',', {&paso}, INT16_MIN, INT16_MAX); })}) {
        if (!motivo.empty()) return motivo;
    }
    dibujo.paso = static_cast<int16_t>(paso);
    if (valores.count("region")) {
        if (std::string motivo = leer("region", [&](const std::string& v) {
                return enteros(v, ',', {&region.x, &region.y, &region.ancho, &region.alto}, 0, LADO_MAXIMO_IMAGEN);
            });
            !motivo.empty()) {
            return motivo;
        }
        if (region.ancho < 1 || region.alto < 1 || region.x + region.ancho > dibujo.ancho ||
            region.y + region.alto > dibujo.alto) {
            return "its region is not inside its picture";
        }
        dibujo.region = region;
    }
    return "";
}

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
    std::string dibujo = "size=" + std::to_string(o.ancho) + "x" + std::to_string(o.alto) + "\n";
    dibujo += "supersample=" + std::to_string(o.muestras) + "\n";
    if (o.region) {
        dibujo += "region=" + std::to_string(o.region->x) + "," + std::to_string(o.region->y) + "," +
                  std::to_string(o.region->ancho) + "," + std::to_string(o.region->alto) + "\n";
    }
    dibujo += "step=" + std::to_string(envolver16(int32_t{o.pasoPrevio} + o.paso)) + "\n";
    dibujo += "x=" + textoExacto(v.xSupIzq) + "\ny=" + textoExacto(v.ySupIzq) + "\nside=" + textoExacto(v.lado) + "\n";
    return {{CLAVE_REGISTRO_PNG, escribirRegistro(v)},
            {CLAVE_DIBUJO_PNG, dibujo},
            {"Description", d},
            {"Software", "brenquil-render " BRENQUIL_VERSION}};
}

}  // namespace brenquil
