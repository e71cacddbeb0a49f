#include "archivo_parametros.h"

#include <cstdint>
#include <fstream>
#include <string>

#include "archivo_nuevo.h"
#include "estado_visor.h"
#include "registro_parametros.h"

namespace brenquil {
namespace fs = std::filesystem;

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
    const std::string registro = escribirRegistro(registroDeEstado(estado));
    return reemplazarArchivo(ruta, registro.data(), registro.size()).empty();
}

}  // namespace brenquil
