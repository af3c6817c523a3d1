#include "web/http_connection.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "host/base/text.h"

namespace sparestock::web {

namespace {

constexpr const char* kBadFraming = "请求格式不正确";
constexpr const char* kTooLarge = "请求过大";

// Longest chunk-size line or trailer line taken, and most trailer lines.
constexpr size_t kMaxChunkLine = 1024;
constexpr int kMaxTrailers = 32;

// A Content-Length: digits only, at most 18 of them (no overflow).
std::optional<size_t> content_length(const std::string& value) {
  std::string_view v = text::trim(value);
  if (v.empty() || v.size() > 18) return std::nullopt;
  size_t n = 0;
  for (char c : v) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + static_cast<size_t>(c - '0');
  }
  return n;
}

// The size on a chunk line ("1a3f" or "1a3f;name=value"); nullopt when it is no hex number of at
// most 15 digits.
std::optional<size_t> chunk_size(const std::string& line) {
  std::string_view v = text::trim(std::string_view(line).substr(0, line.find(';')));
  if (v.empty() || v.size() > 15) return std::nullopt;
  size_t n = 0;
  for (char c : v) {
    int d = c >= '0' && c <= '9'   ? c - '0'
            : c >= 'a' && c <= 'f' ? c - 'a' + 10
            : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                   : -1;
    if (d < 0) return std::nullopt;
    n = n * 16 + static_cast<size_t>(d);
  }
  return n;
}

}  // namespace

bool ByteSource::read_line(std::string& line, size_t max) {
  line.clear();
  char c = 0;
  while (true) {
    if (read_some(&c, 1) != 1) return false;
    if (c == '\n') break;
    if (line.size() >= max) return false;
    line += c;
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

bool ByteSource::read_exact(std::string& out, size_t n) {
  char chunk[4096];
  while (n > 0) {
    long got = read_some(chunk, std::min(n, sizeof chunk));
    if (got <= 0) return false;
    out.append(chunk, static_cast<size_t>(got));
    n -= static_cast<size_t>(got);
  }
  return true;
}

std::optional<Refusal> frame_body(httplib::Request& req, ByteSource& in, size_t max_body_bytes,
                                  const std::function<void()>& expect_continue) {
  size_t lengths = req.headers.count("Content-Length"), encodings = req.headers.count("Transfer-Encoding");
  if (lengths > 1 || encodings > 1 || (lengths && encodings)) return Refusal{400, kBadFraming};
  if (lengths) {
    auto n = content_length(req.get_header_value("Content-Length"));
    if (!n) return Refusal{400, kBadFraming};
    if (*n > max_body_bytes) return Refusal{413, kTooLarge};
    return std::nullopt;
  }
  if (!encodings) {
    // No body (httplib would otherwise read one until the client closes).
    req.headers.emplace("Content-Length", "0");
    return std::nullopt;
  }
  if (!text::iequals(text::trim(req.get_header_value("Transfer-Encoding")), "chunked"))
    return Refusal{400, kBadFraming};

  if (expect_continue && text::iequals(req.get_header_value("Expect"), "100-continue")) {
    expect_continue();
    req.headers.erase("Expect");
  }
  std::string body, line;
  while (true) {
    if (!in.read_line(line, kMaxChunkLine)) return Refusal{400, kBadFraming};
    auto size = chunk_size(line);
    if (!size) return Refusal{400, kBadFraming};
    if (*size == 0) break;
    if (*size > max_body_bytes - body.size()) return Refusal{413, kTooLarge};
    if (!in.read_exact(body, *size)) return Refusal{400, kBadFraming};
    if (!in.read_line(line, 1) || !line.empty()) return Refusal{400, kBadFraming};
  }
  // Trailer fields, up to the empty line, are dropped.
  for (int i = 0;; ++i) {
    if (i == kMaxTrailers || !in.read_line(line, kMaxChunkLine)) return Refusal{400, kBadFraming};
    if (line.empty()) break;
  }
  req.headers.erase("Transfer-Encoding");
  req.headers.emplace("Content-Length", std::to_string(body.size()));
  in.unread(std::move(body));
  return std::nullopt;
}

std::string socket_address(int fd, bool peer, int* port) {
  sockaddr_storage addr{};
  socklen_t len = sizeof addr;
  auto* sa = reinterpret_cast<sockaddr*>(&addr);
  if ((peer ? getpeername(fd, sa, &len) : getsockname(fd, sa, &len)) != 0) return {};
  char host[NI_MAXHOST], service[NI_MAXSERV];
  if (getnameinfo(sa, len, host, sizeof host, service, sizeof service, NI_NUMERICHOST | NI_NUMERICSERV) != 0)
    return {};
  if (port) *port = std::atoi(service);
  return host;
}

Connection::Connection(int fd, ConnectionLimits limits, std::function<bool()> stopping)
    : fd_(fd), limits_(limits), stopping_(std::move(stopping)) {}

bool Connection::wait(short events, Clock::time_point until) const {
  // In short slices, so that a stopping server is noticed.
  constexpr auto kSlice = std::chrono::milliseconds(100);
  while (true) {
    if (stopping_ && stopping_()) return false;
    auto now = Clock::now();
    if (now >= until) return false;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - now) +
                std::chrono::milliseconds(1);
    pollfd p{fd_, events, 0};
    int ready = ::poll(&p, 1, static_cast<int>(std::min(left, kSlice).count()));
    if (ready > 0) return true;
    if (ready < 0 && errno != EINTR) return false;
  }
}

bool Connection::wait_for_request() {
  bool ready = pos_ < buffer_.size() || wait(POLLIN, Clock::now() + limits_.keep_alive);
  deadline_ = Clock::now() + limits_.request_deadline;
  header_bytes_ = 0;
  in_headers_ = true;
  return ready;
}

long Connection::read_some(char* ptr, size_t size) {
  if (pos_ >= buffer_.size()) {
    if (!wait(POLLIN, deadline_)) {
      dropped_ = Clock::now() >= deadline_;
      return -1;
    }
    buffer_.resize(16 * 1024);
    ssize_t got = ::recv(fd_, buffer_.data(), buffer_.size(), 0);
    buffer_.resize(got > 0 ? static_cast<size_t>(got) : 0);
    pos_ = 0;
    if (got <= 0) return got < 0 ? -1 : 0;
  }
  size_t n = std::min(size, buffer_.size() - pos_);
  std::memcpy(ptr, buffer_.data() + pos_, n);
  pos_ += n;
  return static_cast<long>(n);
}

void Connection::unread(std::string bytes) {
  bytes.append(buffer_, pos_, std::string::npos);
  buffer_ = std::move(bytes);
  pos_ = 0;
}

bool Connection::is_readable() const { return pos_ < buffer_.size() || wait(POLLIN, deadline_); }

bool Connection::is_writable() const { return wait(POLLOUT, Clock::now() + limits_.write_timeout); }

ssize_t Connection::read(char* ptr, size_t size) {
  if (in_headers_) {
    if (header_bytes_ >= limits_.max_header_bytes) {
      dropped_ = true;
      return -1;
    }
    size = std::min(size, limits_.max_header_bytes - header_bytes_);
  }
  long got = read_some(ptr, size);
  if (got > 0 && in_headers_) header_bytes_ += static_cast<size_t>(got);
  return got;
}

ssize_t Connection::write(const char* ptr, size_t size) {
  if (!is_writable()) return -1;
  return ::send(fd_, ptr, size, MSG_NOSIGNAL);
}

void Connection::get_remote_ip_and_port(std::string& ip, int& port) const {
  ip = socket_address(fd_, true, &port);
}

void Connection::get_local_ip_and_port(std::string& ip, int& port) const {
  ip = socket_address(fd_, false, &port);
}

void Connection::linger_and_close() {
  ::shutdown(fd_, SHUT_WR);
  // Reads what the client still sends for a moment (a little of it at most), so that the
  // answer is not lost to a reset while the client is still writing.
  auto until = Clock::now() + std::chrono::milliseconds(500);
  char sink[16 * 1024];
  size_t drained = 0;
  while (drained < 1024 * 1024 && wait(POLLIN, until)) {
    ssize_t got = ::recv(fd_, sink, sizeof sink, 0);
    if (got <= 0) break;
    drained += static_cast<size_t>(got);
  }
}

}  // namespace sparestock::web
