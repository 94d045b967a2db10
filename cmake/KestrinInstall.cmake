# `make install`: the program folder as it was built (binary, run-time libraries, res/) under
# <prefix>/lib/kestrin, a `kestrin` command on PATH, the desktop's launcher, AppStream metadata and
# the icon in the hicolor theme, and the udev rule that gives the user at the seat the mouse's
# hidraw nodes; then udev reloads its rules, where a udev daemon runs. Into a prefix in the
# user's home nothing needs root: the rule is not installed, and the one command that installs it
# is printed instead.

set(KESTRIN_INSTALL_PROGRAM_DIR lib/kestrin CACHE STRING
  "Program folder, relative to the install prefix")
set(KESTRIN_UDEV_RULES_DIR "" CACHE PATH
  "Where the udev rule goes; empty: by the install prefix")

# The data a build-tree run left beside the program is the developer's, not the package's.
install(DIRECTORY ${KESTRIN_PROGRAM_DIR}/ DESTINATION ${KESTRIN_INSTALL_PROGRAM_DIR}
  USE_SOURCE_PERMISSIONS
  PATTERN Data EXCLUDE)
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
# kestrinctl's manual page and bash completion.
install(FILES ${CMAKE_BINARY_DIR}/man/kestrinctl.1 DESTINATION share/man/man1)
install(FILES ${PROJECT_SOURCE_DIR}/desktop/kestrinctl.bash
  DESTINATION share/bash-completion/completions RENAME kestrinctl)

install(CODE "set(KESTRIN_RULES_FILE \"${PROJECT_SOURCE_DIR}/drivers/70-kestrin.rules\")
  set(KESTRIN_RULES_DIR \"${KESTRIN_UDEV_RULES_DIR}\")
  set(KESTRIN_PROGRAM_DIR_NAME \"${KESTRIN_INSTALL_PROGRAM_DIR}\")")
install(CODE [[
  # `kestrin` on PATH: a relative link, so a staged or moved tree keeps it; the program finds
  # its folder through the link's target.
  set(bin "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/bin")
  file(MAKE_DIRECTORY "${bin}")
  file(REMOVE "${bin}/kestrin")
  file(CREATE_LINK "../${KESTRIN_PROGRAM_DIR_NAME}/kestrin" "${bin}/kestrin" SYMBOLIC)
  message(STATUS "Installing: ${bin}/kestrin -> ../${KESTRIN_PROGRAM_DIR_NAME}/kestrin")

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
