#!/usr/bin/env bash
# The agent exchange: start the reference agent with a sample policy, read the sections back
# through the accessor, hand the running agent a new policy, stop it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/lib.sh"
source "$here/agent.sh"
trap stop_agent EXIT

say "without an agent the accessor reports its defaults"
kal_wine "$BIN/TavRegedit.exe" show | tee "$OUT/exchange-absent.txt"

say "starting the reference agent with demo/policy/sample.policy"
start_agent "$here/policy/sample.policy" "$OUT/exchange-agent.log"
echo "agent job pid $AGENT_PID"
kal_wine "$BIN/TavRegedit.exe" show | tee "$OUT/exchange-sample.txt"

say "handing the running agent demo/policy/readonly.policy"
kal_wine "$BIN/TavRegedit.exe" set "$(winpath "$here/policy/readonly.policy")"
kal_wine "$BIN/TavRegedit.exe" show | tee "$OUT/exchange-readonly.txt"

say "stopping the agent"
stop_agent
kal_wine "$BIN/TavRegedit.exe" show >"$OUT/exchange-stopped.txt"
head -1 "$OUT/exchange-stopped.txt"
has() { grep -q "$1" "$2" && echo yes || echo no; }
say "summary"
check "sections present while the agent runs" yes "$(has "agent sections: present" "$OUT/exchange-sample.txt")"
check "new policy's watermark text read back" yes "$(has "watermark.text=Read only" "$OUT/exchange-readonly.txt")"
check "new policy's read-only record for pid 4321" yes \
  "$(has "pid 4321 infoId 4321 readOnly=1 print=0" "$OUT/exchange-readonly.txt")"
check "sections gone once the agent stopped" yes "$(has "agent sections: absent" "$OUT/exchange-stopped.txt")"
