# `cmake --build --preset windows --target package` leaves the per-user
# installer vorlund-<version>-setup.exe (NSIS) and a portable .zip of the two
# programs (Vorlund.exe, vorlund.com) and the README in the build folder.
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)

set(CPACK_PACKAGE_NAME vorlund)
set(CPACK_PACKAGE_VENDOR Vorlund)
set(CPACK_PACKAGE_FILE_NAME vorlund-${PROJECT_VERSION}-windows)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_GENERATOR ZIP External)
set(CPACK_EXTERNAL_ENABLE_STAGING ON)
set(CPACK_EXTERNAL_PACKAGE_SCRIPT ${PROJECT_BINARY_DIR}/MakeSetup.cmake)
set(VORLUND_SETUP ${PROJECT_BINARY_DIR}/vorlund-${PROJECT_VERSION}-setup.exe)
set(VORLUND_NSIS_TEMPLATE ${CMAKE_CURRENT_LIST_DIR}/vorlund.nsi.in)

# Run by CPack with the staged files in CPACK_TEMPORARY_DIRECTORY.
file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/MakeSetup.cmake @ONLY CONTENT [=[
set(STAGE ${CPACK_TEMPORARY_DIRECTORY})
set(SETUP "@VORLUND_SETUP@")
set(PROJECT_VERSION "@PROJECT_VERSION@")
configure_file("@VORLUND_NSIS_TEMPLATE@" "@PROJECT_BINARY_DIR@/vorlund.nsi" @ONLY)
execute_process(COMMAND makensis -V2 "@PROJECT_BINARY_DIR@/vorlund.nsi" COMMAND_ERROR_IS_FATAL ANY)
]=])
include(CPack)
