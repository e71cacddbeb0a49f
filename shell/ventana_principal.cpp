#include "ventana_principal.h"

#include "comandos.h"
#include "imagen_ventana.h"
#include "programa.h"

namespace brenquil {

namespace {

// Mouse positions arrive as two signed 16-bit client coordinates.
int16_t xDe(LPARAM lParam) { return static_cast<int16_t>(LOWORD(lParam)); }
int16_t yDe(LPARAM lParam) { return static_cast<int16_t>(HIWORD(lParam)); }

void alCrear(HWND ventana) {
    Programa& p = programa();
    Superficies& s = p.superficies;
    s.anchoPantalla = GetSystemMetrics(SM_CXSCREEN);
    s.altoPantalla = GetSystemMetrics(SM_CYSCREEN);
    p.ventanaGdi.asociar(ventana);
    HDC dc = GetDC(ventana);
    {
        BloqueoSuperficies bloqueo(s);
        s.imagen.crearDirecta(dc, s.anchoPantalla, s.altoPantalla);
        PatBlt(s.imagen.dc(), 0, 0, s.anchoPantalla, s.altoPantalla, BLACKNESS);
    }
    ReleaseDC(ventana, dc);
}

void alPintar(HWND ventana) {
    Programa& p = programa();
    SetCursor(p.cursorActual.load());
    // Only the first paint starts a render: the flag is set once, at start.
    if (p.estado.iterarAlPintar) {
        p.estado.iterarAlPintar = false;
        ejecutarCalculo(ventana);
    }
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(ventana, &ps);
    {
        Superficies& s = p.superficies;
        BloqueoSuperficies bloqueo(s);
        BitBlt(dc, 0, 0, s.anchoPantalla, s.altoPantalla, s.imagen.dc(), 0, 0, SRCCOPY);
    }
    EndPaint(ventana, &ps);
}

void alDestruir() {
    Programa& p = programa();
    // The render thread draws into superficieImagen and onto the window: it
    // must be gone before either goes. It finishes at most one ring.
    p.control.detenerYEsperar();
    {
        Superficies& s = p.superficies;
        BloqueoSuperficies bloqueo(s);
        s.imagen.liberar();
        s.memoria.liberar();
        s.respaldo.liberar();
    }
    PostQuitMessage(0);
}

void alMoverRaton() { SetCursor(programa().cursorActual.load()); }

void alPulsarIzquierdo(LPARAM lParam) {
    Programa& p = programa();
    // Shown by the message loop right after this message.
    p.cursorActual.store(LoadCursorA(p.instancia, "MYCURSORB"));
    p.estado.seleccionando = true;
    p.estado.cuadradoSeleccion.izquierda = xDe(lParam);
    p.estado.cuadradoSeleccion.arriba = yDe(lParam);
}

void alSoltarIzquierdo(HWND ventana, LPARAM lParam) {
    Programa& p = programa();
    EstadoVisor& estado = p.estado;
    estado.seleccionando = false;
    p.cursorActual.store(LoadCursorA(p.instancia, "MYCURSORA"));
    SetCursor(p.cursorActual.load());
    guardarRespaldo(ventana);

    CuadradoPixeles& c = estado.cuadradoSeleccion;
    c.derecha = xDe(lParam);
    c.abajo = yDe(lParam);
    // A click without movement marks nothing; a drag along one axis still
    // goes on, with side 0.
    if (c.izquierda == c.derecha && c.arriba == c.abajo) return;

    estado.enfoqueActual.normalizarCuadrado(c.izquierda, c.arriba, c.derecha, c.abajo);
    marcarSeleccion(ventana);
}

}  // namespace

LRESULT CALLBACK procedimientoVentana(HWND ventana, UINT mensaje, WPARAM wParam, LPARAM lParam) {
    switch (mensaje) {
    case WM_CREATE: alCrear(ventana); return 0;
    case WM_PAINT: alPintar(ventana); return 0;
    case WM_DESTROY: alDestruir(); return 0;
    case WM_MOUSEMOVE: alMoverRaton(); return 0;
    case WM_LBUTTONDOWN: alPulsarIzquierdo(lParam); return 0;
    case WM_LBUTTONUP: alSoltarIzquierdo(ventana, lParam); return 0;
    case WM_RBUTTONDOWN: alternarCalculo(ventana); return 0;
    // The high word (menu or accelerator) and lParam do not matter.
    case WM_COMMAND: despacharComando(ventana, LOWORD(wParam)); return 0;
    default: return DefWindowProcA(ventana, mensaje, wParam, lParam);
    }
}

}  // namespace brenquil
