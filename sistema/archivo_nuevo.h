// Files replaced whole or not at all: the bytes go to a new temporary file
// beside the target, which replaces the target only once everything was
// written and is on the disk. Parameter files and PNG pictures are saved this
// way.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

namespace brenquil {

// Why `destino` cannot be replaced by a new file, or an empty text when it
// looks writable: its folder exists and takes a new file, the system takes
// its name (files are made and removed again to find out), and `destino` is
// not a folder, not another kind of file and not read-only.
std::string comprobarDestino(const std::filesystem::path& destino);

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
    // the file and renames it over `destino`. Returns an empty text, or why
    // not (a full disk shows here), and then the temporary file is gone.
    std::string confirmar();
    // Closes and removes the temporary file; `destino` stays as it was.
    void descartar();

private:
    std::filesystem::path destino_;
    std::filesystem::path temporal_;
    std::FILE* archivo_ = nullptr;
    int registro_ = -1;
};

// Removes every temporary file that an ArchivoNuevo of this process has open.
// Safe to call from a signal handler (it only unlinks paths prepared before).
void borrarTemporalesAbiertos();

// Writes `bytes` to `destino` through an ArchivoNuevo. Returns an empty text,
// or why it failed, with `destino` as it was.
std::string reemplazarArchivo(const std::filesystem::path& destino, const void* bytes, std::size_t tamano);

}  // namespace brenquil
