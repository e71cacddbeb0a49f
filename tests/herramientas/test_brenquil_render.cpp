// brenquil-render as a user runs it: the built program in a temporary folder,
// its PNG read back with stb_image and compared with today's pictures and
// with the literal loop and colouring; the view travelling inside the PNG;
// every refusal, failure and warning with its exit code; and the files it
// leaves, also when it is interrupted.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <poll.h>
#include <set>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <tuple>
#include <unistd.h>
#include <utility>
#include <vector>
#include <zlib.h>

#include "codigos.h"
#include "imagen_png.h"
#include "leer_png.h"
#include "lienzo.h"
#include "numero_p.h"
#include "numeros.h"
#include "opciones_color.h"
#include "referencia.h"
#include "registro_parametros.h"

extern char** environ;

using namespace brenquil;
namespace fs = std::filesystem;

namespace {

constexpr int LADO = 400;

// The user nobody when the tests run as root, so that file permissions bind.
std::vector<std::string> comoUsuarioComun() {
    if (geteuid() != 0) return {};
    return {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
}

struct Ejecucion {
    int codigo = -1;  // the exit status, or -1 when the program did not exit normally
    std::string salida;
    std::string errores;
};

// Runs the built program with `args` in `carpeta`, collecting what it prints;
// a program still running after the deadline is killed and the test fails.
// `delante` is a command that runs it (as another user, under a limit);
// `programa` runs another program instead.
Ejecucion ejecutar(const fs::path& carpeta, const std::vector<std::string>& args,
                   const std::vector<std::string>& delante = {}, const std::string& programa = BRENQUIL_RENDER_EXE) {
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

    std::vector<std::string> orden = delante;
    orden.push_back(programa);
    orden.insert(orden.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : orden) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int fallo = posix_spawnp(&pid, orden.front().c_str(), &acciones, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&acciones);
    close(tuboSalida[1]);
    close(tuboErrores[1]);
    if (fallo != 0) {
        close(tuboSalida[0]);
        close(tuboErrores[0]);
        ADD_FAILURE() << "cannot start " << orden.front() << ": " << std::strerror(fallo);
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
            ADD_FAILURE() << programa << " still running after 60 s";
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


// The PNG read back; nothing (and a failure) when it does not decode.
std::optional<PngLeido> leer(const fs::path& ruta) {
    std::string error;
    std::optional<PngLeido> png = leerPng(ruta, error);
    if (!png) ADD_FAILURE() << error;
    return png;
}

// The CRC-32 of the picture's RGB bytes, row by row.
uint32_t crcRgb(const std::vector<Color>& pixeles) {
    std::vector<unsigned char> rgb;
    for (Color c : pixeles) rgb.insert(rgb.end(), {rojoDe(c), verdeDe(c), azulDe(c)});
    return static_cast<uint32_t>(crc32(0, rgb.data(), static_cast<uInt>(rgb.size())));
}

std::string contenido(const fs::path& ruta) {
    std::ifstream archivo(ruta, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(archivo), {});
}

// The view of a PNG of brenquil-render: the record, with the corner and side
// read here from the lines "x=", "y=" and "side=" of its "Brenquil render" text.
Vista vistaDelPng(const fs::path& ruta) {
    Vista v;
    std::FILE* f = std::fopen(ruta.c_str(), "rb");
    if (f == nullptr) {
        ADD_FAILURE() << "cannot open " << ruta;
        return v;
    }
    LecturaPng leidos;
    std::string error;
    const bool bien = leerTextosPng(f, "", {{"Brenquil view", 4096}, {"Brenquil render", 4096}}, leidos, error);
    std::fclose(f);
    if (!bien || !leidos.textos[0] || !leidos.textos[1]) {
        ADD_FAILURE() << ruta << ": " << error;
        return v;
    }
    leerRegistro(*leidos.textos[0], v);
    const std::string& dibujo = *leidos.textos[1];
    for (auto [clave, valor] : {std::pair{"\nx=", &v.xSupIzq}, {"\ny=", &v.ySupIzq}, {"\nside=", &v.lado}}) {
        const std::size_t donde = dibujo.find(clave);
        if (donde == std::string::npos) {
            ADD_FAILURE() << ruta << " lacks " << clave + 1;
            continue;
        }
        *valor = std::strtold(dibujo.c_str() + donde + std::strlen(clave), nullptr);
    }
    return v;
}

// The view a picture shows, for the reference.
VistaReferencia vistaDe(const Vista& r) {
    return {r.plano, r.modoColor, r.dwell, r.iteraciones, {r.xSupIzq, r.ySupIzq, r.lado}};
}

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

    // A parameter file of the view, as the window saves it.
    std::string guardar(const std::string& nombre, const Vista& v) {
        std::ofstream(carpeta_ / nombre, std::ios::binary) << escribirRegistro(v);
        return nombre;
    }

    // Runs the program, which must succeed quietly, and reads its PNG.
    PngLeido renderizar(std::vector<std::string> args, const std::string& salida = "sal.png") {
        args.insert(args.end(), {"-o", salida});
        const Ejecucion e = ejecutar(carpeta_, args);
        EXPECT_EQ(e.codigo, 0) << e.errores;
        EXPECT_EQ(e.errores, "");
        return leer(carpeta_ / salida).value_or(PngLeido{});
    }

    // A PNG of one pixel with these texts.
    void pngConTextos(const std::string& nombre, const std::vector<TextoPng>& textos) {
        std::FILE* f = std::fopen((carpeta_ / nombre).c_str(), "wb");
        ASSERT_NE(f, nullptr);
        EscritorPng png;
        const Color pixel = 0;
        EXPECT_EQ(png.empezar(f, 1, 1, textos), "");
        EXPECT_EQ(png.escribirFilas(&pixel, 1), "");
        EXPECT_EQ(png.terminar(), "");
        std::fclose(f);
    }

    // Starts the program with `args` in the folder, without waiting for it:
    // its process id, or -1 (and a failure).
    pid_t lanzar(std::vector<std::string> args) {
        args.insert(args.begin(), BRENQUIL_RENDER_EXE);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t acciones;
        posix_spawn_file_actions_init(&acciones);
        posix_spawn_file_actions_addchdir_np(&acciones, carpeta_.c_str());
        pid_t pid = -1;
        EXPECT_EQ(posix_spawn(&pid, argv[0], &acciones, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&acciones);
        return pid;
    }

    std::set<std::string> archivos() const {
        std::set<std::string> nombres;
        for (const auto& entrada : fs::directory_iterator(carpeta_)) nombres.insert(entrada.path().filename().string());
        return nombres;
    }

    fs::path carpeta_;
};

// At 400 x 400 the pictures are byte for byte those the program wrote before
// it drew any other size (their CRCs, taken then), and the reference's.
TEST_F(BrenquilRender, A400LosPixelesDeSiempre) {
    struct Caso {
        std::vector<std::string> args;
        uint32_t crc;
    };
    const Caso casos[] = {
        {{}, 0xa950585d},
        {{"--plano", "305", "--color", "365", "--iteraciones", "200", "--x", "-4", "--y", "4", "--lado", "8"}, 0xb6161c5d},
        {{"--plano", "310", "--x", "-3", "--y", "3", "--lado", "6", "--color", "370", "--dwell", "385", "--iteraciones",
          "500"},
         0x209227cc},
        {{"--x", "-0.7436438870371587", "--y", "0.1318259042053", "--lado", "1e-10", "--iteraciones", "3000", "--color",
          "355"},
         0x67456c44},
        {{"--iteraciones", "32767", "--x", "-2.5", "--y", "1.5", "--lado", "3", "--color", "365"}, 0xfdd7d04e},
        {{"--x", "-0.743643887037163704752191506114774", "--y", "-0.131825904205306970493132056385139", "--lado",
          "1e-14", "--iteraciones", "2000", "--paso", "32"},
         0x7f4633af},
        {{"--plano", "305", "--x", "-0.5", "--y", "0.5", "--lado", "1", "--iteraciones", "100", "--dwell", "385"},
         0xb390d73d},
    };
    for (const Caso& c : casos) {
        std::string linea;
        for (const std::string& a : c.args) linea += " " + a;
        SCOPED_TRACE("brenquil-render" + linea);
        const PngLeido png = renderizar(c.args);
        EXPECT_EQ(png.ancho, 400);
        EXPECT_EQ(png.canales, 3);
        EXPECT_EQ(crcRgb(png.pixeles), c.crc);
    }
    // The second, against the reference too.
    const PngLeido png = renderizar(casos[1].args);
    EXPECT_TRUE(png.pixeles == imagenReferencia({305, 365, 380, 200, {-4, 4, 8}}));
}

// A picture taller than one band of rows, wide and supersampled, from a file,
// with one and three threads and to standard output: the reference's pixels,
// the same bytes every time.
TEST_F(BrenquilRender, CualquierTamanoYNumeroDeHilosDaLaImagenDeLaReferencia) {
    const Vista v{60, PLANO_PARABOLA, COLOR_DESC_BINARIA, DWELL_SI, -3.0L, 1.0L, 6.0L};
    const std::string archivo = guardar("vista.str", v);
    const PngLeido uno = renderizar({archivo, "--size", "3000x400", "--threads", "1"}, "uno.png");
    ASSERT_EQ(uno.ancho, 3000);
    ASSERT_EQ(uno.alto, 400);
    const VistaReferencia r = vistaDe(v);
    for (int y : {0, 1, 348, 349, 350, 399})
        for (int x = 0; x < 3000; x += 7)
            ASSERT_EQ(uno.pixeles[static_cast<std::size_t>(y) * 3000 + x], muestraReferencia(r, 3000, 1, x, y, 0, 0)) << x << "," << y;
    renderizar({archivo, "--size", "3000x400", "--threads", "3"}, "tres.png");
    EXPECT_EQ(contenido(carpeta_ / "uno.png"), contenido(carpeta_ / "tres.png"));
    const Ejecucion salida = ejecutar(carpeta_, {archivo, "--size", "3000x400", "-o", "-"});
    EXPECT_EQ(salida.codigo, 0) << salida.errores;
    EXPECT_EQ(salida.salida, contenido(carpeta_ / "uno.png"));

    const PngLeido doble = renderizar({archivo, "--size", "60x30", "--supersample", "3"});
    ASSERT_EQ(doble.pixeles.size(), 1800u);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 60; ++x) {
            PromedioLuz p;
            for (int t = 0; t < 3; ++t)
                for (int s = 0; s < 3; ++s) p.sumar(muestraReferencia(r, 60, 3, x, y, s, t));
            ASSERT_EQ(doble.pixeles[static_cast<std::size_t>(y) * 60 + x], p.promedio()) << x << "," << y;
        }
}

// The view travels inside the PNG: its record (with the limit as drawn), a
// readable form; the PNG is read wherever a parameter file is, also through a
// pipe and after an image tool rewrote it, and the record comes back out as
// a parameter file.
TEST_F(BrenquilRender, LaVistaViajaEnElPng) {
    renderizar({"--plane", "305", "--color", "365", "--iterations", "150", "--step", "32", "--center", "-0.5,0.25",
                "--radius", "0.125", "--size", "600x300"},
               "a.png");
    std::FILE* f = std::fopen((carpeta_ / "a.png").c_str(), "rb");
    ASSERT_NE(f, nullptr);
    LecturaPng leidos;
    std::string error;
    ASSERT_TRUE(leerTextosPng(f, "", {{"Brenquil view", 4096}, {"Description", 4096}, {"Software", 4096}}, leidos, error))
        << error;
    std::fclose(f);
    const std::vector<std::optional<std::string>>& textos = leidos.textos;
    ASSERT_TRUE(textos[0] && textos[1] && textos[2]);
    // The corner lies half the side left of the centre and half the height above it.
    const Vista esperada{182, PLANO_CARDIOIDE_INV, COLOR_DESC_BINARIA, DWELL_SI, -0.625L, 0.3125L, 0.25L};
    EXPECT_EQ(*textos[0], escribirRegistro(esperada));
    EXPECT_NE(textos[1]->find("centre -0.5 + 0.25i"), std::string::npos) << *textos[1];
    EXPECT_EQ(textos[2]->rfind("brenquil-render ", 0), 0u) << *textos[2];

    // The PNG as the view, re-rendered: the same bytes; its view as a *.str.
    const Ejecucion e = ejecutar(carpeta_, {"a.png", "--size", "600x300", "-o", "b.png", "--save-view", "b.str"});
    EXPECT_EQ(e.codigo, 0) << e.errores;
    EXPECT_EQ(contenido(carpeta_ / "a.png"), contenido(carpeta_ / "b.png"));
    EXPECT_EQ(contenido(carpeta_ / "b.str"), escribirRegistro(esperada));

    // ImageMagick keeps the texts of a picture it resizes, compressed in zTXt
    // chunks after the picture data. Each PNG gives its view from a file and
    // through a pipe, as a *.str does.
    const Ejecucion imagick = ejecutar(carpeta_, {"b.png", "-resize", "200x200", "c.png"}, {}, "convert");
    ASSERT_EQ(imagick.codigo, 0) << imagick.errores;
    const std::string reescrita = contenido(carpeta_ / "c.png");
    const std::size_t vistaComprimida = reescrita.find("zTXtBrenquil view");
    ASSERT_NE(vistaComprimida, std::string::npos);
    ASSERT_LT(reescrita.find("IDAT"), vistaComprimida);
    const std::string tubo = R"(cat "$1" | "$0" /dev/stdin --save-view "$2")";
    for (const char* origen : {"b.png", "c.png", "b.str"}) {
        SCOPED_TRACE(origen);
        fs::remove(carpeta_ / "v.str");
        const Ejecucion archivo = ejecutar(carpeta_, {origen, "--save-view", "v.str"});
        EXPECT_EQ(archivo.codigo, 0) << archivo.errores;
        EXPECT_EQ(contenido(carpeta_ / "v.str"), escribirRegistro(esperada));
        fs::remove(carpeta_ / "v.str");
        const Ejecucion tuberia = ejecutar(carpeta_, {"-c", tubo, BRENQUIL_RENDER_EXE, origen, "v.str"}, {}, "sh");
        EXPECT_EQ(tuberia.codigo, 0) << tuberia.errores;
        EXPECT_EQ(contenido(carpeta_ / "v.str"), escribirRegistro(esperada));
    }
}

// Every failure, refusal and warning of a run: the exit code, a piece of what
// it says, and no picture left where one could not be made.
TEST_F(BrenquilRender, CadaFalloRechazoYAvisoConSuCodigo) {
    fs::create_directory(carpeta_ / "subcarpeta");
    const std::string archivo = guardar("vista.str", Vista{});
    std::ofstream(carpeta_ / "protegida.png", std::ios::binary) << "protegida";
    fs::permissions(carpeta_ / "protegida.png", fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    ASSERT_EQ(mkfifo((carpeta_ / "tubo.str").c_str(), 0600), 0);
    std::ofstream(carpeta_ / "foto.png", std::ios::binary) << "\x89PNG\r\n\x1a\n" << std::string(40, '\0');
    guardar("rara.str", Vista{32767, 999, 0, 12, std::numeric_limits<long double>::quiet_NaN(), 2.0L, -4.0L});
    const std::string largo = std::string(246, 'n') + ".png";
    // A PNG with only the view (as the first versions wrote), and one whose
    // drawing text gives a size past the largest.
    pngConTextos("buena.png", {{"Brenquil view", escribirRegistro(Vista{})}});
    pngConTextos("danada.png", {{"Brenquil view", escribirRegistro(Vista{})},
                                {"Brenquil render", "size=70000x1\nsupersample=1\nstep=0\nx=0\ny=0\nside=1\n"}});
    // A record changed since its PNG was drawn: the exact corner is 1, the record's -4.
    pngConTextos("cambiada.png", {{"Brenquil view", escribirRegistro(Vista{})},
                                  {"Brenquil render", "size=1x1\nsupersample=1\nstep=0\nx=1\ny=8\nside=16\n"}});
    // The same in a view file.
    std::ofstream(carpeta_ / "cambiada.brv", std::ios::binary)
        << "view=" << escribirRegistro(Vista{}) << "\nsize=1x1\nsupersample=1\nstep=0\nx=1\ny=8\nside=16\n";
    // Other names of files: links to a view and to a PNG, folders for frames.
    fs::create_symlink("vista.str", carpeta_ / "otra.str");
    fs::create_symlink("buena.png", carpeta_ / "otra-buena.str");
    fs::create_hard_link(carpeta_ / "buena.png", carpeta_ / "dura.png");
    for (const char* c : {"d0", "d1", "f03.png"}) fs::create_directory(carpeta_ / c);
    guardar("lado-negativo.str", Vista{30, PLANO_CARDIOIDE, COLOR_ITERACION, DWELL_SI, -4.0L, 8.0L, -1.0L});
    // Two views that 80 bits resolve, with corners so far apart that every
    // frame between them lies past the largest number.
    guardar("lejos.str", Vista{30, PLANO_CARDIOIDE, COLOR_ITERACION, DWELL_SI, 1.1e4932L, -1.1e4932L, 1e4920L});
    const std::vector<std::string> lejos = {"--x", "-1.1e4932", "--y", "1.1e4932", "--side", "1e4920", "--zoom-to",
                                            "lejos.str", "--frames", "3", "-o", "f%d.png"};

    struct Caso {
        std::vector<std::string> args;
        int codigo;
        std::vector<std::string> mensajes;
        const char* salida;  // the picture that must exist afterwards, if any
    };
    const Caso casos[] = {
        {{"no-existe.str", "-o", "sal.png"}, 1, {"cannot read 'no-existe.str': no such file"}, nullptr},
        {{"subcarpeta", "-o", "sal.png"}, 1, {"it is a folder"}, nullptr},
        {{"tubo.str", "-o", "sal.png"}, 1, {"a pipe with nothing to read"}, nullptr},
        {{"/dev/zero", "-o", "sal.png"}, 1, {"not a regular file or a pipe"}, nullptr},
        {{"foto.png", "-o", "sal.png"}, 1, {"'foto.png'", "the PNG file"}, nullptr},
        {{archivo, "-o", "no-existe/sal.png"}, 1, {"no folder"}, nullptr},
        {{archivo, "-o", "subcarpeta"}, 2, {"ending in .png"}, nullptr},
        {{archivo, "-o", "protegida.png"}, 1, {"read-only"}, nullptr},
        {{archivo, "--save-view", "./" + archivo}, 2, {"'./vista.str' is the file 'vista.str' a view is read from"}, nullptr},
        {{archivo, "-o", "sal.png", "--save-view", "otra.str"}, 2, {"'otra.str' is the file 'vista.str'"}, nullptr},
        {{"buena.png", "-o", "dura.png"}, 2, {"the output 'dura.png' is the file 'buena.png'"}, nullptr},
        {{"-o", "buena.png", "--save-view", "otra-buena.str"},
         2,
         {"the output 'buena.png' and the view file 'otra-buena.str' name the same file"},
         nullptr},
        // END is read, never written, whichever option names it.
        {{"--x", "-1", "--zoom-to", archivo, "--frames", "3", "-o", "x%d.png", "--save-view", archivo},
         2,
         {"the view file 'vista.str' is the file 'vista.str' a view is read from"},
         nullptr},
        {{archivo, "-o", "sal.png", "--side", "-1"}, 2, {"--side: not positive", "--help"}, nullptr},
        {{archivo, "-o", "sal.png", "--zoom", "1e-4940"}, 2, {"the side the options give"}, nullptr},
        {{archivo, "-o", "sal.png", "--center", "1e4932,0", "--side", "1e4932"}, 2, {"the corner the centre gives"},
         nullptr},
        // Around the file's own centre, a picture's height past the largest number.
        {{archivo, "-o", "sal.png", "--radius", "1e4930"}, 2, {"the corner the centre gives"}, nullptr},
        {{archivo, "-o", "sal.png", "--zoom", "1e-4930"}, 2, {"the corner the centre gives"}, nullptr},
        // A name the system refuses fails before a render that would take hours.
        {{archivo, "-o", std::string(252, 'n') + ".png", "--size", "65535x65535", "--iterations", "32000"},
         1,
         {"File name too long"},
         nullptr},
        {{archivo, "-o", "sal.png", "--plane", "999"}, 2, {"not a plane"}, nullptr},
        // A file keeps the window's rule: drawn, with a word on each value.
        {{"rara.str", "-o", "sal.png"},
         0,
         {"warning: 'rara.str': the side -4", "the corner nan + 2i is not finite", "plane 999", "colour 0", "dwell 12",
          "the limit 32767 is drawn as 32766"},
         "sal.png"},
        // Deeper than 80 bits resolve: a picture is drawn with wider numbers,
        // quietly, and so is a movie's frame.
        {{"-o", "sal.png", "--x", "-0.74", "--y", "0.1", "--side", "1e-21"}, 0, {}, "sal.png"},
        {{"--x", "-0.74", "--y", "0.1", "--side", "1e-21", "--zoom-to", "vista.str", "--frames", "2", "--frame-range",
          "0-0", "-o", "sal%d.png"},
         0,
         {},
         "sal0.png"},
        // A parameter file holds neither a deep view nor a limit past 32767.
        {{"--center", "0,-1", "--side", "1e-20", "--save-view", "hondo.str"},
         2,
         {"a parameter file cannot hold this view (drawn with 128-bit numbers): give --save-view a name ending in .brv"},
         nullptr},
        {{"--iterations", "100000", "--save-view", "hondo.str"}, 2, {"cannot hold this view (a limit of 100000)"}, nullptr},
        // A movie's limit past 32767 is drawn as it is (frame 1's is 50015).
        {{"--iterations", "100000", "--zoom-to", "vista.str", "--frames", "3", "--frame-range", "1-1", "--size", "8x8",
          "-o", "f%d.png"},
         0,
         {},
         "f1.png"},
        // A valid name of 250 bytes: the temporary name does not grow with it.
        {{"-o", largo}, 0, {}, largo.c_str()},
        {{"danada.png", "-o", "sal.png"}, 1, {"'danada.png': the PNG file's \"Brenquil render\" text is damaged"}, nullptr},
        // Movies.
        // The view is saved only once the whole command, END included, is accepted.
        {{archivo, "--zoom-to", "no-existe.str", "--frames", "3", "-o", "f%d.png", "--save-view", "v.str"},
         1,
         {"cannot read 'no-existe.str'"},
         nullptr},
        {{archivo, "--plane", "305", "--zoom-to", "vista.str", "--frames", "3", "-o", "f%d.png", "--save-view", "v.str"},
         2,
         {"different planes (305 and 300 in 'vista.str')"},
         nullptr},
        {{"lado-negativo.str", "--zoom-to", "vista.str", "--frames", "3", "-o", "f%d.png", "--save-view", "v.str"},
         1,
         {"both sides must be positive and finite"},
         nullptr},
        {[&] {
             std::vector<std::string> a = lejos;
             a.insert(a.end(), {"--save-view", "v.str"});
             return a;
         }(),
         2,
         {"frame 1 of the movie has no view: its corner inf - inf", "not all finite"},
         nullptr},
        // Every frame's name is checked before the first frame is drawn.
        {{archivo, "--zoom-to", "vista.str", "--frames", "3", "-o", "d%d/f.png"}, 1, {"no folder 'd2'"}, nullptr},
        {{archivo, "--zoom-to", "vista.str", "--frames", "11", "-o", std::string(250, 'n') + "%d.png"},
         1,
         {"File name too long"},
         nullptr},
        {{archivo, "--zoom-to", "vista.str", "--frames", "4", "-o", "f%02d.png"}, 1, {"'f03.png': it is a folder"}, nullptr},
        // A PNG without the exact record, or whose record was changed since:
        // drawn from the record's 19 digits, with a word on it.
        {{"buena.png", "-o", "sal.png"}, 0, {"warning: 'buena.png': the PNG has no \"Brenquil render\" text"}, "sal.png"},
        {{"cambiada.png", "-o", "sal.png"}, 0, {"warning: 'cambiada.png': the PNG's record was changed since"}, "sal.png"},
        {{"cambiada.brv", "-o", "sal.png"},
         0,
         {"warning: 'cambiada.brv': the view file's record was changed since"},
         "sal.png"},
        // A corner far out, whose 80-bit coordinates are coarse at any side, is drawn with wider numbers.
        {{"-o", "sal.png", "--x", "1e20"}, 0, {}, "sal.png"},
        // Frame 0 of "buena%.0d.png" is buena.png.
        {{"buena.png", "--zoom-to", "vista.str", "--frames", "2", "-o", "buena%.0d.png"},
         2,
         {"the frame 'buena.png' is the file 'buena.png'"},
         nullptr},
        {{"buena.png", "--zoom-to", "vista.str", "--frames", "2", "-o", "no-existe/f%d.png"}, 1, {"no folder"}, nullptr},
    };
    for (const Caso& c : casos) {
        std::string linea;
        for (const std::string& a : c.args) linea.append(" ").append(a, 0, 40);
        SCOPED_TRACE("brenquil-render" + linea);
        const Ejecucion e = ejecutar(carpeta_, c.args);
        EXPECT_EQ(e.codigo, c.codigo) << e.errores;
        for (const std::string& m : c.mensajes) EXPECT_NE(e.errores.find(m), std::string::npos) << e.errores;
        if (c.mensajes.empty()) {
            EXPECT_EQ(e.errores, "");
        }
        EXPECT_EQ(e.salida, "");
        std::set<std::string> quedan = archivos();
        if (c.salida) {
            EXPECT_EQ(quedan.erase(c.salida), 1u) << "no picture written";
            fs::remove(carpeta_ / c.salida);
        }
        EXPECT_EQ(quedan, (std::set<std::string>{"buena.png", "cambiada.brv", "cambiada.png", "d0", "d1", "danada.png", "dura.png",
                                                 "f03.png", "foto.png", "lado-negativo.str", "lejos.str", "otra-buena.str",
                                                 "otra.str", "protegida.png", "rara.str", "subcarpeta", "tubo.str",
                                                 "vista.str"}));
        EXPECT_TRUE(fs::is_empty(carpeta_ / "d0") && fs::is_empty(carpeta_ / "d1") && fs::is_empty(carpeta_ / "f03.png"));
    }
    EXPECT_EQ(contenido(carpeta_ / "protegida.png"), "protegida");
    EXPECT_EQ(contenido(carpeta_ / "vista.str"), escribirRegistro(Vista{}));
    EXPECT_TRUE(fs::is_symlink(carpeta_ / "otra-buena.str"));
}

// A "Brenquil render" record whose values can be no view's refuses its PNG,
// naming the key, alike as FILE and as a movie's END: exit 1, nothing written.
TEST_F(BrenquilRender, UnRegistroDanadoSeRechazaComoArchivoYComoFin) {
    guardar("vista.str", Vista{});
    const std::pair<const char*, const char*> casos[] = {
        {"x=nan", "'x=nan' is not a value of x: not finite"},
        {"y=-inf", "'y=-inf' is not a value of y: not finite"},
        {"side=inf", "'side=inf' is not a value of side: not finite"},
        {"side=0x0p+0", "'side=0x0p+0' is not a value of side: not positive"},
        {"side=-0x1p+0", "'side=-0x1p+0' is not a value of side: not positive"},
        {"x=hello", "'x=hello' is not a value of x: not a number"},
        {"y=1e-99999", "'y=1e-99999' is not a value of y: too small: it underflows to 0"},
        {"x=0\t", "'x=0\\x09' is not a value of x: not a number"},
        {"supersample=0", "'supersample=0' is not a value of supersample: not an integer from 1 to 16"},
        {"size=0x0", "'size=0x0' is not a value of size: not 2 integers separated by 'x' from 1 to 65535"},
        {"step=40000", "'step=40000' is not a value of step: not an integer from -32768 to 32767"},
        {"region=0,0,2,1", "'region=0,0,2,1' is not a rectangle of at least one pixel inside its 1 x 1 picture"},
        {"precision=100", "'precision=100' is not a value of precision: not a multiple of 32"},
        {"precision=32", "'precision=32' is not a value of precision: not an integer from 64 to 1048576"},
        {"x=-4\nprecision=128", "'x=-4' is not a value of x: not a C hexadecimal number, as a view of precision 128 holds it"},
        {"y=0x1p+3z\nprecision=128", "'y=0x1p+3z' is not a value of y: not a number"},
        {"iterations=32767", "'iterations=32767' is not a value of iterations: not an integer from 32768 to 2147483647"},
        {"side", "the line 'side' has no '='"},
        {"x=0\nx=0", "'x' given twice"},
    };
    // The start-up view's, which its record holds exactly.
    const std::string bueno = "size=1x1\nsupersample=1\nstep=0\nx=-0x1p+2\ny=0x1p+3\nside=0x1p+4\n";
    for (const auto& [linea, mensaje] : casos) {
        SCOPED_TRACE(linea);
        // The line replaces the one of its key, or comes last.
        const std::string clave = std::string(linea).substr(0, std::string(linea).find_first_of("=\n"));
        std::string registro;
        bool puesta = false;
        for (std::size_t i = 0; i < bueno.size();) {
            const std::size_t fin = bueno.find('\n', i) + 1;
            const std::string l = bueno.substr(i, fin - i);
            const bool suya = l.rfind(clave + "=", 0) == 0;
            registro += suya ? std::string(linea) + "\n" : l;
            puesta = puesta || suya;
            i = fin;
        }
        if (!puesta) registro += std::string(linea) + "\n";
        pngConTextos("d.png", {{"Brenquil view", escribirRegistro(Vista{})}, {"Brenquil render", registro}});
        const Ejecucion archivo = ejecutar(carpeta_, {"d.png", "-o", "sal.png", "--save-view", "v.str"});
        const Ejecucion fin = ejecutar(carpeta_, {"vista.str", "--zoom-to", "d.png", "--frames", "2", "-o", "f%d.png",
                                                 "--save-view", "v.str"});
        EXPECT_EQ(archivo.codigo, 1);
        EXPECT_EQ(fin.codigo, 1);
        EXPECT_NE(archivo.errores.find("cannot read 'd.png': the PNG file's \"Brenquil render\" text is damaged: " +
                                       std::string(mensaje) + "\n"),
                  std::string::npos)
            << archivo.errores;
        EXPECT_EQ(fin.errores, archivo.errores);
        EXPECT_EQ(archivos(), (std::set<std::string>{"d.png", "vista.str"}));
    }
    // The same record with CR LF line ends, as a text tool may leave it, is read.
    std::string crlf;
    for (char c : bueno) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    pngConTextos("d.png", {{"Brenquil view", escribirRegistro(Vista{})}, {"Brenquil render", crlf}});
    const Ejecucion e = ejecutar(carpeta_, {"d.png", "--save-view", "v.str"});
    EXPECT_EQ(e.codigo, 0) << e.errores;
    EXPECT_EQ(e.errores, "");
}

// Interrupted while it writes, by any signal that ends a program, it leaves
// no temporary file and no picture; a limit on the size of files is a write
// error like any other.
TEST_F(BrenquilRender, UnaInterrupcionNoDejaArchivos) {
    for (int senal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGALRM}) {
        SCOPED_TRACE(strsignal(senal));
        const pid_t pid = lanzar({"--size", "8000x8000", "--iterations", "2000", "--threads", "1", "-o", "sal.png"});
        ASSERT_GT(pid, 0);
        // Once a temporary file exists (the probe of the folder, or the
        // picture's), the program is at work on its files.
        const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        bool visto = false;
        while (!(visto = !archivos().empty()) && std::chrono::steady_clock::now() < limite) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_TRUE(visto) << "no temporary file appeared";
        kill(pid, senal);
        int estado = 0;
        waitpid(pid, &estado, 0);
        EXPECT_TRUE(WIFSIGNALED(estado) && WTERMSIG(estado) == senal);
        EXPECT_TRUE(archivos().empty()) << *archivos().begin();
    }
    const Ejecucion e = ejecutar(carpeta_, {"--size", "2000x2000", "-o", "sal.png"}, {"prlimit", "--fsize=20000"});
    EXPECT_EQ(e.codigo, 1);
    EXPECT_NE(e.errores.find("cannot write 'sal.png': File too large"), std::string::npos) << e.errores;
    EXPECT_TRUE(archivos().empty()) << *archivos().begin();
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

    const Ejecucion ilegible = ejecutar(carpeta_, {archivo, "-o", "abierta/sal.png"}, comoUsuarioComun());
    EXPECT_EQ(ilegible.codigo, 1) << ilegible.errores;
    EXPECT_EQ(ilegible.errores, "brenquil-render: cannot read 'vista.str': Permission denied\n");
    EXPECT_TRUE(fs::is_empty(carpeta_ / "abierta"));

    const Ejecucion cerrada = ejecutar(carpeta_, {"-o", "cerrada/sal.png"}, comoUsuarioComun());
    EXPECT_EQ(cerrada.codigo, 1) << cerrada.errores;
    EXPECT_EQ(cerrada.errores, "brenquil-render: cannot write 'cerrada/sal.png': Permission denied\n");
    EXPECT_TRUE(fs::is_empty(carpeta_ / "cerrada"));

    // The same folder open again: the check passes and the picture is written.
    fs::permissions(carpeta_ / "cerrada", fs::perms::all, fs::perm_options::replace);
    const Ejecucion abierta = ejecutar(carpeta_, {"-o", "cerrada/sal.png"}, comoUsuarioComun());
    EXPECT_EQ(abierta.codigo, 0) << abierta.errores;
    EXPECT_TRUE(fs::exists(carpeta_ / "cerrada" / "sal.png"));
}

// A PNG given alone is drawn again byte for byte: its size, samples, region
// and step, and its corner and side to the last bit (the record's 19 digits
// do not hold these); an option beside it replaces just that value.
TEST_F(BrenquilRender, UnPngSoloSeDibujaOtraVezIgual) {
    const std::vector<std::string> vista = {"--x", "-0.74364388703715870475", "--y", "0.13182590420532", "--side",
                                            "3.0000000000000000007e-5", "--iterations", "300", "--step", "32"};
    std::vector<std::string> args = vista;
    args.insert(args.end(), {"--size", "300x200", "--supersample", "2"});
    renderizar(args, "a.png");
    renderizar({"a.png"}, "b.png");
    EXPECT_TRUE(contenido(carpeta_ / "a.png") == contenido(carpeta_ / "b.png"));
    args.insert(args.end(), {"--region", "100,50,40,30"});
    renderizar(args, "region.png");
    EXPECT_EQ(renderizar({"region.png"}, "region-otra.png").ancho, 40);
    EXPECT_TRUE(contenido(carpeta_ / "region.png") == contenido(carpeta_ / "region-otra.png"));

    // A size given draws the whole picture; the samples stay the PNG's.
    args = vista;
    args.insert(args.end(), {"--size", "150x100", "--supersample", "2"});
    renderizar(args, "menor.png");
    renderizar({"region.png", "--size", "150x100"}, "menor-otra.png");
    EXPECT_TRUE(contenido(carpeta_ / "menor.png") == contenido(carpeta_ / "menor-otra.png"));
}

// The value of key `clave` of the "Brenquil render" text of a PNG.
std::string valorDelDibujo(const fs::path& ruta, const std::string& clave) {
    std::FILE* f = std::fopen(ruta.c_str(), "rb");
    if (f == nullptr) return "";
    LecturaPng leidos;
    std::string error;
    const bool bien = leerTextosPng(f, "", {{"Brenquil render", 4096}}, leidos, error);
    std::fclose(f);
    if (!bien || !leidos.textos[0]) return "";
    const std::string texto = "\n" + *leidos.textos[0];
    const std::size_t donde = texto.find("\n" + clave + "=");
    if (donde == std::string::npos) return "";
    const std::size_t inicio = donde + clave.size() + 2;
    return texto.substr(inicio, texto.find('\n', inicio) - inicio);
}

// The escape count of the point under pixel (px, py) of a one-sample picture
// `ancho` pixels wide, from the definition with every operation rounded to
// nearest to `bits` bits: the pixel at (p * 400 / ancho) of the 400-pixel
// picture, c = x + ((p * 0.01) * side) * 0.25 + (y - ((p * 0.01) * side) *
// 0.25) i, the plane's imaginary axis pointing down (z -> z^2 + conj c), the
// count the first k with |z_k|^2 >= 4, or limit + 1.
int64_t cuentaDefinicion(const std::string& x, const std::string& y, const std::string& lado, mpfr_prec_t bits,
                         int ancho, int px, int py, int64_t limite) {
    mpfr_t v[10];
    for (mpfr_t& n : v) mpfr_init2(n, bits);
    auto& [cx, cy, l, p, g, h, zr, zi, t, u] = v;
    mpfr_strtofr(cx, x.c_str(), nullptr, 0, MPFR_RNDN);
    mpfr_strtofr(cy, y.c_str(), nullptr, 0, MPFR_RNDN);
    mpfr_strtofr(l, lado.c_str(), nullptr, 0, MPFR_RNDN);
    const auto desplazamiento = [&](mpfr_ptr r, int pixel) {
        mpfr_set_si(p, pixel * 400, MPFR_RNDN);
        mpfr_div_si(p, p, ancho, MPFR_RNDN);
        mpfr_set_ld(t, 0.01L, MPFR_RNDN);  // the 80-bit 0.01, exactly
        mpfr_mul(r, p, t, MPFR_RNDN);
        mpfr_mul(r, r, l, MPFR_RNDN);
        mpfr_mul_d(r, r, 0.25, MPFR_RNDN);
    };
    desplazamiento(g, px);
    mpfr_add(g, g, cx, MPFR_RNDN);
    desplazamiento(h, py);
    mpfr_sub(h, cy, h, MPFR_RNDN);
    mpfr_set_zero(zr, 1);
    mpfr_set_zero(zi, 1);
    int64_t k = 0;
    for (; k <= limite; ++k) {
        mpfr_sqr(t, zr, MPFR_RNDN);
        mpfr_sqr(u, zi, MPFR_RNDN);
        mpfr_add(p, t, u, MPFR_RNDN);
        if (mpfr_cmp_ui(p, 4) >= 0) break;
        mpfr_sub(t, t, u, MPFR_RNDN);
        mpfr_mul(u, zr, zi, MPFR_RNDN);
        mpfr_mul_2ui(u, u, 1, MPFR_RNDN);
        mpfr_sub(zi, u, h, MPFR_RNDN);
        mpfr_add(zr, t, g, MPFR_RNDN);
    }
    for (mpfr_t& n : v) mpfr_clear(n);
    return k;
}

// A view deeper than 80 bits resolve, the tip of the set at c = i (the
// centre 0 - 1i: imaginary parts grow upward on the plane and the loop
// subtracts them), is drawn with 128-bit numbers: a picture of detail, each
// pixel the count the definition gives; its PNG and its view file, given
// alone, draw it again byte for byte, as a limit past 32767 is.
TEST_F(BrenquilRender, UnaVistaProfundaSeDibujaExacta) {
    const PngLeido png = renderizar({"--center", "0,-1", "--side", "1e-20", "--iterations", "2000", "--size", "40x40",
                                     "--save-view", "punta.brv"},
                                    "punta.png");
    ASSERT_EQ(png.pixeles.size(), 40u * 40u);
    EXPECT_GT(std::set<Color>(png.pixeles.begin(), png.pixeles.end()).size(), 20u);
    const fs::path punta = carpeta_ / "punta.png";
    ASSERT_EQ(valorDelDibujo(punta, "precision"), "128");
    const std::string x = valorDelDibujo(punta, "x");
    const std::string y = valorDelDibujo(punta, "y");
    const std::string lado = valorDelDibujo(punta, "side");
    for (const auto& [px, py] : {std::pair{0, 0}, {39, 39}, {20, 20}, {7, 31}, {33, 2}, {20, 0}}) {
        SCOPED_TRACE(std::to_string(px) + "," + std::to_string(py));
        const int64_t cuenta = cuentaDefinicion(x, y, lado, 128, 40, px, py, 2000);
        EXPECT_EQ(png.pixeles[static_cast<std::size_t>(py * 40 + px)],
                  colorIteracion(COLOR_ITERACION, static_cast<int32_t>(cuenta - 1)));
    }

    // The options in C hexadecimal, exactly the corner and side the record holds: the same picture.
    renderizar({"--x", x, "--y", y, "--side", lado, "--iterations", "2000", "--size", "40x40"}, "hex.png");
    renderizar({"punta.png"}, "otra.png");
    renderizar({"punta.brv"}, "de-vista.png");
    for (const char* copia : {"hex.png", "otra.png", "de-vista.png"}) {
        EXPECT_TRUE(contenido(punta) == contenido(carpeta_ / copia)) << copia;
    }

    // A limit past 32767 travels in the record, and a long decimal centre is read to the last digit.
    renderizar({"--center", "-1.74995737834140350281650040000000000000000001,0", "--radius", "1e-25", "--iterations",
                "100000", "--size", "8x8", "--save-view", "largo.brv"},
               "largo.png");
    EXPECT_EQ(valorDelDibujo(carpeta_ / "largo.png", "iterations"), "100000");
    renderizar({"largo.png"}, "largo-otra.png");
    renderizar({"largo.brv"}, "largo-vista.png");
    EXPECT_TRUE(contenido(carpeta_ / "largo.png") == contenido(carpeta_ / "largo-otra.png"));
    EXPECT_TRUE(contenido(carpeta_ / "largo.png") == contenido(carpeta_ / "largo-vista.png"));
    renderizar({"--center", "-1.74995737834140350281650040000000000000000000,0", "--radius", "1e-25", "--iterations",
                "100000", "--size", "8x8"},
               "corto.png");
    EXPECT_NE(valorDelDibujo(carpeta_ / "largo.png", "x"), valorDelDibujo(carpeta_ / "corto.png", "x"));

    // Deep views drawn by the perturbation path are byte for byte those of the
    // P-bit loop for every pixel (BRENQUIL_VIA=x87): the tip at 1e-20 and
    // 1e-50, a copy of period 74 at 6e-55 with its interior, the tip on the
    // inverted planes (w = -0.99864...i on 305, -0.23495... - 0.93982...i on
    // 310), colourings with and without the half-plane, dwell or not, odd
    // sizes, supersampling and thread counts, and a limit past 32767 at 64
    // bits. The file's record must agree too.
    const std::string copia = "5.1430935855736215780000911232232389224756226775539175190548835146e-28,"
                              "-1.00000000000000000000000000042411991101291180998665039735612734886664";
    // The tips on planes 305 and 310 to 340 digits (h^2 + h + epsilon = 0 on 305; g m2 = -1/4,
    // h m3 = -1 on 310), and the boundary point of plane 305 between w = -1 and 0.5 i
    // (limit 1500) that IteracionP.LaPerturbacionDaLoQueElBucle bisects to at 1e-320.
    const std::string punta305Honda =
        "-0.998644161702511062347143630932034542261903429267994843608245768019791283467250671644001602190"
        "595852579389001892364229104968361515027688042337261783843363706257573934378147028933800720555220"
        "142885335921975594079696649998790526877714620819091263408074182657458261165859069165161047782695"
        "093807550494960764495186580704262290468252616167590194699";
    const std::string punta310Honda =
        "-0.234955151297998254101233034107799199012913293898461637556551465366626368693220147744123932225"
        "113574342945948231936809461339200729282735586037106054578709481907796806121006616121082511207349"
        "312058808436105651995975332450015002993940586053293420064340711909108534253067256475957623738745"
        "459609638724384879530065296673159890398252022974104910933"
        ","
        "-0.939820505181983016357931658468286059955561607123845329523080861466505474772880590976495728900"
        "454297371783792927747237845356802917130942344148424218314837927631187224484026464484330044829397"
        "248235233744422607983901329800060011975762344213173680257362847636434137012269025903830494954981"
        "838438554897539518120261186692639561593008091896419643735";
    const std::string borde305 =
        "-0.814478059751348306470020809345650212038555733999450990127954706408975549674316389095050326177"
        "013655436589046567461912450570077552681673554379810477965419655628653524285704821651359749154957"
        "281240693885043142764218205898654840371105374785694745685600526249900621720061996924922035905936"
        "040021190852971170666061882763939180908827863423216264166987,0.092760970124325846764989595327174"
        "893980722133000274504936022646795512225162841805452474836911493172281705476716269043774714961223"
        "659163222810094761017290172185673237857147589174320125422521359379653057478428617890897050672579"
        "814447312607152627157199736875049689139969001537538982047031979989404573514414666969058618030409"
        "5455860682883918679165064";
    const std::vector<std::vector<std::string>> profundas = {
        {"--center", "0,-1", "--side", "1e-20", "--iterations", "2000", "--size", "37x23", "--threads", "1"},
        {"--center", "0,-1", "--side", "1e-50", "--iterations", "3000", "--size", "21x19", "--supersample", "2",
         "--color", "355", "--threads", "3"},
        {"--center", copia, "--side", "6e-55", "--iterations", "5000", "--size", "31x27", "--color", "365",
         "--dwell", "385"},
        {"--center", copia, "--side", "2e-54", "--iterations", "40000", "--size", "17x15", "--supersample", "2",
         "--color", "370", "--threads", "2"},
        {"--plane", "305", "--center", "0,-0.998644161702511062347143630932034542261903429267994843608245768",
         "--side", "1e-40", "--iterations", "1500", "--size", "25x25", "--color", "370"},
        {"--plane", "310", "--center",
         "-0.2349551512979982541012330341077991990129132938984616375565514653666,"
         "-0.9398205051819830163579316584682860599555616071238453295230808614665",
         "--side", "1e-45", "--iterations", "1500", "--size", "23x29", "--supersample", "2", "--threads", "1"},
        // 64 bits with a limit past 32767: the reference orbit is the 80-bit loop's, made in MPFR.
        {"--center", "-0.75,0.1", "--radius", "0.05", "--iterations", "40000", "--size", "21x17", "--color", "365"},
        // Past 530 bits, the scaled lanes: the tip at 1e-200 and 1e-1000 (3392 bits), the tips of
        // the inverted planes at 1e-320 (δ and Δ below double's range), and a boundary point of
        // plane 305 found by bisection at 1e-320, on the limit's level curve, which the loop draws.
        {"--center", "0,-1", "--side", "1e-200", "--iterations", "1000", "--size", "19x15", "--supersample", "2",
         "--color", "365"},
        {"--center", "0,-1", "--side", "1e-1000", "--iterations", "3000", "--size", "9x7", "--threads", "2"},
        // The reference is the centre sample: its row's samples have Δ's imaginary part 0, and its
        // column's the real part, while the scale passes 2^-3072 (the pixel spacing of 1e-1000 at 400).
        {"--center", "0,-1", "--side", "2.5e-1002", "--iterations", "5000", "--size", "10x10"},
        {"--plane", "305", "--center", "0," + punta305Honda, "--side", "1e-320", "--iterations", "1500", "--size",
         "13x11", "--color", "370", "--threads", "2"},
        {"--plane", "310", "--center", punta310Honda, "--side", "1e-320", "--iterations", "1500", "--size", "11x13",
         "--color", "355"},
        {"--plane", "305", "--center", borde305, "--side", "1e-320", "--iterations", "1500", "--size", "7x5",
         "--dwell", "385"},
    };
    const char* antes = std::getenv("BRENQUIL_VIA");
    const std::string viaAntes = antes ? antes : "";
    for (const std::vector<std::string>& args : profundas) {
        std::string linea;
        for (const std::string& a : args) linea += " " + a;
        SCOPED_TRACE("brenquil-render" + linea);
        unsetenv("BRENQUIL_VIA");
        const PngLeido perturbada = renderizar(args, "perturbada.png");
        setenv("BRENQUIL_VIA", "x87", 1);
        renderizar(args, "bucle.png");
        // Not one flat colour: the view shows detail (or, with dwell 385, points that did not escape).
        EXPECT_GT(std::set<Color>(perturbada.pixeles.begin(), perturbada.pixeles.end()).size(), 1u);
        EXPECT_TRUE(contenido(carpeta_ / "perturbada.png") == contenido(carpeta_ / "bucle.png"));
    }
    if (antes) {
        setenv("BRENQUIL_VIA", viaAntes.c_str(), 1);
    } else {
        unsetenv("BRENQUIL_VIA");
    }
}

// Where a file is and when it was last written: a file kept is not even
// rewritten, a file drawn again is a new one renamed over it.
std::pair<ino_t, int64_t> huella(const fs::path& ruta) {
    struct stat s {};
    EXPECT_EQ(stat(ruta.c_str(), &s), 0) << ruta;
    return {s.st_ino, int64_t{s.st_mtim.tv_sec} * 1000000000 + s.st_mtim.tv_nsec};
}

// The exact corner and side a PNG of brenquil-render records, read into x, y
// and lado, and the precision it records (64 when it records none).
int leerEsquinaExacta(const fs::path& png, mpfr_ptr x, mpfr_ptr y, mpfr_ptr lado) {
    for (auto [clave, v] : {std::pair{"x", x}, {"y", y}, {"side", lado}}) {
        const std::string texto = valorDelDibujo(png, clave);
        EXPECT_NE(texto, "") << png << " lacks " << clave;
        mpfr_strtofr(v, texto.c_str(), nullptr, 0, MPFR_RNDN);
    }
    const std::string precision = valorDelDibujo(png, "precision");
    return precision.empty() ? 64 : std::stoi(precision);
}

// The principal branch point of the 1/3 limb, where three arms meet at every
// depth (c = -0.1011 + 0.9563i; the plane's imaginary axis points down).
const std::string RAMAS_X = "-0.101096363845622161025785445738622565463805442826";
const std::string RAMAS_Y = "0.956286510809141500771096057729977435809833336510";

// A zoom movie, for each pair of views: frame 0 and the last frame are the
// pictures of the two views; the side of each frame (from the exact corner
// and side of its PNG, in 1024-bit arithmetic) goes geometrically and the
// point the views share stays on one pixel, in a deep movie to the last bit
// of each frame's precision on both sides of the change from 64 bits to
// more; the limit follows, past 32767 too; a movie between 80-bit views
// gives the frames it always gave; run again, a movie keeps its frames; a
// frame given alone draws itself again, a
// deep one each pixel as the definition gives it with the precision, corner
// and side its PNG records; and frame ranges rendered apart, with other
// thread counts, give the same files as one run.
TEST_F(BrenquilRender, UnaPeliculaVaDeUnaVistaALaOtra) {
    // Values with few digits, which their records hold exactly.
    const Vista ancha{60, PLANO_CARDIOIDE, COLOR_ITERACION, DWELL_SI, -2.5L, 1.5L, 3.0L};
    const Vista valle{400, PLANO_CARDIOIDE, COLOR_DESC_BINARIA, DWELL_NO, -0.7475L, 0.1245L, 0.0075L};
    const Vista alLado{25, PLANO_CARDIOIDE, COLOR_ITERACION, DWELL_SI, -1.75L, 0.5L, 3.0L};
    const Vista inv{100, PLANO_CARDIOIDE_INV, COLOR_DESC_BINARIA, DWELL_SI, -4.0L, 4.0L, 8.0L};
    const Vista invCerca{300, PLANO_CARDIOIDE_INV, COLOR_DESC_BINARIA, DWELL_SI, -0.5L, 0.25L, 0.5L};
    guardar("ancha.str", ancha);
    guardar("valle.str", valle);
    guardar("al-lado.str", alLado);
    guardar("inv-cerca.str", invCerca);
    // An end in a PNG, its corner with more digits than a record holds, drawn
    // at a size of its own, which the movie does not take.
    renderizar({"--x", "-0.74364388703715870475", "--y", "0.13182590420532", "--side", "3e-7", "--iterations",
                "800", "--size", "20x20"},
               "espiral.png");
    const Vista espiral{800, PLANO_CARDIOIDE, COLOR_ITERACION, DWELL_SI, std::strtold("-0.74364388703715870475", nullptr),
                        std::strtold("0.13182590420532", nullptr), std::strtold("3e-7", nullptr)};
    // A start in a PNG of 16:9 with 2 x 2 samples, which the movie takes.
    renderizar({"ancha.str", "--size", "48x27", "--supersample", "2"}, "ancha-169.png");
    // A deep end in a view file: 160 bits, a limit of 100000.
    const std::vector<std::string> ramas = {"--center", RAMAS_X + "," + RAMAS_Y, "--radius", "1e-25"};
    std::vector<std::string> args = ramas;
    args.insert(args.end(), {"--iterations", "100000", "--size", "24x16", "--save-view", "ramas.brv"});
    renderizar(args, "ramas.png");
    ASSERT_EQ(valorDelDibujo(carpeta_ / "ramas.png", "precision"), "160");
    const Vista ramasVista{INT16_MAX, PLANO_CARDIOIDE, COLOR_ITERACION, DWELL_SI, 0, 0, 0};
    // The whole set with a limit past 32767, in a view file.
    renderizar({"ancha.str", "--iterations", "32769", "--size", "16x12", "--save-view", "ancha-32769.brv"},
               "ancha-32769.png");

    struct Caso {
        const char* nombre;
        std::vector<std::string> inicio;  // the start: FILE and view options
        std::string fin;
        std::vector<std::string> comunes;  // the options of every frame
        int fotogramas;
        Vista vInicio;
        Vista vFin;
        // What END alone needs besides `comunes` to be drawn as the frames are.
        std::vector<std::string> soloFin = {};
        int64_t limiteFin = 0;  // END's limit past 32767 (0: vFin's)
        // The middle frame's corner as the program wrote it before movies went
        // deeper than 80 bits, for a movie between two 80-bit views.
        const char* xMedio = nullptr;
        bool profunda = false;  // frames on both sides of the change from 64 bits to more
    };
    const std::vector<std::string> invOpciones = {"--plane", "305", "--color", "365", "--iterations", "100",
                                                  "--x", "-4", "--y", "4", "--side", "8"};
    std::vector<std::string> ramasInicio = ramas;
    ramasInicio.insert(ramasInicio.end(), {"--iterations", "500"});
    const Caso casos[] = {
        {"acercar", {"ancha.str"}, "valle.str", {"--size", "64x48"}, 6, ancha, valle, {}, 0, "-0xca96823e777c729p-60"},
        {"alejar", {"valle.str"}, "ancha.str", {"--size", "48x48"}, 5, valle, ancha, {}, 0, "-0xd4b94b94b94b94b9p-64"},
        {"desplazar", {"ancha.str"}, "al-lado.str", {"--size", "40x40"}, 4, ancha, alLado, {}, 0, "-0x8p-2"},
        {"plano-inv", invOpciones, "inv-cerca.str", {"--size", "40x30", "--supersample", "3"}, 5, inv, invCerca, {}, 0,
         "-0x999999999999999ap-63"},
        {"png-al-final", {"ancha.str"}, "espiral.png", {"--size", "40x30", "--step", "32"}, 7,
         Vista{92, PLANO_CARDIOIDE, COLOR_ITERACION, DWELL_SI, -2.5L, 1.5L, 3.0L},
         Vista{832, espiral.plano, espiral.modoColor, espiral.dwell, espiral.xSupIzq, espiral.ySupIzq, espiral.lado}, {},
         0, "-0xbe83d5623a5b5932p-64"},
        {"inicio-png-16-9", {"ancha-169.png"}, "valle.str", {}, 5, ancha, valle, {"--size", "48x27", "--supersample", "2"},
         0, "-0xd4b94b94b94b94b8p-64"},
        // Into the branch point: 64 bits up to frame 4, 128 and 160 after; limits past 32767 from frame 2.
        {"profunda", {"ancha.str"}, "ramas.brv", {"--size", "24x16"}, 7, ancha, ramasVista, {}, 100000, nullptr, true},
        // Limits across 32767, on one view: frame 2's is 32767, drawn as 32766
        // as a picture's is, frame 3's 32768.
        {"limite-32767", {"ancha.str", "--iterations", "32765"}, "ancha-32769.brv", {"--size", "16x12"}, 5,
         Vista{32765, ancha.plano, ancha.modoColor, ancha.dwell, 0, 0, 0}, ramasVista, {}, 32769},
        // Out of it, from a start given by options of 50 digits.
        {"alejar-profunda", ramasInicio, "ancha.str", {"--size", "24x16"}, 5,
         Vista{500, PLANO_CARDIOIDE, COLOR_ITERACION, DWELL_SI, 0, 0, 0}, ancha, {}, 0, nullptr, true},
    };
    constexpr mpfr_prec_t BITS = 1024;
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.nombre);
        const std::string nombre = c.nombre;
        const std::string n = std::to_string(c.fotogramas);
        const auto pelicula = [&](const std::string& patron, std::vector<std::string> extra) {
            std::vector<std::string> args = c.inicio;
            args.insert(args.end(), {"--zoom-to", c.fin, "--frames", n, "-o", patron});
            args.insert(args.end(), c.comunes.begin(), c.comunes.end());
            args.insert(args.end(), extra.begin(), extra.end());
            const Ejecucion e = ejecutar(carpeta_, args);
            EXPECT_EQ(e.codigo, 0) << e.errores;
            EXPECT_EQ(e.errores, "");
        };
        pelicula(nombre + "-%03d.png", {});
        const auto fotograma = [&](int k) {
            const std::string cifras = std::to_string(k);
            return nombre + "-" + std::string(3 - std::min<std::size_t>(3, cifras.size()), '0') + cifras + ".png";
        };
        // Run again, it keeps every frame as it is.
        std::vector<std::pair<ino_t, int64_t>> hechos;
        for (int k = 0; k < c.fotogramas; ++k) hechos.push_back(huella(carpeta_ / fotograma(k)));
        pelicula(nombre + "-%03d.png", {});
        for (int k = 0; k < c.fotogramas; ++k) {
            EXPECT_EQ(huella(carpeta_ / fotograma(k)), hechos[static_cast<std::size_t>(k)]) << k << " was drawn again";
        }

        // The two ends, drawn alone with the same options.
        std::vector<std::string> args = c.inicio;
        args.insert(args.end(), c.comunes.begin(), c.comunes.end());
        const PngLeido inicio = renderizar(args, nombre + "-inicio.png");
        args = {c.fin};
        args.insert(args.end(), c.comunes.begin(), c.comunes.end());
        args.insert(args.end(), c.soloFin.begin(), c.soloFin.end());
        const PngLeido fin = renderizar(args, nombre + "-fin.png");
        const std::optional<PngLeido> primero = leer(carpeta_ / fotograma(0));
        const std::optional<PngLeido> ultimo = leer(carpeta_ / fotograma(c.fotogramas - 1));
        ASSERT_TRUE(primero && ultimo);
        EXPECT_TRUE(primero->pixeles == inicio.pixeles && primero->ancho == inicio.ancho);
        EXPECT_TRUE(ultimo->pixeles == fin.pixeles && ultimo->ancho == inicio.ancho);
        if (c.xMedio) {
            EXPECT_EQ(valorDelDibujo(carpeta_ / fotograma(c.fotogramas / 2), "x"), c.xMedio);
        }

        // Each frame's view, from its chunks, against the formulas computed
        // here with 1024 bits from the two ends' exact corners and sides.
        NumeroP ax(BITS), ay(BITS), aLado(BITS), bx(BITS), by(BITS), bLado(BITS);
        leerEsquinaExacta(carpeta_ / fotograma(0), ax, ay, aLado);
        leerEsquinaExacta(carpeta_ / fotograma(c.fotogramas - 1), bx, by, bLado);
        NumeroP r(BITS), lnR(BITS), fijoX(BITS), fijoY(BITS), t(BITS), u(BITS), lado(BITS), x(BITS), y(BITS);
        mpfr_div(r, bLado, aLado, MPFR_RNDN);
        mpfr_log(lnR, r, MPFR_RNDN);
        // The shared point (c1 - c0 r) / (1 - r), when the sides differ.
        for (auto [fijo, a, b] : {std::tuple{&fijoX, &ax, &bx}, std::tuple{&fijoY, &ay, &by}}) {
            mpfr_mul(t, *a, r, MPFR_RNDN);
            mpfr_sub(*fijo, *b, t, MPFR_RNDN);
            mpfr_ui_sub(t, 1, r, MPFR_RNDN);
            mpfr_div(*fijo, *fijo, t, MPFR_RNDN);
        }
        const int64_t limiteInicio = c.vInicio.iteraciones;
        const int64_t limiteFin = c.limiteFin != 0 ? c.limiteFin : c.vFin.iteraciones;
        std::vector<int> precisiones;
        for (int k = 0; k < c.fotogramas; ++k) {
            SCOPED_TRACE("frame " + std::to_string(k));
            const fs::path png = carpeta_ / fotograma(k);
            const int precision = leerEsquinaExacta(png, x, y, lado);
            precisiones.push_back(precision);
            // The side: the first side times r^t.
            mpfr_mul_si(t, lnR, k, MPFR_RNDN);
            mpfr_div_si(t, t, c.fotogramas - 1, MPFR_RNDN);
            mpfr_exp(t, t, MPFR_RNDN);
            mpfr_mul(t, aLado, t, MPFR_RNDN);
            mpfr_div(u, lado, t, MPFR_RNDN);
            mpfr_sub_ui(u, u, 1, MPFR_RNDN);
            EXPECT_LE(std::fabs(mpfr_get_d(u, MPFR_RNDN)), std::ldexp(1.0, 3 - precision)) << precision;
            // The shared point at the same place, as a fraction of the width
            // from the corner: in a deep movie to one unit in the last place
            // of the frame's precision.
            double tolerancia = 1e-9;
            if (c.profunda) {
                mpfr_set_ui_2exp(t, 1, std::max(mpfr_get_exp(x), mpfr_get_exp(y)) - precision, MPFR_RNDN);
                mpfr_div(t, t, lado, MPFR_RNDN);
                tolerancia = mpfr_get_d(t, MPFR_RNDU);
            }
            for (auto [fijo, a, b, v, eje] :
                 {std::tuple{&fijoX, &ax, &bx, &x, "x"}, std::tuple{&fijoY, &ay, &by, &y, "y"}}) {
                if (mpfr_zero_p(lnR)) {
                    // A pan: the corner goes in a straight line, a + (b - a) t.
                    mpfr_sub(t, *b, *a, MPFR_RNDN);
                    mpfr_mul_si(t, t, k, MPFR_RNDN);
                    mpfr_div_si(t, t, c.fotogramas - 1, MPFR_RNDN);
                    mpfr_add(t, t, *a, MPFR_RNDN);
                    mpfr_sub(t, t, *v, MPFR_RNDN);
                    mpfr_div(t, t, lado, MPFR_RNDN);
                } else {
                    mpfr_sub(t, *fijo, *v, MPFR_RNDN);
                    mpfr_div(t, t, lado, MPFR_RNDN);
                    mpfr_sub(u, *fijo, *a, MPFR_RNDN);
                    mpfr_div(u, u, aLado, MPFR_RNDN);
                    mpfr_sub(t, t, u, MPFR_RNDN);
                }
                EXPECT_LE(std::fabs(mpfr_get_d(t, MPFR_RNDN)), tolerancia) << eje;
            }
            const std::string largo = valorDelDibujo(png, "iterations");
            const int64_t limite = largo.empty() ? vistaDelPng(png).iteraciones : std::stoll(largo);
            const long double esperado =
                std::floor(limiteInicio + static_cast<long double>((limiteFin - limiteInicio) * k) /
                                              (c.fotogramas - 1) + 0.5L);
            EXPECT_EQ(limite, static_cast<int64_t>(esperado));
            const Vista v = vistaDelPng(png);
            const Vista& codigos = k == c.fotogramas - 1 ? c.vFin : c.vInicio;
            EXPECT_EQ(v.plano, codigos.plano);
            EXPECT_EQ(v.modoColor, codigos.modoColor);
            EXPECT_EQ(v.dwell, codigos.dwell);
        }
        if (c.profunda) {
            // The movie crosses from 64 bits to more between two neighbouring frames.
            const auto cambio = std::adjacent_find(precisiones.begin(), precisiones.end(), [](int a, int b) {
                return std::min(a, b) == 64 && std::max(a, b) > 64;
            });
            EXPECT_NE(cambio, precisiones.end());
            // The last deep frame between the ends, pixel by pixel against the definition.
            const int k = precisiones.front() > 64 ? 1 : c.fotogramas - 2;
            const fs::path png = carpeta_ / fotograma(k);
            const std::string largo = valorDelDibujo(png, "iterations");
            const int64_t limite = largo.empty() ? vistaDelPng(png).iteraciones : std::stoll(largo);
            const std::optional<PngLeido> leido = leer(png);
            ASSERT_TRUE(leido && precisiones[static_cast<std::size_t>(k)] > 64);
            for (const auto& [px, py] : {std::pair{0, 0}, {23, 15}, {12, 8}, {5, 11}}) {
                SCOPED_TRACE(std::to_string(px) + "," + std::to_string(py));
                const int64_t cuenta =
                    cuentaDefinicion(valorDelDibujo(png, "x"), valorDelDibujo(png, "y"), valorDelDibujo(png, "side"),
                                     precisiones[static_cast<std::size_t>(k)], 24, px, py, limite);
                ASSERT_LE(cuenta, limite);
                EXPECT_EQ(leido->pixeles[static_cast<std::size_t>(py * 24 + px)],
                          colorIteracion(COLOR_ITERACION, static_cast<int32_t>(cuenta - 1)));
            }
        }

        // A frame given alone draws itself again: the middle one, and the last
        // but one. (A file whose limit is 32767 is read with a word on it.)
        for (int k : {c.fotogramas / 2, c.fotogramas - 2}) {
            const fs::path png = carpeta_ / fotograma(k);
            const bool limite32767 = vistaDelPng(png).iteraciones == INT16_MAX && valorDelDibujo(png, "iterations").empty();
            const Ejecucion e = ejecutar(carpeta_, {fotograma(k), "-o", nombre + "-otra.png"});
            EXPECT_EQ(e.codigo, 0);
            EXPECT_EQ(e.errores, limite32767 ? "brenquil-render: warning: '" + fotograma(k) +
                                                   "': the limit 32767 is drawn as 32766\n"
                                             : "");
            EXPECT_TRUE(contenido(png) == contenido(carpeta_ / (nombre + "-otra.png"))) << k;
        }

        // Two ranges rendered apart, on one thread and on three: the same files.
        pelicula("tramo-" + nombre + "-%03d.png", {"--frame-range", "0-1", "--threads", "1"});
        pelicula("tramo-" + nombre + "-%03d.png",
                 {"--frame-range", "2-" + std::to_string(c.fotogramas - 1), "--threads", "3"});
        for (int k = 0; k < c.fotogramas; ++k) {
            EXPECT_TRUE(contenido(carpeta_ / fotograma(k)) == contenido(carpeta_ / ("tramo-" + fotograma(k)))) << k;
        }
    }
}

// Adds 1 to the byte `desde` bytes into the data of the first chunk longer
// than that whose type (and start of data) is `marca`; with `crcNuevo` the
// chunk's CRC is made to agree again, so that only what the data means is
// wrong.
void cambiarByte(const fs::path& ruta, const std::string& marca, std::size_t desde, bool crcNuevo) {
    std::string d = contenido(ruta);
    const auto byte = [&](std::size_t i) { return uint32_t{static_cast<unsigned char>(d[i])}; };
    std::size_t tipo = 0;
    uint32_t largo = 0;
    while (largo <= desde) {
        tipo = d.find(marca, tipo + 1);
        ASSERT_NE(tipo, std::string::npos) << marca;
        largo = byte(tipo - 4) << 24 | byte(tipo - 3) << 16 | byte(tipo - 2) << 8 | byte(tipo - 1);
    }
    ++d[tipo + 4 + desde];
    if (crcNuevo) {
        const auto crc = static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(d.data() + tipo), 4 + largo));
        for (int i = 0; i < 4; ++i) d[tipo + 4 + largo + i] = static_cast<char>(crc >> (24 - 8 * i));
    }
    std::ofstream(ruta, std::ios::binary | std::ios::trunc) << d;
}

// A movie stopped by SIGINT and run again draws only the frames it lacks:
// those drawn before the stop stay as they are (the same file, not
// rewritten), and the frames are those of one whole run. On a terminal the
// progress line tells the frames kept, the time elapsed and the time left.
// Any other file under a frame's name is drawn again, and --redraw draws
// every frame again.
TEST_F(BrenquilRender, UnaPeliculaParadaSigueDondeQuedo) {
    const Ejecucion fin = ejecutar(carpeta_, {"--center", "-0.743643887037158,0.131825904205330", "--radius", "1e-5",
                                              "--iterations", "4000", "--size", "400x300", "--save-view", "fin.str"});
    ASSERT_EQ(fin.codigo, 0) << fin.errores;
    constexpr int N = 8;
    const std::vector<std::string> pelicula = {"--center", "-0.75,0", "--radius", "2", "--iterations", "500",
                                               "--zoom-to", "fin.str", "--frames", std::to_string(N), "--size",
                                               "400x300", "--supersample", "2", "--threads", "1", "-o"};
    const auto con = [&](const std::string& patron, std::vector<std::string> extra = {}) {
        std::vector<std::string> args = pelicula;
        args.push_back(patron);
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    };
    const Ejecucion entera = ejecutar(carpeta_, con("entera-%d.png"));
    ASSERT_EQ(entera.codigo, 0) << entera.errores;
    const auto fotograma = [&](int k) { return carpeta_ / ("f-" + std::to_string(k) + ".png"); };
    const auto comoEntera = [&](int k) {
        return contenido(fotograma(k)) == contenido(carpeta_ / ("entera-" + std::to_string(k) + ".png"));
    };

    // Stopped once three frames are written.
    const pid_t pid = lanzar(con("f-%d.png"));
    ASSERT_GT(pid, 0);
    const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!fs::exists(fotograma(2)) && std::chrono::steady_clock::now() < limite) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    kill(pid, SIGINT);
    int estado = 0;
    waitpid(pid, &estado, 0);
    ASSERT_TRUE(WIFSIGNALED(estado) && WTERMSIG(estado) == SIGINT) << "the movie was not stopped";
    std::map<int, std::pair<ino_t, int64_t>> antes;
    for (int k = 0; k < N; ++k) {
        if (fs::exists(fotograma(k))) antes[k] = huella(fotograma(k));
    }
    ASSERT_GE(antes.size(), 3u);
    ASSERT_LT(antes.size(), std::size_t{N}) << "the movie ended before it was stopped";

    // Run again on a terminal.
    std::string linea = BRENQUIL_RENDER_EXE;
    for (const std::string& a : con("f-%d.png")) linea += " " + a;
    const Ejecucion otra = ejecutar(carpeta_, {"-qec", linea, "/dev/null"}, {}, "script");
    EXPECT_EQ(otra.codigo, 0) << otra.salida;
    EXPECT_NE(otra.salida.find(", " + std::to_string(antes.size()) + " kept, 0:"), std::string::npos) << otra.salida;
    // The time left, from the second frame drawn on.
    EXPECT_EQ(otra.salida.find(" elapsed, about ") != std::string::npos, antes.size() + 2 <= N) << otra.salida;
    for (int k = 0; k < N; ++k) {
        EXPECT_TRUE(comoEntera(k)) << k;
        if (antes.count(k)) {
            EXPECT_EQ(huella(fotograma(k)), antes[k]) << k << " was written again";
        }
    }

    // Each file that is not the frame, and the frame given --redraw.
    struct Caso {
        const char* nombre;
        std::function<void(int k)> cambiar;
    };
    const Caso casos[] = {
        {"cut short", [&](int k) { fs::resize_file(fotograma(k), fs::file_size(fotograma(k)) / 2); }},
        {"not a PNG", [&](int k) { std::ofstream(fotograma(k), std::ios::trunc) << "no soy un png"; }},
        {"picture data damaged", [&](int k) { cambiarByte(fotograma(k), "IDAT", 100, false); }},
        {"picture data damaged, CRC right", [&](int k) { cambiarByte(fotograma(k), "IDAT", 100, true); }},
        {"another version", [&](int k) { cambiarByte(fotograma(k), "tEXtSoftware", 25, true); }},
        {"other options",
         [&](int k) {
             const std::string f = std::to_string(k) + "-" + std::to_string(k);
             EXPECT_EQ(ejecutar(carpeta_, con("f-%d.png", {"--frame-range", f, "--region", "0,0,400,150", "--redraw"})).codigo, 0);
         }},
        {"--redraw", [](int) {}},
    };
    int k = 0;
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.nombre);
        k = (k + 1) % N;
        c.cambiar(k);
        std::map<int, std::pair<ino_t, int64_t>> hechos;
        for (int j = 0; j < N; ++j) hechos[j] = huella(fotograma(j));
        const bool todos = c.nombre == std::string("--redraw");
        const Ejecucion e = ejecutar(carpeta_, con("f-%d.png", todos ? std::vector<std::string>{"--redraw"}
                                                                       : std::vector<std::string>{}));
        EXPECT_EQ(e.codigo, 0) << e.errores;
        for (int j = 0; j < N; ++j) {
            EXPECT_TRUE(comoEntera(j)) << j;
            if (todos || j == k) {
                EXPECT_NE(huella(fotograma(j)).first, hechos[j].first) << j << " was not drawn again";
            } else {
                EXPECT_EQ(huella(fotograma(j)), hechos[j]) << j << " was written again";
            }
        }
    }
}

TEST_F(BrenquilRender, UnaImagenNuevaReemplazaLaAnteriorSinDejarTemporales) {
    std::ofstream(carpeta_ / "sal.png", std::ios::binary) << "anterior";
    fs::create_directory(carpeta_ / "dentro");
    EXPECT_EQ(renderizar({"--side", "4", "--x", "-2", "--y", "2"}, "sal.png").ancho, 400);
    renderizar({}, "dentro/otra.png");
    EXPECT_EQ(archivos(), (std::set<std::string>{"sal.png", "dentro"}));
    EXPECT_EQ(fs::directory_iterator(carpeta_ / "dentro")->path().filename(), "otra.png");
    // An ordinary new file: the umask decides its mode, not the temporary file's creation.
    const mode_t mascara = umask(0);
    umask(mascara);
    EXPECT_EQ(fs::status(carpeta_ / "sal.png").permissions(), static_cast<fs::perms>(0666 & ~mascara));
}

}  // namespace
