#include "archivo_parametros.h"

#include <fstream>

#include "archivo_nuevo.h"
#include "registro_parametros.h"

namespace brenquil {
namespace fs = std::filesystem;

bool cargarArchivoParametros(const fs::path& ruta, Vista& vista) {
    std::ifstream entrada(ruta, std::ios::binary);
    if (!entrada.is_open()) return false;
    unsigned char datos[TAMANO_REGISTRO];
    entrada.read(reinterpret_cast<char*>(datos), sizeof datos);
    const std::streamsize leidos = entrada.gcount();
    if (entrada.bad() && leidos == 0) return false;
    leerRegistro(std::span<const unsigned char>(datos, static_cast<std::size_t>(leidos)), vista);
    return true;
}

std::string guardarArchivoParametros(const fs::path& ruta, const Vista& vista, std::error_code* causa) {
    const std::string registro = escribirRegistro(vista);
    return reemplazarArchivo(ruta, registro.data(), registro.size(), causa);
}

}  // namespace brenquil
