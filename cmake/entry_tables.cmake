# The module's entry numbers. tools/entry_tables reads the object list and the declarations in
# the module's sources and writes generated/module_entries.h, which those sources include
# (through common/entries.h); nothing in the module is numbered by hand.
add_library(entry_tables_lib STATIC ${CMAKE_SOURCE_DIR}/tools/entry_tables.cpp)
target_include_directories(entry_tables_lib PUBLIC ${CMAKE_SOURCE_DIR})
add_executable(entry_tables ${CMAKE_SOURCE_DIR}/tools/entry_tables_main.cpp)
target_link_libraries(entry_tables PRIVATE entry_tables_lib)

# sparestock_entry_tables(<object list> FOLDERS <folders...> LAYERS <targets...>)
# Numbers the declarations in the folders' sources and headers, and makes every layer target
# given wait for the numbers and see them as "generated/module_entries.h".
function(sparestock_entry_tables object_list)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "FOLDERS;LAYERS")
  set(sources)
  foreach(dir ${arg_FOLDERS})
    file(GLOB_RECURSE found CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_SOURCE_DIR}/${dir}/*.h)
    list(APPEND sources ${found})
  endforeach()
  list(FILTER sources EXCLUDE REGEX "_test\\.cpp$")
  list(SORT sources)
  set(output ${CMAKE_BINARY_DIR}/generated/module_entries.h)
  add_custom_command(OUTPUT ${output}
    COMMAND entry_tables ${output} ${CMAKE_SOURCE_DIR}/${object_list} ${sources}
    DEPENDS entry_tables ${CMAKE_SOURCE_DIR}/${object_list} ${sources}
    COMMENT "Numbering the module's entry points"
    VERBATIM)
  add_custom_target(module_entries DEPENDS ${output})
  foreach(layer ${arg_LAYERS})
    add_dependencies(${layer} module_entries)
    target_include_directories(${layer} PRIVATE ${CMAKE_BINARY_DIR})
  endforeach()
endfunction()
