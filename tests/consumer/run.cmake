# Builds a program against zelclnt as a user would, and runs it. MODE
# "installed": installs the build tree BUILD_TREE into a scratch prefix and
# finds it with find_package; MODE "subdirectory": builds zelclnt inside the
# program's project with add_subdirectory.
function(run)
  execute_process(COMMAND ${ARGV} RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "failed (${result}): ${ARGV}")
  endif()
endfunction()

if(MODE STREQUAL "installed")
  set(prefix ${BINARY_DIR}/prefix)
  file(REMOVE_RECURSE ${prefix})
  run(${CMAKE_COMMAND} --install ${BUILD_TREE} --prefix ${prefix})
  set(consumer_args -DCMAKE_PREFIX_PATH=${prefix})
elseif(MODE STREQUAL "subdirectory")
  # No optimisation and no debug information: what is checked is that it
  # builds, and that is quickest.
  set(consumer_args -DCMAKE_BUILD_TYPE= -DZELCLNT_SOURCE_DIR=${SOURCE_DIR})
else()
  message(FATAL_ERROR "MODE must be installed or subdirectory, not \"${MODE}\"")
endif()
run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/consumer -B ${BINARY_DIR}/app -G ${GENERATOR} ${consumer_args})
run(${CMAKE_COMMAND} --build ${BINARY_DIR}/app)
run(${BINARY_DIR}/app/consumer)
run(${BINARY_DIR}/app/consumer_c)
