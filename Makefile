# Entry points: `make demo` runs ktpm on the bundled sample project, `make test` runs the whole
# test suite in a normal build, in an AddressSanitizer + UndefinedBehaviorSanitizer build and the
# threaded tests under ThreadSanitizer, then checks a shared-library installation.
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
CCACHE := $(shell command -v ccache 2>/dev/null)
ifneq ($(CCACHE),)
CMAKE_FLAGS += -DCMAKE_CXX_COMPILER_LAUNCHER=ccache
endif
CTEST_FLAGS ?= --output-on-failure -j $(JOBS)

.PHONY: all deps build demo test test-normal test-asan test-tsan test-install bench fuzz clean

all: build

deps:
	@./scripts/install-deps.sh

build: deps
	cmake -S . -B build $(CMAKE_FLAGS) >/dev/null
	cmake --build build -j $(JOBS)

demo: deps
	cmake -S . -B build $(CMAKE_FLAGS) >/dev/null
	cmake --build build -j $(JOBS) --target ktpm-tool ktpm-standin-links
	@./scripts/demo.sh build/tools/ktpm/ktpm

test: test-normal test-asan test-tsan test-install

test-normal: deps
	cmake -S . -B build $(CMAKE_FLAGS) >/dev/null
	cmake --build build -j $(JOBS)
	ctest --test-dir build $(CTEST_FLAGS)

test-asan: deps
	CC=clang CXX=clang++ cmake -S . -B build-asan $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=Debug \
	  -DKTPM_SANITIZE=address,undefined -DKTPM_BUILD_BENCH=OFF >/dev/null
	cmake --build build-asan -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir build-asan $(CTEST_FLAGS)

# The suites of the subsystems that run threads.
TSAN_LABELS ?= projtree|analysis|platform|report|mesh|matlib|tool
test-tsan: deps
	CC=clang CXX=clang++ cmake -S . -B build-tsan $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=Debug \
	  -DKTPM_SANITIZE=thread -DKTPM_BUILD_BENCH=OFF >/dev/null
	cmake --build build-tsan -j $(JOBS)
	TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
	  ctest --test-dir build-tsan $(CTEST_FLAGS) -L '$(TSAN_LABELS)'

# A shared-library build installed to a temporary prefix, moved, and used by a client through
# find_package and through pkg-config.
test-install: deps
	JOBS=$(JOBS) ./scripts/check-install.sh

bench: build
	@for b in build/bench/*_bench; do echo "== $$b"; $$b; done

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz $(CMAKE_FLAGS) -DKTPM_BUILD_FUZZ=ON \
	  -DKTPM_BUILD_TESTS=OFF -DKTPM_BUILD_BENCH=OFF -DKTPM_BUILD_TOOLS=OFF >/dev/null
	cmake --build build-fuzz -j $(JOBS)

clean:
	rm -rf build build-asan build-tsan build-fuzz build-shared
