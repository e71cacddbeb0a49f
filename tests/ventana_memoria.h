// A window in memory: a picture of colours that a render draws on, which can
// also record every pixel it is given, count the calls of the render's
// protocol and wait for the end of a render: what the render tests draw on.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "ventana_calculo.h"

namespace brenquil {

// A pixel as a render gave it, with its ring.
struct LlamadaPixel {
    int anillo;
    int16_t x;
    int16_t y;
    Color color;
    bool operator==(const LlamadaPixel&) const = default;
};

class VentanaMemoria : public VentanaCalculo {
public:
    // A picture of ancho x alto pixels at (0, 0), all of colour fondo.
    VentanaMemoria(int ancho, int alto, Color fondo = NEGRO, bool registrarLlamadas = false);

    void pintarAnillo(int anillo, std::span<const PixelColoreado> pixeles) override;
    void cursorEspera() override { esperas_.fetch_add(1); }
    void cursorNormal() override { normales_.fetch_add(1); }
    void invalidar() override { invalidaciones_.fetch_add(1); }
    void hiloEmpieza(HiloRender) override;
    void hiloTermina(HiloRender) override { vivos_.fetch_sub(1); }
    void calculoTerminado(bool completo) override;
    void calculoNoIniciado() override;

    int ancho() const { return ancho_; }
    int alto() const { return alto_; }
    // The colour at (x, y); the position must lie inside the picture.
    Color pixel(int x, int y) const { return pixeles_[static_cast<size_t>(y) * ancho_ + x]; }
    const std::vector<Color>& pixeles() const { return pixeles_; }
    // Every pixel given, in order, when recording was asked for.
    const std::vector<LlamadaPixel>& llamadas() const { return llamadas_; }
    // The rings painted so far.
    int anillos() const { return anillos_.load(); }

    int cursoresEspera() const { return esperas_.load(); }
    int cursoresNormales() const { return normales_.load(); }
    int invalidaciones() const { return invalidaciones_.load(); }
    // The threads of the render that have begun and not yet ended, and how
    // many have begun in all.
    int hilosVivos() const { return vivos_.load(); }
    int hilosEmpezados() const { return empezados_.load(); }

    // Waits until a render has ended or could not start: whether it drew all
    // its rings (false also when it could not start).
    bool esperarFin();
    // The same for at most `plazo`: nothing when the render has not ended by then.
    std::optional<bool> esperarFin(std::chrono::milliseconds plazo);
    // The end reported so far, if any: completo or not.
    std::optional<bool> fin() const;

private:
    int ancho_;
    int alto_;
    bool registrar_;
    std::vector<Color> pixeles_;
    std::vector<LlamadaPixel> llamadas_;
    std::atomic<int> anillos_{0};
    std::atomic<int> esperas_{0};
    std::atomic<int> normales_{0};
    std::atomic<int> invalidaciones_{0};
    std::atomic<int> vivos_{0};
    std::atomic<int> empezados_{0};
    mutable std::mutex mutex_;
    std::condition_variable cambio_;
    std::optional<bool> fin_;
};

}  // namespace brenquil
