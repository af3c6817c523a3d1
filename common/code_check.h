#pragma once
// Existence checks of typed codes against their master tables. A code is accepted when its
// master table holds it for the user's company and it is not disabled (ltybs = 0); zones belong
// to no company and have no disabled flag. The code is bound as a host variable.
//
//   if (!common::check_code(session(), common::CodeKind::Warehouse, T)) return;

#include <string>

#include "host/db/transaction.h"
#include "host/ui/session.h"

namespace sparestock::common {

enum class CodeKind { Part, Category, Warehouse, Zone, Location, VehicleModel, Pinyin };

struct CodeRule {
  CodeKind kind;
  const char* statement;  // T-SQL selecting the code, host variables :code and :gsh
  const char* message;    // shown when the code is not found
};

const CodeRule& code_rule(CodeKind kind);

// True when the code is found. A missing row and a failed statement both count as not found.
bool code_found(db::Transaction& sqlca, CodeKind kind, const std::string& code, const std::string& company);

// The check as a handler runs it when the user confirms a code: an empty code passes without
// a look-up; a code not found shows the kind's message (title gs_tsxx) and fails, and the
// handler then ends without changing anything else.
bool check_code(ui::Session& session, CodeKind kind, const std::string& code);

}  // namespace sparestock::common
