#!/usr/bin/env bash
# The PowerPoint add-in in the simulated PowerPoint: opening a sample presentation replaces the
# old mark on its slide master with the policy's WordArt, a new slide keeps exactly one, and
# the Slide Master command is refused; then a read-only presentation: the add-in's hooks
# swallow clicks and keys aimed at editing (sent as real input), while Find keeps working.
# JSON state dumps are left under out/powerpoint/.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/lib.sh"
source "$here/agent.sh"
trap stop_agent EXIT

samples=$root/sim/samples
pd=$OUT/powerpoint
mkdir -p "$pd"
# name, left, top of every master shape in a dump.
master() {
  python3 - "$1" <<'PY'
import json, sys
d = json.load(open(sys.argv[1]))
for s in d["presentations"][0]["master"]["shapes"]:
    print("    %-26s left=%-6g top=%-6g width=%-8g rotation=%g" % (s["name"], s["left"], s["top"], s["width"], s["rotation"]))
print("    window view type: %d (9 = normal)" % d["presentations"][0]["view"]["type"])
PY
}

say "registering KalMsAddin.dll and starting the reference agent (watermark for POWERPNT.EXE)"
start_office_agent POWERPNT.EXE 0 "$pd"

say "opening sim/samples/deck.pptx (its master holds an old 'Watermark1')"
cat >"$pd/stamp.txt" <<SCRIPT
dump $(winpath "$pd/1-opened.json")
slide add
ribbon ViewSlideMasterView
dump $(winpath "$pd/2-new-slide.json")
SCRIPT
office "PowerPoint deck" "$BIN/powerpnt.exe" "$(winpath "$samples/deck.pptx")" /script "$(winpath "$pd/stamp.txt")" \
  /log "$(winpath "$pd/powerpnt-stamp.log")"
echo "  after opening:"; master "$pd/1-opened.json"
echo "  after a new slide:"; master "$pd/2-new-slide.json"
echo "  ribbon ViewSlideMasterView: $(grep -o 'refused: command disabled' "$pd/2-new-slide.json" | head -1)"

say "a read-only presentation: the agent marks POWERPNT.EXE read-only"
office_readonly POWERPNT.EXE 0 "$pd"
cat >"$pd/edit.txt" <<SCRIPT
focus pane
type hello
click pane right
click toolbar
show replace
click replacebutton
click replaceall
click replacefindnext
show find
click findbox
type revenue
dump $(winpath "$pd/3-readonly.json")
SCRIPT
office "PowerPoint read-only" "$BIN/powerpnt.exe" "$(winpath "$samples/deck.pptx")" /script "$(winpath "$pd/edit.txt")" \
  /log "$(winpath "$pd/powerpnt-readonly.log")"
python3 - "$pd/3-readonly.json" <<'PY'
import json, sys
d = json.load(open(sys.argv[1]))
c = d["ui"]["counts"]
print("  keys typed into the slide pane that arrived: %d (typed 5)" % c.get("typedInPane", 0))
print("  context menus opened: %d, toolbar commands run: %d" % (c.get("contextMenu", 0), c.get("toolbarCommand", 0)))
print("  Replace / Replace All clicks that replaced: %d / %d" % (c.get("replace", 0), c.get("replaceAll", 0)))
print("  Find Next clicks that searched: %d" % c.get("findNext", 0))
print("  typed into the Find box: %r" % d["ui"]["findText"])
PY

say "summary"
marks=$(python3 -c "import json,sys; d=json.load(open(sys.argv[1])); print(sum(s['name']=='PowerPnt_TextWatermark1' for s in d['presentations'][0]['master']['shapes']))" "$pd/2-new-slide.json")
old=$(grep -c '"Watermark1"' "$pd/2-new-slide.json" || true)
typed=$(python3 -c "import json,sys; print(json.load(open(sys.argv[1]))['ui']['counts'].get('typedInPane',0))" "$pd/3-readonly.json")
found=$(python3 -c "import json,sys; print(json.load(open(sys.argv[1]))['ui']['counts'].get('findNext',0))" "$pd/3-readonly.json")
check "marks on the master after a new slide" 1 "$marks"
check "old Watermark1 left" 0 "$old"
check "ribbon ViewSlideMasterView refused" yes "$(grep -q 'refused: command disabled' "$pd/2-new-slide.json" && echo yes || echo no)"
check "read-only: keys that reached the slide pane" 0 "$typed"
check "read-only: Find Next still searches" 1 "$found"
printf '  JSON results: %s\n' "$pd"
