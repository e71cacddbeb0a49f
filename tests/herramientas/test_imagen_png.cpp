// The PNG writer of brenquil-render in process, on both systems: the file
// decodes to the same pixels, replaces an earlier one only when complete, and
// every refusal leaves the folder as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "imagen_png.h"
#include "leer_png.h"

using namespace brenquil;
namespace fs = std::filesystem;

namespace {

// A picture in which every channel changes along both axes, so that a swap of
// channels, rows or columns, or a wrong row length, changes some pixel.
std::vector<Color> imagenDePrueba(int ancho, int alto) {
    std::vector<Color> pixeles;
    for (int y = 0; y < alto; ++y) {
        for (int x = 0; x < ancho; ++x) {
            pixeles.push_back(colorRGB(static_cast<uint8_t>(x * 7 + y), static_cast<uint8_t>(y * 13 + 2 * x),
                                       static_cast<uint8_t>(x * y + 91)));
        }
    }
    return pixeles;
}

std::string contenido(const fs::path& ruta) {
    std::ifstream archivo(ruta, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(archivo), {});
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
        if (carpeta_.empty()) return;
        std::error_code ec;
        // Windows deletes no read-only file.
        for (const auto& e : fs::recursive_directory_iterator(carpeta_, ec)) {
            fs::permissions(e.path(), fs::perms::owner_write, fs::perm_options::add, ec);
        }
        fs::remove_all(carpeta_, ec);
    }

    std::set<std::string> archivos() const {
        std::set<std::string> nombres;
        for (const auto& e : fs::directory_iterator(carpeta_)) nombres.insert(e.path().filename().string());
        return nombres;
    }

    // Writes, then decodes the file with another library.
    std::vector<Color> escribirYLeer(const fs::path& ruta, const std::vector<Color>& pixeles, int ancho, int alto) {
        EXPECT_EQ(escribirPng(ruta.string(), pixeles, ancho, alto), "");
        std::string error;
        const std::optional<PngLeido> png = leerPng(ruta, error);
        if (!png) {
            ADD_FAILURE() << error;
            return {};
        }
        EXPECT_EQ(png->ancho, ancho);
        EXPECT_EQ(png->alto, alto);
        EXPECT_EQ(png->canales, 3);
        EXPECT_FALSE(png->dieciseisBits);
        return png->pixeles;
    }

    fs::path carpeta_;
};

TEST_F(ImagenPng, ElArchivoDaLosMismosPixelesFilaAFila) {
    const std::vector<Color> cuadrada = imagenDePrueba(400, 400);
    EXPECT_EQ(escribirYLeer(carpeta_ / "cuadrada.png", cuadrada, 400, 400), cuadrada);
    // Not square: rows and columns cannot be confused.
    const std::vector<Color> ancha = imagenDePrueba(7, 3);
    EXPECT_EQ(escribirYLeer(carpeta_ / "ancha.png", ancha, 7, 3), ancha);
    EXPECT_EQ(archivos(), (std::set<std::string>{"cuadrada.png", "ancha.png"}));
}

TEST_F(ImagenPng, UnArchivoAnteriorSeReemplazaYNoQuedanTemporales) {
    std::ofstream(carpeta_ / "sal.png", std::ios::binary) << "anterior";
    fs::create_directory(carpeta_ / "dentro");
    const std::vector<Color> pixeles = imagenDePrueba(400, 400);
    EXPECT_EQ(escribirYLeer(carpeta_ / "sal.png", pixeles, 400, 400), pixeles);
    // A path with a folder, written twice: the second time over the first.
    EXPECT_EQ(escribirYLeer(carpeta_ / "dentro" / "otra.png", pixeles, 400, 400), pixeles);
    const std::string primera = contenido(carpeta_ / "dentro" / "otra.png");
    EXPECT_EQ(escribirYLeer(carpeta_ / "dentro" / "otra.png", pixeles, 400, 400), pixeles);
    // The same pixels make the same bytes.
    EXPECT_EQ(contenido(carpeta_ / "dentro" / "otra.png"), primera);
    EXPECT_EQ(contenido(carpeta_ / "sal.png"), primera);
    EXPECT_EQ(archivos(), (std::set<std::string>{"sal.png", "dentro"}));
    EXPECT_EQ(fs::directory_iterator(carpeta_ / "dentro")->path().filename(), "otra.png");
}

TEST_F(ImagenPng, CadaDestinoImposibleSeRechazaSinTocarNada) {
    fs::create_directory(carpeta_ / "subcarpeta");
    std::ofstream(carpeta_ / "protegida.png", std::ios::binary) << "protegida";
    fs::permissions(carpeta_ / "protegida.png",
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    const std::set<std::string> antes = archivos();
    const std::vector<Color> pixeles = imagenDePrueba(400, 400);

    const std::pair<fs::path, std::string> casos[] = {
        {carpeta_ / "subcarpeta", "it is a folder"},
        {carpeta_ / "no-existe" / "sal.png", "no folder"},
        {carpeta_ / "protegida.png", "the file is read-only"},
        {carpeta_ / ".", "names a folder"},
        {carpeta_ / "subcarpeta" / "..", "names a folder"},
    };
    for (const auto& [ruta, mensaje] : casos) {
        SCOPED_TRACE(ruta.string());
        const std::string comprobado = comprobarDestinoPng(ruta.string());
        EXPECT_NE(comprobado.find(mensaje), std::string::npos) << comprobado;
        const std::string escrito = escribirPng(ruta.string(), pixeles, 400, 400);
        EXPECT_EQ(escrito, comprobado);
        EXPECT_EQ(archivos(), antes);
        EXPECT_TRUE(fs::is_empty(carpeta_ / "subcarpeta"));
    }
    EXPECT_EQ(contenido(carpeta_ / "protegida.png"), "protegida");
    // A writable target passes the check, which leaves nothing behind.
    EXPECT_EQ(comprobarDestinoPng((carpeta_ / "nueva.png").string()), "");
    EXPECT_EQ(archivos(), antes);
}

}  // namespace
