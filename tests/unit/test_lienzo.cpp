// Pictures of any size: every sample against the literal loop and colouring,
// at several sizes and aspect ratios on the three planes; pictures of
// different sizes that share pixels; the average in linear light; and the
// depth past which neighbouring pixels share their coordinates.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "lienzo.h"
#include "referencia.h"

using namespace brenquil;

namespace {

std::vector<Color> renderizar(const VistaReferencia& v, const Lienzo& l, int x0, int y0, int ancho, int alto,
                              unsigned ayudantes = 1) {
    std::vector<Color> c(static_cast<std::size_t>(ancho) * alto);
    renderizarRectangulo(vistaMotor(v), l, x0, y0, ancho, alto, ayudantes, c.data());
    return c;
}

std::vector<Color> renderizar(const VistaReferencia& v, const Lienzo& l) {
    return renderizar(v, l, 0, 0, l.ancho, l.alto);
}

// The three planes, each in a view that shows both escape bands and the inside.
const VistaReferencia VISTAS[] = {
    {300, 365, 380, 80, {-2.2L, 1.3L, 2.9L}},
    {305, 350, 385, 60, {-5, 4.5L, 9}},
    {310, 355, 380, 50, {-3, 2.5L, 6}},
};

}  // namespace

// At 400 x 400 with one sample the picture is the window's, pixel for pixel.
TEST(Lienzo, A400PorUnaMuestraEsLaImagenDeLaVentana) {
    for (const VistaReferencia& v : VISTAS) {
        SCOPED_TRACE(v.plano);
        EXPECT_TRUE(renderizar(v, Lienzo{}) == imagenReferencia(v));
    }
}

// Other sizes, wide and tall, with and without supersampling: each sample is
// the loop's at its point, and a pixel of several samples their average.
TEST(Lienzo, CadaMuestraEsLaDeLaReferencia) {
    const Lienzo lienzos[] = {{123, 77, 1}, {64, 150, 1}, {90, 60, 2}, {41, 43, 3}};
    for (const VistaReferencia& v : VISTAS) {
        for (const Lienzo& l : lienzos) {
            SCOPED_TRACE(::testing::Message() << "plane " << v.plano << ", " << l.ancho << " x " << l.alto << " by "
                                              << l.muestras);
            const std::vector<Color> c = renderizar(v, l);
            for (int y = 0; y < l.alto; ++y)
                for (int x = 0; x < l.ancho; ++x) {
                    PromedioLuz promedio;
                    for (int t = 0; t < l.muestras; ++t)
                        for (int s = 0; s < l.muestras; ++s)
                            promedio.sumar(muestraReferencia(v, l.ancho, l.muestras, x, y, s, t));
                    const Color esperado = l.muestras == 1 ? muestraReferencia(v, l.ancho, 1, x, y, 0, 0) : promedio.promedio();
                    ASSERT_EQ(c[static_cast<std::size_t>(y) * l.ancho + x], esperado) << x << "," << y;
                }
        }
    }
}

// A bigger picture is a finer version of the same one: pixel (k i, k j) of a
// picture k times as wide is pixel (i, j); and a region is the same pixels as
// that crop of the whole picture.
TEST(Lienzo, LasImagenesMayoresYLasRegionesRepitenSusPixeles) {
    const VistaReferencia v = VISTAS[0];
    const std::vector<Color> base = renderizar(v, Lienzo{});
    for (int k : {2, 3}) {
        SCOPED_TRACE(k);
        const Lienzo mayor{400 * k, 400 * k, 1};
        // Every k-th row of the bigger picture, rendered as one-row regions.
        for (int j = 0; j < 400; j += 37) {
            const std::vector<Color> fila = renderizar(v, mayor, 0, k * j, mayor.ancho, 1);
            for (int i = 0; i < 400; ++i) ASSERT_EQ(fila[static_cast<std::size_t>(k * i)], base[j * 400 + i]) << i << "," << j;
        }
    }
    // A region, with any number of threads.
    for (unsigned ayudantes : {0u, 2u}) {
        const std::vector<Color> region = renderizar(v, Lienzo{}, 150, 20, 230, 111, ayudantes);
        for (int y = 0; y < 111; ++y)
            for (int x = 0; x < 230; ++x) ASSERT_EQ(region[y * 230 + x], base[(20 + y) * 400 + 150 + x]);
    }
}

namespace {

// The sRGB transfer function and its inverse, in doubles.
double lineal(double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); }
double codificada(double l) { return l <= 0.0031308 ? 12.92 * l : 1.055 * std::pow(l, 1 / 2.4) - 0.055; }

}  // namespace

// The average in linear light against the transfer function in doubles: the
// same channel, unless the exact average lies within a hair of the halfway
// point between two values. Copies of one colour average to that colour.
TEST(PromedioLuz, PromediaEnLuzLineal) {
    for (int v = 0; v < 256; ++v) {
        PromedioLuz p;
        for (int i = 0; i < 9; ++i) p.sumar(colorRGB(static_cast<uint8_t>(v), 0, static_cast<uint8_t>(255 - v)));
        ASSERT_EQ(p.promedio(), colorRGB(static_cast<uint8_t>(v), 0, static_cast<uint8_t>(255 - v)));
    }
    // Black and white in equal parts are the grey of half the light, not 128.
    PromedioLuz blancoNegro;
    blancoNegro.sumar(BLANCO);
    blancoNegro.sumar(NEGRO);
    EXPECT_EQ(blancoNegro.promedio(), colorRGB(188, 188, 188));

    std::mt19937 azar(12345);
    int comparados = 0;
    for (int prueba = 0; prueba < 20000; ++prueba) {
        const int n = 2 + static_cast<int>(azar() % 15);
        PromedioLuz p;
        double luz = 0;
        for (int i = 0; i < n; ++i) {
            const auto r = static_cast<uint8_t>(azar());
            p.sumar(colorRGB(r, 0, 0));
            luz += lineal(r / 255.0);
        }
        const double exacto = codificada(luz / n) * 255;
        if (std::abs(exacto - std::floor(exacto) - 0.5) < 1e-4) continue;
        ++comparados;
        ASSERT_EQ(rojoDe(p.promedio()), static_cast<int>(std::lround(exacto))) << exacto;
    }
    EXPECT_GT(comparados, 19000);
}

TEST(Lienzo, MuestrasConfundidasMasAllaDeLaPrecision) {
    const long double x = -0.743643887037151L;
    const long double y = 0.131825904205331L;
    EXPECT_FALSE(muestrasConfundidas(vistaMotor(PLANO_CARDIOIDE, {x, y, 1e-15L}, 0), Lienzo{}));
    EXPECT_FALSE(muestrasConfundidas(vistaMotor(PLANO_CARDIOIDE, {x, y, 1e-16L}, 0), Lienzo{}));
    // 1e-19 over 400 pixels is far below the spacing of 80-bit numbers near 0.74.
    EXPECT_TRUE(muestrasConfundidas(vistaMotor(PLANO_CARDIOIDE, {x, y, 1e-19L}, 0), Lienzo{}));
    EXPECT_TRUE(muestrasConfundidas(vistaMotor(PLANO_CARDIOIDE, {x, y, 1e-21L}, 0), Lienzo{}));
    // A finer picture reaches the limit sooner, and so do more samples.
    EXPECT_TRUE(muestrasConfundidas(vistaMotor(PLANO_CARDIOIDE, {x, y, 1e-16L}, 0), Lienzo{40000, 10, 1}));
    EXPECT_TRUE(muestrasConfundidas(vistaMotor(PLANO_CARDIOIDE, {x, y, 1e-16L}, 0), Lienzo{4000, 10, 10}));
    // Near 0 the numbers are finer: the same side is resolved there.
    EXPECT_FALSE(muestrasConfundidas(vistaMotor(PLANO_CARDIOIDE, {0, 0, 1e-19L}, 0), Lienzo{}));
}
