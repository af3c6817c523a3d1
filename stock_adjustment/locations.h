#pragma once
// What the two adjustment forms share: the filter built from their four filter fields, the
// location pick list, the quantity that can still be locked, and the bookkeeping of the
// location state `lzt` of dbj005 (0 free, 1 occupied).
//
// Location state. A location is occupied while at least one stock record of the company lies
// there. Freeing is therefore conditional: a location is marked free only when no stock record
// is left on it, tested in the same unit of work after the records were written. Before the
// test the location's dbj005 row is locked (an update that changes nothing), so that on a
// server at read-committed isolation a session that moves a record onto the location and one
// that moves the last record off it are taken one after the other: the later one sees the
// earlier one's committed record and never marks an occupied location free.

#include <string>
#include <vector>

#include <functional>

#include "common/code_check.h"
#include "common/pick_button.h"
#include "host/db/decimal.h"
#include "host/db/transaction.h"
#include "host/ui/controls.h"
#include "host/ui/session.h"

namespace sparestock::stock_adjustment {

// A storage location of the company: warehouse, zone, location.
struct Place {
  std::string ckh, ckqh, ckwh;
  friend auto operator<=>(const Place&, const Place&) = default;
};

// The filter of the four fields: " 1=1 " followed, for each non-empty text in the order
// warehouse, zone, location, part, by " and ckh=", " and ckqh=", " and ckwh=" or " and ccph="
// and the text between double quotes. Quotes and tildes in the text are escaped, so whatever
// was typed is a value of the condition and never a piece of the expression.
std::string location_filter(const std::string& ckh, const std::string& ckqh, const std::string& ckwh,
                            const std::string& ccph);

// A filter field: its label at (x, y), the field after it `field_width` wide, and its help
// button (the picture "locate.bmp") after the field. Returns where the next field may start.
int place_filter_field(ui::StaticText& label, ui::SingleLineEdit& field, ui::CommandButton& help, int x,
                       int y, int label_width, int field_width);

// A key pressed in a filter field: F9 opens its pick list (`pick`); Enter checks the code typed
// (trimmed; an empty one passes) against `kind`'s master table, telling the user when it is
// not found. true only for Enter on a code that passed.
bool filter_field_key(ui::Session& session, ui::Key key, const std::function<void()>& pick,
                      common::CodeKind kind, const std::string& text);

// The location pick list: ckh,ckqh,ckwh,lzt of the company's enabled locations, returning
// ckwh, narrowed by the warehouse and zone when they are given (quoted as SQL literals).
common::PickCall location_list(const std::string& company, const std::string& headings,
                               const std::string& ckh = {}, const std::string& ckqh = {});

// The quantity of a stock record that can still be locked: stock less the quantities already
// requested and pre-allocated.
db::Decimal lockable_quantity(const db::Decimal& nkcsl, const db::Decimal& nsqsl, const db::Decimal& nykps);

// Locks the dbj005 rows of `places` (sorted, each once) within the unit of work, so that two
// sessions that touch the same locations take them in the same order and one after the other.
// sqlcode of the first statement that failed, else 0.
long lock_locations(db::Transaction& t, const std::string& company, std::vector<Place> places);

// Marks the location free when no stock record of the company lies there (any more). The
// location's row must be locked first (lock_locations). sqlcode.
long free_location_if_empty(db::Transaction& t, const std::string& company, const Place& place);

// Marks the location occupied. sqlcode.
long occupy_location(db::Transaction& t, const std::string& company, const Place& place);

}  // namespace sparestock::stock_adjustment
