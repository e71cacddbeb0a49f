// brenquil-render: renders a view to a PNG without a window, with the engine
// of the window program, at any size and with supersampling.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "archivo_nuevo.h"
#include "argumentos_render.h"
#include "imagen_png.h"
#include "lienzo.h"
#include "registro_parametros.h"
#include "sistema.h"
#include "vista_render.h"

namespace {

using namespace brenquil;
namespace fs = std::filesystem;

constexpr const char* PROGRAMA = "brenquil-render";
constexpr int SALIDA_FALLO = 1;
constexpr int SALIDA_USO = 2;
// The pixels rendered before a band of rows goes to the PNG: what the
// picture holds in memory at once, whatever its size.
constexpr int64_t PIXELES_POR_BANDA = 1 << 20;

int fallar(const std::string& mensaje) {
    std::cerr << PROGRAMA << ": " << mensaje << '\n';
    return SALIDA_FALLO;
}

int rechazar(const std::string& mensaje) {
    std::cerr << PROGRAMA << ": " << mensaje << '\n' << "Try '" << PROGRAMA << " --help' for more information.\n";
    return SALIDA_USO;
}

void avisar(const std::string& mensaje) { std::cerr << PROGRAMA << ": warning: " << mensaje << '\n'; }

unsigned nucleos() {
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : std::min(n, HILOS_MAXIMOS);
}

// An interrupted render leaves no temporary file behind: the files are
// removed, then the signal ends the program as it would have.
extern "C" void alInterrumpir(int senal) {
    borrarTemporalesAbiertos();
    std::signal(senal, SIG_DFL);
    std::raise(senal);
}

// The percentage on one terminal line, from half a second into the render,
// rewritten only when it changes; borrar() removes the line again.
class LineaProgreso {
public:
    LineaProgreso() : activa_(esTerminal(stderr)), inicio_(std::chrono::steady_clock::now()) {}

    void mostrar(double fraccion) {
        using namespace std::chrono_literals;
        if (!activa_ || std::chrono::steady_clock::now() - inicio_ < 500ms) return;
        const int porcentaje = static_cast<int>(fraccion * 100.0);
        if (porcentaje == ultimo_) return;
        ultimo_ = porcentaje;
        std::fprintf(stderr, "\r%s: %3d%%", PROGRAMA, porcentaje);
        std::fflush(stderr);
    }

    void borrar() {
        if (ultimo_ < 0) return;
        std::fprintf(stderr, "\r%*s\r", static_cast<int>(std::strlen(PROGRAMA)) + 6, "");
        std::fflush(stderr);
        ultimo_ = -1;
    }

private:
    bool activa_;
    std::chrono::steady_clock::time_point inicio_;
    int ultimo_ = -1;
};

// Renders the picture (or its region) band by band into the PNG written to `archivo`.
std::string renderizar(const Vista& vista, const OpcionesRender& o, std::FILE* archivo) {
    const Lienzo lienzo = lienzoDe(o);
    const Region r = o.region.value_or(Region{0, 0, o.ancho, o.alto});
    const unsigned hilos = o.hilos == 0 ? nucleos() : o.hilos;

    EscritorPng png;
    if (std::string error = png.empezar(archivo, r.ancho, r.alto, textosDeVista(vista, o)); !error.empty()) return error;
    const int filasPorBanda = static_cast<int>(std::clamp<int64_t>(PIXELES_POR_BANDA / r.ancho, 1, r.alto));
    std::vector<Color> banda(static_cast<std::size_t>(filasPorBanda) * r.ancho);
    LineaProgreso progreso;
    for (int fila = 0; fila < r.alto; fila += filasPorBanda) {
        const int filas = std::min(filasPorBanda, r.alto - fila);
        renderizarRectangulo(vista, lienzo, r.x, r.y + fila, r.ancho, filas, hilos - 1, banda.data());
        if (std::string error = png.escribirFilas(banda.data(), filas); !error.empty()) return error;
        progreso.mostrar(static_cast<double>(fila + filas) / r.alto);
    }
    progreso.borrar();
    return png.terminar();
}

// Writes the picture to the file `ruta`, which is replaced only once the
// picture is complete, or to standard output for "-".
int escribirImagen(const Vista& vista, const OpcionesRender& o, const std::string& ruta) {
    if (ruta == "-") {
        salidaBinaria();
        if (std::string error = renderizar(vista, o, stdout); !error.empty()) {
            return fallar("cannot write the picture to standard output: " + error);
        }
        return 0;
    }
    ArchivoNuevo nuevo;
    if (std::string error = nuevo.abrir(rutaDeTexto(ruta)); !error.empty()) return fallar(error);
    if (std::string error = renderizar(vista, o, nuevo.archivo()); !error.empty()) {
        return fallar("cannot write '" + ruta + "': " + error);
    }
    if (std::string error = nuevo.confirmar(); !error.empty()) return fallar(error);
    return 0;
}

// The program, on its arguments as UTF-8 text (the system's bytes outside Windows).
int ejecutar(int argc, const char* const* argv) {
    // Before any temporary file exists, the probes of the outputs' folders included.
    manejarSenalesDeFin(alInterrumpir);
    const ResultadoArgumentos analisis = analizarArgumentos(argc, argv, nucleos());
    if (!analisis.error.empty()) return rechazar(analisis.error);
    if (!analisis.texto.empty()) {
        std::cout << analisis.texto;
        return std::cout.flush() ? 0 : SALIDA_FALLO;
    }
    const OpcionesRender& o = analisis.opciones;

    if (o.salida == "-" && esTerminal(stdout)) return rechazar("standard output is a terminal: a PNG is no text");
    for (const std::optional<std::string>& destino : {o.salida, o.guardarVista}) {
        if (!destino || *destino == "-") continue;
        std::error_code ec;
        if (o.archivo && fs::equivalent(rutaDeTexto(*o.archivo), rutaDeTexto(*destino), ec)) {
            return rechazar("the output '" + *destino + "' is the file the view is read from");
        }
        // Before the render, so that a wrong path does not cost a whole render.
        if (std::string error = comprobarDestino(rutaDeTexto(*destino)); !error.empty()) return fallar(error);
    }

    Vista vista;
    if (o.archivo) {
        if (std::string error = leerArchivoVista(rutaDeTexto(*o.archivo), vista); !error.empty()) return fallar(error);
        // The window draws whatever a file holds; so does this, with a word on each such value.
        for (const std::string& aviso : valoresSinImagen(vista)) avisar("'" + *o.archivo + "': " + aviso);
    }
    if (std::string error = vistaFinal(vista, o); !error.empty()) return rechazar(error);
    // (A side that is not positive and finite has had its warning.)
    if (vista.lado > 0 && std::isfinite(vista.lado) &&
        muestrasConfundidas(vista, lienzoDe(o))) {
        char profundidad[96];
        std::snprintf(profundidad, sizeof profundidad, "side %.3Lg, magnification %.3Lg", vista.lado, aumento(vista));
        avisar(std::string("at this depth (") + profundidad +
               ") neighbouring pixels share the same 80-bit coordinates: the picture shows blocks, not detail");
    }

    if (o.guardarVista) {
        const std::string texto = escribirRegistro(vista);
        if (std::string error = reemplazarArchivo(rutaDeTexto(*o.guardarVista), texto.data(), texto.size());
            !error.empty()) {
            return fallar(error);
        }
    }
    return o.salida ? escribirImagen(vista, o, *o.salida) : 0;
}

}  // namespace

#ifdef _WIN32
// Windows gives main() its arguments in the ANSI code page, which turns a
// name it lacks into a look-alike or '?' ("Ω.png" into "O.png", replacing
// that file): the wide arguments of wmain (-municode) are taken instead, as
// UTF-8.
int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> textos;
    for (int i = 0; i < argc; ++i) {
        std::optional<std::string> texto = textoDeAncho(argv[i]);
        if (!texto) return rechazar("argument " + std::to_string(i) + " is not valid Unicode text");
        textos.push_back(std::move(*texto));
    }
    std::vector<const char*> punteros;
    for (const std::string& t : textos) punteros.push_back(t.c_str());
    return ejecutar(argc, punteros.data());
}
#else
int main(int argc, char** argv) { return ejecutar(argc, argv); }
#endif
