#include "tools/entry_tables.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <map>
#include <set>
#include <sstream>

namespace sparestock::entry_tables {

namespace {

// What each declaration macro says: the kind of object it declares ("" for scripts), how many
// leading arguments are names, and whether a call expression follows them.
struct MacroShape {
  const char* kind;
  size_t names;
  bool call;
};

const std::map<std::string, MacroShape, std::less<>>& macros() {
  static const std::map<std::string, MacroShape, std::less<>> m = {
      {"SPARESTOCK_WINDOW", {"window", 2, false}},
      {"SPARESTOCK_MENU", {"menu", 2, false}},
      {"SPARESTOCK_USEROBJECT", {"userobject", 1, false}},
      {"SPARESTOCK_STRUCTURE", {"structure", 1, false}},
      {"SPARESTOCK_GRID", {"grid", 1, false}},
      {"SPARESTOCK_HELP", {"help", 1, false}},
      {"SPARESTOCK_SCRIPT", {"", 2, true}},
      {"SPARESTOCK_CONTROL_SCRIPT", {"", 3, true}},
      {"SPARESTOCK_SHARED_SCRIPT", {"", 2, true}},
      {"SPARESTOCK_SHARED_CONTROL_SCRIPT", {"", 3, true}},
      {"SPARESTOCK_SHARES", {"", 2, false}},
  };
  return m;
}

// The scripts every object of a kind has before its declared ones, on the object itself.
std::vector<std::string> implicit_scripts(const std::string& kind) {
  if (kind == "userobject") return {"create", "destroy"};
  if (kind == "structure") return {"create", "fields"};
  return {"create"};
}

bool is_identifier(std::string_view s) {
  if (s.empty() || std::isdigit(static_cast<unsigned char>(s[0]))) return false;
  return std::all_of(s.begin(), s.end(),
                     [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
}

std::string at(const std::string& file, int line) { return file + ":" + std::to_string(line) + ": "; }

// A token of C++ source as far as declarations need it.
struct Token {
  enum Kind { Identifier, Punct, Other } kind;
  std::string text;
  int line;
};

// Splits source into identifiers, punctuation and other tokens, leaving out comments,
// preprocessor lines, string and character literals (each stands as one Other token).
class Lexer {
 public:
  Lexer(std::string_view s, const std::string& file) : s_(s), file_(file) {}

  std::vector<Token> tokens() {
    std::vector<Token> out;
    bool line_start = true;
    while (i_ < s_.size()) {
      char c = s_[i_];
      if (c == '\n') {
        ++line_;
        ++i_;
        line_start = true;
        continue;
      }
      if (std::isspace(static_cast<unsigned char>(c))) {
        ++i_;
        continue;
      }
      if (c == '#' && line_start) {
        skip_directive();
        continue;
      }
      line_start = false;
      if (starts("//")) {
        while (i_ < s_.size() && s_[i_] != '\n') ++i_;
      } else if (starts("/*")) {
        skip_block_comment();
      } else if (c == '"' || c == '\'') {
        int line = line_;
        skip_quoted(c);
        out.push_back({Token::Other, "literal", line});
      } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
        size_t b = i_;
        while (i_ < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[i_])) || s_[i_] == '_')) ++i_;
        std::string_view word = s_.substr(b, i_ - b);
        if (i_ < s_.size() && s_[i_] == '"' && is_raw_prefix(word)) {
          int line = line_;
          skip_raw_string();
          out.push_back({Token::Other, "literal", line});
        } else if (i_ < s_.size() && (s_[i_] == '"' || s_[i_] == '\'') && is_encoding_prefix(word)) {
          int line = line_;
          skip_quoted(s_[i_]);
          out.push_back({Token::Other, "literal", line});
        } else {
          out.push_back({Token::Identifier, std::string(word), line_});
        }
      } else if (std::isdigit(static_cast<unsigned char>(c))) {
        // A number, digit separators and exponents included.
        size_t b = i_;
        while (i_ < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[i_])) || s_[i_] == '_' ||
                                  s_[i_] == '.' || s_[i_] == '\''))
          ++i_;
        out.push_back({Token::Other, std::string(s_.substr(b, i_ - b)), line_});
      } else {
        out.push_back({Token::Punct, std::string(1, c), line_});
        ++i_;
      }
    }
    return out;
  }

 private:
  bool starts(std::string_view p) const { return s_.substr(i_, p.size()) == p; }
  static bool is_raw_prefix(std::string_view w) {
    return w == "R" || w == "LR" || w == "uR" || w == "UR" || w == "u8R";
  }
  static bool is_encoding_prefix(std::string_view w) { return w == "L" || w == "u" || w == "U" || w == "u8"; }

  void skip_directive() {
    // To the end of the line, following backslash continuations; a block comment that starts on
    // the line may run over several.
    while (i_ < s_.size() && s_[i_] != '\n') {
      if (s_[i_] == '\\' && i_ + 1 < s_.size() && s_[i_ + 1] == '\n') {
        i_ += 2;
        ++line_;
      } else if (starts("/*")) {
        skip_block_comment();
      } else {
        ++i_;
      }
    }
  }
  void skip_block_comment() {
    int line = line_;
    i_ += 2;
    while (i_ < s_.size() && !starts("*/")) {
      if (s_[i_] == '\n') ++line_;
      ++i_;
    }
    if (i_ >= s_.size()) throw EntryTableError(at(file_, line) + "comment does not end");
    i_ += 2;
  }
  void skip_quoted(char quote) {
    int line = line_;
    ++i_;
    while (i_ < s_.size() && s_[i_] != quote) {
      if (s_[i_] == '\n') throw EntryTableError(at(file_, line) + "literal does not end on its line");
      if (s_[i_] == '\\') ++i_;
      ++i_;
    }
    if (i_ >= s_.size()) throw EntryTableError(at(file_, line) + "literal does not end");
    ++i_;
  }
  void skip_raw_string() {
    int line = line_;
    size_t open = s_.find('(', i_);
    if (open == std::string_view::npos) throw EntryTableError(at(file_, line) + "raw string without '('");
    std::string end = ")" + std::string(s_.substr(i_ + 1, open - i_ - 1)) + "\"";
    size_t close = s_.find(end, open);
    if (close == std::string_view::npos) throw EntryTableError(at(file_, line) + "raw string does not end");
    line_ += static_cast<int>(std::count(s_.begin() + i_, s_.begin() + close, '\n'));
    i_ = close + end.size();
  }

  std::string_view s_;
  const std::string& file_;
  size_t i_ = 0;
  int line_ = 1;
};

}  // namespace

std::vector<Declaration> scan(std::string_view source, const std::string& file) {
  std::vector<Token> t = Lexer(source, file).tokens();
  std::vector<Declaration> out;
  for (size_t i = 0; i < t.size(); ++i) {
    if (t[i].kind != Token::Identifier) continue;
    auto shape = macros().find(t[i].text);
    if (shape == macros().end() || i + 1 >= t.size() || t[i + 1].text != "(") continue;
    Declaration d{t[i].text, {}, file, t[i].line};
    // The arguments, split at commas outside brackets; each kept as its tokens joined.
    std::vector<std::vector<Token>> args(1);
    int depth = 0;
    size_t j = i + 2;
    for (; j < t.size(); ++j) {
      const std::string& x = t[j].text;
      if (t[j].kind == Token::Punct && (x == "(" || x == "[" || x == "{")) ++depth;
      if (t[j].kind == Token::Punct && (x == ")" || x == "]" || x == "}")) {
        if (depth == 0 && x == ")") break;
        --depth;
      }
      if (depth == 0 && t[j].kind == Token::Punct && x == ",")
        args.emplace_back();
      else
        args.back().push_back(t[j]);
    }
    if (j >= t.size()) throw EntryTableError(at(file, d.line) + d.macro + ": parenthesis does not close");
    const MacroShape& m = shape->second;
    if (args.size() < m.names + (m.call ? 1 : 0) || (!m.call && args.size() > m.names))
      throw EntryTableError(at(file, d.line) + d.macro + " takes " +
                            (m.names == 1 ? std::string("a name") : std::to_string(m.names) + " names") +
                            (m.call ? " and a call" : ""));
    for (size_t k = 0; k < m.names; ++k) {
      const auto& a = args[k];
      // Only a form's or a menu's ancestor may be empty (a plain window).
      bool may_be_empty = m.kind[0] != '\0' && k == 1;
      if (a.empty() && may_be_empty) {
        d.args.emplace_back();
        continue;
      }
      if (a.size() != 1 || a[0].kind != Token::Identifier)
        throw EntryTableError(at(file, d.line) + d.macro + ": argument " + std::to_string(k + 1) +
                              " is not a name");
      d.args.push_back(a[0].text);
    }
    if (m.call && args[m.names].empty())
      throw EntryTableError(at(file, d.line) + d.macro + ": the call is missing");
    out.push_back(std::move(d));
    i = j;
  }
  return out;
}

std::vector<std::string> read_object_list(std::string_view text, const std::string& file) {
  std::vector<std::string> out;
  std::set<std::string> seen;
  std::istringstream in{std::string(text)};
  std::string line;
  for (int n = 1; std::getline(in, line); ++n) {
    auto b = line.find_first_not_of(" \t\r");
    if (b == std::string::npos || line[b] == '#') continue;
    std::string name = line.substr(b, line.find_last_not_of(" \t\r") + 1 - b);
    if (!is_identifier(name)) throw EntryTableError(at(file, n) + "'" + name + "' is not an object name");
    if (!seen.insert(name).second) throw EntryTableError(at(file, n) + name + " is listed twice");
    out.push_back(name);
  }
  return out;
}

namespace {

// A declared object or shared group with its script declarations in file order.
struct Declared {
  const Declaration* declaration = nullptr;  // the object's; null for a group
  std::string file;
  std::vector<const Declaration*> scripts;  // SCRIPT, CONTROL_SCRIPT and SHARES lines
};

// The control and event a script declaration names.
std::pair<std::string, std::string> control_and_event(const Declaration& d) {
  bool on_control = d.macro == "SPARESTOCK_CONTROL_SCRIPT" || d.macro == "SPARESTOCK_SHARED_CONTROL_SCRIPT";
  return on_control ? std::pair{d.args[1], d.args[2]} : std::pair{std::string(), d.args[1]};
}

class Numbering {
 public:
  Numbering(const std::vector<std::string>& list, const std::vector<Declaration>& declarations) {
    for (size_t i = 0; i < list.size(); ++i) listed_[list[i]] = static_cast<int>(i) + 1;
    for (const Declaration& d : declarations) {
      const MacroShape& m = macros().at(d.macro);
      if (m.kind[0] != '\0') declare_object(d);
    }
    for (const Declaration& d : declarations) {
      if (d.macro == "SPARESTOCK_SHARED_SCRIPT" || d.macro == "SPARESTOCK_SHARED_CONTROL_SCRIPT")
        add_to_group(d);
    }
    for (const Declaration& d : declarations) {
      if (d.macro == "SPARESTOCK_SCRIPT" || d.macro == "SPARESTOCK_CONTROL_SCRIPT" ||
          d.macro == "SPARESTOCK_SHARES")
        add_to_object(d);
    }
  }

  std::vector<Object> objects() {
    std::vector<Object> out;
    for (const auto& [name, number] : listed_) {
      auto it = objects_.find(name);
      if (it == objects_.end()) continue;  // reserved
      out.push_back(number_object(name, it->second));
    }
    std::sort(out.begin(), out.end(), [](const Object& a, const Object& b) { return a.number < b.number; });
    return out;
  }

 private:
  void declare_object(const Declaration& d) {
    const std::string& name = d.args[0];
    auto number = listed_.find(name);
    if (number == listed_.end())
      throw EntryTableError(at(d.file, d.line) + name + " is not in the module's object list");
    if (auto [it, fresh] = objects_.emplace(name, Declared{&d, d.file, {}}); !fresh)
      throw EntryTableError(at(d.file, d.line) + name + " is declared twice (also " + it->second.file + ":" +
                            std::to_string(it->second.declaration->line) + ")");
  }

  void add_to_group(const Declaration& d) {
    const std::string& group = d.args[0];
    if (objects_.contains(group))
      throw EntryTableError(at(d.file, d.line) + "shared group " + group + " has the name of an object");
    auto [it, fresh] = groups_.emplace(group, Declared{nullptr, d.file, {}});
    if (!fresh && it->second.file != d.file)
      throw EntryTableError(at(d.file, d.line) + "shared group " + group + " is declared in " +
                            it->second.file);
    it->second.scripts.push_back(&d);
  }

  void add_to_object(const Declaration& d) {
    const std::string& name = d.args[0];
    auto it = objects_.find(name);
    if (it == objects_.end()) throw EntryTableError(at(d.file, d.line) + name + " is not a declared object");
    if (it->second.file != d.file)
      throw EntryTableError(at(d.file, d.line) + "a script of " + name + " outside " + it->second.file +
                            ", which declares it");
    if (d.macro == "SPARESTOCK_SHARES" && !groups_.contains(d.args[1]))
      throw EntryTableError(at(d.file, d.line) + d.args[1] + " is not a shared group");
    it->second.scripts.push_back(&d);
  }

  // The control numbers of an object: its ancestor's (when the ancestor is an object of the
  // module), then its own controls in the order its declarations first name them.
  std::map<std::string, int> controls_of(const std::string& name, std::vector<std::string>& path) {
    if (std::find(path.begin(), path.end(), name) != path.end()) {
      const Declaration& d = *objects_.at(name).declaration;
      throw EntryTableError(at(d.file, d.line) + "the ancestry of " + name + " loops");
    }
    path.push_back(name);
    const Declared& o = objects_.at(name);
    std::map<std::string, int> controls;
    const std::string& ancestor = o.declaration->args.size() > 1 ? o.declaration->args[1] : "";
    if (objects_.contains(ancestor)) controls = controls_of(ancestor, path);
    int next = 1;
    for (const auto& [control, number] : controls) next = std::max(next, number + 1);
    for (const Declaration* s : expanded(o)) {
      std::string control = control_and_event(*s).first;
      if (!control.empty() && !controls.contains(control)) controls[control] = next++;
    }
    path.pop_back();
    return controls;
  }

  // An object's script declarations with each SHARES line replaced by its group's scripts.
  std::vector<const Declaration*> expanded(const Declared& o) const {
    std::vector<const Declaration*> out;
    for (const Declaration* s : o.scripts) {
      if (s->macro != "SPARESTOCK_SHARES") {
        out.push_back(s);
        continue;
      }
      for (const Declaration* g : groups_.at(s->args[1]).scripts) out.push_back(g);
    }
    return out;
  }

  Object number_object(const std::string& name, const Declared& o) {
    const Declaration& d = *o.declaration;
    const std::string kind = macros().at(d.macro).kind;
    Object object{name, kind, d.args.size() > 1 ? d.args[1] : "", listed_.at(name), {}};
    std::vector<std::string> path;
    std::map<std::string, int> controls = controls_of(name, path);
    std::map<int, int> next_script;  // per control number
    std::map<std::pair<std::string, std::string>, const Declaration*> seen;
    for (const std::string& event : implicit_scripts(kind)) {
      object.scripts.push_back({0, next_script[0]++, "", event, ""});
      seen[{"", event}] = &d;
    }
    for (const Declaration* s : expanded(o)) {
      auto [control, event] = control_and_event(*s);
      if (auto [it, fresh] = seen.emplace(std::pair{control, event}, s); !fresh) {
        const Declaration& first = *it->second;
        throw EntryTableError(at(s->file, s->line) + name + " declares " +
                              (control.empty() ? "" : control + ".") + event + " twice (also " + first.file +
                              ":" + std::to_string(first.line) + ")");
      }
      int c = control.empty() ? 0 : controls.at(control);
      if (!next_script.contains(c)) next_script[c] = 1;
      bool shared = s->macro.starts_with("SPARESTOCK_SHARED_");
      object.scripts.push_back({c, next_script[c]++, control, event, shared ? s->args[0] : ""});
    }
    std::stable_sort(object.scripts.begin(), object.scripts.end(), [](const Script& a, const Script& b) {
      return std::pair{a.control, a.number} < std::pair{b.control, b.number};
    });
    return object;
  }

  std::map<std::string, int> listed_;
  std::map<std::string, Declared> objects_;
  std::map<std::string, Declared> groups_;
};

std::string quoted(const std::string& s) { return "\"" + s + "\""; }

std::string entry_name(const Object& o, const Script& s) {
  return "__fn_" + std::to_string(o.number) + "_" + std::to_string(s.control) + "_" + std::to_string(s.number);
}

std::string joined(std::initializer_list<std::string> parts) {
  std::string out;
  for (const auto& p : parts) {
    if (p.empty()) continue;
    if (!out.empty()) out += "_";
    out += p;
  }
  return out;
}

}  // namespace

std::vector<Object> number_objects(const std::vector<std::string>& object_list,
                                   const std::vector<Declaration>& declarations) {
  return Numbering(object_list, declarations).objects();
}

std::string header(const std::vector<Object>& objects) {
  std::ostringstream out;
  std::set<std::string> names;
  auto define = [&](const std::string& name, const std::string& value) {
    if (!names.insert(name).second)
      throw EntryTableError("generated name " + name + " would stand for two declarations; rename one");
    out << "#define " << name << " " << value << "\n";
  };
  out << "#pragma once\n"
         "// The module's entry numbers, generated from its declarations by the build (entry_tables);\n"
         "// edit the declarations or the object list, not this file.\n";
  for (const Object& o : objects) {
    out << "\n// " << o.kind << " " << o.name << (o.ancestor.empty() ? "" : " : " + o.ancestor) << "\n";
    define("SPARESTOCK_NUMBER_" + o.name, std::to_string(o.number));
    // One script or entry a line, continued.
    std::string table;
    for (const Script& s : o.scripts) {
      table += table.empty() ? "\\\n    " : ", \\\n    ";
      table += "{" + std::to_string(s.control) + ", " + std::to_string(s.number) + ", " +
               quoted(s.control_name) + ", " + quoted(s.event) + "}";
    }
    define("SPARESTOCK_SCRIPTS_" + o.name, table);
    std::map<std::string, std::string> shares;  // group -> its entries for this object
    for (const Script& s : o.scripts) {
      if (s.group.empty()) {
        define("SPARESTOCK_ENTRY_" + joined({o.name, s.control_name, s.event}), entry_name(o, s));
      } else {
        shares[s.group] += " \\\n    SPARESTOCK_SHARED_ENTRY(" + entry_name(o, s) + ", " +
                           joined({"sparestock_shared", s.group, s.control_name, s.event}) + ", " + o.name +
                           ")";
      }
    }
    for (const auto& [group, entries] : shares)
      define("SPARESTOCK_SHARES_" + o.name + "_" + group, entries.substr(1));
  }
  return out.str();
}

}  // namespace sparestock::entry_tables
