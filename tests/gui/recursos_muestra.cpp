// A program that carries the resources of brenquil.rc and does nothing else:
// test_recursos reads its resources back while the real program is not built.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return 0;
}
