#!/usr/bin/env bash
# Runs every benchmark executable (bench_*.exe) under Wine; each prints its own ratios.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${KAL_BUILD_DIR:-$root/build}/bin
rc=0
for exe in "$bin"/bench_*.exe; do
  [ -e "$exe" ] || continue
  echo "################ $(basename "$exe" .exe)"
  "$root/cmake/wine-run.sh" "$exe" || rc=1
done
exit $rc
