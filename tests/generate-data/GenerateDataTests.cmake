# The shared data cache of tools/GenerateData.cmake, driven with a stand-in
# generator (a shell script counting its runs): data is made again exactly
# when something that decides it changes, a second build folder reuses it,
# and a failing generator leaves nothing behind.
#
# cmake -DSCRIPT=<GenerateData.cmake> -DWORK=<scratch folder> -P GenerateDataTests.cmake

cmake_minimum_required(VERSION 3.25)

set(failures 0)
macro(expect what actual expected)
  if(NOT "${actual}" STREQUAL "${expected}")
    message(SEND_ERROR "${what}: got '${actual}', expected '${expected}'")
    math(EXPR failures "${failures} + 1")
  endif()
endmacro()

file(REMOVE_RECURSE "${WORK}")
set(src "${WORK}/src")
file(MAKE_DIRECTORY "${src}/gen")

# The generator copies its input to the output and counts its runs. Its
# '#include' line is a shell comment that the key follows like a C++ one.
file(WRITE "${src}/gen/gen.sh" "#!/bin/sh
#include \"gen/shared.h\"
echo run >> \"${WORK}/runs\"
[ -n \"$GEN_FAIL\" ] && exit 3
[ -n \"$GEN_SKIP\" ] && exit 0
cat \"$2\" > \"$1/out.dat\"
")
file(CHMOD "${src}/gen/gen.sh" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
file(WRITE "${src}/gen/shared.h" "one\n")
file(WRITE "${WORK}/input.txt" "first\n")

function(write_spec name destination)
  file(WRITE "${WORK}/${name}.cmake" "
set(GENERATOR [==[${src}/gen/gen.sh]==])
set(GENERATOR_NAME gen)
set(COMPILED [==[test]==])
set(SOURCE_ROOT [==[${src}]==])
set(INCLUDE_DIRS [==[${src}]==])
set(SOURCES [==[${src}/gen/gen.sh]==])
set(ARGS [==[@OUT@]==] [==[${WORK}/input.txt]==])
set(INPUTS [==[${WORK}/input.txt]==] [==[${WORK}/not-installed.txt]==])
set(OUTPUTS out.dat)
set(DESTINATION [==[${destination}]==])
set(CACHE_DIR [==[${WORK}/cache]==])
")
endfunction()
write_spec(a "${WORK}/build-a")
write_spec(b "${WORK}/build-b")

# Runs the data step of one build folder; answers its status, the number of
# generator runs so far and what the folder holds.
function(step spec status runs content)
  execute_process(COMMAND "${CMAKE_COMMAND}" -DSPEC=${WORK}/${spec}.cmake -P "${SCRIPT}"
                  RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
  set(n 0)
  if(EXISTS "${WORK}/runs")
    file(STRINGS "${WORK}/runs" lines)
    list(LENGTH lines n)
  endif()
  set(c "")
  if(EXISTS "${WORK}/build-${spec}/out.dat")
    file(READ "${WORK}/build-${spec}/out.dat" c)
  endif()
  set(${status} ${rc} PARENT_SCOPE)
  set(${runs} ${n} PARENT_SCOPE)
  set(${content} "${c}" PARENT_SCOPE)
endfunction()

step(a rc runs out)
expect("first build: status" "${rc}" 0)
expect("first build: runs" "${runs}" 1)
expect("first build: data" "${out}" "first\n")

step(b rc runs out)
expect("second build folder: status" "${rc}" 0)
expect("second build folder reuses the data: runs" "${runs}" 1)
expect("second build folder: data" "${out}" "first\n")

file(WRITE "${WORK}/input.txt" "second\n")
step(a rc runs out)
expect("changed input: runs" "${runs}" 2)
expect("changed input: data" "${out}" "second\n")

file(WRITE "${WORK}/input.txt" "first\n")
step(b rc runs out)
expect("input changed back: runs" "${runs}" 2)
expect("input changed back: data" "${out}" "first\n")

file(WRITE "${src}/gen/shared.h" "two\n")
step(a rc runs out)
expect("changed included header: runs" "${runs}" 3)

set(ENV{GEN_TUNING} 7)
step(a rc runs out)
expect("generator's environment variable: runs" "${runs}" 4)
unset(ENV{GEN_TUNING})

file(WRITE "${WORK}/not-installed.txt" "now here\n")
step(a rc runs out)
expect("an absent input appears: runs" "${runs}" 5)

# Failures: the folder keeps its data, and the next try runs again.
file(GLOB before LIST_DIRECTORIES true "${WORK}/cache/gen/*")
file(WRITE "${WORK}/input.txt" "third\n")
set(ENV{GEN_FAIL} 1)
step(a rc runs out)
unset(ENV{GEN_FAIL})
if(rc EQUAL 0)
  expect("failing generator: status" "${rc}" "not 0")
endif()
expect("failing generator: the folder's data" "${out}" "first\n")
set(ENV{GEN_SKIP} 1)
step(a rc runs out)
unset(ENV{GEN_SKIP})
if(rc EQUAL 0)
  expect("generator without output: status" "${rc}" "not 0")
endif()
file(GLOB after LIST_DIRECTORIES true "${WORK}/cache/gen/*")
expect("failures store nothing" "${after}" "${before}")
step(a rc runs out)
expect("after failures: runs" "${runs}" 8)
expect("after failures: data" "${out}" "third\n")

if(failures)
  message(FATAL_ERROR "${failures} expectation(s) failed")
endif()
file(REMOVE_RECURSE "${WORK}")
