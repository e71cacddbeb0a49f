#include "argumentos_render.h"

#include <limits>

#include "codigos.h"
#include "texto_numero.h"

namespace brenquil {
namespace {

// A code given by name or by number.
struct NombreCodigo {
    std::string_view nombre;
    int32_t codigo;
};

constexpr NombreCodigo NOMBRES_PLANO[] = {
    {"cardioide", PLANO_CARDIOIDE},
    {"cardioide-inv", PLANO_CARDIOIDE_INV},
    {"parabola", PLANO_PARABOLA},
};
constexpr NombreCodigo NOMBRES_COLOR[] = {
    {"iteracion", COLOR_ITERACION},
    {"blanco-negro", COLOR_BLANCO_NEGRO},
    {"desc-binaria", COLOR_DESC_BINARIA},
    {"desc-binaria-bn", COLOR_DESC_BINARIA_BN},
};
constexpr NombreCodigo NOMBRES_DWELL[] = {
    {"si", DWELL_SI},
    {"no", DWELL_NO},
};

std::string citar(std::string_view texto) {
    std::string t(1, '\'');
    t.append(texto);
    t += '\'';
    return t;
}

// The value of an integer option in [minimo, maximo], or the reason it is refused.
std::optional<int64_t> leerEnteroEnRango(std::string_view opcion, std::string_view texto, int64_t minimo,
                                         int64_t maximo, std::string& error) {
    const std::optional<int64_t> valor = leerEnteroEstricto(texto);
    if (!valor) {
        error = "invalid value " + citar(texto) + " for " + std::string(opcion) + ": not an integer";
        return std::nullopt;
    }
    if (*valor < minimo || *valor > maximo) {
        error = "invalid value " + citar(texto) + " for " + std::string(opcion) + ": outside " +
                std::to_string(minimo) + ".." + std::to_string(maximo);
        return std::nullopt;
    }
    return valor;
}

template <std::size_t N>
std::optional<int64_t> leerCodigo(std::string_view opcion, std::string_view texto, const NombreCodigo (&nombres)[N],
                                  int64_t minimo, int64_t maximo, std::string& error) {
    for (const NombreCodigo& n : nombres) {
        if (texto == n.nombre) return n.codigo;
    }
    const std::optional<int64_t> valor = leerEnteroEnRango(opcion, texto, minimo, maximo, error);
    if (!valor && !leerEnteroEstricto(texto)) {
        error = "invalid value " + citar(texto) + " for " + std::string(opcion) + ": not a code or one of";
        for (const NombreCodigo& n : nombres) error.append(" ").append(n.nombre);
    }
    return valor;
}

std::optional<long double> leerReal(std::string_view opcion, std::string_view texto, std::string& error) {
    const std::optional<long double> valor = leerRealEstricto(texto);
    if (!valor) error = "invalid value " + citar(texto) + " for " + std::string(opcion) + ": not a number";
    return valor;
}

// Applies one option that takes a value; false with `error` set when the value is refused.
bool aplicarOpcion(std::string_view nombre, std::string_view valor, OpcionesRender& o, std::string& error) {
    constexpr int64_t MIN16 = std::numeric_limits<int16_t>::min();
    constexpr int64_t MAX16 = std::numeric_limits<int16_t>::max();
    constexpr int64_t MIN32 = std::numeric_limits<int32_t>::min();
    constexpr int64_t MAX32 = std::numeric_limits<int32_t>::max();

    if (nombre == "-o" || nombre == "--salida") {
        if (valor.empty()) {
            error = "empty output path for " + std::string(nombre);
            return false;
        }
        o.salida = std::string(valor);
        return true;
    }
    if (nombre == "--iteraciones") {
        const auto v = leerEnteroEnRango(nombre, valor, MIN16, MAX16, error);
        if (v) o.iteraciones = static_cast<int16_t>(*v);
        return v.has_value();
    }
    if (nombre == "--paso") {
        const auto v = leerEnteroEnRango(nombre, valor, MIN16, MAX16, error);
        if (v) o.paso = static_cast<int16_t>(*v);
        return v.has_value();
    }
    if (nombre == "--plano") {
        const auto v = leerCodigo(nombre, valor, NOMBRES_PLANO, MIN16, MAX16, error);
        if (v) o.plano = static_cast<int16_t>(*v);
        return v.has_value();
    }
    if (nombre == "--color") {
        const auto v = leerCodigo(nombre, valor, NOMBRES_COLOR, MIN32, MAX32, error);
        if (v) o.modoColor = static_cast<int32_t>(*v);
        return v.has_value();
    }
    if (nombre == "--dwell") {
        const auto v = leerCodigo(nombre, valor, NOMBRES_DWELL, MIN32, MAX32, error);
        if (v) o.dwell = static_cast<int32_t>(*v);
        return v.has_value();
    }
    if (nombre == "--x") {
        o.xSupIzq = leerReal(nombre, valor, error);
        return o.xSupIzq.has_value();
    }
    if (nombre == "--y") {
        o.ySupIzq = leerReal(nombre, valor, error);
        return o.ySupIzq.has_value();
    }
    if (nombre == "--lado") {
        o.lado = leerReal(nombre, valor, error);
        return o.lado.has_value();
    }
    if (nombre == "--threads") {
        const auto v = leerEnteroEnRango(nombre, valor, 1, HILOS_MAXIMOS, error);
        if (v) o.hilos = static_cast<unsigned>(*v);
        return v.has_value();
    }
    error = "unknown option " + citar(nombre);
    return false;
}

bool tomaValor(std::string_view nombre) {
    constexpr std::string_view CON_VALOR[] = {"-o",     "--salida", "--iteraciones", "--paso", "--plano",  "--color",
                                              "--dwell", "--x",      "--y",           "--lado", "--threads"};
    for (std::string_view n : CON_VALOR) {
        if (n == nombre) return true;
    }
    return false;
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

ResultadoArgumentos analizarArgumentos(const std::vector<std::string_view>& argumentos) {
    ResultadoArgumentos r;
    OpcionesRender& o = r.opciones;
    bool soloArchivos = false;  // after "--"
    for (std::size_t i = 0; i < argumentos.size(); ++i) {
        const std::string_view arg = argumentos[i];
        const bool esOpcion = !soloArchivos && arg.size() > 1 && arg.front() == '-';
        if (!esOpcion) {
            if (o.archivo) {
                if (r.error.empty()) r.error = "more than one parameter file: " + citar(*o.archivo) + " and " + citar(arg);
            } else {
                o.archivo = std::string(arg);
            }
            continue;
        }
        if (arg == "--") {
            soloArchivos = true;
            continue;
        }
        if (arg == "-h" || arg == "--help") {
            o.ayuda = true;
            continue;
        }
        if (!r.error.empty()) continue;  // keep looking for --help only

        std::string_view nombre = arg;
        std::optional<std::string_view> valor;
        const std::size_t igual = arg.find('=');
        if (arg.starts_with("--") && igual != std::string_view::npos) {
            nombre = arg.substr(0, igual);
            valor = arg.substr(igual + 1);
        }
        if (nombre == "--help") {
            r.error = "option --help takes no value";
            continue;
        }
        if (!tomaValor(nombre)) {
            r.error = "unknown option " + citar(nombre);
            continue;
        }
        if (!valor) {
            if (i + 1 >= argumentos.size()) {
                r.error = "option " + std::string(nombre) + " needs a value";
                continue;
            }
            // The next argument is the value even when it starts with '-': "--x -0.75".
            valor = argumentos[++i];
        }
        aplicarOpcion(nombre, *valor, o, r.error);
    }
    if (o.ayuda) {
        r.error.clear();
        return r;
    }
    if (r.error.empty() && o.salida.empty()) r.error = "no output file: give one with -o OUT.png";
    return r;
}

std::string textoAyuda(unsigned nucleos) {
    std::string t =
        "Usage: brenquil-render [FILE.str] -o OUT.png [OPTION...]\n"
        "\n"
        "Renders one 400 x 400 view to a PNG with the explorer's own engine: the\n"
        "same iteration, colouring and ring-by-ring render as the window.\n"
        "The view comes from a parameter file (*.str), from the options below, or\n"
        "from both (an option replaces the file's value); a value given nowhere\n"
        "takes the program's start-up value.\n"
        "\n"
        "  -o, --salida OUT.png  the PNG to write (required); an existing file is\n"
        "                        replaced only once the new picture is complete\n"
        "  --iteraciones N       iteration limit, -32768..32767 (start-up: 30)\n"
        "  --plano P             plane: 300 or cardioide, 305 or cardioide-inv,\n"
        "                        310 or parabola (start-up: 300)\n"
        "  --color C             colour mode: 350 or iteracion, 355 or blanco-negro,\n"
        "                        365 or desc-binaria, 370 or desc-binaria-bn\n"
        "                        (start-up: 350)\n"
        "  --dwell D             380 or si: escaped points are drawn;\n"
        "                        385 or no: only points inside the set (start-up: 380)\n"
        "  --x X                 real part of the upper-left corner (start-up: -4)\n"
        "  --y Y                 imaginary part of the upper-left corner (start-up: 8)\n"
        "  --lado L              side of the view square (start-up: 16)\n"
        "  --paso S              iteration step added once to the limit, as a render\n"
        "                        start in the window does (default: 0, so the limit\n"
        "                        itself is rendered; the window's first picture is 32)\n"
        "  --threads N           worker threads, 1..256 (default: every core, here ";
    t += std::to_string(nucleos);
    t +=
        ")\n"
        "  -h, --help            print this text and exit\n"
        "\n"
        "Options also take the form --name=value. A number must be the whole\n"
        "argument; integers are decimal, reals are read in the C locale (\"0.5\",\n"
        "\"-1e-30\", \"inf\"). Other plane, colour and dwell codes are accepted and\n"
        "behave as in the window.\n"
        "\n"
        "Exit status: 0 when the PNG was written, 1 when a file could not be read or\n"
        "written, 2 when the command line is wrong.\n";
    return t;
}

}  // namespace brenquil
