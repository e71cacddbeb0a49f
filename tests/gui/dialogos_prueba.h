// What the tests of the dialogs, the About box and the file dialogs need
// beyond the driver: the texts of a box's controls, typing into them, the
// file name box of the system's file dialogs, and a witness that tells
// whether the program repainted its window.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "conductor.h"

namespace brenquil::prueba {

// The text of the control `id` of a box; nothing when the box has no such control.
std::optional<std::string> textoControl(HWND cuadro, int id);
// Replaces the text of a control as typing would leave it (WM_SETTEXT).
bool ponerTexto(HWND control, const std::string& texto);
bool ponerTextoControl(HWND cuadro, int id, const std::string& texto);
// The same for texts beyond the ANSI code page (file names), in UTF-16.
bool ponerTexto(HWND control, const std::wstring& texto);
std::wstring textoAncho(HWND ventana);

// Types a view into "Parametros de Enfoque" (opened with its command, whatever
// the keyboard) and presses OK: the next render start draws it. Empty on
// success, otherwise what failed.
std::string escribirVista(const Programa& programa, const std::string& iteraciones, const std::string& x,
                          const std::string& y, const std::string& lado);

// Waits until the program's interface thread takes a message sent to its
// window: whatever it was doing when the call was made (a command, a box
// closing) has ended or is waiting in a message loop.
bool sincronizar(const Programa& programa, Milisegundos plazo = PLAZO);

// The visible top-level boxes (#32770) of the program.
std::vector<HWND> cuadrosVisibles(const Programa& programa);

// The edit box where the Open and Save dialogs take the file name: edt1 of
// the old dialog, or the edit inside the combo box cmb13 of the Explorer one.
HWND cajaNombreArchivo(HWND dialogo);

// Marks painted onto the program's window from outside, in a colour the
// pictures do not use. A repaint of the window wipes them; nothing else does.
class TestigoPintura {
public:
    // Draws the marks: at three places of the picture, far apart, so that
    // any repaint of the whole client area reaches them.
    explicit TestigoPintura(const Programa& programa);
    // The marks show on the window.
    bool dibujado() const;
    // Makes the program paint once, for a small area of the witness's own
    // away from the marks, and waits for that paint; then tells whether the
    // marks are still there, i.e. whether nothing the program did before
    // asked for the rest of the window to be repainted. `motivo` says what
    // failed otherwise.
    bool intacto(std::string& motivo) const;

private:
    bool marcasVisibles() const;
    // Paints the witness's own mark, has the program repaint that area and
    // waits until it has: every repaint asked for before has reached the screen.
    bool pintadoAlDia(std::string& motivo) const;

    const Programa& programa_;
};

}  // namespace brenquil::prueba
