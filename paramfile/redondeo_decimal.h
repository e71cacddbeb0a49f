// Correct rounding of a decimal text to the 80-bit extended format.
//
// mingw-w64's strtold is off by one ulp for some texts whose nearest value is
// the largest significand below a power of two (it returns the power of two),
// so a file saved on Windows could load a different view there than on Linux.
// This check brings a C library's near result to the correctly rounded one.
#pragma once

#include <string_view>

namespace brenquil {

// `cifras` are decimal digits (no sign, no point) and the text's value is
// cifras x 10^exponente10; `aproximado` is a non-negative reading of it within
// an ulp or two. Returns the long double nearest to the exact value (ties to
// even significand; infinity when it reaches half an ulp above the largest
// finite value). Texts too long or too far out of range for an exact check
// (more than 400 digits, or more than 5000 decimal orders from 1) come back as
// `aproximado`, which for them is 0, infinity, or decided by many digits.
long double redondearDecimal(std::string_view cifras, int exponente10, long double aproximado);

}  // namespace brenquil
