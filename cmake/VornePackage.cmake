# The Windows package: cmake --build --preset win32 --target package makes
# vorne-<version>-win32.zip (win64 for the 64-bit build): the driver, the
# command-line host, the host-library stand-ins in a folder that says they
# are for testing, and README-windows.txt.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(VORNE_PACKAGE_ARCH win32)
else()
  set(VORNE_PACKAGE_ARCH win64)
endif()

set(VORNE_VERSION ${PROJECT_VERSION})
configure_file(${PROJECT_SOURCE_DIR}/packaging/README-windows.txt ${PROJECT_BINARY_DIR}/README-windows.txt @ONLY
               NEWLINE_STYLE CRLF)

# The programs go out without debug information (CPACK_STRIP_FILES); the
# build tree keeps it, and the symbol table the DLL table check reads. Import
# libraries are no part of the package.
install(TARGETS vorne_driver vorne RUNTIME DESTINATION . ARCHIVE DESTINATION lib EXCLUDE_FROM_ALL)
install(TARGETS tagcore netwise portwise RUNTIME DESTINATION stand-ins-for-testing
        ARCHIVE DESTINATION lib EXCLUDE_FROM_ALL)
install(FILES ${PROJECT_BINARY_DIR}/README-windows.txt DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME vorne)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME vorne-${PROJECT_VERSION}-${VORNE_PACKAGE_ARCH})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_BINARY_DIR})
set(CPACK_STRIP_FILES TRUE)
include(CPack)
