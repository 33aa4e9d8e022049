# Shared by the package tests: starts a launcher offscreen and waits (up to a
# minute) for the program's first screen, the name selection, then ends it.
#   start_to_first_screen LAUNCHER SCRATCH
start_to_first_screen() {
  local launcher="$1" scratch="$2" log="$2/screens.log" pid
  KARUVEL_SCREEN_LOG="$log" "$launcher" >"$scratch/out.txt" 2>&1 &
  pid=$!
  for _ in $(seq 1 600); do
    grep -qx namesel "$log" 2>/dev/null && break
    kill -0 "$pid" 2>/dev/null || { cat "$scratch/out.txt"; fail "the program ended before its first screen"; }
    sleep 0.1
  done
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  grep -qx namesel "$log" || { cat "$scratch/out.txt"; fail "the name selection screen never showed"; }
}
