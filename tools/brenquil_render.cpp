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
#include <vector>

#include "archivo_nuevo.h"
#include "argumentos_render.h"
#include "imagen_png.h"
#include "lienzo.h"
#include "patron_fotogramas.h"
#include "pelicula_profunda.h"
#include "profundidad.h"
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

unsigned nucleos() { return std::min(nucleosDelProcesador(), HILOS_MAXIMOS); }

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
        if (dibujoProfundo(o.profundidad)) {
            renderizarProfundo(vista, o.profundidad, lienzo, r.x, r.y + fila, r.ancho, filas, hilos - 1, banda.data());
        } else {
            renderizarRectangulo(vista, lienzo, r.x, r.y + fila, r.ancho, filas, hilos - 1, banda.data());
        }
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

// A view whose neighbouring pixels share their 80-bit coordinates is drawn
// all the same, with a word on why: a side too small, or a corner so far
// out that the coordinates there are coarser than a pixel. (A picture is
// drawn with as many bits as it needs, so this is only a safeguard.)
void avisarProfundidad(const Vista& vista, const OpcionesRender& o) {
    // (A side that is not positive and finite has had its warning.)
    if (o.profundidad.precision == PRECISION_80 && vista.lado > 0 && std::isfinite(vista.lado) && muestrasConfundidas(vista, lienzoDe(o))) {
        avisar("the 80-bit coordinates are too coarse for this view (side " + textoReal(vista.lado) + " at corner " +
               textoComplejo(vista.xSupIzq, vista.ySupIzq) +
               "): neighbouring pixels share the same coordinates, so the picture shows blocks, not detail");
    }
}

// The view of a parameter file or a PNG of brenquil-render, read alike for
// FILE and END, with a warning on each value of a parameter file that makes
// no picture (the window draws such a file all the same) and on a PNG whose
// corner and side come from the 19 digits of its record. A PNG's
// "Brenquil render" record goes to `lectura`.
std::string leerVista(const std::string& nombre, Vista& vista, LecturaVista& lectura) {
    if (std::string error = leerArchivoVista(rutaDeTexto(nombre), vista, nullptr, &lectura); !error.empty()) {
        return error;
    }
    const std::string archivo = "'" + nombre + "': ";
    if (lectura.png && !lectura.dibujo) {
        avisar(archivo + "the PNG has no \"" + CLAVE_DIBUJO_PNG +
               "\" text: its corner and side are the record's, to 19 digits");
    } else if (lectura.registroCambiado) {
        avisar(archivo + (lectura.png ? "the PNG's" : "the view file's") +
               " record was changed since it was drawn: its corner and side are the record's, to 19 digits");
    }
    Vista revisada = vista;
    // The 32767 that goes with a record's limit above it is no limit the iteration caps.
    if (lectura.dibujo && lectura.dibujo->limite > INT16_MAX) revisada.iteraciones = LIMITE_ITERACIONES_MAXIMO;
    for (const std::string& aviso : valoresSinImagen(revisada)) avisar(archivo + aviso);
    return "";
}

// What a command writes, each name with its part in messages, checked
// against each other and against the files views are read from before
// anything is written.
struct Salida {
    std::string nombre;
    std::string papel;  // "the output 'sal.png'"
};

// Refuses two outputs that name one file, and an output that names a file a
// view is read from; then checks that every output can be written.
int comprobarSalidas(const std::vector<Salida>& salidas, const std::vector<std::string>& entradas) {
    NombresDeArchivos nombres;
    std::vector<std::string> papeles;
    for (const std::string& e : entradas) {
        nombres.agregar(rutaDeTexto(e));
        papeles.push_back("the file '" + e + "' a view is read from");
    }
    std::vector<fs::path> rutas;
    for (const Salida& s : salidas) {
        rutas.push_back(rutaDeTexto(s.nombre));
        const int igual = nombres.agregar(rutas.back());
        if (igual >= 0 && static_cast<std::size_t>(igual) < entradas.size()) {
            return rechazar(s.papel + " is " + papeles[static_cast<std::size_t>(igual)]);
        }
        if (igual >= 0) return rechazar(papeles[static_cast<std::size_t>(igual)] + " and " + s.papel + " name the same file");
        papeles.push_back(s.papel);
    }
    // Before the render, so that a wrong path does not cost a render.
    if (std::string error = comprobarDestinos(rutas); !error.empty()) return fallar(error);
    return 0;
}

// The view of END with its depth, read as FILE is and drawn with the
// movie's picture and step: its exact corner and side when its record holds
// them, its limit as drawn (with the step, as FILE's).
std::string finDePelicula(const std::string& nombre, const OpcionesRender& o, Fotograma& fin) {
    LecturaVista lectura;
    if (std::string error = leerVista(nombre, fin.vista, lectura); !error.empty()) return error;
    const BaseExacta exacta = lectura.registroCambiado ? BaseExacta{} : baseDeDibujo(lectura.dibujo);
    OpcionesRender soloPaso;
    soloPaso.paso = o.paso;
    soloPaso.ancho = o.ancho;
    soloPaso.alto = o.alto;
    soloPaso.muestras = o.muestras;
    const Vista base = fin.vista;
    vistaFinal(fin.vista, soloPaso);
    profundizar(fin.vista, base, exacta, soloPaso);
    fin.profundidad = soloPaso.profundidad;
    return "";
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

    Vista vista;
    std::vector<std::string> entradas;
    BaseExacta exacta;
    if (o.archivo) {
        LecturaVista lectura;
        if (std::string error = leerVista(*o.archivo, vista, lectura); !error.empty()) return fallar(error);
        if (std::string error = tomarDibujo(o, lectura.dibujo); !error.empty()) return rechazar(error);
        if (!lectura.registroCambiado) exacta = baseDeDibujo(lectura.dibujo);
        entradas.push_back(*o.archivo);
    }
    const Vista base = vista;
    if (std::string error = vistaFinal(vista, o); !error.empty()) return rechazar(error);
    // A movie's first view too: its frames go from that view's depth to END's.
    profundizar(vista, base, exacta, o);
    if (o.guardarVista && !esArchivoVista(*o.guardarVista) && dibujoProfundo(o.profundidad)) {
        const Profundidad& p = o.profundidad;
        return rechazar("a parameter file cannot hold this view (" +
                        (p.precision > PRECISION_80 ? "drawn with " + std::to_string(p.precision) + "-bit numbers"
                                                    : "a limit of " + std::to_string(p.limite)) +
                        "): give --save-view a name ending in .brv, a view file that holds it exactly");
    }

    std::vector<Salida> salidas;
    std::vector<Fotograma> fotogramas;
    if (o.pelicula) {
        const Pelicula& p = *o.pelicula;
        Fotograma finF;
        if (std::string error = finDePelicula(p.fin, o, finF); !error.empty()) return fallar(error);
        const Vista& fin = finF.vista;
        if (fin.plano != vista.plano) {
            return rechazar("the movie's views lie on different planes (" + std::to_string(vista.plano) + " and " +
                            std::to_string(fin.plano) + " in '" + p.fin + "'): a zoom stays on one plane");
        }
        if (!(vista.lado > 0 && std::isfinite(vista.lado) && fin.lado > 0 && std::isfinite(fin.lado))) {
            return fallar("cannot make a movie of these views: both sides must be positive and finite");
        }
        if (std::string error = fotogramasDePelicula(Fotograma{vista, o.profundidad}, finF, lienzoDe(o), p.fotogramas,
                                                     p.primero, p.ultimo, fotogramas);
            !error.empty()) {
            return rechazar(error);
        }
        entradas.push_back(p.fin);
        std::string motivo;
        const PatronFotogramas patron = *PatronFotogramas::leer(*o.salida, motivo);
        for (int k = p.primero; k <= p.ultimo; ++k) {
            salidas.push_back({patron.nombre(k), "the frame '" + patron.nombre(k) + "'"});
        }
    } else {
        if (o.salida && *o.salida != "-") salidas.push_back({*o.salida, "the output '" + *o.salida + "'"});
        avisarProfundidad(vista, o);
    }
    if (o.guardarVista) salidas.push_back({*o.guardarVista, "the view file '" + *o.guardarVista + "'"});
    if (const int codigo = comprobarSalidas(salidas, entradas); codigo != 0) return codigo;

    if (o.guardarVista) {
        const std::string texto = esArchivoVista(*o.guardarVista) ? textoArchivoVista(vista, dibujoDeVista(vista, o))
                                                                  : escribirRegistro(vista);
        if (std::string error = reemplazarArchivo(rutaDeTexto(*o.guardarVista), texto.data(), texto.size());
            !error.empty()) {
            return fallar(error);
        }
    }
    if (o.pelicula) {
        std::vector<std::string> nombres;
        for (std::size_t i = 0; i < fotogramas.size(); ++i) nombres.push_back(salidas[i].nombre);
        // Run again, the movie draws only the frames not yet on disk as it would draw them.
        const std::vector<bool> guardados =
            o.redibujar ? std::vector<bool>(fotogramas.size()) : fotogramasHechos(fotogramas, o, nombres);
        ProgresoPelicula progreso(guardados);
        for (std::size_t i = 0; i < fotogramas.size(); ++i) {
            if (guardados[i]) continue;
            const std::string etiqueta = progreso.empezar(static_cast<int>(i));
            if (const int codigo = escribirImagen(fotogramas[i].vista, opcionesDeFotograma(o, fotogramas[i]), nombres[i],
                                                  etiqueta);
                codigo != 0) {
                return codigo;
            }
            progreso.dibujado();
        }
        return 0;
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
