#pragma once
// The fields of a protocol request, checked against what its op declares before anything runs.
//
// Each op lists its fields with a type and whether they are required. `check_fields` refuses a
// request whose declared fields have the wrong type or lie outside their range, or that lacks a
// required field, with a message naming the field; after it, `Fields` reads them without
// further checks failing. Fields an op does not declare are ignored. A null counts as absent.

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace sparestock::driver {

enum class FieldType {
  Text,         // a string
  WholeNumber,  // a number without fraction, from `min` to `max` (3.0 counts, 3.5 and "3" do not)
  Flag,         // true or false
  Object,       // a JSON object
  WindowRef,    // a window class name (string) or a window id (whole number from 1)
  NameList,     // an array of strings
};

// Bounds of whole numbers: rows, counts and ids fit an int.
constexpr long kMaxWholeNumber = INT32_MAX;

struct FieldDecl {
  std::string_view name;
  FieldType type = FieldType::Text;
  bool required = false;
  long min = 0;  // WholeNumber only
  long max = kMaxWholeNumber;
};

// `value` as a whole number from `min` to `max`; nullopt for anything else (a string, a
// fraction, a number out of range).
std::optional<long> whole_number(const nlohmann::json& value, long min = std::numeric_limits<long>::min(),
                                 long max = std::numeric_limits<long>::max());

// Throws ui::RequestError for the first declared field that is missing or malformed.
void check_fields(const std::vector<FieldDecl>& declarations, const nlohmann::json& request);

// The fields of a checked request. Reading a field the op declares as optional, and the request
// leaves out, through a getter without default throws the "is missing" error: some fields are
// required only for one form of an op (`row` for the grid action `setrow`).
class Fields {
 public:
  // Checks the request (see check_fields); `declarations` and `request` must outlive this object.
  Fields(const std::vector<FieldDecl>& declarations, const nlohmann::json& request);

  bool has(std::string_view name) const;
  std::string text(std::string_view name) const;
  std::string text_or(std::string_view name, std::string fallback) const;
  long whole(std::string_view name) const;
  long whole_or(std::string_view name, long fallback) const;
  bool flag_or(std::string_view name, bool fallback) const;
  // The window a request names: its class name, or its id as text.
  std::string window() const;
  // An Object or NameList field as sent; null when absent.
  const nlohmann::json& raw(std::string_view name) const;

 private:
  const FieldDecl& declared(std::string_view name) const;
  // The field's value, nullptr when absent; `type` must be the declared one.
  const nlohmann::json* find(std::string_view name, FieldType type) const;

  const std::vector<FieldDecl>& declarations_;
  const nlohmann::json& request_;
};

}  // namespace sparestock::driver
