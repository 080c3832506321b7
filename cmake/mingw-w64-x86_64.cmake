# Cross-building the Windows programs with Debian's MinGW-w64 compilers (posix thread model).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VLP_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VLP_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VLP_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VLP_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VLP_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One file that runs on a clean Windows: the C++ runtime and winpthreads linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

# Tests and tools built here run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
