#include "argumentos_render.h"

#include <CLI/CLI.hpp>

#include <cctype>
#include <functional>
#include <limits>
#include <vector>

#include "patron_fotogramas.h"
#include "sistema.h"
#include "texto_numero.h"

#ifndef BRENQUIL_VERSION
#error "BRENQUIL_VERSION must give the program's version"
#endif

namespace brenquil {
namespace {

// Each code with its names: "380 or si or yes, 385 or no".
std::string listaNombres(std::span<const NombreCodigo> nombres) {
    std::string t;
    for (std::size_t i = 0; i < nombres.size(); ++i) {
        if (i == 0 || nombres[i].codigo != nombres[i - 1].codigo) {
            t += (i > 0 ? ", " : "") + std::to_string(nombres[i].codigo);
        }
        t += " or " + std::string(nombres[i].nombre);
    }
    return t;
}

// A check of an option's text: an empty text when the value is good, or why
// it is refused. It may rewrite the text into the form its option stores (a
// code's name into its number).
using Comprobacion = std::function<std::string(std::string& valor)>;

// Texts separated by `separador`.
std::vector<std::string> partir(const std::string& texto, char separador) {
    std::vector<std::string> p(1);
    for (char c : texto) {
        if (c == separador) {
            p.emplace_back();
        } else {
            p.back() += c;
        }
    }
    return p;
}

std::string fuera(int64_t minimo, int64_t maximo) {
    return "outside " + std::to_string(minimo) + ".." + std::to_string(maximo);
}

Comprobacion entero(int64_t minimo, int64_t maximo) {
    return [=](std::string& v) -> std::string {
        const std::optional<int64_t> n = leerEnteroEstricto(v);
        if (!n) return "not an integer";
        if (*n < minimo || *n > maximo) return fuera(minimo, maximo);
        return "";
    };
}

std::string motivoReal(const std::string& v, bool positivo) {
    long double n = 0;
    return leerRealFinito(v, positivo, n);
}

Comprobacion real(bool positivo) {
    return [=](std::string& v) { return motivoReal(v, positivo); };
}

// `n` values separated by `separador`, each passing `parte`.
Comprobacion lista(char separador, std::size_t n, const std::function<std::string(const std::string&)>& parte) {
    return [=](std::string& v) -> std::string {
        const std::vector<std::string> p = partir(v, separador);
        if (p.size() != n) return "not " + std::to_string(n) + " values separated by '" + separador + "'";
        for (const std::string& t : p)
            if (std::string motivo = parte(t); !motivo.empty()) return motivo;
        return "";
    };
}

// A code by its name or its number, stored as its number.
template <std::size_t N>
Comprobacion codigo(const NombreCodigo (&nombres)[N], const char* que) {
    return [&nombres, que](std::string& v) -> std::string {
        for (const NombreCodigo& c : nombres) {
            if (v == c.nombre || leerEnteroEstricto(v) == c.codigo) {
                v = std::to_string(c.codigo);
                return "";
            }
        }
        return std::string("not ") + que + " (" + listaNombres(nombres) + ")";
    };
}

bool terminaEn(const std::string& v, const std::string& extension) {
    std::string final = v.size() >= extension.size() ? v.substr(v.size() - extension.size()) : "";
    for (char& c : final) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return final == extension;
}

bool terminaEnPng(const std::string& v) { return terminaEn(v, ".png"); }

std::string nombrePng(std::string& v) {
    if (v.empty()) return "an empty name";
    if (v != "-" && !terminaEnPng(v)) {
        return "the picture is written as PNG: give a name ending in .png, or - for standard output";
    }
    return "";
}

// The view goes to a parameter file of its own, never to standard output,
// which is the picture's.
std::string nombreParametros(std::string& v) {
    if (v.empty()) return "an empty name";
    if (v == "-") return "the view is written to a file: give its name (standard output is only for the picture)";
    if (terminaEnPng(v)) return "the view is written as a parameter file (*.str): the PNG of -o holds it already";
    return "";
}

const std::string LADOS_PERMITIDOS = "each side must be 1.." + std::to_string(LADO_MAXIMO_IMAGEN) + " pixels";

std::string ladoImagen(const std::string& t) {
    const std::optional<int64_t> n = leerEnteroEstricto(t);
    return n && *n >= 1 && *n <= LADO_MAXIMO_IMAGEN ? "" : LADOS_PERMITIDOS;
}

std::string rechazo(const std::string& valor, const std::string& nombre, const std::string& motivo) {
    return "invalid value " + citar(valor) + " for " + nombre + ": " + motivo;
}

// Two frame numbers A-B, A <= B.
std::string tramoFotogramas(std::string& v) {
    const std::vector<std::string> p = partir(v, '-');
    const std::string motivo = "not two frame numbers A-B with A <= B";
    if (p.size() != 2) return motivo;
    const std::optional<int64_t> a = leerEnteroEstricto(p[0]);
    const std::optional<int64_t> b = leerEnteroEstricto(p[1]);
    if (!a || !b || p[0][0] == '+' || p[1][0] == '+' || *a > *b) return motivo;
    return *b < FOTOGRAMAS_MAXIMOS ? "" : "past the last frame a movie may have, " + std::to_string(FOTOGRAMAS_MAXIMOS - 1);
}

// The checks of a movie's options once all are read.
std::string rechazoPelicula(const OpcionesRender& o, const std::optional<std::pair<int, int>>& tramo, bool conFin,
                            bool conFotogramas) {
    if (conFin != conFotogramas) return "--zoom-to and --frames make a movie together: give both";
    if (!conFin) {
        if (tramo) return "--frame-range is for a movie: give --zoom-to and --frames too";
        return o.redibujar ? "--redraw is for a movie: give --zoom-to and --frames too" : "";
    }
    const int n = o.pelicula->fotogramas;
    if (tramo && tramo->second >= n) {
        return rechazo(std::to_string(tramo->first) + "-" + std::to_string(tramo->second), "--frame-range",
                       "outside the movie's frames 0-" + std::to_string(n - 1));
    }
    if (!o.salida || *o.salida == "-") {
        return "a movie is written as one PNG per frame: give -o with a frame number in the name, as in "
               "-o frame-%05d.png";
    }
    std::string motivo;
    if (!PatronFotogramas::leer(*o.salida, motivo)) return rechazo(*o.salida, "--output", motivo);
    return "";
}

// The command line's options: each one's names, argument, help and check,
// and where its value goes once checked.
class Opciones {
public:
    explicit Opciones(CLI::App& app) : app_(app) {}

    CLI::Option* agregar(const std::string& nombres, const std::string& tipo, const std::string& ayuda,
                         Comprobacion comprobar, std::function<void(const std::string&)> guardar) {
        CLI::Option* o = app_.add_option_function<std::string>(nombres, std::move(guardar), ayuda);
        // The help shows the argument alone: the exclusions are said in the
        // descriptions, and in the message of a refusal.
        o->type_name(tipo)->option_text(tipo)->multi_option_policy(CLI::MultiOptionPolicy::Throw);
        const std::string nombre = o->get_name();
        o->transform(CLI::Validator(
            [comprobar = std::move(comprobar), nombre](std::string& v) {
                const std::string original = v;
                const std::string motivo = comprobar(v);
                return motivo.empty() ? motivo : rechazo(original, nombre, motivo);
            },
            ""));
        return o;
    }

    // A flag, which may be given once like the options.
    void bandera(const std::string& nombres, const std::string& ayuda, bool& destino) {
        app_.add_flag(nombres, destino, ayuda)->multi_option_policy(CLI::MultiOptionPolicy::Throw);
    }

private:
    CLI::App& app_;
};

}  // namespace

ResultadoArgumentos analizarArgumentos(int argc, const char* const* argv, unsigned nucleos) {
    ResultadoArgumentos r;
    OpcionesRender& o = r.opciones;
    CLI::App app("Renders a view of the explorer to a PNG picture with the window's own engine;\n"
                 "at 400 x 400 pixels it is the picture the window draws.",
                 "brenquil-render");
    app.get_formatter()->column_width(33);
    app.footer(
        "A view the 80-bit numbers do not resolve is drawn with wider ones (a multiple\n"
        "of 32 bits, 48 more than the view needs); its PNG or view file (*.brv)\n"
        "holds it exactly, a parameter file cannot.\n\n"
        "The view comes from FILE, from the options, or from both (an option replaces\n"
        "the file's value); a value given nowhere takes the window's start-up value:\n"
        "corner -4 + 8i, side 16, 30 iterations, plane 300, colour 350, dwell 380.\n"
        "--radius or --zoom without --center keeps the view's centre.\n"
        "A PNG of brenquil-render as FILE gives its size, samples and region too:\n"
        "given alone, it is drawn again byte for byte. --size draws the whole\n"
        "picture at that size (unless --region is given too).\n\n"
        "A zoom movie: FILE or the options give the first view, --zoom-to END the\n"
        "last. The side changes geometrically, the point both views share stays\n"
        "on the same pixel, the limit follows the depth; each frame is drawn with\n"
        "the bits its own depth needs. The other options apply to every frame,\n"
        "and --save-view writes the first view. Run again, a movie\n"
        "draws only the frames it lacks: a frame whose PNG is whole and holds the\n"
        "same view drawn the same way by this version is kept; --redraw draws\n"
        "every frame again.\n\n"
        "Numbers must be whole arguments: integers in decimal, reals in the C locale\n"
        "(0.5, -1e-30); a real too small for 80 bits (it would read as 0) or too\n"
        "large is refused, one below the normal range (under 3.4e-4932) is taken\n"
        "with the bits it keeps. Each option may be given once. The first version's\n"
        "Spanish names (--salida, --iteraciones, --plano, --lado, --paso) still work.\n\n"
        "Before anything is written, every output (the PNG or each frame, and the\n"
        "view file) is checked: each can be written, no two name one file, and none\n"
        "is FILE or END.\n\n"
        "Exit status: 0 when all was written, 1 when a file could not be read or\n"
        "written, 2 when the command line is refused.");
    // Help and version answer as soon as they are read, whatever the other
    // options hold.
    app.set_help_flag();
    app.add_flag_callback("-h,--help", [] { throw CLI::CallForHelp(); }, "Print this help message and exit")
        ->trigger_on_parse();
    app.set_version_flag("--version", "brenquil-render " BRENQUIL_VERSION)->trigger_on_parse();

    const auto entero16 = [](const std::string& v) { return static_cast<int16_t>(*leerEnteroEstricto(v)); };
    const auto numero = [](const std::string& v) { return *leerRealEstricto(v); };
    constexpr int64_t MIN16 = std::numeric_limits<int16_t>::min();
    constexpr int64_t MAX16 = std::numeric_limits<int16_t>::max();
    std::optional<std::pair<int, int>> tramo;

    const auto dado = [](const CLI::Option* opcion) { return opcion->count() > 0; };
    Opciones op(app);
    app.add_option_function<std::string>("FILE", [&](const std::string& v) { o.archivo = v; },
                                         "a parameter file (*.str), or a PNG or\nview file (*.brv) of brenquil-render")
        ->type_name("");
    op.agregar("-o,--output,--salida", "OUT.png", "the PNG to write (- for standard\noutput), replaced only when complete",
               nombrePng, [&](const std::string& v) { o.salida = v; });
    op.agregar("--save-view,--guardar-vista", "FILE.str", "also write the view, with its limit\nas drawn, to a parameter file (a name\nnot ending in .png; not -), or named\n*.brv to a view file, which holds any\nview exactly",
               nombreParametros, [&](const std::string& v) { o.guardarVista = v; });
    op.agregar("--size,--tamano", "WxH",
               "picture size, each side at most " + std::to_string(LADO_MAXIMO_IMAGEN) +
                   "\n(400x400); the view's side spans the width",
               lista('x', 2, ladoImagen), [&](const std::string& v) {
                   const std::vector<std::string> wh = partir(v, 'x');
                   o.tamanoDado = true;
                   o.ancho = static_cast<int>(*leerEnteroEstricto(wh[0]));
                   o.alto = static_cast<int>(*leerEnteroEstricto(wh[1]));
               });
    op.agregar("--supersample,--supermuestreo", "N",
               "N x N samples per pixel, 1.." + std::to_string(MUESTRAS_MAXIMAS) + " (1),\naveraged in linear light",
               entero(1, MUESTRAS_MAXIMAS), [&](const std::string& v) {
                   o.muestras = static_cast<int>(entero16(v));
                   o.muestrasDadas = true;
               });
    // Whether the rectangle lies inside the picture is known once the size is.
    op.agregar("--region", "X,Y,W,H", "only this rectangle of the picture,\nthe same pixels as in the whole render",
               lista(',', 4,
                     [](const std::string& t) {
                         const std::optional<int64_t> n = leerEnteroEstricto(t);
                         return n && *n >= 0 && *n <= LADO_MAXIMO_IMAGEN ? "" : "not a rectangle of pixels";
                     }),
               [&](const std::string& v) {
                   const std::vector<std::string> p = partir(v, ',');
                   int n[4];
                   for (int i = 0; i < 4; ++i) n[i] = static_cast<int>(*leerEnteroEstricto(p[static_cast<std::size_t>(i)]));
                   o.region = Region{n[0], n[1], n[2], n[3]};
               });
    op.agregar("--iterations,--iteraciones", "N", "iteration limit, -32768..2147483647",
               entero(MIN16, std::numeric_limits<int32_t>::max()), [&](const std::string& v) {
                   const int64_t n = *leerEnteroEstricto(v);
                   if (n > MAX16) {
                       o.limiteLargo = static_cast<int32_t>(n);
                   } else {
                       o.iteraciones = static_cast<int16_t>(n);
                   }
               });
    op.agregar("--plane,--plano", "P", "plane: 300 or cardioide, 305 or\ncardioide-inv, 310 or parabola",
               codigo(PLANOS, "a plane"), [&](const std::string& v) { o.plano = entero16(v); });
    op.agregar("--color,--colour", "C",
               "colouring: 350 or iteracion, 355 or\nblanco-negro, 365 or desc-binaria,\n370 or desc-binaria-bn",
               codigo(COLORES, "a colouring"), [&](const std::string& v) { o.modoColor = entero16(v); });
    op.agregar("--dwell", "D", "380, si or yes: escaped points drawn;\n385 or no: only the inside",
               codigo(DWELLS, "a dwell code"), [&](const std::string& v) { o.dwell = entero16(v); });
    CLI::Option* oX = op.agregar("--x", "X", "real part of the upper-left corner", real(false),
                                 [&](const std::string& v) {
                                     o.xSupIzq = numero(v);
                                     o.textos.x = v;
                                 });
    CLI::Option* oY = op.agregar("--y", "Y", "imaginary part of the upper-left corner", real(false),
                                 [&](const std::string& v) {
                                     o.ySupIzq = numero(v);
                                     o.textos.y = v;
                                 });
    CLI::Option* oLado = op.agregar("--side,--lado", "L", "side of the view: its width", real(true),
                                    [&](const std::string& v) {
                                        o.lado = numero(v);
                                        o.textos.lado = v;
                                    });
    CLI::Option* oCentro = op.agregar(
        "--center,--centre", "RE,IM", "the centre of the view, instead of\nits upper-left corner (--x, --y)",
        lista(',', 2, [](const std::string& t) { return motivoReal(t, false); }), [&](const std::string& v) {
            const std::vector<std::string> p = partir(v, ',');
            o.centro = std::make_pair(numero(p[0]), numero(p[1]));
            o.textos.centroRe = p[0];
            o.textos.centroIm = p[1];
        });
    CLI::Option* oRadio = op.agregar("--radius", "R", "half the side: the side is 2 R\n(instead of --side or --zoom)", real(true),
                                     [&](const std::string& v) {
                                         o.radio = numero(v);
                                         o.textos.radio = v;
                                     });
    CLI::Option* oZoom = op.agregar("--zoom", "M", "magnification: the side is 4 / M", real(true),
                                    [&](const std::string& v) {
                                        o.zoom = numero(v);
                                        o.textos.zoom = v;
                                    });
    op.agregar("--step,--paso", "S", "added once to the limit, as a render\nstart in the window does (0)",
               entero(MIN16, MAX16), [&](const std::string& v) { o.paso = entero16(v); });
    CLI::Option* oFin = op.agregar(
        "--zoom-to", "END", "make a zoom movie from the view to the\nview of END (*.str, PNG or *.brv): -o\nnames the frames with a number, as\nin frame-%05d.png",
        [](std::string&) { return std::string(); }, [&](const std::string& v) {
            if (!o.pelicula) o.pelicula.emplace();
            o.pelicula->fin = v;
        });
    CLI::Option* oFotogramas = op.agregar(
        "--frames", "N", "the movie's frames, 2.." + std::to_string(FOTOGRAMAS_MAXIMOS) + ":\nthe first is the view, the last END's",
        entero(2, FOTOGRAMAS_MAXIMOS), [&](const std::string& v) {
            if (!o.pelicula) o.pelicula.emplace();
            o.pelicula->fotogramas = static_cast<int>(*leerEnteroEstricto(v));
        });
    op.agregar("--frame-range", "A-B", "only frames A to B (from 0): ranges\nrendered apart give the same files", tramoFotogramas,
               [&](const std::string& v) {
                   const std::vector<std::string> p = partir(v, '-');
                   tramo = std::make_pair(static_cast<int>(*leerEnteroEstricto(p[0])),
                                          static_cast<int>(*leerEnteroEstricto(p[1])));
               });
    op.bandera("--redraw", "draw every frame, also one already\nwritten as this run would draw it", o.redibujar);
    op.agregar("--threads", "N",
               "threads, 1.." + std::to_string(HILOS_MAXIMOS) + " (every core: " + std::to_string(nucleos) + ")",
               entero(1, HILOS_MAXIMOS), [&](const std::string& v) { o.hilos = static_cast<unsigned>(entero16(v)); });

    oCentro->excludes(oX)->excludes(oY);
    oLado->excludes(oRadio)->excludes(oZoom);
    oRadio->excludes(oZoom);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        r.texto = app.help();
        return r;
    } catch (const CLI::CallForVersion& e) {
        r.texto = std::string(e.what()) + "\n";
        return r;
    } catch (const CLI::ValidationError& e) {
        // The parser puts the option's name before the reason, which names it already.
        const std::string texto = e.what();
        const std::size_t motivo = texto.find("invalid value ");
        r.error = motivo == std::string::npos ? texto : texto.substr(motivo);
        return r;
    } catch (const CLI::ExcludesError& e) {
        r.error = std::string(e.what()) + (dado(oCentro) ? ": both place the view" : ": both give the view's side") +
                  ", give one of them";
        return r;
    } catch (const CLI::ArgumentMismatch& e) {
        // The parser names an option given twice by its name, then its counts.
        const std::string texto = e.what();
        const CLI::Option* repetida = app.get_option_no_throw(texto.substr(0, texto.find(':')));
        r.error = repetida && repetida->count() > 1 ? "option " + repetida->get_name() + " given more than once" : texto;
        return r;
    } catch (const CLI::ParseError& e) {
        r.error = e.what();
        return r;
    }

    if ((!o.archivo || o.tamanoDado) && !regionFuera(o).empty()) {
        // (The size of a PNG given as FILE is known once it is read.)
        r.error = regionFuera(o);
    } else if (std::string motivo = rechazoPelicula(o, tramo, dado(oFin), dado(oFotogramas)); !motivo.empty()) {
        r.error = motivo;
    } else if (!o.salida && !o.guardarVista) {
        r.error = "nothing to write: give -o OUT.png, or --save-view FILE.str";
    }
    if (r.error.empty() && o.pelicula) {
        o.pelicula->primero = tramo ? tramo->first : 0;
        o.pelicula->ultimo = tramo ? tramo->second : o.pelicula->fotogramas - 1;
    }
    return r;
}

bool esArchivoVista(const std::string& nombre) { return terminaEn(nombre, ".brv"); }

std::optional<std::string_view> nombreDeCodigo(std::span<const NombreCodigo> tabla, int32_t codigo) {
    for (const NombreCodigo& c : tabla)
        if (c.codigo == codigo) return c.nombre;
    return std::nullopt;
}

std::string regionFuera(const OpcionesRender& o) {
    if (!o.region || regionDentro(*o.region, o.ancho, o.alto)) return "";
    const Region& g = *o.region;
    return rechazo(std::to_string(g.x) + "," + std::to_string(g.y) + "," + std::to_string(g.ancho) + "," +
                       std::to_string(g.alto),
                   "--region",
                   "not a rectangle of at least one pixel inside the " + std::to_string(o.ancho) + " x " +
                       std::to_string(o.alto) + " picture");
}

}  // namespace brenquil
