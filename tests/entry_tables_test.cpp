// Numbering a module's entry points from its declarations: what the scanner reads as a
// declaration, the numbering rules, and the declarations it refuses.

#include <gtest/gtest.h>

#include "tools/entry_tables.h"

namespace sparestock::entry_tables {
namespace {

// "MACRO(a,b)@line" per declaration, separated by blanks.
std::string scanned(std::string_view source) {
  std::string out;
  for (const Declaration& d : scan(source, "f.cpp")) {
    if (!out.empty()) out += " ";
    out += d.macro.substr(std::string_view("SPARESTOCK_").size()) + "(";
    for (size_t i = 0; i < d.args.size(); ++i) out += (i ? "," : "") + d.args[i];
    out += ")@" + std::to_string(d.line);
  }
  return out;
}

TEST(EntryTables, ScanReadsDeclarationsAndNothingElse) {
  struct Case {
    const char* what;
    const char* source;
    const char* expected;
  };
  for (const Case& c : std::vector<Case>{
           {"object and scripts", "SPARESTOCK_WINDOW(w_a, w_spmm)\nSPARESTOCK_SCRIPT(w_a, open, open())\n",
            "WINDOW(w_a,w_spmm)@1 SCRIPT(w_a,open)@2"},
           {"a plain window has no ancestor", "SPARESTOCK_WINDOW(w_p, )", "WINDOW(w_p,)@1"},
           {"the call may span lines and hold commas",
            "SPARESTOCK_CONTROL_SCRIPT(w_a, dw_edit, editchanged,\n  f(row(args), g(args).column, \")\"))\n"
            "SPARESTOCK_GRID(d_x)",
            "CONTROL_SCRIPT(w_a,dw_edit,editchanged)@1 GRID(d_x)@3"},
           {"line comment", "// SPARESTOCK_GRID(d_x)\nSPARESTOCK_GRID(d_y)", "GRID(d_y)@2"},
           {"block comment", "/* SPARESTOCK_GRID(d_x)\n SPARESTOCK_GRID(d_z) */ SPARESTOCK_GRID(d_y)",
            "GRID(d_y)@2"},
           {"a macro's own definition",
            "#define SPARESTOCK_GRID(name) \\\n  SPARESTOCK_HELP(name)\nSPARESTOCK_GRID(d_y)", "GRID(d_y)@3"},
           {"string literal", "const char* s = \"SPARESTOCK_GRID(d_x)\"; SPARESTOCK_GRID(d_y)", "GRID(d_y)@1"},
           {"raw string with quotes and parentheses",
            "auto q = R\"sql(select \"a\" from t where f(x) = ')'\n)\" )sql\";\nSPARESTOCK_GRID(d_y)",
            "GRID(d_y)@3"},
           {"character literals and digit separators", "int n = 1'000; char c = '('; SPARESTOCK_GRID(d_y)",
            "GRID(d_y)@1"},
           {"a name that is no call", "auto p = &SPARESTOCK_GRID; SPARESTOCK_GRIDS(d_x)", ""},
       }) {
    EXPECT_EQ(scanned(c.source), c.expected) << c.what;
  }
}

TEST(EntryTables, ScanRefusesMalformedDeclarations) {
  struct Case {
    const char* source;
    const char* expected;
  };
  for (const Case& c : std::vector<Case>{
           {"\nSPARESTOCK_WINDOW(\"w_a\", w_spmm)", "f.cpp:2: SPARESTOCK_WINDOW: argument 1 is not a name"},
           {"SPARESTOCK_CONTROL_SCRIPT(w_a, cb_1 + 1, clicked, f())",
            "f.cpp:1: SPARESTOCK_CONTROL_SCRIPT: argument 2 is not a name"},
           {"SPARESTOCK_SCRIPT(w_a, open)", "f.cpp:1: SPARESTOCK_SCRIPT takes 2 names and a call"},
           {"SPARESTOCK_SCRIPT(w_a, open, )", "f.cpp:1: SPARESTOCK_SCRIPT: the call is missing"},
           {"SPARESTOCK_GRID(d_a, d_b)", "f.cpp:1: SPARESTOCK_GRID takes a name"},
           {"SPARESTOCK_GRID(, )", "f.cpp:1: SPARESTOCK_GRID takes a name"},
           {"SPARESTOCK_STRUCTURE()", "f.cpp:1: SPARESTOCK_STRUCTURE: argument 1 is not a name"},
           {"SPARESTOCK_GRID(d_a\n", "f.cpp:1: SPARESTOCK_GRID: parenthesis does not close"},
           {"/* SPARESTOCK_GRID(d_a)", "f.cpp:1: comment does not end"},
       }) {
    try {
      scan(c.source, "f.cpp");
      ADD_FAILURE() << c.source << " scanned";
    } catch (const EntryTableError& e) {
      EXPECT_EQ(std::string(e.what()), c.expected) << c.source;
    }
  }
}

// Numbers the declarations of several files against a list, and renders each object as
// "name number: control.script control_name.event ..." (the object itself has no name).
std::string numbered(const std::vector<std::string>& list,
                     const std::vector<std::pair<std::string, std::string>>& files) {
  std::vector<Declaration> all;
  for (const auto& [file, source] : files) {
    auto found = scan(source, file);
    all.insert(all.end(), found.begin(), found.end());
  }
  std::string out;
  for (const Object& o : number_objects(list, all)) {
    if (!out.empty()) out += "\n";
    out += o.name + " " + std::to_string(o.number) + ":";
    for (const Script& s : o.scripts)
      out += " " + std::to_string(s.control) + "." + std::to_string(s.number) + " " +
             (s.control_name.empty() ? "" : s.control_name + ".") + s.event;
  }
  return out;
}

TEST(EntryTables, NumbersFollowTheListAndTheDeclarations) {
  // Object numbers are the list's lines; w_b is listed but not declared and keeps number 2.
  // Controls are numbered as the object first names them, scripts per control from 1.
  EXPECT_EQ(numbered({"w_a", "w_b", "s_c"}, {{"a.cpp",
                                              "SPARESTOCK_WINDOW(w_a, w_spmm)\n"
                                              "SPARESTOCK_CONTROL_SCRIPT(w_a, cb_2, clicked, cb_2_clicked())\n"
                                              "SPARESTOCK_SCRIPT(w_a, open, open())\n"
                                              "SPARESTOCK_CONTROL_SCRIPT(w_a, dw_edit, clicked, c())\n"
                                              "SPARESTOCK_CONTROL_SCRIPT(w_a, cb_2, getfocus, g())\n"
                                              "SPARESTOCK_SCRIPT(w_a, gg, gg())\n"
                                              "SPARESTOCK_STRUCTURE(s_c)\n"}}),
            "w_a 1: 0.0 create 0.1 open 0.2 gg 1.1 cb_2.clicked 1.2 cb_2.getfocus 2.1 dw_edit.clicked\n"
            "s_c 3: 0.0 create 0.1 fields");

  // A descendant keeps its ancestor's control numbers, declared in another file; its own
  // controls follow the ancestor's highest. A user object's declared scripts follow destroy.
  EXPECT_EQ(numbered({"w_d", "w_a", "uo_x"}, {{"a.cpp",
                                               "SPARESTOCK_WINDOW(w_a, w_spmm)\n"
                                               "SPARESTOCK_CONTROL_SCRIPT(w_a, dw_edit, clicked, c())\n"
                                               "SPARESTOCK_CONTROL_SCRIPT(w_a, cb_1, clicked, c())\n"
                                               "SPARESTOCK_USEROBJECT(uo_x)\n"
                                               "SPARESTOCK_SCRIPT(uo_x, of_sort, of_sort())\n"
                                               "SPARESTOCK_CONTROL_SCRIPT(uo_x, rb_1, clicked, c())\n"},
                                              {"d.cpp",
                                               "SPARESTOCK_WINDOW(w_d, w_a)\n"
                                               "SPARESTOCK_CONTROL_SCRIPT(w_d, cb_9, clicked, c())\n"
                                               "SPARESTOCK_CONTROL_SCRIPT(w_d, cb_1, clicked, c())\n"
                                               "SPARESTOCK_CONTROL_SCRIPT(w_d, cb_8, clicked, c())\n"}}),
            "w_d 1: 0.0 create 2.1 cb_1.clicked 3.1 cb_9.clicked 4.1 cb_8.clicked\n"
            "w_a 2: 0.0 create 1.1 dw_edit.clicked 2.1 cb_1.clicked\n"
            "uo_x 3: 0.0 create 0.1 destroy 0.2 of_sort 1.1 rb_1.clicked");

  // A shared group's scripts stand where each object places the group.
  EXPECT_EQ(
      numbered({"w_a", "w_b", "w_c"}, {{"a.cpp",
                                        "SPARESTOCK_WINDOW(w_a, w_spmm)\n"
                                        "SPARESTOCK_CONTROL_SCRIPT(w_a, dw_edit, clicked, c())\n"
                                        "SPARESTOCK_CONTROL_SCRIPT(w_a, rb_3, clicked, c())\n"
                                        "SPARESTOCK_SHARED_CONTROL_SCRIPT(list, rb_3, clicked, c())\n"
                                        "SPARESTOCK_SHARED_CONTROL_SCRIPT(list, dw_edit, editchanged, c())\n"
                                        "SPARESTOCK_SHARED_SCRIPT(list, gg, gg())\n"
                                        "SPARESTOCK_WINDOW(w_b, w_a)\n"
                                        "SPARESTOCK_CONTROL_SCRIPT(w_b, cb_8, clicked, c())\n"
                                        "SPARESTOCK_SHARES(w_b, list)\n"
                                        "SPARESTOCK_WINDOW(w_c, w_spmm)\n"
                                        "SPARESTOCK_SHARES(w_c, list)\n"
                                        "SPARESTOCK_CONTROL_SCRIPT(w_c, dw_edit, clicked, c())\n"}}),
      "w_a 1: 0.0 create 1.1 dw_edit.clicked 2.1 rb_3.clicked\n"
      "w_b 2: 0.0 create 0.1 gg 1.1 dw_edit.editchanged 2.1 rb_3.clicked 3.1 cb_8.clicked\n"
      "w_c 3: 0.0 create 0.1 gg 1.1 rb_3.clicked 2.1 dw_edit.editchanged 2.2 dw_edit.clicked");
}

TEST(EntryTables, RefusesWhatCannotBeNumbered) {
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, std::string>> files;
    const char* expected;
  };
  const std::vector<std::string> list = {"w_a", "w_b", "w_c"};
  for (const Case& c : std::vector<Case>{
           {"not listed",
            {{"a.cpp", "SPARESTOCK_WINDOW(w_x, w_spmm)"}},
            "a.cpp:1: w_x is not in the module's object list"},
           {"declared twice",
            {{"a.cpp", "SPARESTOCK_WINDOW(w_a, w_spmm)"}, {"b.cpp", "\nSPARESTOCK_WINDOW(w_a, w_spmm)"}},
            "b.cpp:2: w_a is declared twice (also a.cpp:1)"},
           {"script of nothing",
            {{"a.cpp", "SPARESTOCK_SCRIPT(w_b, open, open())"}},
            "a.cpp:1: w_b is not a declared object"},
           {"script elsewhere",
            {{"a.cpp", "SPARESTOCK_WINDOW(w_a, w_spmm)"}, {"b.cpp", "SPARESTOCK_SCRIPT(w_a, open, open())"}},
            "b.cpp:1: a script of w_a outside a.cpp, which declares it"},
           {"event twice",
            {{"a.cpp",
              "SPARESTOCK_WINDOW(w_a, w_spmm)\nSPARESTOCK_CONTROL_SCRIPT(w_a, cb_1, clicked, f())\n"
              "SPARESTOCK_CONTROL_SCRIPT(w_a, cb_1, clicked, g())"}},
            "a.cpp:3: w_a declares cb_1.clicked twice (also a.cpp:2)"},
           {"create declared",
            {{"a.cpp", "SPARESTOCK_WINDOW(w_a, w_spmm)\nSPARESTOCK_SCRIPT(w_a, create, f())"}},
            "a.cpp:2: w_a declares create twice (also a.cpp:1)"},
           {"group and own script on one event",
            {{"a.cpp",
              "SPARESTOCK_SHARED_CONTROL_SCRIPT(g, cb_1, clicked, f())\nSPARESTOCK_WINDOW(w_a, w_spmm)\n"
              "SPARESTOCK_SHARES(w_a, g)\nSPARESTOCK_CONTROL_SCRIPT(w_a, cb_1, clicked, g())"}},
            "a.cpp:4: w_a declares cb_1.clicked twice (also a.cpp:1)"},
           {"unknown group",
            {{"a.cpp", "SPARESTOCK_WINDOW(w_a, w_spmm)\nSPARESTOCK_SHARES(w_a, list)"}},
            "a.cpp:2: list is not a shared group"},
           {"group named as an object",
            {{"a.cpp", "SPARESTOCK_WINDOW(w_a, w_spmm)\nSPARESTOCK_SHARED_SCRIPT(w_a, gg, gg())"}},
            "a.cpp:2: shared group w_a has the name of an object"},
           {"ancestry loops",
            {{"a.cpp", "SPARESTOCK_WINDOW(w_a, w_b)\nSPARESTOCK_WINDOW(w_b, w_a)"}},
            "a.cpp:1: the ancestry of w_a loops"},
       }) {
    try {
      std::string got = numbered(list, c.files);
      ADD_FAILURE() << c.what << " numbered: " << got;
    } catch (const EntryTableError& e) {
      EXPECT_EQ(std::string(e.what()), c.expected) << c.what;
    }
  }
}

TEST(EntryTables, ObjectListRefusesRepeatsAndNonNames) {
  EXPECT_EQ(read_object_list("# forms\nw_a\n\n  w_b  \n", "objects.txt"),
            (std::vector<std::string>{"w_a", "w_b"}));
  try {
    read_object_list("w_a\nw_b\nw_a\n", "objects.txt");
    ADD_FAILURE() << "a name listed twice was read";
  } catch (const EntryTableError& e) {
    EXPECT_EQ(std::string(e.what()), "objects.txt:3: w_a is listed twice");
  }
  EXPECT_THROW(read_object_list("w a\n", "objects.txt"), EntryTableError);
}

TEST(EntryTables, HeaderNamesEveryEntryOnce) {
  auto objects = [](const char* source) { return number_objects({"w_a", "w_b"}, scan(source, "a.cpp")); };
  std::string h = header(
      objects("SPARESTOCK_WINDOW(w_a, w_spmm)\nSPARESTOCK_SCRIPT(w_a, open, open())\n"
              "SPARESTOCK_SHARED_CONTROL_SCRIPT(list, cb_5, clicked, f())\n"
              "SPARESTOCK_WINDOW(w_b, w_a)\nSPARESTOCK_CONTROL_SCRIPT(w_b, cb_8, clicked, f())\n"
              "SPARESTOCK_SHARES(w_b, list)"));
  for (const char* line : {
           "#define SPARESTOCK_NUMBER_w_a 1\n",
           "#define SPARESTOCK_SCRIPTS_w_a \\\n    {0, 0, \"\", \"create\"}, \\\n    {0, 1, \"\", \"open\"}\n",
           "#define SPARESTOCK_ENTRY_w_a_create __fn_1_0_0\n",
           "#define SPARESTOCK_ENTRY_w_a_open __fn_1_0_1\n",
           "#define SPARESTOCK_ENTRY_w_b_cb_8_clicked __fn_2_1_1\n",
           "#define SPARESTOCK_SHARES_w_b_list \\\n    SPARESTOCK_SHARED_ENTRY(__fn_2_2_1, "
           "sparestock_shared_list_cb_5_clicked, w_b)\n",
       })
    EXPECT_NE(h.find(line), std::string::npos) << line << "in\n" << h;

  // Control b_c's event d and control b's event c_d would both be SPARESTOCK_ENTRY_w_a_b_c_d.
  EXPECT_THROW(header(objects("SPARESTOCK_WINDOW(w_a, w_spmm)\nSPARESTOCK_CONTROL_SCRIPT(w_a, b_c, d, f())\n"
                              "SPARESTOCK_CONTROL_SCRIPT(w_a, b, c_d, f())")),
               EntryTableError);
}

}  // namespace
}  // namespace sparestock::entry_tables
