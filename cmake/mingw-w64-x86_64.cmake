# Cross-compiling for 64-bit Windows with MinGW-w64 (Debian's mingw-w64 packages).
# The posix thread flavour gives the full C++ thread library; -static keeps its runtime
# (and libstdc++, libgcc) inside the executable.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(LPC_MINGW_TRIPLE x86_64-w64-mingw32)
find_program(LPC_MINGW_CC NAMES ${LPC_MINGW_TRIPLE}-gcc-posix ${LPC_MINGW_TRIPLE}-gcc REQUIRED)
find_program(LPC_MINGW_CXX NAMES ${LPC_MINGW_TRIPLE}-g++-posix ${LPC_MINGW_TRIPLE}-g++ REQUIRED)
set(CMAKE_C_COMPILER ${LPC_MINGW_CC})
set(CMAKE_CXX_COMPILER ${LPC_MINGW_CXX})
set(CMAKE_RC_COMPILER ${LPC_MINGW_TRIPLE}-windres)
set(CMAKE_ASM_NASM_COMPILER nasm)

set(CMAKE_FIND_ROOT_PATH /usr/${LPC_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Running cross-built test programs goes through Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
