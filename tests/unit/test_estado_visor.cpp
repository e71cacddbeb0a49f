// The window's state: its start-up values, and the view a parameter file
// takes from it and gives back to it.
#include <gtest/gtest.h>

#include <cmath>

#include "estado_visor.h"

using namespace brenquil;

TEST(EstadoVisor, ValoresDeArranque) {
    EstadoVisor estado;
    EXPECT_EQ(estado.iterador.getPlano(), PLANO_CARDIOIDE);
    for (const ParametrosEnfoque* e : {&estado.enfoqueActual, &estado.enfoqueMemorizado}) {
        EXPECT_EQ(e->getIteraciones(), 30);
        EXPECT_EQ(e->getXSupIzq(), -4.0L);
        EXPECT_EQ(e->getYSupIzq(), 8.0L);
        EXPECT_EQ(e->getLado(), 16.0L);
        EXPECT_EQ(e->getSelX(), 0);
        EXPECT_EQ(e->getSelY(), 0);
        EXPECT_EQ(e->getSelLado(), 400);
    }
    EXPECT_EQ(estado.opcionesColor.modoColor.load(), COLOR_ITERACION);
    EXPECT_EQ(estado.opcionesColor.dwell.load(), DWELL_SI);
    EXPECT_EQ(estado.incrementoIteraciones, 32);
    EXPECT_EQ(estado.factorZoom, 2);
    EXPECT_TRUE(estado.iterarAlPintar);
    EXPECT_FALSE(estado.zoomPendiente);
    EXPECT_FALSE(estado.seleccionando);
    // The Iterador's view is a placeholder until a render start copies the current view.
    EXPECT_EQ(estado.iterador.getX(), -2.0L);
    EXPECT_EQ(estado.iterador.getY(), 2.0L);
    EXPECT_EQ(estado.iterador.getLado(), 4.0L);
    EXPECT_EQ(estado.iterador.getZx(), 1.0L);
    EXPECT_EQ(estado.iterador.getZy(), 1.0L);
    // The start-up view is the default view.
    EXPECT_EQ(estado.vista(), Vista{});
}

TEST(EstadoVisor, LaVistaVaYVuelve) {
    EstadoVisor estado;
    estado.enfoqueActual.normalizarCuadrado(10, 10, 110, 60);
    estado.incrementoIteraciones = 128;
    const Vista ejemplo{1024, PLANO_CARDIOIDE_INV, COLOR_DESC_BINARIA, DWELL_NO, -0.75L, 0.125L, std::ldexp(1.0L, -14)};
    estado.ponerVista(ejemplo);
    EXPECT_EQ(estado.vista(), ejemplo);
    EXPECT_EQ(estado.enfoqueActual.getIteraciones(), 1024);
    EXPECT_EQ(estado.iterador.getPlano(), PLANO_CARDIOIDE_INV);
    EXPECT_EQ(estado.opcionesColor.dwell.load(), DWELL_NO);
    EXPECT_EQ(estado.enfoqueActual.getYSupIzq(), 0.125L);
    // What the file does not hold stays.
    EXPECT_EQ(estado.enfoqueActual.getSelX(), 10);
    EXPECT_EQ(estado.enfoqueActual.getSelLado(), 50);
    EXPECT_EQ(estado.enfoqueMemorizado.getIteraciones(), 30);
    EXPECT_EQ(estado.enfoqueMemorizado.getLado(), 16.0L);
    EXPECT_EQ(estado.incrementoIteraciones, 128);
}
