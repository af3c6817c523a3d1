#include "host/grid/print.h"

#include "host/grid/grid.h"

namespace sparestock::grid {

int RecordingPrintService::print(PrintJob job) {
  jobs_.push_back(std::move(job));
  return 1;
}

std::vector<PrintJob> RecordingPrintService::take_jobs() {
  std::vector<PrintJob> out;
  out.swap(jobs_);
  return out;
}

}  // namespace sparestock::grid
