// The view parameters: copies, the zoom squares and the views they give, the
// 16-bit wrapping of limits and squares, and the text-to-integer truncation.
#include <gtest/gtest.h>

#include "parametros_enfoque.h"
#include "numeros.h"

using namespace brenquil;

namespace {

struct Cuadro {
    long double x, y, lado;
    bool operator==(const Cuadro&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Cuadro& v) {
    return os << "(" << double(v.x) << ", " << double(v.y) << ", " << double(v.lado) << ")";
}

Cuadro vistaDe(const ParametrosEnfoque& e) { return {e.getXSupIzq(), e.getYSupIzq(), e.getLado()}; }

struct Seleccion {
    int16_t x, y, lado;
    bool operator==(const Seleccion&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Seleccion& s) {
    return os << "(" << s.x << ", " << s.y << ", " << s.lado << ")";
}
Seleccion seleccionDe(const ParametrosEnfoque& e) { return {e.getSelX(), e.getSelY(), e.getSelLado()}; }

// What Zoom In does once confirmed and what Zoom Out does at once: the
// selection read back as corners (with 16-bit sums) and applied as a square.
void aplicarSeleccion(ParametrosEnfoque& e) {
    const int16_t izq = e.getSelX(), arr = e.getSelY(), lado = e.getSelLado();
    e.aplicarCuadrado(izq, arr, envolver16(izq + lado), envolver16(arr + lado));
}

Cuadro acercar(int16_t factor) {
    ParametrosEnfoque e = ParametrosEnfoque::porDefecto();
    e.cuadradoAcercar(factor);
    aplicarSeleccion(e);
    return vistaDe(e);
}

Cuadro alejar(int16_t factor) {
    ParametrosEnfoque e = ParametrosEnfoque::porDefecto();
    e.cuadradoAlejar(factor);
    aplicarSeleccion(e);
    return vistaDe(e);
}

}  // namespace

TEST(EstadoInicial, CopiaCompletaDelEnfoque) {
    ParametrosEnfoque origen(1.5L, -0.25L, 0.125L);
    origen.setIteraciones(777);
    origen.normalizarCuadrado(10, 20, 60, 200);
    ParametrosEnfoque copia = ParametrosEnfoque::porDefecto();
    copia = origen;
    EXPECT_EQ(copia.getIteraciones(), 777);
    EXPECT_EQ(vistaDe(copia), (Cuadro{1.5L, -0.25L, 0.125L}));
    EXPECT_EQ(seleccionDe(copia), (Seleccion{10, 20, 50}));
    const ParametrosEnfoque construida(origen);
    EXPECT_EQ(seleccionDe(construida), (Seleccion{10, 20, 50}));
    EXPECT_EQ(construida.getIteraciones(), 777);
}

TEST(ZoomPorFactor, FactorDosAcercaYAlejaExacto) {
    ParametrosEnfoque e = ParametrosEnfoque::porDefecto();
    e.cuadradoAcercar(2);
    EXPECT_EQ(seleccionDe(e), (Seleccion{100, 100, 200}));
    EXPECT_EQ(acercar(2), (Cuadro{0, 4, 8}));

    e.cuadradoAlejar(2);
    EXPECT_EQ(seleccionDe(e), (Seleccion{-200, -200, 800}));
    EXPECT_EQ(alejar(2), (Cuadro{-12, 16, 32}));
}

TEST(ZoomPorFactor, FactorUnoNoCambiaLaVista) {
    ParametrosEnfoque e = ParametrosEnfoque::porDefecto();
    e.cuadradoAcercar(1);
    EXPECT_EQ(seleccionDe(e), (Seleccion{0, 0, 400}));
    e.cuadradoAlejar(1);
    EXPECT_EQ(seleccionDe(e), (Seleccion{0, 0, 400}));
    EXPECT_EQ(acercar(1), (Cuadro{-4, 8, 16}));
    EXPECT_EQ(alejar(1), (Cuadro{-4, 8, 16}));
}

TEST(ZoomPorFactor, DivisionEnteraTruncada) {
    ParametrosEnfoque e = ParametrosEnfoque::porDefecto();
    e.cuadradoAcercar(3);
    EXPECT_EQ(seleccionDe(e), (Seleccion{134, 134, 132}));
    e.cuadradoAcercar(7);
    EXPECT_EQ(seleccionDe(e), (Seleccion{172, 172, 56}));
    // Factor 3 gives 132/400 of the side, not a third.
    EXPECT_EQ(acercar(3).lado, (132 * PASO_PIXEL) * 16.0L);
}

TEST(ZoomPorFactor, FactorNegativoComoSuValorAbsoluto) {
    for (int16_t f : {2, 3, 7, 81}) {
        EXPECT_EQ(acercar(-f), acercar(f)) << "factor " << f;
        EXPECT_EQ(alejar(-f), alejar(f)) << "factor " << f;
    }
}

TEST(ZoomPorFactor, FactorMayorQueDoscientosDaLadoCero) {
    ParametrosEnfoque e = ParametrosEnfoque::porDefecto();
    e.cuadradoAcercar(201);
    EXPECT_EQ(seleccionDe(e), (Seleccion{200, 200, 0}));
    EXPECT_EQ(acercar(201), (Cuadro{4, 0, 0}));
}

TEST(ZoomPorFactor, FactorCeroNoTocaLaSeleccion) {
    ParametrosEnfoque e = ParametrosEnfoque::porDefecto();
    e.normalizarCuadrado(5, 6, 45, 86);
    e.cuadradoAcercar(0);
    EXPECT_EQ(seleccionDe(e), (Seleccion{5, 6, 40}));
}

TEST(ZoomPorFactor, AlejarMasAllaDe81Envuelve) {
    ParametrosEnfoque e = ParametrosEnfoque::porDefecto();
    e.cuadradoAlejar(81);
    EXPECT_EQ(seleccionDe(e), (Seleccion{-16000, -16000, 32400}));
    e.cuadradoAlejar(82);
    // 400 * 82 = 32800 leaves the 16-bit range and wraps.
    EXPECT_EQ(seleccionDe(e), (Seleccion{-16200, -16200, -32736}));
}

TEST(CuadradoArrastrado, NormalizaCualquierDireccion) {
    ParametrosEnfoque e = ParametrosEnfoque::porDefecto();
    e.normalizarCuadrado(300, 250, 100, 50);
    EXPECT_EQ(seleccionDe(e), (Seleccion{100, 50, 200}));
    e.normalizarCuadrado(10, 10, 110, 60);
    EXPECT_EQ(seleccionDe(e), (Seleccion{10, 10, 50}));
    // The four drag directions between the same corners give one square.
    const int16_t a[2] = {40, 170}, b[2] = {30, 90};
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j) {
            e.normalizarCuadrado(a[i], b[j], a[1 - i], b[1 - j]);
            EXPECT_EQ(seleccionDe(e), (Seleccion{40, 30, 60}));
        }
    // A purely horizontal drag has height 0.
    e.normalizarCuadrado(50, 80, 150, 80);
    EXPECT_EQ(seleccionDe(e), (Seleccion{50, 80, 0}));
}

TEST(CuadradoArrastrado, DiferenciasSinDesbordeYLadoEnDieciseisBits) {
    ParametrosEnfoque e = ParametrosEnfoque::porDefecto();
    // Width 65535 and height 65534: the smaller is chosen in 32 bits, then wrapped.
    e.normalizarCuadrado(-32768, -32767, 32767, 32767);
    EXPECT_EQ(seleccionDe(e), (Seleccion{-32768, -32767, -2}));
}

TEST(AplicarCuadrado, OrdenDeEsquinasYLadoMenor) {
    ParametrosEnfoque enOrden = ParametrosEnfoque::porDefecto();
    enOrden.aplicarCuadrado(100, 50, 300, 200);
    ParametrosEnfoque alReves = ParametrosEnfoque::porDefecto();
    alReves.aplicarCuadrado(300, 200, 100, 50);
    EXPECT_EQ(vistaDe(enOrden), vistaDe(alReves));
    // 200 wide, 150 high: the side is 150 pixels of the old side 16.
    EXPECT_EQ(vistaDe(enOrden), (Cuadro{0, 6, 6}));
    // The selection and the limit stay as they were.
    EXPECT_EQ(seleccionDe(enOrden), (Seleccion{0, 0, 400}));
    EXPECT_EQ(enOrden.getIteraciones(), 30);
}

TEST(AplicarCuadrado, UsaElLadoAnteriorEnLasTresFormulas) {
    ParametrosEnfoque e(0.5L, 0.25L, 3.0L);
    e.aplicarCuadrado(7, 11, 7 + 13, 11 + 13);
    EXPECT_EQ(e.getXSupIzq(), ((7 * PASO_PIXEL) * 3.0L) + 0.5L);
    EXPECT_EQ(e.getYSupIzq(), 0.25L - ((11 * PASO_PIXEL) * 3.0L));
    EXPECT_EQ(e.getLado(), (13 * PASO_PIXEL) * 3.0L);
}

TEST(Iteraciones, SumaEnvuelveEnDieciseisBits) {
    ParametrosEnfoque e = ParametrosEnfoque::porDefecto();
    e.sumarIteraciones(32);
    EXPECT_EQ(e.getIteraciones(), 62);
    e.sumarIteraciones(32);
    EXPECT_EQ(e.getIteraciones(), 94);
    e.setIteraciones(30);
    e.sumarIteraciones(-1024);
    EXPECT_EQ(e.getIteraciones(), -994);
    e.setIteraciones(32767);
    e.sumarIteraciones(1);
    EXPECT_EQ(e.getIteraciones(), -32768);
    e.setIteraciones(32000);
    e.sumarIteraciones(1024);
    EXPECT_EQ(e.getIteraciones(), -32512);
}

TEST(Iteraciones, LimiteEfectivoNuncaPasaDe32766) {
    EXPECT_EQ(limiteEfectivo(32767), 32766);
    EXPECT_EQ(limiteEfectivo(32766), 32766);
    EXPECT_EQ(limiteEfectivo(62), 62);
    EXPECT_EQ(limiteEfectivo(-5), -5);
}

TEST(TextoAEntero, TruncaYConservaLosBitsBajos) {
    EXPECT_EQ(truncarBajos16(2.9L), 2);
    EXPECT_EQ(truncarBajos16(-2.9L), -2);
    EXPECT_EQ(truncarBajos16(70000.0L), 4464);
    EXPECT_EQ(truncarBajos16(40000.0L), -25536);
    EXPECT_EQ(truncarBajos16(-32768.0L), -32768);
    EXPECT_EQ(truncarBajos16(65536.0L * 65536.0L * 1024.0L + 5.0L), 5);
    EXPECT_EQ(truncarBajos32(4294967296.0L + 365.0L), 365);
    EXPECT_EQ(truncarBajos32(-4294967296.0L - 7.9L), -7);
    EXPECT_EQ(truncarBajos32(2147483648.0L), -2147483647 - 1);
    EXPECT_EQ(truncarBajos32(1e30L), 0);  // 10^30 = 2^30 * 5^30: no low bits
    EXPECT_EQ(truncarBajos16(HUGE_VALL), 0);
    EXPECT_EQ(truncarBajos16(-HUGE_VALL), 0);
    EXPECT_EQ(truncarBajos32(std::nanl("")), 0);
}
