# `make install`: the program folder as it was built (binary, run-time libraries, res/) under
# <prefix>/lib/kestrin, and the udev rule that gives the user at the seat the mouse's hidraw
# nodes; then udev reloads its rules, where a udev daemon runs.

set(KESTRIN_INSTALL_PROGRAM_DIR lib/kestrin CACHE STRING
  "Program folder, relative to the install prefix")
set(KESTRIN_UDEV_RULES_DIR "" CACHE PATH
  "Where the udev rule goes; empty: by the install prefix")

# The data a build-tree run left beside the program is the developer's, not the package's.
install(DIRECTORY ${KESTRIN_PROGRAM_DIR}/ DESTINATION ${KESTRIN_INSTALL_PROGRAM_DIR}
  USE_SOURCE_PERMISSIONS
  PATTERN Data EXCLUDE)
install(CODE "set(KESTRIN_RULES_FILE \"${PROJECT_SOURCE_DIR}/drivers/70-kestrin.rules\")
  set(KESTRIN_RULES_DIR \"${KESTRIN_UDEV_RULES_DIR}\")")
install(CODE [[
  # Chosen when installing, since the prefix may be given then: a system package's rules live
  # in /usr/lib/udev/rules.d; udev reads none under /usr/local or a home folder.
  if(KESTRIN_RULES_DIR STREQUAL "")
    if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
      set(KESTRIN_RULES_DIR /usr/lib/udev/rules.d)
    else()
      set(KESTRIN_RULES_DIR /etc/udev/rules.d)
    endif()
  endif()
  file(INSTALL "${KESTRIN_RULES_FILE}" DESTINATION "${KESTRIN_RULES_DIR}")

  if(NOT "$ENV{DESTDIR}" STREQUAL "")
    message(STATUS "Staged install: udev reloads its rules on the target machine")
  else()
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
