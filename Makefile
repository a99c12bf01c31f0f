# The project's front door:
#   make test        install what is missing, build, run every test
#   make run         install what is missing, build, start the client
#   make bench       build and run the benchmarks
#   make fuzz        build the libFuzzer targets with clang
#                    (FUZZ="<targets>" or FUZZ=all also runs them, FUZZ_SECONDS each)
#   SAN=1            AddressSanitizer + UndefinedBehaviorSanitizer build, in its own folder

JOBS ?= $(shell nproc)
SAN ?= 0

ifeq ($(SAN),1)
BUILD_DIR ?= build-san
CMAKE_FLAGS += -DVEMLOR_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
else
BUILD_DIR ?= build
endif

.PHONY: all bootstrap configure build test run bench fuzz clean

all: build

bootstrap:
	@bash scripts/bootstrap

configure: bootstrap
	@cmake -S . -B $(BUILD_DIR) -G Ninja $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	@cd $(BUILD_DIR) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) --timeout 300

run: build
	@bash scripts/run $(BUILD_DIR)

bench: bootstrap
	@cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DVEMLOR_BENCH=ON >/dev/null
	@cmake --build build-bench -j $(JOBS)
	@bash scripts/bench build-bench

FUZZ ?=
FUZZ_SECONDS ?= 180

fuzz:
	@bash scripts/bootstrap fuzz
	@CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEMLOR_FUZZ=ON >/dev/null
	@cmake --build build-fuzz -j $(JOBS)
	@if [ -n "$(FUZZ)" ]; then bash scripts/fuzz build-fuzz $(FUZZ_SECONDS) $(FUZZ); fi

clean:
	rm -rf build build-san build-bench build-fuzz
