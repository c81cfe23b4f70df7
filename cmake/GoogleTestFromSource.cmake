# No GoogleTest is packaged for the target system of a cross-build; Debian's source package
# (googletest, in /usr/src/googletest) is built with the cross compiler instead.
set(ZORVA_GOOGLETEST_SOURCE_DIR /usr/src/googletest
    CACHE PATH "GoogleTest sources to build when cross-compiling")
if(NOT EXISTS ${ZORVA_GOOGLETEST_SOURCE_DIR}/CMakeLists.txt)
  message(FATAL_ERROR "No GoogleTest sources in ${ZORVA_GOOGLETEST_SOURCE_DIR} "
                      "(Debian: apt-get install googletest)")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
# SYSTEM, so that our warning flags do not reach into GoogleTest's own headers.
add_subdirectory(${ZORVA_GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest
                 EXCLUDE_FROM_ALL SYSTEM)
