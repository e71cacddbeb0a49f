#include "archivo_nuevo.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "sistema.h"

namespace brenquil {
namespace fs = std::filesystem;
namespace {

// Built piecewise: "'" + text trips a false -Wrestrict warning of g++ 12.
std::string citar(const fs::path& ruta) {
    std::string t(1, '\'');
    t += ruta.string();
    t += '\'';
    return t;
}

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
// what it names tell: an empty text when nothing speaks against it.
std::string motivoDestino(const fs::path& destino) {
    if (destino.filename().empty() || destino.filename() == "." || destino.filename() == "..") {
        return citar(destino) + " names a folder, not a file";
    }
    const fs::path carpeta = carpetaDe(destino);
    std::error_code ec;
    if (!fs::is_directory(carpeta, ec)) return "cannot write " + citar(destino) + ": no folder " + citar(carpeta);
    const fs::file_status estado = fs::status(destino, ec);
    if (fs::is_directory(estado)) return "cannot write " + citar(destino) + ": it is a folder";
    if (fs::exists(estado)) {
        if (!fs::is_regular_file(estado)) return "cannot write " + citar(destino) + ": not a regular file";
        if ((estado.permissions() & fs::perms::owner_write) == fs::perms::none) {
            return "cannot write " + citar(destino) + ": the file is read-only";
        }
    }
    return {};
}

}  // namespace

// Whether the folder takes a new file is known only by making one: the
// permission bits do not tell it under Windows (ACLs) nor for root. The
// file made is registered like any other, so an interrupted process removes
// it too. Whether the system takes the name itself (its length, its
// characters) is known only by making a file of that name: one is made and
// removed again when nothing has the name yet.
std::string comprobarDestino(const fs::path& destino) {
    {
        ArchivoNuevo prueba;
        if (std::string error = prueba.abrir(destino); !error.empty()) return error;
    }
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

ArchivoNuevo::~ArchivoNuevo() { descartar(); }

std::string ArchivoNuevo::abrir(const fs::path& destino) {
    descartar();
    if (std::string error = motivoDestino(destino); !error.empty()) return error;
    archivo_ = crearTemporal(destino, temporal_, registro_);
    if (archivo_ == nullptr) return "cannot write " + citar(destino) + ": " + std::strerror(errno);
    destino_ = destino;
    return {};
}

std::string ArchivoNuevo::confirmar() {
    if (archivo_ == nullptr) return "cannot write " + citar(destino_) + ": no file is open";
    std::string error;
    if (!volcarAlDisco(archivo_)) error = std::strerror(errno);
    if (!cerrando(registro_)) error = "interrupted";
    if (std::fclose(archivo_) != 0 && error.empty()) error = std::strerror(errno);
    archivo_ = nullptr;
    if (error.empty()) {
        if (const std::error_code ec = renombrarEncima(temporal_, destino_)) error = ec.message();
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

std::string reemplazarArchivo(const fs::path& destino, const void* bytes, std::size_t tamano) {
    ArchivoNuevo nuevo;
    if (std::string error = nuevo.abrir(destino); !error.empty()) return error;
    if (std::fwrite(bytes, 1, tamano, nuevo.archivo()) != tamano) {
        const std::string error = std::strerror(errno);
        return "cannot write " + citar(destino) + ": " + error;
    }
    return nuevo.confirmar();
}

}  // namespace brenquil
