// The scaled lanes of the deep path on AVX-512: two interleaved vectors of
// eight doubles. Compiled with -mavx512f (-ffp-contract=off keeps every
// product and sum rounded on its own, as the scalar lanes round it), and
// called only where the processor and the system run AVX-512.
#include <immintrin.h>

#include "escalado_nucleo.h"

namespace brenquil::escalado {
namespace {

struct Avx512 {
    using D = __m512d;
    using Ent = __m512i;  // K of each lane, a 64-bit integer
    using Mascara = __mmask8;
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
    static Mascara o(Mascara a, Mascara b) { return static_cast<Mascara>(a | b); }
    static uint32_t bits(Mascara m) { return m; }
    static D mezcla(Mascara m, D si, D no) { return _mm512_mask_blend_pd(m, no, si); }

    static Ent cargaEnt(const int64_t* p) { return _mm512_load_si512(p); }
    static Ent sumaEnt(Ent k, int64_t c) { return _mm512_add_epi64(k, _mm512_set1_epi64(c)); }
    static Mascara mayorIgualEnt(Ent k, int64_t c) { return _mm512_cmpge_epi64_mask(k, _mm512_set1_epi64(c)); }
    static Mascara negativoEnt(Ent k) { return _mm512_cmplt_epi64_mask(k, _mm512_setzero_si512()); }
    // potencia2(k) of each lane (-1074 <= k <= 1023): the bits of 2^k, those of
    // a normal double for k >= -1022, else the subnormal 2^(k+1074) units of 2^-1074.
    static D potencia2(Ent k) {
        // (A negative shift count is a large unsigned one: 0, in a lane the blend does not take.
        // Masked shifts with all lanes: GCC 12 warns on the undefined sources of the plain ones.)
        const __m512i normal = _mm512_maskz_slli_epi64(0xFF, _mm512_add_epi64(k, _mm512_set1_epi64(1023)), 52);
        const __m512i subnormal =
            _mm512_maskz_sllv_epi64(0xFF, _mm512_set1_epi64(1), _mm512_add_epi64(k, _mm512_set1_epi64(1074)));
        return mezcla(mayorIgualEnt(k, -1022), _mm512_castsi512_pd(normal), _mm512_castsi512_pd(subnormal));
    }

    // The reference indices are whole numbers below 2^31 (escalado_nucleo.h): exact in both
    // conversions. (Masked forms with all lanes: GCC 12 warns on the undefined sources of the plain ones.)
    using Indice = __m256i;
    static Indice indices(D n) { return _mm512_maskz_cvtpd_epi32(0xFF, n); }
    static D reune(const double* base, Indice i) {
        return _mm512_mask_i32gather_pd(_mm512_setzero_pd(), 0xFF, i, base, 8);
    }
};

}  // namespace

size_t perturbarAvx512(perturbacion::Trabajo& t, const ReferenciaP& ref, const PuntoEscalado* puntos,
                       mpfr_prec_t bits) {
    return perturbar<Avx512, 2>(t, ref, puntos, bits);
}

}  // namespace brenquil::escalado
