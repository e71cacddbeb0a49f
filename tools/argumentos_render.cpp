#include "argumentos_render.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <limits>
#include <map>
#include <vector>

#include "codigos.h"
#include "texto_numero.h"

#ifndef BRENQUIL_VERSION
#error "BRENQUIL_VERSION must give the program's version"
#endif

namespace brenquil {
namespace {

// A code given by name or by number.
struct NombreCodigo {
    std::string_view nombre;
    int32_t codigo;
};

constexpr NombreCodigo PLANOS[] = {
    {"cardioide", PLANO_CARDIOIDE}, {"cardioide-inv", PLANO_CARDIOIDE_INV}, {"parabola", PLANO_PARABOLA}};
constexpr NombreCodigo COLORES[] = {{"iteracion", COLOR_ITERACION},
                                    {"blanco-negro", COLOR_BLANCO_NEGRO},
                                    {"desc-binaria", COLOR_DESC_BINARIA},
                                    {"desc-binaria-bn", COLOR_DESC_BINARIA_BN}};
constexpr NombreCodigo DWELLS[] = {{"si", DWELL_SI}, {"yes", DWELL_SI}, {"no", DWELL_NO}};

std::string citar(std::string_view texto) {
    std::string t(1, '\'');
    t.append(texto);
    t += '\'';
    return t;
}

// The reason a value is refused, as "invalid value 'v' for --name: why".
class Rechazo {
public:
    Rechazo(std::string& error, const CLI::Option* opcion) : error_(error), opcion_(opcion) {}
    bool operator()(const std::string& valor, const std::string& motivo) const {
        if (error_.empty()) error_ = "invalid value " + citar(valor) + " for " + opcion_->get_name() + ": " + motivo;
        return false;
    }

private:
    std::string& error_;
    const CLI::Option* opcion_;
};

// The options that take one value, each kept as the text given; the texts
// are read into values once the command line is parsed.
class Lector {
public:
    explicit Lector(CLI::App& app) : app_(app) {}

    // `nombres`: the option's names, separated by commas.
    CLI::Option* opcion(const std::string& nombres, const std::string& tipo, const std::string& ayuda) {
        std::string& texto = textos_[nombres];
        CLI::Option* o = app_.add_option(nombres, texto, ayuda)->type_name(tipo);
        o->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
        de_[o] = &texto;
        return o;
    }
    const std::string& valor(const CLI::Option* o) const { return *de_.at(o); }

    // The first option given more than once, if any.
    std::optional<std::string> repetida() const {
        for (const auto& [o, texto] : de_)
            if (o->count() > 1) return o->get_name();
        return std::nullopt;
    }

private:
    CLI::App& app_;
    std::map<std::string, std::string> textos_;  // a map: the texts never move
    std::map<const CLI::Option*, std::string*> de_;
};

std::string listaNombres(const NombreCodigo* nombres, std::size_t n) {
    std::string t;
    for (std::size_t i = 0; i < n; ++i) {
        if (i > 0) t += ", ";
        t += std::to_string(nombres[i].codigo) + " or " + std::string(nombres[i].nombre);
    }
    return t;
}

}  // namespace

std::optional<int64_t> leerEnteroEstricto(std::string_view texto) {
    std::size_t i = 0;
    bool negativo = false;
    if (i < texto.size() && (texto[i] == '+' || texto[i] == '-')) {
        negativo = texto[i] == '-';
        ++i;
    }
    if (i == texto.size()) return std::nullopt;
    int64_t valor = 0;
    for (; i < texto.size(); ++i) {
        const char c = texto[i];
        if (c < '0' || c > '9') return std::nullopt;
        // Past 2^40 the value is far outside every field: it stops growing
        // there instead of overflowing.
        if (valor < (int64_t{1} << 40)) valor = valor * 10 + (c - '0');
    }
    return negativo ? -valor : valor;
}

// The C grammar decides where the number ends, over the exact bytes (an
// embedded NUL ends it early, so the text is refused); the value is the one
// the program itself reads from the same text, so an option and a parameter
// file field holding the same characters give the same view.
std::optional<long double> leerRealEstricto(std::string_view texto) {
    if (texto.empty()) return std::nullopt;
    const char primero = texto.front();
    // The grammar skips leading white space; an option does not.
    if (primero == ' ' || (primero >= '\t' && primero <= '\r')) return std::nullopt;
    if (finDeReal(texto) != texto.size()) return std::nullopt;
    return textoAReal(texto);
}

ResultadoArgumentos analizarArgumentos(int argc, const char* const* argv, unsigned nucleos) {
    ResultadoArgumentos r;
    OpcionesRender& o = r.opciones;
    CLI::App app("Renders a view of the explorer to a PNG picture with the window's own engine;\n"
                 "at 400 x 400 pixels it is the picture the window draws.",
                 "brenquil-render");
    app.get_formatter()->column_width(33);
    app.footer(
        "The view comes from FILE, from the options, or from both (an option replaces\n"
        "the file's value); a value given nowhere takes the window's start-up value:\n"
        "corner -4 + 8i, side 16, 30 iterations, plane 300, colour 350, dwell 380.\n"
        "--radius or --zoom without --center keeps the view's centre.\n\n"
        "Numbers must be whole arguments: integers in decimal, reals in the C locale\n"
        "(0.5, -1e-30). Each option may be given once. The first version's Spanish\n"
        "names (--salida, --iteraciones, --plano, --lado, --paso) still work.\n\n"
        "Exit status: 0 when all was written, 1 when a file could not be read or\n"
        "written, 2 when the command line is refused.");
    app.set_version_flag("--version", "brenquil-render " BRENQUIL_VERSION);

    Lector l(app);
    std::string archivo;
    CLI::Option* oArchivo = app.add_option("FILE", archivo, "a parameter file (*.str), or a PNG\nwritten by brenquil-render")->type_name("");
    CLI::Option* oSalida = l.opcion("-o,--output,--salida", "OUT.png", "the PNG to write (- for standard\noutput), replaced only when complete");
    CLI::Option* oGuardar = l.opcion("--save-view,--guardar-vista", "FILE.str",
                                     "also write the view, with its limit\nas drawn, to a parameter file");
    CLI::Option* oTamano = l.opcion("--size,--tamano", "WxH",
                                    "picture size, each side at most " + std::to_string(LADO_MAXIMO_IMAGEN) +
                                        "\n(400x400); the view's side spans the width");
    CLI::Option* oMuestras = l.opcion("--supersample,--supermuestreo", "N",
                                      "N x N samples per pixel, 1.." + std::to_string(MUESTRAS_MAXIMAS) +
                                          " (1),\naveraged in linear light");
    CLI::Option* oRegion = l.opcion("--region", "X,Y,W,H",
                                    "only this rectangle of the picture,\nthe same pixels as in the whole render");
    CLI::Option* oIteraciones = l.opcion("--iterations,--iteraciones", "N", "iteration limit, -32768..32767");
    CLI::Option* oPlano = l.opcion("--plane,--plano", "P", "plane: 300 or cardioide, 305 or\ncardioide-inv, 310 or parabola");
    CLI::Option* oColor = l.opcion("--color,--colour", "C", "colouring: 350 or iteracion, 355 or\nblanco-negro, 365 or desc-binaria,\n370 or desc-binaria-bn");
    CLI::Option* oDwell = l.opcion("--dwell", "D", "380 or si: escaped points drawn;\n385 or no: only the inside");
    CLI::Option* oX = l.opcion("--x", "X", "real part of the upper-left corner");
    CLI::Option* oY = l.opcion("--y", "Y", "imaginary part of the upper-left corner");
    CLI::Option* oLado = l.opcion("--side,--lado", "L", "side of the view: its width");
    CLI::Option* oCentro = l.opcion("--center,--centre", "RE,IM", "the centre of the view, instead of\nits upper-left corner");
    CLI::Option* oRadio = l.opcion("--radius", "R", "half the side: the side is 2 R");
    CLI::Option* oZoom = l.opcion("--zoom", "M", "magnification: the side is 4 / M");
    CLI::Option* oPaso = l.opcion("--step,--paso", "S",
                                  "added once to the limit, as a render\nstart in the window does (0)");
    CLI::Option* oHilos = l.opcion("--threads", "N",
                                   "threads, 1.." + std::to_string(HILOS_MAXIMOS) + " (every core: " +
                                       std::to_string(nucleos) + ")");

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        r.texto = app.help();
        return r;
    } catch (const CLI::CallForVersion& e) {
        r.texto = std::string(e.what()) + "\n";
        return r;
    } catch (const CLI::ParseError& e) {
        r.error = e.what();
        return r;
    }
    if (const auto repetida = l.repetida()) {
        r.error = "option " + *repetida + " given more than once";
        return r;
    }

    std::string& error = r.error;
    const auto entero = [&](const CLI::Option* opcion, int64_t minimo, int64_t maximo) -> std::optional<int64_t> {
        const std::string& v = l.valor(opcion);
        const std::optional<int64_t> n = leerEnteroEstricto(v);
        if (!n) return Rechazo(error, opcion)(v, "not an integer"), std::nullopt;
        if (*n < minimo || *n > maximo) {
            return Rechazo(error, opcion)(v, "outside " + std::to_string(minimo) + ".." + std::to_string(maximo)),
                   std::nullopt;
        }
        return n;
    };
    const auto real = [&](const CLI::Option* opcion, std::string_view texto, bool positivo) -> std::optional<long double> {
        const std::optional<long double> v = leerRealEstricto(texto);
        const std::string t(texto);
        if (!v) return Rechazo(error, opcion)(t, "not a number"), std::nullopt;
        if (!std::isfinite(*v)) return Rechazo(error, opcion)(t, "not finite"), std::nullopt;
        if (positivo && !(*v > 0)) return Rechazo(error, opcion)(t, "not positive"), std::nullopt;
        return v;
    };
    const auto codigo = [&](const CLI::Option* opcion, const NombreCodigo* nombres, std::size_t n,
                            const char* que) -> std::optional<int32_t> {
        const std::string& v = l.valor(opcion);
        for (std::size_t i = 0; i < n; ++i) {
            if (v == nombres[i].nombre || leerEnteroEstricto(v) == nombres[i].codigo) return nombres[i].codigo;
        }
        return Rechazo(error, opcion)(v, std::string("not ") + que + " (" + listaNombres(nombres, n) + ")"),
               std::nullopt;
    };
    // Texts separated by `separador`, exactly `n` of them.
    const auto partes = [&](const CLI::Option* opcion, char separador, std::size_t n) -> std::vector<std::string> {
        const std::string& v = l.valor(opcion);
        std::vector<std::string> p(1);
        for (char c : v) {
            if (c == separador) {
                p.emplace_back();
            } else {
                p.back() += c;
            }
        }
        if (p.size() != n) {
            Rechazo(error, opcion)(v, "not " + std::to_string(n) + " values separated by '" + separador + "'");
            return {};
        }
        return p;
    };
    const auto dado = [](const CLI::Option* opcion) { return opcion->count() > 0; };

    if (dado(oArchivo)) o.archivo = archivo;
    if (dado(oSalida)) {
        const std::string& v = l.valor(oSalida);
        std::string extension = v.size() >= 4 ? v.substr(v.size() - 4) : "";
        for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (v.empty()) {
            Rechazo(error, oSalida)(v, "an empty name");
        } else if (v != "-" && extension != ".png") {
            Rechazo(error, oSalida)(v, "the picture is written as PNG: give a name ending in .png, or - for standard "
                                       "output");
        }
        o.salida = v;
    }
    if (dado(oGuardar)) o.guardarVista = l.valor(oGuardar);
    if (dado(oTamano)) {
        const std::vector<std::string> wh = partes(oTamano, 'x', 2);
        if (wh.size() == 2) {
            const std::optional<int64_t> w = leerEnteroEstricto(wh[0]);
            const std::optional<int64_t> h = leerEnteroEstricto(wh[1]);
            if (!w || !h || *w < 1 || *h < 1 || *w > LADO_MAXIMO_IMAGEN || *h > LADO_MAXIMO_IMAGEN) {
                Rechazo(error, oTamano)(l.valor(oTamano), "each side must be 1.." + std::to_string(LADO_MAXIMO_IMAGEN) +
                                                               " pixels");
            } else {
                o.ancho = static_cast<int>(*w);
                o.alto = static_cast<int>(*h);
            }
        }
    }
    if (dado(oMuestras)) {
        if (const auto n = entero(oMuestras, 1, MUESTRAS_MAXIMAS)) o.muestras = static_cast<int>(*n);
    }
    if (dado(oRegion)) {
        const std::vector<std::string> p = partes(oRegion, ',', 4);
        if (p.size() == 4) {
            int64_t v[4];
            bool bien = true;
            for (int i = 0; i < 4; ++i) {
                const std::optional<int64_t> n = leerEnteroEstricto(p[static_cast<std::size_t>(i)]);
                bien = bien && n && *n >= 0 && *n <= LADO_MAXIMO_IMAGEN;
                v[i] = n.value_or(0);
            }
            if (!bien || v[2] < 1 || v[3] < 1 || v[0] + v[2] > o.ancho || v[1] + v[3] > o.alto) {
                Rechazo(error, oRegion)(l.valor(oRegion), "not a rectangle of at least one pixel inside the " +
                                                               std::to_string(o.ancho) + " x " +
                                                               std::to_string(o.alto) + " picture");
            } else {
                o.region = Region{static_cast<int>(v[0]), static_cast<int>(v[1]), static_cast<int>(v[2]),
                                  static_cast<int>(v[3])};
            }
        }
    }
    constexpr int64_t MIN16 = std::numeric_limits<int16_t>::min();
    constexpr int64_t MAX16 = std::numeric_limits<int16_t>::max();
    if (dado(oIteraciones)) {
        if (const auto n = entero(oIteraciones, MIN16, MAX16)) o.iteraciones = static_cast<int16_t>(*n);
    }
    if (dado(oPaso)) {
        if (const auto n = entero(oPaso, MIN16, MAX16)) o.paso = static_cast<int16_t>(*n);
    }
    if (dado(oPlano)) {
        if (const auto c = codigo(oPlano, PLANOS, std::size(PLANOS), "a plane")) o.plano = static_cast<int16_t>(*c);
    }
    if (dado(oColor)) o.modoColor = codigo(oColor, COLORES, std::size(COLORES), "a colouring");
    if (dado(oDwell)) o.dwell = codigo(oDwell, DWELLS, std::size(DWELLS), "a dwell code");
    if (dado(oX)) o.xSupIzq = real(oX, l.valor(oX), false);
    if (dado(oY)) o.ySupIzq = real(oY, l.valor(oY), false);
    if (dado(oLado)) o.lado = real(oLado, l.valor(oLado), true);
    if (dado(oRadio)) o.radio = real(oRadio, l.valor(oRadio), true);
    if (dado(oZoom)) o.zoom = real(oZoom, l.valor(oZoom), true);
    if (dado(oCentro)) {
        const std::vector<std::string> p = partes(oCentro, ',', 2);
        if (p.size() == 2) {
            const std::optional<long double> re = real(oCentro, p[0], false);
            const std::optional<long double> im = real(oCentro, p[1], false);
            if (re && im) o.centro = std::make_pair(*re, *im);
        }
    }
    if (dado(oHilos)) {
        if (const auto n = entero(oHilos, 1, HILOS_MAXIMOS)) o.hilos = static_cast<unsigned>(*n);
    }
    if (!error.empty()) return r;

    if (dado(oCentro) && (dado(oX) || dado(oY))) {
        error = "--center and --x/--y both place the view: give one of them";
    } else if (int(dado(oLado)) + int(dado(oRadio)) + int(dado(oZoom)) > 1) {
        error = "--side, --radius and --zoom all give the side: give one of them";
    } else if (!o.salida && !o.guardarVista) {
        error = "nothing to write: give -o OUT.png, or --save-view FILE.str";
    }
    return r;
}

}  // namespace brenquil
