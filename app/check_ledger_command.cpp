// `sparestock check-ledger --db TARGET --company C`: checks the company's vouchers in both
// journals against each other, their numbering and the cost revision log (cost_revision/
// ledger_check.h lists the rules). Prints one line per problem, "rule<TAB>voucher<TAB>detail",
// then a summary; exit status 0 when the ledger is sound, 1 when a problem was found or the
// database could not be read.

#include <fmt/format.h>

#include <iostream>
#include <memory>

#include "app/commands.h"
#include "cost_revision/ledger_check.h"
#include "host/db/transaction.h"

namespace sparestock::app {

void add_check_ledger_command(CLI::App& app, int& exit_code) {
  struct Options {
    std::string db, company;
  };
  auto options = std::make_shared<Options>();
  auto* cmd = app.add_subcommand("check-ledger",
                                 "check the vouchers of a company against both journals, "
                                 "their numbering and the cost revision log");
  cmd->add_option("--db", options->db, "SQLite file or postgresql:// URI")->required();
  cmd->add_option("--company", options->company, "company number (cgsh)")->required();
  cmd->callback([options, &exit_code] {
    db::Transaction t("check");
    if (t.connect(options->db) != 0) {
      std::cerr << "sparestock check-ledger: cannot open " << options->db << ": " << t.sqlerrtext << "\n";
      exit_code = 1;
      return;
    }
    cost_revision::LedgerReport report = cost_revision::check_ledger(t, options->company);
    if (!report.error.empty()) {
      std::cerr << "sparestock check-ledger: " << report.error << "\n";
      exit_code = 1;
      return;
    }
    for (const auto& p : report.problems)
      std::cout << p.rule << "\t" << p.voucher << "\t" << p.detail << "\n";
    std::cout << fmt::format("company {}: {} vouchers, {} problems\n", options->company, report.vouchers,
                             report.problems.size());
    exit_code = report.ok() ? 0 : 1;
  });
}

}  // namespace sparestock::app
