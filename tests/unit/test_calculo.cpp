// The render: the ring order, the start/stop protocol of the render thread
// and its helpers, the pictures it draws (against the literal loop and
// colouring) and extended precision on every thread that computes.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <mutex>
#include <set>
#include <thread>

#include "calculo.h"
#include "estado_visor.h"
#include "precision_x87.h"
#include "referencia.h"
#include "renderizado.h"
#include "ventana_memoria.h"

using namespace brenquil;
using namespace std::chrono_literals;

namespace {

constexpr auto PLAZO = 30s;

// A window that records every ring and can stop the render at a ring, hold
// the render thread inside a ring until soltar(), and make every thread of
// the render start at 53-bit precision, as threads made by CreateThread do.
class VentanaSonda : public VentanaMemoria {
public:
    explicit VentanaSonda(ControlCalculo* control = nullptr, Color fondo = NEGRO)
        : VentanaMemoria(401, 401, fondo, true), control_(control) {}

    int detenerEnAnillo = -1;  // asks for a stop while painting this ring
    int retenerEnAnillo = -1;  // holds the render thread in this ring until soltar()
    bool retenerAlEmpezar = false;  // holds the render thread before its first ring until soltar()
    bool empezarEnDoble = false;

    void pintarAnillo(int anillo, std::span<const PixelColoreado> pixeles) override {
        const int dentro = dentro_.fetch_add(1) + 1;
        if (dentro > 1) simultaneos_.store(true);
        if (anillo == detenerEnAnillo) control_->detener();
        if (anillo == retenerEnAnillo) retener();
        anillosPintados_.push_back(anillo);
        VentanaMemoria::pintarAnillo(anillo, pixeles);
        dentro_.fetch_sub(1);
    }

    void hiloEmpieza(HiloRender hilo) override {
        if (empezarEnDoble) fijarPrecisionX87(PrecisionX87::Doble);
        VentanaMemoria::hiloEmpieza(hilo);
        if (retenerAlEmpezar && hilo == HiloRender::Calculo) retener();
    }

    void calculoTerminado(bool completo) override {
        vivosAlTerminar_ = hilosVivos();
        VentanaMemoria::calculoTerminado(completo);
    }

    bool esperarRetenido() {
        std::unique_lock<std::mutex> lock(mutex_);
        return cambio_.wait_for(lock, PLAZO, [this] { return retenido_; });
    }
    void soltar() {
        std::lock_guard<std::mutex> lock(mutex_);
        soltado_ = true;
        cambio_.notify_all();
    }

    const std::vector<int>& anillosPintados() const { return anillosPintados_; }
    bool dosALaVez() const { return simultaneos_.load(); }
    // The render's threads still running when it reported its end.
    int vivosAlTerminar() const { return vivosAlTerminar_; }

private:
    void retener() {
        std::unique_lock<std::mutex> lock(mutex_);
        retenido_ = true;
        cambio_.notify_all();
        cambio_.wait(lock, [this] { return soltado_; });
    }

    ControlCalculo* control_;
    std::vector<int> anillosPintados_;
    std::atomic<int> dentro_{0};
    std::atomic<bool> simultaneos_{false};
    std::atomic<int> vivosAlTerminar_{-1};
    std::mutex mutex_;
    std::condition_variable cambio_;
    bool retenido_ = false;
    bool soltado_ = false;
};

// The records a window keeps for its renders, as the program starts.
struct Registros {
    Iterador iterador{PLANO_CARDIOIDE};
    ParametrosEnfoque enfoque = ParametrosEnfoque::porDefecto();
    OpcionesColor opciones;
    RegistrosCalculo calculo() { return {iterador, enfoque, opciones}; }
};

// A view small enough in iterations that a whole render is quick.
void vistaRapida(Registros& estado) { estado.enfoque.setIteraciones(8); }

// A boundary view whose render takes seconds: the rings far out are slow.
void vistaLenta(Registros& estado) {
    estado.enfoque.setXSupIzq(-0.74364478L);
    estado.enfoque.setYSupIzq(0.13182526L);
    estado.enfoque.setLado(1e-7L);
    estado.enfoque.setIteraciones(32766);
}

// Starts a render (adding `paso` to the limit) and waits for its end.
void calcular(ControlCalculo& control, VentanaCalculo& ventana, int16_t paso = 0) {
    control.ejecutarCalculo(ventana, paso);
    control.esperarCalculo();
}

// Waits until `condicion` holds, at most PLAZO.
bool esperarHasta(const std::function<bool()>& condicion) {
    const auto limite = std::chrono::steady_clock::now() + PLAZO;
    while (!condicion()) {
        if (std::chrono::steady_clock::now() > limite) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

std::vector<int> anillosHasta(int ultimo) {
    std::vector<int> r;
    for (int i = 0; i <= ultimo; ++i) r.push_back(i);
    return r;
}

}  // namespace

TEST(OrdenAnillos, CadaAnilloEsElBordeDeSuCuadradoDesdeElCentro) {
    const OrdenAnillos& orden = OrdenAnillos::ventana();
    const auto& p = orden.posiciones();
    // The render's first visits: ring 0, then ring 1 (its corners come first,
    // one from each side, as the four sides grow together).
    const PosicionPixel primeras[] = {{199, 199}, {199, 200}, {200, 200}, {200, 199}, {198, 198}, {198, 201},
                                      {201, 201}, {201, 198}, {199, 198}, {198, 200}, {200, 201}, {201, 199}};
    for (std::size_t i = 0; i < std::size(primeras); ++i) EXPECT_EQ(p[i], primeras[i]) << i;

    std::set<std::pair<int, int>> vistas;
    for (int r = 0; r < OrdenAnillos::ANILLOS; ++r) {
        const int lo = 199 - r, hi = 200 + r;
        for (int i = orden.inicio(r); i < orden.inicio(r + 1); ++i) {
            const PosicionPixel q = p[static_cast<std::size_t>(i)];
            ASSERT_TRUE(std::max({lo - q.x, lo - q.y, q.x - hi, q.y - hi}) == 0) << "ring " << r << ": " << q.x << "," << q.y;
            ASSERT_TRUE(vistas.insert({q.x, q.y}).second) << "twice: " << q.x << "," << q.y;
        }
    }
    // Every position of the window's picture, columns and rows 0..400, once.
    EXPECT_EQ(vistas.size(), 401u * 401u);
    EXPECT_EQ(*vistas.rbegin(), std::make_pair(400, 400));
    // The 400 x 400 picture is the same order without column and row 400.
    std::vector<PosicionPixel> sin400;
    for (const PosicionPixel q : p)
        if (q.x < 400 && q.y < 400) sin400.push_back(q);
    EXPECT_EQ(OrdenAnillos::imagen().posiciones(), sin400);
}

TEST(Protocolo, DetenerEnElAnilloCeroTerminaEseAnillo) {
    Registros estado;
    vistaRapida(estado);
    ControlCalculo control(estado.calculo(), 1);
    VentanaSonda ventana(&control);
    ventana.detenerEnAnillo = 0;
    calcular(control, ventana);
    EXPECT_EQ(ventana.anillosPintados(), std::vector<int>{0});
    EXPECT_EQ(ventana.llamadas().size(), 4u);
    EXPECT_EQ(ventana.fin(), std::optional<bool>(false));
    EXPECT_FALSE(control.calculando());
    EXPECT_EQ(ventana.cursoresEspera(), 1);
    EXPECT_EQ(ventana.cursoresNormales(), 1);
    EXPECT_EQ(ventana.invalidaciones(), 2);  // at the start and at the end
}

// The render held inside ring 37 while helpers compute ahead; a stop then
// ends it after that ring: no later ring is painted, and every helper has
// ended before the render reports its end.
TEST(Protocolo, UnaParadaDuranteUnAnilloTerminaTrasElSinAyudantesVivos) {
    for (unsigned ayudantes : {0u, 1u, 3u}) {
        SCOPED_TRACE(::testing::Message() << ayudantes << " helpers");
        Registros estado;
        vistaRapida(estado);
        ControlCalculo control(estado.calculo(), ayudantes);
        VentanaSonda ventana(&control);
        ventana.retenerEnAnillo = 37;
        control.ejecutarCalculo(ventana, 0);
        ASSERT_TRUE(ventana.esperarRetenido());
        control.alternarCalculo(ventana, 0);  // a stop: returns at once
        EXPECT_FALSE(control.calculando());
        ventana.soltar();
        EXPECT_FALSE(ventana.esperarFin());
        control.esperarCalculo();
        EXPECT_EQ(ventana.anillosPintados(), anillosHasta(37));
        EXPECT_EQ(ventana.hilosEmpezados(), static_cast<int>(ayudantes) + 1);
        EXPECT_EQ(ventana.vivosAlTerminar(), 0) << "a thread of the render outlived its end";
    }
}

TEST(Protocolo, ArrancarTrasDetenerEsperaAlHiloDetenido) {
    Registros estado;
    vistaRapida(estado);
    ControlCalculo control(estado.calculo(), 1);
    VentanaSonda ventana(&control);
    ventana.retenerEnAnillo = 3;
    control.ejecutarCalculo(ventana, 0);
    ASSERT_TRUE(ventana.esperarRetenido());

    // Stop, then start again while the stopped thread is still inside ring 3.
    control.alternarCalculo(ventana, 0);
    auto arranque = std::async(std::launch::async, [&] { control.alternarCalculo(ventana, 0); });
    // The start must not get past its wait while the stopped thread is held.
    EXPECT_EQ(arranque.wait_for(300ms), std::future_status::timeout) << "a start did not wait for the stopped render";
    ventana.soltar();
    arranque.get();
    control.esperarCalculo();

    EXPECT_FALSE(ventana.dosALaVez()) << "two render threads painted at once";
    // The stopped render finished ring 3; the new one began at ring 0 and painted every ring.
    std::vector<int> esperados = anillosHasta(3);
    for (int r : anillosHasta(200)) esperados.push_back(r);
    EXPECT_EQ(ventana.anillosPintados(), esperados);
}

// Two run/stop toggles back to back, as two quick clicks: the second stops the
// render that the first started, even before its thread has claimed it, and
// returns without waiting for that render. The render thread is held in ring
// 0, so a toggle that waited for it would never return.
TEST(Protocolo, DosConmutacionesSeguidasDetienenElArranque) {
    for (int intento = 0; intento < 20; ++intento) {
        SCOPED_TRACE(intento);
        Registros estado;
        vistaLenta(estado);
        ControlCalculo control(estado.calculo(), 1);
        VentanaSonda ventana(&control);
        ventana.retenerEnAnillo = 0;
        auto clics = std::async(std::launch::async, [&] {
            control.alternarCalculo(ventana, 0);
            control.alternarCalculo(ventana, 0);
        });
        const bool volvio = clics.wait_for(PLAZO) == std::future_status::ready;
        ventana.soltar();
        ASSERT_TRUE(volvio) << "the second toggle waited for the render";
        EXPECT_FALSE(ventana.esperarFin());
        control.esperarCalculo();
        EXPECT_LE(ventana.anillosPintados().size(), 1u) << "the stopped start went on drawing";
        EXPECT_EQ(ventana.cursoresNormales(), 1);
    }
}

// A stop that comes before the new thread has begun its rings reaches it
// all the same: the thread, held before its first ring until after the
// stop, draws nothing.
TEST(Protocolo, UnaParadaAntesDelPrimerAnilloLoAlcanza) {
    Registros estado;
    vistaLenta(estado);
    ControlCalculo control(estado.calculo(), 1);
    VentanaSonda ventana(&control);
    ventana.retenerAlEmpezar = true;
    control.ejecutarCalculo(ventana, 0);
    ASSERT_TRUE(ventana.esperarRetenido());
    control.detener();
    ventana.soltar();
    control.esperarCalculo();
    EXPECT_EQ(ventana.anillos(), 0);
    EXPECT_EQ(ventana.fin(), std::optional<bool>(false));
    EXPECT_FALSE(control.calculando());
    EXPECT_EQ(ventana.cursoresNormales(), 1);
}

// Closing the window right after a start: the render ends early, whenever the
// stop finds its thread, and the next start renders normally again.
TEST(Protocolo, TerminarJustoTrasArrancarNoDibujaLaImagenEntera) {
    Registros estado;
    vistaLenta(estado);
    for (int intento = 0; intento < 10; ++intento) {
        VentanaSonda ventana;
        ControlCalculo control(estado.calculo(), 1);
        control.ejecutarCalculo(ventana, 0);
        control.detenerYEsperar();
        EXPECT_LT(ventana.anillos(), OrdenAnillos::ANILLOS) << intento;
        EXPECT_EQ(ventana.fin(), std::optional<bool>(false));
        EXPECT_FALSE(control.calculando());
        EXPECT_EQ(ventana.cursoresNormales(), 1);
    }
    vistaRapida(estado);
    VentanaSonda ventana;
    ControlCalculo control(estado.calculo(), 1);
    calcular(control, ventana);
    EXPECT_EQ(ventana.anillos(), 201);
    EXPECT_EQ(ventana.fin(), std::optional<bool>(true));
}

TEST(Protocolo, ElPasoSeSumaEnCadaArranque) {
    Registros estado;
    VentanaMemoria ventana(400, 400);
    ControlCalculo control(estado.calculo());
    calcular(control, ventana, 32);
    EXPECT_EQ(estado.enfoque.getIteraciones(), 62);
    calcular(control, ventana, 32);
    EXPECT_EQ(estado.enfoque.getIteraciones(), 94);
    calcular(control, ventana, 0);
    EXPECT_EQ(estado.enfoque.getIteraciones(), 94);
    // The render's copy of the view is the current view at the start.
    estado.enfoque.aplicarCuadrado(100, 100, 300, 300);
    calcular(control, ventana);
    EXPECT_EQ(estado.iterador.getX(), 0.0L);
    EXPECT_EQ(estado.iterador.getY(), 4.0L);
    EXPECT_EQ(estado.iterador.getLado(), 8.0L);
}

// A start while a render runs (a zoom confirmed, Zoom Out) stops that render
// after its ring and starts the new one: the window never waits for a whole
// render. The first render is held in ring 5 until the start has asked it
// to stop.
TEST(Protocolo, UnArranqueDuranteUnCalculoLoDetieneTrasSuAnillo) {
    Registros estado;
    vistaLenta(estado);
    ControlCalculo control(estado.calculo(), 1);
    VentanaSonda ventana(&control);
    ventana.retenerEnAnillo = 5;
    control.ejecutarCalculo(ventana, 0);
    ASSERT_TRUE(ventana.esperarRetenido());
    vistaRapida(estado);
    auto arranque = std::async(std::launch::async, [&] { calcular(control, ventana, 32); });
    ASSERT_TRUE(esperarHasta([&] { return !control.calculando(); })) << "the start did not stop the running render";
    ventana.soltar();
    ASSERT_EQ(arranque.wait_for(PLAZO), std::future_status::ready);
    std::vector<int> esperados = anillosHasta(5);
    for (int r : anillosHasta(200)) esperados.push_back(r);
    EXPECT_EQ(ventana.anillosPintados(), esperados);
    EXPECT_FALSE(ventana.dosALaVez());
    // The step is added at every start, this one included.
    EXPECT_EQ(estado.enfoque.getIteraciones(), 8 + 32);
}

namespace {

// The 401 x 401 picture that a render of `v` draws over `fondo`, with the
// reference's colours.
std::vector<Color> referencia401(const VistaReferencia& v, Color fondo) { return imagenReferencia(v, 401, 401, fondo); }

void ponerVista(Registros& estado, const VistaReferencia& v) {
    estado.iterador.setPlano(v.plano);
    estado.opciones.modoColor = v.modo;
    estado.opciones.dwell = v.dwell;
    estado.enfoque.setXSupIzq(v.vista.x);
    estado.enfoque.setYSupIzq(v.vista.y);
    estado.enfoque.setLado(v.vista.lado);
    estado.enfoque.setIteraciones(v.limite);
}

}  // namespace

// Every plane, colour mode and dwell code, with any number of helpers: the
// picture is the reference's, pixel for pixel, undrawn pixels keeping the
// colour that was there.
TEST(Imagen, IgualALaReferenciaConCualquierNumeroDeHilos) {
    const Color fondo = colorRGB(1, 2, 3);
    const VistaReferencia vistas[] = {
        {300, 350, 380, 62, {-4, 8, 16}},
        {300, 365, 380, 300, {-0.8L, 0.2L, 0.1L}},
        {305, 355, 385, 200, {-4, 4, 8}},
        {310, 370, 380, 150, {-1, 1, 2}},
        {300, 370, 12345, 100, {-2.5L, 1.5L, 3}},  // any dwell other than 380 draws only the inside
        {301, 365, 380, 40, {-1, 1, 2}},           // an unknown plane: every pixel the limit, z = 0
        {310, 999, 380, 40, {-1, 1, 2}},           // an unknown mode: black
    };
    for (const VistaReferencia& v : vistas) {
        const std::vector<Color> esperada = referencia401(v, fondo);
        for (unsigned ayudantes : {0u, 1u, 2u}) {
            SCOPED_TRACE(::testing::Message() << "plane " << v.plano << " mode " << v.modo << " dwell " << v.dwell
                                              << ", " << ayudantes << " helpers");
            Registros estado;
            ponerVista(estado, v);
            VentanaMemoria ventana(401, 401, fondo);
            ControlCalculo control(estado.calculo(), ayudantes);
            calcular(control, ventana);
            ASSERT_EQ(ventana.fin(), std::optional<bool>(true));
            ASSERT_TRUE(ventana.pixeles() == esperada);
        }
    }
}

// The parameters dialog, Load and the zooms write the view's corner and side
// while a render runs; the render works from its own copy, so the picture is
// the view as it was at the start (and, under ThreadSanitizer, no thread of
// the render reads what the interface thread writes).
TEST(Imagen, CambiarLaVistaDuranteUnCalculoNoLaAlcanza) {
    const VistaReferencia v{300, 350, 380, 400, {-0.8L, 0.2L, 0.1L}};
    const std::vector<Color> esperada = referencia401(v, BLANCO);
    const std::pair<const char*, std::function<void(EstadoVisor&, int)>> cambios[] = {
        {"the parameters dialog",
         [](EstadoVisor& e, int k) {
             e.enfoqueActual.setXSupIzq(-2.0L + k * 1e-3L);
             e.enfoqueActual.setYSupIzq(1.0L);
             e.enfoqueActual.setLado(0.5L);
         }},
        {"Load", [](EstadoVisor& e, int k) { e.ponerVista(Vista{400, 300, 350, 380, 0.25L, -k * 1e-3L, 3.0L}); }},
        {"a zoom", [](EstadoVisor& e, int k) { e.enfoqueActual.aplicarCuadrado(10, 10, int16_t(20 + k % 300), 390); }},
        {"Volver", [](EstadoVisor& e, int) { e.enfoqueActual = e.enfoqueMemorizado; }},
    };
    for (const auto& [nombre, cambiar] : cambios) {
        SCOPED_TRACE(nombre);
        EstadoVisor estado;
        estado.iterador.setPlano(v.plano);
        estado.enfoqueActual.setXSupIzq(v.vista.x);
        estado.enfoqueActual.setYSupIzq(v.vista.y);
        estado.enfoqueActual.setLado(v.vista.lado);
        estado.enfoqueActual.setIteraciones(v.limite);
        // The limit is a live setting: the changes keep it.
        estado.enfoqueMemorizado.setIteraciones(v.limite);
        ControlCalculo control(estado.registrosCalculo(), 2);
        VentanaSonda ventana(&control, BLANCO);
        ventana.retenerEnAnillo = 3;
        control.ejecutarCalculo(ventana, 0);
        ASSERT_TRUE(ventana.esperarRetenido());
        // The helpers go on computing while the render thread is held.
        for (int k = 0; k < 2000 && control.calculando(); ++k) cambiar(estado, k);
        ventana.soltar();
        control.esperarCalculo();
        ASSERT_EQ(ventana.fin(), std::optional<bool>(true));
        EXPECT_TRUE(ventana.pixeles() == esperada);
    }
}

TEST(Imagen, LimitesNegativosYMaximo) {
    const VistaReferencia casos[] = {
        {300, 350, 380, -994, {-4, 8, 16}},   // count 0, index -1 everywhere
        {300, 350, 385, -994, {-4, 8, 16}},   // nothing is drawn
        {300, 350, 385, -1, {-4, 8, 16}},     // count 0 = m + 1: all drawn
        // Capped to 32766 for the count and the colour: the real axis from -2
        // on is inside, and iterates to the limit (-2 and its neighbours
        // never settle into a cycle).
        {300, 365, 385, 32767, {-2.1L, 0.05L, 0.2L}},
    };
    for (const VistaReferencia& v : casos) {
        SCOPED_TRACE(::testing::Message() << "limit " << v.limite << " dwell " << v.dwell);
        Registros estado;
        ponerVista(estado, v);
        VentanaMemoria ventana(401, 401, BLANCO);
        ControlCalculo control(estado.calculo(), 1);
        calcular(control, ventana);
        ASSERT_TRUE(ventana.pixeles() == referencia401(v, BLANCO));
    }
}

namespace {

// A boundary view of side 1e-14 with 2000 iterations: its pixel steps lie
// below double's resolution, so 53-bit arithmetic draws it differently.
constexpr VistaReferencia VISTA_PROFUNDA{
    300, 350, 380, 2000, {-0.743137571910511052112L - 5e-15L, -0.0972550287642044208121L + 5e-15L, 1e-14L}};

// Column x of the deep view, computed by the loop at the given precision.
std::vector<Color> columnaProfunda(int16_t x, PrecisionX87 p) {
    std::vector<Color> c;
    std::thread hilo([&] {
        fijarPrecisionX87(p);
        const std::atomic<int16_t> plano{VISTA_PROFUNDA.plano};
        for (int16_t y = 0; y <= 400; ++y) {
            const ResultadoIteracion r = iterarReferencia(plano, VISTA_PROFUNDA.vista, x, y, VISTA_PROFUNDA.limite);
            c.push_back(*colorReferencia(350, 380, VISTA_PROFUNDA.limite, r.cuenta, r.zx, r.zy));
        }
    });
    hilo.join();
    return c;
}

}  // namespace

TEST(Precision, LaVistaProfundaDependeDeLaPrecision) {
    const std::vector<Color> doble = columnaProfunda(200, PrecisionX87::Doble);
    const std::vector<Color> extendida = columnaProfunda(200, PrecisionX87::Extendida);
    int distintos = 0;
    for (std::size_t i = 0; i < doble.size(); ++i) distintos += doble[i] != extendida[i];
    EXPECT_GT(distintos, 20);
}

// Every thread of the render starts at 53 bits, as CreateThread leaves it on
// Windows: the render thread and the helpers set 64 bits themselves, and the
// picture is the extended-precision one.
TEST(Precision, CadaHiloDelCalculoFijaLaPrecisionExtendida) {
    Registros estado;
    ponerVista(estado, VISTA_PROFUNDA);
    ControlCalculo control(estado.calculo(), 2);
    VentanaSonda ventana(&control);
    ventana.empezarEnDoble = true;
    calcular(control, ventana);
    EXPECT_EQ(ventana.hilosEmpezados(), 3);
    // Columns spread over the picture, so that every thread computed some of them.
    for (int16_t x : {0, 3, 50, 131, 200, 277, 350, 400}) {
        const std::vector<Color> esperada = columnaProfunda(x, PrecisionX87::Extendida);
        for (int16_t y = 0; y <= 400; ++y) ASSERT_EQ(ventana.pixel(x, y), esperada[static_cast<std::size_t>(y)]) << x << "," << y;
    }
}
