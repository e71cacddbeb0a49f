// The double path of iterarLote on AVX-512: two interleaved vectors of eight
// doubles. Compiled with -mavx512f (no contraction into fused operations),
// and called only where the processor and the system run AVX-512.
#include <immintrin.h>

#include "lote_doble_nucleo.h"

namespace brenquil::lote {
namespace {

struct Avx512 {
    using D = __m512d;
    using Mascara = __mmask8;
    static constexpr int W = 8;

    static D carga(const double* p) { return _mm512_load_pd(p); }
    static void guarda(double* p, D v) { _mm512_store_pd(p, v); }
    static D rep(double x) { return _mm512_set1_pd(x); }
    static D suma(D a, D b) { return _mm512_add_pd(a, b); }
    static D resta(D a, D b) { return _mm512_sub_pd(a, b); }
    static D mult(D a, D b) { return _mm512_mul_pd(a, b); }
    static Mascara menor(D a, D b) { return _mm512_cmp_pd_mask(a, b, _CMP_LT_OQ); }
    static Mascara mayorIgual(D a, D b) { return _mm512_cmp_pd_mask(a, b, _CMP_GE_OQ); }
    static Mascara igual(D a, D b) { return _mm512_cmp_pd_mask(a, b, _CMP_EQ_OQ); }
    static Mascara y(Mascara a, Mascara b) { return static_cast<Mascara>(a & b); }
    static uint32_t bits(Mascara m) { return m; }
    static D mezcla(Mascara m, D si, D no) { return _mm512_mask_blend_pd(m, no, si); }
    // An upper bound of 2|z| from M: 2 sqrt(M), correctly rounded.
    static D dobleModulo(D m) {
        // (_mm512_sqrt_pd with an all-ones mask: GCC 12 warns on its undefined source.)
        const D s = _mm512_mask_sqrt_pd(m, 0xFF, m);
        return _mm512_add_pd(s, s);
    }
};

}  // namespace

size_t trabajarAvx512(Trabajo& t) { return trabajar<Avx512, 2>(t); }

}  // namespace brenquil::lote
