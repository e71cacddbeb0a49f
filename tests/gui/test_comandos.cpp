// The commands of the "&Imagen", "&Zoom", "&Iterar" and "&Opciones" menus,
// as the menu delivers them, each seen on the window or in the next render:
// the picture memory, clearing, zoom by a factor, the iteration steps, the
// planes, colour modes and dwell codes.
#include <gtest/gtest.h>

#include "con_programa.h"
#include "referencia.h"

using namespace brenquil;
using namespace brenquil::prueba;

namespace {

// The views the factor 2 leads to from the start-up view (-4, 8, 16).
ParametrosEnfoque vistaAcercada2() { return ParametrosEnfoque(0.0L, 4.0L, 8.0L); }
ParametrosEnfoque vistaAlejada2() { return ParametrosEnfoque(-12.0L, 16.0L, 32.0L); }

class Comandos : public ConPrograma {
protected:
    // The 400 x 400 picture that the window was last seen to show.
    Imagen mostrada;

    void SetUp() override {
        ConPrograma::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_NO_FATAL_FAILURE(esperarPrimeraImagen());
        mostrada = imagenInicial(62);
    }

    void esperarMostrada(const Imagen& esperada, const char* que) {
        ASSERT_NO_FATAL_FAILURE(esperarImagen(esperada, que));
        mostrada = esperada;
    }

    // A render started by the run command. Its picture must differ from the
    // one shown, or waiting for it would prove nothing.
    void renderizar(const Imagen& esperada, const char* que) {
        ASSERT_NE(esperada, mostrada) << que << ": this render would not show on the window";
        programa.comando(CM_EJECUTAR_DETENER);
        ASSERT_NO_FATAL_FAILURE(esperarMostrada(esperada, que));
    }

    Imagen capturarCliente() {
        std::optional<Imagen> c = programa.capturarCliente();
        EXPECT_TRUE(c.has_value()) << "the client area cannot be read";
        return c ? *c : Imagen();
    }

    // Carries out a command and waits until the window has repainted whatever
    // it invalidated; no render may have started.
    void enviar(WORD id) {
        ASSERT_TRUE(programa.enviarComando(id)) << "command " << id << " was not carried out in time";
        EXPECT_EQ(programa.hilosCalculo(), 0) << "command " << id << " started a render";
        ASSERT_TRUE(esperarHasta([&] { return !programa.pinturaPendiente(); }))
            << "the window did not repaint after command " << id;
    }

    // A command that must change nothing on the screen: the whole client area
    // is the same afterwards.
    void enviarSinCambio(WORD id) {
        const Imagen antes = capturarCliente();
        ASSERT_NO_FATAL_FAILURE(enviar(id));
        const Imagen despues = capturarCliente();
        EXPECT_EQ(despues, antes) << "command " << id << " changed the screen:\n" << diferencias(despues, antes);
    }
};

// ---------------------------------------------------------------------------
// "&Memorizar", "&Volver", "&Borrar"

using Memoria = Comandos;

// Volver brings back the picture as it was memorised, pixel for pixel, without
// a render; the next render draws the memorised view (limit 62 + 32) with the
// plane and colouring chosen after the memorising.
TEST_F(Memoria, MemorizarAlejarYVolver) {
    ASSERT_NO_FATAL_FAILURE(enviarSinCambio(CM_MEMORIZAR));
    programa.comando(CM_ZOOM_OUT);
    ASSERT_NO_FATAL_FAILURE(esperarMostrada(imagenDeVista(vistaAlejada2(), 94), "the zoomed-out view"));
    ASSERT_NO_FATAL_FAILURE(enviarSinCambio(CM_PLANO_CARDIOIDE_INV));
    ASSERT_NO_FATAL_FAILURE(enviarSinCambio(CM_COLOR_BLANCO_NEGRO));

    ASSERT_NO_FATAL_FAILURE(enviar(CM_VOLVER));
    ASSERT_NO_FATAL_FAILURE(esperarMostrada(imagenInicial(62), "the memorised picture"));

    const Coloreado ahora{PLANO_CARDIOIDE_INV, COLOR_BLANCO_NEGRO, DWELL_SI};
    renderizar(imagenDeVista(vistaInicial(), 94, ahora, Imagen(400, 400)), "the memorised view, plane 305, colour 355");
}

// A second Memorizar replaces the first, picture and view.
TEST_F(Memoria, MemorizarDeNuevoReemplaza) {
    ASSERT_NO_FATAL_FAILURE(enviarSinCambio(CM_MEMORIZAR));
    programa.comando(CM_ZOOM_OUT);
    const Imagen alejada = imagenDeVista(vistaAlejada2(), 94);
    ASSERT_NO_FATAL_FAILURE(esperarMostrada(alejada, "the zoomed-out view"));
    ASSERT_NO_FATAL_FAILURE(enviarSinCambio(CM_MEMORIZAR));
    ASSERT_NO_FATAL_FAILURE(enviar(CM_BORRAR));
    ASSERT_NO_FATAL_FAILURE(enviar(CM_VOLVER));
    ASSERT_NO_FATAL_FAILURE(esperarMostrada(alejada, "the picture memorised second"));
    renderizar(imagenDeVista(vistaAlejada2(), 126), "the view memorised second, limit 94 + 32");
}

// Before any Memorizar, Volver leaves the picture as it is and puts back the
// start-up view with 30 iterations: the next render has 62.
TEST_F(Memoria, VolverSinMemorizar) {
    programa.comando(CM_ZOOM_OUT);
    ASSERT_NO_FATAL_FAILURE(esperarMostrada(imagenDeVista(vistaAlejada2(), 94), "the zoomed-out view"));
    ASSERT_NO_FATAL_FAILURE(enviarSinCambio(CM_VOLVER));
    renderizar(imagenInicial(62), "the start-up view with 30 + 32 iterations");
}

// Borrar whitens the whole client area, beyond the picture too, and keeps the
// view: the next render draws it over the white, which stays beyond the
// render's reach (it draws columns and rows -1 to 400).
TEST_F(Memoria, BorrarBlanqueaTodoElAreaCliente) {
    const SIZE cliente = programa.tamanoCliente();
    ASSERT_GT(cliente.cx, 402) << "no client area beyond the picture";
    Imagen antes = capturarCliente();
    ASSERT_EQ(antes.pixel(cliente.cx - 1, 0), NEGRO) << "the surface beyond the picture starts black";

    ASSERT_NO_FATAL_FAILURE(enviar(CM_BORRAR));
    const Imagen blanca(cliente.cx, cliente.cy, BLANCO);
    // The repaint is done; its pixels reach the screen a moment later.
    Imagen vista;
    ASSERT_TRUE(esperarHasta([&] { return (vista = capturarCliente()) == blanca; }))
        << "the client area after Borrar:\n" << diferencias(vista, blanca);
    mostrada = Imagen(400, 400, BLANCO);

    renderizar(imagenInicial(94), "the unchanged view over the white");
    fueraDeLaImagen(capturarCliente(), BLANCO);
}

// ---------------------------------------------------------------------------
// "Zoom &In", "Zoom &Out" and the factor

using Zoom = Comandos;

// Factor 2: the square (100, 100)-(300, 300) is outlined and asked about; OK
// renders the view (0, 4, 8).
TEST_F(Zoom, AcercarMarcaPreguntaYAceptaAmplia) {
    HWND cuadro = nullptr;
    ASSERT_NO_FATAL_FAILURE(acercarConContorno(imagenInicial(62), 100, 200, cuadro));
    ASSERT_NO_FATAL_FAILURE(responder(cuadro, IDOK));
    esperarImagen(imagenDeVista(vistaAcercada2(), 94), "the view (0, 4, 8)");
    EXPECT_EQ(programa.buscarCuadro("Zoom"), nullptr) << "asked twice";
}

// Cancel takes the outline away and keeps the view.
TEST_F(Zoom, AcercarYCancelar) {
    ASSERT_NO_FATAL_FAILURE(acercarYCancelar(imagenInicial(62), 100, 200));
    mostrada = imagenInicial(62);
    renderizar(imagenInicial(94), "the start-up view");
}

// Zoom Out renders (-12, 16, 32) at once and asks nothing.
TEST_F(Zoom, AlejarRenderizaSinPreguntar) {
    programa.comando(CM_ZOOM_OUT);
    esperarImagen(imagenDeVista(vistaAlejada2(), 94), "the view (-12, 16, 32)");
    EXPECT_EQ(programa.buscarCuadro("Zoom"), nullptr) << "Zoom Out asked";
}

// Factors 3 and 7 outline the squares (134, 134) side 132 and (172, 172) side 56;
// -3 outlines the square of 3.
TEST_F(Zoom, FactoresTresYSiete) {
    struct Caso {
        const char* factor;
        int esquina;
        int lado;
    };
    for (const Caso& c : {Caso{"3", 134, 132}, Caso{"7", 172, 56}, Caso{"-3", 134, 132}}) {
        SCOPED_TRACE(::testing::Message() << "factor " << c.factor);
        ASSERT_NO_FATAL_FAILURE(aceptarFactor(c.factor));
        ASSERT_NO_FATAL_FAILURE(acercarYCancelar(imagenInicial(62), c.esquina, c.lado));
    }
}

// With factor 0 Zoom In does nothing: no outline, no question. The render
// started next is dispatched after it, so a box it had asked would be up by
// then; the render shows the view unchanged and no outline.
TEST_F(Zoom, FactorCeroNoAcerca) {
    ASSERT_NO_FATAL_FAILURE(aceptarFactor("0"));
    programa.comando(CM_ZOOM_IN);
    renderizar(imagenInicial(94), "the unchanged view, no outline");
    EXPECT_EQ(programa.buscarCuadro("Zoom"), nullptr) << "Zoom In asked with factor 0";
}

// Zoom Out by 82 or -82 would wrap the square in 16 bits: it does nothing. 81
// still zooms out, and a negative factor zooms as its absolute value.
TEST_F(Zoom, AlejarFueraDeRangoNoHaceNada) {
    ASSERT_NO_FATAL_FAILURE(aceptarFactor("82"));
    programa.comando(CM_ZOOM_OUT);
    renderizar(imagenInicial(94), "the unchanged view after Zoom Out by 82");

    ASSERT_NO_FATAL_FAILURE(aceptarFactor("-82"));
    programa.comando(CM_ZOOM_OUT);
    renderizar(imagenInicial(126), "the unchanged view after Zoom Out by -82");

    ASSERT_NO_FATAL_FAILURE(aceptarFactor("-2"));
    programa.comando(CM_ZOOM_OUT);
    ASSERT_NO_FATAL_FAILURE(esperarMostrada(imagenDeVista(vistaAlejada2(), 158), "Zoom Out by -2 as by 2"));

    ASSERT_NO_FATAL_FAILURE(aceptarFactor("81"));
    programa.comando(CM_ZOOM_OUT);
    // From (-12, 16, 32): the square (-16000, -16000) side 32400.
    ParametrosEnfoque vista = vistaAlejada2();
    vista.aplicarCuadrado(-16000, -16000, 16400, 16400);
    esperarImagen(imagenDeVista(vista, 190), "Zoom Out by 81");
}

// ---------------------------------------------------------------------------
// "&Iterar": each step shows in the limit of the next render start.

TEST_F(Comandos, PasosDeIteracion) {
    struct Paso {
        WORD comando;
        int16_t limite;  // after the render that follows, from the limit before
    };
    // From 62. Every render's limit differs from the one before, so each
    // picture differs from the last; -1024 at the end leaves the limit
    // negative, where every pixel gets the colour of index -1.
    const Paso pasos[] = {
        {CM_ITER_ACTUAL, 62},       {CM_ITER_MAS_1, 63},        {CM_ITER_MAS_32, 95},
        {CM_ITER_MAS_128, 223},     {CM_ITER_MAS_256, 479},     {CM_ITER_MAS_1024, 1503},
        {CM_ITER_MENOS_1, 1502},    {CM_ITER_MENOS_32, 1470},   {CM_ITER_MENOS_128, 1342},
        {CM_ITER_MENOS_256, 1086},  {CM_ITER_MENOS_1024, 62},   {CM_ITER_MENOS_1024, -962},
    };
    // Step 0 renders the limit already shown: clear the picture first.
    ASSERT_NO_FATAL_FAILURE(enviar(CM_BORRAR));
    mostrada = Imagen(400, 400, BLANCO);
    for (const Paso& p : pasos) {
        SCOPED_TRACE(::testing::Message() << "command " << p.comando << ", limit " << p.limite);
        ASSERT_NO_FATAL_FAILURE(enviarSinCambio(p.comando));
        ASSERT_NO_FATAL_FAILURE(renderizar(imagenInicial(p.limite), "the next render"));
    }
    const Color indiceMenosUno = *colorReferencia(COLOR_ITERACION, DWELL_SI, -962, 0, 0.0L, 0.0L);
    EXPECT_EQ(mostrada, Imagen(400, 400, indiceMenosUno)) << "a negative limit colours every pixel by index -1";
}

// ---------------------------------------------------------------------------
// "&Opciones": plane, colour mode and dwell change nothing by themselves; the
// next render draws with them, pixel for pixel as the engine computes.

TEST_F(Comandos, Planos) {
    struct Caso {
        WORD comando;
        int16_t limite;
    };
    for (const Caso& c : {Caso{CM_PLANO_CARDIOIDE_INV, 94}, Caso{CM_PLANO_PARABOLA, 126},
                          Caso{CM_PLANO_CARDIOIDE, 158}}) {
        SCOPED_TRACE(::testing::Message() << "plane " << c.comando);
        ASSERT_NO_FATAL_FAILURE(enviarSinCambio(c.comando));
        Coloreado coloreado;
        coloreado.plano = static_cast<int16_t>(c.comando);
        ASSERT_NO_FATAL_FAILURE(
            renderizar(imagenDeVista(vistaInicial(), c.limite, coloreado, Imagen(400, 400)), "the new plane"));
    }
}

TEST_F(Comandos, ModosDeColor) {
    struct Caso {
        WORD comando;
        int16_t limite;
    };
    for (const Caso& c : {Caso{CM_COLOR_BLANCO_NEGRO, 94}, Caso{CM_COLOR_DESC_BINARIA, 126},
                          Caso{CM_COLOR_DESC_BINARIA_BN, 158}, Caso{CM_COLOR_ITERACION, 190}}) {
        SCOPED_TRACE(::testing::Message() << "colour mode " << c.comando);
        ASSERT_NO_FATAL_FAILURE(enviarSinCambio(c.comando));
        Coloreado coloreado;
        coloreado.modoColor = c.comando;
        ASSERT_NO_FATAL_FAILURE(
            renderizar(imagenDeVista(vistaInicial(), c.limite, coloreado, Imagen(400, 400)), "the new colouring"));
    }
}

// With Dwell No only the pixels that do not escape are drawn: the escaped
// ones keep what the previous picture had there. Dwell Yes draws them all again.
TEST_F(Comandos, Dwell) {
    ASSERT_NO_FATAL_FAILURE(enviarSinCambio(CM_DWELL_NO));
    Coloreado sinDwell;
    sinDwell.dwell = DWELL_NO;
    const Imagen esperada = imagenDeVista(vistaInicial(), 94, sinDwell, mostrada);
    ASSERT_NE(esperada, imagenInicial(94)) << "some escaped pixels must keep the old picture";
    ASSERT_NO_FATAL_FAILURE(renderizar(esperada, "Dwell No over the first picture"));

    ASSERT_NO_FATAL_FAILURE(enviarSinCambio(CM_DWELL_SI));
    renderizar(imagenInicial(126), "Dwell Yes");
}

// ---------------------------------------------------------------------------
// Identifiers outside the table, as another program might send them, change
// nothing: no picture, no render, no box, and the next render is the one the
// start-up state gives.

TEST_F(Comandos, IdentificadoresFueraDeLaTabla) {
    for (WORD id : {0, 1, 99, 101, 111, 199, 201, 211, 214, 226, 249, 251, 299, 301, 315, 360, 375, 390, 399, 401,
                    500, 540, 0x7FFF, 0xFFFF}) {
        SCOPED_TRACE(::testing::Message() << "identifier " << id);
        ASSERT_NO_FATAL_FAILURE(enviarSinCambio(id));
    }
    EXPECT_EQ(programa.buscarCuadro(nullptr), nullptr) << "a box opened";
    renderizar(imagenInicial(94), "the start-up view, step, plane and colouring");
}

}  // namespace
