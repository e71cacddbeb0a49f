#include "reparto.h"

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

#include "precision_x87.h"

namespace brenquil {
namespace {

// The blocks of a computation: which are handed out, which are computed, and
// how far the computed run from the start reaches.
class Reparto {
public:
    Reparto(int total, int bloque)
        : total_(total), bloque_(bloque), bloques_((total + bloque - 1) / bloque), hechos_(new std::atomic<bool>[bloques_]) {
        for (int b = 0; b < bloques_; ++b) hechos_[b].store(false, std::memory_order_relaxed);
    }

    // The next block in order; false when none is left or the work was abandoned.
    bool tomar(int& inicio, int& fin) {
        if (abandonado_.load(std::memory_order_relaxed)) return false;
        inicio = siguiente_.fetch_add(bloque_, std::memory_order_relaxed);
        if (inicio >= total_) return false;
        fin = std::min(inicio + bloque_, total_);
        return true;
    }

    // Marks a block computed and wakes the thread that waits for the run.
    void terminar(int inicio) {
        hechos_[inicio / bloque_].store(true, std::memory_order_release);
        { std::lock_guard<std::mutex> cerrojo(mutex_); }
        cambio_.notify_one();
    }

    void abandonar() { abandonado_.store(true, std::memory_order_relaxed); }

    // The positions 0..n-1 that are all computed. Calling thread only.
    int prefijo() {
        while (prefijoBloques_ < bloques_ && hechos_[prefijoBloques_].load(std::memory_order_acquire)) ++prefijoBloques_;
        return std::min(prefijoBloques_ * bloque_, total_);
    }

    // Waits until the run reaches past `actual`. Calling thread only.
    void esperarMasAlla(int actual) {
        std::unique_lock<std::mutex> cerrojo(mutex_);
        cambio_.wait(cerrojo, [&] { return prefijo() > actual; });
    }

private:
    const int total_;
    const int bloque_;
    const int bloques_;
    std::unique_ptr<std::atomic<bool>[]> hechos_;
    std::atomic<int> siguiente_{0};
    std::atomic<bool> abandonado_{false};
    int prefijoBloques_ = 0;
    std::mutex mutex_;
    std::condition_variable cambio_;
};

void trabajar(Reparto& reparto, const TareaEnOrden& tarea) {
    int inicio = 0;
    int fin = 0;
    while (reparto.tomar(inicio, fin)) {
        tarea.calcular(inicio, fin);
        reparto.terminar(inicio);
    }
}

}  // namespace

bool calcularEnOrden(int total, int bloque, unsigned ayudantes, const TareaEnOrden& tarea) {
    if (total <= 0) return tarea.avance(0);
    Reparto reparto(total, std::max(bloque, 1));
    std::vector<std::thread> hilos;
    for (unsigned i = 0; i < ayudantes; ++i) {
        try {
            hilos.emplace_back([&] {
                if (tarea.alEmpezarAyudante) tarea.alEmpezarAyudante();
                fijarPrecisionX87(PrecisionX87::Extendida);
                trabajar(reparto, tarea);
                if (tarea.alTerminarAyudante) tarea.alTerminarAyudante();
            });
        } catch (const std::system_error&) {
            break;  // the threads already running share the positions
        }
    }

    bool completo = true;
    int avisado = 0;
    for (;;) {
        const int hecho = reparto.prefijo();
        if (hecho > avisado) {
            avisado = hecho;
            if (!tarea.avance(hecho)) {
                completo = false;
                break;
            }
            if (hecho == total) break;
            continue;
        }
        int inicio = 0;
        int fin = 0;
        if (reparto.tomar(inicio, fin)) {
            tarea.calcular(inicio, fin);
            reparto.terminar(inicio);
        } else {
            // Every block is handed out: the run grows as the helpers finish theirs.
            reparto.esperarMasAlla(hecho);
        }
    }
    reparto.abandonar();
    for (std::thread& h : hilos) h.join();
    return completo;
}

}  // namespace brenquil
