#include "comandos.h"

#include "recursos.h"
#include "ventana_principal.h"

namespace brenquil {

namespace {

// Each command is one small function of the main window; the table below
// names the identifier that runs it.
void ejecutarDetener(HWND ventana) { alternarCalculo(ventana); }

struct Comando {
    WORD id;
    void (*ejecutar)(HWND ventana);
};

constexpr Comando tablaComandos[] = {
    {CM_EJECUTAR_DETENER, ejecutarDetener},
};

}  // namespace

void despacharComando(HWND ventana, WORD id) {
    for (const Comando& comando : tablaComandos) {
        if (comando.id == id) {
            comando.ejecutar(ventana);
            return;
        }
    }
}

}  // namespace brenquil
