#!/usr/bin/env bash
# Builds the benchmark programs, runs them all and prints one table: every figure beside its
# baseline measured in the same run. Usage: bash bench/run.sh [build dir]   (about 3 minutes)
# KF_BENCH_KEEP=<folder> keeps the raw JSON results; KF_BENCH_MIN_TIME, KF_BENCH_REPETITIONS and
# KF_BENCH_STARTS trade time for steadier figures.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-build-bench}
[[ "$build" = /* ]] || build="$PWD/$build"
min_time=${KF_BENCH_MIN_TIME:-0.3}
repetitions=${KF_BENCH_REPETITIONS:-3}
starts=${KF_BENCH_STARTS:-5}

say() { echo "bench: $*" >&2; }
load_before=$(cut -d' ' -f1-3 /proc/loadavg)

if [[ ! -f "$build/CMakeCache.txt" ]]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt")
with_qt=$(sed -n 's/^KF_WITH_QT:[A-Z]*=//p' "$build/CMakeCache.txt")
targets=(kf_text_bench kf_http_bench kf_extraction_bench search_bench kf_engine_simulator)
if [[ "$with_qt" == ON ]]; then
  targets+=(kestrelfind kf_minimal_window)
fi
say "building ${targets[*]}"
cmake --build "$build" -j2 --target "${targets[@]}" >/dev/null

work=$(mktemp -d)
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT

# One Google Benchmark program: the median of a few repetitions, as JSON.
run_benchmark() {
  local name=$1 program=$2
  shift 2
  say "running $name"
  "$program" --benchmark_min_time="$min_time" --benchmark_repetitions="$repetitions" \
    --benchmark_report_aggregates_only=true --benchmark_out="$work/$name.json" \
    --benchmark_out_format=json "$@" >/dev/null 2>"$work/$name.log" || {
    say "$name failed:"
    tail -n 20 "$work/$name.log" >&2
  }
}

run_benchmark extraction "$build/bench/extraction/kf_extraction_bench"
run_benchmark text "$build/bench/text/kf_text_bench"
run_benchmark http "$build/bench/http/kf_http_bench"
run_benchmark search "$build/bench/search/search_bench"

if [[ "$with_qt" == ON ]]; then
  # One X server for every start; no window manager, so a window is viewable once it is mapped.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3> "$work/display" >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do
    [[ -s "$work/display" ]] && break
    sleep 0.05
  done
  export DISPLAY=":$(head -n1 "$work/display")"
  unset WAYLAND_DISPLAY

  # The version page and the home page come from the simulator on loopback, and the home page
  # that every start opens goes to an xdg-open that does nothing, so no browser starts.
  "$build/tools/simulator/kf_engine_simulator" > "$work/simulator.port" 2>/dev/null &
  pids+=($!)
  for _ in $(seq 100); do
    [[ -s "$work/simulator.port" ]] && break
    sleep 0.05
  done
  port=$(head -n1 "$work/simulator.port")
  mkdir -p "$work/bin"
  printf '#!/bin/sh\nexit 0\n' > "$work/bin/xdg-open"
  chmod +x "$work/bin/xdg-open"
  export PATH="$work/bin:$PATH"
  export KESTRELFIND_VERSION_URL="http://127.0.0.1:$port/version.html"
  export KESTRELFIND_HOME_URL="http://127.0.0.1:$port/"

  say "starting kf_minimal_window and kestrelfind $starts times each"
  python3 "$root/bench/startup.py" --name minimal --title "Minimal window" --runs "$starts" \
    -- "$build/bench/startup/kf_minimal_window" > "$work/startup_minimal.json" || true
  python3 "$root/bench/startup.py" --name program --title Kestrelfind --runs "$starts" \
    -- "$build/src/app/kestrelfind" > "$work/startup_program.json" || true
fi

echo "machine: $(nproc) cores, $(lscpu | sed -n 's/^Model name: *//p' | head -n1)," \
  "$(free -g | awk '/^Mem:/ {print $2}') GB RAM, Linux $(uname -r)"
echo "run: $(date -u '+%Y-%m-%d %H:%M UTC'), build $build_type, load average $load_before before, $(cut -d' ' -f1-3 /proc/loadavg) after"
echo
status=0
table_options=()
if [[ "$with_qt" != ON ]]; then
  table_options+=(--no-startup)
  say "built without Qt: no start-up rows"
fi
python3 "$root/bench/table.py" "${table_options[@]}" "$work" || status=$?
if [[ -n "${KF_BENCH_KEEP:-}" ]]; then
  mkdir -p "$KF_BENCH_KEEP"
  cp "$work"/*.json "$work"/*.log "$KF_BENCH_KEEP"/ 2>/dev/null || true
fi
exit "$status"
