// The few file and console calls whose POSIX and Windows forms differ, behind
// one interface, so that the rest of brenquil-render and the files the window
// saves are the same code on both.
// Paths go through std::filesystem::path, whose native form is the wide one
// under Windows, as for the parameter files.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
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

// Renames `origen` over `destino`, replacing it. Windows refuses to replace
// a file that another program has open (a virus scanner or an indexer looking
// at a file just written, a viewer reading it), and such a program lets go
// within moments: there a refusal is tried again for up to two seconds before
// it counts. Elsewhere an open file is replaced at once.
std::error_code renombrarEncima(const std::filesystem::path& origen, const std::filesystem::path& destino);

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
