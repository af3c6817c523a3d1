#include "host/grid/column_store.h"

#include <cstring>
#include <limits>
#include <numeric>
#include <stdexcept>

#include "host/base/text.h"

namespace sparestock::grid {

db::Value Column::value(uint32_t row) const {
  if (is_null(row)) return {};
  switch (type_) {
    case GridType::Char: return db::Value(std::string(text(row)));
    case GridType::Decimal: return db::Value(db::Decimal(ints_[row], scale_));
    case GridType::Long: return db::Value(ints_[row]);
    case GridType::Number: return db::Value(reals_[row]);
    case GridType::DateTime: return db::Value(db::DateTime{ints_[row]});
  }
  return {};
}

void Column::mark_null(uint32_t row, bool null) {
  if (!null && nulls_.empty()) return;
  size_t words = (std::max<size_t>(size_, row + 1) + 63) / 64;
  if (nulls_.size() < words) nulls_.resize(words, 0);
  uint64_t bit = uint64_t{1} << (row & 63);
  if (null)
    nulls_[row >> 6] |= bit;
  else
    nulls_[row >> 6] &= ~bit;
}

void Column::grow_arena(size_t needed) {
  if (needed > std::numeric_limits<uint32_t>::max()) throw std::length_error("grid text column exceeds 4 GB");
  arena_.resize(std::max(needed, arena_.size() * 2), '\0');
}

void Column::append_null() {
  uint32_t row = static_cast<uint32_t>(size_);
  switch (type_) {
    case GridType::Char: spans_.push_back({}); break;
    case GridType::Number: reals_.push_back(0); break;
    default: ints_.push_back(0); break;
  }
  ++size_;
  mark_null(row, true);
}

void Column::append_from(const Column& src, uint32_t row) {
  if (src.is_null(row)) {
    append_null();
    return;
  }
  switch (type_) {
    case GridType::Char: append_text(src.text(row)); break;
    case GridType::Number: append_real(src.real(row)); break;
    default: append_integer(src.integer(row)); break;
  }
}

std::optional<db::Value> Column::convert(const db::Value& v, std::string* error) const {
  auto fail = [&](std::string why) -> std::optional<db::Value> {
    if (error) *error = std::move(why);
    return std::nullopt;
  };
  if (v.is_null()) return db::Value();
  switch (type_) {
    case GridType::Char: {
      std::string s = v.as_text();
      if (length_ > 0 && text::char_count(s) > static_cast<size_t>(length_))
        return fail("text longer than " + std::to_string(length_) + " characters");
      return db::Value(std::move(s));
    }
    case GridType::Decimal: {
      std::optional<db::Decimal> d;
      try {
        d = v.as_decimal(scale_);
      } catch (const std::exception&) {
        return fail("number out of range");
      }
      if (!d) return fail("not a number: " + v.as_text());
      return db::Value(*d);
    }
    case GridType::Long: {
      std::optional<int64_t> i;
      if (v.kind() == db::ValueKind::Text) {
        auto d = db::Decimal::parse(v.text());
        if (d && d->scale() == 0) i = d->units();
      } else if (v.kind() == db::ValueKind::Decimal) {
        if (v.decimal().rescale(0) == v.decimal()) i = v.decimal().rescale(0).units();
      } else {
        i = v.as_integer();
      }
      if (!i) return fail("not a whole number: " + v.as_text());
      if (*i > std::numeric_limits<int32_t>::max() || *i < std::numeric_limits<int32_t>::min())
        return fail("number out of range for a long: " + v.as_text());
      return db::Value(*i);
    }
    case GridType::Number: {
      auto r = v.as_real();
      if (!r) return fail("not a number: " + v.as_text());
      return db::Value(*r);
    }
    case GridType::DateTime: {
      if (v.kind() == db::ValueKind::DateTime) return v;
      if (v.kind() == db::ValueKind::Text) {
        if (auto dt = db::DateTime::parse(v.text())) return db::Value(*dt);
      }
      return fail("not a date: " + v.as_text());
    }
  }
  return fail("unknown column type");
}

bool Column::set_value(uint32_t row, const db::Value& v, std::string* error) {
  auto c = convert(v, error);
  if (!c) return false;
  if (c->is_null()) {
    switch (type_) {
      case GridType::Char: spans_[row] = {}; break;
      case GridType::Number: reals_[row] = 0; break;
      default: ints_[row] = 0; break;
    }
    mark_null(row, true);
    return true;
  }
  switch (type_) {
    case GridType::Char: {
      // The old text stays in the arena until the rows are loaded again.
      const std::string& s = c->text();
      uint32_t offset = store_text(s);
      spans_[row] = {offset, static_cast<uint32_t>(s.size())};
      break;
    }
    case GridType::Decimal: ints_[row] = c->decimal().rescale(scale_).units(); break;
    case GridType::Long: ints_[row] = c->integer(); break;
    case GridType::Number: reals_[row] = c->real(); break;
    case GridType::DateTime: ints_[row] = c->datetime().seconds; break;
  }
  mark_null(row, false);
  return true;
}

void Column::clear() {
  size_ = 0;
  nulls_.clear();
  ascii_ = true;
  arena_.clear();
  text_end_ = 0;
  spans_.clear();
  ints_.clear();
  reals_.clear();
}

void Column::reserve(size_t rows) {
  switch (type_) {
    case GridType::Char: spans_.reserve(rows); break;
    case GridType::Number: reals_.reserve(rows); break;
    default: ints_.reserve(rows); break;
  }
}

void Column::shrink() {
  if (!arena_.empty()) arena_.resize(text_end_ + kPadding, '\0');
  arena_.shrink_to_fit();
  spans_.shrink_to_fit();
  ints_.shrink_to_fit();
  reals_.shrink_to_fit();
  nulls_.shrink_to_fit();
}

size_t Column::memory_bytes() const {
  return arena_.capacity() + spans_.capacity() * sizeof(TextSpan) + ints_.capacity() * sizeof(int64_t) +
         reals_.capacity() * sizeof(double) + nulls_.capacity() * sizeof(uint64_t) + sizeof(*this);
}

GridData::GridData(const std::vector<ColumnDef>& defs) {
  columns.reserve(defs.size());
  for (const auto& d : defs) columns.emplace_back(d.type, d.scale, d.length);
}

uint32_t GridData::append_row(RowStatus st) {
  uint32_t id = static_cast<uint32_t>(status.size());
  for (auto& c : columns) c.append_null();
  status.push_back(st);
  selected.push_back(0);
  return id;
}

void GridData::adopt_loaded_rows() {
  size_t n = columns.empty() ? 0 : columns[0].size();
  status.assign(n, RowStatus::NotModified);
  selected.assign(n, 0);
  order.resize(n);
  std::iota(order.begin(), order.end(), 0u);
  order_is_identity = true;
  primary = order;
  deleted.clear();
  originals_.clear();
  for (auto& c : columns) c.shrink();
  status.shrink_to_fit();
  selected.shrink_to_fit();
  order.shrink_to_fit();
  primary.shrink_to_fit();
  touch();
  touch_order();
  touch_values();
}

void GridData::clear() {
  for (auto& c : columns) c.clear();
  status.clear();
  selected.clear();
  order.clear();
  primary.clear();
  deleted.clear();
  order_is_identity = true;
  originals_.clear();
  touch();
  touch_order();
  touch_values();
}

const db::Value* GridData::original(uint32_t row, int col) const {
  if (originals_.empty()) return nullptr;
  auto it = originals_.find(uint64_t{row} << 16 | static_cast<uint64_t>(col));
  return it == originals_.end() ? nullptr : &it->second;
}

void GridData::remember_original(uint32_t row, int col, db::Value v) {
  originals_.try_emplace(uint64_t{row} << 16 | static_cast<uint64_t>(col), std::move(v));
}

void GridData::forget_originals(uint32_t row, int column_count) {
  if (originals_.empty()) return;
  for (int c = 0; c < column_count; ++c) originals_.erase(uint64_t{row} << 16 | static_cast<uint64_t>(c));
}

long GridData::position_of(uint32_t row) const {
  if (positions_version_ != version_ || positions_.size() != status.size()) {
    positions_.assign(status.size(), -1);
    for (size_t i = 0; i < primary.size(); ++i) positions_[primary[i]] = static_cast<int32_t>(i);
    positions_version_ = version_;
  }
  return row < positions_.size() ? positions_[row] : -1;
}

const std::vector<uint32_t>& GridData::order_positions() const {
  if (order_positions_version_ != order_version_ || order_positions_.size() != status.size()) {
    order_positions_.assign(status.size(), 0);
    for (size_t i = 0; i < order.size(); ++i) order_positions_[order[i]] = static_cast<uint32_t>(i);
    order_positions_version_ = order_version_;
  }
  return order_positions_;
}

std::vector<uint32_t> GridData::filtered_rows() const {
  std::vector<uint32_t> out;
  if (order.size() == primary.size()) return out;
  std::vector<uint8_t> shown(status.size(), 0);
  for (uint32_t r : primary) shown[r] = 1;
  for (uint32_t r : order)
    if (!shown[r]) out.push_back(r);
  return out;
}

size_t GridData::memory_bytes() const {
  size_t n = sizeof(*this);
  for (const auto& c : columns) n += c.memory_bytes();
  n += status.capacity() + selected.capacity() +
       (order.capacity() + primary.capacity() + deleted.capacity()) * sizeof(uint32_t) +
       positions_.capacity() * sizeof(int32_t) + order_positions_.capacity() * sizeof(uint32_t);
  n += originals_.size() * (sizeof(db::Value) + 32);
  return n;
}

}  // namespace sparestock::grid
