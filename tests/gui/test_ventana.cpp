// The running main window: its class, caption, style, size and live menu,
// the first picture, repainting, and closing during a render.
#include <gtest/gtest.h>

#include <sstream>
#include <tuple>
#include <vector>

#include "con_programa.h"
#include "menu_esperado.h"

using namespace brenquil;
using namespace brenquil::prueba;

namespace {

std::string rutaSonda() { return carpetaPropia() + "sonda_menu.dll"; }

// The menu bar item by item, in order: depth, command id (-1 for a pop-up), caption.
using Elemento = std::tuple<int, int, std::string>;
void aplanar(const std::vector<ItemMenu>& items, int profundidad, std::vector<Elemento>& lista) {
    for (const ItemMenu& i : items) {
        lista.emplace_back(profundidad, i.hijos.empty() ? static_cast<int>(i.id) : -1, i.texto);
        aplanar(i.hijos, profundidad + 1, lista);
    }
}

using VentanaPrincipal = ConPrograma;

TEST_F(VentanaPrincipal, ClaseTituloEstiloYTamano) {
    const HWND v = programa.ventana();
    char texto[64] = {};
    GetClassNameA(v, texto, sizeof texto);
    EXPECT_STREQ(texto, "MyWin");
    GetWindowTextA(v, texto, sizeof texto);
    EXPECT_STREQ(texto, "Brenquil");

    // Title bar, system menu and minimise box; no maximise box, no sizing
    // border. The system adds WS_CLIPSIBLINGS to every top-level window and
    // WS_VISIBLE once it is shown.
    const LONG estilo = GetWindowLongA(v, GWL_STYLE);
    EXPECT_EQ(static_cast<DWORD>(estilo),
              static_cast<DWORD>(WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPSIBLINGS | WS_VISIBLE));
    // No extended style of its own; the system adds the raised edge of a captioned window.
    EXPECT_EQ(GetWindowLongA(v, GWL_EXSTYLE) & ~WS_EX_WINDOWEDGE, 0);
    EXPECT_EQ(GetParent(v), nullptr);

    RECT r{};
    ASSERT_TRUE(GetWindowRect(v, &r));
    EXPECT_EQ(r.right - r.left, 460);
    EXPECT_EQ(r.bottom - r.top, 460);
    // The client area holds the whole 400 x 400 picture.
    const SIZE cliente = programa.tamanoCliente();
    EXPECT_GE(cliente.cx, 400);
    EXPECT_GE(cliente.cy, 400);
}

// The class fields that only the owning process can read, and the menu that
// the running window carries, read inside the process by the probe DLL.
TEST_F(VentanaPrincipal, ClaseYMenuVivos) {
    std::string error;
    const std::optional<std::string> volcado = programa.sondear(rutaSonda(), error);
    ASSERT_TRUE(volcado.has_value()) << error;

    std::stringstream lineas(*volcado);
    std::string linea;
    ASSERT_TRUE(std::getline(lineas, linea));
    const std::vector<std::string> clase = partir(linea, '\t');
    ASSERT_EQ(clase.size(), 8u) << linea;
    ASSERT_EQ(clase[0], "clase");
    EXPECT_EQ(clase[1], "0x0") << "class style";
    EXPECT_EQ(clase[2], "0") << "extra class bytes";
    EXPECT_EQ(clase[3], "0") << "extra window bytes";
    EXPECT_EQ(clase[4], "1") << "the background is the stock black brush";
    EXPECT_EQ(clase[5], "1") << "the class icon is MYICON";
    EXPECT_EQ(clase[6], "0x0") << "the class has no cursor of its own";
    EXPECT_EQ(clase[7], "MYMENU");

    std::vector<Elemento> menu;
    while (std::getline(lineas, linea)) {
        const std::vector<std::string> f = partir(linea, '\t');
        ASSERT_EQ(f.size(), 6u) << linea;
        ASSERT_EQ(f[0], "menu");
        const int profundidad = std::stoi(f[1]);
        const int id = std::stoi(f[2]);
        // Nothing is ticked, greyed or a separator in the live menu.
        EXPECT_EQ(std::stoul(f[3], nullptr, 16), 0u) << "state of " << f[5];
        EXPECT_EQ(std::stoul(f[4], nullptr, 16), 0u) << "type of " << f[5];
        menu.emplace_back(profundidad, id, f[5]);
    }
    std::vector<Elemento> esperado;
    aplanar(menuEsperado(), 0, esperado);
    EXPECT_EQ(menu, esperado);
}

// The first paint starts the first render: 62 iterations of the start-up
// view, drawn on the window. The picture is kept beside the driver.
TEST_F(VentanaPrincipal, PrimeraImagen) {
    esperarPrimeraImagen();

    std::optional<Imagen> todo = programa.capturarCliente();
    ASSERT_TRUE(todo.has_value());
    EXPECT_TRUE(guardarBmp(*todo, carpetaPropia() + "captura_primera_imagen.bmp"));
    // Beyond the picture the surface stays black, but for column 400 and row
    // 400, which the outermost ring draws.
    fueraDeLaImagen(*todo, NEGRO);
}

// A later paint copies the picture surface and starts nothing.
TEST_F(VentanaPrincipal, RepintarNoIniciaOtroCalculo) {
    esperarPrimeraImagen();
    ASSERT_TRUE(InvalidateRect(programa.ventana(), nullptr, TRUE));
    // UpdateWindow on another thread's window sends the paint and returns once it is handled.
    ASSERT_TRUE(UpdateWindow(programa.ventana()));
    EXPECT_EQ(programa.hilosCalculo(), 0);
    esperarImagen(imagenInicial(62), "the picture after a repaint");
}

// Ending the program while a render runs, by closing the window or by a quit
// message that another program posts to it: the process ends at once and
// cleanly, with the quit message's code (0 for a close), every time.
TEST(Cierre, DuranteUnCalculo) {
    struct Caso {
        const char* como;
        std::optional<DWORD> (*terminar)(Programa&);
        DWORD codigo;
    };
    const Caso casos[] = {
        {"WM_CLOSE", [](Programa& p) { return p.cerrar(Milisegundos{20000}); }, 0},
        {"WM_QUIT 3", [](Programa& p) { return p.salir(3, Milisegundos{20000}); }, 3},
        {"WM_QUIT 77", [](Programa& p) { return p.salir(77, Milisegundos{20000}); }, 77},
        {"WM_QUIT 255", [](Programa& p) { return p.salir(255, Milisegundos{20000}); }, 255},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.como);
        Programa programa;
        std::string error;
        ASSERT_TRUE(programa.iniciar(rutaBrenquil(), error)) << error;
        ASSERT_TRUE(programa.esperarFinCalculo()) << "the first render did not end";
        // A render that takes seconds.
        ASSERT_EQ(escribirVista(programa, VISTA_LENTA_ITERACIONES, VISTA_LENTA_X, VISTA_LENTA_Y, VISTA_LENTA_LADO), "");
        programa.pulsarDerecho(10, 10);
        ASSERT_TRUE(esperarHasta([&] { return programa.hilosCalculo() > 0; })) << "no render after the right button";
        const DWORD pid = programa.pid();
        const std::optional<DWORD> codigo = c.terminar(programa);
        ASSERT_TRUE(codigo.has_value()) << "the program did not end within 20 s";
        EXPECT_EQ(*codigo, c.codigo);
        for (DWORD p : procesosLlamados("brenquil.exe")) EXPECT_NE(p, pid) << "the process is still listed";
    }
}

}  // namespace
