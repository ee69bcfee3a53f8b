#!/usr/bin/env bash
# End-to-end demo: runs every step under demo/steps in order, each to its end even when an
# earlier one failed, then prints one closing table of every check (step, what was expected,
# what came out, ok or FAILED) and exits non-zero when any check or step failed. Results go to
# out/.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
export KAL_DEMO_RESULTS=$OUT/demo-results.tsv
: >"$KAL_DEMO_RESULTS"
for step in "$here"/steps/*.sh; do
  [ -e "$step" ] || continue
  name=$(basename "$step" .sh)
  echo
  echo "################ $name"
  KAL_DEMO_STEP=$name bash "$step"
  rc=$?
  status=ok
  [ "$rc" -eq 0 ] || status=FAILED
  printf '%s\t%s\t%s\t%s\t%s\n' "$name" "the step ran to its end" "exit 0" "exit $rc" "$status" >>"$KAL_DEMO_RESULTS"
done
echo
echo "################ results (also in $KAL_DEMO_RESULTS)"
awk -F'\t' '
  BEGIN { printf "%-14s %-58s %-18s %-18s %s\n", "step", "check", "expected", "got", "result" }
  { printf "%-14s %-58s %-18s %-18s %s\n", $1, substr($2, 1, 58), $3, $4, $5; n++; if ($5 != "ok") bad++ }
  END { printf "\n%d checks, %d failed\n", n, bad }' "$KAL_DEMO_RESULTS"
if grep -q $'\tFAILED$' "$KAL_DEMO_RESULTS"; then
  echo "demo FAILED; results are under out/"
  exit 1
fi
echo "demo finished; results are under out/"
