# Shared by run.sh and test.sh: install what is missing, configure and build.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${KARUVEL_BUILD_DIR:-$ROOT/build}"

# Installs the missing packages of packages.txt. With "run", only those above
# its line "# For the tests only", so that a first start does not wait for them.
install_packages() {
  local missing=() scope="${1:-all}"
  while read -r pkg; do
    [[ "$scope" == run && "$pkg" == "# For the tests only"* ]] && break
    [[ -z "$pkg" || "$pkg" == \#* ]] && continue
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$pkg")
    fi
  done < "$ROOT/packages.txt"
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
