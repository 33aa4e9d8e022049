#!/usr/bin/env bash
# The standing fuzzing of every reader.
#
#   fuzz/run.sh [SECONDS] [TARGET...]   build the harnesses, then run each one
#                                       for SECONDS (default 120), one after the other
#   fuzz/run.sh --replay [TARGET...]    replay the seeds and the kept inputs under
#                                       the sanitizers (no fuzzing)
#
# The harnesses are built with clang-14 and -fsanitize=fuzzer,address,undefined
# into build-fuzz/ (KARUVEL_FUZZ_BUILD_DIR to change). Each run starts from the
# seed corpus (made from fuzz/school and assets/data) plus whatever the earlier
# runs found, kept in build-fuzz/corpus/<target>. An input that crashes, leaks,
# hangs or breaks a rule the program promises is copied to fuzz/kept/<target>/;
# commit it with the mend, and test_fuzz_replay replays it on every ./test.sh.
# Harnesses run under nice, one at a time, so that a shared machine stays usable.
# LeakSanitizer's check after each input is off (it scans the program state's
# tables, about 15 MB, and slows the harnesses many times over);
# KARUVEL_FUZZ_LEAKS=1 turns it on.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${KARUVEL_FUZZ_BUILD_DIR:-$ROOT/build-fuzz}"
ALL_TARGETS=(fields config roster criteria questions results journal)

replay=0
if [[ "${1:-}" == "--replay" ]]; then
  replay=1
  shift
fi
seconds=120
if [[ "${1:-}" =~ ^[0-9]+$ ]]; then
  seconds="$1"
  shift
fi
targets=("$@")
((${#targets[@]})) || targets=("${ALL_TARGETS[@]}")

# Debian's clang and its sanitizer and libFuzzer runtimes; only this script needs them.
missing=()
for pkg in clang-14 libclang-rt-14-dev; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
done
if ((${#missing[@]})); then
  sudo=""
  [[ $(id -u) -ne 0 ]] && sudo="sudo"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}"
fi

# Assertions stay on: a [level][pupil] index past its row may still land inside
# the table, where only the assertion sees it.
cmake -S "$ROOT" -B "$BUILD" -DKARUVEL_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++-14 \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" >/dev/null
build_targets=()
for t in "${targets[@]}"; do build_targets+=(--target "fuzz_$t"); done
nice -n 10 cmake --build "$BUILD" -j "$(nproc)" "${build_targets[@]}"

max_len() {
  case "$1" in
    results|journal) echo 16384 ;;
    roster|questions) echo 8192 ;;
    *) echo 4096 ;;
  esac
}

export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1:detect_stack_use_after_return=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export QT_QPA_PLATFORM=offscreen

status=0
summary=()
for t in "${targets[@]}"; do
  bin="$BUILD/fuzz/fuzz_$t"
  corpus="$BUILD/corpus/$t"
  seeds="$BUILD/seeds/$t"
  found="$BUILD/found/$t"
  kept="$ROOT/fuzz/kept/$t"
  mkdir -p "$corpus" "$found" "$kept"
  rm -rf "$seeds"
  KARUVEL_FUZZ_SEEDS="$seeds" "$bin" >/dev/null 2>&1

  if ((replay)); then
    files=("$seeds"/*)
    shopt -s nullglob
    files+=("$kept"/*)
    shopt -u nullglob
    if nice -n 10 "$bin" -runs=1 "${files[@]}" >"$BUILD/replay-$t.log" 2>&1; then
      summary+=("$t: ${#files[@]} inputs replayed, none failed")
    else
      summary+=("$t: FAILED, see $BUILD/replay-$t.log")
      status=1
    fi
    continue
  fi

  log="$BUILD/fuzz-$t.log"
  set +e
  nice -n 10 "$bin" -max_total_time="$seconds" -max_len="$(max_len "$t")" -timeout=20 -rss_limit_mb=2048 \
    -detect_leaks="${KARUVEL_FUZZ_LEAKS:-0}" \
    -print_final_stats=1 -artifact_prefix="$found/" "$corpus" "$seeds" >"$log" 2>&1
  rc=$?
  set -e
  execs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | tail -1 | awk '{print $2}')
  rate=$(grep -o 'exec/s: [0-9]*' "$log" | tail -1 | awk '{print $2}')
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | awk '{print $2}')
  new=0
  shopt -s nullglob
  for f in "$found"/crash-* "$found"/leak-* "$found"/timeout-* "$found"/oom-*; do
    if [[ ! -e "$kept/$(basename "$f")" ]]; then
      cp "$f" "$kept/"
      new=$((new + 1))
    fi
  done
  shopt -u nullglob
  if ((rc != 0)); then
    status=1
    summary+=("$t: FAILED after ${execs:-?} executions ($new new input(s) kept in fuzz/kept/$t), log $log")
  else
    summary+=("$t: ${execs:-?} executions in ${seconds} s (${rate:-?}/s, coverage ${cov:-?} edges), nothing failed")
  fi
done

printf '%s\n' "${summary[@]}"
exit "$status"
