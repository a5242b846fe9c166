# Install rules: the library, its headers (flat, in include/ZDBGrids) and a
# package configuration, so that an application writes find_package(ZDBGrids)
# and links ZDBGrids::ZDBGrids.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(ZDB_QT_MIN_VERSION 6.2)
set(ZDB_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/ZDBGrids)

# Headers are installed flat, so two headers of one name in different src/
# folders would overwrite each other: refuse that at configure time.
get_target_property(_zdb_public_headers ZDBGrids PUBLIC_HEADER)
set(_zdb_header_names "")
foreach(_zdb_header IN LISTS _zdb_public_headers)
  get_filename_component(_zdb_name ${_zdb_header} NAME)
  if(_zdb_name IN_LIST _zdb_header_names)
    message(FATAL_ERROR "Two library headers are named ${_zdb_name}; headers install flat into "
                        "include/ZDBGrids, so header names must be unique across src/.")
  endif()
  list(APPEND _zdb_header_names ${_zdb_name})
endforeach()

set_target_properties(ZDBGrids PROPERTIES EXPORT_NAME ZDBGrids)
install(TARGETS ZDBGrids EXPORT ZDBGridsTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/ZDBGrids)
install(EXPORT ZDBGridsTargets
  NAMESPACE ZDBGrids::
  DESTINATION ${ZDB_INSTALL_CMAKEDIR})

configure_package_config_file(
  ${CMAKE_CURRENT_LIST_DIR}/ZDBGridsConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/ZDBGridsConfig.cmake
  INSTALL_DESTINATION ${ZDB_INSTALL_CMAKEDIR})
write_basic_package_version_file(
  ${CMAKE_CURRENT_BINARY_DIR}/ZDBGridsConfigVersion.cmake
  VERSION ${PROJECT_VERSION}
  COMPATIBILITY SameMinorVersion)
install(FILES
  ${CMAKE_CURRENT_BINARY_DIR}/ZDBGridsConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/ZDBGridsConfigVersion.cmake
  DESTINATION ${ZDB_INSTALL_CMAKEDIR})
