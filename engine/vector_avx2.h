// Four doubles in an AVX2 vector: the operations that the vector lanes of the
// double path, the perturbation path and the deep path's scaled lanes share.
// Each is one instruction rounded on its own (no FMA). Include it only in a
// file compiled with -mavx2 and called only where the processor runs AVX2; the
// anonymous namespace keeps these functions out of files built for other
// instruction sets.
#pragma once

#include <immintrin.h>

#include <cstdint>

namespace brenquil {
namespace {

struct DoblesAvx2 {
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
    static D raiz(D a) { return _mm256_sqrt_pd(a); }
    // |a| as the sign bit cleared, as fabs.
    static D abs(D a) { return _mm256_andnot_pd(_mm256_set1_pd(-0.0), a); }
    static Mascara menor(D a, D b) { return _mm256_cmp_pd(a, b, _CMP_LT_OQ); }
    static Mascara mayor(D a, D b) { return _mm256_cmp_pd(a, b, _CMP_GT_OQ); }
    static Mascara mayorIgual(D a, D b) { return _mm256_cmp_pd(a, b, _CMP_GE_OQ); }
    static Mascara igual(D a, D b) { return _mm256_cmp_pd(a, b, _CMP_EQ_OQ); }
    static Mascara y(Mascara a, Mascara b) { return _mm256_and_pd(a, b); }
    static Mascara o(Mascara a, Mascara b) { return _mm256_or_pd(a, b); }
    static uint32_t bits(Mascara m) { return static_cast<uint32_t>(_mm256_movemask_pd(m)); }
    static D mezcla(Mascara m, D si, D no) { return _mm256_blendv_pd(no, si, m); }
    // The reference indices are whole numbers below 2^31: exact in both
    // conversions. (The masked gather with all lanes: GCC 12 warns on the
    // undefined source of the plain one.)
    static Indice indices(D n) { return _mm256_cvtpd_epi32(n); }
    static D reune(const double* base, Indice i) {
        return _mm256_mask_i32gather_pd(_mm256_setzero_pd(), base, i, _mm256_castsi256_pd(_mm256_set1_epi64x(-1)), 8);
    }
};

}  // namespace
}  // namespace brenquil
