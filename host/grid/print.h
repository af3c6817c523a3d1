#pragma once
// The print service: what a grid's print() hands its rows to. A job carries a copy of the grid
// with its rows as they stood (shown rows, in the order shown), so that whatever renders it
// later (on paper, as PDF) sees exactly what was printed, whatever happens to the grid after.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sparestock::grid {

class Grid;

// A grid's print properties, set by the print dialog or the form before print(): how many
// copies, which pages, and the texts the form fills in on the page (t_1, t_2, ...).
struct PrintSettings {
  int copies = 1;
  std::string page_range;  // "1-3,5"; empty: every page
  // band text name -> text printed, for the texts a definition leaves empty (t_1, t_2)
  std::vector<std::pair<std::string, std::string>> texts;
  // The text set for a band item, or nullptr.
  const std::string* text(std::string_view name) const;
  void set_text(std::string name, std::string value);
};

// The pages of a page range ("1-3,5", "2-", "7"), 1-based, ascending, each once, none above
// `page_count`. Empty text: every page. nullopt for text that is not a page range.
std::optional<std::vector<int>> parse_page_range(std::string_view range, int page_count);

// A copy of the grid's shown rows in the order a list with groups is read: sorted by the group
// columns first, stable, so each group comes once with its trailer, in the order shown inside
// it. A grid without groups keeps its order. Printing and saving a list both read this order.
std::unique_ptr<Grid> in_group_order(const Grid& g);

struct PrintJob {
  std::string window;                // the window that holds the grid, when known
  std::string control;               // the grid control ("dw_1")
  std::string dataobject;            // its definition ("d_bj704_004")
  long rows = 0;                     // rows printed
  std::shared_ptr<const Grid> grid;  // the copy to render
  PrintSettings settings;            // copies, pages, texts as set on the grid
  long pages = 0;                    // pages rendered, once rendered (each copy counted once)
  std::string file;                  // where the rendering went, once there is one
};

class PrintService {
 public:
  virtual ~PrintService() = default;
  // 1 when the job was accepted, -1 otherwise.
  virtual int print(PrintJob job) = 0;
};

// Keeps every job, in order (the automation protocol reports them; tests read them).
class RecordingPrintService : public PrintService {
 public:
  int print(PrintJob job) override;
  const std::vector<PrintJob>& jobs() const { return jobs_; }
  // The jobs since the last call, removed from the record.
  std::vector<PrintJob> take_jobs();

 private:
  std::vector<PrintJob> jobs_;
};

}  // namespace sparestock::grid
