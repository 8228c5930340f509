# The README's commands. `make play` and `make test` install what is missing, build, then play or test.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all deps configure build play test bench golden clean

all: build

deps:
	scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release

build: configure
	cmake --build $(BUILD) -j $(JOBS)

play: build
	cd $(BUILD)/game && ./zarkride

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

bench: build
	scripts/run-benchmarks.sh $(BUILD)

# Makes the golden frames again from the current build. Only for changes meant to alter the
# picture: look at every file in tests/golden before committing them.
golden: build
	ZARKRIDE_UPDATE_GOLDEN=1 ctest --test-dir $(BUILD) -R 'Frames/Golden' --output-on-failure

clean:
	rm -rf $(BUILD)
