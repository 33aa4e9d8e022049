# Shared by run.sh and test.sh: install what is missing, configure and build.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${KARUVEL_BUILD_DIR:-$ROOT/build}"

# Installs the missing packages of packages.txt. With "run", only those above
# its line "# For the tests only", so that a first start does not wait for them.
install_packages() {
  local wanted=() missing=() scope="${1:-all}"
  while read -r pkg; do
    [[ "$scope" == run && "$pkg" == "# For the tests only"* ]] && break
    [[ -z "$pkg" || "$pkg" == \#* ]] && continue
    wanted+=("$pkg")
  done < "$ROOT/packages.txt"
  # One question to dpkg for all of them (a package it does not know is missing).
  local installed
  installed=" $(dpkg-query -W -f='${Package}:${Status}\n' "${wanted[@]}" 2>/dev/null |
    sed -n 's/:install ok installed$//p' | tr '\n' ' ')"
  for pkg in "${wanted[@]}"; do
    [[ "$installed" == *" $pkg "* ]] || missing+=("$pkg")
  done
  if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    local sudo=""
    [[ $(id -u) -ne 0 ]] && sudo="sudo"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}"
  fi
}

# The compiler cache: relative paths, so that clones and work trees in other folders share it.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$ROOT}"
export CCACHE_NOHASHDIR=1

# Configures and builds the given targets (every target when none is given).
# Ninja and the compiler cache make a build that changes nothing take about a second.
build_project() {
  local gen=()
  [[ -f "$BUILD/CMakeCache.txt" ]] || gen=(-G Ninja)
  local launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  cmake -S "$ROOT" -B "$BUILD" "${gen[@]}" "${launcher[@]}" -DCMAKE_BUILD_TYPE="${KARUVEL_BUILD_TYPE:-Release}" >/dev/null
  local targets=()
  for t in "$@"; do targets+=(--target "$t"); done
  cmake --build "$BUILD" -j "$(nproc)" "${targets[@]}"
}

# The stamp of run.sh's last build: written when a build of the program
# succeeded, dated when that build began, naming the build type.
RUN_STAMP="$BUILD/.run-built"

# Whether run.sh's build is up to date: its stamp is there for this build
# type, the program and the demo maker are there, and no file of the clone
# (its build folders, the demo school and git's own files aside) changed
# since that build began. Comparing dates takes a fraction of a second where
# a build that changes nothing still takes seconds (the configure step and
# the moc checks of every target).
run_build_is_current() {
  [[ -f "$RUN_STAMP" && -x "$BUILD/Karuvel/karuvel" && -x "$BUILD/karuvel-make-demo" ]] || return 1
  [[ "$(cat "$RUN_STAMP")" == "${KARUVEL_BUILD_TYPE:-Release}" ]] || return 1
  local newer
  # The clone's own folder is left out: its date changes when the build folder
  # or the demo school is made in it.
  newer="$(find "$ROOT" -mindepth 1 \( -path "$ROOT/.git" -o -path "$ROOT/build*" -o -path "$BUILD" -o -path "$ROOT/school" \
    -o -path "${KARUVEL_DATA_ROOT:-$ROOT/school}" \) -prune -o -newer "$RUN_STAMP" -print -quit)"
  [[ -z "$newer" ]]
}

# Builds the program and the demo maker for run.sh and writes its stamp,
# dated when the build began: a file saved during the build is newer.
build_for_run() {
  mkdir -p "$BUILD"
  local began
  began="$(mktemp "$BUILD/.run-building.XXXXXX")"
  build_project karuvel karuvel-make-demo
  echo "${KARUVEL_BUILD_TYPE:-Release}" > "$RUN_STAMP"
  touch -r "$began" "$RUN_STAMP"
  rm -f "$began"
}
