# Build helpers shared by every unit of the tree.
#
# kav_logic_library(NAME [DEPS ...])    the .cpp files of the current folder; links no Qt Widgets
# kav_widget_library(NAME DIR d [DEPS]) the .cpp files of folder d (the window classes)
# kav_test(NAME SOURCES ... [DEPS ...] [GUI])  one GoogleTest executable, registered with CTest;
#                                       GUI ones run on Qt's offscreen platform (unless
#                                       QT_QPA_PLATFORM names another)
# kav_benchmark(NAME SOURCES ... [DEPS ...])   one Google Benchmark executable (not run by CTest)

set_property(GLOBAL PROPERTY KAV_LOGIC_TARGETS "")

function(kav_add_units root)
  if(NOT EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${root})
    return()
  endif()
  file(GLOB_RECURSE lists CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${root}/CMakeLists.txt)
  list(SORT lists)
  foreach(l IN LISTS lists)
    get_filename_component(dir ${l} DIRECTORY)
    add_subdirectory(${dir})
  endforeach()
endfunction()

function(kav_logic_library name)
  cmake_parse_arguments(A "HEADER_ONLY" "" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(A_HEADER_ONLY OR NOT srcs)
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${A_DEPS})
  else()
    add_library(${name} STATIC ${srcs})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${A_DEPS})
  endif()
  set_property(GLOBAL APPEND PROPERTY KAV_LOGIC_TARGETS ${name})
endfunction()

function(kav_widget_library name)
  cmake_parse_arguments(A "" "DIR" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${A_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/${A_DIR}/*.h)
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC Qt6::Widgets ${A_DEPS})
endfunction()

function(kav_test name)
  cmake_parse_arguments(A "GUI" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${A_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/test_environment.cpp)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_definitions(${name} PRIVATE KAV_SOURCE_DIR_DEFAULT="${PROJECT_SOURCE_DIR}"
                                             KAV_BINARY_DIR_DEFAULT="${PROJECT_BINARY_DIR}")
  if(A_GUI)
    target_link_libraries(${name} PRIVATE kav_test_support_gui ${A_DEPS})
  else()
    target_link_libraries(${name} PRIVATE kav_test_support ${A_DEPS})
  endif()
  # The test environment is set by test_environment.cpp: a list-valued
  # ENVIRONMENT property does not survive the discovery script.
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}
    DISCOVERY_TIMEOUT 60)
endfunction()

function(kav_benchmark name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE benchmark::benchmark benchmark::benchmark_main ${A_DEPS})
endfunction()

# Every target that `target` links, directly or through its dependencies.
function(_kav_collect_links target out)
  set(seen ${${out}})
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    get_target_property(libs ${target} INTERFACE_LINK_LIBRARIES)
  else()
    get_target_property(libs ${target} LINK_LIBRARIES)
  endif()
  foreach(l IN LISTS libs)
    if(l AND NOT l IN_LIST seen)
      list(APPEND seen ${l})
      if(TARGET ${l} AND NOT l MATCHES "^Qt6::")
        _kav_collect_links(${l} seen)
      endif()
    endif()
  endforeach()
  set(${out} ${seen} PARENT_SCOPE)
endfunction()

# Every target of the build, each defined in the folder of its CMakeLists.txt.
function(_kav_targets_under dir out)
  get_property(found DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub IN LISTS subdirs)
    _kav_targets_under(${sub} more)
    list(APPEND found ${more})
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

# The top folder of the tree that declares target t: client, common, gui, tools, tests ...
function(_kav_target_root t out)
  get_target_property(dir ${t} SOURCE_DIR)
  file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${dir})
  string(REGEX REPLACE "/.*" "" root "${rel}")
  set(${out} ${root} PARENT_SCOPE)
endfunction()

# The layers of the tree, one rule a row: a target declared under the first
# top folder may not link, directly or through its dependencies, a target
# declared under any of the folders that follow, for the reason given last.
# Outside libraries (Qt, SQLCipher, GoogleTest ...) are always allowed, and
# tests/ may link every layer.
set(KAV_LAYER_RULES
  "common|gui client console tools tests packaging|common/ links only common/ targets and outside libraries"
  "gui|client console tools|gui/ is shared by the programs and links none of them"
  "tools|client console|tools/ links no target of the exam client or the console"
  "client|console|the exam client and the console never link each other"
  "console|client|the exam client and the console never link each other")

function(kav_check_layering)
  _kav_targets_under(${PROJECT_SOURCE_DIR} every)
  foreach(t IN LISTS every)
    _kav_target_root(${t} root)
    set(all "")
    _kav_collect_links(${t} all)
    foreach(rule IN LISTS KAV_LAYER_RULES)
      string(REPLACE "|" ";" rule "${rule}")
      list(GET rule 0 layer)
      if(NOT root STREQUAL layer)
        continue()
      endif()
      list(GET rule 1 denied)
      list(GET rule 2 why)
      string(REPLACE " " ";" denied "${denied}")
      foreach(l IN LISTS all)
        if(NOT TARGET ${l})
          continue()  # a library file of the system
        endif()
        get_target_property(imported ${l} IMPORTED)
        if(imported)
          continue()  # an outside library, wherever it was found
        endif()
        _kav_target_root(${l} lroot)
        if(lroot IN_LIST denied)
          get_target_property(dir ${l} SOURCE_DIR)
          file(RELATIVE_PATH from ${PROJECT_SOURCE_DIR} ${dir})
          message(FATAL_ERROR "${t} (declared in ${root}/) links ${l} (declared in ${from}/): ${why}")
        endif()
      endforeach()
    endforeach()
  endforeach()

  # common/ and every grading and file-format unit are toolkit-free: fail when
  # one of them reaches Qt Widgets through any dependency.
  get_property(targets GLOBAL PROPERTY KAV_LOGIC_TARGETS)
  foreach(t IN LISTS targets)
    set(all "")
    _kav_collect_links(${t} all)
    foreach(forbidden Qt6::Widgets Qt6::PrintSupport Qt::Widgets)
      if(forbidden IN_LIST all)
        message(FATAL_ERROR "${t} is toolkit-free logic but links ${forbidden}")
      endif()
    endforeach()
  endforeach()
endfunction()
