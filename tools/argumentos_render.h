// The command line of brenquil-render: what to render, where to write it and
// with how many threads.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brenquil {

struct OpcionesRender {
    // The parameter file, if one was named.
    std::optional<std::string> archivo;
    // The PNG to write; empty when -o was not given.
    std::string salida;
    // The seven values of a view. Each one given replaces the file's value (or
    // the start-up value when there is no file).
    std::optional<int16_t> iteraciones;
    std::optional<int16_t> plano;
    std::optional<int32_t> modoColor;
    std::optional<int32_t> dwell;
    std::optional<long double> xSupIzq;
    std::optional<long double> ySupIzq;
    std::optional<long double> lado;
    // Added once to the limit, as a render start does. 0 renders the limit itself.
    int16_t paso = 0;
    // Worker threads; 0 means every core.
    unsigned hilos = 0;
    bool ayuda = false;
};

// Either the options or the reason the command line is refused.
struct ResultadoArgumentos {
    OpcionesRender opciones;
    std::string error;  // empty when the command line is good
};

// The most worker threads --threads accepts.
inline constexpr unsigned HILOS_MAXIMOS = 256;

// Reads the arguments after the program name. A number must be the whole
// argument: nothing before or after it, so a typo is an error and never
// silently a 0. Integers are decimal and must fit their field (16 bits for the
// limit, the plane and the step, 32 for the colour mode and the dwell code);
// the plane, colour mode and dwell code also take their names. Real values are
// read as strtold reads them in the C locale (decimal, hexadecimal, "inf",
// "nan"). "--help" anywhere wins over every other error. A missing -o is an
// error unless help was asked for.
ResultadoArgumentos analizarArgumentos(const std::vector<std::string_view>& argumentos);

// The usage text printed by --help; `nucleos` is the default thread count shown.
std::string textoAyuda(unsigned nucleos);

// Strict conversions used for the options, exposed for the tests. Each
// returns nothing when the text is not entirely a number of its kind.
std::optional<long double> leerRealEstricto(std::string_view texto);
std::optional<int64_t> leerEnteroEstricto(std::string_view texto);

}  // namespace brenquil
