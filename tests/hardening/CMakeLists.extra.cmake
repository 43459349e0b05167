# Every malloc and calloc the runtime's objects make goes through the test's wrappers,
# which note the largest request while a check is running.
target_link_options(${target} PRIVATE -Wl,--wrap=malloc -Wl,--wrap=calloc)
