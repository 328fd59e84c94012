// Multipart uploads are streamed to the Java side piece by piece and answered
// with what onUploadEnd returns.
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

std::string test_name() { return ::testing::UnitTest::GetInstance()->current_test_info()->name(); }

// Bytes of every value, different for every seed.
std::string binary_data(size_t size, unsigned seed) {
  std::string data(size, '\0');
  unsigned state = seed * 2654435761u + 1;
  for (size_t i = 0; i < size; ++i) {
    state = state * 1103515245u + 12345u;
    data[i] = static_cast<char>(state >> 16);
  }
  return data;
}

const std::string multipartType = "multipart/form-data; boundary=MorvaneBoundary";

std::string multipart_body(const std::string &file) {
  return "--MorvaneBoundary\r\nContent-Disposition: form-data; name=\"file\"; filename=\"data.bin\"\r\n"
         "Content-Type: application/octet-stream\r\n\r\n" +
         file + "\r\n--MorvaneBoundary--\r\n";
}

std::string upload(const std::string &target, const std::string &body, const std::string &type = multipartType) {
  return request("POST", target, body, {"Content-Type: " + type});
}

Record only(const std::vector<Record> &records) {
  EXPECT_EQ(records.size(), 1u);
  return records.empty() ? Record{} : records.front();
}

TEST(Upload, OnUploadInitLearnsQueryTypeAndLength) {
  MorvaneSite site(test_name());
  site.start(site.standard_config("LimitRequestBody 0\n"));  // let a length beyond 2^31 through
  int port = site.server.port();
  const std::string body = multipart_body("hello");
  const std::string chunkedHead = "POST /app HTTP/1.1\r\nHost: x\r\nConnection: close\r\nTransfer-Encoding: chunked\r\n"
                                  "Content-Type: " + multipartType + "\r\n\r\n";
  struct {
    const char *label;
    std::string request;
    const char *query;
    std::string type;
    std::string length;
    int status = 200;
  } const cases[] = {
      {"mixed_case_type", upload("/app", body, "MultiPart/Form-DATA; boundary=MorvaneBoundary"), "null",
       quoted("MultiPart/Form-DATA; boundary=MorvaneBoundary"), std::to_string(body.size())},
      {"empty_query", upload("/app?", body), "null", quoted(multipartType), std::to_string(body.size())},
      {"query", upload("/app?a=1&b=2", body), "\"a=1&b=2\"", quoted(multipartType), std::to_string(body.size())},
      {"zero_length", upload("/app", ""), "null", quoted(multipartType), "0"},
      {"chunked", chunkedHead + "5\r\nhello\r\n0\r\n\r\n", "null", quoted(multipartType), "-1"},
      // Sends 5 of the 4 GiB it declares, then ends its side: Apache's input
      // filter answers the truncated body with 400 itself.
      {"length_beyond_int", "POST /app HTTP/1.1\r\nHost: x\r\nConnection: close\r\nContent-Length: 4294967301\r\n"
                            "Content-Type: " + multipartType + "\r\n\r\nhello", "null", quoted(multipartType), "-1", 400},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.label);
    std::remove(site.logfile.c_str());
    HttpResponse response = send_raw(port, c.request);
    EXPECT_EQ(response.status, c.status) << response.raw;
    Record init = only(site.records("uploadInit"));
    EXPECT_EQ(init["query"], c.query);
    EXPECT_EQ(init["type"], c.type);
    EXPECT_EQ(init["length"], c.length);
    EXPECT_EQ(only(site.records("uploadEnd")).event, "uploadEnd");
    EXPECT_TRUE(site.records("process").empty());
  }
}

TEST(Upload, PiecesArriveInOrderAndWhole) {
  MorvaneSite site(test_name());
  site.start();
  const std::string body = multipart_body(binary_data(64 << 20, 1));
  HttpResponse response = send_raw(site.server.port(), upload("/app", body));
  ASSERT_EQ(response.status, 200);
  Record end = only(site.records("uploadEnd"));
  EXPECT_EQ(end["bytes"], std::to_string(body.size()));
  EXPECT_EQ(end["sha256"], sha256_hex(body));
  auto pieces = site.records("upload");
  EXPECT_EQ(end["pieces"], std::to_string(pieces.size()));
  for (size_t i = 0; i < pieces.size(); ++i) ASSERT_EQ(pieces[i]["piece"], std::to_string(i + 1));
  EXPECT_GT(pieces.size(), 1000u) << "the upload must arrive in pieces, not whole";
}

TEST(Upload, AFalseAnswerStopsForwardingButNotReading) {
  MorvaneSite site(test_name());
  site.start();
  const std::string body = multipart_body(binary_data(1 << 20, 2));
  HttpResponse response = send_raw(site.server.port(), upload("/app?probe-stop-after=1", body));
  EXPECT_EQ(response.status, 200);
  EXPECT_EQ(site.records("upload").size(), 1u);
  EXPECT_EQ(only(site.records("uploadEnd"))["pieces"], "1");
  EXPECT_EQ(get(site.server.port(), "/app?probe-body=bytes:next").body, "next");
}

TEST(Upload, TheReplyIsWhatOnUploadEndReturns) {
  MorvaneSite site(test_name());
  site.start();
  int port = site.server.port();

  HttpResponse answered = send_raw(port, upload("/app", multipart_body("abc")));
  EXPECT_EQ(answered.status, 200);
  EXPECT_EQ(answered.header("Content-Type"), "text/plain");
  EXPECT_EQ(answered.header("Cache-Control"), "no-cache");
  EXPECT_EQ(answered.header("Pragma"), "no-cache");
  EXPECT_EQ(answered.header("Expires"), "0");
  EXPECT_EQ(answered.body, site.records("uploadEnd").back().line);

  for (const char *end : {"null", "empty"}) {
    HttpResponse response = send_raw(port, upload(std::string("/app?probe-end=") + end, multipart_body("abc")));
    EXPECT_EQ(response.status, 200) << end;
    EXPECT_EQ(response.body, "") << end;
  }
}

TEST(Upload, ExceptionsFromTheUploadMethodsAreContained) {
  MorvaneSite site(test_name());
  site.start();
  int port = site.server.port();
  const std::string body = multipart_body(binary_data(256 << 10, 3));
  for (const char *target : {"/app?probe-throw-init=1", "/app?probe-throw-upload=1", "/app?probe-throw-end=1"}) {
    SCOPED_TRACE(target);
    HttpResponse response = send_raw(port, upload(target, body));
    EXPECT_EQ(response.status, 200);
    EXPECT_EQ(get(port, "/app?probe-body=bytes:next").body, "next");
  }
  EXPECT_EQ(site.records("uploadEnd").size(), 3u);
  EXPECT_EQ(site.records("setLogfile").size(), 1u) << "the server process must have survived";
}

TEST(Upload, ConnectorsWithoutSomeUploadMethods) {
  const std::string body = multipart_body("abc");
  {
    SCOPED_TRACE("no onUploadEnd: an empty reply");
    MorvaneSite site(test_name() + "-no-end", "event", "no-upload-end");
    site.start();
    HttpResponse response = send_raw(site.server.port(), upload("/app", body));
    EXPECT_EQ(response.status, 200);
    EXPECT_EQ(response.body, "");
    EXPECT_FALSE(site.records("upload").empty());
  }
  {
    SCOPED_TRACE("no onUpload: the ordinary path");
    MorvaneSite site(test_name() + "-none", "event", "no-upload");
    site.start();
    HttpResponse response = send_raw(site.server.port(), upload("/app", body));
    EXPECT_EQ(only(parse_records(response.body))["body"], quoted(body));
  }
  {
    SCOPED_TRACE("onUpload without onUploadInit: streamed with a null handle");
    MorvaneSite site(test_name() + "-no-init", "event", "upload-no-init");
    site.start();
    HttpResponse response = send_raw(site.server.port(), upload("/app", body));
    EXPECT_EQ(response.status, 200);
    EXPECT_TRUE(site.records("uploadInit").empty());
    EXPECT_EQ(only(site.records("uploadEnd"))["bytes"], std::to_string(body.size()));
  }
}

TEST(Upload, AClientThatDisconnectsStillGetsItsUploadEnded) {
  MorvaneSite site(test_name());
  site.start();
  std::string full = upload("/app", multipart_body(binary_data(1 << 20, 4)));
  send_and_close(site.server.port(), full.substr(0, full.size() / 3));
  for (int i = 0; i < 200 && site.records("uploadEnd").empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(site.records("uploadEnd").size(), 1u);
  EXPECT_EQ(get(site.server.port(), "/app?probe-body=bytes:next").body, "next");
  EXPECT_EQ(site.server.error_log().find("exit signal"), std::string::npos) << site.server.error_log();
}

TEST(Upload, ConcurrentUploadsKeepTheirOwnHandles) {
  MorvaneSite site(test_name());
  site.start();
  constexpr int uploads = 8;
  std::vector<std::string> bodies;
  for (int i = 0; i < uploads; ++i) bodies.push_back(multipart_body(binary_data((i + 1) * 300000 + i, 10 + i)));
  std::atomic<bool> go{false};
  std::vector<std::future<HttpResponse>> pending;
  for (int i = 0; i < uploads; ++i)
    pending.push_back(std::async(std::launch::async, [&, i] {
      while (!go) std::this_thread::yield();
      return send_raw(site.server.port(), upload("/app", bodies[i]));
    }));
  go = true;
  for (int i = 0; i < uploads; ++i) {
    HttpResponse response = pending[i].get();
    ASSERT_EQ(response.status, 200);
    Record end = only(parse_records(response.body));
    EXPECT_EQ(end["bytes"], std::to_string(bodies[i].size())) << i;
    EXPECT_EQ(end["sha256"], sha256_hex(bodies[i])) << i;
  }
}

}  // namespace
