// Failures are answered as plain text, never retried, and never crash a
// server process: a failed bootstrap, and a process method that throws or
// leaves the exchange array holding the wrong types.
#include <string>

#include <gtest/gtest.h>

#include "morvane_site.h"

using namespace apache_test;

namespace {

std::string test_name() { return ::testing::UnitTest::GetInstance()->current_test_info()->name(); }

TEST(FailureReplies, ABootstrapFailureIsAnsweredToEveryRoutedRequest) {
  struct {
    const char *label;
    std::string config;  // replaces the JVM directive
    std::string expected;
  } const cases[] = {
      {"no_jvm", "", "JVM has not been set in the configuration file"},
      {"missing_library", "JVM /nonexistent/libjvm.so\n", "Could not load JVM \"/nonexistent/libjvm.so\""},
      {"not_a_jvm", "JVM /usr/lib/apache2/modules/mod_alias.so\n",
       "JVM Library \"/usr/lib/apache2/modules/mod_alias.so\" does not contain a valid JVM"},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.label);
    MorvaneSite site(std::string("bootstrap-") + c.label);
    std::string config = site.standard_config();
    config.replace(0, config.find('\n') + 1, c.config);
    site.start(config);
    for (const char *target : {"/app", "/app?x=1", "/app/deeper"}) {
      HttpResponse response = get(site.server.port(), target);
      EXPECT_EQ(response.status, 200);
      EXPECT_EQ(response.header("Content-Type"), "text/plain");
      EXPECT_EQ(response.header("Cache-Control"), "no-cache");
      EXPECT_EQ(response.body, c.expected);
    }
    HttpResponse head = send_raw(site.server.port(), request("HEAD", "/app"));
    EXPECT_EQ(head.status, 200);
    EXPECT_EQ(head.body, "");
  }
}

TEST(FailureReplies, ProcessThatThrowsOrMisusesTheArrayStillGetsAReply) {
  MorvaneSite site(test_name());
  site.start();
  int port = site.server.port();
  struct {
    const char *label;
    const char *target;
    int status;
    const char *contentType;
    const char *body;  // null: the probe's record line
  } const cases[] = {
      {"throws_after_answer", "/app?probe-body=bytes:partial&probe-throw=1", 200, "text/plain", "partial"},
      {"throws_with_type", "/app?probe-type=text/html&probe-throw=1", 200, "text/html", nullptr},
      {"throws_before_body", "/app?probe-body=null&probe-throw=1", 404, nullptr, nullptr},
      {"string_left_in_slot_0", "/app?probe-body=string", 404, nullptr, nullptr},
      {"integer_in_slot_2", "/app?probe-type-integer=1&probe-body=bytes:ok", 200, "text/plain", "ok"},
  };
  for (int round = 0; round < 3; ++round) {
    for (auto &c : cases) {
      SCOPED_TRACE(c.label);
      HttpResponse response = get(port, c.target);
      EXPECT_EQ(response.status, c.status);
      if (c.contentType) {
        EXPECT_EQ(response.header("Content-Type"), c.contentType);
      }
      if (c.status == 200) {
        if (c.body) {
          EXPECT_EQ(response.body, c.body);
        } else {
          EXPECT_EQ(parse_records(response.body).at(0).event, "process");
        }
      }
      // Whatever the previous request left behind, the next one is served.
      HttpResponse next = get(port, "/app?probe-body=bytes:fine");
      EXPECT_EQ(next.status, 200);
      EXPECT_EQ(next.body, "fine");
    }
  }
  EXPECT_EQ(site.records("setLogfile").size(), 1u) << "the server process must have survived";
}

}  // namespace
