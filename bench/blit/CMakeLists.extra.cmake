# pixman is the yardstick of the blit benchmark only.
pkg_check_modules(PIXMAN REQUIRED IMPORTED_TARGET pixman-1)
target_link_libraries(${target} PRIVATE PkgConfig::PIXMAN)
# SDL2's software blitter is the other yardstick (sdl_cases.cpp).
target_link_libraries(${target} PRIVATE PkgConfig::SDL2)
