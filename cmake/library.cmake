# The library, built twice from one source tree: libstrataplot.so (the
# shared-framework build) and libstrataplot-static.so (the static-framework
# build). The two differ only in the build flavour they link.
#
# The library's literal texts are UTF-8 in the sources and GBK at run time.
set(STRATAPLOT_CHARSET -fexec-charset=GBK)

add_library(strataplot_core STATIC
  project/basin_inputs.cpp
  project/input_file.cpp
  mapfile/map_file.cpp
  dialogs/templates.cpp
  dialogs/contour_interval_dialog.cpp
  dialogs/gas_type_dialog.cpp
  dialogs/horizon_selection_dialog.cpp
  oilmaps/oil_map_steps.cpp
  oilmaps/make_pai_you.cpp
  oilmaps/make_un_you.cpp
  oilmaps/make_sheng_you.cpp
  gasmaps/gas_intensity_file.cpp
  gasmaps/make_gas_inten.cpp
  saprofile/depth_table.cpp
  saprofile/make_sa.cpp
  exports/exports.cpp
)
target_compile_options(strataplot_core PRIVATE ${STRATAPLOT_CHARSET})
target_include_directories(strataplot_core PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(strataplot_core PUBLIC common platform)

foreach(flavour shared static)
  add_library(strataplot_flavour_${flavour} STATIC exports/build_flavour_${flavour}.cpp)
  target_link_libraries(strataplot_flavour_${flavour} PUBLIC strataplot_core)
  target_compile_options(strataplot_flavour_${flavour} PRIVATE ${STRATAPLOT_CHARSET})
endforeach()

add_library(strataplot SHARED exports/library.cpp)
target_link_libraries(strataplot PRIVATE -Wl,--whole-archive strataplot_core strataplot_flavour_shared -Wl,--no-whole-archive common platform)
add_library(strataplot-static SHARED exports/library.cpp)
target_link_libraries(strataplot-static PRIVATE -Wl,--whole-archive strataplot_core strataplot_flavour_static -Wl,--no-whole-archive common platform)
foreach(target strataplot strataplot-static)
  target_link_options(${target} PRIVATE -Wl,--no-undefined
                      -Wl,--version-script=${CMAKE_SOURCE_DIR}/exports/exports.map)
  set_target_properties(${target} PROPERTIES LINK_DEPENDS ${CMAKE_SOURCE_DIR}/exports/exports.map)
endforeach()

# Tests of the library's parts, compiled with its character set so that their
# literal texts are the same GBK bytes.
strataplot_test(mapfile_test mapfile/map_file_test.cpp)
target_link_libraries(mapfile_test PRIVATE strataplot_flavour_shared host_harness)
target_compile_options(mapfile_test PRIVATE ${STRATAPLOT_CHARSET})

# The exports end to end, through the host program.
strataplot_test(oilmaps_test oilmaps/make_pai_you_test.cpp)
target_link_libraries(oilmaps_test PRIVATE host_harness)

strataplot_test(project_test project/basin_inputs_test.cpp)
target_link_libraries(project_test PRIVATE strataplot_flavour_shared host_harness)
target_compile_options(project_test PRIVATE ${STRATAPLOT_CHARSET})
strataplot_test(oilmaps_more_test oilmaps/make_un_you_test.cpp oilmaps/make_sheng_you_test.cpp)
target_link_libraries(oilmaps_more_test PRIVATE host_harness)
strataplot_test(gasmaps_test gasmaps/make_gas_inten_test.cpp)
target_link_libraries(gasmaps_test PRIVATE host_harness strataplot_flavour_shared)
# The saturation profile end to end through the host, and in one process for
# what outlives a call (the selected horizon).
strataplot_test(saprofile_test saprofile/make_sa_test.cpp)
target_link_libraries(saprofile_test PRIVATE host_harness)
strataplot_test(saprofile_state_test saprofile/make_sa_state_test.cpp)
target_link_libraries(saprofile_state_test PRIVATE -Wl,--whole-archive strataplot_flavour_shared
                      -Wl,--no-whole-archive host_harness)
strataplot_test(dialogs_test dialogs/contour_interval_dialog_test.cpp)
target_link_libraries(dialogs_test PRIVATE -Wl,--whole-archive strataplot_flavour_shared
                      -Wl,--no-whole-archive)
target_compile_options(dialogs_test PRIVATE ${STRATAPLOT_CHARSET})
