# Builds a program against zelclnt as a user would, and runs it. MODE
# "installed": installs zelclnt into a scratch prefix and finds it with
# find_package; MODE "subdirectory": builds it inside the program's project
# with add_subdirectory.
function(run)
  execute_process(COMMAND ${ARGV} RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "failed (${result}): ${ARGV}")
  endif()
endfunction()

if(MODE STREQUAL "installed")
  set(prefix ${BINARY_DIR}/prefix)
  run(${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${BINARY_DIR}/lib -G ${GENERATOR} -DCMAKE_BUILD_TYPE=Release
      -DZELCLNT_BUILD_TESTS=OFF -DZELCLNT_BUILD_TOOLS=OFF -DZELCLNT_BUILD_BENCHMARKS=OFF
      -DZELCLNT_BUILD_EXAMPLES=OFF -DCMAKE_INSTALL_PREFIX=${prefix})
  run(${CMAKE_COMMAND} --build ${BINARY_DIR}/lib)
  run(${CMAKE_COMMAND} --install ${BINARY_DIR}/lib)
  set(consumer_args -DCMAKE_PREFIX_PATH=${prefix})
elseif(MODE STREQUAL "subdirectory")
  set(consumer_args -DCMAKE_BUILD_TYPE=Release -DZELCLNT_SOURCE_DIR=${SOURCE_DIR})
else()
  message(FATAL_ERROR "MODE must be installed or subdirectory, not \"${MODE}\"")
endif()
run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/consumer -B ${BINARY_DIR}/app -G ${GENERATOR} ${consumer_args})
run(${CMAKE_COMMAND} --build ${BINARY_DIR}/app)
run(${BINARY_DIR}/app/consumer)
