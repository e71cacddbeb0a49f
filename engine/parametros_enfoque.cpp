#include "parametros_enfoque.h"

#include <utility>

#include "numeros.h"

namespace brenquil {
namespace {

struct CuadradoOrdenado {
    int16_t izquierda;
    int16_t arriba;
    int16_t lado;
};

// Orders the corners of a rectangle and picks the smaller of its width and
// height; the differences are formed in 32 bits, the chosen one kept in 16.
CuadradoOrdenado ordenar(int16_t izquierda, int16_t arriba, int16_t derecha, int16_t abajo) {
    if (derecha < izquierda) std::swap(izquierda, derecha);
    if (abajo < arriba) std::swap(arriba, abajo);
    const int32_t ancho = int32_t{derecha} - izquierda;
    const int32_t alto = int32_t{abajo} - arriba;
    return {izquierda, arriba, envolver16(ancho < alto ? ancho : alto)};
}

}  // namespace

ParametrosEnfoque::ParametrosEnfoque(long double xSupIzq, long double ySupIzq, long double lado)
    : xSupIzq_(xSupIzq), ySupIzq_(ySupIzq), lado_(lado) {}

ParametrosEnfoque::ParametrosEnfoque(const ParametrosEnfoque& otro)
    : iteraciones_(otro.getIteraciones()),
      xSupIzq_(otro.xSupIzq_),
      ySupIzq_(otro.ySupIzq_),
      lado_(otro.lado_),
      selX_(otro.selX_),
      selY_(otro.selY_),
      selLado_(otro.selLado_) {}

ParametrosEnfoque& ParametrosEnfoque::operator=(const ParametrosEnfoque& otro) {
    setIteraciones(otro.getIteraciones());
    xSupIzq_ = otro.xSupIzq_;
    ySupIzq_ = otro.ySupIzq_;
    lado_ = otro.lado_;
    selX_ = otro.selX_;
    selY_ = otro.selY_;
    selLado_ = otro.selLado_;
    return *this;
}

void ParametrosEnfoque::sumarIteraciones(int16_t delta) {
    setIteraciones(envolver16(int32_t{getIteraciones()} + delta));
}

void ParametrosEnfoque::normalizarCuadrado(int16_t izquierda, int16_t arriba, int16_t derecha,
                                           int16_t abajo) {
    const CuadradoOrdenado c = ordenar(izquierda, arriba, derecha, abajo);
    selX_ = c.izquierda;
    selY_ = c.arriba;
    selLado_ = c.lado;
}

void ParametrosEnfoque::cuadradoAcercar(int16_t factor) {
    if (factor == 0) return;  // no square for a zero factor
    const int32_t q = 200 / int32_t{factor};
    selX_ = selY_ = envolver16(200 - q);
    selLado_ = envolver16(2 * (200 - int32_t{selX_}));
}

void ParametrosEnfoque::cuadradoAlejar(int16_t factor) {
    selX_ = selY_ = envolver16((1 - int32_t{factor}) * 200);
    selLado_ = envolver16(400 - 2 * int32_t{selX_});
}

void ParametrosEnfoque::aplicarCuadrado(int16_t izquierda, int16_t arriba, int16_t derecha,
                                        int16_t abajo) {
    const CuadradoOrdenado c = ordenar(izquierda, arriba, derecha, abajo);
    const long double ladoAnterior = lado_;
    xSupIzq_ = ((c.izquierda * PASO_PIXEL) * ladoAnterior) + xSupIzq_;
    ySupIzq_ = ySupIzq_ - ((c.arriba * PASO_PIXEL) * ladoAnterior);
    lado_ = (c.lado * PASO_PIXEL) * ladoAnterior;
}

}  // namespace brenquil
