#!/usr/bin/env bash
# End-to-end demo: runs every step under demo/steps in order; results go to out/.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
for step in "$here"/steps/*.sh; do
  [ -e "$step" ] || continue
  echo
  echo "################ $(basename "$step" .sh)"
  bash "$step"
done
echo
echo "demo finished; results are under out/"
