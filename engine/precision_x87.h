// The x87 precision control of the calling thread. Long double arithmetic is
// only 80-bit when the control word says 64-bit significands; Windows starts a
// CreateThread thread at 53 bits, so every thread that computes plane
// coordinates sets it itself.
#pragma once

namespace brenquil {

enum class PrecisionX87 { Simple = 24, Doble = 53, Extendida = 64 };

#if defined(__i386__) || defined(__x86_64__)

inline PrecisionX87 precisionX87() {
    unsigned short control;
    __asm__ volatile("fnstcw %0" : "=m"(control));
    switch ((control >> 8) & 3) {
    case 0: return PrecisionX87::Simple;
    case 2: return PrecisionX87::Doble;
    default: return PrecisionX87::Extendida;
    }
}

inline void fijarPrecisionX87(PrecisionX87 p) {
    unsigned short control;
    __asm__ volatile("fnstcw %0" : "=m"(control));
    const unsigned short bits = p == PrecisionX87::Simple ? 0 : p == PrecisionX87::Doble ? 2 : 3;
    control = static_cast<unsigned short>((control & ~0x0300u) | (bits << 8));
    __asm__ volatile("fldcw %0" : : "m"(control));
}

#else
#error "the engine computes with the x87 80-bit extended format"
#endif

}  // namespace brenquil
