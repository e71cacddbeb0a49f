// brenquil-render in process: its command line and the order in which its
// workers take the positions.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <utility>

#ifndef _WIN32
#include <locale.h>
#include <stdlib.h>
#endif

#include "argumentos_render.h"
#include "codigos.h"
#include "render_vista.h"
#include "texto_numero.h"

using namespace brenquil;

namespace {

ResultadoArgumentos analizar(std::initializer_list<std::string_view> args) {
    return analizarArgumentos(std::vector<std::string_view>(args));
}

TEST(ArgumentosRender, LeeLosSieteValoresYElPasoEnSusDosFormas) {
    const ResultadoArgumentos r =
        analizar({"--iteraciones", "1024", "--plano=305", "--color", "365", "--dwell=385", "--x", "-0.75",
                  "--y=0.125", "--lado", "6.103515625e-05", "--paso", "-32", "--threads=3", "-o", "sal.png"});
    ASSERT_EQ(r.error, "");
    const OpcionesRender& o = r.opciones;
    EXPECT_FALSE(o.archivo);
    EXPECT_EQ(o.salida, "sal.png");
    EXPECT_EQ(o.iteraciones, int16_t{1024});
    EXPECT_EQ(o.plano, PLANO_CARDIOIDE_INV);
    EXPECT_EQ(o.modoColor, COLOR_DESC_BINARIA);
    EXPECT_EQ(o.dwell, DWELL_NO);
    EXPECT_EQ(o.xSupIzq, -0.75L);
    EXPECT_EQ(o.ySupIzq, 0.125L);
    EXPECT_EQ(o.lado, std::ldexp(1.0L, -14));
    EXPECT_EQ(o.paso, -32);
    EXPECT_EQ(o.hilos, 3u);
    EXPECT_FALSE(o.ayuda);
}

TEST(ArgumentosRender, SinOpcionesQuedaElArchivoConPasoCeroYTodosLosNucleos) {
    const ResultadoArgumentos r = analizar({"vista.str", "-o", "sal.png"});
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.opciones.archivo, "vista.str");
    EXPECT_FALSE(r.opciones.iteraciones || r.opciones.plano || r.opciones.modoColor || r.opciones.dwell ||
                 r.opciones.xSupIzq || r.opciones.ySupIzq || r.opciones.lado);
    EXPECT_EQ(r.opciones.paso, 0);
    EXPECT_EQ(r.opciones.hilos, 0u);
}

TEST(ArgumentosRender, LosCodigosTambienSeDanPorNombre) {
    const std::pair<std::string_view, int16_t> planos[] = {
        {"cardioide", PLANO_CARDIOIDE}, {"cardioide-inv", PLANO_CARDIOIDE_INV}, {"parabola", PLANO_PARABOLA}};
    for (const auto& [nombre, codigo] : planos) {
        EXPECT_EQ(analizar({"--plano", nombre, "-o", "a"}).opciones.plano, codigo) << nombre;
    }
    const std::pair<std::string_view, int32_t> colores[] = {{"iteracion", COLOR_ITERACION},
                                                            {"blanco-negro", COLOR_BLANCO_NEGRO},
                                                            {"desc-binaria", COLOR_DESC_BINARIA},
                                                            {"desc-binaria-bn", COLOR_DESC_BINARIA_BN}};
    for (const auto& [nombre, codigo] : colores) {
        EXPECT_EQ(analizar({"--color", nombre, "-o", "a"}).opciones.modoColor, codigo) << nombre;
    }
    EXPECT_EQ(analizar({"--dwell", "si", "-o", "a"}).opciones.dwell, DWELL_SI);
    EXPECT_EQ(analizar({"--dwell", "no", "-o", "a"}).opciones.dwell, DWELL_NO);
    // Codes outside the tables are the window's behaviour too, not errors.
    EXPECT_EQ(analizar({"--plano", "999", "-o", "a"}).opciones.plano, int16_t{999});
    EXPECT_EQ(analizar({"--color", "-7", "-o", "a"}).opciones.modoColor, -7);
}

TEST(ArgumentosRender, UnValorQueEmpiezaPorGuionEsElValorDeSuOpcion) {
    const ResultadoArgumentos r = analizar({"--x", "-2", "--iteraciones", "-5", "-o", "-sal.png"});
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.opciones.xSupIzq, -2.0L);
    EXPECT_EQ(r.opciones.iteraciones, int16_t{-5});
    EXPECT_EQ(r.opciones.salida, "-sal.png");
    // After "--" an argument that looks like an option is the file.
    const ResultadoArgumentos f = analizar({"-o", "a.png", "--", "-raro.str"});
    ASSERT_EQ(f.error, "");
    EXPECT_EQ(f.opciones.archivo, "-raro.str");
}

TEST(ArgumentosRender, LosLimitesDeCadaCampoEntranYLosDeFueraNo) {
    EXPECT_EQ(analizar({"--iteraciones", "-32768", "-o", "a"}).opciones.iteraciones, int16_t{-32768});
    EXPECT_EQ(analizar({"--iteraciones", "+32767", "-o", "a"}).opciones.iteraciones, int16_t{32767});
    EXPECT_EQ(analizar({"--color", "2147483647", "-o", "a"}).opciones.modoColor, 2147483647);
    EXPECT_EQ(analizar({"--dwell", "-2147483648", "-o", "a"}).opciones.dwell, -2147483647 - 1);
    EXPECT_EQ(analizar({"--threads", "256", "-o", "a"}).opciones.hilos, 256u);

    // A value outside its field must not wrap silently into another view.
    for (const auto& [opcion, valor] : std::initializer_list<std::pair<std::string_view, std::string_view>>{
             {"--iteraciones", "32768"},
             {"--iteraciones", "70000"},
             {"--paso", "-32769"},
             {"--plano", "65836"},
             {"--color", "2147483648"},
             {"--dwell", "99999999999999999999999"},
             {"--threads", "0"},
             {"--threads", "257"}}) {
        const ResultadoArgumentos r = analizar({opcion, valor, "-o", "a"});
        EXPECT_NE(r.error.find("outside"), std::string::npos) << opcion << " " << valor << ": " << r.error;
    }
}

TEST(ArgumentosRender, UnTextoQueNoEsEnteramenteUnNumeroSeRechaza) {
    for (const auto& [opcion, valor] : std::initializer_list<std::pair<std::string_view, std::string_view>>{
             {"--lado", "1x"},
             {"--lado", ""},
             {"--x", " 1"},
             {"--y", "1 "},
             {"--x", "abc"},
             {"--lado", "1e"},
             {"--lado", "1,5"},
             {"--iteraciones", "3.5"},
             {"--iteraciones", "1e3"},
             {"--iteraciones", ""},
             {"--paso", "32a"},
             {"--plano", "cardiode"},
             {"--color", "350 "},
             {"--dwell", "yes"},
             {"--threads", "dos"}}) {
        const ResultadoArgumentos r = analizar({opcion, valor, "-o", "a"});
        EXPECT_NE(r.error, "") << opcion << " '" << valor << "'";
        EXPECT_NE(r.error.find(opcion), std::string::npos) << r.error;
    }
}

TEST(ArgumentosRender, UnRealSeLeeComoElProgramaLeeElMismoTexto) {
    for (std::string_view texto : {"0.1", "-4", "1e-30", "0x1p-3", "+INF", "-inf", "1.", ".5", "1E+2",
                                   "0.3333333333333333333333"}) {
        const std::optional<long double> v = leerRealEstricto(texto);
        ASSERT_TRUE(v) << texto;
        EXPECT_EQ(*v, textoAReal(texto)) << texto;
    }
    const std::optional<long double> nan = leerRealEstricto("nan");
    ASSERT_TRUE(nan);
    EXPECT_TRUE(std::isnan(*nan));
    EXPECT_FALSE(leerRealEstricto("0x"));
    EXPECT_FALSE(leerRealEstricto("."));
    EXPECT_FALSE(leerRealEstricto(std::string_view("1\0" "5", 3)));
}

// Texts the C grammar reads wholly, and texts it reads only in part or not at
// all, spelled out, and (where the C library's own strtold_l is at hand)
// checked against it too.
TEST(ArgumentosRender, UnRealEsEnteroSoloSiLaGramaticaDeCLoLeeEntero) {
    const std::string_view enteros[] = {
        "0",        "-0",        "+1.5",     "1e+05",  "1E-5",        "0x1.8p+3", "0X.8P-1", "0xA",   "infinity",
        "-INFINITY", "InFiNiTy", "nan()",    "NAN(abc)", "nan(0x1f_A)", "-nan(_)",  "00012",   "1.e3", ".5e-2"};
    const std::string_view partidos[] = {
        "infinit", "infinityy", "nan(", "nan(1", "nan(a b)", "nan(-1)", "nan)", "1e+",  "1e-x", "0x1p",
        "0x1p+",   "0x.p1",     "0x1g", "+",     "-",        "--1",     "+-1",  "1.5.", "1e5.5", "1 ",
        "1\n",     "e5",        "x1",   "0xx1",  "1..",      "inf.",    "in"};
    for (std::string_view t : enteros) {
        EXPECT_EQ(finDeReal(t), t.size()) << t;
        EXPECT_TRUE(leerRealEstricto(t)) << t;
    }
    for (std::string_view t : partidos) {
        EXPECT_LT(finDeReal(t), t.size()) << t;
        EXPECT_FALSE(leerRealEstricto(t)) << t;
    }
    // Where the number ends, for a few of them.
    EXPECT_EQ(finDeReal("infinit"), 3u);
    EXPECT_EQ(finDeReal("nan(1"), 3u);
    EXPECT_EQ(finDeReal("0x1p+"), 3u);
    EXPECT_EQ(finDeReal("0x.p1"), 1u);
    EXPECT_EQ(finDeReal("  -1e5.5"), 6u);
    EXPECT_EQ(finDeReal("--1"), 0u);
    // The grammar skips leading white space; an option holding it is refused.
    EXPECT_EQ(finDeReal("\t1"), 2u);
    EXPECT_FALSE(leerRealEstricto("\t1"));
#ifndef _WIN32
    // glibc's strtold follows the same grammar. (mingw's takes only hexadecimal
    // digits inside "nan(...)", which the program does not follow.)
    const locale_t localeC = newlocale(LC_ALL_MASK, "C", locale_t{});
    ASSERT_NE(localeC, locale_t{});
    std::vector<std::string_view> todos(std::begin(enteros), std::end(enteros));
    todos.insert(todos.end(), std::begin(partidos), std::end(partidos));
    for (std::string_view t : todos) {
        const std::string copia(t);
        char* fin = nullptr;
        strtold_l(copia.c_str(), &fin, localeC);
        EXPECT_EQ(finDeReal(t), static_cast<std::size_t>(fin - copia.c_str())) << t;
    }
    freelocale(localeC);
#endif
}

TEST(ArgumentosRender, ErroresDeLaLineaDeOrdenes) {
    EXPECT_NE(analizar({}).error.find("-o"), std::string::npos);
    EXPECT_NE(analizar({"vista.str"}).error.find("-o"), std::string::npos);
    EXPECT_NE(analizar({"-o"}).error.find("needs a value"), std::string::npos);
    EXPECT_NE(analizar({"-o", "a", "--lado"}).error.find("needs a value"), std::string::npos);
    EXPECT_NE(analizar({"-o", ""}).error, "");
    EXPECT_NE(analizar({"--salida="}).error, "");
    EXPECT_NE(analizar({"-o", "a", "--zoom", "2"}).error.find("unknown option '--zoom'"), std::string::npos);
    EXPECT_NE(analizar({"-o", "a", "-x"}).error.find("unknown option"), std::string::npos);
    EXPECT_NE(analizar({"-o", "a", "--help=1"}).error.find("takes no value"), std::string::npos);
    EXPECT_NE(analizar({"uno.str", "dos.str", "-o", "a"}).error.find("more than one"), std::string::npos);
}

TEST(ArgumentosRender, LaAyudaGanaACualquierError) {
    for (const auto& args : std::vector<std::vector<std::string_view>>{
             {"--help"}, {"-h"}, {"--zoom", "--help"}, {"--lado", "x", "-h"}, {"uno", "dos", "--help"}}) {
        const ResultadoArgumentos r = analizarArgumentos(args);
        EXPECT_EQ(r.error, "");
        EXPECT_TRUE(r.opciones.ayuda);
    }
    const std::string ayuda = textoAyuda(7);
    for (const char* opcion : {"-o", "--iteraciones", "--plano", "--color", "--dwell", "--x", "--y", "--lado",
                               "--paso", "--threads", "--help", "here 7"}) {
        EXPECT_NE(ayuda.find(opcion), std::string::npos) << opcion;
    }
}

}  // namespace
