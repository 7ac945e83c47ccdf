# Cross-build of the Windows executables with Debian's mingw-w64 (posix thread model, so that
# std::thread and std::mutex are available), linked statically: the .exe needs only Windows' own DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
# At -O2 this GCC 12 reports std::string and std::vector copies inlined from libstdc++ as
# overlapping, out of bounds or over-reading: known false positives of that release that would bury
# real warnings. The Linux build keeps them all.
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict -Wno-array-bounds -Wno-stringop-overread -Wno-stringop-overflow")
