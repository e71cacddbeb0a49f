#include "imagen_png.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "sistema.h"

// stb's encoder, compiled here and nowhere else. Its own deflate makes the
// same bytes from the same pixels in every build, so the Linux and Windows
// programs write identical files. The file side is ours.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#include <stb/stb_image_write.h>

namespace brenquil {
namespace fs = std::filesystem;
namespace {

std::string citar(const std::string& texto) {
    std::string t(1, '\'');
    t.append(texto);
    t += '\'';
    return t;
}

// The folder a file path lies in; "." for a bare name.
fs::path carpetaDe(const fs::path& ruta) {
    const fs::path carpeta = ruta.parent_path();
    return carpeta.empty() ? fs::path(".") : carpeta;
}

// Creates a new file beside `destino` that no one else uses, named
// ".<name>.<pid>-<n>.tmp" so that it stays out of ordinary listings. Nothing
// when the folder refuses new files, with errno telling why.
std::FILE* crearTemporal(const fs::path& destino, fs::path& temporal) {
    static unsigned contador = 0;
    for (int intento = 0; intento < 100; ++intento) {
        fs::path nombre(".");
        nombre += destino.filename();
        std::string sufijo(1, '.');
        sufijo.append(std::to_string(numeroProceso())).append("-").append(std::to_string(contador++)).append(".tmp");
        nombre += sufijo;
        temporal = carpetaDe(destino) / nombre;
        if (std::FILE* archivo = crearArchivoNuevo(temporal)) return archivo;
        if (errno != EEXIST) return nullptr;
    }
    errno = EEXIST;
    return nullptr;
}

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

// Writes the bytes into the open file and closes it; an error text on failure.
std::string escribirEnArchivo(std::FILE* archivo, const std::vector<unsigned char>& bytes) {
    std::string error;
    if (std::fwrite(bytes.data(), 1, bytes.size(), archivo) != bytes.size() || !volcarAlDisco(archivo)) {
        error = std::strerror(errno);  // a full disk shows here
    }
    if (std::fclose(archivo) != 0 && error.empty()) error = std::strerror(errno);
    return error;
}

}  // namespace

std::string comprobarDestinoPng(const std::string& ruta) {
    const fs::path destino(ruta);
    if (destino.filename().empty() || destino.filename() == "." || destino.filename() == "..") {
        return citar(ruta) + " names a folder, not a file";
    }
    const fs::path carpeta = carpetaDe(destino);
    std::error_code ec;
    if (!fs::is_directory(carpeta, ec)) return "cannot write " + citar(ruta) + ": no folder " + citar(carpeta.string());
    const fs::file_status estado = fs::status(destino, ec);
    if (fs::is_directory(estado)) return "cannot write " + citar(ruta) + ": it is a folder";
    if (fs::exists(estado)) {
        if (!fs::is_regular_file(estado)) return "cannot write " + citar(ruta) + ": not a regular file";
        if ((estado.permissions() & fs::perms::owner_write) == fs::perms::none) {
            return "cannot write " + citar(ruta) + ": the file is read-only";
        }
    }
    // Whether the folder takes a new file is known only by making one: the
    // permission bits do not tell it under Windows (ACLs) nor for root.
    fs::path prueba;
    std::FILE* archivo = crearTemporal(destino, prueba);
    if (archivo == nullptr) return "cannot write " + citar(ruta) + ": " + std::strerror(errno);
    std::fclose(archivo);
    fs::remove(prueba, ec);
    return {};
}

std::string escribirPng(const std::string& ruta, const std::vector<Color>& pixeles, int ancho, int alto) {
    if (std::string error = comprobarDestinoPng(ruta); !error.empty()) return error;
    const std::vector<unsigned char> png = codificarPng(pixeles, ancho, alto);
    if (png.empty()) return "cannot write " + citar(ruta) + ": the PNG encoder failed";

    const fs::path destino(ruta);
    fs::path temporal;
    std::FILE* archivo = crearTemporal(destino, temporal);
    if (archivo == nullptr) return "cannot write " + citar(ruta) + ": " + std::strerror(errno);
    std::string error = escribirEnArchivo(archivo, png);
    if (error.empty()) {
        // Replaces an existing target on both systems: rename() on POSIX,
        // MoveFileExW with MOVEFILE_REPLACE_EXISTING in mingw's libstdc++.
        std::error_code ec;
        fs::rename(temporal, destino, ec);
        if (ec) error = ec.message();
    }
    if (!error.empty()) {
        std::error_code ec;
        fs::remove(temporal, ec);
        return "cannot write " + citar(ruta) + ": " + error;
    }
    return {};
}

}  // namespace brenquil
