// brenquil-render's command line in process: what each option gives, and
// every command line it refuses, with the reason it gives.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "argumentos_render.h"
#include "codigos.h"
#include "patron_fotogramas.h"
#include "profundidad.h"
#include "progreso_pelicula.h"

using namespace brenquil;

namespace {

ResultadoArgumentos analizar(std::vector<const char*> args) {
    args.insert(args.begin(), "brenquil-render");
    return analizarArgumentos(static_cast<int>(args.size()), args.data(), 7);
}

TEST(ArgumentosRender, CadaOpcionDaSuValor) {
    const ResultadoArgumentos r = analizar({"vista.str", "--iterations", "1024", "--plane=305", "--color", "desc-binaria",
                                           "--dwell=no", "--x", "-0.75", "--y=0.125", "--side", "6.103515625e-05",
                                           "--step", "-32", "--threads=3", "--size", "3840x2160", "--supersample", "2",
                                           "--region", "0,1080,1920,1080", "-ofile.png", "--save-view", "v.str"});
    ASSERT_EQ(r.error, "");
    const OpcionesRender& o = r.opciones;
    EXPECT_EQ(o.archivo, "vista.str");
    EXPECT_EQ(o.salida, "file.png");
    EXPECT_EQ(o.guardarVista, "v.str");
    EXPECT_EQ(o.iteraciones, int16_t{1024});
    EXPECT_EQ(o.plano, PLANO_CARDIOIDE_INV);
    EXPECT_EQ(o.modoColor, COLOR_DESC_BINARIA);
    EXPECT_EQ(o.dwell, DWELL_NO);
    EXPECT_EQ(o.xSupIzq, -0.75L);
    EXPECT_EQ(o.ySupIzq, 0.125L);
    EXPECT_EQ(o.lado, std::ldexp(1.0L, -14));
    EXPECT_EQ(o.paso, -32);
    EXPECT_EQ(o.hilos, 3u);
    EXPECT_EQ(o.ancho, 3840);
    EXPECT_EQ(o.alto, 2160);
    EXPECT_EQ(o.muestras, 2);
    EXPECT_EQ(o.region, (Region{0, 1080, 1920, 1080}));

    // The first version's Spanish names, codes by number, the centre and zoom.
    const ResultadoArgumentos s = analizar({"--salida", "-", "--iteraciones", "62", "--plano", "cardioide", "--lado",
                                           "2", "--paso", "32", "--tamano", "800x600", "--color", "370", "--dwell",
                                           "380", "--center", "-0.75,0.1"});
    ASSERT_EQ(s.error, "");
    EXPECT_EQ(s.opciones.salida, "-");
    EXPECT_EQ(s.opciones.iteraciones, int16_t{62});
    EXPECT_EQ(s.opciones.plano, PLANO_CARDIOIDE);
    EXPECT_EQ(s.opciones.modoColor, COLOR_DESC_BINARIA_BN);
    EXPECT_EQ(s.opciones.dwell, DWELL_SI);
    EXPECT_EQ(s.opciones.lado, 2.0L);
    EXPECT_EQ(s.opciones.paso, 32);
    EXPECT_EQ(s.opciones.ancho, 800);
    EXPECT_EQ(s.opciones.centro, std::make_pair(-0.75L, 0.1L));

    EXPECT_EQ(o.textos.x, "-0.75");
    EXPECT_EQ(o.textos.lado, "6.103515625e-05");
    EXPECT_FALSE(o.limiteLargo);

    // Numbers of any length and limits past 16 bits: the texts kept for a deep view.
    const char* largo = "-1.749957378341403502816500400000000000000000000000000000001";
    const ResultadoArgumentos h = analizar({"-o", "a.png", "--iterations", "2147483647", "--center",
                                           (std::string(largo) + ",0x1.8p-70").c_str(), "--zoom", "0x1p+90"});
    ASSERT_EQ(h.error, "");
    EXPECT_EQ(h.opciones.limiteLargo, 2147483647);
    EXPECT_FALSE(h.opciones.iteraciones);
    EXPECT_EQ(h.opciones.textos.centroRe, largo);
    EXPECT_EQ(h.opciones.textos.centroIm, "0x1.8p-70");
    EXPECT_EQ(h.opciones.textos.zoom, "0x1p+90");
    EXPECT_EQ(h.opciones.zoom, 0x1p+90L);
    EXPECT_EQ(analizar({"-o", "a.png", "--iterations", "32767"}).opciones.iteraciones, int16_t{32767});

    EXPECT_FALSE(o.pelicula);
    EXPECT_TRUE(o.tamanoDado && o.muestrasDadas);
    EXPECT_FALSE(s.opciones.muestrasDadas);

    // A movie: its end, its frames, and the range (all of them when none is given).
    const ResultadoArgumentos m = analizar({"a.png", "--zoom-to", "b.str", "--frames", "48", "-o", "f%d.png"});
    ASSERT_EQ(m.error, "");
    ASSERT_TRUE(m.opciones.pelicula);
    EXPECT_EQ(m.opciones.pelicula->fin, "b.str");
    EXPECT_EQ(m.opciones.pelicula->fotogramas, 48);
    EXPECT_EQ(m.opciones.pelicula->primero, 0);
    EXPECT_EQ(m.opciones.pelicula->ultimo, 47);
    EXPECT_FALSE(m.opciones.redibujar);
    const ResultadoArgumentos tramo =
        analizar({"--zoom-to", "b.str", "--frames=48", "--frame-range", "16-31", "--redraw", "-o", "f%d.png"});
    ASSERT_EQ(tramo.error, "");
    EXPECT_EQ(tramo.opciones.pelicula->primero, 16);
    EXPECT_EQ(tramo.opciones.pelicula->ultimo, 31);
    EXPECT_TRUE(tramo.opciones.redibujar);
    // The region of a PNG given as FILE without a size is checked once its size is known.
    EXPECT_EQ(analizar({"a.png", "--region", "0,0,900,900", "-o", "b.png"}).error, "");

    // A value below the normal range keeps some of its bits and is taken; 0 written as 0e-99999 is 0.
    EXPECT_EQ(analizar({"-o", "a.png", "--x", "1e-4940", "--y", "0e-99999"}).error, "");

    const ResultadoArgumentos z = analizar({"--save-view", "v.str", "--zoom", "1e6", "--radius", "1e-6"});
    EXPECT_NE(z.error.find("give one of them"), std::string::npos);
    const ResultadoArgumentos sinNada = analizar({"vista.str"});
    ASSERT_EQ(analizar({"-o", "a.png"}).error, "");
    EXPECT_EQ(analizar({"-o", "a.png"}).opciones.ancho, 400);
    EXPECT_NE(sinNada.error.find("nothing to write"), std::string::npos);
}

TEST(ArgumentosRender, AyudaYVersion) {
    const ResultadoArgumentos ayuda = analizar({"--zoom", "x", "--help"});
    EXPECT_EQ(ayuda.error, "");
    for (const char* texto : {"--output", "--size", "65535", "--supersample", "--region", "--center", "--radius",
                              "--zoom", "--save-view", "--iterations", "--plane", "--color", "--dwell", "--side",
                              "--step", "--threads", "every core: 7", "--zoom-to", "--frames", "--frame-range",
                              "--redraw", "Exit status"}) {
        EXPECT_NE(ayuda.texto.find(texto), std::string::npos) << texto;
    }
    const ResultadoArgumentos version = analizar({"--version"});
    EXPECT_EQ(version.error, "");
    EXPECT_EQ(version.texto.rfind("brenquil-render ", 0), 0u) << version.texto;
}

// Every refusal: what was given, and a piece of the message.
TEST(ArgumentosRender, LasLineasQueNoDanImagenSeRechazan) {
    struct Caso {
        std::vector<const char*> args;
        const char* mensaje;
    };
    const Caso casos[] = {
        {{"-o", "a.png", "--side", "0"}, "for --side: not positive"},
        {{"-o", "a.png", "--side", "-1"}, "for --side: not positive"},
        {{"-o", "a.png", "--side", "inf"}, "for --side: not finite"},
        {{"-o", "a.png", "--side", "nan"}, "for --side: not finite"},
        {{"-o", "a.png", "--side", "1e-99999"}, "for --side: too small: it underflows to 0"},
        {{"-o", "a.png", "--x", "-1e-99999"}, "for --x: too small: it underflows to 0"},
        {{"-o", "a.png", "--center", "0,0x1p-99999"}, "for --center: too small: it underflows to 0"},
        {{"-o", "a.png", "--y", "1e99999"}, "for --y: too large: it overflows to infinity"},
        {{"-o", "a.png", "--radius", "0"}, "for --radius: not positive"},
        {{"-o", "a.png", "--zoom", "-2"}, "for --zoom: not positive"},
        {{"-o", "a.png", "--x", "nan"}, "for --x: not finite"},
        {{"-o", "a.png", "--y", "-inf"}, "for --y: not finite"},
        {{"-o", "a.png", "--center", "inf,0"}, "for --center: not finite"},
        {{"-o", "a.png", "--center", "1"}, "not 2 values separated by ','"},
        {{"-o", "a.png", "--center", "1,2", "--x", "0"}, "both place the view, give one of them"},
        {{"-o", "a.png", "--side", "2", "--zoom", "3"}, "give one of them"},
        {{"-o", "a.png", "--plane", "999"}, "not a plane"},
        {{"-o", "a.png", "--plane", "301"}, "not a plane"},
        {{"-o", "a.png", "--color", "0"}, "not a colouring"},
        {{"-o", "a.png", "--dwell", "381"}, "not a dwell code"},
        {{"-o", "a.png", "--dwell", "quizas"}, "not a dwell code (380 or si or yes, 385 or no)"},
        {{"-o", "a.png", "--x", "1x"}, "for --x: not a number"},
        {{"-o", "a.png", "--x", " 1"}, "for --x: not a number"},
        {{"-o", "a.png", "--iterations", "3.5"}, "not an integer"},
        {{"-o", "a.png", "--iterations", "2147483648"}, "outside -32768..2147483647"},
        {{"-o", "a.png", "--threads", "0"}, "outside 1..256"},
        {{"-o", "a.png", "--supersample", "17"}, "outside 1..16"},
        {{"-o", "a.png", "--size", "0x400"}, "each side must be 1..65535"},
        {{"-o", "a.png", "--size", "65536x1"}, "each side must be 1..65535"},
        {{"-o", "a.png", "--size", "400"}, "not 2 values separated by 'x'"},
        {{"-o", "a.png", "--region", "0,0,401,10"}, "inside the 400 x 400 picture"},
        {{"-o", "a.png", "--size", "100x50", "--region", "50,25,50,26"}, "inside the 100 x 50 picture"},
        {{"-o", "a.png", "--region", "0,0,0,10"}, "at least one pixel"},
        {{"-o", "a.jpg"}, "ending in .png"},
        {{"-o", "picture"}, "ending in .png"},
        {{"-o", ""}, "an empty name"},
        {{"-o", "a.png", "-o", "b.png"}, "--output given more than once"},
        {{"-o", "a.png", "--salida", "b.png"}, "--output given more than once"},
        {{"-o", "a.png", "--save-view", ""}, "for --save-view: an empty name"},
        {{"-o", "a.png", "--save-view", "-"}, "for --save-view: the view is written to a file"},
        {{"-o", "a.png", "--save-view", "v.PNG"}, "for --save-view: the view is written as a parameter file"},
        {{"-o", "a.png", "--radius", "1", "--side", "2"}, "both give the view's side, give one of them"},
        {{"-o", "a.png", "--x", "1", "--x", "1"}, "--x given more than once"},
        {{"-o", "a.png", "--zoom"}, "--zoom"},
        {{"-o", "a.png", "--bigger"}, "--bigger"},
        {{"uno.str", "dos.str", "-o", "a.png"}, "dos.str"},
        {{}, "nothing to write"},
        // Movies: the pattern of the frames' names, the frames, the range.
        {{"--zoom-to", "b.str", "--frames", "9", "-o", "f-%s.png"}, "'%s' is no frame number"},
        {{"--zoom-to", "b.str", "--frames", "9", "-o", "f-%ld.png"}, "'%l' is no frame number"},
        {{"--zoom-to", "b.str", "--frames", "9", "-o", "f-%100d.png"}, "is no frame number"},
        {{"--zoom-to", "b.str", "--frames", "9", "-o", "f-%d-%d.png"}, "more than one frame number"},
        {{"--zoom-to", "b.str", "--frames", "9", "-o", "f-%d%.png"}, "'%.p' is no frame number"},
        {{"--zoom-to", "b.str", "--frames", "9", "-o", "f.png"}, "no frame number in the name"},
        {{"--zoom-to", "b.str", "--frames", "9", "-o", "f-%%.png"}, "no frame number in the name"},
        {{"--zoom-to", "b.str", "--frames", "9", "-o", "-"}, "one PNG per frame"},
        {{"--zoom-to", "b.str", "--frames", "9", "--save-view", "v.str"}, "one PNG per frame"},
        {{"--zoom-to", "b.str", "--frames", "1", "-o", "f%d.png"}, "--frames: outside 2..1000000"},
        {{"--zoom-to", "b.str", "-o", "f%d.png"}, "give both"},
        {{"--frames", "9", "-o", "f%d.png"}, "give both"},
        {{"--frame-range", "0-3", "-o", "f.png"}, "--frame-range is for a movie"},
        {{"--redraw", "-o", "f.png"}, "--redraw is for a movie"},
        {{"--zoom-to", "b.str", "--frames", "9", "--redraw", "--redraw", "-o", "f%d.png"}, "--redraw given more than once"},
        {{"--zoom-to", "b.str", "--frames", "9", "--frame-range", "3-9", "-o", "f%d.png"}, "outside the movie's frames 0-8"},
        {{"--zoom-to", "b.str", "--frames", "9", "--frame-range", "5-4", "-o", "f%d.png"}, "A <= B"},
        {{"--zoom-to", "b.str", "--frames", "9", "--frame-range", "-1-4", "-o", "f%d.png"}, "A <= B"},
        {{"--zoom-to", "b.str", "--frames", "9", "--frame-range", "4", "-o", "f%d.png"}, "A <= B"},
    };
    for (const Caso& c : casos) {
        std::string linea;
        for (const char* a : c.args) linea += std::string(" ") + a;
        SCOPED_TRACE("brenquil-render" + linea);
        const ResultadoArgumentos r = analizar(c.args);
        EXPECT_NE(r.error.find(c.mensaje), std::string::npos) << r.error;
        EXPECT_EQ(r.texto, "");
    }
}

// The precision of a view: 64 where the 80-bit grid resolves it, else
// 48 guard bits over the bits between the farthest coordinate and the
// samples' spacing, rounded up to a multiple of 32.
TEST(ArgumentosRender, LaPrecisionCreceConLaProfundidad) {
    struct Caso {
        Vista vista;
        Lienzo lienzo;
        int precision;
    };
    const auto en = [](long double x, long double y, long double lado) {
        return Vista{30, PLANO_CARDIOIDE, COLOR_ITERACION, DWELL_SI, x, y, lado};
    };
    const Caso casos[] = {
        {Vista{}, Lienzo{}, 64},
        {en(-0.74L, 0.1L, 1e-14L), Lienzo{}, 64},
        // 0.74 / (1e-21 / 400) is 2^77.97: 78 + 48 bits.
        {en(-0.74L, 0.1L, 1e-21L), Lienzo{}, 128},
        {en(-0.74L, 0.1L, 1e-21L), Lienzo{400, 400, 16}, 160},
        // A corner far out: 1e20 / (16 / 400) is 2^71.08.
        {en(1e20L, 8.0L, 16.0L), Lienzo{}, 128},
        {en(0.5L, 0.5L, 1e-4000L), Lienzo{}, 13344},
        // 1 / (2^-70 / 1024) is 2^80 exactly: 80 + 48 = 128 bits; one pixel more needs 81.
        {en(-1.0L, 0.5L, 0x1p-70L), Lienzo{1024, 1024, 1}, 128},
        {en(-1.0L, 0.5L, 0x1p-70L), Lienzo{1025, 1025, 1}, 160},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(std::to_string(static_cast<double>(c.vista.lado)) + " at " + std::to_string(c.lienzo.ancho));
        EXPECT_EQ(precisionDeVista(c.vista, c.lienzo), c.precision);
    }
}

// A movie's progress label: the frame, the frames kept, the time elapsed,
// and the mean time of a frame drawn times the frames still to draw.
TEST(ArgumentosRender, ElProgresoDeUnaPeliculaEstimaLoQueFalta) {
    struct Caso {
        int numero, total, guardados;
        double transcurridos;
        int dibujados;
        double segundosDibujando;
        int porDibujar;
        const char* etiqueta;
    };
    const Caso casos[] = {
        {1, 48, 0, 0.2, 0, 0, 48, "frame 1/48, 0:00 elapsed"},
        {12, 48, 5, 37.4, 6, 30, 37, "frame 12/48, 5 kept, 0:37 elapsed, about 3:05 left"},
        {3, 10, 1, 3725, 1, 7200.2, 8, "frame 3/10, 1 kept, 1:02:05 elapsed, about 16:00:02 left"},
    };
    for (const Caso& c : casos) {
        EXPECT_EQ(etiquetaProgreso(c.numero, c.total, c.guardados, c.transcurridos, c.dibujados, c.segundosDibujando,
                                   c.porDibujar),
                  c.etiqueta);
    }
}

// The frames' names are what printf makes of the same pattern (the program
// fills the pattern in itself).
TEST(ArgumentosRender, ElNombreDeCadaFotogramaEsElDePrintf) {
    for (const char* patron : {"frame-%05d.png", "%d.png", "%4i.png", "%-4d.png", "%+d.png", "% d.png", "%+ 3d.png",
                               "%.3d.png", "%.0d.png", "%08.3d.png", "%-08d.png", "100%%-%i-%%.png", "%99d"}) {
        std::string motivo;
        const std::optional<PatronFotogramas> p = PatronFotogramas::leer(patron, motivo);
        ASSERT_TRUE(p) << patron << ": " << motivo;
        for (int64_t k : {0, 7, 12345, 999999}) {
            char esperado[128];
            std::snprintf(esperado, sizeof esperado, patron, static_cast<int>(k));
            EXPECT_EQ(p->nombre(k), esperado) << patron << " " << k;
        }
    }
}

}  // namespace
