// The colour of a pixel: the worked palette table, parity, the grey of a last z
// of exactly 0, the half-plane classes of the last z and the unknown modes.
#include <gtest/gtest.h>

#include <cmath>

#include "codigos.h"
#include "opciones_color.h"

using namespace brenquil;

namespace {

struct RGB {
    int r, g, b;
    bool operator==(const RGB&) const = default;
};
std::ostream& operator<<(std::ostream& os, const RGB& c) {
    return os << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}
RGB rgb(Color c) { return {rojoDe(c), verdeDe(c), azulDe(c)}; }

// The colour of index n in a colour mode, through the operations of
// OpcionesColor as the render uses them.
Color colorDeIndice(int32_t modo, int32_t n, long double zx, long double zy) {
    OpcionesColor o;
    o.modoColor = modo;
    return o.usaZFinal() ? o.colorDescomposicion(n, zx, zy) : o.colorIteracion(n);
}
RGB gris(int g) { return {g, g, g}; }

const RGB kBlanco{255, 255, 255};
const RGB kNegro{0, 0, 0};

struct FilaTrabajada {
    int32_t n;
    RGB paleta;     // mode 350, and 365 in the upper half-plane
    RGB inferior;   // 365 in the lower half-plane
    RGB paridad;    // 355
    int grisCero;   // 365 with a last z of exactly 0
};

const FilaTrabajada kTabla[] = {
    {-1, {115, 117, 122}, {138, 140, 145}, kBlanco, 255},
    {0, {128, 128, 128}, {152, 152, 152}, kNegro, 0},
    {1, {141, 139, 134}, {165, 163, 158}, kBlanco, 1},
    {10, {240, 228, 189}, {250, 241, 209}, kNegro, 10},
    {30, {116, 182, 255}, {92, 159, 255}, kNegro, 30},
    {100, {3, 180, 6}, {1, 157, 15}, kNegro, 100},
    {255, {213, 24, 151}, {194, 12, 174}, kBlanco, 0},
    {1000, {246, 242, 95}, {253, 229, 119}, kNegro, 235},
};

}  // namespace

TEST(Paleta, TablaTrabajadaEnLosCuatroModos) {
    for (const auto& f : kTabla) {
        SCOPED_TRACE(f.n);
        EXPECT_EQ(rgb(colorDeIndice(COLOR_ITERACION, f.n, 0.5L, 0.5L)), f.paleta);
        EXPECT_EQ(rgb(colorDeIndice(COLOR_DESC_BINARIA, f.n, -3.0L, 0.25L)), f.paleta);
        EXPECT_EQ(rgb(colorDeIndice(COLOR_DESC_BINARIA, f.n, 3.0L, -0.25L)), f.inferior);
        EXPECT_EQ(rgb(colorDeIndice(COLOR_BLANCO_NEGRO, f.n, 0, 0)), f.paridad);
        EXPECT_EQ(rgb(colorDeIndice(COLOR_DESC_BINARIA, f.n, 0.0L, 0.0L)), gris(f.grisCero));
        EXPECT_EQ(rgb(colorDeIndice(COLOR_DESC_BINARIA_BN, f.n, 0.0L, 0.0L)), kBlanco);
        EXPECT_EQ(rgb(colorDeIndice(COLOR_DESC_BINARIA_BN, f.n, -3.0L, 0.25L)), kNegro);
        EXPECT_EQ(rgb(colorDeIndice(COLOR_DESC_BINARIA_BN, f.n, 3.0L, -0.25L)), kBlanco);
    }
}

TEST(Paridad, NegativosImparesSonBlancos) {
    EXPECT_EQ(rgb(colorDeIndice(COLOR_BLANCO_NEGRO, -3, 0, 0)), kBlanco);
    EXPECT_EQ(rgb(colorDeIndice(COLOR_BLANCO_NEGRO, -2, 0, 0)), kNegro);
    EXPECT_EQ(rgb(colorDeIndice(COLOR_BLANCO_NEGRO, 32765, 0, 0)), kBlanco);
}

TEST(Descomposicion, ClasesPorSemiplano) {
    struct Caso {
        long double zx, zy;
        bool superior;
    };
    const Caso casos[] = {
        {-1, 0, true},  {0, 1, true},   {1, 0, false},  {0, -1, false},
        {-1, -0.0L, true},  // a negative zero counts as zero
        {1, -0.0L, false},  {-0.0L, 2, true}, {-5, 1e-4000L, true}, {-5, -1e-4000L, false},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(::testing::Message() << double(c.zx) << ", " << double(c.zy));
        EXPECT_EQ(rgb(colorDeIndice(COLOR_DESC_BINARIA_BN, 30, c.zx, c.zy)), c.superior ? kNegro : kBlanco);
        const RGB esperado = c.superior ? RGB{116, 182, 255} : RGB{92, 159, 255};
        EXPECT_EQ(rgb(colorDeIndice(COLOR_DESC_BINARIA, 30, c.zx, c.zy)), esperado);
    }
}

TEST(Descomposicion, CeroNegativoEsCero) {
    EXPECT_EQ(rgb(colorDeIndice(COLOR_DESC_BINARIA, 1000, -0.0L, -0.0L)), gris(235));
    EXPECT_EQ(rgb(colorDeIndice(COLOR_DESC_BINARIA_BN, 7, -0.0L, 0.0L)), kBlanco);
}

TEST(ModosDesconocidos, Negro) {
    for (int32_t modo : {0, 351, 360, 375, -350, 380}) {
        EXPECT_EQ(colorDeIndice(modo, 30, 1, 1), NEGRO) << modo;
        EXPECT_EQ(colorDeIndice(modo, 31, 0, 0), NEGRO) << modo;
    }
}

TEST(OpcionesColor, LasOperacionesSiguenAlModo) {
    OpcionesColor o;
    EXPECT_FALSE(o.usaZFinal());
    EXPECT_EQ(rgb(o.colorIteracion(30)), (RGB{116, 182, 255}));
    EXPECT_EQ(o.colorDescomposicion(30, 1, 1), NEGRO);  // not a decomposition mode
    o.modoColor = COLOR_BLANCO_NEGRO;
    EXPECT_FALSE(o.usaZFinal());
    EXPECT_EQ(rgb(o.colorIteracion(1)), kBlanco);
    o.modoColor = COLOR_DESC_BINARIA;
    EXPECT_TRUE(o.usaZFinal());
    EXPECT_EQ(o.colorIteracion(30), NEGRO);
    EXPECT_EQ(rgb(o.colorDescomposicion(30, 3, -0.25L)), (RGB{92, 159, 255}));
    o.modoColor = COLOR_DESC_BINARIA_BN;
    EXPECT_TRUE(o.usaZFinal());
    EXPECT_EQ(rgb(o.colorDescomposicion(30, 3, 0.25L)), kNegro);
    o.modoColor = 999;
    EXPECT_FALSE(o.usaZFinal());
    EXPECT_EQ(o.colorIteracion(30), NEGRO);
}
