#include "programa.h"

#include "sistema.h"

namespace brenquil {
namespace {

Programa* instanciaPrograma = nullptr;

// One helper per core besides the render thread's own.
unsigned ayudantesCalculo() { return nucleosDelProcesador() - 1; }

}  // namespace

Programa::Programa(HINSTANCE instanciaModulo)
    : instancia(instanciaModulo),
      cursorActual(LoadCursorA(instanciaModulo, "MYCURSORA")),
      ventanaGdi(superficies, cursorActual, instanciaModulo),
      control(estado.registrosCalculo(), ayudantesCalculo()) {
    instanciaPrograma = this;
}

Programa::~Programa() { instanciaPrograma = nullptr; }

Programa& programa() { return *instanciaPrograma; }

}  // namespace brenquil
