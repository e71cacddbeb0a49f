// A movie run again goes on where it stopped: the frames already on disk as
// this run would write them are kept, the others are drawn.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "argumentos_render.h"
#include "imagen_png.h"
#include "pelicula_profunda.h"
#include "vista.h"

namespace brenquil {

// Whether the file at `ruta` is the frame this run would write, so that it
// may stay as it is: a regular file whose texts "Brenquil view", "Brenquil
// render", "Description" and "Software" (read with leerTextosPng) are
// `textos`, that is the same view drawn the same way by this version, and
// whose picture is whole. Whole means what the PNG writer makes, checked
// without drawing: the header of the picture's size (8-bit RGB), text
// chunks, the picture data and IEND with nothing after it, the CRC of every
// chunk right, and the picture data one zlib stream that inflates, its
// Adler-32 checked, to exactly the picture's rows. A file cut short, damaged,
// rewritten by another program, or that is no PNG is not the frame.
bool fotogramaHecho(const std::filesystem::path& ruta, const OpcionesRender& opciones,
                    const std::vector<TextoPng>& textos);

// For each frame of a movie's range (its views with their depth, named
// `nombres`, in order), whether it is already on disk as this run would draw
// it (fotogramaHecho).
std::vector<bool> fotogramasHechos(const std::vector<Fotograma>& fotogramas, const OpcionesRender& opciones,
                                   const std::vector<std::string>& nombres);

}  // namespace brenquil
