# The Windows build (cross-compiled with mingw-w64, see scripts/build-windows):
# libraries from the prefix the script fills, linked statically so that the game
# is one executable; no fontconfig (fonts come from the system's font service).
set(BKT_WIN_PREFIX "${BKT_WIN_PREFIX}" CACHE PATH "Folder of the cross-built libraries")
set(ENV{PKG_CONFIG_LIBDIR} "${BKT_WIN_PREFIX}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
# Static libraries name their own dependencies only in the private fields.
set(PKG_CONFIG_ARGN --static)
add_library(PkgConfig::FONTCONFIG INTERFACE IMPORTED)

add_compile_definitions(_WIN32_WINNT=0x0601 NOMINMAX _USE_MATH_DEFINES __USE_MINGW_ANSI_STDIO=1)
add_link_options(-static)
enable_language(RC)

# The game data is made by the host's own assetgen and archiver when they are
# given (a Windows executable cannot run during the build without an emulator).
set(BKT_HOST_BUILD_DIR "" CACHE PATH "A host build of this tree whose assetgen and archiver make the data")
# libmpg123's static library calls the shell's path helpers without naming them.
set(CMAKE_CXX_STANDARD_LIBRARIES "${CMAKE_CXX_STANDARD_LIBRARIES} -lshlwapi")
