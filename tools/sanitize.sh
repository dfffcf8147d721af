#!/usr/bin/env bash
# The core's GoogleTest suite built with AddressSanitizer and
# UndefinedBehaviorSanitizer, then the tests that start threads (a
# statement read in parts, the buffer pool) with ThreadSanitizer; any
# report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=Debug -DVELMORA_SANITIZE=ON -DVELMORA_BUILD_TESTS=ON >/dev/null
cmake --build build/sanitize -j"$(nproc)"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  build/sanitize/tests/core/velmora_core_tests --gtest_brief=1
cmake -S . -B build/tsan -DCMAKE_BUILD_TYPE=Debug -DVELMORA_TSAN=ON -DVELMORA_BUILD_TESTS=ON >/dev/null
cmake --build build/tsan -j"$(nproc)" --target velmora_core_tests
TSAN_OPTIONS=halt_on_error=1 build/tsan/tests/core/velmora_core_tests --gtest_brief=1 \
  --gtest_filter='BufferPool.*:StatementTables.*:StatementParts*'
