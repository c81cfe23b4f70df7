# One place for the language level, the warnings and the sanitizers of our own code.
add_library(zorva_common INTERFACE)
target_compile_features(zorva_common INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)
target_compile_options(zorva_common INTERFACE -Wall -Wextra -Wpedantic)
if(ZORVA_WERROR)
  target_compile_options(zorva_common INTERFACE -Werror)
endif()
# GCC 12 warns, once it inlines std::string at -O2 and above, that `"text" + a_string` may copy
# overlapping memory (GCC bug 105329; fixed in GCC 13). It says so of nearly every such
# expression, and none of them overlaps.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(zorva_common INTERFACE $<$<NOT:$<CONFIG:Debug>>:-Wno-restrict>)
endif()

if(ZORVA_SANITIZE)
  # Applied to every target, so that the stand-in library and the test binaries agree.
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()
