#!/usr/bin/env bash
# Offline removal: the add-in stamps documents in the simulated Office and saves them; then
# kaldelwm.exe, through KalMsAddin.dll's OfficeDeleteWaterMarkW, opens each file in a hidden
# instance started by COM (winword.exe registered as "Word.Application"), deletes the marks and
# saves. Excel and PowerPoint files follow once their hosts serve as local servers. Files and
# logs are left under out/removal/.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/lib.sh"
source "$here/agent.sh"
trap stop_agent EXIT

rd=$OUT/removal
rm -rf "$rd"
mkdir -p "$rd"
# Shape names in the first section's header of a saved document (pretty-printed JSON).
header_shapes() { grep -o '"name": "[^"]*"' "$1" | sed 's/"name": //' | grep -v 'docx"' | tr '\n' ' '; }

say "registering KalMsAddin.dll and winword.exe (\"Word.Application\"), starting the agent"
kal_wine regsvr32 /s "$(winpath "$BIN/KalMsAddin.dll")"
kal_wine "$BIN/winword.exe" /regserver
cat >"$rd/watermark.policy" <<POLICY
[user]
name = alice
employeeId = E-1001
[watermark]
readWatermark = 1
tavFileWatermark = 1
smartFileWatermark = 1
horizontal = 0
text = CONFIDENTIAL
fontSize = 40
color = 0,0,255
transparency = 128
showDate = 1
showUserName = 1
[processes]
protect = WINWORD.EXE readonly=0 print=1
POLICY
start_agent "$rd/watermark.policy" "$rd/agent.log"

say "Word: stamping sim/samples/word-report.json and saving it as report.docx"
cp "$root/sim/samples/word-report.json" "$rd/report.docx"
printf 'save\n' >"$rd/save.txt"
kal_wine "$BIN/winword.exe" "$(winpath "$rd/report.docx")" /script "$(winpath "$rd/save.txt")" \
  /log "$(winpath "$rd/winword-stamp.log")" >/dev/null
echo "  header shapes after stamping: $(header_shapes "$rd/report.docx")"
stamped=$(grep -c '"PowerPlusWaterMarkObject4B414C0' "$rd/report.docx" || true)

say "Word: kaldelwm.exe 1 report.docx"
export KALSIM_LOG
KALSIM_LOG=$(winpath "$rd/winword-removal.log")
set +e
code=$(kal_wine "$BIN/kaldelwm.exe" 1 "$(winpath "$rd/report.docx")" | tr -d '\r')
set -e
unset KALSIM_LOG
echo "  result code: $code"
echo "  header shapes after removal: $(header_shapes "$rd/report.docx")"
left=$(grep -c '"PowerPlusWaterMarkObject4B414C0' "$rd/report.docx" || true)
echo "  the hidden Word was started as: winword.exe$(grep -o 'host command line .*' "$rd/winword-removal.log" | head -1 | sed 's/.*winword.exe"*//')"

say "summary"
printf '  Word marks stamped: %s, left after removal: %s, result code %s\n' "$stamped" "$left" "$code"
kal_wine "$BIN/winword.exe" /unregserver
if [ "$stamped" -eq 0 ] || [ "$left" != 0 ] || [ "$code" != 0 ]; then
  echo "removal step FAILED" >&2
  exit 1
fi
echo "removal step done"
