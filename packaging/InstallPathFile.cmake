# Run at install time (cmake --install, CPack): writes the school's path file with
# the system's settings and links the program home's path file to it.
# For a system install (prefix /usr) the path file names /var/lib/karuvel/, which
# the launcher finds unprepared until a school's data root is written into it.
# In: KARUVEL_INSTALL_HOME (relative to the prefix). Honours DESTDIR and --prefix.
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  set(_conf_dir "/etc/karuvel")
  set(_default_root "/var/lib/karuvel/")
else()
  set(_conf_dir "${CMAKE_INSTALL_PREFIX}/etc/karuvel")
  set(_default_root "${CMAKE_INSTALL_PREFIX}/var/lib/karuvel/")
endif()
set(_path_file "$ENV{DESTDIR}${_conf_dir}/パスデータ.txt")
# An administrator's path file (naming the school's shared folder) is never replaced.
if(NOT EXISTS "${_path_file}")
  message(STATUS "Installing: ${_path_file}")
  # Field 1 of 10 names the data root; Shift_JIS with CR LF (the default is ASCII).
  file(WRITE "${_path_file}" "${_default_root},,,,,,,,,\r\n")
endif()
set(_home "${CMAKE_INSTALL_PREFIX}/${KARUVEL_INSTALL_HOME}")
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  # The system's settings lie in another top-level folder: an absolute link, as
  # Debian's policy asks of links between top-level folders.
  set(_target "${_conf_dir}/パスデータ.txt")
else()
  # Within one prefix a relative link, so that the installed tree can be moved.
  file(RELATIVE_PATH _target "${_home}" "${_conf_dir}/パスデータ.txt")
endif()
set(_link "$ENV{DESTDIR}${_home}/パスデータ.txt")
message(STATUS "Installing: ${_link} -> ${_target}")
file(MAKE_DIRECTORY "$ENV{DESTDIR}${_home}")
file(REMOVE "${_link}")
file(CREATE_LINK "${_target}" "${_link}" SYMBOLIC)
