// `sparestock gg`: the stock search of the enquiry forms from the shell. Prints the filter the
// search would set on the stock grid, or the message with which it refuses a code. Codes are
// checked against a database only when --db and --company are given.

#include <iostream>
#include <memory>
#include <string>

#include "app/commands.h"
#include "host/db/transaction.h"
#include "stock_enquiry/filter_builder.h"

namespace sparestock::app {

namespace {

struct GgOptions {
  std::string variant = "A";
  int mode = 1;
  std::string text;
  std::string popup;
  std::string warehouse;
  std::string rule = "main";
  std::string common;
  std::string db;
  std::string company;
};

int run_gg(const GgOptions& o) {
  const auto variant = o.variant == "A" ? stock_enquiry::Variant::A : stock_enquiry::Variant::B;
  stock_enquiry::SearchInputs in;
  in.xlh = o.mode;
  in.text = o.text;
  in.ls_cph = o.popup;
  in.ls_parm = o.warehouse;
  in.rb_4_checked = o.rule == "main";
  in.ddlb_1_text = o.common;

  stock_enquiry::SearchOutcome out;
  if (o.db.empty()) {
    out = stock_enquiry::plan_search(variant, in);
  } else {
    db::Transaction sqlca;
    if (sqlca.connect(o.db) != 0) {
      std::cerr << "sparestock gg: cannot connect to " << o.db << ": " << sqlca.sqlerrtext << "\n";
      return 1;
    }
    out = stock_enquiry::build_search(variant, in, sqlca, o.company);
    sqlca.disconnect();
  }

  if (out.kind == stock_enquiry::SearchOutcome::Kind::Message) {
    std::cout << "message: " << out.message << "\n";
  } else {
    // A search that sets no filter (a mode outside 1..7) leaves the grid's filter; the modes
    // accepted here always set one.
    std::cout << "filter: " << out.filter << "\n";
  }
  return 0;
}

}  // namespace

void add_gg_command(CLI::App& app, int& exit_code) {
  auto options = std::make_shared<GgOptions>();
  CLI::App* cmd = app.add_subcommand("gg", "Show the filter a stock search builds");
  cmd->add_option("--variant", options->variant,
                  "A: stock enquiry (w_bj704_001); B: its descendants and the cost revision")
      ->required()
      ->check(CLI::IsMember({"A", "B"}));
  cmd->add_option("--mode", options->mode,
                  "query mode: 1 part number, 2 name, 3 pinyin code, 4 common parts, "
                  "5 category, 6 warehouse, 7 vehicle model")
      ->required()
      ->check(CLI::Range(1, 7));
  cmd->add_option("--text", options->text, "the typed search text (sle_1)");
  cmd->add_option("--popup", options->popup, "part number chosen in the part-number popup");
  cmd->add_option("--warehouse", options->warehouse, "warehouse the form was opened with");
  cmd->add_option("--rule", options->rule, "part-number matching rule")->check(CLI::IsMember({"main", "full"}));
  cmd->add_option("--common", options->common, "mode 4: the drop-down text (常用 or 不常用)");
  auto* db = cmd->add_option("--db", options->db,
                             "database to check codes against (SQLite file or postgresql:// URI)");
  auto* company = cmd->add_option("--company", options->company, "company number for the checks");
  db->needs(company);
  company->needs(db);
  cmd->callback([options, &exit_code] { exit_code = run_gg(*options); });
}

}  // namespace sparestock::app
