# Installation: the library, its public headers under include/ktpm, the data files, an exported
# ktpm::ktpm target for find_package(ktpm) and a ktpm.pc for pkg-config. Nothing in the install
# names the build machine or the prefix: the package files find their prefix from where they lie,
# and the library finds its data beside itself at run time, so an installation can be moved.
include(CMakePackageConfigHelpers)

install(TARGETS ktpm EXPORT ktpmTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

# Only the public headers, and the internal ones they include, are installed.
include(${CMAKE_CURRENT_LIST_DIR}/KtpmHeaderClosure.cmake)
ktpm_header_closure(ktpm_installed_headers ${PROJECT_SOURCE_DIR}/src ktpm/ktpm.h)
foreach(header ${ktpm_installed_headers})
  get_filename_component(header_dir ${header} DIRECTORY)
  install(FILES ${PROJECT_SOURCE_DIR}/src/${header}
          DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/${header_dir})
endforeach()

install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/ DESTINATION ${CMAKE_INSTALL_DATADIR}/ktpm)

install(EXPORT ktpmTargets NAMESPACE ktpm:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/ktpm)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/ktpmConfig.cmake.in
  ${PROJECT_BINARY_DIR}/ktpmConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/ktpm)
# While the major version is 0 a new minor version may break the interface.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/ktpmConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/ktpmConfig.cmake ${PROJECT_BINARY_DIR}/ktpmConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/ktpm)

# pkg-config: the prefix is found from the .pc file's own place (${pcfiledir}). A static library
# names what it links against on its Libs line, so a plain `pkg-config --libs ktpm` links.
file(RELATIVE_PATH ktpm_pc_to_prefix
  ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" ktpm_pc_to_prefix "${ktpm_pc_to_prefix}")
if(BUILD_SHARED_LIBS)
  set(KTPM_PC_LIBS "-L\${libdir} -lktpm")
  set(KTPM_PC_REQUIRES "")
  set(KTPM_PC_REQUIRES_PRIVATE "sqlite3")
  set(KTPM_PC_LIBS_PRIVATE "-pthread ${CMAKE_DL_LIBS}")
else()
  set(KTPM_PC_LIBS "-L\${libdir} -lktpm -pthread")
  if(CMAKE_DL_LIBS)
    string(APPEND KTPM_PC_LIBS " -l${CMAKE_DL_LIBS}")
  endif()
  set(KTPM_PC_REQUIRES "sqlite3")
  set(KTPM_PC_REQUIRES_PRIVATE "")
  set(KTPM_PC_LIBS_PRIVATE "")
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/ktpm.pc.in ${PROJECT_BINARY_DIR}/ktpm.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/ktpm.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
