// Parameter files on disk: saving and loading a view, saving over an
// existing file, saves that fail without touching what was there or leaving a
// temporary file behind, and loads that fail without touching the view.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <share.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "../registros_prueba.h"
#include "archivo_nuevo.h"
#include "archivo_parametros.h"
#include "texto_numero.h"

using namespace brenquil;
using namespace brenquil::prueba;
namespace fs = std::filesystem;

namespace {

// A fresh folder per test, removed afterwards (write permission given back first).
class ArchivoParametros : public ::testing::Test {
protected:
    void SetUp() override {
        const auto marca = std::chrono::steady_clock::now().time_since_epoch().count();
        carpeta_ = fs::temp_directory_path() /
                   ("brenquil-pf-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                    "-" + std::to_string(marca));
        ASSERT_TRUE(fs::create_directories(carpeta_));
    }
    void TearDown() override {
        std::error_code ec;
        for (const auto& e : fs::recursive_directory_iterator(carpeta_, ec)) {
            fs::permissions(e.path(), fs::perms::owner_write, fs::perm_options::add, ec);
        }
        fs::remove_all(carpeta_, ec);
    }

    fs::path ruta(const std::string& nombre) const { return carpeta_ / nombre; }

    static void escribir(const fs::path& p, const std::string& bytes) {
        std::ofstream f(p, std::ios::binary | std::ios::trunc);
        f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        f.close();
        ASSERT_FALSE(f.fail()) << p;
    }

    static std::string contenido(const fs::path& p) {
        std::ifstream f(p, std::ios::binary);
        EXPECT_TRUE(f.is_open()) << p;
        return std::string(std::istreambuf_iterator<char>(f), {});
    }

    // The names in the folder: a failed or finished save must leave no temporary file.
    std::vector<std::string> nombres() const {
        std::vector<std::string> v;
        for (const auto& e : fs::directory_iterator(carpeta_)) v.push_back(e.path().filename().string());
        std::sort(v.begin(), v.end());
        return v;
    }

    fs::path carpeta_;
};

using Nombres = std::vector<std::string>;

}  // namespace

TEST_F(ArchivoParametros, GuardaLosBytesDelRegistroYLosCarga) {
    Vista inicial;
    ASSERT_EQ(guardarArchivoParametros(ruta("inicial.str"), inicial), "");
    EXPECT_EQ(contenido(ruta("inicial.str")), kRegistroInicial);

    Vista ejemplo;
    ejemplo = registroEjemplo();
    ASSERT_EQ(guardarArchivoParametros(ruta("ejemplo.str"), ejemplo), "");
    EXPECT_EQ(contenido(ruta("ejemplo.str")), kRegistroEjemplo);
    EXPECT_EQ(nombres(), (Nombres{"ejemplo.str", "inicial.str"}));

    Vista cargado;
    ASSERT_EQ(leerArchivoVista(ruta("ejemplo.str"), cargado), "");
    esperarIguales(cargado, registroEjemplo());

    ASSERT_EQ(leerArchivoVista(ruta("inicial.str"), cargado), "");
    EXPECT_EQ(cargado.plano, PLANO_CARDIOIDE);
    EXPECT_EQ(cargado.lado, 16.0L);
}

TEST_F(ArchivoParametros, GuardarSobreUnArchivoExistenteLoReemplaza) {
    const fs::path p = ruta("vista.str");
    escribir(p, std::string(1000, 'x'));
    Vista estado;
    ASSERT_EQ(guardarArchivoParametros(p, estado), "");
    EXPECT_EQ(contenido(p), kRegistroInicial);
    estado = registroEjemplo();
    ASSERT_EQ(guardarArchivoParametros(p, estado), "");
    EXPECT_EQ(contenido(p), kRegistroEjemplo);
    EXPECT_EQ(nombres(), (Nombres{"vista.str"}));
    // The new file is an ordinary writable file.
    EXPECT_TRUE(fs::is_regular_file(p));
    EXPECT_NE(fs::status(p).permissions() & fs::perms::owner_write, fs::perms::none);
    std::ofstream(p, std::ios::app | std::ios::binary) << "z";
    EXPECT_EQ(contenido(p).size(), 136u);
}

// Another program may have the file open while it is saved over: a viewer
// reading it, a virus scanner or an indexer looking at it. Windows refuses
// to rename over an open file; the save then writes the file in place at
// once, which works when the other program lets others write it, and fails
// with the file left whole and the cause named when it does not. Elsewhere
// an open file is replaced at once.
TEST_F(ArchivoParametros, GuardarSobreUnArchivoQueOtroTieneAbierto) {
    struct Caso {
        const char* quien;
        int compartir;  // what the holder lets others do (_SH_...), -1 for an ifstream
        bool guarda;
    };
    const Caso casos[] = {
        {"an ifstream reading it", -1, true},
#ifdef _WIN32
        {"a reader that lets others read and write", _SH_DENYNO, true},
        {"a reader that lets others only read", _SH_DENYWR, false},
        {"a reader that lets no one in", _SH_DENYRW, false},
#endif
    };
    const fs::path p = ruta("vista.str");
    const Vista estado = registroEjemplo();
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.quien);
        escribir(p, "anterior");
        std::optional<std::ifstream> lector;
        [[maybe_unused]] int descriptor = -1;
        if (c.compartir < 0) {
            lector.emplace(p, std::ios::binary);
            ASSERT_TRUE(lector->is_open());
        } else {
#ifdef _WIN32
            ASSERT_EQ(_wsopen_s(&descriptor, p.c_str(), _O_RDONLY | _O_BINARY, c.compartir, 0), 0);
#endif
        }
        std::error_code causa;
        const std::string error = guardarArchivoParametros(p, estado, &causa);
        lector.reset();
#ifdef _WIN32
        if (descriptor >= 0) _close(descriptor);
#endif
        if (c.guarda) {
            EXPECT_EQ(error, "");
            EXPECT_EQ(contenido(p), kRegistroEjemplo);
        } else {
            EXPECT_NE(error.find("another program has the file open"), std::string::npos) << error;
            EXPECT_EQ(causa, std::errc::device_or_resource_busy) << causa.message();
            EXPECT_EQ(contenido(p), "anterior");
        }
        EXPECT_EQ(nombres(), (Nombres{"vista.str"}));
    }
}

TEST_F(ArchivoParametros, GuardadoFallidoSinCarpeta) {
    Vista estado;
    EXPECT_NE(guardarArchivoParametros(ruta("no-existe") / "vista.str", estado), "");
    EXPECT_TRUE(nombres().empty());
    EXPECT_NE(guardarArchivoParametros(carpeta_ / "", estado), "");
    EXPECT_TRUE(nombres().empty());
}

TEST_F(ArchivoParametros, GuardadoFallidoSobreUnaCarpeta) {
    fs::create_directory(ruta("vista.str"));
    escribir(ruta("vista.str") / "dentro", "intacto");
    Vista estado;
    EXPECT_NE(guardarArchivoParametros(ruta("vista.str"), estado), "");
    EXPECT_TRUE(fs::is_directory(ruta("vista.str")));
    EXPECT_EQ(contenido(ruta("vista.str") / "dentro"), "intacto");
    EXPECT_EQ(nombres(), (Nombres{"vista.str"}));
}

TEST_F(ArchivoParametros, GuardadoFallidoSobreUnArchivoDeSoloLectura) {
    const fs::path p = ruta("vista.str");
    escribir(p, kRegistroEjemplo);
    fs::permissions(p, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    Vista estado;
    EXPECT_NE(guardarArchivoParametros(p, estado), "");
    EXPECT_EQ(contenido(p), kRegistroEjemplo);
    EXPECT_EQ(nombres(), (Nombres{"vista.str"}));
}

#ifndef _WIN32
// Saves on a child process running as an ordinary user, so that folder
// permissions bind even when the tests run as root.
bool guardarComoUsuarioComun(const fs::path& p) {
    const pid_t hijo = fork();
    if (hijo == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
        Vista estado;
        _exit(guardarArchivoParametros(p, estado).empty() ? 0 : 1);
    }
    int estadoHijo = 0;
    waitpid(hijo, &estadoHijo, 0);
    EXPECT_TRUE(WIFEXITED(estadoHijo));
    EXPECT_NE(WEXITSTATUS(estadoHijo), 2) << "could not drop privileges";
    return WIFEXITED(estadoHijo) && WEXITSTATUS(estadoHijo) == 0;
}

// A folder without write permission keeps the temporary file from being created.
TEST_F(ArchivoParametros, GuardadoFallidoEnCarpetaSinEscritura) {
    const fs::path sub = ruta("cerrada");
    fs::create_directory(sub);
    escribir(sub / "vista.str", kRegistroEjemplo);
    fs::permissions(carpeta_, fs::perms::others_exec | fs::perms::group_exec, fs::perm_options::add);
    fs::permissions(sub, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    EXPECT_FALSE(guardarComoUsuarioComun(sub / "vista.str"));
    fs::permissions(sub, fs::perms::owner_write, fs::perm_options::add);
    EXPECT_EQ(contenido(sub / "vista.str"), kRegistroEjemplo);
    EXPECT_EQ(std::distance(fs::directory_iterator(sub), fs::directory_iterator()), 1);
}
#endif

// A file that gives no view leaves the view as it was; so does, for the
// window, a view file or PNG of a view deeper than its 80-bit numbers.
TEST_F(ArchivoParametros, CargaFallidaDejaElEstado) {
    Vista estado;
    estado = registroEjemplo();
    EXPECT_NE(leerArchivoVista(ruta("no-existe.str"), estado), "");
    fs::create_directory(ruta("carpeta.str"));
    EXPECT_NE(leerArchivoVista(ruta("carpeta.str"), estado), "");
    esperarIguales(estado, registroEjemplo());

    const Vista inicial;
    Dibujo hondo{40, 40, 1, std::nullopt, 0, 0, 0, 0};
    hondo.precision = 128;
    hondo.xExacto = "-0x1.79ca10c9242235d511e976394d79eb08p-68";
    hondo.yExacto = "-0xf.fffffffffffffffe8635ef36dbddca3p-4";
    hondo.ladoExacto = "0x2.f394219248446baa23d2ec729af3d61p-68";
    hondo.xSupIzq = *leerRealEstricto(hondo.xExacto);
    hondo.ySupIzq = *leerRealEstricto(hondo.yExacto);
    hondo.lado = *leerRealEstricto(hondo.ladoExacto);
    Vista registro = inicial;
    registro.xSupIzq = hondo.xSupIzq;
    registro.ySupIzq = hondo.ySupIzq;
    registro.lado = hondo.lado;
    escribir(ruta("hondo.brv"), textoArchivoVista(registro, hondo));
    escribir(ruta("danado.brv"), "view=" + escribirRegistro(inicial) + "\nsize=0x0\n");
    escribir(ruta("corto.brv"), "view=" + escribirRegistro(inicial));
    struct Caso {
        const char* nombre;
        FalloLectura fallo;
        const char* motivo;
    };
    const Caso casos[] = {
        {"hondo.brv", FalloLectura::PROFUNDA, "the view is deeper than 80-bit numbers resolve (precision 128)"},
        {"danado.brv", FalloLectura::ARCHIVO_VISTA, "the view file is damaged: 'size=0x0' is not a value of size"},
        {"corto.brv", FalloLectura::ARCHIVO_VISTA, "the view file is damaged: it has only the view's line"},
        {"no-existe.brv", FalloLectura::ABRIR, "cannot read"},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.nombre);
        FalloLectura fallo = FalloLectura::NINGUNO;
        const std::string error = leerArchivoVistaVentana(ruta(c.nombre), estado, fallo);
        EXPECT_EQ(fallo, c.fallo);
        EXPECT_NE(error.find(c.motivo), std::string::npos) << error;
        esperarIguales(estado, registroEjemplo());
    }
    // brenquil-render reads the deep view file, exactly.
    LecturaVista lectura;
    ASSERT_EQ(leerArchivoVista(ruta("hondo.brv"), estado, nullptr, &lectura), "");
    ASSERT_TRUE(lectura.dibujo);
    EXPECT_FALSE(lectura.png || lectura.registroCambiado);
    EXPECT_EQ(escribirDibujo(*lectura.dibujo), escribirDibujo(hondo));
    EXPECT_EQ(estado.lado, hondo.lado);
}

TEST_F(ArchivoParametros, ArchivosCortosYLargos) {
    Vista estado;
    estado.plano = PLANO_PARABOLA;
    escribir(ruta("seis.str"), "40    ");
    ASSERT_EQ(leerArchivoVista(ruta("seis.str"), estado), "");
    esperarIguales(estado, {40, PLANO_PARABOLA, 0, 0, 0.0L, 0.0L, 0.0L});

    estado = registroEjemplo();
    escribir(ruta("vacio.str"), "");
    ASSERT_EQ(leerArchivoVista(ruta("vacio.str"), estado), "");
    EXPECT_EQ(estado.iteraciones, 0);
    EXPECT_EQ(estado.plano, PLANO_CARDIOIDE_INV);
    EXPECT_EQ(estado.modoColor, 0);
    EXPECT_EQ(estado.lado, 0.0L);

    // A record followed by a megabyte: the record alone counts.
    escribir(ruta("largo.str"), kRegistroInicial + std::string(1 << 20, '9'));
    ASSERT_EQ(leerArchivoVista(ruta("largo.str"), estado), "");
    EXPECT_EQ(estado.iteraciones, 30);
    EXPECT_EQ(estado.plano, PLANO_CARDIOIDE);
    EXPECT_EQ(estado.lado, 16.0L);
}

TEST_F(ArchivoParametros, LadoInfinitoGuardadoYCargado) {
    Vista estado;
    estado.lado = std::numeric_limits<long double>::infinity();
    ASSERT_EQ(guardarArchivoParametros(ruta("inf.str"), estado), "");
    const std::string bytes = contenido(ruta("inf.str"));
    ASSERT_EQ(bytes.size(), 135u);
    EXPECT_EQ(bytes.substr(95), "+INF" + espacios(36));
    Vista cargado;
    ASSERT_EQ(leerArchivoVista(ruta("inf.str"), cargado), "");
    EXPECT_EQ(cargado.lado, std::numeric_limits<long double>::infinity());
}

// The new file on its way to a target: its temporary name is short whatever
// the target is called, an interrupted process can remove it, and until it is
// confirmed the target keeps its old bytes.
TEST_F(ArchivoParametros, ElArchivoNuevoTieneUnNombreTemporalCortoYSePuedeBorrar) {
    // 250 bytes: a valid name that a temporary name built on it would push past 255.
    const fs::path largo = ruta(std::string(246, 'n') + ".str");
    Vista estado;
    ASSERT_EQ(guardarArchivoParametros(largo, estado), "");
    EXPECT_EQ(contenido(largo), kRegistroInicial);

    const fs::path p = ruta("vista.str");
    escribir(p, "anterior");
    {
        ArchivoNuevo nuevo;
        ASSERT_EQ(nuevo.abrir(p), "");
        std::fputs("a medias", nuevo.archivo());
        std::fflush(nuevo.archivo());
        const Nombres abiertos = nombres();
        ASSERT_EQ(abiertos.size(), 3u);
        const std::string temporal = abiertos[0];  // the dot sorts first
        EXPECT_LE(temporal.size(), 40u) << temporal;
        EXPECT_EQ(temporal.front(), '.');
        // What a signal handler of an interrupted render does.
        borrarTemporalesAbiertos();
        EXPECT_EQ(nombres(), (Nombres{largo.filename().string(), "vista.str"}));
    }
    EXPECT_EQ(contenido(p), "anterior");
    {
        ArchivoNuevo nuevo;
        ASSERT_EQ(nuevo.abrir(p), "");
        std::fputs("nuevo", nuevo.archivo());
        // Dropped without confirmar(): the target stays, the temporary file goes.
    }
    EXPECT_EQ(contenido(p), "anterior");
    EXPECT_EQ(nombres().size(), 2u);
}

// Every target that cannot be replaced by a new file is refused with its
// reason, before anything is written, and the check leaves nothing behind.
TEST_F(ArchivoParametros, CadaDestinoImposibleSeRechazaSinTocarNada) {
    fs::create_directory(ruta("subcarpeta"));
    escribir(ruta("protegida.png"), "protegida");
    fs::permissions(ruta("protegida.png"), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    const Nombres antes = nombres();
    const std::tuple<fs::path, std::string, std::errc> casos[] = {
        {ruta("subcarpeta"), "it is a folder", std::errc::is_a_directory},
        {ruta("no-existe") / "sal.png", "no folder", std::errc::no_such_file_or_directory},
        {ruta("protegida.png"), "the file is read-only", std::errc::read_only_file_system},
        {carpeta_ / ".", "names a folder", std::errc::is_a_directory},
        {ruta("subcarpeta") / "..", "names a folder", std::errc::is_a_directory},
    };
    for (const auto& [destino, mensaje, motivo] : casos) {
        SCOPED_TRACE(destino.string());
        const std::string comprobado = comprobarDestino(destino);
        EXPECT_NE(comprobado.find(mensaje), std::string::npos) << comprobado;
        std::error_code causa;
        EXPECT_EQ(reemplazarArchivo(destino, "x", 1, &causa), comprobado);
        EXPECT_EQ(causa, motivo);
        EXPECT_EQ(nombres(), antes);
        EXPECT_TRUE(fs::is_empty(ruta("subcarpeta")));
    }
    EXPECT_EQ(contenido(ruta("protegida.png")), "protegida");
    EXPECT_EQ(comprobarDestino(ruta("nueva.png")), "");
    EXPECT_EQ(nombres(), antes);
}

// The "Brenquil render" record read back from its own text gives the same
// values to the last bit, the extremes of each included; a key it does not
// know is passed over.
TEST(RegistroDibujo, SeLeeComoSeEscribio) {
    const long double tercio = 1.0L / 3;
    const Dibujo casos[] = {
        {400, 400, 1, std::nullopt, 0, -4.0L, 8.0L, 16.0L},
        {65535, 1, 16, Region{0, 0, 65535, 1}, INT16_MIN, -0.0L, tercio, std::numeric_limits<long double>::max()},
        {300, 200, 2, Region{100, 50, 40, 30}, INT16_MAX, -std::numeric_limits<long double>::max(),
         std::numeric_limits<long double>::denorm_min(), std::numeric_limits<long double>::denorm_min()},
    };
    for (const Dibujo& d : casos) {
        const std::string texto = escribirDibujo(d);
        SCOPED_TRACE(texto);
        Dibujo leido;
        ASSERT_EQ(leerDibujo(texto + "precision=64\n", leido), "");
        EXPECT_EQ(escribirDibujo(leido), texto);
        EXPECT_EQ(leido.region, d.region);
        for (const auto& [a, b] : {std::pair{leido.xSupIzq, d.xSupIzq}, {leido.ySupIzq, d.ySupIzq}, {leido.lado, d.lado}}) {
            EXPECT_EQ(a, b);
            EXPECT_EQ(std::signbit(a), std::signbit(b));
        }
    }
    EXPECT_EQ(textoExacto(-0.0L), "-0x0p+0");
    EXPECT_EQ(textoExacto(-2.96875L), "-0xbep-6");
}
