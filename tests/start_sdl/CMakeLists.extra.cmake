# The start-up tests run the real game executable, with and without a display (Xvfb).
pkg_check_modules(X11 REQUIRED IMPORTED_TARGET x11)
target_link_libraries(${target} PRIVATE PkgConfig::X11)
if(TARGET borrakezti)
  add_dependencies(${target} borrakezti)
endif()
