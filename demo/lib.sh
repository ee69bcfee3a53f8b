# Shared by the demo steps: where things are and how to run a Windows program.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export KAL_BUILD_DIR=${KAL_BUILD_DIR:-$root/build}
BIN=$KAL_BUILD_DIR/bin
OUT=${KAL_OUT_DIR:-$root/out}
mkdir -p "$OUT"
# Runs a Windows program in the private prefix.
kal_wine() { "$root/cmake/wine-run.sh" "$@"; }
# Windows form of a path under the build or out folder (Wine maps / to Z:).
winpath() { echo "Z:$(echo "$1" | sed 's#/#\\#g')"; }
say() { printf '\n== %s\n' "$*"; }
# The watermark policy for one Office process: office_policy EXE READONLY PRINT.
office_policy() {
  cat <<POLICY
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
showEmployeeId = 1
[processes]
protect = $1 readonly=$2 print=$3
POLICY
}
# Registers KalMsAddin.dll and starts the agent (demo/agent.sh) with EXE writable:
# start_office_agent EXE PRINT DIR (DIR gets watermark.policy and agent.log).
start_office_agent() {
  kal_wine regsvr32 /s "$(winpath "$BIN/KalMsAddin.dll")"
  office_policy "$1" 0 "$2" >"$3/watermark.policy"
  start_agent "$3/watermark.policy" "$3/agent.log"
}
# Hands the running agent a policy that marks EXE read-only: office_readonly EXE PRINT DIR.
office_readonly() {
  office_policy "$1" 1 "$2" >"$3/readonly.policy"
  kal_wine "$BIN/TavRegedit.exe" set "$(winpath "$3/readonly.policy")" >/dev/null
}
# The first value of a key in a pretty-printed JSON dump: field FILE KEY.
field() { grep -m1 "\"$2\"" "$1" | tr -d ' ,' | cut -d: -f2; }
# Rows of the demo's closing table (demo/demo.sh prints it): step, what, expected, got, result.
RESULTS=${KAL_DEMO_RESULTS:-$OUT/demo-results.tsv}
STEP=${KAL_DEMO_STEP:-$(basename "$0" .sh)}
# check WHAT EXPECTED GOT: prints the comparison and adds it to the closing table.
check() {
  local status=ok
  [ "$2" = "$3" ] || status=FAILED
  printf '%s\t%s\t%s\t%s\t%s\n' "$STEP" "$1" "$2" "$3" "$status" >>"$RESULTS"
  printf '  %-60s %s (expected %s) %s\n' "$1" "$3" "$2" "$status"
}
# Starts an Office host through the agent's launcher, so its records are in place before it
# runs, as a real agent's process-creation notice makes them: kal_launch EXE ARGS...
kal_launch() {
  local exe=$1
  shift
  kal_wine "$BIN/TavRegedit.exe" launch "$(winpath "$exe")" "$@"
}
# office WHAT EXE ARGS...: a simulated Office host run through the launcher; its exit code (the
# number of script steps that ended in error) goes into the table, and the step goes on.
office() {
  local what=$1 rc=0
  shift
  kal_launch "$@" || rc=$?
  check "$what: script steps in error" 0 "$rc"
}
