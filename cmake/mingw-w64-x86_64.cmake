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

# The MinGW system root, plus the prefixes holding the cross-built libraries (CMAKE_PREFIX_PATH,
# the one scripts/build-windows fills): packages are looked for only there, never among the host's
# Linux libraries.
set(CMAKE_FIND_ROOT_PATH /usr/${LPC_MINGW_TRIPLE} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# GCC 12's string concatenation trips a false -Wrestrict warning once inlined (GCC bug 105329).
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")

# Static C and C++ runtimes: the program must not need MinGW's DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Running cross-built test programs goes through Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
