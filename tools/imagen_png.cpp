#include "imagen_png.h"

#include "archivo_nuevo.h"

// stb's encoder, compiled here and nowhere else. Its own deflate makes the
// same bytes from the same pixels in every build, so the Linux and Windows
// programs write identical files. The file side is ours.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#include <stb/stb_image_write.h>

namespace brenquil {
namespace {

// The picture as 8-bit RGB rows.
std::vector<unsigned char> bytesRgb(const std::vector<Color>& pixeles) {
    std::vector<unsigned char> rgb;
    rgb.reserve(pixeles.size() * 3);
    for (const Color c : pixeles) {
        rgb.push_back(rojoDe(c));
        rgb.push_back(verdeDe(c));
        rgb.push_back(azulDe(c));
    }
    return rgb;
}

// The whole PNG file in memory; empty when the encoder fails (it can only run
// out of memory).
std::vector<unsigned char> codificarPng(const std::vector<Color>& pixeles, int ancho, int alto) {
    const std::vector<unsigned char> rgb = bytesRgb(pixeles);
    std::vector<unsigned char> png;
    // stb builds the file in memory and hands it over in one call.
    const auto recibir = [](void* contexto, void* datos, int tamano) {
        const auto* bytes = static_cast<const unsigned char*>(datos);
        static_cast<std::vector<unsigned char>*>(contexto)->assign(bytes, bytes + tamano);
    };
    if (!stbi_write_png_to_func(recibir, &png, ancho, alto, 3, rgb.data(), ancho * 3)) png.clear();
    return png;
}

}  // namespace

std::string comprobarDestinoPng(const std::string& ruta) { return comprobarDestino(ruta); }

std::string escribirPng(const std::string& ruta, const std::vector<Color>& pixeles, int ancho, int alto) {
    if (std::string error = comprobarDestino(ruta); !error.empty()) return error;
    const std::vector<unsigned char> png = codificarPng(pixeles, ancho, alto);
    if (png.empty()) return "cannot write '" + ruta + "': the PNG encoder failed";
    return reemplazarArchivo(ruta, png.data(), png.size());
}

}  // namespace brenquil
