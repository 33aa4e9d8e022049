#!/usr/bin/env bash
# Builds the records manager's and the dashboard's tests with AddressSanitizer
# and runs them: among them the waits during which "戻る" or "データ変更"
# closes the screen whose handler is waiting.
set -euo pipefail
SOURCE="$1"
BUILD="$2"
gen=()
[[ -f "$BUILD/CMakeCache.txt" ]] || gen=(-G Ninja)
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
# Optimised a little and with line tables only: quicker to build and to run than a
# full debug build, and the sanitizer's reports still name file and line. Only the
# two test programs are built; the compiler cache keeps this folder's objects
# between runs.
cmake -S "$SOURCE" -B "$BUILD" "${gen[@]}" "${launcher[@]}" -DCMAKE_BUILD_TYPE=Debug \
      -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1 -fno-omit-frame-pointer" -DKARUVEL_ASAN=ON >/dev/null
cmake --build "$BUILD" -j "$(nproc)" --target test_admin test_dashboard >"$BUILD/build.log" 2>&1 || {
  tail -50 "$BUILD/build.log"
  exit 1
}
# Qt's and the fonts' own allocations that live until the process ends are not ours to report.
export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1:halt_on_error=1"
"$BUILD/tests/admin/test_admin" --gtest_brief=1
"$BUILD/tests/dashboard/test_dashboard" --gtest_brief=1
