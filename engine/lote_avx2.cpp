// The double path and the perturbation path of iterarLote on AVX2: two
// interleaved vectors of four doubles. Compiled with -mavx2 alone (no FMA:
// every product and sum is rounded on its own, as the bounds count them), and
// called only where the processor runs AVX2.
#include "lote_doble_nucleo.h"
#include "perturbacion_nucleo.h"
#include "vector_avx2.h"

namespace brenquil::lote {
namespace {

struct Avx2 : DoblesAvx2 {
    // An upper bound of 2|z| from M: 2 sqrt(M), correctly rounded.
    static D dobleModulo(D m) {
        const D s = raiz(m);
        return suma(s, s);
    }
};

}  // namespace

size_t trabajarAvx2(Trabajo& t) { return trabajar<Avx2, 2>(t); }

}  // namespace brenquil::lote

namespace brenquil::perturbacion {

size_t trabajarAvx2(Trabajo& t) { return trabajar<lote::Avx2, 2>(t); }

}  // namespace brenquil::perturbacion
