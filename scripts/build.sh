#!/usr/bin/env bash
# Configures and builds Tintext. Usage: scripts/build.sh [build-folder] [extra cmake arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
shift || true
cmake -S . -B "$build" -G Ninja "$@" > /dev/null
cmake --build "$build" -j "$(nproc)"
