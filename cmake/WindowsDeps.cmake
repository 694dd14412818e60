# A Windows cross build finds libzmq, cppzmq, CLI11, nlohmann-json and date in
# the folder scripts/windows-deps makes once (libzmq from Debian's source
# package), never among the host's headers and libraries; Google Benchmark
# too (also from Debian's sources) where the benchmarks are built.
set(zelclnt_windows_deps_extra)
if(ZELCLNT_BUILD_BENCHMARKS)
  set(zelclnt_windows_deps_extra benchmark)
endif()
execute_process(COMMAND ${PROJECT_SOURCE_DIR}/scripts/windows-deps ${CMAKE_SYSTEM_PROCESSOR} ${zelclnt_windows_deps_extra}
                OUTPUT_VARIABLE ZELCLNT_WINDOWS_DEPS OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE made)
if(NOT made EQUAL 0)
  message(FATAL_ERROR "scripts/windows-deps ${CMAKE_SYSTEM_PROCESSOR} failed")
endif()
find_package(ZeroMQ CONFIG REQUIRED PATHS ${ZELCLNT_WINDOWS_DEPS}/CMake NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)

add_library(cppzmq INTERFACE IMPORTED GLOBAL)
target_link_libraries(cppzmq INTERFACE libzmq-static)
foreach(headers CLI11::CLI11 nlohmann_json::nlohmann_json)
  add_library(${headers} INTERFACE IMPORTED GLOBAL)
  target_include_directories(${headers} SYSTEM INTERFACE ${ZELCLNT_WINDOWS_DEPS}/include)
endforeach()
add_library(date::date INTERFACE IMPORTED GLOBAL)
target_include_directories(date::date SYSTEM INTERFACE ${ZELCLNT_WINDOWS_DEPS}/include)
target_compile_definitions(date::date INTERFACE ONLY_C_LOCALE=1 HAS_STRING_VIEW=1)
set(CLI11_FOUND TRUE)
set(nlohmann_json_FOUND TRUE)
