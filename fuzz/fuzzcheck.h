#pragma once

#include <cstdio>
#include <cstdlib>

// A broken invariant is a finding like a crash: name it and abort, so that
// libFuzzer keeps the input that broke it.
inline void fuzzCheck(bool holds, const char *invariant)
{
    if (holds)
        return;
    std::fprintf(stderr, "fuzz invariant broken: %s\n", invariant);
    std::abort();
}
