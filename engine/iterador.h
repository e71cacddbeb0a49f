// The render's working record: the plane, the render's copy of the view's
// corner and side, and the last z of the most recent iteration.
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
    // the render reads it afresh for every block of pixels.
    int16_t getPlano() const { return plano_.load(std::memory_order_relaxed); }
    void setPlano(int16_t plano) { plano_.store(plano, std::memory_order_relaxed); }

    // Written on the interface thread before the render thread is created,
    // read by the render.
    void setX(long double x) { x_ = x; }
    void setY(long double y) { y_ = y; }
    void setLado(long double lado) { lado_ = lado; }
    long double getX() const { return x_; }
    long double getY() const { return y_; }
    long double getLado() const { return lado_; }

    // Iterates one pixel of the copied view on the current plane and keeps
    // its last z. The render does not use it (it colours blocks through
    // iterarLote); it serves single pixels on the calling thread.
    int16_t iterar(int16_t px, int16_t py, int16_t maxIter) {
        Vista v;
        v.iteraciones = maxIter;
        v.plano = getPlano();
        v.xSupIzq = x_;
        v.ySupIzq = y_;
        v.lado = lado_;
        const ResultadoIteracion r = iterarPixel(v, px, py);
        zx_ = r.zx;
        zy_ = r.zy;
        return r.cuenta;
    }

    long double getZx() const { return zx_; }
    long double getZy() const { return zy_; }

private:
    std::atomic<int16_t> plano_;
    long double x_ = -2.0L;
    long double y_ = 2.0L;
    long double lado_ = 4.0L;
    long double zx_ = 1.0L;
    long double zy_ = 1.0L;
};

}  // namespace brenquil
