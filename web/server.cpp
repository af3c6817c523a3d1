#include "web/server.h"

#include <fmt/format.h>
#include <httplib.h>

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <mutex>
#include <semaphore>
#include <stdexcept>
#include <thread>
#include <unordered_map>

#include <nlohmann/json.hpp>

#include "host/base/text.h"
#include "host/db/clock.h"
#include "host/driver/driver.h"
#include "host/driver/request_fields.h"
#include "host/lib/global_functions.h"
#include "web/crypto.h"
#include "web/http_connection.h"
#include "web/launcher.h"
#include "web/sessions.h"
#include "web/static_files.h"
#include "web/users.h"

namespace sparestock::web {

using nlohmann::json;

namespace {

constexpr const char* kCookieName = "sid";
constexpr const char* kCsrfHeader = "X-CSRF-Token";

// Messages the browser shows; the login ones are fixed by the HTTP contract.
constexpr const char* kWrongCredentials = "公司、用户或密码不正确";
constexpr const char* kTooManyAttempts = "登录尝试过多，请稍后再试";
constexpr const char* kNotLoggedIn = "未登录或会话已过期";
constexpr const char* kBadCsrf = "请求校验失败";
constexpr const char* kOtherSession = "无权访问该会话";
constexpr const char* kBadOrigin = "请求来源不正确";
constexpr const char* kBadLoginRequest = "登录请求不正确";
// Rows one request may read over HTTP: a browser fetches the rows in view, so a larger count can
// only make one session's answer (and the server's memory for it) as large as a whole grid.
constexpr long kMaxRowsPerRequest = 1000;
constexpr const char* kNotJson = "登录请求须为 JSON (Content-Type: application/json)";
constexpr const char* kSessionsFull = "在线会话已满，请稍后再试";
constexpr const char* kServerError = "服务器内部错误";
constexpr const char* kDatabaseDown = "数据库暂时不可用";
constexpr const char* kTooLarge = "请求过大";
constexpr const char* kNotFound = "没有这个地址";
constexpr const char* kBadRequest = "请求格式不正确";
constexpr const char* kUriTooLong = "请求地址过长";
constexpr const char* kBadRange = "请求的范围不正确";
constexpr const char* kNotHandled = "请求无法处理";
constexpr const char* kBadForwarded = "转发的客户地址不正确";
constexpr const char* kUserSessionsFull = "该用户的在线会话已达上限，请先退出其他会话";
constexpr const char* kTooManyConnections = "连接过多，请稍后再试";

// Pieces of the frame title and the message-box title of every web session.
constexpr const char* kFrameTitle = "备件库存管理";
constexpr const char* kPromptTitle = "提示信息";

std::string dump(const json& j) { return j.dump(-1, ' ', false, json::error_handler_t::replace); }

void send_json(httplib::Response& res, int status, const json& body) {
  res.status = status;
  res.set_header("Cache-Control", "no-store");
  res.set_content(dump(body), "application/json; charset=utf-8");
}

void send_error(httplib::Response& res, int status, const std::string& message) {
  send_json(res, status, {{"ok", false}, {"error", message}});
}

// The value of one cookie in the Cookie header; "" when absent.
std::string cookie_value(const httplib::Request& req, std::string_view name) {
  std::string header = req.get_header_value("Cookie");
  std::string_view rest = header;
  while (!rest.empty()) {
    size_t end = rest.find(';');
    std::string_view item = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    while (!item.empty() && item.front() == ' ') item.remove_prefix(1);
    size_t eq = item.find('=');
    if (eq != std::string_view::npos && item.substr(0, eq) == name) return std::string(item.substr(eq + 1));
  }
  return {};
}

// A text a client sent, as the log shows it: control characters and backslashes escaped (\xNN),
// so that no client can write a line of its own into the log; cut after `max` bytes.
std::string loggable(std::string_view text, size_t max) {
  std::string out;
  for (char c : text.substr(0, max)) {
    auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7f || c == '\\')
      out += fmt::format("\\x{:02x}", b);
    else
      out += c;
  }
  return text.size() > max ? out + "..." : out;
}

// Whether a media type is JSON: "application/json", any case, parameters (a charset) allowed.
bool is_json_type(std::string_view content_type) {
  return text::iequals(text::trim(content_type.substr(0, content_type.find(';'))), "application/json");
}

// Whether a text is an IPv4 or IPv6 address.
bool is_address(const std::string& text) {
  unsigned char buffer[sizeof(in6_addr)];
  return inet_pton(AF_INET, text.c_str(), buffer) == 1 || inet_pton(AF_INET6, text.c_str(), buffer) == 1;
}

// The message of an error answer the server's own handlers did not write.
const char* error_message(int status) {
  switch (status) {
    case 400: return kBadRequest;
    case 404: return kNotFound;
    case 413: return kTooLarge;
    case 414: return kUriTooLong;
    case 416: return kBadRange;
    case 500: return kServerError;
    default: return kNotHandled;
  }
}

// The path as the log shows it: session ids replaced, control characters dropped, cut short.
std::string loggable_path(const std::string& path) {
  std::string out = path.rfind("/api/session/", 0) == 0 ? std::string("/api/session/*") : path;
  std::erase_if(out, [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
  if (out.size() > 120) out = out.substr(0, 120) + "...";
  return out;
}

}  // namespace

json session_globals(const UserRecord& user, const db::DateTime& now) {
  db::DateTime first = db::DateTime::from_parts(now.year(), now.month(), 1);
  db::DateTime next = now.month() == 12 ? db::DateTime::from_parts(now.year() + 1, 1, 1)
                                        : db::DateTime::from_parts(now.year(), now.month() + 1, 1);
  db::DateTime last{next.seconds - 1};
  return {{"gs_yhssgsh", user.company},
          {"gs_yhdm", user.code},
          {"gs_yhmc", user.name},
          {"gs_tsxx", kPromptTitle},
          {"gs_title", kFrameTitle},
          {"gs_dq", " [" + user.company + "] "},
          {"gd_xtrq", now.iso()},
          {"gs_dqn", fmt::format("{:04d}", now.year())},
          {"gs_dqy", fmt::format("{:02d}", now.month())},
          {"gd_qsrq", first.iso()},
          {"gd_jzrq", last.iso()}};
}

namespace {

// Counts a request against a session for as long as it runs.
class RequestScope {
 public:
  explicit RequestScope(WebSession& s) : s_(s) { s_.begin_request(); }
  ~RequestScope() { s_.end_request(); }

 private:
  WebSession& s_;
};

// The refusal of the request a worker thread is reading, for the pre-routing handler to answer.
thread_local const std::optional<Refusal>* t_refusal = nullptr;

// httplib's server with each connection served through a web::Connection: a deadline for each
// request's headers and body, a body limit whatever its framing (httplib reads a chunked body
// whole, however large), and a cap on the connections of one address.
class HttpServer : public httplib::Server {
 public:
  ConnectionLimits limits;
  size_t connections_per_address = 0;  // 0: no cap
  std::function<void(const std::string&)> log;

  // httplib listens with a backlog of 5 connections; a burst of browsers connecting at once (a
  // shift starting, a proxy opening its pool) overflows it, and the kernel then drops or resets
  // the extra connections. Listening again on the bound socket raises the backlog.
  void widen_backlog() {
    socket_t s = svr_sock_;
    if (s != INVALID_SOCKET) ::listen(s, SOMAXCONN);
  }

 private:
  bool process_and_close_socket(socket_t sock) override {
    std::string address = socket_address(sock, true);
    bool served = false;
    if (admit(address)) {
      served = serve(sock, address);
      release(address);
    } else {
      // Answered at once, without reading the request, so that the worker is free again.
      std::string body = dump({{"ok", false}, {"error", kTooManyConnections}});
      std::string answer = fmt::format(
          "HTTP/1.1 503 Service Unavailable\r\nContent-Type: application/json; charset=utf-8\r\n"
          "Content-Length: {}\r\nConnection: close\r\n\r\n{}",
          body.size(), body);
      [[maybe_unused]] auto sent = ::send(sock, answer.data(), answer.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
      log(fmt::format("connection refused: {} connections from {}", connections_per_address, address));
    }
    ::shutdown(sock, SHUT_RDWR);
    ::close(sock);
    return served;
  }

  // Serves the requests of one connection until it closes, goes quiet, is dropped or refused.
  bool serve(socket_t sock, const std::string& address) {
    Connection conn(sock, limits, [this] { return svr_sock_ == INVALID_SOCKET; });
    std::optional<Refusal> refusal;
    bool ok = false;
    for (size_t left = keep_alive_max_count_; left > 0 && conn.wait_for_request(); --left) {
      bool closed = false, parsed = false;
      t_refusal = &refusal;
      ok = process_request(conn, left == 1, closed, [&](httplib::Request& req) {
        parsed = true;
        conn.headers_done();
        refusal = frame_body(req, conn, limits.max_body_bytes,
                             [&] { conn.write("HTTP/1.1 100 Continue\r\n\r\n"); });
        if (refusal) {
          req.headers.erase("Connection");
          req.headers.emplace("Connection", "close");
        }
      });
      t_refusal = nullptr;
      if (conn.dropped())
        log(fmt::format("connection dropped: a request too slow or too large from {}", address));
      // A request whose line or headers httplib could not parse leaves the rest unread: what
      // follows is no request of its own.
      if (!ok || closed || !parsed || refusal || conn.dropped()) break;
    }
    if (refusal) conn.linger_and_close();
    return ok;
  }

  bool admit(const std::string& address) {
    if (connections_per_address == 0) return true;
    std::lock_guard lock(mutex_);
    size_t& n = connections_[address];
    if (n >= connections_per_address) return false;
    ++n;
    return true;
  }

  void release(const std::string& address) {
    if (connections_per_address == 0) return;
    std::lock_guard lock(mutex_);
    auto it = connections_.find(address);
    if (it != connections_.end() && --it->second == 0) connections_.erase(it);
  }

  std::mutex mutex_;
  std::unordered_map<std::string, size_t> connections_;
};

}  // namespace

struct Server::Impl {
  explicit Impl(ServerOptions o)
      : options(std::move(o)),
        store(options.idle_timeout, options.max_sessions, options.sessions_per_user),
        throttle(options.throttle),
        launcher(launcher_json(launcher_entries())) {
    if (!options.log) options.log = [](const std::string& line) { std::cerr << line << std::endl; };
    routes();
  }

  ServerOptions options;
  SessionStore store;
  LoginThrottle throttle;
  json launcher;
  HttpServer http;
  std::thread serving;
  int port = 0;
  // Password hashes take 64 MiB each; a burst of logins waits here instead of exhausting memory.
  std::counting_semaphore<64> hashing{2};
  std::once_flag dummy_once;
  std::string dummy_hash;

  void log(const std::string& line) { options.log(line); }

  // The client's address; nullopt when the proxy's X-Forwarded-For does not end in one.
  std::optional<std::string> client_address(const httplib::Request& req) const {
    if (options.behind_proxy) {
      std::string forwarded = req.get_header_value("X-Forwarded-For");
      if (!forwarded.empty()) {
        std::string last = text::trim(forwarded.substr(forwarded.rfind(',') + 1));
        if (!is_address(last)) return std::nullopt;
        return last;
      }
    }
    return req.remote_addr;
  }

  std::string session_cookie(const std::string& token) const {
    return fmt::format("{}={}; Path=/; HttpOnly; SameSite=Strict{}", kCookieName, token,
                       options.behind_proxy ? "; Secure" : "");
  }

  std::string cleared_cookie() const {
    return fmt::format("{}=; Path=/; Max-Age=0; HttpOnly; SameSite=Strict{}", kCookieName,
                       options.behind_proxy ? "; Secure" : "");
  }

  // A POST whose Origin names another site is refused (browsers send Origin on every POST).
  bool same_origin(const httplib::Request& req) const {
    std::string origin = req.get_header_value("Origin");
    if (origin.empty()) return true;
    size_t scheme = origin.find("://");
    if (scheme == std::string::npos) return false;
    return origin.substr(scheme + 3) == req.get_header_value("Host");
  }

  // The body a logged-in browser gets: who it is, its tokens, what it may open, the state.
  // Files saved by the session's save-as command are offered for download to this session
  // alone: the answer names a URL with a token of the session's, never the server's path.
  static void publish_saved(WebSession& s, json& answer) {
    if (!answer.is_object() || !answer.contains("state")) return;
    json& state = answer["state"];
    if (!state.is_object() || !state.contains("saved") || !state["saved"].is_array()) return;
    for (json& saved : state["saved"]) {
      std::string path = saved.value("file", std::string());
      std::string name = std::filesystem::path(path).filename().string();
      std::string token = s.add_download({path, name});
      saved.erase("file");
      saved["name"] = name;
      saved["url"] = "/api/session/" + s.id() + "/download/" + token;
    }
  }

  json session_body(WebSession& s) {
    json state = s.driver().handle({{"op", "state"}});
    publish_saved(s, state);
    return {{"ok", true},
            {"session", s.id()},
            {"csrf", s.csrf()},
            {"user", {{"company", s.user().company}, {"code", s.user().code}, {"name", s.user().name}}},
            {"launcher", launcher},
            {"state", state.value("state", json())}};
  }

  // The session of the request's cookie; answers 401 when there is none.
  std::shared_ptr<WebSession> logged_in(const httplib::Request& req, httplib::Response& res) {
    auto s = store.find(cookie_value(req, kCookieName));
    if (!s) send_error(res, 401, kNotLoggedIn);
    return s;
  }

  // The session of a POST: cookie, same origin and CSRF token; answers 401/403 otherwise.
  std::shared_ptr<WebSession> checked_post(const httplib::Request& req, httplib::Response& res) {
    if (!same_origin(req)) {
      send_error(res, 403, kBadOrigin);
      return nullptr;
    }
    auto s = logged_in(req, res);
    if (!s) return nullptr;
    if (!constant_time_equal(req.get_header_value(kCsrfHeader), s->csrf())) {
      send_error(res, 403, kBadCsrf);
      return nullptr;
    }
    return s;
  }

  // Checks a password in about the same time whether or not the user exists.
  bool password_matches(const std::optional<UserRecord>& user, const std::string& password) {
    std::call_once(dummy_once, [this] { dummy_hash = hash_password(random_token(16)); });
    hashing.acquire();
    bool ok = false;
    try {
      bool usable = user && !user->password_hash.empty();
      ok = verify_password(usable ? user->password_hash : dummy_hash, password) && usable;
    } catch (...) {
      hashing.release();
      throw;
    }
    hashing.release();
    return ok;
  }

  void login(const httplib::Request& req, httplib::Response& res) {
    if (!same_origin(req)) return send_error(res, 403, kBadOrigin);
    if (!is_json_type(req.get_header_value("Content-Type"))) return send_error(res, 415, kNotJson);
    json body = json::parse(req.body, nullptr, false);
    if (body.is_discarded() || !body.is_object()) return send_error(res, 400, kBadLoginRequest);
    auto text = [&](const char* name) -> std::optional<std::string> {
      auto it = body.find(name);
      if (it == body.end() || !it->is_string()) return std::nullopt;
      return it->get<std::string>();
    };
    auto company = text("company"), code = text("user"), password = text("password");
    if (!company || !code || !password) return send_error(res, 400, kBadLoginRequest);
    *company = std::string(text::trim(*company));
    *code = std::string(text::trim(*code));
    std::optional<std::string> forwarded = client_address(req);
    if (!forwarded) {
      log(fmt::format("login refused: X-Forwarded-For \"{}\" ends in no address",
                      loggable(req.get_header_value("X-Forwarded-For"), 120)));
      return send_error(res, 400, kBadForwarded);
    }
    const std::string& address = *forwarded;
    std::string who = fmt::format("company {} user {}", loggable(*company, 8), loggable(*code, 8));
    std::string throttle_key = *company + '\x1f' + *code;

    // The attempt counts from here, before its password is checked: attempts sent side by side
    // cannot outrun the throttle.
    auto attempt = throttle.begin(throttle_key, address);
    if (!attempt) {
      log(fmt::format("login throttled: {} from {}", who, address));
      return send_error(res, 429, kTooManyAttempts);
    }
    std::optional<UserRecord> user;
    try {
      if (company->size() <= 8 && code->size() <= 8 && password->size() <= 1024) {
        auto conn = db::open_connection(options.target);
        user = find_user(*conn, *company, *code);
      }
    } catch (const std::exception& e) {
      throttle.abandoned(*attempt);
      log(fmt::format("login failed: {}: database: {}", who, e.what()));
      return send_error(res, 503, kDatabaseDown);
    }
    if (!password_matches(user, *password)) {
      throttle.failed(*attempt);
      log(fmt::format("login refused: {} from {}", who, address));
      return send_error(res, 401, kWrongCredentials);
    }
    throttle.succeeded(*attempt);
    if (!store.room_for(*user)) {
      log(fmt::format("login refused: {}: the user's sessions are all taken", who));
      return send_error(res, 429, kUserSessionsFull);
    }

    // A browser that logs in again leaves its previous session.
    std::string previous = cookie_value(req, kCookieName);
    if (!previous.empty()) store.remove(previous);

    auto driver = std::make_unique<driver::Driver>(options.target);
    driver->limit_windows(options.windows_per_session);
    json answer = driver->handle(
        {{"op", "host"}, {"globals", session_globals(*user, db::now())}, {"autoanswer", true}});
    if (!answer.value("ok", false)) {
      log(fmt::format("login failed: {}: {}", who, answer.value("error", std::string())));
      return send_error(res, 503, kDatabaseDown);
    }
    ui::Session& session = driver->session();
    session.post([&session, company = user->company] {
      lib::f_kjrqjy(session, company);
      session.frame_title = session.globals().gs_title;
    });
    auto [s, cookie, user_full] = store.add(*user, std::move(driver));
    if (!s) {
      log(fmt::format("login refused: {}: {}", who,
                      user_full ? "the user's sessions are all taken" : "every session is taken"));
      return user_full ? send_error(res, 429, kUserSessionsFull) : send_error(res, 503, kSessionsFull);
    }
    log(fmt::format("login: {} from {}", who, address));
    RequestScope scope(*s);
    res.set_header("Set-Cookie", session_cookie(cookie));
    send_json(res, 200, session_body(*s));
  }

  void resume(const httplib::Request& req, httplib::Response& res) {
    auto s = logged_in(req, res);
    if (!s) return;
    RequestScope scope(*s);
    send_json(res, 200, session_body(*s));
  }

  void logout(const httplib::Request& req, httplib::Response& res) {
    auto s = checked_post(req, res);
    if (!s) return;
    store.remove(cookie_value(req, kCookieName));
    log(fmt::format("logout: company {} user {}", s->user().company, s->user().code));
    res.set_header("Set-Cookie", cleared_cookie());
    send_json(res, 200, {{"ok", true}});
  }

  void protocol(const httplib::Request& req, httplib::Response& res) {
    auto s = checked_post(req, res);
    if (!s) return;
    if (!constant_time_equal(req.matches[1].str(), s->id())) return send_error(res, 403, kOtherSession);
    json request = json::parse(req.body, nullptr, false);
    if (request.is_discarded()) return send_json(res, 200, {{"ok", false}, {"error", "malformed JSON"}});
    if (request.is_object() && request.value("op", json()) == "host")
      return send_json(res, 200,
                       {{"ok", false},
                        {"error",
                         "the op host is not available over HTTP: a session's globals "
                         "come from its login"}});
    if (request.is_object() && request.value("op", json()) == "rows") {
      const json& count = request.contains("count") ? request["count"] : json();
      if (!driver::whole_number(count, 0, kMaxRowsPerRequest))
        return send_json(res, 200,
                         {{"ok", false},
                          {"error", fmt::format("rows over HTTP needs a \"count\" of at most {} rows",
                                                kMaxRowsPerRequest)}});
    }
    RequestScope scope(*s);
    json answer = s->driver().handle(request);
    publish_saved(*s, answer);
    send_json(res, 200, answer);
  }

  // The session a file request is for: logged in, and the session id in the path is the one of
  // its cookie, so a file goes to its own user only. nullptr when the answer is already written.
  std::shared_ptr<WebSession> file_owner(const httplib::Request& req, httplib::Response& res) {
    auto s = logged_in(req, res);
    if (s && !constant_time_equal(req.matches[1].str(), s->id())) {
      send_error(res, 403, kOtherSession);
      return nullptr;
    }
    return s;
  }

  // A file the session made, never cached; 404 when it is gone.
  static void send_file(httplib::Response& res, const std::filesystem::path& path,
                        const std::string& disposition, const std::string& name, const char* content_type) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
      res.status = 404;  // the error handler writes the body
      return;
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    res.status = 200;
    res.set_header("Cache-Control", "no-store");
    res.set_header("Content-Disposition", disposition + "; filename=\"" + name + "\"");
    res.set_content(std::move(bytes), content_type);
  }

  // A list the session saved (save-as), by the token its answer gave.
  void download(const httplib::Request& req, httplib::Response& res) {
    auto s = file_owner(req, res);
    if (!s) return;
    auto d = s->download(req.matches[2].str());
    if (!d) {
      res.status = 404;
      return;
    }
    send_file(res, d->path, "attachment", d->name,
              d->name.ends_with(".xlsx") ? "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"
                                         : "text/csv; charset=utf-8");
  }

  // A PDF the session printed ("<n>-<dataobject>.pdf" in its print folder).
  void printed_file(const httplib::Request& req, httplib::Response& res) {
    auto s = file_owner(req, res);
    if (!s) return;
    send_file(res, s->driver().print_directory() / req.matches[2].str(), "inline", req.matches[2].str(),
              "application/pdf");
  }

  void client_file(const httplib::Request& req, httplib::Response& res) {
    const EmbeddedFile* f = find_client_file(req.path);
    if (!f) {
      res.status = 404;  // the error handler writes the body
      return;
    }
    res.status = 200;
    res.set_header("Cache-Control", "no-cache");
    res.set_content(std::string(f->content), content_type_of(f->path).c_str());
  }

  void routes() {
    http.new_task_queue = [n = options.threads] { return new httplib::ThreadPool(n); };
    http.set_payload_max_length(options.max_body_bytes);
    http.limits.max_body_bytes = options.max_body_bytes;
    http.limits.request_deadline = options.request_deadline;
    http.connections_per_address = options.behind_proxy ? 0 : options.connections_per_address;
    http.log = [this](const std::string& line) { log(line); };
    // A request refused from its headers (see HttpServer::serve) is answered before routing.
    http.set_pre_routing_handler([](const httplib::Request&, httplib::Response& res) {
      if (!t_refusal || !*t_refusal) return httplib::Server::HandlerResponse::Unhandled;
      send_error(res, (*t_refusal)->status, (*t_refusal)->message);
      return httplib::Server::HandlerResponse::Handled;
    });
    http.set_keep_alive_max_count(100000);
    // Answers go out at once: with Nagle's algorithm a small answer waits for the client's
    // delayed acknowledgement (about 40 ms on Linux).
    http.set_tcp_nodelay(true);
    http.set_default_headers({
        {"X-Content-Type-Options", "nosniff"},
        {"X-Frame-Options", "DENY"},
        {"Referrer-Policy", "no-referrer"},
        {"Content-Security-Policy",
         "default-src 'self'; img-src 'self' data:; style-src 'self' 'unsafe-inline'; object-src 'none'; "
         "base-uri 'none'; frame-ancestors 'none'; form-action 'self'"},
    });

    auto guarded = [this](void (Impl::*handler)(const httplib::Request&, httplib::Response&)) {
      return [this, handler](const httplib::Request& req, httplib::Response& res) {
        try {
          (this->*handler)(req, res);
        } catch (const std::exception& e) {
          log(fmt::format("error: {} {}: {}", req.method, loggable_path(req.path), e.what()));
          send_error(res, 500, kServerError);
        }
      };
    };
    http.Post("/api/login", guarded(&Impl::login));
    http.Get("/api/session", guarded(&Impl::resume));
    http.Post("/api/logout", guarded(&Impl::logout));
    http.Post(R"(/api/session/([^/]+))", guarded(&Impl::protocol));
    http.Get(R"(/api/session/([^/]+)/download/([^/]+))", guarded(&Impl::download));

    http.Get(R"(/api/session/([^/]+)/print/([0-9]+-[A-Za-z0-9_]+\.pdf))", guarded(&Impl::printed_file));
    http.Get(R"(/(?!api/).*)", guarded(&Impl::client_file));

    http.set_error_handler([](const httplib::Request& req, httplib::Response& res) {
      if (!res.body.empty()) return;  // an answer of ours
      bool api = req.path.rfind("/api/", 0) == 0;
      if (api || res.status != 404) {
        send_error(res, res.status, error_message(res.status));
      } else {
        res.set_content("404 not found\n", "text/plain; charset=utf-8");
      }
    });
    http.set_logger([this](const httplib::Request& req, const httplib::Response& res) {
      log(fmt::format("{} {} {}", req.method, loggable_path(req.path), res.status));
    });
  }

  void bind() {
    if (options.port == 0) {
      port = http.bind_to_any_port(options.host);
      if (port <= 0) throw std::runtime_error("cannot listen on " + options.host);
    } else {
      if (!http.bind_to_port(options.host, options.port))
        throw std::runtime_error(fmt::format("cannot listen on {}:{}", options.host, options.port));
      port = options.port;
    }
    http.widen_backlog();
  }
};

Server::Server(ServerOptions options) : impl_(std::make_unique<Impl>(std::move(options))) {}

Server::~Server() { stop(); }

int Server::start() {
  impl_->bind();
  impl_->serving = std::thread([this] { impl_->http.listen_after_bind(); });
  return impl_->port;
}

void Server::run() {
  impl_->bind();
  impl_->http.listen_after_bind();
}

void Server::stop() {
  impl_->http.stop();
  if (impl_->serving.joinable()) impl_->serving.join();
}

int Server::port() const { return impl_->port; }

size_t Server::session_count() const { return impl_->store.size(); }

}  // namespace sparestock::web
