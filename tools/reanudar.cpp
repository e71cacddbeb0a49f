#include "reanudar.h"

#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <memory>

#include "sistema.h"
#include "textos_png.h"
#include "vista_render.h"

namespace brenquil {
namespace {

// The largest chunk the writer makes is an IDAT of 64 KiB; a much larger
// one is no chunk of its files, and is not read into memory.
constexpr uint32_t BLOQUE_MAXIMO = 1 << 20;

uint32_t leerU32(const unsigned char* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

struct CerrarArchivo {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

struct Inflador {
    z_stream z{};
    bool listo = inflateInit(&z) == Z_OK;
    ~Inflador() {
        if (listo) inflateEnd(&z);
    }
};

// Whether `archivo`, from its start, is a PNG as EscritorPng writes it for
// an ancho x alto picture (see fotogramaHecho): one pass, nothing kept but
// one chunk at a time.
bool imagenEntera(std::FILE* archivo, int ancho, int alto) {
    unsigned char firma[sizeof FIRMA_PNG];
    if (std::fread(firma, 1, sizeof firma, archivo) != sizeof firma || std::memcmp(firma, FIRMA_PNG, sizeof firma) != 0) {
        return false;
    }
    unsigned char cabecera[13] = {0, 0, 0, 0, 0, 0, 0, 0, 8, 2, 0, 0, 0};
    for (int i = 0; i < 4; ++i) {
        cabecera[3 - i] = static_cast<unsigned char>(static_cast<uint32_t>(ancho) >> (8 * i));
        cabecera[7 - i] = static_cast<unsigned char>(static_cast<uint32_t>(alto) >> (8 * i));
    }
    // Each row: its filter byte and 3 bytes a pixel.
    const uint64_t esperados = static_cast<uint64_t>(alto) * (1 + 3 * static_cast<uint64_t>(ancho));
    uint64_t inflados = 0;
    Inflador inflador;
    if (!inflador.listo) return false;
    bool finDatos = false;
    bool conDatos = false;
    std::vector<unsigned char> datos;
    unsigned char salida[16384];
    for (bool primero = true;; primero = false) {
        unsigned char cabeza[8];
        if (std::fread(cabeza, 1, sizeof cabeza, archivo) != sizeof cabeza) return false;
        const uint32_t largo = leerU32(cabeza);
        if (largo > BLOQUE_MAXIMO) return false;
        datos.resize(std::size_t{largo} + 4);
        if (std::fread(datos.data(), 1, datos.size(), archivo) != datos.size()) return false;
        uLong crc = crc32(0, cabeza + 4, 4);
        crc = crc32(crc, datos.data(), largo);
        if (static_cast<uint32_t>(crc) != leerU32(datos.data() + largo)) return false;

        const auto es = [&](const char* tipo) { return std::memcmp(cabeza + 4, tipo, 4) == 0; };
        if (primero) {
            if (!es("IHDR") || largo != sizeof cabecera || std::memcmp(datos.data(), cabecera, sizeof cabecera) != 0) {
                return false;
            }
        } else if (es("tEXt")) {
            if (conDatos) return false;
        } else if (es("IDAT")) {
            // Data after the end of the stream, or a stream that makes more
            // than the picture's rows, is not the writer's.
            if (finDatos) return false;
            conDatos = true;
            z_stream& z = inflador.z;
            z.next_in = datos.data();
            z.avail_in = largo;
            while (z.avail_in > 0) {
                z.next_out = salida;
                z.avail_out = sizeof salida;
                const int r = inflate(&z, Z_NO_FLUSH);
                inflados += sizeof salida - z.avail_out;
                if (inflados > esperados) return false;
                if (r == Z_STREAM_END) {
                    finDatos = true;
                    if (z.avail_in > 0) return false;
                } else if (r != Z_OK) {
                    return false;
                }
            }
        } else if (es("IEND")) {
            return largo == 0 && finDatos && inflados == esperados && std::fgetc(archivo) == EOF;
        } else {
            return false;
        }
    }
}

}  // namespace

bool fotogramaHecho(const std::filesystem::path& ruta, const OpcionesRender& o, const std::vector<TextoPng>& textos) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(ruta, ec)) return false;
    std::string error;
    const std::unique_ptr<std::FILE, CerrarArchivo> archivo(abrirEntrada(ruta, error));
    if (!archivo) return false;
    // The texts first: a frame of other options fails here, before its
    // picture is read.
    std::vector<ClavePng> claves;
    for (const TextoPng& t : textos) claves.push_back({t.clave, t.texto.size()});
    LecturaPng lectura;
    if (!leerTextosPng(archivo.get(), "", claves, lectura, error)) return false;
    for (std::size_t i = 0; i < textos.size(); ++i) {
        if (lectura.textos[i] != textos[i].texto) return false;
    }
    const Region r = o.region.value_or(Region{0, 0, o.ancho, o.alto});
    return std::fseek(archivo.get(), 0, SEEK_SET) == 0 && imagenEntera(archivo.get(), r.ancho, r.alto);
}

std::vector<bool> fotogramasHechos(const std::vector<Fotograma>& fotogramas, const OpcionesRender& o,
                                   const std::vector<std::string>& nombres) {
    std::vector<bool> hechos;
    for (std::size_t i = 0; i < fotogramas.size(); ++i) {
        const OpcionesRender delFotograma = opcionesDeFotograma(o, fotogramas[i]);
        hechos.push_back(fotogramaHecho(rutaDeTexto(nombres[i]), delFotograma,
                                        textosDeVista(fotogramas[i].vista, delFotograma)));
    }
    return hechos;
}

}  // namespace brenquil
