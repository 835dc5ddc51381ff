# Each target installs what is missing, configures into build/ and builds.
BUILD   := build
JOBS    := $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps configure build run test bench fuzz clean

all: build

deps:
	@bash tools/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@bash tools/run.sh

test: build
	@cd $(BUILD) && ctest --output-on-failure -j 2

bench: build
	@$(BUILD)/quorvane-bench $(BENCH_ARGS)

fuzz:
	@QUORVANE_FUZZ_DEPS=1 bash tools/install-deps.sh
	@CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVANE_FUZZ=ON -DQUORVANE_TESTS=OFF >/dev/null
	@cmake --build build-fuzz -j $(JOBS)
	@bash tests/fuzz/run.sh build-fuzz

clean:
	rm -rf $(BUILD) build-fuzz
