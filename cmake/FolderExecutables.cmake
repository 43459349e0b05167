# Tests and benchmarks build one executable per folder below `root` that holds .cpp
# files: <prefix>_<folder name>, with the project's warnings and folder paths. For
# each, the macro named by `each` runs with `target`, `name` and `dir` set; it is a
# macro, so a folder's CMakeLists.extra.cmake it includes sets the caller's variables.
macro(bkt_folder_executables root prefix each)
  file(GLOB bkt_folders LIST_DIRECTORIES true CONFIGURE_DEPENDS ${root}/*)
  foreach(dir ${bkt_folders})
    get_filename_component(name ${dir} NAME)
    set(srcs "")
    if(IS_DIRECTORY ${dir})
      file(GLOB srcs CONFIGURE_DEPENDS ${dir}/*.cpp)
    endif()
    # The Windows build leaves out what has no counterpart there (regexes the caller sets).
    if(WIN32 AND srcs)
      if(BKT_WINDOWS_SKIP_FOLDERS AND name MATCHES "${BKT_WINDOWS_SKIP_FOLDERS}")
        set(srcs "")
      elseif(BKT_WINDOWS_SKIP_SOURCES)
        list(FILTER srcs EXCLUDE REGEX "${BKT_WINDOWS_SKIP_SOURCES}")
      endif()
    endif()
    if(srcs)
      set(target ${prefix}_${name})
      add_executable(${target} ${srcs})
      target_compile_options(${target} PRIVATE ${BKT_WARNINGS})
      target_compile_definitions(${target} PRIVATE
        BKT_SOURCE_DIR="${CMAKE_SOURCE_DIR}" BKT_BINARY_DIR="${CMAKE_BINARY_DIR}"
        BKT_DIST_DIR="${BKT_DIST_DIR}")
      cmake_language(CALL ${each})
    endif()
  endforeach()
endmacro()
