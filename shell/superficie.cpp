#include "superficie.h"

namespace brenquil {

void Superficie::crear(HDC referencia, int ancho, int alto) {
    liberar();
    HDC dc = CreateCompatibleDC(referencia);
    if (!dc) return;
    // The bitmap is made compatible with the window's context, not with the new
    // memory context, whose bitmap is the 1 x 1 monochrome one.
    HBITMAP bitmap = CreateCompatibleBitmap(referencia, ancho, alto);
    if (!bitmap) {
        DeleteDC(dc);
        return;
    }
    dc_ = dc;
    bitmap_ = bitmap;
    bitmapInicial_ = SelectObject(dc_, bitmap_);
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
}

}  // namespace brenquil
