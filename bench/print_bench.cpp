// Printing benchmark: 10,000 rows of the printed stock list d_bj704_004 (eight warehouses,
// Chinese part names) rendered to a PDF by the print service, against the same rows written as
// plain text (each shown column under its display format, tab-separated) in the same run.
// Counters: pdf_ms and text_ms per print, and pdf_per_text, the ratio of the two.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "bench/measure.h"
#include "host/base/text.h"
#include "host/grid/display_format.h"
#include "host/grid/grid.h"
#include "host/lib/pdf_print.h"

namespace sparestock::bench {
namespace {

constexpr long kRows = 10000;

std::unique_ptr<grid::Grid> stock_list() {
  auto g = std::make_unique<grid::Grid>();
  g->set_dataobject("d_bj704_004");
  const char* names[] = {"活塞",   "活塞环", "机油滤清器", "空气滤清器",
                         "火花塞", "刹车片", "离合器片",   "水泵总成"};
  for (long r = 1; r <= kRows; ++r) {
    g->insertrow(0);
    char part[32];
    std::snprintf(part, sizeof part, "JL%02ld %04ld", r % 37, r);
    char warehouse[8];
    std::snprintf(warehouse, sizeof warehouse, "%02ld", r % 8 + 1);
    auto dec = [](const std::string& s) { return db::Value(db::Decimal::parse(s).value()); };
    g->setitem(r, "dbj030_ccph", db::Value(std::string(part)));
    g->setitem(r, "dbj002_ccpmc", db::Value(std::string(names[r % 8])));
    g->setitem(r, "dbj002_cjldw", db::Value(std::string("个")));
    g->setitem(r, "dbj030_ckh", db::Value(std::string(warehouse)));
    g->setitem(r, "dbj030_nkcsl", dec(std::to_string(r % 97)));
    g->setitem(r, "nkykc", dec(std::to_string(r % 89)));
    g->setitem(r, "dbj002_ncgdj", dec("12.50"));
    g->setitem(r, "dbj002_nwxdj", dec("15.00"));
    g->setitem(r, "dbj002_nckdj", dec("13.75"));
    g->setitem(r, "dbj030_ndj", dec("11.20"));
    g->setitem(r, "compute_0022", dec(std::to_string(r % 97) + ".40"));
    g->setitem(r, "dbj030_ckqh", db::Value(std::string("A1")));
    g->setitem(r, "dbj030_ckwh", db::Value(std::string("A1-") + std::to_string(r % 50)));
  }
  return g;
}

// The same rows as text: the printed columns under their display formats.
void write_text(const grid::Grid& g, const std::string& path) {
  std::ofstream out(path, std::ios::binary);
  const auto& def = g.definition();
  std::string line;
  for (long r = 1; r <= g.rowcount(); ++r) {
    line.clear();
    for (const auto& name : def.print_columns) {
      auto v = g.getitem(r, name);
      int c = g.column_index(name);
      line += text::trim_trailing(
          grid::column_display(def.columns[static_cast<size_t>(c)], v.value_or(db::Value())));
      line += '\t';
    }
    line += '\n';
    out << line;
  }
}

void BM_PrintStockList(benchmark::State& state) {
  auto g = stock_list();
  auto dir = std::filesystem::temp_directory_path() / "sparestock-print-bench";
  std::filesystem::create_directories(dir);
  std::string pdf = (dir / "list.pdf").string(), txt = (dir / "list.txt").string();
  double pdf_ms = 0, text_ms = 0;
  int pages = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    pages = lib::print_pdf(*g, {}, pdf);
    pdf_ms += ms_since(start);
    start = std::chrono::steady_clock::now();
    write_text(*g, txt);
    text_ms += ms_since(start);
  }
  double n = static_cast<double>(state.iterations());
  state.counters["pdf_ms"] = pdf_ms / n;
  state.counters["text_ms"] = text_ms / n;
  state.counters["pdf_per_text"] = text_ms > 0 ? pdf_ms / text_ms : 0;
  state.counters["pages"] = pages;
  state.counters["pdf_kb"] = static_cast<double>(std::filesystem::file_size(pdf)) / 1024;
  std::filesystem::remove_all(dir);
}

BENCHMARK(BM_PrintStockList)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace sparestock::bench
