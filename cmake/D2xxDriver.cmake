# D2XX driver libraries of our own (the simulated instrument's, and any other
# library that stands in for FTDI's driver).
#
#   vexmoor_d2xx_driver_library(<target>)
#
# makes the shared library <target> one: the driver's file name on each
# platform (libftd2xx.so, libftd2xx.dylib, Ftd2xx.dll), hidden symbols, and
# nothing exported but the fourteen entry points. Their names are read from
# the list in src/link/D2xxTypes.h, the one the program and the library's
# VEXMOOR_D2XX_EXPORTS (link/D2xxDriver.h) are made from; the export lists
# for the linkers are generated from it here.

set(VEXMOOR_D2XX_LIST ${CMAKE_CURRENT_LIST_DIR}/../src/link/D2xxTypes.h)
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${VEXMOOR_D2XX_LIST})

# The entry-point names, in the list's order.
function(vexmoor_d2xx_entry_point_names out)
  file(READ ${VEXMOOR_D2XX_LIST} text)
  string(REGEX MATCHALL "\n +X\\(context, FT_[A-Za-z]+," entries "${text}")
  set(names)
  foreach(entry IN LISTS entries)
    string(REGEX REPLACE ".*(FT_[A-Za-z]+),$" "\\1" name "${entry}")
    list(APPEND names ${name})
  endforeach()
  list(LENGTH names count)
  if(NOT count EQUAL 14)
    message(FATAL_ERROR "${VEXMOOR_D2XX_LIST}: found ${count} entry points, not 14: ${names}")
  endif()
  set(${out} ${names} PARENT_SCOPE)
endfunction()

function(vexmoor_d2xx_driver_library target)
  vexmoor_d2xx_entry_point_names(names)
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}-exports)
  set_target_properties(${target} PROPERTIES
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  target_link_libraries(${target} PRIVATE d2xx_api)

  if(WIN32)
    # Ftd2xx.dll, with undecorated names also for 32-bit stdcall.
    set_target_properties(${target} PROPERTIES OUTPUT_NAME Ftd2xx PREFIX "")
    list(JOIN names "\n  " exports)
    file(CONFIGURE OUTPUT ${dir}/ftd2xx.def
         CONTENT "; Generated from src/link/D2xxTypes.h.\nLIBRARY Ftd2xx\nEXPORTS\n  ${exports}\n")
    target_sources(${target} PRIVATE ${dir}/ftd2xx.def)
    return()
  endif()

  # libftd2xx.so / libftd2xx.dylib, without a version suffix: the program asks
  # for exactly that name.
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ftd2xx PREFIX "lib")
  if(APPLE)
    list(TRANSFORM names PREPEND "_")
    list(JOIN names "\n" exports)
    file(CONFIGURE OUTPUT ${dir}/ftd2xx.exports CONTENT "${exports}\n")
    target_link_options(${target} PRIVATE "LINKER:-exported_symbols_list,${dir}/ftd2xx.exports")
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${dir}/ftd2xx.exports)
  else()
    # Only the FT_ names, whatever the C++ library's headers ask for.
    list(JOIN names "; " exports)
    file(CONFIGURE OUTPUT ${dir}/ftd2xx.map
         CONTENT "/* Generated from src/link/D2xxTypes.h. */\n{\n  global: ${exports};\n  local: *;\n};\n")
    target_link_options(${target} PRIVATE "LINKER:--version-script=${dir}/ftd2xx.map")
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${dir}/ftd2xx.map)
  endif()
endfunction()
