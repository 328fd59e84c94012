// The demo, driven over HTTP the way a newcomer uses it: started from its
// script in a terminal, browsed, posted to, uploaded to, and stopped with Ctrl-C.
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "apache_server.h"
#include "http_client.h"

using namespace apache_test;

namespace {

// The demo script on a pseudo-terminal of its own, as a user would run it.
class DemoProcess {
 public:
  DemoProcess(const std::string &dir, int port) {
    pid_ = forkpty(&terminal_, nullptr, nullptr, nullptr);
    if (pid_ == 0) {
      setenv("MORVANE_DEMO_DIR", dir.c_str(), 1);
      setenv("MORVANE_DEMO_PORT", std::to_string(port).c_str(), 1);
      execl("/bin/bash", "bash", MORVANE_SOURCE_DIR "/demo/run-demo.sh", MORVANE_BUILD_DIR, nullptr);
      _exit(127);
    }
  }
  ~DemoProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
    close(terminal_);
  }

  // Reads the terminal until `text` shows up or the time is over.
  bool wait_for(const std::string &text, std::chrono::seconds limit = std::chrono::seconds(30)) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (screen_.find(text) == std::string::npos) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      pollfd p{terminal_, POLLIN, 0};
      if (poll(&p, 1, 100) > 0) {
        char buffer[4096];
        ssize_t n = read(terminal_, buffer, sizeof buffer);
        if (n <= 0) return screen_.find(text) != std::string::npos;
        screen_.append(buffer, n);
      }
    }
    return true;
  }

  void type(const std::string &keys) { ASSERT_EQ(write(terminal_, keys.data(), keys.size()), ssize_t(keys.size())); }

  int wait_exit() {
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

  const std::string &screen() const { return screen_; }

 private:
  int terminal_ = -1;
  pid_t pid_ = -1;
  std::string screen_;
};

std::string cookie_of(const HttpResponse &response) {
  std::string cookie = response.header("Set-Cookie");
  return cookie.substr(0, cookie.find(';'));
}

TEST(Demo, ServesEveryFeatureAndStopsOnCtrlC) {
  std::string dir = make_private_dir("demo");
  ApacheServer portSource("demo-port");  // only for a free port
  int port = portSource.port();
  DemoProcess demo(dir, port);
  ASSERT_TRUE(demo.wait_for("Press Ctrl-C to stop.")) << demo.screen();
  EXPECT_NE(demo.screen().find("http://127.0.0.1:" + std::to_string(port) + "/app/"), std::string::npos);
  EXPECT_NE(demo.screen().find(dir + "/logs/error.log"), std::string::npos);

  HttpResponse first = get(port, "/app/", {"Accept-Language: de-DE, en;q=0.5"});
  ASSERT_EQ(first.status, 200) << first.raw;
  EXPECT_EQ(first.header("Content-Type"), "text/html; charset=UTF-8");
  EXPECT_NE(first.body.find("id=\"greeting\">Hallo!"), std::string::npos);
  EXPECT_NE(first.body.find("id=\"address\">127.0.0.1<"), std::string::npos);
  EXPECT_NE(first.body.find("id=\"visits\">1<"), std::string::npos);
  std::string cookie = cookie_of(first);
  ASSERT_EQ(cookie.rfind("MORVANE_APACHE_SESSIONID=", 0), 0u) << first.raw;

  HttpResponse second = get(port, "/app/", {"Cookie: " + cookie});
  EXPECT_NE(second.body.find("id=\"greeting\">Hello!"), std::string::npos) << "no Accept-Language: English";
  EXPECT_NE(second.body.find("id=\"visits\">2<"), std::string::npos);

  HttpResponse posted = send_raw(port, request("POST", "/app/", "page=echo&message=Hi+%3Cthere%3E",
                                               {"Cookie: " + cookie, "Accept-Language: fr",
                                                "Content-Type: application/x-www-form-urlencoded"}));
  EXPECT_NE(posted.body.find("id=\"message\">Hi &lt;there&gt;<"), std::string::npos) << posted.body;
  EXPECT_NE(posted.body.find("id=\"greeting\">Bonjour!"), std::string::npos);
  EXPECT_NE(posted.body.find("id=\"visits\">3<"), std::string::npos);

  std::string file(1 << 20, '\0');
  for (size_t i = 0; i < file.size(); ++i) file[i] = static_cast<char>((i * 7919) >> 3);
  write_file(dir + "/sent.bin", file);
  std::string body = "--B\r\nContent-Disposition: form-data; name=\"file\"; filename=\"sent.bin\"\r\n"
                     "Content-Type: application/octet-stream\r\n\r\n" + file + "\r\n--B--\r\n";
  HttpResponse uploaded =
      send_raw(port, request("POST", "/app/?page=upload", body, {"Content-Type: multipart/form-data; boundary=B"}));
  EXPECT_EQ(uploaded.status, 200);
  EXPECT_EQ(uploaded.body,
            "Received sent.bin: " + std::to_string(file.size()) + " bytes, SHA-256 " + sha256_hex(file) + "\n");
  CommandResult stored = run_command({"/bin/sh", "-c", "cmp " + dir + "/sent.bin " + dir + "/uploads/*-sent.bin"});
  EXPECT_EQ(stored.status, 0) << stored.output;

  EXPECT_EQ(get(port, "/app/?page=missing").status, 404);

  demo.type("\x03");
  EXPECT_TRUE(demo.wait_for("Stopped.")) << demo.screen();
  EXPECT_EQ(demo.wait_exit(), 0);
  EXPECT_THROW(get(port, "/app/"), std::runtime_error) << "the server must be gone";
  run_command({"/bin/rm", "-rf", dir});
}

}  // namespace
