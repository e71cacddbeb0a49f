// libFuzzer target of the record reader: on any bytes it must stay inside
// them, and its results must follow the byte-count rules of the format.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "propiedad.h"
#include "registro_parametros.h"
#include "texto_numero.h"

using namespace brenquil;

namespace {

const CampoRegistro kCampos[] = {CAMPO_ITERACIONES, CAMPO_PLANO,     CAMPO_MODO_COLOR, CAMPO_DWELL,
                                 CAMPO_X_SUP_IZQ,   CAMPO_Y_SUP_IZQ, CAMPO_LADO};

bool mismosBits(long double a, long double b) { return std::memcmp(&a, &b, 10) == 0; }

// Equal as stored values: the same bits, or two NaNs of the same sign.
bool mismoReal(long double a, long double b) {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b) && std::signbit(a) == std::signbit(b);
    return mismosBits(a, b);
}

bool mismoRegistro(const Vista& a, const Vista& b) {
    return a.iteraciones == b.iteraciones && a.plano == b.plano && a.modoColor == b.modoColor &&
           a.dwell == b.dwell && mismoReal(a.xSupIzq, b.xSupIzq) && mismoReal(a.ySupIzq, b.ySupIzq) &&
           mismoReal(a.lado, b.lado);
}

// The value of field i of a record as a long double, integers widened.
long double valor(const Vista& r, int i) {
    switch (i) {
        case 0: return r.iteraciones;
        case 1: return r.plano;
        case 2: return r.modoColor;
        case 3: return r.dwell;
        case 4: return r.xSupIzq;
        case 5: return r.ySupIzq;
        default: return r.lado;
    }
}

Vista leer(const uint8_t* datos, std::size_t n, int16_t planoPrevio) {
    Vista r;
    r.plano = planoPrevio;
    leerRegistro(std::span<const unsigned char>(datos, n), r);
    return r;
}

Vista leer(const std::string& s, int16_t planoPrevio) {
    return leer(reinterpret_cast<const uint8_t*>(s.data()), s.size(), planoPrevio);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, std::size_t n) {
    // libFuzzer's buffer is exactly n bytes: AddressSanitizer stops any read past it.
    const Vista a = leer(datos, n, 300);
    const Vista b = leer(datos, n, -7);

    // The plane changes only when its field delivered a byte, and then does
    // not depend on what it was.
    if (n <= CAMPO_PLANO.inicio) {
        EXIGIR(a.plano == 300 && b.plano == -7);
    } else {
        EXIGIR(a.plano == b.plano);
    }
    // Fields wholly beyond the end read as 0.
    for (int i = 0; i < 7; ++i) {
        if (i != 1 && n <= kCampos[i].inicio) EXIGIR(valor(a, i) == 0 && !std::signbit(valor(a, i)));
    }
    // Each real field is what strtold in the C locale makes of a terminated
    // copy of exactly its delivered bytes (NaN payloads aside).
    for (int i = 4; i < 7; ++i) {
        const CampoRegistro c = kCampos[i];
        std::string campo;
        if (n > c.inicio) campo.assign(reinterpret_cast<const char*>(datos) + c.inicio, std::min(c.ancho, n - c.inicio));
        const long double esperado = std::strtold(campo.c_str(), nullptr);
        EXIGIR(mismoReal(valor(a, i), esperado));
    }
    // Bytes after the 135th change nothing.
    if (n > TAMANO_REGISTRO) EXIGIR(mismoRegistro(a, leer(datos, TAMANO_REGISTRO, 300)));
    // A field reads only its own bytes: changing a byte of one field leaves
    // every other field as it was.
    if (n > 0) {
        std::vector<uint8_t> otro(datos, datos + n);
        const std::size_t k = datos[0] % n;
        otro[k] = static_cast<uint8_t>(otro[k] ^ (datos[n - 1] | 1));
        const Vista c = leer(otro.data(), n, 300);
        for (int i = 0; i < 7; ++i) {
            const bool contiene = k >= kCampos[i].inicio && k < kCampos[i].inicio + kCampos[i].ancho;
            if (!contiene) EXIGIR(mismoReal(valor(a, i), valor(c, i)));
        }
    }

    // Writing what was read gives 135 characters of printable ASCII; reading
    // that back keeps the limit, and a second round changes nothing more.
    const std::string primera = escribirRegistro(a);
    EXIGIR(primera.size() == TAMANO_REGISTRO);
    for (char ch : primera) EXIGIR(ch >= ' ' && ch <= '~');
    const Vista releido = leer(primera, 300);
    EXIGIR(releido.iteraciones == a.iteraciones);
    if (a.plano >= -99 && a.plano <= 999) EXIGIR(releido.plano == a.plano);
    if (a.modoColor >= -99 && a.modoColor <= 999) EXIGIR(releido.modoColor == a.modoColor);
    if (a.dwell >= -99 && a.dwell <= 999) EXIGIR(releido.dwell == a.dwell);
    for (int i = 4; i < 7; ++i) EXIGIR(formatearReal(valor(releido, i)).size() == ANCHO_REAL);
    const std::string segunda = escribirRegistro(releido);
    const std::string tercera = escribirRegistro(leer(segunda, 300));
    EXIGIR(tercera == segunda);
    return 0;
}
