#!/usr/bin/env bash
# make demo: build the demo and run it. Without a display it renders offscreen,
# saves demo/screenshots/demo.png and exits.
set -euo pipefail
cd "$(dirname "$0")/.."

JOBS=${JOBS:-2}
BUILD_DIR=${BUILD_DIR:-build}
BUILD_TYPE=${BUILD_TYPE:-Debug}

cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE="$BUILD_TYPE" >/dev/null
cmake --build "$BUILD_DIR" -j"$JOBS" --target zdbdemo

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  export QT_QPA_PLATFORM=offscreen
  echo "No display: rendering offscreen into demo/screenshots/demo.png"
fi
exec "$BUILD_DIR/demo/zdbdemo" "$@"
