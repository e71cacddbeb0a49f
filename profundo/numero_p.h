// A number of MPFR with its own significand precision, and the exponent range
// that the deep arithmetic assumes.
#pragma once

// <cstdint> before <mpfr.h> declares mpfr_set_sj and mpfr_get_sj.
#include <cstddef>
#include <cstdint>
#include <vector>
#include <mpfr.h>

#include <string>

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

// n numbers of `bits` bits each (preparar), kept between uses so that a
// batch of points allocates nothing when the last one was as large.
class NumerosP {
public:
    NumerosP() = default;
    NumerosP(const NumerosP&) = delete;
    NumerosP& operator=(const NumerosP&) = delete;
    ~NumerosP() { vaciar(); }

    void preparar(size_t n, mpfr_prec_t bits) {
        if (n <= v_.size() && bits == bits_) return;
        vaciar();
        bits_ = bits;
        v_ = std::vector<__mpfr_struct>(n);
        for (__mpfr_struct& x : v_) mpfr_init2(&x, bits);
    }
    mpfr_ptr operator[](size_t i) { return &v_[i]; }

private:
    void vaciar() {
        for (__mpfr_struct& x : v_) mpfr_clear(&x);
        v_.clear();
    }
    mpfr_prec_t bits_ = 0;
    std::vector<__mpfr_struct> v_;  // never moved while it holds numbers
};

// The value exactly, as a C hexadecimal number ("-0x1.8p-70"): what a deep
// view's record holds for its corner and side.
inline std::string textoHexadecimal(mpfr_srcptr v) {
    char* t = nullptr;
    mpfr_asprintf(&t, "%Ra", v);
    std::string texto(t);
    mpfr_free_str(t);
    return texto;
}

// Widens MPFR's exponent range to the largest it has, for the calling thread
// (MPFR keeps the range per thread): the deep loop's values then never
// overflow or underflow, as the 80-bit loop's never do on finite views.
inline void ampliarExponentes() {
    mpfr_set_emin(mpfr_get_emin_min());
    mpfr_set_emax(mpfr_get_emax_max());
}

}  // namespace brenquil
