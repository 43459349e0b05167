# The asset tests read the generated data and run the generator itself.
add_dependencies(${target} game_data assetgen)
target_compile_definitions(${target} PRIVATE ASSETGEN_PATH="$<TARGET_FILE:assetgen>")
