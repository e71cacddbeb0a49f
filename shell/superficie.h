// An off-screen surface: a memory device context holding a bitmap compatible
// with a window's device context, so it has the screen's colour format.
#pragma once

#include <windows.h>

namespace brenquil {

class Superficie {
public:
    Superficie() = default;
    Superficie(const Superficie&) = delete;
    Superficie& operator=(const Superficie&) = delete;
    ~Superficie() { liberar(); }

    // Makes the surface ancho x alto, compatible with `referencia`, replacing
    // any previous one. When any part cannot be created the surface does not
    // exist and dc() is null, so drawing calls on it do nothing.
    void crear(HDC referencia, int ancho, int alto);
    void liberar();

    bool existe() const { return dc_ != nullptr; }
    HDC dc() const { return dc_; }

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ bitmapInicial_ = nullptr;
};

}  // namespace brenquil
