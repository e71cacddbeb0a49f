// What the GUI tests need to drive a brenquil.exe of their own from outside,
// as another Windows program: start it, find its window and message boxes,
// post mouse messages, read its client area, know whether a render runs, and
// the pictures the engine computes for a view. No part of it is in the
// program under test.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "codigos.h"
#include "opciones_color.h"
#include "parametros_enfoque.h"

namespace brenquil::prueba {

using Milisegundos = std::chrono::milliseconds;

// Every wait ends by this deadline unless it names its own.
inline constexpr Milisegundos PLAZO{30000};

// Polls `condicion` every `paso` until it holds or `plazo` has passed; tells
// whether it held.
bool esperarHasta(const std::function<bool()>& condicion, Milisegundos plazo = PLAZO,
                  Milisegundos paso = Milisegundos{10});

// A picture of 0x00BBGGRR colours, row by row.
struct Imagen {
    int ancho = 0;
    int alto = 0;
    std::vector<Color> pixeles;

    Imagen() = default;
    Imagen(int a, int h, Color fondo = NEGRO) : ancho(a), alto(h), pixeles(static_cast<size_t>(a) * h, fondo) {}
    Color pixel(int x, int y) const { return pixeles[static_cast<size_t>(y) * ancho + x]; }
    void poner(int x, int y, Color c) {
        if (x >= 0 && y >= 0 && x < ancho && y < alto) pixeles[static_cast<size_t>(y) * ancho + x] = c;
    }
    // The part (x, y, ancho, alto) of this picture.
    Imagen recorte(int x, int y, int a, int h) const;
    bool operator==(const Imagen&) const = default;
};

// The first few differing pixels, for failure messages; empty when equal.
std::string diferencias(const Imagen& obtenida, const Imagen& esperada, int maximo = 6);
// Writes a 24-bit BMP.
bool guardarBmp(const Imagen& imagen, const std::string& ruta);

// Draws with `dibujar` into a 32-bit picture of ancho x alto held by this
// process and reads its pixels back; nothing when `dibujar` fails.
std::optional<Imagen> dibujarImagen(int ancho, int alto, const std::function<bool(HDC)>& dibujar);
// The pixels of (x, y, ancho, alto) of the client area of any window, or of
// the whole client area, as the screen shows them.
std::optional<Imagen> capturarVentana(HWND ventana, int x, int y, int ancho, int alto);
std::optional<Imagen> capturarVentana(HWND ventana);

// The start-up view: corner -4 + 8i, side 16.
ParametrosEnfoque vistaInicial();
// The start-up view after zooming into the square (izquierda, arriba)-(derecha, abajo).
ParametrosEnfoque vistaTrasCuadrado(int16_t izquierda, int16_t arriba, int16_t derecha, int16_t abajo);

// The plane and the colouring a render draws with; the defaults are the start-up ones.
struct Coloreado {
    int16_t plano = PLANO_CARDIOIDE;
    int32_t modoColor = COLOR_ITERACION;
    int32_t dwell = DWELL_SI;
};

// The 400 x 400 picture of a view with the start-up plane and colouring
// (plane 300, colour 350, dwell 380) and the iteration limit `iteraciones`,
// pixel by pixel from the literal loop and colouring that every picture is
// compared with.
Imagen imagenDeVista(const ParametrosEnfoque& vista, int16_t iteraciones);
// The same with another plane and colouring, drawn over `fondo` (400 x 400):
// the pixels that the render leaves undrawn (escaped ones under a dwell other
// than 380) keep the colour `fondo` has there.
Imagen imagenDeVista(const ParametrosEnfoque& vista, int16_t iteraciones, const Coloreado& coloreado,
                     const Imagen& fondo);

// `base` with the outline colour 4000 on every border pixel of the square from
// (izquierda, arriba) to (izquierda + lado, arriba + lado); nothing for lado <= 0.
Imagen conContorno(Imagen base, int izquierda, int arriba, int lado);

// The ring of the render's scan that holds pixel (x, y): 0 for the centre
// 2 x 2 pixels, 199 for the border of the 400 x 400 picture.
int anilloDe(int x, int y);
// When the 400 x 400 `captura` shows R whole rings 0..R-1 of the picture
// whose pixel (x, y) `nueva` gives, over `vieja` outside them (0 <= R <= 200),
// gives R; otherwise nothing. `nueva` is asked only for the pixels of those
// rings, so a picture that is costly to compute in full can be checked after
// a render stopped early.
std::optional<int> anillosSobre(const Imagen& captura, const Imagen& vieja,
                                const std::function<std::optional<Color>(int x, int y)>& nueva);

// A view that takes the window seconds to render: a boundary square of side
// 1e-7 at the limit 32734 (32766 once the default step is added).
inline constexpr char VISTA_LENTA_ITERACIONES[] = "32734";
inline constexpr char VISTA_LENTA_X[] = "-0.74364478";
inline constexpr char VISTA_LENTA_Y[] = "0.13182526";
inline constexpr char VISTA_LENTA_LADO[] = "1e-7";
// Its pixel (x, y) as a render with the limit 32766 draws it.
std::optional<Color> pixelVistaLenta(int x, int y);

// The text of the "Zoom" box that asks before zooming into a square.
inline constexpr char TEXTO_ZOOM[] = "Se procedera a Iterar sobre el cuadrado que se indica";

// A message box or dialog as the user sees it.
struct Cuadro {
    HWND ventana = nullptr;
    std::string titulo;
    std::string texto;         // the static texts, joined by newlines
    std::vector<int> botones;  // ids of the visible buttons, in order
    HWND propietario = nullptr;
};
std::optional<Cuadro> leerCuadro(HWND ventana);
// Moves a box to the lower right corner of the screen, off the main window,
// and has its owner repaint what it covered.
void apartarCuadro(HWND cuadro);
// Presses a button of a box as a click would: the box gets its command.
void pulsarBoton(HWND cuadro, int id);
// Presses the button `id` and waits until the box is gone.
bool pulsarYEsperarCierre(HWND cuadro, int id, Milisegundos plazo = PLAZO);
// The text of a window of any process (WM_GETTEXT, with a deadline).
std::string textoVentana(HWND ventana);

// The parts of `texto` between the separators.
std::vector<std::string> partir(const std::string& texto, char separador);

// The folder of the running driver, with a trailing backslash.
std::string carpetaPropia();

// A brenquil.exe started by a test, which the destructor ends if it still runs.
class Programa {
public:
    Programa() = default;
    Programa(const Programa&) = delete;
    Programa& operator=(const Programa&) = delete;
    ~Programa();

    // Starts the program and waits for its main window; on failure `error` says why.
    bool iniciar(const std::string& rutaExe, std::string& error);

    // Takes the main window of a program started by someone else, which the
    // destructor then leaves running.
    bool adjuntar(std::string& error);

    HWND ventana() const { return ventana_; }
    DWORD pid() const { return info_.dwProcessId; }
    bool enMarcha() const;

    // The threads of a render (the render thread and its helpers) exist only
    // while it runs; the program names them "brenquil ..." (SetThreadDescription),
    // and those are counted. -1 when the threads cannot be listed.
    int hilosCalculo() const;
    // Their ids; nothing when the threads cannot be listed.
    std::optional<std::vector<DWORD>> idsHilosCalculo() const;

    // The pixels of (x, y, ancho, alto) of the client area, as the screen shows them.
    std::optional<Imagen> capturar(int x, int y, int ancho, int alto) const;
    std::optional<Imagen> capturarImagen() const { return capturar(0, 0, 400, 400); }
    std::optional<Imagen> capturarCliente() const { return capturarVentana(ventana_); }
    // The size of the client area.
    SIZE tamanoCliente() const;
    POINT origenCliente() const;

    // Waits until no render runs and the 400 x 400 picture equals `esperada`;
    // `ultima` receives the last capture.
    bool esperarImagen(const Imagen& esperada, Milisegundos plazo = PLAZO, Imagen* ultima = nullptr) const;
    // Waits until no render thread is left.
    bool esperarFinCalculo(Milisegundos plazo = PLAZO) const;

    // Mouse and command messages as the system posts them, in client coordinates.
    void pulsarIzquierdo(int x, int y) const;
    void soltarIzquierdo(int x, int y) const;
    void pulsarDerecho(int x, int y) const;
    void comando(WORD id) const;
    // The command sent rather than posted: returns once the window procedure
    // has carried it out (false when it did not within the deadline). It does
    // not pass through the message loop, so a zoom square it marks is asked
    // about only after the next message: use comando() for Zoom In.
    bool enviarComando(WORD id, Milisegundos plazo = PLAZO) const;
    // Whether part of the window waits to be repainted.
    bool pinturaPendiente() const;

    // A top-level box of this process with the class #32770 and `titulo`.
    HWND buscarCuadro(const char* titulo) const;
    HWND esperarCuadro(const char* titulo, Milisegundos plazo = PLAZO) const;

    // Asks the window to close and waits for the process to end; its exit code,
    // or nothing when it did not end in time.
    std::optional<DWORD> cerrar(Milisegundos plazo = PLAZO);
    std::optional<DWORD> esperarSalida(Milisegundos plazo = PLAZO);
    // Posts the quit message with `codigo` to the window's thread, as any
    // program may (a session that ends does), and waits as cerrar() does.
    std::optional<DWORD> salir(DWORD codigo, Milisegundos plazo = PLAZO);

    // Loads the probe DLL into the process and returns what it wrote.
    std::optional<std::string> sondear(const std::string& rutaDll, std::string& error) const;

private:
    PROCESS_INFORMATION info_{};
    HWND ventana_ = nullptr;
    bool adjuntado_ = false;
};

// The ids of the processes whose executable is named `nombre` (case ignored).
std::vector<DWORD> procesosLlamados(const char* nombre);

}  // namespace brenquil::prueba
