// The texts a caller names, read back from anywhere in a PNG file: how a
// view travels inside a picture of brenquil-render, for the window's Load
// and for brenquil-render itself.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brenquil {

// The eight bytes every PNG file begins with.
inline constexpr unsigned char FIRMA_PNG[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

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
