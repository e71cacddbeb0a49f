// The view parameters: iteration limit, corner and side of the view square,
// and the selection square in picture pixels, with the zoom geometry.
#pragma once

#include <atomic>
#include <cstdint>

namespace brenquil {

class ParametrosEnfoque {
public:
    // Limit 30 and the selection (0, 0, 400).
    ParametrosEnfoque(long double xSupIzq, long double ySupIzq, long double lado);

    // The default view: corner -4 + 8i, side 16, limit 30.
    static ParametrosEnfoque porDefecto() { return ParametrosEnfoque(-4.0L, 8.0L, 16.0L); }

    // Always copied whole, all seven fields together.
    ParametrosEnfoque(const ParametrosEnfoque& otro);
    ParametrosEnfoque& operator=(const ParametrosEnfoque& otro);

    // The limit is read by the render threads for every block of pixels
    // while the interface thread may write it.
    int16_t getIteraciones() const { return iteraciones_.load(std::memory_order_relaxed); }
    void setIteraciones(int16_t n) { iteraciones_.store(n, std::memory_order_relaxed); }
    // iteraciones + delta, wrapping at 16 bits.
    void sumarIteraciones(int16_t delta);

    // The corner and side: interface thread only. A render works from the
    // Iterador's copy of them.
    long double getXSupIzq() const { return xSupIzq_; }
    void setXSupIzq(long double v) { xSupIzq_ = v; }
    long double getYSupIzq() const { return ySupIzq_; }
    void setYSupIzq(long double v) { ySupIzq_ = v; }
    long double getLado() const { return lado_; }
    void setLado(long double v) { lado_ = v; }

    int16_t getSelX() const { return selX_; }
    int16_t getSelY() const { return selY_; }
    int16_t getSelLado() const { return selLado_; }

    // A dragged rectangle becomes the selection square: the upper-left corner of
    // the ordered rectangle and the smaller of its width and height.
    void normalizarCuadrado(int16_t izquierda, int16_t arriba, int16_t derecha, int16_t abajo);
    // The square of a zoom in by a factor, centred on pixel (200, 200): side
    // 2 * (200 / factor) with integer division. A factor of 0 leaves the
    // selection as it was.
    void cuadradoAcercar(int16_t factor);
    // The square of a zoom out by a factor: corner (1 - factor) * 200, side 400 * factor.
    void cuadradoAlejar(int16_t factor);
    // Makes a square of picture pixels the new view; the selection and the limit stay.
    void aplicarCuadrado(int16_t izquierda, int16_t arriba, int16_t derecha, int16_t abajo);

private:
    std::atomic<int16_t> iteraciones_{30};
    long double xSupIzq_;
    long double ySupIzq_;
    long double lado_;
    int16_t selX_ = 0;
    int16_t selY_ = 0;
    int16_t selLado_ = 400;
};

}  // namespace brenquil
