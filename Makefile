# Entry points; see README.md.
.PHONY: test demo core-test bench clean

test:
	bash tools/test.sh

demo:
	bash tools/demo.sh

core-test:
	cmake -S . -B build/core -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build build/core -j$$(nproc)
	ctest --test-dir build/core --output-on-failure

bench:
	bash tools/bench.sh

clean:
	rm -rf build .venv .venv-ft
