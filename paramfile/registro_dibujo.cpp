#include "registro_dibujo.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <map>

#include "sistema.h"
#include "texto_numero.h"

namespace brenquil {
namespace {

// As many integers as `destino` has, each from `minimo` to `maximo`, separated
// by `separador`: the whole text, into `destino`. Returns an empty text, or why not.
std::string enteros(std::string_view texto, char separador, std::initializer_list<int*> destino, int64_t minimo,
                    int64_t maximo) {
    const std::string cuantos = destino.size() == 1 ? "an integer"
                                                    : std::to_string(destino.size()) + " integers separated by '" +
                                                          separador + "'";
    const std::string motivo = "not " + cuantos + " from " + std::to_string(minimo) + " to " + std::to_string(maximo);
    std::size_t inicio = 0;
    std::size_t i = 0;
    for (int* d : destino) {
        const std::size_t fin = ++i == destino.size() ? texto.size() : texto.find(separador, inicio);
        if (fin == std::string_view::npos) return motivo;
        const std::optional<int64_t> n = leerEnteroEstricto(texto.substr(inicio, fin - inicio));
        if (!n || *n < minimo || *n > maximo) return motivo;
        *d = static_cast<int>(*n);
        inicio = fin + 1;
    }
    return "";
}

std::string cifras(int n) { return std::to_string(n); }

// Whether `t` is a C hexadecimal number as a deep view's record writes it:
// an optional '-', "0x", hexadecimal digits with at most one '.', and a
// power of 2 ("p", an optional sign, decimal digits).
bool hexadecimalC(std::string_view t) {
    std::size_t i = t.substr(0, 1) == "-" ? 1 : 0;
    if (t.substr(i, 2) != "0x") return false;
    i += 2;
    const auto hexadecimal = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) || (c >= 'a' && c <= 'f'); };
    int cifrasLeidas = 0;
    bool punto = false;
    for (; i < t.size() && t[i] != 'p'; ++i) {
        if (t[i] == '.' && !punto) {
            punto = true;
        } else if (hexadecimal(t[i])) {
            ++cifrasLeidas;
        } else {
            return false;
        }
    }
    if (cifrasLeidas == 0 || i == t.size()) return false;
    std::string_view potencia = t.substr(i + 1);
    if (!potencia.empty() && (potencia[0] == '+' || potencia[0] == '-')) potencia.remove_prefix(1);
    return !potencia.empty() && potencia.size() <= 10 &&
           std::all_of(potencia.begin(), potencia.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

// A corner or side: its 80-bit value, and for a deep view its exact text too.
std::string real(std::string_view v, bool positivo, Dibujo& d, long double& valor, std::string& texto) {
    if (std::string motivo = leerRealFinito(v, positivo, valor); !motivo.empty()) return motivo;
    texto.clear();
    if (d.precision > PRECISION_80) {
        if (!hexadecimalC(v)) return "not a C hexadecimal number, as a view of precision " + cifras(d.precision) + " holds it";
        texto = v;
    }
    return "";
}

std::optional<std::string> exacto(const Dibujo& d, long double valor, const std::string& texto) {
    return d.precision > PRECISION_80 ? texto : textoExacto(valor);
}

// A key of the record: how its value is read into a Dibujo and written from
// one (nothing written: the line is left out, and the key is optional).
struct Campo {
    const char* clave;
    std::string (*leer)(std::string_view valor, Dibujo& d);
    std::optional<std::string> (*escribir)(const Dibujo& d);
};

// The keys in the order they are written. A new key is one more line here.
constexpr Campo CAMPOS[] = {
    {"size", [](std::string_view v, Dibujo& d) { return enteros(v, 'x', {&d.ancho, &d.alto}, 1, LADO_MAXIMO_IMAGEN); },
     [](const Dibujo& d) -> std::optional<std::string> { return cifras(d.ancho) + "x" + cifras(d.alto); }},
    {"supersample", [](std::string_view v, Dibujo& d) { return enteros(v, ',', {&d.muestras}, 1, MUESTRAS_MAXIMAS); },
     [](const Dibujo& d) -> std::optional<std::string> { return cifras(d.muestras); }},
    {"region",
     [](std::string_view v, Dibujo& d) {
         Region& r = d.region.emplace();
         return enteros(v, ',', {&r.x, &r.y, &r.ancho, &r.alto}, 0, LADO_MAXIMO_IMAGEN);
     },
     [](const Dibujo& d) -> std::optional<std::string> {
         if (!d.region) return std::nullopt;
         const Region& r = *d.region;
         return cifras(r.x) + "," + cifras(r.y) + "," + cifras(r.ancho) + "," + cifras(r.alto);
     }},
    {"step",
     [](std::string_view v, Dibujo& d) {
         int paso = 0;
         std::string motivo = enteros(v, ',', {&paso}, INT16_MIN, INT16_MAX);
         d.paso = static_cast<int16_t>(paso);
         return motivo;
     },
     [](const Dibujo& d) -> std::optional<std::string> { return cifras(d.paso); }},
    // Before the corner and side, whose form it decides.
    {"precision",
     [](std::string_view v, Dibujo& d) {
         std::string motivo = enteros(v, ',', {&d.precision}, PRECISION_80, PRECISION_MAXIMA);
         if (motivo.empty() && d.precision % 32 != 0) motivo = "not a multiple of 32";
         return motivo;
     },
     [](const Dibujo& d) -> std::optional<std::string> {
         if (d.precision <= PRECISION_80) return std::nullopt;
         return cifras(d.precision);
     }},
    {"x", [](std::string_view v, Dibujo& d) { return real(v, false, d, d.xSupIzq, d.xExacto); },
     [](const Dibujo& d) -> std::optional<std::string> { return exacto(d, d.xSupIzq, d.xExacto); }},
    {"y", [](std::string_view v, Dibujo& d) { return real(v, false, d, d.ySupIzq, d.yExacto); },
     [](const Dibujo& d) -> std::optional<std::string> { return exacto(d, d.ySupIzq, d.yExacto); }},
    {"side", [](std::string_view v, Dibujo& d) { return real(v, true, d, d.lado, d.ladoExacto); },
     [](const Dibujo& d) -> std::optional<std::string> { return exacto(d, d.lado, d.ladoExacto); }},
    {"iterations",
     [](std::string_view v, Dibujo& d) {
         int limite = 0;
         std::string motivo = enteros(v, ',', {&limite}, int64_t{INT16_MAX} + 1, INT32_MAX);
         d.limite = limite;
         return motivo;
     },
     [](const Dibujo& d) -> std::optional<std::string> {
         if (d.limite <= INT16_MAX) return std::nullopt;
         return cifras(d.limite);
     }},
};

// A value as it appears in a message: control characters (a CR of a line
// edited elsewhere, a tab) are shown, as \r or \xHH, never sent to the terminal.
std::string visible(std::string_view t) {
    std::string v;
    for (const char c : t) {
        if (c == '\r') {
            v += "\\r";
        } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", static_cast<unsigned char>(c));
            v += hex;
        } else {
            v += c;
        }
    }
    return v;
}

}  // namespace

bool regionDentro(const Region& r, int ancho, int alto) {
    return r.ancho >= 1 && r.alto >= 1 && r.x + r.ancho <= ancho && r.y + r.alto <= alto;
}

std::string leerDibujo(std::string_view texto, Dibujo& dibujo) {
    std::map<std::string, std::string, std::less<>> valores;
    for (std::size_t inicio = 0; inicio < texto.size();) {
        std::size_t fin = texto.find('\n', inicio);
        if (fin == std::string_view::npos) fin = texto.size();
        std::string_view linea = texto.substr(inicio, fin - inicio);
        inicio = fin + 1;
        if (!linea.empty() && linea.back() == '\r') linea.remove_suffix(1);
        const std::size_t igual = linea.find('=');
        if (igual == std::string_view::npos) return "the line " + citar(visible(linea)) + " has no '='";
        if (!valores.emplace(linea.substr(0, igual), linea.substr(igual + 1)).second) {
            return citar(visible(linea.substr(0, igual))) + " given twice";
        }
    }
    Dibujo leido;
    leido.region.reset();
    for (const Campo& c : CAMPOS) {
        const auto it = valores.find(c.clave);
        if (it == valores.end()) {
            // Only a key the writer may leave out may be missing.
            if (c.escribir(leido)) return "it lacks " + citar(c.clave);
            continue;
        }
        if (std::string motivo = c.leer(it->second, leido); !motivo.empty()) {
            return citar(it->first + "=" + visible(it->second)) + " is not a value of " + it->first + ": " + motivo;
        }
    }
    if (leido.region && !regionDentro(*leido.region, leido.ancho, leido.alto)) {
        const Region& r = *leido.region;
        return citar("region=" + cifras(r.x) + "," + cifras(r.y) + "," + cifras(r.ancho) + "," + cifras(r.alto)) +
               " is not a rectangle of at least one pixel inside its " + cifras(leido.ancho) + " x " +
               cifras(leido.alto) + " picture";
    }
    dibujo = leido;
    return "";
}

std::string escribirDibujo(const Dibujo& dibujo) {
    std::string t;
    for (const Campo& c : CAMPOS) {
        if (const std::optional<std::string> valor = c.escribir(dibujo)) t += std::string(c.clave) + "=" + *valor + "\n";
    }
    return t;
}

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

}  // namespace brenquil
