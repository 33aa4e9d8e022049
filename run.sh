#!/usr/bin/env bash
# Install what is missing, build, prepare the demo data root once, start the program.
source "$(dirname "${BASH_SOURCE[0]}")/scripts/common.sh"
install_packages run
# Only what is started: the program and the demo maker (the tests are built by
# test.sh); not even the build tools are asked when nothing changed since.
if ! run_build_is_current; then
  build_for_run
fi
DATA_ROOT="${KARUVEL_DATA_ROOT:-$ROOT/school}"
if [[ ! -e "$DATA_ROOT" ]]; then
  echo "Preparing the demo school in $DATA_ROOT"
  "$BUILD/karuvel-make-demo" "$DATA_ROOT"
fi
# The path file lies in the parent of the program folder and names the data root.
"$BUILD/karuvel-make-demo" --path-file "$BUILD/パスデータ.txt" "$DATA_ROOT"
# A machine without a sound device still runs the demo on SDL's silent device.
if [[ -z "${SDL_AUDIODRIVER:-}" ]] && ! ls /dev/snd/pcm* >/dev/null 2>&1 && [[ -z "${PULSE_SERVER:-}" ]]; then
  export SDL_AUDIODRIVER=dummy
fi
exec "$BUILD/Karuvel/karuvel" "$@"
