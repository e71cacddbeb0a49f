// The fixture of the GUI tests: a brenquil.exe of the test's own, started in
// SetUp and closed in TearDown, where a clean end with exit code 0 is checked;
// and the steps the tests of several menus take alike (the Zoom box, Zoom In,
// the factor dialog).
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "conductor.h"
#include "dialogos_prueba.h"
#include "recursos.h"

#ifndef BRENQUIL_EXE
#error "BRENQUIL_EXE must name brenquil.exe relative to the driver's folder"
#endif

namespace brenquil::prueba {

inline constexpr char TITULO_FACTOR[] = "Zoom In-Out Factor";

inline std::string rutaBrenquil() {
    std::string ruta = carpetaPropia() + BRENQUIL_EXE;
    for (char& c : ruta)
        if (c == '/') c = '\\';
    return ruta;
}

class ConPrograma : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(programa.iniciar(rutaBrenquil(), error)) << error;
    }

    void TearDown() override {
        if (!programa.enMarcha()) return;
        const std::optional<DWORD> codigo = programa.cerrar();
        ASSERT_TRUE(codigo.has_value()) << "the program did not end after WM_CLOSE";
        EXPECT_EQ(*codigo, 0u);
    }

    // The first render (62 iterations of the start-up view) is waited for in
    // full and its picture checked.
    void esperarPrimeraImagen() {
        Imagen vista;
        ASSERT_TRUE(programa.esperarImagen(imagenInicial(62), PLAZO, &vista))
            << "first picture:\n" << diferencias(vista, imagenInicial(62));
    }

    // The start-up view's picture with a limit, computed once per limit.
    static const Imagen& imagenInicial(int16_t iteraciones) {
        static std::map<int16_t, Imagen> cache;
        auto it = cache.find(iteraciones);
        if (it == cache.end()) it = cache.emplace(iteraciones, imagenDeVista(vistaInicial(), iteraciones)).first;
        return it->second;
    }

    // Waits for the picture `esperada` with no render running, with the differences on failure.
    void esperarImagen(const Imagen& esperada, const char* que) {
        Imagen vista;
        ASSERT_TRUE(programa.esperarImagen(esperada, PLAZO, &vista)) << que << ":\n" << diferencias(vista, esperada);
    }

    // Every pixel of the client area `cliente` beyond column and row 400,
    // which no render reaches, has the colour `color`.
    static void fueraDeLaImagen(const Imagen& cliente, Color color) {
        for (int y = 0; y < cliente.alto; ++y)
            for (int x = 0; x < cliente.ancho; ++x)
                if (x > 400 || y > 400) {
                    ASSERT_EQ(cliente.pixel(x, y), color) << "(" << x << ", " << y << ")";
                }
    }

    // A press of the left button at one client point and its release at another.
    void arrastrar(int x0, int y0, int x1, int y1) {
        programa.pulsarIzquierdo(x0, y0);
        programa.soltarIzquierdo(x1, y1);
    }

    // Runs the command, waits for the box `titulo`, owned by the main window,
    // and moves it off the picture.
    void abrirCuadro(WORD comando, const char* titulo, HWND& cuadro) {
        programa.comando(comando);
        cuadro = programa.esperarCuadro(titulo);
        ASSERT_NE(cuadro, nullptr) << "no \"" << titulo << "\" box";
        ASSERT_EQ(GetWindow(cuadro, GW_OWNER), programa.ventana()) << "not owned by the main window";
        apartarCuadro(cuadro);
    }

    // Presses a button of a box and waits until the box has closed.
    void responder(HWND cuadro, int boton) {
        ASSERT_TRUE(pulsarYEsperarCierre(cuadro, boton)) << "the box did not close on button " << boton;
    }

    // Waits for the confirmation box of a zoom, checks it and moves it off the picture.
    HWND esperarConfirmacion() {
        const HWND cuadro = programa.esperarCuadro("Zoom");
        EXPECT_NE(cuadro, nullptr) << "no \"Zoom\" box";
        if (!cuadro) return nullptr;
        const std::optional<Cuadro> c = leerCuadro(cuadro);
        EXPECT_TRUE(c.has_value());
        if (!c) return nullptr;
        EXPECT_EQ(c->titulo, "Zoom");
        EXPECT_EQ(c->texto, TEXTO_ZOOM);
        EXPECT_EQ(c->botones, (std::vector<int>{IDOK, IDCANCEL}));
        EXPECT_EQ(c->propietario, programa.ventana());
        apartarCuadro(cuadro);
        return cuadro;
    }

    // Zoom In outlines the square at (esquina, esquina) of side `lado` on
    // `base` and asks; `cuadro` receives the box.
    void acercarConContorno(const Imagen& base, int esquina, int lado, HWND& cuadro) {
        programa.comando(CM_ZOOM_IN);
        cuadro = esperarConfirmacion();
        ASSERT_NE(cuadro, nullptr);
        ASSERT_NO_FATAL_FAILURE(esperarImagen(conContorno(base, esquina, esquina, lado), "the Zoom In outline"));
    }

    // The same, then Cancel takes the outline away and leaves `base`.
    void acercarYCancelar(const Imagen& base, int esquina, int lado) {
        HWND cuadro = nullptr;
        ASSERT_NO_FATAL_FAILURE(acercarConContorno(base, esquina, lado, cuadro));
        ASSERT_NO_FATAL_FAILURE(responder(cuadro, IDCANCEL));
        ASSERT_NO_FATAL_FAILURE(esperarImagen(base, "the picture after Cancel"));
    }

    // Types `texto` into the "Zoom In-Out Factor" dialog and presses OK.
    void aceptarFactor(const std::string& texto) {
        HWND cuadro = nullptr;
        ASSERT_NO_FATAL_FAILURE(abrirCuadro(CM_ZOOM_FACTOR, TITULO_FACTOR, cuadro));
        ASSERT_TRUE(ponerTextoControl(cuadro, ID_FACTOR, texto)) << "cannot type into the factor box";
        ASSERT_NO_FATAL_FAILURE(responder(cuadro, IDOK));
    }

    Programa programa;
};

}  // namespace brenquil::prueba
