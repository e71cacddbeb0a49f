#include "imagen_png.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace brenquil {
namespace {

constexpr unsigned char FIRMA[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// Compressed data goes out in IDAT chunks of at most this size.
constexpr std::size_t TAMANO_IDAT = 1 << 16;

void ponerU32(unsigned char* p, uint32_t v) {
    p[0] = static_cast<unsigned char>(v >> 24);
    p[1] = static_cast<unsigned char>(v >> 16);
    p[2] = static_cast<unsigned char>(v >> 8);
    p[3] = static_cast<unsigned char>(v);
}

uint32_t leerU32(const unsigned char* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
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

    if (std::string error = e.escribir(FIRMA, sizeof FIRMA); !error.empty()) return error;
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

bool esPng(const std::string& bytes) {
    return bytes.size() >= sizeof FIRMA && std::memcmp(bytes.data(), FIRMA, sizeof FIRMA) == 0;
}

namespace {

// The longest keyword of a text chunk; a zero ends it.
constexpr std::size_t CLAVE_MAXIMA = 79;
// Skips up to this size are read through: they mostly lie in the buffer
// already, where a seek would only throw the buffer away.
constexpr uint64_t SALTO_LEIDO = 4096;
// 64-bit positions: long is 32 bits under Windows.
int64_t posicion(std::FILE* archivo) {
#ifdef _WIN32
    return _ftelli64(archivo);
#else
    return ftello(archivo);
#endif
}

bool avanzar(std::FILE* archivo, int64_t n) {
#ifdef _WIN32
    return _fseeki64(archivo, n, SEEK_CUR) == 0;
#else
    return fseeko(archivo, n, SEEK_CUR) == 0;
#endif
}

// The bytes of a PNG file in order: first the ones the caller read already,
// then the file's own, counted against the limit.
class Lector {
public:
    Lector(std::FILE* archivo, std::string_view previos, uint64_t limite)
        : archivo_(archivo), previos_(previos), limite_(limite),
          // A pipe has no position; a regular file does.
          buscable_(posicion(archivo) >= 0) {}

    uint64_t leidos() const { return leidos_; }
    // Whether a read failed because the file ended.
    bool terminado() const { return terminado_; }

    // Reads exactly `n` bytes, or false with the reason in `error`: the file
    // ends (`finEnBloque` says whether the end falls inside a chunk), fails,
    // or has given as many bytes as the limit lets it.
    bool leer(void* destino, std::size_t n, bool finEnBloque, std::string& error) {
        if (leidos_ > limite_ || n > limite_ - leidos_) {
            error = "gave up after reading " + std::to_string(limite_) + " bytes of the PNG file";
            return false;
        }
        auto* d = static_cast<unsigned char*>(destino);
        const std::size_t dePrevios = std::min(n, previos_.size());
        if (dePrevios > 0) std::memcpy(d, previos_.data(), dePrevios);
        previos_.remove_prefix(dePrevios);
        const std::size_t delArchivo = n - dePrevios;
        const std::size_t hechos = delArchivo == 0 ? 0 : std::fread(d + dePrevios, 1, delArchivo, archivo_);
        leidos_ += dePrevios + hechos;
        if (hechos == delArchivo) return true;
        if (std::ferror(archivo_)) {
            error = std::strerror(errno);
        } else {
            terminado_ = true;
            error = finEnBloque || dePrevios + hechos > 0 ? "the PNG file ends inside a chunk"
                                                          : "the PNG file ends before its IEND chunk";
        }
        return false;
    }

    // Passes over `n` bytes inside a chunk.
    bool saltar(uint64_t n, std::string& error) {
        const std::size_t dePrevios = static_cast<std::size_t>(std::min<uint64_t>(n, previos_.size()));
        previos_.remove_prefix(dePrevios);
        leidos_ += dePrevios;
        n -= dePrevios;
        if (buscable_ && n > SALTO_LEIDO) {
            // One byte short, then that byte read: a seek past the end of the
            // file succeeds, the read tells that the chunk is cut short.
            if (!avanzar(archivo_, static_cast<int64_t>(n - 1))) {
                error = std::strerror(errno);
                return false;
            }
            unsigned char ultimo;
            return leer(&ultimo, 1, true, error);
        }
        unsigned char basura[4096];
        while (n > 0) {
            const std::size_t trozo = static_cast<std::size_t>(std::min<uint64_t>(n, sizeof basura));
            if (!leer(basura, trozo, true, error)) return false;
            n -= trozo;
        }
        return true;
    }

private:
    std::FILE* archivo_;
    std::string_view previos_;
    uint64_t limite_;
    bool buscable_;
    uint64_t leidos_ = 0;
    bool terminado_ = false;
};

// Inflates zlib data, giving up as soon as it makes more than `maximo` bytes:
// the output never grows past that, whatever the data says.
std::string inflar(const unsigned char* datos, std::size_t n, std::size_t maximo, std::string& texto) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return "the decompressor failed";
    z.next_in = const_cast<Bytef*>(datos);
    z.avail_in = static_cast<uInt>(n);
    std::string motivo;
    unsigned char salida[16384];
    for (;;) {
        z.next_out = salida;
        z.avail_out = sizeof salida;
        const int r = inflate(&z, Z_NO_FLUSH);
        const std::size_t hecho = sizeof salida - z.avail_out;
        if (hecho > maximo - texto.size()) {
            motivo = "is longer than " + std::to_string(maximo) + " bytes";
            break;
        }
        texto.append(reinterpret_cast<const char*>(salida), hecho);
        if (r == Z_STREAM_END) break;
        if (r == Z_OK) continue;
        if (r == Z_BUF_ERROR && z.avail_in == 0) {
            motivo = "is cut short (its compressed data ends early)";
        } else {
            motivo = "is damaged (its compressed data does not inflate)";
        }
        break;
    }
    inflateEnd(&z);
    return motivo;
}

// The text of a text chunk's data after its keyword and zero: as it is
// (tEXt), or inflated (zTXt; iTXt with its flag set). Returns an empty text,
// or what is wrong with the chunk.
std::string textoDeBloque(const char* tipo, const unsigned char* p, const unsigned char* fin, std::size_t maximo,
                          std::string& texto) {
    bool comprimido = std::memcmp(tipo, "zTXt", 4) == 0;
    if (std::memcmp(tipo, "iTXt", 4) == 0) {
        // Compression flag and method, then the language tag and the
        // translated keyword, each ended by a zero.
        if (fin - p < 2 || p[0] > 1) return "has no valid compression flag";
        comprimido = p[0] == 1;
        if (comprimido && p[1] != 0) return "uses an unknown compression method";
        p += 2;
        for (int campo = 0; campo < 2; ++campo) {
            p = std::find(p, fin, 0);
            if (p == fin) return "lacks its language tag or translated keyword";
            ++p;
        }
    } else if (comprimido) {
        if (p == fin || *p != 0) return "uses an unknown compression method";
        ++p;
    }
    if (comprimido) return inflar(p, static_cast<std::size_t>(fin - p), maximo, texto);
    if (static_cast<std::size_t>(fin - p) > maximo) return "is longer than " + std::to_string(maximo) + " bytes";
    texto.assign(p, fin);
    return {};
}

}  // namespace

bool leerTextosPng(std::FILE* archivo, std::string_view yaLeidos, const std::vector<ClavePng>& claves,
                   LecturaPng& lectura, std::string& error, const LimitesPng& limites) {
    lectura = {};
    lectura.textos.resize(claves.size());
    std::size_t faltan = claves.size();
    Lector lector(archivo, yaLeidos, limites.bytes);
    const auto fallar = [&](std::string motivo) {
        error = std::move(motivo);
        lectura.leidos = lector.leidos();
        return false;
    };
    unsigned char firma[8];
    if (!lector.leer(firma, 8, true, error)) return fallar(lector.terminado() ? "not a PNG file" : error);
    if (std::memcmp(firma, FIRMA, 8) != 0) return fallar("not a PNG file");

    for (;;) {
        lectura.leidos = lector.leidos();
        if (faltan == 0) return true;
        if (lectura.bloques == limites.bloques) {
            return fallar("the PNG file holds more than " + std::to_string(limites.bloques) + " chunks");
        }
        unsigned char cabeza[8];
        if (!lector.leer(cabeza, 8, false, error)) return fallar(error);
        ++lectura.bloques;
        const uint32_t largo = leerU32(cabeza);
        const char* tipo = reinterpret_cast<const char*>(cabeza + 4);
        if (largo > 0x7FFFFFFF || !std::all_of(tipo, tipo + 4, [](char c) {
                return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
            })) {
            return fallar("the PNG file is damaged (a chunk header is not valid)");
        }
        if (std::memcmp(tipo, "IEND", 4) == 0) {
            lectura.leidos = lector.leidos();
            return true;
        }
        const bool deTexto =
            std::memcmp(tipo, "tEXt", 4) == 0 || std::memcmp(tipo, "zTXt", 4) == 0 || std::memcmp(tipo, "iTXt", 4) == 0;
        if (!deTexto) {
            if (!lector.saltar(uint64_t{largo} + 4, error)) return fallar(error);
            continue;
        }
        // The keyword, ended by a zero, leads the chunk: it alone tells
        // whether the chunk is wanted.
        std::vector<unsigned char> datos(std::min<std::size_t>(largo, CLAVE_MAXIMA + 1));
        if (!lector.leer(datos.data(), datos.size(), true, error)) return fallar(error);
        const std::size_t cero = static_cast<std::size_t>(std::find(datos.begin(), datos.end(), 0) - datos.begin());
        std::size_t cual = claves.size();
        if (cero > 0 && cero < datos.size()) {
            const std::string_view clave(reinterpret_cast<const char*>(datos.data()), cero);
            for (std::size_t k = 0; k < claves.size() && cual == claves.size(); ++k) {
                if (!lectura.textos[k] && claves[k].clave == clave) cual = k;
            }
        }
        if (cual == claves.size()) {
            if (!lector.saltar(uint64_t{largo} - datos.size() + 4, error)) return fallar(error);
            continue;
        }

        const std::size_t maximo = claves[cual].maximo;
        const std::string cita = "the PNG file's \"" + claves[cual].clave + "\" text ";
        // Room for an iTXt's language tag and translated keyword, and for
        // compressed data a little longer than its text.
        const std::size_t maximoBloque = maximo > (SIZE_MAX - 4096) / 2 ? SIZE_MAX : 2 * maximo + 4096;
        if (largo > maximoBloque) return fallar(cita + "is longer than " + std::to_string(maximo) + " bytes");
        const std::size_t yaTomados = datos.size();
        datos.resize(std::size_t{largo} + 4);
        if (!lector.leer(datos.data() + yaTomados, datos.size() - yaTomados, true, error)) return fallar(error);
        uLong crc = crc32(0, cabeza + 4, 4);
        crc = crc32(crc, datos.data(), largo);
        if (static_cast<uint32_t>(crc) != leerU32(datos.data() + largo)) {
            return fallar("the PNG file is damaged (the CRC of its \"" + claves[cual].clave + "\" chunk does not match)");
        }
        std::string texto;
        const std::string motivo = textoDeBloque(tipo, datos.data() + cero + 1, datos.data() + largo, maximo, texto);
        if (!motivo.empty()) return fallar(cita + motivo);
        lectura.textos[cual] = std::move(texto);
        --faltan;
    }
}

}  // namespace brenquil
