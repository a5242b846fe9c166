# ctest script: installs the build tree into a temporary prefix, then configures,
# builds and runs cmake/consumer against it with find_package(ZDBGrids).
# Called as cmake -DBINARY_DIR=... -DSOURCE_DIR=... -DWORK_DIR=... -DCONFIG=...
#   -DGENERATOR=... -DCXX_COMPILER=... -DCXX_FLAGS=... -P ConsumerTest.cmake
foreach(var BINARY_DIR SOURCE_DIR WORK_DIR GENERATOR CXX_COMPILER)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "ConsumerTest.cmake: ${var} is not set")
  endif()
endforeach()
if(NOT CONFIG)
  set(CONFIG Debug)
endif()

function(run step)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${step} failed (${rc}):\n${out}")
  endif()
  set(OUTPUT "${out}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)

run("install" ${CMAKE_COMMAND} --install ${BINARY_DIR} --prefix ${prefix} --config ${CONFIG})
if(NOT EXISTS ${prefix}/include/ZDBGrids/DBError.h)
  message(FATAL_ERROR "install did not put the headers flat into include/ZDBGrids")
endif()
file(GLOB_RECURSE configs ${prefix}/*/ZDBGridsConfig.cmake ${prefix}/*/ZDBGridsConfigVersion.cmake
     ${prefix}/*/ZDBGridsTargets.cmake)
list(LENGTH configs count)
if(NOT count EQUAL 3)
  message(FATAL_ERROR "install did not put the package configuration into the prefix: ${configs}")
endif()

run("configure consumer" ${CMAKE_COMMAND} -S ${SOURCE_DIR}/cmake/consumer -B ${WORK_DIR}/build
    -G ${GENERATOR}
    -DCMAKE_BUILD_TYPE=${CONFIG}
    -DCMAKE_PREFIX_PATH=${prefix}
    -DCMAKE_CXX_COMPILER=${CXX_COMPILER}
    "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}"
    "-DCMAKE_EXE_LINKER_FLAGS=${CXX_FLAGS}")
run("build consumer" ${CMAKE_COMMAND} --build ${WORK_DIR}/build --config ${CONFIG})

find_program(consumer NAMES consumer PATHS ${WORK_DIR}/build ${WORK_DIR}/build/${CONFIG} NO_DEFAULT_PATH)
if(NOT consumer)
  message(FATAL_ERROR "the consumer executable was not built")
endif()
run("run consumer" ${consumer})
if(NOT OUTPUT MATCHES "consumer reached the library")
  message(FATAL_ERROR "the consumer printed:\n${OUTPUT}")
endif()
message(STATUS "consumer built against the installed package and ran: ${OUTPUT}")
file(REMOVE_RECURSE ${WORK_DIR})
