// The program's shared state: one instance of each record, built before the
// window exists and kept until the program ends. Beside each, the thread that
// may write it.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>

#include "calculo.h"
#include "estado_visor.h"
#include "superficie.h"
#include "ventana_gdi.h"

namespace brenquil {

// The off-screen surfaces of the main window.
struct Superficies {
    // Taken around every use of `imagen`, by both threads: GDI memory contexts
    // are not promised safe for two threads at once. Never held while waiting
    // for the render thread.
    std::mutex cerrojo;
    // Interface thread, at window creation: the screen size every surface has.
    int anchoPantalla = 0;
    int altoPantalla = 0;
    // The picture, superficieImagen. Created and released by the interface
    // thread; drawn into by both, under `cerrojo`: by the interface thread
    // through GDI, by the render thread a ring at a time into its pixels.
    Superficie imagen;
    // superficieRespaldo: what the window showed before an outline was drawn. Interface thread.
    Superficie respaldo;
    // superficieMemoria: the memorised picture. Interface thread.
    Superficie memoria;
};

// Holds the surfaces' lock. GDI may batch a thread's drawing calls; they are
// flushed before the lock is released, so that the other thread finds them
// done on the surface (the render thread writes superficieImagen's pixels
// directly).
class BloqueoSuperficies {
public:
    explicit BloqueoSuperficies(Superficies& s) : cerrojo_(s.cerrojo) {}
    BloqueoSuperficies(const BloqueoSuperficies&) = delete;
    BloqueoSuperficies& operator=(const BloqueoSuperficies&) = delete;
    ~BloqueoSuperficies() { GdiFlush(); }

private:
    std::lock_guard<std::mutex> cerrojo_;
};

// The view, the options and the flags; EstadoVisor says who writes each field.
extern EstadoVisor estadoVisor;
// Starts, stops and waits for renders, with a helper thread for every core
// beyond the render thread's own. Interface thread.
extern ControlCalculo controlCalculo;
// The main window as the render sees it. Interface thread binds it.
extern VentanaGdi ventanaGdi;
extern Superficies superficies;
// The cursor shown over the client area. Interface thread; the render thread
// when a render ends.
extern std::atomic<HCURSOR> cursorActual;
// The program's module, for its cursors and dialog templates. Written once by
// WinMain before any other thread exists.
extern HINSTANCE instancia;

// The path chosen last in the Open or Save dialog of a parameter file, in the
// ANSI code page: empty at start, never cleared, so each file dialog opens on
// it. Interface thread, written by the file dialogs.
inline constexpr DWORD TAMANO_NOMBRE_ARCHIVO = MAX_PATH;
extern char nombreArchivo[TAMANO_NOMBRE_ARCHIVO];

}  // namespace brenquil
