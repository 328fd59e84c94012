// Many requests at once, under each MPM, and across a graceful restart.
#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "morvane_site.h"

using namespace apache_test;

namespace {

std::string test_name() {
  std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
  for (char &c : name)
    if (c == '/') c = '-';
  return name;
}

// Runs `count` requests at once, each on its own connection; returns the
// responses in request order.
template <typename MakeRequest>
std::vector<HttpResponse> all_at_once(int port, int count, MakeRequest make) {
  std::atomic<bool> go{false};
  std::vector<std::future<HttpResponse>> pending;
  for (int i = 0; i < count; ++i)
    pending.push_back(std::async(std::launch::async, [&, i] {
      std::string bytes = make(i);
      while (!go) std::this_thread::yield();
      return send_raw(port, bytes);
    }));
  go = true;
  std::vector<HttpResponse> responses;
  for (auto &p : pending) responses.push_back(p.get());
  return responses;
}

TEST(Concurrency, TwoFirstRequestsStartOneBootstrap) {
  MorvaneSite site(test_name());
  site.start();
  auto responses = all_at_once(site.server.port(), 2, [](int i) { return request("GET", "/app?n=" + std::to_string(i)); });
  for (auto &r : responses) EXPECT_EQ(r.status, 200);
  EXPECT_EQ(site.records("setLogfile").size(), 1u);
  EXPECT_EQ(site.records("ctor").size(), 1u);
  EXPECT_EQ(site.records("process").size(), 2u);
}

class EveryMpm : public ::testing::TestWithParam<const char *> {};

TEST_P(EveryMpm, EachClientGetsExactlyItsOwnAnswer) {
  MorvaneSite site(test_name(), GetParam());
  site.start();
  constexpr int clients = 40;
  for (int round = 0; round < 3; ++round) {
    auto body = [round](int i) { return "client=" + std::to_string(i) + "&round=" + std::to_string(round) + "&pad=" + std::string(i * 97, 'x'); };
    auto responses = all_at_once(site.server.port(), clients, [&](int i) {
      return request("POST", "/app", body(i), {"Cookie: MORVANE_APACHE_SESSIONID=s" + std::to_string(i)});
    });
    for (int i = 0; i < clients; ++i) {
      SCOPED_TRACE("client " + std::to_string(i));
      ASSERT_EQ(responses[i].status, 200);
      Record record = parse_records(responses[i].body).at(0);
      EXPECT_EQ(record["body"], quoted(body(i)));
      EXPECT_EQ(record["session"], quoted("s" + std::to_string(i)));
      EXPECT_EQ(responses[i].all("Set-Cookie"),
                std::vector<std::string>{"MORVANE_APACHE_SESSIONID=s" + std::to_string(i) + ";PATH=/"});
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Mpms, EveryMpm, ::testing::Values("event", "worker", "prefork"));

class ThreadedMpm : public ::testing::TestWithParam<const char *> {};

// The JVM must leave the server's signals alone: the threaded MPMs wake their
// listener with SIGHUP during a graceful restart.
TEST_P(ThreadedMpm, GracefulRestartLetsSlowRequestsFinish) {
  MorvaneSite site(test_name(), GetParam());
  site.start();
  ASSERT_EQ(get(site.server.port(), "/app").status, 200);  // the JVM is up

  constexpr int inFlight = 6;
  auto pending = std::async(std::launch::async, [&] {
    return all_at_once(site.server.port(), inFlight, [](int i) {
      return request("GET", "/app?probe-sleep=1500&probe-body=bytes:done" + std::to_string(i));
    });
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  site.server.graceful();
  auto responses = pending.get();
  for (int i = 0; i < inFlight; ++i) {
    EXPECT_EQ(responses[i].status, 200) << i;
    EXPECT_EQ(responses[i].body, "done" + std::to_string(i));
  }
  EXPECT_EQ(site.server.error_log().find("exit signal"), std::string::npos) << site.server.error_log();
}

INSTANTIATE_TEST_SUITE_P(Mpms, ThreadedMpm, ::testing::Values("event", "worker"));

TEST(ClientAddress, IsApachesTextForIPv4AndIPv6) {
  MorvaneSite site(test_name());
  int v6port = site.server.add_listener("[::1]");
  site.start();
  EXPECT_EQ(parse_records(get(site.server.port(), "/app").body).at(0)["addr"], quoted("127.0.0.1"));
  HttpResponse v6 = send_raw(v6port, request("GET", "/app"), "::1");
  EXPECT_EQ(parse_records(v6.body).at(0)["addr"], quoted("::1"));
}

}  // namespace
