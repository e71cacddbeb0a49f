// The view brenquil-render draws: read from a parameter file or from a PNG it
// wrote (leerArchivoVista of archivo_parametros.h), with the command line's
// options over it, and described for the PNG's text chunks.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "archivo_parametros.h"
#include "argumentos_render.h"
#include "imagen_png.h"
#include "lienzo.h"
#include "registro_parametros.h"

namespace brenquil {

// A number for a message: as the parameter file writes it, without its
// padding; "inf", "-inf", "nan" when it is not finite.
std::string textoReal(long double valor);
// A complex number for a message: "-0.5 + 0.25i".
std::string textoComplejo(long double re, long double im);

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

// How the view is drawn, as the "Brenquil render" record gives it.
Dibujo dibujoDeVista(const Vista& vista, const OpcionesRender& opciones);

// The text chunks of the PNG of the view: the record (with the limit as
// drawn, so that the window draws the same picture from it with the step 0);
// how it was drawn, as the "Brenquil render" record (escribirDibujo: the
// options' size, samples and region, the step the limit as drawn holds, the
// corner and side exactly, to the view's precision when it is deeper than
// 80 bits, and a limit above 32767); a readable description; and the
// program that wrote it.
std::vector<TextoPng> textosDeVista(const Vista& vista, const OpcionesRender& opciones);

}  // namespace brenquil
