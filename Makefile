# Entry points; see README.md.
.PHONY: test demo core-test install-check format format-check bench fuzz sanitize variants clean

test:
	bash tools/test.sh

demo:
	bash tools/demo.sh

core-test:
	cmake -S . -B build/core -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build build/core -j$$(nproc)
	ctest --test-dir build/core --output-on-failure

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
