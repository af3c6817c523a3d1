// The web server over real HTTP on a loopback port: login and its throttle, the cookie, the
// CSRF token, what a session can reach (its own windows, its own company), the end of sessions
// by logout and by idle time, refused bodies, the client's files, and a log without secrets.

#include <arpa/inet.h>
#include <fmt/format.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include <nlohmann/json.hpp>

#include "schema/schema.h"
#include "tests/scenario.h"
#include "web/crypto.h"
#include "web/server.h"
#include "web/sessions.h"
#include "web/static_files.h"
#include "web/users.h"

namespace sparestock::test {
namespace {

using nlohmann::json;

constexpr const char* kPassword01 = "pass-of-001";
constexpr const char* kPassword02 = "pass-of-002";

// One browser: its connection, its cookie and the tokens its login gave it.
class Browser {
 public:
  explicit Browser(int port) : cli_("127.0.0.1", port) { cli_.set_read_timeout(30, 0); }

  httplib::Result login(const std::string& company, const std::string& user, const std::string& password) {
    auto r = cli_.Post("/api/login", headers(),
                       json{{"company", company}, {"user", user}, {"password", password}}.dump(),
                       "application/json");
    if (r && r->status == 200) take_login(*r);
    return r;
  }
  // A POST of one protocol request to this browser's session.
  json send(const json& request) { return body(post("/api/session/" + session, request.dump())); }
  httplib::Result post(const std::string& path, const std::string& body, bool with_csrf = true) {
    httplib::Headers h = headers();
    if (with_csrf) h.emplace("X-CSRF-Token", csrf);
    return cli_.Post(path.c_str(), h, body, "application/json");
  }
  httplib::Result get(const std::string& path) { return cli_.Get(path.c_str(), headers()); }

  static json body(const httplib::Result& r) {
    if (!r) return json{{"transport error", httplib::to_string(r.error())}};
    return json::parse(r->body, nullptr, false);
  }

  std::string cookie;  // the value of sid
  std::string session, csrf;
  json login_body;

 private:
  httplib::Headers headers() const {
    httplib::Headers h;
    if (!cookie.empty()) h.emplace("Cookie", "sid=" + cookie);
    return h;
  }
  void take_login(const httplib::Response& r) {
    login_body = json::parse(r.body);
    session = login_body["session"];
    csrf = login_body["csrf"];
    std::string set = r.get_header_value("Set-Cookie");
    size_t start = set.find("sid=") + 4;
    cookie = set.substr(start, set.find(';') - start);
  }

  httplib::Client cli_;
};

// A connection that sends whatever a test writes, for what no well-behaved client sends: bodies
// of any framing, headers a line at a time. Connects from `from` (any 127.x.y.z address reaches
// the server on loopback), so that a test can play two clients at different addresses.
class RawConnection {
 public:
  explicit RawConnection(int port, const char* from = "127.0.0.1") : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in local{};
    local.sin_family = AF_INET;
    inet_pton(AF_INET, from, &local.sin_addr);
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, "127.0.0.1", &server.sin_addr);
    connected_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0 &&
                 ::connect(fd_, reinterpret_cast<sockaddr*>(&server), sizeof server) == 0;
  }
  ~RawConnection() { ::close(fd_); }
  RawConnection(const RawConnection&) = delete;
  RawConnection& operator=(const RawConnection&) = delete;

  bool connected() const { return connected_; }
  // False once the server has closed the connection (or reset it).
  bool send(std::string_view data) {
    while (!data.empty()) {
      ssize_t n = ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL);
      if (n <= 0) return false;
      data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
  }
  // What the server sends until it closes the connection or `timeout` passes.
  std::string receive(std::chrono::milliseconds timeout) {
    std::string out;
    auto until = std::chrono::steady_clock::now() + timeout;
    while (!closed_) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until -
                                                                        std::chrono::steady_clock::now());
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, static_cast<int>(std::max<long>(left.count(), 0))) <= 0) break;
      char buffer[4096];
      ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
      if (n <= 0)
        closed_ = true;
      else
        out.append(buffer, static_cast<size_t>(n));
    }
    return out;
  }
  // Whether the server has closed the connection by now (what it sent before is dropped).
  bool closed_by_server() {
    receive(std::chrono::milliseconds(1));
    return closed_;
  }

 private:
  int fd_;
  bool connected_ = false;
  bool closed_ = false;
};

// The status of a raw answer ("HTTP/1.1 413 ..." gives 413); 0 when there is none.
int status_of(const std::string& answer) {
  return answer.rfind("HTTP/1.1 ", 0) == 0 ? std::atoi(answer.c_str() + 9) : 0;
}

// The JSON body of a raw answer.
json body_of(const std::string& answer) {
  size_t start = answer.find("\r\n\r\n");
  return start == std::string::npos ? json() : json::parse(answer.substr(start + 4), nullptr, false);
}

class WebServerTest : public testing::TestWithParam<db::Backend> {
 protected:
  void SetUp() override {
    auto conn = tdb_.connect();
    seed_scenario_data(*conn);
    web::add_user(*conn, "01", "001", "张三", kPassword01);
    web::add_user(*conn, "02", "002", "李四", kPassword02);
  }

  // The server logs into log_ until it has stopped.
  void TearDown() override { server_.reset(); }

  // Starts the server on a free port, logging into `log_`.
  void start(std::function<void(web::ServerOptions&)> adjust = {}) {
    web::ServerOptions o;
    o.target = tdb_.target();
    o.port = 0;
    o.threads = 8;
    o.log = [this](const std::string& line) {
      std::lock_guard lock(log_mutex_);
      log_ += line + "\n";
    };
    if (adjust) adjust(o);
    server_ = std::make_unique<web::Server>(o);
    port_ = server_->start();
  }

  Browser logged_in(const std::string& company) {
    Browser b(port_);
    auto r = company == "01" ? b.login("01", "001", kPassword01) : b.login("02", "002", kPassword02);
    EXPECT_TRUE(r && r->status == 200) << (r ? r->body : "no answer");
    return b;
  }

  std::string log() {
    std::lock_guard lock(log_mutex_);
    return log_;
  }
  // The log once it holds `line`, or as it stands after a few seconds. The server writes a
  // request's line after sending its answer, so a connection's last line may come after the
  // next request's, on another connection, has been answered.
  std::string log_with(const std::string& line) {
    for (int i = 0; i < 100; ++i) {
      std::string text = log();
      if (text.find(line) != std::string::npos) return text;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return log();
  }

  TestDatabase tdb_{GetParam()};
  std::unique_ptr<web::Server> server_;
  int port_ = 0;
  std::mutex log_mutex_;
  std::string log_;
};

std::set<std::string> companies_in(const json& rows) {
  std::set<std::string> out;
  for (const auto& r : rows) out.insert(r["cgsh"].get<std::string>());
  return out;
}

TEST_P(WebServerTest, LoginGivesSessionTokensLauncherAndAStrictCookie) {
  start();
  Browser b(port_);
  auto r = b.login("01", "001", kPassword01);
  ASSERT_TRUE(r);
  ASSERT_EQ(r->status, 200) << r->body;
  std::string set_cookie = r->get_header_value("Set-Cookie");
  EXPECT_EQ(set_cookie.rfind("sid=", 0), 0u) << set_cookie;
  EXPECT_NE(set_cookie.find("; HttpOnly"), std::string::npos) << set_cookie;
  EXPECT_NE(set_cookie.find("; SameSite=Strict"), std::string::npos) << set_cookie;
  EXPECT_NE(set_cookie.find("; Path=/"), std::string::npos) << set_cookie;
  EXPECT_EQ(set_cookie.find("Secure"), std::string::npos) << "plain HTTP on loopback: " << set_cookie;

  const json& body = b.login_body;
  EXPECT_EQ(body["ok"], true);
  EXPECT_EQ(body["user"], (json{{"company", "01"}, {"code", "001"}, {"name", "张三"}}));
  EXPECT_TRUE(body["launcher"].is_array());
  EXPECT_EQ(body["state"]["windows"], json::array());
  EXPECT_EQ(body["state"]["frame"]["title"], "备件库存管理");
  // Three different secrets: the public id, the cookie and the CSRF token.
  EXPECT_EQ(std::set<std::string>({b.session, b.cookie, b.csrf}).size(), 3u);
  EXPECT_GE(b.cookie.size(), 64u);

  // A reloaded page resumes with the cookie alone; without it there is nothing to resume.
  json resumed = Browser::body(b.get("/api/session"));
  EXPECT_EQ(resumed["session"], b.session);
  EXPECT_EQ(resumed["csrf"], b.csrf);
  EXPECT_EQ(resumed["user"]["name"], "张三");
  Browser stranger(port_);
  EXPECT_EQ(stranger.get("/api/session")->status, 401);
  stranger.cookie = (b.cookie[0] == '0' ? "1" : "0") + b.cookie.substr(1);  // one character off
  EXPECT_EQ(stranger.get("/api/session")->status, 401);
}

TEST_P(WebServerTest, WrongCredentialsAreRefusedAlike) {
  start([](web::ServerOptions& o) { o.throttle.failures_per_user = 100; });
  auto conn = tdb_.connect();
  conn->exec("INSERT INTO DXT004 (CGSH, CYHDM, CYHXM) VALUES ('01', '003', '无密码')");
  Browser b(port_);
  for (auto [company, user, password] : {std::tuple{"01", "001", "wrong-pass"},  // wrong password
                                         std::tuple{"02", "001", kPassword01},   // other company
                                         std::tuple{"01", "099", kPassword01},   // no such user
                                         std::tuple{"01", "003", ""},            // user without password
                                         std::tuple{"01", "001", ""}}) {
    auto r = b.login(company, user, password);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 401) << company << "/" << user;
    EXPECT_EQ(Browser::body(r), (json{{"ok", false}, {"error", "公司、用户或密码不正确"}}));
    EXPECT_FALSE(r->has_header("Set-Cookie"));
  }
  EXPECT_EQ(server_->session_count(), 0u);
}

TEST_P(WebServerTest, LoginAttemptsAreThrottledPerUserAndPerAddress) {
  start([](web::ServerOptions& o) {
    o.throttle = {/*per user*/ 2, /*per address*/ 3, std::chrono::milliseconds(1500)};
  });
  Browser b(port_);
  EXPECT_EQ(b.login("01", "001", "wrong-1")->status, 401);
  EXPECT_EQ(b.login("01", "001", "wrong-2")->status, 401);
  // Locked: even the right password is not looked at.
  auto locked = b.login("01", "001", kPassword01);
  EXPECT_EQ(locked->status, 429);
  EXPECT_EQ(Browser::body(locked), (json{{"ok", false}, {"error", "登录尝试过多，请稍后再试"}}));
  // Another user from the same address: one more failure locks the address for everyone.
  EXPECT_EQ(b.login("02", "002", "wrong-3")->status, 401);
  EXPECT_EQ(b.login("02", "002", kPassword02)->status, 429);
  EXPECT_EQ(server_->session_count(), 0u);
  // Once the failures leave the window, the right password works again.
  std::this_thread::sleep_for(std::chrono::milliseconds(1600));
  EXPECT_EQ(b.login("01", "001", kPassword01)->status, 200);
}

TEST_P(WebServerTest, PostsWithoutTheRightCsrfTokenChangeNothing) {
  start();
  Browser b = logged_in("01");
  json open = {{"op", "open"}, {"window", "w_bj418_001"}};
  std::string off_by_one = (b.csrf[0] == '0' ? "1" : "0") + b.csrf.substr(1);
  for (std::string token : {std::string(), std::string("x"), off_by_one, b.session}) {
    std::string saved = b.csrf;
    b.csrf = token;
    auto r = b.post("/api/session/" + b.session, open.dump(), !token.empty());
    b.csrf = saved;
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 403) << "token \"" << token << "\"";
    EXPECT_EQ(Browser::body(r)["ok"], false);
  }
  // A POST from another site's page is refused by its Origin even with the token.
  {
    httplib::Client cli("127.0.0.1", port_);
    httplib::Headers h{
        {"Cookie", "sid=" + b.cookie}, {"X-CSRF-Token", b.csrf}, {"Origin", "http://evil.example"}};
    EXPECT_EQ(cli.Post(("/api/session/" + b.session).c_str(), h, open.dump(), "application/json")->status,
              403);
  }
  EXPECT_EQ(b.send({{"op", "state"}})["state"]["windows"], json::array());
  // A logout without the token does not end the session.
  EXPECT_EQ(b.post("/api/logout", "", false)->status, 403);
  EXPECT_EQ(server_->session_count(), 1u);
  EXPECT_EQ(b.send(open)["ok"], true);
}

TEST_P(WebServerTest, ASessionReachesOnlyItsOwnWindowsAndCompany) {
  start();
  Browser a = logged_in("01"), b = logged_in("02");
  // Another session's id with one's own cookie.
  auto r = a.post("/api/session/" + b.session, json{{"op", "state"}}.dump());
  EXPECT_EQ(r->status, 403);
  r = a.post("/api/session/" + std::string(32, '0'), json{{"op", "state"}}.dump());
  EXPECT_EQ(r->status, 403);

  // The globals come from the login only: `host` is refused and changes nothing.
  json host = a.send({{"op", "host"}, {"globals", {{"gs_yhssgsh", "02"}}}});
  EXPECT_EQ(host["ok"], false);
  EXPECT_NE(host["error"].get<std::string>().find("host"), std::string::npos);

  EXPECT_EQ(b.send({{"op", "open"}, {"window", "w_bj418_001"}})["ok"], true);
  // a has no window of b's to act on, by class or by id.
  EXPECT_EQ(a.send({{"op", "close"}, {"window", "w_bj418_001"}})["ok"], false);
  EXPECT_EQ(a.send({{"op", "close"}, {"window", 1}})["ok"], false);

  EXPECT_EQ(a.send({{"op", "open"}, {"window", "w_bj418_001"}})["ok"], true);
  json rows_a = a.send({{"op", "rows"}, {"window", "w_bj418_001"}, {"control", "dw_1"}, {"count", 1000}});
  json rows_b = b.send({{"op", "rows"}, {"window", "w_bj418_001"}, {"control", "dw_1"}, {"count", 1000}});
  EXPECT_EQ(companies_in(rows_a["rows"]), std::set<std::string>{"01"});
  EXPECT_EQ(rows_a["rows"].size(), 4u);
  EXPECT_EQ(companies_in(rows_b["rows"]), std::set<std::string>{"02"});
  EXPECT_EQ(rows_b["rows"].size(), 1u);
  // b's window is still open after a's attempts.
  EXPECT_EQ(b.send({{"op", "state"}})["state"]["windows"].size(), 1u);
}

// A list saved by the save-as command is a download of the session that saved it, and of no
// other; the answer names no path of the server.
TEST_P(WebServerTest, SavedListsAreDownloadsOfTheirSessionAlone) {
  start();
  Browser a = logged_in("01"), b = logged_in("02");
  ASSERT_EQ(a.send({{"op", "open"}, {"window", "w_bj703_001"}})["ok"], true);
  json answer = a.send({{"op", "menu"}, {"window", "w_bj703_001"}, {"item", "m_saveas"}});
  ASSERT_EQ(answer["ok"], true) << answer.dump();
  const json& saved = answer["state"]["saved"];
  ASSERT_EQ(saved.size(), 1u) << answer.dump();
  EXPECT_FALSE(saved[0].contains("file"));
  std::string url = saved[0]["url"];
  EXPECT_TRUE(url.starts_with("/api/session/" + a.session + "/download/")) << url;
  EXPECT_TRUE(saved[0]["name"].get<std::string>().ends_with(".xlsx"));

  auto r = a.get(url);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 200);
  EXPECT_TRUE(r->body.starts_with("PK"));
  EXPECT_NE(r->get_header_value("Content-Disposition").find("attachment"), std::string::npos);
  // Another session, with its own id or with a's, and no session at all.
  std::string token = url.substr(url.rfind('/') + 1);
  EXPECT_EQ(b.get(url)->status, 403);
  EXPECT_EQ(b.get("/api/session/" + b.session + "/download/" + token)->status, 404);
  EXPECT_EQ(Browser(port_).get(url)->status, 401);
}

TEST_P(WebServerTest, LogoutEndsTheSession) {
  start();
  long before = web::WebSession::alive();
  Browser b = logged_in("01");
  EXPECT_EQ(b.send({{"op", "open"}, {"window", "w_bj418_001"}})["ok"], true);
  EXPECT_EQ(web::WebSession::alive(), before + 1);

  auto r = b.post("/api/logout", "");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 200);
  EXPECT_EQ(Browser::body(r), (json{{"ok", true}}));
  EXPECT_NE(r->get_header_value("Set-Cookie").find("Max-Age=0"), std::string::npos);
  EXPECT_EQ(server_->session_count(), 0u);
  // The session and its runtime session (thread, windows, connections) are gone.
  EXPECT_EQ(web::WebSession::alive(), before);
  EXPECT_EQ(b.post("/api/session/" + b.session, json{{"op", "state"}}.dump())->status, 401);
  EXPECT_EQ(b.get("/api/session")->status, 401);
  EXPECT_EQ(b.post("/api/logout", "")->status, 401);
}

TEST_P(WebServerTest, IdleSessionsEnd) {
  start([](web::ServerOptions& o) { o.idle_timeout = std::chrono::milliseconds(1500); });
  long before = web::WebSession::alive();
  // Each session's first request follows its own login at once: a login is slow (the password
  // hash), and a slow machine must not let a session expire before the test begins to use it.
  Browser busy = logged_in("02");
  EXPECT_EQ(busy.send({{"op", "state"}})["ok"], true);
  Browser idle = logged_in("01");
  EXPECT_EQ(idle.send({{"op", "open"}, {"window", "w_bj418_001"}})["ok"], true);
  EXPECT_EQ(busy.send({{"op", "state"}})["ok"], true);
  // The busy one keeps working past the timeout; the idle one is ended by the server.
  for (int i = 0; i < 30; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(busy.send({{"op", "state"}})["ok"], true);
  }
  EXPECT_EQ(server_->session_count(), 1u);
  EXPECT_EQ(web::WebSession::alive(), before + 1);
  EXPECT_EQ(idle.post("/api/session/" + idle.session, json{{"op", "state"}}.dump())->status, 401);
  EXPECT_EQ(busy.send({{"op", "state"}})["ok"], true);
}

TEST_P(WebServerTest, BadBodiesAreAnsweredWithErrors) {
  start([](web::ServerOptions& o) { o.max_body_bytes = 4096; });
  Browser b = logged_in("01");
  std::string path = "/api/session/" + b.session;
  json answer = Browser::body(b.post(path, "{\"op\": \"open\", "));
  EXPECT_EQ(answer["ok"], false);
  EXPECT_NE(answer["error"].get<std::string>().find("malformed JSON"), std::string::npos);
  EXPECT_EQ(Browser::body(b.post(path, "[1, 2]"))["ok"], false);
  EXPECT_EQ(Browser::body(b.post(path, "{\"op\": \"fly\"}"))["error"], "unknown op: fly");
  // Too large: refused before it is read.
  auto r = b.post(path, json{{"op", "text"}, {"value", std::string(5000, 'x')}}.dump());
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 413);
  // The session is unharmed.
  EXPECT_EQ(b.send({{"op", "state"}})["ok"], true);
  // Rows are read a window's worth at a time: a whole large grid in one answer is refused.
  EXPECT_EQ(b.send({{"op", "open"}, {"window", "w_bj418_001"}})["ok"], true);
  json rows = {{"op", "rows"}, {"window", "w_bj418_001"}, {"control", "dw_1"}, {"from", 1}};
  for (const json& count : {json(1001), json("50"), json()}) {
    json asked = rows;
    if (!count.is_null()) asked["count"] = count;
    json refused = b.send(asked);
    EXPECT_EQ(refused["ok"], false) << asked;
    EXPECT_NE(refused.value("error", "").find("at most 1000 rows"), std::string::npos) << refused;
  }
  rows["count"] = 1000;
  EXPECT_EQ(b.send(rows)["ok"], true);

  httplib::Client cli("127.0.0.1", port_);
  EXPECT_EQ(cli.Post("/api/login", "{\"company\": ", "application/json")->status, 400);
  EXPECT_EQ(
      cli.Post("/api/login", json{{"company", "01"}, {"user", "001"}}.dump(), "application/json")->status,
      400);
  EXPECT_EQ(cli.Post("/api/login", json{{"company", 1}, {"user", "001"}, {"password", "x"}}.dump(),
                     "application/json")
                ->status,
            400);
  // A login must say it is JSON (a cross-site form cannot).
  EXPECT_EQ(cli.Post("/api/login", json{{"company", "01"}, {"user", "001"}, {"password", kPassword01}}.dump(),
                     "text/plain")
                ->status,
            415);
  EXPECT_EQ(server_->session_count(), 1u);
}

TEST_P(WebServerTest, ServesTheClientFilesAndNothingElse) {
  start();
  httplib::Client cli("127.0.0.1", port_);
  for (const auto& f : web::embedded_files()) {
    auto r = cli.Get(("/" + std::string(f.path)).c_str());
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200) << f.path;
    EXPECT_EQ(r->body, f.content) << f.path;
    EXPECT_EQ(r->get_header_value("Content-Type"), web::content_type_of(f.path)) << f.path;
    EXPECT_EQ(r->get_header_value("X-Content-Type-Options"), "nosniff");
  }
  if (const auto* index = web::find_client_file("/index.html")) {
    EXPECT_EQ(cli.Get("/")->body, index->content);
  }
  EXPECT_EQ(cli.Get("/no-such-file.js")->status, 404);
  EXPECT_EQ(cli.Get("/../CMakeLists.txt")->status, 404);
  auto api = cli.Get("/api/nothing");
  EXPECT_EQ(api->status, 404);
  EXPECT_EQ(Browser::body(api)["ok"], false);
  EXPECT_EQ(cli.Post("/api/nothing", "{}", "application/json")->status, 404);
  EXPECT_EQ(web::find_client_file("/a/../../etc/passwd"), nullptr);
  EXPECT_EQ(web::content_type_of("app.js"), "text/javascript; charset=utf-8");
  EXPECT_EQ(web::content_type_of("logo"), "application/octet-stream");
}

TEST_P(WebServerTest, TheLogHoldsNoSecrets) {
  start();
  Browser b = logged_in("01");
  Browser wrong(port_);
  wrong.login("01", "001", "the-wrong-password");
  b.send({{"op", "open"}, {"window", "w_bj418_001"}});
  b.get("/api/session");
  b.post("/api/logout", "");
  std::string text = log_with("POST /api/session/* 200");
  EXPECT_NE(text.find("login: company 01 user 001"), std::string::npos) << text;
  EXPECT_NE(text.find("login refused: company 01 user 001"), std::string::npos) << text;
  EXPECT_NE(text.find("POST /api/session/* 200"), std::string::npos) << text;
  for (const std::string& secret :
       {std::string(kPassword01), std::string("the-wrong-password"), b.cookie, b.csrf, b.session})
    EXPECT_EQ(text.find(secret), std::string::npos) << "the log shows \"" << secret << "\":\n" << text;
}

// A body larger than the limit is refused with 413 and the connection closed, however it is
// framed, before much of it is read: the rest is never read, on login, a session's path or an
// unknown one alike.
TEST_P(WebServerTest, BodiesOverTheLimitAreRefusedWhateverTheirFraming) {
  start([](web::ServerOptions& o) { o.max_body_bytes = 4096; });
  Browser b = logged_in("01");
  std::string session_headers = "Cookie: sid=" + b.cookie + "\r\nX-CSRF-Token: " + b.csrf + "\r\n";
  constexpr size_t kSent = 96u << 20;
  for (const std::string& path :
       {std::string("/api/login"), "/api/session/" + b.session, std::string("/api/nothing")}) {
    RawConnection c(port_);
    ASSERT_TRUE(c.connected());
    ASSERT_TRUE(c.send("POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\n" +
                       session_headers + "Transfer-Encoding: chunked\r\n\r\n"));
    std::atomic<size_t> sent{0};
    std::thread sender([&] {
      std::string chunk = "10000\r\n" + std::string(0x10000, 'x') + "\r\n";
      while (sent < kSent && c.send(chunk)) sent += chunk.size();
    });
    std::string answer = c.receive(std::chrono::seconds(10));
    sender.join();
    EXPECT_EQ(status_of(answer), 413) << path << ": " << answer.substr(0, 200);
    EXPECT_EQ(body_of(answer), (json{{"ok", false}, {"error", "请求过大"}})) << path;
    EXPECT_LT(sent.load(), kSent / 4) << path << ": the body was read on after the limit";
  }
  // A Content-Length over the limit is refused at once, without waiting for the body.
  {
    RawConnection c(port_);
    c.send(
        "POST /api/login HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\n"
        "Content-Length: 100663296\r\n\r\n");
    EXPECT_EQ(status_of(c.receive(std::chrono::seconds(2))), 413);
  }
  // A chunked body within the limit is taken, chunk extensions and trailers included.
  {
    std::string login = json{{"company", "01"}, {"user", "001"}, {"password", kPassword01}}.dump();
    RawConnection c(port_);
    c.send(
        "POST /api/login HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\n"
        "Transfer-Encoding: chunked\r\nConnection: close\r\n\r\n" +
        fmt::format("{:x};part=1\r\n{}\r\n{:x}\r\n{}\r\n0\r\nX-Trailer: 1\r\n\r\n", 10, login.substr(0, 10),
                    login.size() - 10, login.substr(10)));
    std::string answer = c.receive(std::chrono::seconds(10));
    EXPECT_EQ(status_of(answer), 200) << answer.substr(0, 300);
  }
  // A POST without a length has no body (it is not read until the client closes).
  {
    RawConnection c(port_);
    c.send("POST /api/login HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\n\r\n");
    std::string answer = c.receive(std::chrono::seconds(2));
    EXPECT_EQ(status_of(answer), 400) << answer;
    EXPECT_EQ(body_of(answer)["error"], "登录请求不正确");
  }
  EXPECT_EQ(b.send({{"op", "state"}})["ok"], true);
}

// Framing a server cannot read one way only is refused with 400, as is a request httplib cannot
// parse; every error answer of the API carries a message of its own.
TEST_P(WebServerTest, AmbiguousOrBrokenRequestsAreRefused) {
  start();
  const std::string login = json{{"company", "01"}, {"user", "001"}, {"password", kPassword01}}.dump();
  const std::string head = "POST /api/login HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\n";
  const std::string length = fmt::format("Content-Length: {}\r\n", login.size());
  struct Case {
    std::string request;
    int status;
    std::string error;
  };
  const Case cases[] = {
      {head + length + length + "\r\n" + login, 400, "请求格式不正确"},
      {head + length + "Content-Length: 5\r\n\r\n" + login, 400, "请求格式不正确"},
      {head + length + "Transfer-Encoding: chunked\r\n\r\n" + login, 400, "请求格式不正确"},
      {head + "Transfer-Encoding: gzip, chunked\r\n\r\n" + login, 400, "请求格式不正确"},
      {head + "Content-Length: -1\r\n\r\n", 400, "请求格式不正确"},
      {head + "Content-Length: 12abc\r\n\r\n", 400, "请求格式不正确"},
      {head + "Transfer-Encoding: chunked\r\n\r\nzz\r\n", 400, "请求格式不正确"},
      {head + "Transfer-Encoding: chunked\r\n\r\n5\r\n1234567\r\n0\r\n\r\n", 400, "请求格式不正确"},
      {"FLY /api/login HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", 400, "请求格式不正确"},
  };
  for (const Case& c : cases) {
    RawConnection conn(port_);
    conn.send(c.request);
    std::string answer = conn.receive(std::chrono::seconds(3));
    EXPECT_EQ(status_of(answer), c.status) << testing::PrintToString(c.request) << answer;
    EXPECT_EQ(body_of(answer), (json{{"ok", false}, {"error", c.error}})) << testing::PrintToString(c.request);
  }
  // The media type must be JSON exactly; its parameters and case are free.
  httplib::Client cli("127.0.0.1", port_);
  for (auto [type, status] : {std::pair{"application/jsonx", 415}, std::pair{"application/json-seq", 415},
                              std::pair{"text/application/json", 415}, std::pair{"APPLICATION/JSON", 401},
                              std::pair{"application/json ; charset=utf-8", 401}}) {
    auto r = cli.Post("/api/login",
                      json{{"company", "01"}, {"user", "001"}, {"password", "wrong-pass"}}.dump(), type);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, status) << type;
  }
  EXPECT_EQ(server_->session_count(), 0u);
}

// A client sending its headers a line every now and then is dropped at the request deadline,
// one address holds only so many connections, and everyone else is served meanwhile.
TEST_P(WebServerTest, SlowClientsAreDroppedWhileOthersAreServed) {
  start([](web::ServerOptions& o) {
    o.threads = 4;
    o.request_deadline = std::chrono::milliseconds(1000);
    o.connections_per_address = 2;
  });
  using Clock = std::chrono::steady_clock;
  auto started = Clock::now();
  // Six slow clients from 127.0.0.2, each sending a header line every 150 ms for up to 5 s.
  std::vector<std::unique_ptr<RawConnection>> slow;
  for (int i = 0; i < 6; ++i) {
    slow.push_back(std::make_unique<RawConnection>(port_, "127.0.0.2"));
    ASSERT_TRUE(slow.back()->connected());
    slow.back()->send("GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n");
  }
  std::vector<double> closed_after(slow.size(), -1);
  std::thread dribbler([&] {
    while (Clock::now() - started < std::chrono::seconds(5)) {
      bool all_closed = true;
      for (size_t i = 0; i < slow.size(); ++i) {
        if (closed_after[i] >= 0) continue;
        if (slow[i]->closed_by_server()) {
          closed_after[i] = std::chrono::duration<double>(Clock::now() - started).count();
          continue;
        }
        all_closed = false;
        slow[i]->send("X-Slow: 1\r\n");
      }
      if (all_closed) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(150));
    }
  });
  // Meanwhile a client at another address logs in and is served within a few seconds.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  httplib::Client cli("127.0.0.1", port_);
  cli.set_read_timeout(3, 0);
  cli.set_connection_timeout(3, 0);
  auto page = cli.Get("/api/nothing");
  EXPECT_TRUE(page && page->status == 404) << (page ? page->body : httplib::to_string(page.error()));
  auto r = cli.Post("/api/login", json{{"company", "01"}, {"user", "001"}, {"password", kPassword01}}.dump(),
                    "application/json");
  EXPECT_TRUE(r && r->status == 200) << (r ? r->body : httplib::to_string(r.error()));
  dribbler.join();
  // Each slow client was refused at once or dropped at the deadline, not served for ever.
  for (size_t i = 0; i < slow.size(); ++i) {
    EXPECT_GE(closed_after[i], 0) << "slow client " << i << " is still connected";
    EXPECT_LT(closed_after[i], 3.0) << "slow client " << i;
  }
  std::string text = log_with("connection dropped");
  EXPECT_NE(text.find("connection dropped: a request too slow or too large from 127.0.0.2"), std::string::npos)
      << text;
  EXPECT_NE(text.find("connection refused: 2 connections from 127.0.0.2"), std::string::npos) << text;
}

// Wrong passwords sent side by side count before they are checked: no more than the limit are
// ever checked, per user and per address.
TEST_P(WebServerTest, ParallelLoginsCannotOutrunTheThrottle) {
  start([](web::ServerOptions& o) {
    o.threads = 16;
    o.throttle = {/*per user*/ 5, /*per address*/ 10, std::chrono::hours(1)};
  });
  auto at_once = [&](int n, auto user_of) {
    std::vector<int> statuses(static_cast<size_t>(n));
    std::vector<std::thread> threads;
    for (int i = 0; i < n; ++i)
      threads.emplace_back([&, i] {
        Browser b(port_);
        auto r = b.login("01", user_of(i), "wrong-" + std::to_string(i));
        statuses[static_cast<size_t>(i)] = r ? r->status : 0;
      });
    for (auto& t : threads) t.join();
    std::map<int, int> counts;
    for (int s : statuses) ++counts[s];
    return counts;
  };
  // Twelve at once for one user: five are checked, seven throttled.
  EXPECT_EQ(at_once(12, [](int) { return std::string("001"); }), (std::map<int, int>{{401, 5}, {429, 7}}));
  // Twelve at once for as many users from the one address: five more are checked.
  EXPECT_EQ(at_once(12, [](int i) { return fmt::format("{:03}", 100 + i); }),
            (std::map<int, int>{{401, 5}, {429, 7}}));
  EXPECT_EQ(server_->session_count(), 0u);
}

// One session opens a limited number of windows and one user a limited number of sessions; the
// refusals say why, and closing a window or a session makes room again.
TEST_P(WebServerTest, WindowsPerSessionAndSessionsPerUserAreCapped) {
  start([](web::ServerOptions& o) {
    o.windows_per_session = 3;
    o.sessions_per_user = 2;
  });
  Browser b = logged_in("01");
  // With a parameter every open is a window of its own (the launcher's open, without one,
  // would bring the first copy to the front).
  json open = {{"op", "open"}, {"window", "w_bj418_001"}, {"parm", ""}};
  for (int i = 0; i < 3; ++i) ASSERT_EQ(b.send(open)["ok"], true) << i;
  json refused = b.send(open);
  EXPECT_EQ(refused, (json{{"ok", false},
                           {"error", "打开的窗口已达上限 (3 个)，请先关闭不用的窗口"},
                           {"message", "打开的窗口已达上限 (3 个)，请先关闭不用的窗口"}}));
  EXPECT_EQ(b.send({{"op", "state"}})["state"]["windows"].size(), 3u);
  EXPECT_EQ(b.send({{"op", "close"}, {"window", "w_bj418_001"}})["ok"], true);
  EXPECT_EQ(b.send(open)["ok"], true);

  Browser second = logged_in("01");
  Browser third(port_);
  auto r = third.login("01", "001", kPassword01);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 429);
  EXPECT_EQ(Browser::body(r), (json{{"ok", false}, {"error", "该用户的在线会话已达上限，请先退出其他会话"}}));
  Browser other_user = logged_in("02");  // others are not held back
  EXPECT_EQ(server_->session_count(), 3u);
  EXPECT_EQ(second.post("/api/logout", "")->status, 200);
  EXPECT_EQ(third.login("01", "001", kPassword01)->status, 200);
}

// What a client sends reaches the log escaped: a user code or a forwarded address cannot start
// a line of its own; a forwarded address must be an address.
TEST_P(WebServerTest, TheLogEscapesWhatClientsSend) {
  start([](web::ServerOptions& o) { o.behind_proxy = true; });
  httplib::Client cli("127.0.0.1", port_);
  auto login = [&](const std::string& company, const std::string& forwarded) {
    httplib::Headers h{{"X-Forwarded-For", forwarded}};
    return cli.Post("/api/login", h,
                    json{{"company", company}, {"user", "001"}, {"password", "wrong-pass"}}.dump(),
                    "application/json");
  };
  EXPECT_EQ(login("0\nlogin\r", "10.0.0.1")->status, 401);
  std::string text = log_with("login refused");
  EXPECT_NE(text.find("login refused: company 0\\x0alogin\\x0d user 001 from 10.0.0.1"), std::string::npos)
      << text;
  EXPECT_EQ(text.find("\nlogin\r"), std::string::npos) << text;
  for (std::string forwarded :
       {"not-an-address", "10.0.0.1, 10.0.0.2 10.0.0.3", "10.0.0.1, \x01\x02", "10.0.0.1,"}) {
    auto r = login("01", forwarded);
    ASSERT_TRUE(r) << forwarded;
    EXPECT_EQ(r->status, 400) << forwarded;
    EXPECT_EQ(Browser::body(r)["error"], "转发的客户地址不正确") << forwarded;
  }
  EXPECT_NE(log().find("X-Forwarded-For \"10.0.0.1, \\x01\\x02\" ends in no address"), std::string::npos)
      << log();
  EXPECT_EQ(login("01", "203.0.113.9, ::1")->status, 401);
  EXPECT_NE(log_with("from ::1").find("login refused: company 01 user 001 from ::1"), std::string::npos)
      << log();
}

INSTANTIATE_TEST_SUITE_P(Backends, WebServerTest, testing::ValuesIn(backends()), backend_name_of);

// The demo database's users log in with the published demo password.
TEST(WebDemoLogin, DemoUsersLogInWithTheDemoPassword) {
  TestDatabase tdb(db::Backend::Sqlite);
  {
    auto conn = tdb.connect();
    schema::load_demo(*conn, {40, 1, "2026-12-08", web::hash_password});
  }
  web::ServerOptions o;
  o.target = tdb.target();
  o.port = 0;
  o.log = [](const std::string&) {};
  web::Server server(o);
  int port = server.start();
  Browser a(port), b(port);
  ASSERT_EQ(a.login("01", "001", "demo123")->status, 200);
  EXPECT_EQ(a.login_body["user"]["name"], "王建国");
  ASSERT_EQ(b.login("02", "002", "demo123")->status, 200);
  EXPECT_EQ(b.login_body["user"]["name"], "李红");
  EXPECT_EQ(Browser(port).login("01", "001", "001")->status, 401);

  // Each user's hash has its own salt, in this database and the next.
  TestDatabase other(db::Backend::Sqlite);
  {
    auto conn = other.connect();
    schema::load_demo(*conn, {40, 1, "2026-12-08", web::hash_password});
  }
  std::set<std::string> hashes;
  for (TestDatabase* t : {&tdb, &other})
    for (const char* user : {"001", "002"}) {
      auto conn = t->connect();
      auto found = web::find_user(*conn, user == std::string("001") ? "01" : "02", user);
      ASSERT_TRUE(found);
      hashes.insert(found->password_hash);
    }
  EXPECT_EQ(hashes.size(), 4u);
}

TEST(WebSessionGlobals, AccountingPeriodIsTheMonthOfTheSystemDate) {
  web::UserRecord u{"01", "001", "张三", ""};
  json g = web::session_globals(u, *db::DateTime::parse("2028-02-10 09:30:00"));
  EXPECT_EQ(g["gs_yhssgsh"], "01");
  EXPECT_EQ(g["gs_yhdm"], "001");
  EXPECT_EQ(g["gs_yhmc"], "张三");
  EXPECT_EQ(g["gd_xtrq"], "2028-02-10 09:30:00");
  EXPECT_EQ(g["gd_qsrq"], "2028-02-01 00:00:00");
  EXPECT_EQ(g["gd_jzrq"], "2028-02-29 23:59:59");  // a leap year
  EXPECT_EQ(g["gs_dqn"], "2028");
  EXPECT_EQ(g["gs_dqy"], "02");
  g = web::session_globals(u, *db::DateTime::parse("2026-12-31 23:59:59"));
  EXPECT_EQ(g["gd_qsrq"], "2026-12-01 00:00:00");
  EXPECT_EQ(g["gd_jzrq"], "2026-12-31 23:59:59");
  EXPECT_EQ(g["gs_dqy"], "12");
}

}  // namespace
}  // namespace sparestock::test
