#pragma once
// The rows of a grid, held by column. Each column is one typed vector: text as one byte arena
// with an (offset, length) per row, decimals as int64 units at the column's scale, longs and
// date-times as int64, numbers as double; nulls as a bitmap that exists only once a column
// holds a null. Rows are addressed by a row id (their index in the columns), which never
// changes while the rows are loaded; the order in which they are shown is a separate
// permutation (GridData::order), so sorting and filtering never move values.

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/base/text.h"
#include "host/db/value.h"
#include "host/grid/definition.h"
#include "host/grid/pod_vector.h"

namespace sparestock::grid {

struct TextSpan {
  uint32_t offset = 0;
  uint32_t length = 0;
};

class Column {
 public:
  // Zero bytes kept after the last text of the arena: a word may be read at any text's start.
  static constexpr size_t kPadding = 8;

  Column(GridType type, int scale, int length = 0) : type_(type), scale_(scale), length_(length) {}

  GridType type() const { return type_; }
  int scale() const { return type_ == GridType::Decimal ? scale_ : 0; }
  int length() const { return length_; }
  bool is_text() const { return type_ == GridType::Char; }
  // Decimal, Long and DateTime keep int64 values.
  bool is_integral() const {
    return type_ == GridType::Decimal || type_ == GridType::Long || type_ == GridType::DateTime;
  }
  size_t size() const { return size_; }

  bool is_null(uint32_t row) const { return !nulls_.empty() && ((nulls_[row >> 6] >> (row & 63)) & 1u); }
  // False when no row of the column is null (a column that held a null may still say true).
  bool may_hold_nulls() const { return !nulls_.empty(); }
  // True while every text of the column is plain ASCII, so characters are bytes.
  bool all_ascii() const { return ascii_; }

  std::string_view text(uint32_t row) const {
    const TextSpan& s = spans_[row];
    return {arena_.data() + s.offset, s.length};
  }
  int64_t integer(uint32_t row) const { return ints_[row]; }
  double real(uint32_t row) const { return reals_[row]; }

  // The item as a value: Text, Decimal (at the column's scale), Integer (Long), Real (Number),
  // DateTime; Null for a null item.
  db::Value value(uint32_t row) const;

  // Appending (inline: a retrieval appends millions of items).
  void append_null();
  void append_text(std::string_view s) {
    uint32_t offset = store_text(s);
    spans_.push_back({offset, static_cast<uint32_t>(s.size())});
    grow_nulls();
  }
  void append_integer(int64_t v) {  // decimal units at scale(), long, date-time seconds
    ints_.push_back(v);
    grow_nulls();
  }
  void append_real(double v) {
    reals_.push_back(v);
    grow_nulls();
  }
  // Appends item `row` of a column of the same type.
  void append_from(const Column& src, uint32_t row);

  // Stores `v` converted to the column's type. Returns false with the reason in `error` when
  // the value cannot be held (text where a number belongs, more characters than the column
  // takes, a number out of range); the item is then unchanged.
  bool set_value(uint32_t row, const db::Value& v, std::string* error);
  // Converts `v` to what the column would store, without storing it.
  std::optional<db::Value> convert(const db::Value& v, std::string* error) const;

  void clear();
  void reserve(size_t rows);
  // Gives back spare capacity (after a retrieval).
  void shrink();
  size_t memory_bytes() const;

  // Raw access for hand-written scans (benchmarks).
  const PodVector<char>& arena() const { return arena_; }
  const PodVector<TextSpan>& spans() const { return spans_; }
  const PodVector<int64_t>& integers() const { return ints_; }
  const PodVector<double>& reals() const { return reals_; }

 private:
  void mark_null(uint32_t row, bool null);
  // A new row is not null: its bit only needs to exist once the column has a bitmap.
  void grow_nulls() {
    ++size_;
    if (!nulls_.empty() && ((size_ - 1) >> 6) >= nulls_.size()) nulls_.push_back(0);
  }
  // Copies a text into the arena, which always keeps at least kPadding zero bytes after the
  // last text, so that scans may read a whole word at any text's start.
  uint32_t store_text(std::string_view s) {
    size_t needed = text_end_ + s.size() + kPadding;
    if (arena_.size() < needed) grow_arena(needed);
    if (!s.empty()) std::memcpy(arena_.data() + text_end_, s.data(), s.size());
    uint32_t offset = static_cast<uint32_t>(text_end_);
    text_end_ += s.size();
    if (ascii_) ascii_ = text::is_ascii(s);
    return offset;
  }
  void grow_arena(size_t needed);

  GridType type_;
  int scale_;
  int length_;
  size_t size_ = 0;
  PodVector<uint64_t> nulls_;  // bit per row; empty while no row is null
  bool ascii_ = true;
  PodVector<char> arena_;  // texts, then zero bytes
  size_t text_end_ = 0;    // end of the last text in arena_
  PodVector<TextSpan> spans_;
  PodVector<int64_t> ints_;
  PodVector<double> reals_;
};

enum class RowStatus : uint8_t { NotModified, DataModified, New, NewModified };

// The data object of a grid: its rows and buffers, shared by every grid control that shares
// data (sharedata). A loaded row is in exactly one of three buffers:
//   primary  - the rows shown, in the order shown;
//   filtered - rows hidden by the filter: every row of `order` not in `primary`;
//   deleted  - rows removed by deleterow, kept until update() deletes them in the database.
// `order` holds every row that is not deleted in the order of the last sort, so that rows
// coming back from the filter take their sorted place.
class GridData {
 public:
  explicit GridData(const std::vector<ColumnDef>& columns);

  std::vector<Column> columns;
  std::vector<RowStatus> status;     // per row id
  std::vector<uint8_t> selected;     // per row id
  std::vector<uint32_t> order;       // rows not deleted, in sort order
  std::vector<uint32_t> primary;     // shown rows, a subsequence of order
  std::vector<uint32_t> deleted;     // deleted rows, in the order they were deleted
  bool order_is_identity = true;     // order[i] == i for every i
  std::vector<db::Value> arguments;  // of the retrieval that loaded the rows

  size_t row_capacity() const { return status.size(); }
  // Appends a row with every item null; returns its id. It is in no buffer yet.
  uint32_t append_row(RowStatus st);
  // Finishes a bulk load of `n` rows appended through the columns: statuses, order, primary.
  void adopt_loaded_rows();
  void clear();

  // Original ("as retrieved") values of changed items. An item has an entry exactly when it
  // was changed since the last retrieve or successful update.
  const db::Value* original(uint32_t row, int col) const;
  void remember_original(uint32_t row, int col, db::Value v);
  bool item_changed(uint32_t row, int col) const { return original(row, col) != nullptr; }
  void forget_originals() { originals_.clear(); }
  void forget_originals(uint32_t row, int column_count);

  // Position of a row in `primary` (0-based), or -1 when it is not shown.
  long position_of(uint32_t row) const;
  // Rows of `order` not in `primary`, in order.
  std::vector<uint32_t> filtered_rows() const;

  // Bumped on every change of `primary` (filter, sort, retrieve, insert, delete, reset).
  uint64_t version() const { return version_; }
  void touch() { ++version_; }
  // Bumped on every change of `order` (sort, insert, delete, load); the caller says so.
  void touch_order() { ++order_version_; }
  // Position of each row in `order` (indexed by row id; undefined for rows not in it).
  const std::vector<uint32_t>& order_positions() const;

  // Bumped on every change of an item value.
  uint64_t value_version() const { return value_version_; }
  void touch_values() { ++value_version_; }

  size_t memory_bytes() const;

 private:
  std::unordered_map<uint64_t, db::Value> originals_;  // key: row << 16 | column
  uint64_t version_ = 1;
  uint64_t value_version_ = 1;
  uint64_t order_version_ = 1;
  mutable uint64_t order_positions_version_ = 0;
  mutable std::vector<uint32_t> order_positions_;
  mutable uint64_t positions_version_ = 0;
  mutable std::vector<int32_t> positions_;
};

}  // namespace sparestock::grid
