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

// The corner and side of a "Brenquil render" text into `exacta`. Returns an
// empty text, or what is wrong.
std::string leerEsquinaExacta(const std::string& texto, Vista& exacta) {
    std::map<std::string, std::string> valores;
    if (std::string motivo = leerLineasDibujo(texto, valores); !motivo.empty()) return motivo;
    for (const auto& [clave, destino] : {std::pair<const char*, long double*>{"x", &exacta.xSupIzq},
                                         {"y", &exacta.ySupIzq}, {"side", &exacta.lado}}) {
        const auto it = valores.find(clave);
        if (it == valores.end()) return std::string("it lacks '") + clave + "'";
        const std::optional<long double> v = leerRealEstricto(it->second);
        if (!v) return "'" + it->first + "=" + it->second + "' is not a value of " + it->first;
        *destino = *v;
    }
    return "";
}

}  // namespace

std::string leerLineasDibujo(const std::string& texto, std::map<std::string, std::string>& valores) {
    std::size_t inicio = 0;
    while (inicio < texto.size()) {
        std::size_t fin = texto.find('\n', inicio);
        if (fin == std::string::npos) fin = texto.size();
        const std::string linea = texto.substr(inicio, fin - inicio);
        inicio = fin + 1;
        const std::size_t igual = linea.find('=');
        if (igual == std::string::npos) return "a line without '='";
        if (!valores.emplace(linea.substr(0, igual), linea.substr(igual + 1)).second) {
            return "'" + linea.substr(0, igual) + "' given twice";
        }
    }
    return "";
}

std::string leerArchivoVista(const fs::path& ruta, Vista& vista, FalloLectura* fallo,
                             std::optional<std::string>* dibujo) {
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
            if (!leerTextosPng(archivo, inicio,
                               {{CLAVE_REGISTRO_PNG, TEXTO_VISTA_MAXIMO}, {CLAVE_DIBUJO_PNG, TEXTO_DIBUJO_MAXIMO}},
                               lectura, error)) {
                tipo = FalloLectura::PNG;
            } else if (!lectura.textos[0]) {
                tipo = FalloLectura::PNG_SIN_VISTA;
                error = "a PNG without a Brenquil view";
            } else {
                Vista leida = vista;
                leerRegistro(*lectura.textos[0], leida);
                Vista exacta = leida;
                if (lectura.textos[1]) {
                    if (std::string motivo = leerEsquinaExacta(*lectura.textos[1], exacta); !motivo.empty()) {
                        tipo = FalloLectura::PNG;
                        error = std::string("the PNG file's \"") + CLAVE_DIBUJO_PNG + "\" text is damaged: " + motivo;
                    } else if (escribirRegistro(exacta) == escribirRegistro(leida)) {
                        leida = exacta;
                    }
                    if (dibujo) *dibujo = lectura.textos[1];
                }
                if (tipo == FalloLectura::NINGUNO) vista = leida;
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
