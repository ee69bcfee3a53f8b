# Starting and stopping the reference agent from demo steps. Source after demo/lib.sh.
#   start_agent POLICY-FILE [LOG]   starts TavRegedit.exe run, returns once the sections are
#                                   filled (AGENT_PID holds the background job's pid)
#   stop_agent                      stops it through its stop event, by its pid as a fallback
start_agent() {
  local policy=$1 log=${2:-$OUT/agent.log}
  stop_agent
  : >"$log"  # a stale "running" line from an earlier start must not count
  kal_wine "$BIN/TavRegedit.exe" run "$(winpath "$policy")" >"$log" 2>&1 &
  AGENT_PID=$!
  local i
  for i in $(seq 1 300); do
    grep -q "TavRegedit: running" "$log" 2>/dev/null && return 0
    if ! kill -0 "$AGENT_PID" 2>/dev/null; then
      cat "$log" >&2
      AGENT_PID=
      return 1
    fi
    sleep 0.1
  done
  echo "agent did not come up; see $log" >&2
  stop_agent
  return 1
}

stop_agent() {
  [ -n "${AGENT_PID:-}" ] || return 0
  kal_wine "$BIN/TavRegedit.exe" stop >/dev/null 2>&1 || true
  local i
  for i in $(seq 1 100); do
    kill -0 "$AGENT_PID" 2>/dev/null || break
    sleep 0.1
  done
  kill "$AGENT_PID" 2>/dev/null || true
  wait "$AGENT_PID" 2>/dev/null || true
  AGENT_PID=
}
