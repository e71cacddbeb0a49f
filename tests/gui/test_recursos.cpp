// Reads the resources back from the built executable, loaded as a data file,
// and checks them against the program's user interface: every menu caption
// and command, the accelerator keys, both dialogs as the system builds them
// from their templates, every pixel of the two cursors and the properties of
// the icon.
//
// The expected values are written out here from the interface's own terms,
// independently of brenquil.rc and of the text pictures the build turns into
// the cursor and icon files.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "menu_esperado.h"
#include "recursos.h"

#ifndef EXE_CON_RECURSOS
#error "EXE_CON_RECURSOS must name the executable under test, relative to this test's folder"
#endif

using namespace brenquil::prueba;

namespace {

// ---------------------------------------------------------------------------
// The module under test and its raw resources

std::string rutaExeConRecursos() {
    char propio[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, propio, MAX_PATH);
    std::string ruta(propio, n);
    ruta.erase(ruta.find_last_of("\\/") + 1);
    ruta += EXE_CON_RECURSOS;
    // LoadLibraryEx wants backslashes in a path.
    for (char& c : ruta)
        if (c == '/') c = '\\';
    return ruta;
}

// Loaded once, as resources only: no code of it runs and no DllMain is called.
HMODULE modulo() {
    static HMODULE m = LoadLibraryExA(rutaExeConRecursos().c_str(), nullptr,
                                      LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    return m;
}

class Recursos : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(modulo(), nullptr) << "cannot load " << rutaExeConRecursos()
                                     << " (error " << GetLastError() << ")";
    }
};

std::vector<uint8_t> datosRecurso(LPCSTR nombre, LPCSTR tipo) {
    HRSRC r = FindResourceA(modulo(), nombre, tipo);
    if (!r) return {};
    HGLOBAL g = LoadResource(modulo(), r);
    auto* p = static_cast<const uint8_t*>(LockResource(g));
    DWORD n = SizeofResource(modulo(), r);
    if (!p) return {};
    return {p, p + n};
}

// Reads little-endian fields off a resource, never past its end: a read past
// the end yields zeros and marks the reader, so a short resource fails the
// test instead of reading stray memory.
class Lector {
public:
    explicit Lector(const std::vector<uint8_t>& datos) : d_(datos) {}

    uint8_t byte() { return static_cast<uint8_t>(leer(1)); }
    uint16_t palabra() { return static_cast<uint16_t>(leer(2)); }
    uint32_t doble() { return static_cast<uint32_t>(leer(4)); }
    size_t posicion() const { return pos_; }
    bool desbordado() const { return desbordado_; }

private:
    uint32_t leer(size_t n) {
        if (pos_ + n > d_.size()) {
            desbordado_ = true;
            pos_ = d_.size();
            return 0;
        }
        uint32_t v = 0;
        for (size_t i = 0; i < n; ++i) v |= uint32_t{d_[pos_ + i]} << (8 * i);
        pos_ += n;
        return v;
    }

    const std::vector<uint8_t>& d_;
    size_t pos_ = 0;
    bool desbordado_ = false;
};

// ---------------------------------------------------------------------------
// Which resources there are

std::set<std::string> nombresDeTipo(LPCSTR tipo) {
    std::set<std::string> nombres;
    EnumResourceNamesA(
        modulo(), tipo,
        [](HMODULE, LPCSTR, LPSTR nombre, LONG_PTR param) -> BOOL {
            auto* s = reinterpret_cast<std::set<std::string>*>(param);
            std::string n = "#";
            if (IS_INTRESOURCE(nombre))
                n += std::to_string(reinterpret_cast<uintptr_t>(nombre));
            else
                n = nombre;
            s->insert(n);
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&nombres));
    return nombres;
}

TEST_F(Recursos, HoldsExactlyTheNamedResourcesAndNoStringsOrVersion) {
    std::set<uintptr_t> tipos;
    EnumResourceTypesA(
        modulo(),
        [](HMODULE, LPSTR tipo, LONG_PTR param) -> BOOL {
            if (IS_INTRESOURCE(tipo))
                reinterpret_cast<std::set<uintptr_t>*>(param)->insert(reinterpret_cast<uintptr_t>(tipo));
            else
                reinterpret_cast<std::set<uintptr_t>*>(param)->insert(~uintptr_t{0});  // a named type
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&tipos));
    // Cursor, icon, menu, dialog, accelerators, group cursor, group icon;
    // in particular no string table (6) and no version record (16).
    EXPECT_EQ(tipos, (std::set<uintptr_t>{1, 3, 4, 5, 9, 12, 14}));

    using S = std::set<std::string>;
    EXPECT_EQ(nombresDeTipo(RT_MENU), S{"MYMENU"});
    EXPECT_EQ(nombresDeTipo(RT_ACCELERATOR), S{"MYMENU"});
    EXPECT_EQ(nombresDeTipo(RT_DIALOG), (S{"DIALOGOPARAMETROS", "DIALOGOZFACTOR"}));
    EXPECT_EQ(nombresDeTipo(RT_GROUP_CURSOR), (S{"MYCURSORA", "MYCURSORB"}));
    EXPECT_EQ(nombresDeTipo(RT_GROUP_ICON), S{"MYICON"});
}

// ---------------------------------------------------------------------------
// Menu

std::string bytesVisibles(const std::string& s) {
    std::string r;
    for (unsigned char c : s) {
        if (c >= 0x20 && c < 0x7F) {
            r += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            r += hex;
        }
    }
    return r;
}

void compararMenu(HMENU menu, const std::vector<ItemMenu>& esperado, const std::string& ruta) {
    SCOPED_TRACE("menu " + ruta);
    ASSERT_EQ(GetMenuItemCount(menu), static_cast<int>(esperado.size()));
    for (size_t i = 0; i < esperado.size(); ++i) {
        const ItemMenu& e = esperado[i];
        char texto[256] = {};
        MENUITEMINFOA mii{};
        mii.cbSize = sizeof mii;
        mii.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
        mii.dwTypeData = texto;
        mii.cch = sizeof texto;
        ASSERT_TRUE(GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &mii)) << "item " << i;
        std::string leido(texto, mii.cch);
        SCOPED_TRACE("item " + std::to_string(i) + " \"" + bytesVisibles(leido) + "\"");
        EXPECT_EQ(bytesVisibles(leido), bytesVisibles(e.texto));
        // A plain text item: no separator, bitmap, owner draw or column break,
        // not checked, not greyed, not the default item.
        EXPECT_EQ(mii.fType, static_cast<UINT>(MFT_STRING));
        EXPECT_EQ(mii.fState, 0u);
        if (e.hijos.empty()) {
            EXPECT_EQ(mii.hSubMenu, nullptr);
            EXPECT_EQ(mii.wID, e.id);
        } else {
            ASSERT_NE(mii.hSubMenu, nullptr);
            compararMenu(mii.hSubMenu, e.hijos, ruta + " > " + e.texto);
        }
    }
}

TEST_F(Recursos, MenuHasEveryCaptionCommandAndPopupInOrder) {
    HMENU menu = LoadMenuA(modulo(), "MYMENU");
    ASSERT_NE(menu, nullptr);
    compararMenu(menu, menuEsperado(), "MYMENU");
    DestroyMenu(menu);
}

// The á of "+(&más)": U+00E1 in the resource, and the byte 0xE1 for an ANSI
// program on the Western code page. A script compiled with the wrong code page
// gives "Ã¡" (U+00C3 U+00A1) instead.
TEST_F(Recursos, MasCaptionHoldsAAcuteInUnicodeAndAsWindows1252Byte) {
    HMENU menu = LoadMenuA(modulo(), "MYMENU");
    ASSERT_NE(menu, nullptr);
    HMENU iterar = GetSubMenu(menu, 2);
    ASSERT_NE(iterar, nullptr);

    wchar_t ancho[32] = {};
    ASSERT_GT(GetMenuStringW(iterar, 1, ancho, 32, MF_BYPOSITION), 0);
    EXPECT_EQ(std::wstring(ancho), std::wstring(L"+(&m\u00E1s)"));

    ASSERT_EQ(GetACP(), 1252u) << "the ANSI texts of the program are Windows-1252";
    char ansi[32] = {};
    ASSERT_EQ(GetMenuStringA(iterar, 1, ansi, 32, MF_BYPOSITION), 7);
    EXPECT_EQ(static_cast<unsigned char>(ansi[4]), 0xE1);
    EXPECT_EQ(std::string(ansi), std::string("+(&m\xE1s)"));
    DestroyMenu(menu);
}

// ---------------------------------------------------------------------------
// Accelerators

struct Acelerador {
    BYTE fVirt;
    WORD tecla;
    WORD comando;
};

// Letters and the digit are character entries (fVirt 0): each case is its own
// key, and Ctrl+C and Ctrl+V are the characters 0x03 and 0x16. F1 to F12 are
// virtual keys with no Shift, Ctrl or Alt.
const Acelerador aceleradoresEsperados[25] = {
    {0, 'b', 120},  {0, 'B', 120},  {0, 0x03, 110}, {0, 0x16, 115},
    {0, 'i', 210},  {0, 'I', 210},  {0, 'o', 205},  {0, 'O', 205},
    {0, 'f', 212},  {0, 'F', 212},  {0, 'p', 200},  {0, 'P', 200},
    {0, '0', 220},
    {FVIRTKEY, VK_F1, 221}, {FVIRTKEY, VK_F2, 222}, {FVIRTKEY, VK_F3, 223},
    {FVIRTKEY, VK_F4, 224}, {FVIRTKEY, VK_F5, 225}, {FVIRTKEY, VK_F6, 215},
    {FVIRTKEY, VK_F7, 216}, {FVIRTKEY, VK_F8, 217}, {FVIRTKEY, VK_F9, 218},
    {FVIRTKEY, VK_F10, 219}, {FVIRTKEY, VK_F11, 400}, {FVIRTKEY, VK_F12, 250},
};

TEST_F(Recursos, AcceleratorTableHasTheTwentyFiveKeysInOrder) {
    HACCEL tabla = LoadAcceleratorsA(modulo(), "MYMENU");
    ASSERT_NE(tabla, nullptr);
    ASSERT_EQ(CopyAcceleratorTableA(tabla, nullptr, 0), 25);
    ACCEL leidos[25] = {};
    ASSERT_EQ(CopyAcceleratorTableA(tabla, leidos, 25), 25);
    DestroyAcceleratorTable(tabla);
    for (int i = 0; i < 25; ++i) {
        SCOPED_TRACE("entry " + std::to_string(i + 1));
        EXPECT_EQ(leidos[i].fVirt, aceleradoresEsperados[i].fVirt);
        EXPECT_EQ(leidos[i].key, aceleradoresEsperados[i].tecla);
        EXPECT_EQ(leidos[i].cmd, aceleradoresEsperados[i].comando);
    }
}

// ---------------------------------------------------------------------------
// Dialog templates

constexpr DWORD BOTON = 0x50010000;          // WS_CHILD | WS_VISIBLE | WS_TABSTOP
constexpr DWORD BOTON_DEFECTO = 0x50010001;  // ... | BS_DEFPUSHBUTTON
constexpr DWORD GRUPO = 0x50010007;          // ... | BS_GROUPBOX
constexpr DWORD EDICION = 0x50810080;        // ... | WS_BORDER | ES_AUTOHSCROLL

struct ControlEsperado {
    int id;
    DWORD estilo;
    const char* clase;
    const char* texto;
    RECT unidades;  // left, top, right, bottom in dialog units
};

struct DialogoEsperado {
    const char* nombre;
    const char* titulo;
    RECT unidades;
    std::vector<ControlEsperado> controles;
};

const DialogoEsperado dialogoParametros = {
    "DIALOGOPARAMETROS", "Parametros de Enfoque", {18, 18, 159, 178}, {
        {1, BOTON_DEFECTO, "Button", "Edit OK", {8, 136, 38, 150}},
        {2, BOTON, "Button", "Cancel", {42, 136, 79, 150}},
        {520, BOTON, "Button", "Default", {83, 136, 118, 150}},
        {510, GRUPO, "Button", "Iteraciones", {6, 6, 82, 36}},
        {500, EDICION, "Edit", "", {8, 16, 80, 28}},
        {512, GRUPO, "Button", "xSupIzq", {6, 38, 82, 68}},
        {502, EDICION, "Edit", "", {8, 48, 80, 60}},
        {514, GRUPO, "Button", "ySupIzq", {6, 70, 82, 100}},
        {504, EDICION, "Edit", "", {8, 80, 80, 92}},
        {516, GRUPO, "Button", "Lado", {6, 102, 82, 132}},
        {506, EDICION, "Edit", "", {8, 112, 80, 124}},
    }};

const DialogoEsperado dialogoZFactor = {
    "DIALOGOZFACTOR", "Zoom In-Out Factor", {18, 18, 144, 76}, {
        {1, BOTON_DEFECTO, "Button", "Edit OK", {8, 40, 38, 54}},
        {2, BOTON, "Button", "Cancel", {42, 40, 79, 54}},
        {520, BOTON, "Button", "Default", {83, 40, 118, 54}},
        {580, GRUPO, "Button", "Zoom In-Out Factor", {6, 6, 82, 36}},
        {540, EDICION, "Edit", "", {8, 16, 80, 28}},
    }};

INT_PTR CALLBACK sinProcedimiento(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// A dialog built from the template by the system, as the program's dialogs
// are: its caption and style, and every control in order with its class,
// text, style and place (dialog units converted by the dialog's own font).
void compararDialogo(const DialogoEsperado& e) {
    SCOPED_TRACE(e.nombre);
    const HWND d = CreateDialogParamA(modulo(), e.nombre, nullptr, sinProcedimiento, 0);
    ASSERT_NE(d, nullptr) << "the template does not make a dialog (error " << GetLastError() << ")";
    char texto[128] = {};
    GetWindowTextA(d, texto, sizeof texto);
    EXPECT_STREQ(texto, e.titulo);
    // WS_POPUP | WS_CAPTION | DS_MODALFRAME: no system menu, no DS_SETFONT.
    const DWORD estilo = static_cast<DWORD>(GetWindowLongPtrA(d, GWL_STYLE));
    EXPECT_EQ(estilo & (WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT), 0x80C00080u);
    // The template places the client area (on the screen, without an owner) and sizes it.
    RECT lugar{e.unidades.left, e.unidades.top, 0, 0};
    MapDialogRect(d, &lugar);
    POINT origen{0, 0};
    ClientToScreen(d, &origen);
    EXPECT_EQ(origen.x, lugar.left);
    EXPECT_EQ(origen.y, lugar.top);
    RECT esperadoCliente{0, 0, e.unidades.right - e.unidades.left, e.unidades.bottom - e.unidades.top};
    MapDialogRect(d, &esperadoCliente);
    RECT cliente{};
    GetClientRect(d, &cliente);
    EXPECT_TRUE(EqualRect(&cliente, &esperadoCliente))
        << "client " << cliente.right << " x " << cliente.bottom << " instead of " << esperadoCliente.right << " x "
        << esperadoCliente.bottom;

    std::vector<HWND> hijos;
    for (HWND h = GetWindow(d, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) hijos.push_back(h);
    ASSERT_EQ(hijos.size(), e.controles.size());
    for (size_t i = 0; i < hijos.size(); ++i) {
        const ControlEsperado& c = e.controles[i];
        SCOPED_TRACE("control " + std::to_string(i) + " id " + std::to_string(c.id));
        EXPECT_EQ(GetDlgCtrlID(hijos[i]), c.id);
        char clase[32] = {};
        GetClassNameA(hijos[i], clase, sizeof clase);
        EXPECT_EQ(_stricmp(clase, c.clase), 0) << clase;
        GetWindowTextA(hijos[i], texto, sizeof texto);
        EXPECT_STREQ(texto, c.texto);
        // An edit control shows WS_BORDER as a client edge once created.
        const DWORD estiloControl = static_cast<DWORD>(GetWindowLongPtrA(hijos[i], GWL_STYLE));
        EXPECT_EQ(estiloControl & ~WS_BORDER, c.estilo & ~WS_BORDER);
        const bool borde = (estiloControl & WS_BORDER) || (GetWindowLongPtrA(hijos[i], GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
        EXPECT_EQ(borde, (c.estilo & WS_BORDER) != 0);
        RECT r = c.unidades;
        MapDialogRect(d, &r);
        RECT real{};
        GetWindowRect(hijos[i], &real);
        MapWindowPoints(nullptr, d, reinterpret_cast<POINT*>(&real), 2);
        EXPECT_TRUE(EqualRect(&r, &real)) << "at " << real.left << "," << real.top << " to " << real.right << ","
                                          << real.bottom;
    }
    DestroyWindow(d);
}

TEST_F(Recursos, ParametersDialogTemplate) { compararDialogo(dialogoParametros); }

TEST_F(Recursos, ZoomFactorDialogTemplate) { compararDialogo(dialogoZFactor); }

// ---------------------------------------------------------------------------
// Pictures: rows top to bottom, columns left to right, 0-based

constexpr int LADO = 32;

enum class Pixel : char { Transparente = '.', Negro = '@', Blanco = 'O', Invertido = '~' };
using Imagen = std::array<std::array<Pixel, LADO>, LADO>;  // [row][column]

Imagen imagenTransparente() {
    Imagen img;
    for (auto& fila : img) fila.fill(Pixel::Transparente);
    return img;
}

// Sets columns desde..hasta (inclusive) of each of the rows.
void pintar(Imagen& img, Pixel p, std::initializer_list<int> filas, int desde, int hasta) {
    for (int f : filas)
        for (int c = desde; c <= hasta; ++c) img[f][c] = p;
}

void cruz(Imagen& img, int inicioHorizontal) {
    for (int f = 5; f <= 26; ++f) img[f][16] = Pixel::Negro;
    pintar(img, Pixel::Negro, {16}, inicioHorizontal, 26);
    img[16][16] = Pixel::Blanco;
}

Imagen cursorAEsperado() {
    Imagen img = imagenTransparente();
    cruz(img, 4);
    const Pixel N = Pixel::Negro;
    pintar(img, N, {20, 21}, 24, 26);
    pintar(img, N, {22, 23}, 23, 24);
    pintar(img, N, {22, 23}, 26, 27);
    pintar(img, N, {24}, 22, 23);
    pintar(img, N, {24}, 27, 28);
    pintar(img, N, {25}, 22, 28);
    pintar(img, N, {26}, 22, 23);
    pintar(img, N, {26}, 27, 28);
    pintar(img, N, {27, 28}, 21, 22);
    pintar(img, N, {27, 28}, 28, 29);
    const Pixel I = Pixel::Invertido;
    pintar(img, I, {9}, 9, 10);
    pintar(img, I, {10, 12}, 8, 8);
    pintar(img, I, {10, 12}, 11, 11);
    pintar(img, I, {11}, 8, 11);
    return img;
}

Imagen cursorBEsperado() {
    Imagen img = imagenTransparente();
    cruz(img, 5);
    const Pixel N = Pixel::Negro;
    pintar(img, N, {20, 24, 29}, 2, 8);
    pintar(img, N, {21, 22, 23, 25, 26, 27, 28}, 2, 3);
    pintar(img, N, {21, 22, 23, 25, 26, 27, 28}, 8, 9);
    const Pixel I = Pixel::Invertido;
    pintar(img, I, {8, 10, 12}, 20, 22);
    pintar(img, I, {9, 11}, 20, 20);
    pintar(img, I, {9, 11}, 23, 23);
    return img;
}

// A 1-bit mask of a DIB: rows bottom-up, 4 bytes a row, leftmost pixel in the
// high bit.
bool bitMascara(const uint8_t* mascara, int columna, int fila) {
    const uint8_t* linea = mascara + (LADO - 1 - fila) * (LADO / 8);
    return (linea[columna / 8] >> (7 - columna % 8)) & 1;
}

std::string dibujo(const Imagen& img) {
    std::string s;
    for (const auto& fila : img) {
        for (Pixel p : fila) s += static_cast<char>(p);
        s += '\n';
    }
    return s;
}

struct Bmih {
    uint32_t tam;
    int32_t ancho, alto;
    uint16_t planos, bits;
    uint32_t compresion;
};

Bmih leerCabeceraDib(Lector& l) {
    Bmih h{};
    h.tam = l.doble();
    h.ancho = static_cast<int32_t>(l.doble());
    h.alto = static_cast<int32_t>(l.doble());
    h.planos = l.palabra();
    h.bits = l.palabra();
    h.compresion = l.doble();
    for (int i = 0; i < 5; ++i) l.doble();  // size, resolution, colours used and important
    return h;
}

void compararCursor(const char* nombre, const Imagen& esperada) {
    SCOPED_TRACE(nombre);
    // The group: one 32 x 32 monochrome image (the height counts both masks).
    std::vector<uint8_t> grupo = datosRecurso(nombre, RT_GROUP_CURSOR);
    ASSERT_EQ(grupo.size(), 6u + 14u);
    Lector g(grupo);
    EXPECT_EQ(g.palabra(), 0u);
    EXPECT_EQ(g.palabra(), 2u) << "cursor directory";
    ASSERT_EQ(g.palabra(), 1u) << "images";
    EXPECT_EQ(g.palabra(), 32u) << "width";
    EXPECT_EQ(g.palabra(), 64u) << "height of both masks";
    EXPECT_EQ(g.palabra(), 1u) << "planes";
    EXPECT_EQ(g.palabra(), 1u) << "bits per pixel";
    uint32_t tam = g.doble();
    uint16_t id = g.palabra();

    std::vector<uint8_t> datos = datosRecurso(MAKEINTRESOURCEA(id), RT_CURSOR);
    ASSERT_EQ(datos.size(), tam);
    // Hot spot, header, 2-colour palette, XOR mask, AND mask.
    ASSERT_EQ(datos.size(), 4u + 40u + 8u + 128u + 128u);
    Lector l(datos);
    EXPECT_EQ(l.palabra(), 16u) << "hot spot x";
    EXPECT_EQ(l.palabra(), 16u) << "hot spot y";
    Bmih h = leerCabeceraDib(l);
    EXPECT_EQ(h.tam, 40u);
    EXPECT_EQ(h.ancho, 32);
    EXPECT_EQ(h.alto, 64);
    EXPECT_EQ(h.planos, 1u);
    EXPECT_EQ(h.bits, 1u);
    EXPECT_EQ(h.compresion, static_cast<uint32_t>(BI_RGB));
    // XOR index 0 is black and 1 white.
    EXPECT_EQ(l.doble(), 0x00000000u) << "palette entry 0";
    EXPECT_EQ(l.doble(), 0x00FFFFFFu) << "palette entry 1";
    ASSERT_FALSE(l.desbordado());
    const uint8_t* xorMascara = datos.data() + l.posicion();
    const uint8_t* andMascara = xorMascara + 128;

    // AND 0 XOR 0 black, AND 0 XOR 1 white, AND 1 XOR 0 transparent, AND 1 XOR 1 inverted.
    Imagen leida;
    for (int f = 0; f < LADO; ++f)
        for (int c = 0; c < LADO; ++c) {
            bool y = bitMascara(andMascara, c, f), o = bitMascara(xorMascara, c, f);
            leida[f][c] = y ? (o ? Pixel::Invertido : Pixel::Transparente)
                            : (o ? Pixel::Blanco : Pixel::Negro);
        }
    EXPECT_EQ(dibujo(leida), dibujo(esperada));
}

TEST_F(Recursos, CursorAPixelsAndHotSpot) { compararCursor("MYCURSORA", cursorAEsperado()); }

TEST_F(Recursos, CursorBPixelsAndHotSpot) { compararCursor("MYCURSORB", cursorBEsperado()); }

// What the program gets from LoadCursorA: a cursor (not an icon) with its hot
// spot at the crossing and a monochrome 32 x 32 image.
TEST_F(Recursos, CursorsLoadWithHotSpotAtTheCrossing) {
    for (const char* nombre : {"MYCURSORA", "MYCURSORB"}) {
        SCOPED_TRACE(nombre);
        HCURSOR cursor = LoadCursorA(modulo(), nombre);
        ASSERT_NE(cursor, nullptr);
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(cursor, &info));
        EXPECT_FALSE(info.fIcon);
        EXPECT_EQ(info.xHotspot, 16u);
        EXPECT_EQ(info.yHotspot, 16u);
        EXPECT_EQ(info.hbmColor, nullptr) << "a monochrome cursor has no colour bitmap";
        BITMAP bm{};
        ASSERT_NE(GetObjectA(info.hbmMask, sizeof bm, &bm), 0);
        EXPECT_EQ(bm.bmWidth, 32);
        EXPECT_EQ(bm.bmHeight, 64) << "AND and XOR masks stacked";
        DeleteObject(info.hbmMask);
        if (info.hbmColor) DeleteObject(info.hbmColor);
    }
}

// ---------------------------------------------------------------------------
// Icon

// The standard 16-colour palette as RGBQUAD values (0x00RRGGBB).
constexpr uint32_t paleta16[16] = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};
enum : int {
    NEGRO = 0, ROJO_OSCURO = 1, MAGENTA_OSCURO = 5, GRIS_CLARO = 7,
    GRIS_OSCURO = 8, MAGENTA = 13, CIAN = 14,
};

TEST_F(Recursos, IconIsA16ColourPatternWith59TransparentPixels) {
    std::vector<uint8_t> grupo = datosRecurso("MYICON", RT_GROUP_ICON);
    ASSERT_EQ(grupo.size(), 6u + 14u);
    Lector g(grupo);
    EXPECT_EQ(g.palabra(), 0u);
    EXPECT_EQ(g.palabra(), 1u) << "icon directory";
    ASSERT_EQ(g.palabra(), 1u) << "images";
    EXPECT_EQ(g.byte(), 32u) << "width";
    EXPECT_EQ(g.byte(), 32u) << "height";
    EXPECT_EQ(g.byte(), 16u) << "colours";
    g.byte();
    EXPECT_EQ(g.palabra(), 1u) << "planes";
    EXPECT_EQ(g.palabra(), 4u) << "bits per pixel";
    uint32_t tam = g.doble();
    uint16_t id = g.palabra();

    std::vector<uint8_t> datos = datosRecurso(MAKEINTRESOURCEA(id), RT_ICON);
    ASSERT_EQ(datos.size(), tam);
    // Header, 16-colour palette, 4-bit colour image, AND mask.
    ASSERT_EQ(datos.size(), 40u + 64u + 512u + 128u);
    Lector l(datos);
    Bmih h = leerCabeceraDib(l);
    EXPECT_EQ(h.tam, 40u);
    EXPECT_EQ(h.ancho, 32);
    EXPECT_EQ(h.alto, 64);
    EXPECT_EQ(h.planos, 1u);
    EXPECT_EQ(h.bits, 4u);
    EXPECT_EQ(h.compresion, static_cast<uint32_t>(BI_RGB));
    for (int i = 0; i < 16; ++i) EXPECT_EQ(l.doble(), paleta16[i]) << "palette entry " << i;
    ASSERT_FALSE(l.desbordado());
    const uint8_t* colores = datos.data() + l.posicion();
    const uint8_t* andMascara = colores + 512;

    int transparentes = 0, abajoIzquierda = 0, magentas = 0, opacos = 0;
    std::set<int> usados;
    for (int f = 0; f < LADO; ++f) {
        bool bandaCentral = false;
        for (int c = 0; c < LADO; ++c) {
            uint8_t par = colores[(LADO - 1 - f) * 16 + c / 2];
            int indice = c % 2 ? par & 0x0F : par >> 4;
            if (bitMascara(andMascara, c, f)) {
                ++transparentes;
                if (f >= 19 && c < 16) ++abajoIzquierda;
                // Anything but black under the mask would tint the screen.
                EXPECT_EQ(indice, NEGRO) << "transparent pixel (" << c << ", " << f << ")";
                continue;
            }
            ++opacos;
            usados.insert(indice);
            if (indice == MAGENTA || indice == MAGENTA_OSCURO) ++magentas;
            if (c >= 8 && c < 24 && (indice == CIAN || indice == GRIS_CLARO)) bandaCentral = true;
        }
        EXPECT_TRUE(bandaCentral) << "row " << f << " has no cyan or light grey in the middle";
    }
    EXPECT_EQ(transparentes, 59);
    EXPECT_GT(abajoIzquierda * 2, transparentes) << "most transparent pixels in the lower left";
    EXPECT_GT(magentas * 2, opacos) << "a magenta ground";
    EXPECT_EQ(usados, (std::set<int>{NEGRO, ROJO_OSCURO, MAGENTA_OSCURO, GRIS_CLARO, GRIS_OSCURO,
                                      MAGENTA, CIAN}));
}

TEST_F(Recursos, IconLoadsAsA32By32ColourIcon) {
    HICON icono = LoadIconA(modulo(), "MYICON");
    ASSERT_NE(icono, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icono, &info));
    EXPECT_TRUE(info.fIcon);
    ASSERT_NE(info.hbmColor, nullptr);
    BITMAP bm{};
    ASSERT_NE(GetObjectA(info.hbmColor, sizeof bm, &bm), 0);
    EXPECT_EQ(bm.bmWidth, 32);
    EXPECT_EQ(bm.bmHeight, 32);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
}

}  // namespace
