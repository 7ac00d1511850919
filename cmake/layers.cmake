# The layers of the tree. Every folder of code is one layer, made by
# strataplot_layer(): one target, linked only to the layers it names, which
# must lie below it in STRATAPLOT_LAYERS. A layer is known by its whole path
# (`qtui/testing` is a layer of its own, above `qtui`). The configure step
# reads every source and header of the folder and of its subfolders that are
# not layers themselves, and stops when one includes a header of a layer it
# does not depend on, so no include can point up or sideways.
# Tests (strataplot_test) may also use the test support below everything
# (`testing`) and the test support of their own folder (`FOLDER/testing`),
# which may include from `testing` too.
#
# The order is the one of the README's "Layout" table, bottom first; the
# configure step checks that the two agree.
set(STRATAPLOT_LAYERS
  testing
  scan
  platform
  platform/testing
  console
  common
  project
  flavour
  mapfile
  dialogs
  oilmaps
  gasmaps
  saprofile
  exports
  history
  mapreader
  rendering
  grids
  cli
  fuzz
  qtui
  qtui/testing
  batch
  host
  desktop
  tools
  bench
)

# A layer's name as part of a property name.
function(_strataplot_key folder out)
  string(MAKE_C_IDENTIFIER "${folder}" key)
  set(${out} ${key} PARENT_SCOPE)
endfunction()

# The layer of the current source directory: its path below the top.
function(_strataplot_current_layer out)
  file(RELATIVE_PATH folder ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  set(${out} ${folder} PARENT_SCOPE)
endfunction()

# The layer a header included as "path" belongs to: the longest layer that
# holds its folder; the header's first folder when no layer does.
function(_strataplot_layer_of_include path out)
  get_filename_component(directory "${path}" DIRECTORY)
  set(found "")
  foreach(layer ${STRATAPLOT_LAYERS})
    string(LENGTH "${layer}" length)
    string(LENGTH "${found}" foundLength)
    if((directory STREQUAL layer OR directory MATCHES "^${layer}/") AND length GREATER foundLength)
      set(found ${layer})
    endif()
  endforeach()
  if(found STREQUAL "")
    string(REGEX REPLACE "/.*" "" found "${path}")
  endif()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

# The folders a layer may include from: itself and, transitively, what it
# depends on.
function(_strataplot_reach folder out)
  _strataplot_key(${folder} key)
  get_property(reach GLOBAL PROPERTY STRATAPLOT_REACH_${key})
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

# Stops when a file includes "other/..." of a layer outside allowed.
function(_strataplot_check_includes folder allowed)
  foreach(file ${ARGN})
    file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]+\"[^/\"]+/")
    foreach(line ${lines})
      string(REGEX REPLACE "^[^\"]*\"([^\"]+)\".*" "\\1" path "${line}")
      _strataplot_layer_of_include("${path}" included)
      if(NOT included IN_LIST allowed)
        file(RELATIVE_PATH shown ${CMAKE_SOURCE_DIR} ${file})
        message(FATAL_ERROR "${shown} includes ${path} from ${included}/, which ${folder}/ does not "
                            "depend on (it may use: ${allowed})")
      endif()
    endforeach()
  endforeach()
endfunction()

function(_strataplot_target_of folder out)
  _strataplot_key(${folder} key)
  get_property(target GLOBAL PROPERTY STRATAPLOT_TARGET_${key})
  if(NOT target)
    message(FATAL_ERROR "no layer ${folder} has been made yet")
  endif()
  set(${out} ${target} PARENT_SCOPE)
endfunction()

# strataplot_layer(TARGET name KIND STATIC|SHARED|OBJECT|INTERFACE|EXECUTABLE
#                  [GBK] [INTO target] [SOURCES ...] [DEPENDS folder ...]
#                  [LIBRARIES lib ...])
# in the folder's own CMakeLists.txt. GBK: the folder is part of the library,
# whose literal texts are GBK at run time. OBJECT ... INTO: the layer is
# compiled into that library only (which names the layer among its DEPENDS),
# so that the process holds one copy of it; its tests link that library.
function(strataplot_layer)
  cmake_parse_arguments(arg "GBK" "TARGET;KIND;INTO" "SOURCES;DEPENDS;LIBRARIES" ${ARGN})
  _strataplot_current_layer(folder)
  list(FIND STRATAPLOT_LAYERS ${folder} position)
  if(position EQUAL -1)
    message(FATAL_ERROR "${folder}/ is not in STRATAPLOT_LAYERS (cmake/layers.cmake)")
  endif()
  _strataplot_dependencies(${folder} ${position} "${arg_DEPENDS}" reach targets)
  list(APPEND reach ${folder})
  # Test support may build on the test support below everything; its users,
  # the tests, link that.
  if(folder MATCHES "/testing$")
    list(APPEND reach testing)
  endif()
  # A layer that depends on test support (a program of the folder drives
  # windows, say) may include it, but only what uses it links it.
  foreach(target ${targets})
    get_property(support GLOBAL PROPERTY STRATAPLOT_SUPPORT_${target})
    if(support)
      list(REMOVE_ITEM targets ${target})
    endif()
  endforeach()
  _strataplot_key(${folder} key)
  set_property(GLOBAL PROPERTY STRATAPLOT_REACH_${key} ${reach})
  set_property(GLOBAL PROPERTY STRATAPLOT_TARGET_${key} ${arg_TARGET})
  set(linked ${arg_TARGET})
  if(arg_INTO)
    set(linked ${arg_INTO})
  endif()
  set_property(GLOBAL PROPERTY STRATAPLOT_TESTED_WITH_${key} ${linked})
  if(folder MATCHES "/testing$")
    set_property(GLOBAL PROPERTY STRATAPLOT_SUPPORT_${arg_TARGET} TRUE)
  endif()

  # Every file of the folder and of its subfolders, but for those of nested
  # layers (checked as layers of their own) and the tests (checked with
  # their test programs).
  file(GLOB_RECURSE sources RELATIVE ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*.h
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  set(checked)
  foreach(source ${sources})
    _strataplot_layer_of_include(${source} owner)
    if(owner STREQUAL folder AND NOT source MATCHES "_test\\.cpp$")
      list(APPEND checked ${CMAKE_SOURCE_DIR}/${source})
    endif()
  endforeach()
  _strataplot_check_includes(${folder} "${reach}" ${checked})

  if(arg_KIND STREQUAL "INTERFACE")
    add_library(${arg_TARGET} INTERFACE)
    target_include_directories(${arg_TARGET} INTERFACE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/include)
    target_link_libraries(${arg_TARGET} INTERFACE ${targets} ${arg_LIBRARIES})
    return()
  elseif(arg_KIND STREQUAL "EXECUTABLE")
    add_executable(${arg_TARGET} ${arg_SOURCES})
    target_link_libraries(${arg_TARGET} PRIVATE ${targets} ${arg_LIBRARIES})
  else()
    add_library(${arg_TARGET} ${arg_KIND} ${arg_SOURCES})
    target_link_libraries(${arg_TARGET} PUBLIC ${targets} ${arg_LIBRARIES})
  endif()
  target_include_directories(${arg_TARGET} PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/include)
  if(arg_GBK)
    target_compile_options(${arg_TARGET} PRIVATE ${STRATAPLOT_GBK})
  endif()
endfunction()

# strataplot_test(name [RUNS_HOST] [GBK] [QT] SOURCES ... [DEPENDS folder ...]
#                 [LIBRARIES lib ...])
# A GoogleTest program of the current folder's tests, linked to the folder's
# own layer (when it has a target; for a layer compiled into another library,
# to that library) and to what DEPENDS names, which must lie at or below the
# folder or be the folder's own test support (FOLDER/testing); its sources may
# include from those and from the test support below everything (testing/).
# RUNS_HOST: the tests run the host program (by its path), which is then
# built first. GBK: its literal texts are GBK, as the library's are.
# QT: windowed tests, run by a Qt application on the offscreen platform.
# Built only with STRATAPLOT_TESTS.
function(strataplot_test name)
  if(NOT STRATAPLOT_TESTS)
    return()
  endif()
  cmake_parse_arguments(arg "RUNS_HOST;GBK;QT" "" "SOURCES;DEPENDS;LIBRARIES" ${ARGN})
  _strataplot_current_layer(folder)
  list(FIND STRATAPLOT_LAYERS ${folder} position)
  _strataplot_reach(${folder} reach)
  _strataplot_reach(testing more)
  list(APPEND reach ${more})
  set(targets)
  _strataplot_key(${folder} key)
  get_property(own GLOBAL PROPERTY STRATAPLOT_TESTED_WITH_${key})
  get_property(ownLayer GLOBAL PROPERTY STRATAPLOT_TARGET_${key})
  if(own AND TARGET ${ownLayer})
    get_target_property(type ${ownLayer} TYPE)
    if(NOT type STREQUAL "EXECUTABLE")
      list(APPEND targets ${own})
    endif()
  endif()
  # The folder's own test support lies just above it; windowed tests run on
  # the windows' test support.
  set(support "${folder}/testing")
  set(listed ${arg_DEPENDS})
  if(arg_QT)
    list(APPEND support qtui/testing)
    list(APPEND listed qtui/testing)
    list(REMOVE_DUPLICATES listed)
  endif()
  set(dependencies)
  foreach(dependency ${listed})
    if(dependency IN_LIST support)
      _strataplot_reach(${dependency} more)
      list(APPEND reach ${more})
      _strataplot_target_of(${dependency} target)
      list(APPEND targets ${target})
    else()
      list(APPEND dependencies ${dependency})
    endif()
  endforeach()
  math(EXPR above "${position} + 1")
  _strataplot_dependencies(${folder} ${above} "${dependencies}" more moreTargets)
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
                          GTest::gtest)
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
  file(STRINGS ${CMAKE_SOURCE_DIR}/README.md rows REGEX "^\\| `[a-z/]+/` \\|")
  set(listed)
  foreach(row ${rows})
    string(REGEX REPLACE "^\\| `([a-z/]+)/`.*" "\\1" folder "${row}")
    if(folder IN_LIST STRATAPLOT_LAYERS)
      list(APPEND listed ${folder})
    endif()
  endforeach()
  if(NOT listed STREQUAL STRATAPLOT_LAYERS)
    message(FATAL_ERROR "README.md's Layout table lists the layers as\n  ${listed}\n"
                        "but cmake/layers.cmake orders them\n  ${STRATAPLOT_LAYERS}")
  endif()
endfunction()
