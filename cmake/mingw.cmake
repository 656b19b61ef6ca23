# Shared part of the mingw-w64 toolchain files; ORM_MINGW_CPU names the target (i686, x86_64).
# The -posix compilers: the -win32 libstdc++ lacks std::mutex, which GoogleTest needs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${ORM_MINGW_CPU})
set(CMAKE_C_COMPILER ${ORM_MINGW_CPU}-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORM_MINGW_CPU}-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER ${ORM_MINGW_CPU}-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${ORM_MINGW_CPU}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
