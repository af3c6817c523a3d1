# Checks that each layer's include folder lets it include its own headers and those of the
# layers below it, and nothing above or beside it. Run by ctest:
#   cmake -DCOMPILER=<c++> -DVIEWS=<build>/layer_includes -P tests/layering.cmake
# Each case preprocesses one #include with the layer's include folder as the only project path.

# layer | header | "ok" when the layer may include it, "refused" when it must not compile
set(cases
  # the runtime, bottom to top
  "host_db|host/db/value.h|ok"
  "host_db|host/grid/grid.h|refused"
  "host_grid|host/db/value.h|ok"
  "host_grid|host/grid/grid.h|ok"
  "host_grid|host/ui/window.h|refused"
  "host_ui|host/grid/grid.h|ok"
  "host_ui|host/lib/w_main.h|refused"
  "host_lib|host/ui/window.h|ok"
  "host_lib|host/driver/driver.h|refused"
  "host_driver|host/lib/w_main.h|ok"
  "host_driver|common/menus.h|refused"
  "host_driver|schema/schema.h|refused"
  # the schema sits on the runtime only
  "schema_data|host/db/transaction.h|ok"
  "schema_data|common/menus.h|refused"
  "schema_data|web/server.h|refused"
  # module folders: common below grids and stock_enquiry, which do not see each other
  "module_common|host/driver/driver.h|ok"
  "module_common|stock_enquiry/s_bj704_001.h|refused"
  "module_common|grids/definitions.h|refused"
  "module_common|schema/schema.h|refused"
  "module_grids|common/menus.h|ok"
  "module_grids|stock_enquiry/s_bj704_001.h|refused"
  "module_stock_enquiry|common/menus.h|ok"
  "module_stock_enquiry|grids/definitions.h|refused"
  "module_stock_enquiry|web/server.h|refused"
  # the web application sits on the runtime, not on the module or the schema
  "web|host/driver/driver.h|ok"
  "web|stock_enquiry/s_bj704_001.h|refused"
  "web|schema/schema.h|refused"
  # the program sees everything
  "sparestock|web/server.h|ok"
  "sparestock|stock_enquiry/filter_builder.h|ok"
  "sparestock|schema/init.h|ok"
)

foreach(var COMPILER VIEWS)
  if(NOT ${var})
    message(FATAL_ERROR "layering.cmake: -D${var}=... is required")
  endif()
endforeach()

set(scratch ${VIEWS}/../layering_check)
file(MAKE_DIRECTORY ${scratch})
set(failures 0)
foreach(case ${cases})
  string(REPLACE "|" ";" fields "${case}")
  list(GET fields 0 layer)
  list(GET fields 1 header)
  list(GET fields 2 expected)
  if(NOT IS_DIRECTORY ${VIEWS}/${layer})
    message(SEND_ERROR "${layer}: no include folder ${VIEWS}/${layer}")
    math(EXPR failures "${failures} + 1")
    continue()
  endif()
  # The probe lives outside the source tree, so only the layer's folder can resolve the include.
  file(WRITE ${scratch}/probe.cpp "#include \"${header}\"\n")
  execute_process(
    COMMAND ${COMPILER} -std=c++20 -E -o /dev/null -I${VIEWS}/${layer} ${scratch}/probe.cpp
    RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors)
  # Refused means the header itself was not found, not something it includes.
  string(FIND "${errors}" "${header}: No such file" gcc_missing)
  string(FIND "${errors}" "'${header}' file not found" clang_missing)
  if(status EQUAL 0)
    set(got ok)
  elseif(gcc_missing GREATER -1 OR clang_missing GREATER -1)
    set(got refused)
  else()
    set(got "failed otherwise: ${errors}")
  endif()
  if(got STREQUAL expected)
    message(STATUS "${layer} includes ${header}: ${got}")
  else()
    message(SEND_ERROR "${layer} includes ${header}: expected ${expected}, got ${got}")
    math(EXPR failures "${failures} + 1")
  endif()
endforeach()
if(failures GREATER 0)
  message(FATAL_ERROR "${failures} layering cases failed")
endif()
