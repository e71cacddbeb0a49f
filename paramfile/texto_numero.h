// Number texts of the parameter file and the parameters dialog: the
// 40-character text of an extended-precision number, the fixed-width integer
// fields, and text to number as the C library's strtold reads it in the C locale.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brenquil {

// Whether `c` is a decimal digit, in any locale.
inline bool esDigito(char c) { return c >= '0' && c <= '9'; }

// Width of the text of an extended-precision number.
inline constexpr std::size_t ANCHO_REAL = 40;

// The value rounded to nearest at 19 significant digits, as %g with precision
// 40 would lay it out: fixed form for decimal exponents -4 to 39, exponent
// form (e-05, e+40) otherwise, trailing zeros and a bare point removed, "." as
// the point whatever the locale; "+INF", "-INF", "+NAN", "-NAN" for values that
// are not finite; negative zero is "-0". Padded with spaces to exactly 40
// characters. A negative value from 10^39 up to 10^40, whose fixed form would
// take 41 characters, is written in exponent form instead, so the text always fits.
std::string formatearReal(long double valor);

// The text of an integer field: the signed decimal of "%-W.d" (precision 0, so
// 0 prints no digit), left-justified and padded with spaces to the width; a
// text longer than the width keeps its first `ancho` characters, as a
// fixed-width field can hold no more.
std::string formatearEntero(int32_t valor, std::size_t ancho);

// strtold in the C locale over exactly the characters of `texto` (which need
// not be NUL-terminated and may hold NULs): leading white space skipped, the
// longest prefix that forms a number taken (decimal or hexadecimal, "inf",
// "infinity", "nan", "nan(...)", any case, optional sign), 0 when there is
// none. Every not-a-number comes back as the default quiet NaN with the sign
// of its text (the payload of "nan(...)" is dropped, so both C libraries agree).
long double textoAReal(std::string_view texto);

// How many characters of `texto` form the number that textoAReal reads, in the
// C grammar that strtold follows in the C locale: leading white space, sign,
// digits, point, exponent, "0x" with hexadecimal digits and a "p" exponent,
// "inf" or "infinity", "nan" or "nan(" letters, digits and '_' ")". 0 when
// no number starts the text. A text is wholly a number when this equals its size.
std::size_t finDeReal(std::string_view texto);

// Whether `texto` is wholly a decimal integer (with an optional sign), and
// which; a value past 2^40 in size stops growing there, out of every range
// and without overflowing.
std::optional<int64_t> leerEnteroEstricto(std::string_view texto);
// Whether `texto` is wholly a real number of the C grammar (no leading white
// space), and which: the value the program reads from the same text anywhere.
std::optional<long double> leerRealEstricto(std::string_view texto);
// Reads `texto` as leerRealEstricto does into `valor`, which must be finite
// (and positive, when `positivo`). Returns an empty text, or why not, with
// `valor` untouched: "not a number", "not finite" (inf, nan), "too large: it
// overflows to infinity", "too small: it underflows to 0" (digits that are
// not all 0 read as 0; a value that stays above 0, if with fewer bits, is
// taken), "not positive".
std::string leerRealFinito(std::string_view texto, bool positivo, long double& valor);

}  // namespace brenquil
