# The layers of the tree. Every folder of code is one layer, made by
# strataplot_layer(): one target, linked only to the layers it names, which
# must lie below it in STRATAPLOT_LAYERS. The configure step reads every
# source and header of the folder and stops when one includes a header of a
# folder it does not depend on, so no include can point up or sideways.
# Tests (strataplot_test) may also use the test support below everything.
#
# The order is the one of the README's "Layout" table, bottom first; the
# configure step checks that the two agree.
set(STRATAPLOT_LAYERS
  testing
  platform
  common
  project
  flavour
  mapfile
  dialogs
  oilmaps
  gasmaps
  saprofile
  exports
  mapreader
  rendering
  grids
  cli
  fuzz
  qtui
  host
  desktop
  tools
  bench
)

# The folders a layer may include from: itself and, transitively, what it
# depends on.
function(_strataplot_reach folder out)
  get_property(reach GLOBAL PROPERTY STRATAPLOT_REACH_${folder})
  set(${out} ${reach} PARENT_SCOPE)
endfunction()

# The reach (folders that may be included) and the targets of the
# dependencies, each of which must lie below position.
function(_strataplot_dependencies folder position dependencies reachOut targetsOut)
  set(reach)
  set(targets)
  foreach(dependency ${dependencies})
    list(FIND STRATAPLOT_LAYERS ${dependency} below)
    if(below EQUAL -1 OR below GREATER_EQUAL position)
      message(FATAL_ERROR "${folder}/ may not depend on ${dependency}/: it does not lie below")
    endif()
    _strataplot_reach(${dependency} more)
    list(APPEND reach ${more})
    _strataplot_target_of(${dependency} target)
    list(APPEND targets ${target})
  endforeach()
  list(REMOVE_DUPLICATES reach)
  set(${reachOut} ${reach} PARENT_SCOPE)
  set(${targetsOut} ${targets} PARENT_SCOPE)
endfunction()

# Stops when a file includes "other/..." for a folder outside allowed.
function(_strataplot_check_includes folder allowed)
  foreach(file ${ARGN})
    file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]+\"[^/\"]+/")
    foreach(line ${lines})
      string(REGEX REPLACE "^[^\"]*\"([^/\"]+)/.*" "\\1" included "${line}")
      if(NOT included IN_LIST allowed)
        file(RELATIVE_PATH shown ${CMAKE_SOURCE_DIR} ${file})
        message(FATAL_ERROR "${shown} includes from ${included}/, which ${folder}/ does not "
                            "depend on (it may use: ${allowed})")
      endif()
    endforeach()
  endforeach()
endfunction()

function(_strataplot_target_of folder out)
  get_property(target GLOBAL PROPERTY STRATAPLOT_TARGET_${folder})
  if(NOT target)
    message(FATAL_ERROR "no layer ${folder} has been made yet")
  endif()
  set(${out} ${target} PARENT_SCOPE)
endfunction()

# strataplot_layer(TARGET name KIND STATIC|SHARED|INTERFACE|EXECUTABLE [GBK]
#                  [SOURCES ...] [DEPENDS folder ...] [LIBRARIES lib ...])
# in the folder's own CMakeLists.txt. GBK: the folder is part of the library,
# whose literal texts are GBK at run time.
function(strataplot_layer)
  cmake_parse_arguments(arg "GBK" "TARGET;KIND" "SOURCES;DEPENDS;LIBRARIES" ${ARGN})
  get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  list(FIND STRATAPLOT_LAYERS ${folder} position)
  if(position EQUAL -1)
    message(FATAL_ERROR "${folder}/ is not in STRATAPLOT_LAYERS (cmake/layers.cmake)")
  endif()
  _strataplot_dependencies(${folder} ${position} "${arg_DEPENDS}" reach targets)
  list(APPEND reach ${folder})
  set_property(GLOBAL PROPERTY STRATAPLOT_REACH_${folder} ${reach})
  set_property(GLOBAL PROPERTY STRATAPLOT_TARGET_${folder} ${arg_TARGET})

  file(GLOB sources ${CMAKE_CURRENT_SOURCE_DIR}/*.h ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "_test\\.cpp$")
  _strataplot_check_includes(${folder} "${reach}" ${sources})

  if(arg_KIND STREQUAL "INTERFACE")
    add_library(${arg_TARGET} INTERFACE)
    target_include_directories(${arg_TARGET} INTERFACE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${arg_TARGET} INTERFACE ${targets} ${arg_LIBRARIES})
    return()
  elseif(arg_KIND STREQUAL "EXECUTABLE")
    add_executable(${arg_TARGET} ${arg_SOURCES})
    target_link_libraries(${arg_TARGET} PRIVATE ${targets} ${arg_LIBRARIES})
  else()
    add_library(${arg_TARGET} ${arg_KIND} ${arg_SOURCES})
    target_link_libraries(${arg_TARGET} PUBLIC ${targets} ${arg_LIBRARIES})
  endif()
  target_include_directories(${arg_TARGET} PUBLIC ${CMAKE_SOURCE_DIR})
  if(arg_GBK)
    target_compile_options(${arg_TARGET} PRIVATE ${STRATAPLOT_GBK})
  endif()
endfunction()

# strataplot_test(name [RUNS_HOST] [GBK] [QT] SOURCES ... [DEPENDS folder ...]
#                 [LIBRARIES lib ...])
# A GoogleTest program of the current folder's tests, linked to the folder's
# own layer (when it has a target) and to what DEPENDS names, which must lie
# at or below the folder; its sources may include from those and from the
# test support. RUNS_HOST: the tests run the host program (by its path), which
# is then built first. GBK: its literal texts are GBK, as the library's are.
# QT: windowed tests, run by a Qt application on the offscreen platform.
# Built only with STRATAPLOT_TESTS.
function(strataplot_test name)
  if(NOT STRATAPLOT_TESTS)
    return()
  endif()
  cmake_parse_arguments(arg "RUNS_HOST;GBK;QT" "" "SOURCES;DEPENDS;LIBRARIES" ${ARGN})
  get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  list(FIND STRATAPLOT_LAYERS ${folder} position)
  _strataplot_reach(${folder} reach)
  _strataplot_reach(testing more)
  list(APPEND reach ${more})
  set(targets)
  get_property(own GLOBAL PROPERTY STRATAPLOT_TARGET_${folder})
  if(own AND TARGET ${own})
    get_target_property(type ${own} TYPE)
    if(NOT type STREQUAL "EXECUTABLE")
      list(APPEND targets ${own})
    endif()
  endif()
  math(EXPR above "${position} + 1")
  _strataplot_dependencies(${folder} ${above} "${arg_DEPENDS}" more moreTargets)
  list(APPEND reach ${more})
  list(APPEND targets ${moreTargets})
  list(REMOVE_DUPLICATES reach)
  set(files)
  foreach(source ${arg_SOURCES})
    list(APPEND files ${CMAKE_CURRENT_SOURCE_DIR}/${source})
  endforeach()
  _strataplot_check_includes(${folder} "${reach}" ${files})

  if(arg_QT)
    # Windowed tests: a Qt application on the offscreen platform runs them.
    add_executable(${name} ${arg_SOURCES} ${CMAKE_SOURCE_DIR}/qtui/testing/test_main.cpp)
    target_link_libraries(${name} PRIVATE ${targets} strataplot_testing ${arg_LIBRARIES}
                          strataplot_qtui_driver GTest::gtest)
    set(environment PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  else()
    add_executable(${name} ${arg_SOURCES})
    target_link_libraries(${name} PRIVATE ${targets} strataplot_testing ${arg_LIBRARIES}
                          GTest::gtest GTest::gtest_main)
    set(environment)
  endif()
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  gtest_discover_tests(${name} WORKING_DIRECTORY ${CMAKE_BINARY_DIR} DISCOVERY_TIMEOUT 60
                       ${environment})
  if(arg_RUNS_HOST)
    add_dependencies(${name} strataplot-host)
  endif()
  if(arg_GBK)
    target_compile_options(${name} PRIVATE ${STRATAPLOT_GBK})
  endif()
endfunction()

# The README's Layout table must list the layers in this order.
function(strataplot_check_layout_table)
  file(STRINGS ${CMAKE_SOURCE_DIR}/README.md rows REGEX "^\\| `[a-z]+/` \\|")
  set(listed)
  foreach(row ${rows})
    string(REGEX REPLACE "^\\| `([a-z]+)/`.*" "\\1" folder "${row}")
    if(folder IN_LIST STRATAPLOT_LAYERS)
      list(APPEND listed ${folder})
    endif()
  endforeach()
  if(NOT listed STREQUAL STRATAPLOT_LAYERS)
    message(FATAL_ERROR "README.md's Layout table lists the layers as\n  ${listed}\n"
                        "but cmake/layers.cmake orders them\n  ${STRATAPLOT_LAYERS}")
  endif()
endfunction()
