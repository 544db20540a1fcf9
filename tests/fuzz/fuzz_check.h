// The invariant check of the fuzz targets: a broken invariant aborts, which libFuzzer reports
// as a finding with the input that caused it.
#pragma once

#include <cstdio>
#include <cstdlib>

#define CHECK(condition)                                                                           \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            fprintf(stderr, "invariant failed at line %d: %s\n", __LINE__, #condition);            \
            abort();                                                                               \
        }                                                                                          \
    } while (0)
