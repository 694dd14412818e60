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

# The tools, where they are built, find the library where it is installed.
foreach(tool zelctl presence-sim)
  if(TARGET ${tool})
    set_target_properties(${tool} PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
    install(TARGETS ${tool} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

if(WIN32)
  # What a Windows developer takes: the DLL and the tools, the import
  # library and package, the headers, the README's Windows section and the
  # licences of what the DLL links in.
  file(READ ${PROJECT_SOURCE_DIR}/README.md readme)
  string(REGEX MATCH "\n## Windows\n.*\n## Examples\n" windows "${readme}")
  string(REGEX REPLACE "^\n(.*)\n## Examples\n$" "# zelclnt\n\n\\1" windows "${windows}")
  file(WRITE ${PROJECT_BINARY_DIR}/README-Windows.md "${windows}")
  set(licences ${CMAKE_INSTALL_DATADIR}/licenses)
  install(FILES ${PROJECT_BINARY_DIR}/README-Windows.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zelclnt)
  install(DIRECTORY ${ZELCLNT_WINDOWS_DEPS}/share/licenses/libzmq DESTINATION ${licences})
  install(FILES /usr/share/doc/gcc-mingw-w64-base/copyright DESTINATION ${licences}/gcc
          RENAME libstdc++-libgcc-copyright)
  install(FILES /usr/share/doc/mingw-w64-common/copyright DESTINATION ${licences}/mingw-w64
          RENAME winpthreads-copyright)

  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_NAME zelclnt)
  set(CPACK_PACKAGE_VENDOR zelclnt)
  set(CPACK_PACKAGE_FILE_NAME zelclnt-${PROJECT_VERSION}-windows-${CMAKE_SYSTEM_PROCESSOR})
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  include(CPack)
endif()
