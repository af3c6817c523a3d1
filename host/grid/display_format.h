#pragma once
// Display formats of grid columns: the text a grid shows for a value, as a front end renders it
// and a printout prints it.
//
// Number formats ("##,###,###,##0.00", "#0.00", "#########.##", "###,###,###.00"):
//   - ',' anywhere in the integer part groups the digits by three;
//   - each '0' after the point is a place always shown, each '#' after the point a place shown
//     only when it is not a trailing zero; the value is rounded half away from zero to the
//     places the format has, and the point is left out when no place is shown;
//   - at least one integer digit is shown ("0.50", not ".50");
//   - a negative value is shown with a leading '-'; only the first ';'-section is used.
// Date formats: "yyyy", "yy", "mm", "m", "dd", "d" for the date, "hh", "h", "mm" (after an
// hour), "ss" for the time; "[shortdate]" is "yyyy/mm/dd" and "[time]" is "hh:mm:ss".
// "[general]" or an empty format: numbers as they are (a decimal with its places, a float in
// its shortest form), texts as they are, date-times as "yyyy/mm/dd hh:mm:ss" ("yyyy/mm/dd"
// at midnight). Null shows as "".

#include <string>
#include <string_view>

#include "host/db/value.h"
#include "host/grid/definition.h"

namespace sparestock::grid {

std::string format_display(const db::Value& value, std::string_view format);

// The text a column shows for a value: its code table's text when the value is listed there,
// else the value under the column's display format.
std::string column_display(const ColumnDef& column, const db::Value& value);

}  // namespace sparestock::grid
