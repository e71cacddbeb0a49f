// Eight doubles in an AVX-512 vector: the operations that the vector lanes of
// the double path, the perturbation path and the deep path's scaled lanes
// share. Each is one instruction rounded on its own (the files that include
// this are built with -ffp-contract=off, as every file is). Include it only in
// a file compiled with -mavx512f and called only where the processor and the
// system run AVX-512; the anonymous namespace keeps these functions out of
// files built for other instruction sets.
#pragma once

#include <immintrin.h>

#include <cstdint>

namespace brenquil {
namespace {

struct DoblesAvx512 {
    using D = __m512d;
    using Mascara = __mmask8;
    using Indice = __m256i;
    static constexpr int W = 8;

    static D carga(const double* p) { return _mm512_load_pd(p); }
    static void guarda(double* p, D v) { _mm512_store_pd(p, v); }
    static D rep(double x) { return _mm512_set1_pd(x); }
    static D suma(D a, D b) { return _mm512_add_pd(a, b); }
    static D resta(D a, D b) { return _mm512_sub_pd(a, b); }
    static D mult(D a, D b) { return _mm512_mul_pd(a, b); }
    // (_mm512_sqrt_pd with an all-ones mask: GCC 12 warns on its undefined source.)
    static D raiz(D a) { return _mm512_mask_sqrt_pd(a, 0xFF, a); }
    // |a| as the sign bit cleared, as fabs.
    static D abs(D a) { return _mm512_abs_pd(a); }
    static Mascara menor(D a, D b) { return _mm512_cmp_pd_mask(a, b, _CMP_LT_OQ); }
    static Mascara mayor(D a, D b) { return _mm512_cmp_pd_mask(a, b, _CMP_GT_OQ); }
    static Mascara mayorIgual(D a, D b) { return _mm512_cmp_pd_mask(a, b, _CMP_GE_OQ); }
    static Mascara igual(D a, D b) { return _mm512_cmp_pd_mask(a, b, _CMP_EQ_OQ); }
    static Mascara y(Mascara a, Mascara b) { return static_cast<Mascara>(a & b); }
    static Mascara o(Mascara a, Mascara b) { return static_cast<Mascara>(a | b); }
    static uint32_t bits(Mascara m) { return m; }
    static D mezcla(Mascara m, D si, D no) { return _mm512_mask_blend_pd(m, no, si); }
    // The reference indices are whole numbers below 2^31: exact in both
    // conversions. (Masked forms with all lanes: GCC 12 warns on the
    // undefined sources of the plain ones.)
    static Indice indices(D n) { return _mm512_maskz_cvtpd_epi32(0xFF, n); }
    static D reune(const double* base, Indice i) { return _mm512_mask_i32gather_pd(_mm512_setzero_pd(), 0xFF, i, base, 8); }
};

}  // namespace
}  // namespace brenquil
