#!/usr/bin/env bash
# Starts Kestrelfind, or says in one line why it cannot.
set -u
# With --check-display it only checks, so that `make run` says so before it builds.
program=$1
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]]; then
  echo "kestrelfind: no display (DISPLAY is not set); run it on a desktop, or try: xvfb-run -a make run" >&2
  exit 1
fi
[[ "$program" == --check-display ]] && exit 0
exec "$program"
