# The README's commands. `make play` and `make test` install what is missing, build, then play or test.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all deps configure build play test bench clean

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

clean:
	rm -rf $(BUILD)
