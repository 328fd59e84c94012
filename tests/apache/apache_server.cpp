#include "apache_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace apache_test {

namespace {

constexpr char apacheBinary[] = "/usr/sbin/apache2";
constexpr char apacheModules[] = "/usr/lib/apache2/modules";

int free_port() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof addr;
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &length) != 0)
    throw std::runtime_error("cannot find a free port");
  close(fd);
  return ntohs(addr.sin_port);
}

// Threaded MPMs: one child with room for every test's concurrency, and a slot
// for the next generation during a graceful restart.
constexpr char threadedSizing[] =
    "StartServers 1\nServerLimit 2\nThreadsPerChild 64\nMaxRequestWorkers 128\n"
    "MinSpareThreads 1\nMaxSpareThreads 128\n";
constexpr char preforkSizing[] =
    "StartServers 4\nMinSpareServers 2\nMaxSpareServers 8\nServerLimit 16\nMaxRequestWorkers 16\n";

bool wait_for_exit(pid_t pid, std::chrono::milliseconds limit, int *status) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    pid_t done = waitpid(pid, status, WNOHANG);
    if (done == pid) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

}  // namespace

std::string make_private_dir(const std::string &label) {
  std::string pattern = "/tmp/morvane-" + label + "-XXXXXX";
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed for " + pattern);
  chmod(pattern.c_str(), 0755);
  return pattern;
}

void write_file(const std::string &path, const std::string &content, unsigned mode) {
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out) throw std::runtime_error("cannot write " + path);
  }
  chmod(path.c_str(), mode);
}

std::string read_file(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void copy_tree(const std::string &from, const std::string &to) {
  fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  for (auto &entry : fs::recursive_directory_iterator(to))
    chmod(entry.path().c_str(), entry.is_directory() ? 0755 : 0644);
  chmod(to.c_str(), 0755);
}

CommandResult run_command(const std::vector<std::string> &argv) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) throw std::runtime_error("pipe failed");
  pid_t pid = fork();
  if (pid == 0) {
    dup2(pipeFds[1], 1);
    dup2(pipeFds[1], 2);
    close(pipeFds[0]);
    std::vector<char *> args;
    for (auto &a : argv) args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  close(pipeFds[1]);
  std::string output;
  char buffer[4096];
  for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;) output.append(buffer, n);
  close(pipeFds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), output};
}

std::string sha256_hex(const std::string &bytes) {
  std::string dir = make_private_dir("sha");
  write_file(dir + "/data", bytes);
  std::string hex = run_command({"/usr/bin/sha256sum", dir + "/data"}).output.substr(0, 64);
  fs::remove_all(dir);
  return hex;
}

ApacheServer::ApacheServer(const std::string &label, std::string mpm)
    : mpm_(std::move(mpm)), dir_(make_private_dir(label)), port_(free_port()) {
  mkdir((dir_ + "/htdocs").c_str(), 0755);
}

ApacheServer::~ApacheServer() {
  stop();
  if (!::testing::Test::HasFailure() && !std::getenv("MORVANE_KEEP_TEST_DIRS")) fs::remove_all(dir_);
}

void ApacheServer::configure(const std::string &body) {
  std::ostringstream conf;
  conf << "ServerRoot \"" << dir_ << "\"\n"
       << "ServerName 127.0.0.1\n"
       << "Listen 127.0.0.1:" << port_ << "\n";
  for (auto &listener : listeners_) conf << "Listen " << listener << "\n";
  conf
       << "PidFile \"" << dir_ << "/httpd.pid\"\n"
       << "ErrorLog \"" << dir_ << "/error.log\"\n"
       << "LogLevel warn\n"
       << "DefaultRuntimeDir \"" << dir_ << "\"\n"
       << "DocumentRoot \"" << dir_ << "/htdocs\"\n"
       << "LoadModule mpm_" << mpm_ << "_module " << apacheModules << "/mod_mpm_" << mpm_ << ".so\n"
       << (mpm_ == "prefork" ? preforkSizing : threadedSizing)
       << "LoadModule authz_core_module " << apacheModules << "/mod_authz_core.so\n";
  if (geteuid() == 0) conf << "User www-data\nGroup www-data\n";
  conf << "LoadModule morvane_module \"" << MORVANE_MODULE_PATH << "\"\n" << body << "\n";
  write_file(conf_path(), conf.str());
}

int ApacheServer::add_listener(const std::string &host) {
  int port = free_port();
  listeners_.push_back(host + ":" + std::to_string(port));
  return port;
}

std::vector<std::string> ApacheServer::apache_command(std::vector<std::string> extra) const {
  std::vector<std::string> argv{apacheBinary, "-f", conf_path()};
  argv.insert(argv.end(), extra.begin(), extra.end());
  return argv;
}

CommandResult ApacheServer::check_config() const { return run_command(apache_command({"-t"})); }
CommandResult ApacheServer::list_directives() const { return run_command(apache_command({"-L"})); }

std::string ApacheServer::error_log() const { return read_file(dir_ + "/error.log"); }

bool ApacheServer::accepting() const {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port_);
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bool ok = connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0;
  close(fd);
  return ok;
}

void ApacheServer::start() {
  ASSERT_EQ(pid_, -1) << "server already running";
  std::vector<std::string> argv = apache_command({"-DFOREGROUND"});
  pid_ = fork();
  if (pid_ == 0) {
    int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    int log = open((dir_ + "/stderr.log").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    dup2(log, 1);
    dup2(log, 2);
    setpgid(0, 0);
    std::vector<char *> args;
    for (auto &a : argv) args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
  while (!accepting()) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      FAIL() << "apache2 exited at start-up:\n" << read_file(dir_ + "/stderr.log") << error_log();
    }
    if (std::chrono::steady_clock::now() > deadline) FAIL() << "apache2 did not come up:\n" << error_log();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

void ApacheServer::stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  int status = 0;
  if (!wait_for_exit(pid_, std::chrono::seconds(15), &status)) {
    ADD_FAILURE() << "apache2 did not stop on SIGTERM";
    kill(-pid_, SIGKILL);
    waitpid(pid_, &status, 0);
  }
  pid_ = -1;
  check_jni_warnings();
}

// With -Xcheck:jni in JAVA_TOOL_OPTIONS the JVM reports every misuse of JNI on
// the children's standard error, which Apache sends to its error log.
void ApacheServer::check_jni_warnings() const {
  const char *options = std::getenv("JAVA_TOOL_OPTIONS");
  if (!options || !std::strstr(options, "-Xcheck:jni")) return;
  std::string logs = error_log() + read_file(dir_ + "/stderr.log");
  for (const char *marker : {"WARNING in native method", "FATAL ERROR in native method"})
    EXPECT_EQ(logs.find(marker), std::string::npos) << "JNI checks reported a problem:\n" << logs;
}

void ApacheServer::graceful() {
  ASSERT_GT(pid_, 0);
  CommandResult result = run_command(apache_command({"-k", "graceful"}));
  ASSERT_EQ(result.status, 0) << result.output;
}

}  // namespace apache_test
