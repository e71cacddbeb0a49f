#include "archivo_parametros.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "archivo_nuevo.h"
#include "registro_parametros.h"
#include "sistema.h"
#include "texto_numero.h"
#include "textos_png.h"

namespace brenquil {
namespace fs = std::filesystem;

namespace {

// The longest view text, and "Brenquil render" text, taken from a PNG: room
// for what they hold and more, far from what a hostile file could make the
// reader hold.
constexpr std::size_t TEXTO_VISTA_MAXIMO = 4096;
constexpr std::size_t TEXTO_DIBUJO_MAXIMO = 4096;

}  // namespace

std::string leerArchivoVista(const fs::path& ruta, Vista& vista, FalloLectura* fallo, LecturaVista* lectura) {
    LecturaVista leido;
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
            // be rewound. Only the chunks of the two records are kept.
            leido.png = true;
            LecturaPng textos;
            if (!leerTextosPng(archivo, inicio,
                               {{CLAVE_REGISTRO_PNG, TEXTO_VISTA_MAXIMO}, {CLAVE_DIBUJO_PNG, TEXTO_DIBUJO_MAXIMO}},
                               textos, error)) {
                tipo = FalloLectura::PNG;
            } else if (!textos.textos[0]) {
                tipo = FalloLectura::PNG_SIN_VISTA;
                error = "a PNG without a Brenquil view";
            } else {
                Vista leida = vista;
                leerRegistro(*textos.textos[0], leida);
                if (textos.textos[1]) {
                    Dibujo& d = leido.dibujo.emplace();
                    if (std::string motivo = leerDibujo(*textos.textos[1], d); !motivo.empty()) {
                        tipo = FalloLectura::PNG;
                        error = std::string("the PNG file's \"") + CLAVE_DIBUJO_PNG + "\" text is damaged: " + motivo;
                    } else {
                        Vista exacta = leida;
                        exacta.xSupIzq = d.xSupIzq;
                        exacta.ySupIzq = d.ySupIzq;
                        exacta.lado = d.lado;
                        leido.registroCambiado = escribirRegistro(exacta) != escribirRegistro(leida);
                        if (!leido.registroCambiado) leida = exacta;
                    }
                }
                if (tipo == FalloLectura::NINGUNO) vista = leida;
            }
        } else {
            leerRegistro(std::span<const unsigned char>(datos, leidos), vista);
        }
        std::fclose(archivo);
    }
    if (fallo) *fallo = tipo;
    if (lectura && tipo == FalloLectura::NINGUNO) *lectura = std::move(leido);
    return tipo == FalloLectura::NINGUNO ? std::string() : "cannot read '" + textoDeRuta(ruta) + "': " + error;
}

std::string guardarArchivoParametros(const fs::path& ruta, const Vista& vista, std::error_code* causa) {
    const std::string registro = escribirRegistro(vista);
    return reemplazarArchivo(ruta, registro.data(), registro.size(), causa);
}

}  // namespace brenquil
