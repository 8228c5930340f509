# The README's commands. `make play` and `make test` install what is missing, build, then play or test.
BUILD ?= build
SANITIZED_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
# Seconds each fuzz target runs: SECONDS for `make fuzz`, SMOKE_SECONDS at the end of `make test`.
SECONDS ?= 10
SMOKE_SECONDS ?= 10
JOBS ?= $(shell nproc)
PREFIX ?= /usr/local
SANITIZERS = -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer

.PHONY: all deps configure build play install test test-sanitized test-gl-drivers fuzz bench golden clean

all: build

# Building and playing need only the game's libraries; testing, fuzzing and benchmarking ask for
# the test tools too (DEPS=--test, set by those targets for everything they build on).
deps:
	scripts/install-deps.sh $(DEPS)

test test-sanitized test-gl-drivers fuzz bench golden: DEPS = --test

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release

build: configure
	cmake --build $(BUILD) -j $(JOBS)

play: build
	cd $(BUILD)/game && ./zarkride

# Builds for PREFIX, so the installed game looks for its data there, then installs: the program
# in PREFIX/bin, its data in PREFIX/share/zarkride, the desktop entry, icons and manual page
# where the desktop looks for them. DESTDIR stages the whole tree under another folder.
install: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=$(PREFIX)
	cmake --build $(BUILD) -j $(JOBS)
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD)

# Every test, then every test again built with AddressSanitizer and UndefinedBehaviorSanitizer,
# where any report fails the run, then a short run of every fuzz target.
test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)
	$(MAKE) test-sanitized
	JOBS=$(JOBS) scripts/fuzz.sh $(FUZZ_BUILD) $(SMOKE_SECONDS)

test-sanitized: deps
	cmake -S . -B $(SANITIZED_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZARKRIDE_BENCH=OFF -DZARKRIDE_LONG_DEMOS=OFF \
		-DCMAKE_CXX_FLAGS="$(SANITIZERS)" -DCMAKE_EXE_LINKER_FLAGS="$(SANITIZERS)"
	cmake --build $(SANITIZED_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
		ctest --test-dir $(SANITIZED_BUILD) --output-on-failure -j $(JOBS)

# The hardware device's tests on three of Mesa's drivers, one after the other: llvmpipe (as the
# test command runs them), softpipe, and zink over lavapipe; a table of tests by drivers at the
# end (see scripts/gl-drivers.sh). GL_DRIVERS picks some of them.
GL_DRIVERS ?= llvmpipe softpipe zink
test-gl-drivers: build
	scripts/gl-drivers.sh $(BUILD) $(GL_DRIVERS)

# The fuzz targets of fuzz/, built with clang and libFuzzer in their own folder, each run for
# SECONDS seconds; any crash, sanitizer report, leak or hang fails (see scripts/fuzz.sh).
fuzz: deps
	JOBS=$(JOBS) scripts/fuzz.sh $(FUZZ_BUILD) $(SECONDS)

# The Google Benchmark programs of bench/, then the real game under Xvfb with each device, ending
# with one table of every figure against its target (see the README's Benchmarks). A missed
# target does not fail; a figure that could not be measured does. DEMO_SECONDS, TITLE_SECONDS,
# BENCH_MIN_TIME and GAME_BENCH=0 are read from the environment.
bench: build
	scripts/run-benchmarks.sh $(BUILD)

# Makes the golden frames again from the current build. Only for changes meant to alter the
# picture: look at every file in tests/golden before committing them.
golden: build
	ZARKRIDE_UPDATE_GOLDEN=1 ctest --test-dir $(BUILD) -R 'Frames/Golden' --output-on-failure

clean:
	rm -rf $(BUILD) $(SANITIZED_BUILD) $(FUZZ_BUILD)
