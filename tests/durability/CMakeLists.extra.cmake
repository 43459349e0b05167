# The writers under test are the game's own.
target_link_libraries(${target} PRIVATE game)
