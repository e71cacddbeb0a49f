// Parameter files on disk: a view read from a file and written to one,
// without dialogs.
#pragma once

#include <filesystem>
#include <string>
#include <system_error>

#include "vista.h"

namespace brenquil {

// Reads at most the 135 bytes a record can use (a larger file is never read
// whole) into `vista` as leerRegistro reads them: a short or empty file gives
// 0 for the fields it lacks and leaves the plane as it is when its field is
// missing. Returns false, leaving `vista` untouched, when the file cannot be
// opened or its first read fails (a directory, for instance); a read error
// after some bytes ends the data there.
bool cargarArchivoParametros(const std::filesystem::path& ruta, Vista& vista);

// Writes the 135-byte record of `vista` to `ruta` without ever destroying
// data (reemplazarArchivo): `ruta` is created or overwritten, as an ordinary
// writable file, only once every byte is on the disk. Returns an empty text,
// or why it failed, with whatever was at `ruta` as it was, and its cause in
// `causa` when one is given (ArchivoNuevo::causa()). A target that exists but
// is not a regular file, or is marked read-only, is not replaced.
std::string guardarArchivoParametros(const std::filesystem::path& ruta, const Vista& vista,
                                     std::error_code* causa = nullptr);

}  // namespace brenquil
