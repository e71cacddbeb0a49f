#include "fotogramas.h"

#include <cmath>

#include "precision_x87.h"

namespace brenquil {
namespace {

// A number held as the sum of two, the second below the first's last bit:
// about 128 bits, for the logarithms whose sum and products must not lose
// what one long double would.
struct Par {
    long double alto;
    long double bajo;
};

// a + b exactly (Knuth's two-sum).
Par sumaExacta(long double a, long double b) {
    const long double s = a + b;
    const long double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

// a * b exactly (Dekker's product, each factor split into two halves of 32
// bits by Veltkamp's constant 2^32 + 1).
Par productoExacto(long double a, long double b) {
    const auto partir = [](long double v) {
        const long double c = 4294967297.0L * v;
        const long double alto = c - (c - v);
        return Par{alto, v - alto};
    };
    const long double p = a * b;
    const Par x = partir(a);
    const Par y = partir(b);
    return {p, ((x.alto * y.alto - p) + x.alto * y.bajo + x.bajo * y.alto) + x.bajo * y.bajo};
}

Par normalizar(long double alto, long double bajo) { return sumaExacta(alto, bajo); }

Par restar(Par a, Par b) {
    const Par s = sumaExacta(a.alto, -b.alto);
    return normalizar(s.alto, (s.bajo + a.bajo) - b.bajo);
}

Par multiplicar(long double t, Par a) {
    const Par p = productoExacto(t, a.alto);
    return normalizar(p.alto, p.bajo + t * a.bajo);
}

// ln 2 as a 48-bit head, whose multiples by any exponent are exact, and the rest.
constexpr long double LN2_ALTO = 0xb17217f7d1cfp-48L;
constexpr long double LN2_BAJO = 0xf35793c7673007e6p-113L;
constexpr long double LN2 = 0xb17217f7d1cf79acp-64L;
constexpr long double RAIZ_MEDIO = 0xb504f333f9de6484p-64L;  // the square root of 1/2

// ln x for a positive finite x: x = m 2^e with m in [sqrt(1/2), sqrt(2)),
// ln m = 2 atanh(z) with z = (m - 1) / (m + 1), |z| < 0.172.
Par logaritmo(long double x) {
    int e = 0;
    long double m = std::frexp(x, &e);
    if (m < RAIZ_MEDIO) {
        m *= 2;
        --e;
    }
    const long double f = m - 1;  // exact: m lies within a factor 2 of 1
    const long double s = m + 1;
    const long double z = f / s;
    // What the rounded quotient left out: (f - z s) / s.
    const Par zs = productoExacto(z, s);
    const long double zResto = ((f - zs.alto) - zs.bajo) / s;
    // atanh(z) = z + z^3/3 + z^5/5 + ...; z^2 < 0.03, so 16 terms leave
    // less than 1e-24.
    const long double w = z * z;
    long double serie = 0;
    for (int j = 16; j >= 1; --j) serie = 1.0L / (2 * j + 1) + w * serie;
    const long double lnM = 2 * z;
    const long double restoM = 2 * zResto + 2 * z * w * serie;
    const Par cabeza = sumaExacta(e * LN2_ALTO, lnM);
    return normalizar(cabeza.alto, cabeza.bajo + restoM + e * LN2_BAJO);
}

// e^x as 2^k (1 + em1), with e^r - 1 for the reduced r = x - k ln 2, |r| <= 0.35.
struct Exponencial {
    int k;
    long double em1;
};

Exponencial exponencial(Par x) {
    const long double k = std::floor(x.alto / LN2 + 0.5L);
    // x.alto - k ln2_alto is exact: k ln2_alto is, and it lies within a
    // factor 2 of x.alto.
    const long double r = ((x.alto - k * LN2_ALTO) - k * LN2_BAJO) + x.bajo;
    // e^r - 1 = r (1 + r/2 (1 + r/3 (1 + ...))); 0.35^21 / 21! < 1e-28.
    long double q = 1;
    for (int j = 21; j >= 2; --j) q = 1 + r * q / j;
    return {static_cast<int>(k), r * q};
}

long double exponencial1(Par x) {
    const Exponencial e = exponencial(x);
    return std::ldexp(1 + e.em1, e.k);
}

long double exponencialMenos1(Par x) {
    const Exponencial e = exponencial(x);
    if (e.k == 0) return e.em1;
    // 2^k e^r - 1 = 2^k (e^r - 1) + (2^k - 1), each part exact but the sum.
    return std::ldexp(e.em1, e.k) + (std::ldexp(1.0L, e.k) - 1);
}

// Sets the x87 precision to 64 bits for its lifetime, and back again.
class PrecisionExtendida {
public:
    PrecisionExtendida() : anterior_(precisionX87()) { fijarPrecisionX87(PrecisionX87::Extendida); }
    ~PrecisionExtendida() { fijarPrecisionX87(anterior_); }
    PrecisionExtendida(const PrecisionExtendida&) = delete;
    PrecisionExtendida& operator=(const PrecisionExtendida&) = delete;

private:
    PrecisionX87 anterior_;
};

// floor(a / b) for b > 0.
int64_t divisionHaciaAbajo(int64_t a, int64_t b) { return a / b - (a % b < 0 ? 1 : 0); }

}  // namespace

long double logaritmoNatural(long double x) {
    const PrecisionExtendida precision;
    const Par l = logaritmo(x);
    return l.alto + l.bajo;
}

long double exponencialMenosUno(long double x) {
    const PrecisionExtendida precision;
    return exponencialMenos1({x, 0});
}

Vista vistaDeFotograma(const Vista& inicio, const Vista& fin, int64_t k, int64_t n) {
    if (k <= 0) return inicio;
    if (k >= n - 1) return fin;
    const PrecisionExtendida precision;
    const long double t = static_cast<long double>(k) / static_cast<long double>(n - 1);

    // ln r as the difference of the logarithms, which neither overflows nor
    // loses the bits of a quotient of far-apart sides.
    const Par lnR = restar(logaritmo(fin.lado), logaritmo(inicio.lado));
    const Par tLnR = multiplicar(t, lnR);

    Vista v = inicio;
    // The side s0 e^(t ln r), scaled last so that no step overflows.
    const Exponencial e = exponencial(tLnR);
    v.lado = std::ldexp(inicio.lado * (1 + e.em1), e.k);

    // (r^t - 1) / (r - 1), with every exponent at most 0 so that nothing
    // overflows: as it stands when r < 1, and as r^(t-1) (1 - r^-t) / (1 - r^-1)
    // when r > 1.
    long double f = t;
    if (lnR.alto < 0) {
        f = exponencialMenos1(tLnR) / exponencialMenos1(lnR);
    } else if (lnR.alto > 0) {
        const Par menosLnR{-lnR.alto, -lnR.bajo};
        const Par menosTLnR{-tLnR.alto, -tLnR.bajo};
        f = exponencial1(restar(tLnR, lnR)) * (exponencialMenos1(menosTLnR) / exponencialMenos1(menosLnR));
    }
    v.xSupIzq = inicio.xSupIzq + (fin.xSupIzq - inicio.xSupIzq) * f;
    v.ySupIzq = inicio.ySupIzq + (fin.ySupIzq - inicio.ySupIzq) * f;

    // i0 + d k / (n - 1) rounded, halves up, in integers.
    const int64_t d = int64_t{fin.iteraciones} - inicio.iteraciones;
    v.iteraciones = static_cast<int16_t>(inicio.iteraciones + divisionHaciaAbajo(2 * d * k + (n - 1), 2 * (n - 1)));
    return v;
}

}  // namespace brenquil
