#include "render_vista.h"

#include <chrono>

#include "calculo.h"
#include "renderizado.h"
#include "ventana_memoria.h"

namespace brenquil {

ResultadoRender renderizarVista(EstadoVisor& estado, unsigned hilos, const AvisoProgreso& aviso) {
    using namespace std::chrono_literals;
    // A render thread that finds `calculando` set ends at once without a word,
    // and nothing would ever tell this thread that it has.
    if (estado.calculando.load()) return {std::vector<Color>(PIXELES_IMAGEN, NEGRO), false};
    VentanaMemoria ventana(LADO_IMAGEN, LADO_IMAGEN, NEGRO);
    ControlCalculo control(estado, hilos > 1 ? hilos - 1 : 0);
    control.ejecutarCalculo(ventana);
    const OrdenAnillos& orden = OrdenAnillos::ventana();
    const double total = orden.inicio(OrdenAnillos::ANILLOS);
    while (!ventana.esperarFin(200ms)) {
        if (aviso) aviso(orden.inicio(ventana.anillos()) / total);
    }
    control.esperarCalculo();
    return {ventana.pixeles(), *ventana.fin()};
}

}  // namespace brenquil
