# Configures small projects laid out like the tree (one library under each top
# folder, no sources, no compiler) with cmake/KavTargets.cmake's layering
# check: the links the layers allow pass; each forbidden link must stop the
# configure with a message naming both targets.
#   cmake -DKAV_SOURCE_DIR=<tree> -DWORK_DIR=<scratch folder> -DGENERATOR=Ninja -P check_layering.cmake

set(libraries common/common_a common/common_b gui/gui_lib client/client_lib console/console_lib
              tools/tools_lib tests/tests_lib)
# Every link the layers allow ("from to"): common inside common, gui on
# common, the programs on common and gui, tests on everything.
set(allowed
  "common_a common_b" "gui_lib common_a"
  "client_lib gui_lib" "client_lib common_b" "console_lib gui_lib" "console_lib common_b"
  "tools_lib gui_lib" "tools_lib common_a"
  "tests_lib client_lib" "tests_lib console_lib" "tests_lib tools_lib")
# One forbidden link for each rule ("from to refused"): the refused target is
# `to` itself, or for the last one the client's library reached through tests_lib.
set(forbidden
  "common_a gui_lib gui_lib"
  "common_a tools_lib tools_lib"
  "gui_lib console_lib console_lib"
  "tools_lib client_lib client_lib"
  "tools_lib console_lib console_lib"
  "client_lib console_lib console_lib"
  "console_lib client_lib client_lib"
  "tools_lib tests_lib client_lib")

# Writes the project with the allowed links and `links` ("from to" each) into
# dir and configures it; sets <rc>_rc and <rc>_out in the caller.
function(configure_probe dir links out)
  file(REMOVE_RECURSE ${dir})
  set(top "cmake_minimum_required(VERSION 3.25)\nproject(probe LANGUAGES NONE)\n")
  string(APPEND top "include(${KAV_SOURCE_DIR}/cmake/KavTargets.cmake)\n")
  foreach(lib IN LISTS libraries)
    get_filename_component(name ${lib} NAME)
    file(WRITE ${dir}/${lib}/CMakeLists.txt "add_library(${name} INTERFACE)\n")
    string(APPEND top "add_subdirectory(${lib})\n")
  endforeach()
  foreach(link IN LISTS links)
    string(REPLACE " " " INTERFACE " link "${link}")
    string(APPEND top "target_link_libraries(${link})\n")
  endforeach()
  string(APPEND top "kav_check_layering()\n")
  file(WRITE ${dir}/CMakeLists.txt "${top}")
  execute_process(COMMAND ${CMAKE_COMMAND} -S ${dir} -B ${dir}/build -G "${GENERATOR}"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE stdout ERROR_VARIABLE stderr)
  set(${out}_rc ${rc} PARENT_SCOPE)
  set(${out}_out "${stdout}${stderr}" PARENT_SCOPE)
endfunction()

set(failures "")
configure_probe(${WORK_DIR}/allowed "${allowed}" probe)
if(NOT probe_rc EQUAL 0)
  string(APPEND failures "the allowed links were refused:\n${probe_out}\n")
endif()
set(n 0)
foreach(case IN LISTS forbidden)
  string(REPLACE " " ";" case "${case}")
  list(GET case 0 from)
  list(GET case 1 to)
  list(GET case 2 refused)
  math(EXPR n "${n} + 1")
  configure_probe(${WORK_DIR}/forbidden${n} "${allowed};${from} ${to}" probe)
  # The message may be wrapped over lines: compare it with its white space joined.
  string(REGEX REPLACE "[ \t\r\n]+" " " said "${probe_out}")
  if(probe_rc EQUAL 0)
    string(APPEND failures "${from} linking ${to} was not refused\n")
  elseif(NOT said MATCHES "${from} \\(declared in [a-z_/]+\\) links ${refused} \\(declared in [a-z_/]+\\)")
    string(APPEND failures "${from} linking ${to} failed without naming ${from} and ${refused}:\n${probe_out}\n")
  endif()
endforeach()
if(failures)
  message(FATAL_ERROR "${failures}")
endif()
message(STATUS "layering: the allowed links pass, ${n} forbidden links are refused")
