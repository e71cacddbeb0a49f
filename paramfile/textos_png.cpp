#include "textos_png.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

namespace brenquil {
namespace {

uint32_t leerU32(const unsigned char* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

}  // namespace

bool esPng(const std::string& bytes) {
    return bytes.size() >= sizeof FIRMA_PNG && std::memcmp(bytes.data(), FIRMA_PNG, sizeof FIRMA_PNG) == 0;
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
    if (std::memcmp(firma, FIRMA_PNG, 8) != 0) return fallar("not a PNG file");

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
