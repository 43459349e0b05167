# Installation: the game (a launcher in bin/, the executables in libexec/, the
# read-only data in share/borrakezti/), desktop entry and icons, the runtime as a
# library (static archives, public header, CMake package, pkg-config files) and
# the archiver. Everything is relocatable: paths are found from where the files lie.
include(GNUInstallDirs)

set(BKT_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/borrakezti)
set(BKT_INSTALL_LIBEXECDIR ${CMAKE_INSTALL_LIBEXECDIR}/borrakezti)
set(BKT_INSTALL_RUNTIME_LIBDIR ${CMAKE_INSTALL_LIBDIR}/borra)
set(BKT_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/BorraRuntime)
set(BKT_INSTALL_PKGCONFIGDIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
set(BKT_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(BKT_PACKAGING_OUT ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${BKT_PACKAGING_OUT})

# Relative path from an installed folder back to the prefix ("../..").
function(bkt_path_to_prefix out dir)
  file(RELATIVE_PATH rel /prefix/${dir} /prefix)
  string(REGEX REPLACE "/$" "" rel "${rel}")
  if(rel STREQUAL "")
    set(rel ".")
  endif()
  set(${out} ${rel} PARENT_SCOPE)
endfunction()

# ---- The game ---------------------------------------------------------------
bkt_path_to_prefix(BKT_BIN_TO_PREFIX ${CMAKE_INSTALL_BINDIR})
set(BKT_DATA_DIR ${BKT_INSTALL_DATADIR})
set(BKT_LIBEXEC_DIR ${BKT_INSTALL_LIBEXECDIR})
configure_file(${BKT_PACKAGING_DIR}/borrakezti.in ${BKT_PACKAGING_OUT}/borrakezti @ONLY)
install(PROGRAMS ${BKT_PACKAGING_OUT}/borrakezti DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS borrakezti borrakezti-replay RUNTIME DESTINATION ${BKT_INSTALL_LIBEXECDIR})
install(FILES ${BKT_DIST_DIR}/bkt.data ${BKT_DIST_DIR}/demo.script DESTINATION ${BKT_INSTALL_DATADIR})
install(DIRECTORY ${BKT_DIST_DIR}/bkt ${BKT_DIST_DIR}/sg DESTINATION ${BKT_INSTALL_DATADIR})

# ---- Desktop entry, AppStream metainfo, manual pages and icons ------------------
install(FILES ${BKT_PACKAGING_DIR}/borrakezti.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${BKT_PACKAGING_DIR}/io.github.borrakezti.borrakezti.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${BKT_PACKAGING_DIR}/borrakezti.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${BKT_PACKAGING_DIR}/borrakezti-replay.1 ${BKT_PACKAGING_DIR}/borrakezti-archiver.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(BKT_ICON_SIZES 16 22 24 32 48 64 128 256)
set(BKT_ICON_DIR ${CMAKE_BINARY_DIR}/generated/icons)
add_executable(icon_scale ${BKT_PACKAGING_DIR}/icon_scale.cpp)
target_compile_options(icon_scale PRIVATE ${BKT_WARNINGS})
target_link_libraries(icon_scale PRIVATE PkgConfig::PNG)
set(BKT_ICON_FILES)
foreach(size ${BKT_ICON_SIZES})
  list(APPEND BKT_ICON_FILES ${BKT_ICON_DIR}/${size}x${size}.png)
endforeach()
add_custom_command(
  OUTPUT ${BKT_ICON_FILES}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${BKT_ICON_DIR}
  COMMAND icon_scale ${CMAKE_BINARY_DIR}/generated/icon.png ${BKT_ICON_DIR} ${BKT_ICON_SIZES}
  DEPENDS icon_scale ${CMAKE_BINARY_DIR}/generated/icon.png
  COMMENT "Scaling the icon to the desktop sizes"
  VERBATIM)
add_custom_target(desktop_icons ALL DEPENDS ${BKT_ICON_FILES})
add_dependencies(desktop_icons game_data)
foreach(size ${BKT_ICON_SIZES})
  install(FILES ${BKT_ICON_DIR}/${size}x${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME borrakezti.png)
endforeach()

# ---- The runtime as a library -----------------------------------------------
# The archives keep their build names in a folder of their own.
install(TARGETS runtime platform_sdl platform_scripted ARCHIVE DESTINATION ${BKT_INSTALL_RUNTIME_LIBDIR})
install(FILES ${CMAKE_SOURCE_DIR}/runtime/runtime.h
              ${CMAKE_SOURCE_DIR}/runtime/platform/scripted/scripted.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/borra)

include(CMakePackageConfigHelpers)
bkt_path_to_prefix(BKT_CMAKEDIR_TO_PREFIX ${BKT_INSTALL_CMAKEDIR})
set(BKT_RUNTIME_LIBDIR ${BKT_INSTALL_RUNTIME_LIBDIR})
set(BKT_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR})
configure_file(${BKT_PACKAGING_DIR}/BorraRuntimeConfig.cmake.in
  ${BKT_PACKAGING_OUT}/BorraRuntimeConfig.cmake @ONLY)
write_basic_package_version_file(${BKT_PACKAGING_OUT}/BorraRuntimeConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${BKT_PACKAGING_OUT}/BorraRuntimeConfig.cmake
              ${BKT_PACKAGING_OUT}/BorraRuntimeConfigVersion.cmake
        DESTINATION ${BKT_INSTALL_CMAKEDIR})

bkt_path_to_prefix(BKT_PKGCONFIGDIR_TO_PREFIX ${BKT_INSTALL_PKGCONFIGDIR})
foreach(backend sdl scripted)
  set(BKT_PC_BACKEND ${backend})
  if(backend STREQUAL "sdl")
    set(BKT_PC_NAME borra-runtime)
    set(BKT_PC_DESCRIPTION "2D game runtime with the SDL desktop backend")
    set(BKT_PC_EXTRA_REQUIRES "sdl2")
  else()
    set(BKT_PC_NAME borra-runtime-scripted)
    set(BKT_PC_DESCRIPTION "2D game runtime with the headless scripted backend")
    set(BKT_PC_EXTRA_REQUIRES "")
  endif()
  configure_file(${BKT_PACKAGING_DIR}/borra-runtime.pc.in ${BKT_PACKAGING_OUT}/${BKT_PC_NAME}.pc @ONLY)
  install(FILES ${BKT_PACKAGING_OUT}/${BKT_PC_NAME}.pc DESTINATION ${BKT_INSTALL_PKGCONFIGDIR})
endforeach()

# ---- Tools and documents --------------------------------------------------------
install(PROGRAMS $<TARGET_FILE:archiver> DESTINATION ${CMAKE_INSTALL_BINDIR} RENAME borrakezti-archiver)
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/borrakezti)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/ DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/borrakezti FILES_MATCHING PATTERN "*.md" PATTERN "*.png")
install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/hello DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/borrakezti/examples)
