#include "comandos.h"

#include <algorithm>
#include <cstdlib>

#include "dialogos.h"
#include "imagen_ventana.h"
#include "programa.h"
#include "recursos.h"

namespace brenquil {

namespace {

// Each command is one small function of the main window; the table at the end
// names the identifier that runs it.

// The largest factor, either way, whose zoom-out square fits in 16 bits:
// side 400 * 81 = 32400, corner (1 - 81) * 200; at 82 the side wraps.
constexpr int16_t FACTOR_ALEJAR_MAXIMO = 81;

// "&Imagen"

// The picture into superficieMemoria (made on first use) and the whole view
// into enfoqueMemorizado; plane and colouring are not memorised.
void memorizar(HWND ventana) {
    Programa& p = programa();
    p.superficies.copiarImagen(ventana, p.superficies.memoria, p.superficies.imagen);
    p.estado.enfoqueMemorizado = p.estado.enfoqueActual;
}

// The memorised picture (if any was memorised) and view back. A running
// render is neither stopped nor restarted: it goes on drawing its own view
// over the picture.
void volver(HWND ventana) {
    Programa& p = programa();
    p.superficies.copiarImagen(ventana, p.superficies.imagen, p.superficies.memoria);
    // Before the first Memorizar this is the start-up view, limit 30.
    p.estado.enfoqueActual = p.estado.enfoqueMemorizado;
    InvalidateRect(ventana, nullptr, TRUE);
}

// The whole surface white, the part of the client area beyond the picture
// too. PATCOPY paints with the context's own brush, which nothing replaces:
// the stock white brush of every new device context.
void borrar(HWND ventana) {
    {
        Superficies& s = programa().superficies;
        BloqueoSuperficies bloqueo(s);
        PatBlt(s.imagen.dc(), 0, 0, s.anchoPantalla, s.altoPantalla, PATCOPY);
    }
    InvalidateRect(ventana, nullptr, FALSE);
}

// "&Zoom"

// Outlines the square of a zoom in by factorZoom, centred on (200, 200), and
// leaves it to the message loop to ask about it, as for a dragged square.
void zoomIn(HWND ventana) {
    EstadoVisor& estado = programa().estado;
    // A negative factor zooms as its absolute value; taken as such here, its
    // square is outlined like the positive one's instead of coming out with a
    // negative side that outlines nothing.
    const int32_t magnitud = std::abs(int32_t{estado.factorZoom});
    // The square divides 200 by the factor: with 0 there is no square to mark or ask about.
    if (magnitud == 0) return;
    estado.seleccionando = false;
    guardarRespaldo(ventana);
    // -32768 has no 16-bit absolute value; 32767 gives the same empty square.
    estado.enfoqueActual.cuadradoAcercar(static_cast<int16_t>(std::min<int32_t>(magnitud, 32767)));
    marcarSeleccion(ventana);
}

// Zooms out by factorZoom at once, keeping the centre, and renders; a
// running render is stopped at its ring first.
void zoomOut(HWND ventana) {
    EstadoVisor& estado = programa().estado;
    const int16_t factor = estado.factorZoom;
    // Beyond 81 the square's side and corners wrap in 16 bits and the view
    // would jump somewhere unrelated: such a factor does nothing.
    if (factor > FACTOR_ALEJAR_MAXIMO || factor < -FACTOR_ALEJAR_MAXIMO) return;
    estado.seleccionando = false;
    estado.enfoqueActual.cuadradoAlejar(factor);
    leerCuadradoSeleccion();
    const CuadradoPixeles c = estado.cuadradoSeleccion;
    estado.enfoqueActual.aplicarCuadrado(c.izquierda, c.arriba, c.derecha, c.abajo);
    ejecutarCalculo(ventana);
}

// The two dialogs run modally, owned by the main window; what they return is
// of no use here. They only change values: no repaint, no render.
void abrirParametros(HWND ventana) {
    DialogBoxParamA(programa().instancia, "DIALOGOPARAMETROS", ventana, dialogoParametros, 0);
}

void abrirFactorZoom(HWND ventana) {
    DialogBoxParamA(programa().instancia, "DIALOGOZFACTOR", ventana, dialogoZFactor, 0);
}

// "&Iterar"

void ejecutarDetener(HWND ventana) { alternarCalculo(ventana); }

// The commands below only store a value, read at the next render start (the
// step) or by the render for every block of 64 pixels (plane, colour mode, dwell). They
// neither repaint nor render.

template <int16_t paso>
void fijarIncremento(HWND) {
    programa().estado.incrementoIteraciones = paso;
}

// "&Opciones"

template <int16_t plano>
void fijarPlano(HWND) {
    programa().estado.iterador.setPlano(plano);
}

template <int32_t modo>
void fijarModoColor(HWND) {
    programa().estado.opcionesColor.modoColor.store(modo, std::memory_order_relaxed);
}

template <int32_t dwell>
void fijarDwell(HWND) {
    programa().estado.opcionesColor.dwell.store(dwell, std::memory_order_relaxed);
}

// The menu identifiers of recursos.h are the codes of codigos.h.
static_assert(CM_PLANO_CARDIOIDE == PLANO_CARDIOIDE && CM_PLANO_CARDIOIDE_INV == PLANO_CARDIOIDE_INV &&
              CM_PLANO_PARABOLA == PLANO_PARABOLA);
static_assert(CM_COLOR_ITERACION == COLOR_ITERACION && CM_COLOR_BLANCO_NEGRO == COLOR_BLANCO_NEGRO &&
              CM_COLOR_DESC_BINARIA == COLOR_DESC_BINARIA && CM_COLOR_DESC_BINARIA_BN == COLOR_DESC_BINARIA_BN);
static_assert(CM_DWELL_SI == DWELL_SI && CM_DWELL_NO == DWELL_NO);

struct Comando {
    WORD id;
    void (*ejecutar)(HWND ventana);
};

// In the order of the menu.
constexpr Comando tablaComandos[] = {
    // "&Imagen"
    {CM_LOAD, cargarParametros},
    {CM_SAVE, guardarParametros},
    {CM_MEMORIZAR, memorizar},
    {CM_VOLVER, volver},
    {CM_BORRAR, borrar},
    // "&Zoom"
    {CM_PARAMETROS, abrirParametros},
    {CM_ZOOM_OUT, zoomOut},
    {CM_ZOOM_IN, zoomIn},
    {CM_ZOOM_FACTOR, abrirFactorZoom},
    // "&Iterar"
    {CM_ITER_MENOS_1, fijarIncremento<-1>},
    {CM_ITER_MENOS_32, fijarIncremento<-32>},
    {CM_ITER_MENOS_128, fijarIncremento<-128>},
    {CM_ITER_MENOS_256, fijarIncremento<-256>},
    {CM_ITER_MENOS_1024, fijarIncremento<-1024>},
    {CM_ITER_ACTUAL, fijarIncremento<0>},
    {CM_ITER_MAS_1, fijarIncremento<1>},
    {CM_ITER_MAS_32, fijarIncremento<32>},
    {CM_ITER_MAS_128, fijarIncremento<128>},
    {CM_ITER_MAS_256, fijarIncremento<256>},
    {CM_ITER_MAS_1024, fijarIncremento<1024>},
    {CM_EJECUTAR_DETENER, ejecutarDetener},
    // "&Opciones" > "&Plano": the command is the plane's own code.
    {CM_PLANO_CARDIOIDE, fijarPlano<PLANO_CARDIOIDE>},
    {CM_PLANO_CARDIOIDE_INV, fijarPlano<PLANO_CARDIOIDE_INV>},
    {CM_PLANO_PARABOLA, fijarPlano<PLANO_PARABOLA>},
    // "&Opciones" > "&Color": likewise the mode's and the dwell's codes.
    {CM_COLOR_ITERACION, fijarModoColor<COLOR_ITERACION>},
    {CM_COLOR_BLANCO_NEGRO, fijarModoColor<COLOR_BLANCO_NEGRO>},
    {CM_COLOR_DESC_BINARIA, fijarModoColor<COLOR_DESC_BINARIA>},
    {CM_COLOR_DESC_BINARIA_BN, fijarModoColor<COLOR_DESC_BINARIA_BN>},
    {CM_DWELL_SI, fijarDwell<DWELL_SI>},
    {CM_DWELL_NO, fijarDwell<DWELL_NO>},
    // "&Acerca de"
    {CM_ACERCA_DE, mostrarAcercaDe},
};

}  // namespace

void despacharComando(HWND ventana, WORD id) {
    for (const Comando& comando : tablaComandos) {
        if (comando.id == id) {
            comando.ejecutar(ventana);
            return;
        }
    }
}

}  // namespace brenquil
