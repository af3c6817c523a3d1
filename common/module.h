#pragma once
// The spare-parts stock module as the runtime loads it: every object it carries (grid
// definitions, windows, menus), made known to the host by name.

namespace sparestock::module {

// Registers the module's objects with the runtime. Idempotent; call once at start-up.
void register_module();

}  // namespace sparestock::module
