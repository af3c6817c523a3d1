#pragma once
// The print service: what a grid's print() hands its rows to. A job carries a copy of the grid
// with its rows as they stood (shown rows, in the order shown), so that whatever renders it
// later (on paper, as PDF) sees exactly what was printed, whatever happens to the grid after.

#include <memory>
#include <string>
#include <vector>

namespace sparestock::grid {

class Grid;

struct PrintJob {
  std::string window;                // the window that holds the grid, when known
  std::string control;               // the grid control ("dw_1")
  std::string dataobject;            // its definition ("d_bj704_004")
  long rows = 0;                     // rows printed
  std::shared_ptr<const Grid> grid;  // the copy to render
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
