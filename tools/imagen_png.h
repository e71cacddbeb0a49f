// PNG files written a band of rows at a time (8-bit RGB, each row filtered
// and compressed with zlib as it comes, with text chunks ahead of the
// picture). Their texts are read back by textos_png.h.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "opciones_color.h"
#include "textos_png.h"

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

}  // namespace brenquil
