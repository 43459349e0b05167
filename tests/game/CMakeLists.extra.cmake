target_link_libraries(${target} PRIVATE game)
target_compile_definitions(${target} PRIVATE BKT_GAME_VERSION_FOR_TESTS="${PROJECT_VERSION}")
