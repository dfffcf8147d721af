#pragma once

#include <cstdio>
#include <cstdlib>

// A broken invariant is a crash, so that libFuzzer keeps the input.
#define VELMORA_FUZZ_CHECK(condition)                                                              \
  do {                                                                                             \
    if (!(condition)) {                                                                            \
      std::fprintf(stderr, "%s:%d: invariant failed: %s\n", __FILE__, __LINE__, #condition);       \
      std::abort();                                                                                \
    }                                                                                              \
  } while (false)
