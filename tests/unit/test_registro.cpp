// The 135-byte record: the two worked records byte for byte and back, the
// integer fields (zero, the widest limit, wrapping), the byte-count rules of
// short, cut and over-long data, and ordinary treatment of CR and 0x1A.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include "../registros_prueba.h"
#include "texto_numero.h"

using namespace brenquil;
using namespace brenquil::prueba;

namespace {

// A record whose every field differs from what any test reads, so that a
// field the reader forgets to write shows.
Vista basura() { return {777, 310, 12345, -9, 99.5L, -99.5L, 42.0L}; }

Vista leer(const std::string& bytes, Vista r = basura()) {
    leerRegistro(bytes, r);
    return r;
}

// What a file shorter than the plane field leaves: its limit, the plane as
// it was, every other value 0.
Vista leidoCorto(int16_t iteraciones) { return {iteraciones, basura().plano, 0, 0, 0.0L, 0.0L, 0.0L}; }

}  // namespace

TEST(RegistroEscrito, LosDosRegistrosTrabajadosByteAByte) {
    EXPECT_EQ(kRegistroInicial.size(), TAMANO_REGISTRO);
    EXPECT_EQ(escribirRegistro(Vista{}), kRegistroInicial);
    EXPECT_EQ(escribirRegistro(registroEjemplo()), kRegistroEjemplo);
}

TEST(RegistroEscrito, LimitesExtremosEnSuCampo) {
    Vista r;
    r.iteraciones = 0;
    std::string t = escribirRegistro(r);
    EXPECT_EQ(t.substr(0, 6), espacios(6));
    EXPECT_EQ(t.substr(6, 3), "300");
    EXPECT_EQ(leer(t).iteraciones, 0);

    r.iteraciones = -32768;
    t = escribirRegistro(r);
    EXPECT_EQ(t.substr(0, 9), "-32768300");
    EXPECT_EQ(leer(t).iteraciones, -32768);

    r.iteraciones = 32767;
    EXPECT_EQ(leer(escribirRegistro(r)).iteraciones, 32767);
}

TEST(RegistroEscrito, CodigosFueraDeTabla) {
    Vista r;
    r.plano = 999;
    r.modoColor = 0;
    r.dwell = -1;
    const std::string t = escribirRegistro(r);
    EXPECT_EQ(t.size(), TAMANO_REGISTRO);
    EXPECT_EQ(t.substr(6, 9), "999   -1 ");
    // A code wider than three characters keeps its first three: the field holds no more.
    r.plano = 3001;
    r.modoColor = -2147483647 - 1;
    EXPECT_EQ(escribirRegistro(r).substr(6, 9), "300-21-1 ");
}

TEST(RegistroLeido, LosDosRegistrosTrabajadosVuelven) {
    esperarIguales(leer(kRegistroInicial), Vista{});
    esperarIguales(leer(kRegistroEjemplo), registroEjemplo());
}

TEST(RegistroLeido, IdaYVueltaEstable) {
    Vista r = registroEjemplo();
    r.iteraciones = -1;
    r.plano = -32768;
    r.xSupIzq = -1.0L / 3.0L;
    r.ySupIzq = 1e-4000L;
    r.lado = std::numeric_limits<long double>::infinity();
    const std::string una = escribirRegistro(r);
    const Vista leido = leer(una);
    EXPECT_EQ(leido.lado, r.lado);
    EXPECT_EQ(leido.iteraciones, -1);
    // "-32768" does not fit the plane's 3 characters: "-32" is what was saved.
    EXPECT_EQ(leido.plano, -32);
    EXPECT_EQ(escribirRegistro(leido), una);
}

TEST(RegistroLeido, PlanoFueraDeTablaSinQueja) {
    std::string t = kRegistroInicial;
    t.replace(6, 3, "999");
    EXPECT_EQ(leer(t).plano, 999);
    t.replace(6, 3, "abc");
    EXPECT_EQ(leer(t).plano, 0);  // delivered bytes that are no number: 0, not "unchanged"
}

TEST(RegistroLeido, EnterosTruncadosYEnvueltos) {
    std::string t = kRegistroInicial;
    t.replace(0, 6, "70000 ");
    EXPECT_EQ(leer(t).iteraciones, 4464);
    t.replace(0, 6, "-2.9  ");
    EXPECT_EQ(leer(t).iteraciones, -2);
    t.replace(0, 6, "2.9   ");
    EXPECT_EQ(leer(t).iteraciones, 2);
    t.replace(0, 6, "1e5   ");
    EXPECT_EQ(leer(t).iteraciones, 100000 - 131072);
    t.replace(0, 6, "+INF  ");
    EXPECT_EQ(leer(t).iteraciones, 0);
    // The 32-bit fields: 9e9 keeps its low 32 bits.
    t.replace(9, 3, "9e9");
    t.replace(12, 3, "-1 ");
    const Vista r = leer(t);
    EXPECT_EQ(r.modoColor, static_cast<int32_t>(9000000000LL - 2 * 4294967296LL));
    EXPECT_EQ(r.dwell, -1);
    // Digits run on into the next field: each field reads only its own bytes.
    EXPECT_EQ(leer("123456789" + kRegistroInicial.substr(9)).iteraciones, static_cast<int16_t>(123456 - 131072));
    EXPECT_EQ(leer("123456789" + kRegistroInicial.substr(9)).plano, 789);
}

TEST(RegistroLeido, ArchivoDeSeisBytes) { esperarIguales(leer("40    "), leidoCorto(40)); }

TEST(RegistroLeido, ArchivoVacio) { esperarIguales(leer(""), leidoCorto(0)); }

TEST(RegistroLeido, CamposCortados) {
    // Cut in the plane field: the one byte delivered is the plane.
    EXPECT_EQ(leer("30    3").plano, 3);
    EXPECT_EQ(leer("30    3").modoColor, 0);
    // Cut after 20 bytes: "-0.7" of "-0.75", nothing of the rest.
    esperarIguales(leer(kRegistroEjemplo.substr(0, 19)), {1024, 305, 365, 385, -0.7L, 0.0L, 0.0L});
    // Cut inside the exponent of the side: "6.103515625e-0" reads as 6.103515625.
    EXPECT_EQ(leer(kRegistroEjemplo.substr(0, 109)).lado, 6.103515625L);
    EXPECT_EQ(leer(kRegistroEjemplo.substr(0, 110)).lado, std::ldexp(1.0L, -14));
    // Every length from 0 to 135: a field beyond the end reads 0, a field cut
    // by the end reads what the C library's strtold makes of its first bytes.
    const auto cortado = [](std::size_t n, std::size_t inicio, std::size_t ancho) -> long double {
        if (n <= inicio) return 0.0L;
        return std::strtold(kRegistroEjemplo.substr(inicio, std::min(ancho, n - inicio)).c_str(), nullptr);
    };
    for (std::size_t n = 0; n <= TAMANO_REGISTRO; ++n) {
        SCOPED_TRACE(n);
        const Vista c = leer(kRegistroEjemplo.substr(0, n));
        EXPECT_EQ(c.iteraciones, static_cast<int16_t>(cortado(n, 0, 6)));
        EXPECT_EQ(c.plano, n > 6 ? static_cast<int16_t>(cortado(n, 6, 3)) : basura().plano);
        EXPECT_EQ(c.modoColor, static_cast<int32_t>(cortado(n, 9, 3)));
        EXPECT_EQ(c.dwell, static_cast<int32_t>(cortado(n, 12, 3)));
        EXPECT_EQ(c.xSupIzq, cortado(n, 15, 40));
        EXPECT_EQ(c.ySupIzq, cortado(n, 55, 40));
        EXPECT_EQ(c.lado, cortado(n, 95, 40));
    }
}

TEST(RegistroLeido, BytesTrasElRegistroIgnorados) {
    esperarIguales(leer(kRegistroEjemplo + "999999"), registroEjemplo());
    esperarIguales(leer(kRegistroEjemplo + std::string(4096, '7')), registroEjemplo());
}

TEST(RegistroLeido, RetornoDeCarroY1AComoBytesCorrientes) {
    // A carriage return is white space before the limit, and 0x1A merely ends
    // the number of its field; neither shifts or ends the data.
    std::string t = kRegistroEjemplo;
    t.replace(0, 6, "\r1024 ");
    esperarIguales(leer(t), registroEjemplo());
    t.replace(0, 6, "1024\x1A ");
    esperarIguales(leer(t), registroEjemplo());
    t.replace(15, 5, "\x1A.75 ");
    EXPECT_EQ(leer(t).xSupIzq, 0.0L);
    EXPECT_EQ(leer(t).lado, std::ldexp(1.0L, -14));
}

TEST(RegistroLeido, NoFinitos) {
    Vista r = Vista{};
    r.lado = std::numeric_limits<long double>::infinity();
    r.xSupIzq = -std::numeric_limits<long double>::infinity();
    r.ySupIzq = -std::numeric_limits<long double>::quiet_NaN();
    const std::string t = escribirRegistro(r);
    EXPECT_EQ(t.substr(95), "+INF" + espacios(36));
    EXPECT_EQ(t.substr(15, 40), "-INF" + espacios(36));
    EXPECT_EQ(t.substr(55, 40), "-NAN" + espacios(36));
    const Vista l = leer(t);
    EXPECT_EQ(l.lado, std::numeric_limits<long double>::infinity());
    EXPECT_EQ(l.xSupIzq, -std::numeric_limits<long double>::infinity());
    EXPECT_TRUE(std::isnan(l.ySupIzq));
    EXPECT_TRUE(std::signbit(l.ySupIzq));
}
