#include "host/driver/request_fields.h"

#include <cmath>

#include <fmt/format.h>

#include "host/ui/session.h"

namespace sparestock::driver {

using nlohmann::json;
using ui::RequestError;

namespace {

// What a field of each type holds, for "is missing" messages.
std::string_view what_it_holds(FieldType type) {
  switch (type) {
    case FieldType::Text: return "a string";
    case FieldType::WholeNumber: return "a whole number";
    case FieldType::Flag: return "true or false";
    case FieldType::Object: return "an object";
    case FieldType::WindowRef: return "a class name or an id";
    case FieldType::NameList: return "a list of names";
  }
  return "a value";
}

std::string missing(const FieldDecl& f) {
  return fmt::format("field \"{}\" ({}) is missing", f.name, what_it_holds(f.type));
}

// Whether `value` is a proper value of the field; the reason when it is not.
std::string malformed(const FieldDecl& f, const json& value) {
  switch (f.type) {
    case FieldType::Text:
      if (value.is_string()) return {};
      return fmt::format("field \"{}\" must be a string", f.name);
    case FieldType::WholeNumber:
      if (whole_number(value, f.min, f.max)) return {};
      return fmt::format("field \"{}\" must be a whole number from {} to {}", f.name, f.min, f.max);
    case FieldType::Flag:
      if (value.is_boolean()) return {};
      return fmt::format("field \"{}\" must be true or false", f.name);
    case FieldType::Object:
      if (value.is_object()) return {};
      return fmt::format("field \"{}\" must be an object", f.name);
    case FieldType::WindowRef:
      if (value.is_string() || whole_number(value, 1, kMaxWholeNumber)) return {};
      return fmt::format("field \"{}\" must be a class name or a window id from 1 to {}", f.name,
                         kMaxWholeNumber);
    case FieldType::NameList:
      if (value.is_array()) {
        bool names = true;
        for (const auto& item : value) names = names && item.is_string();
        if (names) return {};
      }
      return fmt::format("field \"{}\" must be a list of names", f.name);
  }
  return {};
}

}  // namespace

std::optional<long> whole_number(const json& value, long min, long max) {
  long n = 0;
  if (value.is_number_unsigned()) {
    auto u = value.get<uint64_t>();
    if (u > static_cast<uint64_t>(std::numeric_limits<long>::max())) return std::nullopt;
    n = static_cast<long>(u);
  } else if (value.is_number_integer()) {
    n = value.get<long>();
  } else if (value.is_number_float()) {
    // JSON does not tell 3 from 3.0; a fraction, an infinity or a number beyond a long is no
    // whole number (converting those would be undefined).
    double d = value.get<double>();
    constexpr double kTwoTo63 = 9223372036854775808.0;
    if (!std::isfinite(d) || std::trunc(d) != d || d < -kTwoTo63 || d >= kTwoTo63) return std::nullopt;
    n = static_cast<long>(d);
  } else {
    return std::nullopt;
  }
  if (n < min || n > max) return std::nullopt;
  return n;
}

void check_fields(const std::vector<FieldDecl>& declarations, const json& request) {
  for (const FieldDecl& f : declarations) {
    auto it = request.find(f.name);
    if (it == request.end() || it->is_null()) {
      if (f.required) throw RequestError(missing(f));
      continue;
    }
    if (std::string reason = malformed(f, *it); !reason.empty()) throw RequestError(reason);
  }
}

Fields::Fields(const std::vector<FieldDecl>& declarations, const json& request)
    : declarations_(declarations), request_(request) {
  check_fields(declarations, request);
}

const FieldDecl& Fields::declared(std::string_view name) const {
  for (const FieldDecl& f : declarations_)
    if (f.name == name) return f;
  // A handler reading a field its op does not declare is a fault of the op table.
  throw std::logic_error(fmt::format("field \"{}\" is not declared for this op", name));
}

const json* Fields::find(std::string_view name, FieldType type) const {
  if (declared(name).type != type)
    throw std::logic_error(fmt::format("field \"{}\" is read as another type than declared", name));
  auto it = request_.find(name);
  return it == request_.end() || it->is_null() ? nullptr : &*it;
}

bool Fields::has(std::string_view name) const {
  auto it = request_.find(declared(name).name);
  return it != request_.end() && !it->is_null();
}

std::string Fields::text(std::string_view name) const {
  const json* v = find(name, FieldType::Text);
  if (!v) throw RequestError(missing(declared(name)));
  return v->get<std::string>();
}

std::string Fields::text_or(std::string_view name, std::string fallback) const {
  const json* v = find(name, FieldType::Text);
  return v ? v->get<std::string>() : std::move(fallback);
}

long Fields::whole(std::string_view name) const {
  const json* v = find(name, FieldType::WholeNumber);
  if (!v) throw RequestError(missing(declared(name)));
  return *whole_number(*v);
}

long Fields::whole_or(std::string_view name, long fallback) const {
  const json* v = find(name, FieldType::WholeNumber);
  return v ? *whole_number(*v) : fallback;
}

bool Fields::flag_or(std::string_view name, bool fallback) const {
  const json* v = find(name, FieldType::Flag);
  return v ? v->get<bool>() : fallback;
}

std::string Fields::window() const {
  const json* v = find("window", FieldType::WindowRef);
  if (!v) throw RequestError(missing(declared("window")));
  return v->is_string() ? v->get<std::string>() : std::to_string(*whole_number(*v));
}

const json& Fields::raw(std::string_view name) const {
  static const json kAbsent;
  auto it = request_.find(declared(name).name);
  const json* v = it == request_.end() || it->is_null() ? nullptr : &*it;
  return v ? *v : kAbsent;
}

}  // namespace sparestock::driver
