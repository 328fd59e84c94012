// A real Apache httpd for end-to-end tests: a self-contained configuration in a
// private directory under /tmp, Debian's /usr/sbin/apache2 started in the
// foreground on a free loopback port, and stopped with SIGTERM.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace apache_test {

// Directory paths that tests point the server at; every one of them must be
// traversable by the user that Apache's children run as.
std::string make_private_dir(const std::string &label);
void write_file(const std::string &path, const std::string &content, unsigned mode = 0644);
std::string read_file(const std::string &path);
// Copies a directory tree, making it readable by everyone.
void copy_tree(const std::string &from, const std::string &to);

// The SHA-256 of some bytes, in lower-case hex, as sha256sum computes it.
std::string sha256_hex(const std::string &bytes);

struct CommandResult {
  int status;  // exit status, or 128 + signal
  std::string output;  // stdout and stderr together
};
CommandResult run_command(const std::vector<std::string> &argv);

class ApacheServer {
 public:
  // `mpm` is event, worker or prefork.
  explicit ApacheServer(const std::string &label, std::string mpm = "event");
  ~ApacheServer();
  ApacheServer(const ApacheServer &) = delete;
  ApacheServer &operator=(const ApacheServer &) = delete;

  // The module's part of the configuration: everything after the prologue
  // (ServerRoot, Listen, PidFile, ErrorLog, the MPM and its sizing, authz_core
  // and LoadModule of mod_morvane from the build tree). The threaded MPMs run
  // one child, so that one JVM sees every request; prefork runs several.
  void configure(const std::string &body);

  // Another listener, on 127.0.0.1 or "[::1]"; call before configure().
  int add_listener(const std::string &host = "127.0.0.1");

  CommandResult check_config() const;  // apache2 -t
  CommandResult list_directives() const;  // apache2 -L

  // Starts the server and waits until it accepts connections. Fails the
  // calling test (with the error log) if it does not come up.
  void start();
  void stop();
  // apache2 -k graceful: re-reads the configuration and replaces the children.
  void graceful();

  const std::string &dir() const { return dir_; }
  int port() const { return port_; }
  std::string conf_path() const { return dir_ + "/httpd.conf"; }
  std::string error_log() const;

 private:
  std::vector<std::string> apache_command(std::vector<std::string> extra) const;
  bool accepting() const;

  void check_jni_warnings() const;

  std::string mpm_;
  std::string dir_;
  int port_;
  std::vector<std::string> listeners_;
  pid_t pid_ = -1;
};

}  // namespace apache_test
