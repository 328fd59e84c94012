// Requests routed to "morvane-handler" in a real Apache reach a real JVM and
// the probe connector, and its answer comes back.
#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "morvane_site.h"

using namespace apache_test;

namespace {

// A printable body of `size` bytes whose every position differs from its neighbours.
std::string printable_body(size_t size) {
  std::string body(size, ' ');
  for (size_t i = 0; i < size; ++i) body[i] = static_cast<char>('!' + (i * 31 + i / 94) % 94);
  return body;
}

Record process_record(const HttpResponse &response) {
  auto records = parse_records(response.body);
  return records.empty() ? Record{} : records.front();
}

void expect_no_cache_headers(const HttpResponse &response) {
  EXPECT_EQ(response.header("Cache-Control"), "no-cache");
  EXPECT_EQ(response.header("Pragma"), "no-cache");
  EXPECT_EQ(response.header("Expires"), "0");
}

class RequestPath : public ::testing::Test {
 protected:
  RequestPath() : site(::testing::UnitTest::GetInstance()->current_test_info()->name()) {}
  MorvaneSite site;
};

struct SlotZeroCase {
  const char *label;
  std::string request;
  std::string body;  // the probe's record of slot 0, as written
};

TEST_F(RequestPath, SlotZeroCarriesTheBodyElseTheQuery) {
  site.start();
  const SlotZeroCase cases[] = {
      {"query", request("GET", "/app?x=1&y=two"), quoted("x=1&y=two")},
      {"empty_query", request("GET", "/app?"), "null"},
      {"no_query", request("GET", "/app"), "null"},
      {"body_wins_over_query", request("POST", "/app?q=1", "abc"), quoted("abc")},
      {"empty_body_gives_query", request("POST", "/app?q=1", ""), quoted("q=1")},
      {"leading_nul", request("POST", "/app?q=1", std::string("\0abc", 4)), quoted("")},
      {"nul_inside", request("POST", "/app", std::string("ab\0cd", 5)), quoted("ab")},
      {"four_byte_utf8", request("POST", "/app", "a\xf0\x9f\x98\x80z"), "\"a\\ud83d\\ude00z\""},
      {"latin1", request("POST", "/app", "caf\xe9"), "\"caf\\u00e9\""},
  };
  for (const SlotZeroCase &c : cases) {
    SCOPED_TRACE(c.label);
    HttpResponse response = send_raw(site.server.port(), c.request);
    EXPECT_EQ(response.status, 200);
    EXPECT_EQ(process_record(response)["body"], c.body) << response.raw;
  }
  EXPECT_EQ(process_record(send_raw(site.server.port(), cases[7].request))["units"], "4");
}

TEST_F(RequestPath, BodiesOfEverySizeArriveByteExact) {
  site.start();
  struct {
    const char *label;
    size_t size;
    size_t split;  // send the body in two pieces at this offset; 0 for one piece
  } const cases[] = {
      {"399", 399, 0}, {"400", 400, 0}, {"600_in_two_pieces", 600, 300}, {"5MiB", 5 << 20, 0},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.label);
    std::string body = printable_body(c.size);
    std::string head = request("POST", "/app", body).substr(0, request("POST", "/app", body).size() - body.size());
    HttpResponse response =
        c.split ? send_pieces(site.server.port(), {head + body.substr(0, c.split), body.substr(c.split)})
                : send_raw(site.server.port(), head + body);
    ASSERT_EQ(response.status, 200);
    Record record = process_record(response);
    EXPECT_EQ(record["units"], std::to_string(c.size));
    EXPECT_EQ(record["sha256"], sha256_hex(body));
  }
}

TEST_F(RequestPath, SessionCookieAndRequestValuesReachJava) {
  site.start();
  struct {
    const char *label;
    std::vector<std::string> headers;
    const char *session;
  } const cases[] = {
      {"middle_pair", {"Cookie: a=1; MORVANE_APACHE_SESSIONID=abc; b=2"}, "\"abc\""},
      {"lower_case_name", {"Cookie: morvane_apache_sessionid=abc"}, "\"abc\""},
      {"longer_name", {"Cookie: MORVANE_APACHE_SESSIONIDX=abc"}, "null"},
      {"blank_before_equals", {"Cookie: MORVANE_APACHE_SESSIONID =abc"}, "null"},
      {"empty_value", {"Cookie: MORVANE_APACHE_SESSIONID=; a=1"}, "\"\""},
      {"first_of_two", {"Cookie: MORVANE_APACHE_SESSIONID=one; MORVANE_APACHE_SESSIONID=two"}, "\"one\""},
      {"blanks_kept", {"Cookie: x=1;MORVANE_APACHE_SESSIONID=a b ;y=2"}, "\"a b \""},
      {"no_cookie", {}, "null"},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.label);
    Record record = process_record(get(site.server.port(), "/app", c.headers));
    EXPECT_EQ(record["session"], c.session) << record.line;
    EXPECT_EQ(record["addr"], quoted("127.0.0.1"));
  }
  EXPECT_EQ(process_record(get(site.server.port(), "/app", {"Accept-Language: de-CH, en;q=0.5"}))["lang"],
            quoted("de-CH, en;q=0.5"));
  EXPECT_EQ(process_record(get(site.server.port(), "/app"))["lang"], "null");
}

TEST_F(RequestPath, TheAnswerFollowsTheExchangeArray) {
  site.start();
  int port = site.server.port();

  HttpResponse typed = get(port, "/app?probe-type=application/json&probe-session=s42");
  EXPECT_EQ(typed.status, 200);
  EXPECT_EQ(typed.header("Content-Type"), "application/json");
  EXPECT_EQ(typed.all("Set-Cookie"), std::vector<std::string>{"MORVANE_APACHE_SESSIONID=s42;PATH=/"});
  expect_no_cache_headers(typed);

  HttpResponse plain = get(port, "/app?probe-body=bytes:hello");
  EXPECT_EQ(plain.header("Content-Type"), "text/plain");
  EXPECT_EQ(plain.body, "hello");
  EXPECT_FALSE(plain.has("Set-Cookie"));

  HttpResponse echoed = get(port, "/app?x", {"Cookie: MORVANE_APACHE_SESSIONID=kept"});
  EXPECT_EQ(echoed.all("Set-Cookie"), std::vector<std::string>{"MORVANE_APACHE_SESSIONID=kept;PATH=/"})
      << "an id left in slot 1 goes back to the client";

  HttpResponse empty = get(port, "/app?probe-body=empty");
  EXPECT_EQ(empty.status, 200);
  EXPECT_EQ(empty.body, "");

  HttpResponse missing = get(port, "/app?probe-body=null");
  EXPECT_EQ(missing.status, 404);
  expect_no_cache_headers(missing);
  EXPECT_FALSE(missing.has("Set-Cookie"));

  HttpResponse missingWithSession = get(port, "/app?probe-body=null&probe-session=new1");
  EXPECT_EQ(missingWithSession.status, 404);
  EXPECT_EQ(missingWithSession.all("Set-Cookie"), std::vector<std::string>{"MORVANE_APACHE_SESSIONID=new1;PATH=/"})
      << "a session id chosen on a not-found answer must still reach the client";
}

TEST_F(RequestPath, HeadStartsTheBridgeButNeverCallsJava) {
  site.start();
  HttpResponse head = send_raw(site.server.port(), request("HEAD", "/app?x=1"));
  EXPECT_EQ(head.status, 200);
  expect_no_cache_headers(head);
  EXPECT_EQ(head.body, "");
  EXPECT_EQ(site.records("setLogfile").size(), 1u) << "the first routed request starts the JVM";
  EXPECT_TRUE(site.records("process").empty());
}

TEST_F(RequestPath, OtherHandlersAreDeclinedUntouched) {
  // Apache 2.4 lower-cases the handler names that SetHandler, AddHandler and
  // mod_rewrite set, so a name differing in case only cannot be configured.
  site.start(site.globals() + "MorvaneConfigXML " + site.configXml +
             "\n<Location /other>\n  SetHandler morvane-handler-2\n</Location>\n");
  for (const char *target : {"/other", "/nothing"}) {
    HttpResponse response = get(site.server.port(), target);
    EXPECT_FALSE(response.has("Cache-Control")) << target;
    EXPECT_FALSE(response.has("Pragma")) << target;
  }
  struct stat info;
  EXPECT_NE(stat(site.logfile.c_str(), &info), 0) << "a declined request must not start the JVM";
}

}  // namespace
