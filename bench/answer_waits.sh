#!/usr/bin/env bash
# The waits of a run (bench_answer_waits) of two builds side by side: each
# build's benchmark in turn, ROUNDS times (3 unless given), so that a busy
# machine weighs on both alike. A build is a build folder with
# bench/bench_answer_waits, karuvel-make-demo and Karuvel/ (its levels' files).
#   bench/answer_waits.sh BEFORE_BUILD AFTER_BUILD [ROUNDS]
# Prints, per round and build, the medians and (least-greatest) in ms of:
# press -> next question drawn, last press -> finish screen drawn, a cue
# alone; each also less what it must take (the cue; the cue and the
# one-second pause; the cue's length).
set -euo pipefail
[[ $# -ge 2 ]] || { echo "usage: $0 BEFORE_BUILD AFTER_BUILD [ROUNDS]" >&2; exit 2; }
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
rounds="${3:-3}"

one() {  # build label
  local b; b="$(cd "$1" && pwd)"
  KARUVEL_MAKE_DEMO="$b/karuvel-make-demo" KARUVEL_PROGRAM_FOLDER="$b/Karuvel" \
    "$b/bench/bench_answer_waits" --benchmark_format=console 2>/dev/null |
    grep 'BM_AnswerWaits' | tr ' ' '\n' | grep '=' |
    awk -F= -v label="$2" '
      { v[$1] = $2; if ($2 ~ /k$/) { sub(/k$/, "", $2); v[$1] = $2 * 1000 } }
      function c(n) { return sprintf("%7.0f (%5.0f-%5.0f)", v[n], v[n "_min"], v[n "_max"]) }
      END {
        if (!("press_next" in v)) { printf "%-7s  no figures (the benchmark failed)\n", label; exit }
        printf "%-7s  press->next %s  over cue %s | last->finish %s  over %s | cue %s  over %s | cue length %.0f\n",
          label, c("press_next"), c("press_next_over_cue"), c("last_finish"), c("last_finish_over"),
          c("cue"), c("cue_over"), v["cue_ms"]
      }'
}

for ((r = 1; r <= rounds; ++r)); do
  echo "round $r"
  one "$1" before
  one "$2" after
done
