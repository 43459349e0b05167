# The SDL backend's controllers, driven through SDL's virtual joysticks with the
# dummy drivers (no device or display needed).
add_executable(test_input_sdl ${dir}/sdl/sdl_pad_test.cpp)
target_compile_options(test_input_sdl PRIVATE ${BKT_WARNINGS})
target_compile_definitions(test_input_sdl PRIVATE BKT_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
bkt_link_backend(test_input_sdl platform_sdl)
target_link_libraries(test_input_sdl PRIVATE GTest::gtest GTest::gtest_main)
# Labelled "sdl" like the other desktop-backend suites, so runs that leave those out leave it out too.
gtest_discover_tests(test_input_sdl WORKING_DIRECTORY ${CMAKE_BINARY_DIR} DISCOVERY_TIMEOUT 60
  PROPERTIES TIMEOUT 600 LABELS sdl ENVIRONMENT "SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy")
