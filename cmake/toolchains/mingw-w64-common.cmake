# What both mingw-w64 toolchains share; the including file sets ZORVA_MINGW_TRIPLET.
set(CMAKE_SYSTEM_NAME Windows)
string(REGEX MATCH "^[^-]+" CMAKE_SYSTEM_PROCESSOR "${ZORVA_MINGW_TRIPLET}")

# The "posix" flavour: its C++ runtime has std::thread and std::mutex, which the listener
# needs; the "win32" flavour of this compiler version has neither.
set(CMAKE_C_COMPILER ${ZORVA_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZORVA_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ZORVA_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZORVA_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Programs and the encoder library carry the compiler's own runtime (libgcc, libstdc++,
# winpthreads) inside them, so that they run from any folder without its DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
