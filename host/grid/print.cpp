#include "host/grid/print.h"

#include "host/grid/grid.h"

#include <algorithm>
#include <charconv>

#include "host/base/text.h"

namespace sparestock::grid {

std::unique_ptr<Grid> in_group_order(const Grid& g) {
  auto copy = g.snapshot();
  const auto& def = g.definition();
  if (!def.groups.empty()) {
    std::string sort;
    for (const auto& group : def.groups)
      for (const auto& by : group.by) sort += (sort.empty() ? "" : ", ") + by + " A";
    if (copy->setsort(sort) == 1) copy->sort();
  }
  return copy;
}

const std::string* PrintSettings::text(std::string_view name) const {
  for (const auto& [n, v] : texts)
    if (text::iequals(n, name)) return &v;
  return nullptr;
}

void PrintSettings::set_text(std::string name, std::string value) {
  for (auto& [n, v] : texts) {
    if (text::iequals(n, name)) {
      v = std::move(value);
      return;
    }
  }
  texts.emplace_back(std::move(name), std::move(value));
}

namespace {

// A page number of a range; nullopt for anything but digits, or 0.
std::optional<int> page_number(std::string_view s) {
  s = text::trim(s);
  int n = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), n);
  if (s.empty() || ec != std::errc() || end != s.data() + s.size() || n < 1) return std::nullopt;
  return n;
}

}  // namespace

std::optional<std::vector<int>> parse_page_range(std::string_view range, int page_count) {
  std::vector<int> pages;
  if (text::trim(range).empty()) {
    for (int p = 1; p <= page_count; ++p) pages.push_back(p);
    return pages;
  }
  for (const auto& part : text::split(range, ',')) {
    size_t dash = part.find('-');
    std::optional<int> from, to;
    if (dash == std::string::npos) {
      from = to = page_number(part);
    } else {
      from = page_number(part.substr(0, dash));
      std::string_view rest = text::trim(std::string_view(part).substr(dash + 1));
      // "2-": from page 2 to the last.
      if (!from) return std::nullopt;
      to = rest.empty() ? std::optional<int>(std::max(page_count, *from)) : page_number(rest);
    }
    if (!from || !to || *to < *from) return std::nullopt;
    for (int p = *from; p <= std::min(*to, page_count); ++p) pages.push_back(p);
  }
  std::sort(pages.begin(), pages.end());
  pages.erase(std::unique(pages.begin(), pages.end()), pages.end());
  return pages;
}

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
