#!/usr/bin/env bash
# The Excel add-in in the simulated Excel: a budget workbook gets the watermark picture as the
# background of the sheet in view, and only that sheet keeps it while the user switches sheets;
# the ribbon's sheet background command is refused; a read-only workbook ends protected
# (structure and every worksheet, a throw-away password) and refuses the user's edits. The
# picture and the JSON state dumps are left under out/excel/.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/lib.sh"
source "$here/agent.sh"
trap stop_agent EXIT

samples=$root/sim/samples
xd=$OUT/excel
mkdir -p "$xd"
rm -f "$xd"/*.json "$xd"/*.jpg
# "sheet=background" pairs of the first workbook of a dump (pretty-printed JSON).
backgrounds() {
  tr -d ' ,' <"$1" | awk -F: '
    /^"sheets"/ {in_sheets=1} /^"background"/ {bg=($2 == "\"\"") ? "-" : "picture"}
    /^"name"/ && in_sheets {print "    " $2 ": " bg} /^"workbooks"/ {n++} ' | tr -d '"' | head -4
}
# The sheet that carries the picture, by name ("none" when no sheet does).
carrier() { tr -d ' ,"' <"$1" | awk -F: '/^background/ {bg=$2} /^name/ && bg != "" && !done {print $2; done=1} /^name/ {bg=""}' ; }
prefix_path() {  # Windows C:\... of the prefix to its Linux path
  local p=${1#C:}
  echo "$KAL_BUILD_DIR/wineprefix/drive_c${p//\\//}"
}

say "installing the reference agent (its base bitmap is the picture's canvas), registering KalMsAddin.dll"
kal_wine "$BIN/TavRegedit.exe" install "$(winpath "$xd/agent")" >/dev/null
start_office_agent EXCEL.EXE 1 "$xd"

say "opening sim/samples/excel-budget.json (Summary, Q1, Q2 and a chart sheet) and switching sheets"
cat >"$xd/switch.txt" <<SCRIPT
dump $(winpath "$xd/1-opened.json")
waitfor $(winpath "$xd/copied.flag")
sheet Q1
dump $(winpath "$xd/2-q1.json")
sheet Q2
dump $(winpath "$xd/3-q2.json")
sheet Trend
dump $(winpath "$xd/4-chart.json")
sheet Summary
sheet add
dump $(winpath "$xd/5-new-sheet.json")
ribbon SheetBackground
SCRIPT
rm -f "$xd/copied.flag"
kal_launch "$BIN/excel.exe" "$(winpath "$samples/excel-budget.json")" /script "$(winpath "$xd/switch.txt")" \
  /dump "$(winpath "$xd/6-final.json")" /log "$(winpath "$xd/excel-budget.log")" &
excel_pid=$!
# The add-in deletes its picture when Excel closes: keep a copy while Excel runs.
for i in $(seq 1 300); do [ -s "$xd/1-opened.json" ] && grep -q '"background": "C' "$xd/1-opened.json" && break; sleep 0.1; done
pic=$(grep -m1 -o '"background": "C[^"]*"' "$xd/1-opened.json" | cut -d'"' -f4 | sed 's#\\\\#\\#g' || true)
[ -n "$pic" ] && cp "$(prefix_path "$pic")" "$xd/watermark-excel.jpg" || true
touch "$xd/copied.flag"  # the script goes on
rc=0
wait "$excel_pid" || rc=$?
check "Excel budget: script steps in error" 0 "$rc"
for f in 1-opened 2-q1 3-q2 4-chart 5-new-sheet; do
  c=$(carrier "$xd/$f.json" | head -1)
  printf '  %-12s sheet carrying the picture: %s\n' "$f" "${c:-none (a chart sheet is in view)}"
done
echo "  picture: $xd/watermark-excel.jpg (Excel's copy, $pic, was deleted at exit: $([ -e "$(prefix_path "$pic")" ] && echo no || echo yes))"
echo "  ribbon SheetBackground: $(grep -o 'refused: command disabled' "$xd/6-final.json" | head -1)"

say "a read-only workbook: the agent marks EXCEL.EXE read-only"
office_readonly EXCEL.EXE 1 "$xd"
cat >"$xd/edit.txt" <<SCRIPT
ticks 1
edit B2 1000000
sheet add
dump $(winpath "$xd/7-readonly.json")
SCRIPT
office "Excel read-only" "$BIN/excel.exe" "$(winpath "$samples/excel-readonly.json")" /script "$(winpath "$xd/edit.txt")" \
  /log "$(winpath "$xd/excel-readonly.log")"
structure=$(awk '/"protection"/ {p=1} p && /"structure"/ {gsub(/[ ,]/, ""); split($0, a, ":"); print a[2]; exit}' "$xd/7-readonly.json")
protected_sheets=$(grep -c '"on": true' "$xd/7-readonly.json" || true)
echo "  workbook structure protected: $structure; worksheets protected: $protected_sheets of 2 (the chart sheet is no worksheet)"
echo "  workbook saved: $(field "$xd/7-readonly.json" saved) (no prompt on close); password kept only as a hash in the file"
echo "  user typing into B2: $(grep -o 'refused: The cell[^"]*' "$xd/7-readonly.json" | head -1 | cut -c1-70)..."
echo "  user adding a sheet: $(grep -o 'refused: Workbook is protected[^"]*' "$xd/7-readonly.json" | head -1)"

say "summary"
check "sheet carrying the picture when opened" Summary "$(carrier "$xd/1-opened.json" | head -1)"
check "... after switching to Q1" Q1 "$(carrier "$xd/2-q1.json" | head -1)"
check "... after switching to Q2" Q2 "$(carrier "$xd/3-q2.json" | head -1)"
check "picture copied while Excel ran" yes "$([ -s "$xd/watermark-excel.jpg" ] && echo yes || echo no)"
check "ribbon SheetBackground refused" yes "$(grep -q 'refused: command disabled' "$xd/6-final.json" && echo yes || echo no)"
check "read-only workbook: structure protected" true "$structure"
check "read-only workbook: worksheets protected" 2 "$protected_sheets"
printf '  JSON results and the picture: %s\n' "$xd"
