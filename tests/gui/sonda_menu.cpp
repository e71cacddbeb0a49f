// A DLL that the GUI test driver loads into a running brenquil.exe to read
// what only that process can read: under Wine, menu handles and a class's
// icon, cursor and brush are private to the process that owns them, so
// GetMenu from another process gives a handle that no menu call accepts.
//
// On loading it finds the process's "MyWin" window, writes its class fields
// and its live menu tree as lines of text into the file mapping named
// "BrenquilSonda-<pid>" that the driver created, and then refuses to stay
// loaded (DllMain returns FALSE), so the process is left as it was.
//
// Lines, fields separated by tabs:
//   clase  <class style>  <extra class bytes>  <extra window bytes>
//          <brush is the stock black brush 0/1>  <icon is MYICON 0/1>
//          <class cursor 0x...>  <class menu name>
//   menu   <depth>  <id, -1 for a pop-up>  <state bits>  <type bits>  <caption bytes>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

struct Busqueda {
    DWORD pid;
    HWND ventana;
};

BOOL CALLBACK buscarVentana(HWND v, LPARAM l) {
    auto* b = reinterpret_cast<Busqueda*>(l);
    char clase[32] = {};
    DWORD pid = 0;
    GetWindowThreadProcessId(v, &pid);
    if (pid == b->pid && GetClassNameA(v, clase, sizeof clase) && std::string(clase) == "MyWin") {
        b->ventana = v;
        return FALSE;
    }
    return TRUE;
}

void volcarMenu(std::string& salida, HMENU menu, int profundidad) {
    const int n = GetMenuItemCount(menu);
    for (int i = 0; i < n; ++i) {
        char texto[256] = {};
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_STATE | MIIM_SUBMENU | MIIM_FTYPE | MIIM_STRING;
        info.dwTypeData = texto;
        info.cch = sizeof texto - 1;
        if (!GetMenuItemInfoA(menu, i, TRUE, &info)) continue;
        char linea[400];
        std::snprintf(linea, sizeof linea, "menu\t%d\t%d\t0x%lx\t0x%lx\t%s\n", profundidad,
                      info.hSubMenu ? -1 : static_cast<int>(info.wID), static_cast<unsigned long>(info.fState),
                      static_cast<unsigned long>(info.fType), texto);
        salida += linea;
        if (info.hSubMenu) volcarMenu(salida, info.hSubMenu, profundidad + 1);
    }
}

std::string volcar() {
    Busqueda b{GetCurrentProcessId(), nullptr};
    EnumWindows(buscarVentana, reinterpret_cast<LPARAM>(&b));
    if (!b.ventana) return "sin ventana\n";
    HWND v = b.ventana;
    HINSTANCE propio = GetModuleHandleA(nullptr);
    const auto* nombreMenu = reinterpret_cast<const char*>(GetClassLongPtrA(v, GCLP_MENUNAME));
    char linea[400];
    std::snprintf(linea, sizeof linea, "clase\t0x%lx\t%lu\t%lu\t%d\t%d\t0x%llx\t%s\n",
                  static_cast<unsigned long>(GetClassLongA(v, GCL_STYLE)),
                  static_cast<unsigned long>(GetClassLongA(v, GCL_CBCLSEXTRA)),
                  static_cast<unsigned long>(GetClassLongA(v, GCL_CBWNDEXTRA)),
                  reinterpret_cast<HGDIOBJ>(GetClassLongPtrA(v, GCLP_HBRBACKGROUND)) == GetStockObject(BLACK_BRUSH),
                  reinterpret_cast<HICON>(GetClassLongPtrA(v, GCLP_HICON)) == LoadIconA(propio, "MYICON"),
                  static_cast<unsigned long long>(GetClassLongPtrA(v, GCLP_HCURSOR)),
                  IS_INTRESOURCE(nombreMenu) ? "#" : nombreMenu ? nombreMenu : "");
    std::string salida = linea;
    volcarMenu(salida, GetMenu(v), 0);
    return salida;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD razon, LPVOID) {
    if (razon != DLL_PROCESS_ATTACH) return TRUE;
    char nombre[64];
    std::snprintf(nombre, sizeof nombre, "BrenquilSonda-%lu", static_cast<unsigned long>(GetCurrentProcessId()));
    HANDLE mapa = OpenFileMappingA(FILE_MAP_WRITE, FALSE, nombre);
    if (mapa) {
        if (void* vista = MapViewOfFile(mapa, FILE_MAP_WRITE, 0, 0, 0)) {
            const std::string texto = volcar();
            MEMORY_BASIC_INFORMATION mbi{};
            VirtualQuery(vista, &mbi, sizeof mbi);
            const size_t n = texto.size() < mbi.RegionSize - 1 ? texto.size() : mbi.RegionSize - 1;
            std::memcpy(vista, texto.data(), n);
            static_cast<char*>(vista)[n] = '\0';
            UnmapViewOfFile(vista);
        }
        CloseHandle(mapa);
    }
    // Unloaded again at once: nothing of the probe stays in the process.
    return FALSE;
}
