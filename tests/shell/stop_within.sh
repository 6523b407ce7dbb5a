# stop_within PID SECONDS: sends SIGTERM, waits up to SECONDS for the process to end, and
# kills it if it does not, so a hung program fails the test instead of hanging it.
stop_within() {
  local pid="$1" limit="$2"
  kill -TERM "$pid" 2>/dev/null
  for _ in $(seq 1 $((limit * 10))); do
    kill -0 "$pid" 2>/dev/null || { wait "$pid" 2>/dev/null; return 0; }
    sleep 0.1
  done
  echo "process $pid did not end within ${limit} s of SIGTERM" >&2
  kill -KILL "$pid" 2>/dev/null; wait "$pid" 2>/dev/null
  return 1
}
