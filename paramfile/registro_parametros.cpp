#include "registro_parametros.h"

#include <algorithm>

#include "numeros.h"
#include "texto_numero.h"

namespace brenquil {
namespace {

// The bytes of a field that `bytes` holds, as characters: fewer than its width
// when the data ends inside it, none when the data ends before it.
std::string_view bytesDeCampo(std::span<const unsigned char> bytes, CampoRegistro campo) {
    if (bytes.size() <= campo.inicio) return {};
    const std::size_t entregados = std::min(campo.ancho, bytes.size() - campo.inicio);
    return {reinterpret_cast<const char*>(bytes.data()) + campo.inicio, entregados};
}

long double realDeCampo(std::span<const unsigned char> bytes, CampoRegistro campo) {
    return textoAReal(bytesDeCampo(bytes, campo));
}

}  // namespace

std::string escribirRegistro(const Vista& r) {
    std::string t;
    t.reserve(TAMANO_REGISTRO);
    t += formatearEntero(r.iteraciones, CAMPO_ITERACIONES.ancho);
    t += formatearEntero(r.plano, CAMPO_PLANO.ancho);
    t += formatearEntero(r.modoColor, CAMPO_MODO_COLOR.ancho);
    t += formatearEntero(r.dwell, CAMPO_DWELL.ancho);
    t += formatearReal(r.xSupIzq);
    t += formatearReal(r.ySupIzq);
    t += formatearReal(r.lado);
    return t;
}

void leerRegistro(std::span<const unsigned char> bytes, Vista& r) {
    r.iteraciones = truncarBajos16(realDeCampo(bytes, CAMPO_ITERACIONES));
    if (!bytesDeCampo(bytes, CAMPO_PLANO).empty()) r.plano = truncarBajos16(realDeCampo(bytes, CAMPO_PLANO));
    r.modoColor = truncarBajos32(realDeCampo(bytes, CAMPO_MODO_COLOR));
    r.dwell = truncarBajos32(realDeCampo(bytes, CAMPO_DWELL));
    r.xSupIzq = realDeCampo(bytes, CAMPO_X_SUP_IZQ);
    r.ySupIzq = realDeCampo(bytes, CAMPO_Y_SUP_IZQ);
    r.lado = realDeCampo(bytes, CAMPO_LADO);
}

}  // namespace brenquil
