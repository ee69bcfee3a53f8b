#!/usr/bin/env bash
# The Word add-in in the simulated Word: a three-section report is stamped (one mark per
# section in the shared header, the user's own WordArt replaced, the logo kept); a user drags
# the mark in the header view and the 5-second check puts it back; a read-only document ends
# protected for comments only. JSON state dumps are left under out/.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/lib.sh"
source "$here/agent.sh"
trap stop_agent EXIT

samples=$root/sim/samples
wd=$OUT/word
mkdir -p "$wd"
# Marks of the first header in a dump: name, left, top, colour (the dump is pretty-printed).
marks() {
  tr -d ' ,' <"$1" | awk -F: '
    /^"name"/ {name=$2} /^"left"/ {left=$2} /^"top"/ {top=$2; if (name ~ /PowerPlus|WordArt|logo/) print "    " name "  left=" left " top=" top}' | head -8
}

say "registering KalMsAddin.dll and starting the reference agent (watermark for WINWORD.EXE)"
start_office_agent WINWORD.EXE 1 "$wd"

say "opening sim/samples/word-report.json (3 sections, linked headers, a user WordArt and a logo)"
cat >"$wd/drag.txt" <<SCRIPT
dump $(winpath "$wd/1-stamped.json")
header open 1
shape move 1 3 40 -25
dump $(winpath "$wd/2-dragged.json")
ticks 1
dump $(winpath "$wd/3-repaired.json")
ribbon WatermarkRemove
SCRIPT
office "Word report" "$BIN/winword.exe" "$(winpath "$samples/word-report.json")" /script "$(winpath "$wd/drag.txt")" \
  /dump "$(winpath "$wd/4-final.json")" /log "$(winpath "$wd/winword-report.log")"
echo "  stamped:";  marks "$wd/1-stamped.json"
echo "  after the user dragged a mark in the header view:"; marks "$wd/2-dragged.json"
echo "  at the next timer tick:"; marks "$wd/3-repaired.json"
echo "  document still saved: $(field "$wd/1-stamped.json" saved)"
echo "  ribbon WatermarkRemove: $(grep -o 'refused: command disabled' "$wd/4-final.json" | head -1)"

say "a read-only document: the agent marks WINWORD.EXE read-only"
office_readonly WINWORD.EXE 1 "$wd"
cat >"$wd/type.txt" <<SCRIPT
ticks 1
type The user tries to edit.
dump $(winpath "$wd/5-readonly.json")
SCRIPT
office "Word read-only" "$BIN/winword.exe" "$(winpath "$samples/word-readonly.json")" /script "$(winpath "$wd/type.txt")" \
  /log "$(winpath "$wd/winword-readonly.log")"
ptype=$(awk '/"protection"/ {p=1} p && /"type"/ {gsub(/[ ,]/, ""); split($0, a, ":"); print a[2]; exit}' "$wd/5-readonly.json")
echo "  protection type: $ptype (1 = comments only, 32-digit throw-away password not shown)"
echo "  user typing: $(grep -o 'refused: [^"]*' "$wd/5-readonly.json" | head -1)"

say "summary"
check "marks stamped in the shared header" 3 "$(grep -c '"name": "PowerPlusWaterMarkObject4B414C0' "$wd/1-stamped.json" 2>/dev/null)"
check "user WordArt 2 removed, company logo kept" yes \
  "$(! grep -q '"WordArt 2"' "$wd/1-stamped.json" && grep -q '"Company logo"' "$wd/1-stamped.json" && echo yes || echo no)"
check "marks back at the centre after the drag" 3 "$(marks "$wd/3-repaired.json" | grep -c 'left=-999995')"
check "ribbon WatermarkRemove refused" yes "$(grep -q 'refused: command disabled' "$wd/4-final.json" && echo yes || echo no)"
check "read-only document: protection type (1 = comments)" 1 "$ptype"
printf '  JSON results: %s\n' "$wd"
