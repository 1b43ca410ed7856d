# gv_add_library(<target> <folder> [DEPS <libs...>])
# A static library of every .cpp below <folder>. Headers are included as
# "platform/os/Ini.h", "engine/Renderer.h" ... relative to src/.
set(GV_ALL_LIBS "" CACHE INTERNAL "")
function(gv_add_library target folder)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS "${folder}/*.cpp")
  if(NOT srcs)
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE "${CMAKE_SOURCE_DIR}/src")
    target_link_libraries(${target} INTERFACE ${ARG_DEPS})
  else()
    add_library(${target} STATIC ${srcs})
    target_include_directories(${target} PUBLIC "${CMAKE_SOURCE_DIR}/src")
    target_link_libraries(${target} PUBLIC ${ARG_DEPS})
    # The game's libraries use each other in cycles (play field, effects,
    # bonuses); a third pass lets the linker close every one of them.
    set_property(TARGET ${target} PROPERTY LINK_INTERFACE_MULTIPLICITY 3)
  endif()
  set(GV_ALL_LIBS ${GV_ALL_LIBS} ${target} CACHE INTERNAL "")
endfunction()
