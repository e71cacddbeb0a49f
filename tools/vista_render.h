// The view brenquil-render draws: read from a parameter file or from a PNG it
// wrote, with the command line's options over it, and described for the
// PNG's text chunks.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "argumentos_render.h"
#include "imagen_png.h"
#include "lienzo.h"
#include "registro_parametros.h"

namespace brenquil {

// The keyword of the PNG text chunk that holds the view's 135-byte record.
inline constexpr char CLAVE_REGISTRO_PNG[] = "Brenquil view";
// The keyword of the PNG text chunk that tells how the picture was drawn:
// lines "option=value" of the command line that draws it again (see
// textosDeVista).
inline constexpr char CLAVE_DIBUJO_PNG[] = "Brenquil render";

// What a PNG's "Brenquil render" chunk gives besides the view.
struct Dibujo {
    int ancho = 0;
    int alto = 0;
    int muestras = 1;
    std::optional<Region> region;
    int16_t paso = 0;
};

// Reads the view of the file at `ruta` into `vista`: a parameter file as
// the window loads one (at most its 135 bytes are read, and a short file
// reads as 0 where it ends), or a PNG holding the record in its text chunk.
// A PNG with a "Brenquil render" chunk gives the corner and side exactly
// from it (the record's 19 digits do not always hold 80 bits), when they
// agree with the record to its 19 digits, and gives the rest of the chunk
// to `dibujo`, if not null. Returns an empty text, or why the file gives no
// view (a damaged "Brenquil render" chunk included). Never waits for a pipe
// that has no writer.
std::string leerArchivoVista(const std::string& ruta, Vista& vista, std::optional<Dibujo>* dibujo = nullptr);

// Fills in from a PNG's `dibujo` what the options leave open: the size and
// its region when no --size was given, the samples when no --supersample
// was; `pasoPrevio` from its step. A size given draws the whole picture
// unless a region is given too. Returns an empty text, or the refusal of a
// region that lies outside the picture.
std::string tomarDibujo(OpcionesRender& opciones, const std::optional<Dibujo>& dibujo);

// The values of a view that make no picture, each in a sentence: a side that
// is not positive and finite, a corner that is not finite, a plane, colour or
// dwell code outside its table, and a limit the iteration caps. The window
// draws such a view all the same.
std::vector<std::string> valoresSinImagen(const Vista& vista);

// Makes `vista` (from a file, or the start-up view) the view to draw: the
// options over it, the step added to the limit, and the corner found from a
// centre when one was given (in extended precision: the corner lies half the
// side to the left and half the picture's height above the centre). A
// radius or zoom given without a centre or corner keeps the view's centre.
// Returns an empty text, or why the options give no view: a side they give
// that is not positive and finite, or a corner found from a centre that is
// not finite.
std::string vistaFinal(Vista& vista, const OpcionesRender& opciones);

// The picture drawn: its size and samples.
Lienzo lienzoDe(const OpcionesRender& opciones);

// The text chunks of the PNG of the view: the record (with the limit as
// drawn, so that the window draws the same picture from it with the step 0);
// how it was drawn, as lines "size=WxH", "supersample=N", "region=X,Y,W,H"
// (only for a region), "step=S" (the step the limit as drawn holds) and
// "x=", "y=", "side=" with the corner and the side exactly, in hexadecimal
// (as "-0xbe8p-12"); a readable description; and the program that wrote it.
std::vector<TextoPng> textosDeVista(const Vista& vista, const OpcionesRender& opciones);

// The side of the view as a magnification, against the side 4 that shows
// the whole set.
long double aumento(const Vista& vista);

}  // namespace brenquil
