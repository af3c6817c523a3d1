#pragma once
// Character encodings of files the program reads and writes: UTF-8, the program's own, and
// GBK, the encoding of older Chinese systems' exports and of spreadsheets saved on Chinese
// Windows. Conversion goes through the C library's iconv.

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace sparestock::text {

enum class Encoding { Utf8, Gbk };

// "utf-8", "utf8", "gbk" in any case; nullopt for anything else.
std::optional<Encoding> parse_encoding(std::string_view name);
std::string_view encoding_name(Encoding e);  // "utf-8", "gbk"

// Text that is not valid in its encoding, or a character that the target encoding lacks.
// offset: the byte of the input where the fault starts.
class EncodingError : public std::runtime_error {
 public:
  EncodingError(std::string message, size_t offset)
      : std::runtime_error(std::move(message)), offset_(offset) {}
  size_t offset() const { return offset_; }

 private:
  size_t offset_;
};

// GBK bytes as UTF-8. Throws EncodingError at the first byte sequence that is not GBK.
std::string gbk_to_utf8(std::string_view gbk);
// UTF-8 text as GBK. Throws EncodingError at the first character GBK cannot hold or the first
// byte that is not UTF-8.
std::string utf8_to_gbk(std::string_view utf8);
// Offset of the first byte that does not belong to a well-formed UTF-8 sequence; npos when the
// whole text is UTF-8.
size_t invalid_utf8_offset(std::string_view s);

// Input text of a file in `e` as UTF-8, without a leading UTF-8 byte-order mark.
std::string to_utf8(std::string_view bytes, Encoding e);
// UTF-8 text in the encoding `e`.
std::string from_utf8(std::string_view utf8, Encoding e);

}  // namespace sparestock::text
