#pragma once
// What a module source includes to declare objects and scripts: the declaration macros and the
// numbers the build derived for them from common/objects.txt and the declarations.

#include "generated/module_entries.h"
#include "host/lib/module_declarations.h"
