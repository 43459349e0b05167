# Tests and benchmarks build one executable per folder. This sets `target` to
# <prefix>_<folder name> and adds it from the folder's .cpp files with the project's
# warnings and folder paths, or sets `target` empty when `dir` is no folder of sources.
# A macro, so that the caller sees `target` and `name`.
macro(bkt_folder_executable dir prefix)
  set(target "")
  get_filename_component(name ${dir} NAME)
  set(srcs "")
  if(IS_DIRECTORY ${dir})
    file(GLOB srcs CONFIGURE_DEPENDS ${dir}/*.cpp)
  endif()
  if(srcs)
    set(target ${prefix}_${name})
    add_executable(${target} ${srcs})
    target_compile_options(${target} PRIVATE ${BKT_WARNINGS})
    target_compile_definitions(${target} PRIVATE
      BKT_SOURCE_DIR="${CMAKE_SOURCE_DIR}" BKT_BINARY_DIR="${CMAKE_BINARY_DIR}"
      BKT_DIST_DIR="${BKT_DIST_DIR}")
  endif()
endmacro()
