// "&Load" and "&Save": a parameter file chosen in the system's file dialogs.
#include <windows.h>
// After <windows.h>, which it needs.
#include <commdlg.h>

#include <filesystem>
#include <string>

#include "archivo_parametros.h"
#include "dialogos.h"
#include "programa.h"

namespace brenquil {

namespace {

// Two pairs of name and pattern; the literal's own NUL ends the list.
constexpr char FILTRO[] = "Archivos de Parametros\0*.str\0All\0*.*\0";

// Runs the Open or Save dialog on nombreArchivo; true when a file was chosen,
// its path then in nombreArchivo. Every field not set here stays zero: the
// system's titles and folder, no default extension, no hook.
bool elegirArchivo(HWND ventana, DWORD opciones, BOOL(WINAPI* dialogo)(LPOPENFILENAMEA)) {
    Programa& p = programa();
    OPENFILENAMEA registro{};
    // The record as it was before the fields that later systems added; in a
    // 64-bit program that is 136 bytes, and the 32-bit size (76) makes both
    // dialogs fail at once without opening.
    registro.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    registro.hwndOwner = ventana;
    registro.lpstrFilter = FILTRO;
    registro.nFilterIndex = 1;
    registro.lpstrFile = p.nombreArchivo;
    registro.nMaxFile = sizeof p.nombreArchivo;
    registro.Flags = opciones;
    return dialogo(&registro) != FALSE;
}

// The path the dialog wrote, in the ANSI code page, as a path of the wide
// file calls; an empty path when it cannot be converted.
std::filesystem::path rutaElegida() {
    const char* nombreArchivo = programa().nombreArchivo;
    const int n = MultiByteToWideChar(CP_ACP, 0, nombreArchivo, -1, nullptr, 0);
    if (n <= 1) return {};
    std::wstring ancha(static_cast<size_t>(n), L'\0');
    if (MultiByteToWideChar(CP_ACP, 0, nombreArchivo, -1, ancha.data(), n) != n) return {};
    ancha.resize(static_cast<size_t>(n - 1));
    return std::filesystem::path(ancha);
}

}  // namespace

void cargarParametros(HWND ventana) {
    if (!elegirArchivo(ventana, OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST, GetOpenFileNameA)) return;
    const std::filesystem::path ruta = rutaElegida();
    if (ruta.empty()) return;
    // A file that cannot be read leaves the state as it was.
    EstadoVisor& estado = programa().estado;
    Vista vista = estado.vista();
    if (cargarArchivoParametros(ruta, vista)) estado.ponerVista(vista);
}

void guardarParametros(HWND ventana) {
    // No OFN_OVERWRITEPROMPT: an existing file is replaced without a question.
    if (!elegirArchivo(ventana, OFN_PATHMUSTEXIST, GetSaveFileNameA)) return;
    const std::filesystem::path ruta = rutaElegida();
    if (ruta.empty()) return;
    // A failed save leaves whatever was at the path untouched.
    guardarArchivoParametros(ruta, programa().estado.vista());
}

}  // namespace brenquil
