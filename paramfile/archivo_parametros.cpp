#include "archivo_parametros.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "archivo_nuevo.h"
#include "registro_parametros.h"
#include "sistema.h"
#include "textos_png.h"

namespace brenquil {
namespace fs = std::filesystem;

namespace {

// The longest view text taken from a PNG: room for the record and more, far
// from what a hostile file could make the reader hold.
constexpr std::size_t TEXTO_VISTA_MAXIMO = 4096;

}  // namespace

std::string leerArchivoVista(const fs::path& ruta, Vista& vista, FalloLectura* fallo) {
    FalloLectura tipo = FalloLectura::NINGUNO;
    std::string error;
    std::FILE* archivo = abrirEntrada(ruta, error);
    if (archivo == nullptr) {
        tipo = FalloLectura::ABRIR;
    } else {
        unsigned char datos[TAMANO_REGISTRO];
        const std::size_t leidos = std::fread(datos, 1, sizeof datos, archivo);
        const std::string inicio(reinterpret_cast<const char*>(datos), leidos);
        if (std::ferror(archivo) != 0) {
            tipo = FalloLectura::LEER;
            error = std::strerror(errno);
        } else if (esPng(inicio)) {
            // The reading goes on after the bytes already read: a pipe cannot
            // be rewound. Only the view's chunk is kept; its record is 135 bytes.
            LecturaPng lectura;
            if (!leerTextosPng(archivo, inicio, {{CLAVE_REGISTRO_PNG, TEXTO_VISTA_MAXIMO}}, lectura, error)) {
                tipo = FalloLectura::PNG;
            } else if (!lectura.textos[0]) {
                tipo = FalloLectura::PNG_SIN_VISTA;
                error = "a PNG without a Brenquil view";
            } else {
                leerRegistro(*lectura.textos[0], vista);
            }
        } else {
            leerRegistro(std::span<const unsigned char>(datos, leidos), vista);
        }
        std::fclose(archivo);
    }
    if (fallo) *fallo = tipo;
    return tipo == FalloLectura::NINGUNO ? std::string() : "cannot read '" + textoDeRuta(ruta) + "': " + error;
}

std::string guardarArchivoParametros(const fs::path& ruta, const Vista& vista, std::error_code* causa) {
    const std::string registro = escribirRegistro(vista);
    return reemplazarArchivo(ruta, registro.data(), registro.size(), causa);
}

}  // namespace brenquil
