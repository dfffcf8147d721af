#!/usr/bin/env bash
# Installs the core library into a temporary prefix, then builds the C++
# example against it with find_package(velmora) and runs it on the bundled
# statements: proof that the installed headers and CMake package suffice.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
jobs="${JOBS:-$(nproc)}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

cmake -S "$root" -B "$work/build" -DCMAKE_BUILD_TYPE=Release -DVELMORA_BUILD_TESTS=OFF >/dev/null
cmake --build "$work/build" -j"$jobs" >/dev/null
cmake --install "$work/build" --prefix "$work/prefix" >/dev/null
# Nothing but the public headers may be installed.
if find "$work/prefix/include" -type f ! -path "*/include/velmora/*" | grep -q .; then
  echo "install_check.sh: files outside include/velmora were installed" >&2
  exit 1
fi
cmake -S "$root/examples/cpp" -B "$work/example" -DCMAKE_PREFIX_PATH="$work/prefix" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS="-Wall -Wextra -Werror" >/dev/null
cmake --build "$work/example" -j"$jobs" >/dev/null
for statement in "$root"/examples/statement_*.txt; do
  echo "== statement_summary $(basename "$statement")"
  "$work/example/statement_summary" "$statement"
done
