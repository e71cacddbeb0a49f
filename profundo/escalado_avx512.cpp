// The scaled lanes of the deep path on AVX-512: two interleaved vectors of
// eight doubles. Compiled with -mavx512f (-ffp-contract=off keeps every
// product and sum rounded on its own, as the scalar lanes round it), and
// called only where the processor and the system run AVX-512.
#include <immintrin.h>

#include "escalado_nucleo.h"
#include "vector_avx512.h"

namespace brenquil::escalado {
namespace {

struct Avx512 : DoblesAvx512 {
    using Ent = __m512i;  // K of each lane, a 64-bit integer

    static Ent cargaEnt(const int64_t* p) { return _mm512_load_si512(p); }
    static Mascara negativoEnt(Ent k) { return _mm512_cmplt_epi64_mask(k, _mm512_setzero_si512()); }
    // (Masked shifts with all lanes: GCC 12 warns on the undefined sources of the plain ones.)
    static Ent alExponente(Ent k) { return _mm512_maskz_slli_epi64(0xFF, k, 52); }
    static Ent opuesto(Ent k) { return _mm512_sub_epi64(_mm512_setzero_si512(), k); }
    static Ent campo(Ent b) {
        return _mm512_and_si512(_mm512_maskz_srli_epi64(0xFF, b, 52), _mm512_set1_epi64(0x7ff));
    }

    // desescalar(x, k) of each lane (k <= 0, k52 = k shifted to the exponent field).
    static D desescalar(D x, Ent k, Ent k52) {
        const __m512i b = _mm512_castpd_si512(x);
        const __m512i e = campo(b);
        const Mascara normal = _mm512_cmpgt_epi64_mask(_mm512_add_epi64(e, k), _mm512_setzero_si512());
        const Mascara especial = _mm512_cmpeq_epi64_mask(e, _mm512_set1_epi64(0x7ff));
        __m512i r = _mm512_and_si512(b, _mm512_set1_epi64(INT64_MIN));
        r = _mm512_mask_add_epi64(r, normal, b, k52);
        r = _mm512_mask_mov_epi64(r, especial, b);
        return _mm512_castsi512_pd(r);
    }

    // escalarArriba(M, j) of each lane (j >= 0, j52 = j shifted to the exponent field).
    static D escalarArriba(D M, Ent j, Ent j52) {
        const __m512i mantisa = _mm512_set1_epi64((int64_t{1} << 52) - 1);
        const __m512i b = _mm512_castpd_si512(M);
        const __m512i e = campo(b);
        const __m512i signo = _mm512_and_si512(b, _mm512_set1_epi64(INT64_MIN));
        const __m512i m = _mm512_and_si512(b, mantisa);
        // A subnormal M's m as a normal double: (2^52 + m) - 2^52, exact.
        const D mD = _mm512_sub_pd(_mm512_castsi512_pd(_mm512_or_si512(m, _mm512_set1_epi64(0x4330000000000000))),
                                   _mm512_set1_pd(0x1p52));
        const Mascara sub = _mm512_cmpeq_epi64_mask(e, _mm512_setzero_si512());
        const __m512i bb = _mm512_mask_or_epi64(b, sub, _mm512_castpd_si512(mD), signo);
        const __m512i ee = _mm512_mask_mov_epi64(e, sub, campo(bb));
        const __m512i jj = _mm512_mask_sub_epi64(j, sub, j, _mm512_set1_epi64(1074));
        const __m512i jj52 = _mm512_mask_sub_epi64(j52, sub, j52, _mm512_set1_epi64(int64_t{1074} << 52));
        const Mascara desborda = _mm512_cmpge_epi64_mask(_mm512_add_epi64(ee, jj), _mm512_set1_epi64(0x7ff));
        __m512i r = _mm512_add_epi64(bb, jj52);
        r = _mm512_mask_or_epi64(r, desborda, signo, _mm512_set1_epi64(0x7ff0000000000000));
        // A subnormal M 2^j that stays subnormal (m < 2^(52 - j), j < 52): m 2^j.
        const __m512i corrido = _mm512_maskz_sllv_epi64(0xFF, m, j);
        const __m512i alto = _mm512_maskz_srlv_epi64(0xFF, m, _mm512_sub_epi64(_mm512_set1_epi64(52), j));
        const Mascara cabe = static_cast<Mascara>(sub & _mm512_cmplt_epi64_mask(j, _mm512_set1_epi64(52)) &
                                                  _mm512_testn_epi64_mask(alto, alto));
        r = _mm512_mask_or_epi64(r, cabe, signo, corrido);
        const Mascara intacto = static_cast<Mascara>(
            _mm512_cmpeq_epi64_mask(e, _mm512_set1_epi64(0x7ff)) |
            (sub & _mm512_cmpeq_epi64_mask(m, _mm512_setzero_si512())));
        r = _mm512_mask_mov_epi64(r, intacto, b);
        return _mm512_castsi512_pd(r);
    }
};

}  // namespace

size_t perturbarAvx512(perturbacion::Trabajo& t, const ReferenciaP& ref, const PuntoEscalado* puntos,
                       mpfr_prec_t bits) {
    return perturbar<Avx512, 2>(t, ref, puntos, bits);
}

}  // namespace brenquil::escalado
