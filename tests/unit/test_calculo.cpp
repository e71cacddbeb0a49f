// The render: the order of the ring scan, the start/stop protocol of the
// render thread, the colouring of whole pictures and extended precision on
// the render thread.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "calculo.h"
#include "precision_x87.h"
#include "ventana_memoria.h"

using namespace brenquil;
using namespace std::chrono_literals;

namespace {

constexpr int kLlamadasTotales = 162408;
// Calls of the rings before ring r: the sum of 8j + 8 for j < r.
constexpr int llamadasAntesDelAnillo(int r) { return 4 * r * r + 4 * r; }

// A window that records every call and which thread made it, and can stop
// the render or hold the render thread at a chosen call.
class VentanaSonda : public VentanaMemoria {
public:
    VentanaSonda(EstadoVisor& estado, Color fondo = NEGRO)
        : VentanaMemoria(400, 400, fondo, true), estado_(estado) {}

    int detenerEnLlamada = -1;  // clears `calculando` at this call (0-based)
    int retenerEnLlamada = -1;  // holds the render thread at this call until soltar()

    void ponerPixel(int16_t x, int16_t y, Color color) override {
        const int dentro = dentro_.fetch_add(1) + 1;
        int maximo = maximoDentro_.load();
        while (dentro > maximo && !maximoDentro_.compare_exchange_weak(maximo, dentro)) {}
        const int n = static_cast<int>(llamadas().size());
        if (n == detenerEnLlamada) estado_.calculando.store(false);
        if (n == retenerEnLlamada) {
            std::unique_lock<std::mutex> lock(mutex_);
            retenido_ = true;
            cambio_.notify_all();
            cambio_.wait(lock, [this] { return soltado_; });
        }
        VentanaMemoria::ponerPixel(x, y, color);
        dentro_.fetch_sub(1);
    }

    void esperarRetenido() {
        std::unique_lock<std::mutex> lock(mutex_);
        ASSERT_TRUE(cambio_.wait_for(lock, 20s, [this] { return retenido_; })) << "the render never reached the call";
    }
    void soltar() {
        std::lock_guard<std::mutex> lock(mutex_);
        soltado_ = true;
        cambio_.notify_all();
    }

    int maximoSimultaneo() const { return maximoDentro_.load(); }

private:
    EstadoVisor& estado_;
    std::atomic<int> dentro_{0};
    std::atomic<int> maximoDentro_{0};
    std::mutex mutex_;
    std::condition_variable cambio_;
    bool retenido_ = false;
    bool soltado_ = false;
};

// A view small enough in iterations that a whole render is quick.
void vistaRapida(EstadoVisor& estado) {
    estado.enfoqueActual.setIteraciones(8);
    estado.incrementoIteraciones = 0;
}

// Starts a render and waits for its end.
void calcular(ControlCalculo& control, VentanaCalculo& ventana) {
    control.ejecutarCalculo(ventana);
    control.esperarCalculo();
}

// The calls of one whole render of the quick view, in order.
std::vector<LlamadaPixel> llamadasDeUnCalculo() {
    EstadoVisor estado;
    vistaRapida(estado);
    VentanaSonda ventana(estado);
    ControlCalculo control(estado);
    calcular(control, ventana);
    return ventana.llamadas();
}

}  // namespace

TEST(OrdenDeAnillos, PrimerasLlamadasDeLosAnillosCeroYUno) {
    const std::vector<LlamadaPixel> ll = llamadasDeUnCalculo();
    ASSERT_EQ(ll.size(), size_t(kLlamadasTotales));
    const int16_t anillo0[8][2] = {{199, 199}, {199, 200}, {200, 200}, {200, 199},
                                   {200, 199}, {199, 199}, {199, 200}, {200, 200}};
    const int16_t anillo1[8][2] = {{198, 198}, {198, 201}, {201, 201}, {201, 198},
                                   {199, 198}, {198, 200}, {200, 201}, {201, 199}};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(ll[i].x, anillo0[i][0]) << i;
        EXPECT_EQ(ll[i].y, anillo0[i][1]) << i;
        EXPECT_EQ(ll[8 + i].x, anillo1[i][0]) << i;
        EXPECT_EQ(ll[8 + i].y, anillo1[i][1]) << i;
    }
}

TEST(OrdenDeAnillos, CadaAnilloEsElBordeDeSuCuadrado) {
    const std::vector<LlamadaPixel> ll = llamadasDeUnCalculo();
    ASSERT_EQ(ll.size(), size_t(kLlamadasTotales));
    for (int r = 0; r <= 200; ++r) {
        const int lo = 199 - r, hi = 200 + r;
        for (int j = llamadasAntesDelAnillo(r); j < llamadasAntesDelAnillo(r + 1); ++j) {
            const bool enBorde = (ll[j].x == lo || ll[j].x == hi || ll[j].y == lo || ll[j].y == hi) &&
                                 ll[j].x >= lo && ll[j].x <= hi && ll[j].y >= lo && ll[j].y <= hi;
            ASSERT_TRUE(enBorde) << "ring " << r << " call " << j << " at " << ll[j].x << "," << ll[j].y;
        }
    }
    // Every position of columns and rows -1..400 is visited; the four corners
    // of each ring twice, every other position once.
    std::map<std::pair<int, int>, int> visitas;
    for (const auto& l : ll) ++visitas[{l.x, l.y}];
    EXPECT_EQ(visitas.size(), size_t(402 * 402));
    for (const auto& [pos, veces] : visitas) {
        const int r = std::max(std::abs(2 * pos.first - 399), std::abs(2 * pos.second - 399)) / 2;
        const int lo = 199 - r, hi = 200 + r;
        const bool esquina = (pos.first == lo || pos.first == hi) && (pos.second == lo || pos.second == hi);
        ASSERT_EQ(veces, esquina ? 2 : 1) << pos.first << "," << pos.second;
    }
}

TEST(Protocolo, DetenerEnElAnilloCeroTerminaEseAnillo) {
    EstadoVisor estado;
    vistaRapida(estado);
    VentanaSonda ventana(estado);
    ventana.detenerEnLlamada = 2;
    ControlCalculo control(estado);
    calcular(control, ventana);
    EXPECT_EQ(ventana.llamadas().size(), 8u);
    EXPECT_FALSE(estado.calculando.load());
    EXPECT_EQ(ventana.cursoresEspera(), 1);
    EXPECT_EQ(ventana.cursoresNormales(), 1);
    EXPECT_EQ(ventana.invalidaciones(), 2);  // at the start and at the end
}

TEST(Protocolo, DetenerTerminaTrasElAnilloEnCurso) {
    EstadoVisor estado;
    vistaRapida(estado);
    VentanaSonda ventana(estado);
    // A call in the middle of ring 37.
    ventana.detenerEnLlamada = llamadasAntesDelAnillo(37) + 100;
    ControlCalculo control(estado);
    calcular(control, ventana);
    EXPECT_EQ(ventana.llamadas().size(), size_t(llamadasAntesDelAnillo(38)));
}

TEST(Protocolo, ArrancarTrasDetenerEsperaAlHiloDetenido) {
    EstadoVisor estado;
    vistaRapida(estado);
    VentanaSonda ventana(estado);
    const int retenida = llamadasAntesDelAnillo(3) + 5;
    ventana.retenerEnLlamada = retenida;
    ControlCalculo control(estado);
    control.ejecutarCalculo(ventana);
    ventana.esperarRetenido();

    // Stop, then start again while the stopped thread is still inside ring 3.
    control.alternarCalculo(ventana);
    EXPECT_FALSE(estado.calculando.load());
    std::atomic<bool> arrancado{false};
    std::thread interfaz([&] {
        control.alternarCalculo(ventana);
        arrancado = true;
    });
    // The start must not get past its wait while the stopped thread is held.
    const auto limite = std::chrono::steady_clock::now() + 300ms;
    while (std::chrono::steady_clock::now() < limite) {
        ASSERT_FALSE(arrancado.load()) << "a start did not wait for the stopped render";
        std::this_thread::sleep_for(5ms);
    }
    ventana.soltar();
    interfaz.join();
    control.esperarCalculo();

    EXPECT_EQ(ventana.maximoSimultaneo(), 1) << "two render threads drew at once";
    // The stopped render finished ring 3; the new one began at ring 0 and drew every ring.
    const auto& ll = ventana.llamadas();
    ASSERT_EQ(ll.size(), size_t(llamadasAntesDelAnillo(4) + kLlamadasTotales));
    const int detenida = llamadasAntesDelAnillo(4);
    for (int j = 0; j < detenida; ++j) ASSERT_EQ(ll[detenida + j], ll[j]) << j;
    EXPECT_EQ(ll.back(), (LlamadaPixel{400, 400, ll.back().color}));
}

TEST(Protocolo, DosHilosALaVezSoloUnoDibuja) {
    EstadoVisor estado;
    vistaRapida(estado);
    ControlCalculo control(estado);
    for (int intento = 0; intento < 20; ++intento) {
        VentanaSonda ventana(estado);
        // The thread that claims the render is held at its first pixel, so the
        // other one certainly tries while a render runs.
        ventana.retenerEnLlamada = 0;
        // Two render threads created before either has claimed the render.
        control.prepararCalculo(ventana);
        std::atomic<int> listos{0};
        std::atomic<int> terminados{0};
        auto carrera = [&] {
            listos.fetch_add(1);
            while (listos.load() < 2) {}
            control.hiloCalculo();
            terminados.fetch_add(1);
        };
        std::thread a(carrera), b(carrera);
        ventana.esperarRetenido();
        const auto limite = std::chrono::steady_clock::now() + 20s;
        while (terminados.load() < 1 && std::chrono::steady_clock::now() < limite) std::this_thread::yield();
        EXPECT_EQ(terminados.load(), 1) << "the second thread did not end at once";
        EXPECT_EQ(ventana.llamadas().size(), 0u);
        EXPECT_EQ(ventana.cursoresNormales(), 0);  // the loser touched nothing
        EXPECT_EQ(ventana.invalidaciones(), 0);
        ventana.soltar();
        a.join();
        b.join();
        EXPECT_EQ(ventana.llamadas().size(), size_t(kLlamadasTotales));
        EXPECT_EQ(ventana.maximoSimultaneo(), 1);
        EXPECT_EQ(ventana.cursoresNormales(), 1);
        EXPECT_EQ(ventana.invalidaciones(), 1);
    }
}

TEST(Protocolo, TerminarJustoTrasArrancarNoDibujaLaImagenEntera) {
    // Closing the window right after a start: the new thread usually has not
    // claimed the render yet, and a plain stop would be lost on it.
    EstadoVisor estado;
    estado.enfoqueActual.setIteraciones(3000);
    estado.incrementoIteraciones = 0;
    for (int intento = 0; intento < 10; ++intento) {
        VentanaSonda ventana(estado);
        ControlCalculo control(estado);
        control.crearHiloCalculo(ventana);
        control.detenerYEsperar();
        EXPECT_LT(ventana.llamadas().size(), size_t(kLlamadasTotales)) << intento;
        EXPECT_FALSE(estado.calculando.load());
        EXPECT_EQ(ventana.cursoresNormales(), 1);
    }
    // The next start renders normally again.
    estado.enfoqueActual.setIteraciones(8);
    VentanaSonda ventana(estado);
    ControlCalculo control(estado);
    calcular(control, ventana);
    EXPECT_EQ(ventana.llamadas().size(), size_t(kLlamadasTotales));
}

TEST(Protocolo, ElPasoSeSumaEnCadaArranque) {
    EstadoVisor estado;
    VentanaMemoria ventana(400, 400);
    ControlCalculo control(estado);
    calcular(control, ventana);
    EXPECT_EQ(estado.enfoqueActual.getIteraciones(), 62);
    calcular(control, ventana);
    EXPECT_EQ(estado.enfoqueActual.getIteraciones(), 94);
    estado.incrementoIteraciones = 0;
    calcular(control, ventana);
    EXPECT_EQ(estado.enfoqueActual.getIteraciones(), 94);
    // The render's copy of the view is the current view at the start.
    estado.enfoqueActual.aplicarCuadrado(100, 100, 300, 300);
    calcular(control, ventana);
    EXPECT_EQ(estado.iterador.vista().x, 0.0L);
    EXPECT_EQ(estado.iterador.vista().y, 4.0L);
    EXPECT_EQ(estado.iterador.vista().lado, 8.0L);
}

TEST(Protocolo, UnArranqueDuranteUnCalculoEsperaASuFin) {
    EstadoVisor estado;
    vistaRapida(estado);
    VentanaSonda ventana(estado);
    ControlCalculo control(estado);
    control.ejecutarCalculo(ventana);
    // Not a stop: the second start blocks until the first render drew all rings.
    calcular(control, ventana);
    EXPECT_EQ(ventana.llamadas().size(), size_t(2 * kLlamadasTotales));
    EXPECT_EQ(ventana.maximoSimultaneo(), 1);
}

namespace {

// The colour the engine gives pixel (x, y) of the state's view, computed on
// this thread.
Color colorEsperado(const EstadoVisor& estado, const VistaPlano& vista, int16_t x, int16_t y) {
    const int16_t m = limiteEfectivo(estado.enfoqueActual.getIteraciones());
    const ResultadoIteracion r = iterarPixel(estado.iterador.getPlano(), vista, x, y, m);
    const int32_t n = estado.opcionesColor.dwell == DWELL_SI ? r.cuenta - 1 : m;
    return colorDeIndice(estado.opcionesColor.modoColor, n, r.zx, r.zy);
}

}  // namespace

TEST(Imagen, DwellNoDejaLosPixelesEscapadosComoEstaban) {
    EstadoVisor estado;
    estado.opcionesColor.dwell = DWELL_NO;
    const Color fondo = colorRGB(1, 2, 3);
    VentanaMemoria ventana(400, 400, fondo);
    ControlCalculo control(estado);
    calcular(control, ventana);
    const VistaPlano vista{-4, 8, 16};
    int dentro = 0;
    for (int16_t y = 0; y < 400; ++y)
        for (int16_t x = 0; x < 400; ++x) {
            const auto r = iterarPixel(PLANO_CARDIOIDE, vista, x, y, 62);
            if (r.cuenta == 63) {
                ++dentro;
                ASSERT_EQ(ventana.pixel(x, y), colorEsperado(estado, vista, x, y));
            } else {
                ASSERT_EQ(ventana.pixel(x, y), fondo) << x << "," << y;
            }
        }
    EXPECT_GT(dentro, 100);
    // Any dwell code other than 380 behaves the same.
    estado.opcionesColor.dwell = 12345;
    estado.incrementoIteraciones = 0;
    VentanaMemoria otra(400, 400, fondo);
    calcular(control, otra);
    EXPECT_EQ(otra.pixeles(), ventana.pixeles());
}

TEST(Imagen, LimiteNegativo) {
    EstadoVisor estado;
    estado.incrementoIteraciones = -1024;
    VentanaMemoria ventana(400, 400, BLANCO);
    ControlCalculo control(estado);
    calcular(control, ventana);
    EXPECT_EQ(estado.enfoqueActual.getIteraciones(), -994);
    // Count 0, index -1: every pixel gets the palette colour of -1.
    for (Color c : ventana.pixeles()) ASSERT_EQ(c, colorRGB(115, 117, 122));

    // With DWELL_NO only a count of m + 1 draws: with m = -994 nothing, with m = -1 all.
    estado.opcionesColor.dwell = DWELL_NO;
    estado.incrementoIteraciones = 0;
    VentanaMemoria nada(400, 400, BLANCO);
    calcular(control, nada);
    for (Color c : nada.pixeles()) ASSERT_EQ(c, BLANCO);
    estado.enfoqueActual.setIteraciones(-1);
    VentanaMemoria todo(400, 400, BLANCO);
    calcular(control, todo);
    for (Color c : todo.pixeles()) ASSERT_EQ(c, colorRGB(115, 117, 122));
}

TEST(Imagen, LimiteMaximoSeColoreaConElLimiteEfectivo) {
    EstadoVisor estado;
    estado.enfoqueActual.setIteraciones(32767);
    estado.iterador.setX(0);
    estado.iterador.setY(0);
    estado.iterador.setLado(1);
    VentanaMemoria ventana(1, 1);
    pintarPixel(estado, ventana, 0, 0);  // c = 0 never escapes
    EXPECT_EQ(ventana.pixel(0, 0), colorDeIndice(COLOR_ITERACION, 32766, 0, 0));
    estado.opcionesColor.dwell = DWELL_NO;
    VentanaMemoria otra(1, 1, BLANCO);
    pintarPixel(estado, otra, 0, 0);
    EXPECT_EQ(otra.pixel(0, 0), colorDeIndice(COLOR_ITERACION, 32766, 0, 0));
}

TEST(Imagen, IgualALosPixelesDelMotorEnCadaPlanoYModo) {
    struct Caso {
        int16_t plano;
        int32_t modo;
        VistaPlano vista;
    };
    const Caso casos[] = {
        {PLANO_CARDIOIDE, COLOR_DESC_BINARIA, {-0.8L, 0.2L, 0.1L}},
        {PLANO_CARDIOIDE_INV, COLOR_BLANCO_NEGRO, {-4, 4, 8}},
        {PLANO_PARABOLA, COLOR_DESC_BINARIA_BN, {-1, 1, 2}},
    };
    for (const Caso& c : casos) {
        EstadoVisor estado;
        estado.iterador.setPlano(c.plano);
        estado.opcionesColor.modoColor = c.modo;
        estado.enfoqueActual.setXSupIzq(c.vista.x);
        estado.enfoqueActual.setYSupIzq(c.vista.y);
        estado.enfoqueActual.setLado(c.vista.lado);
        estado.incrementoIteraciones = 70;
        VentanaMemoria ventana(400, 400);
        ControlCalculo control(estado);
        calcular(control, ventana);
        for (int16_t y = 0; y < 400; ++y)
            for (int16_t x = 0; x < 400; ++x)
                ASSERT_EQ(ventana.pixel(x, y), colorEsperado(estado, c.vista, x, y))
                    << "plane " << c.plano << " at " << x << "," << y;
    }
}

namespace {

// A boundary view of side 1e-14 with 2000 iterations: its pixel steps lie
// below double's resolution, so 53-bit arithmetic draws it differently.
void vistaProfunda(EstadoVisor& estado) {
    estado.enfoqueActual.setXSupIzq(-0.743137571910511052112L - 5e-15L);
    estado.enfoqueActual.setYSupIzq(-0.0972550287642044208121L + 5e-15L);
    estado.enfoqueActual.setLado(1e-14L);
    estado.enfoqueActual.setIteraciones(2000);
    estado.incrementoIteraciones = 0;
}

// The colours of a column of pixels of the state's view, computed on a thread
// running with the given x87 precision.
std::vector<Color> columnaConPrecision(const EstadoVisor& estado, PrecisionX87 p, int16_t x) {
    std::vector<Color> colores;
    std::thread hilo([&] {
        fijarPrecisionX87(p);
        const VistaPlano vista{estado.enfoqueActual.getXSupIzq(), estado.enfoqueActual.getYSupIzq(),
                               estado.enfoqueActual.getLado()};
        for (int16_t y = 0; y < 400; ++y) colores.push_back(colorEsperado(estado, vista, x, y));
    });
    hilo.join();
    return colores;
}

}  // namespace

TEST(Precision, LaVistaProfundaDependeDeLaPrecision) {
    EstadoVisor estado;
    vistaProfunda(estado);
    int distintos = 0;
    for (int16_t x : {50, 200, 350}) {
        const auto doble = columnaConPrecision(estado, PrecisionX87::Doble, x);
        const auto extendida = columnaConPrecision(estado, PrecisionX87::Extendida, x);
        for (size_t i = 0; i < doble.size(); ++i) distintos += doble[i] != extendida[i];
    }
    EXPECT_GT(distintos, 60);
}

TEST(Precision, ElHiloDeCalculoFijaLaPrecisionExtendida) {
    EstadoVisor estado;
    vistaProfunda(estado);
    ControlCalculo control(estado);
    VentanaMemoria ventana(400, 400);
    control.prepararCalculo(ventana);
    // The render thread's procedure on a thread that starts at 53 bits, as a
    // thread made by CreateThread does on Windows.
    std::thread doble([&] {
        fijarPrecisionX87(PrecisionX87::Doble);
        control.hiloCalculo();
    });
    doble.join();
    for (int16_t x : {0, 50, 200, 350, 399}) {
        const auto esperada = columnaConPrecision(estado, PrecisionX87::Extendida, x);
        for (int16_t y = 0; y < 400; ++y) ASSERT_EQ(ventana.pixel(x, y), esperada[y]) << x << "," << y;
    }
}
