#include "imagen_ventana.h"

#include "numeros.h"
#include "programa.h"

namespace brenquil {
namespace {

void marcarCuadrado(HWND ventana, int16_t izquierda, int16_t arriba, int16_t lado) {
    const int x = izquierda;
    const int y = arriba;
    const int l = lado;
    {
        Superficies& s = programa().superficies;
        BloqueoSuperficies bloqueo(s);
        HDC dc = s.imagen.dc();
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

}  // namespace

void ejecutarCalculo(HWND ventana) {
    Programa& p = programa();
    p.ventanaGdi.asociar(ventana);
    p.control.ejecutarCalculo(p.ventanaGdi, p.estado.incrementoIteraciones);
}

void alternarCalculo(HWND ventana) {
    Programa& p = programa();
    p.ventanaGdi.asociar(ventana);
    p.control.alternarCalculo(p.ventanaGdi, p.estado.incrementoIteraciones);
}

void guardarRespaldo(HWND ventana) {
    Superficies& s = programa().superficies;
    s.copiarImagen(ventana, s.respaldo, s.imagen);
}

void leerCuadradoSeleccion() {
    EstadoVisor& estado = programa().estado;
    const ParametrosEnfoque& e = estado.enfoqueActual;
    CuadradoPixeles& c = estado.cuadradoSeleccion;
    c.izquierda = e.getSelX();
    c.arriba = e.getSelY();
    c.derecha = envolver16(int32_t{e.getSelX()} + e.getSelLado());
    c.abajo = envolver16(int32_t{e.getSelY()} + e.getSelLado());
}

void marcarSeleccion(HWND ventana) {
    EstadoVisor& estado = programa().estado;
    leerCuadradoSeleccion();
    const CuadradoPixeles& c = estado.cuadradoSeleccion;
    marcarCuadrado(ventana, c.izquierda, c.arriba, estado.enfoqueActual.getSelLado());
    estado.zoomPendiente = true;
}

}  // namespace brenquil
