#include "host/grid/filter.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <optional>

#include "host/grid/nodes.h"

namespace sparestock::grid {

namespace {

// ---- Selection helpers (all sequences ascending) ----

// out = a \ b, where b is a subsequence of a. out may alias a.
size_t difference(const uint32_t* a, size_t na, const uint32_t* b, size_t nb, uint32_t* out) {
  size_t j = 0, m = 0;
  for (size_t i = 0; i < na; ++i) {
    uint32_t x = a[i];
    if (j < nb && b[j] == x) {
      ++j;
      continue;
    }
    out[m++] = x;
  }
  return m;
}

// out = a ∪ b for disjoint a and b. out must not alias either.
size_t merge(const uint32_t* a, size_t na, const uint32_t* b, size_t nb, uint32_t* out) {
  size_t i = 0, j = 0, m = 0;
  while (i < na && j < nb) out[m++] = a[i] < b[j] ? a[i++] : b[j++];
  while (i < na) out[m++] = a[i++];
  while (j < nb) out[m++] = b[j++];
  return m;
}

class ConstPredicate : public Predicate {
 public:
  explicit ConstPredicate(bool v) : value_(v) {}
  size_t select(EvalContext&, const uint32_t* sel, size_t n, uint32_t* out) const override {
    if (!value_) return 0;
    if (out != sel) std::memmove(out, sel, n * sizeof(uint32_t));
    return n;
  }
  std::string plan() const override { return value_ ? "true" : "false"; }

 private:
  bool value_;
};

class AndPredicate : public Predicate {
 public:
  explicit AndPredicate(std::vector<std::unique_ptr<Predicate>> children) : children_(std::move(children)) {}
  size_t select(EvalContext& ctx, const uint32_t* sel, size_t n, uint32_t* out) const override {
    const uint32_t* in = sel;
    for (const auto& c : children_) {
      n = c->select(ctx, in, n, out);
      in = out;
      if (n == 0) break;
    }
    return n;
  }
  std::string plan() const override { return list("and"); }

 protected:
  std::string list(const char* name) const {
    std::string out = std::string(name) + "(";
    for (size_t k = 0; k < children_.size(); ++k) out += (k ? ", " : "") + children_[k]->plan();
    return out + ")";
  }
  std::vector<std::unique_ptr<Predicate>> children_;
};

class OrPredicate : public AndPredicate {
 public:
  using AndPredicate::AndPredicate;
  size_t select(EvalContext& ctx, const uint32_t* sel, size_t n, uint32_t* out) const override {
    SelectionBuffers& pool = ctx.selections();
    size_t mark = pool.mark();
    uint32_t* passed = pool.take(n);
    uint32_t* rest = pool.take(n);
    uint32_t* found = pool.take(n);
    uint32_t* merged = pool.take(n);
    size_t np = children_[0]->select(ctx, sel, n, passed);
    size_t nr = difference(sel, n, passed, np, rest);
    for (size_t k = 1; k < children_.size() && nr > 0; ++k) {
      size_t nf = children_[k]->select(ctx, rest, nr, found);
      if (nf == 0) continue;
      np = merge(passed, np, found, nf, merged);
      std::swap(passed, merged);
      nr = difference(rest, nr, found, nf, rest);
    }
    if (np > 0) std::memcpy(out, passed, np * sizeof(uint32_t));  // out is null for an empty selection
    pool.release(mark);
    return np;
  }
  std::string plan() const override { return list("or"); }
};

class NotPredicate : public Predicate {
 public:
  explicit NotPredicate(std::unique_ptr<Predicate> child) : child_(std::move(child)) {}
  size_t select(EvalContext& ctx, const uint32_t* sel, size_t n, uint32_t* out) const override {
    SelectionBuffers& pool = ctx.selections();
    size_t mark = pool.mark();
    uint32_t* passed = pool.take(n);
    size_t np = child_->select(ctx, sel, n, passed);
    size_t m = difference(sel, n, passed, np, out);
    pool.release(mark);
    return m;
  }
  std::string plan() const override { return "not(" + child_->plan() + ")"; }

 private:
  std::unique_ptr<Predicate> child_;
};

// Any condition, evaluated row by row through the bound tree.
class GenericPredicate : public Predicate {
 public:
  explicit GenericPredicate(const Node& node) : node_(node) {}
  size_t select(EvalContext& ctx, const uint32_t* sel, size_t n, uint32_t* out) const override {
    size_t m = 0;
    for (size_t i = 0; i < n; ++i) {
      uint32_t p = sel[i];
      size_t mark = ctx.scratch.mark();
      Scalar v = node_.eval(ctx, ctx.rows ? ctx.rows[p] : p);
      ctx.scratch.release(mark);
      out[m] = p;
      m += v.type == ValueType::Bool && v.b;
    }
    return m;
  }
  std::string plan() const override { return "row(" + node_.ToString() + ")"; }

 private:
  const Node& node_;
};

// ---- Text kernels: a text column, or mid() of one with literal bounds, tested by a functor.

struct TextSource {
  int column = 0;
  std::string name;
  bool has_mid = false;
  int64_t start = 1, length = -1;
};

// Literal tests look at the first byte before calling memcmp: most values differ there.
// Short literals (the codes and part-number prefixes of the forms) are compared inline.
[[gnu::always_inline]] inline bool same_bytes(const char* a, const char* b, size_t n) {
  if (n == 0) return true;
  if (a[0] != b[0]) return false;
  if (n > 16) return std::memcmp(a + 1, b + 1, n - 1) == 0;
  for (size_t k = 1; k < n; ++k)
    if (a[k] != b[k]) return false;
  return true;
}

// A literal of at most 8 bytes, compared as one masked word. The text read may run past its
// end into the next text or the arena's padding; the mask and the length test make that
// harmless.
struct Word {
  uint64_t value = 0;
  uint64_t mask = 0;
  size_t size = 0;
  explicit Word(std::string_view lit) : size(lit.size()) {
    if (!lit.empty()) std::memcpy(&value, lit.data(), lit.size());
    mask = lit.size() >= 8 ? ~uint64_t{0} : ((uint64_t{1} << (8 * lit.size())) - 1);
  }
  [[gnu::always_inline]] bool prefix_of(const char* p) const {
    uint64_t w;
    std::memcpy(&w, p, 8);
    return ((w ^ value) & mask) == 0;
  }
};

struct EqTest {
  std::string_view lit;
  bool operator()(std::string_view v) const {
    return v.size() == lit.size() && same_bytes(v.data(), lit.data(), lit.size());
  }
};
struct EqWordTest {
  Word w;
  bool operator()(std::string_view v) const {
    return v.size() == w.size && (w.size == 0 || w.prefix_of(v.data()));
  }
};
struct PrefixWordTest {
  Word w;
  bool operator()(std::string_view v) const {
    return v.size() >= w.size && (w.size == 0 || w.prefix_of(v.data()));
  }
};
struct SuffixWordTest {
  Word w;
  bool operator()(std::string_view v) const {
    return v.size() >= w.size && (w.size == 0 || w.prefix_of(v.data() + v.size() - w.size));
  }
};
// A literal of 1 to 8 bytes anywhere in the text: one masked word compare per position. In
// UTF-8 a literal starting with a whole character cannot match inside another character.
struct ContainsWordTest {
  Word w;
  bool operator()(std::string_view v) const {
    if (v.size() < w.size) return false;
    const char* p = v.data();
    for (size_t i = 0, last = v.size() - w.size; i <= last; ++i)
      if (w.prefix_of(p + i)) return true;
    return false;
  }
};
// Containment ignoring the case of ASCII letters, as upper(text) compared with an upper-case
// literal: the 8 bytes read are upper-cased all at once (only a..z change).
[[gnu::always_inline]] inline uint64_t upper_word(uint64_t x) {
  constexpr uint64_t kOnes = 0x0101010101010101ULL, kHigh = 0x8080808080808080ULL;
  uint64_t seven = x & ~kHigh;
  uint64_t from_a = seven + kOnes * (0x80 - 'a');      // high bit set where byte >= 'a'
  uint64_t past_z = seven + kOnes * (0x80 - 'z' - 1);  // high bit set where byte > 'z'
  uint64_t lower = from_a & ~past_z & ~x & kHigh;      // ASCII a..z
  return x ^ (lower >> 2);                             // clear bit 0x20
}
struct ContainsFoldTest {
  Word w;  // the literal, upper-case
  bool operator()(std::string_view v) const {
    if (v.size() < w.size) return false;
    const char* p = v.data();
    for (size_t i = 0, last = v.size() - w.size; i <= last; ++i) {
      uint64_t x;
      std::memcpy(&x, p + i, 8);
      if (((upper_word(x) ^ w.value) & w.mask) == 0) return true;
    }
    return false;
  }
};
struct ContainsFoldLongTest {
  std::string lit;  // upper-case
  bool operator()(std::string_view v) const {
    if (v.size() < lit.size()) return false;
    for (size_t i = 0, last = v.size() - lit.size(); i <= last; ++i) {
      size_t k = 0;
      while (k < lit.size() && text::upper(v[i + k]) == lit[k]) ++k;
      if (k == lit.size()) return true;
    }
    return false;
  }
};
struct NeTest {
  std::string_view lit;
  bool operator()(std::string_view v) const { return !EqTest{lit}(v); }
};
// Bit 0 passes "less", bit 1 "equal", bit 2 "greater".
struct OrderedTest {
  std::string_view lit;
  int mask;
  bool operator()(std::string_view v) const {
    int c = v.compare(lit);
    return (mask >> (c < 0 ? 0 : (c == 0 ? 1 : 2))) & 1;
  }
};
struct PrefixTest {
  std::string_view lit;
  bool operator()(std::string_view v) const {
    return v.size() >= lit.size() && same_bytes(v.data(), lit.data(), lit.size());
  }
};
struct SuffixTest {
  std::string_view lit;
  bool operator()(std::string_view v) const {
    return v.size() >= lit.size() && same_bytes(v.data() + v.size() - lit.size(), lit.data(), lit.size());
  }
};
struct ContainsTest {
  std::string_view lit;
  bool operator()(std::string_view v) const { return v.find(lit) != std::string_view::npos; }
};
struct AnyTest {
  bool operator()(std::string_view) const { return true; }
};
struct LikeTest {
  const LikePattern* pattern;
  bool negated;
  bool operator()(std::string_view v) const { return pattern->matches(v) != negated; }
};

// Mode: 0 the column's text, 1 mid() on ASCII text (byte offsets), 2 mid() on UTF-8 text.
// Identity: positions are row ids (ctx.rows is null).
template <bool Identity, bool Nulls, int Mode, class Test>
size_t text_scan(const Column& col, const uint32_t* rows, const uint32_t* sel, size_t n, uint32_t* out,
                 int64_t start, int64_t length, const Test& test) {
  const TextSpan* spans = col.spans().data();
  const char* arena = col.arena().data();
  size_t m = 0;
  for (size_t i = 0; i < n; ++i) {
    uint32_t p = sel[i];
    uint32_t row = Identity ? p : rows[p];
    if constexpr (Nulls) {
      if (col.is_null(row)) continue;  // a null matches nothing, not even <>
    }
    TextSpan sp = spans[row];
    std::string_view v(arena + sp.offset, sp.length);
    if constexpr (Mode == 1) v = mid_ascii(v, start, length);
    if constexpr (Mode == 2) v = mid(v, start, length);
    out[m] = p;
    m += test(v) ? 1 : 0;
  }
  return m;
}

template <bool Identity, class Test>
size_t text_modes(const TextSource& src, const Column& col, const uint32_t* rows, const uint32_t* sel,
                  size_t n, uint32_t* out, const Test& test) {
  int mode = !src.has_mid ? 0 : (col.all_ascii() ? 1 : 2);
  if (col.may_hold_nulls()) {
    switch (mode) {
      case 0: return text_scan<Identity, true, 0>(col, rows, sel, n, out, src.start, src.length, test);
      case 1: return text_scan<Identity, true, 1>(col, rows, sel, n, out, src.start, src.length, test);
      default: return text_scan<Identity, true, 2>(col, rows, sel, n, out, src.start, src.length, test);
    }
  }
  switch (mode) {
    case 0: return text_scan<Identity, false, 0>(col, rows, sel, n, out, src.start, src.length, test);
    case 1: return text_scan<Identity, false, 1>(col, rows, sel, n, out, src.start, src.length, test);
    default: return text_scan<Identity, false, 2>(col, rows, sel, n, out, src.start, src.length, test);
  }
}

template <class Test>
size_t text_dispatch(const TextSource& src, EvalContext& ctx, const uint32_t* sel, size_t n, uint32_t* out,
                     const Test& test) {
  const Column& col = ctx.data->columns[src.column];
  if (!ctx.rows) return text_modes<true>(src, col, nullptr, sel, n, out, test);
  return text_modes<false>(src, col, ctx.rows, sel, n, out, test);
}

enum class TextTestKind { Eq, Ne, Ordered, Prefix, Suffix, Contains, Any, Like, ContainsFold };

class TextPredicate : public Predicate {
 public:
  TextPredicate(TextSource src, TextTestKind kind, std::string literal, int mask = 0,
                const LikePattern* pattern = nullptr, bool negated = false)
      : src_(std::move(src)),
        kind_(kind),
        literal_(std::move(literal)),
        mask_(mask),
        pattern_(pattern),
        negated_(negated) {}

  size_t select(EvalContext& ctx, const uint32_t* sel, size_t n, uint32_t* out) const override {
    std::string_view lit = literal_;
    switch (kind_) {
      case TextTestKind::Eq:
        if (lit.size() <= 8) return text_dispatch(src_, ctx, sel, n, out, EqWordTest{Word(lit)});
        return text_dispatch(src_, ctx, sel, n, out, EqTest{lit});
      case TextTestKind::Ne: return text_dispatch(src_, ctx, sel, n, out, NeTest{lit});
      case TextTestKind::Ordered: return text_dispatch(src_, ctx, sel, n, out, OrderedTest{lit, mask_});
      case TextTestKind::Prefix:
        if (lit.size() <= 8) return text_dispatch(src_, ctx, sel, n, out, PrefixWordTest{Word(lit)});
        return text_dispatch(src_, ctx, sel, n, out, PrefixTest{lit});
      case TextTestKind::Suffix:
        if (lit.size() <= 8) return text_dispatch(src_, ctx, sel, n, out, SuffixWordTest{Word(lit)});
        return text_dispatch(src_, ctx, sel, n, out, SuffixTest{lit});
      case TextTestKind::Contains:
        if (!lit.empty() && lit.size() <= 8)
          return text_dispatch(src_, ctx, sel, n, out, ContainsWordTest{Word(lit)});
        return text_dispatch(src_, ctx, sel, n, out, ContainsTest{lit});
      case TextTestKind::Any: return text_dispatch(src_, ctx, sel, n, out, AnyTest{});
      case TextTestKind::Like: return text_dispatch(src_, ctx, sel, n, out, LikeTest{pattern_, negated_});
      case TextTestKind::ContainsFold:
        if (lit.size() <= 8) return text_dispatch(src_, ctx, sel, n, out, ContainsFoldTest{Word(lit)});
        return text_dispatch(src_, ctx, sel, n, out, ContainsFoldLongTest{literal_});
    }
    return 0;
  }

  std::string plan() const override {
    static const char* names[] = {"eq",          "ne",          "cmp",
                                  "like.prefix", "like.suffix", "like.contains",
                                  "like.any",    "like",        "contains.upper"};
    std::string source = src_.has_mid ? "mid(" + src_.name + "," + std::to_string(src_.start) + "," +
                                            std::to_string(src_.length) + ")"
                                      : src_.name;
    return std::string("text.") + names[static_cast<int>(kind_)] + "(" + source + ")";
  }

 private:
  TextSource src_;
  TextTestKind kind_;
  std::string literal_;
  int mask_;
  const LikePattern* pattern_;  // owned by the LikeNode
  bool negated_;
};

// ---- Numeric kernels: an int64 column (decimal units, long, date-time) or a double column
// compared with a literal converted once to the column's representation.

int op_mask(CompareOp op) {
  switch (op) {
    case CompareOp::Equal: return 2;
    case CompareOp::NotEqual: return 5;
    case CompareOp::Less: return 1;
    case CompareOp::LessEqual: return 3;
    case CompareOp::Greater: return 4;
    case CompareOp::GreaterEqual: return 6;
  }
  return 0;
}

CompareOp flipped(CompareOp op) {
  switch (op) {
    case CompareOp::Less: return CompareOp::Greater;
    case CompareOp::LessEqual: return CompareOp::GreaterEqual;
    case CompareOp::Greater: return CompareOp::Less;
    case CompareOp::GreaterEqual: return CompareOp::LessEqual;
    default: return op;
  }
}

// The comparison is a template argument so that each loop compiles to a branch-free test.
template <CompareOp Op, class T>
[[gnu::always_inline]] inline bool compare_with(T v, T k) {
  if constexpr (Op == CompareOp::Equal) return v == k;
  if constexpr (Op == CompareOp::NotEqual) return v != k;
  if constexpr (Op == CompareOp::Less) return v < k;
  if constexpr (Op == CompareOp::LessEqual) return v <= k;
  if constexpr (Op == CompareOp::Greater) return v > k;
  return v >= k;
}

template <CompareOp Op, bool Identity, bool Nulls, class T>
size_t number_scan_impl(const Column& col, const T* values, const uint32_t* rows, const uint32_t* sel,
                        size_t n, uint32_t* out, T k) {
  size_t m = 0;
  for (size_t i = 0; i < n; ++i) {
    uint32_t p = sel[i];
    uint32_t row = Identity ? p : rows[p];
    if constexpr (Nulls) {
      if (col.is_null(row)) continue;
    }
    out[m] = p;
    m += compare_with<Op>(values[row], k);
  }
  return m;
}

template <CompareOp Op, class T>
size_t number_scan_op(const Column& col, const T* values, const uint32_t* rows, const uint32_t* sel, size_t n,
                      uint32_t* out, T k) {
  if (col.may_hold_nulls()) {
    if (!rows) return number_scan_impl<Op, true, true>(col, values, rows, sel, n, out, k);
    return number_scan_impl<Op, false, true>(col, values, rows, sel, n, out, k);
  }
  if (!rows) return number_scan_impl<Op, true, false>(col, values, rows, sel, n, out, k);
  return number_scan_impl<Op, false, false>(col, values, rows, sel, n, out, k);
}

template <class T>
size_t number_scan(const Column& col, const T* values, const uint32_t* rows, const uint32_t* sel, size_t n,
                   uint32_t* out, T k, CompareOp op) {
  switch (op) {
    case CompareOp::Equal: return number_scan_op<CompareOp::Equal>(col, values, rows, sel, n, out, k);
    case CompareOp::NotEqual: return number_scan_op<CompareOp::NotEqual>(col, values, rows, sel, n, out, k);
    case CompareOp::Less: return number_scan_op<CompareOp::Less>(col, values, rows, sel, n, out, k);
    case CompareOp::LessEqual: return number_scan_op<CompareOp::LessEqual>(col, values, rows, sel, n, out, k);
    case CompareOp::Greater: return number_scan_op<CompareOp::Greater>(col, values, rows, sel, n, out, k);
    case CompareOp::GreaterEqual:
      return number_scan_op<CompareOp::GreaterEqual>(col, values, rows, sel, n, out, k);
  }
  return 0;
}

template <class T>
class NumberPredicate : public Predicate {
 public:
  NumberPredicate(int column, std::string name, CompareOp op, T k)
      : column_(column), name_(std::move(name)), op_(op), k_(k) {}
  size_t select(EvalContext& ctx, const uint32_t* sel, size_t n, uint32_t* out) const override {
    const Column& col = ctx.data->columns[column_];
    const T* values;
    if constexpr (std::is_same_v<T, double>)
      values = col.reals().data();
    else
      values = col.integers().data();
    return number_scan(col, values, ctx.rows, sel, n, out, k_, op_);
  }
  std::string plan() const override {
    return std::string(std::is_same_v<T, double> ? "real." : "int.") + std::string(compare_op_text(op_)) +
           "(" + name_ + ")";
  }

 private:
  int column_;
  std::string name_;
  CompareOp op_;
  T k_;
};

// ---- Recognising shapes ----

bool text_source(const Node& n, TextSource* src) {
  if (auto* c = dynamic_cast<const ColumnNode*>(&n); c && c->type() == ValueType::Text) {
    src->column = c->column();
    src->name = c->name();
    return true;
  }
  if (auto* m = dynamic_cast<const MidNode*>(&n)) {
    auto* c = dynamic_cast<const ColumnNode*>(&m->source());
    if (!c || c->type() != ValueType::Text) return false;
    if (!m->constant_bounds(&src->start, &src->length)) return false;
    src->column = c->column();
    src->name = c->name();
    src->has_mid = true;
    return true;
  }
  return false;
}

// A comparison with its constant side on the right: `'A' = x` reads as `x = 'A'`.
struct Oriented {
  const Node* var;
  const Node* lit;
  CompareOp op;
};
Oriented oriented(const CompareNode& cmp) {
  if (cmp.left().is_constant() && !cmp.right().is_constant())
    return {&cmp.right(), &cmp.left(), flipped(cmp.op())};
  return {&cmp.left(), &cmp.right(), cmp.op()};
}

std::unique_ptr<Predicate> compare_predicate(const CompareNode& cmp) {
  auto [var, lit, op] = oriented(cmp);
  if (!lit->is_constant()) return nullptr;
  EvalContext none;
  Scalar k = lit->eval(none, 0);
  if (k.is_null()) return std::make_unique<ConstPredicate>(false);  // nothing equals null

  TextSource src;
  if (k.type == ValueType::Text && text_source(*var, &src)) {
    std::string s(k.s);
    switch (op) {
      case CompareOp::Equal: return std::make_unique<TextPredicate>(src, TextTestKind::Eq, s);
      case CompareOp::NotEqual: return std::make_unique<TextPredicate>(src, TextTestKind::Ne, s);
      default: return std::make_unique<TextPredicate>(src, TextTestKind::Ordered, s, op_mask(op));
    }
  }
  auto* col = dynamic_cast<const ColumnNode*>(var);
  if (!col) return nullptr;
  if (col->type() == ValueType::Real && (k.type == ValueType::Decimal || k.type == ValueType::Real)) {
    double d = k.type == ValueType::Real ? k.r : k.decimal().to_double();
    return std::make_unique<NumberPredicate<double>>(col->column(), col->name(), op, d);
  }
  return nullptr;
}

// Integral columns need the column's scale, known only with the data; IntPredicate converts
// the literal on first use and falls back to the general evaluator when it cannot be held
// exactly at that scale.
class IntPredicate : public Predicate {
 public:
  IntPredicate(const CompareNode& node, int column, std::string name, CompareOp op, Scalar k)
      : node_(node), column_(column), name_(std::move(name)), op_(op), k_(k) {}
  size_t select(EvalContext& ctx, const uint32_t* sel, size_t n, uint32_t* out) const override {
    const Column& col = ctx.data->columns[column_];
    int64_t units;
    if (!exact_units(col, &units)) return GenericPredicate(node_).select(ctx, sel, n, out);
    return number_scan(col, col.integers().data(), ctx.rows, sel, n, out, units, op_);
  }
  std::string plan() const override { return "int." + std::string(compare_op_text(op_)) + "(" + name_ + ")"; }

 private:
  bool exact_units(const Column& col, int64_t* units) const {
    if (col.type() == GridType::DateTime) {
      if (k_.type != ValueType::DateTime) return false;
      *units = k_.i;
      return true;
    }
    if (k_.type != ValueType::Decimal || k_.scale > col.scale()) return false;
    __extension__ __int128 u = k_.i;  // a GCC and Clang extension type
    for (int s = k_.scale; s < col.scale(); ++s) u *= 10;
    if (u > INT64_MAX || u < INT64_MIN) return false;
    *units = static_cast<int64_t>(u);
    return true;
  }

  const CompareNode& node_;
  int column_;
  std::string name_;
  CompareOp op_;
  Scalar k_;
};

// pos(x, 'lit') > 0 (also >= 1, <> 0): x contains lit. With x = upper(column) and a literal
// without lower-case letters: the column contains lit, ignoring the case of ASCII letters.
std::unique_ptr<Predicate> pos_predicate(const CompareNode& cmp) {
  auto [var, lit, op] = oriented(cmp);
  auto* pos = dynamic_cast<const FunctionNode*>(var);
  if (!pos || pos->name() != "pos" || pos->args().size() != 2 || !lit->is_constant()) return nullptr;
  EvalContext none;
  Scalar k = lit->eval(none, 0);
  if (k.type != ValueType::Decimal) return nullptr;
  db::Decimal zero(0, 0), one(1, 0);
  bool found_test = (op == CompareOp::Greater && k.decimal() == zero) ||
                    (op == CompareOp::GreaterEqual && k.decimal() == one) ||
                    (op == CompareOp::NotEqual && k.decimal() == zero);
  if (!found_test || !pos->args()[1]->is_constant()) return nullptr;
  Scalar needle = pos->args()[1]->eval(none, 0);
  if (needle.type != ValueType::Text || needle.s.empty()) return nullptr;
  std::string n(needle.s);
  TextSource src;
  if (text_source(*pos->args()[0], &src))
    return std::make_unique<TextPredicate>(src, TextTestKind::Contains, n);
  auto* up = dynamic_cast<const FunctionNode*>(pos->args()[0].get());
  if (!up || up->name() != "upper" || up->args().size() != 1 || !text_source(*up->args()[0], &src))
    return nullptr;
  for (char c : n)
    if (c >= 'a' && c <= 'z') return std::make_unique<ConstPredicate>(false);  // upper() has none
  return std::make_unique<TextPredicate>(src, TextTestKind::ContainsFold, n);
}

std::unique_ptr<Predicate> int_predicate(const CompareNode& cmp) {
  auto [var, lit, op] = oriented(cmp);
  auto* col = dynamic_cast<const ColumnNode*>(var);
  if (!col || !lit->is_constant()) return nullptr;
  if (col->type() != ValueType::Decimal && col->type() != ValueType::DateTime) return nullptr;
  EvalContext none;
  Scalar k = lit->eval(none, 0);
  if (k.type != ValueType::Decimal && k.type != ValueType::DateTime) return nullptr;
  return std::make_unique<IntPredicate>(cmp, col->column(), col->name(), op, k);
}

// ---- Prefixes at a character position ----
//
// The part-number searches test the text from a character position on:
//   mid(c,5,13) like 'P%'                        c from character 5 begins with P
//   mid(c,5,1)=' ' and mid(c,6,13) like 'P%'     c from character 5 begins with ' ' + P
// Both are "prefix at position" tests, and an `or` of such tests at one position is answered
// by looking at each row's text once. The rewrite is exact:
//   - mid(c,a,n) like 'P%' (P without wildcards, at most n characters): c from a begins with P;
//     with more than n characters in P nothing matches, and the rewrite is not made;
//   - mid(c,a,k) = 'S' with S of exactly k characters: c from a begins with S;
//   - prefix S at a and prefix P at a + |S| (characters): prefix S + P at a.
// Positions below 1 make mid() empty, so only an empty prefix matches there; the kernel's
// "text from a" is empty then too.

struct PrefixAt {
  int column = 0;
  std::string name;
  int64_t start = 1;
  std::string literal;
};

std::optional<PrefixAt> prefix_leaf(const Node& n) {
  const Node* value = nullptr;
  std::string literal;
  int64_t limit = -1;
  bool exact_length = false;
  if (auto* like = dynamic_cast<const LikeNode*>(&n)) {
    const LikePattern* p = like->fixed_pattern();
    if (like->negated() || !p) return std::nullopt;
    if (p->shape() == LikePattern::Shape::Prefix)
      literal = p->literal();
    else if (p->shape() != LikePattern::Shape::Any)
      return std::nullopt;
    value = &like->value();
  } else if (auto* cmp = dynamic_cast<const CompareNode*>(&n)) {
    if (cmp->op() != CompareOp::Equal) return std::nullopt;
    const Node* lit = &cmp->right();
    value = &cmp->left();
    if (value->is_constant()) std::swap(value, lit);
    if (!lit->is_constant()) return std::nullopt;
    EvalContext none;
    Scalar k = lit->eval(none, 0);
    if (k.type != ValueType::Text) return std::nullopt;
    literal = std::string(k.s);
    exact_length = true;
  } else {
    return std::nullopt;
  }
  TextSource src;
  if (!text_source(*value, &src)) return std::nullopt;
  if (src.has_mid) limit = src.length;
  int64_t chars = static_cast<int64_t>(text::char_count(literal));
  if (exact_length) {
    // mid(c,a,k) = S is a prefix test only when S fills all k characters.
    if (!src.has_mid || limit < 0 || chars != limit) return std::nullopt;
  } else if (limit >= 0 && chars > limit) {
    return std::nullopt;
  }
  PrefixAt out;
  out.column = src.column;
  out.name = src.name;
  out.start = src.has_mid ? src.start : 1;
  out.literal = std::move(literal);
  return out;
}

// An `and` whose children are prefixes that follow one another on one column.
std::optional<PrefixAt> prefix_chain(const ConjunctionNode& c) {
  if (c.kind() != ConjunctionType::And) return std::nullopt;
  std::vector<PrefixAt> parts;
  for (const auto& child : c.children()) {
    auto p = prefix_leaf(*child);
    if (!p || (!parts.empty() && p->column != parts[0].column)) return std::nullopt;
    parts.push_back(std::move(*p));
  }
  std::sort(parts.begin(), parts.end(),
            [](const PrefixAt& a, const PrefixAt& b) { return a.start < b.start; });
  PrefixAt out = parts[0];
  if (out.start < 1) return std::nullopt;
  for (size_t k = 1; k < parts.size(); ++k) {
    if (parts[k].start != out.start + static_cast<int64_t>(text::char_count(out.literal)))
      return std::nullopt;
    out.literal += parts[k].literal;
  }
  return out;
}

std::optional<PrefixAt> prefix_form(const Node& n) {
  if (auto* c = dynamic_cast<const ConjunctionNode*>(&n)) return prefix_chain(*c);
  return prefix_leaf(n);
}

// Short: every literal fits a word. Fixed: the number of literals when it is 1 or 2 (0: any),
// so that the common cases keep their words in registers.
template <bool Identity, bool Nulls, bool Ascii, bool Short, int Fixed = 0>
size_t prefix_scan(const Column& col, const uint32_t* rows, const uint32_t* sel, size_t n, uint32_t* out,
                   int64_t start, const std::vector<std::string>& literals) {
  const TextSpan* spans = col.spans().data();
  const char* arena = col.arena().data();
  const size_t skip = start >= 1 ? static_cast<size_t>(start - 1) : 0;
  const size_t count = literals.size();
  const char* lit[8];
  size_t lit_size[8];
  Word words[8] = {Word({}), Word({}), Word({}), Word({}), Word({}), Word({}), Word({}), Word({})};
  for (size_t k = 0; k < count && k < 8; ++k) {
    lit[k] = literals[k].data();
    lit_size[k] = literals[k].size();
    if (lit_size[k] <= 8) words[k] = Word(literals[k]);
  }
  const Word w0 = words[0], w1 = words[1];
  size_t m = 0;
  for (size_t i = 0; i < n; ++i) {
    uint32_t p = sel[i];
    uint32_t row = Identity ? p : rows[p];
    if constexpr (Nulls) {
      if (col.is_null(row)) continue;
    }
    TextSpan sp = spans[row];
    // The text from character `start` on; an empty tail still points into the arena.
    const char* tail = arena + sp.offset;
    size_t tail_size = 0;
    if (start >= 1) {
      if constexpr (Ascii) {
        if (skip < sp.length) {
          tail += skip;
          tail_size = sp.length - skip;
        }
      } else {
        std::string_view t = mid(std::string_view(tail, sp.length), start, -1);
        if (!t.empty()) {
          tail = t.data();
          tail_size = t.size();
        }
      }
    }
    bool pass = false;
    if constexpr (Short && Fixed == 1) {
      pass = (tail_size >= w0.size) & w0.prefix_of(tail);
    } else if constexpr (Short && Fixed == 2) {
      pass = ((tail_size >= w0.size) & w0.prefix_of(tail)) | ((tail_size >= w1.size) & w1.prefix_of(tail));
    } else if constexpr (Short) {
      // Every literal fits a word: no branch per literal.
      for (size_t k = 0; k < count; ++k) pass |= (tail_size >= words[k].size) & words[k].prefix_of(tail);
    } else {
      for (size_t k = 0; k < count; ++k) {
        if (tail_size >= lit_size[k] && same_bytes(tail, lit[k], lit_size[k])) {
          pass = true;
          break;
        }
      }
    }
    out[m] = p;
    m += pass;
  }
  return m;
}

class PrefixPredicate : public Predicate {
 public:
  PrefixPredicate(int column, std::string name, int64_t start, std::vector<std::string> literals)
      : column_(column), name_(std::move(name)), start_(start), literals_(std::move(literals)) {}

  size_t select(EvalContext& ctx, const uint32_t* sel, size_t n, uint32_t* out) const override {
    const Column& col = ctx.data->columns[column_];
    const uint32_t* rows = ctx.rows;
    bool nulls = col.may_hold_nulls(), ascii = col.all_ascii();
    if (!rows) {
      if (nulls)
        return ascii ? run<true, true, true>(col, rows, sel, n, out)
                     : run<true, true, false>(col, rows, sel, n, out);
      return ascii ? run<true, false, true>(col, rows, sel, n, out)
                   : run<true, false, false>(col, rows, sel, n, out);
    }
    if (nulls)
      return ascii ? run<false, true, true>(col, rows, sel, n, out)
                   : run<false, true, false>(col, rows, sel, n, out);
    return ascii ? run<false, false, true>(col, rows, sel, n, out)
                 : run<false, false, false>(col, rows, sel, n, out);
  }

  std::string plan() const override {
    std::string out = "text.prefix(" + name_ + "@" + std::to_string(start_) + ":";
    for (size_t k = 0; k < literals_.size(); ++k) out += (k ? " | " : " ") + quote_literal(literals_[k]);
    return out + ")";
  }

 private:
  template <bool Identity, bool Nulls, bool Ascii>
  size_t run(const Column& col, const uint32_t* rows, const uint32_t* sel, size_t n, uint32_t* out) const {
    bool all_short = true;
    for (const auto& l : literals_) all_short = all_short && l.size() <= 8;
    if (all_short && literals_.size() == 1)
      return prefix_scan<Identity, Nulls, Ascii, true, 1>(col, rows, sel, n, out, start_, literals_);
    if (all_short && literals_.size() == 2)
      return prefix_scan<Identity, Nulls, Ascii, true, 2>(col, rows, sel, n, out, start_, literals_);
    if (all_short)
      return prefix_scan<Identity, Nulls, Ascii, true>(col, rows, sel, n, out, start_, literals_);
    return prefix_scan<Identity, Nulls, Ascii, false>(col, rows, sel, n, out, start_, literals_);
  }

  int column_;
  std::string name_;
  int64_t start_;
  std::vector<std::string> literals_;
};

std::unique_ptr<Predicate> build(const Node& n, bool specialise);

// An `or`: children that test prefixes at one position of one column become one kernel.
std::unique_ptr<Predicate> build_or(const ConjunctionNode& c, bool specialise) {
  std::vector<std::unique_ptr<Predicate>> children;
  std::vector<PrefixAt> prefixes;
  std::vector<bool> merged(c.children().size(), false);
  std::vector<std::optional<PrefixAt>> forms;
  for (const auto& child : c.children()) forms.push_back(prefix_form(*child));
  for (size_t i = 0; i < forms.size(); ++i) {
    if (!forms[i] || merged[i]) continue;
    std::vector<std::string> literals{forms[i]->literal};
    for (size_t j = i + 1; j < forms.size(); ++j) {
      if (forms[j] && !merged[j] && forms[j]->column == forms[i]->column &&
          forms[j]->start == forms[i]->start && literals.size() < 8) {
        literals.push_back(forms[j]->literal);
        merged[j] = true;
      }
    }
    if (literals.size() > 1) {
      merged[i] = true;
      children.push_back(std::make_unique<PrefixPredicate>(forms[i]->column, forms[i]->name, forms[i]->start,
                                                           std::move(literals)));
    }
  }
  for (size_t i = 0; i < forms.size(); ++i)
    if (!merged[i]) children.push_back(build(*c.children()[i], specialise));
  if (children.size() == 1) return std::move(children[0]);
  return std::make_unique<OrPredicate>(std::move(children));
}

std::unique_ptr<Predicate> build(const Node& n, bool specialise) {
  if (n.is_constant()) {
    EvalContext none;
    Scalar v = n.eval(none, 0);
    return std::make_unique<ConstPredicate>(v.type == ValueType::Bool && v.b);
  }
  if (!specialise) return std::make_unique<GenericPredicate>(n);
  if (auto* c = dynamic_cast<const ConjunctionNode*>(&n)) {
    if (c->kind() == ConjunctionType::Or) return build_or(*c, specialise);
    if (auto p = prefix_chain(*c))
      return std::make_unique<PrefixPredicate>(p->column, p->name, p->start,
                                               std::vector<std::string>{p->literal});
    std::vector<std::unique_ptr<Predicate>> children;
    for (const auto& child : c->children()) children.push_back(build(*child, specialise));
    return std::make_unique<AndPredicate>(std::move(children));
  }
  if (auto* x = dynamic_cast<const NotNode*>(&n))
    return std::make_unique<NotPredicate>(build(x->child(), specialise));
  if (auto* cmp = dynamic_cast<const CompareNode*>(&n)) {
    if (auto p = compare_predicate(*cmp)) return p;
    if (auto p = int_predicate(*cmp)) return p;
    if (auto p = pos_predicate(*cmp)) return p;
  }
  if (auto* like = dynamic_cast<const LikeNode*>(&n)) {
    TextSource src;
    const LikePattern* pattern = like->fixed_pattern();
    if (pattern && text_source(like->value(), &src)) {
      if (like->negated())
        return std::make_unique<TextPredicate>(src, TextTestKind::Like, "", 0, pattern, true);
      switch (pattern->shape()) {
        case LikePattern::Shape::Exact:
          return std::make_unique<TextPredicate>(src, TextTestKind::Eq, pattern->literal());
        case LikePattern::Shape::Prefix:
          return std::make_unique<TextPredicate>(src, TextTestKind::Prefix, pattern->literal());
        case LikePattern::Shape::Suffix:
          return std::make_unique<TextPredicate>(src, TextTestKind::Suffix, pattern->literal());
        case LikePattern::Shape::Contains:
          return std::make_unique<TextPredicate>(src, TextTestKind::Contains, pattern->literal());
        case LikePattern::Shape::Any: return std::make_unique<TextPredicate>(src, TextTestKind::Any, "");
        case LikePattern::Shape::General:
          return std::make_unique<TextPredicate>(src, TextTestKind::Like, "", 0, pattern, false);
      }
    }
  }
  return std::make_unique<GenericPredicate>(n);
}

}  // namespace

std::unique_ptr<Predicate> make_predicate(const Node& root, bool specialise) {
  return build(root, specialise);
}

CompiledFilter::CompiledFilter(std::unique_ptr<Node> root, std::unique_ptr<Predicate> predicate,
                               std::string source)
    : root_(std::move(root)), predicate_(std::move(predicate)), source_(std::move(source)) {}
CompiledFilter::~CompiledFilter() = default;

size_t CompiledFilter::select(EvalContext& ctx, const uint32_t* sel, size_t n, uint32_t* out) const {
  return predicate_->select(ctx, sel, n, out);
}

std::vector<uint32_t> CompiledFilter::apply(EvalContext& ctx, const std::vector<uint32_t>& rows) const {
  std::vector<uint32_t> sel(rows.size());
  std::iota(sel.begin(), sel.end(), 0u);
  const uint32_t* saved = ctx.rows;
  ctx.rows = rows.data();
  size_t m = predicate_->select(ctx, sel.data(), sel.size(), sel.data());
  ctx.rows = saved;
  sel.resize(m);
  for (auto& p : sel) p = rows[p];
  return sel;
}

bool CompiledFilter::test(EvalContext& ctx, uint32_t row) const {
  const uint32_t* saved = ctx.rows;
  ctx.rows = &row;
  uint32_t pos = 0;
  size_t m = predicate_->select(ctx, &pos, 1, &pos);
  ctx.rows = saved;
  return m == 1;
}

std::string CompiledFilter::plan() const { return predicate_->plan(); }

}  // namespace sparestock::grid
