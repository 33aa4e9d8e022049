#!/usr/bin/env bash
# Install what is missing, build, run every test through CTest.
source "$(dirname "${BASH_SOURCE[0]}")/scripts/common.sh"
install_packages
build_project
export QT_QPA_PLATFORM=offscreen
export SDL_AUDIODRIVER=dummy
cd "$BUILD"
ctest --output-on-failure -j "$(nproc)" "$@"
