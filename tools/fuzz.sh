#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each for
# SECONDS (default 20) from a seed corpus of the examples:
#   tools/fuzz.sh [SECONDS]
# Corpora grow in build/fuzz/corpus/<target>; a crash input is written to
# build/fuzz/crashes/ and the script fails.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-20}"
if ! command -v clang++-16 >/dev/null 2>&1; then
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq clang-16 libclang-rt-16-dev
fi
CXX=clang++-16 cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELMORA_BUILD_FUZZ=ON -DVELMORA_BUILD_TESTS=OFF >/dev/null
cmake --build build/fuzz -j"$(nproc)" >/dev/null
corpus=build/fuzz/corpus
mkdir -p "$corpus"/{parse_statement_fuzzer,value_fuzzer,text_fuzzer} build/fuzz/crashes
for f in examples/*.txt fuzz/seeds/*; do
  [ -f "$f" ] || continue
  name="$(basename "$f")"
  { printf '\000'; cat "$f"; } > "$corpus/parse_statement_fuzzer/plain-$name"
  { printf '\200'; cat "$f"; } > "$corpus/parse_statement_fuzzer/hook-$name"
done
for seed in "1234.56" "-0.00" "1_000.5" "1.5E3" "79228162514264337593543950335" "05.03.2024" \
            "29.02.2024" " 1.1.1 " "+10000.12.31"; do
  printf '%s' "$seed" > "$corpus/value_fuzzer/$(printf '%s' "$seed" | md5sum | cut -c1-12)"
done
cp examples/*.txt "$corpus/text_fuzzer/"
for target in parse_statement_fuzzer value_fuzzer text_fuzzer; do
  echo "== $target for ${seconds}s" >&2
  build/fuzz/fuzz/$target -max_total_time="$seconds" -max_len=65536 -dict=fuzz/statement.dict \
    -artifact_prefix=build/fuzz/crashes/ -print_final_stats=0 "$corpus/$target" 2>&1 | tail -3
  [ "${PIPESTATUS[0]}" -eq 0 ] || { echo "fuzz.sh: $target found a crash" >&2; exit 1; }
done
