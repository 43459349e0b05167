# The options screen of the real game under Xvfb, driven with xdotool, read through Xlib.
pkg_check_modules(X11 REQUIRED IMPORTED_TARGET x11)
target_link_libraries(${target} PRIVATE PkgConfig::X11)
if(TARGET borrakezti)
  add_dependencies(${target} borrakezti)
endif()
if(TARGET game_data)
  add_dependencies(${target} game_data)
endif()
