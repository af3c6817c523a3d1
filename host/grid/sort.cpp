// Sorting a permutation of rows. Each key is evaluated once per row into a flat key vector;
// the sort then compares keys only. Keys that fit in 64 bits together (a text of at most
// eight bytes, several short texts, whole numbers, dates) are sorted by a radix sort, which is
// stable; others by a stable comparison sort.

#include <algorithm>
#include <numeric>

#include "host/grid/nodes.h"

namespace sparestock::grid {

namespace {

enum class KeyKind { Uint, Text, Decimal, Real };

struct KeyColumn {
  KeyKind kind = KeyKind::Uint;
  bool descending = false;
  bool any_null = false;
  bool long_text = false;  // some text longer than 8 bytes: prefixes alone do not decide
  std::vector<uint8_t> nulls;
  std::vector<uint64_t> u;      // Uint keys, or the first 8 bytes of a text (big-endian)
  std::vector<TextSpan> spans;  // into `base`: the key's own arena, or a column's
  std::string arena;
  const char* base = nullptr;
  std::vector<db::Decimal> decimals;
  std::vector<double> reals;

  int compare(uint32_t a, uint32_t b) const {
    if (any_null) {
      bool na = nulls[a], nb = nulls[b];
      if (na || nb) return na == nb ? 0 : (na ? -1 : 1);
    }
    switch (kind) {
      case KeyKind::Uint: return u[a] < u[b] ? -1 : (u[a] > u[b] ? 1 : 0);
      case KeyKind::Text: {
        if (u[a] != u[b]) return u[a] < u[b] ? -1 : 1;
        if (!long_text) return 0;
        std::string_view x(base + spans[a].offset, spans[a].length);
        std::string_view y(base + spans[b].offset, spans[b].length);
        int c = x.compare(y);
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
      }
      case KeyKind::Decimal: return db::Decimal::compare(decimals[a], decimals[b]);
      case KeyKind::Real: return reals[a] < reals[b] ? -1 : (reals[a] > reals[b] ? 1 : 0);
    }
    return 0;
  }
};

uint64_t text_prefix(std::string_view s) {
  uint64_t p = 0;
  for (size_t k = 0; k < 8; ++k) p = (p << 8) | (k < s.size() ? static_cast<unsigned char>(s[k]) : 0u);
  return p;
}

// Signed to unsigned, keeping the order.
uint64_t ordered(int64_t v) { return static_cast<uint64_t>(v) ^ (uint64_t{1} << 63); }

// A key that is a text column, or mid() of one with literal bounds, is read straight from the
// column: no evaluation, no copy.
bool extract_text_column(const CompiledExpression& e, EvalContext& ctx, const std::vector<uint32_t>& rows,
                         KeyColumn& k) {
  const Node* node = &e.root();
  int64_t start = 1, length = -1;
  bool has_mid = false;
  if (auto* m = dynamic_cast<const MidNode*>(node)) {
    if (!m->constant_bounds(&start, &length)) return false;
    node = &m->source();
    has_mid = true;
  }
  auto* c = dynamic_cast<const ColumnNode*>(node);
  if (!c || c->type() != ValueType::Text) return false;
  const Column& col = ctx.data->columns[c->column()];
  const bool ascii = col.all_ascii();
  size_t n = rows.size();
  k.kind = KeyKind::Text;
  k.u.resize(n);
  k.spans.resize(n);
  k.base = col.arena().data();
  for (size_t i = 0; i < n; ++i) {
    uint32_t row = rows[i];
    if (col.is_null(row)) {
      k.nulls[i] = 1;
      k.any_null = true;
      continue;
    }
    std::string_view v = col.text(row);
    if (has_mid) v = ascii ? mid_ascii(v, start, length) : mid(v, start, length);
    k.u[i] = text_prefix(v);
    k.spans[i] = {v.empty() ? 0u : static_cast<uint32_t>(v.data() - k.base), static_cast<uint32_t>(v.size())};
    if (v.size() > 8) k.long_text = true;
  }
  return true;
}

KeyColumn extract(const CompiledExpression& e, bool descending, EvalContext& ctx,
                  const std::vector<uint32_t>& rows) {
  KeyColumn k;
  k.descending = descending;
  size_t n = rows.size();
  k.nulls.assign(n, 0);
  if (extract_text_column(e, ctx, rows, k)) return k;
  switch (e.type()) {
    case ValueType::Text: k.kind = KeyKind::Text; break;
    case ValueType::Decimal: k.kind = KeyKind::Decimal; break;
    case ValueType::Real: k.kind = KeyKind::Real; break;
    default: k.kind = KeyKind::Uint; break;
  }
  switch (k.kind) {
    case KeyKind::Text:
      k.u.resize(n);
      k.spans.resize(n);
      break;
    case KeyKind::Decimal: k.decimals.resize(n); break;
    case KeyKind::Real: k.reals.resize(n); break;
    case KeyKind::Uint: k.u.resize(n); break;
  }
  for (size_t i = 0; i < n; ++i) {
    size_t mark = ctx.scratch.mark();
    Scalar v = e.evaluate(ctx, rows[i]);
    if (v.is_null()) {
      k.nulls[i] = 1;
      k.any_null = true;
      ctx.scratch.release(mark);
      continue;
    }
    switch (k.kind) {
      case KeyKind::Text:
        k.u[i] = text_prefix(v.s);
        k.spans[i] = {static_cast<uint32_t>(k.arena.size()), static_cast<uint32_t>(v.s.size())};
        k.arena.append(v.s);
        if (v.s.size() > 8) k.long_text = true;
        break;
      case KeyKind::Decimal: k.decimals[i] = v.decimal(); break;
      case KeyKind::Real: k.reals[i] = v.r; break;
      case KeyKind::Uint: k.u[i] = v.type == ValueType::Bool ? uint64_t{v.b} : ordered(v.i); break;
    }
    ctx.scratch.release(mark);
  }
  k.base = k.arena.data();
  // Decimals of one scale (a column) compare as their units.
  if (k.kind == KeyKind::Decimal) {
    int scale = -1;
    bool uniform = true;
    for (size_t i = 0; i < n && uniform; ++i) {
      if (k.nulls[i]) continue;
      if (scale < 0) scale = k.decimals[i].scale();
      uniform = k.decimals[i].scale() == scale;
    }
    if (uniform) {
      k.kind = KeyKind::Uint;
      k.u.resize(n);
      for (size_t i = 0; i < n; ++i) k.u[i] = k.nulls[i] ? 0 : ordered(k.decimals[i].units());
      k.decimals.clear();
    }
  }
  return k;
}

// Stable sort of positions 0..n-1 by 64-bit keys: least significant byte first, one counting
// pass per byte in which the keys differ.
std::vector<uint32_t> radix_order(const std::vector<uint64_t>& keys) {
  size_t n = keys.size();
  std::vector<uint32_t> a(n), b(n);
  for (size_t i = 0; i < n; ++i) a[i] = static_cast<uint32_t>(i);
  uint64_t all_or = 0, all_and = ~uint64_t{0};
  for (uint64_t k : keys) {
    all_or |= k;
    all_and &= k;
  }
  uint64_t varying = all_or & ~all_and;
  for (int shift = 0; shift < 64; shift += 8) {
    if (((varying >> shift) & 0xFF) == 0) continue;
    size_t count[257] = {};
    for (uint32_t i : a) ++count[((keys[i] >> shift) & 0xFF) + 1];
    for (int d = 0; d < 256; ++d) count[d + 1] += count[d];
    for (uint32_t i : a) b[count[(keys[i] >> shift) & 0xFF]++] = i;
    a.swap(b);
  }
  return a;
}

}  // namespace

CompiledSort::CompiledSort(std::vector<Key> keys, std::string source)
    : keys_(std::move(keys)), source_(std::move(source)) {}
CompiledSort::~CompiledSort() = default;

void CompiledSort::sort(EvalContext& ctx, std::vector<uint32_t>& rows) const {
  size_t n = rows.size();
  if (keys_.empty() || n < 2) return;
  std::vector<KeyColumn> keys;
  keys.reserve(keys_.size());
  for (const auto& k : keys_) keys.push_back(extract(*k.expression, k.descending, ctx, rows));

  std::vector<uint32_t> sorted(n);
  const KeyColumn& first = keys[0];

  // Several short text keys without nulls ("dbj030_ckh A, mid(dbj030_ccph,5,4) A") fit one
  // 64-bit key: each text padded with zero bytes to its longest length (no text holds a zero
  // byte, so padding sorts a shorter text first), a descending key's bytes inverted.
  if (keys.size() > 1) {
    size_t width = 0;
    bool packable = true;
    std::vector<size_t> widths;
    for (const auto& k : keys) {
      if (k.kind != KeyKind::Text || k.any_null) {
        packable = false;
        break;
      }
      size_t w = 0;
      for (const auto& sp : k.spans) w = std::max<size_t>(w, sp.length);
      widths.push_back(w);
      width += w;
    }
    if (packable && width <= 8) {
      std::vector<uint64_t> packed_keys(n);
      for (size_t i = 0; i < n; ++i) {
        uint64_t packed = 0;
        for (size_t k = 0; k < keys.size(); ++k) {
          const KeyColumn& key = keys[k];
          const char* text = key.base + key.spans[i].offset;
          for (size_t b = 0; b < widths[k]; ++b) {
            unsigned char c = b < key.spans[i].length ? static_cast<unsigned char>(text[b]) : 0;
            packed = (packed << 8) | (key.descending ? static_cast<unsigned char>(~c) : c);
          }
        }
        packed_keys[i] = packed;
      }
      std::vector<uint32_t> by_key = radix_order(packed_keys);
      for (size_t i = 0; i < n; ++i) sorted[i] = rows[by_key[i]];
      rows.swap(sorted);
      return;
    }
  }

  bool fits = keys.size() == 1 && !first.any_null &&
              (first.kind == KeyKind::Uint || (first.kind == KeyKind::Text && !first.long_text));
  if (fits) {
    std::vector<uint64_t> k(n);
    for (size_t i = 0; i < n; ++i) k[i] = first.descending ? ~first.u[i] : first.u[i];
    std::vector<uint32_t> by_key = radix_order(k);
    for (size_t i = 0; i < n; ++i) sorted[i] = rows[by_key[i]];
  } else {
    std::vector<uint32_t> idx(n);
    std::iota(idx.begin(), idx.end(), 0u);
    std::stable_sort(idx.begin(), idx.end(), [&](uint32_t a, uint32_t b) {
      for (const auto& k : keys) {
        int c = k.compare(a, b);
        if (c != 0) return k.descending ? c > 0 : c < 0;
      }
      return false;
    });
    for (size_t i = 0; i < n; ++i) sorted[i] = rows[idx[i]];
  }
  rows.swap(sorted);
}

}  // namespace sparestock::grid
