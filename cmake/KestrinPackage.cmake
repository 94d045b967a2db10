# `make package`: a Debian package made by CPack from the same install rules as `make install`,
# with the prefix /usr. Its Depends come from dpkg-shlibdeps over the binaries; the driver and
# hook libraries are private to the program folder, so dpkg-shlibdeps is told where they are.

# Debian wants its documents compressed, without a time stamp inside.
set(KESTRIN_PACKAGE_FILES ${PROJECT_SOURCE_DIR}/packaging/deb)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
  COMMAND gzip -9nc ${KESTRIN_PACKAGE_FILES}/changelog > ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  DEPENDS ${KESTRIN_PACKAGE_FILES}/changelog VERBATIM)
add_custom_target(kestrin_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog.gz)

# The changelog's newest entry is the release being built.
file(STRINGS ${KESTRIN_PACKAGE_FILES}/changelog changelog_top LIMIT_COUNT 1)
if(NOT changelog_top MATCHES "^kestrin \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/deb/changelog has no entry for ${PROJECT_VERSION} on top")
endif()

install(FILES ${KESTRIN_PACKAGE_FILES}/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  DESTINATION share/doc/kestrin)
install(FILES ${KESTRIN_PACKAGE_FILES}/kestrin.lintian-overrides
  DESTINATION share/lintian/overrides RENAME kestrin)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrin)
set(CPACK_PACKAGE_VENDOR "The Kestrin developers")
set(CPACK_PACKAGE_CONTACT "The Kestrin developers <developers@kestrin.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configure a wireless gaming mouse")
# Lines of the long description stay within 80 columns, as Debian wants.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Kestrin sets up one wireless gaming mouse over its USB cable, its 2.4 GHz"
  "receiver or Bluetooth LE: DPI stages and their colours, the report rate,"
  "lighting, power timers and the function of every button, from mouse actions"
  "and media keys to shortcuts, macros and recoil patterns, kept in named"
  "profiles. It follows what the mouse reports (a DPI stage switched on the"
  "mouse, the battery, charging) and lives in the notification area."
  "kestrinctl shows, switches, exports and imports the profiles and tells"
  "the mouse's state from a terminal."
  "A udev rule gives the user at the local seat access to the mouse, so"
  "Kestrin never needs root.")
# Installed into a staging DESTDIR with the prefix /usr itself, by which the install rules put the
# udev rule in /usr/lib/udev/rules.d.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS usr/${KESTRIN_INSTALL_PROGRAM_DIR})
# What no binary names: Qt's X11 platform plugin, without which no window opens; and its Wayland
# one, for a Wayland session.
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  ${KESTRIN_PACKAGE_FILES}/postinst ${KESTRIN_PACKAGE_FILES}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The build is RelWithDebInfo; the package carries no debug information (the install rules strip
# the program folder's binaries when asked to, as by `cmake --install --strip`).
set(CPACK_STRIP_FILES ON)
# Nothing but the install rules: no source package, no extra generators.
set(CPACK_SOURCE_GENERATOR "")
include(CPack)
