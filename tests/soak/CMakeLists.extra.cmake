# The soak runs the real game code for an hour of frames, so it needs the game library
# and its data, and carries the "long" label (scripts/test leaves it to .ci/run).
target_link_libraries(${target} PRIVATE game)
if(TARGET game_data)
  add_dependencies(${target} game_data)
endif()
# Every test of this folder is long: scripts/test leaves it out, .ci/run runs it.
set(BKT_TEST_LABELS long)
set(BKT_TEST_TIMEOUT 3600)
