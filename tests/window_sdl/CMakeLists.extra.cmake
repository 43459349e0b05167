# The window tests drive the real game executable under Xvfb through Xlib.
pkg_check_modules(X11 REQUIRED IMPORTED_TARGET x11)
target_link_libraries(${target} PRIVATE PkgConfig::X11)
if(TARGET borrakezti)
  add_dependencies(${target} borrakezti)
endif()
