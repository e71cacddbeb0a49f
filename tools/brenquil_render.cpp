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
#include "fotogramas.h"
#include "imagen_png.h"
#include "lienzo.h"
#include "patron_fotogramas.h"
#include "progreso_pelicula.h"
#include "reanudar.h"
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
// rewritten only when it changes, after a label (a movie's frame count)
// that shows at once; borrar() removes the line again.
class LineaProgreso {
public:
    explicit LineaProgreso(std::string etiqueta)
        : activa_(esTerminal(stderr)), inicio_(std::chrono::steady_clock::now()), etiqueta_(std::move(etiqueta)) {
        if (!etiqueta_.empty()) escribir("");
    }

    void mostrar(double fraccion) {
        using namespace std::chrono_literals;
        if (!activa_ || std::chrono::steady_clock::now() - inicio_ < 500ms) return;
        const int porcentaje = static_cast<int>(fraccion * 100.0);
        if (porcentaje == ultimo_) return;
        ultimo_ = porcentaje;
        char texto[8];
        std::snprintf(texto, sizeof texto, "%3d%%", porcentaje);
        escribir(texto);
    }

    void borrar() {
        if (largo_ == 0) return;
        std::fprintf(stderr, "\r%*s\r", largo_, "");
        std::fflush(stderr);
        largo_ = 0;
        ultimo_ = -1;
    }

private:
    void escribir(const std::string& porcentaje) {
        if (!activa_) return;
        std::string linea = std::string(PROGRAMA) + ": " + etiqueta_;
        if (!porcentaje.empty()) linea += (etiqueta_.empty() ? "" : " ") + porcentaje;
        std::fprintf(stderr, "\r%s", linea.c_str());
        std::fflush(stderr);
        largo_ = std::max(largo_, static_cast<int>(linea.size()));
    }

    bool activa_;
    std::chrono::steady_clock::time_point inicio_;
    std::string etiqueta_;
    int ultimo_ = -1;
    int largo_ = 0;  // the longest line written since the last erasure
};

// Renders the picture (or its region) band by band into the PNG written to
// `archivo`, with `etiqueta` before the progress.
std::string renderizar(const Vista& vista, const OpcionesRender& o, std::FILE* archivo, const std::string& etiqueta) {
    const Lienzo lienzo = lienzoDe(o);
    const Region r = o.region.value_or(Region{0, 0, o.ancho, o.alto});
    const unsigned hilos = o.hilos == 0 ? nucleos() : o.hilos;

    EscritorPng png;
    if (std::string error = png.empezar(archivo, r.ancho, r.alto, textosDeVista(vista, o)); !error.empty()) return error;
    const int filasPorBanda = static_cast<int>(std::clamp<int64_t>(PIXELES_POR_BANDA / r.ancho, 1, r.alto));
    std::vector<Color> banda(static_cast<std::size_t>(filasPorBanda) * r.ancho);
    LineaProgreso progreso(etiqueta);
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
int escribirImagen(const Vista& vista, const OpcionesRender& o, const std::string& ruta,
                   const std::string& etiqueta = "") {
    if (ruta == "-") {
        salidaBinaria();
        if (std::string error = renderizar(vista, o, stdout, etiqueta); !error.empty()) {
            return fallar("cannot write the picture to standard output: " + error);
        }
        return 0;
    }
    ArchivoNuevo nuevo;
    if (std::string error = nuevo.abrir(rutaDeTexto(ruta)); !error.empty()) return fallar(error);
    if (std::string error = renderizar(vista, o, nuevo.archivo(), etiqueta); !error.empty()) {
        return fallar("cannot write '" + ruta + "': " + error);
    }
    if (std::string error = nuevo.confirmar(); !error.empty()) return fallar(error);
    return 0;
}

// A view deeper than 80 bits resolve at this size is drawn all the same,
// with the depth named.
void avisarProfundidad(const Vista& vista, const OpcionesRender& o) {
    // (A side that is not positive and finite has had its warning.)
    if (vista.lado > 0 && std::isfinite(vista.lado) && muestrasConfundidas(vista, lienzoDe(o))) {
        char profundidad[96];
        std::snprintf(profundidad, sizeof profundidad, "side %.3Lg, magnification %.3Lg", vista.lado, aumento(vista));
        avisar(std::string("at this depth (") + profundidad +
               ") neighbouring pixels share the same 80-bit coordinates: the picture shows blocks, not detail");
    }
}

// The frames A..B of the movie from `inicio` to the view of the movie's
// END file (with the step added, as to FILE's), each a PNG of its own that
// draws itself again.
int escribirPelicula(const Vista& inicio, const OpcionesRender& o) {
    const Pelicula& p = *o.pelicula;
    Vista fin;
    if (std::string error = leerArchivoVista(rutaDeTexto(p.fin), fin); !error.empty()) return fallar(error);
    for (const std::string& aviso : valoresSinImagen(fin)) avisar("'" + p.fin + "': " + aviso);
    fin.iteraciones = envolver16(int32_t{fin.iteraciones} + o.paso);
    if (fin.plano != inicio.plano) {
        return rechazar("the movie's views lie on different planes (" + std::to_string(inicio.plano) + " and " +
                        std::to_string(fin.plano) + " in '" + p.fin + "'): a zoom stays on one plane");
    }
    if (!(inicio.lado > 0 && std::isfinite(inicio.lado) && fin.lado > 0 && std::isfinite(fin.lado))) {
        return fallar("cannot make a movie of these views: both sides must be positive and finite");
    }
    avisarProfundidad(fin, o);

    std::string motivo;
    const PatronFotogramas patron = *PatronFotogramas::leer(*o.salida, motivo);
    std::vector<std::string> nombres;
    for (int k = p.primero; k <= p.ultimo; ++k) {
        nombres.push_back(patron.nombre(k));
        std::error_code ec;
        for (const std::optional<std::string>& leido : {o.archivo, std::optional<std::string>(p.fin)}) {
            if (leido && fs::equivalent(rutaDeTexto(*leido), rutaDeTexto(nombres.back()), ec)) {
                return rechazar("the frame '" + nombres.back() + "' is the file '" + *leido + "' a view is read from");
            }
        }
    }
    // Before the first frame, so that a wrong path does not cost a render.
    if (std::string error = comprobarDestino(rutaDeTexto(nombres.front())); !error.empty()) return fallar(error);

    const int cuantos = p.ultimo - p.primero + 1;
    // Run again, the movie draws only the frames not yet on disk as it would draw them.
    const std::vector<bool> guardados =
        o.redibujar ? std::vector<bool>(static_cast<std::size_t>(cuantos)) : fotogramasHechos(inicio, fin, o, nombres);
    ProgresoPelicula progreso(guardados);
    for (int i = 0; i < cuantos; ++i) {
        if (guardados[static_cast<std::size_t>(i)]) continue;
        const Vista v = vistaDeFotograma(inicio, fin, p.primero + i, p.fotogramas);
        const std::string etiqueta = progreso.empezar(i);
        if (const int codigo = escribirImagen(v, o, nombres[static_cast<std::size_t>(i)], etiqueta); codigo != 0) {
            return codigo;
        }
        progreso.dibujado();
    }
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
    OpcionesRender o = analisis.opciones;

    if (o.salida == "-" && esTerminal(stdout)) return rechazar("standard output is a terminal: a PNG is no text");
    // A movie's frames are checked by their names.
    for (const std::optional<std::string>& destino : {o.pelicula ? std::nullopt : o.salida, o.guardarVista}) {
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
        std::optional<std::string> textoDibujo;
        if (std::string error = leerArchivoVista(rutaDeTexto(*o.archivo), vista, nullptr, &textoDibujo);
            !error.empty()) {
            return fallar(error);
        }
        std::optional<Dibujo> dibujo;
        if (textoDibujo) {
            if (std::string motivo = leerDibujo(*textoDibujo, dibujo.emplace()); !motivo.empty()) {
                return fallar("cannot read '" + *o.archivo + "': the PNG file's \"" + CLAVE_DIBUJO_PNG +
                              "\" text is damaged: " + motivo);
            }
        }
        // The window draws whatever a file holds; so does this, with a word on each such value.
        for (const std::string& aviso : valoresSinImagen(vista)) avisar("'" + *o.archivo + "': " + aviso);
        if (std::string error = tomarDibujo(o, dibujo); !error.empty()) return rechazar(error);
    }
    if (std::string error = vistaFinal(vista, o); !error.empty()) return rechazar(error);
    avisarProfundidad(vista, o);

    if (o.guardarVista) {
        const std::string texto = escribirRegistro(vista);
        if (std::string error = reemplazarArchivo(rutaDeTexto(*o.guardarVista), texto.data(), texto.size());
            !error.empty()) {
            return fallar(error);
        }
    }
    if (o.pelicula) return escribirPelicula(vista, o);
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
