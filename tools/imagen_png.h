// PNG files: written a band of rows at a time (8-bit RGB, each row filtered
// and compressed with zlib as it comes, with text chunks ahead of the
// picture), and the texts a caller names read back from anywhere in a file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "opciones_color.h"

namespace brenquil {

// A tEXt chunk: a keyword of 1 to 79 Latin-1 characters and its text.
struct TextoPng {
    std::string clave;
    std::string texto;
    bool operator==(const TextoPng&) const = default;
};

class EscritorPng {
public:
    EscritorPng();
    ~EscritorPng();
    EscritorPng(const EscritorPng&) = delete;
    EscritorPng& operator=(const EscritorPng&) = delete;

    // Writes to `archivo` the signature, the header of an ancho x alto 8-bit
    // RGB picture and the text chunks. Each call returns an empty text, or
    // why writing failed (errno's text).
    std::string empezar(std::FILE* archivo, int ancho, int alto, const std::vector<TextoPng>& textos);
    // The next `filas` rows, ancho colours (0x00BBGGRR) each, row by row.
    std::string escribirFilas(const Color* pixeles, int filas);
    // The rest of the compressed data and the end of the file; every row must
    // have been written.
    std::string terminar();

private:
    struct Estado;
    std::unique_ptr<Estado> e_;
};

// Whether `bytes` begin with the PNG signature.
bool esPng(const std::string& bytes);

// A text wanted from a PNG: its keyword, and the most bytes its text may have
// (a longer one is an error, never cut short).
struct ClavePng {
    std::string clave;
    std::size_t maximo = 0;
};

// How much of a file the reader takes on before it gives up: the chunks it
// looks at, and the bytes it reads. Data skipped with a seek costs no reading,
// so a regular file is bounded by its chunks, a pipe by both.
struct LimitesPng {
    uint64_t bloques = uint64_t{1} << 20;
    uint64_t bytes = uint64_t{1} << 32;
};

struct LecturaPng {
    // For each keyword asked for, in the same order, the text of its first
    // chunk, as stored (Latin-1 from tEXt and zTXt, UTF-8 from iTXt).
    std::vector<std::optional<std::string>> textos;
    uint64_t bloques = 0;  // chunks looked at
    uint64_t leidos = 0;   // bytes read, the ones already read included
};

// Reads from the PNG file `archivo` the texts of the keywords in `claves`,
// from tEXt, zTXt and iTXt chunks (compressed with zlib or not) before or
// after the picture data. `yaLeidos` are the first bytes of the file, which
// the caller has read from it already: a pipe cannot give them again.
//
// Only the chunks of a keyword asked for are read whole, their CRC checked and
// their text kept; of any other chunk the reader takes its header (and the
// keyword of a text chunk) and skips the rest, with a seek when the file
// allows one (a long skip) and by reading otherwise. Of the chunks of one
// keyword the first wins: it is the one a writer puts ahead of the picture,
// and the reader stops once it has every keyword, so a pipe is read no
// further than that. The reading ends at the IEND chunk.
//
// False, with `error` saying why, for a file that is not a PNG, that ends
// before its IEND chunk (unless every keyword was found before), a damaged
// chunk header, a text asked for whose CRC does not match, whose compressed
// data does not inflate or which is longer than its maximum (inflating stops
// there: a small chunk that inflates to gigabytes allocates nothing more),
// and a file that goes past a limit of `limites`.
bool leerTextosPng(std::FILE* archivo, std::string_view yaLeidos, const std::vector<ClavePng>& claves,
                   LecturaPng& lectura, std::string& error, const LimitesPng& limites = {});

}  // namespace brenquil
