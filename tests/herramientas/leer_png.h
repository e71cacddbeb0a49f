// A PNG file read back with a decoder of its own (stb_image), for the tests of
// brenquil-render's writer.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "opciones_color.h"

namespace brenquil {

struct PngLeido {
    int ancho = 0;
    int alto = 0;
    int canales = 0;       // as stored in the file: 3 for RGB
    bool dieciseisBits = false;
    std::vector<Color> pixeles;  // row by row, 0x00BBGGRR
};

// The file decoded, or nothing with `error` saying why.
std::optional<PngLeido> leerPng(const std::filesystem::path& ruta, std::string& error);

}  // namespace brenquil
