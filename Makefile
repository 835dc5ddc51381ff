# Each target installs what is missing, configures into build/ and builds.
BUILD   := build
JOBS    := $(shell nproc 2>/dev/null || echo 2)

PREFIX  ?= /usr/local

.PHONY: all deps configure build run test test-sanitize soak bench bench-instructions compare fuzz install uninstall package clean

# The sanitizer build: every report ends the program that made it with a
# failure (UBSan through -fno-sanitize-recover, ASan and LSan by default), so
# any report fails its test. tests/lsan.supp names what Qt itself leaves.
SANITIZE       := build-sanitize
SANITIZE_FLAGS := -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined
SANITIZE_ENV   := ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:strict_string_checks=1:check_initialization_order=1 \
                  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
                  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0

all: build

deps:
	@bash tools/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# The programs alone, not the tests and benchmarks; cmake's progress lines
# show how far a first build has come.
run: configure
	@cmake --build $(BUILD) -j $(JOBS) --target quorvane-programs
	@bash tools/run.sh

test: build
	@cd $(BUILD) && ctest --output-on-failure -j 2

# Test discovery runs the test programs during the build, so the build
# needs the sanitizer settings too.
test-sanitize: deps
	@cmake -S . -B $(SANITIZE) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS="$(SANITIZE_FLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$(SANITIZE_FLAGS)" -DCMAKE_SHARED_LINKER_FLAGS="$(SANITIZE_FLAGS)" >/dev/null
	@$(SANITIZE_ENV) cmake --build $(SANITIZE) -j $(JOBS)
	@cd $(SANITIZE) && $(SANITIZE_ENV) ctest --output-on-failure -j 2

# Ten minutes of the real program on the test network (QV_SOAK_SECONDS),
# then every way of quitting under load a hundred times (QV_QUIT_ROUNDS).
soak: build
	@cd $(BUILD)/tests/net && QV_SOAK_SECONDS=$${QV_SOAK_SECONDS:-600} $(CURDIR)/tests/net/with-testnet.sh \
	  --responder ../quorvane-test-responder ./quorvane-soak-tests
	@QV_QUIT_ROUNDS=$${QV_QUIT_ROUNDS:-100} bash tests/net/quit-soak.sh $(BUILD)

bench: build
	@$(BUILD)/quorvane-bench $(BENCH_ARGS)

# callgrind's instructions per echo of the monitor against a Qt floor, ten
# hosts and one, on loopback in a network namespace of its own
# (QV_INSTR_SECONDS sets its length; see tools/instructions.sh).
bench-instructions: build
	@bash tools/instructions.sh $(BUILD)

# The monitor beside fping (and noping, where installed) on loopback in a
# network namespace of its own: CPU per echo, wake-ups, threads, start-up to
# first paint against a minimal Qt window, then bench-instructions.
# QV_COMPARE_SECONDS, QV_COMPARE_ROUNDS and QV_COMPARE_STARTS set its length
# (see tools/compare.sh).
compare: build
	@bash tools/compare.sh $(BUILD)

fuzz:
	@QUORVANE_FUZZ_DEPS=1 bash tools/install-deps.sh
	@CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVANE_FUZZ=ON -DQUORVANE_TESTS=OFF >/dev/null
	@cmake --build build-fuzz -j $(JOBS)
	@bash tests/fuzz/run.sh build-fuzz

# DESTDIR, when given, is put in front of every installed path. What was
# installed is kept in build/installed-files.txt for `make uninstall` (CMake's
# own manifest is rewritten by every trial installation of the tests).
install: build
	@DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix $(PREFIX)
	@sed 's|^|$(DESTDIR)|' $(BUILD)/install_manifest.txt > $(BUILD)/installed-files.txt

uninstall:
	@test -f $(BUILD)/installed-files.txt || { echo "Nothing was installed from $(BUILD)"; exit 1; }
	@xargs -d '\n' rm -fv < $(BUILD)/installed-files.txt
	@rm -f $(BUILD)/installed-files.txt

# The Debian package build/quorvane_<version>_<arch>.deb.
package: build
	@QUORVANE_PACKAGE_DEPS=1 bash tools/install-deps.sh
	@cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) $(SANITIZE) build-fuzz
