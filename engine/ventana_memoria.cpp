#include "ventana_memoria.h"

namespace brenquil {

VentanaMemoria::VentanaMemoria(int ancho, int alto, Color fondo, bool registrarLlamadas)
    : ancho_(ancho),
      alto_(alto),
      registrar_(registrarLlamadas),
      pixeles_(static_cast<size_t>(ancho) * static_cast<size_t>(alto), fondo) {}

void VentanaMemoria::ponerPixel(int16_t x, int16_t y, Color color) {
    if (registrar_) llamadas_.push_back({x, y, color});
    if (x < 0 || y < 0 || x >= ancho_ || y >= alto_) return;
    pixeles_[static_cast<size_t>(y) * ancho_ + x] = color;
}

}  // namespace brenquil
