// Parameter files on disk: loading a file into the view state and saving the
// view state to a file, without dialogs. Interface thread only.
#pragma once

#include <filesystem>

namespace brenquil {

struct EstadoVisor;

// Reads at most the 135 bytes a record can use (a larger file is never read
// whole) and stores them into the state as leerRegistro reads them: a short or
// empty file stores 0 into the fields it lacks and leaves the plane as it is
// when its field is missing. Returns false, leaving the state untouched, when
// the file cannot be opened or its first read fails (a directory, for
// instance); a read error after some bytes ends the data there.
bool cargarArchivoParametros(const std::filesystem::path& ruta, EstadoVisor& estado);

// Writes the 135-byte record of the state to `ruta` without ever destroying
// data (reemplazarArchivo): `ruta` is created or overwritten, as an ordinary
// writable file, only once every byte is on the disk. On failure returns
// false and leaves whatever was at `ruta` as it was. A target that exists but
// is not a regular file, or is marked read-only, is not replaced.
bool guardarArchivoParametros(const std::filesystem::path& ruta, const EstadoVisor& estado);

}  // namespace brenquil
