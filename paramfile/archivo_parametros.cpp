#include "archivo_parametros.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

#include "estado_visor.h"
#include "registro_parametros.h"

namespace brenquil {
namespace fs = std::filesystem;
namespace {

// A name beside `destino` that nothing uses yet: "<name>.<16 hex digits>.tmp".
// The ofstream that creates it cannot ask for exclusive creation, so the
// name mixes the clock and a counter to keep two saves from meeting.
fs::path nombreTemporal(const fs::path& destino) {
    static std::atomic<uint64_t> contador{0};
    for (int intento = 0; intento < 100; ++intento) {
        const uint64_t reloj =
            static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
        const uint64_t mezcla = reloj ^ (contador.fetch_add(1) * 0x9E3779B97F4A7C15ull);
        char sufijo[32];
        std::snprintf(sufijo, sizeof sufijo, ".%016llx.tmp", static_cast<unsigned long long>(mezcla));
        fs::path candidato = destino;
        candidato += sufijo;
        std::error_code ec;
        if (!fs::exists(fs::symlink_status(candidato, ec))) return candidato;
    }
    return {};
}

// Writes `bytes` to a temporary file and renames it over `destino`.
// std::filesystem::rename replaces an existing file on both systems: POSIX
// rename() does it atomically, and libstdc++ for mingw calls MoveFileExW with
// MOVEFILE_REPLACE_EXISTING (std::rename, msvcrt's rename, refuses to).
bool reemplazarArchivo(const fs::path& destino, std::string_view bytes) {
    if (destino.filename().empty()) return false;
    std::error_code ec;
    const fs::file_status actual = fs::status(destino, ec);
    if (fs::exists(actual)) {
        if (!fs::is_regular_file(actual)) return false;
        if ((actual.permissions() & fs::perms::owner_write) == fs::perms::none) return false;
    }

    const fs::path temporal = nombreTemporal(destino);
    if (temporal.empty()) return false;
    bool escrito = false;
    {
        std::ofstream salida(temporal, std::ios::binary | std::ios::trunc);
        if (!salida.is_open()) return false;  // nothing was created
        salida.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        salida.close();  // a failed flush (a full disk) shows here
        escrito = !salida.fail();
    }
    if (escrito) {
        fs::rename(temporal, destino, ec);
        if (!ec) return true;
    }
    fs::remove(temporal, ec);
    return false;
}

}  // namespace

bool cargarArchivoParametros(const fs::path& ruta, EstadoVisor& estado) {
    std::ifstream entrada(ruta, std::ios::binary);
    if (!entrada.is_open()) return false;
    unsigned char datos[TAMANO_REGISTRO];
    entrada.read(reinterpret_cast<char*>(datos), sizeof datos);
    const std::streamsize leidos = entrada.gcount();
    if (entrada.bad() && leidos == 0) return false;

    RegistroParametros registro = registroDeEstado(estado);
    leerRegistro(std::span<const unsigned char>(datos, static_cast<std::size_t>(leidos)), registro);
    aplicarRegistro(registro, estado);
    return true;
}

bool guardarArchivoParametros(const fs::path& ruta, const EstadoVisor& estado) {
    return reemplazarArchivo(ruta, escribirRegistro(registroDeEstado(estado)));
}

}  // namespace brenquil
