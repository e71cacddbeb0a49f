// Zoom by the mouse, driven by the mouse messages the system would post: the
// outline on the picture, the confirmation box, OK and Cancel.
#include <gtest/gtest.h>

#include "con_programa.h"

using namespace brenquil;
using namespace brenquil::prueba;

namespace {

using ZoomRaton = ConPrograma;

TEST_F(ZoomRaton, ClicSinMovimientoNoPregunta) {
    esperarPrimeraImagen();
    arrastrar(200, 200, 200, 200);
    // The render that the right button starts is handled after the click; had
    // the click marked a square, its box would be up by then.
    programa.pulsarDerecho(5, 5);
    esperarImagen(imagenInicial(94), "a render of the unchanged view, with no outline");
    EXPECT_EQ(programa.buscarCuadro("Zoom"), nullptr);
}

// A drag of 100 x 50 pixels marks the square of side 50 at its upper-left
// corner; OK zooms into exactly that square and renders with the step added again.
TEST_F(ZoomRaton, ArrastreYAceptarAmplia) {
    esperarPrimeraImagen();
    arrastrar(120, 150, 220, 200);
    const HWND cuadro = esperarConfirmacion();
    ASSERT_NE(cuadro, nullptr);
    // The box is modal, but the window behind it still repaints its outline.
    esperarImagen(conContorno(imagenInicial(62), 120, 150, 50), "outline of the square (120, 150) side 50");
    responder(cuadro, IDOK);
    esperarImagen(imagenDeVista(vistaTrasCuadrado(120, 150, 170, 200), 94), "the zoomed view");
    EXPECT_EQ(programa.buscarCuadro("Zoom"), nullptr) << "asked twice";
}

// Up, left, or up and left between the same corners mark the same square;
// Cancel takes the outline away and leaves the view as it was.
TEST_F(ZoomRaton, ArrastresEnCuatroSentidosYCancelar) {
    esperarPrimeraImagen();
    struct Arrastre {
        int x0, y0, x1, y1;
    };
    const Arrastre arrastres[] = {
        {120, 150, 220, 200},  // down and right
        {220, 200, 120, 150},  // up and left
        {220, 150, 120, 200},  // down and left
        {120, 200, 220, 150},  // up and right
    };
    const Imagen conCuadro = conContorno(imagenInicial(62), 120, 150, 50);
    for (const Arrastre& a : arrastres) {
        SCOPED_TRACE(::testing::Message() << "drag (" << a.x0 << ", " << a.y0 << ") to (" << a.x1 << ", " << a.y1
                                          << ")");
        arrastrar(a.x0, a.y0, a.x1, a.y1);
        const HWND cuadro = esperarConfirmacion();
        ASSERT_NE(cuadro, nullptr);
        ASSERT_NO_FATAL_FAILURE(esperarImagen(conCuadro, "outline"));
        ASSERT_NO_FATAL_FAILURE(responder(cuadro, IDCANCEL));
        ASSERT_NO_FATAL_FAILURE(esperarImagen(imagenInicial(62), "the picture without the outline"));
    }
    // The next render proves the view unchanged.
    programa.pulsarDerecho(5, 5);
    esperarImagen(imagenInicial(94), "a render of the start-up view");
}

// Cancel puts back the picture itself, not what the screen showed when the
// square was marked. Here Borrar and a drag reach the window together, so
// the square is marked while the screen still shows the old picture and the
// picture is already white: Cancel must leave it white.
TEST_F(ZoomRaton, CancelarDevuelveLaImagenNoLaPantalla) {
    esperarPrimeraImagen();
    // All three messages wait in the queue before the window takes any, so
    // none of the repaint that Borrar asks for comes between them.
    const HANDLE hilo =
        OpenThread(THREAD_SUSPEND_RESUME, FALSE, GetWindowThreadProcessId(programa.ventana(), nullptr));
    ASSERT_NE(hilo, nullptr);
    ASSERT_NE(SuspendThread(hilo), static_cast<DWORD>(-1));
    programa.comando(CM_BORRAR);
    arrastrar(120, 150, 220, 200);
    ResumeThread(hilo);
    CloseHandle(hilo);
    const HWND cuadro = esperarConfirmacion();
    ASSERT_NE(cuadro, nullptr);
    esperarImagen(conContorno(Imagen(400, 400, BLANCO), 120, 150, 50), "the outline on the cleared picture");
    responder(cuadro, IDCANCEL);
    esperarImagen(Imagen(400, 400, BLANCO), "the cleared picture after Cancel");
}

// Cancel puts back the 400 x 400 picture only: outline pixels beyond it stay.
TEST_F(ZoomRaton, CancelarRestauraSoloLaImagen) {
    esperarPrimeraImagen();
    const SIZE cliente = programa.tamanoCliente();
    ASSERT_GE(cliente.cx, 441);
    ASSERT_GE(cliente.cy, 391);
    // 90 x 110 pixels: the square of side 90 at (350, 300), its right edge at x = 440.
    arrastrar(350, 300, 440, 410);
    const HWND cuadro = esperarConfirmacion();
    ASSERT_NE(cuadro, nullptr);
    esperarImagen(conContorno(imagenInicial(62), 350, 300, 90), "outline inside the picture");
    responder(cuadro, IDCANCEL);
    esperarImagen(imagenInicial(62), "the picture after Cancel");

    const auto contornoFuera = [](const Imagen& c) {
        for (int x = 400; x <= 440; ++x)
            if (c.pixel(x, 300) != 4000u || c.pixel(x, 390) != 4000u) return false;
        for (int y = 300; y <= 390; ++y)
            if (c.pixel(440, y) != 4000u) return false;
        return true;
    };
    EXPECT_TRUE(esperarHasta([&] {
        const std::optional<Imagen> todo = programa.capturarCliente();
        return todo && contornoFuera(*todo);
    })) << "the outline beyond the picture is not all there";
}

// A purely horizontal drag still asks, with a square of side 0: nothing is
// outlined, and OK renders a view of side 0, every pixel the corner's colour.
TEST_F(ZoomRaton, ArrastreHorizontalDaLadoCero) {
    esperarPrimeraImagen();
    arrastrar(100, 150, 250, 150);
    const HWND cuadro = esperarConfirmacion();
    ASSERT_NE(cuadro, nullptr);
    esperarImagen(imagenInicial(62), "the picture, with nothing outlined");
    responder(cuadro, IDOK);

    const ParametrosEnfoque vista = vistaTrasCuadrado(100, 150, 100, 150);
    ASSERT_EQ(vista.getLado(), 0.0L);
    const Imagen esperada = imagenDeVista(vista, 94);
    for (Color c : esperada.pixeles) ASSERT_EQ(c, esperada.pixel(0, 0)) << "a view of side 0 is one colour";
    esperarImagen(esperada, "the view of side 0");
}

}  // namespace
