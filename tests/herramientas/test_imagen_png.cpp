// The PNG writer and text reader of brenquil-render in process, on both
// systems: the rows given in bands decode (with another library) to the same
// pixels; the texts asked for are found in any text chunk, anywhere, from a
// file or a pipe; a damaged or hostile file is refused after little reading.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "imagen_png.h"
#include "leer_png.h"

using namespace brenquil;
namespace fs = std::filesystem;

namespace {

// A picture in which every channel changes along both axes, so that a swap of
// channels, rows or columns, or a wrong row length, changes some pixel; with
// flat runs and noise, so that every filter gets chosen somewhere.
std::vector<Color> imagenDePrueba(int ancho, int alto) {
    std::mt19937 azar(7);
    std::vector<Color> pixeles;
    for (int y = 0; y < alto; ++y) {
        for (int x = 0; x < ancho; ++x) {
            const bool ruido = (x / 16 + y / 16) % 3 == 0;
            pixeles.push_back(ruido ? static_cast<Color>(azar() & 0xFFFFFF)
                                    : colorRGB(static_cast<uint8_t>(x * 7 + y), static_cast<uint8_t>(y * 13 + 2 * x),
                                               static_cast<uint8_t>(x * y + 91)));
        }
    }
    return pixeles;
}

struct Lectura {
    bool abierto = false;  // false for a pipe where there are none
    bool bien = false;
    std::optional<std::string> vista;
    std::string error;
    uint64_t leidos = 0;
};

// The view of the PNG at `ruta`, as brenquil-render reads it: `previos` bytes
// read first, the rest given to the reader; from the file itself or, outside
// Windows, through a pipe.
Lectura leerVista(const fs::path& ruta, bool porTubo, std::size_t previos, const LimitesPng& limites = {}) {
    Lectura l;
#ifdef _WIN32
    if (porTubo) return l;
    std::FILE* f = std::fopen(ruta.string().c_str(), "rb");
#else
    std::FILE* f = porTubo ? popen(("cat '" + ruta.string() + "'").c_str(), "r") : std::fopen(ruta.c_str(), "rb");
#endif
    if (f == nullptr) {
        ADD_FAILURE() << "cannot open " << ruta;
        return l;
    }
    l.abierto = true;
    std::string ya(previos, '\0');
    ya.resize(std::fread(ya.data(), 1, previos, f));
    LecturaPng t;
    l.bien = leerTextosPng(f, ya, {{"Brenquil view", 4096}}, t, l.error, limites);
    if (l.bien) l.vista = t.textos[0];
    l.leidos = t.leidos;
#ifndef _WIN32
    if (porTubo) {
        pclose(f);
        return l;
    }
#endif
    std::fclose(f);
    return l;
}

class ImagenPng : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device azar;
        for (int intento = 0; intento < 100 && carpeta_.empty(); ++intento) {
            const fs::path c = fs::temp_directory_path() / ("brenquil-png-" + std::to_string(azar()));
            if (fs::create_directory(c)) carpeta_ = c;
        }
        ASSERT_FALSE(carpeta_.empty());
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(carpeta_, ec);
    }

    // Writes the picture in bands of `filasPorBanda` rows.
    void escribir(const fs::path& ruta, const std::vector<Color>& pixeles, int ancho, int alto, int filasPorBanda,
                  const std::vector<TextoPng>& textos = {}) {
        std::FILE* f = std::fopen(ruta.string().c_str(), "wb");
        ASSERT_NE(f, nullptr);
        EscritorPng png;
        ASSERT_EQ(png.empezar(f, ancho, alto, textos), "");
        for (int y = 0; y < alto; y += filasPorBanda) {
            ASSERT_EQ(png.escribirFilas(pixeles.data() + static_cast<std::size_t>(y) * ancho, std::min(filasPorBanda, alto - y)), "");
        }
        ASSERT_EQ(png.terminar(), "");
        ASSERT_EQ(std::fclose(f), 0);
    }

    static std::string contenido(const fs::path& ruta) {
        std::ifstream archivo(ruta, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(archivo), {});
    }

    fs::path carpeta_;
};

TEST_F(ImagenPng, LasFilasEnBandasDanLosMismosPixeles) {
    struct Caso {
        int ancho, alto, banda;
    };
    for (const Caso& c : {Caso{400, 400, 400}, Caso{7, 3, 1}, Caso{1, 1, 1}, Caso{1000, 333, 64}}) {
        SCOPED_TRACE(::testing::Message() << c.ancho << " x " << c.alto << " in bands of " << c.banda);
        const std::vector<Color> pixeles = imagenDePrueba(c.ancho, c.alto);
        const fs::path ruta = carpeta_ / "imagen.png";
        escribir(ruta, pixeles, c.ancho, c.alto, c.banda);
        std::string error;
        const std::optional<PngLeido> png = leerPng(ruta, error);
        ASSERT_TRUE(png) << error;
        EXPECT_EQ(png->ancho, c.ancho);
        EXPECT_EQ(png->alto, c.alto);
        EXPECT_EQ(png->canales, 3);
        EXPECT_FALSE(png->dieciseisBits);
        EXPECT_TRUE(png->pixeles == pixeles);
    }
    // The bands do not change the bytes.
    const std::vector<Color> pixeles = imagenDePrueba(300, 200);
    escribir(carpeta_ / "una.png", pixeles, 300, 200, 200);
    escribir(carpeta_ / "muchas.png", pixeles, 300, 200, 3);
    EXPECT_EQ(contenido(carpeta_ / "una.png"), contenido(carpeta_ / "muchas.png"));
}

// A PNG built chunk by chunk, each with its CRC.
std::string u32(uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}

std::string bloque(const std::string& tipo, const std::string& datos) {
    const std::string cuerpo = tipo + datos;
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(cuerpo.data()), static_cast<uInt>(cuerpo.size()));
    return u32(static_cast<uint32_t>(datos.size())) + cuerpo + u32(static_cast<uint32_t>(crc));
}

std::string zlib(const std::string& texto) {
    uLongf largo = compressBound(static_cast<uLong>(texto.size()));
    std::string datos(largo, '\0');
    compress2(reinterpret_cast<Bytef*>(datos.data()), &largo, reinterpret_cast<const Bytef*>(texto.data()),
              static_cast<uLong>(texto.size()), 9);
    datos.resize(largo);
    return datos;
}

const std::string CERO(1, '\0');
const std::string CABEZA = std::string("\x89PNG\r\n\x1a\n", 8) + bloque("IHDR", u32(1) + u32(1) + "\x08\x02" + CERO + CERO + CERO);
const std::string IDAT = bloque("IDAT", zlib(std::string(4, '\0')));
const std::string IEND = bloque("IEND", "");
const std::string VISTA = "30    300350380   -2.00000000000000000000E+0000" + std::string(87, '1');
const std::string OTRA(135, 'o');

std::string tEXt(const std::string& clave, const std::string& texto) { return bloque("tEXt", clave + CERO + texto); }
std::string zTXt(const std::string& clave, const std::string& texto) {
    return bloque("zTXt", clave + CERO + CERO + zlib(texto));
}
std::string iTXt(const std::string& clave, const std::string& texto, bool comprimido) {
    return bloque("iTXt", clave + CERO + (comprimido ? "\x01" : CERO) + CERO + "es" + CERO + "Vista de Brenquil" + CERO +
                              (comprimido ? zlib(texto) : texto));
}

TEST_F(ImagenPng, LosTextosPedidosSeLeenDelArchivo) {
    const std::vector<TextoPng> escritos = {{"Brenquil view", std::string(135, 'x')},
                                            {"Description", "line one\nline two"},
                                            {"Software", ""}};
    escribir(carpeta_ / "t.png", imagenDePrueba(20, 10), 20, 10, 10, escritos);
    EXPECT_TRUE(esPng(contenido(carpeta_ / "t.png")));
    EXPECT_FALSE(esPng("30    300350380"));

    // Any keywords in any order; one that is not there stays empty. A
    // changed byte in a text asked for is found by its CRC.
    std::string roto = contenido(carpeta_ / "t.png");
    roto[roto.find("line one")] = 'L';
    std::ofstream(carpeta_ / "d.png", std::ios::binary) << roto;
    const std::vector<ClavePng> claves = {{"Software", 10}, {"Missing", 10}, {"Description", 100}, {"Brenquil view", 135}};
    for (const char* nombre : {"t.png", "d.png"}) {
        std::FILE* f = std::fopen((carpeta_ / nombre).string().c_str(), "rb");
        ASSERT_NE(f, nullptr);
        LecturaPng t;
        std::string error;
        const bool bien = leerTextosPng(f, "", claves, t, error);
        std::fclose(f);
        if (nombre == std::string("t.png")) {
            ASSERT_TRUE(bien) << error;
            EXPECT_EQ(t.textos, (std::vector<std::optional<std::string>>{"", std::nullopt, "line one\nline two",
                                                                           std::string(135, 'x')}));
        } else {
            EXPECT_FALSE(bien);
            EXPECT_EQ(error, "the PNG file is damaged (the CRC of its \"Description\" chunk does not match)");
        }
    }
}

// The view from PNG files as image tools leave them and as a hostile one
// makes them: from the start of a file, after its first bytes were read, and
// through a pipe, with the same outcome each way. Reading stops once the view
// is found, and refuses a file before reading much of it.
TEST_F(ImagenPng, LaVistaSeEncuentraDondeEsteYLoHostilSeRechaza) {
    const std::string bomba = zlib(std::string(10'000'000, '\0'));
    ASSERT_LT(bomba.size(), 12'000u);
    const std::string zTXtRoto = bloque("zTXt", "Brenquil view" + CERO + CERO + "no zlib data");
    std::string crcMalo = tEXt("Brenquil view", VISTA);
    crcMalo.back() ^= 1;
    const std::string zTXtCorto = [] {
        std::string b = zTXt("Brenquil view", VISTA);
        return bloque("zTXt", b.substr(8, b.size() - 12 - 10));
    }();
    std::string muchos = CABEZA;
    for (int i = 0; i < (1 << 20); ++i) muchos += bloque("abCd", "");
    struct Caso {
        const char* que;
        std::string bytes;
        std::optional<std::string> vista;  // when read
        std::string error;                 // a piece of it, when refused
        uint64_t leidosMaximo = UINT64_MAX;
    };
    const Caso casos[] = {
        {"tEXt ahead of the picture", CABEZA + tEXt("Brenquil view", VISTA) + IDAT + IEND, VISTA, "",
         (CABEZA + tEXt("Brenquil view", VISTA)).size()},
        {"zTXt after the picture", CABEZA + IDAT + tEXt("date:create", "2026") + zTXt("Brenquil view", VISTA) + IEND,
         VISTA, ""},
        {"iTXt", CABEZA + iTXt("Brenquil view", VISTA, false) + IDAT + IEND, VISTA, ""},
        {"iTXt compressed", CABEZA + IDAT + iTXt("Brenquil view", VISTA, true) + IEND, VISTA, ""},
        {"the first of two", CABEZA + zTXt("Brenquil view", VISTA) + IDAT + tEXt("Brenquil view", OTRA) + IEND, VISTA,
         ""},
        {"other chunks, damaged, long or odd",
         CABEZA + bloque("abCd", std::string(100'000, 'a')) + tEXt(std::string(200, 'k'), "") +
             bloque("zTXt", "Comment" + CERO + CERO + "no zlib data") + std::string(crcMalo).replace(8, 13, "Brenquil View") +
             iTXt("Brenquil", OTRA, true) + tEXt("Brenquil view ", OTRA) + IDAT.substr(0, IDAT.size() - 1) + "?" +
             tEXt("Brenquil view", VISTA) + IEND,
         VISTA, ""},
        {"no view", CABEZA + tEXt("Comment", VISTA) + IDAT + IEND, std::nullopt, ""},
        {"not a PNG", "30    300350380", std::nullopt, "not a PNG file"},
        {"cut short", CABEZA + IDAT.substr(0, 20), std::nullopt, "ends inside a chunk"},
        {"without IEND", CABEZA + IDAT, std::nullopt, "ends before its IEND chunk"},
        {"a chunk type not of letters", CABEZA + bloque("ab1d", ""), std::nullopt, "damaged"},
        {"a damaged CRC", CABEZA + crcMalo + IEND, std::nullopt, "damaged (the CRC"},
        {"a view longer than its maximum", CABEZA + tEXt("Brenquil view", std::string(4097, 'x')) + IEND, std::nullopt,
         "\"Brenquil view\" text is longer than 4096 bytes"},
        {"a long view chunk, refused unread", CABEZA + tEXt("Brenquil view", std::string(1'000'000, 'x')) + IEND,
         std::nullopt, "is longer than 4096 bytes", CABEZA.size() + 8 + 80},
        {"a zip bomb", CABEZA + bloque("zTXt", "Brenquil view" + CERO + CERO + bomba) + IEND, std::nullopt,
         "is longer than 4096 bytes"},
        {"zTXt not zlib", CABEZA + zTXtRoto + IEND, std::nullopt, "does not inflate"},
        {"zTXt cut short", CABEZA + zTXtCorto + IEND, std::nullopt, "cut short"},
        {"iTXt of another compression", CABEZA + bloque("iTXt", "Brenquil view" + CERO + "\x01\x01" + CERO + CERO) + IEND,
         std::nullopt, "unknown compression method"},
        {"a chunk of 2 GiB in a short file", CABEZA + u32(0x7FFFFFFF) + "abCd" + std::string(100, 'a'), std::nullopt,
         "ends inside a chunk", CABEZA.size() + 8 + 100},
        {"2^20 empty chunks", muchos + tEXt("Brenquil view", VISTA) + IEND, std::nullopt, "more than 1048576 chunks",
         muchos.size()},
    };
    for (const Caso& c : casos) {
        std::ofstream(carpeta_ / "p.png", std::ios::binary) << c.bytes;
        for (const int modo : {0, 1, 2}) {
            SCOPED_TRACE(::testing::Message() << c.que << (modo == 0 ? ", a file" : modo == 1 ? ", a file after 20 bytes"
                                                                                              : ", a pipe"));
            const Lectura l = leerVista(carpeta_ / "p.png", modo == 2, modo == 0 ? 0 : 20);
            if (!l.abierto) continue;
            EXPECT_EQ(l.bien, c.error.empty()) << l.error;
            EXPECT_EQ(l.vista, c.vista);
            EXPECT_NE(l.error.find(c.error), std::string::npos) << l.error;
            EXPECT_LE(l.leidos, c.leidosMaximo);
        }
    }

    // A sparse file with a 2 GiB chunk ahead of the view: the chunk is
    // skipped, not read. Through a pipe the bytes read run out first.
    const std::string antes = CABEZA + u32(0x7FFFFFFF) + "abCd";
    std::ofstream(carpeta_ / "g.png", std::ios::binary) << antes;
    fs::resize_file(carpeta_ / "g.png", antes.size() + 0x7FFFFFFF + 4);
    std::ofstream(carpeta_ / "g.png", std::ios::binary | std::ios::app) << tEXt("Brenquil view", VISTA) << IEND;
    const Lectura archivo = leerVista(carpeta_ / "g.png", false, 20);
    EXPECT_TRUE(archivo.bien) << archivo.error;
    EXPECT_EQ(archivo.vista, VISTA);
    EXPECT_LT(archivo.leidos, 10'000u);
    const Lectura tubo = leerVista(carpeta_ / "g.png", true, 20, {.bytes = 1 << 20});
    if (tubo.abierto) {
        EXPECT_EQ(tubo.error, "gave up after reading 1048576 bytes of the PNG file");
        EXPECT_LE(tubo.leidos, 1u << 20);
    }
}

}  // namespace
