# Configures a scratch copy of the tree as it is, then once with each layer
# rule broken, and expects every broken copy to be refused with a message
# naming the file. Headless (no Qt) and without building, so it takes
# seconds: the rules hold the same with the GUI on.
#
#   cmake -DSOURCE=<tree> -DSCRATCH=<dir> [-DGENERATOR=..] [-DCXX=..] -P check-layers.cmake

set(tree ${SCRATCH}/tree)
set(build ${SCRATCH}/build)
file(REMOVE_RECURSE ${SCRATCH})
file(MAKE_DIRECTORY ${tree})
foreach(part CMakeLists.txt src tests fuzz)
  file(COPY ${SOURCE}/${part} DESTINATION ${tree})
endforeach()

set(options -DTIDEMARK_GUI=OFF -DTIDEMARK_BENCH=OFF -DTIDEMARK_TESTS=ON)
if(GENERATOR)
  list(APPEND options -G ${GENERATOR})
endif()
if(CXX)
  list(APPEND options -DCMAKE_CXX_COMPILER=${CXX})
endif()

function(configure result output)
  execute_process(COMMAND ${CMAKE_COMMAND} -S ${tree} -B ${build} ${options}
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(${result} ${status} PARENT_SCOPE)
  set(${output} "${out}${err}" PARENT_SCOPE)
endfunction()

configure(status output)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the tree as it is does not configure:\n${output}")
endif()

# One broken rule: `file` (relative to the tree) is replaced by `content`
# while the configure runs, and the refusal must contain `expected`.
set(failures 0)
function(expect_refusal what file content expected)
  set(path ${tree}/${file})
  set(existed FALSE)
  if(EXISTS ${path})
    set(existed TRUE)
    file(READ ${path} saved)
  endif()
  file(WRITE ${path} "${content}")
  configure(status output)
  if(existed)
    file(WRITE ${path} "${saved}")
  else()
    file(REMOVE ${path})
  endif()
  string(FIND "${output}" "${expected}" at)
  if(status EQUAL 0 OR at EQUAL -1)
    message(SEND_ERROR "${what}: expected a refusal naming \"${expected}\", got (${status}):\n${output}")
    math(EXPR count "${failures} + 1")
    set(failures ${count} PARENT_SCOPE)
  else()
    string(REGEX MATCH "CMake Error[^\n]*\n[^\n]*\n[^\n]*" shown "${output}")
    message(STATUS "${what}: refused\n${shown}\n")
  endif()
endfunction()

file(READ ${tree}/CMakeLists.txt lists)
file(READ ${tree}/src/core/Clock.h clock)

expect_refusal("a Qt include in a Qt-free module" src/core/Clock.h
  "#include <QString>\n${clock}" "src/core/Clock.h")
string(REPLACE "DEPS nlohmann_json::nlohmann_json)" "DEPS nlohmann_json::nlohmann_json Qt6::Core)"
  broken "${lists}")
expect_refusal("a Qt-free module linking Qt" CMakeLists.txt "${broken}"
  "module tm_base is Qt-free but depends on Qt6::Core")
string(REPLACE "DEPS tm_probe tm_risk tm_history tm_advice)"
  "DEPS tm_probe tm_risk tm_history tm_advice tm_panel)" broken "${lists}")
expect_refusal("a Qt-free module linking a Qt module" CMakeLists.txt "${broken}"
  "module tm_engine is Qt-free but depends on tm_panel")
expect_refusal("a source in no module" src/core/Stray.cpp "int stray;\n" "src/core/Stray.cpp")
string(REPLACE "FILES core/RiskModel.cpp" "FILES core/Clock.cpp core/RiskModel.cpp" broken "${lists}")
expect_refusal("a source in two modules" CMakeLists.txt "${broken}" "src/core/Clock.cpp")
string(REPLACE "core/GrowthHistory.cpp" "core/GrowthHistory.cpp core/ProbePlatform.cpp"
  broken "${lists}")
expect_refusal("a pattern matching nothing" CMakeLists.txt "${broken}" "src/core/ProbePlatform.cpp")
expect_refusal("a test of no component" tests/core/NoSuchComponentTest.cpp "\n"
  "tests/core/NoSuchComponentTest.cpp")

if(failures GREATER 0)
  message(FATAL_ERROR "${failures} broken layer rules were not refused")
endif()
file(REMOVE_RECURSE ${SCRATCH})
