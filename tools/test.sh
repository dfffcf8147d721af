#!/usr/bin/env bash
# Builds everything and runs every test: the core's GoogleTest suite under
# CTest, then the Python module's pytest suite. Provisions what it needs on a
# fresh machine: GoogleTest and a C++ toolchain from apt, CPython 3.13 through
# tools/python.sh, and a virtual environment with the test tools.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
jobs="${JOBS:-$(nproc)}"

need_apt=()
dpkg -s libgtest-dev >/dev/null 2>&1 || need_apt+=(libgtest-dev)
command -v g++ >/dev/null 2>&1 || need_apt+=(g++)
command -v cmake >/dev/null 2>&1 || need_apt+=(cmake)
if [ "${#need_apt[@]}" -gt 0 ]; then
  echo "test.sh: installing ${need_apt[*]}" >&2
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need_apt[@]}"
fi

"$root/tools/venv.sh"
py="$root/.venv/bin/python"

echo "== core: build and CTest" >&2
cmake -S "$root" -B "$root/build/core" -DCMAKE_BUILD_TYPE=Release -DVELMORA_BUILD_TESTS=ON >/dev/null
cmake --build "$root/build/core" -j"$jobs"
ctest --test-dir "$root/build/core" --output-on-failure -j"$jobs"

echo "== python: install the module and run pytest" >&2
"$py" -m pip install -q --no-build-isolation "$root" 2>&1 | grep -v "^WARNING: Location" || true
"$py" -c "import velmora_py" 
cd "$root"
set +e
"$py" -m pytest -q -p no:cacheprovider tests/python
rc=$?
set -e
# pytest exits 5 when it collected no tests; that is a failure of the suite.
if [ "$rc" -eq 5 ]; then echo "test.sh: pytest collected no tests" >&2; exit 1; fi
exit "$rc"
