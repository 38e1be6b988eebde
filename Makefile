# The two commands a fresh machine needs: `make run` and `make test`.
BUILD       ?= build
BENCH_BUILD ?= build-bench
FUZZ_BUILD  ?= build-fuzz
JOBS        ?= $(shell nproc)
CMAKE_FLAGS ?=
# CI treats warnings as errors.
ifdef CI
  CMAKE_FLAGS += -DTESSARY_WERROR=ON
endif

.PHONY: all setup build test run bench fuzz clean

all: build

setup:
	@scripts/setup.sh

build: setup
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j$(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

run: build
	scripts/run-demo.sh $(BUILD)

bench: setup
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DTESSARY_BUILD_TESTS=OFF $(CMAKE_FLAGS)
	cmake --build $(BENCH_BUILD) -j$(JOBS)
	cmake --build $(BENCH_BUILD) --target bench

fuzz: setup
	scripts/fuzz.sh $(FUZZ_BUILD)

clean:
	rm -rf $(BUILD) $(BENCH_BUILD) $(FUZZ_BUILD) build-asan build-tsan
