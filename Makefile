# Vexmo — the commands of the README.
#   make run            install what is missing, build, start the desktop program
#   make test           install what is missing, build, run every test (ctest)
#   make bench          build and run the benchmarks
#   make package        build, then the Debian package (vexmo_VERSION_ARCH.deb in the build folder)
#   make fuzz           build the libFuzzer targets (clang, ASan+UBSan) and run each for FUZZ_SECONDS
#   make test-sanitize  build everything under ASan+UBSan in build-sanitize and run every test
#   make coverage       build with --coverage in build-coverage, run every test, then line and
#                       branch coverage per source folder (gcovr; throw-only branches left out)

BUILD        ?= build
JOBS         ?= $(shell nproc)
FUZZ_SECONDS ?= 60
CMAKE_FLAGS  ?=

.PHONY: all deps configure build run test package bench fuzz test-sanitize coverage clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/src/shell/vexmo

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) --timeout 300

package: build
	@cmake --build $(BUILD) --target package

bench: deps
	@cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
	@cmake --build build-bench -j $(JOBS)
	@for b in build-bench/bench/bench_*; do [ -x "$$b" ] && echo "== $$b" && QT_QPA_PLATFORM=offscreen "$$b" || true; done

fuzz:
	@scripts/install-deps fuzz
	@CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DVEXMO_GUI=OFF -DBUILD_TESTING=OFF -DVEXMO_FUZZ=ON >/dev/null
	@cmake --build build-fuzz -j $(JOBS)
	@scripts/run-fuzzers build-fuzz/fuzz $(FUZZ_SECONDS)

test-sanitize: deps
	@cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DVEXMO_SANITIZE=ON >/dev/null
	@cmake --build build-sanitize -j $(JOBS)
	cd build-sanitize && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j $(JOBS) --timeout 900

# The package tests build and lint a .deb: nothing of the program's own code runs there.
coverage:
	@scripts/install-deps coverage
	@cmake -S . -B build-coverage -DCMAKE_BUILD_TYPE=Debug -DVEXMO_COVERAGE=ON \
	    -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON $(CMAKE_FLAGS) >/dev/null
	@cmake --build build-coverage -j $(JOBS)
	@find build-coverage -name '*.gcda' -delete
	-cd build-coverage && QT_QPA_PLATFORM=offscreen ctest -j $(JOBS) --timeout 900 -E '^Package\.'
	@scripts/coverage-summary build-coverage

clean:
	rm -rf build build-bench build-fuzz build-sanitize build-coverage
