// The scaled lanes of the deep path on AVX2: two interleaved vectors of four
// doubles. Compiled with -mavx2 alone (no FMA: every product and sum is
// rounded on its own, as the scalar lanes round it), and called only where
// the processor runs AVX2.
#include <immintrin.h>

#include "escalado_nucleo.h"
#include "vector_avx2.h"

namespace brenquil::escalado {
namespace {

struct Avx2 : DoblesAvx2 {
    using Ent = __m256i;  // K of each lane, a 64-bit integer

    static Ent cargaEnt(const int64_t* p) { return _mm256_load_si256(reinterpret_cast<const __m256i*>(p)); }
    static Mascara negativoEnt(Ent k) { return _mm256_castsi256_pd(_mm256_cmpgt_epi64(_mm256_setzero_si256(), k)); }
    static Ent alExponente(Ent k) { return _mm256_slli_epi64(k, 52); }
    static Ent opuesto(Ent k) { return _mm256_sub_epi64(_mm256_setzero_si256(), k); }
    static Ent campo(Ent b) { return _mm256_and_si256(_mm256_srli_epi64(b, 52), _mm256_set1_epi64x(0x7ff)); }
    static Ent elige(Ent m, Ent si, Ent no) { return _mm256_blendv_epi8(no, si, m); }

    // desescalar(x, k) of each lane (k <= 0, k52 = k shifted to the exponent field).
    static D desescalar(D x, Ent k, Ent k52) {
        const __m256i b = _mm256_castpd_si256(x);
        const __m256i e = campo(b);
        const __m256i normal = _mm256_cmpgt_epi64(_mm256_add_epi64(e, k), _mm256_setzero_si256());
        const __m256i especial = _mm256_cmpeq_epi64(e, _mm256_set1_epi64x(0x7ff));
        __m256i r = _mm256_and_si256(b, _mm256_set1_epi64x(INT64_MIN));
        r = elige(normal, _mm256_add_epi64(b, k52), r);
        r = elige(especial, b, r);
        return _mm256_castsi256_pd(r);
    }

    // escalarArriba(M, j) of each lane (j >= 0, j52 = j shifted to the exponent field).
    static D escalarArriba(D M, Ent j, Ent j52) {
        const __m256i mantisa = _mm256_set1_epi64x((int64_t{1} << 52) - 1);
        const __m256i cero = _mm256_setzero_si256();
        const __m256i b = _mm256_castpd_si256(M);
        const __m256i e = campo(b);
        const __m256i signo = _mm256_and_si256(b, _mm256_set1_epi64x(INT64_MIN));
        const __m256i m = _mm256_and_si256(b, mantisa);
        // A subnormal M's m as a normal double: (2^52 + m) - 2^52, exact.
        const D mD = _mm256_sub_pd(_mm256_castsi256_pd(_mm256_or_si256(m, _mm256_set1_epi64x(0x4330000000000000))),
                                   _mm256_set1_pd(0x1p52));
        const __m256i sub = _mm256_cmpeq_epi64(e, cero);
        const __m256i bb = elige(sub, _mm256_or_si256(_mm256_castpd_si256(mD), signo), b);
        const __m256i ee = elige(sub, campo(bb), e);
        const __m256i jj = elige(sub, _mm256_sub_epi64(j, _mm256_set1_epi64x(1074)), j);
        const __m256i jj52 = elige(sub, _mm256_sub_epi64(j52, _mm256_set1_epi64x(int64_t{1074} << 52)), j52);
        const __m256i desborda = _mm256_cmpgt_epi64(_mm256_add_epi64(ee, jj), _mm256_set1_epi64x(0x7fe));
        __m256i r = _mm256_add_epi64(bb, jj52);
        r = elige(desborda, _mm256_or_si256(signo, _mm256_set1_epi64x(0x7ff0000000000000)), r);
        // A subnormal M 2^j that stays subnormal (m < 2^(52 - j), j < 52): m 2^j.
        const __m256i corrido = _mm256_sllv_epi64(m, j);
        const __m256i alto = _mm256_srlv_epi64(m, _mm256_sub_epi64(_mm256_set1_epi64x(52), j));
        const __m256i cabe = _mm256_and_si256(_mm256_and_si256(sub, _mm256_cmpgt_epi64(_mm256_set1_epi64x(52), j)),
                                              _mm256_cmpeq_epi64(alto, cero));
        r = elige(cabe, _mm256_or_si256(signo, corrido), r);
        const __m256i intacto = _mm256_or_si256(_mm256_cmpeq_epi64(e, _mm256_set1_epi64x(0x7ff)),
                                                _mm256_and_si256(sub, _mm256_cmpeq_epi64(m, cero)));
        r = elige(intacto, b, r);
        return _mm256_castsi256_pd(r);
    }
};

}  // namespace

size_t perturbarAvx2(perturbacion::Trabajo& t, const ReferenciaP& ref, const PuntoEscalado* puntos,
                     mpfr_prec_t bits) {
    return perturbar<Avx2, 2>(t, ref, puntos, bits);
}

}  // namespace brenquil::escalado
