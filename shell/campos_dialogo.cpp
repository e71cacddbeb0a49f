// Numbers in the edit boxes of the two dialogs, written and read back with the
// same texts and conversions as the parameter file.
#include <algorithm>
#include <cstdio>
#include <string_view>

#include "dialogos.h"
#include "numeros.h"
#include "texto_numero.h"

namespace brenquil::campos {

namespace {

// GetDlgItemTextA writes at most 79 characters and the NUL.
constexpr int TAMANO_TEXTO = 80;

}  // namespace

long double leerReal(HWND dialogo, int id) {
    char texto[TAMANO_TEXTO] = {};
    const UINT n = GetDlgItemTextA(dialogo, id, texto, TAMANO_TEXTO);
    return textoAReal(std::string_view(texto, std::min<UINT>(n, TAMANO_TEXTO - 1)));
}

int16_t leerEntero16(HWND dialogo, int id) { return truncarBajos16(leerReal(dialogo, id)); }

void escribirEntero(HWND dialogo, int id, int valor) {
    char texto[16];
    std::snprintf(texto, sizeof texto, "%d", valor);
    SetDlgItemTextA(dialogo, id, texto);
}

void escribirReal(HWND dialogo, int id, long double valor) {
    SetDlgItemTextA(dialogo, id, formatearReal(valor).c_str());
}

}  // namespace brenquil::campos
