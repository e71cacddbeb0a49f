#include "programa.h"

#include <thread>

namespace brenquil {
namespace {

Programa* instanciaPrograma = nullptr;

unsigned ayudantesCalculo() {
    const unsigned nucleos = std::thread::hardware_concurrency();
    return nucleos > 1 ? nucleos - 1 : 0;
}

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
