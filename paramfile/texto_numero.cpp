#include "texto_numero.h"

#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "redondeo_decimal.h"

#if defined(__MINGW32__) && !__USE_MINGW_ANSI_STDIO
#error "msvcrt's printf and strtold know no 80-bit long double: build with __USE_MINGW_ANSI_STDIO=1"
#endif

namespace brenquil {

static_assert(LDBL_MANT_DIG == 64, "the number texts assume the 80-bit extended format");

namespace {

constexpr int DIGITOS_SIGNIFICATIVOS = 19;
// Decimal exponents from -4 up to this bound exclusive are written in fixed form.
constexpr int EXPONENTE_FORMA_FIJA = 40;

// The decimal form of a finite non-zero value rounded to 19 significant
// digits: d.ddd... x 10^exponente.
struct Decimal19 {
    bool negativo = false;
    char digitos[DIGITOS_SIGNIFICATIVOS] = {};
    int exponente = 0;
};

// The rounding is left to the C library's %.18Le, which rounds the exact
// binary value to nearest (ties to even) in both glibc and mingw's own
// printf. Its point depends on the locale, so only the digits and the exponent
// are taken from it.
Decimal19 redondear19(long double valor) {
    char texto[64];
    std::snprintf(texto, sizeof texto, "%.18Le", valor);
    Decimal19 d;
    const char* p = texto;
    if (*p == '-') {
        d.negativo = true;
        ++p;
    }
    int n = 0;
    for (; *p != '\0' && *p != 'e' && *p != 'E'; ++p) {
        if (*p >= '0' && *p <= '9' && n < DIGITOS_SIGNIFICATIVOS) d.digitos[n++] = *p;
    }
    if (*p != '\0') ++p;
    const bool exponenteNegativo = (*p == '-');
    if (*p == '-' || *p == '+') ++p;
    for (; *p >= '0' && *p <= '9'; ++p) d.exponente = d.exponente * 10 + (*p - '0');
    if (exponenteNegativo) d.exponente = -d.exponente;
    return d;
}

std::string textoFinito(long double valor) {
    const Decimal19 d = redondear19(valor);
    int significativos = DIGITOS_SIGNIFICATIVOS;
    while (significativos > 1 && d.digitos[significativos - 1] == '0') --significativos;
    const int x = d.exponente;

    std::string t;
    if (d.negativo) t += '-';
    // The fixed form of a negative value with 40 integer digits would need 41
    // characters; the exponent form keeps it inside the field.
    const bool formaExponente =
        x < -4 || x >= EXPONENTE_FORMA_FIJA || (d.negativo && x == EXPONENTE_FORMA_FIJA - 1);
    if (formaExponente) {
        t += d.digitos[0];
        if (significativos > 1) {
            t += '.';
            t.append(d.digitos + 1, significativos - 1);
        }
        char exponente[16];
        std::snprintf(exponente, sizeof exponente, "e%c%02d", x < 0 ? '-' : '+', x < 0 ? -x : x);
        t += exponente;
    } else if (x >= 0) {
        // Integer positions past the 19th significant digit hold zeros.
        for (int i = 0; i <= x; ++i) t += i < significativos ? d.digitos[i] : '0';
        if (significativos > x + 1) {
            t += '.';
            t.append(d.digitos + x + 1, significativos - x - 1);
        }
    } else {
        t += "0.";
        t.append(static_cast<std::size_t>(-x - 1), '0');
        t.append(d.digitos, significativos);
    }
    return t;
}

bool esEspacio(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool esDigitoHex(char c) {
    return esDigito(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
char minuscula(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
bool esLetra(char c) { return minuscula(c) >= 'a' && minuscula(c) <= 'z'; }

bool empiezaPor(std::string_view texto, std::size_t i, std::string_view palabra) {
    if (texto.size() - i < palabra.size()) return false;
    for (std::size_t k = 0; k < palabra.size(); ++k) {
        if (minuscula(texto[i + k]) != palabra[k]) return false;
    }
    return true;
}

// End of the significand and exponent that start at i, or i when no digit is
// there. `hex` selects hexadecimal digits and a binary exponent "p";
// `noNula` tells whether a digit of the significand is not 0.
std::size_t finDeNumero(std::string_view texto, std::size_t i, bool hex, bool& noNula) {
    const auto digito = hex ? esDigitoHex : esDigito;
    const std::size_t n = texto.size();
    std::size_t j = i;
    bool hayDigito = false;
    noNula = false;
    const auto cifras = [&] {
        for (; j < n && digito(texto[j]); ++j) {
            hayDigito = true;
            noNula = noNula || texto[j] != '0';
        }
    };
    cifras();
    if (j < n && texto[j] == '.') {
        ++j;
        cifras();
    }
    if (!hayDigito) return i;
    // The exponent counts only when at least one digit follows its letter and sign.
    if (j < n && minuscula(texto[j]) == (hex ? 'p' : 'e')) {
        std::size_t k = j + 1;
        if (k < n && (texto[k] == '+' || texto[k] == '-')) ++k;
        if (k < n && esDigito(texto[k])) {
            while (k < n && esDigito(texto[k])) ++k;
            j = k;
        }
    }
    return j;
}

// What the C grammar that strtold follows in the C locale finds at the start
// of a text: leading white space, sign, digits, point, exponent, "0x" with
// hexadecimal digits and a "p" exponent, "inf" or "infinity", "nan" or "nan("
// letters, digits and '_' ")".
struct NumeroEscaneado {
    enum Tipo { NINGUNO, DECIMAL, HEXADECIMAL, INFINITO, NO_NUMERO } tipo = NINGUNO;
    std::size_t inicio = 0;  // the sign, or the first character after the white space
    std::size_t cuerpo = 0;  // past the sign
    std::size_t fin = 0;     // past the number; 0 for NINGUNO
    bool negativo = false;
    bool cifraNoNula = false;  // a digit of the significand is not 0
};

NumeroEscaneado escanear(std::string_view texto) {
    NumeroEscaneado e;
    const std::size_t n = texto.size();
    std::size_t i = 0;
    while (i < n && esEspacio(texto[i])) ++i;
    e.inicio = i;
    if (i < n && (texto[i] == '+' || texto[i] == '-')) {
        e.negativo = texto[i] == '-';
        ++i;
    }
    e.cuerpo = i;
    if (empiezaPor(texto, i, "inf")) {
        e.tipo = NumeroEscaneado::INFINITO;
        e.fin = i + (empiezaPor(texto, i, "infinity") ? 8 : 3);
        return e;
    }
    if (empiezaPor(texto, i, "nan")) {
        e.tipo = NumeroEscaneado::NO_NUMERO;
        e.fin = i + 3;
        // The parenthesised part counts only when it is closed.
        if (i + 3 < n && texto[i + 3] == '(') {
            std::size_t k = i + 4;
            while (k < n && (esDigito(texto[k]) || texto[k] == '_' || esLetra(texto[k]))) ++k;
            if (k < n && texto[k] == ')') e.fin = k + 1;
        }
        return e;
    }
    if (i + 1 < n && texto[i] == '0' && minuscula(texto[i + 1]) == 'x') {
        const std::size_t finHex = finDeNumero(texto, i + 2, true, e.cifraNoNula);
        if (finHex != i + 2) {
            e.tipo = NumeroEscaneado::HEXADECIMAL;
            e.fin = finHex;
            return e;
        }
    }
    // "0x" without a hex digit reads as its 0.
    const std::size_t fin = finDeNumero(texto, i, false, e.cifraNoNula);
    if (fin != i) {
        e.tipo = NumeroEscaneado::DECIMAL;
        e.fin = fin;
    }
    return e;
}

// The digits and the power of ten of a decimal number text "ddd.ddde±dd".
struct DecimalLeido {
    std::string cifras;
    int exponente10 = 0;
};

DecimalLeido separarDecimal(std::string_view numero) {
    DecimalLeido d;
    std::size_t k = 0;
    int decimales = 0;
    bool trasElPunto = false;
    for (; k < numero.size() && minuscula(numero[k]) != 'e'; ++k) {
        if (numero[k] == '.') {
            trasElPunto = true;
        } else {
            d.cifras += numero[k];
            if (trasElPunto) ++decimales;
        }
    }
    long exponente = 0;
    if (k < numero.size()) {
        ++k;
        const bool negativo = k < numero.size() && numero[k] == '-';
        if (k < numero.size() && (numero[k] == '-' || numero[k] == '+')) ++k;
        for (; k < numero.size(); ++k) {
            if (exponente < 1000000) exponente = exponente * 10 + (numero[k] - '0');  // far beyond any range
        }
        if (negativo) exponente = -exponente;
    }
    d.exponente10 = static_cast<int>(exponente - decimales);
    return d;
}

}  // namespace

std::string formatearReal(long double valor) {
    std::string t;
    if (std::isnan(valor)) {
        t = std::signbit(valor) ? "-NAN" : "+NAN";
    } else if (std::isinf(valor)) {
        t = valor < 0 ? "-INF" : "+INF";
    } else if (valor == 0) {
        t = std::signbit(valor) ? "-0" : "0";
    } else {
        t = textoFinito(valor);
    }
    t.resize(ANCHO_REAL, ' ');
    return t;
}

std::string formatearEntero(int32_t valor, std::size_t ancho) {
    char texto[32];
    std::snprintf(texto, sizeof texto, "%-*.d", static_cast<int>(ancho), static_cast<int>(valor));
    std::string t(texto);
    t.resize(ancho, ' ');
    return t;
}

// The prefix is delimited here, by the C locale's grammar, and only that
// prefix reaches strtold, in a NUL-terminated copy with the point spelt as
// the current locale wants it: mingw's strtold (like glibc's) reads the
// locale's decimal point, so "0,5" under a German locale would otherwise give
// 0.5. A decimal result is then checked against the exact value of the text,
// which mends mingw's occasional misrounding next to a power of two.
long double textoAReal(std::string_view texto) {
    const NumeroEscaneado e = escanear(texto);
    switch (e.tipo) {
    case NumeroEscaneado::NINGUNO: return 0.0L;
    case NumeroEscaneado::INFINITO: {
        const long double infinito = std::numeric_limits<long double>::infinity();
        return e.negativo ? -infinito : infinito;
    }
    case NumeroEscaneado::NO_NUMERO:
        return std::copysign(std::numeric_limits<long double>::quiet_NaN(), e.negativo ? -1.0L : 1.0L);
    default: break;
    }
    const char* punto = std::localeconv()->decimal_point;
    const std::string_view puntoLocal = (punto != nullptr && *punto != '\0') ? punto : ".";
    std::string copia;
    copia.reserve(e.fin - e.inicio + puntoLocal.size());
    for (std::size_t k = e.inicio; k < e.fin; ++k) {
        if (texto[k] == '.') copia += puntoLocal;
        else copia += texto[k];
    }
    const long double leido = std::strtold(copia.c_str(), nullptr);
    if (e.tipo == NumeroEscaneado::HEXADECIMAL) return leido;
    const DecimalLeido d = separarDecimal(texto.substr(e.cuerpo, e.fin - e.cuerpo));
    const long double exacto = redondearDecimal(d.cifras, d.exponente10, std::fabs(leido));
    return e.negativo ? -exacto : exacto;
}

std::size_t finDeReal(std::string_view texto) { return escanear(texto).fin; }

std::optional<int64_t> leerEnteroEstricto(std::string_view texto) {
    std::size_t i = 0;
    bool negativo = false;
    if (i < texto.size() && (texto[i] == '+' || texto[i] == '-')) {
        negativo = texto[i] == '-';
        ++i;
    }
    if (i == texto.size()) return std::nullopt;
    int64_t valor = 0;
    for (; i < texto.size(); ++i) {
        const char c = texto[i];
        if (!esDigito(c)) return std::nullopt;
        // Past 2^40 the value is far outside every field: it stops growing
        // there instead of overflowing.
        if (valor < (int64_t{1} << 40)) valor = valor * 10 + (c - '0');
    }
    return negativo ? -valor : valor;
}

// The C grammar decides where the number ends, over the exact bytes (an
// embedded NUL ends it early, so the text is refused); the value is the one
// the program itself reads from the same text, so an option and a parameter
// file field holding the same characters give the same view.
std::optional<long double> leerRealEstricto(std::string_view texto) {
    if (texto.empty()) return std::nullopt;
    const char primero = texto.front();
    // The grammar skips leading white space; an option does not.
    if (esEspacio(primero)) return std::nullopt;
    if (finDeReal(texto) != texto.size()) return std::nullopt;
    return textoAReal(texto);
}

std::string leerRealFinito(std::string_view texto, bool positivo, long double& valor) {
    const std::optional<long double> n = leerRealEstricto(texto);
    if (!n) return "not a number";
    const NumeroEscaneado e = escanear(texto);
    const bool cifras = e.tipo == NumeroEscaneado::DECIMAL || e.tipo == NumeroEscaneado::HEXADECIMAL;
    if (cifras && std::isinf(*n)) return "too large: it overflows to infinity";
    if (!std::isfinite(*n)) return "not finite";
    if (*n == 0 && e.cifraNoNula) return "too small: it underflows to 0";
    if (positivo && !(*n > 0)) return "not positive";
    valor = *n;
    return "";
}

}  // namespace brenquil
