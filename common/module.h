#pragma once
// Registration of module objects that are not yet reached through the module's entry points
// (entry_points.cpp in each module folder, loaded by lib::load_module). Empty once every object
// has its entries.

namespace sparestock::module {

void register_module();

}  // namespace sparestock::module
