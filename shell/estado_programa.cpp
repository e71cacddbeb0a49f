#include "estado_programa.h"

namespace brenquil {

// Built in this order; controlCalculo refers to estadoVisor.
EstadoVisor estadoVisor;
ControlCalculo controlCalculo{estadoVisor};
VentanaGdi ventanaGdi;
Superficies superficies;
std::atomic<HCURSOR> cursorActual{nullptr};
HINSTANCE instancia = nullptr;
char nombreArchivo[TAMANO_NOMBRE_ARCHIVO] = "";

}  // namespace brenquil
