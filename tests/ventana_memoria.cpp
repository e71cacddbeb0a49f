#include "ventana_memoria.h"

namespace brenquil {

VentanaMemoria::VentanaMemoria(int ancho, int alto, Color fondo, bool registrarLlamadas)
    : ancho_(ancho),
      alto_(alto),
      registrar_(registrarLlamadas),
      pixeles_(static_cast<size_t>(ancho) * static_cast<size_t>(alto), fondo) {}

void VentanaMemoria::pintarAnillo(int anillo, std::span<const PixelColoreado> pixeles) {
    for (const PixelColoreado& p : pixeles) {
        if (registrar_) llamadas_.push_back({anillo, p.x, p.y, p.color});
        if (p.x < 0 || p.y < 0 || p.x >= ancho_ || p.y >= alto_) continue;
        pixeles_[static_cast<size_t>(p.y) * ancho_ + p.x] = p.color;
    }
    anillos_.fetch_add(1);
}

void VentanaMemoria::hiloEmpieza(HiloRender) {
    empezados_.fetch_add(1);
    vivos_.fetch_add(1);
}

void VentanaMemoria::calculoTerminado(bool completo) {
    std::lock_guard<std::mutex> cerrojo(mutex_);
    fin_ = completo;
    cambio_.notify_all();
}

void VentanaMemoria::calculoNoIniciado() { calculoTerminado(false); }

bool VentanaMemoria::esperarFin() {
    std::unique_lock<std::mutex> cerrojo(mutex_);
    cambio_.wait(cerrojo, [this] { return fin_.has_value(); });
    return *fin_;
}

std::optional<bool> VentanaMemoria::esperarFin(std::chrono::milliseconds plazo) {
    std::unique_lock<std::mutex> cerrojo(mutex_);
    cambio_.wait_for(cerrojo, plazo, [this] { return fin_.has_value(); });
    return fin_;
}

std::optional<bool> VentanaMemoria::fin() const {
    std::lock_guard<std::mutex> cerrojo(mutex_);
    return fin_;
}

}  // namespace brenquil
