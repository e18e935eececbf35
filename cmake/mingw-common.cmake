# What both mingw-w64 toolchains share; RAVEL_MINGW_TRIPLET names the target.
set(CMAKE_C_COMPILER ${RAVEL_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${RAVEL_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${RAVEL_MINGW_TRIPLET}-windres)
set(CMAKE_OBJDUMP ${RAVEL_MINGW_TRIPLET}-objdump)
set(CMAKE_FIND_ROOT_PATH /usr/${RAVEL_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The C++ runtime and the thread library go inside every binary, so that a
# DLL or test program needs nothing but Windows' own DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
