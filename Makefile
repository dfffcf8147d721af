# Entry points; see README.md.
.PHONY: test demo report-screenshot core-test install-check format format-check bench fuzz sanitize variants clean

test:
	bash tools/test.sh

demo:
	bash tools/demo.sh

core-test:
	cmake -S . -B build/core -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build build/core -j$$(nproc)
	ctest --test-dir build/core --output-on-failure

# docs/report.png, the README's picture of a report of the bundled example.
report-screenshot:
	bash tools/venv.sh
	.venv/bin/python -m pip install -q --no-build-isolation --no-deps --force-reinstall . 2>&1 | grep -v "^WARNING: Location" || true
	.venv/bin/python tools/report_screenshot.py

install-check:
	bash tools/install_check.sh

format:
	bash tools/format.sh

format-check:
	bash tools/format.sh --check

bench:
	bash tools/bench.sh

fuzz:
	bash tools/fuzz.sh $(or $(FUZZ_SECONDS),600)

sanitize:
	bash tools/sanitize.sh

variants:
	bash tools/test_variants.sh

clean:
	rm -rf build .venv .venv-ft .venv-debug
