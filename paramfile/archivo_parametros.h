// Parameter files on disk, and a view read from a file that is a parameter
// file or a PNG of brenquil-render: without dialogs, for the window's Load
// and Save and for brenquil-render.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "registro_dibujo.h"
#include "vista.h"

namespace brenquil {

// The keyword of the PNG text chunk that holds the view's 135-byte record.
inline constexpr char CLAVE_REGISTRO_PNG[] = "Brenquil view";
// What kept a view from being read from a file.
enum class FalloLectura {
    NINGUNO,
    ABRIR,          // the file cannot be opened: missing, a folder, not a regular file or pipe, denied
    LEER,           // reading it failed
    PNG,            // a PNG that is damaged, cut short or beyond the reader's limits
    PNG_SIN_VISTA,  // a PNG without the view's text
    ARCHIVO_VISTA,  // a view file (textoArchivoVista) that is damaged or too long
    PROFUNDA,       // for the window: a view deeper than its 80-bit numbers resolve
};

// What a file gave besides its view.
struct LecturaVista {
    bool png = false;  // the file is a PNG
    // A PNG's "Brenquil render" record, when it has one.
    std::optional<Dibujo> dibujo;
    // The record was changed since the PNG was drawn (its 19 digits no longer
    // agree with the exact corner and side): the record's values were taken.
    bool registroCambiado = false;
};

// Reads the view of the file at `ruta` into `vista`. A file that begins with
// the PNG signature is a PNG (a parameter file's first byte is a digit, a
// sign or a space, never 0x89), and its view is the record in its text
// "Brenquil view", found in any text chunk anywhere in the file. A file that
// begins with "view=" is a view file (textoArchivoVista), read as that PNG's
// two texts are; a damaged one gives FalloLectura::ARCHIVO_VISTA. Any other
// file is a parameter file, read as the window has always read one: at most
// its first 135 bytes, as leerRegistro reads them, so that a short or empty
// file gives 0 for the fields it lacks and leaves the plane as it is when its
// field is missing. A PNG with a "Brenquil render" record (leerDibujo) takes
// the corner and side exactly from it when they agree with the "Brenquil
// view" record to its 19 digits (a record changed since, by hand or by
// another program, wins); a damaged "Brenquil render" record, or one whose
// values can be no picture's, refuses the file. Returns an empty text, or why
// the file gives no view ("cannot read '<ruta>': ..."), with `vista`
// untouched and the kind of failure in `fallo` when one is given; what else
// the file gave goes to `lectura` when one is given. Never waits for a pipe
// that has no writer.
std::string leerArchivoVista(const std::filesystem::path& ruta, Vista& vista, FalloLectura* fallo = nullptr,
                             LecturaVista* lectura = nullptr);

// The window's Load: leerArchivoVista, but a view drawn deeper than 80 bits
// (a "Brenquil render" record of a precision above 64), which the window
// cannot draw, gives no view: FalloLectura::PROFUNDA, `vista` untouched.
std::string leerArchivoVistaVentana(const std::filesystem::path& ruta, Vista& vista, FalloLectura& fallo);

// The text of a view file, which holds what a PNG of brenquil-render holds
// of its view, also a view deeper than 80 bits: the line "view=" with the
// 135-byte record of `vista`, then the "Brenquil render" lines of `dibujo`.
std::string textoArchivoVista(const Vista& vista, const Dibujo& dibujo);

// Writes the 135-byte record of `vista` to `ruta` without ever destroying
// data (reemplazarArchivo): `ruta` is created or overwritten, as an ordinary
// writable file, only once every byte is on the disk. Returns an empty text,
// or why it failed, with whatever was at `ruta` as it was, and its cause in
// `causa` when one is given (ArchivoNuevo::causa()). A target that exists but
// is not a regular file, or is marked read-only, is not replaced.
std::string guardarArchivoParametros(const std::filesystem::path& ruta, const Vista& vista,
                                     std::error_code* causa = nullptr);

}  // namespace brenquil
