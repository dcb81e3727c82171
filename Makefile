# Ledgerwake: `make run` builds and starts the program on the sample table (installing only
# what building and running need), `make test` runs every test (including the sanitizer build
# of the core and short fuzz runs, installing the test tools first), `make bench` prints the
# benchmark ratios.
JOBS ?= $(shell nproc)
BUILD := build
ASAN_BUILD := build-asan
FUZZ_SECONDS ?= 10

.PHONY: all deps test-deps configure build asan fuzz sample run test test-main test-asan bench \
  format clean

all: build

deps:
	@bash scripts/install-deps.sh

test-deps:
	@bash scripts/install-deps.sh --test

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# One clang build of the core with ASan and UBSan serves both the sanitizer run of the tests and
# the fuzz targets (libFuzzer needs clang).
asan: test-deps
	@cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang \
	  -DCMAKE_CXX_COMPILER=clang++ -DLW_SANITIZE=ON -DLW_FUZZ=ON -DLW_CORE_ONLY=ON >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)

fuzz: asan
	@FUZZ_SECONDS=$(FUZZ_SECONDS) bash scripts/run-fuzzers.sh $(ASAN_BUILD)

# Only the programs and their sample data: the tests are built by `make build` / `make test`.
sample: configure
	@cmake --build $(BUILD) -j $(JOBS) --target ledgerwake ledgerwake-cli sample_data

run: sample
	@bash scripts/run.sh $(BUILD)

# Every stage runs whatever became of the ones before it (a test that fails in one setting
# must not hide what the sanitizers or the fuzzers would find); the run fails at the end,
# naming the stages that failed.
test: test-deps
	@failed=; \
	for stage in test-main test-asan fuzz; do \
	  $(MAKE) --no-print-directory $$stage || failed="$$failed $$stage"; \
	done; \
	if [ -n "$$failed" ]; then echo "make test: failed:$$failed" >&2; exit 1; fi

test-main: build
	@cmake --build $(BUILD) --target sample_data
	@cd $(BUILD) && ctest --output-on-failure --no-tests=error -j $(JOBS)

test-asan: asan
	@cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure --no-tests=error -j $(JOBS)

bench: test-deps sample
	@bash bench/run.sh $(BUILD)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
