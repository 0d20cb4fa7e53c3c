#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs each for a bounded time on a
# scratch copy of its seed corpus. Fails when any target finds a crash, leak, time-out or OOM.
#
#   FUZZ_SECONDS   seconds per target (default 60)
#   FUZZ_TARGETS   space-separated target names (default: every target)
#   FUZZ_BUILD     build directory (default build-fuzz)
#   FUZZ_CORPUS    directory that keeps the grown corpora between runs (default: a scratch copy)
set -euo pipefail

cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${FUZZ_SECONDS:-60}
build=${FUZZ_BUILD:-build-fuzz}
all_targets=(fuzz_text_ops fuzz_base64 fuzz_regex fuzz_extraction fuzz_http_headers fuzz_conversions)
read -r -a targets <<<"${FUZZ_TARGETS:-${all_targets[*]}}"

bash scripts/install-deps.sh

if [[ ! -f "$build/CMakeCache.txt" ]]; then
  CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKF_FUZZ=ON \
    -DKF_WITH_QT=OFF -DKF_BUILD_TESTS=OFF -DKF_BUILD_BENCH=OFF >/dev/null
fi
cmake --build "$build" -j"${JOBS:-2}" --target "${targets[@]}"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export ASAN_OPTIONS=${ASAN_OPTIONS:-halt_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}

failed=()
printf '%-20s %8s %12s %10s  %s\n' target seconds executions corpus result
for target in "${targets[@]}"; do
  binary="$build/fuzz/$target"
  artifacts="$root/$build/fuzz-artifacts/$target"
  mkdir -p "$artifacts"
  if [[ -n "${FUZZ_CORPUS:-}" ]]; then
    corpus="$FUZZ_CORPUS/$target"
    mkdir -p "$corpus"
  else
    corpus="$scratch/$target"
    mkdir -p "$corpus"
  fi
  cp -n "fuzz/corpus/$target"/* "$corpus"/ 2>/dev/null || true
  log="$artifacts/last-run.log"
  before=$(find "$artifacts" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' \
    -o -name 'oom-*' \) | sort)
  status=0
  started=$(date +%s)
  "$binary" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$artifacts/" "$corpus" >"$log" 2>&1 || status=$?
  after=$(find "$artifacts" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' \
    -o -name 'oom-*' \) | sort)
  found=$(comm -13 <(echo "$before") <(echo "$after") | sed '/^$/d')
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  # A run that stopped at a finding prints no final statistics: take its last progress line.
  [[ -n "$runs" ]] || runs=$(sed -n 's/^#\([0-9][0-9]*\).*/\1/p' "$log" | tail -1)
  elapsed=$(($(date +%s) - started))
  files=$(find "$corpus" -type f | wc -l)
  if [[ $status -ne 0 || -n "$found" ]]; then
    printf '%-20s %8s %12s %10s  %s\n' "$target" "$elapsed" "${runs:-?}" "$files" "FOUND (log: $log)"
    for artifact in $found; do
      echo "    artifact: $artifact"
    done
    grep -m3 -E 'ERROR: |runtime error|invariant broken' "$log" | sed 's/^/    /' || true
    failed+=("$target")
  else
    printf '%-20s %8s %12s %10s  %s\n' "$target" "$elapsed" "${runs:-?}" "$files" ok
  fi
done

if ((${#failed[@]} > 0)); then
  echo "Fuzzing found problems in: ${failed[*]}" >&2
  exit 1
fi
echo "Fuzzing found nothing new."
