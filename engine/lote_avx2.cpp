// The double path and the perturbation path of iterarLote on AVX2: two
// interleaved vectors of four doubles. Compiled with -mavx2 alone (no FMA:
// every product and sum is rounded on its own, as the bounds count them), and
// called only where the processor runs AVX2.
#include <immintrin.h>

#include "lote_doble_nucleo.h"
#include "perturbacion_nucleo.h"

namespace brenquil::lote {
namespace {

struct Avx2 {
    using D = __m256d;
    using Mascara = __m256d;
    using Indice = __m128i;
    static constexpr int W = 4;

    static D carga(const double* p) { return _mm256_load_pd(p); }
    static void guarda(double* p, D v) { _mm256_store_pd(p, v); }
    static D rep(double x) { return _mm256_set1_pd(x); }
    static D suma(D a, D b) { return _mm256_add_pd(a, b); }
    static D resta(D a, D b) { return _mm256_sub_pd(a, b); }
    static D mult(D a, D b) { return _mm256_mul_pd(a, b); }
    static Mascara menor(D a, D b) { return _mm256_cmp_pd(a, b, _CMP_LT_OQ); }
    static Mascara mayorIgual(D a, D b) { return _mm256_cmp_pd(a, b, _CMP_GE_OQ); }
    static Mascara igual(D a, D b) { return _mm256_cmp_pd(a, b, _CMP_EQ_OQ); }
    static Mascara y(Mascara a, Mascara b) { return _mm256_and_pd(a, b); }
    static uint32_t bits(Mascara m) { return static_cast<uint32_t>(_mm256_movemask_pd(m)); }
    static D mezcla(Mascara m, D si, D no) { return _mm256_blendv_pd(no, si, m); }
    static Mascara o(Mascara a, Mascara b) { return _mm256_or_pd(a, b); }
    static D raiz(D a) { return _mm256_sqrt_pd(a); }
    static D abs(D a) { return _mm256_andnot_pd(_mm256_set1_pd(-0.0), a); }
    // The reference indices are whole numbers below 2^20 (2^31 would do): exact in both
    // conversions. (The masked gather with all lanes: GCC 12 warns on the
    // undefined source of the plain one.)
    static Indice indices(D n) { return _mm256_cvtpd_epi32(n); }
    static D reune(const double* base, Indice i) {
        return _mm256_mask_i32gather_pd(_mm256_setzero_pd(), base, i, _mm256_castsi256_pd(_mm256_set1_epi64x(-1)), 8);
    }
    // An upper bound of 2|z| from M: 2 sqrt(M), correctly rounded.
    static D dobleModulo(D m) {
        const D s = _mm256_sqrt_pd(m);
        return _mm256_add_pd(s, s);
    }
};

}  // namespace

size_t trabajarAvx2(Trabajo& t) { return trabajar<Avx2, 2>(t); }

}  // namespace brenquil::lote

namespace brenquil::perturbacion {

size_t trabajarAvx2(Trabajo& t) { return trabajar<lote::Avx2, 2>(t); }

}  // namespace brenquil::perturbacion
