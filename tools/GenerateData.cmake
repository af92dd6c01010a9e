# Data made at build time by our own generators (dictionaries, hyphenation
# tables), shared between build folders through a cache keyed by everything
# that decides the data: the generator's sources and the headers of ours they
# include, how it is compiled, its arguments, the contents of its input files
# and the generator's own environment variables (<GENERATOR>_*).
#
# Included by the top CMakeLists.txt, this file defines
#
#   scrivly_generate_data(<generator target>
#     ARGS <arg>...      arguments; @OUT@ stands for the folder to write into
#     INPUTS <file>...   every file the generator reads besides its sources
#                        (a missing one counts as absent, not as an error)
#     OUTPUTS <name>...  the files it writes into @OUT@
#     APPEND_TO <var>    list variable that receives the outputs' paths
#     [DESTINATION <folder>]  default: the build's resources folder
#     [COMMENT <text>])
#
# Run with cmake -P (by the build), it makes or reuses one cache entry and
# links its files into the destination. An entry is made in a private
# temporary folder and renamed into place whole, under a lock, so builds that
# run at once neither see half-written data nor make the same entry twice.

cmake_minimum_required(VERSION 3.25)

if(NOT CMAKE_SCRIPT_MODE_FILE)
  # Where the entries live: $SCRIVLY_DATA_CACHE when set at configure time,
  # otherwise the source tree's ignored .cache/ folder, which tools/test,
  # tools/run and tools/bench share.
  if(DEFINED ENV{SCRIVLY_DATA_CACHE} AND NOT "$ENV{SCRIVLY_DATA_CACHE}" STREQUAL "")
    set(scrivly_data_cache_default "$ENV{SCRIVLY_DATA_CACHE}")
  else()
    set(scrivly_data_cache_default "${PROJECT_SOURCE_DIR}/.cache/data")
  endif()
  set(SCRIVLY_DATA_CACHE "${scrivly_data_cache_default}" CACHE PATH
      "Folder of generated data shared between build folders")
  set(SCRIVLY_GENERATE_DATA_SCRIPT "${CMAKE_CURRENT_LIST_FILE}")

  # A list as bracket arguments, safe to read back with include().
  function(scrivly_data_quote out)
    set(text "")
    foreach(item IN LISTS ARGN)
      string(APPEND text " [==[${item}]==]")
    endforeach()
    set(${out} "${text}" PARENT_SCOPE)
  endfunction()

  function(scrivly_generate_data generator)
    cmake_parse_arguments(PARSE_ARGV 1 D "" "APPEND_TO;DESTINATION;COMMENT" "ARGS;INPUTS;OUTPUTS")
    if(D_UNPARSED_ARGUMENTS OR NOT D_OUTPUTS OR NOT D_APPEND_TO)
      message(FATAL_ERROR "scrivly_generate_data(${generator}): OUTPUTS and APPEND_TO are required; "
                          "unexpected: ${D_UNPARSED_ARGUMENTS}")
    endif()
    if(NOT D_DESTINATION)
      set(D_DESTINATION "${SCRIVLY_RESOURCES_DIR}")
    endif()
    list(GET D_OUTPUTS 0 first)
    if(NOT D_COMMENT)
      set(D_COMMENT "Generating ${first}")
    endif()

    get_target_property(sources ${generator} SOURCES)
    get_target_property(source_dir ${generator} SOURCE_DIR)
    set(absolute_sources)
    foreach(s IN LISTS sources)
      cmake_path(ABSOLUTE_PATH s BASE_DIRECTORY "${source_dir}" NORMALIZE OUTPUT_VARIABLE s)
      list(APPEND absolute_sources "${s}")
    endforeach()

    # A missing input cannot be a build dependency; the key still records it
    # as absent, and reconfiguring after installing it picks it up.
    set(present_inputs)
    foreach(f IN LISTS D_INPUTS)
      if(EXISTS "${f}")
        list(APPEND present_inputs "${f}")
      endif()
    endforeach()

    scrivly_data_quote(q_sources ${absolute_sources})
    scrivly_data_quote(q_args ${D_ARGS})
    scrivly_data_quote(q_inputs ${D_INPUTS})
    scrivly_data_quote(q_outputs ${D_OUTPUTS})
    # How the generator is compiled. Tools take no build-type flags
    # (scrivly_tool_defaults), so Debug and Release folders share entries.
    set(compiled "${CMAKE_CXX_COMPILER_ID} ${CMAKE_CXX_COMPILER_VERSION} ${CMAKE_CXX_FLAGS}"
        " std=${CMAKE_CXX_STANDARD} $<TARGET_PROPERTY:${generator},COMPILE_OPTIONS>"
        " $<TARGET_PROPERTY:${generator},COMPILE_DEFINITIONS>")
    string(CONCAT compiled ${compiled})

    set(spec "${CMAKE_BINARY_DIR}/data-specs/${generator}-${first}.cmake")
    file(GENERATE OUTPUT "${spec}" CONTENT
"set(GENERATOR [==[$<TARGET_FILE:${generator}>]==])
set(GENERATOR_NAME [==[${generator}]==])
set(COMPILED [==[${compiled}]==])
set(SOURCE_ROOT [==[${PROJECT_SOURCE_DIR}]==])
set(INCLUDE_DIRS [==[$<TARGET_PROPERTY:${generator},INCLUDE_DIRECTORIES>]==])
set(SOURCES${q_sources})
set(ARGS${q_args})
set(INPUTS${q_inputs})
set(OUTPUTS${q_outputs})
set(DESTINATION [==[${D_DESTINATION}]==])
set(CACHE_DIR [==[${SCRIVLY_DATA_CACHE}]==])
")

    set(paths)
    foreach(o IN LISTS D_OUTPUTS)
      list(APPEND paths "${D_DESTINATION}/${o}")
    endforeach()
    add_custom_command(OUTPUT ${paths}
      COMMAND ${CMAKE_COMMAND} -DSPEC=${spec} -P ${SCRIVLY_GENERATE_DATA_SCRIPT}
      DEPENDS ${generator} ${spec} ${SCRIVLY_GENERATE_DATA_SCRIPT} ${present_inputs}
      COMMENT "${D_COMMENT}"
      VERBATIM)
    set_property(GLOBAL APPEND PROPERTY SCRIVLY_GENERATED_DATA ${paths})
    set(${D_APPEND_TO} ${${D_APPEND_TO}} ${paths} PARENT_SCOPE)
  endfunction()
  return()
endif()

# ---- Test time: cmake -DCHECK=<list file> -P GenerateData.cmake ----
# Tests run on the data; a build of only some targets may not have made it.

if(DEFINED CHECK)
  file(STRINGS "${CHECK}" expected)
  set(missing)
  foreach(f IN LISTS expected)
    if(NOT EXISTS "${f}")
      list(APPEND missing "${f}")
    endif()
  endforeach()
  if(missing)
    list(JOIN missing "\n  " missing)
    message(FATAL_ERROR "The tests need data the build has not made yet; build everything "
                        "(cmake --build <folder>) first. Missing:\n  ${missing}")
  endif()
  return()
endif()

# ---- Build time: cmake -DSPEC=<file> -P GenerateData.cmake ----

include("${SPEC}")

# Our own headers that a file includes, followed through, so that an edit to
# any of them changes the key.
function(scrivly_data_closure out)
  set(todo ${ARGN})
  set(seen)
  while(todo)
    list(POP_FRONT todo file)
    if(file IN_LIST seen)
      continue()
    endif()
    list(APPEND seen "${file}")
    file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<][^\">]+[\">]")
    get_filename_component(here "${file}" DIRECTORY)
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[\"<]([^\">]+)[\">].*" "\\1" name "${line}")
      foreach(dir IN ITEMS "${here}" ${INCLUDE_DIRS})
        set(candidate "${dir}/${name}")
        if(EXISTS "${candidate}" AND NOT IS_DIRECTORY "${candidate}")
          cmake_path(NORMAL_PATH candidate)
          cmake_path(IS_PREFIX SOURCE_ROOT "${candidate}" NORMALIZE ours)
          if(ours)
            list(APPEND todo "${candidate}")
          endif()
          break()
        endif()
      endforeach()
    endforeach()
  endwhile()
  list(SORT seen)
  set(${out} ${seen} PARENT_SCOPE)
endfunction()

# The key text names source files relative to the source tree, so that clones
# of the tree share entries.
set(key "scrivly generated data 1\ngenerator ${GENERATOR_NAME}\ncompiled ${COMPILED}\n")
scrivly_data_closure(closure ${SOURCES})
foreach(f IN LISTS closure)
  file(SHA256 "${f}" h)
  cmake_path(RELATIVE_PATH f BASE_DIRECTORY "${SOURCE_ROOT}")
  string(APPEND key "source ${f} ${h}\n")
endforeach()
foreach(a IN LISTS ARGS)
  string(REPLACE "${SOURCE_ROOT}" "@SRC@" a "${a}")
  string(APPEND key "arg ${a}\n")
endforeach()
foreach(f IN LISTS INPUTS)
  if(EXISTS "${f}")
    file(SHA256 "${f}" h)
  else()
    set(h absent)
  endif()
  string(REPLACE "${SOURCE_ROOT}" "@SRC@" f "${f}")
  string(APPEND key "input ${f} ${h}\n")
endforeach()
string(TOUPPER "${GENERATOR_NAME}_" prefix)
execute_process(COMMAND "${CMAKE_COMMAND}" -E environment OUTPUT_VARIABLE environment)
string(REPLACE "\n" ";" environment "${environment}")
list(SORT environment)
foreach(v IN LISTS environment)
  string(FIND "${v}" "${prefix}" at)
  if(at EQUAL 0)
    string(APPEND key "environment ${v}\n")
  endif()
endforeach()
foreach(o IN LISTS OUTPUTS)
  string(APPEND key "output ${o}\n")
endforeach()
string(SHA256 digest "${key}")
string(SUBSTRING "${digest}" 0 24 digest)

list(GET OUTPUTS 0 first)
set(folder "${CACHE_DIR}/${GENERATOR_NAME}")
set(entry "${folder}/${first}-${digest}")

if(NOT IS_DIRECTORY "${entry}")
  file(MAKE_DIRECTORY "${folder}/.locks")
  # Another build making the same entry holds the lock; wait for it and use
  # its result. Without working locks the rename below still keeps it sound.
  file(LOCK "${folder}/.locks/${first}-${digest}" GUARD PROCESS RESULT_VARIABLE locked TIMEOUT 7200)
  if(NOT IS_DIRECTORY "${entry}")
    string(RANDOM LENGTH 12 tag)
    set(work "${folder}/.tmp-${first}-${digest}-${tag}")
    file(REMOVE_RECURSE "${work}")
    file(MAKE_DIRECTORY "${work}")
    set(args)
    foreach(a IN LISTS ARGS)
      string(REPLACE "@OUT@" "${work}" a "${a}")
      list(APPEND args "${a}")
    endforeach()
    execute_process(COMMAND "${GENERATOR}" ${args} WORKING_DIRECTORY "${work}" RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      file(REMOVE_RECURSE "${work}")
      message(FATAL_ERROR "${GENERATOR_NAME} failed (${status}) making ${OUTPUTS}; nothing was cached")
    endif()
    foreach(o IN LISTS OUTPUTS)
      if(NOT EXISTS "${work}/${o}")
        file(REMOVE_RECURSE "${work}")
        message(FATAL_ERROR "${GENERATOR_NAME} succeeded but did not write ${o}; nothing was cached")
      endif()
      # Builds link these files; keep every build from writing through a link.
      file(CHMOD "${work}/${o}" PERMISSIONS OWNER_READ GROUP_READ WORLD_READ)
    endforeach()
    file(WRITE "${work}/key.txt" "${key}")
    # rename() refuses to replace a folder that has files in it: an entry
    # another build stored meanwhile stays as it is.
    file(RENAME "${work}" "${entry}" RESULT renamed)
    if(NOT renamed STREQUAL "0")
      file(REMOVE_RECURSE "${work}")
      if(NOT IS_DIRECTORY "${entry}")
        message(FATAL_ERROR "cannot store ${entry}: ${renamed}")
      endif()
    endif()

    # Entries for the same output not used for 30 days, and temporary folders
    # a killed build left behind a day ago, go.
    string(TIMESTAMP now "%s" UTC)
    file(GLOB stale LIST_DIRECTORIES true "${folder}/${first}-*" "${folder}/.tmp-*")
    foreach(s IN LISTS stale)
      if(s STREQUAL entry OR s STREQUAL work)
        continue()
      endif()
      if(EXISTS "${s}/key.txt")
        file(TIMESTAMP "${s}/key.txt" used "%s" UTC)
        set(limit 2592000)
      else()
        file(TIMESTAMP "${s}" used "%s" UTC)
        set(limit 86400)
      endif()
      math(EXPR age "${now} - ${used}")
      if(age GREATER limit)
        file(REMOVE_RECURSE "${s}")
        get_filename_component(n "${s}" NAME)
        file(REMOVE "${folder}/.locks/${n}")
      endif()
    endforeach()
  endif()
  if(locked STREQUAL "0")
    file(LOCK "${folder}/.locks/${first}-${digest}" RELEASE)
  endif()
endif()
file(TOUCH_NOCREATE "${entry}/key.txt")

# Hard links where the file system allows, copies elsewhere; each file is put
# in place by a rename so that a reader never sees it half there.
file(MAKE_DIRECTORY "${DESTINATION}")
foreach(o IN LISTS OUTPUTS)
  set(part "${DESTINATION}/${o}.part")
  file(REMOVE "${part}")
  file(CREATE_LINK "${entry}/${o}" "${part}" RESULT linked COPY_ON_ERROR)
  if(NOT linked STREQUAL "0")
    message(FATAL_ERROR "cannot place ${o} in ${DESTINATION}: ${linked}")
  endif()
  file(RENAME "${part}" "${DESTINATION}/${o}")
  # rename() leaves both names when they already are one file.
  file(REMOVE "${part}")
  # The build compares this time with its inputs'; the entry may be older.
  file(TOUCH "${DESTINATION}/${o}")
endforeach()
