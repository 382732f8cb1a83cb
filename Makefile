# The two commands of the README, wrapping CMake and CTest. Both install missing Debian packages first.
#   make run    build and open Tarvex in its prepared working folder
#   make test   every test: ASan+UBSan build of everything, TSan build of the threaded library and of
#               the hand-over of its events to the window, a minute of each fuzz target (fuzz/README.md),
#               and the Debian packages built, unpacked and tried (scripts/test-package)
# and the packages alone:
#   make package  the Debian packages in build/pkg (scripts/build-package)
JOBS ?= $(shell nproc)
CMAKE_QUIET = --log-level=WARNING

export ASAN_OPTIONS = detect_leaks=1:abort_on_error=0:strict_string_checks=1
export UBSAN_OPTIONS = print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS = halt_on_error=1:second_deadlock_stack=1
# Leaks inside uninstrumented third-party libraries (fontconfig, Qt's plugins) are theirs, not ours.
export LSAN_OPTIONS = suppressions=$(CURDIR)/cmake/lsan.supp:print_suppressions=0
MAKEFLAGS += --no-print-directory

.PHONY: run test deps build-run test-asan test-tsan build-fuzz test-fuzz package test-package format

deps:
	@bash scripts/install-deps

# Only what it runs: the tool, the libraries, zenvar-sim and the working folder; no tests or benchmarks
# (those are in build/release, see README.md).
build-run: deps
	@cmake -S . -B build/run $(CMAKE_QUIET) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF
	@cmake --build build/run -j$(JOBS)

run: build-run
	@scripts/run-tarvex build/run

test: deps test-asan test-tsan test-fuzz test-package

test-asan:
	@cmake -S . -B build/asan $(CMAKE_QUIET) -DCMAKE_BUILD_TYPE=Debug -DTARVEX_SANITIZER=address -DTARVEX_WERROR=ON
	@cmake --build build/asan -j$(JOBS)
	@cd build/asan && ctest -j$(JOBS) --output-on-failure

test-tsan:
	@cmake -S . -B build/tsan $(CMAKE_QUIET) -DCMAKE_BUILD_TYPE=Debug -DTARVEX_SANITIZER=thread -DTARVEX_OSTREL_ONLY=ON -DTARVEX_WERROR=ON
	@cmake --build build/tsan -j$(JOBS)
	@cd build/tsan && ctest -j$(JOBS) --output-on-failure -L "ostrel|handover|cli"

# The fuzz targets need clang's libFuzzer: packages clang-14 and libclang-rt-14-dev.
FUZZ_RUNTIME = $(shell clang++-14 -print-resource-dir 2>/dev/null)/lib/linux/libclang_rt.fuzzer-x86_64.a

build-fuzz:
	@CC=clang-14 CXX=clang++-14 cmake -S . -B build/fuzz $(CMAKE_QUIET) -DCMAKE_BUILD_TYPE=Debug -DTARVEX_FUZZ=ON -DTARVEX_WERROR=ON
	@cmake --build build/fuzz -j$(JOBS)

test-fuzz:
	@if ! command -v clang++-14 >/dev/null || [ ! -f "$(FUZZ_RUNTIME)" ]; then \
		echo "test-fuzz: SKIPPED: clang++-14 with libFuzzer is not installed (scripts/install-deps installs clang-14 and libclang-rt-14-dev)"; \
	else \
		$(MAKE) build-fuzz && cd build/fuzz && { ctest -L fuzz -j2 --output-on-failure; status=$$?; \
		grep -h "executions in" Testing/Temporary/LastTest.log; exit $$status; }; \
	fi

package: deps
	@JOBS=$(JOBS) scripts/build-package build/pkg

test-package:
	@JOBS=$(JOBS) scripts/test-package build/pkg

format:
	@git ls-files '*.cpp' '*.h' '*.c' | xargs clang-format -i
