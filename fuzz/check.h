// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Invariant checks for the fuzz targets: a violated invariant is a finding, so it aborts
// (libFuzzer then saves the input) after saying which one it was.
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: invariant violated: %s\n", __FILE__, __LINE__,            \
                         #condition);                                                              \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)
