#include "superficie.h"

#include "numeros.h"

namespace brenquil {

void Superficie::crear(HDC referencia, int ancho, int alto) {
    liberar();
    // The bitmap is made compatible with the window's context, not with the new
    // memory context, whose bitmap is the 1 x 1 monochrome one.
    tomar(CreateCompatibleDC(referencia), CreateCompatibleBitmap(referencia, ancho, alto), ancho, alto);
}

void Superficie::crearDirecta(HDC referencia, int ancho, int alto) {
    liberar();
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = ancho;
    info.bmiHeader.biHeight = -alto;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(referencia, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    tomar(CreateCompatibleDC(referencia), bitmap, ancho, alto);
    if (existe()) bits_ = static_cast<uint32_t*>(bits);
}

void Superficie::tomar(HDC dc, HBITMAP bitmap, int ancho, int alto) {
    if (!dc || !bitmap) {
        if (dc) DeleteDC(dc);
        if (bitmap) DeleteObject(bitmap);
        return;
    }
    dc_ = dc;
    bitmap_ = bitmap;
    bitmapInicial_ = SelectObject(dc_, bitmap_);
    ancho_ = ancho;
    alto_ = alto;
}

void Superficie::liberar() {
    if (!dc_) return;
    // A bitmap selected into a context cannot be deleted: put the initial one back first.
    SelectObject(dc_, bitmapInicial_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
    dc_ = nullptr;
    bitmap_ = nullptr;
    bitmapInicial_ = nullptr;
    bits_ = nullptr;
    ancho_ = alto_ = 0;
}

void Superficies::copiarImagen(HWND ventana, Superficie& destino, const Superficie& origen) {
    if (!destino.existe()) {
        HDC dc = GetDC(ventana);
        destino.crear(dc, anchoPantalla, altoPantalla);
        ReleaseDC(ventana, dc);
    }
    if (!origen.existe()) return;
    BloqueoSuperficies bloqueo(*this);
    BitBlt(destino.dc(), 0, 0, LADO_IMAGEN, LADO_IMAGEN, origen.dc(), 0, 0, SRCCOPY);
}

}  // namespace brenquil
