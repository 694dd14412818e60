# zelctl calling a server that is not there: by default its own one line on
# standard error and exit status 1; the library's lines only when --diag or
# ZEL_DIAG asks for them.
set(line "zelctl: QueryServerStatus failed: connection refused by ${SERVER}\n")
set(call ${RUNNER} ${ZELCTL} --server ${SERVER} --timeout 5000 status)

function(run name environment)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env ${environment} ${ARGN}
                  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT result EQUAL 1)
    message(FATAL_ERROR "${name}: exit status ${result}, not 1")
  endif()
  set(err "${err}" PARENT_SCOPE)
endfunction()

run(default --unset=ZEL_DIAG ${call})
if(NOT err STREQUAL line)
  message(FATAL_ERROR "default: standard error is not the one line:\n${err}")
endif()

function(expect_both name)
  string(FIND "${err}" "${line}" own)
  string(FIND "${err}" "Send RPC Failed" library)
  if(own EQUAL -1 OR library EQUAL -1)
    message(FATAL_ERROR "${name}: expected zelctl's line and the library's warning:\n${err}")
  endif()
endfunction()

run(--diag --unset=ZEL_DIAG ${RUNNER} ${ZELCTL} --diag WARN --server ${SERVER} --timeout 5000 status)
expect_both(--diag)
run(ZEL_DIAG ZEL_DIAG=WARN ${call})
expect_both(ZEL_DIAG)
