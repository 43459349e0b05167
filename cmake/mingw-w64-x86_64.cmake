# Cross-compiles for Windows x86-64 with Debian's mingw-w64 (the posix thread
# variant, which has std::thread and std::mutex). BKT_WIN_PREFIX names the folder
# holding the cross-built libraries (scripts/build-windows passes it).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(BKT_WIN_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${BKT_WIN_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BKT_WIN_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${BKT_WIN_TRIPLET}-windres)
set(CMAKE_AR ${BKT_WIN_TRIPLET}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${BKT_WIN_TRIPLET}-gcc-ranlib-posix CACHE FILEPATH "")

if(NOT BKT_WIN_PREFIX AND DEFINED ENV{BKT_WIN_PREFIX})
  set(BKT_WIN_PREFIX $ENV{BKT_WIN_PREFIX})
endif()
# try_compile projects read this file again; hand them the prefix too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES BKT_WIN_PREFIX)
set(CMAKE_FIND_ROOT_PATH /usr/${BKT_WIN_TRIPLET} ${BKT_WIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
