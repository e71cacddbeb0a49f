#include "archivo_nuevo.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <cwctype>
#include <system_error>

#include "sistema.h"

namespace brenquil {
namespace fs = std::filesystem;
namespace {

std::string citar(const fs::path& ruta) { return brenquil::citar(textoDeRuta(ruta)); }

// The folder a file path lies in; "." for a bare name.
fs::path carpetaDe(const fs::path& ruta) {
    const fs::path carpeta = ruta.parent_path();
    return carpeta.empty() ? fs::path(".") : carpeta;
}

// The temporary files of this process, as native paths (and descriptors)
// that a signal handler can use. A path is registered before its file is
// created and forgotten only after the file is gone or renamed, so that an
// interrupted process finds every file it made; the names are the program's
// own temporary names, so removing one that the process had not yet made
// takes nothing of anyone's. A slot is RESERVADO (the path alone) until its
// file is open, ABIERTO while the handler may also close its descriptor.
constexpr int REGISTROS = 8;
constexpr std::size_t LARGO_RUTA = 4096;
enum EstadoRegistro { LIBRE, ESCRIBIENDO, RESERVADO, ABIERTO, BORRADO };
struct Registro {
    std::atomic<int> estado{LIBRE};
    int descriptor = -1;
    fs::path::value_type ruta[LARGO_RUTA];
};
Registro registros[REGISTROS];

int reservar(const fs::path& ruta) {
    const auto& nativa = ruta.native();
    if (nativa.size() >= LARGO_RUTA) return -1;
    for (int i = 0; i < REGISTROS; ++i) {
        int libre = LIBRE;
        if (!registros[i].estado.compare_exchange_strong(libre, ESCRIBIENDO)) continue;
        std::copy(nativa.begin(), nativa.end(), registros[i].ruta);
        registros[i].ruta[nativa.size()] = 0;
        registros[i].descriptor = -1;
        registros[i].estado.store(RESERVADO);
        return i;
    }
    return -1;
}

// The slot's file is open on `descriptor`.
void abierto(int registro, int descriptor) {
    if (registro < 0) return;
    registros[registro].descriptor = descriptor;
    int reservado = RESERVADO;
    registros[registro].estado.compare_exchange_strong(reservado, ABIERTO);
}

// The owner is about to close the file: a handler from now on removes the
// path only. False when a handler has already removed the file (and, where
// removing closes it, its descriptor).
bool cerrando(int registro) {
    if (registro < 0) return true;
    int abiertoAntes = ABIERTO;
    if (registros[registro].estado.compare_exchange_strong(abiertoAntes, RESERVADO)) return true;
    return abiertoAntes != BORRADO;
}

// Frees the slot once its file is gone or renamed.
void olvidar(int registro) {
    if (registro >= 0) registros[registro].estado.store(LIBRE);
}

// Creates a new file beside `destino` that no one else uses, its path
// registered in `registro`. Nothing when the folder refuses new files, with
// errno telling why.
std::FILE* crearTemporal(const fs::path& destino, fs::path& temporal, int& registro) {
    static std::atomic<unsigned> contador{0};
    for (int intento = 0; intento < 100; ++intento) {
        const std::string nombre = ".brenquil-" + std::to_string(numeroProceso()) + "-" +
                                   std::to_string(contador.fetch_add(1)) + ".tmp";
        temporal = carpetaDe(destino) / nombre;
        registro = reservar(temporal);
        std::FILE* archivo = crearArchivoNuevo(temporal);
        if (archivo) {
            abierto(registro, descriptorDe(archivo));
            return archivo;
        }
        const int error = errno;
        olvidar(registro);
        registro = -1;
        errno = error;
        if (errno != EEXIST) return nullptr;
    }
    errno = EEXIST;
    return nullptr;
}

// Why `destino` is not a name a new file can take, as far as the name and
// what it names tell: an empty text when nothing speaks against it, else the
// text and its cause.
std::string motivoDestino(const fs::path& destino, std::error_code& causa) {
    const auto fallo = [&](std::errc c, std::string texto) {
        causa = std::make_error_code(c);
        return texto;
    };
    if (destino.filename().empty() || destino.filename() == "." || destino.filename() == "..") {
        return fallo(std::errc::is_a_directory, citar(destino) + " names a folder, not a file");
    }
    const fs::path carpeta = carpetaDe(destino);
    const std::string prefijo = "cannot write " + citar(destino) + ": ";
    if (std::string motivo = nombreRechazadoPorWindows(destino.filename()); !motivo.empty()) {
        return fallo(std::errc::invalid_argument, prefijo + motivo);
    }
    std::error_code ec;
    if (!fs::is_directory(carpeta, ec)) {
        return fallo(std::errc::no_such_file_or_directory, prefijo + "no folder " + citar(carpeta));
    }
    const fs::file_status estado = fs::status(destino, ec);
    if (fs::is_directory(estado)) return fallo(std::errc::is_a_directory, prefijo + "it is a folder");
    if (fs::exists(estado)) {
        if (!fs::is_regular_file(estado)) return fallo(std::errc::not_supported, prefijo + "not a regular file");
        if ((estado.permissions() & fs::perms::owner_write) == fs::perms::none) {
            return fallo(std::errc::read_only_file_system, prefijo + "the file is read-only");
        }
    }
    return {};
}

// The text of a failure of the system's: a file held by another program is
// named as such, since Windows calls it a busy device.
std::string motivoSistema(const std::error_code& causa) {
    if (causa == std::errc::device_or_resource_busy) return "another program has the file open";
    return causa.message();
}

// Whether the system takes the name itself (its length, its characters):
// known only by making a file of that name, made and removed again when
// nothing has the name yet.
std::string comprobarNombre(const fs::path& destino) {
    std::error_code ec;
    if (fs::exists(destino, ec)) return {};
    // No handler may remove a file of this name: it is the user's once it
    // exists. The signals wait until the file made here is gone again.
    BloqueoSenales bloqueo;
    std::FILE* archivo = crearArchivoNuevo(destino);
    if (archivo == nullptr) {
        if (errno == EEXIST) return {};
        return "cannot write " + citar(destino) + ": " + std::strerror(errno);
    }
    std::fclose(archivo);
    fs::remove(destino, ec);
    return {};
}

}  // namespace

std::string comprobarDestino(const fs::path& destino) { return comprobarDestinos({destino}); }

// Whether a folder takes a new file is known only by making one: the
// permission bits do not tell it under Windows (ACLs) nor for root. The
// file made is registered like any other, so an interrupted process removes
// it too.
std::string comprobarDestinos(const std::vector<fs::path>& destinos) {
    std::map<fs::path::string_type, bool> probadas;
    for (const fs::path& destino : destinos) {
        std::error_code causa;
        if (std::string error = motivoDestino(destino, causa); !error.empty()) return error;
        const fs::path carpeta = fs::absolute(carpetaDe(destino), causa).lexically_normal();
        if (!probadas[carpeta.native()]) {
            ArchivoNuevo prueba;
            if (std::string error = prueba.abrir(destino); !error.empty()) return error;
            probadas[carpeta.native()] = true;
        }
        if (std::string error = comprobarNombre(destino); !error.empty()) return error;
    }
    return {};
}

int NombresDeArchivos::agregar(const fs::path& ruta) {
    std::error_code ec;
    const bool existe = fs::exists(ruta, ec);
    const bool enlazado = existe && fs::hard_link_count(ruta, ec) > 1 && !ec;
    fs::path::string_type clave = fs::weakly_canonical(fs::absolute(ruta, ec), ec).lexically_normal().native();
    if (ec) clave = fs::absolute(ruta, ec).lexically_normal().native();
#ifdef _WIN32
    for (wchar_t& c : clave) c = static_cast<wchar_t>(std::towlower(c));
#endif
    const int indice = static_cast<int>(nombres_.size());
    const auto [donde, nueva] = claves_.emplace(clave, indice);
    nombres_.push_back({ruta, enlazado});
    if (!nueva) return donde->second;
    // Another name of the same file: only a file with several links has one
    // that its path does not give away.
    if (enlazado) {
        for (int i = 0; i < indice; ++i) {
            const Nombre& otro = nombres_[static_cast<std::size_t>(i)];
            if (otro.enlazado && fs::equivalent(otro.ruta, ruta, ec)) return i;
        }
    }
    return -1;
}

ArchivoNuevo::~ArchivoNuevo() { descartar(); }

std::string ArchivoNuevo::abrir(const fs::path& destino) {
    descartar();
    causa_.clear();
    if (std::string error = motivoDestino(destino, causa_); !error.empty()) return error;
    archivo_ = crearTemporal(destino, temporal_, registro_);
    if (archivo_ == nullptr) {
        causa_ = std::error_code(errno, std::generic_category());
        return "cannot write " + citar(destino) + ": " + std::strerror(errno);
    }
    destino_ = destino;
    return {};
}

std::string ArchivoNuevo::confirmar() {
    if (archivo_ == nullptr) {
        causa_ = std::make_error_code(std::errc::bad_file_descriptor);
        return "cannot write " + citar(destino_) + ": no file is open";
    }
    std::string error;
    const auto fallo = [&](std::error_code c) {
        if (!error.empty()) return;
        causa_ = c;
        error = motivoSistema(c);
    };
    if (!volcarAlDisco(archivo_)) fallo(std::error_code(errno, std::generic_category()));
    if (!cerrando(registro_)) {
        causa_ = std::make_error_code(std::errc::interrupted);
        error = "interrupted";
    }
    if (std::fclose(archivo_) != 0) fallo(std::error_code(errno, std::generic_category()));
    archivo_ = nullptr;
    if (error.empty()) {
        if (const std::error_code ec = renombrarEncima(temporal_, destino_)) fallo(ec);
    }
    if (!error.empty()) {
        descartar();
        return "cannot write " + citar(destino_) + ": " + error;
    }
    olvidar(registro_);
    registro_ = -1;
    temporal_.clear();
    return {};
}

void ArchivoNuevo::descartar() {
    // A descriptor that a handler closed may have been reused since: the
    // stream is then left alone.
    const bool intacto = cerrando(registro_);
    if (archivo_ != nullptr && (intacto || !BORRAR_CIERRA)) std::fclose(archivo_);
    archivo_ = nullptr;
    if (!temporal_.empty()) {
        std::error_code ec;
        fs::remove(temporal_, ec);
        temporal_.clear();
    }
    olvidar(registro_);
    registro_ = -1;
}

void borrarTemporalesAbiertos() {
    for (Registro& r : registros) {
        int estado = r.estado.load();
        while ((estado == ABIERTO || estado == RESERVADO) && !r.estado.compare_exchange_weak(estado, BORRADO)) {
        }
        if (estado == ABIERTO) borrarAbierto(r.ruta, r.descriptor);
        if (estado == RESERVADO) borrarAbierto(r.ruta, -1);
    }
}

std::string reemplazarArchivo(const fs::path& destino, const void* bytes, std::size_t tamano, std::error_code* causa) {
    ArchivoNuevo nuevo;
    std::string error = nuevo.abrir(destino);
    std::error_code c = nuevo.causa();
    if (error.empty() && std::fwrite(bytes, 1, tamano, nuevo.archivo()) != tamano) {
        c = std::error_code(errno, std::generic_category());
        error = "cannot write " + citar(destino) + ": " + std::strerror(errno);
    }
    if (error.empty()) {
        error = nuevo.confirmar();
        c = nuevo.causa();
    }
    if (causa) *causa = c;
    return error;
}

}  // namespace brenquil
