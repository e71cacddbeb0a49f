#include "ventana_gdi.h"

#include <algorithm>


namespace brenquil {
namespace {

// A colour 0x00BBGGRR as a pixel of a 32-bit bitmap, 0x00RRGGBB.
uint32_t pixelDib(Color c) { return (c & 0x00FF00u) | ((c & 0xFFu) << 16) | ((c >> 16) & 0xFFu); }

// Copies the rectangle [x0, x1] x [y0, y1] of superficieImagen to the window.
void copiar(HDC ventana, HDC imagen, int x0, int y0, int x1, int y1) {
    BitBlt(ventana, x0, y0, x1 - x0 + 1, y1 - y0 + 1, imagen, x0, y0, SRCCOPY);
}

}  // namespace

void VentanaGdi::pintarAnillo(int anillo, std::span<const PixelColoreado> pixeles) {
    const HWND v = ventana();
    BloqueoSuperficies bloqueo(superficies_);
    const Superficie& imagen = superficies_.imagen;
    uint32_t* bits = imagen.bits();
    if (!bits) return;
    for (const PixelColoreado& p : pixeles) {
        if (p.x < 0 || p.y < 0 || p.x >= imagen.ancho() || p.y >= imagen.alto()) continue;
        bits[static_cast<size_t>(p.y) * imagen.ancho() + p.x] = pixelDib(p.color);
    }
    // The ring is the border of [lo, hi]^2; copying its four edges puts on the
    // window exactly what the ring drew, and what was there before where a
    // pixel has no colour. The last ring's top row and left column lie at -1,
    // outside the client area.
    const int lo = 199 - anillo;
    const int hi = 200 + anillo;
    const int desde = std::max(lo, 0);
    if (HDC dc = GetDC(v)) {
        if (lo >= 0) {
            copiar(dc, imagen.dc(), lo, lo, hi, lo);  // top row
            copiar(dc, imagen.dc(), lo, lo, lo, hi);  // left column
        }
        copiar(dc, imagen.dc(), desde, hi, hi, hi);  // bottom row
        copiar(dc, imagen.dc(), hi, desde, hi, hi);  // right column
        ReleaseDC(v, dc);
    }
}

void VentanaGdi::cursorEspera() {
    cursorActual_.store(LoadCursorA(nullptr, IDC_WAIT));
    SetCursor(cursorActual_.load());
}

void VentanaGdi::cursorNormal() {
    cursorActual_.store(LoadCursorA(instancia_, "MYCURSORA"));
    SetCursor(cursorActual_.load());
}

void VentanaGdi::invalidar() { InvalidateRect(ventana(), nullptr, TRUE); }

void VentanaGdi::hiloEmpieza(HiloRender hilo) {
    // SetThreadDescription exists from Windows 10 on; elsewhere threads stay unnamed.
    using Describir = HRESULT(WINAPI*)(HANDLE, PCWSTR);
    static const auto describir = reinterpret_cast<Describir>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetThreadDescription")));
    if (describir) describir(GetCurrentThread(), hilo == HiloRender::Calculo ? L"brenquil calculo" : L"brenquil ayudante");
}

}  // namespace brenquil
