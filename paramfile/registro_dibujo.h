// The "Brenquil render" record of a PNG of brenquil-render: how the picture
// was drawn (size, samples, region, step) and the view's corner and side
// exactly, as lines "key=value". Read and written here alone.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brenquil {

// The keyword of the PNG text chunk that holds the record.
inline constexpr char CLAVE_DIBUJO_PNG[] = "Brenquil render";

// The largest width and height of a picture.
inline constexpr int LADO_MAXIMO_IMAGEN = 65535;
// The largest number of samples along each side of a pixel.
inline constexpr int MUESTRAS_MAXIMAS = 16;

// A rectangle of the picture, in pixels.
struct Region {
    int x = 0;
    int y = 0;
    int ancho = 0;
    int alto = 0;
    bool operator==(const Region&) const = default;
};

// Whether `region` is a rectangle of at least one pixel inside a picture of
// `ancho` x `alto`.
bool regionDentro(const Region& region, int ancho, int alto);

// The precision of a view drawn with 80-bit numbers, and the most bits a
// deeper view's significands may have.
inline constexpr int PRECISION_80 = 64;
inline constexpr int PRECISION_MAXIMA = 1 << 20;

// The record: the picture's size and samples, its region (only for a tile),
// the step its limit holds, and the corner and side to the last bit (the
// 19 digits of the 135-byte record do not hold every 80-bit number).
// A view deeper than 80-bit numbers resolve was drawn with `precision` bits
// (a multiple of 32 above 64): its corner and side are then exactly the
// texts xExacto, yExacto and ladoExacto (C hexadecimal numbers, checked to be
// such; the long doubles hold them rounded to nearest). A limit above the
// 135-byte record's 32767 is `limite` (0: the record's own).
struct Dibujo {
    int ancho = 400;
    int alto = 400;
    int muestras = 1;
    std::optional<Region> region;
    int16_t paso = 0;
    long double xSupIzq = 0;
    long double ySupIzq = 0;
    long double lado = 0;
    int precision = PRECISION_80;
    std::string xExacto{};
    std::string yExacto{};
    std::string ladoExacto{};
    int32_t limite = 0;
};

// Reads a record into `dibujo`. Every key of the record must be there, once,
// with a value that can be a picture's (a size of 1..65535 per side, 1..16
// samples, a region inside the picture, a step of 16 bits, a finite corner
// and a positive finite side; a precision that is a multiple of 32 from 64
// to PRECISION_MAXIMA, with the corner and side then written as C
// hexadecimal numbers; a limit from 32768 to 2^31 - 1); keys it does not know are passed over, for
// records of later versions; a line may end in CR LF. Returns an empty text,
// or what is wrong, naming the key.
std::string leerDibujo(std::string_view texto, Dibujo& dibujo);

// The record's text: one line per key, the region only for a tile, the
// corner and side as C hexadecimal numbers ("-0xbe8p-12"), the precision and
// the exact texts only for a view deeper than 80 bits, the limit only above
// 32767: a record of an 80-bit view is the same text it always was.
std::string escribirDibujo(const Dibujo& dibujo);

// The value exactly, as a C hexadecimal number: the 64-bit significand
// without its trailing zero digits, and the power of 2 ("-0xbe8p-12"); "inf",
// "-inf", "nan". The same text in every build, whatever its printf makes of %La.
std::string textoExacto(long double valor);

}  // namespace brenquil
