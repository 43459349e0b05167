# Packs with the archiver's own code.
target_link_libraries(${target} PRIVATE archiver_core)
