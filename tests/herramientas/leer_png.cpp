#include "leer_png.h"

#include <fstream>
#include <iterator>

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#include <stb/stb_image.h>

namespace brenquil {

std::optional<PngLeido> leerPng(const std::filesystem::path& ruta, std::string& error) {
    std::ifstream archivo(ruta, std::ios::binary);
    if (!archivo) {
        error = "cannot open " + ruta.string();
        return std::nullopt;
    }
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(archivo), {}};
    const int tamano = static_cast<int>(bytes.size());
    PngLeido png;
    if (!stbi_info_from_memory(bytes.data(), tamano, &png.ancho, &png.alto, &png.canales)) {
        error = ruta.string() + ": " + stbi_failure_reason();
        return std::nullopt;
    }
    png.dieciseisBits = stbi_is_16_bit_from_memory(bytes.data(), tamano) != 0;
    int ancho = 0;
    int alto = 0;
    int canales = 0;
    unsigned char* rgb = stbi_load_from_memory(bytes.data(), tamano, &ancho, &alto, &canales, 3);
    if (rgb == nullptr) {
        error = ruta.string() + ": " + stbi_failure_reason();
        return std::nullopt;
    }
    png.pixeles.reserve(static_cast<std::size_t>(ancho) * alto);
    for (std::size_t i = 0; i < static_cast<std::size_t>(ancho) * alto; ++i) {
        png.pixeles.push_back(colorRGB(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]));
    }
    stbi_image_free(rgb);
    return png;
}

}  // namespace brenquil
