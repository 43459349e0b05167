target_link_libraries(${target} PRIVATE game)
# The stage lint's roller rule is checked against the game's roller code on the built stages.
add_dependencies(${target} game_data)
target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/tools/assetgen/stage_lint.cpp)
target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/tools/assetgen)
target_compile_definitions(${target} PRIVATE BKT_GAME_VERSION_FOR_TESTS="${PROJECT_VERSION}")
