// Fuzz target of what a client sends: each input is handled as one line of the automation
// protocol (Driver::handle_line, as `sparestock drive` and the web server take it) and as an HTTP
// request's header lines and body (web::frame_body, which decides how a body is read and decodes
// a chunked one). Neither may crash, hang or break a sanitizer; the protocol's answer must be
// valid JSON, and a body framing accepted must give a body within the limit whose length the
// headers now state. Built with clang's libFuzzer (CMake option SPARESTOCK_FUZZ); its corpus is
// tests/fuzz/corpus.

#include <cstdint>
#include <cstdlib>
#include <string>

#include <nlohmann/json.hpp>

#include "host/driver/driver.h"
#include "web/http_connection.h"

namespace {

constexpr size_t kMaxBody = 4096;

// An input read as the bytes of a connection.
class TextSource : public sparestock::web::ByteSource {
 public:
  explicit TextSource(std::string text) : text_(std::move(text)) {}
  long read_some(char* ptr, size_t size) override {
    size_t n = std::min(size, text_.size() - pos_);
    text_.copy(ptr, n, pos_);
    pos_ += n;
    return static_cast<long>(n);
  }
  void unread(std::string bytes) override {
    text_ = bytes + text_.substr(pos_);
    pos_ = 0;
  }
  std::string rest() const { return text_.substr(pos_); }

 private:
  std::string text_;
  size_t pos_ = 0;
};

void check(bool condition) {
  if (!condition) std::abort();
}

void fuzz_protocol(const std::string& line) {
  // No database behind it: `host` fails to connect, so every op past the field checks is
  // refused or reads an empty session, and no input writes anything anywhere.
  static sparestock::driver::Driver driver("/nonexistent/sparestock-fuzz.db");
  std::string answer = driver.handle_line(line);
  check(nlohmann::json::accept(answer));
}

void fuzz_framing(const std::string& input) {
  TextSource in(input);
  httplib::Request req;
  std::string line;
  while (in.read_line(line, 8192) && !line.empty()) {
    size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    size_t value = line.find_first_not_of(' ', colon + 1);
    req.headers.emplace(line.substr(0, colon), value == std::string::npos ? "" : line.substr(value));
  }
  bool chunked = req.has_header("Transfer-Encoding");
  auto refusal = sparestock::web::frame_body(req, in, kMaxBody);
  if (refusal) {
    check(refusal->status == 400 || refusal->status == 413);
    return;
  }
  check(req.get_header_value_count("Content-Length") == 1);
  if (chunked) {
    size_t length = std::stoul(req.get_header_value("Content-Length"));
    check(length <= kMaxBody && !req.has_header("Transfer-Encoding"));
    check(in.rest().size() >= length);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  fuzz_protocol(input);
  fuzz_framing(input);
  return 0;
}
