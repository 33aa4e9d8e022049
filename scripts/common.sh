# Shared by run.sh and test.sh: install what is missing, configure and build.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${KARUVEL_BUILD_DIR:-$ROOT/build}"

install_packages() {
  local missing=()
  while read -r pkg; do
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

build_project() {
  cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE="${KARUVEL_BUILD_TYPE:-Release}" >/dev/null
  cmake --build "$BUILD" -j "$(nproc)"
}
