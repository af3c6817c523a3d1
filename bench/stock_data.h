#pragma once
// Generated stock data for the grid benchmarks: a SQLite database with `rows` stock records of
// company 01 that d_bj704_002 lists (and a few of company 02 that it must leave out), parts
// with the shapes real part numbers have (a main-group prefix, a blank at position 5 now and
// then, a few shorter than five characters, a few stock rows of parts missing from the parts
// master), Chinese part names with their pinyin codes. The same size gives the same data.

#include <string>

namespace sparestock::bench {

// Path of the database, generated on first use (kept under the temporary folder and reused
// while its content matches).
std::string stock_database(long rows);

}  // namespace sparestock::bench
