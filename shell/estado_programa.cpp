#include "estado_programa.h"

#include <thread>

namespace brenquil {
namespace {

unsigned ayudantesCalculo() {
    const unsigned nucleos = std::thread::hardware_concurrency();
    return nucleos > 1 ? nucleos - 1 : 0;
}

}  // namespace

// Built in this order; controlCalculo refers to estadoVisor.
EstadoVisor estadoVisor;
ControlCalculo controlCalculo{estadoVisor, ayudantesCalculo()};
VentanaGdi ventanaGdi;
Superficies superficies;
std::atomic<HCURSOR> cursorActual{nullptr};
HINSTANCE instancia = nullptr;
char nombreArchivo[TAMANO_NOMBRE_ARCHIVO] = "";

}  // namespace brenquil
