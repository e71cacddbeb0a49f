// Number texts: the 40-character text of an extended-precision number (the
// worked examples, the fixed/exponent boundaries, rounding at 19 digits, the
// 41-character negative case, values that are not finite, the locale), the
// integer field texts, and text to number over exactly the bytes given.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "redondeo_decimal.h"
#include "texto_numero.h"

using namespace brenquil;

namespace {

constexpr long double kInf = std::numeric_limits<long double>::infinity();
constexpr long double kNaN = std::numeric_limits<long double>::quiet_NaN();

// The text without its padding; fails unless the field is exactly 40
// characters of text followed only by spaces.
std::string sinRelleno(const std::string& campo) {
    EXPECT_EQ(campo.size(), ANCHO_REAL);
    const std::size_t fin = campo.find(' ');
    const std::string texto = campo.substr(0, fin);
    if (fin != std::string::npos) {
        EXPECT_EQ(campo.find_first_not_of(' ', fin), std::string::npos) << "[" << campo << "]";
    }
    return texto;
}

std::string texto(long double v) { return sinRelleno(formatearReal(v)); }

// A head followed by n zeros (the integer positions past the 19th digit).
std::string conCeros(const std::string& cabeza, std::size_t n) { return std::string(cabeza).append(n, '0'); }

// The C library's own reading of a terminated text, in the C locale: the
// reference that textoAReal must match.
long double strtoldC(const std::string& s) { return std::strtold(s.c_str(), nullptr); }

bool mismosBits(long double a, long double b) { return std::memcmp(&a, &b, 10) == 0; }

// The values the sweeps below visit: powers of 2 and of 10 over the whole
// exponent range, their neighbours, and both signs.
std::vector<long double> barrido() {
    std::vector<long double> v;
    for (int e = -16445; e <= 16383; e += 7) v.push_back(std::ldexp(1.0L, e));
    for (int e = -4950; e <= 4932; e += 3) v.push_back(strtoldC("1e" + std::to_string(e)));
    for (int e = -60; e <= 60; ++e) {
        const long double p = strtoldC("1e" + std::to_string(e));
        v.push_back(std::nextafter(p, kInf));
        v.push_back(std::nextafter(p, 0.0L));
        v.push_back(p * 9.99999999999999999999L);
    }
    v.push_back(std::numeric_limits<long double>::max());
    v.push_back(std::numeric_limits<long double>::denorm_min());
    v.push_back(std::numeric_limits<long double>::min());
    const std::size_t n = v.size();
    for (std::size_t i = 0; i < n; ++i) v.push_back(-v[i]);
    return v;
}

// Sets a locale whose decimal point is not "." for the life of the object,
// and puts the C locale back.
class LocaleConComa {
public:
    LocaleConComa() {
        for (const char* nombre : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "German_Germany.1252",
                                   "German"}) {
            if (std::setlocale(LC_ALL, nombre) != nullptr && std::strcmp(std::localeconv()->decimal_point, ".") != 0) {
                activa_ = true;
                return;
            }
        }
        std::setlocale(LC_ALL, "C");
    }
    ~LocaleConComa() { std::setlocale(LC_ALL, "C"); }
    bool activa() const { return activa_; }

private:
    bool activa_ = false;
};

}  // namespace

TEST(FormatearReal, EjemplosTrabajados) {
    EXPECT_EQ(texto(-4.0L), "-4");
    EXPECT_EQ(texto(0.125L), "0.125");
    EXPECT_EQ(texto(std::ldexp(1.0L, -14)), "6.103515625e-05");
    EXPECT_EQ(texto(0.1L), "0.1");
    EXPECT_EQ(texto(1.0L / 3.0L), "0.3333333333333333333");
    EXPECT_EQ(texto(8.0L), "8");
    EXPECT_EQ(texto(16.0L), "16");
    EXPECT_EQ(texto(-0.75L), "-0.75");
    EXPECT_EQ(texto(0.0L), "0");
    EXPECT_EQ(texto(-2.0L / 3.0L), "-0.6666666666666666667");
    EXPECT_EQ(texto(1234.5L), "1234.5");
}

TEST(FormatearReal, LimitesEntreFormaFijaYExponente) {
    EXPECT_EQ(texto(1e-4L), "0.0001");
    EXPECT_EQ(texto(-1e-4L), "-0.0001");
    EXPECT_EQ(texto(1.5e-4L), "0.00015");
    EXPECT_EQ(texto(1e-5L), "1e-05");
    EXPECT_EQ(texto(-9.5e-5L), "-9.5e-05");
    EXPECT_EQ(texto(1e39L), conCeros("1", 39));
    EXPECT_EQ(texto(1e40L), "1e+40");
    EXPECT_EQ(texto(2.5e100L), "2.5e+100");
    EXPECT_EQ(texto(1e-123L), "1e-123");
    EXPECT_EQ(texto(std::numeric_limits<long double>::denorm_min()), "3.645199531882474603e-4951");
    // The exponent that decides is the one after rounding: 0.0000999... with
    // more than 19 nines rounds to 0.0001, which is fixed form.
    EXPECT_EQ(texto(strtoldC("9.99999999999999999999e-5")), "0.0001");
    EXPECT_EQ(texto(strtoldC("9.99999999999999999999e39")), "1e+40");
}

TEST(FormatearReal, DiecinueveCifrasRedondeadasYCerosDespues) {
    // 2^64 = 18446744073709551616: 19 digits rounded up, the 20th position a zero.
    EXPECT_EQ(texto(std::ldexp(1.0L, 64)), "18446744073709551620");
    // 2^100 = 1267650600228229401496703205376: 19 digits, then 12 zeros.
    EXPECT_EQ(texto(std::ldexp(1.0L, 100)), "1267650600228229401000000000000");
    // 2^-30 = 9.31322574615478515625e-10 has 21 digits; the last two go.
    EXPECT_EQ(texto(std::ldexp(1.0L, -30)), "9.313225746154785156e-10");
    // 2^-20 = 0.00000095367431640625 is below 10^-4: exponent form, exact.
    EXPECT_EQ(texto(std::ldexp(1.0L, -20)), "9.5367431640625e-07");
    // 2^-10 = 0.0009765625 in fixed form, exact.
    EXPECT_EQ(texto(std::ldexp(1.0L, -10)), "0.0009765625");
    // 2^63 - 1 = 9223372036854775807 has exactly 19 digits and is kept whole.
    EXPECT_EQ(texto(9223372036854775807.0L), "9223372036854775807");
    EXPECT_EQ(texto(-9223372036854775807.0L), "-9223372036854775807");
    // 2^63 + 2 = 9223372036854775810 (20 digits) ends in a zero: exact.
    EXPECT_EQ(texto(9223372036854775810.0L), "9223372036854775810");
    // 12345678901234567891 rounds to 1234567890123456789 and a zero.
    EXPECT_EQ(texto(12345678901234567891.0L), "12345678901234567890");
    EXPECT_EQ(texto(12345678901234567896.0L), "12345678901234567900");
    // 19 integer positions and a fraction: the fraction is beyond the 19th digit.
    EXPECT_EQ(texto(1234567890123456789.25L), "1234567890123456789");
    EXPECT_EQ(texto(123456789012345678.375L), "123456789012345678.4");
}

TEST(FormatearReal, NegativoDeCuarentaCifrasEnteras) {
    // Positive values up to 10^40 fill the field in fixed form; a negative one
    // would need 41 characters, so it is written in exponent form.
    const long double casi = strtoldC("9.999999999999999999e39");
    EXPECT_EQ(texto(casi), conCeros(std::string(19, '9'), 21));
    EXPECT_EQ(texto(-casi), "-9.999999999999999999e+39");
    EXPECT_EQ(texto(-1e39L), "-1e+39");
    EXPECT_EQ(texto(-1.5e39L), "-1.5e+39");
    // One decade down the negative fixed form takes exactly 40 characters.
    EXPECT_EQ(texto(-1e38L), conCeros("-1", 38));
    EXPECT_EQ(texto(-9.5e38L), conCeros("-95", 37));
}

TEST(FormatearReal, NoFinitosConSigno) {
    EXPECT_EQ(formatearReal(kInf), "+INF" + std::string(36, ' '));
    EXPECT_EQ(formatearReal(-kInf), "-INF" + std::string(36, ' '));
    EXPECT_EQ(formatearReal(kNaN), "+NAN" + std::string(36, ' '));
    EXPECT_EQ(formatearReal(-kNaN), "-NAN" + std::string(36, ' '));
    EXPECT_EQ(texto(std::numeric_limits<long double>::signaling_NaN()), "+NAN");
}

TEST(FormatearReal, NuncaMasDeCuarentaYSiempreRelleno) {
    for (long double v : barrido()) {
        const std::string campo = formatearReal(v);
        ASSERT_EQ(campo.size(), ANCHO_REAL) << campo;
        const std::string t = sinRelleno(campo);
        ASSERT_FALSE(t.empty());
        // The text is one number, and at most 19 of its digits are significant.
        std::size_t cifras = 0, primera = std::string::npos, ultima = 0;
        const std::size_t finMantisa = t.find('e');
        for (std::size_t i = 0; i < t.size() && i < finMantisa; ++i) {
            if (t[i] >= '1' && t[i] <= '9') {
                if (primera == std::string::npos) primera = i;
                ultima = i;
            }
        }
        for (std::size_t i = primera; i <= ultima && primera != std::string::npos; ++i) {
            if (t[i] >= '0' && t[i] <= '9') ++cifras;
        }
        EXPECT_LE(cifras, 19u) << t;
        EXPECT_LE(t.size(), std::fabs(v) < 1e19L ? 27u : 40u) << t;
    }
}

TEST(FormatearReal, VueltaAlValorMasCercanoDeSuTexto) {
    // Values with at most 19 significant digits come back exactly.
    for (long double v : {-4.0L, 8.0L, 16.0L, -0.75L, 0.125L, std::ldexp(1.0L, -14), 1e-300L, -2.5e300L,
                          9223372036854775807.0L, std::ldexp(1.0L, -10)}) {
        EXPECT_TRUE(mismosBits(textoAReal(formatearReal(v)), v)) << texto(v);
    }
    // More digits: the value read back is the long double nearest to the
    // 19-digit text, which is not the value saved.
    const long double tercio = 1.0L / 3.0L;
    const long double leido = textoAReal(formatearReal(tercio));
    EXPECT_TRUE(mismosBits(leido, strtoldC("0.3333333333333333333")));
    EXPECT_NE(leido, tercio);
    // Saving what was loaded gives the same text again, except where the
    // long double nearest to a 19-digit text lies more than half a unit of the
    // 19th digit away from it. Half an ulp is up to 2^-64 of the value, more
    // than half a unit for leading digits from 9.22 up, so it happens next to
    // a power of two whose text starts with 9 (as "1e-37" reads back just below
    // 1e-37, where the text is "9.999999999999999999e-38"). There the next
    // text moves by one unit and then stays.
    const auto primeraCifra = [](const std::string& t) { return t[t.find_first_not_of("-0.")]; };
    for (long double v : barrido()) {
        const std::string campo = formatearReal(v);
        const std::string otra = formatearReal(textoAReal(campo));
        EXPECT_EQ(formatearReal(textoAReal(otra)), otra) << campo;
        if (otra != campo) {
            EXPECT_TRUE(primeraCifra(campo) == '9' || primeraCifra(otra) == '9') << campo << otra;
            const long double a = textoAReal(campo), b = textoAReal(otra);
            EXPECT_LE(std::fabs(a - b), 1.01e-18L * std::fmax(std::fabs(a), std::fabs(b)) / 9) << campo << otra;
        }
        const long double r = textoAReal(campo);
        // 19 digits are within 5e-19 of the value, and reading rounds once more.
        if (std::isfinite(v) && std::isfinite(r) && std::fabs(v) >= std::numeric_limits<long double>::min()) {
            EXPECT_LE(std::fabs(r - v) / std::fabs(v), 5.6e-19L) << campo;
        }
    }
}

TEST(FormatearReal, PuntoDecimalConCualquierLocale) {
    LocaleConComa locale;
    if (!locale.activa()) {
#ifdef _WIN32
        FAIL() << "no locale with a decimal comma could be set";
#else
        // ctest builds the locale into the build tree and points LOCPATH at it;
        // only a run by hand outside ctest may lack it.
        if (std::getenv("LOCPATH") != nullptr) FAIL() << "the decimal-comma locale was not built";
        GTEST_SKIP() << "no locale with a decimal comma is installed";
#endif
    }
    EXPECT_EQ(texto(0.125L), "0.125");
    EXPECT_EQ(texto(-1234.5L), "-1234.5");
    EXPECT_EQ(texto(std::ldexp(1.0L, -14)), "6.103515625e-05");
    EXPECT_EQ(formatearEntero(-32768, 6), "-32768");
    // The reading keeps the C locale's grammar: "," ends a number.
    EXPECT_EQ(textoAReal("0.5"), 0.5L);
    EXPECT_EQ(textoAReal("2,5"), 2.0L);
    EXPECT_EQ(textoAReal("0x1.8p1"), 3.0L);
    EXPECT_EQ(textoAReal(formatearReal(1.0L / 3.0L)), textoAReal("0.3333333333333333333"));
}

TEST(FormatearEntero, PrecisionCeroYAnchoFijo) {
    EXPECT_EQ(formatearEntero(0, 6), "      ");
    EXPECT_EQ(formatearEntero(0, 3), "   ");
    EXPECT_EQ(formatearEntero(30, 6), "30    ");
    EXPECT_EQ(formatearEntero(-32768, 6), "-32768");
    EXPECT_EQ(formatearEntero(32767, 6), "32767 ");
    EXPECT_EQ(formatearEntero(300, 3), "300");
    EXPECT_EQ(formatearEntero(-5, 3), "-5 ");
    EXPECT_EQ(formatearEntero(7, 3), "7  ");
    // Wider than the field: its first characters, never more.
    EXPECT_EQ(formatearEntero(1000, 3), "100");
    EXPECT_EQ(formatearEntero(-2147483647 - 1, 3), "-21");
}

TEST(TextoAReal, IgualQueStrtoldEnLocaleC) {
    const char* textos[] = {
        "40    ", "   2.9xyz", "-2.9", "\t\n\v\f\r 7", "+.5", "5.", ".", "-", "+", "", "abc", "1e", "1e+",
        "1e-2x", "1E3", "-0", "0x1p-3", "0X1.8P1", "0x", "0xg", "0x.p1", "0x1p", "1e5000", "-1e5000",
        "1e-4950", "1e-5000", "00012", "  -  1", "1.5.5", "6.103515625e-05", "0.3333333333333333333",
        "18446744073709551620", "1.2345678901234567890123456789", "+INF", "-INF", "inf", "InFiNiTy", "-infinit",
        "3 4", "1,5",
    };
    for (const char* t : textos) {
        const long double esperado = strtoldC(t);
        const long double obtenido = textoAReal(t);
        // mingw's strtold gives -0 for "  -  1", where no conversion is made;
        // zeros are compared by value here and their signs checked below.
        EXPECT_TRUE(mismosBits(obtenido, esperado) || (esperado == 0 && obtenido == 0)) << "[" << t << "]";
    }
    EXPECT_TRUE(std::signbit(textoAReal("-0")));
    EXPECT_TRUE(std::signbit(textoAReal(" -0.0e5")));
    EXPECT_FALSE(std::signbit(textoAReal("  -  1")));
    EXPECT_FALSE(std::signbit(textoAReal("-x")));
}

TEST(TextoAReal, NoFinitosComoLosNombra) {
    EXPECT_EQ(textoAReal("+INF                                    "), kInf);
    EXPECT_EQ(textoAReal("-INF"), -kInf);
    const long double mas = textoAReal("+NAN"), menos = textoAReal("-NAN");
    EXPECT_TRUE(std::isnan(mas));
    EXPECT_FALSE(std::signbit(mas));
    EXPECT_TRUE(std::isnan(menos));
    EXPECT_TRUE(std::signbit(menos));
    // A payload does not change the value: every NaN is the default quiet one.
    EXPECT_TRUE(mismosBits(textoAReal("nan(123)"), textoAReal("NAN")));
    EXPECT_TRUE(mismosBits(textoAReal("NAN"), kNaN));
}

TEST(TextoAReal, SoloLosBytesDados) {
    // The view ends inside a longer buffer: the digits after it are not read.
    const char buffer[] = "123456789";
    EXPECT_EQ(textoAReal(std::string_view(buffer, 3)), 123.0L);
    EXPECT_EQ(textoAReal(std::string_view(buffer, 0)), 0.0L);
    EXPECT_EQ(textoAReal(std::string_view("1.5e3", 4)), 1.5L);  // "1.5e" without its digit
    EXPECT_EQ(textoAReal(std::string_view("0x1p4", 4)), 1.0L);
    EXPECT_EQ(textoAReal(std::string_view("-INF", 3)), 0.0L);   // "-IN" is no number
    // A NUL inside the bytes ends the number like any other character.
    EXPECT_EQ(textoAReal(std::string_view("12\0" "34", 5)), 12.0L);
    EXPECT_EQ(textoAReal(std::string_view("\0" "34", 3)), 0.0L);
}

TEST(TextoAReal, RedondeoCorrectoJuntoAPotenciasDeDos) {
    // Nearest values worked out in exact rational arithmetic. The first two
    // are the largest significand below 2^-7006 and 2^485 (mingw's strtold
    // gives the power of two).
    EXPECT_TRUE(mismosBits(textoAReal("9.634970252881651214e-2110"), std::nextafter(std::ldexp(1.0L, -7006), 0.0L)));
    EXPECT_TRUE(mismosBits(textoAReal("9.98959536101117514e+145"), std::nextafter(std::ldexp(1.0L, 485), 0.0L)));
    // Exact ties go to the even significand; a digit more decides.
    const long double uno = 1.0L, unUlp = std::ldexp(1.0L, -63);
    EXPECT_TRUE(mismosBits(textoAReal("1.0000000000000000000542101086242752217003726400434970855712890625"), uno));
    EXPECT_TRUE(mismosBits(textoAReal("1.00000000000000000005421010862427522170037264004349708557128906251"),
                           uno + unUlp));
    EXPECT_TRUE(mismosBits(textoAReal("1.0000000000000000001626303258728256651011179201304912567138671875"),
                           uno + 2 * unUlp));
    EXPECT_TRUE(mismosBits(textoAReal("-1.0000000000000000001626303258728256651011179201304912567138671874"),
                           -(uno + unUlp)));
    // Around the largest finite value: half an ulp above it is 1.18973149535723176505351...e4932.
    const long double maximo = std::numeric_limits<long double>::max();
    EXPECT_TRUE(mismosBits(textoAReal("1.18973149535723176502e+4932"), maximo));
    EXPECT_TRUE(mismosBits(textoAReal("1.18973149535723176505e+4932"), maximo));
    EXPECT_EQ(textoAReal("1.18973149535723176509e+4932"), kInf);
}

TEST(RedondearDecimal, CorrigeUnaLecturaCercana) {
    const long double uno = 1.0L;
    for (long double cerca : {uno, std::nextafter(uno, 2.0L), std::nextafter(std::nextafter(uno, 2.0L), 2.0L),
                              std::nextafter(uno, 0.0L), std::nextafter(std::nextafter(uno, 0.0L), 0.0L)}) {
        EXPECT_TRUE(mismosBits(redondearDecimal("1", 0, cerca), uno));
        EXPECT_TRUE(mismosBits(redondearDecimal("00100", -2, cerca), uno));
    }
    // 0.1 from either side, and a subnormal from 0.
    EXPECT_TRUE(mismosBits(redondearDecimal("1", -1, std::nextafter(0.1L, 1.0L)), 0.1L));
    EXPECT_TRUE(mismosBits(redondearDecimal("1", -1, std::nextafter(0.1L, 0.0L)), 0.1L));
    const long double minimo = std::numeric_limits<long double>::denorm_min();
    EXPECT_TRUE(mismosBits(redondearDecimal("3645199531882474603", -4969, 0.0L), minimo));
    EXPECT_TRUE(mismosBits(redondearDecimal("1", -4951, minimo), 0.0L));
    // Out of its range it trusts the reading it was given.
    EXPECT_EQ(redondearDecimal("1", -6000, minimo), minimo);
    EXPECT_EQ(redondearDecimal(std::string(401, '1'), 0, 2.0L), 2.0L);
    EXPECT_EQ(redondearDecimal("0", 0, 0.0L), 0.0L);
}

// A whole text as a number, as an option or a "Brenquil render" line holds one,
// read as the program reads the same text anywhere (strtold in the C locale).
TEST(TextoANumero, UnNumeroEsTodoElTexto) {
    EXPECT_EQ(leerRealEstricto("-1e-30"), -1e-30L);
    EXPECT_EQ(leerRealEstricto("0x1p-3"), 0.125L);
    EXPECT_EQ(leerRealEstricto("0.1"), 0.1L);
    for (const char* malo : {"", " 1", "1 ", "1,5", "1e", "--", "0x", "1e5x"}) EXPECT_FALSE(leerRealEstricto(malo)) << malo;
    EXPECT_EQ(leerEnteroEstricto("-32768"), -32768);
    EXPECT_EQ(leerEnteroEstricto("+7"), 7);
    for (const char* malo : {"", "-", "1.0", "0x10", "7 "}) EXPECT_FALSE(leerEnteroEstricto(malo)) << malo;
    // Far too big for any field, without overflowing.
    EXPECT_GT(leerEnteroEstricto("99999999999999999999999999"), int64_t{1} << 40);
}
