# Entry points: `make test` and `make run` work on a fresh machine.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps configure build test test-asan run bench fuzz fuzz-corpus fuzz-run format format-check clean

all: build

deps:
	scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZELKO_WERROR=ON $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The same tests with AddressSanitizer and UndefinedBehaviorSanitizer. Leaks inside the
# toolkit's own start-up are not ours; suppressions live in scripts/lsan.supp.
test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZELKO_WERROR=ON \
	  -DZELKO_SANITIZE=ON -DZELKO_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

# Only the program and the generator of its demo data, not the tests.
run: configure
	cmake --build $(BUILD) -j $(JOBS) --target zelko zelko-synth
	scripts/run-demo $(BUILD)

bench: deps
	cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DZELKO_BUILD_BENCH=ON $(CMAKE_FLAGS)
	cmake --build build-bench -j $(JOBS)
	@set -e; for b in build-bench/bench/*_bench; do if [ -x "$$b" ]; then "$$b"; fi; done

# The readers under libFuzzer (clang), with their seed corpora made by the generator.
# A finding is written as crash-*, leak-*, timeout-* or oom-* under
# $(FUZZ_BUILD)/findings/<target>/; `$(FUZZ_BUILD)/bin/fuzz/<target> <that file>` replays it.
FUZZ_BUILD ?= build-fuzz
SECONDS    ?= 10

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DZELKO_FUZZ=ON -DZELKO_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_targets

fuzz-corpus: fuzz
	scripts/fuzz-corpus $(FUZZ_BUILD)

fuzz-run: fuzz-corpus
	scripts/fuzz-run $(FUZZ_BUILD) $(SECONDS)

FORMAT_FOLDERS = platform engine genes genome shell scramble installer tools bench fuzz
FORMAT_FILES = $(shell find $(FORMAT_FOLDERS) \( -name '*.cpp' -o -name '*.hpp' -o -name '*.h' -o -name '*.c' \) 2>/dev/null)

format: deps
	@clang-format -i $(FORMAT_FILES)

# Fails when any file differs from what clang-format would make of it.
format-check: deps
	@clang-format --dry-run --Werror $(FORMAT_FILES) && echo "every source file is formatted"

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) build-bench $(FUZZ_BUILD)
