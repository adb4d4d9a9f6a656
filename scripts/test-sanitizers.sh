#!/usr/bin/env bash
# The whole unit and end-to-end suite under AddressSanitizer and UndefinedBehaviorSanitizer,
# built with g++ in build-asan. Any finding (an overrun, a leak, undefined behaviour) fails it.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-2}
build=${BUILD_DIR:-build-asan}

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=g++ \
  -DCMAKE_C_COMPILER=gcc -DVEXTRAL_SANITIZE=ON -DVEXTRAL_BENCHMARKS=OFF >/dev/null
cmake --build "$build" -j"$jobs"

# A finding ends the process with its own exit code (86), which no case expects, and the
# sanitizer's report goes to stderr, which the end-to-end runner shows on failure.
export ASAN_OPTIONS=halt_on_error=1:abort_on_error=0:detect_leaks=1:exitcode=86:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1:exitcode=86
export LSAN_OPTIONS=exitcode=86
ctest --test-dir "$build" --output-on-failure -j"$jobs"
