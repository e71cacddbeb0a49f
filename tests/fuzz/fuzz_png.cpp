// libFuzzer target of the PNG text reader. Each input is read twice over:
//
// - As a file, as it is: from a file that seeks and from a pipe that does
//   not, whole or after some first bytes read by the caller. Every way gives
//   the same outcome, the texts kept are within their limits, and a pipe is
//   read no further than the file is long.
// - As the choices that build a PNG: chunks of every kind (damaged, long,
//   compressed, text of other keywords), then one valid view chunk (tEXt,
//   zTXt or iTXt, compressed or not), then anything. The view must come back
//   exactly, and a pipe be read to the end of its chunk and not one byte more;
//   a view longer than its limit, even one compressed to little, is refused.
#include <fuzzer/FuzzedDataProvider.h>
#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "textos_png.h"
#include "propiedad.h"

using namespace brenquil;

namespace {

constexpr char CLAVE[] = "Brenquil view";
constexpr std::size_t MAXIMO_VISTA = 4096;

// Bytes in memory behind a FILE: a regular file (any seek, reads past the end
// give nothing) or a pipe (no seek at all). `entregados` counts what stdio
// took from it.
struct Memoria {
    const std::string* datos;
    std::size_t pos = 0;
    uint64_t entregados = 0;
};

ssize_t leerMemoria(void* c, char* destino, std::size_t n) {
    auto* m = static_cast<Memoria*>(c);
    const std::size_t queda = m->pos < m->datos->size() ? m->datos->size() - m->pos : 0;
    const std::size_t k = std::min(n, queda);
    std::memcpy(destino, m->datos->data() + m->pos, k);
    m->pos += k;
    m->entregados += k;
    return static_cast<ssize_t>(k);
}

int buscarMemoria(void* c, off64_t* desplazamiento, int desde) {
    auto* m = static_cast<Memoria*>(c);
    const int64_t base = desde == SEEK_SET ? 0 : desde == SEEK_CUR ? static_cast<int64_t>(m->pos)
                                                                   : static_cast<int64_t>(m->datos->size());
    const int64_t nueva = base + *desplazamiento;
    if (nueva < 0) return -1;
    m->pos = static_cast<std::size_t>(nueva);
    *desplazamiento = nueva;
    return 0;
}

int cerrarMemoria(void*) { return 0; }

struct Resultado {
    bool bien = false;
    std::vector<std::optional<std::string>> textos;
    std::string error;
    uint64_t bloques = 0;
    uint64_t leidos = 0;
    uint64_t entregados = 0;
};

// Reads `datos` as brenquil-render does: `previos` bytes first, then the reader.
Resultado leer(const std::string& datos, bool buscable, std::size_t previos, const std::vector<ClavePng>& claves,
               const LimitesPng& limites = {}) {
    Memoria m{&datos};
    const cookie_io_functions_t funciones{leerMemoria, nullptr, buscable ? buscarMemoria : nullptr, cerrarMemoria};
    std::FILE* f = fopencookie(&m, "rb", funciones);
    EXIGIR(f != nullptr);
    std::string ya(previos, '\0');
    ya.resize(std::fread(ya.data(), 1, previos, f));
    LecturaPng t;
    Resultado r;
    r.bien = leerTextosPng(f, ya, claves, t, r.error, limites);
    std::fclose(f);
    r.textos = t.textos;
    r.bloques = t.bloques;
    r.leidos = t.leidos;
    r.entregados = m.entregados;
    return r;
}

void comoArchivo(const std::string& datos, std::size_t previos, const LimitesPng& limites) {
    const std::vector<ClavePng> claves = {{CLAVE, MAXIMO_VISTA}, {"Description", 200}, {"Software", 16}};
    const Resultado archivo = leer(datos, true, 0, claves);
    const Resultado tubo = leer(datos, false, previos, claves);
    const Resultado archivoTras = leer(datos, true, previos, claves);
    for (const Resultado* r : {&archivo, &tubo, &archivoTras}) {
        EXIGIR(r->bien == archivo.bien && r->error == archivo.error && r->textos == archivo.textos &&
               r->bloques == archivo.bloques);
        EXIGIR(r->bien == r->error.empty());
        EXIGIR(r->textos.size() == claves.size());
        for (std::size_t k = 0; k < claves.size(); ++k) {
            EXIGIR(!r->textos[k] || r->textos[k]->size() <= claves[k].maximo);
        }
        // The signature and every chunk header counted were there to read.
        EXIGIR(r->leidos <= datos.size());
        EXIGIR(r->bloques * 12 <= datos.size());
    }
    // Reading what it needs from a pipe, the reader takes every byte it passes
    // over, and seeking takes no more.
    EXIGIR(archivo.leidos <= tubo.leidos && archivoTras.leidos <= tubo.leidos);
    EXIGIR(tubo.leidos <= tubo.entregados);

    // Tight limits only ever turn the outcome into a refusal, and hold: no
    // more chunks looked at, no more bytes read (the ones the caller read
    // first aside).
    const Resultado limitado = leer(datos, false, previos, claves, limites);
    if (limitado.bien || (limitado.error.find("more than") == std::string::npos &&
                          limitado.error.find("gave up after") == std::string::npos)) {
        EXIGIR(limitado.bien == archivo.bien && limitado.error == archivo.error && limitado.textos == archivo.textos);
    }
    EXIGIR(limitado.bloques <= limites.bloques);
    EXIGIR(limitado.leidos <= std::max<uint64_t>(limites.bytes, previos));
}

std::string u32(uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}

std::string bloque(const std::string& tipo, const std::string& datos, bool crcBueno = true) {
    const std::string cuerpo = tipo + datos;
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(cuerpo.data()), static_cast<uInt>(cuerpo.size()));
    if (!crcBueno) crc ^= 1;
    return u32(static_cast<uint32_t>(datos.size())) + cuerpo + u32(static_cast<uint32_t>(crc));
}

// zlib data of `texto`, with the level and window chosen by the input (a
// small window as some writers use). One compressor per window, kept: making
// one is costly enough to slow the fuzzing several times over.
std::string comprimir(FuzzedDataProvider& d, const std::string& texto) {
    static z_stream compresores[7];
    static bool iniciado[7];
    const int nivel = d.ConsumeIntegralInRange(0, 9);
    const int ventana = d.ConsumeIntegralInRange(9, 15);
    z_stream& z = compresores[ventana - 9];
    if (!iniciado[ventana - 9]) {
        EXIGIR(deflateInit2(&z, nivel, Z_DEFLATED, ventana, 8, Z_DEFAULT_STRATEGY) == Z_OK);
        iniciado[ventana - 9] = true;
    }
    EXIGIR(deflateReset(&z) == Z_OK && deflateParams(&z, nivel, Z_DEFAULT_STRATEGY) == Z_OK);
    std::string salida(texto.size() + texto.size() / 2 + 256, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(texto.data()));
    z.avail_in = static_cast<uInt>(texto.size());
    z.next_out = reinterpret_cast<Bytef*>(salida.data());
    z.avail_out = static_cast<uInt>(salida.size());
    EXIGIR(deflate(&z, Z_FINISH) == Z_STREAM_END);
    salida.resize(z.total_out);
    return salida;
}

std::string sinCeros(std::string s) {
    std::replace(s.begin(), s.end(), '\0', ' ');
    return s;
}

// A chunk that is no view: of any kind, damaged or not; a text chunk of the
// view's keyword is given another.
std::string relleno(FuzzedDataProvider& d) {
    static const char* const tipos[] = {"tEXt", "zTXt", "iTXt", "IDAT", "IHDR", "abCd"};
    std::string tipo = tipos[d.ConsumeIntegralInRange<std::size_t>(0, std::size(tipos) - 1)];
    std::string datos = d.ConsumeRandomLengthString(600);
    if (d.ConsumeBool()) datos = d.ConsumeBool() ? std::string(CLAVE) + '\0' + datos : "Description" + std::string(1, '\0') + datos;
    if (d.ConsumeBool() && tipo != "IDAT") {
        const std::string compr = comprimir(d, d.ConsumeRandomLengthString(300));
        datos += d.ConsumeBool() ? compr : compr.substr(0, compr.size() / 2);
    }
    if (datos.compare(0, sizeof CLAVE, CLAVE, sizeof CLAVE) == 0) datos[0] = 'b';
    return bloque(tipo, datos, d.ConsumeBool());
}

void comoEleccion(const uint8_t* bytes, std::size_t n) {
    FuzzedDataProvider d(bytes, n);
    std::string png("\x89PNG\r\n\x1a\n", 8);
    const int antes = d.ConsumeIntegralInRange(0, 6);
    for (int i = 0; i < antes; ++i) png += relleno(d);

    // Now and then a view past the limit: long and alike, it compresses to
    // little and would inflate to much.
    std::string vista;
    if (d.ConsumeIntegralInRange(0, 7) == 0) {
        vista.assign(d.ConsumeIntegralInRange<std::size_t>(MAXIMO_VISTA - 8, 1 << 16), d.ConsumeIntegral<char>());
    } else {
        vista = d.ConsumeRandomLengthString(MAXIMO_VISTA + 8);
    }
    const bool cabe = vista.size() <= MAXIMO_VISTA;
    std::string datos = std::string(CLAVE) + '\0';
    std::string tipo;
    switch (d.ConsumeIntegralInRange(0, 3)) {
    case 0:
        tipo = "tEXt";
        datos += vista;
        break;
    case 1:
        tipo = "zTXt";
        datos += '\0' + comprimir(d, vista);
        break;
    default: {
        tipo = "iTXt";
        const bool comprimido = d.ConsumeBool();
        // The method counts only when the text is compressed.
        datos += comprimido ? '\1' : '\0';
        datos += comprimido ? '\0' : static_cast<char>(d.ConsumeIntegral<uint8_t>());
        datos += sinCeros(d.ConsumeRandomLengthString(40)) + '\0';
        datos += sinCeros(d.ConsumeRandomLengthString(60)) + '\0';
        datos += comprimido ? comprimir(d, vista) : vista;
        break;
    }
    }
    png += bloque(tipo, datos);
    const std::size_t finVista = png.size();
    png += d.ConsumeRemainingBytesAsString();

    const std::size_t previos = std::min<std::size_t>(bytes[0] % 64, finVista);
    const std::vector<ClavePng> claves = {{CLAVE, MAXIMO_VISTA}};
    for (const bool buscable : {false, true}) {
        const Resultado r = leer(png, buscable, buscable ? 0 : previos, claves);
        if (!cabe) {
            EXIGIR(!r.bien && r.error == "the PNG file's \"Brenquil view\" text is longer than 4096 bytes");
            EXIGIR(r.leidos <= finVista);
            continue;
        }
        if (!r.bien) std::fprintf(stderr, "%s\n", r.error.c_str());
        EXIGIR(r.bien);
        EXIGIR(r.textos.size() == 1 && r.textos[0] == vista);
        EXIGIR(r.bloques == static_cast<uint64_t>(antes) + 1);
        EXIGIR(buscable ? r.leidos <= finVista : r.leidos == finVista);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, std::size_t n) {
    const std::string archivo(reinterpret_cast<const char*>(datos), n);
    const LimitesPng limites{n < 2 ? 1 : uint64_t{datos[n - 2]} % 32, n < 3 ? 8 : uint64_t{datos[n - 3]} * 16};
    comoArchivo(archivo, n == 0 ? 0 : datos[n - 1] % 160, limites);
    if (n > 0) comoEleccion(datos, n);
    return 0;
}
