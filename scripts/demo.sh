#!/usr/bin/env bash
# Sets up, builds, and converts the bundled example to output.htm.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh build
build/app/tintext /in=Examples/asp-ex1.asp /out=output.htm /overwrite=1 /showoutput=0
echo "Wrote output.htm"
