#pragma once

#include <cstdio>
#include <cstdlib>
#include <string_view>

/// A promise of the code under test that an input broke: printed, then turned into a crash that
/// libFuzzer saves with its input.
#define RUNWELL_FUZZ_CHECK(condition)                                                          \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (0)

namespace runwell::fuzz {

/// True when a number's text shows an infinity or a NaN ("inf", "-nan" and the like): the
/// formatters promise a finite number for every input.
inline bool ShowsNonFinite(std::string_view text) {
    return text.find("inf") != std::string_view::npos || text.find("nan") != std::string_view::npos;
}

}  // namespace runwell::fuzz
