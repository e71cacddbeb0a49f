// brenquil-render: renders one view to a 400 x 400 PNG without a window, with
// the engine and the render thread of the window program.
#include <chrono>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "archivo_parametros.h"
#include "argumentos_render.h"
#include "estado_visor.h"
#include "imagen_png.h"
#include "registro_parametros.h"
#include "render_vista.h"
#include "sistema.h"

namespace {

using namespace brenquil;
namespace fs = std::filesystem;

constexpr const char* PROGRAMA = "brenquil-render";
constexpr int SALIDA_FALLO = 1;
constexpr int SALIDA_USO = 2;

int fallar(const std::string& mensaje) {
    std::cerr << PROGRAMA << ": " << mensaje << '\n';
    return SALIDA_FALLO;
}

unsigned nucleos() {
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : (n > HILOS_MAXIMOS ? HILOS_MAXIMOS : n);
}

// Loads the parameter file into the state; an error text when it cannot be read.
std::string cargarArchivo(const std::string& ruta, EstadoVisor& estado) {
    std::string error = "cannot read '";
    error.append(ruta).append("'");
    std::error_code ec;
    const fs::file_status tipo = fs::status(ruta, ec);
    if (!fs::exists(tipo)) return error.append(": no such file");
    if (fs::is_directory(tipo)) return error.append(": it is a folder");
    // The loader says only whether it could read; opening it here says why not.
    std::FILE* archivo = abrirParaLeer(ruta);
    if (archivo == nullptr) return error.append(": ").append(std::strerror(errno));
    std::fclose(archivo);
    if (!cargarArchivoParametros(ruta, estado)) return error;

    // A short file still loads, as in the window: its missing fields read as 0.
    const std::uintmax_t tamano = fs::file_size(ruta, ec);
    if (!ec && tamano < TAMANO_REGISTRO) {
        std::cerr << PROGRAMA << ": warning: '" << ruta << "' holds " << tamano << " bytes, not "
                  << TAMANO_REGISTRO << "; the missing fields read as 0\n";
    }
    return {};
}

// The options given replace the loaded (or start-up) values.
void aplicarOpciones(const OpcionesRender& o, EstadoVisor& estado) {
    RegistroParametros r = registroDeEstado(estado);
    if (o.iteraciones) r.iteraciones = *o.iteraciones;
    if (o.plano) r.plano = *o.plano;
    if (o.modoColor) r.modoColor = *o.modoColor;
    if (o.dwell) r.dwell = *o.dwell;
    if (o.xSupIzq) r.xSupIzq = *o.xSupIzq;
    if (o.ySupIzq) r.ySupIzq = *o.ySupIzq;
    if (o.lado) r.lado = *o.lado;
    aplicarRegistro(r, estado);
    estado.incrementoIteraciones.store(o.paso);
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

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> argumentos(argv + (argc > 0 ? 1 : 0), argv + argc);
    const ResultadoArgumentos analisis = analizarArgumentos(argumentos);
    if (!analisis.error.empty()) {
        std::cerr << PROGRAMA << ": " << analisis.error << '\n'
                  << "Try '" << PROGRAMA << " --help' for more information.\n";
        return SALIDA_USO;
    }
    const OpcionesRender& opciones = analisis.opciones;
    if (opciones.ayuda) {
        std::cout << textoAyuda(nucleos());
        return std::cout.flush() ? 0 : SALIDA_FALLO;
    }

    // Before the render, so that a wrong path does not cost a whole render.
    if (const std::string error = comprobarDestinoPng(opciones.salida); !error.empty()) return fallar(error);

    std::error_code ec;
    if (opciones.archivo && fs::equivalent(*opciones.archivo, opciones.salida, ec)) {
        std::cerr << PROGRAMA << ": the output '" << opciones.salida << "' is the parameter file itself\n";
        return SALIDA_USO;
    }

    EstadoVisor estado;
    if (opciones.archivo) {
        if (const std::string error = cargarArchivo(*opciones.archivo, estado); !error.empty()) return fallar(error);
    }
    aplicarOpciones(opciones, estado);

    LineaProgreso progreso;
    const ResultadoRender render = renderizarVista(estado, opciones.hilos == 0 ? nucleos() : opciones.hilos,
                                                   [&](double fraccion) { progreso.mostrar(fraccion); });
    progreso.borrar();
    if (!render.completo) return fallar("cannot start a render thread");

    if (const std::string error = escribirPng(opciones.salida, render.pixeles, LADO_IMAGEN, LADO_IMAGEN);
        !error.empty()) {
        return fallar(error);
    }
    return 0;
}
