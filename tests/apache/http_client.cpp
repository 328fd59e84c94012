#include "http_client.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>
#include <strings.h>

#include <chrono>
#include <stdexcept>
#include <thread>

namespace apache_test {

namespace {

int connect_to(const std::string &host, int port) {
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICHOST;
  addrinfo *found = nullptr;
  if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0)
    throw std::runtime_error("bad address " + host);
  int fd = socket(found->ai_family, SOCK_STREAM, 0);
  timeval timeout{60, 0};  // a hung server fails the test instead of hanging it
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  int rc = connect(fd, found->ai_addr, found->ai_addrlen);
  freeaddrinfo(found);
  if (rc != 0) {
    close(fd);
    throw std::runtime_error("cannot connect to " + host + ":" + std::to_string(port));
  }
  return fd;
}

void send_all(int fd, const std::string &bytes) {
  for (size_t sent = 0; sent < bytes.size();) {
    ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) throw std::runtime_error("send failed");
    sent += n;
  }
}

std::string receive_all(int fd) {
  std::string data;
  char buffer[65536];
  for (ssize_t n; (n = recv(fd, buffer, sizeof buffer, 0)) > 0;) data.append(buffer, n);
  return data;
}

std::string dechunk(const std::string &chunked) {
  std::string out;
  size_t pos = 0;
  for (;;) {
    size_t lineEnd = chunked.find("\r\n", pos);
    if (lineEnd == std::string::npos) throw std::runtime_error("bad chunked body");
    size_t size = std::stoul(chunked.substr(pos, lineEnd - pos), nullptr, 16);
    pos = lineEnd + 2;
    if (size == 0) return out;
    out.append(chunked, pos, size);
    pos += size + 2;
  }
}

HttpResponse parse(std::string raw) {
  HttpResponse response;
  response.raw = raw;
  size_t headEnd = raw.find("\r\n\r\n");
  if (headEnd == std::string::npos) throw std::runtime_error("no complete response head in: " + raw);
  std::string head = raw.substr(0, headEnd);
  size_t lineEnd = head.find("\r\n");
  std::string statusLine = head.substr(0, lineEnd);
  response.status = std::stoi(statusLine.substr(statusLine.find(' ') + 1));
  while (lineEnd != std::string::npos) {
    size_t start = lineEnd + 2;
    lineEnd = head.find("\r\n", start);
    std::string line = head.substr(start, lineEnd == std::string::npos ? std::string::npos : lineEnd - start);
    size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    size_t valueStart = line.find_first_not_of(' ', colon + 1);
    response.headers.emplace_back(line.substr(0, colon),
                                  valueStart == std::string::npos ? "" : line.substr(valueStart));
  }
  response.body = raw.substr(headEnd + 4);
  if (strcasecmp(response.header("Transfer-Encoding").c_str(), "chunked") == 0)
    response.body = dechunk(response.body);
  return response;
}

}  // namespace

std::vector<std::string> HttpResponse::all(const std::string &name) const {
  std::vector<std::string> values;
  for (auto &[key, value] : headers)
    if (strcasecmp(key.c_str(), name.c_str()) == 0) values.push_back(value);
  return values;
}

std::string HttpResponse::header(const std::string &name) const {
  auto values = all(name);
  return values.empty() ? "" : values.front();
}

namespace {

// Sends the pieces with a pause between them, ends the sending side (a server
// that waits for more body learns that none will come instead of hanging the
// test) and reads the whole answer.
HttpResponse exchange(const std::string &host, int port, const std::vector<std::string> &pieces, int pauseMs) {
  int fd = connect_to(host, port);
  try {
    for (size_t i = 0; i < pieces.size(); ++i) {
      if (i) std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
      send_all(fd, pieces[i]);
    }
    shutdown(fd, SHUT_WR);
    std::string raw = receive_all(fd);
    close(fd);
    return parse(raw);
  } catch (...) {
    close(fd);
    throw;
  }
}

}  // namespace

HttpResponse send_pieces(int port, const std::vector<std::string> &pieces, int pauseMs) {
  return exchange("127.0.0.1", port, pieces, pauseMs);
}

HttpResponse send_raw(int port, const std::string &requestBytes, const std::string &host) {
  return exchange(host, port, {requestBytes}, 0);
}

void send_and_close(int port, const std::string &bytes) {
  int fd = connect_to("127.0.0.1", port);
  try {
    send_all(fd, bytes);
  } catch (...) {
    close(fd);
    throw;
  }
  close(fd);
}

std::string request(const std::string &method, const std::string &target, const std::string &body,
                    const std::vector<std::string> &headers) {
  std::string text = method + " " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n";
  for (auto &h : headers) text += h + "\r\n";
  if (!body.empty() || method == "POST" || method == "PUT")
    text += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  return text + "\r\n" + body;
}

HttpResponse get(int port, const std::string &target, const std::vector<std::string> &headers) {
  return send_raw(port, request("GET", target, "", headers));
}

}  // namespace apache_test
