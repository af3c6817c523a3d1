#pragma once
// One HTTP connection as the web server reads it, under limits that hold whatever the client
// does: the request line and headers, and the body, must arrive within an overall deadline (a
// client dribbling a byte now and then is dropped when it passes, however often it sends); the
// headers may hold at most `max_header_bytes`; a body is at most `max_body_bytes`, whatever its
// framing, and is refused with 413 before more of it is read.
//
// The server hands each accepted socket to a Connection, which httplib reads requests from and
// writes answers to (it is an httplib::Stream). Once a request's headers are in,
// `frame_body` decides how its body may be read: a Content-Length over the limit, two
// Content-Length headers, a Content-Length together with a Transfer-Encoding, or a
// Transfer-Encoding other than chunked are refused; a chunked body is read and decoded here,
// within the limit, and handed on as a body of known length.

#include <httplib.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace sparestock::web {

struct ConnectionLimits {
  // Headers and body of one request, from its first byte on.
  std::chrono::milliseconds request_deadline = std::chrono::seconds(10);
  // How long a kept-alive connection waits for its next request.
  std::chrono::milliseconds keep_alive = std::chrono::seconds(5);
  // How long one write of an answer may wait for the client to take it.
  std::chrono::milliseconds write_timeout = std::chrono::seconds(5);
  size_t max_header_bytes = 64 * 1024;
  size_t max_body_bytes = 64 * 1024;
};

// Why a request is refused before its body is read: the status and the message of the answer.
// The connection is closed after the answer, as the rest of what the client sends cannot be
// told apart from a next request.
struct Refusal {
  int status = 400;
  std::string message;
};

// Where a request's bytes come from: a socket for the server, a text for tests and fuzzing.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Up to `size` bytes; 0 at the end, -1 on an error or when the deadline has passed.
  virtual long read_some(char* ptr, size_t size) = 0;
  // Puts `bytes` back to be read first.
  virtual void unread(std::string bytes) = 0;

  // One line without its CRLF (or LF); false at the end, on an error, or when the line is
  // longer than `max` bytes.
  bool read_line(std::string& line, size_t max);
  // Exactly `n` bytes appended to `out`; false when fewer come.
  bool read_exact(std::string& out, size_t n);
};

// Checks the framing of a request whose headers are in and, for a chunked body, reads and
// decodes it from `in` (at most `max_body_bytes`), puts the decoded body back into `in` and
// rewrites the headers to a plain Content-Length. A request without a Content-Length or a
// Transfer-Encoding has an empty body. `expect_continue` is called before a chunked body is
// read when the client waits for "100 Continue". Returns the refusal when there is one.
std::optional<Refusal> frame_body(httplib::Request& req, ByteSource& in, size_t max_body_bytes,
                                  const std::function<void()>& expect_continue = {});

// A socket read through a buffer, each request under the limits above. `stopping` is asked
// while waiting, so that a stopping server is not held up by a slow client.
class Connection : public httplib::Stream, public ByteSource {
 public:
  Connection(int fd, ConnectionLimits limits, std::function<bool()> stopping);

  // Waits for the next request's first byte (for at most the keep-alive time); false when the
  // client closed, went quiet, or the server stops.
  bool wait_for_request();
  // The request's headers are in: the header limit no longer applies, the deadline still does.
  void headers_done() { in_headers_ = false; }
  // Whether reading stopped because the deadline passed or the headers were too large.
  bool dropped() const { return dropped_; }

  // Closes gracefully: the client gets what was written before the connection ends, and what
  // it still sends (for a short while) is read and dropped rather than answered with a reset.
  void linger_and_close();

  // httplib::Stream
  bool is_readable() const override;
  bool is_writable() const override;
  ssize_t read(char* ptr, size_t size) override;
  ssize_t write(const char* ptr, size_t size) override;
  using httplib::Stream::write;
  void get_remote_ip_and_port(std::string& ip, int& port) const override;
  void get_local_ip_and_port(std::string& ip, int& port) const override;
  int socket() const override { return fd_; }

  // ByteSource
  long read_some(char* ptr, size_t size) override;
  void unread(std::string bytes) override;

 private:
  using Clock = std::chrono::steady_clock;
  // Waits until the socket is ready for `events` or `until`; false on a timeout, an error or a
  // stopping server.
  bool wait(short events, Clock::time_point until) const;

  int fd_;
  ConnectionLimits limits_;
  std::function<bool()> stopping_;
  std::string buffer_;
  size_t pos_ = 0;
  Clock::time_point deadline_;
  size_t header_bytes_ = 0;
  bool in_headers_ = false;
  bool dropped_ = false;
};

// The numeric text of a socket address (the peer's when `peer`); "" when there is none.
std::string socket_address(int fd, bool peer, int* port = nullptr);

}  // namespace sparestock::web
