#include "redondeo_decimal.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

namespace brenquil {
namespace {

// A non-negative integer of any size, in 32-bit limbs, least significant first.
class EnteroGrande {
public:
    explicit EnteroGrande(unsigned __int128 v = 0) {
        while (v != 0) {
            limbs_.push_back(static_cast<uint32_t>(v));
            v >>= 32;
        }
    }

    // this = this * factor + sumando
    void multiplicarYSumar(uint32_t factor, uint32_t sumando = 0) {
        uint64_t acarreo = sumando;
        for (uint32_t& l : limbs_) {
            const uint64_t p = uint64_t{l} * factor + acarreo;
            l = static_cast<uint32_t>(p);
            acarreo = p >> 32;
        }
        if (acarreo != 0) limbs_.push_back(static_cast<uint32_t>(acarreo));
    }

    void multiplicarPorPotenciaDe5(int n) {
        constexpr uint32_t CINCO_A_LA_13 = 1220703125;
        for (; n >= 13; n -= 13) multiplicarYSumar(CINCO_A_LA_13);
        uint32_t resto = 1;
        for (; n > 0; --n) resto *= 5;
        multiplicarYSumar(resto);
    }

    void desplazarIzquierda(int bits) {
        if (limbs_.empty() || bits == 0) return;
        const int palabras = bits / 32, resto = bits % 32;
        if (resto != 0) {
            uint32_t arrastre = 0;
            for (uint32_t& l : limbs_) {
                const uint32_t nuevo = (l << resto) | arrastre;
                arrastre = l >> (32 - resto);
                l = nuevo;
            }
            if (arrastre != 0) limbs_.push_back(arrastre);
        }
        limbs_.insert(limbs_.begin(), static_cast<std::size_t>(palabras), 0u);
    }

    friend int comparar(const EnteroGrande& a, const EnteroGrande& b) {
        if (a.limbs_.size() != b.limbs_.size()) return a.limbs_.size() < b.limbs_.size() ? -1 : 1;
        for (std::size_t i = a.limbs_.size(); i-- > 0;) {
            if (a.limbs_[i] != b.limbs_[i]) return a.limbs_[i] < b.limbs_[i] ? -1 : 1;
        }
        return 0;
    }

private:
    std::vector<uint32_t> limbs_;  // no leading zero limbs
};

// A value as significand x 2^exponente, exactly.
struct Binario {
    unsigned __int128 significando;
    int exponente;
};

constexpr int EXPONENTE_SUBNORMAL = 1 - 16383 - 63;  // the scale of the subnormals and of 0

// The exact value of a finite non-negative long double.
Binario partes(long double v) {
    unsigned char b[sizeof(long double)] = {};
    std::memcpy(b, &v, sizeof v);
    uint64_t m;
    uint16_t alto;
    std::memcpy(&m, b, 8);
    std::memcpy(&alto, b + 8, 2);
    const int campo = alto & 0x7FFF;
    return {m, campo == 0 ? EXPONENTE_SUBNORMAL : campo - 16383 - 63};
}

// 2^16384, the power of two just past the largest finite value.
constexpr Binario DESBORDE{uint64_t{1} << 63, 16384 - 63};

// Half-way between two adjacent values (their scales differ by at most 1).
Binario puntoMedio(Binario a, Binario b) {
    const int base = std::min(a.exponente, b.exponente);
    const unsigned __int128 suma =
        (a.significando << (a.exponente - base)) + (b.significando << (b.exponente - base));
    return {suma, base - 1};
}

// Sign of cifras x 10^e10 minus x, exactly.
int compararExacto(const EnteroGrande& cifras, int e10, Binario x) {
    EnteroGrande izquierda = cifras;
    EnteroGrande derecha(x.significando);
    if (e10 >= 0) izquierda.multiplicarPorPotenciaDe5(e10);
    else derecha.multiplicarPorPotenciaDe5(-e10);
    // Both sides now carry a power of two: 2^e10 on the left, 2^exponente on the right.
    const int diferencia = e10 - x.exponente;
    if (diferencia >= 0) izquierda.desplazarIzquierda(diferencia);
    else derecha.desplazarIzquierda(-diferencia);
    return comparar(izquierda, derecha);
}

}  // namespace

long double redondearDecimal(std::string_view cifras, int exponente10, long double aproximado) {
    while (!cifras.empty() && cifras.front() == '0') cifras.remove_prefix(1);
    while (!cifras.empty() && cifras.back() == '0') {
        cifras.remove_suffix(1);
        ++exponente10;
    }
    if (cifras.empty() || std::isnan(aproximado) || aproximado < 0) return aproximado;
    const long long orden = static_cast<long long>(exponente10) + static_cast<long long>(cifras.size());
    if (cifras.size() > 400 || orden > 5000 || orden < -5000) return aproximado;

    EnteroGrande d;
    for (char c : cifras) d.multiplicarYSumar(10, static_cast<uint32_t>(c - '0'));

    constexpr long double MAXIMO = std::numeric_limits<long double>::max();
    constexpr long double INFINITO = std::numeric_limits<long double>::infinity();
    long double r = aproximado;
    // A C library's result is at most an ulp or two away; each pass moves one ulp.
    for (int paso = 0; paso < 4; ++paso) {
        if (std::isinf(r)) {
            if (compararExacto(d, exponente10, puntoMedio(partes(MAXIMO), DESBORDE)) < 0) {
                r = MAXIMO;
                continue;
            }
            return r;
        }
        const Binario actual = partes(r);
        const bool impar = (actual.significando & 1) != 0;
        const Binario arriba = r == MAXIMO ? DESBORDE : partes(std::nextafter(r, INFINITO));
        int c = compararExacto(d, exponente10, puntoMedio(actual, arriba));
        if (c > 0 || (c == 0 && impar)) {
            r = std::nextafter(r, INFINITO);
            continue;
        }
        if (r > 0) {
            c = compararExacto(d, exponente10, puntoMedio(partes(std::nextafter(r, 0.0L)), actual));
            if (c < 0 || (c == 0 && impar)) {
                r = std::nextafter(r, 0.0L);
                continue;
            }
        }
        return r;
    }
    return r;
}

}  // namespace brenquil
