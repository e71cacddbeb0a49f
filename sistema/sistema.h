// The few file and console calls whose POSIX and Windows forms differ, behind
// one interface, so that the rest of brenquil-render and the files the window
// saves are the same code on both.
// Paths go through std::filesystem::path, whose native form is the wide one
// under Windows, as for the parameter files.
#pragma once

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace brenquil {

// Whether `archivo` is a terminal (a console under Windows).
bool esTerminal(std::FILE* archivo);

// Opens a file to read a view from, in binary, without ever blocking on a
// pipe that has no writer: a regular file, or (outside Windows) a pipe that
// a writer holds open. nullptr with `error` saying why not: the system's
// reason, a folder, a pipe with nothing to read, or another kind of file.
std::FILE* abrirEntrada(const std::filesystem::path& ruta, std::string& error);

// Makes standard output take bytes as they are (Windows would otherwise turn
// a line feed into a carriage return and a line feed).
void salidaBinaria();

// Creates `ruta` as a new file open for writing, in binary, with the mode an
// ordinary new file gets (0666 narrowed by the umask). Fails with errno EEXIST
// when anything already has that name: the file is never one that someone
// else made. msvcrt's fopen ignores the "x" of C11, hence _O_EXCL there.
std::FILE* crearArchivoNuevo(const std::filesystem::path& ruta);

// Hands the C library's buffer to the system and asks it to put the file's
// data on the disk (fsync, or _commit under Windows); false with errno set,
// which is where a full disk shows.
bool volcarAlDisco(std::FILE* archivo);

// Renames `origen` over `destino`, replacing it; `origen` is gone when it
// succeeds. Windows refuses to rename over a file that another program has
// open (a viewer reading it, a virus scanner or an indexer looking at it),
// whatever that program lets others do: there the bytes of `origen` are
// written into `destino` in place instead, as a plain save writes a file, at
// once and without waiting for the other program. That works when the other
// program lets others write the file; when it does not, `destino` is left as
// it was and the error is std::errc::device_or_resource_busy. Before the
// first old byte is overwritten, room for the new ones is reserved, so that a
// full disk leaves `destino` whole; a write error after that (the disk
// failing) would leave it damaged, as any plain save would. A rename refused
// because someone holds `origen` (a scanner looking at the new file) is
// written the same way, into a `destino` made new when there is none (and
// removed again when the writing fails). Elsewhere an open file is replaced
// by the rename at once.
std::error_code renombrarEncima(const std::filesystem::path& origen, const std::filesystem::path& destino);

// Names held as text: the command line's arguments and the names in
// messages. Under Windows the text is UTF-8, converted from and to the UTF-16
// that the system takes, so that a name reaches the file system as the user
// wrote it (through the ANSI code page "Ω.png" would become "O.png");
// elsewhere it is the system's own bytes, as they are.
// A path from such a text; under Windows an empty path, which names no file,
// when the text is not UTF-8.
std::filesystem::path rutaDeTexto(const std::string& texto);
// The text of a path, for messages: never throws, whatever the name holds.
std::string textoDeRuta(const std::filesystem::path& ruta);

#ifdef _WIN32
// The UTF-8 text of a UTF-16 one (an argument of the wide command line, a
// name from a dialog); nothing when it is not valid UTF-16 (a lone surrogate).
std::optional<std::string> textoDeAncho(const std::wstring& ancho);
// The UTF-16 text of a UTF-8 one; nothing when it is not valid UTF-8.
std::optional<std::wstring> anchoDeTexto(const std::string& texto);
#endif

// The text between single quotes, for messages: 'name'.
std::string citar(std::string_view texto);

// The processor's cores (hardware threads) this machine has; 1 when the
// system does not tell.
unsigned nucleosDelProcesador();

// Why Windows takes no file of the name `nombre` (one component of a path),
// or an empty text: a device name (CON, PRN, AUX, NUL, COM1..9, LPT1..9, with
// any extension, which names the device and not a file), or a name longer
// than its 255 UTF-16 units (said as the C library says ENAMETOOLONG, "File
// name too long", so that both builds word it alike). Elsewhere the system
// itself answers when the file is made, and this is always empty.
std::string nombreRechazadoPorWindows(const std::filesystem::path& nombre);

// The number of this process, so that two copies of the program running at
// once pick different temporary names.
unsigned long numeroProceso();

// The descriptor of an open file.
int descriptorDe(std::FILE* archivo);

// Removes the file at a native path, which `descriptor` holds open (-1 for
// none), with plain system calls, so that it may be called from a signal
// handler. Windows removes no open file, so there the descriptor is closed
// first; elsewhere it is left open.
void borrarAbierto(const std::filesystem::path::value_type* ruta, int descriptor);

// Has `manejador` called on every signal that ends a program by default and
// that a program can catch (Ctrl+C, a closed terminal, kill, a CPU limit, a
// fault...), and makes a file-size limit a write error (EFBIG) instead of a
// signal that ends the program.
void manejarSenalesDeFin(void (*manejador)(int));

// Holds back, for its lifetime, the signals of manejarSenalesDeFin on the
// calling thread (outside Windows): a signal that comes meanwhile is
// handled when the block ends. For the short steps that make and remove a
// file of the user's own name, which no handler may remove.
class BloqueoSenales {
public:
    BloqueoSenales();
    ~BloqueoSenales();
    BloqueoSenales(const BloqueoSenales&) = delete;
    BloqueoSenales& operator=(const BloqueoSenales&) = delete;

private:
    unsigned char anterior_[128];  // the thread's previous mask (a sigset_t)
};

// Whether borrarAbierto closes the descriptor.
inline constexpr bool BORRAR_CIERRA =
#ifdef _WIN32
    true;
#else
    false;
#endif

}  // namespace brenquil
