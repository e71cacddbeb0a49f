// Starting and stopping renders with the right button and the run/stop
// command, seen on the window's picture.
#include <gtest/gtest.h>

#include "con_programa.h"
#include "recursos.h"

using namespace brenquil;
using namespace brenquil::prueba;

namespace {

class EjecutarDetener : public ConPrograma {
protected:
    // Waits until the first render has drawn its centre ring on the black
    // surface: from then on its thread is inside its ring loop.
    void esperarCentroDibujado() {
        const bool dibujado = esperarHasta(
            [&] {
                std::optional<Imagen> centro = programa.capturar(199, 199, 2, 2);
                if (!centro) return false;
                for (Color c : centro->pixeles)
                    if (c == NEGRO) return false;
                return true;
            },
            PLAZO, Milisegundos{1});
        ASSERT_TRUE(dibujado) << "the centre of the first picture was never drawn";
        ASSERT_EQ(programa.hilosCalculo(), 1) << "the first render ended before it could be stopped";
    }
};

// The right button during a render stops it after its ring: the window keeps
// whole inner rings of the new picture over the old one (black here). Each
// start adds the step again: 62, then 94, then 126 iterations.
TEST_F(EjecutarDetener, DetenerTrasSuAnilloYVolverAEmpezar) {
    esperarCentroDibujado();
    programa.pulsarDerecho(5, 5);
    ASSERT_TRUE(programa.esperarFinCalculo());

    const Imagen negro(400, 400, NEGRO);
    std::optional<int> anillos;
    Imagen vista;
    const bool ok = esperarHasta([&] {
        std::optional<Imagen> c = programa.capturarImagen();
        if (!c) return false;
        vista = *c;
        anillos = anillosSobre(vista, imagenInicial(62), negro);
        return anillos.has_value() && *anillos > 0;
    });
    ASSERT_TRUE(ok) << "the picture is not whole rings of the 62-iteration render over black:\n"
                    << diferencias(vista, imagenInicial(62));
    EXPECT_LT(*anillos, 200) << "the render was not stopped";
    RecordProperty("anillos_dibujados", *anillos);

    programa.pulsarDerecho(5, 5);
    esperarImagen(imagenInicial(94), "second start: 94 iterations");
    programa.pulsarDerecho(5, 5);
    esperarImagen(imagenInicial(126), "third start: 126 iterations");
    EXPECT_NE(imagenInicial(94), imagenInicial(126));
}

// A stop and a start in a row: the start waits until the stopped thread has
// finished its ring, then renders the whole picture alone.
TEST_F(EjecutarDetener, DetenerYArrancarSeguidos) {
    esperarCentroDibujado();
    programa.pulsarDerecho(5, 5);
    programa.pulsarDerecho(5, 5);
    esperarImagen(imagenInicial(94), "the render started right after the stop");
}

// The run/stop command does what the right button does; identifiers outside
// the command table change nothing.
TEST_F(EjecutarDetener, ComandoEjecutarDetener) {
    esperarPrimeraImagen();
    programa.comando(0);
    programa.comando(999);
    programa.comando(CM_EJECUTAR_DETENER);
    esperarImagen(imagenInicial(94), "the render started by the command");
}

}  // namespace
