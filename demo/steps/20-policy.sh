#!/usr/bin/env bash
# The watermark decision per process: with the reference agent publishing a policy, the probe
# runs under the names of the Office applications (and two that are not) and prints its
# decision and the cached policy; then another process holds the exemption mutex of a Word
# process, which turns the decision off while it is held and back on once released.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/lib.sh"
source "$here/agent.sh"
trap stop_agent EXIT

work=$OUT/policy
rm -rf "$work"
mkdir -p "$work"
for name in WINWORD.EXE EXCEL.EXE POWERPNT.EXE my_winword.exe_copy.exe notepad2.exe holder.exe; do
  cp "$BIN/policy_probe.exe" "$work/$name"
done

# A policy without per-process records: the screen-protection list alone decides, so the
# outcome does not depend on when the agent's process scan runs. Excel is not listed.
cat >"$work/demo.policy" <<'POLICY'
[user]
name = alice
extra = Finance
employeeId = E-1001

[watermark]
readWatermark = 1
tavFileWatermark = 1
smartFileWatermark = 1
horizontal = 0
text = Confidential
font = Arial
fontSize = 40
color = 0,128,255
transparency = 96

[screen]
protectScreen =  WinWord.EXE |POWERPNT.EXE|| my_winword.exe_copy.exe
POLICY

say "no agent: every process decides against a watermark"
kal_wine "$work/WINWORD.EXE" decide | tee "$work/no-agent.txt"

say "agent running with $work/demo.policy"
start_agent "$work/demo.policy" "$work/agent.log"
for name in WINWORD.EXE EXCEL.EXE POWERPNT.EXE my_winword.exe_copy.exe notepad2.exe; do
  printf '%-24s ' "$name"
  kal_wine "$work/$name" decide | tee "$work/decide-$name.txt"
done

say "exemption mutex held by another process for one Word process"
rm -f "$work"/step-*
w=$(winpath "$work")
kal_wine "$work/WINWORD.EXE" pid + decide + touch "$w\\step-a" + waitfor "$w\\step-b" + mutex \
  + decide + touch "$w\\step-c" + waitfor "$w\\step-d" + mutex + decide >"$work/exempt-word.txt" &
word_job=$!
for i in $(seq 1 600); do [ -e "$work/step-a" ] && break; sleep 0.1; done
word_pid=$(sed -n 's/^pid=//p' "$work/exempt-word.txt" | tr -d '\r')
echo "Word probe pid $word_pid; holder takes Global\\LumicODS_WINWORD.EXE_$word_pid"
kal_wine "$work/holder.exe" holdfor WINWORD.EXE "$word_pid" + touch "$w\\step-b" \
  + waitfor "$w\\step-c" + release + touch "$w\\step-d" >"$work/exempt-holder.txt"
wait "$word_job"
cat "$work/exempt-word.txt"

stop_agent
decision() { grep -o '^decide=[01]' "$1" | head -1; }
say "summary"
check "no agent: WINWORD.EXE" decide=0 "$(decision "$work/no-agent.txt")"
for expect in WINWORD.EXE:1 EXCEL.EXE:0 POWERPNT.EXE:1 my_winword.exe_copy.exe:1 notepad2.exe:0; do
  check "agent: ${expect%%:*}" "decide=${expect#*:}" "$(decision "$work/decide-${expect%%:*}.txt")"
done
check "WINWORD.EXE takes the policy's appearance" yes "$(grep -q \
  "^decide=1 .*color=0xFF8000 size=40 transparency=96 slanted=1 font=Arial" \
  "$work/decide-WINWORD.EXE.txt" && echo yes || echo no)"
check "decisions before, while and after the mutex is held" "decide=1,decide=0,decide=1" \
  "$(grep '^decide=' "$work/exempt-word.txt" | cut -d' ' -f1 | tr -d '\r' | paste -sd,)"
check "mutex test while held, after release" "mutex=1,mutex=0" \
  "$(grep '^mutex=' "$work/exempt-word.txt" | tr -d '\r' | paste -sd,)"
