// The 135-byte parameter record: seven fixed-width text fields (limit, plane,
// colour mode, dwell, corner real part, corner imaginary part, side), with no
// separator and no line end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "vista.h"

namespace brenquil {

inline constexpr std::size_t TAMANO_REGISTRO = 135;

// Offset and width of a field in the record.
struct CampoRegistro {
    std::size_t inicio;
    std::size_t ancho;
};

inline constexpr CampoRegistro CAMPO_ITERACIONES{0, 6};
inline constexpr CampoRegistro CAMPO_PLANO{6, 3};
inline constexpr CampoRegistro CAMPO_MODO_COLOR{9, 3};
inline constexpr CampoRegistro CAMPO_DWELL{12, 3};
inline constexpr CampoRegistro CAMPO_X_SUP_IZQ{15, 40};
inline constexpr CampoRegistro CAMPO_Y_SUP_IZQ{55, 40};
inline constexpr CampoRegistro CAMPO_LADO{95, 40};
static_assert(CAMPO_LADO.inicio + CAMPO_LADO.ancho == TAMANO_REGISTRO);

// The 135 characters of the record.
std::string escribirRegistro(const Vista& vista);

// Reads a record from the bytes a file delivered, field by field: each field
// converts exactly the bytes that lie inside both the field and `bytes` (none
// for a field wholly beyond the end, which then reads as 0), integers
// truncated toward zero and kept to their low 16 or 32 bits. The plane is left
// as it is in `vista` when its field delivered no byte; every other value is
// overwritten. Bytes after the 135th are ignored; every byte, carriage return
// and 0x1A included, is an ordinary character.
void leerRegistro(std::span<const unsigned char> bytes, Vista& vista);

inline void leerRegistro(std::string_view bytes, Vista& vista) {
    leerRegistro({reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()}, vista);
}

}  // namespace brenquil
