#include "host/grid/grid.h"

#include <algorithm>
#include <mutex>
#include <numeric>
#include <stdexcept>
#include <unordered_map>

#include "host/base/text.h"
#include "host/db/transaction.h"
#include "host/grid/nodes.h"
#include "host/grid/print.h"

namespace sparestock::grid {

namespace {

// Rows each definition returned last time, so that the next retrieval of it can size its
// columns at once instead of growing them. Shared by every session.
class RowCountHints {
 public:
  static size_t get(const std::string& name) {
    std::lock_guard<std::mutex> lock(mutex());
    auto it = map().find(name);
    return it == map().end() ? 0 : it->second;
  }
  static void set(const std::string& name, size_t rows) {
    std::lock_guard<std::mutex> lock(mutex());
    map()[name] = rows;
  }

 private:
  static std::mutex& mutex() {
    static std::mutex m;
    return m;
  }
  static std::unordered_map<std::string, size_t>& map() {
    static std::unordered_map<std::string, size_t> m;
    return m;
  }
};

// An expression text holding nothing but the white space the expression lexer skips (blanks,
// tabs, line ends): no filter or sort at all.
bool no_expression(std::string_view s) { return s.find_first_not_of(" \t\r\n") == std::string_view::npos; }

}  // namespace

std::string_view item_status_name(ItemStatus s) {
  switch (s) {
    case ItemStatus::NotModified: return "NotModified!";
    case ItemStatus::DataModified: return "DataModified!";
    case ItemStatus::New: return "New!";
    case ItemStatus::NewModified: return "NewModified!";
  }
  return "?";
}

Grid::Grid() : data_(std::make_shared<GridData>(std::vector<ColumnDef>{})) {}

Grid::Grid(const GridDefinition& def) : Grid() { set_definition(def); }

Grid::~Grid() = default;

int Grid::failed(std::string message) const {
  error_ = std::move(message);
  return -1;
}

// ---- Definition ----

int Grid::set_dataobject(std::string_view name) {
  const GridDefinition* def = find_definition(name);
  if (!def) return failed("no grid definition named " + std::string(name));
  set_definition(*def);
  return 1;
}

void Grid::set_definition(const GridDefinition& def) {
  auto compile_or_throw = [&](std::string_view what, std::string_view text, const CompileOptions& options) {
    std::string error;
    auto e = compile_expression(text, def, options, &error);
    if (!e)
      throw std::invalid_argument("grid " + def.name + ": " + std::string(what) + " '" + std::string(text) +
                                  "': " + error);
    return e;
  };
  std::vector<std::unique_ptr<CompiledExpression>> computed;
  for (const auto& c : def.computed) computed.push_back(compile_or_throw("computed field", c.expression, {}));
  std::vector<std::vector<std::unique_ptr<CompiledExpression>>> group_by;
  for (const auto& g : def.groups) {
    group_by.emplace_back();
    for (const auto& by : g.by) group_by.back().push_back(compile_or_throw("group", by, {}));
  }
  for (const auto& b : def.band_items) {
    if (b.expression.empty()) continue;
    CompileOptions options;
    if (b.band == Band::Group) {
      options.default_scope = AggregateScope::Group;
      options.default_group = b.group;
    }
    compile_or_throw("band item " + b.name, b.expression, options);
  }
  std::unique_ptr<CompiledFilter> filter;
  if (!no_expression(def.filter)) {
    std::string error;
    filter = compile_filter(def.filter, def, {}, &error);
    if (!filter) throw std::invalid_argument("grid " + def.name + ": filter: " + error);
  }
  std::unique_ptr<CompiledSort> sort;
  if (!no_expression(def.sort)) {
    std::string error;
    sort = compile_sort(def.sort, def, &error);
    if (!sort) throw std::invalid_argument("grid " + def.name + ": sort: " + error);
  }

  def_ = def;
  data_ = std::make_shared<GridData>(def_.columns);
  computed_ = std::move(computed);
  group_by_ = std::move(group_by);
  filter_ = std::move(filter);
  filter_text_ = filter_ ? def_.filter : std::string();
  sort_ = std::move(sort);
  sort_text_ = sort_ ? def_.sort : std::string();
  readonly_ = def_.readonly_default;
  protected_.assign(def_.columns.size(), 0);
  current_ = kNoRow;
  current_column_ = def_.columns.empty() ? -1 : 0;
  edit_text_.reset();
  page_starts_.clear();
  group_starts_.clear();
  groups_version_ = 0;
}

int Grid::column_index(const ColumnRef& col) const {
  if (!col.by_name()) {
    if (col.number() < 1 || col.number() > column_count())
      return failed("there is no column #" + std::to_string(col.number()));
    return col.number() - 1;
  }
  std::string error;
  int i = resolve_column(def_, col.name(), &error);
  if (i < 0) return failed(error);
  return i;
}

const ComputedDef* Grid::computed_named(std::string_view name) const {
  for (const auto& c : def_.computed)
    if (text::iequals(c.name, name)) return &c;
  return nullptr;
}

void Grid::set_names(std::string control, std::string window) {
  control_ = std::move(control);
  window_ = std::move(window);
}

bool Grid::is_protected(int column_index) const {
  return column_index >= 0 && column_index < static_cast<int>(protected_.size()) && protected_[column_index];
}

// ---- Retrieval ----

int Grid::settransobject(db::Transaction& transaction) {
  transaction_ = &transaction;
  return 1;
}

void Grid::fail_db(const std::string& message, const std::string& statement, Buffer buffer, long row) {
  error_ = message;
  if (events.dberror) {
    DbErrorEvent e;
    e.sqldbcode = transaction_ ? transaction_->sqldbcode : 0;
    e.sqlerrtext = message;
    e.sqlsyntax = statement;
    e.buffer = buffer;
    e.row = row;
    events.dberror(e);
  }
}

long Grid::retrieve(const std::vector<db::Value>& arguments) {
  if (!transaction_) return failed("retrieve needs a transaction object (settransobject)");
  if (arguments.size() != def_.arguments.size())
    return failed("grid " + def_.name + " takes " + std::to_string(def_.arguments.size()) +
                  " retrieval argument(s), " + std::to_string(arguments.size()) + " given");
  db::HostVariables vars;
  for (size_t i = 0; i < arguments.size(); ++i) {
    db::Value v = arguments[i];
    if (def_.arguments[i].type == GridType::Char) {
      if (!v.is_null()) v = db::Value(v.as_text());
    } else if (v.kind() == db::ValueKind::Text) {
      if (auto d = db::Decimal::parse(v.text())) v = db::Value(*d);
    }
    vars.emplace_back(def_.arguments[i].name, std::move(v));
  }
  auto cursor = transaction_->open_cursor(def_.statement, vars);
  if (!cursor) {
    data_->clear();
    current_ = kNoRow;
    fail_db(transaction_->sqlerrtext, def_.statement, Buffer::Primary, 0);
    return -1;
  }
  return load(*cursor, arguments);
}

long Grid::retrieve_from(db::Cursor& cursor, const std::vector<db::Value>& arguments) {
  return load(cursor, arguments);
}

long Grid::load(db::Cursor& cursor, const std::vector<db::Value>& arguments) {
  GridData& d = *data_;
  const int ncols = column_count();
  if (cursor.column_count() != ncols) {
    d.clear();
    current_ = kNoRow;
    std::string message = "grid " + def_.name + " has " + std::to_string(ncols) +
                          " columns, its statement returned " + std::to_string(cursor.column_count());
    if (transaction_) {
      transaction_->sqlcode = -1;
      transaction_->sqlerrtext = message;
    }
    fail_db(message, def_.statement, Buffer::Primary, 0);
    return -1;
  }
  d.clear();
  d.arguments = arguments;
  if (size_t hint = RowCountHints::get(def_.name))
    for (auto& col : d.columns) col.reserve(hint + hint / 8);
  try {
    // Typed reads straight into the column vectors: no Value per item. The typed readers give
    // "" and 0 for null, so null is asked for only when that is what they gave.
    while (cursor.next()) {
      for (int c = 0; c < ncols; ++c) {
        Column& col = d.columns[c];
        switch (col.type()) {
          case GridType::Char: {
            std::string_view t = cursor.text(c);
            if (t.empty() && cursor.is_null(c))
              col.append_null();
            else
              col.append_text(t);
            break;
          }
          case GridType::Decimal: {
            auto v = cursor.decimal(c, col.scale());
            if (!v)
              col.append_null();
            else
              col.append_integer(v->scale() == col.scale() ? v->units() : v->rescale(col.scale()).units());
            break;
          }
          case GridType::Long: {
            int64_t v = cursor.integer(c);
            if (v == 0 && cursor.is_null(c))
              col.append_null();
            else
              col.append_integer(v);
            break;
          }
          case GridType::Number: {
            double v = cursor.real(c);
            if (v == 0 && cursor.is_null(c))
              col.append_null();
            else
              col.append_real(v);
            break;
          }
          case GridType::DateTime: {
            db::Value v = cursor.value(c);
            std::optional<db::DateTime> dt;
            if (v.kind() == db::ValueKind::DateTime) dt = v.datetime();
            if (v.kind() == db::ValueKind::Text) dt = db::DateTime::parse(v.text());
            if (dt)
              col.append_integer(dt->seconds);
            else
              col.append_null();
            break;
          }
        }
      }
    }
  } catch (const std::exception& e) {
    d.clear();
    current_ = kNoRow;
    if (transaction_) {
      transaction_->sqlcode = -1;
      transaction_->sqlerrtext = e.what();
    }
    fail_db(e.what(), def_.statement, Buffer::Primary, 0);
    return -1;
  }
  RowCountHints::set(def_.name, d.columns.empty() ? 0 : d.columns[0].size());
  d.adopt_loaded_rows();
  if (filter_) apply_filter();
  apply_sort();
  current_ = kNoRow;
  set_current(d.primary.empty() ? kNoRow : d.primary[0], true);
  return rowcount();
}

// ---- Rows ----

long Grid::modifiedcount() const {
  long n = 0;
  for (uint32_t r : data_->order)
    if (data_->status[r] == RowStatus::DataModified || data_->status[r] == RowStatus::NewModified) ++n;
  return n;
}

int Grid::reset() {
  data_->clear();
  current_ = kNoRow;
  edit_text_.reset();
  return 1;
}

long Grid::insertrow(long before) {
  GridData& d = *data_;
  if (before < 0 || before > rowcount()) return failed("cannot insert before row " + std::to_string(before));
  uint32_t id = d.append_row(RowStatus::New);
  if (before == 0) {
    d.primary.push_back(id);
    d.order.push_back(id);
    d.order_is_identity = d.order_is_identity && id == d.order.size() - 1;
  } else {
    uint32_t at = d.primary[before - 1];
    d.primary.insert(d.primary.begin() + (before - 1), id);
    d.order.insert(std::find(d.order.begin(), d.order.end(), at), id);
    d.order_is_identity = false;
  }
  d.touch();
  d.touch_order();
  d.touch_values();
  return before == 0 ? rowcount() : before;
}

int Grid::deleterow(long row) {
  GridData& d = *data_;
  if (row == 0) row = getrow();
  long id = row_id(row, Buffer::Primary);
  if (id < 0) return failed("there is no row " + std::to_string(row));
  uint32_t r = static_cast<uint32_t>(id);
  bool was_current = current_row_id() == r;
  d.primary.erase(d.primary.begin() + (row - 1));
  d.order.erase(std::find(d.order.begin(), d.order.end(), r));
  d.order_is_identity = false;
  d.touch_order();
  if (d.status[r] == RowStatus::New || d.status[r] == RowStatus::NewModified) {
    d.forget_originals(r, column_count());  // never written: nothing to delete
  } else {
    d.deleted.push_back(r);
  }
  d.selected[r] = 0;
  d.touch();
  d.touch_values();
  if (was_current) {
    size_t pos = static_cast<size_t>(row - 1);
    uint32_t next = d.primary.empty() ? kNoRow : d.primary[std::min(pos, d.primary.size() - 1)];
    current_ = kNoRow;
    set_current(next, true);
  }
  return 1;
}

long Grid::row_id(long row, Buffer buffer) const {
  const GridData& d = *data_;
  if (row < 1) return -1;
  size_t k = static_cast<size_t>(row - 1);
  switch (buffer) {
    case Buffer::Primary: return k < d.primary.size() ? static_cast<long>(d.primary[k]) : -1L;
    case Buffer::Filter: {
      if (k >= d.order.size() - d.primary.size()) return -1;
      return static_cast<long>(d.filtered_rows()[k]);
    }
    case Buffer::Delete: return k < d.deleted.size() ? static_cast<long>(d.deleted[k]) : -1L;
  }
  return -1;
}

// ---- Current row and selection ----

uint32_t Grid::current_row_id() const {
  if (current_ != kNoRow && data_->position_of(current_) >= 0) return current_;
  current_ = data_->primary.empty() ? kNoRow : data_->primary[0];
  return current_;
}

void Grid::set_current(uint32_t row_id, bool notify) {
  bool changed = row_id != current_;
  current_ = row_id;
  if (changed && notify && events.rowfocuschanged) events.rowfocuschanged(getrow());
}

long Grid::getrow() const {
  uint32_t r = current_row_id();
  return r == kNoRow ? 0 : data_->position_of(r) + 1;
}

int Grid::setrow(long row) {
  long id = row_id(row, Buffer::Primary);
  if (id < 0) return failed("there is no row " + std::to_string(row));
  current_row_id();
  set_current(static_cast<uint32_t>(id), true);
  return 1;
}

int Grid::scrolltorow(long row) {
  if (row < 1 || rowcount() == 0) return failed("cannot scroll to row " + std::to_string(row));
  return setrow(std::min(row, rowcount()));
}

int Grid::selectrow(long row, bool on) {
  GridData& d = *data_;
  if (row == 0) {
    for (uint32_t r : d.primary) d.selected[r] = on;
    return 1;
  }
  long id = row_id(row, Buffer::Primary);
  if (id < 0) return failed("there is no row " + std::to_string(row));
  d.selected[id] = on;
  return 1;
}

bool Grid::isselected(long row) const {
  long id = row_id(row, Buffer::Primary);
  return id >= 0 && data_->selected[id];
}

long Grid::getselectedrow(long after) const {
  const GridData& d = *data_;
  for (size_t p = static_cast<size_t>(std::max(0L, after)); p < d.primary.size(); ++p)
    if (d.selected[d.primary[p]]) return static_cast<long>(p) + 1;
  return 0;
}

// ---- Filter, sort, find ----

EvalContext Grid::context() const {
  EvalContext ctx;
  ctx.data = data_.get();
  ctx.arguments = &data_->arguments;
  ctx.aggregate_rows = this;
  return ctx;
}

int Grid::setfilter(std::string_view expression) {
  if (no_expression(expression)) {
    filter_.reset();
    filter_text_.clear();
    return 1;
  }
  std::string error;
  CompileOptions options;
  options.specialise = specialise_;
  auto f = compile_filter(expression, def_, options, &error);
  if (!f) return failed(error);
  filter_ = std::move(f);
  filter_text_ = std::string(expression);
  return 1;
}

void Grid::apply_filter() {
  GridData& d = *data_;
  if (!filter_) {
    d.primary = d.order;
    d.touch();
    return;
  }
  // The condition runs over the rows in storage order, so that every column is read front to
  // back; the rows that pass are then put in the order of `order`.
  const size_t cap = d.row_capacity();
  EvalContext ctx = context();
  ctx.buffers = &selections_;
  size_t mark = selections_.mark();
  uint32_t* sel = selections_.take(cap);
  const uint32_t* input = sel;
  size_t n = 0;
  if (d.order.size() == cap) {
    // Every row: the positions 0..cap-1, kept from one filter to the next.
    if (all_rows_.size() < cap) {
      all_rows_.resize(cap);
      std::iota(all_rows_.begin(), all_rows_.end(), 0u);
    }
    input = all_rows_.data();
    n = cap;
  } else {
    std::vector<uint8_t> listed(cap, 0);
    for (uint32_t r : d.order) listed[r] = 1;
    for (uint32_t r = 0; r < cap; ++r)
      if (listed[r]) sel[n++] = r;
  }
  ctx.rows = nullptr;
  size_t m = filter_->select(ctx, input, n, sel);
  if (d.order_is_identity) {
    d.primary.assign(sel, sel + m);
  } else if (m * 8 < d.order.size()) {
    // Few rows pass: mark their positions in `order`, then read the marks in order.
    const std::vector<uint32_t>& pos = d.order_positions();
    std::vector<uint64_t> bits((d.order.size() + 63) / 64, 0);
    for (size_t i = 0; i < m; ++i) {
      uint32_t p = pos[sel[i]];
      bits[p >> 6] |= uint64_t{1} << (p & 63);
    }
    d.primary.clear();
    d.primary.reserve(m);
    for (size_t w = 0; w < bits.size(); ++w) {
      for (uint64_t x = bits[w]; x; x &= x - 1)
        d.primary.push_back(d.order[w * 64 + static_cast<size_t>(__builtin_ctzll(x))]);
    }
  } else {
    // Many pass: mark the rows, then walk `order` keeping the marked ones.
    std::vector<uint64_t> bits((cap + 63) / 64, 0);
    for (size_t i = 0; i < m; ++i) bits[sel[i] >> 6] |= uint64_t{1} << (sel[i] & 63);
    uint32_t* kept = selections_.take(d.order.size());
    size_t k = 0;
    for (uint32_t r : d.order) {
      kept[k] = r;
      k += (bits[r >> 6] >> (r & 63)) & 1;
    }
    d.primary.assign(kept, kept + k);
  }
  selections_.release(mark);
  d.touch();
}

int Grid::filter() {
  apply_filter();
  return 1;
}

int Grid::setsort(std::string_view sort_list) {
  if (no_expression(sort_list)) {
    sort_.reset();
    sort_text_.clear();
    return 1;
  }
  std::string error;
  auto s = compile_sort(sort_list, def_, &error);
  if (!s) return failed(error);
  sort_ = std::move(s);
  sort_text_ = std::string(sort_list);
  return 1;
}

void Grid::apply_sort() {
  if (!sort_ || sort_->empty()) return;
  GridData& d = *data_;
  EvalContext ctx = context();
  bool all_shown = d.primary.size() == d.order.size();
  std::vector<uint8_t> shown;
  if (!all_shown) {
    shown.assign(d.row_capacity(), 0);
    for (uint32_t r : d.primary) shown[r] = 1;
  }
  sort_->sort(ctx, d.order);
  d.order_is_identity = false;
  d.touch_order();
  if (all_shown) {
    d.primary = d.order;
  } else {
    d.primary.clear();
    for (uint32_t r : d.order)
      if (shown[r]) d.primary.push_back(r);
  }
  d.touch();
}

int Grid::sort() {
  apply_sort();
  return 1;
}

long Grid::find(std::string_view condition, long from, long to) {
  std::string error;
  CompileOptions options;
  options.specialise = specialise_;
  auto f = compile_filter(condition, def_, options, &error);
  if (!f) return failed(error);
  long n = rowcount();
  if (n == 0) return 0;
  from = std::clamp(from, 1L, n);
  to = std::clamp(to, 1L, n);
  bool backward = from > to;
  long lo = std::min(from, to) - 1, hi = std::max(from, to) - 1;
  std::vector<uint32_t> sel(static_cast<size_t>(hi - lo + 1));
  std::iota(sel.begin(), sel.end(), static_cast<uint32_t>(lo));
  EvalContext ctx = context();
  ctx.rows = data_->primary.data();
  size_t m = f->select(ctx, sel.data(), sel.size(), sel.data());
  if (m == 0) return 0;
  return static_cast<long>(backward ? sel[m - 1] : sel[0]) + 1;
}

// ---- Items ----

std::optional<db::Value> Grid::getitem(long row, const ColumnRef& col, Buffer buffer, bool original) const {
  long id = row_id(row, buffer);
  if (id < 0) {
    failed("there is no row " + std::to_string(row));
    return std::nullopt;
  }
  // A computed field answers to its name unless a column bears that very name.
  if (col.by_name()) {
    bool exact_column = false;
    for (const auto& cd : def_.columns) exact_column = exact_column || text::iequals(cd.name, col.name());
    const ComputedDef* c = exact_column ? nullptr : computed_named(col.name());
    if (c) {
      size_t k = static_cast<size_t>(c - def_.computed.data());
      EvalContext ctx = context();
      return computed_[k]->value(ctx, static_cast<uint32_t>(id));
    }
  }
  int c = column_index(col);
  if (c < 0) return std::nullopt;
  if (original)
    if (const db::Value* o = data_->original(static_cast<uint32_t>(id), c)) return *o;
  return data_->columns[c].value(static_cast<uint32_t>(id));
}

std::optional<std::string> Grid::getitemstring(long row, const ColumnRef& col, Buffer buffer,
                                               bool original) const {
  auto v = getitem(row, col, buffer, original);
  if (!v || v->is_null()) return std::nullopt;
  return v->as_text();
}

std::optional<db::Decimal> Grid::getitemdecimal(long row, const ColumnRef& col, Buffer buffer,
                                                bool original) const {
  auto v = getitem(row, col, buffer, original);
  if (!v || v->is_null()) return std::nullopt;
  switch (v->kind()) {
    case db::ValueKind::Decimal: return v->decimal();
    case db::ValueKind::Integer: return db::Decimal(v->integer(), 0);
    case db::ValueKind::Text: return db::Decimal::parse(v->text());
    case db::ValueKind::Real: {
      // The shortest decimal that reads back as the same number.
      if (auto d = db::Decimal::parse(v->as_text())) return d;
      return db::Decimal::from_double(v->real(), db::Decimal::kMaxScale);
    }
    default: return std::nullopt;
  }
}

std::optional<double> Grid::getitemnumber(long row, const ColumnRef& col, Buffer buffer, bool original) const {
  auto v = getitem(row, col, buffer, original);
  if (!v || v->is_null()) return std::nullopt;
  return v->as_real();
}

std::optional<db::DateTime> Grid::getitemdatetime(long row, const ColumnRef& col, Buffer buffer,
                                                  bool original) const {
  auto v = getitem(row, col, buffer, original);
  if (!v || v->is_null()) return std::nullopt;
  if (v->kind() == db::ValueKind::DateTime) return v->datetime();
  if (v->kind() == db::ValueKind::Text) return db::DateTime::parse(v->text());
  return std::nullopt;
}

int Grid::setitem(long row, const ColumnRef& col, const db::Value& value) {
  GridData& d = *data_;
  long id = row_id(row, Buffer::Primary);
  if (id < 0) return failed("there is no row " + std::to_string(row));
  int c = column_index(col);
  if (c < 0) return -1;
  uint32_t r = static_cast<uint32_t>(id);
  Column& column = d.columns[c];
  db::Value before = column.value(r);
  std::string error;
  if (!column.set_value(r, value, &error)) return failed("column " + def_.columns[c].name + ": " + error);
  d.remember_original(r, c, std::move(before));
  if (d.status[r] == RowStatus::NotModified) d.status[r] = RowStatus::DataModified;
  if (d.status[r] == RowStatus::New) d.status[r] = RowStatus::NewModified;
  d.touch_values();
  return 1;
}

std::optional<ItemStatus> Grid::getitemstatus(long row, const ColumnRef& col, Buffer buffer) const {
  long id = row_id(row, buffer);
  if (id < 0) {
    failed("there is no row " + std::to_string(row));
    return std::nullopt;
  }
  const GridData& d = *data_;
  if (!col.by_name() && col.number() == 0) {
    switch (d.status[id]) {
      case RowStatus::NotModified: return ItemStatus::NotModified;
      case RowStatus::DataModified: return ItemStatus::DataModified;
      case RowStatus::New: return ItemStatus::New;
      case RowStatus::NewModified: return ItemStatus::NewModified;
    }
  }
  int c = column_index(col);
  if (c < 0) return std::nullopt;
  return d.item_changed(static_cast<uint32_t>(id), c) ? ItemStatus::DataModified : ItemStatus::NotModified;
}

// ---- Edit control ----

int Grid::setcolumn(const ColumnRef& col) {
  int c = column_index(col);
  if (c < 0) return -1;
  if (c != current_column_) edit_text_.reset();
  current_column_ = c;
  return 1;
}

std::string Grid::getcolumnname() const {
  return current_column_ >= 0 ? def_.columns[current_column_].name : std::string();
}

int Grid::settext(std::string_view text) {
  if (readonly_) return failed("the grid is read-only");
  if (getrow() == 0 || current_column_ < 0) return failed("there is no current item");
  if (is_protected(current_column_))
    return failed("column " + def_.columns[current_column_].name + " is protected");
  edit_text_ = std::string(text);
  return 1;
}

std::string Grid::gettext() const {
  if (edit_text_) return *edit_text_;
  long row = getrow();
  if (row == 0 || current_column_ < 0) return {};
  return getitemstring(row, current_column_ + 1).value_or(std::string());
}

int Grid::accepttext() {
  if (!edit_text_) return 1;
  long row = getrow();
  if (row == 0 || current_column_ < 0) {
    edit_text_.reset();
    return 1;
  }
  const std::string column = def_.columns[current_column_].name;
  const std::string text = *edit_text_;
  // An empty text stores null, as clearing an edit field does.
  db::Value value = text.empty() ? db::Value() : db::Value(text);
  std::string error;
  if (!data_->columns[current_column_].convert(value, &error)) {
    if (events.itemerror) events.itemerror(row, column, text);
    return failed("column " + column + ": " + error);
  }
  if (events.itemchanged) {
    int answer = events.itemchanged(row, column, text);
    if (answer == 1) return failed("the value of " + column + " was refused");
    if (answer == 2) {
      edit_text_.reset();
      return 1;
    }
  }
  edit_text_.reset();
  if (setitem(row, current_column_ + 1, value) != 1) return -1;
  return 1;
}

// ---- Sharing ----

int Grid::sharedata(Grid& secondary) {
  if (&secondary == this) return failed("a grid cannot share with itself");
  const auto& a = def_.columns;
  const auto& b = secondary.def_.columns;
  if (a.size() != b.size())
    return failed("cannot share rows: " + def_.name + " has " + std::to_string(a.size()) + " columns, " +
                  secondary.def_.name + " has " + std::to_string(b.size()));
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].type != b[i].type)
      return failed("cannot share rows: column " + std::to_string(i + 1) + " (" + a[i].name + ", " +
                    b[i].name + ") differs in type");
  secondary.data_ = data_;
  secondary.current_ = kNoRow;
  secondary.edit_text_.reset();
  return 1;
}

int Grid::sharedataoff() {
  data_ = std::make_shared<GridData>(def_.columns);
  current_ = kNoRow;
  edit_text_.reset();
  return 1;
}

// ---- Groups, pages, computed values ----

const std::vector<size_t>& Grid::group_starts(int level) const {
  const GridData& d = *data_;
  if (groups_version_ != d.version() || groups_value_version_ != d.value_version() ||
      group_starts_.size() != group_by_.size()) {
    group_starts_.assign(group_by_.size(), {});
    EvalContext ctx = context();
    size_t n = d.primary.size();
    std::vector<uint8_t> boundary(n, 0);
    if (n > 0) boundary[0] = 1;
    for (size_t l = 0; l < group_by_.size(); ++l) {
      for (const auto& e : group_by_[l]) {
        for (size_t p = 1; p < n; ++p) {
          if (boundary[p]) continue;
          size_t mark = ctx.scratch.mark();
          Scalar a = e->evaluate(ctx, d.primary[p - 1]);
          Scalar b = e->evaluate(ctx, d.primary[p]);
          if (!same_scalars(a, b)) boundary[p] = 1;
          ctx.scratch.release(mark);
        }
      }
      for (size_t p = 0; p < n; ++p)
        if (boundary[p]) group_starts_[l].push_back(p);
    }
    groups_version_ = d.version();
    groups_value_version_ = d.value_version();
  }
  static const std::vector<size_t> none;
  if (level < 1 || level > static_cast<int>(group_starts_.size())) return none;
  return group_starts_[level - 1];
}

std::pair<size_t, size_t> Grid::group_range(int level, uint32_t row) const {
  const auto& starts = group_starts(level);
  long pos = data_->position_of(row);
  if (pos < 0 || starts.empty()) return {0, 0};
  auto it = std::upper_bound(starts.begin(), starts.end(), static_cast<size_t>(pos));
  size_t first = *(it - 1);
  size_t last = it == starts.end() ? data_->primary.size() : *it;
  return {first, last};
}

std::pair<size_t, size_t> Grid::page_range(uint32_t row) const {
  size_t n = data_->primary.size();
  if (page_starts_.empty()) return {0, n};
  long pos = data_->position_of(row);
  if (pos < 0) return {0, 0};
  size_t first = 0, last = n;
  for (size_t k = 0; k < page_starts_.size(); ++k) {
    size_t s = static_cast<size_t>(std::max(1L, page_starts_[k]) - 1);
    if (s <= static_cast<size_t>(pos))
      first = s;
    else {
      last = s;
      break;
    }
  }
  return {first, std::min(last, n)};
}

std::vector<std::pair<long, long>> Grid::group_rows(int level) const {
  std::vector<std::pair<long, long>> out;
  const auto& starts = group_starts(level);
  long n = rowcount();
  for (size_t k = 0; k < starts.size(); ++k) {
    long first = static_cast<long>(starts[k]) + 1;
    long last = k + 1 < starts.size() ? static_cast<long>(starts[k + 1]) : n;
    out.emplace_back(first, last);
  }
  return out;
}

void Grid::set_page_starts(std::vector<long> starts) { page_starts_ = std::move(starts); }

std::optional<db::Value> Grid::evaluate(std::string_view expression, long row, long page,
                                        long page_count) const {
  std::string error;
  auto e = compile_expression(expression, def_, {}, &error);
  if (!e) {
    failed(error);
    return std::nullopt;
  }
  uint32_t id = 0;
  if (row > 0) {
    long r = row_id(row, Buffer::Primary);
    if (r < 0) {
      failed("there is no row " + std::to_string(row));
      return std::nullopt;
    }
    id = static_cast<uint32_t>(r);
  } else if (!data_->primary.empty()) {
    id = data_->primary[0];
  } else {
    id = UINT32_MAX;  // no row: column values read as null
  }
  EvalContext ctx = context();
  ctx.page = page;
  ctx.page_count = page_count;
  return e->value(ctx, id);
}

std::optional<db::Value> Grid::band_value(std::string_view name, long row, long page, long page_count) const {
  for (const auto& b : def_.band_items) {
    if (!text::iequals(b.name, name)) continue;
    if (b.expression.empty()) return db::Value(b.label);
    CompileOptions options;
    if (b.band == Band::Group) {
      options.default_scope = AggregateScope::Group;
      options.default_group = b.group;
    }
    std::string error;
    auto e = compile_expression(b.expression, def_, options, &error);
    if (!e) {
      failed(error);
      return std::nullopt;
    }
    uint32_t id = UINT32_MAX;
    if (row > 0) {
      long r = row_id(row, Buffer::Primary);
      if (r < 0) {
        failed("there is no row " + std::to_string(row));
        return std::nullopt;
      }
      id = static_cast<uint32_t>(r);
    } else if (!data_->primary.empty()) {
      id = data_->primary[0];
    }
    EvalContext ctx = context();
    ctx.page = page;
    ctx.page_count = page_count;
    return e->value(ctx, id);
  }
  failed("no band item named " + std::string(name));
  return std::nullopt;
}

// ---- Printing ----

std::unique_ptr<Grid> Grid::snapshot() const {
  auto g = std::make_unique<Grid>(def_);
  g->control_ = control_;
  g->window_ = window_;
  g->readonly_ = readonly_;
  GridData& d = *g->data_;
  for (uint32_t r : data_->primary)
    for (size_t c = 0; c < d.columns.size(); ++c) d.columns[c].append_from(data_->columns[c], r);
  d.adopt_loaded_rows();
  d.arguments = data_->arguments;
  // The rows are already filtered and in order; the copy shows them as they are.
  g->filter_.reset();
  g->sort_.reset();
  g->filter_text_ = filter_text_;
  g->sort_text_ = sort_text_;
  g->print_settings_ = print_settings_;
  return g;
}

int Grid::print() {
  if (!print_service_) return failed("no print service for grid " + control_);
  PrintJob job;
  job.window = window_;
  job.control = control_;
  job.dataobject = def_.name;
  job.rows = rowcount();
  job.grid = std::shared_ptr<const Grid>(snapshot());
  job.settings = print_settings_;
  if (print_service_->print(std::move(job)) != 1) return failed("printing failed");
  return 1;
}

}  // namespace sparestock::grid
