// A window in memory: a picture of colours that the render draws on, with the
// option of recording every pixel call in order. Used by the command-line
// renderer and by the tests.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "ventana_calculo.h"

namespace brenquil {

struct LlamadaPixel {
    int16_t x;
    int16_t y;
    Color color;
    bool operator==(const LlamadaPixel&) const = default;
};

class VentanaMemoria : public VentanaCalculo {
public:
    // A picture of ancho x alto pixels at (0, 0), all of colour fondo.
    VentanaMemoria(int ancho, int alto, Color fondo = NEGRO, bool registrarLlamadas = false);

    void ponerPixel(int16_t x, int16_t y, Color color) override;
    void cursorEspera() override { esperas_.fetch_add(1); }
    void cursorNormal() override { normales_.fetch_add(1); }
    void invalidar() override { invalidaciones_.fetch_add(1); }

    int ancho() const { return ancho_; }
    int alto() const { return alto_; }
    // The colour at (x, y); the position must lie inside the picture.
    Color pixel(int x, int y) const { return pixeles_[static_cast<size_t>(y) * ancho_ + x]; }
    const std::vector<Color>& pixeles() const { return pixeles_; }
    // Every ponerPixel call in order, when recording was asked for.
    const std::vector<LlamadaPixel>& llamadas() const { return llamadas_; }

    int cursoresEspera() const { return esperas_.load(); }
    int cursoresNormales() const { return normales_.load(); }
    int invalidaciones() const { return invalidaciones_.load(); }

private:
    int ancho_;
    int alto_;
    bool registrar_;
    std::vector<Color> pixeles_;
    std::vector<LlamadaPixel> llamadas_;
    std::atomic<int> esperas_{0};
    std::atomic<int> normales_{0};
    std::atomic<int> invalidaciones_{0};
};

}  // namespace brenquil
