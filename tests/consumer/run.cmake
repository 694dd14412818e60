# Installs zelclnt into a scratch prefix and builds a program against it with
# find_package, as a user of the installed library would.
set(prefix ${BINARY_DIR}/prefix)
function(run)
  execute_process(COMMAND ${ARGV} RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "failed (${result}): ${ARGV}")
  endif()
endfunction()

run(${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${BINARY_DIR}/lib -G ${GENERATOR} -DCMAKE_BUILD_TYPE=Release
    -DZELCLNT_BUILD_TESTS=OFF -DZELCLNT_BUILD_TOOLS=OFF -DZELCLNT_BUILD_BENCHMARKS=OFF
    -DCMAKE_INSTALL_PREFIX=${prefix})
run(${CMAKE_COMMAND} --build ${BINARY_DIR}/lib)
run(${CMAKE_COMMAND} --install ${BINARY_DIR}/lib)
run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/consumer -B ${BINARY_DIR}/app -G ${GENERATOR}
    -DCMAKE_PREFIX_PATH=${prefix})
run(${CMAKE_COMMAND} --build ${BINARY_DIR}/app)
run(${BINARY_DIR}/app/consumer)
