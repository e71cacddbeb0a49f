#include "dialogos_prueba.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "recursos.h"

namespace brenquil::prueba {

namespace {

// A colour no picture of the tests holds: the default palette has no such
// value and the outline is 4000.
constexpr Color COLOR_MARCA = 0x00123456;
constexpr Color COLOR_SINCRONIA = 0x00654321;
constexpr int LADO_MARCA = 8;

// The marks, and the area the witness repaints for itself.
constexpr POINT MARCAS[] = {{0, 0}, {196, 196}, {392, 0}};
constexpr POINT SINCRONIA{392, 392};

void pintar(HWND ventana, POINT p, Color color) {
    HDC dc = GetDC(ventana);
    HBRUSH pincel = CreateSolidBrush(color);
    const RECT r{p.x, p.y, p.x + LADO_MARCA, p.y + LADO_MARCA};
    FillRect(dc, &r, pincel);
    DeleteObject(pincel);
    ReleaseDC(ventana, dc);
}

bool todoDeColor(const Programa& programa, POINT p, Color color) {
    const std::optional<Imagen> c = programa.capturar(p.x, p.y, LADO_MARCA, LADO_MARCA);
    return c && std::all_of(c->pixeles.begin(), c->pixeles.end(), [&](Color x) { return x == color; });
}

bool ningunoDeColor(const Programa& programa, POINT p, Color color) {
    const std::optional<Imagen> c = programa.capturar(p.x, p.y, LADO_MARCA, LADO_MARCA);
    return c && std::none_of(c->pixeles.begin(), c->pixeles.end(), [&](Color x) { return x == color; });
}

struct Busqueda {
    const char* clase;
    HWND hallada;
};

BOOL CALLBACK buscarDescendiente(HWND v, LPARAM l) {
    auto* b = reinterpret_cast<Busqueda*>(l);
    char clase[64] = {};
    GetClassNameA(v, clase, sizeof clase);
    if (_stricmp(clase, b->clase) != 0) return TRUE;
    b->hallada = v;
    return FALSE;
}

}  // namespace

std::optional<std::string> textoControl(HWND cuadro, int id) {
    const HWND control = GetDlgItem(cuadro, id);
    if (!control) return std::nullopt;
    return textoVentana(control);
}

bool ponerTexto(HWND control, const std::string& texto) {
    DWORD_PTR r = 0;
    return SendMessageTimeoutA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(texto.c_str()), SMTO_ABORTIFHUNG,
                               5000, &r) != 0 &&
           r == TRUE;
}

bool ponerTexto(HWND control, const std::wstring& texto) {
    DWORD_PTR r = 0;
    return SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(texto.c_str()), SMTO_ABORTIFHUNG,
                               5000, &r) != 0 &&
           r == TRUE;
}

std::wstring textoAncho(HWND ventana) {
    wchar_t texto[4096] = {};
    DWORD_PTR n = 0;
    if (!SendMessageTimeoutW(ventana, WM_GETTEXT, std::size(texto), reinterpret_cast<LPARAM>(texto), SMTO_ABORTIFHUNG,
                             5000, &n))
        return {};
    return std::wstring(texto, std::min<size_t>(n, std::size(texto)));
}

bool ponerTextoControl(HWND cuadro, int id, const std::string& texto) {
    const HWND control = GetDlgItem(cuadro, id);
    return control && ponerTexto(control, texto);
}

std::string escribirVista(const Programa& programa, const std::string& iteraciones, const std::string& x,
                          const std::string& y, const std::string& lado) {
    programa.comando(CM_PARAMETROS);
    const HWND cuadro = programa.esperarCuadro("Parametros de Enfoque");
    if (!cuadro) return "the parameters dialog did not open";
    if (!ponerTextoControl(cuadro, ID_ITERACIONES, iteraciones) || !ponerTextoControl(cuadro, ID_XSUPIZQ, x) ||
        !ponerTextoControl(cuadro, ID_YSUPIZQ, y) || !ponerTextoControl(cuadro, ID_LADO, lado)) {
        return "could not type into the parameters dialog";
    }
    if (!pulsarYEsperarCierre(cuadro, IDOK)) return "the parameters dialog did not close on OK";
    return {};
}

bool sincronizar(const Programa& programa, Milisegundos plazo) {
    DWORD_PTR r = 0;
    return SendMessageTimeoutA(programa.ventana(), WM_NULL, 0, 0, SMTO_NORMAL, static_cast<UINT>(plazo.count()),
                               &r) != 0;
}

std::vector<HWND> cuadrosVisibles(const Programa& programa) {
    struct Datos {
        DWORD pid;
        std::vector<HWND> cuadros;
    } datos{programa.pid(), {}};
    EnumWindows(
        [](HWND v, LPARAM l) -> BOOL {
            auto* d = reinterpret_cast<Datos*>(l);
            DWORD pid = 0;
            GetWindowThreadProcessId(v, &pid);
            char clase[64] = {};
            GetClassNameA(v, clase, sizeof clase);
            if (pid == d->pid && std::strcmp(clase, "#32770") == 0 && IsWindowVisible(v)) d->cuadros.push_back(v);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&datos));
    return datos.cuadros;
}

HWND cajaNombreArchivo(HWND dialogo) {
    // edt1 and cmb13 of <dlgs.h>.
    if (HWND caja = GetDlgItem(dialogo, edt1)) return caja;
    const HWND combo = GetDlgItem(dialogo, cmb13);
    if (!combo) return nullptr;
    Busqueda b{"Edit", nullptr};
    EnumChildWindows(combo, buscarDescendiente, reinterpret_cast<LPARAM>(&b));
    return b.hallada;
}

TestigoPintura::TestigoPintura(const Programa& programa) : programa_(programa) {
    // A repaint already under way (a box moved off the window has its owner
    // repaint) could otherwise reach the screen after the marks: one round of
    // the witness's own paint first, which comes after any earlier one.
    std::string motivo;
    pintadoAlDia(motivo);
    for (POINT p : MARCAS) pintar(programa_.ventana(), p, COLOR_MARCA);
}

bool TestigoPintura::pintadoAlDia(std::string& motivo) const {
    if (!sincronizar(programa_)) {
        motivo = "the program took no message within the deadline";
        return false;
    }
    const HWND v = programa_.ventana();
    pintar(v, SINCRONIA, COLOR_SINCRONIA);
    if (!esperarHasta([&] { return todoDeColor(programa_, SINCRONIA, COLOR_SINCRONIA); }, Milisegundos{5000})) {
        motivo = "the witness's own mark did not show";
        return false;
    }
    const RECT area{SINCRONIA.x, SINCRONIA.y, SINCRONIA.x + LADO_MARCA, SINCRONIA.y + LADO_MARCA};
    InvalidateRect(v, &area, FALSE);
    // The program's paint covers the union of everything invalidated so far.
    if (!esperarHasta([&] { return ningunoDeColor(programa_, SINCRONIA, COLOR_SINCRONIA); })) {
        motivo = "the program did not paint the area the witness invalidated";
        return false;
    }
    return true;
}

bool TestigoPintura::marcasVisibles() const {
    return std::all_of(std::begin(MARCAS), std::end(MARCAS),
                       [&](POINT p) { return todoDeColor(programa_, p, COLOR_MARCA); });
}

bool TestigoPintura::dibujado() const {
    return esperarHasta([&] { return marcasVisibles(); }, Milisegundos{5000});
}

bool TestigoPintura::intacto(std::string& motivo) const {
    if (!pintadoAlDia(motivo)) return false;
    if (!marcasVisibles()) {
        motivo = "the marks were painted over: the program repainted its window";
        return false;
    }
    return true;
}

}  // namespace brenquil::prueba
