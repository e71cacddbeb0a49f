// The running main window: its class, caption, style, size and live menu,
// the first picture, repainting, and closing during a render.
#include <gtest/gtest.h>

#include <sstream>
#include <tuple>
#include <vector>

#include "con_programa.h"

using namespace brenquil;
using namespace brenquil::prueba;

namespace {

std::string rutaSonda() { return carpetaPropia() + "sonda_menu.dll"; }

// The menu bar as the user sees it: depth, command id (-1 for a pop-up), caption.
using Elemento = std::tuple<int, int, std::string>;
const std::vector<Elemento>& menuEsperado() {
    static const std::vector<Elemento> menu = {
        {0, -1, "&Imagen"},
        {1, 100, "&Load"},
        {1, 105, "&Save"},
        {1, 110, "&Memorizar"},
        {1, 115, "&Volver"},
        {1, 120, "&Borrar"},
        {0, -1, "&Zoom"},
        {1, 200, "&Parametros"},
        {1, 210, "Zoom &In"},
        {1, 205, "Zoom &Out"},
        {1, 212, "Zoom &Factor"},
        {0, -1, "&Iterar"},
        {1, 220, "0 (Parametros Actuales)"},
        {1, -1, "+(&m\xE1s)"},  // a-acute as Windows-1252 reaches an ANSI program
        {2, 221, "+1"},
        {2, 222, "+32"},
        {2, 223, "+128"},
        {2, 224, "+256"},
        {2, 225, "+1024"},
        {1, -1, "-(&me&nos)"},
        {2, 215, "-1"},
        {2, 216, "-32"},
        {2, 217, "-128"},
        {2, 218, "-256"},
        {2, 219, "-1024"},
        {1, 250, "&Ejecutar&&Detener"},
        {0, -1, "&Opciones"},
        {1, -1, "&Plano"},
        {2, 300, "&Cardioide"},
        {2, 305, "Cardioide &Inv"},
        {2, 310, "&Parabola"},
        {1, -1, "&Color"},
        {2, 350, "&Color Iteracion"},
        {2, 355, "&Blanco&&Negro"},
        {2, 365, "Descomposicion Binaria C&olor"},
        {2, 370, "Descomposicion Binaria B&lanco&&Negro"},
        {2, 380, "Dwell &Yes"},
        {2, 385, "Dwell &No"},
        {0, 400, "&Acerca de"},
    };
    return menu;
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
    EXPECT_EQ(menu, menuEsperado());
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

// Closing the window while a render runs ends the process at once and cleanly.
TEST(Cierre, DuranteUnCalculo) {
    Programa programa;
    std::string error;
    ASSERT_TRUE(programa.iniciar(rutaBrenquil(), error)) << error;
    // The first render may already be over; the right button starts another.
    if (!esperarHasta([&] { return programa.hilosCalculo() > 0; }, Milisegundos{3000}, Milisegundos{1})) {
        ASSERT_TRUE(programa.esperarFinCalculo());
        programa.pulsarDerecho(10, 10);
        ASSERT_TRUE(esperarHasta([&] { return programa.hilosCalculo() > 0; }, PLAZO, Milisegundos{1}))
            << "no render thread after the right button";
    }
    const DWORD pid = programa.pid();
    const std::optional<DWORD> codigo = programa.cerrar(Milisegundos{20000});
    ASSERT_TRUE(codigo.has_value()) << "the program did not end within 20 s of WM_CLOSE";
    EXPECT_EQ(*codigo, 0u);
    for (DWORD p : procesosLlamados("brenquil.exe")) EXPECT_NE(p, pid) << "the process is still listed";
}

}  // namespace
