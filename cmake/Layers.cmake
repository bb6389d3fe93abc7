# The core is a stack of folders, each its own library that may include only the folders below
# it. Each library sees its own headers and those of the libraries it links, through a folder
# of links to exactly those headers, never through src/ as a whole: a folder that includes one
# above it fails to build, so no include circle can creep back in.
#
#   zarava_layer(FOLDER [DEPENDS LOWER_FOLDER ...])
#
# FOLDER is relative to src/ (for example "roomdisplay" or "qtview"); the target is
# zarava_<FOLDER>. Run from the folder's own CMakeLists.txt.
#
# A folder whose work differs between systems keeps one set of headers for its callers and the
# implementations apart: the sources of its "posix" or "windows" subfolder, whichever fits the
# target system, join the folder's own. The callers never see which one they got.
function(zarava_layer folder)
  cmake_parse_arguments(LAYER "" "" "DEPENDS" ${ARGN})
  string(REPLACE "/" "_" name "${folder}")
  set(target zarava_${name})
  if(WIN32)
    set(system windows)
  else()
    set(system posix)
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h
       ${CMAKE_CURRENT_SOURCE_DIR}/${system}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/${system}/*.h)
  add_library(${target} STATIC ${sources})

  set(root ${CMAKE_BINARY_DIR}/layers/${name})
  file(REMOVE_RECURSE ${root})
  file(MAKE_DIRECTORY ${root}/${folder})
  file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  foreach(header IN LISTS headers)
    get_filename_component(file ${header} NAME)
    file(CREATE_LINK ${header} ${root}/${folder}/${file} SYMBOLIC)
  endforeach()
  target_include_directories(${target} PUBLIC ${root})

  set(lower)
  foreach(dep IN LISTS LAYER_DEPENDS)
    string(REPLACE "/" "_" dep "${dep}")
    list(APPEND lower zarava_${dep})
  endforeach()
  target_link_libraries(${target} PUBLIC zarava_common ${lower})
endfunction()
