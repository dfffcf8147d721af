#!/usr/bin/env bash
# Builds everything and runs every test: the core's GoogleTest suite under
# CTest, then the Python module's pytest suite. Provisions what it needs on a
# fresh machine: GoogleTest and a C++ toolchain from apt (it says so first,
# and says what to install by hand where apt is not available), CPython 3.13
# through tools/python.sh, and a virtual environment with the test tools.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
jobs="${JOBS:-$(nproc)}"
. "$root/tools/lib.sh"

need_apt=()
# Without dpkg there is no package to ask about; CMake then reports a
# missing GoogleTest itself.
if command -v dpkg >/dev/null 2>&1; then
  dpkg -s libgtest-dev >/dev/null 2>&1 || need_apt+=(libgtest-dev)
fi
command -v g++ >/dev/null 2>&1 || need_apt+=(g++)
command -v cmake >/dev/null 2>&1 || need_apt+=(cmake)
if [ "${#need_apt[@]}" -gt 0 ]; then
  apt_install test.sh "GoogleTest with its CMake package (libgtest-dev, gtest-devel), g++ 12 or newer, CMake 3.25 or newer" \
    "${need_apt[@]}"
fi

"$root/tools/venv.sh"
py="$root/.venv/bin/python"

echo "== core: build and CTest" >&2
cmake -S "$root" -B "$root/build/core" -DCMAKE_BUILD_TYPE=Release -DVELMORA_BUILD_TESTS=ON >/dev/null
cmake --build "$root/build/core" -j"$jobs"
# One line per test case is too much for a log; keep it, show the summary.
if ! ctest --test-dir "$root/build/core" --output-on-failure -j"$jobs" > "$root/build/core/ctest.log" 2>&1; then
  grep -v " Passed " "$root/build/core/ctest.log" | tail -n 200
  exit 1
fi
tail -n 3 "$root/build/core/ctest.log"

echo "== python: build the wheel, install it and run pytest" >&2
rm -rf "$root/build/dist"
pip_quiet "$py" wheel -q --no-build-isolation --no-deps -w "$root/build/dist" "$root"
wheel="$(ls "$root"/build/dist/velmora-*.whl)"
# The source distribution is what a platform without a wheel builds from;
# the suite checks that it holds everything that build needs.
"$py" -m build -q --sdist --no-isolation -o "$root/build/dist" "$root" >/dev/null
sdist="$(ls "$root"/build/dist/velmora-*.tar.gz)"
pip_quiet "$py" install -q --force-reinstall --no-deps "$wheel"
# The suite checks the installed package: the command, the stubs and the
# wheel itself in a fresh environment.
export VELMORA_WHEEL="$wheel" VELMORA_SDIST="$sdist" VELMORA_REQUIRE_INSTALLED=1
unset PYTHONPATH
cd "$root"
set +e
"$py" -m pytest -q -p no:cacheprovider tests/python
rc=$?
set -e
# pytest exits 5 when it collected no tests; that is a failure of the suite.
if [ "$rc" -eq 5 ]; then echo "test.sh: pytest collected no tests" >&2; exit 1; fi
exit "$rc"
