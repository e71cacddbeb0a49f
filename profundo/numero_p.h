// A number of MPFR with its own significand precision, and the exponent range
// that the deep arithmetic assumes.
#pragma once

// <cstdint> before <mpfr.h> declares mpfr_set_sj and mpfr_get_sj.
#include <cstdint>
#include <mpfr.h>

namespace brenquil {

// An mpfr_t of `bits` significant bits, cleared when it goes out of scope.
// It converts to mpfr_ptr / mpfr_srcptr, so it is passed to MPFR's functions as it is.
class NumeroP {
public:
    explicit NumeroP(mpfr_prec_t bits) { mpfr_init2(v_, bits); }
    // The long double v, rounded to nearest to `bits` bits (exact for bits >= 64).
    NumeroP(mpfr_prec_t bits, long double v) : NumeroP(bits) { mpfr_set_ld(v_, v, MPFR_RNDN); }
    ~NumeroP() { mpfr_clear(v_); }
    NumeroP(const NumeroP&) = delete;
    NumeroP& operator=(const NumeroP&) = delete;

    operator mpfr_ptr() { return v_; }
    operator mpfr_srcptr() const { return v_; }

private:
    mpfr_t v_;
};

// Widens MPFR's exponent range to the largest it has, for the calling thread
// (MPFR keeps the range per thread): the deep loop's values then never
// overflow or underflow, as the 80-bit loop's never do on finite views.
inline void ampliarExponentes() {
    mpfr_set_emin(mpfr_get_emin_min());
    mpfr_set_emax(mpfr_get_emax_max());
}

}  // namespace brenquil
