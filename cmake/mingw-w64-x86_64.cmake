# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 (the posix thread
# model, which std::thread and std::mutex need).
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_FIND_ROOT_PATH="wx;gtest prefixes" ...
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VSE_MINGW_HOST x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${VSE_MINGW_HOST}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VSE_MINGW_HOST}-g++-posix)
set(CMAKE_RC_COMPILER ${VSE_MINGW_HOST}-windres)

# Libraries and headers come from the MinGW tree and the prefixes given on the
# command line (the toolkit, GoogleTest), never from the Linux system.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${VSE_MINGW_HOST})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One .exe that needs no DLL beside it: the compiler's own runtime and the C++
# library linked in, as the toolkit is.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# M_PI and its kin, which glibc's math.h gives without asking.
set(CMAKE_C_FLAGS_INIT "-D_USE_MATH_DEFINES")
set(CMAKE_CXX_FLAGS_INIT "-D_USE_MATH_DEFINES")
