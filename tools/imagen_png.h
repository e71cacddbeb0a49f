// Writing a picture to a PNG file so that the target is either left as it was
// or replaced by a complete file, never by part of one.
#pragma once

#include <string>
#include <vector>

#include "opciones_color.h"

namespace brenquil {

// Why a PNG could not be written at `ruta`, or an empty text when it looks
// writable: its folder exists and takes a new file (one is made there and
// removed again to find out), and `ruta` is not a folder nor a read-only
// file. Checked before a long render, so that a typo in the path is reported
// at once; writing can still fail later.
std::string comprobarDestinoPng(const std::string& ruta);

// Writes `pixeles` (ancho x alto, row by row, 0x00BBGGRR) as an 8-bit RGB PNG
// (the same bytes on every system for the same pixels) over `ruta`, replacing
// it only with a complete file (reemplazarArchivo). Returns an empty text on
// success; otherwise why it failed, with `ruta` untouched.
std::string escribirPng(const std::string& ruta, const std::vector<Color>& pixeles, int ancho, int alto);

}  // namespace brenquil
