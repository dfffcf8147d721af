#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each for
# SECONDS (default 20) from the committed seeds:
#   tools/fuzz.sh [SECONDS]
# Seeds (see fuzz/seeds/README.md): the statements of examples/ and
# fuzz/seeds/statements/ for the statement target, fuzz/seeds/values/ for
# the value target, and all of these and fuzz/seeds/text/ for the text
# target. Corpora grow in build/fuzz/corpus/<target>; a crash input is
# written to build/fuzz/crashes/ and the script fails.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/lib.sh
seconds="${1:-20}"
if ! command -v clang++-16 >/dev/null 2>&1; then
  apt_install fuzz.sh "clang 16 with its compiler-rt runtimes (clang++-16 and libFuzzer)" clang-16 libclang-rt-16-dev
fi
CXX=clang++-16 cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELMORA_BUILD_FUZZ=ON -DVELMORA_BUILD_TESTS=OFF >/dev/null
cmake --build build/fuzz -j"${JOBS:-$(nproc)}" >/dev/null
corpus=build/fuzz/corpus
seeds=fuzz/seeds
mkdir -p "$corpus"/{parse_statement_fuzzer,value_fuzzer,text_fuzzer} build/fuzz/crashes

copy_seeds() {
  local target="$1" f
  shift
  for f in "$@"; do
    [ -f "$f" ] || continue
    cp "$f" "$corpus/$target/$(basename "$(dirname "$f")")-$(basename "$f")"
  done
}

# The statement target reads its first byte as the hook to use (below 128:
# none; from 128: an editing hook), so each statement goes in once each way.
statements=(examples/*.txt "$seeds"/statements/*)
for f in "${statements[@]}"; do
  name="$(basename "$f")"
  { printf '\000'; cat "$f"; } > "$corpus/parse_statement_fuzzer/plain-$name"
  { printf '\200'; cat "$f"; } > "$corpus/parse_statement_fuzzer/hook-$name"
done
copy_seeds value_fuzzer "$seeds"/values/*
copy_seeds text_fuzzer "${statements[@]}" "$seeds"/text/*

for target in parse_statement_fuzzer value_fuzzer text_fuzzer; do
  echo "== $target for ${seconds}s" >&2
  if ! build/fuzz/fuzz/$target -max_total_time="$seconds" -max_len=65536 -dict=fuzz/statement.dict \
    -artifact_prefix=build/fuzz/crashes/ -print_final_stats=0 "$corpus/$target" 2>&1 | tail -3; then
    echo "fuzz.sh: $target found a crash (see build/fuzz/crashes/)" >&2
    exit 1
  fi
done
