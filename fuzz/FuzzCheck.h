#pragma once

#include <cstdio>
#include <cstdlib>

// A promise of the code under test that an input broke. It aborts, so libFuzzer keeps the
// input as it keeps one that crashes, and says which promise it was.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: broken: %s\n", __FILE__, __LINE__, #condition);           \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)
