// An off-screen surface: a memory device context holding a bitmap of the
// screen's size.
#pragma once

#include <windows.h>

#include <cstdint>
#include <mutex>

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

    // Copies the 400 x 400 picture at (0, 0) of `origen` onto `destino`
    // under the lock, first making `destino` a screen-sized surface like the
    // window's if it does not exist. A surface that does not exist gives
    // nothing. Interface thread.
    void copiarImagen(HWND ventana, Superficie& destino, const Superficie& origen);
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

}  // namespace brenquil
