#!/usr/bin/env bash
# Offline removal: the add-in stamps documents in the simulated Office and saves them; then
# kaldelwm.exe, through KalMsAddin.dll's OfficeDeleteWaterMarkW, opens each file in a hidden
# instance started by COM (winword.exe registered as "Word.Application"), deletes the marks and
# saves; the same for an Excel workbook whose worksheet backgrounds excel.exe stamped (Excel is
# quit, told WM_QUIT and SC_CLOSE, and ended for certain); and for a presentation whose slide
# master powerpnt.exe stamped. Files and logs are left under
# out/removal/.
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

say "registering KalMsAddin.dll, winword.exe and excel.exe as local servers, starting the agent"
kal_wine "$BIN/TavRegedit.exe" install "$(winpath "$rd/agent")" >/dev/null  # the Excel picture's canvas
kal_wine regsvr32 /s "$(winpath "$BIN/KalMsAddin.dll")"
kal_wine "$BIN/winword.exe" /regserver
kal_wine "$BIN/excel.exe" /regserver
kal_wine "$BIN/powerpnt.exe" /regserver
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
protect = EXCEL.EXE readonly=0 print=1
protect = POWERPNT.EXE readonly=0 print=1
POLICY
start_agent "$rd/watermark.policy" "$rd/agent.log"

say "Word: stamping sim/samples/word-report.json and saving it as report.docx"
cp "$root/sim/samples/word-report.json" "$rd/report.docx"
printf 'save\n' >"$rd/save.txt"
office "Word stamping" "$BIN/winword.exe" "$(winpath "$rd/report.docx")" /script "$(winpath "$rd/save.txt")" \
  /log "$(winpath "$rd/winword-stamp.log")" >/dev/null
echo "  header shapes after stamping: $(header_shapes "$rd/report.docx")"
stamped=$(grep -c '"PowerPlusWaterMarkObject4B414C0' "$rd/report.docx" || true)

say "Word: kaldelwm.exe 1 report.docx"
KALSIM_LOG=$(winpath "$rd/winword-removal.log")
export KALSIM_LOG
set +e
code=$(kal_wine "$BIN/kaldelwm.exe" 1 "$(winpath "$rd/report.docx")" | tr -d '\r')
set -e
unset KALSIM_LOG
echo "  result code: $code"
echo "  header shapes after removal: $(header_shapes "$rd/report.docx")"
left=$(grep -c '"PowerPlusWaterMarkObject4B414C0' "$rd/report.docx" || true)
echo "  the hidden Word was started as: winword.exe$(grep -o 'host command line .*' "$rd/winword-removal.log" | head -1 | sed 's/.*winword.exe"*//')"

say "Excel: stamping a three-sheet workbook and saving it as budget.xlsx"
cat >"$rd/budget.xlsx" <<'BOOK'
{"name": "budget.xlsx", "sheets": [{"name": "Summary"}, {"name": "Q1"}, {"name": "Q2"}]}
BOOK
printf 'wait 1500\nsheet Q1\nsheet Q2\nsave\n' >"$rd/excel.txt"
office "Excel stamping" "$BIN/excel.exe" "$(winpath "$rd/budget.xlsx")" /script "$(winpath "$rd/excel.txt")" \
  /log "$(winpath "$rd/excel-stamp.log")" >/dev/null
backgrounds() { grep -o '"background": "[^"]*"' "$1" | grep -vc '"background": ""' || true; }
xstamped=$(backgrounds "$rd/budget.xlsx")
echo "  worksheets with a background after stamping: $xstamped"

say "Excel: kaldelwm.exe 2 budget.xlsx"
KALSIM_LOG=$(winpath "$rd/excel-removal.log")
export KALSIM_LOG
set +e
xcode=$(kal_wine "$BIN/kaldelwm.exe" 2 "$(winpath "$rd/budget.xlsx")" | tr -d '\r')
set -e
unset KALSIM_LOG
xleft=$(backgrounds "$rd/budget.xlsx")
echo "  result code: $xcode"
echo "  worksheets with a background after removal: $xleft"

say "PowerPoint: stamping sim/samples/deck.pptx and saving it as deck.pptx"
cp "$root/sim/samples/deck.pptx" "$rd/deck.pptx"
office "PowerPoint stamping" "$BIN/powerpnt.exe" "$(winpath "$rd/deck.pptx")" /script "$(winpath "$rd/save.txt")" \
  /log "$(winpath "$rd/powerpnt-stamp.log")" >/dev/null
marks() { grep -c '"PowerPnt_TextWatermark1"\|"Watermark1"\|"KAL_TextWatermark"' "$1" || true; }
pstamped=$(marks "$rd/deck.pptx")
echo "  master marks after stamping: $pstamped"

say "PowerPoint: kaldelwm.exe 3 deck.pptx"
KALSIM_LOG=$(winpath "$rd/powerpnt-removal.log")
export KALSIM_LOG
set +e
pcode=$(kal_wine "$BIN/kaldelwm.exe" 3 "$(winpath "$rd/deck.pptx")" | tr -d '\r')
set -e
unset KALSIM_LOG
pleft=$(marks "$rd/deck.pptx")
echo "  result code: $pcode"
echo "  master marks after removal: $pleft"

say "summary"
check "Word marks stamped before the removal" 3 "$stamped"
check "Word: kaldelwm result code" 0 "$code"
check "Word marks left after the removal" 0 "$left"
check "Excel backgrounds stamped before the removal" yes "$([ "${xstamped:-0}" -gt 0 ] && echo yes || echo no)"
check "Excel: kaldelwm result code" 0 "$xcode"
check "Excel backgrounds left after the removal" 0 "$xleft"
check "PowerPoint marks stamped before the removal" yes "$([ "${pstamped:-0}" -gt 0 ] && echo yes || echo no)"
check "PowerPoint: kaldelwm result code" 0 "$pcode"
check "PowerPoint marks left after the removal" 0 "$pleft"
kal_wine "$BIN/winword.exe" /unregserver
kal_wine "$BIN/excel.exe" /unregserver
kal_wine "$BIN/powerpnt.exe" /unregserver
