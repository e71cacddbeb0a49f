#include "imagen_png.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

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
// ".<name>.<pid>-<n>.tmp" so that it stays out of ordinary listings. O_EXCL
// makes the creation fail rather than reuse an existing file; the mode 0666 is
// narrowed by the umask as for any new file.
int crearTemporal(const fs::path& destino, fs::path& temporal, std::string& error) {
    static unsigned contador = 0;
    for (int intento = 0; intento < 100; ++intento) {
        std::string nombre(1, '.');
        nombre.append(destino.filename().string()).append(".").append(std::to_string(getpid()));
        nombre.append("-").append(std::to_string(contador++)).append(".tmp");
        temporal = carpetaDe(destino) / nombre;
        const int fd = open(temporal.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) return fd;
        if (errno != EEXIST) {
            error = "cannot create a file in " + citar(carpetaDe(destino).string()) + ": " + std::strerror(errno);
            return -1;
        }
    }
    error = "cannot find a free temporary name beside " + citar(destino.string());
    return -1;
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

// Writes the PNG into the open file and closes it; an error text on failure.
std::string escribirEnArchivo(int fd, const std::vector<Color>& pixeles, int ancho, int alto) {
    FILE* archivo = fdopen(fd, "wb");
    if (archivo == nullptr) {
        const std::string error = std::strerror(errno);
        close(fd);
        return error;
    }
    png_image imagen;
    std::memset(&imagen, 0, sizeof imagen);
    imagen.version = PNG_IMAGE_VERSION;
    imagen.width = static_cast<png_uint_32>(ancho);
    imagen.height = static_cast<png_uint_32>(alto);
    imagen.format = PNG_FORMAT_RGB;
    const std::vector<unsigned char> rgb = bytesRgb(pixeles);
    std::string error;
    if (!png_image_write_to_stdio(&imagen, archivo, 0, rgb.data(), 0, nullptr)) {
        error = std::string("libpng: ") + imagen.message;
    } else if (std::fflush(archivo) != 0 || fsync(fileno(archivo)) != 0) {
        error = std::strerror(errno);  // a full disk shows here
    }
    png_image_free(&imagen);
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
    if (access(carpeta.c_str(), W_OK | X_OK) != 0) {
        return "cannot write " + citar(ruta) + ": " + std::strerror(errno);
    }
    const fs::file_status estado = fs::status(destino, ec);
    if (fs::is_directory(estado)) return "cannot write " + citar(ruta) + ": it is a folder";
    if (fs::exists(estado)) {
        if (!fs::is_regular_file(estado)) return "cannot write " + citar(ruta) + ": not a regular file";
        if ((estado.permissions() & fs::perms::owner_write) == fs::perms::none) {
            return "cannot write " + citar(ruta) + ": the file is read-only";
        }
    }
    return {};
}

std::string escribirPng(const std::string& ruta, const std::vector<Color>& pixeles, int ancho, int alto) {
    if (std::string error = comprobarDestinoPng(ruta); !error.empty()) return error;
    const fs::path destino(ruta);
    fs::path temporal;
    std::string error;
    const int fd = crearTemporal(destino, temporal, error);
    if (fd < 0) return error;

    error = escribirEnArchivo(fd, pixeles, ancho, alto);
    if (error.empty() && std::rename(temporal.c_str(), destino.c_str()) != 0) error = std::strerror(errno);
    if (!error.empty()) {
        unlink(temporal.c_str());
        return "cannot write " + citar(ruta) + ": " + error;
    }
    return {};
}

}  // namespace brenquil
