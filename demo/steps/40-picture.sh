#!/usr/bin/env bash
# The Excel watermark picture: installs the reference agent (Run value, watermark.bmp), runs it
# with the sample policy extended to protect render_excel.exe, and lets that program do what
# the Excel add-in does on connecting: decide the watermark and make the picture. The picture
# is left as out/watermark-excel.jpg.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/lib.sh"
source "$here/agent.sh"
trap stop_agent EXIT

agent_dir=$OUT/picture-agent
policy=$OUT/picture.policy
picture=$OUT/watermark-excel.jpg
rm -f "$picture"

say "installing the reference agent in $agent_dir (Run value TavRegedit, watermark.bmp)"
kal_wine "$BIN/TavRegedit.exe" install "$(winpath "$agent_dir")"
ls -l "$agent_dir/watermark.bmp"

say "sample policy, with render_excel.exe protected like EXCEL.EXE"
{ cat "$here/policy/sample.policy"; printf '\n[processes]\nprotect = render_excel.exe readonly=0 print=0\n'; } >"$policy"
start_agent "$policy" "$OUT/picture-agent.log"

say "render_excel.exe (through the agent's launcher): IsHasWatermark, then MakeWaterMarkPic"
kal_launch "$BIN/render_excel.exe" --copy-to "$(winpath "$picture")" 2>&1 | tr -d '\r' | tee "$OUT/picture.txt"
stop_agent

say "summary"
check "the launched process had its record" yes "$(grep -q '(records: protect)' "$OUT/picture.txt" && echo yes || echo no)"
check "watermark decided in render_excel.exe" result=1 "$(grep -o '^result=[01]' "$OUT/picture.txt" | head -1)"
check "picture written as JPEG" JPEG "$(head -c 3 "$picture" 2>/dev/null | od -An -tx1 | tr -d ' \n' | sed 's/^ffd8ff$/JPEG/')"
echo "  Excel watermark picture: $picture ($(stat -c %s "$picture" 2>/dev/null || echo 0) bytes)"
