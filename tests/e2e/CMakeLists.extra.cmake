target_link_libraries(${target} PRIVATE game)
# The e2e runs need the replay tool and the game data in build/dist.
add_dependencies(${target} borrakezti-replay)
if(TARGET game_data)
  add_dependencies(${target} game_data)
endif()
