// The label of a movie's progress line: which frame is being drawn, how many
// were kept from an earlier run, the time since the movie began and the time
// left, estimated from the last frames drawn in this run.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace brenquil {

// The label for frame `numero` (from 1) of `total`, `guardados` of them kept:
// "frame 12/48, 5 kept, 0:37 elapsed, about 1:45 left". The time left is
// the mean time of `dibujados` frames drawn (`segundosDibujando` in all)
// times the `porDibujar` frames still to draw, this one included;
// it is left out until a frame has been drawn, and the kept frames when
// there are none. Times read m:ss, or h:mm:ss from an hour on.
std::string etiquetaProgreso(int numero, int total, int guardados, double transcurridos, int dibujados,
                             double segundosDibujando, int porDibujar);

// The progress of a movie's range, whose frames `guardados` says are kept.
class ProgresoPelicula {
public:
    explicit ProgresoPelicula(const std::vector<bool>& guardados);

    // Frame `i` (from 0) of the range starts: its label.
    std::string empezar(int i);
    // The frame started last is drawn.
    void dibujado();

    // The frames whose mean time estimates the time left: the last ones
    // drawn, because a zoom's frames grow dearer (or cheaper) with depth,
    // and a mean over the whole run lags behind.
    static constexpr int RECIENTES = 4;

private:
    using Reloj = std::chrono::steady_clock;
    Reloj::time_point inicio_ = Reloj::now();
    Reloj::time_point inicioFotograma_ = inicio_;
    int total_;
    int guardados_ = 0;
    int dibujados_ = 0;
    double recientes_[RECIENTES] = {};
};

}  // namespace brenquil
