#!/usr/bin/env bash
# Installs what is missing (the run profile only), builds Veltrano in
# build-run/ and starts it.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/build-run.sh veltrano
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run.sh: Veltrano is a desktop program and needs a display (DISPLAY or WAYLAND_DISPLAY is not set)." >&2
  echo "        Start it from a desktop session, or under Xvfb: xvfb-run -a ./run.sh" >&2
  exit 1
fi
exec build-run/bin/veltrano "$@"
