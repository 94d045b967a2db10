# `make install`: the program folder as it was built (binary, run-time libraries, res/) under
# <prefix>/lib/kestrin, the `kestrin` and `kestrinctl` commands on PATH, the desktop's launcher,
# AppStream metadata and the icon in the hicolor theme, and the udev rule that gives the user at
# the seat the mouse's hidraw nodes; then udev reloads its rules, where a udev daemon runs. Into
# a prefix in the user's home nothing needs root: the rule is not installed, and the one command
# that installs it is printed instead.

set(KESTRIN_INSTALL_PROGRAM_DIR lib/kestrin CACHE STRING
  "Program folder, relative to the install prefix")
set(KESTRIN_UDEV_RULES_DIR "" CACHE PATH
  "Where the udev rule goes; empty: by the install prefix")

# The data a build-tree run left beside the program is the developer's, not the package's; the
# virtual mouse is for tests and demos, which run from the build tree.
# Shared libraries are read, never run: 0644.
install(DIRECTORY ${KESTRIN_PROGRAM_DIR}/ DESTINATION ${KESTRIN_INSTALL_PROGRAM_DIR}
  USE_SOURCE_PERMISSIONS
  PATTERN Data EXCLUDE
  PATTERN kestrin-virtual-mouse EXCLUDE
  PATTERN *.so PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
# The desktop's side: the launcher, the metadata software centres read, the icon.
install(FILES ${PROJECT_SOURCE_DIR}/desktop/org.kestrin.Kestrin.desktop
  DESTINATION share/applications)
install(FILES ${PROJECT_SOURCE_DIR}/desktop/org.kestrin.Kestrin.metainfo.xml
  DESTINATION share/metainfo)
foreach(size 16 32 48 64 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/skin/icons/kestrin-${size}.png
    DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME kestrin.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/skin/icons/kestrin.svg
  DESTINATION share/icons/hicolor/scalable/apps)
# The manual pages, compressed without a time stamp as Debian has them (man reads them so
# anywhere), and kestrinctl's bash completion.
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/man/kestrin.1
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
  COMMAND ${KESTRIN_SCDOC} < ${PROJECT_SOURCE_DIR}/docs/kestrin.1.scd > ${CMAKE_BINARY_DIR}/man/kestrin.1
  DEPENDS ${PROJECT_SOURCE_DIR}/docs/kestrin.1.scd VERBATIM)
foreach(page kestrin kestrinctl)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/man/${page}.1.gz
    COMMAND gzip -9nc ${CMAKE_BINARY_DIR}/man/${page}.1 > ${CMAKE_BINARY_DIR}/man/${page}.1.gz
    DEPENDS ${CMAKE_BINARY_DIR}/man/${page}.1 VERBATIM)
  install(FILES ${CMAKE_BINARY_DIR}/man/${page}.1.gz DESTINATION share/man/man1)
endforeach()
add_custom_target(kestrin_man ALL
  DEPENDS ${CMAKE_BINARY_DIR}/man/kestrin.1.gz ${CMAKE_BINARY_DIR}/man/kestrinctl.1.gz)
add_dependencies(kestrin_man kestrinctl_man)
install(FILES ${PROJECT_SOURCE_DIR}/desktop/kestrinctl.bash
  DESTINATION share/bash-completion/completions RENAME kestrinctl)

install(CODE "set(KESTRIN_RULES_FILE \"${PROJECT_SOURCE_DIR}/drivers/70-kestrin.rules\")
  set(KESTRIN_RULES_DIR \"${KESTRIN_UDEV_RULES_DIR}\")
  set(KESTRIN_PROGRAM_DIR_NAME \"${KESTRIN_INSTALL_PROGRAM_DIR}\")
  set(KESTRIN_STRIP \"${CMAKE_STRIP}\")")
install(CODE [[
  # The program folder is installed as files, not targets, so `--strip` (and a package) is
  # served here, as Debian strips: libraries of what no relocation needs, no notes or comments.
  set(program "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${KESTRIN_PROGRAM_DIR_NAME}")
  if(CMAKE_INSTALL_DO_STRIP)
    file(GLOB libraries "${program}/*.so")
    foreach(binary "${program}/kestrin" "${program}/kestrinctl" ${libraries})
      set(how)
      if(binary MATCHES "\\.so$")
        set(how --strip-unneeded)
      endif()
      execute_process(COMMAND "${KESTRIN_STRIP}" ${how} --remove-section=.comment
        --remove-section=.note "${binary}" COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
  endif()

  # `kestrin` and `kestrinctl` on PATH: relative links, so a staged or moved tree keeps them;
  # each finds the program folder through its link's target.
  set(bin "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/bin")
  file(MAKE_DIRECTORY "${bin}")
  foreach(command kestrin kestrinctl)
    file(REMOVE "${bin}/${command}")
    file(CREATE_LINK "../${KESTRIN_PROGRAM_DIR_NAME}/${command}" "${bin}/${command}" SYMBOLIC)
    message(STATUS "Installing: ${bin}/${command} -> ../${KESTRIN_PROGRAM_DIR_NAME}/${command}")
  endforeach()

  # Chosen when installing, since the prefix may be given then: a system package's rules live
  # in /usr/lib/udev/rules.d; udev reads none under /usr/local or a home folder, and a prefix
  # in the user's home is installed without root, so there the command that needs it is told.
  set(home "$ENV{HOME}")
  string(FIND "${CMAKE_INSTALL_PREFIX}/" "${home}/" in_home)
  set(user_prefix FALSE)
  if(KESTRIN_RULES_DIR STREQUAL "")
    if(NOT home STREQUAL "" AND in_home EQUAL 0)
      set(user_prefix TRUE)
    elseif(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
      set(KESTRIN_RULES_DIR /usr/lib/udev/rules.d)
    else()
      set(KESTRIN_RULES_DIR /etc/udev/rules.d)
    endif()
  endif()

  if(user_prefix)
    set(rule "${CMAKE_INSTALL_PREFIX}/${KESTRIN_PROGRAM_DIR_NAME}/70-kestrin.rules")
    message(STATUS "Not installed: the udev rule that lets you open the mouse needs root. "
      "Install it with this one command:")
    message(STATUS "  sudo install -m 644 '${rule}' /etc/udev/rules.d/ && "
      "sudo udevadm control --reload-rules && sudo udevadm trigger --subsystem-match=hidraw")
  elseif(NOT "$ENV{DESTDIR}" STREQUAL "")
    file(INSTALL "${KESTRIN_RULES_FILE}" DESTINATION "${KESTRIN_RULES_DIR}")
    message(STATUS "Staged install: udev reloads its rules on the target machine")
  else()
    file(INSTALL "${KESTRIN_RULES_FILE}" DESTINATION "${KESTRIN_RULES_DIR}")
    find_program(KESTRIN_UDEVADM udevadm PATHS /usr/bin /bin /sbin /usr/sbin)
    set(reloaded FALSE)
    if(KESTRIN_UDEVADM)
      execute_process(COMMAND ${KESTRIN_UDEVADM} control --reload-rules
        RESULT_VARIABLE reload OUTPUT_QUIET ERROR_QUIET)
      if(reload EQUAL 0)
        execute_process(COMMAND ${KESTRIN_UDEVADM} trigger --subsystem-match=hidraw
          RESULT_VARIABLE trigger OUTPUT_QUIET ERROR_QUIET)
        if(trigger EQUAL 0)
          set(reloaded TRUE)
        endif()
      endif()
    endif()
    if(reloaded)
      message(STATUS "udev rules reloaded; the mouse's hidraw nodes are the seat user's")
    else()
      message(STATUS "udev could not be reloaded here (no udev daemon?); "
        "the rule applies from the next boot or replug")
    endif()
  endif()
]])
