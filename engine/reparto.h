// Work shared among threads in a fixed order: the positions of a picture,
// computed in blocks that are handed out in order, while one thread learns,
// in order, how far the computed positions reach.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace brenquil {

// What a shared computation does, and what its threads are told.
struct TareaEnOrden {
    // Computes positions [inicio, fin). Called on any of the threads, for
    // blocks in any order, each block once; it must write only what belongs
    // to its positions.
    std::function<void(int inicio, int fin)> calcular;
    // Called on the calling thread only, each time the run of positions
    // 0..prefijo-1 that are all computed has grown, with prefijo growing from
    // call to call. Returning false abandons the rest: no block is handed out
    // any more, and the blocks being computed are finished and dropped.
    std::function<bool(int prefijo)> avance;
    // Called on each helper thread as it begins and as it ends (may be empty).
    std::function<void()> alEmpezarAyudante;
    std::function<void()> alTerminarAyudante;
};

// Computes positions 0..total-1 on the calling thread and on `ayudantes`
// helper threads, which take blocks of `bloque` consecutive positions in
// order, so that the positions are computed about in order whatever the
// number of threads. Each helper sets the x87 precision to 64 bits after
// alEmpezarAyudante, so that it computes in extended precision whatever the
// system started it with; the calling thread must have done so itself. A
// helper that cannot be created leaves its share to the others. Returns once
// every helper has ended: true when every position was computed and avance
// took them all, false when avance abandoned the work.
bool calcularEnOrden(int total, int bloque, unsigned ayudantes, const TareaEnOrden& tarea);

}  // namespace brenquil
