#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# in build-fuzz and runs each from its seed corpus for a bounded time, one process on one core.
# Any crash, leak, timeout or broken property fails the run; the input that did it is left in
# build-fuzz/artifacts/<target>/.
#   scripts/run-fuzz.sh [seconds per target, default 60] [target ...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(ini_reader program_ini consolidate writers)
build=${FUZZ_BUILD_DIR:-build-fuzz}
jobs=${JOBS:-2}

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DVEXTRAL_FUZZ=ON -DVEXTRAL_TESTS=OFF \
  -DVEXTRAL_BENCHMARKS=OFF >/dev/null
cmake --build "$build" -j"$jobs" --target $(printf '%s_fuzz ' "${targets[@]}")

# The INI targets write their input to a file each run: keep it in memory where there is room.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

status=0
for target in "${targets[@]}"; do
  corpus="$build/corpus/$target"    # grows as the fuzzer learns; the seeds stay untouched
  artifacts="$build/artifacts/$target/"
  mkdir -p "$corpus" "$artifacts"
  dict=()
  [ -f "fuzz/$target.dict" ] && dict=(-dict="fuzz/$target.dict")
  log="$build/$target.log"
  echo "== $target for ${seconds} s"
  if "$build/fuzz/${target}_fuzz" "$corpus" "fuzz/corpus/$target" "${dict[@]}" \
      -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
      -artifact_prefix="$artifacts" -print_final_stats=1 >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "   $runs executions, no finding"
  else
    echo "   FINDING in $target (input kept in $artifacts):" >&2
    grep -E 'ERROR|runtime error|property failed|SUMMARY|Test unit written' "$log" >&2 || tail -30 "$log" >&2
    status=1
  fi
done
exit $status
