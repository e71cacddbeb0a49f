#include "calculo.h"
#include "por_hilo.h"

#include <system_error>
#include <vector>

#include "precision_x87.h"
#include "renderizado.h"
#include "reparto.h"

namespace brenquil {
namespace {

// Positions a thread takes at a time: small enough that the threads stay close
// to the ring order and the rings complete early, large enough that the
// shared counter is touched rarely.
constexpr int BLOQUE = 64;

// The colour slot of a pixel that is not drawn (colours use 24 bits).
constexpr Color SIN_COLOR = 0xFFFFFFFFu;

}  // namespace

namespace {

// The settings a render reads while it runs, each one whole (atomic): the
// limit, the plane, the colour mode and the dwell, with the given corner and
// side.
Vista conAjustesVivos(const ParametrosEnfoque& enfoque, const Iterador& iterador, const OpcionesColor& opciones,
                      long double x, long double y, long double lado) {
    return {enfoque.getIteraciones(),
            iterador.getPlano(),
            opciones.modoColor.load(std::memory_order_relaxed),
            opciones.dwell.load(std::memory_order_relaxed),
            x,
            y,
            lado};
}

}  // namespace

Vista vistaDe(const ParametrosEnfoque& enfoque, const Iterador& iterador, const OpcionesColor& opciones) {
    return conAjustesVivos(enfoque, iterador, opciones, enfoque.getXSupIzq(), enfoque.getYSupIzq(), enfoque.getLado());
}

Vista RegistrosCalculo::vistaActual() const {
    // The view's own corner and side are written by the interface thread
    // (the parameters dialog, Load, a zoom) while a render runs; the render
    // reads only its copy, made before its thread was created.
    return conAjustesVivos(enfoque, iterador, opciones, iterador.getX(), iterador.getY(), iterador.getLado());
}

ControlCalculo::~ControlCalculo() { detenerYEsperar(); }

void ControlCalculo::esperarCalculo() {
    if (hilo_.joinable()) hilo_.join();
}

void ControlCalculo::detenerYEsperar() {
    detener();
    esperarCalculo();
}

void ControlCalculo::ejecutarCalculo(VentanaCalculo& ventana, int16_t incremento) {
    detenerYEsperar();
    ventana.cursorEspera();
    crearHiloCalculo(ventana, incremento);
    ventana.invalidar();
}

void ControlCalculo::alternarCalculo(VentanaCalculo& ventana, int16_t incremento) {
    if (calculando()) {
        detener();
    } else {
        ejecutarCalculo(ventana, incremento);
    }
}

void ControlCalculo::crearHiloCalculo(VentanaCalculo& ventana, int16_t incremento) {
    registros_.enfoque.sumarIteraciones(incremento);
    registros_.iterador.setX(registros_.enfoque.getXSupIzq());
    registros_.iterador.setY(registros_.enfoque.getYSupIzq());
    registros_.iterador.setLado(registros_.enfoque.getLado());
    calculando_.store(true);
    try {
        hilo_ = std::thread([this, &ventana] { hiloCalculo(ventana); });
    } catch (const std::system_error&) {
        calculando_.store(false);
        ventana.cursorNormal();
        ventana.calculoNoIniciado();
    }
}

void ControlCalculo::hiloCalculo(VentanaCalculo& ventana) {
    ventana.hiloEmpieza(HiloRender::Calculo);
    // Whatever precision the system started the thread with.
    fijarPrecisionX87(PrecisionX87::Extendida);
    // The stop is looked at before every ring, the first included.
    const bool completo = calculando() && dibujarAnillos(ventana);
    calculando_.store(false);
    ventana.cursorNormal();
    ventana.invalidar();
    ventana.hiloTermina(HiloRender::Calculo);
    ventana.calculoTerminado(completo);
}

bool ControlCalculo::dibujarAnillos(VentanaCalculo& ventana) {
    const OrdenAnillos& orden = OrdenAnillos::ventana();
    const std::vector<PosicionPixel>& posiciones = orden.posiciones();
    std::vector<Color> colores(posiciones.size(), SIN_COLOR);
    std::vector<PixelColoreado> anillo;
    int siguiente = 0;  // the next ring to paint

    TareaEnOrden tarea;
    // The window's settings are read afresh for every block, so that a change
    // made during the render reaches the blocks computed after it.
    tarea.calcular = [&](int inicio, int fin) {
        struct Posiciones {
            std::vector<long double> columnas, filas;
        };
        Posiciones& pos = porHilo<Posiciones>();
        std::vector<long double>& columnas = pos.columnas;
        std::vector<long double>& filas = pos.filas;
        columnas.resize(static_cast<std::size_t>(fin - inicio));
        filas.resize(columnas.size());
        for (int i = inicio; i < fin; ++i) {
            const PosicionPixel p = posiciones[static_cast<std::size_t>(i)];
            columnas[static_cast<std::size_t>(i - inicio)] = p.x;
            filas[static_cast<std::size_t>(i - inicio)] = p.y;
        }
        colorearMuestras(registros_.vistaActual(), columnas.size(), columnas.data(), filas.data(),
                         colores.data() + inicio, SIN_COLOR);
    };
    // Paints every ring that is wholly computed. Once a ring is painted the
    // next one is committed only if no stop has come: a stop ends the render
    // after the ring that was being drawn when it came.
    tarea.avance = [&](int prefijo) {
        while (siguiente < OrdenAnillos::ANILLOS && orden.inicio(siguiente + 1) <= prefijo) {
            anillo.clear();
            for (int i = orden.inicio(siguiente); i < orden.inicio(siguiente + 1); ++i) {
                const Color c = colores[static_cast<std::size_t>(i)];
                const PosicionPixel p = posiciones[static_cast<std::size_t>(i)];
                if (c != SIN_COLOR) anillo.push_back({p.x, p.y, c});
            }
            ventana.pintarAnillo(siguiente, anillo);
            ++siguiente;
            if (siguiente < OrdenAnillos::ANILLOS && !calculando()) return false;
        }
        return true;
    };
    tarea.alEmpezarAyudante = [&] { ventana.hiloEmpieza(HiloRender::Ayudante); };
    tarea.alTerminarAyudante = [&] { ventana.hiloTermina(HiloRender::Ayudante); };
    return calcularEnOrden(static_cast<int>(posiciones.size()), BLOQUE, ayudantes_, tarea);
}

}  // namespace brenquil
