#include "conductor.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <thread>

#include "numeros.h"
#include "referencia.h"
#include "texto_numero.h"

namespace brenquil::prueba {

bool esperarHasta(const std::function<bool()>& condicion, Milisegundos plazo, Milisegundos paso) {
    const auto fin = std::chrono::steady_clock::now() + plazo;
    for (;;) {
        if (condicion()) return true;
        if (std::chrono::steady_clock::now() >= fin) return false;
        std::this_thread::sleep_for(paso);
    }
}

// ---------------------------------------------------------------------------
// Pictures

Imagen Imagen::recorte(int x, int y, int a, int h) const {
    Imagen r(a, h);
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < a; ++i) r.poner(i, j, pixel(x + i, y + j));
    return r;
}

std::string diferencias(const Imagen& obtenida, const Imagen& esperada, int maximo) {
    if (obtenida.ancho != esperada.ancho || obtenida.alto != esperada.alto) {
        return "size " + std::to_string(obtenida.ancho) + "x" + std::to_string(obtenida.alto) + " instead of " +
               std::to_string(esperada.ancho) + "x" + std::to_string(esperada.alto);
    }
    std::string texto;
    int n = 0;
    for (int y = 0; y < obtenida.alto; ++y)
        for (int x = 0; x < obtenida.ancho; ++x)
            if (obtenida.pixel(x, y) != esperada.pixel(x, y)) {
                if (n < maximo) {
                    char linea[96];
                    std::snprintf(linea, sizeof linea, "(%d, %d): 0x%06X instead of 0x%06X\n", x, y,
                                  obtenida.pixel(x, y), esperada.pixel(x, y));
                    texto += linea;
                }
                ++n;
            }
    if (n > maximo) texto += "... " + std::to_string(n) + " pixels differ\n";
    return texto;
}

bool guardarBmp(const Imagen& imagen, const std::string& ruta) {
    const int filaBytes = (imagen.ancho * 3 + 3) & ~3;
    BITMAPFILEHEADER archivo{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = imagen.ancho;
    info.biHeight = -imagen.alto;  // top-down rows
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = static_cast<DWORD>(filaBytes * imagen.alto);
    archivo.bfType = 0x4D42;
    archivo.bfOffBits = sizeof archivo + sizeof info;
    archivo.bfSize = archivo.bfOffBits + info.biSizeImage;
    FILE* f = std::fopen(ruta.c_str(), "wb");
    if (!f) return false;
    std::fwrite(&archivo, sizeof archivo, 1, f);
    std::fwrite(&info, sizeof info, 1, f);
    std::vector<uint8_t> fila(static_cast<size_t>(filaBytes), 0);
    for (int y = 0; y < imagen.alto; ++y) {
        for (int x = 0; x < imagen.ancho; ++x) {
            const Color c = imagen.pixel(x, y);
            fila[x * 3 + 0] = azulDe(c);
            fila[x * 3 + 1] = verdeDe(c);
            fila[x * 3 + 2] = rojoDe(c);
        }
        std::fwrite(fila.data(), 1, fila.size(), f);
    }
    return std::fclose(f) == 0;
}

ParametrosEnfoque vistaInicial() { return ParametrosEnfoque::porDefecto(); }

ParametrosEnfoque vistaTrasCuadrado(int16_t izquierda, int16_t arriba, int16_t derecha, int16_t abajo) {
    ParametrosEnfoque vista = vistaInicial();
    vista.aplicarCuadrado(izquierda, arriba, derecha, abajo);
    return vista;
}

Imagen imagenDeVista(const ParametrosEnfoque& vista, int16_t iteraciones) {
    return imagenDeVista(vista, iteraciones, Coloreado{}, Imagen(LADO_IMAGEN, LADO_IMAGEN));
}

Imagen imagenDeVista(const ParametrosEnfoque& vista, int16_t iteraciones, const Coloreado& coloreado,
                     const Imagen& fondo) {
    const VistaReferencia v{coloreado.plano, coloreado.modoColor, coloreado.dwell, iteraciones,
                            {vista.getXSupIzq(), vista.getYSupIzq(), vista.getLado()}};
    Imagen imagen = fondo;
    imagen.pixeles = imagenReferencia(v, fondo.ancho, fondo.alto, fondo.pixeles);
    return imagen;
}

Imagen conContorno(Imagen base, int izquierda, int arriba, int lado) {
    constexpr Color contorno = 4000;
    if (lado <= 0) return base;
    for (int i = 0; i <= lado; ++i) {
        base.poner(izquierda + i, arriba, contorno);
        base.poner(izquierda + i, arriba + lado, contorno);
        base.poner(izquierda, arriba + i, contorno);
        base.poner(izquierda + lado, arriba + i, contorno);
    }
    return base;
}

int anilloDe(int x, int y) {
    const int dx = x <= 199 ? 199 - x : x - 200;
    const int dy = y <= 199 ? 199 - y : y - 200;
    return std::max(dx, dy);
}

std::optional<int> anillosSobre(const Imagen& captura, const Imagen& vieja,
                                const std::function<std::optional<Color>(int x, int y)>& nueva) {
    if (captura.ancho != LADO_IMAGEN || captura.alto != LADO_IMAGEN) return std::nullopt;
    // The rings drawn reach as far as the outermost pixel that the old picture
    // does not explain.
    int r = 0;
    for (int y = 0; y < LADO_IMAGEN; ++y)
        for (int x = 0; x < LADO_IMAGEN; ++x)
            if (captura.pixel(x, y) != vieja.pixel(x, y)) r = std::max(r, anilloDe(x, y) + 1);
    for (int y = 0; y < LADO_IMAGEN; ++y)
        for (int x = 0; x < LADO_IMAGEN; ++x) {
            if (anilloDe(x, y) >= r) continue;
            const std::optional<Color> c = nueva(x, y);
            if (captura.pixel(x, y) != c.value_or(vieja.pixel(x, y))) return std::nullopt;
        }
    return r;
}

std::optional<Color> pixelVistaLenta(int x, int y) {
    const VistaReferencia v{PLANO_CARDIOIDE, COLOR_ITERACION, DWELL_SI, 32766,
                            {textoAReal(VISTA_LENTA_X), textoAReal(VISTA_LENTA_Y), textoAReal(VISTA_LENTA_LADO)}};
    return pixelReferencia(v, static_cast<int16_t>(x), static_cast<int16_t>(y));
}

std::optional<Imagen> dibujarImagen(int ancho, int alto, const std::function<bool(HDC)>& dibujar) {
    HDC memoria = CreateCompatibleDC(nullptr);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = ancho;
    bi.bmiHeader.biHeight = -alto;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memoria, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::optional<Imagen> imagen;
    if (bitmap) {
        HGDIOBJ anterior = SelectObject(memoria, bitmap);
        if (dibujar(memoria)) {
            GdiFlush();
            imagen.emplace(ancho, alto);
            const auto* p = static_cast<const uint32_t*>(bits);
            // DIB pixels are 0x00RRGGBB; the program's colours 0x00BBGGRR.
            for (size_t i = 0; i < imagen->pixeles.size(); ++i)
                imagen->pixeles[i] = colorRGB((p[i] >> 16) & 0xFF, (p[i] >> 8) & 0xFF, p[i] & 0xFF);
        }
        SelectObject(memoria, anterior);
        DeleteObject(bitmap);
    }
    DeleteDC(memoria);
    return imagen;
}

std::optional<Imagen> capturarVentana(HWND ventana, int x, int y, int ancho, int alto) {
    // Read through the top-level window: Wine gives another process no
    // drawing context of a child window.
    const HWND raiz = GetAncestor(ventana, GA_ROOT);
    if (!raiz) return std::nullopt;
    POINT origen{x, y};
    MapWindowPoints(ventana, raiz, &origen, 1);
    HDC dc = GetDC(raiz);
    if (!dc) return std::nullopt;
    std::optional<Imagen> imagen = dibujarImagen(ancho, alto, [&](HDC memoria) {
        return BitBlt(memoria, 0, 0, ancho, alto, dc, origen.x, origen.y, SRCCOPY) != 0;
    });
    ReleaseDC(raiz, dc);
    return imagen;
}

std::optional<Imagen> capturarVentana(HWND ventana) {
    RECT r{};
    if (!GetClientRect(ventana, &r) || r.right <= 0 || r.bottom <= 0) return std::nullopt;
    return capturarVentana(ventana, 0, 0, r.right, r.bottom);
}

// ---------------------------------------------------------------------------
// Boxes

std::string textoVentana(HWND ventana) {
    char texto[4096] = {};
    DWORD_PTR n = 0;
    // WM_GETTEXT is marshalled across processes; the deadline keeps a hung
    // program from hanging the test.
    if (!SendMessageTimeoutA(ventana, WM_GETTEXT, sizeof texto, reinterpret_cast<LPARAM>(texto), SMTO_ABORTIFHUNG,
                             5000, &n))
        return {};
    return std::string(texto, std::min<size_t>(n, sizeof texto));
}

std::vector<std::string> partir(const std::string& texto, char separador) {
    std::vector<std::string> partes;
    std::stringstream s(texto);
    std::string parte;
    while (std::getline(s, parte, separador)) partes.push_back(parte);
    return partes;
}

namespace {

std::string claseDe(HWND v) {
    char clase[64] = {};
    GetClassNameA(v, clase, sizeof clase);
    return clase;
}

}  // namespace

std::optional<Cuadro> leerCuadro(HWND ventana) {
    if (!IsWindow(ventana)) return std::nullopt;
    Cuadro c;
    c.ventana = ventana;
    c.titulo = textoVentana(ventana);
    c.propietario = GetWindow(ventana, GW_OWNER);
    for (HWND h = GetWindow(ventana, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
        if (!IsWindowVisible(h)) continue;
        const std::string clase = claseDe(h);
        if (_stricmp(clase.c_str(), "Static") == 0) {
            const std::string t = textoVentana(h);
            if (t.empty()) continue;
            if (!c.texto.empty()) c.texto += "\n";
            c.texto += t;
        } else if (_stricmp(clase.c_str(), "Button") == 0) {
            c.botones.push_back(GetDlgCtrlID(h));
        }
    }
    return c;
}

void apartarCuadro(HWND cuadro) {
    RECT r{};
    GetWindowRect(cuadro, &r);
    const int x = GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left);
    const int y = GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top);
    SetWindowPos(cuadro, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    // What the screen shows where the box was is the display server's to
    // restore, and under Wine it sometimes is not (the box's pixels stayed
    // there for good in about one run in fifteen): the owner is asked to
    // repaint, so that what is seen there is what the program draws.
    if (const HWND propietario = GetWindow(cuadro, GW_OWNER)) InvalidateRect(propietario, nullptr, FALSE);
}

void pulsarBoton(HWND cuadro, int id) {
    PostMessageA(cuadro, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(cuadro, id)));
}

bool pulsarYEsperarCierre(HWND cuadro, int id, Milisegundos plazo) {
    pulsarBoton(cuadro, id);
    return esperarHasta([&] { return !IsWindow(cuadro); }, plazo);
}

std::string carpetaPropia() {
    char ruta[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, ruta, MAX_PATH);
    std::string carpeta(ruta, n);
    carpeta.erase(carpeta.find_last_of("\\/") + 1);
    return carpeta;
}

std::vector<DWORD> procesosLlamados(const char* nombre) {
    std::vector<DWORD> pids;
    HANDLE foto = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (foto == INVALID_HANDLE_VALUE) return pids;
    PROCESSENTRY32 p{};
    p.dwSize = sizeof p;
    if (Process32First(foto, &p)) {
        do {
            if (_stricmp(p.szExeFile, nombre) == 0) pids.push_back(p.th32ProcessID);
        } while (Process32Next(foto, &p));
    }
    CloseHandle(foto);
    return pids;
}

// ---------------------------------------------------------------------------
// The program under test

namespace {

struct BusquedaVentana {
    DWORD pid;
    const char* clase;
    const char* titulo;
    HWND encontrada;
};

BOOL CALLBACK buscar(HWND v, LPARAM l) {
    auto* b = reinterpret_cast<BusquedaVentana*>(l);
    DWORD pid = 0;
    GetWindowThreadProcessId(v, &pid);
    if ((b->pid != 0 && pid != b->pid) || claseDe(v) != b->clase) return TRUE;
    if (b->titulo) {
        char titulo[256] = {};
        GetWindowTextA(v, titulo, sizeof titulo);
        if (std::strcmp(titulo, b->titulo) != 0) return TRUE;
    }
    b->encontrada = v;
    return FALSE;
}

HWND buscarVentana(DWORD pid, const char* clase, const char* titulo) {
    BusquedaVentana b{pid, clase, titulo, nullptr};
    EnumWindows(buscar, reinterpret_cast<LPARAM>(&b));
    return b.encontrada;
}

}  // namespace

Programa::~Programa() {
    if (info_.hProcess) {
        if (!adjuntado_ && enMarcha()) {
            TerminateProcess(info_.hProcess, 99);
            WaitForSingleObject(info_.hProcess, 10000);
        }
        if (info_.hThread) CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
    }
}

bool Programa::iniciar(const std::string& rutaExe, std::string& error) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    std::string linea = "\"" + rutaExe + "\"";
    // Under Wine, on a loaded machine, starting a process right after another
    // one ended can fail at once with ERROR_INTERNAL_ERROR (1359) before the
    // program runs a line of its own; that error is tried again, twice, after
    // a pause. Any other failure, and a third 1359, fails the test.
    for (int intento = 1;; ++intento) {
        if (CreateProcessA(rutaExe.c_str(), linea.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &info_)) {
            break;
        }
        const DWORD codigo = GetLastError();
        info_ = {};
        if (codigo != ERROR_INTERNAL_ERROR || intento == 3) {
            error = "cannot start " + rutaExe + " (error " + std::to_string(codigo) + ", attempt " +
                    std::to_string(intento) + ")";
            return false;
        }
        Sleep(500);
    }
    const bool hallada = esperarHasta([&] {
        ventana_ = buscarVentana(info_.dwProcessId, "MyWin", nullptr);
        return ventana_ != nullptr && IsWindowVisible(ventana_);
    });
    if (!hallada) {
        error = "no visible MyWin window of the started program within the deadline";
        return false;
    }
    return true;
}

bool Programa::adjuntar(std::string& error) {
    const bool hallada = esperarHasta([&] {
        ventana_ = buscarVentana(0, "MyWin", nullptr);
        return ventana_ != nullptr && IsWindowVisible(ventana_);
    });
    if (!hallada) {
        error = "no visible MyWin window within the deadline";
        return false;
    }
    info_.dwThreadId = GetWindowThreadProcessId(ventana_, &info_.dwProcessId);
    info_.hProcess = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, info_.dwProcessId);
    if (!info_.hProcess) {
        error = "cannot open the process of the window";
        return false;
    }
    adjuntado_ = true;
    return true;
}

bool Programa::enMarcha() const {
    return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

namespace {

// The description a thread was given, empty when it has none or it cannot be read.
std::wstring descripcionDeHilo(DWORD id) {
    using Leer = HRESULT(WINAPI*)(HANDLE, PWSTR*);
    static const auto leer = reinterpret_cast<Leer>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetThreadDescription")));
    std::wstring descripcion;
    HANDLE hilo = OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, id);
    if (!leer || !hilo) return descripcion;
    PWSTR texto = nullptr;
    if (SUCCEEDED(leer(hilo, &texto)) && texto) {
        descripcion = texto;
        LocalFree(texto);
    }
    CloseHandle(hilo);
    return descripcion;
}

}  // namespace

std::optional<std::vector<DWORD>> Programa::idsHilosCalculo() const {
    HANDLE foto = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (foto == INVALID_HANDLE_VALUE) return std::nullopt;
    std::vector<DWORD> ids;
    THREADENTRY32 t{};
    t.dwSize = sizeof t;
    for (BOOL hay = Thread32First(foto, &t); hay; hay = Thread32Next(foto, &t)) {
        if (t.th32OwnerProcessID == info_.dwProcessId && descripcionDeHilo(t.th32ThreadID).starts_with(L"brenquil "))
            ids.push_back(t.th32ThreadID);
    }
    CloseHandle(foto);
    return ids;
}

int Programa::hilosCalculo() const {
    const std::optional<std::vector<DWORD>> ids = idsHilosCalculo();
    return ids ? static_cast<int>(ids->size()) : -1;
}

std::optional<Imagen> Programa::capturar(int x, int y, int ancho, int alto) const {
    return capturarVentana(ventana_, x, y, ancho, alto);
}

SIZE Programa::tamanoCliente() const {
    RECT r{};
    GetClientRect(ventana_, &r);
    return SIZE{r.right, r.bottom};
}

POINT Programa::origenCliente() const {
    POINT p{0, 0};
    ClientToScreen(ventana_, &p);
    return p;
}

bool Programa::esperarImagen(const Imagen& esperada, Milisegundos plazo, Imagen* ultima) const {
    Imagen vista;
    const bool ok = esperarHasta(
        [&] {
            if (hilosCalculo() != 0) return false;
            std::optional<Imagen> c = capturarImagen();
            if (!c) return false;
            vista = std::move(*c);
            return vista == esperada;
        },
        plazo, Milisegundos{20});
    if (ultima) *ultima = std::move(vista);
    return ok;
}

bool Programa::esperarFinCalculo(Milisegundos plazo) const {
    return esperarHasta([&] { return hilosCalculo() == 0; }, plazo);
}

void Programa::pulsarIzquierdo(int x, int y) const {
    PostMessageA(ventana_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
}
void Programa::soltarIzquierdo(int x, int y) const { PostMessageA(ventana_, WM_LBUTTONUP, 0, MAKELPARAM(x, y)); }
void Programa::pulsarDerecho(int x, int y) const {
    PostMessageA(ventana_, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(x, y));
}
void Programa::comando(WORD id) const { PostMessageA(ventana_, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

bool Programa::enviarComando(WORD id, Milisegundos plazo) const {
    DWORD_PTR resultado = 0;
    return SendMessageTimeoutA(ventana_, WM_COMMAND, MAKEWPARAM(id, 0), 0, SMTO_NORMAL,
                               static_cast<UINT>(plazo.count()), &resultado) != 0;
}

bool Programa::pinturaPendiente() const { return GetUpdateRect(ventana_, nullptr, FALSE) != 0; }

HWND Programa::buscarCuadro(const char* titulo) const { return buscarVentana(info_.dwProcessId, "#32770", titulo); }

HWND Programa::esperarCuadro(const char* titulo, Milisegundos plazo) const {
    HWND cuadro = nullptr;
    esperarHasta(
        [&] {
            cuadro = buscarCuadro(titulo);
            return cuadro != nullptr && IsWindowVisible(cuadro);
        },
        plazo);
    return cuadro;
}

std::optional<DWORD> Programa::esperarSalida(Milisegundos plazo) {
    if (WaitForSingleObject(info_.hProcess, static_cast<DWORD>(plazo.count())) != WAIT_OBJECT_0) return std::nullopt;
    DWORD codigo = 0;
    GetExitCodeProcess(info_.hProcess, &codigo);
    return codigo;
}

std::optional<DWORD> Programa::cerrar(Milisegundos plazo) {
    PostMessageA(ventana_, WM_CLOSE, 0, 0);
    return esperarSalida(plazo);
}

std::optional<DWORD> Programa::salir(DWORD codigo, Milisegundos plazo) {
    PostThreadMessageA(GetWindowThreadProcessId(ventana_, nullptr), WM_QUIT, codigo, 0);
    return esperarSalida(plazo);
}

std::optional<std::string> Programa::sondear(const std::string& rutaDll, std::string& error) const {
    constexpr DWORD tamano = 64 * 1024;
    const std::string nombre = "BrenquilSonda-" + std::to_string(info_.dwProcessId);
    HANDLE mapa = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, tamano, nombre.c_str());
    if (!mapa) {
        error = "cannot create the file mapping " + nombre;
        return std::nullopt;
    }
    auto* vista = static_cast<char*>(MapViewOfFile(mapa, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    std::optional<std::string> resultado;
    // LoadLibraryA in the other process: kernel32 may lie elsewhere there, so
    // the address is its base in that process plus the offset in this one.
    HANDLE foto = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, info_.dwProcessId);
    BYTE* baseRemota = nullptr;
    MODULEENTRY32 m{};
    m.dwSize = sizeof m;
    if (foto != INVALID_HANDLE_VALUE && Module32First(foto, &m)) {
        do {
            if (_stricmp(m.szModule, "kernel32.dll") == 0) baseRemota = m.modBaseAddr;
        } while (Module32Next(foto, &m));
    }
    if (foto != INVALID_HANDLE_VALUE) CloseHandle(foto);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto* cargar = reinterpret_cast<BYTE*>(GetProcAddress(kernel, "LoadLibraryA"));
    void* memoria = VirtualAllocEx(info_.hProcess, nullptr, rutaDll.size() + 1, MEM_COMMIT | MEM_RESERVE,
                                   PAGE_READWRITE);
    if (!vista || !baseRemota || !cargar || !memoria ||
        !WriteProcessMemory(info_.hProcess, memoria, rutaDll.c_str(), rutaDll.size() + 1, nullptr)) {
        error = "cannot prepare the probe in the process";
    } else {
        vista[0] = '\0';
        auto inicio = reinterpret_cast<LPTHREAD_START_ROUTINE>(baseRemota + (cargar - reinterpret_cast<BYTE*>(kernel)));
        HANDLE hilo = CreateRemoteThread(info_.hProcess, nullptr, 0, inicio, memoria, 0, nullptr);
        if (!hilo) {
            error = "CreateRemoteThread failed (error " + std::to_string(GetLastError()) + ")";
        } else {
            if (WaitForSingleObject(hilo, 20000) != WAIT_OBJECT_0) {
                error = "the probe did not finish within 20 s";
                // LoadLibraryA may still read the path: leave it allocated.
                memoria = nullptr;
            } else if (vista[0] == '\0') {
                error = "the probe wrote nothing (" + rutaDll + " not loaded?)";
            } else {
                resultado = std::string(vista, strnlen(vista, tamano));
            }
            CloseHandle(hilo);
        }
    }
    if (memoria) VirtualFreeEx(info_.hProcess, memoria, 0, MEM_RELEASE);
    if (vista) UnmapViewOfFile(vista);
    CloseHandle(mapa);
    return resultado;
}

}  // namespace brenquil::prueba
