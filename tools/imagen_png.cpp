#include "imagen_png.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace brenquil {
namespace {

// Compressed data goes out in IDAT chunks of at most this size.
constexpr std::size_t TAMANO_IDAT = 1 << 16;

void ponerU32(unsigned char* p, uint32_t v) {
    p[0] = static_cast<unsigned char>(v >> 24);
    p[1] = static_cast<unsigned char>(v >> 16);
    p[2] = static_cast<unsigned char>(v >> 8);
    p[3] = static_cast<unsigned char>(v);
}

// The Paeth predictor of the PNG filters.
unsigned char paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a);
    const int pb = std::abs(p - b);
    const int pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return static_cast<unsigned char>(a);
    return static_cast<unsigned char>(pb <= pc ? b : c);
}

}  // namespace

struct EscritorPng::Estado {
    std::FILE* archivo = nullptr;
    int ancho = 0;
    z_stream z{};
    bool zIniciado = false;
    std::vector<unsigned char> anterior;  // the previous row, unfiltered
    std::vector<unsigned char> fila;      // the current row, unfiltered
    std::vector<unsigned char> filtrada;  // filter byte + filtered row, for each filter
    std::vector<unsigned char> salida;

    std::string errorEscritura() const { return std::strerror(errno); }

    std::string escribir(const void* datos, std::size_t n) {
        if (n > 0 && std::fwrite(datos, 1, n, archivo) != n) return errorEscritura();
        return {};
    }

    std::string bloque(const char tipo[4], const unsigned char* datos, std::size_t n) {
        unsigned char cabeza[8];
        ponerU32(cabeza, static_cast<uint32_t>(n));
        std::memcpy(cabeza + 4, tipo, 4);
        uLong crc = crc32(0, cabeza + 4, 4);
        if (n > 0) crc = crc32(crc, datos, static_cast<uInt>(n));
        unsigned char cola[4];
        ponerU32(cola, static_cast<uint32_t>(crc));
        if (std::string e = escribir(cabeza, 8); !e.empty()) return e;
        if (std::string e = escribir(datos, n); !e.empty()) return e;
        return escribir(cola, 4);
    }

    // Compresses `n` bytes (or finishes the stream), writing full IDAT chunks.
    std::string comprimir(const unsigned char* datos, std::size_t n, int vaciar) {
        z.next_in = const_cast<Bytef*>(datos);
        z.avail_in = static_cast<uInt>(n);
        for (;;) {
            z.next_out = salida.data();
            z.avail_out = static_cast<uInt>(salida.size());
            const int r = deflate(&z, vaciar);
            if (r == Z_STREAM_ERROR) return "the compressor failed";
            const std::size_t hecho = salida.size() - z.avail_out;
            if (hecho > 0) {
                if (std::string e = bloque("IDAT", salida.data(), hecho); !e.empty()) return e;
            }
            if (vaciar == Z_FINISH ? r == Z_STREAM_END : (z.avail_in == 0 && z.avail_out != 0)) return {};
        }
    }

    // The row with the filter whose bytes, read as signed, add up smallest in
    // size (the usual heuristic).
    const unsigned char* filtrar() {
        const std::size_t n = fila.size();
        const std::size_t bpp = 3;
        std::size_t mejor = 0;
        uint64_t mejorSuma = UINT64_MAX;
        for (int f = 0; f < 5; ++f) {
            unsigned char* d = filtrada.data() + f * (n + 1);
            d[0] = static_cast<unsigned char>(f);
            uint64_t suma = 0;
            for (std::size_t i = 0; i < n; ++i) {
                const int x = fila[i];
                const int a = i >= bpp ? fila[i - bpp] : 0;
                const int b = anterior[i];
                const int c = i >= bpp ? anterior[i - bpp] : 0;
                int pred = 0;
                switch (f) {
                case 1: pred = a; break;
                case 2: pred = b; break;
                case 3: pred = (a + b) / 2; break;
                case 4: pred = paeth(a, b, c); break;
                default: break;
                }
                const auto v = static_cast<unsigned char>(x - pred);
                d[i + 1] = v;
                suma += static_cast<uint64_t>(std::abs(static_cast<int>(static_cast<signed char>(v))));
            }
            if (suma < mejorSuma) {
                mejorSuma = suma;
                mejor = static_cast<std::size_t>(f);
            }
        }
        return filtrada.data() + mejor * (n + 1);
    }
};

EscritorPng::EscritorPng() : e_(std::make_unique<Estado>()) {}

EscritorPng::~EscritorPng() {
    if (e_->zIniciado) deflateEnd(&e_->z);
}

std::string EscritorPng::empezar(std::FILE* archivo, int ancho, int alto, const std::vector<TextoPng>& textos) {
    Estado& e = *e_;
    e.archivo = archivo;
    e.ancho = ancho;
    const std::size_t bytesFila = static_cast<std::size_t>(ancho) * 3;
    e.anterior.assign(bytesFila, 0);
    e.fila.assign(bytesFila, 0);
    e.filtrada.assign(5 * (bytesFila + 1), 0);
    e.salida.assign(TAMANO_IDAT, 0);
    // The same settings in every build, so that the same rows make the same bytes.
    if (deflateInit2(&e.z, 6, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) != Z_OK) return "the compressor failed";
    e.zIniciado = true;

    if (std::string error = e.escribir(FIRMA_PNG, sizeof FIRMA_PNG); !error.empty()) return error;
    unsigned char cabecera[13];
    ponerU32(cabecera, static_cast<uint32_t>(ancho));
    ponerU32(cabecera + 4, static_cast<uint32_t>(alto));
    cabecera[8] = 8;   // bits per channel
    cabecera[9] = 2;   // RGB
    cabecera[10] = 0;  // deflate
    cabecera[11] = 0;  // adaptive filtering
    cabecera[12] = 0;  // not interlaced
    if (std::string error = e.bloque("IHDR", cabecera, sizeof cabecera); !error.empty()) return error;
    for (const TextoPng& t : textos) {
        std::string datos = t.clave;
        datos += '\0';
        datos += t.texto;
        const auto* bytes = reinterpret_cast<const unsigned char*>(datos.data());
        if (std::string error = e.bloque("tEXt", bytes, datos.size()); !error.empty()) return error;
    }
    return {};
}

std::string EscritorPng::escribirFilas(const Color* pixeles, int filas) {
    Estado& e = *e_;
    for (int y = 0; y < filas; ++y) {
        const Color* fila = pixeles + static_cast<std::size_t>(y) * e.ancho;
        for (int x = 0; x < e.ancho; ++x) {
            e.fila[3 * x] = rojoDe(fila[x]);
            e.fila[3 * x + 1] = verdeDe(fila[x]);
            e.fila[3 * x + 2] = azulDe(fila[x]);
        }
        if (std::string error = e.comprimir(e.filtrar(), e.fila.size() + 1, Z_NO_FLUSH); !error.empty()) return error;
        std::swap(e.anterior, e.fila);
    }
    return {};
}

std::string EscritorPng::terminar() {
    Estado& e = *e_;
    if (std::string error = e.comprimir(nullptr, 0, Z_FINISH); !error.empty()) return error;
    if (std::string error = e.bloque("IEND", nullptr, 0); !error.empty()) return error;
    if (std::fflush(e.archivo) != 0) return e.errorEscritura();
    return {};
}

}  // namespace brenquil
