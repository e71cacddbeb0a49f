// "&Load" and "&Save": a parameter file chosen in the system's file dialogs.
// The dialogs and the file calls are the wide ones: through the ANSI code
// page a name it lacks would reach the file system as a look-alike or as '?'
// ("Ω.str" saved over "O.str").
#include <windows.h>
// After <windows.h>, which it needs.
#include <commdlg.h>

#include <filesystem>
#include <iterator>
#include <string>
#include <system_error>

#include "archivo_parametros.h"
#include "dialogos.h"
#include "programa.h"
#include "sistema.h"

namespace brenquil {

namespace {

// Two pairs of name and pattern; the literal's own NUL ends the list.
constexpr wchar_t FILTRO[] = L"Archivos de Parametros\0*.str\0All\0*.*\0";

// Runs the Open or Save dialog on nombreArchivo; true when a file was chosen,
// its path then in nombreArchivo. Every field not set here stays zero: the
// system's titles and folder, no default extension, no hook.
bool elegirArchivo(HWND ventana, DWORD opciones, BOOL(WINAPI* dialogo)(LPOPENFILENAMEW)) {
    Programa& p = programa();
    OPENFILENAMEW registro{};
    // The record as it was before the fields that later systems added; in a
    // 64-bit program that is 136 bytes, and the 32-bit size (76) makes both
    // dialogs fail at once without opening.
    registro.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
    registro.hwndOwner = ventana;
    registro.lpstrFilter = FILTRO;
    registro.nFilterIndex = 1;
    registro.lpstrFile = p.nombreArchivo;
    registro.nMaxFile = static_cast<DWORD>(std::size(p.nombreArchivo));
    registro.Flags = opciones;
    return dialogo(&registro) != FALSE;
}

// Why a file could not be written or read, in the program's words.
std::wstring motivo(const std::error_code& causa) {
    if (causa == std::errc::read_only_file_system) return L"el archivo es de solo lectura";
    if (causa == std::errc::device_or_resource_busy) return L"otro programa tiene el archivo abierto";
    if (causa == std::errc::permission_denied) return L"acceso denegado";
    if (causa == std::errc::no_space_on_device || causa == std::errc::file_too_large) {
        return L"no queda espacio en el disco";
    }
    if (causa == std::errc::is_a_directory) return L"es una carpeta";
    if (causa == std::errc::no_such_file_or_directory) return L"la carpeta o el archivo no existe";
    if (causa == std::errc::not_supported) return L"no es un archivo corriente";
    return L"error " + std::to_wstring(causa.value()) + L" (" +
           anchoDeTexto(causa.message()).value_or(std::wstring()) + L")";
}

// Why no view was read from a file, in the program's words.
std::wstring motivo(FalloLectura fallo) {
    switch (fallo) {
    case FalloLectura::ABRIR: return L"no se puede abrir el archivo";
    case FalloLectura::LEER: return L"error de lectura";
    case FalloLectura::PNG: return L"el PNG esta danado o incompleto";
    case FalloLectura::PNG_SIN_VISTA: return L"el PNG no contiene una vista de Brenquil";
    case FalloLectura::ARCHIVO_VISTA: return L"el archivo de vista esta danado";
    case FalloLectura::PROFUNDA: return L"la vista es mas profunda de lo que resuelven los numeros de 80 bits";
    case FalloLectura::NINGUNO: break;
    }
    return {};
}

// A message box on the main window: "No se pudo <accion> <path>:" and why.
void avisar(HWND ventana, const wchar_t* titulo, const wchar_t* accion, const std::wstring& porque) {
    const std::wstring texto = std::wstring(L"No se pudo ") + accion + L" " + programa().nombreArchivo + L":\n" + porque;
    MessageBoxW(ventana, texto.c_str(), titulo, MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace

void cargarParametros(HWND ventana) {
    if (!elegirArchivo(ventana, OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST, GetOpenFileNameW)) return;
    const std::filesystem::path ruta(programa().nombreArchivo);
    // A parameter file, or the view inside a PNG or view file of
    // brenquil-render. A file that gives no view, or a view deeper than the
    // window's numbers, leaves the state as it was, and says why.
    EstadoVisor& estado = programa().estado;
    Vista vista = estado.vista();
    FalloLectura fallo = FalloLectura::NINGUNO;
    if (leerArchivoVistaVentana(ruta, vista, fallo).empty()) {
        estado.ponerVista(vista);
    } else {
        avisar(ventana, L"Load", L"leer", motivo(fallo));
    }
}

void guardarParametros(HWND ventana) {
    // No OFN_OVERWRITEPROMPT: an existing file is replaced without a question.
    if (!elegirArchivo(ventana, OFN_PATHMUSTEXIST, GetSaveFileNameW)) return;
    const std::filesystem::path ruta(programa().nombreArchivo);
    // A failed save leaves whatever was at the path untouched, and says so.
    std::error_code causa;
    if (!guardarArchivoParametros(ruta, programa().estado.vista(), &causa).empty()) {
        avisar(ventana, L"Save", L"guardar", motivo(causa));
    }
}

}  // namespace brenquil
