// The render's working record: the plane, the render's copy of the view and
// the last z of the most recent iteration.
#pragma once

#include <atomic>
#include <cstdint>

#include "iteracion.h"

namespace brenquil {

class Iterador {
public:
    // Corner -2 + 2i and side 4 until a render start copies the current view in.
    explicit Iterador(int16_t plano) : plano_(plano) {}

    Iterador(const Iterador&) = delete;
    Iterador& operator=(const Iterador&) = delete;

    // The plane may be changed by the interface thread while a render runs;
    // the render reads it afresh for every pixel.
    int16_t getPlano() const { return plano_.load(std::memory_order_relaxed); }
    void setPlano(int16_t plano) { plano_.store(plano, std::memory_order_relaxed); }

    // Written on the interface thread before the render thread is created.
    void setX(long double x) { vista_.x = x; }
    void setY(long double y) { vista_.y = y; }
    void setLado(long double lado) { vista_.lado = lado; }
    const VistaPlano& vista() const { return vista_; }

    // Iterates one pixel of the copied view and keeps its last z. Render thread only.
    int16_t iterar(int16_t px, int16_t py, int16_t maxIter) {
        const ResultadoIteracion r = iterarPixel(getPlano(), vista_, px, py, maxIter);
        zx_ = r.zx;
        zy_ = r.zy;
        return r.cuenta;
    }

    long double getZx() const { return zx_; }
    long double getZy() const { return zy_; }

private:
    std::atomic<int16_t> plano_;
    VistaPlano vista_{-2.0L, 2.0L, 4.0L};
    long double zx_ = 1.0L;
    long double zy_ = 1.0L;
};

}  // namespace brenquil
