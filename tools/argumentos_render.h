// The command line of brenquil-render: what to render, at what size, where to
// write it and with how many threads.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "codigos.h"
#include "registro_dibujo.h"

namespace brenquil {

// The most threads --threads accepts.
inline constexpr unsigned HILOS_MAXIMOS = 256;

// A code of a view and a name by which the command line takes it. A code
// may have several names: the first is the one the PNG's description gives.
struct NombreCodigo {
    std::string_view nombre;
    int32_t codigo;
};

inline constexpr NombreCodigo PLANOS[] = {
    {"cardioide", PLANO_CARDIOIDE}, {"cardioide-inv", PLANO_CARDIOIDE_INV}, {"parabola", PLANO_PARABOLA}};
inline constexpr NombreCodigo COLORES[] = {{"iteracion", COLOR_ITERACION},
                                           {"blanco-negro", COLOR_BLANCO_NEGRO},
                                           {"desc-binaria", COLOR_DESC_BINARIA},
                                           {"desc-binaria-bn", COLOR_DESC_BINARIA_BN}};
inline constexpr NombreCodigo DWELLS[] = {{"si", DWELL_SI}, {"yes", DWELL_SI}, {"no", DWELL_NO}};

// The first name of `codigo` in `tabla`; nothing for a code outside it.
std::optional<std::string_view> nombreDeCodigo(std::span<const NombreCodigo> tabla, int32_t codigo);

// The most frames a zoom movie may have.
inline constexpr int FOTOGRAMAS_MAXIMOS = 1000000;

// A zoom movie from the view of the options to the view of a file.
struct Pelicula {
    // The view it ends on: a parameter file (*.str) or a PNG of brenquil-render.
    std::string fin;
    int fotogramas = 0;
    // The frames to render, 0-based and inclusive.
    int primero = 0;
    int ultimo = 0;
};

// How deep a view is: the bits of the significands its pixels are computed
// with (PRECISION_80, 64, for a view the 80-bit grid resolves) and, above 64,
// its corner and side exactly, as C hexadecimal numbers of that precision;
// the limit as drawn when it is above the 16 bits of a parameter file (0 when
// it is not).
struct Profundidad {
    int precision = PRECISION_80;
    std::string x;
    std::string y;
    std::string lado;
    int32_t limite = 0;
};

// The texts of the options that place the view, as given: a view deeper than
// 80 bits reads them again to its own precision.
struct TextosVista {
    std::string x, y, lado, centroRe, centroIm, radio, zoom;
};

struct OpcionesRender {
    // The view to start from: a parameter file (*.str) or a PNG written by
    // brenquil-render, if one was named.
    std::optional<std::string> archivo;
    // The PNG to write, "-" for standard output.
    std::optional<std::string> salida;
    // The parameter file (or, named *.brv, the view file) to write the view into.
    std::optional<std::string> guardarVista;
    // The values of a view. Each one given replaces the file's value (or the
    // start-up value when there is no file).
    std::optional<int16_t> iteraciones;
    std::optional<int16_t> plano;
    std::optional<int32_t> modoColor;
    std::optional<int32_t> dwell;
    std::optional<long double> xSupIzq;
    std::optional<long double> ySupIzq;
    std::optional<long double> lado;
    // The view by its centre, and its side as a radius (half the side) or a
    // zoom (the side is 4 / zoom).
    std::optional<std::pair<long double, long double>> centro;
    std::optional<long double> radio;
    std::optional<long double> zoom;
    std::optional<int32_t> limiteLargo;  // a limit of --iterations above 32767
    TextosVista textos;
    // Added once to the limit, as a render start does. 0 renders the limit itself.
    int16_t paso = 0;
    int ancho = 400;
    int alto = 400;
    int muestras = 1;
    std::optional<Region> region;
    // Whether --size and --supersample were given: a PNG of brenquil-render
    // as FILE gives the others.
    bool tamanoDado = false;
    bool muestrasDadas = false;
    // The step already in the limit of FILE (a PNG records the step it was
    // drawn with): the PNGs written record it plus `paso`.
    int16_t pasoPrevio = 0;
    // With --zoom-to, `salida` is the pattern of the frames' names.
    std::optional<Pelicula> pelicula;
    // --redraw: every frame of the movie is drawn, also one already on disk
    // as this run would draw it.
    bool redibujar = false;
    // Threads; 0 means every core.
    unsigned hilos = 0;
    // The depth of the view, once the view is known (profundizar); for a
    // movie, its first view's (each frame has its own: pelicula_profunda.h).
    Profundidad profundidad;
};

// Either options to carry out, a text to print (help, version), or why the
// command line is refused.
struct ResultadoArgumentos {
    OpcionesRender opciones;
    std::string texto;  // --help or --version: print it and exit 0
    std::string error;  // the command line is refused: exit 2
};

// Whether `nombre` ends in .brv (in any case): a view file rather than a
// parameter file.
bool esArchivoVista(const std::string& nombre);

// Reads the arguments after the program name. Every option may be given once.
// A number must be the whole argument: integers are decimal, reals are read as
// strtold reads them in the C locale, so a typo is an error and never silently
// a 0. Options that make no picture are refused: a side, radius or zoom that
// is not positive and finite, a corner or centre that is not finite, a plane,
// colour or dwell code outside its table, a size or region outside the
// picture, an output that is not a .png file (or "-"). `nucleos` is the
// default thread count shown by --help.
ResultadoArgumentos analizarArgumentos(int argc, const char* const* argv, unsigned nucleos);

// Why the region lies outside the picture of `opciones`, or an empty text.
std::string regionFuera(const OpcionesRender& opciones);

}  // namespace brenquil
