#!/usr/bin/env bash
# Builds the Windows program on Debian with MinGW-w64, and what a school installs:
#   packaging/windows/build-windows.sh [OUTPUT_FOLDER]      (default build/windows)
#
# 1. Qt 6.4.2 for Windows, once per machine, in a cache folder outside the clone
#    keyed by its version: $KARUVEL_CACHE (default ~/.cache/karuvel)/qt-6.4.2-mingw-w64.
#    It is unpacked from ../shared/windows/qt-6.4.2-mingw-w64.tar.xz beside the clone
#    (or $KARUVEL_QT_MINGW_ARCHIVE); without the archive it is built from Debian's
#    source by build-qt-mingw.sh beside the archive, which takes well over an hour.
# 2. karuvel.exe, karuvel-make-demo.exe, and for the tests karuvel-tour.exe and
#    karuvel-records-probe.exe (OUTPUT/build; the last two are kept in OUTPUT).
# 3. The program folder OUTPUT/Karuvel/Karuvel: the executables, every DLL and Qt
#    plug-in they need, the IPA fonts and the question files; checked to need
#    nothing but Windows' own DLLs beside it.
# 4. OUTPUT/Karuvel-<version>-setup.exe (NSIS) and OUTPUT/Karuvel-<version>-windows.zip.
# Every step is skipped when its result is newer than what it is made from, so a
# second run that changes nothing takes seconds.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
out="${1:-$root/build/windows}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"

qt_version=6.4.2
qt_name="qt-$qt_version-mingw-w64"
cache="${KARUVEL_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/karuvel}"
qt="$cache/$qt_name"
archive="${KARUVEL_QT_MINGW_ARCHIVE:-$root/../shared/windows/$qt_name.tar.xz}"
mingw_runtime=/usr/lib/gcc/x86_64-w64-mingw32/12-posix
mingw_sysroot=/usr/x86_64-w64-mingw32

say() { echo "build-windows: $*"; }

# 1. Qt for Windows.
if [[ ! -f "$qt/toolchain-mingw-w64.cmake" ]]; then
  mkdir -p "$cache"
  partial="$(mktemp -d "$cache/.$qt_name.XXXXXX")"
  if [[ -f "$archive" ]]; then
    say "unpacking $archive into $cache"
    tar -C "$partial" -xJf "$archive"
  else
    rebuild="$(dirname "$archive")/build-qt-mingw.sh"
    [[ -x "$rebuild" ]] || { echo "build-windows: neither $archive nor $rebuild is there" >&2; exit 1; }
    say "building Qt $qt_version for Windows from Debian's source (well over an hour)"
    "$rebuild" "$partial/$qt_name" "$cache/qt-source"
    # The toolchain file beside it, as in the archive: its own folder searched like the system root.
    { cat "$cache/qt-source/toolchain.cmake"
      echo 'list(APPEND CMAKE_FIND_ROOT_PATH "${CMAKE_CURRENT_LIST_DIR}")'
      echo 'list(APPEND CMAKE_PREFIX_PATH "${CMAKE_CURRENT_LIST_DIR}")'
    } >"$partial/$qt_name/toolchain-mingw-w64.cmake"
  fi
  # Two DLLs of the archive were edited after linking and crash while loading (see the script).
  "$here/repair-qt-dlls.py" "$partial/$qt_name"/bin/*.dll "$partial/$qt_name"/plugins/*/*.dll
  # Made whole elsewhere, then put in place in one step: a second build never sees half a Qt.
  mv -T "$partial/$qt_name" "$qt" 2>/dev/null || [[ -f "$qt/toolchain-mingw-w64.cmake" ]]
  rm -rf "$partial"
fi

# (A cache unpacked before the repair existed is repaired in place.)
"$here/repair-qt-dlls.py" "$qt"/bin/*.dll "$qt"/plugins/*/*.dll

# 2. The executables.
build="$out/build"
if [[ ! -f "$build/CMakeCache.txt" ]]; then
  launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$qt/toolchain-mingw-w64.cmake" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake "${launcher[@]}" >/dev/null
fi
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$root}" CCACHE_NOHASHDIR=1
cmake --build "$build" -j "$(nproc)" --target karuvel karuvel-make-demo karuvel-tour karuvel-records-probe

version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"

# 3. The program folder, as installed: Karuvel/ holds the path file and the
#    program folder Karuvel/Karuvel.
tree="$out/Karuvel"
prog="$tree/Karuvel"
mkdir -p "$prog/platforms" "$prog/styles" "$prog/fonts" "$prog/licences"
copy() { cp -u --preserve=timestamps "$@"; }
copy "$build/Karuvel/karuvel.exe" "$build/karuvel-make-demo.exe" "$build/Karuvel/"*.csv "$prog/"
copy "$build/Karuvel/karuvel-tour.exe" "$build/Karuvel/karuvel-records-probe.exe" "$out/"
copy "$qt/bin/Qt6Core.dll" "$qt/bin/Qt6Gui.dll" "$qt/bin/Qt6Widgets.dll" "$qt/bin/Qt6PrintSupport.dll" "$prog/"
copy "$qt/plugins/platforms/qwindows.dll" "$prog/platforms/"
copy "$qt/plugins/styles/qwindowsvistastyle.dll" "$prog/styles/"
# Qt's own texts in Japanese (the buttons of its boxes and dialogs), looked for beside the program.
if [[ -f /usr/share/qt6/translations/qtbase_ja.qm ]]; then
  mkdir -p "$prog/translations"
  copy /usr/share/qt6/translations/qtbase_ja.qm "$prog/translations/"
fi
copy "$mingw_runtime/libstdc++-6.dll" "$mingw_runtime/libgcc_s_seh-1.dll" "$mingw_sysroot/lib/libwinpthread-1.dll" "$prog/"
copy /usr/share/fonts/opentype/ipafont-gothic/ipag.ttf /usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf \
     /usr/share/fonts/opentype/ipafont-mincho/ipam.ttf /usr/share/fonts/opentype/ipafont-mincho/ipamp.ttf "$prog/fonts/"
# The licences of what comes with the program: the IPA fonts (their licence asks for
# it to go with them), Qt (LGPL-3.0) and MinGW-w64's run-time libraries.
copy /usr/share/doc/fonts-ipafont-gothic/Readme_IPAfont00303.txt "$prog/fonts/"
cp -u /usr/share/doc/fonts-ipafont-gothic/copyright "$prog/fonts/IPA_Font_License_Agreement_v1.0.txt"
cp -u /usr/share/doc/libqt6core6/copyright "$prog/licences/Qt6.txt"
cp -u /usr/share/common-licenses/LGPL-3 "$prog/licences/LGPL-3.0.txt"
cp -u /usr/share/common-licenses/GPL-3 "$prog/licences/GPL-3.0.txt"
cp -u /usr/share/doc/gcc-mingw-w64-base/copyright "$prog/licences/libstdc++-libgcc.txt"
cp -u /usr/share/doc/mingw-w64-x86-64-dev/copyright "$prog/licences/winpthreads.txt"
cp -u "$root/content/about.txt" "$prog/licences/maps-about.txt"

# Every DLL an executable or plug-in loads is in the folder or is Windows' own.
imported="$("$here/pe-imports.py" "$prog"/*.exe "$prog"/*.dll "$prog"/platforms/*.dll "$prog"/styles/*.dll | sort -u)"
missing=()
while read -r dll; do
  [[ -f "$prog/$dll" ]] && continue
  case "${dll,,}" in
    kernel32.dll|user32.dll|gdi32.dll|advapi32.dll|shell32.dll|ole32.dll|oleaut32.dll|comdlg32.dll|winmm.dll| \
    msvcrt.dll|ws2_32.dll|version.dll|uxtheme.dll|dwmapi.dll|imm32.dll|winspool.drv|shlwapi.dll|netapi32.dll| \
    userenv.dll|mpr.dll|setupapi.dll|wtsapi32.dll|d3d9.dll|d3d11.dll|dxgi.dll|dwrite.dll|d2d1.dll|comctl32.dll| \
    authz.dll|bcrypt.dll|crypt32.dll|secur32.dll|shcore.dll|api-ms-win-*) ;;
    *) missing+=("$dll") ;;
  esac
done <<<"$imported"
if ((${#missing[@]})); then
  echo "build-windows: the program folder lacks ${missing[*]}" >&2
  exit 1
fi

# 4. The installer and the portable zip, made again when anything in the folder is newer.
setup="$out/Karuvel-$version-setup.exe"
zip="$out/Karuvel-$version-windows.zip"
newer() { [[ ! -f "$1" ]] || [[ -n "$(find "$tree" "$here/karuvel.nsi" -newer "$1" -print -quit)" ]]; }
if newer "$setup"; then
  say "making $(basename "$setup")"
  makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DSOURCE="$prog" -DICON="$here/karuvel.ico" \
    -DOUTFILE="$setup" "$here/karuvel.nsi"
fi
if newer "$zip"; then
  say "making $(basename "$zip")"
  rm -f "$zip"
  (cd "$out" && zip -q -r -X "$zip" Karuvel)
fi
say "$setup"
say "$zip"
