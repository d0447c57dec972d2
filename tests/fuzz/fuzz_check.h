#pragma once
// A broken invariant in a fuzz target: says which, then aborts, which
// libFuzzer (and a replay run) reports as a crash with the input.

#include <cstdio>
#include <cstdlib>

namespace kestrix::fuzzing {

inline void Require(bool holds, const char* what) {
  if (!holds) {
    std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
    std::fflush(stderr);
    std::abort();
  }
}

}  // namespace kestrix::fuzzing
