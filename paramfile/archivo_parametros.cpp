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

// The first line of a view file: the key of the 135-byte record.
constexpr char INICIO_ARCHIVO_VISTA[] = "view=";

// The view of the record `registro` with the "Brenquil render" lines
// `dibujo` (when there are) over it, into `leida` and `leido`; how the lines
// are damaged, or an empty text.
std::string tomarRegistros(const std::string& registro, const std::optional<std::string>& dibujo, Vista& leida,
                           LecturaVista& leido) {
    leerRegistro(registro, leida);
    if (!dibujo) return "";
    Dibujo& d = leido.dibujo.emplace();
    if (std::string motivo = leerDibujo(*dibujo, d); !motivo.empty()) return motivo;
    Vista exacta = leida;
    exacta.xSupIzq = d.xSupIzq;
    exacta.ySupIzq = d.ySupIzq;
    exacta.lado = d.lado;
    leido.registroCambiado = escribirRegistro(exacta) != escribirRegistro(leida);
    if (!leido.registroCambiado) leida = exacta;
    return "";
}

}  // namespace

std::string textoArchivoVista(const Vista& vista, const Dibujo& dibujo) {
    return INICIO_ARCHIVO_VISTA + escribirRegistro(vista) + "\n" + escribirDibujo(dibujo);
}

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
                if (std::string motivo = tomarRegistros(*textos.textos[0], textos.textos[1], leida, leido);
                    !motivo.empty()) {
                    tipo = FalloLectura::PNG;
                    error = std::string("the PNG file's \"") + CLAVE_DIBUJO_PNG + "\" text is damaged: " + motivo;
                } else {
                    vista = leida;
                }
            }
        } else if (inicio.rfind(INICIO_ARCHIVO_VISTA, 0) == 0) {
            // A view file: the record's line, then the "Brenquil render"
            // lines, the whole file at most as long as a PNG's two texts.
            std::string texto = inicio;
            char bloque[4096];
            for (std::size_t n; texto.size() <= TEXTO_VISTA_MAXIMO + TEXTO_DIBUJO_MAXIMO &&
                                (n = std::fread(bloque, 1, sizeof bloque, archivo)) > 0;) {
                texto.append(bloque, n);
            }
            const std::size_t fin = texto.find('\n');
            Vista leida = vista;
            std::string motivo;
            if (std::ferror(archivo) != 0) {
                tipo = FalloLectura::LEER;
                error = std::strerror(errno);
            } else if (texto.size() > TEXTO_VISTA_MAXIMO + TEXTO_DIBUJO_MAXIMO) {
                motivo = "longer than a view file is";
            } else if (fin == std::string::npos) {
                motivo = "it has only the view's line";
            } else {
                const std::string registro = texto.substr(sizeof INICIO_ARCHIVO_VISTA - 1, fin - (sizeof INICIO_ARCHIVO_VISTA - 1));
                motivo = tomarRegistros(registro, texto.substr(fin + 1), leida, leido);
            }
            if (!motivo.empty()) {
                tipo = FalloLectura::ARCHIVO_VISTA;
                error = "the view file is damaged: " + motivo;
            } else if (tipo == FalloLectura::NINGUNO) {
                vista = leida;
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

std::string leerArchivoVistaVentana(const fs::path& ruta, Vista& vista, FalloLectura& fallo) {
    LecturaVista lectura;
    Vista leida = vista;
    std::string error = leerArchivoVista(ruta, leida, &fallo, &lectura);
    if (error.empty() && lectura.dibujo && lectura.dibujo->precision > PRECISION_80) {
        fallo = FalloLectura::PROFUNDA;
        return "cannot read '" + textoDeRuta(ruta) + "': the view is deeper than 80-bit numbers resolve (precision " +
               std::to_string(lectura.dibujo->precision) + ")";
    }
    if (error.empty()) vista = leida;
    return error;
}

std::string guardarArchivoParametros(const fs::path& ruta, const Vista& vista, std::error_code* causa) {
    const std::string registro = escribirRegistro(vista);
    return reemplazarArchivo(ruta, registro.data(), registro.size(), causa);
}

}  // namespace brenquil
