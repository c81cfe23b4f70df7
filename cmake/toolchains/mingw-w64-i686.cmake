# Cross-builds for 32-bit Windows on x86, the hotels' system, with Debian's mingw-w64
# (g++-mingw-w64-i686).
set(ZORVA_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
