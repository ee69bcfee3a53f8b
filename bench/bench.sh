#!/usr/bin/env bash
# Runs every benchmark executable (bench_*.exe) under Wine; each prints its own ratios.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KAL_BUILD_DIR:-$root/build}
bin=$build/bin
# A prefix of their own: tests running meanwhile in the build's prefix share its machine-wide
# names (the exchange section) and HKLM values (the agent's Run value, COM registrations), which
# would change what the benchmarks measure and what those tests see.
export WINEPREFIX=${WINEPREFIX:-$build/bench-wineprefix}
rc=0
for exe in "$bin"/bench_*.exe; do
  [ -e "$exe" ] || continue
  echo "################ $(basename "$exe" .exe)"
  "$root/cmake/wine-run.sh" "$exe" || rc=1
done
exit $rc
