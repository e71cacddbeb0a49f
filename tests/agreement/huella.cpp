// Prints a canonical text dump of what the portable core computes: number
// texts, text readings, palette colours and iteration results, in 80 bits
// and in 160 (MPFR's, cross-built for Windows, against Debian's). The Linux build
// and the Windows build run under Wine must print the same bytes; any
// difference between the two C libraries or code generators shows as a line.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "codigos.h"
#include "iteracion.h"
#include "iteracion_p.h"
#include "opciones_color.h"
#include "texto_numero.h"

using namespace brenquil;

namespace {

// splitmix64: a fixed sequence, the same on every platform.
class Generador {
public:
    explicit Generador(uint64_t semilla) : estado_(semilla) {}
    uint64_t siguiente() {
        uint64_t z = (estado_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    uint32_t menor(uint32_t n) { return static_cast<uint32_t>(siguiente() % n); }

private:
    uint64_t estado_;
};

// The ten bytes of an 80-bit value, most significant first.
std::string bytes(long double v) {
    unsigned char b[sizeof(long double)] = {};
    std::memcpy(b, &v, sizeof v);
    char t[24];
    for (int i = 0; i < 10; ++i) std::snprintf(t + 2 * i, 3, "%02x", b[9 - i]);
    return t;
}

// A long double from its sign, 15-bit exponent field and 64-bit significand.
long double desdeBits(bool negativo, uint16_t exponente, uint64_t significando) {
    unsigned char b[sizeof(long double)] = {};
    std::memcpy(b, &significando, 8);
    const uint16_t alto = static_cast<uint16_t>((negativo ? 0x8000 : 0) | (exponente & 0x7FFF));
    std::memcpy(b + 8, &alto, 2);
    long double v;
    std::memcpy(&v, b, sizeof v);
    return v;
}

void linea(const std::string& s) {
    std::fputs(s.c_str(), stdout);
    std::fputc('\n', stdout);
}

// Values for the number texts: every power of two and of ten, their
// neighbours, rounding ties at the 19th digit, the limits of the format,
// and random bit patterns (normal and subnormal).
std::vector<long double> valoresParaTexto() {
    std::vector<long double> v;
    for (int e = -16445; e <= 16383; ++e) v.push_back(std::ldexp(1.0L, e));
    long double p = 1.0L;
    for (int e = 0; e <= 4932; ++e, p *= 10.0L) v.push_back(p);
    p = 1.0L;
    for (int e = 0; e <= 4950; ++e, p /= 10.0L) v.push_back(p);
    for (int e = -60; e <= 60; ++e) {
        const long double d = textoAReal("1e" + std::to_string(e));
        v.push_back(d);
        v.push_back(std::nextafter(d, 0.0L));
        v.push_back(std::nextafter(d, std::numeric_limits<long double>::infinity()));
        v.push_back(d * 9.9999999999999999995L);
    }
    // Exact ties between two 19-digit texts (integers of 20 digits ending in 5).
    for (uint64_t k = 0; k < 200; ++k) v.push_back(static_cast<long double>(10000000000000000005ull + 10 * k));
    for (long double x : {0.0L, 1.0L / 3.0L, 2.0L / 3.0L, 0.1L, 0.125L, -4.0L, 8.0L, 16.0L, -0.75L, 1e-4L, 1e-5L,
                          1e39L, 1e40L, 9.999999999999999999e39L, std::numeric_limits<long double>::max(),
                          std::numeric_limits<long double>::min(), std::numeric_limits<long double>::denorm_min(),
                          std::numeric_limits<long double>::infinity(), std::numeric_limits<long double>::quiet_NaN()}) {
        v.push_back(x);
    }
    Generador g(20261208);
    for (int i = 0; i < 30000; ++i) {
        const uint64_t s = g.siguiente() | 0x8000000000000000ull;
        v.push_back(desdeBits(g.menor(2), static_cast<uint16_t>(1 + g.menor(0x7FFE)), s));
    }
    for (int i = 0; i < 3000; ++i) {
        // Binary exponents -20 to 139 (about 10^-6 to 10^42): the fixed/exponent
        // boundaries and the integers beyond 19 digits.
        const int e = static_cast<int>(g.menor(160)) - 20;
        const uint64_t s = g.siguiente() | 0x8000000000000000ull;
        v.push_back(desdeBits(g.menor(2), static_cast<uint16_t>(16383 + e), s));
    }
    for (int i = 0; i < 1000; ++i) v.push_back(desdeBits(g.menor(2), 0, g.siguiente() >> (1 + g.menor(63))));
    const std::size_t n = v.size();
    for (std::size_t i = 0; i < n; i += 3) v.push_back(-v[i]);
    return v;
}

// Texts for the reading: what the writer produces, random decimal and
// hexadecimal texts, and texts with every kind of prefix.
std::vector<std::string> textosParaLeer() {
    std::vector<std::string> t = {
        "",       " ",        "40    ",  "   2.9xyz", "-2.9",   "+.5",    "5.",       ".",       "-",        "+",
        "abc",    "1e",       "1e+",     "1e-2x",     "1E3",    "-0",     "0x1p-3",   "0X1.8P1", "0x",       "0xg",
        "0x.p1",  "0x1p",     "1e5000",  "-1e5000",   "1e-4950", "1e-5000", "00012",  "  -  1",  "1.5.5",    "+INF",
        "-INF",   "+NAN",     "-NAN",    "inf",       "InFiNiTy", "nan(123)", "3 4",    "1,5",     "\r\n\t\v\f 7",
        "9.999999999999999999e-38", "1e-37", "0.3333333333333333333", "18446744073709551615.5",
        "1.00000000000000000005", "1.000000000000000000050000000000000000001",
        "3.64519953188247460252840593361941982e-4951", "1.18973149535723176502e+4932",
        "1.18973149535723176509e+4932", "0x1.fffffffffffffffep16383", "0x1.ffffffffffffffff8p16383",
    };
    Generador g(4951);
    for (int i = 0; i < 5000; ++i) {
        std::string s;
        if (g.menor(4) == 0) s += g.menor(2) ? "-" : "+";
        const int cifras = 1 + static_cast<int>(g.menor(40));
        const int punto = static_cast<int>(g.menor(static_cast<uint32_t>(cifras + 1)));
        for (int k = 0; k < cifras; ++k) {
            if (k == punto) s += '.';
            s += static_cast<char>('0' + g.menor(10));
        }
        if (g.menor(2)) {
            s += 'e';
            s += std::to_string(static_cast<int>(g.menor(9900)) - 4950);
        }
        t.push_back(s);
    }
    for (int i = 0; i < 1000; ++i) {
        char s[64];
        std::snprintf(s, sizeof s, "0x%llx.%llxp%d", static_cast<unsigned long long>(g.siguiente() >> g.menor(64)),
                      static_cast<unsigned long long>(g.siguiente()), static_cast<int>(g.menor(33000)) - 16500);
        t.push_back(s);
    }
    for (long double v : valoresParaTexto()) {
        if (t.size() > 60000) break;
        t.push_back(formatearReal(v));
    }
    return t;
}

void volcarTextos() {
    linea("# formatearReal: bytes of the value, then the 40-character text");
    for (long double v : valoresParaTexto()) linea(bytes(v) + " [" + formatearReal(v) + "]");
}

void volcarLecturas() {
    linea("# textoAReal: the text, then the bytes of the value read");
    for (const std::string& t : textosParaLeer()) {
        std::string visible;
        for (char c : t) {
            if (c >= ' ' && c <= '~') {
                visible += c;
            } else {
                char e[8];
                std::snprintf(e, sizeof e, "\\x%02x", static_cast<unsigned char>(c));
                visible += e;
            }
        }
        linea("[" + visible + "] " + bytes(textoAReal(t)));
    }
}

void volcarPaleta() {
    linea("# palette: n, mode 350, mode 355, mode 365 upper half-plane, mode 365 lower half-plane");
    OpcionesColor iteracion, paridad, descomposicion;
    paridad.modoColor = COLOR_BLANCO_NEGRO;
    descomposicion.modoColor = COLOR_DESC_BINARIA;
    char t[80];
    for (int32_t n = -1; n <= 32766; ++n) {
        std::snprintf(t, sizeof t, "%d %06x %06x %06x %06x", static_cast<int>(n),
                      static_cast<unsigned>(iteracion.colorIteracion(n)),
                      static_cast<unsigned>(paridad.colorIteracion(n)),
                      static_cast<unsigned>(descomposicion.colorDescomposicion(n, -3.0L, 0.25L)),
                      static_cast<unsigned>(descomposicion.colorDescomposicion(n, 3.0L, -0.25L)));
        linea(t);
    }
}

struct CasoIteracion {
    long double x, y, lado;
    int16_t limite;
};
const CasoIteracion CASOS_ITERACION[] = {
        {-4.0L, 8.0L, 16.0L, 62},
        {-2.0L, 2.0L, 4.0L, 500},
        {-0.75L, 0.125L, std::ldexp(1.0L, -14), 2000},
        // A deep view where only the extended format resolves neighbouring pixels.
        {-0.7436438870371587L, 0.1318259042053119L, 3e-17L, 3000},
        {0.25L, 0.0L, 1e-6L, 32766},
        {-1.0e3L, 1.0e3L, 2.0e3L, 100},
};

void volcarIteraciones() {
    linea("# iterarPixel: plane, view, limit, pixel, count, zx bytes, zy bytes");
    const auto& casos = CASOS_ITERACION;
    char t[160];
    for (int16_t plano : {PLANO_CARDIOIDE, PLANO_CARDIOIDE_INV, PLANO_PARABOLA}) {
        for (std::size_t c = 0; c < sizeof casos / sizeof casos[0]; ++c) {
            for (int16_t py = -1; py <= 400; py += 19) {
                for (int16_t px = -1; px <= 400; px += 23) {
                    const CasoIteracion& k = casos[c];
                    const ResultadoIteracion r =
                        iterarPixel(Vista{k.limite, plano, COLOR_ITERACION, DWELL_SI, k.x, k.y, k.lado}, px, py);
                    std::snprintf(t, sizeof t, "%d %zu %d (%d,%d) %d %s %s", plano, c, casos[c].limite, px, py,
                                  r.cuenta, bytes(r.zx).c_str(), bytes(r.zy).c_str());
                    linea(t);
                }
            }
        }
    }
}

void volcarIteracionesP() {
    constexpr mpfr_prec_t BITS = 160;
    linea("# iterarPuntoP, 160 bits: plane, view, limit, pixel, count, half-plane, zx, zy");
    const Lienzo lienzo;
    NumeroP px(BITS), py(BITS), g(BITS), h(BITS), zx(BITS), zy(BITS);
    char t[400];
    for (int16_t plano : {PLANO_CARDIOIDE, PLANO_CARDIOIDE_INV, PLANO_PARABOLA}) {
        for (std::size_t c = 0; c < std::size(CASOS_ITERACION); ++c) {
            const CasoIteracion& k = CASOS_ITERACION[c];
            const NumeroP x(BITS, k.x), y(BITS, k.y), lado(BITS, k.lado);
            for (int fila = -1; fila <= 400; fila += 59) {
                posicionMuestraP(py, fila, 0, lienzo);
                imaginarioDePixelP(h, py, y, lado);
                for (int columna = -1; columna <= 400; columna += 67) {
                    posicionMuestraP(px, columna, 0, lienzo);
                    realDePixelP(g, px, x, lado);
                    const ResultadoIteracionP r = iterarPuntoP(plano, g, h, k.limite, BITS, zx, zy);
                    // MPFR's own printf: the exact value in hexadecimal on both systems.
                    mpfr_snprintf(t, sizeof t, "%d %zu %d (%d,%d) %lld %d %Ra %Ra", plano, c, k.limite, columna, fila,
                                  static_cast<long long>(r.cuenta), static_cast<int>(r.semiplano),
                                  static_cast<mpfr_srcptr>(zx), static_cast<mpfr_srcptr>(zy));
                    linea(t);
                }
            }
        }
    }
}

}  // namespace

int main() {
#ifdef _WIN32
    // Line ends must be "\n" on both systems.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    volcarTextos();
    volcarLecturas();
    volcarPaleta();
    volcarIteraciones();
    volcarIteracionesP();
    linea("# end");
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}
