#include "sistema.h"

#include <cerrno>
#include <csignal>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cstring>

#ifdef _WIN32
#include <chrono>
#include <thread>
#endif

namespace brenquil {

#ifdef _WIN32

bool esTerminal(std::FILE* archivo) { return _isatty(_fileno(archivo)) != 0; }

std::FILE* abrirEntrada(const std::filesystem::path& ruta, std::string& error) {
    const int fd = _wopen(ruta.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (fd < 0) {
        error = errno == ENOENT ? "no such file" : std::strerror(errno);
        // msvcrt refuses to open a folder with EACCES.
        std::error_code ec;
        if (std::filesystem::is_directory(ruta, ec)) error = "it is a folder";
        return nullptr;
    }
    struct _stat64 datos;
    if (_fstat64(fd, &datos) != 0 || (datos.st_mode & _S_IFMT) != _S_IFREG) {
        _close(fd);
        error = "not a regular file";
        return nullptr;
    }
    std::FILE* archivo = _fdopen(fd, "rb");
    if (archivo == nullptr) {
        error = std::strerror(errno);
        _close(fd);
    }
    return archivo;
}

void salidaBinaria() { _setmode(_fileno(stdout), _O_BINARY); }

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

std::error_code renombrarEncima(const std::filesystem::path& origen, const std::filesystem::path& destino) {
    const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    std::error_code ec;
    for (;;) {
        std::filesystem::rename(origen, destino, ec);  // MoveFileExW, MOVEFILE_REPLACE_EXISTING
        if (ec != std::errc::permission_denied || std::chrono::steady_clock::now() >= limite) return ec;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

unsigned long numeroProceso() { return static_cast<unsigned long>(_getpid()); }

int descriptorDe(std::FILE* archivo) { return _fileno(archivo); }

void borrarAbierto(const wchar_t* ruta, int descriptor) {
    if (descriptor >= 0) _close(descriptor);
    _wunlink(ruta);
}

void manejarSenalesDeFin(void (*manejador)(int)) {
    for (int senal : {SIGINT, SIGTERM, SIGBREAK, SIGABRT, SIGSEGV, SIGILL, SIGFPE}) std::signal(senal, manejador);
}

BloqueoSenales::BloqueoSenales() : anterior_{} {}
BloqueoSenales::~BloqueoSenales() = default;

#else

bool esTerminal(std::FILE* archivo) { return isatty(fileno(archivo)) != 0; }

std::FILE* abrirEntrada(const std::filesystem::path& ruta, std::string& error) {
    // Opening a FIFO for reading blocks until a writer opens it, unless it
    // is asked not to.
    const int fd = open(ruta.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = errno == ENOENT ? "no such file" : std::strerror(errno);
        return nullptr;
    }
    const auto fallar = [&](std::string motivo) -> std::FILE* {
        close(fd);
        error = std::move(motivo);
        return nullptr;
    };
    struct stat datos;
    if (fstat(fd, &datos) != 0) return fallar(std::strerror(errno));
    if (S_ISDIR(datos.st_mode)) return fallar("it is a folder");
    int leidoAntes = EOF;  // a byte read to learn whether a pipe has a writer
    if (S_ISFIFO(datos.st_mode)) {
        // Without a writer a read gives the end at once; with one that has
        // written nothing yet, EAGAIN. Only then may the reading wait.
        unsigned char primero;
        const ssize_t n = read(fd, &primero, 1);
        if (n == 0) return fallar("a pipe with nothing to read (no writer holds it open)");
        if (n == 1) leidoAntes = primero;
        if (n < 0 && errno != EAGAIN) return fallar(std::strerror(errno));
    } else if (!S_ISREG(datos.st_mode)) {
        return fallar("not a regular file or a pipe");
    }
    if (fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) return fallar(std::strerror(errno));
    std::FILE* archivo = fdopen(fd, "rb");
    if (archivo == nullptr) return fallar(std::strerror(errno));
    if (leidoAntes != EOF) std::ungetc(leidoAntes, archivo);
    return archivo;
}

void salidaBinaria() {}

std::FILE* crearArchivoNuevo(const std::filesystem::path& ruta) { return std::fopen(ruta.c_str(), "wbx"); }

bool volcarAlDisco(std::FILE* archivo) { return std::fflush(archivo) == 0 && fsync(fileno(archivo)) == 0; }

std::error_code renombrarEncima(const std::filesystem::path& origen, const std::filesystem::path& destino) {
    std::error_code ec;
    std::filesystem::rename(origen, destino, ec);
    return ec;
}

unsigned long numeroProceso() { return static_cast<unsigned long>(getpid()); }

int descriptorDe(std::FILE* archivo) { return fileno(archivo); }

void borrarAbierto(const char* ruta, int) { unlink(ruta); }

// The signals that end a program by default and that a program can catch.
constexpr int SENALES_DE_FIN[] = {SIGHUP, SIGINT,  SIGQUIT, SIGILL,  SIGTRAP, SIGABRT,   SIGBUS,  SIGFPE,  SIGUSR1, SIGSEGV,
                                  SIGUSR2, SIGPIPE, SIGALRM, SIGTERM, SIGXCPU, SIGVTALRM, SIGPROF, SIGSYS, SIGIO};

void manejarSenalesDeFin(void (*manejador)(int)) {
    for (int senal : SENALES_DE_FIN) std::signal(senal, manejador);
    std::signal(SIGXFSZ, SIG_IGN);
}


BloqueoSenales::BloqueoSenales() {
    static_assert(sizeof(sigset_t) <= 128);
    sigset_t senales;
    sigemptyset(&senales);
    for (int senal : SENALES_DE_FIN) sigaddset(&senales, senal);
    pthread_sigmask(SIG_BLOCK, &senales, reinterpret_cast<sigset_t*>(anterior_));
}

BloqueoSenales::~BloqueoSenales() { pthread_sigmask(SIG_SETMASK, reinterpret_cast<sigset_t*>(anterior_), nullptr); }

#endif

}  // namespace brenquil
