# Cross toolchain for the Windows player and the libraries it links: the
# plug-in's x86_64 setup with the posix thread model, whose libstdc++ has
# std::mutex and std::thread (the audio mixer's lock needs them) and links
# winpthread statically.  LUMENO_WIN_PREFIX, when set, is where
# tools/build-win-deps installed those libraries.
include(${CMAKE_CURRENT_LIST_DIR}/../plugin/toolchain-x86_64.cmake)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
if(DEFINED ENV{LUMENO_WIN_PREFIX} AND NOT LUMENO_WIN_PREFIX)
  set(LUMENO_WIN_PREFIX $ENV{LUMENO_WIN_PREFIX})
endif()
if(LUMENO_WIN_PREFIX)
  list(APPEND CMAKE_FIND_ROOT_PATH ${LUMENO_WIN_PREFIX})
  # Try-compiles in a fresh project must see the same variable.
  list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES LUMENO_WIN_PREFIX)
endif()
