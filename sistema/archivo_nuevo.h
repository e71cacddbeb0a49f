// Files replaced whole or not at all: the bytes go to a new temporary file
// beside the target, which replaces the target only once everything was
// written and is on the disk. Parameter files and PNG pictures are saved this
// way.
#pragma once

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <system_error>
#include <vector>

namespace brenquil {

// Why `destino` cannot be replaced by a new file, or an empty text when it
// looks writable: its folder exists and takes a new file, the system takes
// its name (files are made and removed again to find out), and `destino` is
// not a folder, not another kind of file and not read-only.
std::string comprobarDestino(const std::filesystem::path& destino);
// comprobarDestino for every one of `destinos`, in order, with one new file
// made per folder rather than per name: why the first that cannot be
// written cannot, or an empty text.
std::string comprobarDestinos(const std::vector<std::filesystem::path>& destinos);

// Whether two names name one file, as far as can be told before either is
// written: the same file when both exist (a link, another spelling, another
// case on a file system that ignores case), else the same path once made
// absolute, with its links resolved and its "." and ".." taken out, compared
// without regard to case under Windows.
class NombresDeArchivos {
public:
    // The index of an earlier name that names the file `ruta` names, or -1;
    // `ruta` is then the next name, with the next index.
    int agregar(const std::filesystem::path& ruta);

private:
    struct Nombre {
        std::filesystem::path ruta;
        bool enlazado;  // it exists with more than one hard link
    };
    std::vector<Nombre> nombres_;
    std::map<std::filesystem::path::string_type, int> claves_;
};

// A new file on its way to replacing `destino`. Its temporary name is short
// whatever `destino` is called (".brenquil-<process>-<n>.tmp" in the same
// folder) and is created exclusively, so it is never a file someone else
// made. Until confirmar() succeeds, `destino` is untouched; a file that is not
// confirmed is removed by the destructor. An interrupted process can remove
// the temporary files that are open at that moment with
// borrarTemporalesAbiertos().
class ArchivoNuevo {
public:
    ArchivoNuevo() = default;
    ArchivoNuevo(const ArchivoNuevo&) = delete;
    ArchivoNuevo& operator=(const ArchivoNuevo&) = delete;
    ~ArchivoNuevo();

    // Checks `destino` as comprobarDestino does, by creating the temporary
    // file. Returns an empty text, or why not.
    std::string abrir(const std::filesystem::path& destino);
    // The open temporary file, for writing in binary.
    std::FILE* archivo() const { return archivo_; }
    // Hands the bytes to the disk (fsync, or _commit under Windows), closes
    // the file and renames it over `destino` (renombrarEncima: under Windows
    // a target that another program holds open is written in place). Returns
    // an empty text, or why not (a full disk shows here), and then the
    // temporary file is gone.
    std::string confirmar();
    // Closes and removes the temporary file; `destino` stays as it was.
    void descartar();
    // Why the last abrir() or confirmar() failed, for a program that words
    // the reason itself: std::errc::read_only_file_system for a read-only
    // target, is_a_directory for a folder, no_such_file_or_directory for a
    // missing folder, device_or_resource_busy for a file that another
    // program holds and lets no one write, or the system's error.
    std::error_code causa() const { return causa_; }

private:
    std::error_code causa_;
    std::filesystem::path destino_;
    std::filesystem::path temporal_;
    std::FILE* archivo_ = nullptr;
    int registro_ = -1;
};

// Removes every temporary file that an ArchivoNuevo of this process has open.
// Safe to call from a signal handler (it only unlinks paths prepared before).
void borrarTemporalesAbiertos();

// Writes `bytes` to `destino` through an ArchivoNuevo. Returns an empty text,
// or why it failed, with `destino` as it was, and its cause in `causa` (as
// ArchivoNuevo::causa()) when one is given.
std::string reemplazarArchivo(const std::filesystem::path& destino, const void* bytes, std::size_t tamano,
                              std::error_code* causa = nullptr);

}  // namespace brenquil
