#!/usr/bin/env bash
# Builds the module and the core benchmark of an earlier commit, the
# "before" of the benchmark table and of the differential test:
#   tools/baseline.sh [--python PATH] [--no-core] [REF]
# REF defaults to the commit named in bench/BASELINE_REF. The module is
# installed into build/baseline/<commit>/py-<ABI tag of PATH> (so that a
# free-threaded interpreter gets its own build beside the default one),
# the core benchmark into build/baseline/<commit>/core. Both are kept:
# a later run for the same commit and interpreter builds nothing.
# PATH defaults to .venv/bin/python (made by tools/venv.sh) and needs
# scikit-build-core, since the build runs without isolation.
# The core benchmark is then <folder>/../core/bench/velmora_core_bench.
# Progress goes to stderr; stdout carries only the module's folder, for
#   export VELMORA_BASELINE_PY="$(bash tools/baseline.sh)"
set -euo pipefail

python=""
core=1
ref=""
while [ "$#" -gt 0 ]; do
  case "$1" in
    # A path is taken relative to the caller's folder, a bare name from PATH.
    --python) python="$(if [[ "$2" == */* ]]; then realpath -s "$2"; else command -v "$2"; fi)"; shift 2 ;;
    --no-core) core=0; shift ;;
    -*) echo "usage: $0 [--python PATH] [--no-core] [REF]" >&2; exit 2 ;;
    *) ref="$1"; shift ;;
  esac
done
cd "$(dirname "$0")/.."
root="$PWD"
. tools/lib.sh
if [ -z "$python" ]; then
  tools/venv.sh >&2
  python="$root/.venv/bin/python"
fi
[ -n "$ref" ] || ref="$(tr -d '[:space:]' < bench/BASELINE_REF)"
commit="$(git rev-parse --verify "$ref^{commit}")"
abi="$("$python" -c 'import sysconfig; print(sysconfig.get_config_var("SOABI"))')"
out="$root/build/baseline/${commit:0:12}"
py_dir="$out/py-$abi"
core_dir="$out/core"
jobs="${JOBS:-$(nproc)}"

source_dir=""
cleanup() { if [ -n "$source_dir" ]; then rm -rf "$source_dir"; fi; }
trap cleanup EXIT
# The commit's files, extracted once per run into a temporary folder.
sources() {
  if [ -z "$source_dir" ]; then
    source_dir="$(mktemp -d)"
    git archive "$commit" | tar -x -C "$source_dir"
  fi
}

# A finished build leaves a stamp; anything without one is built anew.
if [ ! -f "$py_dir/.built" ]; then
  echo "baseline.sh: building the module of ${commit:0:12} for $abi" >&2
  sources
  rm -rf "$py_dir"
  CMAKE_BUILD_PARALLEL_LEVEL="$jobs" pip_quiet "$python" install -q --no-build-isolation --no-deps \
    --target "$py_dir" "$source_dir" >&2
  echo "$commit" > "$py_dir/.built"
fi

if [ "$core" = 1 ] && [ ! -f "$core_dir/.built" ]; then
  echo "baseline.sh: building the core benchmark of ${commit:0:12}" >&2
  sources
  rm -rf "$core_dir"
  cmake -S "$source_dir" -B "$core_dir" -DCMAKE_BUILD_TYPE=Release -DVELMORA_BUILD_TESTS=OFF \
    -DVELMORA_BUILD_BENCH=ON >/dev/null
  cmake --build "$core_dir" -j"$jobs" --target velmora_core_bench >/dev/null
  echo "$commit" > "$core_dir/.built"
fi
echo "$py_dir"
