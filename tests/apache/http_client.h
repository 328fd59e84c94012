// A raw HTTP/1.x client for end-to-end tests: the request goes out exactly as
// given, and the response is read to the end of the connection.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace apache_test {

struct HttpResponse {
  int status = 0;
  std::vector<std::pair<std::string, std::string>> headers;  // in order received
  std::string body;  // de-chunked
  std::string raw;

  // The value of the one header of that name (any case), or "" when absent.
  std::string header(const std::string &name) const;
  std::vector<std::string> all(const std::string &name) const;
  bool has(const std::string &name) const { return !all(name).empty(); }
};

// Sends `request` bytes to 127.0.0.1 (or `host`, "::1" for IPv6) and reads until
// the server closes the connection. The request should ask for that
// ("Connection: close" or HTTP/1.0).
HttpResponse send_raw(int port, const std::string &request, const std::string &host = "127.0.0.1");

// Sends the request in pieces with a pause between them, so that the server
// receives the body in several reads.
HttpResponse send_pieces(int port, const std::vector<std::string> &pieces, int pauseMs = 200);

// Sends the bytes and closes the connection without waiting for an answer, as
// a client that gives up half-way does.
void send_and_close(int port, const std::string &bytes);

// A request with Connection: close and, when a body is given, its Content-Length.
std::string request(const std::string &method, const std::string &target, const std::string &body = "",
                    const std::vector<std::string> &headers = {});

HttpResponse get(int port, const std::string &target, const std::vector<std::string> &headers = {});

}  // namespace apache_test
