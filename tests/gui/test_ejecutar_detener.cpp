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
    // After the first picture: types the slow view into the parameters dialog,
    // starts its render with the right button and waits until it runs.
    void arrancarVistaLenta() {
        ASSERT_NO_FATAL_FAILURE(esperarPrimeraImagen());
        ASSERT_EQ(escribirVista(programa, VISTA_LENTA_ITERACIONES, VISTA_LENTA_X, VISTA_LENTA_Y, VISTA_LENTA_LADO), "");
        programa.pulsarDerecho(5, 5);
        ASSERT_TRUE(esperarHasta([&] { return programa.hilosCalculo() > 0; })) << "the render did not start";
    }
};

// The right button during a render stops it after its ring: the window keeps
// whole inner rings of the new picture over the old one. Later starts render
// whole pictures, each adding the step again.
TEST_F(EjecutarDetener, DetenerTrasSuAnilloYVolverAEmpezar) {
    ASSERT_NO_FATAL_FAILURE(arrancarVistaLenta());
    programa.pulsarDerecho(5, 5);
    ASSERT_TRUE(programa.esperarFinCalculo()) << "the render did not stop";

    // The last ring and the final repaint reach the screen a moment after the thread ends.
    std::optional<int> anillos;
    ASSERT_TRUE(esperarHasta([&] {
        const std::optional<Imagen> vista = programa.capturarImagen();
        return vista && (anillos = anillosSobre(*vista, imagenInicial(62), pixelVistaLenta)).has_value();
    })) << "the picture is not whole rings of the slow view over the first picture";
    EXPECT_LT(*anillos, 200) << "the render was not stopped";
    RecordProperty("anillos_dibujados", *anillos);

    // Volver brings back the start-up view (limit 30); each start adds 32.
    programa.comando(CM_VOLVER);
    programa.pulsarDerecho(5, 5);
    esperarImagen(imagenInicial(62), "a start after the stop");
    programa.pulsarDerecho(5, 5);
    esperarImagen(imagenInicial(94), "the next start");
}

// A stop and a start in a row: the start waits until the stopped thread has
// finished its ring, then renders the whole picture alone.
TEST_F(EjecutarDetener, DetenerYArrancarSeguidos) {
    ASSERT_NO_FATAL_FAILURE(arrancarVistaLenta());
    programa.pulsarDerecho(5, 5);
    programa.comando(CM_VOLVER);
    programa.pulsarDerecho(5, 5);
    esperarImagen(imagenInicial(62), "the render started right after the stop");
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
