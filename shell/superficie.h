// An off-screen surface: a memory device context holding a bitmap of the
// screen's size.
#pragma once

#include <windows.h>

#include <cstdint>

namespace brenquil {

class Superficie {
public:
    Superficie() = default;
    Superficie(const Superficie&) = delete;
    Superficie& operator=(const Superficie&) = delete;
    ~Superficie() { liberar(); }

    // Makes the surface ancho x alto with a bitmap compatible with
    // `referencia`, so it has the screen's colour format, replacing any
    // previous one. When any part cannot be created the surface does not exist
    // and dc() is null, so drawing calls on it do nothing.
    void crear(HDC referencia, int ancho, int alto);
    // The same with a 32-bit top-down bitmap whose pixels the program can also
    // write directly (bits()): the picture, which the render thread fills a
    // ring at a time without a GDI call per pixel.
    void crearDirecta(HDC referencia, int ancho, int alto);
    void liberar();

    bool existe() const { return dc_ != nullptr; }
    HDC dc() const { return dc_; }
    int ancho() const { return ancho_; }
    int alto() const { return alto_; }
    // The pixels of a surface made by crearDirecta, row by row, each
    // 0x00RRGGBB; null otherwise. Written only under the lock that guards the
    // surface, after GDI calls on it have been flushed (GdiFlush).
    uint32_t* bits() const { return bits_; }

private:
    void tomar(HDC dc, HBITMAP bitmap, int ancho, int alto);

    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ bitmapInicial_ = nullptr;
    uint32_t* bits_ = nullptr;
    int ancho_ = 0;
    int alto_ = 0;
};

}  // namespace brenquil
