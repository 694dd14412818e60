include(CMakePackageConfigHelpers)

install(TARGETS zelclnt EXPORT zelclntTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY include/zelclnt platform/include/zelclnt DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT zelclntTargets NAMESPACE zelclnt:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/zelclnt)

configure_package_config_file(cmake/zelclntConfig.cmake.in ${PROJECT_BINARY_DIR}/zelclntConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/zelclnt)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/zelclntConfigVersion.cmake COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/zelclntConfig.cmake ${PROJECT_BINARY_DIR}/zelclntConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/zelclnt)
