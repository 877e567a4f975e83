# The Debian package: `cmake --build --preset default --target package` leaves
# vorlund_<version>_<arch>.deb in the build directory. Its PNG icons and man
# page need rsvg-convert and help2man: VORLUND_PACKAGE ON requires them, AUTO
# packages when they are installed, OFF never; a plain build needs neither.
set(VORLUND_PACKAGE AUTO CACHE STRING "Build the Debian package, its icons and man page: AUTO, ON or OFF")
set_property(CACHE VORLUND_PACKAGE PROPERTY STRINGS AUTO ON OFF)
set(VORLUND_PACKAGING OFF)
if(VORLUND_PACKAGE STREQUAL "OFF")
  message(STATUS "Vorlund: VORLUND_PACKAGE is OFF: the Debian package, its icons and man page are left out")
  return()
endif()
if(NOT VORLUND_BUILD_GUI)
  if(VORLUND_PACKAGE STREQUAL "ON")
    message(FATAL_ERROR "VORLUND_PACKAGE ON needs the program: VORLUND_BUILD_GUI is OFF")
  endif()
  message(STATUS "Vorlund: with VORLUND_BUILD_GUI off the Debian package is left out")
  return()
endif()
set(required)
if(VORLUND_PACKAGE STREQUAL "ON")
  set(required REQUIRED)
endif()
find_program(RSVG_CONVERT rsvg-convert ${required})
find_program(HELP2MAN help2man ${required})
if(NOT RSVG_CONVERT OR NOT HELP2MAN)
  message(STATUS "Vorlund: rsvg-convert or help2man not found: the Debian package, its PNG "
    "icons and man page are left out (scripts/setup installs them)")
  return()
endif()
set(VORLUND_PACKAGING ON)

set(VORLUND_MAINTAINER "Vorlund developers <vorlund@example.org>" CACHE STRING
  "Maintainer named in the Debian package and its changelog")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vorlund)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "depth tag of an NC program to the clipboard and its name")
set(CPACK_PACKAGE_DESCRIPTION [[
Vorlund finds the deepest Z of an NC program (G-code text) and puts its
depth tag, h and the depth such as h12.5, on the clipboard. It also
renames the file to carry the tag: PART1.TAP becomes PART1h12.5.TAP.
It adds itself to the Open With list of G-code files in file managers, and a
"Tag depth" entry to their right-click menu in Dolphin, Nemo, Caja and PCManFM-Qt.]])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VORLUND_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The triggers of these two refresh the MIME and desktop databases.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils")
# Directories 755 whatever the umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
