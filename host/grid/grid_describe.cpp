// Grid::describe() and Grid::modify(): reading and setting properties by name.

#include "host/grid/grid.h"

#include "host/base/text.h"

namespace sparestock::grid {

namespace {

// Splits at blanks that are outside quotes and parentheses.
std::vector<std::string> split_items(std::string_view s) {
  std::vector<std::string> out;
  std::string cur;
  char quote = 0;
  int depth = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (quote) {
      cur += c;
      if (c == '~' && i + 1 < s.size()) {
        cur += s[++i];
      } else if (c == quote) {
        quote = 0;
      }
      continue;
    }
    if (c == '\'' || c == '"') quote = c;
    if (c == '(') ++depth;
    if (c == ')') --depth;
    if ((c == ' ' || c == '\t' || c == '\n' || c == '\r') && depth <= 0) {
      if (!cur.empty()) out.push_back(std::move(cur));
      cur.clear();
      continue;
    }
    cur += c;
  }
  if (!cur.empty()) out.push_back(std::move(cur));
  return out;
}

std::string col_type_text(const ColumnDef& c) {
  switch (c.type) {
    case GridType::Char: return "char(" + std::to_string(c.length) + ")";
    case GridType::Decimal: return "decimal(" + std::to_string(c.scale) + ")";
    case GridType::Long: return "long";
    case GridType::Number: return "number";
    case GridType::DateTime: return "datetime";
  }
  return "?";
}

std::string band_text(const BandItemDef& b) {
  switch (b.band) {
    case Band::Header: return "header";
    case Band::Detail: return "detail";
    case Band::Group: return "trailer." + std::to_string(b.group);
    case Band::Summary: return "summary";
    case Band::Footer: return "footer";
  }
  return "?";
}

// evaluate('expression', row) -> the expression text and the row; false when malformed.
bool parse_evaluate(std::string_view item, std::string* expr, long* row) {
  size_t open = item.find('(');
  if (open == std::string_view::npos || item.back() != ')') return false;
  std::string_view inner = item.substr(open + 1, item.size() - open - 2);
  size_t i = 0;
  while (i < inner.size() && inner[i] == ' ') ++i;
  if (i >= inner.size() || (inner[i] != '\'' && inner[i] != '"')) return false;
  char q = inner[i++];
  expr->clear();
  bool closed = false;
  for (; i < inner.size(); ++i) {
    if (inner[i] == '~' && i + 1 < inner.size()) {
      *expr += inner[++i];
      continue;
    }
    if (inner[i] == q) {
      closed = true;
      ++i;
      break;
    }
    *expr += inner[i];
  }
  if (!closed) return false;
  while (i < inner.size() && inner[i] == ' ') ++i;
  if (i >= inner.size() || inner[i] != ',') return false;
  std::string rest(inner.substr(i + 1));
  try {
    size_t used = 0;
    *row = std::stol(rest, &used);
    for (size_t k = used; k < rest.size(); ++k)
      if (rest[k] != ' ') return false;
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

}  // namespace

std::string Grid::describe(std::string_view properties) {
  std::string out;
  bool first = true;
  for (const std::string& item : split_items(properties)) {
    if (!first) out += '\n';
    first = false;
    std::string p = text::lower(item);
    if (p.rfind("evaluate(", 0) == 0) {
      std::string expr;
      long row = 0;
      if (!parse_evaluate(item, &expr, &row)) {
        out += "!";
        continue;
      }
      auto v = evaluate(expr, row);
      out += v ? v->as_text() : "!";
      continue;
    }
    if (p == "grid.column.count") {
      out += std::to_string(def_.columns.size());
      continue;
    }
    if (p == "grid.table.select") {
      out += def_.statement.empty() ? "?" : def_.statement;
      continue;
    }
    if (p == "grid.table.filter") {
      out += filter_text_.empty() ? "?" : filter_text_;
      continue;
    }
    if (p == "grid.table.sort") {
      out += sort_text_.empty() ? "?" : sort_text_;
      continue;
    }
    if (p == "grid.table.updatetable") {
      out += def_.update_table.empty() ? "?" : def_.update_table;
      continue;
    }
    if (p == "grid.readonly") {
      out += readonly_ ? "yes" : "no";
      continue;
    }
    if (p == "grid.title") {
      out += def_.title.empty() ? "?" : def_.title;
      continue;
    }
    if (p == "grid.name" || p == "dataobject") {
      out += def_.name;
      continue;
    }
    size_t dot = p.rfind('.');
    if (dot == std::string::npos || dot == 0) {
      out += "!";
      continue;
    }
    std::string object = p.substr(0, dot), prop = p.substr(dot + 1);

    // Columns: by name or #n.
    int col = -1;
    if (object[0] == '#') {
      try {
        int n = std::stoi(object.substr(1));
        if (n >= 1 && n <= column_count()) col = n - 1;
      } catch (const std::exception&) {
      }
    } else {
      for (size_t c = 0; c < def_.columns.size() && col < 0; ++c)
        if (text::iequals(def_.columns[c].name, object)) col = static_cast<int>(c);
    }
    if (col >= 0) {
      const ColumnDef& c = def_.columns[col];
      std::string table = def_.update_table.empty() ? "" : def_.update_table + ".";
      if (prop == "name")
        out += c.name;
      else if (prop == "id")
        out += std::to_string(col + 1);
      else if (prop == "type")
        out += "column";
      else if (prop == "coltype")
        out += col_type_text(c);
      else if (prop == "visible")
        out += c.visible ? "1" : "0";
      else if (prop == "format")
        out += c.format.empty() ? "?" : c.format;
      else if (prop == "key")
        out += c.key ? "yes" : "no";
      else if (prop == "update")
        out += c.updatable ? "yes" : "no";
      else if (prop == "identity")
        out += c.identity ? "yes" : "no";
      else if (prop == "dbname")
        out += c.db_name.empty() ? "?" : table + c.db_name;
      else if (prop == "protect")
        out += is_protected(col) ? "1" : "0";
      else if (prop == "limit")
        out += std::to_string(c.type == GridType::Char ? c.length : 0);
      else
        out += "!";
      continue;
    }
    // Heading texts <name>_t of columns and computed fields that have one.
    if (object.size() > 2 && object.compare(object.size() - 2, 2, "_t") == 0) {
      std::string owner = object.substr(0, object.size() - 2);
      const std::string* heading = nullptr;
      for (const auto& c : def_.columns)
        if (text::iequals(c.name, owner) && !c.heading.empty()) heading = &c.heading;
      for (const auto& c : def_.computed)
        if (!heading && text::iequals(c.name, owner) && !c.heading.empty()) heading = &c.heading;
      if (heading) {
        if (prop == "text")
          out += *heading;
        else if (prop == "name")
          out += object;
        else if (prop == "type")
          out += "text";
        else
          out += "!";
        continue;
      }
    }
    bool found = false;
    for (const auto& c : def_.computed) {
      if (!text::iequals(c.name, object)) continue;
      found = true;
      if (prop == "name")
        out += c.name;
      else if (prop == "type")
        out += "compute";
      else if (prop == "expression")
        out += c.expression;
      else if (prop == "format")
        out += c.format.empty() ? "?" : c.format;
      else if (prop == "band")
        out += "detail";
      else
        out += "!";
      break;
    }
    if (found) continue;
    for (const auto& b : def_.band_items) {
      if (!text::iequals(b.name, object)) continue;
      found = true;
      if (prop == "name")
        out += b.name;
      else if (prop == "type")
        out += b.expression.empty() ? "text" : "compute";
      else if (prop == "expression")
        out += b.expression.empty() ? "?" : b.expression;
      else if (prop == "text")
        out += b.label.empty() ? "?" : b.label;
      else if (prop == "format")
        out += b.format.empty() ? "?" : b.format;
      else if (prop == "band")
        out += band_text(b);
      else
        out += "!";
      break;
    }
    if (!found) out += "!";
  }
  return out;
}

std::string Grid::modify(std::string_view modifications) {
  struct Change {
    int kind;  // 0 readonly, 1 protect
    int column;
    bool on;
  };
  std::vector<Change> changes;
  for (const std::string& item : split_items(modifications)) {
    size_t eq = item.find('=');
    if (eq == std::string::npos) return "expected property=value in '" + item + "'";
    std::string lhs = text::lower(item.substr(0, eq));
    std::string rhs = text::lower(item.substr(eq + 1));
    if (rhs.size() >= 2 && (rhs.front() == '\'' || rhs.front() == '"') && rhs.back() == rhs.front())
      rhs = rhs.substr(1, rhs.size() - 2);
    auto flag = [&](bool* on) {
      if (rhs == "yes" || rhs == "true" || rhs == "1")
        *on = true;
      else if (rhs == "no" || rhs == "false" || rhs == "0")
        *on = false;
      else
        return false;
      return true;
    };
    Change ch{0, -1, false};
    if (lhs == "grid.readonly") {
      if (!flag(&ch.on)) return "bad value for " + lhs + ": " + rhs;
      changes.push_back(ch);
      continue;
    }
    size_t dot = lhs.rfind('.');
    if (dot != std::string::npos && lhs.substr(dot + 1) == "protect") {
      std::string object = lhs.substr(0, dot);
      int col = -1;
      for (size_t c = 0; c < def_.columns.size(); ++c)
        if (text::iequals(def_.columns[c].name, object)) col = static_cast<int>(c);
      if (object.size() > 1 && object[0] == '#') {
        try {
          int n = std::stoi(object.substr(1));
          if (n >= 1 && n <= column_count()) col = n - 1;
        } catch (const std::exception&) {
        }
      }
      if (col < 0) return "unknown column: " + object;
      if (!flag(&ch.on)) return "bad value for " + lhs + ": " + rhs;
      ch.kind = 1;
      ch.column = col;
      changes.push_back(ch);
      continue;
    }
    return "unknown property: " + lhs;
  }
  for (const Change& ch : changes) {
    if (ch.kind == 0)
      readonly_ = ch.on;
    else
      protected_[ch.column] = ch.on;
  }
  return "";
}

}  // namespace sparestock::grid
