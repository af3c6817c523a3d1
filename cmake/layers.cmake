# The code is built in layers, each of which may include and call only itself and the layers
# below it:
#   host/db -> host/grid -> host/ui -> host/lib -> host/driver -> module folders -> web, app
#
# Every source includes with a path from the repository root ("host/ui/window.h"), so the
# repository root cannot be an include directory: it would let any file include any other.
# Instead each layer target gets a folder of its own in the build tree holding links to just the
# source folders it may see (its own and those of the layers below it), and that folder is its
# include directory. An include against the direction is then "file not found".

# Collects the sources of the folders, leaving out their tests.
function(sparestock_sources out)
  set(all)
  foreach(dir ${ARGN})
    file(GLOB_RECURSE found CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
    list(APPEND all ${found})
  endforeach()
  list(FILTER all EXCLUDE REGEX "_test\\.cpp$")
  set(${out} ${all} PARENT_SCOPE)
endfunction()

# sparestock_layer(<target> FOLDERS <folders...> [PUBLIC <layers...>] [PRIVATE <layers...>])
# Makes <target> a layer owning the source folders FOLDERS (paths from the repository root),
# built on the layers given (targets that are layers themselves). The target sees the folders
# of those layers and of everything below them; it links them PUBLIC when its own headers
# include theirs, PRIVATE otherwise.
function(sparestock_layer target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "FOLDERS;PUBLIC;PRIVATE")
  set(visible ${arg_FOLDERS})
  foreach(below ${arg_PUBLIC} ${arg_PRIVATE})
    get_target_property(folders ${below} SPARESTOCK_VISIBLE_FOLDERS)
    if(NOT folders)
      message(FATAL_ERROR "sparestock_layer(${target}): ${below} is not a layer")
    endif()
    list(APPEND visible ${folders})
  endforeach()
  list(REMOVE_DUPLICATES visible)
  set_property(TARGET ${target} PROPERTY SPARESTOCK_VISIBLE_FOLDERS ${visible})

  # The view is made again on every configure so that a folder taken out of a layer is gone.
  set(view ${CMAKE_BINARY_DIR}/layer_includes/${target})
  file(REMOVE_RECURSE ${view})
  foreach(folder ${visible})
    get_filename_component(parent ${view}/${folder} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${view}/${folder} SYMBOLIC)
  endforeach()
  target_include_directories(${target} PRIVATE ${view})
  if(arg_PUBLIC)
    target_link_libraries(${target} PUBLIC ${arg_PUBLIC})
  endif()
  if(arg_PRIVATE)
    target_link_libraries(${target} PRIVATE ${arg_PRIVATE})
  endif()
endfunction()

# sparestock_object_layer(<target> FOLDERS <folders...> [PUBLIC ...] [PRIVATE ...])
# An object library of the folders' sources, a layer as above, to be combined with the other
# layers of its shared library.
function(sparestock_object_layer target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "FOLDERS;PUBLIC;PRIVATE")
  sparestock_sources(sources ${arg_FOLDERS})
  add_library(${target} OBJECT ${sources})
  set(links)
  if(arg_PUBLIC)
    list(APPEND links PUBLIC ${arg_PUBLIC})
  endif()
  if(arg_PRIVATE)
    list(APPEND links PRIVATE ${arg_PRIVATE})
  endif()
  sparestock_layer(${target} FOLDERS ${arg_FOLDERS} ${links})
endfunction()

# sparestock_shared_library(<target> LAYERS <object layers...> [PUBLIC <libraries...>])
# One shared library made of the object layers given; it counts as a layer seeing all of them.
# Other code links the library, never the object layers themselves, so that each object is in
# exactly one library. PUBLIC names what the library's headers expose to its users (the layers'
# own dependencies stay inside it).
function(sparestock_shared_library target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "LAYERS;PUBLIC")
  add_library(${target} SHARED)
  set_target_properties(${target} PROPERTIES LINKER_LANGUAGE CXX)
  target_link_libraries(${target} PRIVATE ${arg_LAYERS} PUBLIC ${arg_PUBLIC})
  set(visible)
  foreach(layer ${arg_LAYERS})
    get_target_property(folders ${layer} SPARESTOCK_VISIBLE_FOLDERS)
    list(APPEND visible ${folders})
  endforeach()
  list(REMOVE_DUPLICATES visible)
  set_property(TARGET ${target} PROPERTY SPARESTOCK_VISIBLE_FOLDERS ${visible})
endfunction()
