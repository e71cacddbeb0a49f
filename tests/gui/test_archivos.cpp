// "&Load" and "&Save" through the system's own Open and Save dialogs, as a
// user drives them: the path typed into the file name box, the button
// pressed. The saved files are read back byte for byte; what Load stores is
// seen by saving it again and by the next render.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "../registros_prueba.h"
#include "con_programa.h"
#include "imagen_png.h"
#include "leer_png.h"

using namespace brenquil;
using namespace brenquil::prueba;

namespace {

namespace fs = std::filesystem;

std::optional<std::string> leerArchivo(const fs::path& ruta) {
    std::ifstream f(ruta, std::ios::binary);
    if (!f) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

bool escribirArchivo(const fs::path& ruta, const std::string& bytes) {
    std::ofstream f(ruta, std::ios::binary | std::ios::trunc);
    f << bytes;
    f.close();
    return !f.fail();
}

bool existe(const std::string& ruta) { return GetFileAttributesA(ruta.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Removes the files of a folder (read-only ones too, and names beyond the
// ANSI code page) and the folder itself; true when it is gone.
bool borrarCarpeta(const std::string& carpeta) {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(carpeta, ec)) SetFileAttributesW(e.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    fs::remove_all(carpeta, ec);
    return !fs::exists(carpeta, ec);
}

class Archivos : public ConPrograma {
protected:
    // Each test works in a folder of its own under %TEMP%, made new with a
    // name no other run holds, so that it sees no file of an earlier run.
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(ConPrograma::SetUp());
        char buffer[MAX_PATH];
        const DWORD n = GetTempPathA(MAX_PATH, buffer);
        ASSERT_TRUE(n > 0 && n < MAX_PATH) << "no temporary folder";
        const std::string temporal(buffer, n);
        const std::string base = "brenquil-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                                 "-" + std::to_string(GetCurrentProcessId()) + "-";
        for (int i = 0; i < 100 && carpeta.empty(); ++i) {
            const std::string nombre = base + std::to_string(i);
            if (CreateDirectoryA((temporal + nombre).c_str(), nullptr)) {
                nombreCarpeta = nombre;
                carpeta = temporal + nombre + "\\";
            }
        }
        ASSERT_FALSE(carpeta.empty()) << "cannot make a folder " << temporal << base << "N";
    }

    // The program ends first: the file dialogs may have made the folder its
    // current one, which keeps the folder from being removed. The test leaves
    // nothing behind.
    void TearDown() override {
        ConPrograma::TearDown();
        if (!carpeta.empty()) {
            EXPECT_TRUE(borrarCarpeta(carpeta)) << carpeta << " was left behind";
        }
    }

    std::string ruta(const char* nombre) const { return carpeta + nombre; }

    // Runs Load or Save and waits for the system's dialog, owned by the main
    // window, moved off the picture.
    void abrirDialogo(WORD comando, HWND& dialogo) {
        abrirCuadro(comando, comando == CM_SAVE ? "Save As" : "Open", dialogo);
    }

    void nombreEnDialogo(HWND dialogo, std::string& nombre) {
        const HWND caja = cajaNombreArchivo(dialogo);
        ASSERT_NE(caja, nullptr) << "no file name box";
        nombre = textoVentana(caja);
    }

    // The dialog opens on a path: its folder is the one shown (cmb2, "Save
    // in" or "Look in"), its file name in the name box.
    void abiertoEn(HWND dialogo, const std::string& nombreArchivo) {
        std::string nombre;
        ASSERT_NO_FATAL_FAILURE(nombreEnDialogo(dialogo, nombre));
        EXPECT_EQ(nombre, nombreArchivo);
        EXPECT_EQ(textoControl(dialogo, cmb2), nombreCarpeta);
    }

    // Types the path into the file name box and presses the dialog's button.
    template <typename Texto>
    void elegir(HWND dialogo, const Texto& camino) {
        const HWND caja = cajaNombreArchivo(dialogo);
        ASSERT_NE(caja, nullptr) << "no file name box";
        ASSERT_TRUE(ponerTexto(caja, camino));
        ASSERT_TRUE(pulsarYEsperarCierre(dialogo, IDOK)) << "the dialog did not take " << ::testing::PrintToString(camino);
    }

    // Save to a path; waits until the file holds `esperado`.
    void guardarComo(const std::string& camino, const std::string& esperado) {
        HWND dialogo = nullptr;
        ASSERT_NO_FATAL_FAILURE(abrirDialogo(CM_SAVE, dialogo));
        ASSERT_NO_FATAL_FAILURE(elegir(dialogo, camino));
        std::optional<std::string> bytes;
        const bool ok = esperarHasta([&] {
            bytes = leerArchivo(camino);
            return bytes == esperado;
        });
        ASSERT_TRUE(ok) << camino << " holds |" << bytes.value_or("(nothing)") << "| instead of |" << esperado << "|";
    }

    void cargarDe(const std::string& camino) {
        HWND dialogo = nullptr;
        ASSERT_NO_FATAL_FAILURE(abrirDialogo(CM_LOAD, dialogo));
        ASSERT_NO_FATAL_FAILURE(elegir(dialogo, camino));
        ASSERT_TRUE(sincronizar(programa));
    }

    // Types the limit, corner and side into "Parametros de Enfoque"; with
    // `porDefecto` presses "Default" and "Cancel" instead.
    void fijarVista(const char* iteraciones, const char* x, const char* y, const char* lado, bool porDefecto = false) {
        programa.comando(CM_PARAMETROS);
        const HWND cuadro = programa.esperarCuadro("Parametros de Enfoque");
        ASSERT_NE(cuadro, nullptr);
        if (porDefecto) {
            pulsarBoton(cuadro, ID_DEFAULT);
            ASSERT_TRUE(pulsarYEsperarCierre(cuadro, IDCANCEL));
            return;
        }
        ASSERT_TRUE(ponerTextoControl(cuadro, ID_ITERACIONES, iteraciones));
        ASSERT_TRUE(ponerTextoControl(cuadro, ID_XSUPIZQ, x));
        ASSERT_TRUE(ponerTextoControl(cuadro, ID_YSUPIZQ, y));
        ASSERT_TRUE(ponerTextoControl(cuadro, ID_LADO, lado));
        ASSERT_TRUE(pulsarYEsperarCierre(cuadro, IDOK));
    }

    std::string carpeta;        // with its final backslash
    std::string nombreCarpeta;  // its own name, as the dialogs show it
};

// The start-up view and the second example give their 135 characters byte for
// byte. Each Save dialog opens on the path chosen last, and Save replaces an
// existing file without a question, leaving an ordinary writable file.
TEST_F(Archivos, GuardarDosVistasYReemplazar) {
    ASSERT_EQ(kRegistroInicial.size(), 135u);
    ASSERT_EQ(kRegistroEjemplo.size(), 135u);
    esperarPrimeraImagen();
    ASSERT_NO_FATAL_FAILURE(fijarVista(nullptr, nullptr, nullptr, nullptr, true));

    const std::string inicial = ruta("inicial.str");
    const std::string ejemplo = ruta("ejemplo.str");
    HWND dialogo = nullptr;
    ASSERT_NO_FATAL_FAILURE(abrirDialogo(CM_SAVE, dialogo));
    std::string nombre;
    ASSERT_NO_FATAL_FAILURE(nombreEnDialogo(dialogo, nombre));
    EXPECT_EQ(nombre, "") << "the first dialog of the run has a name already";
    ASSERT_NO_FATAL_FAILURE(elegir(dialogo, inicial));
    std::optional<std::string> bytes;
    ASSERT_TRUE(esperarHasta([&] { return (bytes = leerArchivo(inicial)) == kRegistroInicial; }))
        << "|" << bytes.value_or("(nothing)") << "|";

    ASSERT_NO_FATAL_FAILURE(fijarVista("1024", "-0.75", "0.125", "6.103515625e-05"));
    programa.comando(CM_PLANO_CARDIOIDE_INV);
    programa.comando(CM_COLOR_DESC_BINARIA);
    programa.comando(CM_DWELL_NO);

    // The second dialog offers the first path; its button alone saves over
    // that file, with no question.
    ASSERT_NO_FATAL_FAILURE(abrirDialogo(CM_SAVE, dialogo));
    ASSERT_NO_FATAL_FAILURE(abiertoEn(dialogo, "inicial.str"));
    ASSERT_TRUE(pulsarYEsperarCierre(dialogo, IDOK)) << "the dialog did not close on its button";
    ASSERT_TRUE(esperarHasta([&] { return (bytes = leerArchivo(inicial)) == kRegistroEjemplo; }))
        << "|" << bytes.value_or("(nothing)") << "|";
    EXPECT_EQ(GetFileAttributesA(inicial.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);

    ASSERT_NO_FATAL_FAILURE(guardarComo(ejemplo, kRegistroEjemplo));
    ASSERT_TRUE(sincronizar(programa));
    EXPECT_TRUE(cuadrosVisibles(programa).empty()) << "a box was left open";
}

// Load stores all seven values (saving them again gives the loaded file) and
// neither repaints nor renders; the next render draws the loaded view with
// the loaded limit once the step is 0. Load and Save share the last path.
TEST_F(Archivos, CargarRestauraSinRepintar) {
    const std::string ejemplo = ruta("ejemplo.str");
    const std::string vista = ruta("vista.str");
    const std::string copia = ruta("copia.str");
    const std::string registroVista =
        "100" + espacios(3) + "300350380" + campo40("-2.5") + campo40("1.25") + campo40("2.5");
    ASSERT_TRUE(escribirArchivo(ejemplo, kRegistroEjemplo));
    ASSERT_TRUE(escribirArchivo(vista, registroVista));
    esperarPrimeraImagen();

    HWND dialogo = nullptr;
    ASSERT_NO_FATAL_FAILURE(abrirDialogo(CM_LOAD, dialogo));
    esperarImagen(imagenInicial(62), "the picture beside the dialog");
    const TestigoPintura testigo(programa);
    ASSERT_TRUE(testigo.dibujado());
    ASSERT_NO_FATAL_FAILURE(elegir(dialogo, ejemplo));
    std::string motivo;
    EXPECT_TRUE(testigo.intacto(motivo)) << motivo;
    EXPECT_EQ(programa.hilosCalculo(), 0) << "Load started a render";

    ASSERT_NO_FATAL_FAILURE(abrirDialogo(CM_SAVE, dialogo));
    ASSERT_NO_FATAL_FAILURE(abiertoEn(dialogo, "ejemplo.str")) << "Save does not open on the path Load chose";
    ASSERT_NO_FATAL_FAILURE(elegir(dialogo, copia));
    std::optional<std::string> bytes;
    EXPECT_TRUE(esperarHasta([&] { return (bytes = leerArchivo(copia)) == kRegistroEjemplo; }))
        << "the loaded values saved again: |" << bytes.value_or("(nothing)") << "|";

    ASSERT_NO_FATAL_FAILURE(abrirDialogo(CM_LOAD, dialogo));
    ASSERT_NO_FATAL_FAILURE(abiertoEn(dialogo, "copia.str")) << "Load does not open on the path Save chose";
    ASSERT_NO_FATAL_FAILURE(elegir(dialogo, vista));
    // The step 0 renders the loaded limit itself.
    programa.comando(CM_ITER_ACTUAL);
    programa.comando(CM_EJECUTAR_DETENER);
    esperarImagen(imagenDeVista(ParametrosEnfoque(-2.5L, 1.25L, 2.5L), 100),
                  "the loaded view with 100 iterations, plane 300, colour 350, dwell 380");
}

// Cancel in either dialog changes nothing: no value is loaded, no file is written.
TEST_F(Archivos, CancelarNoCambiaNada) {
    const std::string ejemplo = ruta("ejemplo.str");
    const std::string nuevo = ruta("nuevo.str");
    const std::string estado = ruta("estado.str");
    ASSERT_TRUE(escribirArchivo(ejemplo, kRegistroEjemplo));
    esperarPrimeraImagen();

    HWND dialogo = nullptr;
    ASSERT_NO_FATAL_FAILURE(abrirDialogo(CM_LOAD, dialogo));
    ASSERT_TRUE(ponerTexto(cajaNombreArchivo(dialogo), ejemplo));
    ASSERT_TRUE(pulsarYEsperarCierre(dialogo, IDCANCEL));

    ASSERT_NO_FATAL_FAILURE(abrirDialogo(CM_SAVE, dialogo));
    ASSERT_TRUE(ponerTexto(cajaNombreArchivo(dialogo), nuevo));
    ASSERT_TRUE(pulsarYEsperarCierre(dialogo, IDCANCEL));
    ASSERT_TRUE(sincronizar(programa));
    EXPECT_FALSE(existe(nuevo)) << "Cancel wrote a file";

    // The state is still the start-up one after its first render (limit 30 + 32).
    ASSERT_NO_FATAL_FAILURE(guardarComo(estado, "62" + kRegistroInicial.substr(2)));
}

// Names outside the ANSI code page, typed into the dialogs, reach the file
// system as written, in Save and in Load, and the next dialog offers them
// again; the file that a look-alike would name (O.str) is never touched.
TEST_F(Archivos, NombresFueraDeLaPaginaDeCodigos) {
    const fs::path carpetaAncha(carpeta);
    ASSERT_TRUE(escribirArchivo(ruta("O.str"), "anterior"));
    esperarPrimeraImagen();
    // The state saved: at first the start-up one after its first render
    // (limit 30 + 32), then each view loaded.
    std::string estado = "62" + kRegistroInicial.substr(2);
    const std::wstring nombres[] = {L"\u03A9.str", L"\u041F\u0440\u0438\u0432\u0435\u0442.str",
                                    L"\u65E5\u672C.str", L"\u00E9\u20AC.str"};  // Ω, Привет, 日本, é€
    std::vector<std::wstring> esperados{L"O.str", L"copia.str"};
    int limite = 100;
    for (const std::wstring& nombre : nombres) {
        SCOPED_TRACE(::testing::PrintToString(nombre));
        const fs::path archivo = carpetaAncha / nombre;
        esperados.push_back(nombre);
        HWND dialogo = nullptr;
        ASSERT_NO_FATAL_FAILURE(abrirDialogo(CM_SAVE, dialogo));
        ASSERT_NO_FATAL_FAILURE(elegir(dialogo, archivo.wstring()));
        std::optional<std::string> bytes;
        ASSERT_TRUE(esperarHasta([&] { return (bytes = leerArchivo(archivo)) == estado; }))
            << "|" << bytes.value_or("(nothing)") << "|";

        // A view of its own in the file, loaded by the name the dialog
        // offers: the next save writes it.
        estado = std::to_string(limite++) + espacios(3) + "300350380" + campo40("-2.5") + campo40("1.25") +
                 campo40("2.5");
        ASSERT_TRUE(escribirArchivo(archivo, estado));
        ASSERT_NO_FATAL_FAILURE(abrirDialogo(CM_LOAD, dialogo));
        EXPECT_EQ(textoAncho(cajaNombreArchivo(dialogo)), nombre) << "Load does not offer the name saved last";
        ASSERT_TRUE(pulsarYEsperarCierre(dialogo, IDOK));
        ASSERT_TRUE(sincronizar(programa));
    }
    ASSERT_NO_FATAL_FAILURE(guardarComo(ruta("copia.str"), estado));
    EXPECT_EQ(leerArchivo(ruta("O.str")), "anterior");
    std::vector<std::wstring> hallados;
    for (const auto& e : fs::directory_iterator(carpetaAncha)) hallados.push_back(e.path().filename().wstring());
    std::sort(hallados.begin(), hallados.end());
    std::sort(esperados.begin(), esperados.end());
    EXPECT_EQ(hallados, esperados);
}

// A Save that cannot write says so in a box on the main window, naming the
// file and the reason, and leaves the old bytes whole: a read-only file, a
// file that another program holds and lets no one write. A file that another
// program holds but lets others write is saved at once, as a plain save
// writes it, with no box.
TEST_F(Archivos, GuardadoFallidoLoDiceYConservaElArchivo) {
    constexpr DWORD SOLO_LECTURA = ~DWORD{0};
    struct Caso {
        const char* nombre;
        DWORD compartir;     // the holder's share mode, or SOLO_LECTURA for a read-only file no one holds
        const char* motivo;  // the reason the box gives; nullptr when the save succeeds
    };
    const Caso casos[] = {
        {"solo-lectura.str", SOLO_LECTURA, "el archivo es de solo lectura"},
        {"sin-compartir.str", 0, "otro programa tiene el archivo abierto"},
        {"solo-leer.str", FILE_SHARE_READ, "otro programa tiene el archivo abierto"},
        {"compartido.str", FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr},
        {"todo-compartido.str", FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr},
    };
    const std::string anterior = "contenido anterior, que nadie debe tocar";
    const std::string guardado = "62" + kRegistroInicial.substr(2);
    esperarPrimeraImagen();
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.nombre);
        const std::string archivo = ruta(c.nombre);
        ASSERT_TRUE(escribirArchivo(archivo, anterior));
        HANDLE tenido = INVALID_HANDLE_VALUE;
        if (c.compartir == SOLO_LECTURA) {
            ASSERT_TRUE(SetFileAttributesA(archivo.c_str(), FILE_ATTRIBUTE_READONLY));
        } else {
            tenido = CreateFileW(fs::path(archivo).c_str(), GENERIC_READ, c.compartir, nullptr, OPEN_EXISTING, 0, nullptr);
            ASSERT_NE(tenido, INVALID_HANDLE_VALUE);
        }
        HWND dialogo = nullptr;
        ASSERT_NO_FATAL_FAILURE(abrirDialogo(CM_SAVE, dialogo));
        ASSERT_NO_FATAL_FAILURE(elegir(dialogo, archivo));
        // A box the save shows is up before the window takes a message again.
        ASSERT_TRUE(sincronizar(programa));
        if (c.motivo) {
            const HWND cuadro = programa.esperarCuadro("Save");
            ASSERT_NE(cuadro, nullptr) << "no \"Save\" box";
            const std::optional<Cuadro> leido = leerCuadro(cuadro);
            ASSERT_TRUE(leido.has_value());
            EXPECT_EQ(leido->texto, "No se pudo guardar " + archivo + ":\n" + c.motivo);
            EXPECT_EQ(leido->botones, std::vector<int>{IDOK});
            EXPECT_EQ(leido->propietario, programa.ventana());
            ASSERT_NO_FATAL_FAILURE(responder(cuadro, IDOK));
        } else {
            EXPECT_TRUE(cuadrosVisibles(programa).empty()) << "a message was shown";
        }
        if (tenido != INVALID_HANDLE_VALUE) CloseHandle(tenido);
        EXPECT_EQ(leerArchivo(archivo), c.motivo ? anterior : guardado);
        SetFileAttributesA(archivo.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

}  // namespace

namespace {

// Runs brenquil-render.exe with `args` and waits for it; its exit code, or -1.
int ejecutarRender(const std::vector<std::string>& args) {
    std::string exe = carpetaPropia() + BRENQUIL_RENDER_EXE;
    for (char& c : exe)
        if (c == '/') c = '\\';
    std::string linea = "\"" + exe + "\"";
    for (const std::string& a : args) linea += " \"" + a + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(exe.c_str(), linea.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
    DWORD codigo = static_cast<DWORD>(-1);
    if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &codigo);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<int>(codigo);
}

}  // namespace

// Load takes the view inside a PNG of brenquil-render.exe, and the view of
// the same PNG saved by it as a parameter file: drawn with the step 0 ("0
// (Parametros Actuales)"), each gives the PNG's own pixels. A PNG without the
// view, and one of a view deeper than 80 bits, are refused in a "Load" box
// naming them, and the view stays as it was.
TEST_F(Archivos, LaVistaDeUnPngDaLaMismaImagenEnLaVentana) {
    const std::string png = ruta("vista.png");
    const std::string str = ruta("vista.str");
    const std::string sinVista = ruta("sin-vista.png");
    ASSERT_EQ(ejecutarRender({"--plane", "parabola", "--color", "desc-binaria", "--iterations", "150", "--step", "32",
                              "--center", "-0.4,0.6", "--radius", "1.5", "-o", png}),
              0);
    ASSERT_EQ(ejecutarRender({png, "--save-view", str}), 0);
    // A view deeper than the window's 80-bit numbers, drawn by brenquil-render with 128-bit ones.
    const std::string hondo = ruta("hondo.png");
    ASSERT_EQ(ejecutarRender({"--center", "0,-1", "--side", "1e-20", "--iterations", "100", "--size", "40x40", "-o", hondo}),
              0);
    std::string error;
    const std::optional<PngLeido> leido = leerPng(png, error);
    ASSERT_TRUE(leido) << error;
    Imagen esperada(400, 400);
    esperada.pixeles = leido->pixeles;
    {
        // A PNG as any other program writes one: pixels and a description.
        std::FILE* f = std::fopen(sinVista.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        EscritorPng escritor;
        const std::vector<Color> pixeles(4 * 4, BLANCO);
        EXPECT_EQ(escritor.empezar(f, 4, 4, {{"Description", "no view"}}), "");
        EXPECT_EQ(escritor.escribirFilas(pixeles.data(), 4), "");
        EXPECT_EQ(escritor.terminar(), "");
        ASSERT_EQ(std::fclose(f), 0);
    }

    esperarPrimeraImagen();
    programa.comando(CM_ITER_ACTUAL);
    // The start-up view between the two, so that each Load has a view to change.
    for (const std::string& archivo : {str, png}) {
        SCOPED_TRACE(archivo);
        ASSERT_NO_FATAL_FAILURE(fijarVista(nullptr, nullptr, nullptr, nullptr, true));
        ASSERT_NO_FATAL_FAILURE(cargarDe(archivo));
        programa.comando(CM_EJECUTAR_DETENER);
        esperarImagen(esperada, "the view of the PNG, drawn by the window");
    }

    const std::pair<std::string, std::string> rechazados[] = {
        {sinVista, "el PNG no contiene una vista de Brenquil"},
        {hondo, "la vista es mas profunda de lo que resuelven los numeros de 80 bits"},
    };
    for (const auto& [archivo, motivo] : rechazados) {
        SCOPED_TRACE(archivo);
        HWND dialogo = nullptr;
        ASSERT_NO_FATAL_FAILURE(abrirDialogo(CM_LOAD, dialogo));
        ASSERT_NO_FATAL_FAILURE(elegir(dialogo, archivo));
        const HWND cuadro = programa.esperarCuadro("Load");
        ASSERT_NE(cuadro, nullptr) << "no \"Load\" box";
        const std::optional<Cuadro> leidoCuadro = leerCuadro(cuadro);
        ASSERT_TRUE(leidoCuadro.has_value());
        EXPECT_EQ(leidoCuadro->texto, "No se pudo leer " + archivo + ":\n" + motivo);
        EXPECT_EQ(leidoCuadro->propietario, programa.ventana());
        ASSERT_NO_FATAL_FAILURE(responder(cuadro, IDOK));
        programa.comando(CM_EJECUTAR_DETENER);
        esperarImagen(esperada, "the view kept after a PNG refused");
    }
}
