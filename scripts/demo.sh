#!/usr/bin/env bash
# Offline demo: starts the engine simulator on 127.0.0.1 and Kestrelfind pointed at it.
set -u
build=${1:-build}
program=$build/src/app/kestrelfind
simulator=$build/tools/simulator/kf_engine_simulator

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]]; then
  echo "kestrelfind demo: no display (DISPLAY is not set); run it on a desktop, or try: xvfb-run -a make demo" >&2
  exit 1
fi
for file in "$program" "$simulator"; do
  if [[ ! -x "$file" ]]; then
    echo "kestrelfind demo: $file is missing; build first (make build)" >&2
    exit 1
  fi
done

portfile=$(mktemp)
"$simulator" --port 0 >"$portfile" &
simulator_pid=$!
trap 'kill "$simulator_pid" 2>/dev/null; wait "$simulator_pid" 2>/dev/null; rm -f "$portfile"' EXIT

port=
for _ in $(seq 50); do
  port=$(head -n 1 "$portfile")
  [[ -n "$port" ]] && break
  kill -0 "$simulator_pid" 2>/dev/null || break
  sleep 0.1
done
if [[ -z "$port" ]]; then
  echo "kestrelfind demo: the engine simulator did not start" >&2
  exit 1
fi

base=http://127.0.0.1:$port
echo "kestrelfind demo: engine simulator at $base; pick a site, type any keyword (\"none\" finds nothing)"
KESTRELFIND_ENGINE_URL=$base \
KESTRELFIND_VERSION_URL=$base/version.html \
KESTRELFIND_HOME_URL=$base/ \
  "$program"
