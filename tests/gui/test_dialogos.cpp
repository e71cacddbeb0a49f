// The two dialogs of the "&Zoom" menu and the About box, as the user meets
// them: what the boxes show, what OK, Cancel and Default store (seen by
// opening the dialog again and by the next render), the texts the boxes
// accept, and that a dialog neither repaints the window nor renders.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../registros_prueba.h"
#include "con_programa.h"
#include "texto_numero.h"

using namespace brenquil;
using namespace brenquil::prueba;

namespace {

constexpr char TITULO_PARAMETROS[] = "Parametros de Enfoque";

// The four texts of the parameters dialog.
struct Textos {
    std::string iteraciones, x, y, lado;
    bool operator==(const Textos&) const = default;
};

std::ostream& operator<<(std::ostream& o, const Textos& t) {
    return o << "{\"" << t.iteraciones << "\", \"" << t.x << "\", \"" << t.y << "\", \"" << t.lado << "\"}";
}

Textos textosDeVista(int iteraciones, const ParametrosEnfoque& v) {
    return {std::to_string(iteraciones), formatearReal(v.getXSupIzq()), formatearReal(v.getYSupIzq()),
            formatearReal(v.getLado())};
}

// The view that the texts of a view give back: 19 significant digits of each.
ParametrosEnfoque vistaRedondeada(const ParametrosEnfoque& v) {
    return ParametrosEnfoque(textoAReal(formatearReal(v.getXSupIzq())), textoAReal(formatearReal(v.getYSupIzq())),
                             textoAReal(formatearReal(v.getLado())));
}

class Dialogos : public ConPrograma {
protected:
    void leerTextos(HWND cuadro, Textos& t) {
        const std::optional<std::string> i = textoControl(cuadro, ID_ITERACIONES);
        const std::optional<std::string> x = textoControl(cuadro, ID_XSUPIZQ);
        const std::optional<std::string> y = textoControl(cuadro, ID_YSUPIZQ);
        const std::optional<std::string> l = textoControl(cuadro, ID_LADO);
        ASSERT_TRUE(i && x && y && l) << "an edit box of the parameters dialog is missing";
        t = {*i, *x, *y, *l};
    }

    void escribirTextos(HWND cuadro, const Textos& t) {
        ASSERT_TRUE(ponerTextoControl(cuadro, ID_ITERACIONES, t.iteraciones));
        ASSERT_TRUE(ponerTextoControl(cuadro, ID_XSUPIZQ, t.x));
        ASSERT_TRUE(ponerTextoControl(cuadro, ID_YSUPIZQ, t.y));
        ASSERT_TRUE(ponerTextoControl(cuadro, ID_LADO, t.lado));
    }

    // What the parameters dialog shows when it is opened now, i.e. the stored view.
    void textosGuardados(Textos& t) {
        HWND cuadro = nullptr;
        ASSERT_NO_FATAL_FAILURE(abrirCuadro(CM_PARAMETROS, TITULO_PARAMETROS, cuadro));
        ASSERT_NO_FATAL_FAILURE(leerTextos(cuadro, t));
        ASSERT_NO_FATAL_FAILURE(responder(cuadro, IDCANCEL));
    }

    // A square dragged with the mouse and confirmed with OK.
    void ampliarConRaton(int x0, int y0, int x1, int y1) {
        arrastrar(x0, y0, x1, y1);
        const HWND zoom = programa.esperarCuadro("Zoom");
        ASSERT_NE(zoom, nullptr) << "no \"Zoom\" box after the drag";
        ASSERT_NO_FATAL_FAILURE(responder(zoom, IDOK));
    }

    // Checks, after a dialog button was pressed, that the program neither
    // repainted its window nor started a render.
    static void sinRepintarNiCalcular(const TestigoPintura& testigo, const Programa& p) {
        std::string motivo;
        EXPECT_TRUE(testigo.intacto(motivo)) << motivo;
        EXPECT_EQ(p.hilosCalculo(), 0) << "a render was started";
    }
};

// On the start-up view the dialog shows the limit after the first render (30
// + 32) and the corner and side as 40-character texts; "Default" writes the
// start-up view at once, which a later "Cancel" keeps. Neither repaints.
TEST_F(Dialogos, ParametrosMuestraLaVistaYDefaultLaRepone) {
    esperarPrimeraImagen();
    HWND cuadro = nullptr;
    ASSERT_NO_FATAL_FAILURE(abrirCuadro(CM_PARAMETROS, TITULO_PARAMETROS, cuadro));
    Textos t;
    ASSERT_NO_FATAL_FAILURE(leerTextos(cuadro, t));
    const Textos inicial{"62", std::string("-4").append(38, ' '), std::string("8").append(39, ' '),
                         std::string("16").append(38, ' ')};
    EXPECT_EQ(t, inicial);
    EXPECT_EQ(t.x.size(), 40u);

    // The box has left the picture; its old place is repainted before the marks go on.
    esperarImagen(imagenInicial(62), "the picture beside the dialog");
    const TestigoPintura testigo(programa);
    ASSERT_TRUE(testigo.dibujado());
    pulsarBoton(cuadro, ID_DEFAULT);
    const Textos porDefecto{"30", inicial.x, inicial.y, inicial.lado};
    ASSERT_TRUE(esperarHasta([&] { return textoControl(cuadro, ID_ITERACIONES) == "30"; }))
        << "Default did not write the limit";
    ASSERT_NO_FATAL_FAILURE(leerTextos(cuadro, t));
    EXPECT_EQ(t, porDefecto);
    EXPECT_TRUE(IsWindow(cuadro)) << "Default closed the dialog";
    sinRepintarNiCalcular(testigo, programa);
    ASSERT_NO_FATAL_FAILURE(responder(cuadro, IDCANCEL));

    ASSERT_NO_FATAL_FAILURE(textosGuardados(t));
    EXPECT_EQ(t, porDefecto) << "Cancel undid Default";
}

// OK stores the four texts, and does nothing else: no repaint, no render.
// The next render draws the typed view with the typed limit plus the step.
TEST_F(Dialogos, OkGuardaLosCuatroSinRepintarNiCalcular) {
    esperarPrimeraImagen();
    HWND cuadro = nullptr;
    ASSERT_NO_FATAL_FAILURE(abrirCuadro(CM_PARAMETROS, TITULO_PARAMETROS, cuadro));
    ASSERT_NO_FATAL_FAILURE(escribirTextos(cuadro, {"100", "-2.5", "1.25", "2.5"}));
    esperarImagen(imagenInicial(62), "the picture beside the dialog");
    const TestigoPintura testigo(programa);
    ASSERT_TRUE(testigo.dibujado());
    ASSERT_NO_FATAL_FAILURE(responder(cuadro, IDOK));
    sinRepintarNiCalcular(testigo, programa);

    Textos t;
    ASSERT_NO_FATAL_FAILURE(textosGuardados(t));
    EXPECT_EQ(t, (Textos{"100", campo40("-2.5"), campo40("1.25"), campo40("2.5")}));

    programa.comando(CM_EJECUTAR_DETENER);
    esperarImagen(imagenDeVista(ParametrosEnfoque(-2.5L, 1.25L, 2.5L), 132), "the typed view, 100 + 32 iterations");
}

// After a mouse zoom the dialog shows the zoomed view's 19-digit texts; OK
// without an edit stores them back, and the next render draws the view those
// texts give. "Default" then "Cancel" brings the start-up view back with the
// limit 30, whose render is the first picture again.
TEST_F(Dialogos, VistaAmpliadaOkSinEditarYDefault) {
    esperarPrimeraImagen();
    // 67 x 80 pixels: the square (123, 77) side 67.
    ASSERT_NO_FATAL_FAILURE(ampliarConRaton(123, 77, 190, 157));
    const ParametrosEnfoque ampliada = vistaTrasCuadrado(123, 77, 190, 144);
    esperarImagen(imagenDeVista(ampliada, 94), "the zoomed view");

    HWND cuadro = nullptr;
    ASSERT_NO_FATAL_FAILURE(abrirCuadro(CM_PARAMETROS, TITULO_PARAMETROS, cuadro));
    Textos t;
    ASSERT_NO_FATAL_FAILURE(leerTextos(cuadro, t));
    EXPECT_EQ(t, textosDeVista(94, ampliada));
    ASSERT_NO_FATAL_FAILURE(responder(cuadro, IDOK));

    programa.comando(CM_EJECUTAR_DETENER);
    esperarImagen(imagenDeVista(vistaRedondeada(ampliada), 126), "the view of the dialog's texts");
    ASSERT_NO_FATAL_FAILURE(textosGuardados(t));
    EXPECT_EQ(t, textosDeVista(126, ampliada)) << "the texts changed on their way through the dialog";

    ASSERT_NO_FATAL_FAILURE(abrirCuadro(CM_PARAMETROS, TITULO_PARAMETROS, cuadro));
    pulsarBoton(cuadro, ID_DEFAULT);
    ASSERT_TRUE(esperarHasta([&] { return textoControl(cuadro, ID_ITERACIONES) == "30"; }));
    ASSERT_NO_FATAL_FAILURE(responder(cuadro, IDCANCEL));
    programa.comando(CM_EJECUTAR_DETENER);
    esperarImagen(imagenInicial(62), "the start-up view after Default and Cancel");
}

// Whatever is typed is taken: the longest numeric prefix after white space,
// 0 without one, integers cut toward zero to their low 16 bits, and at most
// 79 characters of a text. Each case is typed into the dialog that shows what
// the case before it stored.
TEST_F(Dialogos, TextosEscritos) {
    esperarPrimeraImagen();
    struct Caso {
        std::string escrito;
        std::string guardado;
    };
    const std::string espacios79(79, ' ');
    const Caso limites[] = {
        {"1e3", "1000"},
        {" 64", "64"},
        {"40000", "-25536"},
        {"2.9", "2"},
        {"-2.9", "-2"},
        {"abc", "0"},
        {"12abc", "12"},
        // The 80th character is beyond the buffer: 79 spaces and a digit read as nothing.
        {espacios79 + "5", "0"},
        {espacios79.substr(1) + "5", "5"},
    };
    HWND cuadro = nullptr;
    ASSERT_NO_FATAL_FAILURE(abrirCuadro(CM_PARAMETROS, TITULO_PARAMETROS, cuadro));
    for (const Caso& c : limites) {
        SCOPED_TRACE("typed \"" + c.escrito + "\" as the limit");
        ASSERT_TRUE(ponerTextoControl(cuadro, ID_ITERACIONES, c.escrito));
        ASSERT_NO_FATAL_FAILURE(responder(cuadro, IDOK));
        ASSERT_NO_FATAL_FAILURE(abrirCuadro(CM_PARAMETROS, TITULO_PARAMETROS, cuadro));
        EXPECT_EQ(textoControl(cuadro, ID_ITERACIONES), c.guardado);
    }

    // The real boxes: leading blanks, trailing letters, no number, infinity.
    ASSERT_NO_FATAL_FAILURE(escribirTextos(cuadro, {"50", "  -1.5e-3xyz", "0.1", "abc"}));
    ASSERT_NO_FATAL_FAILURE(responder(cuadro, IDOK));
    ASSERT_NO_FATAL_FAILURE(abrirCuadro(CM_PARAMETROS, TITULO_PARAMETROS, cuadro));
    Textos t;
    ASSERT_NO_FATAL_FAILURE(leerTextos(cuadro, t));
    EXPECT_EQ(t, (Textos{"50", campo40("-0.0015"), campo40("0.1"), campo40("0")}));
    ASSERT_TRUE(ponerTextoControl(cuadro, ID_LADO, "+INF"));
    ASSERT_NO_FATAL_FAILURE(responder(cuadro, IDOK));
    ASSERT_NO_FATAL_FAILURE(textosGuardados(t));
    EXPECT_EQ(t.lado, campo40("+INF"));
}

// The factor dialog: OK stores what it reads, "Default" only writes "2" into
// the box, and the stored factor is the one the next Zoom In outlines.
TEST_F(Dialogos, FactorDeZoom) {
    esperarPrimeraImagen();
    HWND cuadro = nullptr;
    ASSERT_NO_FATAL_FAILURE(abrirCuadro(CM_ZOOM_FACTOR, TITULO_FACTOR, cuadro));
    EXPECT_EQ(textoControl(cuadro, ID_FACTOR), "2");
    ASSERT_TRUE(ponerTextoControl(cuadro, ID_FACTOR, "3"));
    ASSERT_NO_FATAL_FAILURE(responder(cuadro, IDOK));
    // Factor 3: side 2 * (200 / 3) = 132, centred on (200, 200).
    ASSERT_NO_FATAL_FAILURE(acercarYCancelar(imagenInicial(62), 134, 132));

    // Default then Cancel: the box shows 2, the factor stays 3.
    ASSERT_NO_FATAL_FAILURE(abrirCuadro(CM_ZOOM_FACTOR, TITULO_FACTOR, cuadro));
    EXPECT_EQ(textoControl(cuadro, ID_FACTOR), "3");
    pulsarBoton(cuadro, ID_DEFAULT);
    ASSERT_TRUE(esperarHasta([&] { return textoControl(cuadro, ID_FACTOR) == "2"; })) << "Default did not write 2";
    ASSERT_NO_FATAL_FAILURE(responder(cuadro, IDCANCEL));
    ASSERT_NO_FATAL_FAILURE(acercarYCancelar(imagenInicial(62), 134, 132));

    // Default then OK: the factor is 2, and Zoom In marks (100, 100) side 200.
    ASSERT_NO_FATAL_FAILURE(abrirCuadro(CM_ZOOM_FACTOR, TITULO_FACTOR, cuadro));
    EXPECT_EQ(textoControl(cuadro, ID_FACTOR), "3");
    pulsarBoton(cuadro, ID_DEFAULT);
    ASSERT_TRUE(esperarHasta([&] { return textoControl(cuadro, ID_FACTOR) == "2"; }));
    ASSERT_NO_FATAL_FAILURE(responder(cuadro, IDOK));
    ASSERT_NO_FATAL_FAILURE(acercarYCancelar(imagenInicial(62), 100, 200));

    // Every text is taken, as for the limit: 0 and negatives too.
    const std::pair<const char*, const char*> casos[] = {
        {"40000", "-25536"}, {"2.9", "2"}, {"-7", "-7"}, {"0", "0"}, {"x", "0"}};
    ASSERT_NO_FATAL_FAILURE(abrirCuadro(CM_ZOOM_FACTOR, TITULO_FACTOR, cuadro));
    for (const auto& [escrito, guardado] : casos) {
        SCOPED_TRACE(std::string("typed \"") + escrito + "\" as the factor");
        ASSERT_TRUE(ponerTextoControl(cuadro, ID_FACTOR, escrito));
        ASSERT_NO_FATAL_FAILURE(responder(cuadro, IDOK));
        ASSERT_NO_FATAL_FAILURE(abrirCuadro(CM_ZOOM_FACTOR, TITULO_FACTOR, cuadro));
        EXPECT_EQ(textoControl(cuadro, ID_FACTOR), guardado);
    }
    ASSERT_NO_FATAL_FAILURE(responder(cuadro, IDCANCEL));
}

// The icon a box shows, drawn by this process over the box's own background.
Imagen iconoDibujado(LPCSTR icono, int ancho, int alto, Color fondo) {
    const std::optional<Imagen> imagen = dibujarImagen(ancho, alto, [&](HDC dc) {
        HBRUSH pincel = CreateSolidBrush(fondo);
        const RECT r{0, 0, ancho, alto};
        FillRect(dc, &r, pincel);
        DeleteObject(pincel);
        DrawIconEx(dc, 0, 0, LoadIconA(nullptr, icono), 0, 0, 0, nullptr, DI_NORMAL);
        return true;
    });
    return imagen ? *imagen : Imagen();
}

// The About box: its caption, owner, button, the shape of its text, and the
// information icon, compared pixel by pixel with the system's own.
TEST_F(Dialogos, AcercaDe) {
    HWND cuadro = nullptr;
    ASSERT_NO_FATAL_FAILURE(abrirCuadro(CM_ACERCA_DE, "Acerca de...", cuadro));
    const std::optional<Cuadro> c = leerCuadro(cuadro);
    ASSERT_TRUE(c.has_value());
    EXPECT_EQ(c->botones, std::vector<int>{IDOK});

    const std::vector<std::string> l = partir(c->texto, '\n');
    ASSERT_EQ(l.size(), 10u) << c->texto;
    EXPECT_EQ(l[0], "Brenquil V" BRENQUIL_VERSION);
    for (int i : {1, 2, 3, 5, 6, 7, 9}) {
        EXPECT_TRUE(l[i].size() > 1 && l[i][0] == ' ' && l[i][1] != ' ') << "line " << i << " not indented: " << l[i];
    }
    EXPECT_EQ(l[4], "");
    EXPECT_EQ(l[8], "");
    EXPECT_NE(l[1].find("1998"), std::string::npos) << l[1];

    // The icon: a static control of the icon type.
    HWND icono = nullptr;
    for (HWND h = GetWindow(cuadro, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
        char clase[32] = {};
        GetClassNameA(h, clase, sizeof clase);
        if (_stricmp(clase, "Static") == 0 && IsWindowVisible(h) &&
            (GetWindowLongA(h, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            icono = h;
    }
    ASSERT_NE(icono, nullptr) << "the box shows no icon";
    Imagen visto;
    Imagen informacion;
    const bool igual = esperarHasta([&] {
        const std::optional<Imagen> captura = capturarVentana(icono);
        if (!captura || captura->pixeles.empty()) return false;
        visto = *captura;
        informacion = iconoDibujado(IDI_INFORMATION, visto.ancho, visto.alto, visto.pixel(0, 0));
        return visto == informacion;
    });
    ASSERT_FALSE(visto.pixeles.empty()) << "the icon cannot be read from the screen";
    EXPECT_TRUE(igual) << "the icon is not the information icon:\n" << diferencias(visto, informacion);
    for (LPCSTR otro : {IDI_WARNING, IDI_ERROR, IDI_QUESTION})
        EXPECT_NE(iconoDibujado(otro, visto.ancho, visto.alto, visto.pixel(0, 0)), informacion)
            << "the comparison cannot tell the system icons apart";

    ASSERT_NO_FATAL_FAILURE(responder(cuadro, IDOK));
    EXPECT_TRUE(cuadrosVisibles(programa).empty());
}

}  // namespace
