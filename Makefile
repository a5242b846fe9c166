# ZDBGrids: two commands.
#   make test   installs what is missing, builds, and runs every test twice:
#               in build/ and in build-asan/ (address + undefined sanitizers),
#               with a throw-away PostgreSQL server for the database tests.
#   make demo   installs what is missing, builds and runs the demo (without a
#               display it saves demo/screenshots/demo.png and exits).
#   make fuzz   (extra) builds the libFuzzer programs of fuzz/ with clang and the
#               sanitizers in build-fuzz/ and runs each FUZZ_SECONDS (default 60):
#               make fuzz FUZZ_SECONDS=600
#   make bench  (extra) builds in Release and runs the benchmarks against
#               QTableView, the database and plain loops; writes bench/results.md
#               and bench/charts/.
# The other targets are steps of these.

SHELL := /bin/bash
JOBS ?= 2
BUILD_DIR ?= build
ASAN_DIR ?= build-asan
BUILD_TYPE ?= Debug

FUZZ_SECONDS ?= 60

.PHONY: test demo bench fuzz setup build build-asan

test:
	@JOBS=$(JOBS) BUILD_DIR=$(BUILD_DIR) ASAN_DIR=$(ASAN_DIR) scripts/test.sh

demo: setup
	@JOBS=$(JOBS) BUILD_DIR=$(BUILD_DIR) BUILD_TYPE=$(BUILD_TYPE) scripts/demo.sh

bench:
	@JOBS=$(JOBS) scripts/bench.sh

fuzz:
	@JOBS=$(JOBS) FUZZ_SECONDS=$(FUZZ_SECONDS) scripts/fuzz.sh

setup:
	@scripts/setup.sh

build: setup
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)
	cmake --build $(BUILD_DIR) -j$(JOBS)

build-asan: setup
	cmake -S . -B $(ASAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DZDB_SANITIZE=ON \
	  -DZDB_BUILD_DEMO=OFF
	cmake --build $(ASAN_DIR) -j$(JOBS)
