#include "sistema.h"

#include <cerrno>
#include <cwctype>
#include <csignal>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cstring>
#include <thread>
#include <vector>

namespace brenquil {

// Built piecewise: "'" + text trips a false -Wrestrict warning of g++ 12.
std::string citar(std::string_view texto) {
    std::string t(1, '\'');
    t.append(texto);
    t += '\'';
    return t;
}

unsigned nucleosDelProcesador() {
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : n;
}

std::string nombreRechazadoPorWindows([[maybe_unused]] const std::filesystem::path& nombre) {
#ifdef _WIN32
    const std::wstring& n = nombre.native();
    if (n.size() > 255) return "File name too long";
    // The device names, whatever follows a dot, in any case, also with
    // trailing spaces before the dot.
    std::wstring base = n.substr(0, n.find(L'.'));
    while (!base.empty() && base.back() == L' ') base.pop_back();
    for (wchar_t& c : base) c = static_cast<wchar_t>(std::towupper(c));
    const bool dispositivo =
        base == L"CON" || base == L"PRN" || base == L"AUX" || base == L"NUL" ||
        (base.size() == 4 && (base.rfind(L"COM", 0) == 0 || base.rfind(L"LPT", 0) == 0) && base[3] >= L'1' &&
         base[3] <= L'9');
    if (dispositivo) return "the name is reserved by Windows for a device";
#endif
    return "";
}

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

namespace {

// A system error as the portable code tests it: the causes a caller words
// for itself as the generic conditions, the rest as the system's code.
std::error_code codigoDe(DWORD error) {
    switch (error) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return std::make_error_code(std::errc::device_or_resource_busy);
    case ERROR_ACCESS_DENIED: return std::make_error_code(std::errc::permission_denied);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return std::make_error_code(std::errc::no_space_on_device);
    default: return {static_cast<int>(error), std::system_category()};
    }
}

// Closes a handle when it goes.
struct Manija {
    HANDLE h;
    explicit Manija(HANDLE manija) : h(manija) {}
    ~Manija() {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
    Manija(const Manija&) = delete;
    Manija& operator=(const Manija&) = delete;
    bool valida() const { return h != INVALID_HANDLE_VALUE; }
};

// Writes the bytes of `origen` over those of the file `destino`, in place,
// sharing it with whoever has it open as they allow. A `destino` that does
// not exist (the rename was refused because someone held `origen`) is made
// new, and removed again when the writing fails.
std::error_code escribirEnSuSitio(const std::filesystem::path& origen, const std::filesystem::path& destino) {
    constexpr DWORD COMPARTIR = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const Manija entrada(CreateFileW(origen.c_str(), GENERIC_READ, COMPARTIR, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!entrada.valida()) return codigoDe(GetLastError());
    Manija salida(CreateFileW(destino.c_str(), GENERIC_WRITE, COMPARTIR, nullptr, OPEN_EXISTING, 0, nullptr));
    bool nuevo = false;
    if (!salida.valida() && GetLastError() == ERROR_FILE_NOT_FOUND) {
        salida.h = CreateFileW(destino.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        nuevo = salida.valida();
    }
    if (!salida.valida()) return codigoDe(GetLastError());
    const auto fallar = [&](std::error_code ec) {
        if (nuevo) {
            CloseHandle(salida.h);
            salida.h = INVALID_HANDLE_VALUE;
            DeleteFileW(destino.c_str());
        }
        return ec;
    };
    LARGE_INTEGER tamano{};
    LARGE_INTEGER anterior{};
    if (!GetFileSizeEx(entrada.h, &tamano) || !GetFileSizeEx(salida.h, &anterior)) return fallar(codigoDe(GetLastError()));
    // Room for the new bytes before any old one is overwritten (an
    // allocation below the file's size would cut it). A file system that
    // reserves nothing (Wine's) is written all the same.
    if (tamano.QuadPart > anterior.QuadPart) {
        FILE_ALLOCATION_INFO reserva{};
        reserva.AllocationSize = tamano;
        if (!SetFileInformationByHandle(salida.h, FileAllocationInfo, &reserva, sizeof reserva)) {
            const DWORD error = GetLastError();
            if (error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL) return fallar(codigoDe(error));
        }
    }
    std::vector<char> bloque(1 << 16);
    for (;;) {
        DWORD leidos = 0;
        if (!ReadFile(entrada.h, bloque.data(), static_cast<DWORD>(bloque.size()), &leidos, nullptr)) {
            return fallar(codigoDe(GetLastError()));
        }
        if (leidos == 0) break;
        DWORD escritos = 0;
        if (!WriteFile(salida.h, bloque.data(), leidos, &escritos, nullptr)) return fallar(codigoDe(GetLastError()));
        if (escritos != leidos) return fallar(std::make_error_code(std::errc::io_error));
    }
    if (!SetEndOfFile(salida.h) || !FlushFileBuffers(salida.h)) return fallar(codigoDe(GetLastError()));
    return {};
}

// UTF-8 from UTF-16 with the flags of WideCharToMultiByte; nothing when it refuses.
std::optional<std::string> utf8(const std::wstring& ancho, DWORD opciones) {
    if (ancho.empty()) return std::string();
    const int largo = static_cast<int>(ancho.size());
    const int n = WideCharToMultiByte(CP_UTF8, opciones, ancho.data(), largo, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::nullopt;
    std::string texto(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, opciones, ancho.data(), largo, texto.data(), n, nullptr, nullptr);
    return texto;
}

}  // namespace

std::error_code renombrarEncima(const std::filesystem::path& origen, const std::filesystem::path& destino) {
    if (MoveFileExW(origen.c_str(), destino.c_str(), MOVEFILE_REPLACE_EXISTING)) return {};
    const DWORD error = GetLastError();
    // An open target refuses the rename with "access denied" (Windows and
    // Wine alike), an open temporary file with a sharing violation.
    if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION) {
        return codigoDe(error);
    }
    if (const std::error_code ec = escribirEnSuSitio(origen, destino)) return ec;
    DeleteFileW(origen.c_str());
    return {};
}

std::optional<std::string> textoDeAncho(const std::wstring& ancho) {
    // WC_ERR_INVALID_CHARS refuses a lone surrogate; without it, it becomes U+FFFD.
    return utf8(ancho, WC_ERR_INVALID_CHARS);
}

std::optional<std::wstring> anchoDeTexto(const std::string& texto) {
    if (texto.empty()) return std::wstring();
    const int n =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, texto.data(), static_cast<int>(texto.size()), nullptr, 0);
    if (n <= 0) return std::nullopt;
    std::wstring ancho(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, texto.data(), static_cast<int>(texto.size()), ancho.data(), n);
    return ancho;
}

std::filesystem::path rutaDeTexto(const std::string& texto) {
    return std::filesystem::path(anchoDeTexto(texto).value_or(std::wstring()));
}

std::string textoDeRuta(const std::filesystem::path& ruta) {
    // A name from the system is valid UTF-16 but for a lone surrogate, which
    // NTFS allows; that one shows as U+FFFD.
    return utf8(ruta.native(), 0).value_or(std::string());
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

std::filesystem::path rutaDeTexto(const std::string& texto) { return std::filesystem::path(texto); }

std::string textoDeRuta(const std::filesystem::path& ruta) { return ruta.native(); }

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
