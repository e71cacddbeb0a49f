// The fixture of the GUI tests: a brenquil.exe of the test's own, started in
// SetUp and closed in TearDown, where a clean end with exit code 0 is checked.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "conductor.h"

#ifndef BRENQUIL_EXE
#error "BRENQUIL_EXE must name brenquil.exe relative to the driver's folder"
#endif

namespace brenquil::prueba {

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

    Programa programa;
};

}  // namespace brenquil::prueba
