# The asset tests read the generated data and run the generator itself.
add_dependencies(${target} game_data assetgen)
target_compile_definitions(${target} PRIVATE ASSETGEN_PATH="$<TARGET_FILE:assetgen>")
# The encoder's own source, for a round trip through an independent decoder.
target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/tools/assetgen/ima_adpcm.cpp)
target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/tools/assetgen)
# The physics check steps the player with the game's own code.
target_link_libraries(${target} PRIVATE game)
