#pragma once
// The current date and time as the database server would give it (local time of this
// machine). Tests and demo runs may fix "now" so that figures such as days without movement
// are reproducible.

#include <optional>

#include "host/db/value.h"

namespace sparestock::db {

DateTime now();
DateTime today();  // now() at 00:00:00
// Fixes now() to a given moment (nullopt: the real clock again). Applies to the whole process.
void set_fixed_now(std::optional<DateTime> moment);

}  // namespace sparestock::db
