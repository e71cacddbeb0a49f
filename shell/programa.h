// The program's state, owned by one record that WinMain builds before the
// window exists and tears down after the message loop: the window's state,
// the surfaces, the GDI side of the render and the render control, in that
// order, so that the render (destroyed first) never outlives what it draws
// on. Beside each member, the thread that may write it.
#pragma once

#include <windows.h>

#include <atomic>

#include "calculo.h"
#include "estado_visor.h"
#include "superficie.h"
#include "ventana_gdi.h"

namespace brenquil {

class Programa {
public:
    // Makes this the program's instance (programa()) for its lifetime.
    explicit Programa(HINSTANCE instancia);
    ~Programa();
    Programa(const Programa&) = delete;
    Programa& operator=(const Programa&) = delete;

    // The program's module, for its cursors and dialog templates.
    const HINSTANCE instancia;
    // The cursor shown over the client area. Interface thread; the render
    // thread when a render ends.
    std::atomic<HCURSOR> cursorActual;
    // The view, the options and the flags; EstadoVisor says who writes each field.
    EstadoVisor estado;
    Superficies superficies;
    // The main window as the render sees it. Interface thread binds it.
    VentanaGdi ventanaGdi;
    // The path chosen last in the Open or Save dialog of a parameter file:
    // empty at start, never cleared, so each file dialog opens on it. Wide,
    // as the dialogs and the file calls take it, so that a name outside the
    // ANSI code page stays as typed. Interface thread, written by the file
    // dialogs.
    wchar_t nombreArchivo[MAX_PATH] = L"";
    // Starts, stops and waits for renders, with a helper thread for every
    // core beyond the render thread's own. Interface thread. Last, so that it
    // is torn down first: a render still running is stopped and joined while
    // everything it uses still exists.
    ControlCalculo control;
};

// The instance that WinMain built. Interface thread, and the render thread
// through the members above.
Programa& programa();

}  // namespace brenquil
