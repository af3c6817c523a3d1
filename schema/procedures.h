#pragma once
// The database's stored procedures sp_kc, sp_kcbj and sp_kcyzx.

namespace sparestock::schema {

// Registers the procedures with the data layer so that `execute` finds them. Idempotent.
void register_procedures();

}  // namespace sparestock::schema
