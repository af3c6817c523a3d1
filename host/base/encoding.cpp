#include "host/base/encoding.h"

#include <iconv.h>

#include <cerrno>

#include "host/base/text.h"

namespace sparestock::text {

namespace {

// One iconv conversion of a whole text; throws EncodingError at the first input byte that
// cannot be converted (invalid, incomplete or not representable in the target).
std::string convert(std::string_view input, const char* to, const char* from, const char* what) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1))
    throw std::runtime_error(std::string("no iconv conversion for ") + what);
  std::string out(input.size() * 2 + 16, '\0');
  char* in_ptr = const_cast<char*>(input.data());  // iconv's signature; the input is not written
  size_t in_left = input.size();
  size_t done = 0;
  while (in_left > 0) {
    char* out_ptr = out.data() + done;
    size_t out_left = out.size() - done;
    size_t r = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
    done = static_cast<size_t>(out_ptr - out.data());
    if (r != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) {
      out.resize(out.size() * 2);
      continue;
    }
    size_t offset = input.size() - in_left;
    iconv_close(cd);
    throw EncodingError(std::string(what) + " at byte " + std::to_string(offset + 1), offset);
  }
  iconv_close(cd);
  out.resize(done);
  return out;
}

}  // namespace

std::optional<Encoding> parse_encoding(std::string_view name) {
  if (iequals(name, "utf-8") || iequals(name, "utf8")) return Encoding::Utf8;
  if (iequals(name, "gbk")) return Encoding::Gbk;
  return std::nullopt;
}

std::string_view encoding_name(Encoding e) { return e == Encoding::Gbk ? "gbk" : "utf-8"; }

std::string gbk_to_utf8(std::string_view gbk) {
  if (is_ascii(gbk)) return std::string(gbk);
  return convert(gbk, "UTF-8", "GBK", "not GBK text");
}

std::string utf8_to_gbk(std::string_view utf8) {
  if (is_ascii(utf8)) return std::string(utf8);
  if (size_t bad = invalid_utf8_offset(utf8); bad != std::string_view::npos)
    throw EncodingError("not UTF-8 text at byte " + std::to_string(bad + 1), bad);
  return convert(utf8, "GBK", "UTF-8", "a character GBK cannot hold");
}

size_t invalid_utf8_offset(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    size_t n = char_length(s, i);
    if (n == 1) return i;
    // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8 either.
    unsigned char c1 = static_cast<unsigned char>(s[i + 1]);
    if ((n == 2 && c < 0xC2) || (n == 3 && c == 0xE0 && c1 < 0xA0) || (n == 3 && c == 0xED && c1 >= 0xA0) ||
        (n == 4 && c == 0xF0 && c1 < 0x90) || (n == 4 && (c > 0xF4 || (c == 0xF4 && c1 >= 0x90))))
      return i;
    i += n;
  }
  return std::string_view::npos;
}

std::string to_utf8(std::string_view bytes, Encoding e) {
  if (e == Encoding::Gbk) return gbk_to_utf8(bytes);
  size_t bom = bytes.starts_with("\xEF\xBB\xBF") ? 3 : 0;
  bytes.remove_prefix(bom);
  if (size_t bad = invalid_utf8_offset(bytes); bad != std::string_view::npos)
    throw EncodingError("not UTF-8 text at byte " + std::to_string(bom + bad + 1), bom + bad);
  return std::string(bytes);
}

std::string from_utf8(std::string_view utf8, Encoding e) {
  return e == Encoding::Gbk ? utf8_to_gbk(utf8) : std::string(utf8);
}

}  // namespace sparestock::text
