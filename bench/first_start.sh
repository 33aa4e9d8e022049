#!/usr/bin/env bash
# The first start on a clean clone, step by step as run.sh takes them, with
# the time of each: packages, configure, compile, demo school, first screen
# (the name selection drawn); then the second start of the same clone
# through run.sh, against the program's own start.
#   bench/first_start.sh [--cold]
# The clone is made from this checkout's last commit in a folder of its own
# (deleted afterwards). --cold gives the compiler an empty cache of its own
# (as on a machine that never built the program); without it the shared
# cache serves, as for a second clone on the same machine. The screens are
# drawn offscreen, the sounds go to SDL's silent device.
set -euo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
if [[ "${1:-}" == --cold ]]; then
  export CCACHE_DIR="$WORK/ccache"
fi
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
# This run's own account of the compiler cache.
export CCACHE_STATSLOG="$WORK/ccache-stats.log"
now() { date +%s.%N; }
span() { printf '%8.2f s  %s\n' "$(echo "$2 - $1" | bc)" "$3"; }

# Seconds until the name selection has been drawn by the command given.
until_first_screen() {
  local log="$WORK/screens.log" pid t0 t1
  rm -f "$log"
  t0=$(now)
  KARUVEL_SCREEN_LOG="$log" "$@" >"$WORK/out.txt" 2>&1 &
  pid=$!
  for _ in $(seq 1 12000); do
    grep -qx namesel "$log" 2>/dev/null && break
    kill -0 "$pid" 2>/dev/null || { cat "$WORK/out.txt"; echo "the program ended before its first screen"; exit 1; }
    sleep 0.005
  done
  t1=$(now)
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  echo "$t1 - $t0" | bc
}

git clone -q "$HERE" "$WORK/clone"
ln -s "$(readlink -f "$HERE/../shared")" "$WORK/shared"
cd "$WORK/clone"
source scripts/common.sh
t0=$(now); install_packages run; t1=$(now)
mkdir -p "$BUILD"
cmake -S "$ROOT" -B "$BUILD" -G Ninja \
  $(command -v ccache >/dev/null && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache) \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
t2=$(now)
began="$(mktemp "$BUILD/.run-building.XXXXXX")"
cmake --build "$BUILD" -j "$(nproc)" --target karuvel karuvel-make-demo >/dev/null
echo Release > "$RUN_STAMP"; touch -r "$began" "$RUN_STAMP"; rm -f "$began"
t3=$(now)
"$BUILD/karuvel-make-demo" "$ROOT/school" >/dev/null
"$BUILD/karuvel-make-demo" --path-file "$BUILD/パスデータ.txt" "$ROOT/school" >/dev/null
t4=$(now)
first=$(until_first_screen "$BUILD/Karuvel/karuvel")
echo "First start of a clean clone (${1:-shared compiler cache}):"
span "$t0" "$t1" "packages (all there: asked only)"
span "$t1" "$t2" "configure"
span "$t2" "$t3" "compile (the program and the demo maker)"
span "$t3" "$t4" "demo school"
printf '%8.2f s  %s\n' "$first" "first screen (the program's start)"
printf '%8.2f s  %s\n' "$(echo "$t4 - $t0 + $first" | bc)" "in all"
if [[ -f "$CCACHE_STATSLOG" ]]; then
  echo "Compiler cache of the compile step:"
  CCACHE_STATSLOG="$CCACHE_STATSLOG" ccache --show-log-stats 2>/dev/null | grep -E "Hits|Misses" | head -3 | sed 's/^/  /'
fi
echo "Second start, through run.sh, against the program's own start (5 pairs):"
for i in 1 2 3 4 5; do
  a=$(until_first_screen ./run.sh)
  b=$(until_first_screen "$BUILD/Karuvel/karuvel")
  printf '  run.sh %.2f s, program %.2f s, run.sh adds %.2f s\n' "$a" "$b" "$(echo "$a - $b" | bc)"
done
