// The double path and the perturbation path of iterarLote on AVX-512: two
// interleaved vectors of eight doubles. Compiled with -mavx512f (no
// contraction into fused operations), and called only where the processor
// and the system run AVX-512.
#include "lote_doble_nucleo.h"
#include "perturbacion_nucleo.h"
#include "vector_avx512.h"

namespace brenquil::lote {
namespace {

struct Avx512 : DoblesAvx512 {
    // An upper bound of 2|z| from M: 2 sqrt(M), correctly rounded.
    static D dobleModulo(D m) {
        const D s = raiz(m);
        return suma(s, s);
    }
};

}  // namespace

size_t trabajarAvx512(Trabajo& t) { return trabajar<Avx512, 2>(t); }

}  // namespace brenquil::lote

namespace brenquil::perturbacion {

size_t trabajarAvx512(Trabajo& t) { return trabajar<lote::Avx512, 2>(t); }

}  // namespace brenquil::perturbacion
