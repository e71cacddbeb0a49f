// The entry point: the window class, the main window and the message loop of
// the interface thread, which also asks for the confirmation of every zoom
// square marked on the picture.
#include <windows.h>

#include "imagen_ventana.h"
#include "programa.h"
#include "ventana_principal.h"

namespace brenquil {
namespace {

constexpr char TEXTO_ZOOM[] = "Se procedera a Iterar sobre el cuadrado que se indica";
constexpr char TITULO_ZOOM[] = "Zoom";

bool registrarClase(HINSTANCE instanciaPrograma) {
    WNDCLASSA clase{};
    clase.style = 0;  // no redraw on resize, no double clicks
    clase.lpfnWndProc = procedimientoVentana;
    clase.cbClsExtra = 0;
    clase.cbWndExtra = 0;
    clase.hInstance = instanciaPrograma;
    clase.hIcon = LoadIconA(instanciaPrograma, "MYICON");
    // No class cursor: the window procedure shows cursorActual itself.
    clase.hCursor = nullptr;
    clase.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    clase.lpszMenuName = "MYMENU";
    clase.lpszClassName = NOMBRE_CLASE;
    return RegisterClassA(&clase) != 0;
}

HWND crearVentana(HINSTANCE instanciaPrograma) {
    return CreateWindowExA(0, NOMBRE_CLASE, TITULO_VENTANA, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                           CW_USEDEFAULT, CW_USEDEFAULT, ANCHO_VENTANA, ALTO_VENTANA, nullptr, nullptr,
                           instanciaPrograma, nullptr);
}

// Asks once about the square marked last. OK zooms into it and renders;
// Cancel puts back the picture saved before the outline was drawn.
void confirmarZoom(HWND ventana) {
    Programa& p = programa();
    p.estado.zoomPendiente = false;
    const int respuesta = MessageBoxA(ventana, TEXTO_ZOOM, TITULO_ZOOM, MB_OKCANCEL);
    const CuadradoPixeles c = p.estado.cuadradoSeleccion;
    if (respuesta == IDOK) {
        p.estado.enfoqueActual.aplicarCuadrado(c.izquierda, c.arriba, c.derecha, c.abajo);
        ejecutarCalculo(ventana);
    } else if (respuesta == IDCANCEL) {
        p.superficies.copiarImagen(ventana, p.superficies.imagen, p.superficies.respaldo);
        const RECT area{c.izquierda, c.arriba, c.derecha + 1, c.abajo + 1};
        InvalidateRect(ventana, &area, FALSE);
    }
}

int bucleMensajes(HWND ventana, HACCEL aceleradores) {
    const EstadoVisor& estado = programa().estado;
    MSG mensaje{};
    BOOL r;
    // GetMessage gives -1 on an error, which ends the loop as the quit message does.
    while ((r = GetMessageA(&mensaje, nullptr, 0, 0)) > 0) {
        if (!TranslateAcceleratorA(ventana, aceleradores, &mensaje)) {
            TranslateMessage(&mensaje);
            DispatchMessageA(&mensaje);
        }
        // Keeps the dragging cursor while the left button is held, whatever
        // the message was.
        if (estado.seleccionando) SetCursor(programa().cursorActual.load());
        if (estado.zoomPendiente) confirmarZoom(ventana);
    }
    return r == 0 ? static_cast<int>(mensaje.wParam) : 0;
}

}  // namespace
}  // namespace brenquil

int WINAPI WinMain(HINSTANCE instanciaPrograma, HINSTANCE, LPSTR, int mostrar) {
    using namespace brenquil;
    // Everything the window and its renders use, until the end of WinMain.
    Programa estadoPrograma(instanciaPrograma);
    if (!registrarClase(instanciaPrograma)) return 0;
    HWND ventana = crearVentana(instanciaPrograma);
    if (!ventana) return 0;
    HACCEL aceleradores = LoadAcceleratorsA(instanciaPrograma, "MYMENU");
    ShowWindow(ventana, mostrar);
    // The first paint starts the first render.
    UpdateWindow(ventana);
    const int codigo = bucleMensajes(ventana, aceleradores);
    // The loop also ends on a quit message that another program posted while
    // the window lives, perhaps during a render: the window is destroyed now,
    // which stops the render and joins it before its surfaces go, and before
    // anything of estadoPrograma is destroyed.
    if (IsWindow(ventana)) DestroyWindow(ventana);
    return codigo;
}
