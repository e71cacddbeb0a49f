// brenquil-render as a user runs it: the built program in a temporary folder,
// its PNG read back with stb_image and compared with the pixels that the
// literal loop and colouring give; its errors, exit codes and the
// files it leaves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <poll.h>
#include <set>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "archivo_parametros.h"
#include "codigos.h"
#include "estado_visor.h"
#include "leer_png.h"
#include "numeros.h"
#include "opciones_color.h"
#include "referencia.h"
#include "registro_parametros.h"

extern char** environ;

using namespace brenquil;
namespace fs = std::filesystem;

namespace {

constexpr int LADO = 400;

struct Ejecucion {
    int codigo = -1;  // the exit status, or -1 when the program did not exit normally
    std::string salida;
    std::string errores;
};

// Runs the built program with `args` in `carpeta`, collecting what it prints;
// a program still running after the deadline is killed and the test fails.
// `comoUsuarioComun` runs it as the user nobody when the tests run as root,
// so that file permissions bind.
Ejecucion ejecutar(const fs::path& carpeta, const std::vector<std::string>& args, bool comoUsuarioComun = false) {
    Ejecucion e;
    int tuboSalida[2];
    int tuboErrores[2];
    if (pipe(tuboSalida) != 0 || pipe(tuboErrores) != 0) {
        ADD_FAILURE() << "pipe: " << std::strerror(errno);
        return e;
    }
    posix_spawn_file_actions_t acciones;
    posix_spawn_file_actions_init(&acciones);
    posix_spawn_file_actions_adddup2(&acciones, tuboSalida[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&acciones, tuboErrores[1], STDERR_FILENO);
    for (int fd : {tuboSalida[0], tuboSalida[1], tuboErrores[0], tuboErrores[1]}) {
        posix_spawn_file_actions_addclose(&acciones, fd);
    }
    posix_spawn_file_actions_addchdir_np(&acciones, carpeta.c_str());

    std::vector<std::string> orden;
    if (comoUsuarioComun && geteuid() == 0) orden = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    orden.push_back(BRENQUIL_RENDER_EXE);
    orden.insert(orden.end(), args.begin(), args.end());
    const std::string& programa = orden.front();
    std::vector<char*> argv;
    for (std::string& a : orden) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int fallo = posix_spawnp(&pid, programa.c_str(), &acciones, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&acciones);
    close(tuboSalida[1]);
    close(tuboErrores[1]);
    if (fallo != 0) {
        close(tuboSalida[0]);
        close(tuboErrores[0]);
        ADD_FAILURE() << "cannot start " << programa << ": " << std::strerror(fallo);
        return e;
    }

    const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    pollfd tubos[2] = {{tuboSalida[0], POLLIN, 0}, {tuboErrores[0], POLLIN, 0}};
    std::string* destinos[2] = {&e.salida, &e.errores};
    int abiertos = 2;
    while (abiertos > 0) {
        const auto queda = std::chrono::duration_cast<std::chrono::milliseconds>(limite - std::chrono::steady_clock::now());
        if (queda.count() <= 0) {
            kill(pid, SIGKILL);
            ADD_FAILURE() << "brenquil-render still running after 60 s";
            break;
        }
        if (poll(tubos, 2, static_cast<int>(queda.count())) < 0 && errno != EINTR) break;
        for (int i = 0; i < 2; ++i) {
            if (tubos[i].fd < 0 || tubos[i].revents == 0) continue;
            char bloque[4096];
            const ssize_t n = read(tubos[i].fd, bloque, sizeof bloque);
            if (n > 0) {
                destinos[i]->append(bloque, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                close(tubos[i].fd);
                tubos[i].fd = -1;
                --abiertos;
            }
        }
    }
    for (const pollfd& t : tubos) {
        if (t.fd >= 0) close(t.fd);
    }
    int estado = 0;
    while (waitpid(pid, &estado, 0) < 0 && errno == EINTR) {}
    if (WIFEXITED(estado)) e.codigo = WEXITSTATUS(estado);
    return e;
}

// A PNG read back as 0x00BBGGRR colours, row by row; nothing when it is not an
// 8-bit RGB 400 x 400 picture.
std::optional<std::vector<Color>> leerPng400(const fs::path& ruta) {
    std::string error;
    std::optional<PngLeido> png = leerPng(ruta, error);
    if (!png) {
        ADD_FAILURE() << error;
        return std::nullopt;
    }
    EXPECT_EQ(png->ancho, LADO);
    EXPECT_EQ(png->alto, LADO);
    EXPECT_EQ(png->canales, 3);
    EXPECT_FALSE(png->dieciseisBits);
    if (png->ancho != LADO || png->alto != LADO) return std::nullopt;
    return std::move(png->pixeles);
}

// The seven values of a view, as a parameter file holds them.
using Vista = RegistroParametros;

// The picture the view must give: the reference's, over black.
std::vector<Color> imagenEsperada(const Vista& v) {
    return imagenReferencia({v.plano, v.modoColor, v.dwell, v.iteraciones, {v.xSupIzq, v.ySupIzq, v.lado}});
}

// The first pixel where two pictures differ, for a readable failure.
::testing::AssertionResult mismaImagen(const std::vector<Color>& esperada, const std::vector<Color>& obtenida) {
    if (esperada.size() != obtenida.size()) {
        return ::testing::AssertionFailure() << "sizes " << esperada.size() << " and " << obtenida.size();
    }
    const auto [a, b] = std::mismatch(esperada.begin(), esperada.end(), obtenida.begin());
    if (a == esperada.end()) return ::testing::AssertionSuccess();
    const auto i = a - esperada.begin();
    return ::testing::AssertionFailure() << "first difference at column " << i % LADO << ", row " << i / LADO
                                         << ": expected 0x" << std::hex << *a << ", got 0x" << *b;
}

std::size_t coloresDistintos(const std::vector<Color>& pixeles) {
    return std::set<Color>(pixeles.begin(), pixeles.end()).size();
}

Color en(const std::vector<Color>& pixeles, int x, int y) { return pixeles[static_cast<std::size_t>(y) * LADO + x]; }

class BrenquilRender : public ::testing::Test {
protected:
    void SetUp() override {
        std::string plantilla = (fs::temp_directory_path() / "brenquil-render-XXXXXX").string();
        ASSERT_NE(mkdtemp(plantilla.data()), nullptr) << std::strerror(errno);
        carpeta_ = plantilla;
    }
    void TearDown() override {
        std::error_code ec;
        if (!carpeta_.empty()) fs::remove_all(carpeta_, ec);
    }

    // A parameter file written by the program's own writer.
    std::string guardar(const std::string& nombre, const Vista& v) {
        EstadoVisor estado;
        aplicarRegistro(v, estado);
        EXPECT_TRUE(guardarArchivoParametros(carpeta_ / nombre, estado));
        return nombre;
    }

    // Runs the program, which must succeed quietly, and reads its PNG.
    std::vector<Color> renderizar(const std::vector<std::string>& args, const std::string& salida = "sal.png") {
        std::vector<std::string> todos = args;
        todos.insert(todos.end(), {"-o", salida});
        const Ejecucion e = ejecutar(carpeta_, todos);
        EXPECT_EQ(e.codigo, 0) << e.errores;
        EXPECT_EQ(e.errores, "");
        std::optional<std::vector<Color>> pixeles = leerPng400(carpeta_ / salida);
        return pixeles ? *pixeles : std::vector<Color>{};
    }

    std::set<std::string> archivos() const {
        std::set<std::string> nombres;
        for (const auto& entrada : fs::directory_iterator(carpeta_)) nombres.insert(entrada.path().filename().string());
        return nombres;
    }

    fs::path carpeta_;
};

TEST_F(BrenquilRender, ElArchivoPorDefectoDaLosPixelesDeLaIteracionEnCadaColorYDwell) {
    for (const int32_t modo : {COLOR_ITERACION, COLOR_BLANCO_NEGRO, COLOR_DESC_BINARIA, COLOR_DESC_BINARIA_BN}) {
        for (const int32_t dwell : {DWELL_SI, DWELL_NO}) {
            SCOPED_TRACE("colour " + std::to_string(modo) + ", dwell " + std::to_string(dwell));
            Vista v;
            v.modoColor = modo;
            v.dwell = dwell;
            const std::string archivo = guardar("vista.str", v);

            // The default step 0: the file's own limit, 30.
            const std::vector<Color> treinta = renderizar({archivo});
            EXPECT_TRUE(mismaImagen(imagenEsperada(v), treinta));

            // Step 32, as the window's first render: 62 iterations.
            const std::vector<Color> sesentaYDos = renderizar({archivo, "--paso", "32"});
            Vista v62 = v;
            v62.iteraciones = 62;
            EXPECT_TRUE(mismaImagen(imagenEsperada(v62), sesentaYDos));

            // Column 75 of row 200 is c = -1, inside the set: n is the limit.
            // Column 399 escapes at once: n = 0, drawn only under DWELL_SI.
            if (modo == COLOR_ITERACION && !treinta.empty()) {
                EXPECT_EQ(en(treinta, 75, 200), colorRGB(116, 182, 255));
                EXPECT_EQ(en(treinta, 399, 200), dwell == DWELL_SI ? colorRGB(128, 128, 128) : NEGRO);
            }
            if (modo == COLOR_BLANCO_NEGRO && !sesentaYDos.empty()) {
                EXPECT_EQ(en(sesentaYDos, 75, 200), NEGRO);  // n = 62 is even
            }
        }
    }
}

TEST_F(BrenquilRender, LasOpcionesDanLaMismaImagenQueElArchivo) {
    const Vista v{150, PLANO_CARDIOIDE_INV, COLOR_DESC_BINARIA, DWELL_NO, -3.0L, 2.5L, 6.0L};
    const std::vector<Color> esperada = imagenEsperada(v);
    // Black where points escape, and the two half-plane colours of the limit inside.
    ASSERT_EQ(coloresDistintos(esperada), 3u) << "the view shows too little to compare";

    const std::vector<Color> delArchivo = renderizar({guardar("vista.str", v)});
    EXPECT_TRUE(mismaImagen(esperada, delArchivo));
    const std::vector<Color> deOpciones = renderizar({"--iteraciones", "150", "--plano", "305", "--color", "365",
                                                     "--dwell", "385", "--x", "-3", "--y", "2.5", "--lado", "6"});
    EXPECT_TRUE(mismaImagen(delArchivo, deOpciones));
    // Names for the codes, the --name=value form, and options over a file
    // holding another view.
    const std::vector<Color> mezcla =
        renderizar({guardar("otra.str", Vista{}), "--iteraciones=150", "--plano=cardioide-inv", "--color",
                    "desc-binaria", "--dwell", "no", "--x=-3", "--y", "2.5", "--lado", "6"});
    EXPECT_TRUE(mismaImagen(delArchivo, mezcla));
}

TEST_F(BrenquilRender, UnoDosYTresHilosDanLaMismaImagen) {
    const Vista v{120, PLANO_PARABOLA, COLOR_ITERACION, DWELL_SI, -2.0L, 2.0L, 4.0L};
    const std::vector<Color> esperada = imagenEsperada(v);
    ASSERT_GT(coloresDistintos(esperada), 10u) << "the view shows too little to compare";
    const std::string archivo = guardar("vista.str", v);
    for (const char* hilos : {"1", "2", "3"}) {
        SCOPED_TRACE(std::string("--threads ") + hilos);
        EXPECT_TRUE(mismaImagen(esperada, renderizar({archivo, "--threads", hilos})));
    }
}

TEST_F(BrenquilRender, UnArchivoCortoCargaComoEnLaVentanaYAvisa) {
    // "40    ": limit 40, plane unchanged (300), everything else 0: every
    // pixel is c = 0, inside, and colour mode 0 draws it black.
    std::ofstream(carpeta_ / "corto.str", std::ios::binary) << "40    ";
    const Ejecucion e = ejecutar(carpeta_, {"corto.str", "-o", "sal.png"});
    EXPECT_EQ(e.codigo, 0) << e.errores;
    EXPECT_NE(e.errores.find("warning"), std::string::npos) << e.errores;
    Vista v{40, PLANO_CARDIOIDE, 0, 0, 0.0L, 0.0L, 0.0L};
    const std::optional<std::vector<Color>> pixeles = leerPng400(carpeta_ / "sal.png");
    ASSERT_TRUE(pixeles);
    EXPECT_TRUE(mismaImagen(imagenEsperada(v), *pixeles));
}

TEST_F(BrenquilRender, LaAyudaVaALaSalidaYNoEscribeNada) {
    const Ejecucion e = ejecutar(carpeta_, {"--help"});
    EXPECT_EQ(e.codigo, 0);
    EXPECT_EQ(e.errores, "");
    for (const char* texto : {"Usage: brenquil-render", "-o", "--iteraciones", "--plano", "--color", "--dwell",
                              "--x", "--y", "--lado", "--paso", "--threads"}) {
        EXPECT_NE(e.salida.find(texto), std::string::npos) << texto;
    }
    EXPECT_TRUE(archivos().empty());
}

TEST_F(BrenquilRender, CadaErrorFallaConUnMensajeYNoDejaArchivos) {
    const std::string archivo = guardar("vista.str", Vista{});
    fs::create_directory(carpeta_ / "subcarpeta");
    // An earlier picture at the target, which no failed run may touch.
    std::ofstream(carpeta_ / "sal.png", std::ios::binary) << "anterior";
    std::ofstream(carpeta_ / "protegida.png", std::ios::binary) << "protegida";
    fs::permissions(carpeta_ / "protegida.png", fs::perms::owner_write | fs::perms::group_write |
                                                    fs::perms::others_write, fs::perm_options::remove);
    const std::set<std::string> antes = archivos();

    struct Caso {
        std::vector<std::string> args;
        int codigo;
        std::string mensaje;
    };
    const Caso casos[] = {
        {{"no-existe.str", "-o", "sal.png"}, 1, "no such file"},
        {{"subcarpeta", "-o", "sal.png"}, 1, "folder"},
        {{archivo, "-o", "sal.png", "--zoom", "2"}, 2, "unknown option '--zoom'"},
        {{archivo, "-o"}, 2, "-o needs a value"},
        {{archivo, "-o", "sal.png", "--lado"}, 2, "--lado needs a value"},
        {{archivo, "-o", "sal.png", "--lado", "1x"}, 2, "not a number"},
        {{archivo, "-o", "sal.png", "--x", "abc"}, 2, "not a number"},
        {{archivo, "-o", "sal.png", "--iteraciones", "3.5"}, 2, "not an integer"},
        {{archivo, "-o", "sal.png", "--iteraciones", "70000"}, 2, "outside"},
        {{archivo, "-o", "sal.png", "--threads", "0"}, 2, "outside"},
        {{archivo}, 2, "-o"},
        {{archivo, "-o", "no-existe/sal.png"}, 1, "no folder"},
        {{archivo, "-o", "subcarpeta"}, 1, "folder"},
        {{archivo, "-o", "protegida.png"}, 1, "read-only"},
        {{archivo, "-o", "./" + archivo}, 2, "is the parameter file itself"},
    };
    for (const Caso& c : casos) {
        std::string orden;
        for (const std::string& a : c.args) orden += " " + a;
        SCOPED_TRACE("brenquil-render" + orden);
        const Ejecucion e = ejecutar(carpeta_, c.args);
        EXPECT_EQ(e.codigo, c.codigo) << e.errores;
        EXPECT_NE(e.errores.find("brenquil-render: "), std::string::npos) << e.errores;
        EXPECT_NE(e.errores.find(c.mensaje), std::string::npos) << e.errores;
        EXPECT_EQ(e.salida, "");
        EXPECT_EQ(archivos(), antes);
        EXPECT_TRUE(fs::is_empty(carpeta_ / "subcarpeta"));
    }
    std::ifstream anterior(carpeta_ / "sal.png", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(anterior), {}), "anterior");
}

// The reasons the system gives: a parameter file that cannot be read, and a
// folder that takes no new file (found by making one there, which must leave
// nothing behind).
TEST_F(BrenquilRender, SinPermisoFallaConLaRazonDelSistema) {
    const std::string archivo = guardar("vista.str", Vista{});
    fs::create_directory(carpeta_ / "abierta");
    fs::create_directory(carpeta_ / "cerrada");
    fs::permissions(carpeta_, fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
    fs::permissions(carpeta_ / "abierta", fs::perms::all, fs::perm_options::replace);
    fs::permissions(carpeta_ / "cerrada", static_cast<fs::perms>(0555), fs::perm_options::replace);
    fs::permissions(carpeta_ / archivo, fs::perms::owner_write, fs::perm_options::replace);

    const Ejecucion ilegible = ejecutar(carpeta_, {archivo, "-o", "abierta/sal.png"}, true);
    EXPECT_EQ(ilegible.codigo, 1) << ilegible.errores;
    EXPECT_EQ(ilegible.errores, "brenquil-render: cannot read 'vista.str': Permission denied\n");
    EXPECT_TRUE(fs::is_empty(carpeta_ / "abierta"));

    const Ejecucion cerrada = ejecutar(carpeta_, {"-o", "cerrada/sal.png"}, true);
    EXPECT_EQ(cerrada.codigo, 1) << cerrada.errores;
    EXPECT_EQ(cerrada.errores, "brenquil-render: cannot write 'cerrada/sal.png': Permission denied\n");
    EXPECT_TRUE(fs::is_empty(carpeta_ / "cerrada"));

    // The same folder open again: the check passes and the picture is written.
    fs::permissions(carpeta_ / "cerrada", fs::perms::all, fs::perm_options::replace);
    const Ejecucion abierta = ejecutar(carpeta_, {"-o", "cerrada/sal.png"}, true);
    EXPECT_EQ(abierta.codigo, 0) << abierta.errores;
    EXPECT_TRUE(fs::exists(carpeta_ / "cerrada" / "sal.png"));
}

TEST_F(BrenquilRender, UnaImagenNuevaReemplazaLaAnteriorSinDejarTemporales) {
    std::ofstream(carpeta_ / "sal.png", std::ios::binary) << "anterior";
    fs::create_directory(carpeta_ / "dentro");
    const std::vector<Color> pixeles = renderizar({"--lado", "4", "--x", "-2", "--y", "2"}, "sal.png");
    EXPECT_FALSE(pixeles.empty());
    renderizar({}, "dentro/otra.png");
    EXPECT_EQ(archivos(), (std::set<std::string>{"sal.png", "dentro"}));
    EXPECT_EQ(fs::directory_iterator(carpeta_ / "dentro")->path().filename(), "otra.png");
    // An ordinary new file: the umask decides its mode, not the temporary file's creation.
    const mode_t mascara = umask(0);
    umask(mascara);
    EXPECT_EQ(fs::status(carpeta_ / "sal.png").permissions(), static_cast<fs::perms>(0666 & ~mascara));
}

}  // namespace
