# Cross-compiling toolchain: Debian's mingw-w64 for 64-bit Windows.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(_triple x86_64-w64-mingw32)
# The posix thread model gives the C++ standard library its threads and
# mutexes (GoogleTest needs them); with -static nothing of it is imported.
set(CMAKE_C_COMPILER   ${_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_triple}-g++-posix)
set(CMAKE_RC_COMPILER  ${_triple}-windres)
set(CMAKE_ASM_NASM_COMPILER nasm)

# Libraries cross-built by scripts/setup.sh (libjpeg-turbo) live in the
# git-ignored cache next to the sources; zlib comes from Debian's package.
get_filename_component(_repo "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(SNAPLARK_MINGW_DEPS "${_repo}/.cache/mingw-deps" CACHE PATH "Cross-built dependencies")
set(CMAKE_FIND_ROOT_PATH /usr/${_triple} "${SNAPLARK_MINGW_DEPS}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Windows test programs run under Wine, inside the shared test desktop.
set(CMAKE_CROSSCOMPILING_EMULATOR "${_repo}/scripts/wine-exec.sh")
