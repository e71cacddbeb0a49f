#include "ventana_principal.h"

#include "comandos.h"
#include "estado_programa.h"
#include "numeros.h"

namespace brenquil {

namespace {

// Mouse positions arrive as two signed 16-bit client coordinates.
int16_t xDe(LPARAM lParam) { return static_cast<int16_t>(LOWORD(lParam)); }
int16_t yDe(LPARAM lParam) { return static_cast<int16_t>(HIWORD(lParam)); }

void alCrear(HWND ventana) {
    superficies.anchoPantalla = GetSystemMetrics(SM_CXSCREEN);
    superficies.altoPantalla = GetSystemMetrics(SM_CYSCREEN);
    ventanaGdi.asociar(ventana);
    HDC dc = GetDC(ventana);
    {
        BloqueoSuperficies bloqueo(superficies);
        superficies.imagen.crearDirecta(dc, superficies.anchoPantalla, superficies.altoPantalla);
        PatBlt(superficies.imagen.dc(), 0, 0, superficies.anchoPantalla, superficies.altoPantalla, BLACKNESS);
    }
    ReleaseDC(ventana, dc);
}

void alPintar(HWND ventana) {
    SetCursor(cursorActual.load());
    // Only the first paint starts a render: the flag is set once, at start.
    if (estadoVisor.iterarAlPintar) {
        estadoVisor.iterarAlPintar = false;
        ejecutarCalculo(ventana);
    }
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(ventana, &ps);
    {
        BloqueoSuperficies bloqueo(superficies);
        BitBlt(dc, 0, 0, superficies.anchoPantalla, superficies.altoPantalla, superficies.imagen.dc(), 0, 0,
               SRCCOPY);
    }
    EndPaint(ventana, &ps);
}

void alDestruir() {
    // The render thread draws into superficieImagen and onto the window: it
    // must be gone before either goes. It finishes at most one ring.
    controlCalculo.detenerYEsperar();
    {
        BloqueoSuperficies bloqueo(superficies);
        superficies.imagen.liberar();
        superficies.memoria.liberar();
        superficies.respaldo.liberar();
    }
    PostQuitMessage(0);
}

void alMoverRaton() { SetCursor(cursorActual.load()); }

void alPulsarIzquierdo(LPARAM lParam) {
    // Shown by the message loop right after this message.
    cursorActual.store(LoadCursorA(instancia, "MYCURSORB"));
    estadoVisor.seleccionando = true;
    estadoVisor.cuadradoSeleccion.izquierda = xDe(lParam);
    estadoVisor.cuadradoSeleccion.arriba = yDe(lParam);
}

void alSoltarIzquierdo(HWND ventana, LPARAM lParam) {
    estadoVisor.seleccionando = false;
    cursorActual.store(LoadCursorA(instancia, "MYCURSORA"));
    SetCursor(cursorActual.load());
    guardarRespaldo(ventana);

    CuadradoPixeles& c = estadoVisor.cuadradoSeleccion;
    c.derecha = xDe(lParam);
    c.abajo = yDe(lParam);
    // A click without movement marks nothing; a drag along one axis still
    // goes on, with side 0.
    if (c.izquierda == c.derecha && c.arriba == c.abajo) return;

    estadoVisor.enfoqueActual.normalizarCuadrado(c.izquierda, c.arriba, c.derecha, c.abajo);
    leerCuadradoSeleccion();
    marcarCuadrado(ventana, c.izquierda, c.arriba, estadoVisor.enfoqueActual.getSelLado());
    estadoVisor.zoomPendiente = true;
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

void ejecutarCalculo(HWND ventana) {
    ventanaGdi.asociar(ventana);
    controlCalculo.ejecutarCalculo(ventanaGdi);
}

void alternarCalculo(HWND ventana) {
    ventanaGdi.asociar(ventana);
    controlCalculo.alternarCalculo(ventanaGdi);
}

void guardarRespaldo(HWND ventana) {
    if (!superficies.respaldo.existe()) {
        HDC dc = GetDC(ventana);
        superficies.respaldo.crear(dc, superficies.anchoPantalla, superficies.altoPantalla);
        ReleaseDC(ventana, dc);
    }
    // From the picture surface, which holds what the window was painted from:
    // never from the screen, where a box or another program's window may lie
    // over the picture at this moment.
    BloqueoSuperficies bloqueo(superficies);
    BitBlt(superficies.respaldo.dc(), 0, 0, LADO_IMAGEN, LADO_IMAGEN, superficies.imagen.dc(), 0, 0, SRCCOPY);
}

void marcarCuadrado(HWND ventana, int16_t izquierda, int16_t arriba, int16_t lado) {
    const int x = izquierda;
    const int y = arriba;
    const int l = lado;
    {
        BloqueoSuperficies bloqueo(superficies);
        HDC dc = superficies.imagen.dc();
        for (int16_t i = 0; i < lado; ++i) {
            SetPixel(dc, x + i, y, COLOR_CONTORNO);          // top edge, from the upper-left corner
            SetPixel(dc, x + i + 1, y + l, COLOR_CONTORNO);  // bottom edge, to the lower-right corner
            SetPixel(dc, x, y + i + 1, COLOR_CONTORNO);      // left edge, to the lower-left corner
            SetPixel(dc, x + l, y + i, COLOR_CONTORNO);      // right edge, from the upper-right corner
        }
    }
    const RECT area{x, y, x + l + 1, y + l + 1};
    InvalidateRect(ventana, &area, FALSE);
}

void leerCuadradoSeleccion() {
    const ParametrosEnfoque& e = estadoVisor.enfoqueActual;
    CuadradoPixeles& c = estadoVisor.cuadradoSeleccion;
    c.izquierda = e.getSelX();
    c.arriba = e.getSelY();
    c.derecha = envolver16(int32_t{e.getSelX()} + e.getSelLado());
    c.abajo = envolver16(int32_t{e.getSelY()} + e.getSelLado());
}

}  // namespace brenquil
