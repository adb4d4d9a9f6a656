#!/usr/bin/env bash
# Builds and tests everything: the Linux program with its unit and end-to-end tests, the same
# suite under AddressSanitizer and UndefinedBehaviorSanitizer, and the 32-bit Windows program
# under Wine when the cross-compiler is installed.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-2}
start=$(date +%s)

echo "== Linux build and tests"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

# Linux DVB smoke test: the kernel's virtual DVB driver under qemu (skips itself outside CI
# when its packages are missing).
if [ -x scripts/test-vidtv.sh ]; then
  echo "== Linux DVB smoke test against vidtv under qemu"
  scripts/test-vidtv.sh
fi

if [ -x scripts/test-sanitizers.sh ]; then
  echo "== Sanitizer build and tests"
  scripts/test-sanitizers.sh
fi

if [ -x scripts/test-windows.sh ]; then
  if command -v i686-w64-mingw32-g++ >/dev/null && command -v wine >/dev/null; then
    echo "== Windows build and tests under Wine"
    scripts/test-windows.sh
  elif [ "${CI:-}" = true ]; then
    echo "the Windows cross-compiler or Wine is missing" >&2
    exit 1
  else
    echo "== Windows build skipped: i686-w64-mingw32-g++ or wine not installed"
  fi
fi
if [ -x scripts/run-fuzz.sh ]; then
  if command -v clang++ >/dev/null; then
    echo "== Fuzz targets, ${FUZZ_SECONDS:-60} s each"
    scripts/run-fuzz.sh "${FUZZ_SECONDS:-60}"
  elif [ "${CI:-}" = true ]; then
    echo "clang is missing: the fuzz targets cannot be built" >&2
    exit 1
  else
    echo "== Fuzz targets skipped: clang++ not installed"
  fi
fi
echo "== all tests passed in $(( $(date +%s) - start )) s"
