# The module's entry numbers. tools/entry_tables reads the object list and the declarations in
# the module's sources and writes generated/module_entries.h, which those sources include
# (through common/entries.h); nothing in the module is numbered by hand.
add_library(entry_tables_lib STATIC ${CMAKE_SOURCE_DIR}/tools/entry_tables.cpp)
target_include_directories(entry_tables_lib PUBLIC ${CMAKE_SOURCE_DIR})
add_executable(entry_tables ${CMAKE_SOURCE_DIR}/tools/entry_tables_main.cpp)
target_link_libraries(entry_tables PRIVATE entry_tables_lib)

# sparestock_entry_tables(<target> <object list> <folders...>)
# Numbers the declarations in the folders' sources and headers for <target>.
function(sparestock_entry_tables target object_list)
  set(sources)
  foreach(dir ${ARGN})
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
  target_sources(${target} PRIVATE ${output})
  target_include_directories(${target} PRIVATE ${CMAKE_BINARY_DIR})
endfunction()
