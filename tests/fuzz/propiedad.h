// The check of a fuzz target: a property that fails is reported with its
// place and text, and ends the run so that libFuzzer keeps the input.
#pragma once

#include <cstdio>
#include <cstdlib>

#define EXIGIR(cond)                                                                          \
    do {                                                                                      \
        if (!(cond)) {                                                                        \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                                     \
        }                                                                                     \
    } while (0)
