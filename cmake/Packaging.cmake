# A portable .tar.gz of the installed folder: `cmake --build <build> --target package`.
# Unpacked anywhere, the program runs from its folder and makes Data/Ini beside itself; the
# package carries no Data folder, so that unpacking a new version over an old one never
# replaces a hotel's rooms or settings. Qt 6 comes from the system.

install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
# The desktop's menu entry; Windows has its installer's Start-menu entry instead.
if(NOT WIN32)
  install(FILES
    ${PROJECT_SOURCE_DIR}/packaging/zorva-kilit.desktop
    ${PROJECT_SOURCE_DIR}/packaging/zorva-kilit.svg
    DESTINATION .)
  install(PROGRAMS ${PROJECT_SOURCE_DIR}/packaging/install-menu-entry.sh DESTINATION .)
endif()

set(CPACK_GENERATOR TGZ)
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_PACKAGE_NAME zorva-kilit)
set(CPACK_PACKAGE_VENDOR Zorva)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Bridge between a hotel front office and a door-lock card encoder")
set(CPACK_SYSTEM_NAME linux-${CMAKE_SYSTEM_PROCESSOR})
set(CPACK_PACKAGE_FILE_NAME ${CPACK_PACKAGE_NAME}-${CPACK_PACKAGE_VERSION}-${CPACK_SYSTEM_NAME})
# Everything inside one folder named like the package.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CHECKSUM SHA256)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build[^/]*/" "/out/")

# For the test that unpacks the package and runs it.
set(ZORVA_PACKAGE_FILE_NAME ${CPACK_PACKAGE_FILE_NAME})
include(CPack)
