// The PNG writer of brenquil-render in process, on both systems: the rows
// given in bands decode (with another library) to the same pixels, the text
// chunks read back, and a damaged file or one that is no PNG is told apart.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
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

    std::vector<TextoPng> textos(const fs::path& ruta, std::string& error) {
        std::vector<TextoPng> t;
        std::FILE* f = std::fopen(ruta.string().c_str(), "rb");
        if (!f) return t;
        if (!leerTextosPng(f, t, error)) t.clear();
        std::fclose(f);
        return t;
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

TEST_F(ImagenPng, LosTextosSeLeenDeLaCabezaDelArchivo) {
    const std::vector<TextoPng> escritos = {{"Brenquil view", std::string(135, 'x')},
                                            {"Description", "line one\nline two"},
                                            {"Software", ""}};
    escribir(carpeta_ / "t.png", imagenDePrueba(20, 10), 20, 10, 10, escritos);
    std::string error;
    EXPECT_EQ(textos(carpeta_ / "t.png", error), escritos);
    EXPECT_EQ(error, "");
    EXPECT_TRUE(esPng(contenido(carpeta_ / "t.png")));

    // A changed byte in a text chunk is found by its CRC.
    std::string roto = contenido(carpeta_ / "t.png");
    roto[roto.find("line one")] = 'L';
    std::ofstream(carpeta_ / "d.png", std::ios::binary) << roto;
    EXPECT_TRUE(textos(carpeta_ / "d.png", error).empty());
    EXPECT_NE(error.find("damaged"), std::string::npos) << error;

    // Not a PNG, and a PNG cut short before its picture data.
    std::ofstream(carpeta_ / "n.png", std::ios::binary) << "30    300350380";
    EXPECT_FALSE(esPng(contenido(carpeta_ / "n.png")));
    error.clear();
    EXPECT_TRUE(textos(carpeta_ / "n.png", error).empty());
    EXPECT_EQ(error, "not a PNG file");
    std::ofstream(carpeta_ / "c.png", std::ios::binary) << contenido(carpeta_ / "t.png").substr(0, 60);
    error.clear();
    EXPECT_TRUE(textos(carpeta_ / "c.png", error).empty());
    EXPECT_NE(error.find("ends"), std::string::npos) << error;
}

}  // namespace
