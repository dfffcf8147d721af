#!/usr/bin/env bash
# Builds the core benchmark and the module, then prints the benchmark
# tables, the last one before and after: this checkout against the commit in
# bench/BASELINE_REF (built by tools/baseline.sh, kept in build/baseline).
# Pass --smoke for one quick run on small inputs (as CI does); any other
# arguments go to bench/bench_parse.py.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/lib.sh
if command -v dpkg >/dev/null 2>&1 && ! dpkg -s libbenchmark-dev >/dev/null 2>&1; then
  apt_install bench.sh "Google Benchmark with its CMake package (libbenchmark-dev, google-benchmark-devel)" libbenchmark-dev
fi
tools/venv.sh
cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DVELMORA_BUILD_TESTS=OFF -DVELMORA_BUILD_BENCH=ON >/dev/null
cmake --build build/bench -j"$(nproc)" >/dev/null
pip_quiet .venv/bin/python install -q --no-build-isolation .
core=build/bench/bench/velmora_core_bench
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
size=20
memory_size=20
smoke=()
for a in "$@"; do [ "$a" = "--smoke" ] && size=0.2 && memory_size=1 && smoke=(--smoke); done
.venv/bin/python bench/gen_statement.py --size-mb "$size" --encoding utf-8 -o "$tmp/u.txt"
.venv/bin/python bench/gen_statement.py --size-mb "$size" --encoding cp1251 -o "$tmp/c.txt"
echo "== core (Google Benchmark)"
if [ "$size" = "0.2" ]; then
  "$core" "$tmp/u.txt" "$tmp/c.txt" --benchmark_min_time=0.01
else
  "$core" "$tmp/u.txt" "$tmp/c.txt" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
fi
echo "== velmora_py.parse"
.venv/bin/python bench/bench_parse.py --core-bench "$core" "$@"
echo "== adversarial inputs"
.venv/bin/python bench/adversarial.py "${smoke[@]}"
echo "== peak memory by input shape"
.venv/bin/python bench/memory_shapes.py --size-mb "$memory_size" --core-peak build/bench/bench/velmora_core_peak
echo "== velmora.read_tables"
.venv/bin/python bench/bench_tables.py "${smoke[@]}"
echo "== before and after"
baseline_py="$(tools/baseline.sh)"
before=(--baseline-py "$baseline_py" --baseline-core "$(dirname "$baseline_py")/core/bench/velmora_core_bench")
# The free-threaded row needs both builds for 3.13t; without them the table
# says why it is missing.
if [ "${#smoke[@]}" = 0 ]; then
  if tools/venv.sh --free-threaded >&2 &&
    pip_quiet .venv-ft/bin/python install -q --no-build-isolation --no-deps --force-reinstall . &&
    ft_baseline="$(tools/baseline.sh --no-core --python .venv-ft/bin/python)"; then
    before+=(--ft-python .venv-ft/bin/python --ft-baseline-py "$ft_baseline")
  else
    echo "bench.sh: no free-threaded builds; that row stays unmeasured" >&2
  fi
fi
.venv/bin/python bench/perf_table.py "${before[@]}" --core "$core" "${smoke[@]}"
