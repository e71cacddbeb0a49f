// sonda.exe: the Windows side of the tests and scripts that drive
// brenquil.exe through X with xdotool. It takes the program's running main
// window and answers one question per run; exit code 0 when the answer is
// yes, 1 with the reason on stderr otherwise, 2 for a wrong command line.
//
//   sonda origen
//       prints the client area's upper-left corner in screen pixels: "X Y"
//   sonda esperar-imagen ITERACIONES [IZQUIERDA ARRIBA DERECHA ABAJO]
//       waits until no render runs and the picture is the engine's picture of
//       the start-up view (zoomed into the square, when given) with that limit
//   sonda esperar-imagen-de ITERACIONES X Y LADO [IZQUIERDA ARRIBA DERECHA ABAJO]
//       the same for the view of corner X + Y i and side LADO
//   sonda poner-factor FACTOR
//       types that factor into the "Zoom In-Out Factor" dialog
//   sonda responder-tras-calculo
//       waits for a render to run, takes hold of its threads and prints
//       "listo"; then waits until those threads have ended and the window
//       answers a message, and prints when it answered, in milliseconds since
//       1970 (the clock of `date +%s%3N`)
//   sonda esperar-zoom IZQUIERDA ARRIBA LADO
//       waits for the "Zoom" box with its text and buttons, moves it off the
//       picture, and waits until the square's outline shows on the window
//   sonda esperar-blanco
//       waits until no render runs and the whole client area is white
//   sonda vista-lenta
//       types the slow view of the tests (seconds to render) into the
//       parameters dialog; the next start renders it
//   sonda poner-vista ITERACIONES X Y LADO
//       types that view into the parameters dialog
//   sonda esperar-fin
//       waits until no render runs
//   sonda comando ID
//       sends the menu command ID to the window and waits until it is done
//   sonda esperar-detenido
//       waits until no render runs and the picture is whole inner rings (not
//       all) of the slow view over white: a render stopped part way, or
//       before its first ring, on a cleared picture
//   sonda esperar-cuadro TITULO [PRIMERA_LINEA]
//       waits for a visible box or dialog with that caption (whose text
//       begins with that line, when given)
//   sonda esperar-sin-cuadro
//       waits until the program shows no box or dialog
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "conductor.h"
#include "dialogos_prueba.h"
#include "numeros.h"
#include "recursos.h"
#include "texto_numero.h"

using namespace brenquil;
using namespace brenquil::prueba;

namespace {

int fallo(const std::string& motivo) {
    std::fprintf(stderr, "sonda: %s\n", motivo.c_str());
    return 1;
}

int origen(const Programa& programa) {
    const POINT p = programa.origenCliente();
    std::printf("%ld %ld\n", p.x, p.y);
    return 0;
}

// The picture of `vista` with a limit, zoomed into the square of argv[0..3]
// when it is given.
int esperarImagenDe(const Programa& programa, ParametrosEnfoque vista, int16_t iteraciones, int argc, char** cuadrado) {
    if (argc != 0 && argc != 4) return 2;
    if (argc == 4) {
        vista.aplicarCuadrado(static_cast<int16_t>(std::atoi(cuadrado[0])), static_cast<int16_t>(std::atoi(cuadrado[1])),
                              static_cast<int16_t>(std::atoi(cuadrado[2])), static_cast<int16_t>(std::atoi(cuadrado[3])));
    }
    const Imagen esperada = imagenDeVista(vista, iteraciones);
    Imagen ultima;
    if (!programa.esperarImagen(esperada, PLAZO, &ultima))
        return fallo("the picture is not the expected one:\n" + diferencias(ultima, esperada));
    return 0;
}

int esperarImagenVista(const Programa& programa, int argc, char** argv) {
    if (argc < 3) return 2;
    return esperarImagenDe(programa, vistaInicial(), static_cast<int16_t>(std::atoi(argv[2])), argc - 3, argv + 3);
}

int esperarImagenDeVista(const Programa& programa, int argc, char** argv) {
    if (argc < 6) return 2;
    const ParametrosEnfoque vista(textoAReal(argv[3]), textoAReal(argv[4]), textoAReal(argv[5]));
    return esperarImagenDe(programa, vista, static_cast<int16_t>(std::atoi(argv[2])), argc - 6, argv + 6);
}

int ponerFactor(const Programa& programa, int argc, char** argv) {
    if (argc != 3) return 2;
    programa.comando(CM_ZOOM_FACTOR);
    const HWND cuadro = programa.esperarCuadro("Zoom In-Out Factor");
    if (!cuadro) return fallo("the factor dialog did not open");
    if (!ponerTextoControl(cuadro, ID_FACTOR, argv[2])) return fallo("could not type into the factor dialog");
    if (!pulsarYEsperarCierre(cuadro, IDOK)) return fallo("the factor dialog did not close on OK");
    return 0;
}

int responderTrasCalculo(const Programa& programa, int argc) {
    if (argc != 2) return 2;
    std::vector<HANDLE> hilos;
    const auto soltar = [&] {
        for (HANDLE h : hilos) CloseHandle(h);
    };
    esperarHasta([&] {
        const std::optional<std::vector<DWORD>> ids = programa.idsHilosCalculo();
        for (DWORD id : ids.value_or(std::vector<DWORD>{}))
            if (HANDLE h = OpenThread(SYNCHRONIZE, FALSE, id)) hilos.push_back(h);
        return !hilos.empty();
    });
    if (hilos.empty()) return fallo("no render runs");
    std::printf("listo\n");
    std::fflush(stdout);
    // A thread's handle is signalled when it ends, whatever thread takes its id next.
    constexpr DWORD PLAZO_LARGO = 120000;
    const DWORD fin = WaitForMultipleObjects(static_cast<DWORD>(hilos.size()), hilos.data(), TRUE, PLAZO_LARGO);
    soltar();
    if (fin == WAIT_TIMEOUT || fin == WAIT_FAILED) return fallo("the render did not end");
    DWORD_PTR r = 0;
    if (!SendMessageTimeoutA(programa.ventana(), WM_NULL, 0, 0, SMTO_NORMAL, PLAZO_LARGO, &r))
        return fallo("the window did not answer");
    FILETIME ahora;
    GetSystemTimePreciseAsFileTime(&ahora);
    // 100 ns units since 1601; 11644473600 s from 1601 to 1970.
    const ULONGLONG unidades = (ULONGLONG{ahora.dwHighDateTime} << 32) | ahora.dwLowDateTime;
    std::printf("%llu\n", unidades / 10000 - 11644473600000ULL);
    return 0;
}

int esperarZoom(const Programa& programa, int argc, char** argv) {
    if (argc != 5) return 2;
    const int izquierda = std::atoi(argv[2]);
    const int arriba = std::atoi(argv[3]);
    const int lado = std::atoi(argv[4]);
    const HWND cuadro = programa.esperarCuadro("Zoom");
    if (!cuadro) return fallo("no \"Zoom\" box");
    const std::optional<Cuadro> c = leerCuadro(cuadro);
    if (!c) return fallo("the box went away");
    if (c->texto != TEXTO_ZOOM) return fallo("box text: " + c->texto);
    if (c->botones != std::vector<int>{IDOK, IDCANCEL}) return fallo("the box's buttons are not OK and Cancel");
    if (c->propietario != programa.ventana()) return fallo("the box is not owned by the main window");
    apartarCuadro(cuadro);
    // The outline pixels only: the picture under them depends on the view.
    const Imagen negro(lado + 1, lado + 1, NEGRO);
    const Imagen contorno = conContorno(negro, 0, 0, lado);
    Imagen vista;
    const bool ok = esperarHasta([&] {
        std::optional<Imagen> captura = programa.capturar(izquierda, arriba, lado + 1, lado + 1);
        if (!captura) return false;
        vista = *captura;
        for (size_t i = 0; i < contorno.pixeles.size(); ++i)
            if (contorno.pixeles[i] != NEGRO && vista.pixeles[i] != contorno.pixeles[i]) return false;
        return true;
    });
    if (!ok) return fallo("the outline does not show on the window");
    return 0;
}

int esperarBlanco(const Programa& programa, int argc) {
    if (argc != 2) return 2;
    const SIZE cliente = programa.tamanoCliente();
    const Imagen blanca(cliente.cx, cliente.cy, BLANCO);
    Imagen vista;
    const bool ok = esperarHasta([&] {
        if (programa.hilosCalculo() != 0) return false;
        std::optional<Imagen> c = programa.capturarCliente();
        if (!c) return false;
        vista = std::move(*c);
        return vista == blanca;
    });
    if (!ok) return fallo("the client area is not all white:\n" + diferencias(vista, blanca));
    return 0;
}

int vistaLenta(const Programa& programa, int argc) {
    if (argc != 2) return 2;
    const std::string error =
        escribirVista(programa, VISTA_LENTA_ITERACIONES, VISTA_LENTA_X, VISTA_LENTA_Y, VISTA_LENTA_LADO);
    return error.empty() ? 0 : fallo(error);
}

int ponerVista(const Programa& programa, int argc, char** argv) {
    if (argc != 6) return 2;
    const std::string error = escribirVista(programa, argv[2], argv[3], argv[4], argv[5]);
    return error.empty() ? 0 : fallo(error);
}

int esperarFin(const Programa& programa, int argc) {
    if (argc != 2) return 2;
    return programa.esperarFinCalculo(Milisegundos{600000}) ? 0 : fallo("the render did not end");
}

int comando(const Programa& programa, int argc, char** argv) {
    if (argc != 3) return 2;
    return programa.enviarComando(static_cast<WORD>(std::atoi(argv[2]))) ? 0 : fallo("the command was not taken");
}

int esperarDetenido(const Programa& programa, int argc) {
    if (argc != 2) return 2;
    if (!programa.esperarFinCalculo()) return fallo("the render did not end");
    // The last ring and the final repaint reach the screen a moment after the thread ends.
    const Imagen blanca(LADO_IMAGEN, LADO_IMAGEN, BLANCO);
    std::optional<int> anillos;
    const bool enteros = esperarHasta([&] {
        const std::optional<Imagen> vista = programa.capturarImagen();
        return vista && (anillos = anillosSobre(*vista, blanca, pixelVistaLenta)).has_value();
    });
    if (!enteros) return fallo("the picture is not whole rings of the slow view over white");
    if (*anillos >= 200) return fallo("the render was not stopped part way");
    std::printf("%d\n", *anillos);
    return 0;
}

int esperarCuadroTitulado(const Programa& programa, int argc, char** argv) {
    if (argc != 3 && argc != 4) return 2;
    const HWND cuadro = programa.esperarCuadro(argv[2]);
    if (!cuadro) return fallo(std::string("no box titled \"") + argv[2] + "\"");
    if (argc == 4) {
        const std::optional<Cuadro> c = leerCuadro(cuadro);
        if (!c) return fallo("the box went away");
        const std::string primera = c->texto.substr(0, c->texto.find('\n'));
        if (primera != argv[3]) return fallo("the box's first line is \"" + primera + "\"");
    }
    return 0;
}

int esperarSinCuadro(const Programa& programa, int argc) {
    if (argc != 2) return 2;
    if (!esperarHasta([&] { return programa.buscarCuadro(nullptr) == nullptr; }))
        return fallo("a box is still open");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    Programa programa;
    std::string error;
    if (!programa.adjuntar(error)) return fallo(error);
    const std::string orden = argv[1];
    int r = 2;
    if (orden == "origen") r = origen(programa);
    else if (orden == "esperar-imagen") r = esperarImagenVista(programa, argc, argv);
    else if (orden == "esperar-imagen-de") r = esperarImagenDeVista(programa, argc, argv);
    else if (orden == "poner-factor") r = ponerFactor(programa, argc, argv);
    else if (orden == "responder-tras-calculo") r = responderTrasCalculo(programa, argc);
    else if (orden == "esperar-zoom") r = esperarZoom(programa, argc, argv);
    else if (orden == "esperar-blanco") r = esperarBlanco(programa, argc);
    else if (orden == "vista-lenta") r = vistaLenta(programa, argc);
    else if (orden == "poner-vista") r = ponerVista(programa, argc, argv);
    else if (orden == "esperar-fin") r = esperarFin(programa, argc);
    else if (orden == "comando") r = comando(programa, argc, argv);
    else if (orden == "esperar-detenido") r = esperarDetenido(programa, argc);
    else if (orden == "esperar-cuadro") r = esperarCuadroTitulado(programa, argc, argv);
    else if (orden == "esperar-sin-cuadro") r = esperarSinCuadro(programa, argc);
    if (r == 2) std::fprintf(stderr, "sonda: wrong command line (see the head of tests/gui/sonda.cpp)\n");
    return r;
}
