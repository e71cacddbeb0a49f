#include "sistema.h"

#include <cerrno>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#else
#include <unistd.h>
#endif

namespace brenquil {

#ifdef _WIN32

bool esTerminal(std::FILE* archivo) { return _isatty(_fileno(archivo)) != 0; }

std::FILE* abrirParaLeer(const std::filesystem::path& ruta) { return _wfopen(ruta.c_str(), L"rb"); }

std::FILE* crearArchivoNuevo(const std::filesystem::path& ruta) {
    const int fd = _wopen(ruta.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                          _S_IREAD | _S_IWRITE);
    if (fd < 0) return nullptr;
    std::FILE* archivo = _fdopen(fd, "wb");
    if (archivo == nullptr) {
        const int error = errno;
        _close(fd);
        _wunlink(ruta.c_str());  // this call made it: nothing of anyone else's is lost
        errno = error;
    }
    return archivo;
}

bool volcarAlDisco(std::FILE* archivo) { return std::fflush(archivo) == 0 && _commit(_fileno(archivo)) == 0; }

unsigned long numeroProceso() { return static_cast<unsigned long>(_getpid()); }

int descriptorDe(std::FILE* archivo) { return _fileno(archivo); }

void borrarAbierto(const wchar_t* ruta, int descriptor) {
    _close(descriptor);
    _wunlink(ruta);
}

#else

bool esTerminal(std::FILE* archivo) { return isatty(fileno(archivo)) != 0; }

std::FILE* abrirParaLeer(const std::filesystem::path& ruta) { return std::fopen(ruta.c_str(), "rb"); }

std::FILE* crearArchivoNuevo(const std::filesystem::path& ruta) { return std::fopen(ruta.c_str(), "wbx"); }

bool volcarAlDisco(std::FILE* archivo) { return std::fflush(archivo) == 0 && fsync(fileno(archivo)) == 0; }

unsigned long numeroProceso() { return static_cast<unsigned long>(getpid()); }

int descriptorDe(std::FILE* archivo) { return fileno(archivo); }

void borrarAbierto(const char* ruta, int) { unlink(ruta); }

#endif

}  // namespace brenquil
