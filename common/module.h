#pragma once
// What the module library sets up when it is loaded, beside the objects the runtime finds
// through its entry points (entry_points.cpp in each module folder, read by lib::load_module).

namespace sparestock::module {

void register_module();

}  // namespace sparestock::module
