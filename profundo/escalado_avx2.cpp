// The scaled lanes of the deep path on AVX2: two interleaved vectors of four
// doubles. Compiled with -mavx2 alone (no FMA: every product and sum is
// rounded on its own, as the scalar lanes round it), and called only where
// the processor runs AVX2.
#include <immintrin.h>

#include "escalado_nucleo.h"

namespace brenquil::escalado {
namespace {

struct Avx2 {
    using D = __m256d;
    using Ent = __m256i;  // K of each lane, a 64-bit integer
    using Mascara = __m256d;
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
    static Mascara o(Mascara a, Mascara b) { return _mm256_or_pd(a, b); }
    static uint32_t bits(Mascara m) { return static_cast<uint32_t>(_mm256_movemask_pd(m)); }
    static D mezcla(Mascara m, D si, D no) { return _mm256_blendv_pd(no, si, m); }

    static Ent cargaEnt(const int64_t* p) { return _mm256_load_si256(reinterpret_cast<const __m256i*>(p)); }
    static Ent sumaEnt(Ent k, int64_t c) { return _mm256_add_epi64(k, _mm256_set1_epi64x(c)); }
    static Mascara mayorIgualEnt(Ent k, int64_t c) {
        return _mm256_castsi256_pd(_mm256_cmpgt_epi64(k, _mm256_set1_epi64x(c - 1)));
    }
    static Mascara negativoEnt(Ent k) { return _mm256_castsi256_pd(_mm256_cmpgt_epi64(_mm256_setzero_si256(), k)); }
    // potencia2(k) of each lane (-1074 <= k <= 1023): the bits of 2^k, those of
    // a normal double for k >= -1022, else the subnormal 2^(k+1074) units of 2^-1074.
    static D potencia2(Ent k) {
        const __m256i normal = _mm256_slli_epi64(_mm256_add_epi64(k, _mm256_set1_epi64x(1023)), 52);
        // (A negative shift count is a large unsigned one: 0, in a lane the blend does not take.)
        const __m256i subnormal = _mm256_sllv_epi64(_mm256_set1_epi64x(1), _mm256_add_epi64(k, _mm256_set1_epi64x(1074)));
        return mezcla(mayorIgualEnt(k, -1022), _mm256_castsi256_pd(normal), _mm256_castsi256_pd(subnormal));
    }

    // The reference indices are whole numbers below 2^31 (escalado_nucleo.h): exact in both conversions.
    using Indice = __m128i;
    static Indice indices(D n) { return _mm256_cvtpd_epi32(n); }
    // (The masked gather with all lanes: GCC 12 warns on the undefined source of the plain one.)
    static D reune(const double* base, Indice i) {
        return _mm256_mask_i32gather_pd(_mm256_setzero_pd(), base, i, _mm256_castsi256_pd(_mm256_set1_epi64x(-1)), 8);
    }
};

}  // namespace

size_t perturbarAvx2(perturbacion::Trabajo& t, const ReferenciaP& ref, const PuntoEscalado* puntos,
                     mpfr_prec_t bits) {
    return perturbar<Avx2, 2>(t, ref, puntos, bits);
}

}  // namespace brenquil::escalado
